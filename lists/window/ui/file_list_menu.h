#pragma once
// TFileListMenu, the "Files List Window": the files list as a detailed virtual table or as
// thumbnails, sorting by the column headers, tagging, the tag pages with their operations, the
// one-line DB field editor Edit1, dragging files out, large previews, and the two background jobs
// (fact scan and thumbnail builder) that run one step per idle call.
//
// What the shell uses: SetIdleRequest() and MyIdleStep() for its idle handler (alone, the window
// runs its jobs from its own zero timer), ListChanged() after loads and clears (installed as the
// list's change observer), previews() for the "&Previews" menus of the main window and the
// Ctrl+F9..F12 keys, SetStartThumbSize(), check_box() and SetFolderHistories() for the settings
// file, and the hooks in ListWindowServices to display a file and open the Notes record editor.

#include <QAction>
#include <QCache>
#include <QIcon>
#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "lists/files_list.h"
#include "lists/window/list_jobs.h"
#include "lists/window/tag_ops.h"
#include "lists/window/thumb_cache.h"
#include "platform/services.h"

class QActionGroup;
class QButtonGroup;
class QCheckBox;
class QPushButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QSpinBox;
class QSplitter;
class QStackedWidget;
class QTabWidget;
class QTableView;
class QTimer;
class QToolButton;

namespace vr::list_window {

class FilesTableModel;
class PreviewManager;

inline constexpr const char* kWindowCaption = "Files List Window";
inline constexpr const char* kScanQuestion =
    "Since not all files have been scanned yet for info, this process may take a few seconds "
    "longer than normal. For real LARGE lists, it could take a few minutes. You can press CANCEL "
    "to abort the operation.";
inline constexpr const char* kScanWaitText = "Scanning files for NEEDED info...";
inline constexpr const char* kTallModeText =
    "You can't edit the NOTE field while the list is displayed in TALL mode. Use the VIEW menu and "
    "uncheck TALL mode.";
inline constexpr const char* kOneFileText =
    "You MUST have ONE and ONLY ONE file HI-LITED to open up the DataBase options Window!";
inline constexpr const char* kEdit1Hint = "DB Field displayed as a single line.";
inline constexpr int kThumbSizes[] = {32, 48, 64, 100, 125, 150};

// Tag box drawn on thumbnails (settings "Special").
struct CheckBoxSettings {
  int width = 14;
  int height = 14;
  int margin_top = 2;
  int margin_left = 3;
};

// Where a panel docks into the window (beside the files, with a splitter between).
enum class DockSide { kTop, kBottom, kRight };
inline constexpr int kDockedPanelSize = 158;  // the docked panel's height (top, bottom) or width

struct ListWindowServices {
  platform::Services platform;            // ui, files and folders required
  notes::NotesDatabase* notes = nullptr;  // optional
  recycle::RecycleBin* bin = nullptr;     // Delete TAGs
  // Shows a file in the viewer ("Exit / &Display").
  std::function<void(const std::string& path)> display_file;
  // The Notes record editor for one file ("DB EDIT").
  std::function<void(const std::string& path)> open_db_editor;
  // Writes Edit1's text as the file's DB field at every change; false when it could not be
  // stored (the message has been shown).
  std::function<bool(const std::string& path, const std::string& text)> write_db_field;
  // Plays an FLI/FLC movie in the movie player window (Return or a double click on its row).
  std::function<void(const std::string& path)> open_movie;
  // A load, animation or slide show runs (the background jobs wait).
  std::function<bool()> other_busy;
  // The search window refreshes after a tag changes.
  std::function<void()> search_refresh;
  // Opens "Search File List By..."; the menu entry is disabled without it.
  std::function<void()> open_search;
  // Opens the web page wizard; the menu entry is disabled without it.
  std::function<void()> open_web_pages;
  // Opens the catalogue of tagged files; the menu entry is disabled without it.
  std::function<void()> open_catalog;
  // Entries or tags were changed by this window's own operations (the viewer refreshes its
  // buttons and status).
  std::function<void()> list_edited;
  // Converting the tagged files ("Convert To A New Graphics Format"); the page is offered only
  // when all three are set. begin_convert opens the export window in convert mode and gives the
  // active tab's extension (false: cancelled); convert_file shows one file in the viewer and
  // exports it, giving "" or why it was not converted; end_convert restores the viewer.
  std::function<bool(std::string* extension)> begin_convert;
  std::function<std::string(const std::string& source, const std::string& target)> convert_file;
  std::function<void()> end_convert;
  // Protecting the tagged files ("Password Protect / Un-Protect"); the page is offered only when
  // both are set. begin_protect checks the password (false: stop, the user has been told);
  // protect_file does one file and gives "" with its new path, or the error text.
  std::function<bool(bool protect)> begin_protect;
  std::function<std::string(const std::string& path, bool protect, std::string* new_path)>
      protect_file;
  // Protected files of a drag become plain copies when the user wants; null drags them as they are.
  std::function<std::vector<std::string>(const std::vector<std::string>& paths)> usable_drag;
  // Files this window's operations moved or renamed, old path to new, once per operation.
  std::function<void(const std::vector<std::pair<std::string, std::string>>&)> files_moved;
};

class TFileListMenu : public QMainWindow {
  Q_OBJECT

