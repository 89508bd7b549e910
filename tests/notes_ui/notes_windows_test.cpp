// The record editor, the "DB Field" column and its quick edit, the check buttons over tagged
// files and deleting the database: real windows offscreen, the scripted Ui, a real files list
// and a real Notes database in a temporary folder.
#include "notes/ui/notes_windows.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStackedWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <filesystem>

#include "fakes/fake_files.h"
#include "fakes/fake_folders.h"
#include "fakes/fake_please_wait.h"
#include "fakes/fake_shell.h"
#include "fakes/fake_sounds.h"
#include "fakes/fake_ui.h"
#include "lists/files_list.h"
#include "lists/window/ui/file_list_menu.h"
#include "notes/notes_database.h"
#include "notes/notes_fields.h"
#include "notes/notes_relink.h"
#include "notes/ui/compact_menu.h"
#include "notes/ui/db_edit_menu.h"
#include "notes/ui/db_search_menu.h"
#include "notes/ui/notes_text_controller.h"
#include "lists/search/fingerprint.h"
#include "test_support/temp_dir.h"
#include "tests/list_window_ui/qt_app.h"

namespace vr::notes {
namespace {

[[maybe_unused]] auto* const kQtEnv =
    ::testing::AddGlobalTestEnvironment(new list_window::QtAppEnvironment);

using platform::Answer;

class NotesWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = dir_.File("LSNOTES");
    ASSERT_EQ(db_.OpenNotesDatabase(base_), 0u);
    lists::ListServices services;
    services.files = &files_;
    services.scan = [](const std::string&) {
      lists::ScannedFacts f;
      f.exists = true;
      return f;
    };
    list_ = std::make_unique<lists::FilesList>(services);
    NotesWindowsHost host;
    host.services.ui = &ui_;
    host.services.please_wait = &wait_;
    host.services.pump = &pump_;
    host.services.files = &files_;
    host.services.folders = &folders_;
    host.services.shell = &shell_;
    host.files_list = list_.get();
    host.database = [this] { return &db_; };
    host.base_path = [this] { return base_; };
    host.reopen = [this] {
      ++reopens_;
      if (db_.IsOpen()) db_.CloseNotesDatabase();
      const bool ok = db_.OpenNotesDatabase(base_) == 0;
      windows_->Attach(ok ? &db_ : nullptr);
      return ok;
    };
    host.fields_changed = [this] { ++redraws_; };
    host.exec = [this](QDialog& dialog) {
      if (auto* search = dynamic_cast<TDBSearchMenu*>(&dialog)) {
        search_script_(*search);
      } else if (auto* compact = dynamic_cast<TCompactMenu*>(&dialog)) {
        compact_script_(*compact);
      } else {
        script_(dynamic_cast<TDBEditMenu&>(dialog));
      }
      return dialog.result();
    };
    windows_ = std::make_unique<NotesWindows>(std::move(host));
    windows_->Attach(&db_);
  }
  void TearDown() override {
    if (db_.IsOpen()) {
      EXPECT_TRUE(db_.CheckIntegrity().empty());
      db_.CloseNotesDatabase();
    }
  }
  void Load(const std::vector<std::string>& paths) {
    list_->BeginBulkUpdate(static_cast<long>(paths.size()));
    for (const std::string& p : paths) list_->AddFileToList(1 << 30, p, -1, true);
    list_->EndBulkUpdate();
  }
  void Note(const std::string& path, const std::string& category, const std::string& notes,
            int32_t value1 = 0) {
    NotesRecord r;
    r.category = category;
    r.notes = notes;
    r.number1 = value1;
    r.file_modified_date = 777;
    ASSERT_EQ(db_.WriteNote(path, r).status, 0u);
  }
  NotesRecord Read(const std::string& path) {
    NotesRecord r;
    db_.ReadNote(path, &r);
    return r;
  }
  std::string Field(int row) { return list_->EntryAt(row)->db_field; }

