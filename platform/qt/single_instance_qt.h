#pragma once
// Lock file + QLocalServer/QLocalSocket implementation of the single-instance service.

#include <QObject>
#include <QByteArray>
#include <QHash>
#include <memory>
#include <string>

#include "platform/single_instance.h"

class QLocalServer;
class QLocalSocket;

namespace vr::platform {

class QtSingleInstance : public QObject, public SingleInstance {
  Q_OBJECT
 public:
  // Lock and socket live in `folder` (by default the private runtime folder: see RuntimeFolder),
  // named per user. An empty folder means no private place was found: the viewer runs alone
  // (the lock is always its own, nobody answers, nothing listens).
  explicit QtSingleInstance(std::string folder = DefaultFolder());
  ~QtSingleInstance() override;

  static std::string DefaultFolder();

  bool AcquireStartupLock(int timeout_ms) override;
  void ReleaseStartupLock() override;
  bool ViewerAnswers() override;
  std::optional<WindowRect> ViewerRect() override;
  void BringViewerForward() override;
  HandOverResult HandOver(const std::string& command_line, int flag_wait_ms,
                          int ack_wait_ms) override;
  bool Listen(HandOverReceiver receiver) override;

  const std::string& SocketPath() const { return socket_path_; }
  bool RunsAlone() const { return socket_path_.empty(); }

 private:
  void OnNewConnection();
  void OnReadyRead(QLocalSocket* socket);
  // Sends one request on a fresh connection and waits for its one-line answer.
  std::optional<QByteArray> Ask(const QByteArray& request, int timeout_ms);

  std::string lock_path_;
  std::string socket_path_;
  int lock_fd_ = -1;
  QLocalServer* server_ = nullptr;
  HandOverReceiver receiver_;
  QHash<QLocalSocket*, QByteArray> pending_;
};

}  // namespace vr::platform
