#pragma once
// Stream sockets for the FTP client: connections, listen and accept, name lookup, and the events
// that drive an asynchronous protocol (connected, data available, data sent, closed, incoming
// connection). Everything runs on one thread: the sockets of a service raise their events from
// that thread's event loop, never from inside the call that caused them, except where a method
// says otherwise.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vr::platform {

// Error codes carried by socket events. The numbers follow the classic Winsock ones so the
// messages users see ("Winsock error #10061") stay familiar.
constexpr int kSocketWouldBlock = 10035;
constexpr int kSocketAddressInUse = 10048;
constexpr int kSocketNetworkError = 10050;
constexpr int kSocketConnectionAborted = 10053;
constexpr int kSocketConnectionReset = 10054;
constexpr int kSocketNotConnected = 10057;
constexpr int kSocketTimedOut = 10060;
constexpr int kSocketConnectionRefused = 10061;
constexpr int kSocketHostNotFound = 11001;
constexpr int kSocketProxyError = 10065;
constexpr int kSocketTlsError = 10098;  // the TLS handshake failed
constexpr int kSocketOtherError = 10099;

// How a socket reaches its peer.
struct SocketProxy {
  enum Kind { kNone, kSocks4, kSocks4A, kSocks5 };
  Kind kind = kNone;
  std::string server;
  uint16_t port = 1080;
  std::string user_code;
  std::string password;
};

// What a TLS client learnt of its peer's certificate. A certificate that fails verification
// (unknown issuer, self-signed, wrong name, expired) still completes the handshake: the caller
// decides from these facts, before it sends anything, whether to go on.
struct TlsPeer {
  bool trusted = false;      // the chain verified against the system's authorities
  std::string errors;        // why not, as the TLS library words it ("; " between reasons)
  std::string fingerprint;   // SHA-256 of the certificate, "AB:CD:..." (upper-case hex)
  std::string subject;       // the certificate's common name
};

// One stream socket: either a connection (outgoing or accepted) or a listening socket.
class StreamSocket {
 public:
  virtual ~StreamSocket() = default;

  // Events. Each is optional. A handler may close or even reset the socket's owner state, but
  // must not destroy the socket object itself while its own event runs.
  std::function<void(int error)> on_lookup_done;  // LookupHost finished
  std::function<void(int error)> on_connected;    // Connect finished (0 = up)
  std::function<void()> on_data_available;        // bytes can be read
  std::function<void()> on_data_sent;             // the send buffer has room again
  std::function<void(int error)> on_closed;       // the connection ended (0 = orderly)
  std::function<void()> on_session_available;     // a listening socket has a caller
  std::function<void(int error)> on_tls_ready;    // StartTls finished (0 = encrypted)

  // Asynchronous name lookup; on_lookup_done reports, LookupResult() gives the address text.
  // With a proxy that resolves names itself (SOCKS 4A and 5) the name is passed through.
  virtual void LookupHost(const std::string& name) = 0;
  virtual void CancelLookup() = 0;
  virtual std::string LookupResult() const = 0;

  // Connects to an address (dotted text) and port; on_connected reports.
  virtual void Connect(const std::string& address, uint16_t port) = 0;
  // Listens on an address and port (port 0: any free port). False with LastError() on failure.
  virtual bool Listen(const std::string& address, uint16_t port) = 0;
  // Takes over the connection waiting on a listening socket; null when none waits.
  virtual std::unique_ptr<StreamSocket> Accept() = 0;

  // Addresses of a connected socket as dotted text; LocalPort also serves a listening socket.
  virtual std::string LocalAddress() const = 0;
  virtual uint16_t LocalPort() const = 0;
  virtual std::string PeerAddress() const = 0;
  virtual bool IsConnected() const = 0;

  // Non-blocking receive: bytes read, 0 at end of stream, -1 on error with LastError()
  // (kSocketWouldBlock when nothing is waiting yet).
  virtual int64_t Receive(void* buffer, size_t size) = 0;
  // Non-blocking send: bytes taken (all or nothing), -1 with LastError() (kSocketWouldBlock when
  // the send buffer is full; on_data_sent fires once it has room).
  virtual int64_t Send(const void* data, size_t size) = 0;

  // Sends what is queued, then closes; on_closed fires when done.
  virtual void Shutdown() = 0;
  // Closes at once, dropping queued data; raises no event.
  virtual void Close() = 0;

  virtual void SetProxy(const SocketProxy& proxy) = 0;
  // Linger on close (seconds) for the platforms that honour it.
  virtual void SetLinger(bool on, int seconds) = 0;
  virtual int SendBufferSize() const = 0;

  // Call before Connect or Listen when TLS may start on the connection (or on the connections a
  // listening socket accepts); such a socket may move its data less directly while plain.
  virtual void PrepareTls(bool on) = 0;
  // Starts TLS as the client on a connected socket prepared for it; on_tls_ready reports. `peer_name` is the
  // name the certificate is checked against. `session` (from another socket's TlsSession())
  // asks the server to resume that session, as FTP servers often demand of data connections.
  // Once encrypted, Send and Receive carry plain text through the TLS layer.
  virtual void StartTls(const std::string& peer_name, const std::string& session) = 0;
  virtual bool TlsActive() const = 0;
  virtual TlsPeer TlsPeerFacts() const = 0;
  // The session to resume on another connection to the same server; empty when none.
  virtual std::string TlsSession() const = 0;

  virtual int LastError() const = 0;
  // Text of an error code as the platform words it.
  virtual std::string ErrorText(int error) const = 0;
};

// The event loop the sockets report through. Callbacks posted here run after the current event
// handler has returned.
class SocketLoop {
 public:
  virtual ~SocketLoop() = default;
  virtual void Post(std::function<void()> callback) = 0;
  // Handles pending events, waiting at most max_wait_ms for one to arrive. With own_thread_only
  // only this loop's thread is served (a worker's loop) instead of the whole application.
  virtual void ProcessEvents(int max_wait_ms, bool own_thread_only) = 0;
  // True once the application is shutting down: blocking waits give up.
  virtual bool Terminating() const = 0;
  // Monotonic milliseconds.
  virtual int64_t NowMs() const = 0;
};

// Makes sockets that report through one loop.
class SocketService {
 public:
  virtual ~SocketService() = default;
  virtual std::unique_ptr<StreamSocket> CreateSocket() = 0;
  virtual SocketLoop& Loop() = 0;
};

// Classic text for the error codes above, used by the implementations that have no better one.
inline std::string DefaultSocketErrorText(int error) {
  switch (error) {
    case 0:
      return "No error";
    case kSocketWouldBlock:
      return "Operation would block";
    case kSocketAddressInUse:
      return "Address already in use";
    case kSocketNetworkError:
      return "Network is down";
    case kSocketConnectionAborted:
      return "Connection aborted";
    case kSocketConnectionReset:
      return "Connection reset by peer";
    case kSocketNotConnected:
      return "Socket is not connected";
    case kSocketTimedOut:
      return "Connection timed out";
    case kSocketConnectionRefused:
      return "Connection refused";
    case kSocketHostNotFound:
      return "Host not found";
    case kSocketProxyError:
      return "Proxy refused the connection";
    case kSocketTlsError:
      return "TLS handshake failed";
    default:
      return "Socket error";
  }
}

}  // namespace vr::platform