  test_support::TempDir dir_;
  std::string base_;
  NotesDatabase db_;
  fakes::FakeFiles files_;
  fakes::FakeFolders folders_;
  fakes::FakeShell shell_;
  fakes::FakeUi ui_;
  fakes::FakePleaseWait wait_;
  std::unique_ptr<lists::FilesList> list_;
  std::unique_ptr<NotesWindows> windows_;
  std::function<void(TDBEditMenu&)> script_;
  std::function<void(TDBSearchMenu&)> search_script_;
  std::function<void(TCompactMenu&)> compact_script_;
  fakes::FakeMessagePump pump_;
  int redraws_ = 0;
  int reopens_ = 0;
};

TEST_F(NotesWindowsTest, EditorShowsTheNoteAndItsButtonsStoreWhatTheySay) {
  Note("/p/a.jpg", "cats", "tabby", -5);
  Load({"/p/a.jpg", "/p/b.jpg"});
  EXPECT_EQ(Field(0), "tabby");  // the column starts with the notes field
  // Accept Record: every field cut to its limit; the untouched negative value stays.
  script_ = [](TDBEditMenu& m) {
    EXPECT_EQ(m.windowTitle(), "DataBase Editor");
    EXPECT_EQ(m.Field(kFieldCategory)->text(), "cats");
    EXPECT_EQ(m.Field(kFieldValue1)->text(), "-5");
    EXPECT_TRUE(m.FieldChoice(kFieldNotes)->isChecked());
    m.Field(kFieldType1)->setText("abcdefghijKLM");
    m.Field(kFieldNotes)->setText("striped");
    m.AcceptRecordButton()->click();
  };
  windows_->OpenEditor("/p/a.jpg");
  NotesRecord r = Read("/p/a.jpg");
  EXPECT_EQ(r.sub_category1, "abcdefghij");
  EXPECT_EQ(r.notes, "striped");
  EXPECT_EQ(r.number1, -5);
  EXPECT_EQ(Field(0), "striped");
  // A value the user typed replaces it; one too large is refused and the window stays open.
  script_ = [this](TDBEditMenu& m) {
    m.Field(kFieldValue2)->clear();
    QTest::keyClicks(m.Field(kFieldValue2), "12x4");  // the letter is not taken
    EXPECT_EQ(m.Field(kFieldValue2)->text(), "124");
    m.Field(kFieldValue1)->setText("2147483648");
    m.AcceptRecordButton()->click();
    EXPECT_EQ(m.result(), TDBEditMenu::kCancel);
    ASSERT_FALSE(ui_.calls().empty());
    EXPECT_NE(ui_.last().text.find("2147483647"), std::string::npos);
    m.Field(kFieldValue1)->setText("2147483647");
    m.AcceptRecordButton()->click();
  };
  windows_->OpenEditor("/p/a.jpg");
  r = Read("/p/a.jpg");
  EXPECT_EQ(r.number1, 2147483647);
  EXPECT_EQ(r.number2, 124);
  // Delete Record: a live record with empty user fields that keeps its stamp.
  script_ = [](TDBEditMenu& m) { m.DeleteRecordButton()->click(); };
  windows_->OpenEditor("/p/a.jpg");
  r = Read("/p/a.jpg");
  EXPECT_EQ(r.live_flag, kLive);
  EXPECT_EQ(r.category, "");
  EXPECT_EQ(r.number1, 0);
  EXPECT_EQ(r.file_modified_date, 777);
  EXPECT_EQ(Field(0), "");
  // Cancel stores nothing, even what was typed.
  script_ = [](TDBEditMenu& m) {
    m.Field(kFieldCategory)->setText("dogs");
    m.CancelButton()->click();
  };
  windows_->OpenEditor("/p/b.jpg");
  EXPECT_EQ(db_.ReadNote("/p/b.jpg", &r).status, 1u);
}