 public:
  TFileListMenu(lists::FilesList& list, ListWindowServices services, QWidget* parent = nullptr);
  ~TFileListMenu() override;

  // The convert page's run, its overwrite box and target folder.
  void ConvertTagsClick();
  QCheckBox* convert_overwrite_box() const { return convert_overwrite_; }
  QLineEdit* convert_folder_edit() const { return convert_folder_; }
  QPushButton* convert_button() const { return convert_button_; }

  // --- for the shell
  // One step of each background job; true while work is left.
  bool MyIdleStep();
  // The list was loaded, extended or cleared.
  void ListChanged();
  PreviewManager& previews() { return *previews_; }
  QMenu* previews_menu() const { return previews_menu_; }
  // Images of the menu entries, from the main window's menu image list.
  void SetMenuImages(const QIcon& exit_display, const QIcon& exit, const QIcon& tag);
  QAction* exit_display_action() const { return exit_display_; }
  // Runs the jobs from the window's own zero timer (default on).
  void SetOwnIdleTimer(bool on);
  // Hands the jobs to the viewer's idle handler: `request` is called whenever work arrives, and
  // the handler then calls MyIdleStep(). Turns the window's own timer off.
  void SetIdleRequest(std::function<void()> request);
  // The target folders of the "Copy TAGs" and "Move TAGs" boxes (newest first); the first one is
  // also the box's hint.
  void SetFolderHistories(const std::vector<std::string>& copy,
                          const std::vector<std::string>& move);

  // --- commands
  void HeaderClicked(int column);
  // SortFilesList with the scan question; keeps highlighted and focused entries by id. False
  // when the user cancelled or stopped the scan (the order is unchanged).
  bool SortWithQuestion(int kind);
  void SetThumbnailView(bool on);
  bool thumbnail_view() const;
  void SetThumbSize(int width, int height);
  // The cell size of the settings file, before any thumbnail was built: stored and shown, with
  // no rebuild (the builder starts with the next load).
  void SetStartThumbSize(int width, int height);
  void SetTallMode(bool on);
  void TagHighlightedClick();
  void UnTagHighlightedClick();
  void ToggleFocusedTag();
  // Toggles the tag of the entry at `row` (nothing for a row out of range) and refreshes what
  // shows it.
  void ToggleTag(int row);
  void OpenLargePreview();
  void DbEditClick();
  // The web page wizard, from the tool button and from "Make &Web Pages From Files...".
  void TBWebPagesClick();
  void DbFieldClicked(int row);
  void ExitDisplayClick();
  // Drags the highlighted files out of the program (asking about companion files).
  void StartDragOfHighlighted(QWidget* source);

  // --- a docked panel (file_list_dock.cpp): `panel` goes beside the files at `side`,
  // kDockedPanelSize pixels across, with a splitter. `released` is called when the window gives
  // the panel up on its own (it is being destroyed); the panel is then unparented and hidden.
  void DockPanel(QWidget* panel, DockSide side, std::function<void()> released);
  // Takes the docked panel out (unparented and hidden) and gives it; null when none is docked.
  QWidget* UndockPanel();
  QWidget* docked_panel() const { return docked_panel_; }
  DockSide dock_side() const { return dock_side_; }

