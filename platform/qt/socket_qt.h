#pragma once
// The socket service on Qt: QTcpSocket connections, QTcpServer listening, QHostInfo name lookup,
// SOCKS 5 through QNetworkProxy and SOCKS 4/4A through a small handshake of our own (Qt has no
// SOCKS 4). Events arrive through the Qt event loop of the thread that made the service.

#include <QElapsedTimer>
#include <QObject>
#include <memory>

#include "platform/socket.h"

namespace vr::platform::qt {

class QtSocketLoop : public SocketLoop {
 public:
  QtSocketLoop();
  void Post(std::function<void()> callback) override;
  void ProcessEvents(int max_wait_ms, bool own_thread_only) override;
  bool Terminating() const override;
  int64_t NowMs() const override;

 private:
  QObject context_;
  QElapsedTimer clock_;
};

class QtSocketService : public SocketService {
 public:
  std::unique_ptr<StreamSocket> CreateSocket() override;
  SocketLoop& Loop() override { return loop_; }

 private:
  QtSocketLoop loop_;
};

}  // namespace vr::platform::qt