TEST_F(NotesWindowsTest, AcceptFieldReloadsTheColumnAndTheCheckButtonFillsTaggedNotes) {
  std::vector<std::string> paths;
  for (int i = 0; i < 205; ++i) paths.push_back("/t/" + std::to_string(1000 + i) + ".jpg");
  for (int i = 0; i < 205; i += 2) Note(paths[static_cast<size_t>(i)], "c" + std::to_string(i), "n");
  Load(paths);
  script_ = [](TDBEditMenu& m) {
    m.FieldChoice(kFieldCategory)->setChecked(true);
    m.AcceptFieldButton()->click();
  };
  windows_->OpenEditor(paths[0]);
  EXPECT_EQ(windows_->db_field(), kFieldCategory);
  EXPECT_EQ(Field(0), "c0");
  EXPECT_EQ(Field(1), "");
  EXPECT_EQ(Field(204), "c204");
  EXPECT_EQ(wait_.texts(),
            (std::vector<std::string>{"Loading DB NOTES from DataBase",
                                      "Loading DB NOTES from DataBase:100",
                                      "Loading DB NOTES from DataBase:200"}));
  EXPECT_FALSE(wait_.IsVisible());
  // Entries loaded later show the new field too.
  NotesRecord extra;
  extra.category = "late";
  ASSERT_EQ(db_.WriteNote("/t/late.jpg", extra).status, 0u);
  Load({"/t/late.jpg"});
  EXPECT_EQ(list_->EntryAt(list_->FindInFilesList("/t/late.jpg"))->db_field, "late");

  // The check button beside Category over three tagged entries (one without a note).
  list_->SetTag(1, true);
  list_->SetTag(2, true);
  list_->SetTag(5, true);
  ui_.QueueAnswer(Answer::kYes);
  script_ = [](TDBEditMenu& m) {
    m.Field(kFieldCategory)->setText("pets");
    m.CheckButton(kFieldCategory)->click();
    m.CancelButton()->click();
  };
  windows_->OpenEditor(paths[0]);
  const std::vector<std::string> texts = ui_.MessageTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0],
            "Do you wish to make all TAGGED files have \"pets\" as it's CATEGORY Field.");
  EXPECT_EQ(texts[1], "You processed 3 TAGged files!");
  for (int row : {1, 2, 5}) {
    EXPECT_EQ(Read(list_->FilePathAt(row)).category, "pets");
    EXPECT_EQ(Field(row), "pets");
  }
  EXPECT_EQ(Read(list_->FilePathAt(2)).notes, "n");  // the other fields stay
  EXPECT_EQ(Read(list_->FilePathAt(0)).category, "c0");
  EXPECT_EQ(wait_.Text(), "Processing File:" + list_->FilePathAt(5));
  // No on the question changes nothing.
  ui_.QueueAnswer(Answer::kNo);
  script_ = [](TDBEditMenu& m) {
    m.Field(kFieldNotes)->setText("zzz");
    m.CheckButton(kFieldNotes)->click();
    m.CancelButton()->click();
  };
  windows_->OpenEditor(paths[0]);
  EXPECT_EQ(Read(list_->FilePathAt(2)).notes, "n");
}

TEST_F(NotesWindowsTest, QuickEditStoresEveryChangeAndAFailureClearsTheField) {
  Note("/q/a.jpg", "cats", "first");
  Load({"/q/a.jpg"});
  fakes::FakeFolders folders;
  fakes::FakeSounds sounds;
  folders.SetTempFolder(dir_.Path());
  list_window::ListWindowServices services;
  services.platform.ui = &ui_;
  services.platform.files = &files_;
  services.platform.folders = &folders;
  services.platform.please_wait = &wait_;
  services.platform.sounds = &sounds;
  services.write_db_field = [this](const std::string& path, const std::string& text) {
    return windows_->WriteDbField(path, text);
  };
  list_window::TFileListMenu window(*list_, services);
  window.SetOwnIdleTimer(false);
  window.show();
  ASSERT_EQ(Field(0), "first");  // scanned, as the table does when it draws the row
  window.DbFieldClicked(0);
  QLineEdit* edit = window.Edit1();
  ASSERT_EQ(edit->text(), "first");
  edit->selectAll();
  QTest::keyClicks(edit, "ab");
  // Stored at each key, without the edit being finished.
  EXPECT_EQ(Read("/q/a.jpg").notes, "ab");
  EXPECT_EQ(Field(0), "ab");
  // The column on a number field: letters are refused, the field cleared and nothing stored.
  windows_->ChooseDbField(kFieldValue1);
  window.DbFieldClicked(0);
  ASSERT_EQ(edit->text(), "0");
  QTest::keyClicks(edit, "7");
  EXPECT_EQ(Read("/q/a.jpg").number1, 7);
  EXPECT_EQ(Field(0), "7");
  ui_.Clear();
  QTest::keyClicks(edit, "x");
  EXPECT_EQ(edit->text(), "");
  EXPECT_EQ(ui_.MessageTexts().size(), 1u);
  EXPECT_EQ(Read("/q/a.jpg").number1, 7);
  // With the database closed, a change says so once and is not kept.
  db_.CloseNotesDatabase();
  ui_.Clear();
  QTest::keyClicks(edit, "5");
  EXPECT_EQ(ui_.MessageTexts(), std::vector<std::string>{kNoDatabaseText});
  EXPECT_EQ(edit->text(), "");
}

