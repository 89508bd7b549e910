// The "RECYCLE BIN" window over a real bin: the list and its counts, restoring the highlighted
// entries (and handing them to the files list), a failed restore's message, emptying, and the
// reload after another copy of the program changed the bin.
#include "lists/recycle/ui/recycle_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QTreeWidget>
#include <chrono>
#include <filesystem>
#include <thread>

#include "fakes/fake_files.h"
#include "fakes/fake_ui.h"
#include "lists/recycle/recycle_bin.h"
#include "test_support/temp_dir.h"

namespace vr::recycle {
namespace {

namespace fs = std::filesystem;

class RecycleWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "vr_recycle_ui_tests";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) new QApplication(argc, argv);
  }
  RecycleWindowTest() {
    BinServices services;
    services.files = &files_;
    services.ui = &ui_;
    bin_ = std::make_unique<RecycleBin>(services, RecycleBin::FolderIn(dir_.Path()));
    EXPECT_TRUE(bin_->Start());
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
      paths_.push_back(dir_.Write(std::string("pics/") + name, {1, 2}));
      EXPECT_TRUE(bin_->DeleteThroughBin(paths_.back(), nullptr));
    }
  }

  test_support::TempDir dir_;
  fakes::FakeFiles files_;
  fakes::FakeUi ui_;
  std::unique_ptr<RecycleBin> bin_;
  std::vector<std::string> paths_;
};

TEST_F(RecycleWindowTest, ListsNewestFirstAndRestoresTheHighlightedEntries) {
  TRecycleBinMenu window(*bin_, ui_);
  EXPECT_EQ(window.windowTitle(), "Select File(s) To Recover From Veldrimon's RECYCLE BIN");
  ASSERT_EQ(window.ListedCount(), 3);
  EXPECT_EQ(window.ListView1->topLevelItem(0)->text(0).toStdString(), "DELETED: " + paths_[2]);
  EXPECT_EQ(window.LTotal->text(), "Total files: 3");
  EXPECT_EQ(window.ToRestoreText(), "NONE");
  EXPECT_FALSE(window.BRestore->isEnabled());
  EXPECT_FALSE(window.BRestoreAdd->isEnabled());

  std::vector<std::string> added;
  window.SetAddToFilesList([&](const std::vector<std::string>& files) { added = files; });
  window.ListView1->topLevelItem(0)->setSelected(true);
  window.ListView1->topLevelItem(2)->setSelected(true);
  EXPECT_EQ(window.ToRestoreText(), "2");
  EXPECT_TRUE(window.BRestoreAdd->isEnabled());
  window.BRestoreAdd->click();
  // Bottom of the list first.
  EXPECT_EQ(added, (std::vector<std::string>{paths_[0], paths_[2]}));
  EXPECT_TRUE(fs::exists(paths_[0]) && fs::exists(paths_[2]));
  EXPECT_EQ(window.ListedCount(), 1);
  EXPECT_EQ(window.LTotal->text(), "Total files: 1");
  EXPECT_EQ(bin_->CountEntries(), 1);
  EXPECT_TRUE(ui_.calls().empty());
}

TEST_F(RecycleWindowTest, FailedRestoreIsReportedAndTheEntryStays) {
  TRecycleBinMenu window(*bin_, ui_);
  dir_.Write("pics/b.jpg", {9});  // the name is taken again
  window.BHiliteAllClick();
  EXPECT_EQ(window.ToRestoreText(), "3");
  window.BRestoreClick();
  ASSERT_EQ(ui_.MessageTexts().size(), 1u);
  EXPECT_EQ(ui_.last().kind, platform::MessageKind::kError);
  EXPECT_EQ(ui_.last().text, std::string(kRestoreFailedText) + "\r\r" + paths_[1]);
  EXPECT_EQ(window.ListedCount(), 1);
  EXPECT_EQ(bin_->CountEntries(), 1);
}

TEST_F(RecycleWindowTest, EmptyAsksAndClearsOnYesOnly) {
  TRecycleBinMenu window(*bin_, ui_);
  ui_.QueueAnswer(platform::Answer::kNo);
  window.BEmpty->click();
  EXPECT_EQ(ui_.last().text, kEmptyBinQuestion);
  EXPECT_EQ(ui_.last().kind, platform::MessageKind::kWarning);
  EXPECT_EQ(window.ListedCount(), 3);
  ui_.QueueAnswer(platform::Answer::kYes);
  window.BEmpty->click();
  EXPECT_EQ(window.ListedCount(), 0);
  EXPECT_EQ(bin_->CountEntries(), 0);
}

TEST_F(RecycleWindowTest, ReadsTheBinAgainAfterAChangeNotice) {
  TRecycleBinMenu window(*bin_, ui_);
  window.Timer1Timer();  // nothing changed: the list is kept as it is
  window.ListView1->topLevelItem(1)->setSelected(true);
  EXPECT_EQ(window.ToRestoreText(), "1");
  ASSERT_TRUE(bin_->DropOldest());  // as if another copy of the program did it
  // The watcher's notice arrives through the event loop.
  for (int i = 0; i < 50 && window.ListedCount() == 3; ++i) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    window.Timer1Timer();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(window.ListedCount(), 2);
  EXPECT_EQ(window.ToRestoreText(), "NONE");
}

}  // namespace
}  // namespace vr::recycle
