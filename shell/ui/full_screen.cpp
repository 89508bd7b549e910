#include "shell/ui/full_screen.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "picture/shrink.h"
#include "picture/ui/device_pixels.h"
#include "picture/ui/qimage_bridge.h"
#include "shell/navigation.h"
#include "shell/ui/main_window.h"
#include "shell/ui/nav_input.h"
#include "shell/ui/panes.h"

namespace vr::shell::ui {

TFullScreen::TFullScreen(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
  setObjectName("FullScreen");
  setAttribute(Qt::WA_OpaquePaintEvent);
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);
  setFocusPolicy(Qt::StrongFocus);
}

QSize TFullScreen::LogicalScreenSize() const {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->geometry().size() : QSize(1024, 768);
}

QSize TFullScreen::ScreenSize() const {
  return picture::DeviceSize(LogicalScreenSize(), picture::ScreenPixelRatio());
}

void TFullScreen::ShowPicture(const picture::PictureHolder& picture, int mode, bool shrink_only,
                              bool same_file, bool smooth) {
  Prepare(picture, mode, shrink_only, same_file, smooth);
  Present();
}

void TFullScreen::Prepare(const picture::PictureHolder& picture, int mode, bool shrink_only,
                          bool same_file, bool smooth, FittedPicture* ready) {
  Prepared p;
  p.picture = &picture;
  p.mode = mode;
  p.shrink_only = shrink_only;
  p.same_file = same_file;
  const QSize screen = ScreenSize();
  const int pw = std::max(1, picture.Width());
  const int ph = std::max(1, picture.Height());
  if (mode == 1) {
    const ScreenFit fit{screen.width(), screen.height(), shrink_only, smooth};
    const bool taken = ready != nullptr && FittedFrom(*ready, picture, fit);
    if (!taken) ++fits_made_;
    FittedPicture fitted = taken ? std::move(*ready) : FitToScreen(picture, fit);
    p.box = fitted.box;
    p.fitted = std::move(fitted.bitmap);
    if (screen_palette_ != nullptr) screen_palette_->MapFor(picture.bitmap, p.fitted);
  } else {
    p.box = FullScreenActual(pw, ph, screen.width(), screen.height());
    // Made once per showing, so that scrolling only copies.
    p.actual = ScreenImageOf(picture.bitmap, picture.bitmap, screen_palette_);
  }
  prepared_ = std::move(p);
}

void TFullScreen::Present() {
  if (prepared_.picture == nullptr) return;
  picture_ = prepared_.picture;
  mode_ = prepared_.mode;
  shrink_only_ = prepared_.shrink_only;
  paint_box_ = prepared_.box;
  fitted_ = std::move(prepared_.fitted);
  actual_image_ = std::move(prepared_.actual);
  const bool same_file = prepared_.same_file;
  prepared_ = Prepared();
  ratio_ = picture::ScreenPixelRatio();
  const QSize screen = LogicalScreenSize();
  setGeometry(-2, -2, screen.width() + 4, screen.height() + 4);
  if (mode_ != 1) {
    if (!same_file) scroll_x_ = scroll_y_ = 0;
    ScrollBy(0, 0);
  }
  show();
  raise();
  activateWindow();
  setFocus();
  update();
}

int TFullScreen::RunLoop() {
  request_ = kRequestNone;
  loop_.exec();
  return request_;
}

void TFullScreen::SetRequest(int code) {
  request_ = code;
  if (loop_.isRunning()) loop_.quit();
}

void TFullScreen::ScrollBy(int dx, int dy) {
  if (mode_ != 2) return;
  const QSize screen = ScreenSize();
  const int max_x = std::max(0, paint_box_.width - screen.width());
  const int max_y = std::max(0, paint_box_.height - screen.height());
  scroll_x_ = std::clamp(scroll_x_ + qRound(dx * ratio_), 0, max_x);
  scroll_y_ = std::clamp(scroll_y_ + qRound(dy * ratio_), 0, max_y);
  update();
}

void TFullScreen::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (picture_ == nullptr) return;
  // The window starts 2 pixels off the screen's corner. The pictures are made at device pixels
  // and drawn one to one.
  painter.translate(2, 2);
  painter.scale(1 / ratio_, 1 / ratio_);
  if (mode_ == 1) {
    if (!fitted_.Empty()) {
      painter.drawImage(QPoint(paint_box_.left, paint_box_.top), picture::BitmapToQImage(fitted_));
    }
  } else if (mode_ == 2 && !actual_image_.isNull()) {
    painter.drawImage(QPoint(paint_box_.left - scroll_x_, paint_box_.top - scroll_y_),
                      actual_image_);
  }
}

void TFullScreen::keyPressEvent(QKeyEvent* event) {
  const int code = NavInput::KeyCodeOf(*event);
  const FullScreenKeyResult r = FullScreenKey(code);
  switch (r.action) {
    case FullScreenKeyAction::kScroll:
      ScrollBy(r.dx, r.dy);
      return;
    case FullScreenKeyAction::kRestart:
      SetRequest(kRequestRestartGif);
      return;
    case FullScreenKeyAction::kDelete:
      if (on_delete_) on_delete_();
      return;
    case FullScreenKeyAction::kPassOn:
      if (pass_on_) {
        pass_on_(code);
      } else {
        SetRequest(code);
      }
      return;
    case FullScreenKeyAction::kNone:
      QWidget::keyPressEvent(event);
  }
}

// Presses reach the main window's picture handling (next/previous zones) through its event filter.

void TFullScreen::wheelEvent(QWheelEvent* event) {
  const int steps = event->angleDelta().y() / 120;
  ScrollBy(0, -steps * 20);
}

void TFullScreen::closeEvent(QCloseEvent* event) {
  // Closing the window (by the window manager) leaves full screen like Escape.
  SetRequest(kRequestStop);
  event->ignore();
}

}  // namespace vr::shell::ui
