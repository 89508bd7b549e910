// The files list window on the offscreen platform with scripted services: header sorts, the scan
// question, selection kept across sorts, the virtual table with 100,000 entries, the DB EDIT and
// DB field rules, and the builder button.
#include "lists/window/ui/file_list_menu.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <map>

#include "fakes/fake_files.h"
#include "fakes/fake_folders.h"
#include "fakes/fake_please_wait.h"
#include "fakes/fake_sounds.h"
#include "fakes/fake_ui.h"
#include "lists/window/ui/files_table_model.h"
#include "test_support/temp_dir.h"
#include "tests/list_window_ui/qt_app.h"

namespace vr::list_window {
namespace {

[[maybe_unused]] auto* const kQtEnv = ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);

struct Facts {
  int64_t size;
  int width;
  int height;
};

class FileListMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folders_.SetTempFolder(dir_.Path());
    lists::ListServices services;
    services.files = &files_;
    services.please_wait = &wait_;
    services.scan = [this](const std::string& path) {
      ++scans_;
      lists::ScannedFacts f;
      f.exists = true;
      auto it = facts_.find(path);
      if (it != facts_.end()) {
        f.size = it->second.size;
        f.width = it->second.width;
        f.height = it->second.height;
      }
      f.colours = 16000;
      return f;
    };
    list_ = std::make_unique<lists::FilesList>(services);
    ListWindowServices window_services;
    window_services.platform.ui = &ui_;
    window_services.platform.files = &files_;
    window_services.platform.folders = &folders_;
    window_services.platform.please_wait = &wait_;
    window_services.platform.sounds = &sounds_;
    window_services.open_db_editor = [this](const std::string& path) { edited_.push_back(path); };
    window_ = std::make_unique<TFileListMenu>(*list_, window_services);
    window_->SetOwnIdleTimer(false);
  }

  void Load(const std::map<std::string, Facts>& files) {
    list_->BeginBulkUpdate(static_cast<long>(files.size()));
    for (const auto& [path, facts] : files) {
      facts_[path] = facts;
      list_->AddFileToList(1 << 30, path, -1, true);
    }
    list_->EndBulkUpdate();
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < list_->Count(); ++i) names.push_back(list_->Peek(i)->name);
    return names;
  }

  test_support::TempDir dir_;
  fakes::FakeFiles files_;
  fakes::FakeFolders folders_;
  fakes::FakeUi ui_;
  fakes::FakePleaseWait wait_;
  fakes::FakeSounds sounds_;
  std::map<std::string, Facts> facts_;
  std::unique_ptr<lists::FilesList> list_;
  std::unique_ptr<TFileListMenu> window_;
  std::vector<std::string> edited_;
  int scans_ = 0;
};

TEST_F(FileListMenuTest, SizeClickedTwiceSortsDescendingThenFolderAscending) {
  Load({{"/z/a.jpg", {300, 1, 1}}, {"/y/b.jpg", {100, 1, 1}}, {"/x/c.jpg", {200, 1, 1}}});
  ASSERT_TRUE(list_->ScanAllEntries(false));
  const int size_column = 1;
  EXPECT_EQ(window_->model().headerData(size_column, Qt::Horizontal, Qt::DisplayRole).toString(),
            "Size");
  window_->HeaderClicked(size_column);
  EXPECT_EQ(Names(), (std::vector<std::string>{"b.jpg", "c.jpg", "a.jpg"}));
  window_->HeaderClicked(size_column);
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.jpg", "c.jpg", "b.jpg"}));
  EXPECT_EQ(list_->sort_direction(), -1);
  window_->HeaderClicked(8);  // "Folder"
  EXPECT_EQ(list_->sort_kind(), lists::kSortFolder);
  EXPECT_EQ(list_->sort_direction(), 1);
  EXPECT_EQ(Names(), (std::vector<std::string>{"c.jpg", "b.jpg", "a.jpg"}));
  EXPECT_TRUE(ui_.calls().empty());  // every entry was scanned: no question
}

