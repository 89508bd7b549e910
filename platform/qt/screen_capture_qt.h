#pragma once
// Screen snapshots through QScreen::grabWindow and the clipboard through QClipboard; on X11 the
// windows to pick one from through xcb.

#include <QPointer>
#include <QScreen>
#include <QWidget>

#include "platform/screen_capture.h"

namespace vr::platform {

class QtScreenCapture : public ScreenCapture {
 public:
  // `anchor`: the main window; its screen is grabbed and it is hidden in hidden mode.
  explicit QtScreenCapture(QWidget* anchor) : anchor_(anchor) {}
  CapturedPicture GrabScreen(bool hide_first) override;
  CapturedPicture ClipboardPicture() override;
  // On X11: the desktop's top-level windows over the screen GrabScreen takes.
  std::vector<ScreenWindow> ScreenWindows() override;
  bool CanPickWindow() const override;

 private:
  QScreen* Screen() const;
  QPointer<QWidget> anchor_;
};

// Hides the program's visible windows and lets a second pass with events flowing; gives the
// windows to show again.
QList<QWidget*> HideWindowsForASecond();

// A QImage as 24-bit rows (any format; transparency dropped on black).
CapturedPicture CapturedFromImage(const QImage& image);

}  // namespace vr::platform
