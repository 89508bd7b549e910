#include "platform/qt/single_instance_qt.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QThread>
#include <cstdlib>

#include "platform/folders.h"
#include "platform/path_rules.h"

namespace vr::platform {
namespace {

constexpr int kConnectSliceMs = 250;

QByteArray ReadLine(QLocalSocket& socket, int timeout_ms) {
  QElapsedTimer timer;
  timer.start();
  while (!socket.canReadLine()) {
    const int left = timeout_ms - static_cast<int>(timer.elapsed());
    if (left <= 0 || socket.state() != QLocalSocket::ConnectedState) return {};
    if (!socket.waitForReadyRead(left)) return {};
  }
  QByteArray line = socket.readLine();
  if (line.endsWith('\n')) line.chop(1);
  return line;
}

}  // namespace

std::string QtSingleInstance::DefaultFolder() { return RuntimeFolder(ProcessEnvironment()); }

QtSingleInstance::QtSingleInstance(std::string folder) {
  // No private folder: no lock and no socket at names another user could have made first; this
  // viewer runs alone.
  if (folder.empty()) return;
  const std::string user = std::to_string(::getuid());
  lock_path_ = WithTrailingSeparator(folder) + "MYSPECIALTHING-" + user + ".lock";
  socket_path_ = WithTrailingSeparator(folder) + "TVeldrimon69-" + user + ".sock";
}

QtSingleInstance::~QtSingleInstance() {
  ReleaseStartupLock();
  if (server_ != nullptr) server_->close();
}

bool QtSingleInstance::AcquireStartupLock(int timeout_ms) {
  if (lock_fd_ >= 0 || RunsAlone()) return true;
  // O_NOFOLLOW: a planted link at the lock's name must not make us create files elsewhere.
  const int fd = ::open(lock_path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  QElapsedTimer timer;
  timer.start();
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (timer.elapsed() >= timeout_ms) {
      ::close(fd);
      return false;
    }
    QThread::msleep(10);
  }
  lock_fd_ = fd;
  return true;
}

void QtSingleInstance::ReleaseStartupLock() {
  if (lock_fd_ < 0) return;
  ::flock(lock_fd_, LOCK_UN);
  ::close(lock_fd_);
  lock_fd_ = -1;
}

std::optional<QByteArray> QtSingleInstance::Ask(const QByteArray& request, int timeout_ms) {
  if (RunsAlone()) return std::nullopt;
  QLocalSocket socket;
  socket.connectToServer(QString::fromStdString(socket_path_));
  if (!socket.waitForConnected(std::min(timeout_ms, kConnectSliceMs))) return std::nullopt;
  socket.write(request);
  if (!socket.waitForBytesWritten(timeout_ms)) return std::nullopt;
  QByteArray line = ReadLine(socket, timeout_ms);
  if (line.isEmpty()) return std::nullopt;
  return line;
}

bool QtSingleInstance::ViewerAnswers() {
  // A listening socket is a live viewer: a dead one's socket file refuses connections. A viewer
  // still busy with its start-up may not answer a ping in time, yet it is running.
  if (RunsAlone()) return false;
  QLocalSocket socket;
  socket.connectToServer(QString::fromStdString(socket_path_));
  return socket.waitForConnected(kConnectSliceMs);
}

std::optional<WindowRect> QtSingleInstance::ViewerRect() {
  auto answer = Ask("RECT\n", 2000);
  if (!answer) return std::nullopt;
  const QList<QByteArray> parts = answer->split(' ');
  if (parts.size() != 4) return std::nullopt;
  return WindowRect{parts[0].toInt(), parts[1].toInt(), parts[2].toInt(), parts[3].toInt()};
}

void QtSingleInstance::BringViewerForward() { (void)Ask("FRONT\n", 2000); }

HandOverResult QtSingleInstance::HandOver(const std::string& command_line, int flag_wait_ms,
                                          int ack_wait_ms) {
  if (RunsAlone()) return HandOverResult::kNoFlag;
  QElapsedTimer timer;
  timer.start();
  QLocalSocket socket;
  bool flag = false;
  // A viewer that is still starting may not listen yet: keep trying until the flag deadline.
  while (!flag && timer.elapsed() < flag_wait_ms) {
    socket.abort();
    socket.connectToServer(QString::fromStdString(socket_path_));
    if (!socket.waitForConnected(kConnectSliceMs)) {
      QThread::msleep(50);
      continue;
    }
    socket.write("96\n");
    const int left = std::max(1, flag_wait_ms - static_cast<int>(timer.elapsed()));
    flag = ReadLine(socket, left) == "1";
  }
  if (!flag) return HandOverResult::kNoFlag;
  QByteArray request =
      "69 " + QByteArray::number(static_cast<qulonglong>(command_line.size())) + "\n";
  request.append(command_line.data(), static_cast<qsizetype>(command_line.size()));
  socket.write(request);
  if (!socket.waitForBytesWritten(ack_wait_ms)) return HandOverResult::kNoAck;
  return ReadLine(socket, ack_wait_ms) == kHandOverAck ? HandOverResult::kDone
                                                       : HandOverResult::kNoAck;
}

bool QtSingleInstance::Listen(HandOverReceiver receiver) {
  receiver_ = std::move(receiver);
  if (RunsAlone()) return false;
  if (server_ == nullptr) {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &QtSingleInstance::OnNewConnection);
  }
  const QString path = QString::fromStdString(socket_path_);
  if (server_->listen(path)) return true;
  // Nobody answers (we hold the start-up lock when called), so the socket is a dead viewer's.
  QLocalServer::removeServer(path);
  return server_->listen(path);
}

