#pragma once
// TVeldrimon69, the main window: the menus and tool bars, the painted title strip, the three views
// of the shown picture (re-size to fit, actual size, split), the status bar, drag and drop and the
// hand-over receiver. It is a shell over units that each live in their own file:
//   main_window_menus.cpp    the action table: every menu entry, tool button and settings link
//   shell/show_pipeline.h    what a show does with a file (re-entry, decode, sound, clean-up)
//   display_cache.h          the display bitmap, palette realisation and actual-size image
//   gif_playback.h           animated GIFs played in place on the platform clock
//   full_screen_session.h    entering, showing and leaving the full-screen window
//   main_window_startup.cpp  the start-up sequence, first-run set-up, close query and close
//   nav_input.h              keys, pointer and wheel on the picture (through NavInputHost)
//   viewer_parts.h           the files list, recycle bin and Notes service made by app/
//   lists/recycle/ui/recycle_controller.h, notes/ui/notes_text_controller.h  the bin and the
//                            Notes export and import

#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "lists/recycle/ui/recycle_window.h"
#include "picture/bitmap.h"
#include "picture/picture_holder.h"
#include "platform/folders.h"
#include "platform/services.h"
#include "shell/layout.h"
#include "shell/load_progress.h"
#include "shell/picture_prefetch.h"
#include "shell/screen_palette.h"
#include "shell/settings.h"
#include "shell/show_pipeline.h"
#include "shell/transforms/wallpaper.h"
#include "shell/ui/actions.h"
#include "shell/ui/display_cache.h"
#include "shell/ui/full_screen.h"
#include "shell/ui/full_screen_session.h"
#include "shell/ui/gif_playback.h"
#include "shell/ui/viewer_parts.h"

class QAction;
class QDialog;
class QActionGroup;
class QLabel;
class QMenu;
class QScrollArea;
class QToolBar;
class QToolButton;

namespace vr::extras::ui { class ExtrasController; }  // NOLINT: one line for the extras
namespace vr::lists {
class FilesList;
class NotesAccess;
}
namespace vr::notes {
class NotesDatabase;
}
namespace vr::albums::ui {
class TAlbumListMenu;
}
namespace vr::recycle {
class RecycleBin;
class RecycleController;
}
namespace vr::notes {
class NotesTextController;
class NotesWindows;
}
namespace vr::lists {
class DriveMenu;
}

namespace vr::shell {
class FileTypeRegistrar;
struct NavigationHost;
}
namespace vr::codecs::gif {
class TGifCommentsMenu;
}  // namespace vr::codecs::gif
namespace vr::colour {
class TDitherProgressWindow;
struct ExportSession;
struct ExportFileHost;
}
namespace vr::codecs::fli {
class TMovieFLIMenu;
}

namespace vr::list_window {
class TFileListMenu;
struct ListWindowServices;
}  // namespace vr::list_window
namespace vr::search_ui {
class TSearchListMenu;
}  // namespace vr::search_ui

