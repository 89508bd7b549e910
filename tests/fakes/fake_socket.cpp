#include "fakes/fake_socket.h"

#include <algorithm>
#include <cstring>

namespace vr::fakes {

void FakeSocketLoop::ProcessEvents(int max_wait_ms, bool /*own_thread_only*/) {
  if (on_pump) on_pump();
  if (queue_.empty()) {
    now_ms_ += max_wait_ms;
    return;
  }
  // One batch: what is queued now; events it posts wait for the next pass.
  std::deque<std::function<void()>> batch;
  batch.swap(queue_);
  while (!batch.empty()) {
    auto callback = std::move(batch.front());
    batch.pop_front();
    callback();
  }
}

int FakeSocketLoop::RunPending(int limit) {
  int ran = 0;
  while (!queue_.empty() && ran < limit) {
    auto callback = std::move(queue_.front());
    queue_.pop_front();
    callback();
    ++ran;
  }
  return ran;
}

void FakeSocketState::PostEvent(std::function<void(FakeSocket&)> event) {
  const uint64_t posted_generation = generation;
  FakeSocketState* self = this;
  // The state outlives the socket (the service keeps it), so a raw pointer is safe here.
  loop->Post([self, posted_generation, event] {
    if (self->socket != nullptr && self->generation == posted_generation) event(*self->socket);
  });
}

void FakeSocketState::Feed(const std::string& bytes) {
  incoming += bytes;
  PostEvent([](FakeSocket& s) {
    if (s.on_data_available) s.on_data_available();
  });
}

void FakeSocketState::PeerClose(int error) {
  PostEvent([error](FakeSocket& s) {
    FakeSocketState& st = s.State();
    if (!st.connected) return;
    st.peer_closed = true;
    st.connected = false;
    if (s.on_closed) s.on_closed(error);
  });
}

void FakeSocketState::RaiseDataSent() {
  PostEvent([](FakeSocket& s) {
    if (s.on_data_sent) s.on_data_sent();
  });
}

void FakeSocketState::Offer(std::shared_ptr<FakeSocketState> caller) {
  waiting_callers.push_back(std::move(caller));
  PostEvent([](FakeSocket& s) {
    if (s.on_session_available) s.on_session_available();
  });
}

std::string FakeSocketState::TakeSent() {
  std::string out;
  out.swap(sent);
  return out;
}

FakeSocket::FakeSocket(std::shared_ptr<FakeSocketState> state) : state_(std::move(state)) {
  state_->socket = this;
}

FakeSocket::~FakeSocket() { state_->socket = nullptr; }

void FakeSocket::LookupHost(const std::string& name) {
  state_->lookup_name = name;
  state_->lookup_cancelled = false;
  const int error = state_->lookup_error;
  state_->PostEvent([error](FakeSocket& s) {
    if (s.State().lookup_cancelled) return;
    if (s.on_lookup_done) s.on_lookup_done(error);
  });
}

void FakeSocket::CancelLookup() { state_->lookup_cancelled = true; }

void FakeSocket::Connect(const std::string& address, uint16_t port) {
  state_->connect_address = address;
  state_->connect_port = port;
  state_->closed = false;
  state_->peer_closed = false;
  if (state_->peer_address.empty()) state_->peer_address = address;
  const int error = state_->connect_error;
  state_->PostEvent([error](FakeSocket& s) {
    FakeSocketState& st = s.State();
    st.connected = error == 0;
    if (s.on_connected) s.on_connected(error);
    if (error == 0 && !st.greeting.empty()) st.Feed(st.greeting);
  });
}

bool FakeSocket::Listen(const std::string& /*address*/, uint16_t /*port*/) {
  if (!state_->listen_ok) {
    last_error_ = platform::kSocketAddressInUse;
    return false;
  }
  state_->listening = true;
  return true;
}

std::unique_ptr<platform::StreamSocket> FakeSocket::Accept() {
  if (state_->waiting_callers.empty()) return nullptr;
  auto caller = state_->waiting_callers.front();
  state_->waiting_callers.pop_front();
  caller->connected = true;
  return std::make_unique<FakeSocket>(caller);
}

int64_t FakeSocket::Receive(void* buffer, size_t size) {
  if (!state_->incoming.empty()) {
    const size_t n = std::min(size, state_->incoming.size());
    std::memcpy(buffer, state_->incoming.data(), n);
    state_->incoming.erase(0, n);
    return static_cast<int64_t>(n);
  }
  if (state_->receive_error != 0) {
    last_error_ = state_->receive_error;
    return -1;
  }
  if (state_->peer_closed) return 0;
  last_error_ = platform::kSocketWouldBlock;
  return -1;
}

int64_t FakeSocket::Send(const void* data, size_t size) {
  if (!state_->connected) {
    last_error_ = platform::kSocketNotConnected;
    return -1;
  }
  if (state_->send_error != 0) {
    last_error_ = state_->send_error;
    return -1;
  }
  if (size > state_->send_window) {
    last_error_ = platform::kSocketWouldBlock;
    return -1;
  }
  if (state_->send_window != SIZE_MAX) state_->send_window -= size;
  const std::string chunk(static_cast<const char*>(data), size);
  state_->sent += chunk;
  if (state_->on_send) state_->on_send(*state_, chunk);
  return static_cast<int64_t>(size);
}

void FakeSocket::Shutdown() {
  state_->shut_down = true;
  state_->PostEvent([](FakeSocket& s) {
    if (!s.State().connected) return;
    s.State().connected = false;
    if (s.on_closed) s.on_closed(0);
  });
}

void FakeSocket::StartTls(const std::string& peer_name, const std::string& session) {
  state_->tls_started = true;
  state_->tls_peer_name = peer_name;
  state_->tls_offered_session = session;
  state_->PostEvent([](FakeSocket& s) {
    FakeSocketState& st = s.State();
    st.tls_active = st.tls_error == 0 && st.connected && st.tls_prepared;
    if (s.on_tls_ready) s.on_tls_ready(st.tls_active ? 0 : platform::kSocketTlsError);
  });
}

void FakeSocket::Close() {
  state_->closed = true;
  state_->connected = false;
  state_->listening = false;
  state_->tls_active = false;
  ++state_->generation;
}

std::unique_ptr<platform::StreamSocket> FakeSocketService::CreateSocket() {
  auto state = std::make_shared<FakeSocketState>();
  state->loop = &loop_;
  state->index = static_cast<int>(sockets_.size());
  sockets_.push_back(state);
  if (on_create) on_create(*state);
  return std::make_unique<FakeSocket>(state);
}

}  // namespace vr::fakes
