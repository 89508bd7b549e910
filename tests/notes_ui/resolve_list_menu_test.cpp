// The resolve window over real files: a moved folder found by size and stamp and picked from the
// candidates window, the open dialog when nothing matches or "&Browse..." is pressed during the
// search, an unreadable shortcut kept listed, and the closing question.
#include "notes/ui/resolve_list_menu.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <fstream>

#include "fakes/fake_services.h"
#include "notes/shortcut_file.h"
#include "test_support/temp_dir.h"
#include "tests/list_window_ui/qt_app.h"

namespace vr::notes {
namespace {

[[maybe_unused]] auto* const kQtEnv =
    ::testing::AddGlobalTestEnvironment(new list_window::QtAppEnvironment);

namespace fs = std::filesystem;

using list_window::WhenModal;

class ResolveListMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    c_ = dir_.File("c") + "/";
    fs::create_directories(c_);
    std::vector<platform::Drive> drives(1);
    drives[0].root = c_;
    drives[0].type = platform::DriveType::kFixed;
    fake_.files.SetDrives(drives);
  }
  std::string Make(const std::string& path, size_t size) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << std::string(size, 'x');
    EXPECT_TRUE(fake_.files.SetModified(path, 1600000000));
    return path;
  }
  ResolvePair Pair(const std::string& path, uint64_t size, uint32_t stamp) {
    const std::string link = links_.FileFor(next_++);
    EXPECT_TRUE(WriteShortcutFile(link, {path, size, stamp}));
    return {link, path};
  }

  test_support::TempDir dir_;
  fakes::FakeServices fake_;
  ShortcutFolder links_{dir_.Path()};
  size_t next_ = 0;
  std::string c_;
};

TEST_F(ResolveListMenuTest, MovedFolderPickedFromCandidatesThenClosingAsks) {
  const std::string a = Make(c_ + "new/a.jpg", 11);
  Make(c_ + "new/b.jpg", 22);
  const uint32_t stamp = fake_.files.Stat(a)->dos_stamp;
  std::vector<ResolvePair> pairs = {Pair(c_ + "old/a.jpg", 11, stamp),
                                    Pair(c_ + "old/b.jpg", 22, stamp),
                                    {links_.FileFor(99), c_ + "old/unreadable.jpg"}};
  std::vector<std::pair<std::string, std::string>> fixed;
  TResolveListMenu menu(pairs, [&](const auto& moves) { fixed = moves; }, fake_.services());
  ASSERT_EQ(menu.List()->count(), 3);
  EXPECT_EQ(menu.windowTitle().toStdString(), "Resolve Bad Links For ShortCuts In Albums");

  WhenModal("PossibleFiles", [&](QWidget* w) {
    auto* list = w->findChild<QListWidget*>("Candidates");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text().toStdString(), a);
    list->clearSelection();
    w->findChild<QPushButton*>("BUseFile")->click();  // nothing selected: told so
    list->setCurrentRow(0);
    w->findChild<QPushButton*>("BUseFile")->click();
  });
  menu.List()->setCurrentRow(0);
  menu.ResolveClick();
  EXPECT_EQ(fake_.ui.MessageTexts(),
            std::vector<std::string>{
                "You need to select a file first before clicking \"Use File\"."});
  // The sibling moved with it, both shortcuts name the new place, both drop off the list.
  ASSERT_EQ(fixed.size(), 2u);
  EXPECT_EQ(fixed[1], std::make_pair(c_ + "old/b.jpg", c_ + "new/b.jpg"));
  EXPECT_EQ(ReadShortcutFile(pairs[1].shortcut)->path, c_ + "new/b.jpg");
  ASSERT_EQ(menu.Pairs().size(), 1u);
  EXPECT_EQ(menu.Pairs()[0].path, c_ + "old/unreadable.jpg");

  // The unreadable shortcut stays listed.
  menu.ResolveClick();
  EXPECT_EQ(menu.Pairs().size(), 1u);

  menu.show();
  fake_.ui.QueueChoice(1);  // "Cancel and fix links"
  menu.close();
  EXPECT_TRUE(menu.isVisible());
  EXPECT_EQ(fake_.ui.last().text, TResolveListMenu::kStillLeftText);
  fake_.ui.QueueChoice(2);  // "Exit with unresolved links"
  menu.close();
  EXPECT_FALSE(menu.isVisible());
}

TEST_F(ResolveListMenuTest, OpenDialogWhenNothingMatchesOrBrowsePressedWhileSearching) {
  const std::string moved = Make(c_ + "else/renamed.jpg", 5);
  std::vector<ResolvePair> pairs = {Pair(c_ + "gone/x.jpg", 999, 12345),
                                    Pair(c_ + "gone2/y.jpg", 5, 0)};
  std::vector<std::pair<std::string, std::string>> fixed;
  TResolveListMenu menu(pairs, [&](const auto& moves) { fixed = moves; }, fake_.services());
  menu.show();

  // Nothing of that size and stamp: the open dialog comes at once.
  fake_.ui.QueueFiles({moved});
  menu.List()->setCurrentRow(0);
  menu.ResolveClick();
  ASSERT_EQ(fake_.ui.calls().size(), 1u);
  EXPECT_EQ(fake_.ui.last().title, "Locating file...It's all up to you :)");
  ASSERT_EQ(fixed.size(), 1u);
  EXPECT_EQ(fixed[0], std::make_pair(c_ + "gone/x.jpg", moved));
  ASSERT_EQ(menu.Pairs().size(), 1u);

  // "&Browse..." pressed while the search runs ends it and opens the dialog; cancelling it
  // leaves the pair listed.
  fake_.pump.on_pump = [&](int) {
    if (menu.MissingWindow() != nullptr) {
      menu.MissingWindow()->findChild<QPushButton*>("BBrowse")->click();
    }
  };
  fake_.ui.QueueFiles({});
  menu.ResolveClick();
  EXPECT_EQ(fake_.ui.calls().size(), 2u);
  EXPECT_EQ(menu.Pairs().size(), 1u);
  EXPECT_TRUE(menu.isVisible());

  // Found by the last step: the window closes once the list is empty.
  fake_.pump.on_pump = nullptr;
  fake_.ui.QueueFiles({moved});
  menu.ResolveClick();
  EXPECT_TRUE(menu.Pairs().empty());
  EXPECT_FALSE(menu.isVisible());
}

}  // namespace
}  // namespace vr::notes
