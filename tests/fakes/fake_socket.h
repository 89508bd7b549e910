#pragma once
// A scripted socket service for protocol tests. Every socket the code under test creates is
// recorded with a state object the test keeps (it outlives the socket). The test plays the peer:
// it feeds bytes, closes, offers incoming connections, and reads what was sent. Events are posted
// to a fake loop and run when the test (or a blocking wait) pumps it; time is simulated.

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/socket.h"

namespace vr::fakes {

class FakeSocket;

class FakeSocketLoop : public platform::SocketLoop {
 public:
  void Post(std::function<void()> callback) override { queue_.push_back(std::move(callback)); }
  // Runs what is queued; with nothing queued the simulated clock moves on by max_wait_ms.
  void ProcessEvents(int max_wait_ms, bool own_thread_only) override;
  bool Terminating() const override { return terminating; }
  int64_t NowMs() const override { return now_ms_; }

  // Runs posted callbacks until none is left (at most `limit`); returns how many ran.
  int RunPending(int limit = 100000);
  void Advance(int64_t ms) { now_ms_ += ms; }
  size_t Pending() const { return queue_.size(); }
  // Called on every ProcessEvents pass (a test can act while a blocking wait runs).
  std::function<void()> on_pump;
  // What Terminating() reports (the application shutting down).
  bool terminating = false;

 private:
  std::deque<std::function<void()>> queue_;
  int64_t now_ms_ = 1000;
};

// What a test sees of one socket.
struct FakeSocketState {
  FakeSocket* socket = nullptr;  // null once the owner released the socket
  FakeSocketLoop* loop = nullptr;
  int index = 0;            // creation order in the service
  uint64_t generation = 0;  // bumped by Close: events posted before are dropped

  // Script.
  std::string lookup_address = "127.0.0.1";
  int lookup_error = 0;
  int connect_error = 0;
  std::string greeting;  // fed to the owner right after a successful Connect
  std::string local_address = "127.0.0.1";
  std::string peer_address;
  uint16_t listen_port = 40000;
  bool listen_ok = true;
  size_t send_window = SIZE_MAX;  // bytes accepted before Send reports "would block"
  int send_error = 0;             // Send fails with this error when not 0
  // TLS: StartTls reports tls_error (0: encrypted) with these peer facts; the session a data
  // connection offers is recorded.
  int tls_error = 0;
  platform::TlsPeer tls_peer{true, "", "AA:BB", "test"};
  std::string tls_session = "session-1";
  // Runs after every accepted Send with the bytes sent (the peer's side of the script).
  std::function<void(FakeSocketState&, const std::string&)> on_send;

  // Record.
  std::string lookup_name;
  std::string connect_address;
  uint16_t connect_port = 0;
  bool listening = false;
  bool connected = false;
  bool closed = false;
  bool shut_down = false;
  bool lookup_cancelled = false;
  bool tls_prepared = false;  // PrepareTls(true) was called
  bool tls_started = false;   // StartTls was called
  bool tls_active = false;   // and succeeded
  std::string tls_peer_name;
  std::string tls_offered_session;
  std::string sent;
  platform::SocketProxy proxy;

  // Peer side.
  std::string incoming;
  bool peer_closed = false;
  int receive_error = 0;
  std::deque<std::shared_ptr<FakeSocketState>> waiting_callers;

  // Test actions; each posts the matching event.
  void Feed(const std::string& bytes);
  void PeerClose(int error = 0);
  void RaiseDataSent();
  void Offer(std::shared_ptr<FakeSocketState> caller);
  // Clears `sent` and returns what it held.
  std::string TakeSent();

  // Posts an event that runs only while the socket lives and was not closed since.
  void PostEvent(std::function<void(FakeSocket&)> event);
};

class FakeSocket : public platform::StreamSocket {
 public:
  explicit FakeSocket(std::shared_ptr<FakeSocketState> state);
  ~FakeSocket() override;

  void LookupHost(const std::string& name) override;
  void CancelLookup() override;
  std::string LookupResult() const override { return state_->lookup_address; }
  void Connect(const std::string& address, uint16_t port) override;
  bool Listen(const std::string& address, uint16_t port) override;
  std::unique_ptr<platform::StreamSocket> Accept() override;
  std::string LocalAddress() const override { return state_->local_address; }
  uint16_t LocalPort() const override { return state_->listen_port; }
  std::string PeerAddress() const override { return state_->peer_address; }
  bool IsConnected() const override { return state_->connected; }
  int64_t Receive(void* buffer, size_t size) override;
  int64_t Send(const void* data, size_t size) override;
  void Shutdown() override;
  void Close() override;
  void SetProxy(const platform::SocketProxy& proxy) override { state_->proxy = proxy; }
  void SetLinger(bool, int) override {}
  int SendBufferSize() const override { return 65536; }
  void PrepareTls(bool on) override { state_->tls_prepared = on; }
  void StartTls(const std::string& peer_name, const std::string& session) override;
  bool TlsActive() const override { return state_->tls_active; }
  platform::TlsPeer TlsPeerFacts() const override { return state_->tls_peer; }
  std::string TlsSession() const override {
    return state_->tls_active ? state_->tls_session : std::string();
  }
  int LastError() const override { return last_error_; }
  std::string ErrorText(int error) const override {
    return platform::DefaultSocketErrorText(error);
  }

  FakeSocketState& State() { return *state_; }

 private:
  std::shared_ptr<FakeSocketState> state_;
  int last_error_ = 0;
};

class FakeSocketService : public platform::SocketService {
 public:
  std::unique_ptr<platform::StreamSocket> CreateSocket() override;
  platform::SocketLoop& Loop() override { return loop_; }
  FakeSocketLoop& FakeLoop() { return loop_; }

  // Every socket made so far, in creation order.
  const std::vector<std::shared_ptr<FakeSocketState>>& Sockets() const { return sockets_; }
  // Runs on each new socket before it is handed out (to set its script).
  std::function<void(FakeSocketState&)> on_create;

 private:
  FakeSocketLoop loop_;
  std::vector<std::shared_ptr<FakeSocketState>> sockets_;
};

}  // namespace vr::fakes