  // --- state, also for tests
  std::vector<int> HighlightedRows() const;
  void SelectRows(const std::vector<int>& rows, int focused);
  int FocusedRow() const;
  QTableView* ListView1() const { return list_view_; }
  QListView* ThumbView() const { return thumb_view_; }
  QLineEdit* Edit1() const { return edit1_; }
  QToolButton* TBThumbs() const { return tb_thumbs_; }
  QToolButton* TBWebPages() const { return tb_web_pages_; }
  QTabWidget* TagPages() const { return tag_pages_; }
  FilesTableModel& model() { return *model_; }
  ListJobs& jobs() { return *jobs_; }
  ThumbCache& cache() { return cache_; }
  TagOperations& tag_ops() { return *tag_ops_; }
  CheckBoxSettings& check_box() { return check_box_; }
  QString StatusText(int panel) const;
  void UpdateStatus();
  // After the tag of the entry at `row` changed, whichever way: its row, its preview's tag
  // button, the status, the search window and the viewer follow.
  void TagToggled(int row);
  // The thumbnail of a row as the icon view draws it (null while it is being built).
  QPixmap ThumbnailOf(int row);

 private:
  // Thumbnails are built only while the window is visible: showing it wakes the builder.
  void showEvent(QShowEvent* event) override;

  QWidget* MakeTagPages();
  QWidget* MakeTransferPage(bool move);
  QWidget* MakeRenamePage();
  QWidget* MakeProtectPage();
  QWidget* MakeButtonPage(const QString& caption, const std::function<void()>& action);
  QWidget* MakeDisabledPage(const QString& note);
  void BuildMenus();
  void UpdateBuilderButton(BuilderState state);
  void AfterOperation();
  void RowActivated(int row);
  void SyncEdit1();
  void Edit1Committed();
  void Edit1Changed();
  void ScheduleIdle();
  void ShowThumbSize(int width, int height);
  void FillFolderBox(QComboBox* box, const FolderHistory& history);

  lists::FilesList& list_;
  ListWindowServices services_;
  ThumbCache cache_;
  std::unique_ptr<ListJobs> jobs_;
  std::unique_ptr<TagOperations> tag_ops_;
  std::unique_ptr<PreviewManager> previews_;
  FilesTableModel* model_ = nullptr;
  CheckBoxSettings check_box_;
  QCache<int32_t, QPixmap> drawn_thumbs_;

  QTableView* list_view_ = nullptr;
  QListView* thumb_view_ = nullptr;
  QStackedWidget* views_ = nullptr;
  QWidget* lower_panel_ = nullptr;
  QLineEdit* edit1_ = nullptr;
  QTabWidget* tag_pages_ = nullptr;
  QToolButton* tb_thumbs_ = nullptr;
  QToolButton* tb_web_pages_ = nullptr;
  QLabel* status_file_ = nullptr;
  QLabel* status_tagged_ = nullptr;
  QLabel* status_size_ = nullptr;
  QMenu* previews_menu_ = nullptr;
  QAction* exit_display_ = nullptr;
  QAction* exit_ = nullptr;
  QAction* tag_highlighted_ = nullptr;
  QComboBox* copy_folder_ = nullptr;
  QComboBox* move_folder_ = nullptr;
  QButtonGroup* rename_method_ = nullptr;
  QButtonGroup* RGEncrypt = nullptr;  // first item protect, second un-protect
  QLineEdit* rename_text_ = nullptr;
  QSpinBox* rename_count_ = nullptr;
  QCheckBox* convert_overwrite_ = nullptr;
  QLineEdit* convert_folder_ = nullptr;
  QPushButton* convert_button_ = nullptr;
  QWidget* MakeConvertPage();
  QTimer* idle_timer_ = nullptr;
  bool own_idle_ = true;
  std::function<void()> idle_request_;
  QActionGroup* size_group_ = nullptr;
  bool sorting_ = false;
  bool tall_mode_ = false;
  int edit1_row_ = -1;
  QPointer<QWidget> docked_panel_;
  QWidget* dock_content_ = nullptr;  // the window's own central widget while a panel is docked
  QSplitter* dock_splitter_ = nullptr;
  DockSide dock_side_ = DockSide::kBottom;
  std::function<void()> dock_released_;
};

}  // namespace vr::list_window
