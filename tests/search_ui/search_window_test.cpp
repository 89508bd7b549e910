// The window "Search File List By..." on the offscreen platform with the scripted Ui: a real
// files list over pictures in a temporary folder, a real Notes database there, and the report's
// commands with their exact texts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include "fakes/fake_services.h"
#include "lists/files_list.h"
#include "lists/search/image_search.h"
#include "lists/search/report.h"
#include "lists/search/ui/remember_menu.h"
#include "lists/search/ui/search_list_menu.h"
#include "notes/notes_database.h"
#include "search/search_pictures.h"
#include "test_support/temp_dir.h"

namespace vr::search_ui {
namespace {

using platform::Answer;

void EnsureApp() {
  static int argc = 1;
  static char name[] = "search_window_test";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr) new QApplication(argc, argv);
}

class SearchWindowTest : public ::testing::Test {
 protected:
  SearchWindowTest() : fakes_(dir_.File("home"), dir_.File("tmp")) {}

  void SetUp() override {
    EnsureApp();
    std::filesystem::create_directories(dir_.File("home"));
    std::filesystem::create_directories(dir_.File("tmp"));
    std::filesystem::create_directories(dir_.File("pics"));
    const picture::Bitmap photo = search_test::PhotoLike(1, 160, 120);
    ASSERT_TRUE(search_test::WriteJpeg(Pic("a.jpg"), photo, 90));
    ASSERT_TRUE(search_test::WriteJpeg(Pic("b.jpg"), photo, 40));
    ASSERT_TRUE(search_test::WriteJpeg(Pic("c.jpg"), search_test::PhotoLike(2, 160, 120), 90));
    ASSERT_EQ(db_.OpenNotesDatabase(dir_.File("LSNOTES")), 0u);
    lists::ListServices ls;
    ls.files = &fakes_.files;
    list_ = std::make_unique<lists::FilesList>(ls);
    list_->LoadPaths({dir_.File("pics")}, 1 << 30, 0);
    ASSERT_EQ(list_->Count(), 3);
    SearchWindowServices s;
    s.platform = fakes_.services();
    s.notes = &db_;
    s.tag_toggled = [this](int row) { toggled_.push_back(row); };
    s.exec_dialog = [this](QDialog& dialog) {
      dialogs_.push_back(dialog.windowTitle().toStdString());
      if (on_dialog_) on_dialog_(dialog);
      return 1;
    };
    window_ = std::make_unique<TSearchListMenu>([this]() -> lists::FilesList& { return *list_; }, s);
  }
  void TearDown() override {
    window_.reset();
    db_.CloseNotesDatabase();
  }

  std::string Pic(const std::string& name) const { return dir_.File("pics/" + name); }
  std::vector<std::string> Files() const {
    std::vector<std::string> files;
    for (const auto& line : window_->ReportLines()) {
      if (!search::FileOfLine(line).empty()) files.push_back(search::FileOfLine(line));
    }
    return files;
  }
  int RowOf(const std::string& line) const {
    const auto lines = window_->ReportLines();
    return static_cast<int>(std::find(lines.begin(), lines.end(), line) - lines.begin());
  }
  bool CloseWindow() {
    QCloseEvent event;
    QApplication::sendEvent(window_.get(), &event);
    return event.isAccepted();
  }
  bool PairsFileLeft() const {
    for (const auto& entry : std::filesystem::directory_iterator(dir_.File("tmp"))) {
      if (entry.path().filename().string().rfind("~LS", 0) == 0) return true;
    }
    return false;
  }

