// The report's file commands on the offscreen platform with the scripted Ui: delete through a
// real recycle bin, "Move & Rename Functions" with its history in the settings file, the preview
// panel, "Tag All But Best In Each Group" and the exclusion list window. A real files list over
// pictures in a temporary folder and a real Notes database follow every change.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>

#include "fakes/fake_services.h"
#include "lists/files_list.h"
#include "lists/recycle/recycle_bin.h"
#include "lists/search/ui/exclusion_window.h"
#include "lists/search/ui/move_rename_window.h"
#include "lists/search/ui/search_list_menu.h"
#include "notes/notes_database.h"
#include "platform/profile_file.h"
#include "search/search_pictures.h"
#include "test_support/temp_dir.h"

namespace vr::search_ui {
namespace {

using platform::Answer;
namespace fs = std::filesystem;

void EnsureApp() {
  static int argc = 1;
  static char name[] = "report_files_test";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr) new QApplication(argc, argv);
}

class ReportFilesTest : public ::testing::Test {
 protected:
  ReportFilesTest() : fakes_(dir_.File("home"), dir_.File("tmp")) {}

  void SetUp() override {
    EnsureApp();
    for (const char* d : {"home", "tmp", "pics", "moved"}) fs::create_directories(dir_.File(d));
    const picture::Bitmap photo = search_test::PhotoLike(1, 160, 120);
    ASSERT_TRUE(search_test::WriteJpeg(Pic("a.jpg"), photo, 90));
    ASSERT_TRUE(search_test::WriteJpeg(Pic("b.jpg"), photo, 40));
    ASSERT_TRUE(search_test::WriteJpeg(Pic("c.jpg"), search_test::PhotoLike(2, 160, 120), 90));
    // More pixels but fewer bytes than c.jpg.
    ASSERT_TRUE(search_test::WriteJpeg(Pic("big.jpg"), search_test::PhotoLike(2, 320, 240), 5));
    ASSERT_LT(fs::file_size(Pic("big.jpg")), fs::file_size(Pic("c.jpg")));
    ASSERT_EQ(db_.OpenNotesDatabase(dir_.File("LSNOTES")), 0u);
    lists::ListServices ls;
    ls.files = &fakes_.files;
    list_ = std::make_unique<lists::FilesList>(ls);
    list_->LoadPaths({dir_.File("pics")}, 1 << 30, 0);
    ASSERT_EQ(list_->Count(), 4);

    recycle::BinServices bs;
    bs.files = &fakes_.files;
    bs.ui = &fakes_.ui;
    bin_ = std::make_unique<recycle::RecycleBin>(bs, recycle::RecycleBin::FolderIn(dir_.File("home")));
    ASSERT_TRUE(bin_->Start());

    settings_ = dir_.WriteText("VELDR.INI", "[Recent List]\nMoveList_0=C:\\\nMoveList_1=C:\\\n");
    SearchWindowServices s;
    s.platform = fakes_.services();
    s.notes = &db_;
    s.bin = bin_.get();
    s.settings_path = settings_;
    s.list_edited = [this] { ++edits_; };
    s.files_moved = [this](const Moves& moves) { moves_.push_back(moves); };
    s.tag_toggled = [this](int row) { toggled_.push_back(row); };
    s.exec_dialog = [this](QDialog& dialog) {
      dialogs_.push_back(dialog.windowTitle().toStdString());
      return on_dialog_ ? on_dialog_(dialog) : 0;
    };
    window_ = std::make_unique<TSearchListMenu>([this]() -> lists::FilesList& { return *list_; }, s);
  }
  void TearDown() override {
    window_.reset();
    db_.CloseNotesDatabase();
  }

  std::string Pic(const std::string& name) const { return dir_.File("pics/" + name); }
  static std::string Line(const std::string& path) { return "File:" + path; }
  bool Tagged(const std::string& path) const {
    const int row = list_->FindInFilesList(path);
    return row >= 0 && list_->Peek(row)->tagged;
  }
  std::string Category(const std::string& path) {
    notes::NotesRecord record;
    if (db_.ReadNote(path, &record).status != 0 || record.live_flag != notes::kLive) return "";
    return record.category;
  }

