#include "platform/qt/screen_capture_qt.h"

#include "platform/qt/x11_windows.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QWindow>
#include <cstring>

namespace vr::platform {

CapturedPicture CapturedFromImage(const QImage& image) {
  CapturedPicture out;
  if (image.isNull()) return out;
  const QImage rgb = image.convertToFormat(QImage::Format_BGR888);
  out.width = rgb.width();
  out.height = rgb.height();
  const size_t row = static_cast<size_t>(out.width) * 3;
  out.bgr.resize(row * static_cast<size_t>(out.height));
  for (int y = 0; y < out.height; ++y) {
    std::memcpy(out.bgr.data() + row * static_cast<size_t>(y), rgb.constScanLine(y), row);
  }
  return out;
}

QList<QWidget*> HideWindowsForASecond() {
  // Every visible window of the program goes for a second, so the desktop repaints what was
  // under them; events keep flowing meanwhile.
  QList<QWidget*> hidden;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible()) {
      hidden.append(w);
      w->hide();
    }
  }
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 1000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(20);
  }
  return hidden;
}

QScreen* QtScreenCapture::Screen() const {
  QScreen* screen = nullptr;
  if (anchor_ != nullptr && anchor_->window()->windowHandle() != nullptr) {
    screen = anchor_->window()->windowHandle()->screen();
  }
  return screen != nullptr ? screen : QGuiApplication::primaryScreen();
}

std::vector<ScreenWindow> QtScreenCapture::ScreenWindows() {
  QScreen* screen = Screen();
  if (screen == nullptr) return {};
  // A screen's top left corner keeps its device position under scaling; only its size scales.
  return X11TopLevelWindows(screen->geometry().topLeft());
}

bool QtScreenCapture::CanPickWindow() const { return OnX11(); }

CapturedPicture QtScreenCapture::GrabScreen(bool hide_first) {
  QScreen* screen = Screen();
  if (screen == nullptr) return {};
  const QList<QWidget*> hidden = hide_first ? HideWindowsForASecond() : QList<QWidget*>();
  const QPixmap shot = screen->grabWindow(0);
  for (QWidget* w : hidden) w->show();
  // Device pixels: the pixmap's own size, not the screen's logical geometry.
  return CapturedFromImage(shot.toImage());
}

CapturedPicture QtScreenCapture::ClipboardPicture() {
  const QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) return {};
  return CapturedFromImage(clipboard->image());
}

}  // namespace vr::platform