  test_support::TempDir dir_;
  fakes::FakeServices fakes_;
  notes::NotesDatabase db_;
  std::unique_ptr<lists::FilesList> list_;
  std::unique_ptr<TSearchListMenu> window_;
  std::vector<int> toggled_;
  std::vector<std::string> dialogs_;
  std::function<void(QDialog&)> on_dialog_;
};

TEST_F(SearchWindowTest, LookAlikeSearchReportsTagsAndAsksBeforeAppending) {
  window_->TagWhileSearching()->setChecked(true);
  window_->ImageSearchClick();
  EXPECT_EQ(Files(), (std::vector<std::string>{Pic("a.jpg"), Pic("b.jpg")}));
  const auto lines = window_->ReportLines();
  EXPECT_EQ(lines[0].rfind("**** Search Start:\"", 0), 0u);
  EXPECT_EQ(lines[1], search::kImageStartLine);
  EXPECT_EQ(lines.back().rfind("**** END OF SEARCH RESULTS \"", 0), 0u);
  EXPECT_EQ(list_->TaggedCount(), 2);
  EXPECT_EQ(toggled_.size(), 2u);
  EXPECT_FALSE(PairsFileLeft());

  // A second search asks first; No appends.
  fakes_.ui.QueueAnswer(Answer::kNo);
  window_->ImageSearchClick();
  EXPECT_EQ(fakes_.ui.last().text, kClearQuestion);
  EXPECT_EQ(Files().size(), 4u);
  fakes_.ui.QueueAnswer(Answer::kYes);
  window_->SearchClick();  // "By Dup Whole Filename": nothing
  EXPECT_TRUE(Files().empty());
  EXPECT_NE(RowOf("*** START OF SEARCH RESULTS FOR By Dup Whole Filename ***"),
            static_cast<int>(window_->ReportLines().size()));
}

TEST_F(SearchWindowTest, AbortLeavesNoPairsFileAndTheWindowWaitsForIt) {
  int steps = 0;
  bool close_refused = false;
  window_->SetProgressHook([&](const std::string&) {
    fakes_.clock.Advance(200);
    fakes_.clock.SetTick(fakes_.clock.TickCount() + 200);
    if (++steps == 2) {
      close_refused = !CloseWindow();
      window_->AbortClick();
    }
  });
  window_->ImageSearchClick();
  EXPECT_TRUE(close_refused);
  const std::vector<std::string> messages = fakes_.ui.MessageTexts();
  EXPECT_NE(std::find(messages.begin(), messages.end(), kAbortFirst), messages.end());
  EXPECT_FALSE(window_->searching());
  EXPECT_TRUE(window_->ReportLines().empty());
  EXPECT_FALSE(PairsFileLeft());
  // With an empty report the window closes at once.
  EXPECT_TRUE(CloseWindow());
}

TEST_F(SearchWindowTest, ExclusionListFromTheSettingsFile) {
  SearchWindowServices s;
  s.platform = fakes_.services();
  s.notes = &db_;
  s.settings_path = dir_.WriteText("VELDR.INI", "[Recent List]\nExcludeList_0=" + dir_.File("pics") +
                                                     "\nExcludeListCheck_0=1\n");
  TSearchListMenu window([this]() -> lists::FilesList& { return *list_; }, s);
  ASSERT_TRUE(window.UseExclusion()->isEnabled());
  window.ImageSearchClick();
  std::vector<std::string> lines = window.ReportLines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.rfind("File:", 0) == 0; }),
            2);
  window.UseExclusion()->setChecked(true);
  fakes_.ui.QueueAnswer(Answer::kYes);
  window.ImageSearchClick();
  lines = window.ReportLines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "There are 0 Matching GROUPS in the list."),
            lines.end());
  // Without a settings file the box cannot be checked.
  EXPECT_FALSE(window_->UseExclusion()->isEnabled());
}

TEST_F(SearchWindowTest, TempFolderThatIsAFileGivesTheDiskFullText) {
  fakes_.folders.SetTempFolder(dir_.Write("plain", {1}));
  window_->ImageSearchClick();
  ASSERT_FALSE(fakes_.ui.calls().empty());
  EXPECT_EQ(fakes_.ui.last().text, search::kTempFileError);
  EXPECT_TRUE(window_->ReportLines().empty());
}

TEST_F(SearchWindowTest, CompareTwoFilesGivesEachAnswer) {
  std::filesystem::copy_file(Pic("a.jpg"), Pic("copy.jpg"));
  std::ofstream(Pic("same_size.jpg"), std::ios::binary)
      << std::string(std::filesystem::file_size(Pic("a.jpg")), 'x');
  std::filesystem::create_hard_link(Pic("a.jpg"), Pic("link.jpg"));
  window_->SetReportLines({"; a comment", "File:" + Pic("a.jpg"), "File:" + Pic("copy.jpg"),
                           "File:" + Pic("c.jpg"), "File:" + Pic("same_size.jpg"),
                           "File:" + Pic("a.jpg"), "File:" + Pic("link.jpg"),
                           "File:" + Pic("gone.jpg")});
  const auto compare = [&](std::vector<int> rows) {
    window_->SelectReportRows(rows);
    window_->CompareClick();
    return fakes_.ui.last().text;
  };
  window_->SelectReportRows({2});
  const std::string shown = window_->PreviewLabel()->text().toStdString();
  EXPECT_EQ(shown.rfind("Previewing: " + Pic("copy.jpg") + "   ", 0), 0u) << shown;
  EXPECT_NE(shown.find(std::to_string(std::filesystem::file_size(Pic("a.jpg"))) + " bytes"),
            std::string::npos);
  EXPECT_EQ(compare({1, 2}), kSameFiles);
  EXPECT_EQ(compare({1, 3}), kDifferentSizes);
  EXPECT_EQ(compare({1, 4}), kDifferentData);
  EXPECT_EQ(compare({1, 5}), kOneFileTwice);  // one path on two lines
  EXPECT_EQ(compare({1, 6}), kOneFileTwice);  // the same file under another name
  EXPECT_EQ(compare({1, 7}), kCantBeFound);
  EXPECT_EQ(compare({0, 1}), kNeedTwoFiles);
  EXPECT_EQ(compare({1, 2, 3}), kNeedTwoFiles);
}