namespace vr::shell::ui {

class TFitPane;
class TActualPane;
class TMediaPane;
class TTitleStrip;
class NavInput;
struct NavInputHost;
class IdleDriver;
class AppHook;
class TSlideShowMenu;
class EditedFileWatch;

// What the composition root hands to the main window.
struct ViewerOptions {
  platform::Services services;
  ViewerParts parts;  // the files list, the bin and the Notes database service (app/)
  std::vector<std::string> args;  // command-line arguments without the program path
  std::string program_path;       // the executable, for the file-type registration
  // Test and benchmark hooks (environment variables read by the composition root).
  std::string state_file;            // VELDRIMON_STATE_FILE: the state is written there on changes
  bool quit_on_first_paint = false;  // VELDRIMON_BENCH_FIRST_PAINT
  std::string bench_slideshow_log;   // VELDRIMON_BENCH_SLIDESHOW: a show after the first paint
  bool decode_ahead = true;          // off with VELDRIMON_NO_DECODE_AHEAD
  int bench_slideshow_escape_ms = -1;  // an Escape posted that long into the bench show
  std::chrono::steady_clock::time_point started{};
  bool register_file_types = true;  // off in tests: the registrar writes into the user's desktop
  // Runs a modal window (the production default is QDialog::exec); tests record and answer.
  std::function<int(QDialog&)> exec_dialog;
  // Today's day number (days since 1899-12-30); the production default reads the clock.
  std::function<int64_t()> today;
  // The command-line picture, already being decoded (optional; outlives the window).
  shell::PicturePrefetch* prefetch = nullptr;
};

// The screen's colour depth in bits per pixel (24 when the platform gives none).
int ScreenDepthNow();

inline constexpr const char* kTitleLabel = "(Veldrimon) ";
inline constexpr const char* kBusyCloseWarning =
    "You are either:\r\r1. Showing an animated GIF file\r2. In the middle of loading a big "
    "picture.\r3. Currently in Slide Show\r\rThey will now stop, try to close Veldrimon again!";
inline constexpr const char* kSubWindowCloseWarning =
    "You have another Veldrimon sub-window still opened. You need to close out all the Veldrimon "
    "sub-windows before closing the main program!";
inline constexpr const char* kScansQuestion =
    "You have scanned some pictures and there COULD be files in your TEMP folder that may need to "
    "be deleted!";
inline constexpr const char* kSnapshotsQuestion =
    "You have Snap Shotted some pictures and there COULD be temp snapshot files in your TEMP "
    "folder that may need to be deleted!";
inline constexpr const char* kWallpaperNotice =
    "The new Wall-Paper has been handed to your DeskTop. If it does not show yet, the DeskTop may "
    "need a refresh (F5 on the DeskTop, or log off and on again).";
inline constexpr const char* kZoomNoMemory =
    "There is not enough memory to ZOOM the picture to that size.";
// The hint (tool tip) colour, and what large fonts (a window font taller than 11 pixels) change:
// the tool bar rows, the "Load" button and two buttons of the files list window grow.
inline const QColor kHintColour{255, 255, 192};
constexpr bool IsLargeFontHeight(int pixel_height) {
  return (pixel_height < 0 ? -pixel_height : pixel_height) > 11;
}
inline constexpr int kHintShowMs = 5000;
inline constexpr int kLargeFontRowSize = 38;
inline constexpr int kLargeFontLoadWider = 10;
inline constexpr int kLargeFontViewToggleWider = 50;
inline constexpr int kLargeFontNotesWider = 30;

class TVeldrimon69 : public QMainWindow {
  Q_OBJECT
 public:
  explicit TVeldrimon69(ViewerOptions options, QWidget* parent = nullptr);
  ~TVeldrimon69() override;

  // The start-up sequence after the window exists (settings, lists, database, command line,
  // first-run setup, update reminder). Exceptions inside are swallowed.
  void RunStartupSequence();

  // Shows the current file of the list. While a show runs the request is refused (and served
  // after it when `remember_if_busy`). `animate`: 0 shows a GIF still, 1 plays an animated GIF,
  // 2 keeps the picture shown. False when the request was refused.
  bool ShowCurrentFile(bool remember_if_busy = false, int animate = 1);
  void SelectView(View view);
  View view() const { return view_; }
  // The full-screen session in `mode` (1 fitted, 2 actual size); returns when it ends.
  void EnterFullScreen(int mode, bool shrink_only);
  void UpdateStatusAndCaption();
  void SetStatusPanel(int index, const std::string& text);
  std::string StatusPanel(int index) const;
  const std::string& caption_text() const { return caption_; }
  void EnableMenus(bool on);

  // The hand-over receiver: a second viewer's "stop what runs" and its command line.
  void HandOverSetFlag();
  void HandOverCommandLine(const std::string& text);
  // Drops of files and folders on the main window.
  void RecordDroppedFiles(const std::vector<std::string>& paths, bool on_main_window);

  // Navigation of the files list (Next and Previous: true when another file was shown).
  bool GoNext();
  bool GoPrevious();
  void GoFirst();
  void GoLast();
  // Toggle tag (Space, TBTag, the menu entry), the sound switch, and a preview of the shown file.
  void TBTagClick();
  void ToggleSoundOnOff1Click();
  void OpenPreviewOfCurrent();
  NavInput* nav_input() const { return nav_; }

