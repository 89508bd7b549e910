#include "platform/qt/socket_qt.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkProxy>
#include <QPointer>
#include <QSignalBlocker>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

namespace vr::platform::qt {
namespace {

// Buffered sockets (through a proxy): Send returns "would block" above this many queued bytes;
// data-sent fires below the low mark. Direct sockets write straight to the system and hold back
// only what it did not take, so they say "would block" while anything is held back.
constexpr qint64 kHighWater = 256 * 1024;
constexpr qint64 kLowWater = 64 * 1024;
constexpr qint64 kReadBuffer = 256 * 1024;

int CodeOf(QAbstractSocket::SocketError error) {
  switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
      return kSocketConnectionRefused;
    case QAbstractSocket::RemoteHostClosedError:
      return 0;
    case QAbstractSocket::HostNotFoundError:
      return kSocketHostNotFound;
    case QAbstractSocket::SocketTimeoutError:
      return kSocketTimedOut;
    case QAbstractSocket::NetworkError:
      return kSocketNetworkError;
    case QAbstractSocket::AddressInUseError:
      return kSocketAddressInUse;
    case QAbstractSocket::ProxyConnectionRefusedError:
    case QAbstractSocket::ProxyConnectionClosedError:
    case QAbstractSocket::ProxyConnectionTimeoutError:
    case QAbstractSocket::ProxyNotFoundError:
    case QAbstractSocket::ProxyProtocolError:
    case QAbstractSocket::ProxyAuthenticationRequiredError:
      return kSocketProxyError;
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
      return kSocketTlsError;
    default:
      return kSocketOtherError;
  }
}

std::string AddressText(const QHostAddress& address) {
  bool mapped = false;
  const quint32 v4 = address.toIPv4Address(&mapped);
  if (mapped) return QHostAddress(v4).toString().toStdString();
  return address.toString().toStdString();
}

// A listening socket whose callers arrive as QSslSocket objects, ready to start TLS.
class TlsReadyServer : public QTcpServer {
 protected:
  void incomingConnection(qintptr descriptor) override {
    auto* caller = new QSslSocket(this);
    if (caller->setSocketDescriptor(descriptor)) {
      addPendingConnection(caller);
    } else {
      delete caller;
    }
  }
};

class QtStreamSocket : public StreamSocket {
 public:
  explicit QtStreamSocket(QTcpSocket* adopted = nullptr) {
    socket_.reset(adopted != nullptr ? adopted : new QTcpSocket());
    socket_->setParent(nullptr);
    tls_capable_ = qobject_cast<QSslSocket*>(adopted) != nullptr;
    socket_->setReadBufferSize(kReadBuffer);
    connected_ = adopted != nullptr && adopted->state() == QAbstractSocket::ConnectedState;
    Wire();
  }
  ~QtStreamSocket() override {
    CancelLookup();
    Silence();
    ReleaseHeld();
  }

  // TLS needs a QSslSocket from the start (Qt has no unbuffered TLS, and a connection cannot move
  // between socket objects), so a socket that may start TLS is prepared before it connects or
  // listens; it then runs buffered and plain until StartTls.
  void PrepareTls(bool on) override { tls_capable_ = on; }

  void StartTls(const std::string& peer_name, const std::string& session) override {
    auto* tls = qobject_cast<QSslSocket*>(socket_.get());
    const auto fail = [this](const std::string& why) {
      last_error_ = kSocketTlsError;
      last_error_text_ = why;
      Later([this] {
        if (on_tls_ready) on_tls_ready(kSocketTlsError);
      });
    };
    if (tls == nullptr) {
      fail("The connection was not prepared for TLS");
      return;
    }
    if (tls_ != nullptr || !connected_ || socks_pending_) {
      fail("TLS can start only once, on a connected socket");
      return;
    }
    if (!QSslSocket::supportsSsl()) {
      fail("TLS is not available (Qt found no TLS library)");
      return;
    }
    tls_ = tls;
    tls_errors_.clear();
    QSslConfiguration config = tls->sslConfiguration();
    // Sessions are kept so that data connections can resume the control connection's.
    config.setSslOption(QSsl::SslOptionDisableSessionPersistence, false);
    if (!session.empty()) {
      config.setSessionTicket(QByteArray(session.data(), static_cast<qsizetype>(session.size())));
    }
    tls->setSslConfiguration(config);
    tls->setPeerVerifyName(QString::fromStdString(peer_name));
    WireTls();
    tls_starting_ = true;
    tls->startClientEncryption();
  }