void QtSingleInstance::OnNewConnection() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
      pending_.remove(socket);
      socket->deleteLater();
    });
    if (socket->bytesAvailable() > 0) OnReadyRead(socket);
  }
}

void QtSingleInstance::OnReadyRead(QLocalSocket* raw_socket) {
  // The receiver's callbacks may run nested event loops, so the socket and the buffer table are
  // looked up afresh after each one.
  QPointer<QLocalSocket> socket(raw_socket);
  pending_[raw_socket].append(raw_socket->readAll());
  for (;;) {
    if (socket.isNull() || !pending_.contains(raw_socket)) return;
    QByteArray& buffer = pending_[raw_socket];
    const qsizetype eol = buffer.indexOf('\n');
    if (eol < 0) return;
    const QByteArray head = buffer.left(eol);
    if (head == "PING") {
      buffer.remove(0, eol + 1);
      socket->write("1\n");
    } else if (head == "96") {
      buffer.remove(0, eol + 1);
      if (receiver_.on_set_flag) receiver_.on_set_flag();
      if (socket.isNull()) return;
      socket->write("1\n");
    } else if (head.startsWith("69 ")) {
      bool ok = false;
      const qsizetype size = head.mid(3).toLongLong(&ok);
      if (!ok || size < 0 || size > (1 << 20)) {
        socket->abort();
        return;
      }
      if (buffer.size() < eol + 1 + size) return;  // wait for the whole text
      const std::string text = buffer.mid(eol + 1, size).toStdString();
      buffer.remove(0, eol + 1 + size);
      // The acknowledgement goes out in every case: it is what releases the sender.
      if (receiver_.on_command_line) receiver_.on_command_line(text);
      if (socket.isNull()) return;
      socket->write(QByteArray(kHandOverAck) + "\n");
    } else if (head == "RECT") {
      buffer.remove(0, eol + 1);
      const WindowRect r = receiver_.window_rect ? receiver_.window_rect() : WindowRect{};
      socket->write(QByteArray::number(r.left) + ' ' + QByteArray::number(r.top) + ' ' +
                    QByteArray::number(r.right) + ' ' + QByteArray::number(r.bottom) + '\n');
    } else if (head == "FRONT") {
      buffer.remove(0, eol + 1);
      if (receiver_.on_bring_forward) receiver_.on_bring_forward();
      if (socket.isNull()) return;
      socket->write("OK\n");
    } else {
      socket->abort();  // not one of ours
      return;
    }
    socket->flush();
  }
}

}  // namespace vr::platform
