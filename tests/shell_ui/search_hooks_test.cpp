// The viewer's side of the search window: files dropped while a search walks the list are
// ignored, and the window opened from the viewer deletes through the viewer's recycle bin, whose
// state the viewer's buttons then show.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <filesystem>

#include "lists/files_list.h"
#include "lists/recycle/recycle_bin.h"
#include "lists/search/ui/search_list_menu.h"
#include "lists/window/ui/file_list_menu.h"
#include "shell_ui/viewer_fixture.h"

namespace vr::shell::ui {
namespace {

class SearchHooksTest : public ViewerFixture {};

TEST_F(SearchHooksTest, DropsWhileSearchingAreIgnoredAndTheBinIsTheViewers) {
  WriteSetUpSettings();
  const std::string a = WriteBmp("pics/a.bmp", 16, 8);
  const std::string b = WriteBmp("pics/b.bmp", 16, 8);
  const std::string dropped = WriteBmp("drop/x.bmp", 16, 8);
  auto window = Start({a, b});
  ASSERT_EQ(window->files_list().Count(), 2);
  window->SearchList1Click();
  search_ui::TSearchListMenu* search = window->search_window();
  ASSERT_NE(search, nullptr);

  int drops = 0;
  search->SetProgressHook([&](const std::string&) {
    if (drops++ == 0) window->RecordDroppedFiles({dropped}, true);
  });
  search->ImageSearchClick();
  EXPECT_GT(drops, 0);
  EXPECT_EQ(window->files_list().Count(), 2);
  EXPECT_LT(window->files_list().FindInFilesList(dropped), 0);
  // Once the search has ended a drop is taken.
  search->SetProgressHook({});
  window->RecordDroppedFiles({dropped}, true);
  EXPECT_GE(window->files_list().FindInFilesList(dropped), 0);

  // The report's delete goes into the viewer's bin; the viewer's buttons show it holds files.
  ASSERT_NE(window->recycle_bin(), nullptr);
  EXPECT_FALSE(window->bin_shown_full());
  search->SetReportLines({"File:" + a});
  search->SelectReportRows({0});
  ASSERT_TRUE(search->DeleteButton()->isEnabled());
  services_.ui.QueueAnswer(platform::Answer::kYes);
  search->DeleteClick();
  EXPECT_FALSE(std::filesystem::exists(a));
  EXPECT_TRUE(window->recycle_bin()->IsFull());
  EXPECT_TRUE(window->bin_shown_full());
  EXPECT_LT(window->files_list().FindInFilesList(a), 0);
  // The viewer's status follows the list at once.
  EXPECT_EQ(window->files_list().Count(), 2);
  const std::string status = window->StatusPanel(1);
  EXPECT_EQ(status.substr(status.size() - 4), "of 2") << status;
}

}  // namespace
}  // namespace vr::shell::ui