  bool TlsActive() const override { return tls_ != nullptr && tls_->isEncrypted(); }

  TlsPeer TlsPeerFacts() const override {
    TlsPeer peer;
    if (tls_ == nullptr) return peer;
    const QSslCertificate cert = tls_->peerCertificate();
    peer.trusted = TlsActive() && tls_errors_.empty() && !cert.isNull();
    peer.errors = tls_errors_;
    if (cert.isNull() && peer.errors.empty()) peer.errors = "The server sent no certificate";
    peer.fingerprint =
        cert.digest(QCryptographicHash::Sha256).toHex(':').toUpper().toStdString();
    peer.subject = cert.subjectInfo(QSslCertificate::CommonName).join(", ").toStdString();
    return peer;
  }

  std::string TlsSession() const override {
    if (!TlsActive()) return std::string();
    return tls_->sslConfiguration().sessionTicket().toStdString();
  }

  void LookupHost(const std::string& name) override {
    CancelLookup();
    const QString text = QString::fromStdString(name);
    QHostAddress literal;
    if (proxy_.kind == SocketProxy::kSocks4A || proxy_.kind == SocketProxy::kSocks5 ||
        literal.setAddress(text)) {
      // Addresses need no lookup; names for a resolving proxy go through unchanged.
      lookup_result_ = literal.isNull() ? name : AddressText(literal);
      Later([this] {
        if (on_lookup_done) on_lookup_done(0);
      });
      return;
    }
    lookup_id_ = QHostInfo::lookupHost(text, &context_, [this](const QHostInfo& info) {
      lookup_id_ = -1;
      int error = 0;
      if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
        error = kSocketHostNotFound;
        last_error_ = error;
        last_error_text_ = info.errorString().toStdString();
      } else {
        // IPv4 first: active transfers need a four-byte address for PORT.
        QHostAddress chosen = info.addresses().first();
        for (const QHostAddress& a : info.addresses()) {
          if (a.protocol() == QAbstractSocket::IPv4Protocol) {
            chosen = a;
            break;
          }
        }
        lookup_result_ = AddressText(chosen);
      }
      if (on_lookup_done) on_lookup_done(error);
    });
  }

  void CancelLookup() override {
    if (lookup_id_ >= 0) QHostInfo::abortHostLookup(lookup_id_);
    lookup_id_ = -1;
  }
  std::string LookupResult() const override { return lookup_result_; }

  void Connect(const std::string& address, uint16_t port) override {
    Silence();
    socket_->abort();
    ReleaseHeld();
    DropTls();
    MatchSocketKind();
    Wire();
    direct_ = false;
    connecting_ = true;
    connected_ = false;
    socks_reply_.clear();
    target_address_ = address;
    target_port_ = port;
    const QString host = QString::fromStdString(address);
    if (proxy_.kind == SocketProxy::kSocks5) {
      socket_->setProxy(QNetworkProxy(
          QNetworkProxy::Socks5Proxy, QString::fromStdString(proxy_.server), proxy_.port,
          QString::fromStdString(proxy_.user_code), QString::fromStdString(proxy_.password)));
      socket_->connectToHost(host, port);
      return;
    }
    socket_->setProxy(QNetworkProxy::NoProxy);
    if (proxy_.kind == SocketProxy::kSocks4 || proxy_.kind == SocketProxy::kSocks4A) {
      socks_pending_ = true;
      socket_->connectToHost(QString::fromStdString(proxy_.server), proxy_.port);
      return;
    }
    if (tls_capable_) {
      socket_->connectToHost(host, port);
      return;
    }
    // Unbuffered: reads and writes go straight between the caller's buffer and the system, with
    // no copy through Qt's buffers and no buffer allocated per block.
    direct_ = true;
    socket_->connectToHost(QHostAddress(host), port, QIODevice::ReadWrite | QIODevice::Unbuffered);
  }

