#pragma once
// "Album(s) Manager": the album tree on the left, the selected album's files on the right (a
// virtual list with tags), and the commands that make, rename and delete albums, edit their
// comments and properties, move files between the album and the files list, and remove tagged
// entries (a folder album's files through the recycle bin).

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "albums/album_file.h"
#include "platform/services.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;

namespace vr::lists {
class AllowableTypes;
class FilesList;
}  // namespace vr::lists
namespace vr::recycle {
class RecycleBin;
}
namespace vr::list_window {
class TagOperations;
class TFileListMenu;
enum class DockSide;
}

namespace vr::albums::ui {

class AlbumListModel;

struct AlbumWindowServices {
  platform::Services platform;
  lists::FilesList* files_list = nullptr;            // "&1)", "&2)", "&3)"
  const lists::AllowableTypes* allowable = nullptr;  // folder albums, "&3)"
  // The "AlbumsFolder" setting (the program folder when empty) and its change by the profile.
  std::function<std::string()> base_folder;
  std::function<void(const std::string&)> set_base_folder;
  recycle::RecycleBin* bin = nullptr;        // removing tagged files of folder albums
  std::function<void()> open_recycle_window;  // Alt+R
  // The small preview beside the list (none when unset).
  std::function<QWidget*(QWidget* parent)> make_preview;
  std::function<void(QWidget* preview, const std::string& path)> show_preview;
  // The files list window's per-file copy and move (overwrite question, notes, companions), for
  // drops into folder albums; drops there are refused without it.
  std::function<list_window::TagOperations*()> tag_ops;
  // The files list was filled from an album ("&1)", "&2)", "Load Into Files List").
  std::function<void()> files_list_changed;
  // The files list window to dock into: null when there is none; with `open` it is made and
  // shown first. Docking is refused without it.
  std::function<list_window::TFileListMenu*(bool open)> list_window;
  // The dock position of the main window's menu.
  std::function<list_window::DockSide()> dock_side;
  // The large preview of the files list window (Enter or a double click in the list).
  std::function<void(const std::string& path)> open_large_preview;
};

class TAlbumListMenu : public QWidget {
 public:
  explicit TAlbumListMenu(AlbumWindowServices services, QWidget* parent = nullptr);
  ~TAlbumListMenu() override;

  // Builds the tree anew and selects the root (opening and after a profile change).
  void BuildTree();
  // Selects the album at `relative` below the root ("." the root); false when there is none.
  bool SelectAlbum(const std::string& relative);
  // Loads the selected album (again when forced).
  void LoadSelected(bool force);

  void AddAlbumClick();
  void RenameClick();
  bool RenameSelected(const std::string& label);
  void DeleteAlbumClick();
  void CommentsClick();
  void PropertiesClick();
  void ProfileClick();
  void AddToFilesListClick(bool replace);  // "&1)" (false) and "&2)" (true)
  void FromFilesListClick();               // "&3)"
  void TagHighlightedClick(bool tag);
  void NoTagsClick();
  void FlipTagsClick();
  void RemoveTaggedClick();
  void SortBy(int column);
  // Docking the tree into the files list window (album_dock.cpp). "Doc&k" with the files list
  // window hidden asks to open it first; false when the tree did not dock.
  bool Dock(list_window::DockSide side);
  void Undock();
  void DockClick();  // "Doc&k": docks at the main window's position, or undocks when docked
  bool docked() const { return docked_; }
  // Files the program moved or renamed (old path to new): one pass over every "Album.Txt", and
  // the entries on show follow.
  void FollowMoves(const std::vector<std::pair<std::string, std::string>>& moves);
  // The large preview of the focused entry.
  void OpenLargePreview();
  // Drops `paths` onto the album of `target` (null: the selected album, as a drop on the list).
  // `move` is the drag's move effect.
  void DropOnto(QTreeWidgetItem* target, const std::vector<std::string>& paths, bool move);
  // Drags the highlighted entries (from the list) or the whole album (from the tree) out.
  void StartDrag(bool from_tree);
  bool dragging() const { return drag_active_; }