  test_support::TempDir dir_;
  fakes::FakeServices fakes_;
  notes::NotesDatabase db_;
  std::unique_ptr<lists::FilesList> list_;
  std::unique_ptr<recycle::RecycleBin> bin_;
  std::unique_ptr<TSearchListMenu> window_;
  std::string settings_;
  int edits_ = 0;
  std::vector<int> toggled_;
  std::vector<std::string> dialogs_;
  std::function<int(QDialog&)> on_dialog_;
  using Moves = std::vector<std::pair<std::string, std::string>>;
  std::vector<Moves> moves_;  // files_moved, one element per call
};

TEST_F(ReportFilesTest, SelectingAFileLinePreviewsItAndEnablesTheFileButtons) {
  window_->SetReportLines({"**** Group [MAIN]: 1", Line(Pic("big.jpg")), Line(Pic("gone.jpg"))});
  EXPECT_FALSE(window_->DeleteButton()->isEnabled());
  EXPECT_FALSE(window_->MoveButton()->isEnabled());
  window_->SelectReportRows({1});
  EXPECT_EQ(window_->previewed(), Pic("big.jpg"));
  EXPECT_TRUE(window_->DeleteButton()->isEnabled());
  EXPECT_TRUE(window_->MoveButton()->isEnabled());
  const QImage& shown = window_->PreviewPanel()->Shown();
  ASSERT_FALSE(shown.isNull());
  // Fitted into the panel with the picture's own 4:3 shape.
  EXPECT_NEAR(shown.width() * 3, shown.height() * 4, 8);
  EXPECT_TRUE(window_->PreviewPanel()->Caption().contains("320x240"));
  // A file that is gone shows no picture; a heading line previews nothing and moves nothing.
  window_->SelectReportRows({2});
  EXPECT_TRUE(window_->PreviewPanel()->Shown().isNull());
  window_->SelectReportRows({0});
  EXPECT_EQ(window_->previewed(), "");
  EXPECT_FALSE(window_->MoveButton()->isEnabled());
  EXPECT_EQ(window_->PreviewPanel()->Caption(), "Nothing To Preview");
}

TEST_F(ReportFilesTest, DeleteGoesThroughTheBinAndKeepsListNotesAndReportInStep) {
  notes::NotesRecord note;
  note.category = "KEEP";
  ASSERT_EQ(db_.WriteNote(Pic("b.jpg"), note).status, 0u);
  window_->SetReportLines({"**** Group", Line(Pic("a.jpg")), Line(Pic("b.jpg")), "",
                           Line(Pic("b.jpg")), Line(Pic("c.jpg"))});
  // "No" keeps the file.
  window_->SelectReportRows({2});
  fakes_.ui.QueueAnswer(Answer::kNo);
  window_->DeleteClick();
  EXPECT_TRUE(fs::exists(Pic("b.jpg")));
  EXPECT_NE(fakes_.ui.last().text.find("The file listed below is about to be deleted. " + Pic("b.jpg")),
            std::string::npos);
  EXPECT_EQ(window_->ReportLines().size(), 6u);

  // Two lines naming one file and a third file: asked once per file, "Yes to all" holds.
  window_->SelectReportRows({2, 4, 5});
  fakes_.ui.QueueAnswer(Answer::kYesToAll);
  window_->DeleteClick();
  EXPECT_FALSE(fs::exists(Pic("b.jpg")));
  EXPECT_FALSE(fs::exists(Pic("c.jpg")));
  EXPECT_TRUE(bin_->IsFull());
  EXPECT_EQ(list_->Count(), 2);
  EXPECT_LT(list_->FindInFilesList(Pic("b.jpg")), 0);
  EXPECT_EQ(Category(Pic("b.jpg")), "");
  EXPECT_EQ(window_->ReportLines(), (std::vector<std::string>{"**** Group", Line(Pic("a.jpg")), ""}));
  EXPECT_GE(edits_, 2);
}

TEST_F(ReportFilesTest, DeleteIsOffWithoutTheBin) {
  SearchWindowServices s;
  s.platform = fakes_.services();
  TSearchListMenu window([this]() -> lists::FilesList& { return *list_; }, s);
  window.SetReportLines({Line(Pic("a.jpg"))});
  window.SelectReportRows({0});
  EXPECT_FALSE(window.DeleteButton()->isEnabled());
  window.DeleteClick();
  EXPECT_TRUE(fs::exists(Pic("a.jpg")));
}

TEST_F(ReportFilesTest, MoveRenameMovesTheFileItsNoteAndItsLinesAndKeepsAHistory) {
  notes::NotesRecord note;
  note.category = "TRIP";
  ASSERT_EQ(db_.WriteNote(Pic("a.jpg"), note).status, 0u);
  fs::copy_file(Pic("a.jpg"), Pic("a.jpg.LSAssoc"));
  window_->SetReportLines({Line(Pic("a.jpg")), Line(Pic("b.jpg")), Line(Pic("a.jpg"))});
  window_->SelectReportRows({0});

  // Method 1: a folder and a new name typed; the cleared history's "C:\" is not offered.
  const std::string moved = dir_.File("moved");
  on_dialog_ = [&](QDialog& dialog) {
    auto& w = static_cast<TMoveRenameWindow&>(dialog);
    EXPECT_TRUE(w.Manual()->isChecked());
    EXPECT_FALSE(w.FromHistory()->isEnabled());
    EXPECT_EQ(w.NameEdit()->text().toStdString(), "a.jpg");
    w.FolderEdit()->setText(QString::fromStdString(moved));
    w.NameEdit()->setText("trip.jpg");
    return static_cast<int>(QDialog::Accepted);
  };
  fakes_.ui.QueueAnswer(Answer::kYes);  // the companion follows
  window_->MoveRenameClick();
  ASSERT_EQ(dialogs_, std::vector<std::string>{kMoveRenameCaption});
  const std::string target = moved + "/trip.jpg";
  EXPECT_TRUE(fs::exists(target));
  EXPECT_FALSE(fs::exists(Pic("a.jpg")));
  EXPECT_TRUE(fs::exists(target + ".LSAssoc"));
  EXPECT_EQ(Category(target), "TRIP");
  EXPECT_EQ(Category(Pic("a.jpg")), "");
  EXPECT_GE(list_->FindInFilesList(target), 0);
  EXPECT_LT(list_->FindInFilesList(Pic("a.jpg")), 0);
  EXPECT_EQ(window_->ReportLines(),
            (std::vector<std::string>{Line(target), Line(Pic("b.jpg")), Line(target)}));
  EXPECT_EQ(window_->previewed(), target);
  // The albums hear of the move.
  EXPECT_EQ(moves_, (std::vector<Moves>{Moves{{Pic("a.jpg"), target}}}));
  platform::ProfileFile settings(settings_);
  EXPECT_EQ(settings.ReadString("Recent List", "MoveList_0", ""), moved + "/");
  EXPECT_FALSE(settings.KeyExists("Recent List", "MoveList_1"));

  // Method 2: back under the file's own name to a folder of the history; b.jpg is in the way,
  // so the overwrite question comes: No leaves both files.
  const auto b_size = fs::file_size(Pic("b.jpg"));
  fs::copy_file(Pic("c.jpg"), moved + "/b.jpg");
  window_->SelectReportRows({1});
  on_dialog_ = [&](QDialog& dialog) {
    auto& w = static_cast<TMoveRenameWindow&>(dialog);
    EXPECT_EQ(w.HistoryBox()->count(), 1);
    w.FromHistory()->setChecked(true);
    EXPECT_FALSE(w.NameEdit()->isEnabled());
    return static_cast<int>(QDialog::Accepted);
  };
  fakes_.ui.QueueAnswer(Answer::kNo);
  window_->MoveRenameClick();
  EXPECT_EQ(fakes_.ui.last().text,
            "File ALREADY exists in destination. Would you like to OVERWRITE the file?\r\r" + moved +
                "/b.jpg");
  EXPECT_TRUE(fs::exists(Pic("b.jpg")));
  EXPECT_EQ(window_->ReportLines()[1], Line(Pic("b.jpg")));
  fakes_.ui.QueueAnswer(Answer::kYes);
  window_->MoveRenameClick();
  EXPECT_FALSE(fs::exists(Pic("b.jpg")));
  EXPECT_EQ(fs::file_size(moved + "/b.jpg"), b_size);
  EXPECT_EQ(window_->ReportLines()[1], Line(moved + "/b.jpg"));

  // A name with a folder separator is refused before anything moves; Cancel moves nothing.
  window_->SelectReportRows({1});
  on_dialog_ = [&](QDialog& dialog) {
    static_cast<TMoveRenameWindow&>(dialog).NameEdit()->setText("../x.jpg");
    return static_cast<int>(QDialog::Accepted);
  };
  window_->MoveRenameClick();
  EXPECT_EQ(fakes_.ui.last().text, kBadNewName);
  on_dialog_ = [](QDialog&) { return static_cast<int>(QDialog::Rejected); };
  window_->MoveRenameClick();
  EXPECT_TRUE(fs::exists(moved + "/b.jpg"));
  // A folder typed without its full path is below the file's own folder.
  fs::create_directories(moved + "/sub");
  on_dialog_ = [&](QDialog& dialog) {
    static_cast<TMoveRenameWindow&>(dialog).FolderEdit()->setText("sub");
    return static_cast<int>(QDialog::Accepted);
  };
  window_->MoveRenameClick();
  EXPECT_TRUE(fs::exists(moved + "/sub/b.jpg"));
  EXPECT_EQ(window_->ReportLines()[1], Line(moved + "/sub/b.jpg"));
  // A folder that does not exist: the move fails with a message and nothing changes.
  on_dialog_ = [&](QDialog& dialog) {
    static_cast<TMoveRenameWindow&>(dialog).FolderEdit()->setText(QString::fromStdString(dir_.File("none")));
    return static_cast<int>(QDialog::Accepted);
  };
  window_->MoveRenameClick();
  EXPECT_NE(fakes_.ui.last().text.find("Moving to:"), std::string::npos);
  EXPECT_TRUE(fs::exists(moved + "/sub/b.jpg"));
  EXPECT_EQ(window_->ReportLines()[1], Line(moved + "/sub/b.jpg"));
}

TEST_F(ReportFilesTest, TagAllButBestKeepsTheLargestPictureOfEachGroupUntagged) {
  // The best of a tie in pixels is the larger file (a.jpg at q90 over b.jpg at q40); more
  // pixels beat more bytes (big.jpg over c.jpg). a.jpg, tagged while searching, is untagged.
  list_->SetTag(list_->FindInFilesList(Pic("a.jpg")), true);
  window_->SetReportLines({"**** Group [MAIN]: 1", Line(Pic("b.jpg")), Line(Pic("a.jpg")), "",
                           "**** Group [MAIN]: 2", Line(Pic("c.jpg")), Line(Pic("big.jpg")), "",
                           Line(Pic("c.jpg")), "There are 2 Matching GROUPS in the list."});
  EXPECT_EQ(window_->TagAllButBestClick(), 2);
  EXPECT_FALSE(Tagged(Pic("a.jpg")));
  EXPECT_TRUE(Tagged(Pic("b.jpg")));
  EXPECT_TRUE(Tagged(Pic("c.jpg")));
  EXPECT_FALSE(Tagged(Pic("big.jpg")));
  EXPECT_EQ(list_->TaggedCount(), 2);
  EXPECT_EQ(toggled_.size(), 3u);
}

TEST_F(ReportFilesTest, ExclusionWindowEditsTheListsAndErasesStaleKeys) {
  const std::string pics = dir_.File("pics");
  dir_.WriteText("VELDR.INI", "[Recent List]\nExcludeList_0=" + pics + "\nExcludeListCheck_0=1\n" +
                                  "ExcludeList_1=/x\nExcludeListCheck_1=0\nExcludeList_2=/y\n" +
                                  "ExcludeListCheck_2=1\n");
  on_dialog_ = [&](QDialog& dialog) {
    auto& w = static_cast<TExclusionWindow&>(dialog);
    EXPECT_EQ(w.ExcludeBox()->count(), 3);
    EXPECT_EQ(w.ExcludeBox()->item(1)->checkState(), Qt::Unchecked);
    w.ExcludeBox()->item(1)->setSelected(true);
    w.ExcludeBox()->item(2)->setSelected(true);
    w.RemoveClick(true);
    fakes_.ui.QueueText(pics + "/");  // already listed: not added twice
    w.AddClick(true);
    fakes_.ui.QueueText(pics);
    w.AddClick(false);
    return static_cast<int>(QDialog::Accepted);
  };
  window_->ExclusionClick();
  EXPECT_EQ(dialogs_, std::vector<std::string>{kExclusionCaption});
  platform::ProfileFile settings(settings_);
  EXPECT_EQ(settings.ReadString("Recent List", "ExcludeList_0", ""), pics);
  for (const char* stale : {"ExcludeList_1", "ExcludeListCheck_1", "ExcludeList_2", "ExcludeListCheck_2"}) {
    EXPECT_FALSE(settings.KeyExists("Recent List", stale)) << stale;
  }
  EXPECT_EQ(settings.ReadString("Recent List", "IncludeList_0", ""), pics);
  EXPECT_TRUE(settings.ReadBool("Recent List", "IncludeListCheck_0", false));

  // The included folder inside the excluded one is searched.
  window_->UseExclusion()->setChecked(true);
  window_->ImageSearchClick();
  const auto lines = window_->ReportLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), Line(Pic("a.jpg"))), 1);

  // Cancel writes nothing.
  on_dialog_ = [&](QDialog& dialog) {
    static_cast<TExclusionWindow&>(dialog).RemoveClick(false);
    return static_cast<int>(QDialog::Rejected);
  };
  window_->ExclusionClick();
  EXPECT_EQ(platform::ProfileFile(settings_).ReadString("Recent List", "IncludeList_0", ""), pics);
}

}  // namespace
}  // namespace vr::search_ui
