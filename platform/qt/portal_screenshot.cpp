#include "platform/qt/portal_screenshot.h"

#include <QGuiApplication>
#include <QImage>
#include <QRandomGenerator>
#include <QUrl>

#include "platform/qt/screen_capture_qt.h"
#include "platform/qt/x11_windows.h"

#if VR_HAVE_QT_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QEventLoop>
#include <QTimer>
#endif

namespace vr::platform {

#if VR_HAVE_QT_DBUS
namespace {

constexpr const char* kPortalService = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kScreenshotInterface = "org.freedesktop.portal.Screenshot";
constexpr const char* kRequestInterface = "org.freedesktop.portal.Request";
// The user may take a while over the desktop's own question; past this the request is given up.
constexpr int kAnswerTimeoutMs = 120000;
constexpr int kCallTimeoutMs = 10000;

}  // namespace

// Receives the Request object's Response signal and ends the wait.
class PortalAnswer : public QObject {
  Q_OBJECT
 public:
  explicit PortalAnswer(QEventLoop* loop) : loop_(loop) {}
  bool answered = false;
  uint response = 2;
  QVariantMap results;

 public slots:
  void Response(uint code, const QVariantMap& values) {
    answered = true;
    response = code;
    results = values;
    loop_->quit();
  }

 private:
  QEventLoop* loop_;
};
#endif

PortalScreenCapture::PortalScreenCapture(QWidget* anchor) : anchor_(anchor) {
#if VR_HAVE_QT_DBUS
  bus_ = std::make_unique<QDBusConnection>(QDBusConnection::sessionBus());
#endif
}

PortalScreenCapture::PortalScreenCapture(QWidget* anchor, const QDBusConnection& bus)
    : anchor_(anchor) {
#if VR_HAVE_QT_DBUS
  bus_ = std::make_unique<QDBusConnection>(bus);
#else
  (void)bus;
#endif
}

PortalScreenCapture::~PortalScreenCapture() = default;

CapturedPicture PortalScreenCapture::GrabScreen(bool hide_first) {
  const QList<QWidget*> hidden = hide_first ? HideWindowsForASecond() : QList<QWidget*>();
  CapturedPicture shot = Ask(false);
  for (QWidget* w : hidden) w->show();
  return shot;
}

CapturedPicture PortalScreenCapture::GrabPickedWindow() { return Ask(true); }

CapturedPicture PortalScreenCapture::ClipboardPicture() {
  QtScreenCapture clipboard(anchor_);
  return clipboard.ClipboardPicture();
}

CapturedPicture PortalScreenCapture::Ask(bool interactive) {
#if VR_HAVE_QT_DBUS
  if (!bus_ || !bus_->isConnected()) return {};
  // The Request object's path is known before the call (sender and token), so the answer
  // cannot slip by between the call's return and the subscription.
  const QString token =
      QString("veldrimon%1").arg(QRandomGenerator::global()->generate() & 0x7FFFFFFF);
  QString sender = bus_->baseService();
  if (sender.startsWith(':')) sender.remove(0, 1);
  sender.replace('.', '_');
  QString request_path = QString(kPortalPath) + "/request/" + sender + "/" + token;

  QEventLoop loop;
  PortalAnswer answer(&loop);
  // Watched before the call: a portal that leaves right after its reply must not be missed.
  bool gone_away = false;
  QDBusServiceWatcher gone(kPortalService, *bus_, QDBusServiceWatcher::WatchForUnregistration);
  QObject::connect(&gone, &QDBusServiceWatcher::serviceUnregistered, &loop, [&] {
    gone_away = true;
    loop.quit();
  });
  bus_->connect(kPortalService, request_path, kRequestInterface, "Response", &answer,
                SLOT(Response(uint, QVariantMap)));
  QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath,
                                                     kScreenshotInterface, "Screenshot");
  QVariantMap options;
  options.insert("handle_token", token);
  options.insert("modal", true);
  options.insert("interactive", interactive);
  call << QString() << options;
  const QDBusMessage reply = bus_->call(call, QDBus::Block, kCallTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
    bus_->disconnect(kPortalService, request_path, kRequestInterface, "Response", &answer,
                     SLOT(Response(uint, QVariantMap)));
    return {};
  }
  // Older portals choose their own path: follow the one they gave.
  const QString handle = qvariant_cast<QDBusObjectPath>(reply.arguments().front()).path();
  if (!handle.isEmpty() && handle != request_path) {
    bus_->disconnect(kPortalService, request_path, kRequestInterface, "Response", &answer,
                     SLOT(Response(uint, QVariantMap)));
    request_path = handle;
    bus_->connect(kPortalService, request_path, kRequestInterface, "Response", &answer,
                  SLOT(Response(uint, QVariantMap)));
  }
  if (!answer.answered && !gone_away && bus_->interface()->isServiceRegistered(kPortalService)) {
    // The wait ends on the answer, on the portal leaving the bus, or after the time limit.
    QTimer::singleShot(kAnswerTimeoutMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
  }
  bus_->disconnect(kPortalService, request_path, kRequestInterface, "Response", &answer,
                   SLOT(Response(uint, QVariantMap)));
  if (!answer.answered || answer.response != 0) return {};
  const QUrl uri(answer.results.value("uri").toString());
  if (!uri.isLocalFile()) return {};
  return CapturedFromImage(QImage(uri.toLocalFile()));
#else
  (void)interactive;
  return {};
#endif
}

bool UsePortalForSnapshots() {
  const QByteArray forced = qgetenv("VELDRIMON_SNAPSHOT_PORTAL");
  if (forced == "1") return true;
  if (forced == "0") return false;
  if (QGuiApplication::platformName() == "wayland") return true;
  return !qgetenv("WAYLAND_DISPLAY").isEmpty() && qgetenv("DISPLAY").isEmpty();
}

bool CanPickWindows() { return UsePortalForSnapshots() || OnX11(); }

std::unique_ptr<ScreenCapture> MakeScreenCapture(QWidget* anchor) {
  if (UsePortalForSnapshots()) return std::make_unique<PortalScreenCapture>(anchor);
  return std::make_unique<QtScreenCapture>(anchor);
}

}  // namespace vr::platform

#if VR_HAVE_QT_DBUS
#include "portal_screenshot.moc"
#endif