TEST_F(NotesWindowsTest, DeletingTheDatabaseAsksTwiceThenEmptiesListAndNotes) {
  Note("/d/a.jpg", "cats", "x");
  Load({"/d/a.jpg"});
  ui_.QueueAnswer(Answer::kOk);
  ui_.QueueAnswer(Answer::kCancel);
  windows_->DeleteDatabase();
  EXPECT_EQ(db_.NoteCount(), 1);
  EXPECT_EQ(list_->Count(), 1);
  ui_.Clear();
  ui_.QueueAnswer(Answer::kOk);
  ui_.QueueAnswer(Answer::kOk);
  windows_->DeleteDatabase();
  EXPECT_EQ(ui_.MessageTexts(),
            (std::vector<std::string>{kDeleteFirstQuestion, kDeleteSecondQuestion}));
  EXPECT_EQ(list_->Count(), 0);
  ASSERT_TRUE(db_.IsOpen());
  EXPECT_EQ(db_.NoteCount(), 0);
  EXPECT_EQ(reopens_, 1);
  // The replaced set is kept once beside it.
  NotesDatabase prev;
  ASSERT_EQ(prev.OpenNotesDatabase(base_ + "_PREV"), 0u);
  EXPECT_EQ(prev.NoteCount(), 1);
  prev.CloseNotesDatabase();
  // The new database works and the list sees it.
  Load({"/d/a.jpg"});
  EXPECT_TRUE(windows_->WriteDbField("/d/a.jpg", "fresh"));
  EXPECT_EQ(Read("/d/a.jpg").notes, "fresh");
}

