#include "shell/ui/nav_input.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QUrl>
#include <QWheelEvent>

#include "lists/files_list.h"
#include "lists/window/drag_files.h"
#include "lists/window/ui/file_list_menu.h"
#include "platform/sounds.h"
#include "shell/ui/artwork.h"
#include "shell/ui/full_screen.h"
#include "shell/ui/panes.h"

namespace vr::shell::ui {
namespace {

constexpr int kNextPrevCursor = 10;  // "NEXTPREV"
constexpr int kMagnifyCursor = 13;   // "MAGNIFY1"

MouseButton ButtonOf(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return MouseButton::kLeft;
    case Qt::RightButton:
      return MouseButton::kRight;
    case Qt::MiddleButton:
      return MouseButton::kMiddle;
    default:
      return MouseButton::kOther;
  }
}

}  // namespace

// Key preview: sees every key press and wheel turn of the application and hands those meant for
// the main window (or any control in it) to FormKeyDown and the wheel handling before the control
// under the focus or the pointer gets them.
class NavInput::KeyPreview : public QObject {
 public:
  explicit KeyPreview(NavInput& nav) : QObject(&nav), nav_(nav) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::Wheel) return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (w == nullptr || w->window() != nav_.host_.window) return false;
    if (type == QEvent::Wheel) {
      QScrollArea* box = nav_.host_.scroll_box;
      const bool over_box = w == box || box->isAncestorOf(w);
      return nav_.Wheel(over_box, static_cast<QWheelEvent*>(event));
    }
    auto* key_event = static_cast<QKeyEvent*>(event);
    return nav_.FormKeyDown(KeyCodeOf(*key_event), key_event->modifiers() & Qt::AltModifier);
  }

 private:
  NavInput& nav_;
};

NavInput::NavInput(NavInputHost host, QObject* parent)
    : QObject(parent), host_(std::move(host)), tip_(kMiddleZoneTip) {
  key_preview_ = new KeyPreview(*this);
  qApp->installEventFilter(key_preview_);
  drag_starter_ = [this](QWidget* source, const std::string& path) {
    const std::vector<std::string> kept = list_window::DraggedFiles({path}, host_.ui);
    if (kept.empty()) return;
    auto* mime = new QMimeData;
    mime->setUrls({QUrl::fromLocalFile(QString::fromStdString(kept.front()))});
    auto* drag = new QDrag(source);
    drag->setMimeData(mime);
    drag->exec(Qt::CopyAction, Qt::CopyAction);
  };
}

NavInput::~NavInput() { qApp->removeEventFilter(key_preview_); }

void NavInput::Watch(QWidget* widget, Pane pane) {
  panes_[widget] = pane;
  widget->setMouseTracking(true);
  widget->installEventFilter(this);
  connect(widget, &QObject::destroyed, this, [this, widget] {
    panes_.erase(widget);
    if (zone_widget_ == widget) zone_known_ = false;
  });
}

void NavInput::WatchListWindow(QWidget* window) {
  list_window_ = window;
  window->installEventFilter(this);
  connect(window, &QObject::destroyed, this, [this, window] {
    if (list_window_ == window) list_window_ = nullptr;
  });
}

int NavInput::KeyCodeOf(const QKeyEvent& event) {
  const int k = event.key();
  if (k >= Qt::Key_A && k <= Qt::Key_Z) return 'A' + (k - Qt::Key_A);
  if (k >= Qt::Key_0 && k <= Qt::Key_9) return '0' + (k - Qt::Key_0);
  if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return key::kF1 + (k - Qt::Key_F1);
  switch (k) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return key::kEnter;
    case Qt::Key_Shift:
      return key::kShift;
    case Qt::Key_Control:
      return 17;
    case Qt::Key_Alt:
      return 18;
    case Qt::Key_Escape:
      return key::kEscape;
    case Qt::Key_Space:
      return key::kSpace;
    case Qt::Key_PageUp:
      return key::kPageUp;
    case Qt::Key_PageDown:
      return key::kPageDown;
    case Qt::Key_End:
      return 35;
    case Qt::Key_Home:
      return 36;
    case Qt::Key_Left:
      return key::kLeft;
    case Qt::Key_Up:
      return key::kUp;
    case Qt::Key_Right:
      return key::kRight;
    case Qt::Key_Down:
      return key::kDown;
    case Qt::Key_Insert:
      return 45;
    case Qt::Key_Delete:
      return key::kDelete;
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_Tab:
      return 9;
    default:
      return 0;
  }
}

