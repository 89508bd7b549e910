#pragma once
// The main window's input on the picture: the key map (seen before the focused control, as a key
// preview), the next/previous zones at the picture's edges with their cursors, tool tips and
// right-click menu, presses in the zones, dragging the current file out, double clicks that open
// a preview, and the mouse wheel. The same handling covers the full-screen window. The decisions
// are in shell/navigation.h; this class only reads Qt events and drives the window it serves
// through NavInputHost.

#include <QCursor>
#include <QObject>
#include <QPoint>
#include <functional>
#include <map>
#include <string>

#include "shell/navigation.h"
#include "shell/ui/actions.h"

class QAction;
class QKeyEvent;
class QMenu;
class QMouseEvent;
class QScrollArea;
class QWheelEvent;
class QWidget;

namespace vr::platform {
class Sounds;
class Ui;
}  // namespace vr::platform

namespace vr::shell::ui {

class TFitPane;
class TFullScreen;

// What the input handling needs of the window it serves: its picture controls, the entries of
// its menus, the files list's position and the commands the keys and presses run.
struct NavInputHost {
  QWidget* window = nullptr;          // key presses and wheel turns inside it are previewed
  QScrollArea* scroll_box = nullptr;  // the actual-size view
  TFitPane* fit_pane = nullptr;
  QWidget* actual_pane = nullptr;  // the picture inside the scroll box
  TFullScreen* full_screen = nullptr;
  platform::Ui* ui = nullptr;
  platform::Sounds* sounds = nullptr;
  std::function<QAction*(Act)> action;    // null while the entry does not exist yet
  std::function<QMenu*()> picture_menu;   // the right-click menu; null before it is built
  std::function<QWidget*()> list_window;  // the files list window; null when there is none
  std::function<QCursor(int slot)> cursor_at;
  std::function<int()> count;                 // entries in the files list
  std::function<std::string()> current_path;  // the current entry's path
  std::function<void()> previous;
  std::function<void()> next;
  std::function<void()> restart;  // shows the current file again (restarts an animation)
  std::function<void()> next_view;
  std::function<void()> delete_current;
  std::function<void()> toggle_tag;
  std::function<void()> open_preview;
  std::function<void()> stop_animation;
  std::function<void()> slide_show;  // F12: start the slide show
};

class NavInput : public QObject {
  Q_OBJECT
 public:
  // The picture controls, each with the pane its edge zones are measured in.
  enum class Pane { kFit, kScrollBox, kActual, kFullScreen };

  NavInput(NavInputHost host, QObject* parent);
  ~NavInput() override;

  // Watches a picture control (mouse tracking, presses, wheel, double clicks, right clicks).
  void Watch(QWidget* widget, Pane pane);
  // Watches the files list window for its sliding sounds.
  void WatchListWindow(QWidget* window);

  // The program's key code of a Qt key (0 when it has none).
  static int KeyCodeOf(const QKeyEvent& event);
  // FormKeyDown: true when the key was used.
  bool FormKeyDown(int code, bool alt);
  // A key the full-screen window passes on.
  void FullScreenKeyPassed(int code);

  // The edge-zone handling for a pointer at x in a pane `width` pixels wide.
  void SetCursorNextPrev(QWidget* widget, int x, int width, bool full_screen);

  bool next_prev_mode() const { return next_prev_mode_; }
  int last_key() const { return last_key_; }
  const QString& picture_tip() const { return tip_; }
  // Where a drag of the current file out of the program starts; tests record instead.
  void SetDragStarter(std::function<void(QWidget* source, const std::string& path)> starter) {
    drag_starter_ = std::move(starter);
  }
  int drags_started() const { return drags_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The pointer's x in the reference pane and that pane's width.
  void ZoneOf(QWidget* widget, Pane pane, const QPoint& pos, int* x, int* width) const;
  bool MouseDown(QWidget* widget, Pane pane, QMouseEvent* event);
  void MouseMove(QWidget* widget, Pane pane, QMouseEvent* event);
  // A wheel turn in the main window, over the scroll box or elsewhere; true when taken.
  bool Wheel(bool over_box, QWheelEvent* event);
  // The right-click menu over a picture control: shown in the middle zone only.
  bool ContextMenu(Pane pane, const QPoint& global);
  // The full-screen entries and "Normal Window" of the picture menu, as it is about to show.
  void UpdatePictureMenu();
  void WheelOnWindow(int delta, int step);
  void StartDrag(QWidget* source);

  class KeyPreview;
  NavInputHost host_;
  KeyPreview* key_preview_ = nullptr;
  std::map<QObject*, Pane> panes_;
  QObject* list_window_ = nullptr;
  bool next_prev_mode_ = false;
  // The zone, control and tips state the cursor and tips were last set for.
  bool zone_known_ = false;
  bool zone_edge_ = false;
  bool zone_tips_ = true;
  QWidget* zone_widget_ = nullptr;
  int last_key_ = 0;
  // The part of a wheel notch not scrolled yet (in 1/120 notches).
  int wheel_rest_ = 0;
  QString tip_;
  // The last press on the picture (source 2) or -1 after a drop.
  int press_source_ = -1;
  QPoint press_point_;
  DoubleClickTimer fit_clicks_;
  std::function<void(QWidget*, const std::string&)> drag_starter_;
  int drags_ = 0;
};

}  // namespace vr::shell::ui