// The search window over a real database: matching, key order, the status texts, the type switched
// back after a deleted-only search, and the found list's commands.
TEST_F(NotesWindowsTest, SearchListsMatchesInKeyOrderAndItsCommandsActOnCheckedOnes) {
  // Real files, as the files list takes only files that exist.
  const std::string S = dir_.File("s") + "/";
  std::filesystem::create_directories(S);
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) {
    dir_.WriteText("s/" + std::string(name), "x");
  }
  for (int i = 0; i < 150; ++i) Note(S + "filler" + std::to_string(100 + i) + ".jpg", "x", "");
  Note(S + "b.jpg", "Sunset", "one");
  Note(S + "a.jpg", "sunrise", "two");
  Note(S + "c.jpg", "moon", "sun");
  Note(S + "d.jpg", "sundial", "gone");
  ASSERT_EQ(db_.DeleteNote(S + "d.jpg").status, 0u);
  fakes::FakeMessagePump& pump = pump_;
  Load({"/other.jpg"});
  search_script_ = [&](TDBSearchMenu& m) {
    EXPECT_EQ(m.windowTitle(), "Notes DataBase Search");
    EXPECT_EQ(m.StatusText(0), "Total Records:154");
    EXPECT_EQ(m.StatusText(1), "Tagged Files:0");
    EXPECT_EQ(m.StatusText(2), "Tagged Size:0");
    m.SearchField(kSearchCategory)->setText("SUN");
    m.SearchClick();
    EXPECT_EQ(m.FoundKeys(), (std::vector<std::string>{S + "a.jpg", S + "b.jpg"}));
    EXPECT_EQ(m.StatusText(0), "Found:2");
    EXPECT_EQ(m.StatusText(1), "Tagged:0");
    EXPECT_EQ(m.StatusText(2), "Done Searching!");
    EXPECT_EQ(m.FileLabel()->text().toStdString(), S + "a.jpg");  // the first found one is shown
    EXPECT_EQ(m.PanelField(kFieldNotes)->text(), "two");
    // Any field, from the notes search field.
    m.SearchField(kSearchCategory)->clear();
    m.SearchField(kSearchNotes)->setText("@sun");
    m.SearchClick();
    EXPECT_EQ(m.FoundKeys(), (std::vector<std::string>{S + "a.jpg", S + "b.jpg", S + "c.jpg"}));
    // Deleted only, whatever the fields; the type goes back to live records only.
    m.SearchType(0)->setChecked(true);
    m.SearchClick();
    EXPECT_EQ(m.FoundKeys(), (std::vector<std::string>{S + "d.jpg"}));
    EXPECT_TRUE(m.SearchType(1)->isChecked());
    EXPECT_TRUE(m.DeletedStatus()->isChecked());

    // Commands need a checked entry first.
    ui_.Clear();
    m.AddClick();
    m.DeleteClick();
    m.UnDeleteClick();
    EXPECT_EQ(ui_.MessageTexts(), std::vector<std::string>(3, kNotTaggedText));
    // UN-Delete brings the deleted one back with its fields.
    m.TagAll(1);
    EXPECT_EQ(m.StatusText(1), "Tagged:1");
    ui_.QueueAnswer(Answer::kYes);
    m.UnDeleteClick();
    EXPECT_EQ(Read(S + "d.jpg").live_flag, kLive);
    EXPECT_EQ(Read(S + "d.jpg").notes, "gone");
    EXPECT_EQ(m.StatusText(2), "Done UN-Deleting!");

    m.SearchField(kSearchNotes)->setText("@sun");
    m.SearchClick();
    ASSERT_EQ(m.FoundKeys().size(), 4u);
    // Reverse, then Delete with Yes to all on the first question.
    m.FoundList()->item(1)->setCheckState(Qt::Checked);
    m.TagAll(-1);
    EXPECT_EQ(m.CheckedKeys(), (std::vector<std::string>{S + "a.jpg", S + "c.jpg", S + "d.jpg"}));
    ui_.Clear();
    ui_.QueueAnswer(Answer::kYesToAll);
    m.DeleteClick();
    EXPECT_EQ(ui_.MessageTexts(),
              std::vector<std::string>{
                  "Do you want to DELETE this file from the Notes DataBase?\r\r" + S + "a.jpg"});
    EXPECT_EQ(Read(S + "a.jpg").live_flag, kDeleted);
    EXPECT_EQ(Read(S + "c.jpg").live_flag, kDeleted);
    EXPECT_EQ(Read(S + "b.jpg").live_flag, kLive);
    EXPECT_EQ(m.StatusText(2), "Done Deleting!");

    // Add: Cancel adds nothing, No adds to the list, Yes clears it first.
    m.TagAll(0);
    m.FoundList()->item(1)->setCheckState(Qt::Checked);
    m.FoundList()->item(2)->setCheckState(Qt::Checked);
    ui_.Clear();
    ui_.QueueAnswer(Answer::kCancel);
    m.AddClick();
    EXPECT_EQ(list_->Count(), 1);
    EXPECT_EQ(ui_.MessageTexts().at(0).substr(0, 56),
              "You are about to ADD 2 File(s) to the Files List.\r\rDo yo");
    ui_.QueueAnswer(Answer::kNo);
    m.AddClick();
    EXPECT_EQ(list_->Count(), 3);
    EXPECT_EQ(list_->FilePathAt(list_->Current()), S + "c.jpg");
    ui_.QueueAnswer(Answer::kYes);
    m.AddClick();
    EXPECT_EQ(list_->Count(), 2);
    EXPECT_LT(list_->FindInFilesList("/other.jpg"), 0);
  };
  windows_->OpenSearch();
  EXPECT_GE(pump.count(), 1);  // "Searching:" let the message loop run
}