bool NavInput::FormKeyDown(int code, bool alt) {
  if (code == 0) return false;
  last_key_ = code;
  const bool full_screen = host_.full_screen->looping();
  const KeyResult r = MainWindowKey(code, alt, full_screen);
  if (r.stop_animation) host_.stop_animation();
  if (full_screen) {
    if (r.request >= 0) host_.full_screen->SetRequest(r.request);
    return r.request >= 0;
  }
  switch (r.action) {
    case KeyAction::kNone:
      return r.stop_animation;
    case KeyAction::kRestart:
      host_.restart();
      break;
    case KeyAction::kSlideShow:
      if (!kSlideShowBuilt || !host_.slide_show) return r.stop_animation;
      host_.slide_show();
      break;
    case KeyAction::kNextView:
      host_.next_view();
      break;
    case KeyAction::kScroll: {
      QScrollBar* h = host_.scroll_box->horizontalScrollBar();
      QScrollBar* v = host_.scroll_box->verticalScrollBar();
      h->setValue(h->value() + r.dx);
      v->setValue(v->value() + r.dy);
      break;
    }
    case KeyAction::kPrevious:
      host_.previous();
      break;
    case KeyAction::kNext:
      host_.next();
      break;
    case KeyAction::kWheel:
      WheelOnWindow(r.wheel_delta, kWindowWheelStep);
      break;
    case KeyAction::kDelete:
      host_.delete_current();
      break;
    case KeyAction::kToggleTag:
      host_.toggle_tag();
      break;
  }
  return true;
}

void NavInput::FullScreenKeyPassed(int code) {
  last_key_ = code;
  const KeyResult r = MainWindowKey(code, false, true);
  if (r.stop_animation) host_.stop_animation();
  QWidget* list_window = host_.list_window();
  if (code == key::kEscape && list_window != nullptr && list_window->isVisible()) {
    list_window->raise();
  }
  if (r.request >= 0) host_.full_screen->SetRequest(r.request);
}

void NavInput::SetCursorNextPrev(QWidget* widget, int x, int width, bool full_screen) {
  const bool edge = InEdgeZone(x, width);
  next_prev_mode_ = edge;
  // The cursor and the tips change only when the pointer crosses into the other zone, enters
  // another control or the tips are switched: most moves have nothing to do.
  const QAction* tips_off = host_.action(Act::kPopTips);
  const bool tips_shown = tips_off == nullptr || !tips_off->isChecked();
  if (zone_known_ && edge == zone_edge_ && widget == zone_widget_ && tips_shown == zone_tips_) {
    return;
  }
  zone_known_ = true;
  zone_edge_ = edge;
  zone_widget_ = widget;
  zone_tips_ = tips_shown;
  widget->setCursor(host_.cursor_at(edge ? kNextPrevCursor : kMagnifyCursor));
  tip_ = edge ? kEdgeZoneTip : kMiddleZoneTip;
  const QString tip = tips_shown ? tip_ : QString();
  QWidget* controls[] = {host_.fit_pane, host_.scroll_box->viewport(), host_.actual_pane};
  for (QWidget* w : controls) w->setToolTip(tip);
  if (full_screen) widget->setToolTip(tip);
}

void NavInput::UpdatePictureMenu() {
  const bool looping = host_.full_screen->looping();
  const int mode = looping ? host_.full_screen->mode() : 0;
  const bool shrink = looping && host_.full_screen->shrink_only();
  const bool any = host_.count() > 0;
  const std::pair<Act, bool> entries[] = {{Act::kPopFullShrink, mode == 1 && shrink},
                                          {Act::kPopFullFit, mode == 1 && !shrink},
                                          {Act::kPopFullActual, mode == 2}};
  for (const auto& [id, current] : entries) {
    if (QAction* a = host_.action(id)) {
      a->setChecked(current);
      a->setEnabled(any && !current);
    }
  }
  if (QAction* normal = host_.action(Act::kPopNormal)) normal->setEnabled(looping);
}

void NavInput::ZoneOf(QWidget* widget, Pane pane, const QPoint& pos, int* x, int* width) const {
  switch (pane) {
    case Pane::kFit:
      *x = pos.x() - TFitPane::kMargin;
      *width = host_.fit_pane->BoxWidth();
      return;
    case Pane::kScrollBox:
    case Pane::kActual:
      *x = widget->mapTo(host_.scroll_box, pos).x();
      *width = host_.scroll_box->width();
      return;
    case Pane::kFullScreen:
      *x = pos.x();
      *width = widget->width();
      return;
  }
}