  bool Listen(const std::string& address, uint16_t port) override {
    server_ = tls_capable_ ? std::make_unique<TlsReadyServer>() : std::make_unique<QTcpServer>();
    server_->setProxy(QNetworkProxy::NoProxy);
    const QHostAddress where = address == "0.0.0.0" ? QHostAddress(QHostAddress::AnyIPv4)
                                                    : QHostAddress(QString::fromStdString(address));
    if (!server_->listen(where, port)) {
      last_error_ = CodeOf(server_->serverError());
      last_error_text_ = server_->errorString().toStdString();
      server_.reset();
      return false;
    }
    QObject::connect(server_.get(), &QTcpServer::newConnection, &context_, [this] {
      if (on_session_available) on_session_available();
    });
    return true;
  }

  std::unique_ptr<StreamSocket> Accept() override {
    if (!server_ || !server_->hasPendingConnections()) return nullptr;
    QTcpSocket* caller = server_->nextPendingConnection();
    if (caller == nullptr) return nullptr;
    return std::make_unique<QtStreamSocket>(caller);
  }

  std::string LocalAddress() const override { return AddressText(socket_->localAddress()); }
  uint16_t LocalPort() const override {
    return server_ ? server_->serverPort() : socket_->localPort();
  }
  std::string PeerAddress() const override { return AddressText(socket_->peerAddress()); }
  bool IsConnected() const override { return connected_; }

  int64_t Receive(void* buffer, size_t size) override {
    if (socks_pending_) {
      last_error_ = kSocketWouldBlock;
      return -1;
    }
    const qint64 got = socket_->read(static_cast<char*>(buffer), static_cast<qint64>(size));
    if (got > 0) return got;
    if (direct_ && got < 0 && connected_ && socket_->state() == QAbstractSocket::UnconnectedState) {
      // An unbuffered read that meets the end of the stream drops the connection without the
      // state signal; report the close as the signal would.
      connected_ = false;
      const QAbstractSocket::SocketError error = socket_->error();
      const int code = error == QAbstractSocket::RemoteHostClosedError ? 0 : CodeOf(error);
      Later([this, code] {
        if (on_closed) on_closed(code);
      });
      return 0;
    }
    if (got < 0 && socket_->state() == QAbstractSocket::ConnectedState) {
      last_error_ = CodeOf(socket_->error());
      return -1;
    }
    if (socket_->state() != QAbstractSocket::ConnectedState && socket_->bytesAvailable() == 0) {
      return 0;
    }
    last_error_ = kSocketWouldBlock;
    return -1;
  }

  int64_t Send(const void* data, size_t size) override {
    if (!connected_ || socket_->state() != QAbstractSocket::ConnectedState) {
      last_error_ = kSocketNotConnected;
      return -1;
    }
    if (direct_ ? socket_->bytesToWrite() > 0 : HeldBytes() >= kHighWater) {
      last_error_ = kSocketWouldBlock;
      return -1;
    }
    const qint64 put = socket_->write(static_cast<const char*>(data), static_cast<qint64>(size));
    if (put < 0) {
      last_error_ = CodeOf(socket_->error());
      last_error_text_ = socket_->errorString().toStdString();
      return -1;
    }
    return put;
  }