// The record panel: walking, "Record #:", "&Update" with and without "Deleted Status", and the
// empty database.
TEST_F(NotesWindowsTest, RecordPanelWalksUpdatesAndShowsAnEmptyDatabase) {
  search_script_ = [](TDBSearchMenu& m) {
    EXPECT_EQ(m.PanelStack()->currentIndex(), 1);  // "There are NO Records In The DataBase"
  };
  windows_->OpenSearch();
  Note("/r/1.jpg", "one", "n1", -3);
  Note("/r/2.jpg", "two", "n2");
  Note("/r/3.jpg", "three", "n3");
  search_script_ = [this](TDBSearchMenu& m) {
    EXPECT_EQ(m.PanelStack()->currentIndex(), 0);
    EXPECT_EQ(m.FileLabel()->text(), "/r/1.jpg");
    EXPECT_EQ(m.PositionLabel()->text(), "1 of 3");
    for (const char* text : {"0", ""}) {
      m.RecordNumber()->setText(text);
      m.ShowPosition(3);
      m.GoToClick();
      EXPECT_EQ(m.FileLabel()->text(), "/r/1.jpg") << text;
    }
    m.RecordNumber()->setText("99");
    m.GoToClick();
    EXPECT_EQ(m.FileLabel()->text(), "/r/3.jpg");
    m.RecordNumber()->setText("2");
    m.GoToClick();
    EXPECT_EQ(m.PositionLabel()->text(), "2 of 3");
    // Deleted Status: only the mark; the edited field is not stored.
    m.PanelField(kFieldCategory)->setText("changed");
    m.DeletedStatus()->setChecked(true);
    m.UpdateClick();
    EXPECT_EQ(Read("/r/2.jpg").live_flag, kDeleted);
    EXPECT_EQ(Read("/r/2.jpg").category, "two");
    EXPECT_EQ(m.PanelField(kFieldCategory)->text(), "two");
    // Without it the fields are stored (and the record is live again); the untouched negative
    // value of record 1 stays.
    m.PanelField(kFieldCategory)->setText("deux");
    m.DeletedStatus()->setChecked(false);
    m.UpdateClick();
    EXPECT_EQ(Read("/r/2.jpg").live_flag, kLive);
    EXPECT_EQ(Read("/r/2.jpg").category, "deux");
    m.ShowPosition(1);
    m.PanelField(kFieldNotes)->setText("first");
    m.UpdateClick();
    EXPECT_EQ(Read("/r/1.jpg").number1, -3);
    EXPECT_EQ(Read("/r/1.jpg").notes, "first");
  };
  windows_->OpenSearch();
}