TEST_F(FileListMenuTest, DimensionDescendingOrdersByHeightFirst) {
  Load({{"/p/a.jpg", {1, 10, 30}},
        {"/p/b.jpg", {1, 20, 10}},
        {"/p/c.jpg", {1, 10, 20}},
        {"/p/d.jpg", {1, 30, 20}}});
  ASSERT_TRUE(list_->ScanAllEntries(false));
  window_->HeaderClicked(4);
  EXPECT_EQ(Names(), (std::vector<std::string>{"c.jpg", "a.jpg", "b.jpg", "d.jpg"}));
  // The second click orders by height first, then width, both from the largest down.
  window_->HeaderClicked(4);
  EXPECT_EQ(list_->sort_direction(), -1);
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.jpg", "d.jpg", "c.jpg", "b.jpg"}));
}

TEST_F(FileListMenuTest, SortsNeedingFactsAskFirstAndCancelKeepsTheOrder) {
  Load({{"/p/a.jpg", {300, 1, 1}}, {"/p/b.jpg", {100, 1, 1}}});
  ui_.QueueAnswer(platform::Answer::kCancel);
  EXPECT_FALSE(window_->SortWithQuestion(lists::kSortSize));
  ASSERT_EQ(ui_.calls().size(), 1u);
  EXPECT_EQ(ui_.calls()[0].text, kScanQuestion);
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
  EXPECT_EQ(scans_, 0);
  ui_.QueueAnswer(platform::Answer::kOk);
  EXPECT_TRUE(window_->SortWithQuestion(lists::kSortSize));
  EXPECT_EQ(Names(), (std::vector<std::string>{"b.jpg", "a.jpg"}));
  // Name, folder and tag sorts never ask.
  window_->HeaderClicked(0);
  EXPECT_EQ(ui_.calls().size(), 2u);
}

TEST_F(FileListMenuTest, HighlightedAndFocusedRowsFollowTheirEntriesAcrossASort) {
  Load({{"/p/a.jpg", {3, 1, 1}}, {"/p/b.jpg", {1, 1, 1}}, {"/p/c.jpg", {2, 1, 1}}});
  ASSERT_TRUE(list_->ScanAllEntries(false));
  window_->SelectRows({0, 2}, 2);  // a.jpg and c.jpg, focus on c.jpg
  window_->HeaderClicked(1);       // b, c, a
  EXPECT_EQ(window_->HighlightedRows(), (std::vector<int>{1, 2}));
  EXPECT_EQ(window_->FocusedRow(), 1);
}