  void Shutdown() override {
    if (socket_->state() == QAbstractSocket::UnconnectedState) {
      if (connected_) {
        connected_ = false;
        Later([this] {
          if (on_closed) on_closed(0);
        });
      }
      return;
    }
    if (tls_ != nullptr) {
      DrainTls();
      HoldConnection();
    }
    socket_->disconnectFromHost();
  }

  void Close() override {
    Silence();
    CancelLookup();
    socket_->abort();
    if (server_) server_->close();
    server_.reset();
    connected_ = false;
    connecting_ = false;
    socks_pending_ = false;
    ReleaseHeld();
    DropTls();
    Wire();
  }

  void SetProxy(const SocketProxy& proxy) override { proxy_ = proxy; }
  // Qt closes gracefully after flushing its own buffer; a lingering close() would block the
  // event loop, so the setting is not passed on.
  void SetLinger(bool, int) override {}
  int SendBufferSize() const override {
    return socket_->socketOption(QAbstractSocket::SendBufferSizeSocketOption).toInt();
  }
  int LastError() const override { return last_error_; }
  std::string ErrorText(int error) const override {
    if (error == last_error_ && !last_error_text_.empty()) return last_error_text_;
    return DefaultSocketErrorText(error);
  }

 private:
  // Events raised by our own calls run from the loop, after the call has returned.
  void Later(std::function<void()> fn) {
    QMetaObject::invokeMethod(
        &context_, [fn] { fn(); }, Qt::QueuedConnection);
  }

  void Silence() { QObject::disconnect(socket_.get(), nullptr, &context_, nullptr); }

  // Bytes written but not yet on the wire; with TLS also what waits to be encrypted.
  qint64 HeldBytes() const {
    qint64 held = socket_->bytesToWrite();
    if (tls_ != nullptr) held += tls_->encryptedBytesToWrite();
    return held;
  }

  // Before a TLS connection closes, what the peer sent and nobody read (TLS 1.3 session tickets
  // arrive after the handshake) is taken in: a close with unread bytes makes the system reset the
  // connection, and a reset throws away what the peer had not read yet, the end of an upload.
  // Only the caller's own events are held back; what arrives is dropped (a closing side reads
  // nothing more).
  void DrainTls() {
    const QSignalBlocker hold(tls_);
    tls_->waitForReadyRead(0);
    tls_->readAll();
  }

  // Qt closes a TLS connection right after its close_notify; anything the peer sends after that
  // (its own close_notify, a late session ticket) then meets a closed socket, and the reset that
  // answers it throws away what the peer had not read yet. So a second descriptor keeps the
  // connection open when Qt lets go: it ends our side with a FIN and stays until the socket is
  // closed or destroyed (by then the server has confirmed the transfer).
  void HoldConnection() {
    const qintptr fd = socket_->socketDescriptor();
    if (fd < 0 || held_fd_ >= 0) return;
    held_fd_ = ::fcntl(static_cast<int>(fd), F_DUPFD_CLOEXEC, 0);
  }
  void FinishHeld() {
    if (held_fd_ >= 0) ::shutdown(held_fd_, SHUT_WR);
  }
  void ReleaseHeld() {
    if (held_fd_ >= 0) ::close(held_fd_);
    held_fd_ = -1;
  }

  // A QSslSocket that was encrypted starts its next connection afresh in a new object; the old
  // one is kept, silent, until the next change (an event of it may still be on the stack).
  void DropTls() {
    if (tls_ == nullptr) return;
    retired_ = std::move(socket_);
    socket_ = std::make_unique<QSslSocket>();
    socket_->setReadBufferSize(kReadBuffer);
    tls_ = nullptr;
    tls_starting_ = false;
    tls_errors_.clear();
  }

