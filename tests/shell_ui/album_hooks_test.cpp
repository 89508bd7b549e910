// The album manager as the viewer opens it: reachable from the "Album Manager (Group Related
// Files)" entry, its root under the program folder, the files list going into an album and back,
// the bin shared with the viewer's own buttons (both show the state), the tree docked into the
// files list window, the large preview, and albums following the files list window's moves and
// renames.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEnterEvent>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>

#include "albums/album_file.h"
#include "albums/ui/album_list_menu.h"
#include "lists/files_list.h"
#include "lists/recycle/recycle_bin.h"
#include "lists/window/ui/file_list_menu.h"
#include "lists/window/ui/preview_form.h"
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

// Where the album tree sits: the files list window's dock splitter (and at which index), or null.
QSplitter* DockOf(albums::ui::TAlbumListMenu* albums) {
  return qobject_cast<QSplitter*>(albums->Tree()->parentWidget());
}

// Writes an album's "Album.Txt" (one entry per path, with its real size and stamp).
void WriteAlbum(const std::string& folder, const std::vector<std::string>& paths) {
  std::filesystem::create_directories(folder);
  std::vector<albums::AlbumEntry> entries;
  for (const std::string& p : paths) {
    albums::AlbumEntry e;
    e.path = p;
    entries.push_back(e);
  }
  ASSERT_TRUE(albums::WriteAlbumFile(folder + "/" + albums::kAlbumFileName, entries));
}

std::vector<std::string> AlbumPaths(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& e : albums::ReadAlbumFile(folder + "/" + albums::kAlbumFileName)) {
    out.push_back(e.path);
  }
  return out;
}