TEST_F(SearchWindowTest, CutSaveLoadAndFind) {
  window_->SetReportLines({"one", "File:/x/two", "three"});
  window_->SelectReportRows({0, 2});
  fakes_.ui.QueueAnswer(Answer::kNo);
  window_->CutLinesClick();
  EXPECT_EQ(window_->ReportLines().size(), 3u);
  fakes_.ui.QueueAnswer(Answer::kYes);
  window_->CutLinesClick();
  EXPECT_EQ(fakes_.ui.last().text, kCutQuestion);
  EXPECT_EQ(window_->ReportLines(), std::vector<std::string>{"File:/x/two"});

  window_->SetReportLines({"alpha", "File:/p/Beta.jpg", "gamma beta"});
  fakes_.ui.QueueText(dir_.File("saved.txt"));
  window_->SaveClick();
  std::ifstream saved(dir_.File("saved.txt"), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "alpha\r\nFile:/p/Beta.jpg\r\ngamma beta\r\n");
  window_->SetReportLines({});
  dir_.WriteText("unix.txt", "alpha\nFile:/p/Beta.jpg\ngamma beta\n");
  fakes_.ui.QueueFiles({dir_.File("unix.txt")});
  window_->LoadClick();
  EXPECT_EQ(window_->ReportLines(),
            (std::vector<std::string>{"alpha", "File:/p/Beta.jpg", "gamma beta"}));
  fakes_.ui.QueueText("BETA");
  window_->FindClick();
  EXPECT_EQ(window_->ListBox1()->currentRow(), 1);
  fakes_.ui.QueueText("BETA");
  window_->FindClick();
  EXPECT_EQ(window_->ListBox1()->currentRow(), 2);

  // Closing with a report asks; "Cancel Exit" keeps the window.
  fakes_.ui.QueueChoice(2);
  EXPECT_FALSE(CloseWindow());
  fakes_.ui.QueueChoice(1);
  EXPECT_TRUE(CloseWindow());
}

TEST_F(SearchWindowTest, LearnHidesThePairNextTime) {
  window_->ImageSearchClick();
  ASSERT_EQ(Files().size(), 2u);
  const int a = RowOf("File:" + Pic("a.jpg"));
  const int b = RowOf("File:" + Pic("b.jpg"));

  // Lines that are not files, and fewer than two files: the two errors.
  window_->SelectReportRows({0, a});
  window_->LearnClick();
  EXPECT_EQ(fakes_.ui.last().text, kLearnNotFiles);
  EXPECT_TRUE(dialogs_.empty());
  window_->SelectReportRows({a});
  window_->LearnClick();
  EXPECT_EQ(fakes_.ui.MessageTexts().back(), kLearnEmpty);
  EXPECT_EQ(dialogs_, std::vector<std::string>{kRememberCaption});  // it still opens

  on_dialog_ = [](QDialog& dialog) {
    auto& remember = static_cast<TRememberMenu&>(dialog);
    EXPECT_EQ(remember.ListBox2()->count(), 2);
    remember.AddClick();
  };
  window_->SelectReportRows({a, b});
  window_->LearnClick();
  std::ifstream memorized(dir_.File("home/MEMORIZED.TXT"), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(memorized)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "*** DO NOT MATCH THESE ***\r\n" + Pic("a.jpg") + "\r\n" + Pic("b.jpg") + "\r\n");

  window_->Check(TSearchListMenu::kLearned)->setChecked(true);
  fakes_.ui.QueueAnswer(Answer::kYes);
  window_->ImageSearchClick();
  EXPECT_TRUE(Files().empty());
  EXPECT_NE(RowOf("There are 0 Matching GROUPS in the list."),
            static_cast<int>(window_->ReportLines().size()));
}

}  // namespace
}  // namespace vr::search_ui