// The compaction window over a real database and real files: its first texts, a moved file
// linked after the question, the counters by the "<" rule, and the database open again after.
TEST_F(NotesWindowsTest, CompactionWindowRelinksAMovedFileAndReopensTheDatabase) {
  const std::string root = dir_.File("disk") + "/";
  platform::Drive drive;
  drive.root = root;
  drive.type = platform::DriveType::kFixed;
  files_.SetDrives({drive});
  folders_.SetTempFolder(dir_.File("tmp"));
  std::filesystem::create_directories(dir_.File("tmp"));
  std::filesystem::create_directories(root + "new");
  dir_.WriteText("disk/here.jpg", "x");
  dir_.WriteText("disk/new/moved.jpg", "x");
  Note(root + "here.jpg", "here", "");
  Note(root + "old/moved.jpg", "moved", "");
  Note(root + "old/lost.jpg", "lost", "");
  Load({root + "new/moved.jpg"});
  ui_.QueueAnswer(Answer::kYes);  // the link question
  compact_script_ = [&](TCompactMenu& m) {
    EXPECT_EQ(m.windowTitle(), "Compact/Fix/Re-Link Notes DataBase");
    EXPECT_EQ(m.Status(), "Ready to Start");
    EXPECT_EQ(m.LastError(), "NONE");
    EXPECT_EQ(m.Counter("Removed"), "N/A");
    EXPECT_EQ(m.Counter("Total"), "4");  // the sentinel and three notes
    m.StartButton()->click();
    EXPECT_FALSE(m.running());
    EXPECT_FALSE(m.StartButton()->isEnabled());
    EXPECT_TRUE(m.DoneButton()->isEnabled());
    EXPECT_EQ(m.Counter("ReLinked"), "1");
    EXPECT_EQ(m.Counter("Kept"), "2");
    EXPECT_EQ(m.Counter("Removed"), "2");  // the sentinel and the lost note
    EXPECT_EQ(m.LastError(), "NONE");
    m.DoneButton()->click();
  };
  windows_->OpenCompaction();
  const std::vector<std::string> texts = ui_.MessageTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], kRelinkIntroText);
  EXPECT_EQ(texts[1], "Do you wish to LINK the file named " + root + "new/moved.jpg" +
                          " to the DataBase record for " + root + "old/moved.jpg?");
  EXPECT_EQ(wait_.captions().front(), "Skip Drive");
  EXPECT_EQ(reopens_, 1);
  ASSERT_TRUE(db_.IsOpen());
  EXPECT_EQ(db_.NoteCount(), 2);
  EXPECT_EQ(Read(root + "new/moved.jpg").category, "moved");
  // The list sees the database again: the moved file's column shows its note.
  EXPECT_EQ(Field(0), "");
  EXPECT_TRUE(windows_->WriteDbField(root + "new/moved.jpg", "linked"));
  EXPECT_EQ(Read(root + "new/moved.jpg").notes, "linked");
}

}  // namespace
}  // namespace vr::notes

namespace vr::notes {
namespace {

// Export and import show their progress in the compaction window: its own caption, the counters
// at "0", the number every 250 records (100 lines), no start button, no closing while it runs.
TEST_F(NotesWindowsTest, TextExportAndImportShowProgressInTheCompactionWindow) {
  for (int i = 0; i < 260; ++i) Note("/pics/p" + std::to_string(1000 + i) + ".jpg", "c", "");
  platform::Services services;
  services.ui = &ui_;
  services.pump = &pump_;
  services.folders = &folders_;
  std::vector<bool> menus;
  QWidget parent;
  NotesTextController controller(
      services, [this] { return &db_; }, [&](bool on) { menus.push_back(on); }, &parent);
  struct Seen {
    std::string title, status, number, total, removed, relinked;
    bool start_visible = true;
    bool closed = false;
  };
  std::vector<Seen> seen;
  pump_.on_pump = [&](int) {
    auto* window = parent.findChild<TCompactMenu*>();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->isVisible());
    EXPECT_FALSE(menus.empty() || menus.back());
    Seen s{window->windowTitle().toStdString(), window->Status(), window->Counter("Number"),
           window->Counter("Total"),            window->Counter("Removed"),
           window->Counter("ReLinked"),         window->StartButton()->isVisible()};
    window->close();
    s.closed = !window->isVisible();
    seen.push_back(s);
  };
  const std::string out = dir_.File("export.txt");
  ui_.QueueText(out);
  controller.ExportClick();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].title, "EXPORTING DATABASE...");
  EXPECT_EQ(seen[0].status, "Exporting records...");
  EXPECT_EQ(seen[0].number, "250");
  EXPECT_EQ(seen[0].total, "260");
  EXPECT_EQ(seen[0].removed, "0");
  EXPECT_EQ(seen[0].relinked, "0");
  EXPECT_FALSE(seen[0].start_visible);
  EXPECT_FALSE(seen[0].closed);
  EXPECT_EQ(parent.findChild<TCompactMenu*>(), nullptr);  // gone after the run
  EXPECT_EQ(ui_.MessageTexts().back(),
            "Export of DataBase to comma delimited text file is now complete!");
  EXPECT_EQ(menus, (std::vector<bool>{false, true}));

  // The export's lines (a header and 260 records) come back in.
  ui_.QueueFiles({out});
  controller.ImportClick();
  ASSERT_EQ(seen.size(), 3u);  // lines 100 and 200
  EXPECT_EQ(seen[1].title, "IMPORTING DATABASE...");
  EXPECT_EQ(seen[1].status, "Importing records...");
  EXPECT_EQ(seen[1].total, "All DataBase Lines In Text File");
  EXPECT_EQ(seen[2].number, "200");
  EXPECT_FALSE(seen[2].closed);
  EXPECT_EQ(ui_.MessageTexts().back(),
            "Import of DataBase(using comma delimited text file) is now complete!");
  EXPECT_EQ(db_.NoteCount(), 260);
}

}  // namespace
}  // namespace vr::notes