  lists::FilesList& files_list() { return *files_list_; }
  Settings& settings() { return settings_; }
  const std::string& settings_path() const { return settings_path_; }
  const picture::PictureHolder& shown() const { return shown_; }
  const picture::Bitmap& display_bitmap() const { return display_cache_.bitmap(); }
  int display_rebuilds() const { return display_cache_.rebuilds(); }
  // Counts changes of the shown picture's pixels or of the realised palette; the actual-size
  // pane rebuilds its screen image when it moves.
  int picture_changes() const { return display_cache_.picture_changes(); }
  // The actual-size picture as the screen shows it: 32-bit, and on a palette screen every pixel
  // the nearest colour of the realised palette. Null for an empty bitmap.
  QImage ActualScreenImage(const picture::Bitmap& bitmap);
  TActualPane* actual_pane() const { return PanelImage1; }
  bool keep_aspect() const { return keep_aspect_; }
  int DisplayDepth() const;
  bool smoothing() const { return smooth_; }
  bool uninstalled() const { return uninstalled_; }
  bool closing() const { return closing_; }
  TFitPane* fit_pane() const { return fit_pane_; }
  TFullScreen* full_screen() const { return full_screen_; }
  // A menu entry (null while its menu is not built yet), and the row that declares it.
  QAction* action(Act id) const { return actions_[static_cast<size_t>(id)]; }
  static const ActionRow* ActionRowOf(Act id);
  // The "Reduce &Colors to..." entry `index` (0..10).
  QAction* reduce_action(int index) const;
  QMenu* picture_menu() const { return picture_menu_; }
  // Tells the shutdown that other windows counted as open (the FTP window, the recycle window...).
  void SetSubWindowCheck(std::function<bool()> check) { sub_window_open_ = std::move(check); }
  void SetScannedThisRun(bool on) { scanned_ = on; }
  void SetSnapshotsThisRun(bool on) { snapshots_ = on; }

  // The slide show (main_window_slide.cpp): start (a second start is ignored), its options
  // window, and whether one runs.
  void DoSlideShow1Click();
  void ChangeOptions1Click();
  bool slide_show_running() const;
  TSlideShowMenu* slide_options() const;
  QToolButton* slide_button() const { return TBSlide; }
  QToolButton* stop_button() const { return TBStop; }
  QToolButton* reload_button() const { return SpeedButton14; }

  // The animated GIF being played (its frames are drawn into the shown picture).
  bool gif_animating() const { return gif_.playing(); }
  int gif_frames_drawn() const { return gif_.frames(); }
  // Stops the animation after the frame it is on ("STOP SlideShow or GIF Animation").
  void StopAnimation();
  void GifFrameChanged();

  // The "GIF Comments" window (lives for the whole run) and the comment lines of the last GIF.
  codecs::gif::TGifCommentsMenu* gif_comments() const { return gif_comments_; }
  // The dither progress window used by the "Reduce &Colors to..." items.
  colour::TDitherProgressWindow* dither_window() const { return dither_window_; }
  // Reduces the shown picture as the "Reduce &Colors to..." item `index` (0..10) asks. True when
  // the picture was replaced by its reduced form.
  bool ReduceColorsClick(int index);
  // "Make TRUE-COLOR images load as 256 DITHERED Colors" (0 off, 1 on).
  int true_colour_on_256() const { return settings_.true_colour_on_256; }
  void TrueColourOn256Click();
  void TurnPhotosUprightToggled(bool on);  // main_window_camera.cpp

  // "Effec&Ts" transforms, the wallpaper entries and the movie window (main_window_effects.cpp).
  void Mirror1Click();
  void Flip1Click();
  void Rotate1Click();
  void Zoom1Click();
  void Style11Click();
  void Style21Click();
  void StretchToFit1Click();
  // The desktop facts the wallpaper's choice of mechanism looks at (default: this process's).
  void SetDesktopFacts(transforms::DesktopFacts facts);
  // FLI/FLC movies play in the "Movie Player (FLI/FLC)" window (made on first use).
  void OpenMovieWindow(const std::string& path);
  codecs::fli::TMovieFLIMenu* movie_window() const;

  // Writes the test state file (count, current, caption, entries) when one was asked for.
  void WriteStateFile() const;

  // Called by the fit pane: builds the display bitmap when needed and gives it (nullptr: none).
  const picture::Bitmap* DisplayBitmapFor(int width, int height);
  void FirstPaintDone();
  // Lays the fit pane out again (force rebuilds the display bitmap).
  void LayOutFitPane(bool force);

