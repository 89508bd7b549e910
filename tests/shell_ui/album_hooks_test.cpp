// The album manager as the viewer opens it: reachable from the "Album Manager (Group Related
// Files)" entry, its root under the program folder, the files list going into an album and back,
// and the bin shared with the viewer's own buttons (both show the state).
#include <gtest/gtest.h>

#include <QAction>
#include <QTableView>
#include <QTreeWidget>
#include <filesystem>

#include "albums/album_file.h"
#include "albums/ui/album_list_menu.h"
#include "lists/files_list.h"
#include "lists/recycle/recycle_bin.h"
#include "shell_ui/viewer_fixture.h"

namespace vr::shell::ui {
namespace {

class AlbumHooksTest : public ViewerFixture {};

TEST_F(AlbumHooksTest, MenuEntryOpensTheManagerThatSharesListAndBin) {
  WriteSetUpSettings();
  const std::string a = WriteBmp("pics/a.bmp", 16, 8);
  const std::string b = WriteBmp("pics/b.bmp", 16, 8);
  auto window = Start({a, b});
  ASSERT_EQ(window->files_list().Count(), 2);
  auto* entry = window->findChild<QAction*>("AlbumManager1");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->text().toStdString(), "Album Manager (Group Related Files)");
  entry->trigger();
  albums::ui::TAlbumListMenu* albums = window->album_window();
  ASSERT_NE(albums, nullptr);
  EXPECT_TRUE(albums->isVisible());
  EXPECT_EQ(albums->Tree()->topLevelItem(0)->text(0).toStdString(), "Albums_Veldrimon");
  EXPECT_TRUE(std::filesystem::is_directory(albums->Root()));

  // "&3)" with "+ALL Files": both files into the root album.
  services_.ui.QueueChoice(1);
  albums->FromFilesListClick();
  ASSERT_EQ(albums->Entries().size(), 2u);
  EXPECT_EQ(albums::ReadAlbumFile(albums->Root() + albums::kAlbumFileName).size(), 2u);

  // Locked to the pictures' folder, a removal goes through the viewer's bin; the viewer's
  // buttons and the manager's glyph both show it.
  ASSERT_TRUE(albums::WriteSyncFolder(albums->Root(), std::filesystem::path(a).parent_path().string() + "/"));
  albums->LoadSelected(true);
  ASSERT_EQ(albums->Entries().size(), 2u);
  EXPECT_FALSE(window->bin_shown_full());
  albums->Highlight({0});
  albums->TagHighlightedClick(true);
  services_.ui.QueueAnswer(platform::Answer::kYes);
  albums->RemoveTaggedClick();
  EXPECT_FALSE(std::filesystem::exists(a));
  EXPECT_TRUE(window->recycle_bin()->IsFull());
  EXPECT_TRUE(window->bin_shown_full());
  EXPECT_TRUE(albums->bin_shown_full());

  // "&2)": the files list holds the album's one file; the manager closes.
  services_.ui.QueueAnswer(platform::Answer::kYes);
  albums->AddToFilesListClick(true);
  ASSERT_EQ(window->files_list().Count(), 1);
  EXPECT_EQ(window->files_list().EntryAt(0)->Path(), b);
  EXPECT_FALSE(albums->isVisible());
}

}  // namespace
}  // namespace vr::shell::ui