TEST_F(FileListMenuTest, TheVirtualTableAnswersAHundredThousandRowsWithoutItems) {
  list_->BeginBulkUpdate(100000);
  for (int i = 0; i < 100000; ++i) {
    list_->AddFileToList(1 << 30, "/big/f" + std::to_string(100000 + i) + ".jpg", -1, true);
  }
  list_->EndBulkUpdate();
  FilesTableModel& model = window_->model();
  EXPECT_EQ(model.rowCount(), 100000);
  EXPECT_EQ(model.columnCount(), 9);
  EXPECT_EQ(model.index(99999, 0).data().toString(), "f199999.jpg");
  EXPECT_EQ(model.index(99999, 8).data().toString(), "/big/");
  EXPECT_EQ(model.index(50000, 0).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
  EXPECT_TRUE(model.children().isEmpty());
  EXPECT_EQ(scans_, 0);  // painting a row reads no file
  // A tag set through the row's check box reaches the list and the status bar.
  EXPECT_TRUE(model.setData(model.index(7, 0), Qt::Checked, Qt::CheckStateRole));
  EXPECT_TRUE(list_->Peek(7)->tagged);
  EXPECT_EQ(window_->StatusText(1), "Tagged Files: 1");
}

TEST_F(FileListMenuTest, CellTextsFollowTheColumns) {
  lists::FileEntry e;
  e.scanned = true;
  e.name = "x.gif";
  e.folder = "/f/";
  e.size = 1234;
  e.colours = 16000;
  e.width = 640;
  e.height = 480;
  e.type = 6;
  e.movie = true;
  e.db_field = "NOTE";
  EXPECT_EQ(CellText(e, 1), "1234");
  EXPECT_EQ(CellText(e, 3), "16M");
  EXPECT_EQ(CellText(e, 4), "640x480");
  EXPECT_EQ(CellText(e, 5), "GIF");
  EXPECT_EQ(CellText(e, 6), "Yes");
  EXPECT_EQ(CellText(e, 7), "NOTE");
  e.colours = 256;
  EXPECT_EQ(CellText(e, 3), "256");
}

TEST_F(FileListMenuTest, DbEditWantsExactlyOneHighlightedFile) {
  Load({{"/p/a.jpg", {1, 1, 1}}, {"/p/b.jpg", {1, 1, 1}}});
  window_->SelectRows({}, -1);
  window_->DbEditClick();
  ASSERT_EQ(ui_.calls().size(), 1u);
  EXPECT_EQ(ui_.calls()[0].text,
            "You MUST have ONE and ONLY ONE file HI-LITED to open up the DataBase options Window!");
  window_->SelectRows({0, 1}, 0);
  window_->DbEditClick();
  EXPECT_EQ(ui_.calls().size(), 2u);
  window_->SelectRows({1}, 1);
  window_->DbEditClick();
  EXPECT_EQ(edited_, std::vector<std::string>{"/p/b.jpg"});
}

TEST_F(FileListMenuTest, TheDbFieldCellFillsEdit1UnlessTheListIsTall) {
  Load({{"/p/a.jpg", {1, 1, 1}}});
  list_->MutablePeek(0)->db_field = "SUNSET";
  window_->show();
  window_->DbFieldClicked(0);
  EXPECT_EQ(window_->Edit1()->text(), "SUNSET");
  EXPECT_TRUE(window_->Edit1()->styleSheet().contains("blue"));
  window_->SetTallMode(true);
  window_->DbFieldClicked(0);
  ASSERT_EQ(ui_.calls().size(), 1u);
  EXPECT_EQ(ui_.calls()[0].text,
            "You can't edit the NOTE field while the list is displayed in TALL mode. Use the VIEW "
            "menu and uncheck TALL mode.");
}

TEST_F(FileListMenuTest, TheBuilderButtonShowsItsStateAndTheThumbnailViewStartsIt) {
  Load({{"/p/a.jpg", {1, 1, 1}}});
  EXPECT_EQ(window_->TBThumbs()->toolTip().toStdString(), kBuilderHint);
  EXPECT_EQ(window_->jobs().state(), BuilderState::kStopped);  // detailed view after a load
  EXPECT_TRUE(window_->TBThumbs()->styleSheet().contains("red"));
  window_->show();
  window_->SetThumbnailView(true);
  EXPECT_EQ(window_->jobs().state(), BuilderState::kBuilding);
  EXPECT_TRUE(window_->TBThumbs()->styleSheet().contains("yellow"));
  while (window_->MyIdleStep()) {
  }
  EXPECT_EQ(window_->jobs().state(), BuilderState::kDone);
  EXPECT_TRUE(window_->TBThumbs()->styleSheet().contains("lime"));
  EXPECT_EQ(sounds_.played().back(), "ICONDONE.WAV");
}

TEST_F(FileListMenuTest, TagPagesAreAllThereWithConversionAndProtectionDisabled) {
  QTabWidget* pages = window_->TagPages();
  ASSERT_EQ(pages->count(), 9);
  EXPECT_EQ(pages->tabText(0), "Convert To A New Graphics Format");
  EXPECT_FALSE(pages->isTabEnabled(0));
  EXPECT_FALSE(pages->isTabEnabled(1));
  // Each disabled page says why, and offers no control that could pretend to work.
  for (int i : {0, 1}) {
    QWidget* page = pages->widget(i);
    EXPECT_FALSE(page->isEnabled());
    const QList<QLabel*> notes = page->findChildren<QLabel*>();
    ASSERT_EQ(notes.size(), 1);
    EXPECT_TRUE(notes[0]->text().contains("not available in this version yet"));
    EXPECT_TRUE(page->findChildren<QAbstractButton*>().isEmpty());
  }
  EXPECT_EQ(pages->tabText(8), "Rename TAGs");
  EXPECT_TRUE(pages->isTabEnabled(7));
  EXPECT_EQ(window_->windowTitle(), "Files List Window");
}

}  // namespace
}  // namespace vr::list_window
