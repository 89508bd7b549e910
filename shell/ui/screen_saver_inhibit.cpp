#include "shell/ui/screen_saver_inhibit.h"

#if VR_HAVE_QT_DBUS
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#endif

namespace vr::shell::ui {

#if VR_HAVE_QT_DBUS
namespace {

constexpr const char* kService = "org.freedesktop.ScreenSaver";
constexpr const char* kPath = "/org/freedesktop/ScreenSaver";
constexpr int kCallTimeoutMs = 500;  // a bus that does not answer must not hold the show up

}  // namespace

bool ScreenSaverInhibit::Inhibit() {
  if (active_) return true;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  QDBusInterface saver(kService, kPath, kService, bus);
  if (!saver.isValid()) return false;
  saver.setTimeout(kCallTimeoutMs);
  const QDBusReply<uint> reply = saver.call("Inhibit", "Veldrimon", "Slide show");
  if (!reply.isValid()) return false;
  cookie_ = reply.value();
  active_ = true;
  return true;
}

void ScreenSaverInhibit::Release() {
  if (!active_) return;
  active_ = false;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  QDBusInterface saver(kService, kPath, kService, bus);
  saver.setTimeout(kCallTimeoutMs);
  if (saver.isValid()) saver.call("UnInhibit", cookie_);
}
#else
bool ScreenSaverInhibit::Inhibit() { return false; }
void ScreenSaverInhibit::Release() { active_ = false; }
#endif

}  // namespace vr::shell::ui