TEST_F(AlbumHooksTest, TreeDocksAtEachSideUndocksAndLeavesBeforeClosing) {
  WriteSetUpSettings();  // "Auto_Dock" stays at its default: on, at the bottom
  const std::string a = WriteBmp("pics/a.bmp", 16, 8);
  const std::string b = WriteBmp("pics/b.bmp", 16, 8);
  const std::string c = WriteBmp("pics/c.bmp", 16, 8);
  auto window = Start({a, b});
  WriteAlbum(dir_.File("Albums_Veldrimon/Holiday"), {c});
  auto* auto_dock = window->findChild<QAction*>("MMDock_Albums");
  ASSERT_NE(auto_dock, nullptr);
  EXPECT_TRUE(auto_dock->isChecked());
  EXPECT_TRUE(window->findChild<QAction*>("MMDock_Bottom")->isChecked());

  // Opening the files list window opens the manager with its tree docked at the bottom.
  window->findChild<QAction*>("FileListWindow1")->trigger();
  albums::ui::TAlbumListMenu* albums = window->album_window();
  ASSERT_NE(albums, nullptr);
  list_window::TFileListMenu* list = window->list_window();
  ASSERT_NE(list, nullptr);
  ASSERT_TRUE(albums->docked());
  QApplication::processEvents();
  QSplitter* dock = DockOf(albums);
  ASSERT_NE(dock, nullptr);
  EXPECT_EQ(dock->window(), list);
  EXPECT_EQ(dock->orientation(), Qt::Vertical);
  EXPECT_EQ(dock->indexOf(albums->Tree()), 1);
  EXPECT_EQ(albums->Tree()->height(), list_window::kDockedPanelSize);
  EXPECT_FALSE(albums->List()->isEnabled());

  // Docked with "Load Into Files List": choosing an album fills the files list, and the load's
  // progress shows in the files list window's status bar.
  albums->LoadIntoFilesList()->setChecked(true);
  ASSERT_TRUE(albums->SelectAlbum("Holiday"));
  ASSERT_EQ(window->files_list().Count(), 1);
  EXPECT_EQ(window->files_list().EntryAt(0)->Path(), c);
  EXPECT_EQ(list->statusBar()->currentMessage().toStdString(), "Loading Shortcuts For Album ...");
  // So do the hints of the manager's buttons under the mouse and of the docked tree's pop-up.
  auto* dock_button = albums->findChild<QPushButton*>("BDock");
  ASSERT_NE(dock_button, nullptr);
  const QPointF inside(2, 2);
  QEnterEvent enter(inside, inside, dock_button->mapToGlobal(inside));
  QApplication::sendEvent(dock_button, &enter);
  EXPECT_EQ(list->statusBar()->currentMessage().toStdString(),
            "Dock the Album Tree into the Files List Window");
  std::string popup_hint;
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [&, timer] {
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (popup == nullptr) return;
    timer->stop();
    timer->deleteLater();
    for (QAction* action : popup->actions()) {
      if (action->text() == "UN-Dock with Files List Window") popup->setActiveAction(action);
    }
    popup_hint = list->statusBar()->currentMessage().toStdString();
    popup->close();
  });
  timer->start();
  emit albums->Tree()->customContextMenuRequested(QPoint(4, 4));
  EXPECT_EQ(popup_hint, "Take the Album Tree back from the Files List Window");

  // The main window's position items move the docked tree at once.
  window->findChild<QAction*>("MMDock_Right")->trigger();
  QApplication::processEvents();
  dock = DockOf(albums);
  ASSERT_NE(dock, nullptr);
  EXPECT_EQ(dock->orientation(), Qt::Horizontal);
  EXPECT_EQ(dock->indexOf(albums->Tree()), 1);
  EXPECT_EQ(albums->Tree()->width(), list_window::kDockedPanelSize);
  EXPECT_TRUE(window->settings().dock_right);
  EXPECT_FALSE(window->settings().dock_bottom);
  window->findChild<QAction*>("MMDock_Top")->trigger();
  QApplication::processEvents();
  dock = DockOf(albums);
  ASSERT_NE(dock, nullptr);
  EXPECT_EQ(dock->orientation(), Qt::Vertical);
  EXPECT_EQ(dock->indexOf(albums->Tree()), 0);
  EXPECT_EQ(albums->Tree()->height(), list_window::kDockedPanelSize);

  // "Doc&k" undocks: the tree is back in the manager, its list usable, the files list window
  // shows its files alone.
  dock_button->click();
  EXPECT_FALSE(albums->docked());
  EXPECT_EQ(albums->Tree()->window(), albums);
  EXPECT_TRUE(albums->Tree()->isVisible());
  EXPECT_TRUE(albums->List()->isEnabled());
  EXPECT_EQ(list->findChild<QSplitter*>("DockSplitter"), nullptr);
  EXPECT_TRUE(list->ListView1()->isVisible());

  // With the files list window hidden, "Doc&k" asks first: No leaves the tree where it is, Yes
  // opens that window and docks (at the top, the position chosen last).
  list->hide();
  services_.ui.Clear();
  services_.ui.QueueAnswer(platform::Answer::kNo);
  dock_button->click();
  EXPECT_FALSE(albums->docked());
  EXPECT_FALSE(dock_button->isChecked());
  EXPECT_FALSE(list->isVisible());
  ASSERT_EQ(services_.ui.MessageTexts().size(), 1u);
  EXPECT_EQ(services_.ui.MessageTexts()[0],
            "Since the Files List Window is not currently showing, the Album Tree can NOT be "
            "docked.However, you can choose to bring up the Files List Window NOW so the docking "
            "can take place.\r\rDo you wish to open the Files List Window?");
  services_.ui.QueueAnswer(platform::Answer::kYes);
  dock_button->click();
  EXPECT_TRUE(list->isVisible());
  ASSERT_TRUE(albums->docked());
  EXPECT_EQ(DockOf(albums)->indexOf(albums->Tree()), 0);

  // Closing the manager while docked takes the tree back first.
  albums->close();
  EXPECT_FALSE(albums->isVisible());
  EXPECT_FALSE(albums->docked());
  EXPECT_EQ(albums->Tree()->window(), albums);
  EXPECT_EQ(list->findChild<QSplitter*>("DockSplitter"), nullptr);
  EXPECT_FALSE(list->findChild<QTreeWidget*>("TreeView1"));

  // Without auto docking, opening the files list window leaves the manager closed.
  auto_dock->trigger();
  EXPECT_FALSE(window->settings().auto_dock);
  list->hide();
  window->FileListWindow1Click();
  EXPECT_TRUE(list->isVisible());
  EXPECT_FALSE(albums->isVisible());
  // The viewer closes with the tree docked: the files list window hands it back as it goes.
  window->AlbumManager1Click();
  ASSERT_TRUE(albums->Dock(list_window::DockSide::kRight));
  window.reset();
}