  // The socket object fits what the next connection needs: QSslSocket when TLS may start.
  void MatchSocketKind() {
    const bool is_tls = qobject_cast<QSslSocket*>(socket_.get()) != nullptr;
    if (is_tls == tls_capable_) return;
    retired_ = std::move(socket_);
    if (tls_capable_) {
      socket_ = std::make_unique<QSslSocket>();
    } else {
      socket_ = std::make_unique<QTcpSocket>();
    }
    socket_->setReadBufferSize(kReadBuffer);
  }

  void WireTls() {
    QObject::connect(tls_, &QSslSocket::encrypted, &context_, [this] {
      tls_starting_ = false;
      if (on_tls_ready) on_tls_ready(0);
      if (socket_->bytesAvailable() > 0 && on_data_available) on_data_available();
    });
    // Verification problems are noted and the handshake goes on: the caller judges the facts
    // (TlsPeerFacts) before it sends anything over the connection.
    QObject::connect(tls_, &QSslSocket::sslErrors, &context_, [this](const QList<QSslError>& list) {
      for (const QSslError& e : list) {
        if (!tls_errors_.empty()) tls_errors_ += "; ";
        tls_errors_ += e.errorString().toStdString();
      }
      tls_->ignoreSslErrors();
    });
    QObject::connect(tls_, &QSslSocket::encryptedBytesWritten, &context_, [this](qint64) {
      if (HeldBytes() <= kLowWater && on_data_sent) on_data_sent();
    });
  }

  void Wire() {
    QTcpSocket* s = socket_.get();
    QObject::connect(s, &QTcpSocket::connected, &context_, [this] {
      if (socks_pending_) {
        SendSocks4Request();
        return;
      }
      connecting_ = false;
      connected_ = true;
      // As curl does: no delay for small writes (commands, the last piece of a block).
      socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
      if (on_connected) on_connected(0);
    });
    QObject::connect(s, &QTcpSocket::readyRead, &context_, [this] {
      if (socks_pending_) {
        ReadSocks4Reply();
        return;
      }
      if (on_data_available) on_data_available();
    });
    QObject::connect(s, &QTcpSocket::bytesWritten, &context_, [this](qint64) {
      const qint64 held = HeldBytes();
      if ((direct_ ? held == 0 : held <= kLowWater) && on_data_sent) on_data_sent();
    });
    QObject::connect(s, &QTcpSocket::errorOccurred, &context_,
                     [this](QAbstractSocket::SocketError error) {
                       const int code = CodeOf(error);
                       if (code != 0) {
                         last_error_ = code;
                         last_error_text_ = socket_->errorString().toStdString();
                         close_error_ = code;
                       }
                       if (tls_starting_) {
                         // The handshake failed: reported once, as the TLS result.
                         tls_starting_ = false;
                         connected_ = false;
                         last_error_ = kSocketTlsError;
                         last_error_text_ = socket_->errorString().toStdString();
                         Later([this] {
                           if (on_tls_ready) on_tls_ready(kSocketTlsError);
                         });
                         return;
                       }
                       if (connecting_) {
                         connecting_ = false;
                         socks_pending_ = false;
                         const int reported = code != 0 ? code : kSocketConnectionAborted;
                         Later([this, reported] {
                           if (on_connected) on_connected(reported);
                         });
                       }
                     });
    QObject::connect(s, &QTcpSocket::stateChanged, &context_,
                     [this](QAbstractSocket::SocketState state) {
                       if (state != QAbstractSocket::UnconnectedState) return;
                       FinishHeld();
                       if (!connected_) return;
                       connected_ = false;
                       if (tls_starting_) {
                         tls_starting_ = false;
                         last_error_ = kSocketTlsError;
                         last_error_text_ = "The server closed the connection during the TLS "
                                            "handshake";
                         Later([this] {
                           if (on_tls_ready) on_tls_ready(kSocketTlsError);
                         });
                         return;
                       }
                       const int error = close_error_;
                       close_error_ = 0;
                       Later([this, error] {
                         if (on_closed) on_closed(error);
                       });
                     });
  }