  // State for tests and the shell.
  const std::vector<AlbumEntry>& Entries() const { return entries_; }
  std::string Root() const { return root_; }
  std::string SelectedFolder() const;
  std::string SelectedName() const;
  QTreeWidget* Tree() const { return tree_; }
  QTableView* List() const { return list_; }
  std::string StatusText() const;
  std::string Totals() const;  // "Total Files:n Total Tagged:n Total Hi-Lited:n"
  QCheckBox* LoadIntoFilesList() const { return load_into_; }
  bool bin_shown_full() const { return bin_full_; }
  // Highlights the entries of these rows only.
  void Highlight(const std::vector<int>& rows);
  // The comments editor's text hook for tests: called with the editor before it runs.
  std::function<void(QWidget* editor)> comments_script;
  // The drag hook for tests: runs in place of the system's drag with the dragged paths and gives
  // the action the drop took.
  std::function<Qt::DropAction(const std::vector<std::string>& paths)> drag_script;
  // The properties dialog hook for tests: called with the dialog before it runs.
  std::function<void(QWidget* dialog)> properties_script;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QTreeWidgetItem* Root_Item() const;
  std::string RelativeOf(const QTreeWidgetItem* item) const;
  std::string FolderOfItem(const QTreeWidgetItem* item) const;
  void Fill(QTreeWidgetItem* item);
  void FillTwoLevels(QTreeWidgetItem* item);
  void SetIcon(QTreeWidgetItem* item);
  void SelectionChanged();
  void ShowTotals();
  void Status(const std::string& text);
  void WriteEntries();
  bool PropertiesFor(const std::string& folder, bool new_album);
  void ItemRenamed(QTreeWidgetItem* item);
  std::vector<std::string> Paths() const;
  void SyncHighlights();
  void ShowBinState(bool full);
  bool HandleDragEvent(QObject* watched, QEvent* event);
  // The tree back in this window's splitter, at its old place and size.
  void TakeBackTree();
  // Paths with a line break cannot be stored: they are named in a warning and left out.
  std::vector<std::string> RefuseLineBreaks(const std::vector<std::string>& paths);
  void DropIntoFolderAlbum(QTreeWidgetItem* target, const std::string& target_folder,
                           const std::vector<std::string>& paths, bool move);

  AlbumWindowServices services_;
  std::string root_;
  std::string loaded_folder_;
  bool loaded_folder_album_ = false;
  std::vector<AlbumEntry> entries_;
  std::unique_ptr<AlbumListModel> model_;
  QTreeWidget* tree_ = nullptr;
  QTableView* list_ = nullptr;
  QWidget* preview_ = nullptr;
  QStatusBar* status_ = nullptr;
  QLabel* total_files_ = nullptr;
  QLabel* total_tagged_ = nullptr;
  QLabel* total_highlighted_ = nullptr;
  QCheckBox* load_into_ = nullptr;
  QPushButton* exit_ = nullptr;
  QPushButton* dock_button_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QList<int> undocked_sizes_;
  bool docked_ = false;
  QPushButton* bin_button_ = nullptr;
  int bin_observer_ = 0;
  bool bin_full_ = false;
  bool loading_ = false;
  bool abort_load_ = false;
  bool building_ = false;
  int sort_column_ = -1;
  bool sort_descending_ = false;
  std::string label_before_edit_;
  // A drag that started here: its source album, and whether it ended on an album of this window.
  bool drag_active_ = false;
  std::string drag_source_folder_;
  std::string drag_source_locked_;
  bool drag_hit_album_ = false;
  bool drag_hit_folder_album_ = false;
  QPoint press_at_;
  bool pressed_ = false;
};

}  // namespace vr::albums::ui