  // Slots named after their menu entries.
  void Open1Click();
  void FileListWindow1Click();
  void SearchList1Click();  // "Search File List By..." (main_window_search.cpp)
  void AlbumManager1Click();  // the album manager (main_window_albums.cpp)
  void TBAlbumClick();
  void AddWebPagesButton();
  albums::ui::TAlbumListMenu* album_window() const { return album_window_; }
  // The album docking entries of "&View", docking when the files list window opens, and albums
  // following the files list window's moves and renames (main_window_albums.cpp).
  void AddAlbumDockMenu(QMenu* view);
  void ShowAlbumDockSettings();  // their check marks from the settings
  void AutoDockAlbums();
  void AlbumsFollowMoves(const std::vector<std::pair<std::string, std::string>>& moves);
  void WebPagesFromFiles1Click();  // the web page wizard (main_window_web.cpp)
  void InternetWebSiteTool1Click();  // the FTP tool alone (main_window_ftp.cpp)
  // Printing and the catalogue of tagged files (main_window_print.cpp).
  void AddPrintEntries(QMenu* menu);
  void PrinterSetup1Click(), Print1Click(), PrintPreview1Click(), PrintOptions1Click(),
      PrintCatalog1Click();
  void RefreshSearchWindow();
  list_window::TFileListMenu* list_window() const { return list_window_.get(); }
  search_ui::TSearchListMenu* search_window() const { return search_window_.get(); }
  // The idle handler (MyIdle): one step of the files list window's background jobs unless
  // something else is busy. True while it wants to be called again.
  bool MyIdle();
  bool IdleBusy() const;
  IdleDriver* idle_driver() const { return idle_; }
  AppHook* app_hook() const { return app_hook_; }
  // The application hook's keys Ctrl+F9 .. Ctrl+F12 (the preview windows).
  bool PreviewHotKey(int key, Qt::KeyboardModifiers modifiers);
  // The main window's "&Previews" menu and its copy in the picture's right-click menu.
  QMenu* previews_menu() const { return previews_menu_; }
  QMenu* picture_previews_menu() const { return picture_previews_; }
  void LoadAllImages1Click();
  void Properties1Click();
  // "Save &As" and what the export window starts from (main_window_export.cpp).
  void SaveAs1Click();
  colour::ExportSession& ExportState();
  colour::ExportFileHost ExportHost();
  // The palette editor of the properties window (title: edit the palette, or pick the
  // transparent colour).
  void RunPaletteEditor(const std::string& title);
  // The files list window's conversion of tagged files.
  bool BeginConvert(std::string* extension);
  std::string ConvertFile(const std::string& source, const std::string& target);
  void EndConvert();
  void ExportDataBase1Click();
  void ImportDataBase1Click();
  // Opens the Notes database at `base` (closing the one open) and hands it to the files list;
  // false when it cannot be opened (the list then has no notes).
  bool OpenNotes(const std::string& base);
  void CloseNotes();
  // The open Notes database, or null.
  notes::NotesDatabase* notes_database() const { return notes_->database(); }
  // The Notes database menu entries (notes/ui/notes_windows.h does the work).
  void MakeNotesWindows();
  void DeleteNotesDataBase1Click();
  void SearchDataBase1Click();
  void CompactDataBase1Click();
  void ToolButton1Click();  // keep aspect ratio
  void ToolButton2Click();  // smooth shrunken images
  void ToolButton5Click();  // view cycle
  void SetupFileTypesClick();
  void UnInstallClick();
  void ClearHistoryClick();
  void StartExtras();  // the extras (main_window_extras.cpp), once the settings are read
  void OfferEditorsAtStart();  // no editor slot set: the desktop's picture editors offered
  void PasswordSetupClick();
  void MakeImageAPuzzle1Click();
  void BuildExtrasMenus();
  void AddExtrasListServices(list_window::ListWindowServices& services);
  // Deletes the shown file through the recycle bin after asking (the Delete key too).
  void TBTrashClick();
  // Opens the "RECYCLE BIN" window (one at a time, not modal).
  void TBUnDeleteClick();
  // "Select Formats For Loading": the files list's allowable types.
  void SelectFormatsClick();