  void SendSocks4Request() {
    QByteArray request;
    request.append(char(4));
    request.append(char(1));
    request.append(char(target_port_ >> 8));
    request.append(char(target_port_ & 0xFF));
    QHostAddress address;
    const bool numeric = address.setAddress(QString::fromStdString(target_address_)) &&
                         address.protocol() == QAbstractSocket::IPv4Protocol;
    if (numeric) {
      const quint32 v4 = address.toIPv4Address();
      for (int shift = 24; shift >= 0; shift -= 8) request.append(char((v4 >> shift) & 0xFF));
    } else if (proxy_.kind == SocketProxy::kSocks4A) {
      request.append(QByteArray("\0\0\0\1", 4));  // 4A: the proxy resolves the name
    } else {
      FailSocks();
      return;
    }
    request.append(proxy_.user_code.c_str());
    request.append(char(0));
    if (!numeric) {
      request.append(target_address_.c_str());
      request.append(char(0));
    }
    socket_->write(request);
  }

  void ReadSocks4Reply() {
    socks_reply_ += socket_->read(8 - socks_reply_.size());
    if (socks_reply_.size() < 8) return;
    socks_pending_ = false;
    if (static_cast<unsigned char>(socks_reply_[1]) != 0x5A) {
      FailSocks();
      return;
    }
    connecting_ = false;
    connected_ = true;
    if (on_connected) on_connected(0);
    if (socket_->bytesAvailable() > 0 && on_data_available) on_data_available();
  }

  void FailSocks() {
    socks_pending_ = false;
    connecting_ = false;
    last_error_ = kSocketProxyError;
    last_error_text_ = "SOCKS server refused the connection";
    Silence();
    socket_->abort();
    Wire();
    Later([this] {
      if (on_connected) on_connected(kSocketProxyError);
    });
  }

  QObject context_;
  std::unique_ptr<QTcpSocket> socket_;
  std::unique_ptr<QTcpServer> server_;
  std::unique_ptr<QTcpSocket> retired_;  // the object a change of kind replaced, kept silent
  QSslSocket* tls_ = nullptr;            // socket_ once TLS started on it
  bool tls_starting_ = false;
  bool tls_capable_ = false;  // PrepareTls(true): the next connection may start TLS
  int held_fd_ = -1;          // see HoldConnection
  std::string tls_errors_;
  SocketProxy proxy_;
  int lookup_id_ = -1;
  std::string lookup_result_;
  bool connecting_ = false;
  bool connected_ = false;
  bool socks_pending_ = false;
  bool direct_ = false;  // connected unbuffered (no proxy)
  QByteArray socks_reply_;
  std::string target_address_;
  uint16_t target_port_ = 0;
  int last_error_ = 0;
  int close_error_ = 0;
  std::string last_error_text_;
};

}  // namespace

QtSocketLoop::QtSocketLoop() { clock_.start(); }

void QtSocketLoop::Post(std::function<void()> callback) {
  QMetaObject::invokeMethod(
      &context_, [callback] { callback(); }, Qt::QueuedConnection);
}

void QtSocketLoop::ProcessEvents(int max_wait_ms, bool own_thread_only) {
  // A single-shot timer bounds the wait; WaitForMoreEvents sleeps until something happens.
  QTimer wake;
  wake.setSingleShot(true);
  wake.start(max_wait_ms);
  if (own_thread_only) {
    if (QAbstractEventDispatcher* dispatcher = context_.thread()->eventDispatcher()) {
      dispatcher->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
      return;
    }
  }
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

bool QtSocketLoop::Terminating() const {
  return QCoreApplication::instance() == nullptr || QCoreApplication::closingDown();
}

int64_t QtSocketLoop::NowMs() const { return clock_.elapsed(); }

std::unique_ptr<StreamSocket> QtSocketService::CreateSocket() {
  return std::make_unique<QtStreamSocket>();
}

}  // namespace vr::platform::qt