TEST_F(AlbumHooksTest, EnterAndDoubleClickOpenTheLargePreview) {
  WriteSetUpSettings("[Albums]\nAuto_Dock=0\n");
  const std::string a = WriteBmp("pics/a.bmp", 16, 8);
  const std::string b = WriteBmp("pics/b.bmp", 16, 8);
  auto window = Start();
  WriteAlbum(dir_.File("Albums_Veldrimon"), {a, b});
  window->AlbumManager1Click();
  albums::ui::TAlbumListMenu* albums = window->album_window();
  ASSERT_EQ(albums->Entries().size(), 2u);
  list_window::PreviewManager& previews = window->list_window()->previews();
  ASSERT_EQ(previews.OpenCount(), 0);

  albums->Highlight({1});
  albums->List()->setFocus();
  QTest::keyClick(albums->List(), Qt::Key_Return);
  ASSERT_EQ(previews.OpenCount(), 1);
  EXPECT_EQ(previews.Forms().front()->path(), b);

  const QRect row0 = albums->List()->visualRect(albums->List()->model()->index(0, 1));
  // A widget's double click from QTest is the second click's event alone: the first click first.
  QTest::mouseClick(albums->List()->viewport(), Qt::LeftButton, {}, row0.center());
  EXPECT_EQ(previews.OpenCount(), 1);  // one click only highlights
  QTest::mouseDClick(albums->List()->viewport(), Qt::LeftButton, {}, row0.center());
  ASSERT_EQ(previews.OpenCount(), 2);
  std::vector<std::string> shown;
  for (auto* form : previews.Forms()) shown.push_back(form->path());
  EXPECT_NE(std::find(shown.begin(), shown.end(), a), shown.end());
}

TEST_F(AlbumHooksTest, AlbumsFollowTheFilesListWindowsMovesAndRenames) {
  WriteSetUpSettings("[Albums]\nAuto_Dock=0\n");
  const std::string a = WriteBmp("pics/a.bmp", 16, 8);
  const std::string b = WriteBmp("pics/b.bmp", 16, 8);
  const std::string c = WriteBmp("pics/c.bmp", 16, 8);
  auto window = Start({a, b, c});
  const std::string holiday = dir_.File("Albums_Veldrimon/Holiday");
  const std::string beach = dir_.File("Albums_Veldrimon/Holiday/Beach");
  WriteAlbum(holiday, {a, b, c});
  WriteAlbum(beach, {b});
  const std::string moved = dir_.File("moved") + "/";
  std::filesystem::create_directories(moved);

  // The manager is not open: the tagged a and b move through the "Move TAGs" page, and both
  // albums list the new paths.
  window->FileListWindow1Click();
  list_window::TFileListMenu* list = window->list_window();
  list->SelectRows({0, 1}, 1);
  list->TagHighlightedClick();
  QPushButton* move_button = nullptr;
  for (auto* button : list->findChildren<QPushButton*>()) {
    if (button->text() == "Move TAGs") move_button = button;
  }
  ASSERT_NE(move_button, nullptr);
  move_button->parentWidget()->findChild<QComboBox*>()->setEditText(QString::fromStdString(moved));
  move_button->click();
  ASSERT_TRUE(std::filesystem::exists(moved + "a.bmp"));
  ASSERT_TRUE(std::filesystem::exists(moved + "b.bmp"));
  EXPECT_EQ(AlbumPaths(holiday), (std::vector<std::string>{moved + "a.bmp", moved + "b.bmp", c}));
  EXPECT_EQ(AlbumPaths(beach), (std::vector<std::string>{moved + "b.bmp"}));

  // With the manager showing Holiday, a rename of the tagged files changes the file and the
  // entries on show; tags and the highlight stay, and a later write keeps the new names.
  window->AlbumManager1Click();
  albums::ui::TAlbumListMenu* albums = window->album_window();
  ASSERT_TRUE(albums->SelectAlbum("Holiday"));
  ASSERT_EQ(albums->Entries().size(), 3u);
  albums->Highlight({2});
  albums->TagHighlightedClick(true);
  list->tag_ops().RenameTagged(list_window::RenameMethod::kAddToFront, "x", 0);
  EXPECT_EQ(AlbumPaths(holiday), (std::vector<std::string>{moved + "xa.bmp", moved + "xb.bmp", c}));
  EXPECT_EQ(AlbumPaths(beach), (std::vector<std::string>{moved + "xb.bmp"}));
  ASSERT_EQ(albums->Entries().size(), 3u);
  EXPECT_EQ(albums->Entries()[0].path, moved + "xa.bmp");
  EXPECT_EQ(albums->Entries()[1].path, moved + "xb.bmp");
  EXPECT_TRUE(albums->Entries()[2].tagged);
  EXPECT_EQ(albums->Totals(), "Total Files:3 Total Tagged:1 Total Hi-Lited:1");
  services_.ui.QueueAnswer(platform::Answer::kYes);
  albums->RemoveTaggedClick();  // writes the album: the renamed paths must survive it
  EXPECT_EQ(AlbumPaths(holiday), (std::vector<std::string>{moved + "xa.bmp", moved + "xb.bmp"}));
}

}  // namespace
}  // namespace vr::shell::ui