namespace vr::notes {
namespace {

// An 8 x 6 24-bit BMP whose pixels follow `seed`.
void WriteBmp(const std::string& path, int seed) {
  const int w = 8, h = 6, row = w * 3;
  std::string b = "BM";
  const auto le = [&b](uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
  };
  le(54 + row * h, 4);
  le(0, 4);
  le(54, 4);
  le(40, 4);
  le(w, 4);
  le(h, 4);
  le(1, 2);
  le(24, 2);
  le(0, 4);
  le(row * h, 4);
  le(2835, 4);
  le(2835, 4);
  le(0, 4);
  le(0, 4);
  for (int i = 0; i < row * h; ++i) b.push_back(static_cast<char>((i * seed * 37) & 0xFF));
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(b.data(), 1, b.size(), f);
  std::fclose(f);
}

// The compaction window's "Link sure matches without asking" over real pictures: a moved file
// whose name, stamp and picture size agree is linked unasked; a renamed one (stamp, size and the
// fingerprint of the real decode agree) is asked about, saying why.
TEST_F(NotesWindowsTest, CompactionLinksSureMatchesUnaskedAndOffersARenamedPicture) {
  const std::string root = dir_.File("disk") + "/";
  platform::Drive drive;
  drive.root = root;
  drive.type = platform::DriveType::kFixed;
  files_.SetDrives({drive});
  folders_.SetTempFolder(dir_.File("tmp"));
  std::filesystem::create_directories(dir_.File("tmp"));
  const std::string moved = root + "new/moved.bmp";
  const std::string renamed = root + "new/IMG_7.bmp";
  WriteBmp(moved, 1);
  WriteBmp(renamed, 2);
  const auto note = [&](const std::string& key, const std::string& file, const char* category) {
    NotesRecord r;
    r.category = category;
    r.file_modified_date = static_cast<int32_t>(files_.Stat(file)->dos_stamp);
    const search::MadePrint made = search::MakeFingerPrint(file);
    ASSERT_FALSE(made.failed);
    search::PrintToStored(made.print, &r.finger_print_data);
    r.res_x = made.print.res_x;
    r.res_y = made.print.res_y;
    ASSERT_EQ(r.res_x, 8);
    ASSERT_EQ(db_.WriteNote(key, r).status, 0u);
  };
  note(root + "old/moved.bmp", moved, "moved");
  note(root + "old/holiday.bmp", renamed, "renamed");
  ui_.QueueAnswer(Answer::kYes);  // the renamed file's question
  compact_script_ = [&](TCompactMenu& m) {
    EXPECT_FALSE(m.SureMatchesBox()->isChecked());
    m.SureMatchesBox()->setChecked(true);
    m.StartButton()->click();
    EXPECT_EQ(m.Counter("ReLinked"), "2");
    m.DoneButton()->click();
  };
  windows_->OpenCompaction();
  const std::vector<std::string> texts = ui_.MessageTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], kRelinkIntroText);
  EXPECT_EQ(texts[1], "Do you wish to LINK the file named " + renamed +
                          " to the DataBase record for " + root + "old/holiday.bmp?\r\r" +
                          RenamedReason(8, 6, true));
  EXPECT_EQ(Read(moved).category, "moved");
  EXPECT_EQ(Read(renamed).category, "renamed");
}

}  // namespace
}  // namespace vr::notes