bool NavInput::MouseDown(QWidget* widget, Pane pane, QMouseEvent* event) {
  const bool full_screen = pane == Pane::kFullScreen;
  int x = 0;
  int width = 0;
  ZoneOf(widget, pane, event->position().toPoint(), &x, &width);
  SetCursorNextPrev(widget, x, width, full_screen);
  const bool modifiers = event->modifiers() != Qt::NoModifier;
  const bool lone_button = event->buttons() == event->button();
  const PressAction action = PictureMouseDown(next_prev_mode_, ButtonOf(event->button()),
                                              modifiers || !lone_button, full_screen);
  switch (action) {
    case PressAction::kPrevious:
      host_.previous();
      break;
    case PressAction::kNext:
      host_.next();
      break;
    case PressAction::kRequestPrevious:
      host_.full_screen->SetRequest(kRequestPrevious);
      break;
    case PressAction::kRequestNext:
      host_.full_screen->SetRequest(kRequestNext);
      break;
    case PressAction::kNone:
      break;
  }
  press_source_ = 2;
  press_point_ = event->globalPosition().toPoint();
  if (action != PressAction::kNone) return true;
  // The fit pane counts its own double clicks.
  if (pane == Pane::kFit && event->button() == Qt::LeftButton &&
      fit_clicks_.Press(static_cast<int64_t>(event->timestamp()),
                        QApplication::doubleClickInterval())) {
    host_.open_preview();
    return true;
  }
  if (event->type() == QEvent::MouseButtonDblClick && pane != Pane::kFit && !full_screen &&
      event->button() == Qt::LeftButton) {
    host_.open_preview();
    return true;
  }
  return false;
}

void NavInput::MouseMove(QWidget* widget, Pane pane, QMouseEvent* event) {
  int x = 0;
  int width = 0;
  ZoneOf(widget, pane, event->position().toPoint(), &x, &width);
  SetCursorNextPrev(widget, x, width, pane == Pane::kFullScreen);
  if (pane == Pane::kFullScreen || press_source_ != 2 || event->buttons() != Qt::LeftButton) {
    return;
  }
  const QPoint now = event->globalPosition().toPoint();
  if (!DragOutStarts(press_point_.x(), press_point_.y(), now.x(), now.y())) return;
  press_source_ = -1;  // one drag per press
  StartDrag(widget);
}

void NavInput::StartDrag(QWidget* source) {
  if (host_.count() <= 0) return;
  const std::string path = host_.current_path();
  ++drags_;
  drag_starter_(source, path);
}

void NavInput::WheelOnWindow(int delta, int step) {
  QScrollBar* v = host_.scroll_box->verticalScrollBar();
  v->setValue(WheelScroll(v->value(), delta, step));
}

bool NavInput::Wheel(bool over_box, QWheelEvent* event) {
  // Touchpads and high-resolution wheels send parts of a notch; they add up until a whole one
  // is there. A turn the other way drops what was left of the last one.
  const int delta = event->angleDelta().y();
  if ((delta > 0 && wheel_rest_ < 0) || (delta < 0 && wheel_rest_ > 0)) wheel_rest_ = 0;
  wheel_rest_ += delta;
  const int notches = wheel_rest_ / kWheelNotch;
  if (notches == 0) return true;
  wheel_rest_ -= notches * kWheelNotch;
  if (over_box) {
    WheelOnWindow(notches * kWheelNotch, kScrollBoxWheelStep);
    if (host_.sounds != nullptr)
      host_.sounds->Play(platform::kSoundQuestion);
  } else {
    WheelOnWindow(notches * kWheelNotch, kWindowWheelStep);
  }
  return true;
}

bool NavInput::ContextMenu(Pane pane, const QPoint& global) {
  // In the edge zones the right button means Next: no menu. Over the full-screen picture the
  // menu is left out while the files list window shows.
  QMenu* menu = host_.picture_menu();
  if (next_prev_mode_ || menu == nullptr) return true;
  QWidget* list_window = host_.list_window();
  if (pane == Pane::kFullScreen && list_window != nullptr && list_window->isVisible()) {
    return true;
  }
  UpdatePictureMenu();
  menu->exec(global);
  return true;
}

bool NavInput::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (watched == list_window_ && list_window_ != nullptr) {
    if ((type == QEvent::Show || type == QEvent::Hide) && !event->spontaneous() &&
        host_.sounds != nullptr) {
      host_.sounds->Play(type == QEvent::Show ? kSwishInSound : kSwishOutSound);
    }
    return false;
  }
  const auto found = panes_.find(watched);
  if (found == panes_.end()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  const Pane pane = found->second;
  switch (type) {
    case QEvent::MouseMove:
      MouseMove(widget, pane, static_cast<QMouseEvent*>(event));
      // The actual-size panel sits in the scroll box's viewport, which is watched too: a move
      // over the panel is taken here so that it is not handled a second time there.
      return pane == Pane::kActual;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
      return MouseDown(widget, pane, static_cast<QMouseEvent*>(event));
    // Wheel turns in the main window are taken by the key preview before they get here; the
    // full-screen window scrolls itself.
    case QEvent::ContextMenu:
      return ContextMenu(pane, static_cast<QContextMenuEvent*>(event)->globalPos());
    case QEvent::Drop:
      press_source_ = -1;
      return false;
    default:
      return false;
  }
}

}  // namespace vr::shell::ui
