#pragma once
// Screen snapshots on Wayland, where programs may not read the screen themselves: the desktop
// portal's Screenshot call (org.freedesktop.portal.Screenshot) over the session bus. The portal
// answers through a Request object's Response signal with the URI of a file it wrote; a missing
// portal, a refusal or an unreadable file give nothing.

#include <QPointer>
#include <QWidget>
#include <memory>

#include "platform/screen_capture.h"

class QDBusConnection;

namespace vr::platform {

class PortalScreenCapture : public ScreenCapture {
 public:
  // `anchor`: the main window (hidden in hidden mode). `bus`: the session bus by default; tests
  // hand a connection to a private bus.
  explicit PortalScreenCapture(QWidget* anchor);
  PortalScreenCapture(QWidget* anchor, const QDBusConnection& bus);
  ~PortalScreenCapture() override;
  CapturedPicture GrabScreen(bool hide_first) override;
  CapturedPicture ClipboardPicture() override;
  // The portal's interactive mode: the desktop lets the user pick a window (or area).
  CapturedPicture GrabPickedWindow() override;
  bool CanPickWindow() const override { return true; }

 private:
  CapturedPicture Ask(bool interactive);
  QPointer<QWidget> anchor_;
  std::unique_ptr<QDBusConnection> bus_;
};

// Whether snapshots go through the portal: "VELDRIMON_SNAPSHOT_PORTAL" set to "1" or "0" decides;
// otherwise a Wayland session does (the "wayland" platform, or WAYLAND_DISPLAY without DISPLAY).
bool UsePortalForSnapshots();

// Whether "Snap Shot Of A Window" can work in this session: through the portal, or on X11.
bool CanPickWindows();

// The capture service for this session: the portal on Wayland, QScreen elsewhere.
std::unique_ptr<ScreenCapture> MakeScreenCapture(QWidget* anchor);

}  // namespace vr::platform
