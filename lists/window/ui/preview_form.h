#pragma once
// The floating preview windows: TMyForm shows one picture of the files list in a top-level
// window of its own, stretchable (fitted to the window) or scrollable (natural size). Up to 32
// are open at once, each named "PreViewFile" + its slot and listed in every "&Previews" menu.
// PreviewManager owns the slot table, the menus and the commands that act on all previews.

#include <QAction>
#include <QActionGroup>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "lists/window/preview_slots.h"
#include "picture/picture_holder.h"

class QPainter;
class QScrollArea;

namespace vr::platform {
class Sounds;
class Ui;
}  // namespace vr::platform

namespace vr::list_window {

class TGifThread;
class PreviewManager;

inline constexpr const char* kPreviewHint =
    "RIGHT-CLICK to turn this hint off. Drag from this window to other programs, DBL-Click or "
    "press \"V\" to toggle between Actual Size/Stretchable Size, OR press ESCape to close preview. "
    "You can also use the SPACE-BAR to TAG the file in the Files List. You can also use the <, >. "
    "keys to go backwards and forwards thru the files list.";
inline constexpr const char* kStretchableCaption =
    "  [Stretchable]  Press ESCape To EXIT / Press SPACE-BAR to TAG";
inline constexpr const char* kScrollableCaption =
    "  [Scrollable]  Press ESCape To EXIT / Press SPACE-BAR to TAG";
inline constexpr const char* kHideAllCaption = "Hide All Previews";
inline constexpr const char* kShowAllCaption = "Show All Previews";
inline constexpr const char* kTileAllCaption = "Tile All Previews";
inline constexpr const char* kRemoveAllCaption = "Remove All Previews";
inline constexpr const char* kDisplayNextCaption = "Display Next Preview";
inline constexpr const char* kEndOfListSound = "EOFLIST.WAV";

class PreviewCanvas;

// What a preview's picture surface asks of its window: to draw the picture as the window shows
// it, and to act on the surface's drag, double-click and wheel.
class PreviewSurfaceHost {
 public:
  virtual void PaintPicture(QPainter& painter, const QRect& area, const QColor& background) = 0;
  virtual void DragFileOut(QWidget* source) = 0;
  virtual void ToggleView() = 0;
  virtual void Scroll(int dx, int dy) = 0;

 protected:
  ~PreviewSurfaceHost() = default;
};

class TMyForm : public QWidget, private PreviewSurfaceHost {
  Q_OBJECT

 public:
  TMyForm(PreviewManager& manager, int slot, std::string path);
  ~TMyForm() override;

  int slot() const { return slot_; }
  const std::string& path() const { return path_; }
  bool stretchable() const { return stretchable_; }
  const picture::PictureHolder& picture() const { return picture_; }
  // Loads the file (errors leave the failure picture); gives whether it is an animated GIF.
  bool Load();
  void SetPicture(picture::PictureHolder picture);
  // Stretchable mode with the first sizing in the work area.
  void FirstSizing(const QRect& work_area);
  void ToggleView() override;
  void SetScrollable();
  void SetTagIcon(bool tagged);

  // Animation.
  void StartGifThread();
  TGifThread* gif_thread() const { return gif_thread_; }
  // Called on the user-interface thread with each frame of the thread.
  void ShowGifFrame(const picture::Bitmap& frame);
  int gif_frames_shown() const { return gif_frames_shown_; }

  // The picture as shown in stretchable mode (rebuilt on resize), in device pixels; for tests.
  QRect picture_rect() const { return picture_rect_; }
  int layouts() const { return layouts_; }
  void set_tool_tips(bool on);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void PaintPicture(QPainter& painter, const QRect& area, const QColor& background) override;
  void DragFileOut(QWidget* source) override;
  void GifThreadEnded();
  void Relayout();
  // The picture at natural size, one picture pixel per device pixel.
  void MakeImage();
  void UpdateCaption();
  void Scroll(int dx, int dy) override;

  PreviewManager& manager_;
  int slot_;
  std::string path_;
  picture::PictureHolder picture_;
  QImage image_;      // the picture as shown at natural size (at device pixels)
  QImage stretched_;  // the second picture: the fitted drawing
  QRect picture_rect_;
  bool stretchable_ = true;
  int layouts_ = 0;
  QScrollArea* scroll_ = nullptr;
  PreviewCanvas* canvas_ = nullptr;
  TGifThread* gif_thread_ = nullptr;
  int gif_frames_shown_ = 0;
};

// What the previews need from the files list window.
struct PreviewHost {
  std::function<int(const std::string& path)> find;  // files list position, -1 when absent
  std::function<int()> count;
  std::function<std::string(int position)> path_at;
  std::function<bool(int position)> is_tagged;
  std::function<void(int position)> toggle_tag;  // toggles and refreshes the window
  std::function<void(int position)> select;      // selects the row
  std::function<bool()> list_window_active;
  std::function<void()> focus_list;
  platform::Sounds* sounds = nullptr;
  platform::Ui* ui = nullptr;        // the drag question
  std::function<QRect()> work_area;  // empty: the primary screen's available area
};

class PreviewManager : public QObject {
  Q_OBJECT

 public:
  explicit PreviewManager(PreviewHost host, QObject* parent = nullptr);
  ~PreviewManager() override;

  PreviewHost& host() { return host_; }

  // Opens a preview (nothing for sounds and movies or when all 32 slots are taken).
  TMyForm* OpenPreview(const std::string& path, bool load = true);
  void ClosePreview(const std::string& path);
  void ShowPreviewScrollable(const std::string& path);
  void DisplayNextPreview();  // Ctrl+F9
  void HideAllPreviews();     // Ctrl+F10
  void ShowAllPreviews();     // Ctrl+F11
  void TileAllPreviews();     // Ctrl+F12
  void RemoveAllPreviews();
  void RefreshTagIcon(int position);
  // The application hook's keys: Ctrl+F9 .. Ctrl+F12. True when handled.
  bool HandleHotKey(int key, Qt::KeyboardModifiers modifiers);

  // Fills a "&Previews" menu with the commands and keeps its window entries current.
  void AttachPreviewsMenu(QMenu* menu);
  // The shared right-click menu of all previews.
  QMenu* context_menu() { return &context_menu_; }
  bool tool_tips() const { return tool_tips_; }

  int OpenCount() const { return slots_.Count(); }
  TMyForm* FormInSlot(int slot) const;
  TMyForm* FindByName(const QString& name) const;
  std::vector<TMyForm*> Forms() const;
  QRect WorkArea() const;
  const PreviewSlots& slot_table() const { return slots_; }

  // From the forms.
  void FormClosing(TMyForm* form);
  void StepFrom(TMyForm* form, int delta);
  void ToggleTagOf(TMyForm* form);
  void EscapeFrom(TMyForm* form);
  void DragFile(QWidget* source, const std::string& path);

 private:
  struct MenuEntry {
    QPointer<QMenu> menu;
    QActionGroup* group = nullptr;
    std::map<int, QAction*> items;  // slot -> entry
  };
  void AddMenuItem(MenuEntry& entry, int slot, const std::string& path);
  void AddMenuItems(int slot, const std::string& path);
  void RemoveMenuItems(int slot);
  void Warn();

  PreviewHost host_;
  PreviewSlots slots_;
  std::map<int, QPointer<TMyForm>> forms_;
  std::vector<MenuEntry> menus_;
  QMenu context_menu_;
  QAction* tool_tip_action_ = nullptr;
  QPointer<TMyForm> context_form_;
  bool tool_tips_ = true;
};

}  // namespace vr::list_window