  // The recycle bin (made at start-up) and its window while one is open.
  recycle::RecycleBin* recycle_bin() const;
  recycle::TRecycleBinMenu* recycle_window() const;
  // The bin state the delete and recycle buttons show (true: the bin holds files).
  bool bin_shown_full() const;
  QToolButton* trash_button() const { return TBTrash; }
  QToolButton* undelete_button() const { return TBUnDelete; }
  QMenu* drive_menu() const { return drive_menu_; }
  // The menu images for the screen depth read at start-up.
  const std::vector<QIcon>& menu_images() const { return menu_icons_; }
  // The cursor at a slot of the cursor table (the arrow until the table is loaded).
  QCursor CursorAt(int slot) const;
  TMediaPane* media_pane() const { return PanelMedia; }
  bool large_fonts() const { return large_fonts_; }
  const ScreenPalette& screen_palette() const { return display_cache_.screen_palette(); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool event(QEvent* event) override;

 private:
  // The action table's entries placed in the menus and tool bars (main_window_menus.cpp).
  QAction* Add(QMenu* menu, Act id, QActionGroup* group = nullptr);
  QToolButton* AddButton(QToolBar* bar, Act id);
  void BuildMenus();
  void BuildReduceMenu(QMenu* reduce);
  void BuildToolBars();
  void BuildPictureMenu();
  void PictureMenuFullScreen(int mode, bool shrink);
  void LeaveFullScreenOrAnimation();
  void RestartGif();
  void SetScreenDepth(int depth);
  void OpenReadMe();
  void BuildDriveMenu();
  void AttachMenuImages();
  void AttachListWindowImages();
  // The files list window (made at start-up and again when a hand-over replaces the list), its
  // settings, the idle handler and the application hook.
  void StartListWindow();
  list_window::TFileListMenu& EnsureListWindow();
  void ConnectListWindowIdle();
  void SaveListWindowState();
  void FinishListLoad();
  // Before a transform: false when the picture is busy or none is shown; else the picture is a
  // Bitmap. After it: the display is rebuilt (and the actual-size picture re-placed).
  bool CanTransform() const;
  bool BeginTransform();
  void EndTransform(bool replace_actual);
  void MakeWallpaperClick(char style);
  void RefreshRecentMenus();
  void StartRecycleBin();
  void ShowBinState(bool full);
  void RefreshNavigation();
  void ShowSoundState();
  NavigationHost Navigation();
  NavInputHost InputHost();
  FullScreenHost FullScreenHostFor();
  void ApplySettingsToMenus();
  void ReadMenusIntoSettings();
  void LayOutClient();
  void ClearPicture();
  void AutoSizeWindow();
  // Decodes `path` into the shown picture (a failure says so and keeps the picture shown);
  // gives the comment lines when the file is a GIF.
  std::vector<std::string> LoadIntoShown(const std::string& path);
  // Realises the shown picture's palette on palette screens and repaints what shows it.
  void RealisePalette();
  void ShowMedia(const std::string& path);
  void HideMedia();
  void ApplyHintColour();
  void ReadLargeFonts();
  void ApplyLargeFonts();
  void WidenListWindowButtons();
  // The shown picture's pixels changed: both the display bitmap and the actual-size image go.
  void PictureChanged() { display_cache_.PictureChanged(); }
  // The screen-colour notice when the screen shows fewer colours than the picture holds.
  void ScreenColourNotice();
  // Plays the shown GIF in place while "GIF &Animation (Continuous)" asks for more passes.
  void AnimateGif(const std::string& path);
  void NoteShownForExport(const std::string& path);
  void RebuildCaption();
  void OpenRecentFolder(int index);
  void OpenRecentFile(int index);
  void SetMultiLoad(int mode);
  // The slide show's controls and state (main_window_slide.cpp).
  struct SlideShowState;
  struct PrintState;
  void BuildSlideShow();
  void StopSlideShow();
  void DisplaySlide();
  void FinishSlideShow(int position);
  // Notes the file a show of the current file decoded (and how), or that none was.
  void NoteShownFile(const std::string& path, bool loaded);
  bool FileOnScreen(const std::string& path) const;  // decoded and on screen, unchanged since
  void AnimationBusy(bool on);
  void StartDecodeAhead(int position);  // the show's next picture, on a second thread  // the busy pointer and the entries an animation holds off
  void RunBenchSlideShow();
  bool FormCloseQuery();
  void FormClose();
  void RunFirstRunSetup();
  bool RunSetupFileTypesWindow();

  ViewerOptions options_;
  platform::Services services_;
  std::unique_ptr<lists::FilesList> files_list_;
  // The Notes database service; the files list hears of every open and close.
  std::unique_ptr<NotesService> notes_;
  // The database's windows and the files list's view of the database.
  std::unique_ptr<notes::NotesWindows> notes_windows_;
  std::unique_ptr<FileTypeRegistrar> registrar_;
  std::unique_ptr<recycle::RecycleController> recycle_;
  std::unique_ptr<notes::NotesTextController> notes_text_;
  // The files list window, made on first use and reset when a hand-over replaces the list.
  std::unique_ptr<list_window::TFileListMenu> list_window_;
  std::unique_ptr<search_ui::TSearchListMenu> search_window_;
  std::unique_ptr<lists::DriveMenu> drives_;
  Settings settings_;
  std::string settings_name_ = kDefaultSettingsName;
  std::string settings_path_;
  platform::TempFile scratch_;

  platform::SystemClock own_clock_;  // when the services bring no clock
  ShowPipeline show_pipeline_;
  std::unique_ptr<LoadProgress> load_progress_;  // status panel 0 during a decode
  picture::PictureHolder shown_;
  DisplayCache display_cache_;
  uint16_t shown_kind_ = 0;
  int file_bits_ = -1;
  bool first_paint_seen_ = false;
  bool picture_shown_ = false;  // a file of the list was shown (not only the empty picture)
  bool loading_ = false;
  int screen_depth_override_ = 0;   // 0: the screen's own depth
  bool colour_notice_off_ = false;  // for the rest of the run
  GifPlayback gif_;
  codecs::gif::TGifCommentsMenu* gif_comments_ = nullptr;
  colour::TDitherProgressWindow* dither_window_ = nullptr;
  std::shared_ptr<colour::ExportSession> export_session_;
  bool last_load_failed_ = false;
  std::unique_ptr<codecs::fli::TMovieFLIMenu> movie_window_;
  std::unique_ptr<transforms::DesktopFacts> desktop_facts_;
  std::unique_ptr<extras::ui::ExtrasController> extras_;
  EditedFileWatch* edit_watch_ = nullptr;  // the file an editor returned for (child object)
  QActionGroup* wallpaper_group_ = nullptr;
  bool wallpaper_notice_off_ = false;  // for the rest of the run

  View view_ = View::kFit;
  bool keep_aspect_ = false;
  bool smooth_ = false;
  bool menus_enabled_ = true;
  bool closing_ = false;
  bool uninstalled_ = false;
  bool handing_over_ = false;
  bool scanned_ = false;
  bool snapshots_ = false;
  std::function<bool()> sub_window_open_;
  std::string caption_ = "Veldrimon";
  std::vector<std::string> received_;  // hand-over texts, for the state file

  // Controls, by their layout names.
  TTitleStrip* title_strip_ = nullptr;
  QWidget* client_ = nullptr;
  QScrollArea* ScrollBox1 = nullptr;
  TActualPane* PanelImage1 = nullptr;
  TFitPane* fit_pane_ = nullptr;  // Panel1 with Panel2 and PaintBox3
  TMediaPane* PanelMedia = nullptr;
  bool large_fonts_ = false;
  std::array<QLabel*, 4> status_panels_{};
  QToolBar* load_bar_ = nullptr;
  QToolBar* view_bar_ = nullptr;
  QToolButton* ToolButton1 = nullptr;
  QToolButton* ToolButton2 = nullptr;
  QToolButton* ToolButton5 = nullptr;
  QToolButton* TBLoad = nullptr;
  QToolButton* TBPrev = nullptr;
  QToolButton* TBNext = nullptr;
  QToolButton* TBTrash = nullptr;
  QToolButton* TBUnDelete = nullptr;
  QMenu* file_menu_ = nullptr;
  QMenu* edit_menu_ = nullptr;
  QMenu* recent_folders_menu_ = nullptr;
  QMenu* recent_files_menu_ = nullptr;
  QMenu* drive_menu_ = nullptr;
  QMenu* picture_menu_ = nullptr;
  QMenu* previews_menu_ = nullptr;
  QMenu* picture_previews_ = nullptr;
  IdleDriver* idle_ = nullptr;
  AppHook* app_hook_ = nullptr;
  QActionGroup* view_group_ = nullptr;
  QActionGroup* full_group_ = nullptr;
  std::array<QAction*, kActCount> actions_{};
  std::vector<QAction*> reduce_actions_;
  TFullScreen* full_screen_ = nullptr;
  std::unique_ptr<FullScreenSession> full_session_;
  std::map<int, QCursor> cursors_;
  std::vector<QIcon> button_icons_;
  std::vector<QIcon> menu_icons_;
  NavInput* nav_ = nullptr;
  QToolButton* TBFirst = nullptr;
  QToolButton* TBLast = nullptr;
  QToolButton* TBTag = nullptr;
  QToolButton* TBSpeaker = nullptr;
  QToolButton* TBAlbum = nullptr;
  void AddAlbumButton();
  albums::ui::TAlbumListMenu* album_window_ = nullptr;  // owned as a child window
  QToolButton* TBSlide = nullptr;
  QToolButton* TBStop = nullptr;
  QToolButton* SpeedButton14 = nullptr;  // reloads the file (restarting an animation)
  std::shared_ptr<SlideShowState> slide_;
  std::shared_ptr<PrintState> print_;
};

}  // namespace vr::shell::ui
