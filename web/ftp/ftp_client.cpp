#include "web/ftp/ftp_client.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

namespace vr::ftp {
namespace {

using platform::StreamSocket;

// Transfers start with these classic block sizes and keep them at every pace up to about
// 750 KB/s, above the fastest throttled speed, so a progress handler that throttles the transfer
// sees the same events.
constexpr size_t kReceiveBlock = 2048;
constexpr size_t kSendBlock = 1514;
// At full speed a block holds what moves in kBlockMs at the pace measured over the last
// kPaceWindowMs or more, up to kTransferBuffer: few calls, few progress events, one buffer.
constexpr size_t kTransferBuffer = 256 * 1024;
constexpr int64_t kBlockMs = 2;
constexpr int64_t kPaceWindowMs = 8;
// Local failures (file, data connection) that have no reply code of their own.
constexpr int kLocalFailure = 550;
// A reply the server still owed when the control connection went away.
constexpr int kConnectionLost = 421;
// TLS could not be set up or its certificate was not accepted.
constexpr int kTlsFailure = 534;
// A data connection whose TLS failed.
constexpr int kDataTlsFailure = 522;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// CR or LF would end a command early and let the rest of the text through as a second command;
// NUL cuts it short on many servers.
bool HasLineBreakOrNul(const std::string& text) {
  for (const char c : text) {
    if (c == '\r' || c == '\n' || c == '\0') return true;
  }
  return false;
}

// Addresses as sockets report them, with the IPv4-mapped IPv6 prefix removed.
std::string PlainAddress(std::string address) {
  if (address.rfind("::ffff:", 0) == 0) address.erase(0, 7);
  return address;
}

// The number at the start of a reply line; long digit runs are clamped rather than overflowing.
int LeadingCode(const std::string& line) {
  int code = 0;
  for (size_t i = 0; i < line.size() && IsDigit(line[i]); ++i) {
    if (code < 100000000) code = code * 10 + (line[i] - '0');
  }
  return code;
}

std::string UpperFirstWord(const std::string& command) {
  std::string verb = command.substr(0, command.find(' '));
  for (char& c : verb) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return verb;
}

// Fingerprints compare without regard to case or the ":" between the bytes.
bool SameFingerprint(const std::string& a, const std::string& b) {
  const auto digits = [](const std::string& text) {
    std::string out;
    for (const char c : text) {
      if (std::isxdigit(static_cast<unsigned char>(c))) {
        out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      }
    }
    return out;
  };
  const std::string da = digits(a);
  return !da.empty() && da == digits(b);
}

bool SeekFile(std::FILE* file, int64_t position) {
#ifdef _WIN32
  return _fseeki64(file, position, SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(position), SEEK_SET) == 0;
#endif
}

// Closes sockets outside their own event handlers: the object is released from the loop.
void Retire(platform::SocketLoop& loop, std::unique_ptr<StreamSocket>& socket) {
  if (!socket) return;
  socket->on_lookup_done = nullptr;
  socket->on_connected = nullptr;
  socket->on_data_available = nullptr;
  socket->on_data_sent = nullptr;
  socket->on_closed = nullptr;
  socket->on_session_available = nullptr;
  socket->on_tls_ready = nullptr;
  socket->Close();
  auto holder = std::make_shared<std::unique_ptr<StreamSocket>>(std::move(socket));
  loop.Post([holder] { holder->reset(); });
}

}  // namespace

uint16_t FtpServicePort(const std::string& text) {
  if (text == "ftp") return 21;
  if (text == "ftp-data") return 20;
  if (text.empty() || text.size() > 5) return 0;
  int value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return 0;
    value = value * 10 + (c - '0');
  }
  return value > 0 && value <= 65535 ? static_cast<uint16_t>(value) : 0;
}

std::string FtpQuotedFolder(const std::string& reply) {
  size_t i = 0;
  while (i < reply.size() && IsDigit(reply[i])) ++i;
  size_t open = reply.find('"', i);
  if (open == std::string::npos) return std::string();
  std::string folder;
  for (size_t k = open + 1; k < reply.size(); ++k) {
    if (reply[k] == '"') {
      if (k + 1 < reply.size() && reply[k + 1] == '"') {
        folder += '"';
        ++k;
      } else {
        return folder;
      }
    } else {
      folder += reply[k];
    }
  }
  return std::string();  // no closing quote: not a folder result
}

bool FtpPassivePort(const std::string& reply, uint16_t* port) {
  size_t pos = reply.find('(');
  if (pos == std::string::npos) {
    // Some servers leave out the brackets: the numbers follow the code and its text.
    pos = 0;
    while (pos < reply.size() && IsDigit(reply[pos])) ++pos;
    while (pos < reply.size() && !IsDigit(reply[pos])) ++pos;
  } else {
    ++pos;
  }
  int numbers[6];
  for (int n = 0; n < 6; ++n) {
    while (pos < reply.size() && reply[pos] == ' ') ++pos;
    int value = 0;
    size_t digits = 0;
    while (pos < reply.size() && IsDigit(reply[pos]) && digits < 4) {
      value = value * 10 + (reply[pos] - '0');
      ++pos;
      ++digits;
    }
    if (digits == 0 || value > 255) return false;
    numbers[n] = value;
    while (pos < reply.size() && reply[pos] == ' ') ++pos;
    if (n < 5) {
      if (pos >= reply.size() || reply[pos] != ',') return false;
      ++pos;
    }
  }
  const int value = numbers[4] * 256 + numbers[5];
  if (value == 0) return false;
  *port = static_cast<uint16_t>(value);
  return true;
}

std::string FtpStatisticsLine(int64_t count, int64_t milliseconds) {
  std::string line = "! " + std::to_string(count) + " bytes received/sent in " +
                     std::to_string(milliseconds / 1000) + " seconds";
  if (milliseconds > 0) {
    const int64_t rate = count < 32768 ? count * 1000 / milliseconds : count / milliseconds * 1000;
    line += " (" + std::to_string(rate) + " Bytes/sec)";
  }
  return line;
}

// ---------------------------------------------------------------------------------------------

TCustomFtpCli::TCustomFtpCli(platform::SocketService& sockets)
    : sockets_(sockets), alive_(std::make_shared<bool>(true)) {
  control_ = sockets_.CreateSocket();
  ConnectControlEvents();
}

TCustomFtpCli::~TCustomFtpCli() {
  *alive_ = false;
  CloseLocalFile();
  for (auto* socket : {&control_, &data_, &listener_}) {
    if (*socket) {
      (*socket)->on_lookup_done = nullptr;
      (*socket)->on_connected = nullptr;
      (*socket)->on_data_available = nullptr;
      (*socket)->on_data_sent = nullptr;
      (*socket)->on_closed = nullptr;
      (*socket)->on_session_available = nullptr;
      (*socket)->on_tls_ready = nullptr;
      (*socket)->CancelLookup();
      (*socket)->Close();
    }
  }
}

void TCustomFtpCli::SetConnectionType(TFtpConnectionType v) {
  if (connected_) {
    Fail("FTP component connected");
    return;
  }
  connection_type_ = v;
}

// Every socket event goes through here: a handler's exception must not unwind into the loop.
#define VR_FTP_GUARDED(body)               \
  do {                                     \
    ++event_depth_;                        \
    try {                                  \
      body;                                \
    } catch (const std::exception& e) {    \
      if (OnBgException) OnBgException(e); \
    }                                      \
    --event_depth_;                        \
  } while (0)

void TCustomFtpCli::ConnectControlEvents() {
  control_->on_lookup_done = [this](int e) { VR_FTP_GUARDED(OnLookupDone(e)); };
  control_->on_connected = [this](int e) { VR_FTP_GUARDED(OnControlConnected(e)); };
  control_->on_data_available = [this] { VR_FTP_GUARDED(OnControlData()); };
  control_->on_closed = [this](int e) { VR_FTP_GUARDED(OnControlClosed(e)); };
  control_->on_tls_ready = [this](int e) { VR_FTP_GUARDED(OnControlTls(e)); };
}

void TCustomFtpCli::SetState(TFtpState state) {
  if (state_ == state) return;
  state_ = state;
  if (OnStateChange) OnStateChange(state);
}

void TCustomFtpCli::Display(const std::string& text) {
  if (OnDisplay) OnDisplay(text);
}

bool TCustomFtpCli::Fail(const std::string& message) {
  if (OnError) {
    OnError(message);
    return false;
  }
  throw FtpException(message);
}

// ---------------------------------------------------------------------------------------------
// Requests

void TCustomFtpCli::StartRequest(TFtpRequest type, uint32_t steps, bool direct_cwd) {
  if (state_ != TFtpState::kReady && state_ != TFtpState::kInternalReady) {
    Fail("FTP component not ready");
    return;
  }
  if ((steps & kStepOpen) != 0 && connected_) {
    Fail("FTP component already connected");
    return;
  }
  if ((steps & kStepOpen) == 0 && !connected_) {
    std::string verb = "FTP";
    if (steps & kStepGet)
      verb = "RETR";
    else if (steps & kStepDir)
      verb = "LIST";
    else if (steps & kStepLs)
      verb = "NLST";
    else if (steps & (kStepPut | kStepAppend))
      verb = "STOR/APPE";
    else if (steps & kStepUser)
      verb = "USER";
    else if (steps & kStepPass)
      verb = "PASS";
    else if (steps & kStepCwd)
      verb = "CWD";
    else if (steps & kStepCdup)
      verb = "CDUP";
    else if (steps & kStepType)
      verb = "TYPE";
    else if (steps & kStepPort)
      verb = Passive() ? "PASV" : "PORT";
    else if (steps & kStepSyst)
      verb = "SYST";
    else if (steps & kStepMkd)
      verb = "MKD";
    else if (steps & kStepRmd)
      verb = "RMD";
    else if (steps & kStepRnfr)
      verb = "RNFR";
    else if (steps & kStepRnto)
      verb = "RNTO";
    else if (steps & kStepSize)
      verb = "SIZE";
    else if (steps & kStepDele)
      verb = "DELE";
    else if (steps & kStepPwd)
      verb = "PWD";
    else if (steps & kStepQuit)
      verb = "QUIT";
    Fail(verb + ": not connected");
    return;
  }
  if ((steps & kStepUser) != 0 && user_name_.empty()) {
    Fail("UserName emtpy");
    return;
  }
  if (steps == kStepPass && pass_word_.empty()) {
    Fail("Password emtpy");
    return;
  }
  if (direct_cwd && host_dir_name_.empty()) {
    Fail("HostDirName emtpy");
    return;
  }
  if ((steps & (kStepGet | kStepDir | kStepLs)) != 0 && local_file_name_.empty() &&
      !display_file_flag_) {
    Fail("LocalFileName empty");
    return;
  }
  if ((steps & (kStepPut | kStepAppend | kStepRnto | kStepQuote)) != 0 &&
      local_file_name_.empty()) {
    Fail("LocalFileName empty");
    return;
  }
  if ((steps & (kStepMkd | kStepRmd | kStepDele | kStepSize | kStepRnfr)) != 0 &&
      host_file_name_.empty()) {
    Fail("HostFileName empty");
    return;
  }
  if (const char* field = UnsafeArgument(steps)) {
    error_message_ = std::string(field) + " contains CR, LF or NUL: refused";
    Fail(error_message_);
    return;
  }

  if (use_tls_) {
    // A new session secures its control connection first; the first request after the log-in
    // (or the first transfer) sets the data connections' protection.
    if ((steps & kStepOpen) != 0) steps |= kStepAuth;
    if ((steps & (kStepUser | kStepPass | kStepPort)) != 0) steps |= kStepPbsz | kStepProt;
  }
  ++request_serial_;
  request_type_ = type;
  request_running_ = true;
  remaining_ = steps;
  current_step_ = 0;
  request_has_quit_ = (steps & kStepQuit) != 0;
  saved_quit_code_ = -1;
  direct_cwd_ = direct_cwd;
  request_status_ = 0;
  step_status_ = 0;
  error_message_.clear();
  user_reply_code_ = (steps & kStepUser) != 0 ? 0 : 331;
  rest_answered_350_ = false;
  restart_upload_ = type == TFtpRequest::kRestartPut || type == TFtpRequest::kRestartTransmit;
  VR_FTP_GUARDED(NextExecAction());
}

const char* TCustomFtpCli::UnsafeArgument(uint32_t steps) const {
  if ((steps & kStepUser) != 0) {
    if (HasLineBreakOrNul(user_name_)) return "UserName";
    if (connection_type_ == ftpProxy && HasLineBreakOrNul(host_name_)) return "HostName";
  }
  if ((steps & kStepPass) != 0 && HasLineBreakOrNul(pass_word_)) return "PassWord";
  if ((steps & kStepCwd) != 0 && HasLineBreakOrNul(host_dir_name_)) return "HostDirName";
  constexpr uint32_t kSendsHostFileName = kStepGet | kStepDir | kStepLs | kStepPut | kStepAppend |
                                          kStepMkd | kStepRmd | kStepRnfr | kStepSize | kStepDele;
  if ((steps & kSendsHostFileName) != 0 && HasLineBreakOrNul(host_file_name_)) {
    return "HostFileName";
  }
  if ((steps & (kStepRnto | kStepQuote)) != 0 && HasLineBreakOrNul(local_file_name_)) {
    return "LocalFileName";
  }
  return nullptr;
}

void TCustomFtpCli::NextExecAction() {
  if (state_ == TFtpState::kAbort) {
    request_status_ = 426;
    error_message_ = "426 Operation aborted.";
    remaining_ = 0;
  } else if (step_status_ != 0) {
    if (request_status_ == 0) request_status_ = step_status_;
    remaining_ = ((remaining_ & kStepQuit) != 0 && current_step_ != kStepQuit)
                     ? static_cast<uint32_t>(kStepQuit)
                     : 0u;
    step_status_ = 0;
  }
  while (remaining_ != 0) {
    const uint32_t step = remaining_ & (~remaining_ + 1);
    remaining_ &= ~step;
    if (step == kStepPass && user_reply_code_ != 331) continue;
    if ((step == kStepPbsz || step == kStepProt) && (data_protected_ || !logged_in_)) continue;
    if (step == kStepCwd && host_dir_name_.empty() && !direct_cwd_) continue;
    // Nothing to quit when the session never came up or is already gone.
    if (step == kStepQuit && !connected_) continue;
    if (step == kStepRest) {
      if ((options_ & ftpNoAutoResumeAt) == 0 && !restart_upload_) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(local_file_name_, ec);
        resume_at_ = ec ? 0 : static_cast<int64_t>(size);
      }
      if (resume_at_ <= 0) {
        resume_at_ = 0;
        continue;
      }
    }
    current_step_ = step;
    if (step == kStepQuit) {
      saved_quit_response_ = last_response_;
      saved_quit_code_ = status_code_;
    }
    SetState(TFtpState::kInternalReady);
    RunStep(step);
    return;
  }
  FinishRequest();
}

void TCustomFtpCli::StepFailed(int code, const std::string& message) {
  step_status_ = code;
  last_response_ = message;
  status_code_ = code;
  if (error_message_.empty()) error_message_ = message;
  NextExecAction();
}

void TCustomFtpCli::FinishRequest() {
  if (!request_running_) return;
  request_running_ = false;
  remaining_ = 0;
  pending_reply_ = Reply::kNone;
  if (request_has_quit_ && saved_quit_code_ >= 0) {
    last_response_ = saved_quit_response_;
    status_code_ = saved_quit_code_;
  }
  transfer_running_ = false;
  CloseData();
  CloseLocalFile();
  SetState(TFtpState::kReady);
  const TFtpRequest type = request_type_;
  const int status = request_status_;
  std::weak_ptr<bool> alive = alive_;
  Loop().Post([this, alive, type, status] {
    auto flag = alive.lock();
    if (flag && *flag && OnRequestDone) OnRequestDone(type, status);
  });
}

void TCustomFtpCli::RunStep(uint32_t step) {
  switch (step) {
    case kStepOpen: {
      const uint16_t port = FtpServicePort(port_);
      if (port == 0) {
        StepFailed(500, "500 Unknown port " + port_);
        return;
      }
      platform::SocketProxy proxy;
      switch (connection_type_) {
        case ftpSocks4:
          proxy.kind = platform::SocketProxy::kSocks4;
          break;
        case ftpSocks4A:
          proxy.kind = platform::SocketProxy::kSocks4A;
          break;
        case ftpSocks5:
          proxy.kind = platform::SocketProxy::kSocks5;
          break;
        default:
          break;
      }
      if (proxy.kind != platform::SocketProxy::kNone) {
        proxy.server = socks_server_;
        const uint16_t socks_port = FtpServicePort(socks_port_);
        proxy.port = socks_port != 0 ? socks_port : 1080;
        proxy.user_code = socks_user_code_;
        proxy.password = socks_password_;
      }
      control_->Close();
      control_->SetProxy(proxy);
      control_->PrepareTls(use_tls_);
      tls_peer_ = platform::TlsPeer();
      certificate_unknown_ = false;
      logged_in_ = false;
      data_protected_ = false;
      receive_length_ = 0;
      multiline_code_.clear();
      SetState(TFtpState::kDnsLookup);
      control_->LookupHost(connection_type_ == ftpProxy ? proxy_server_ : host_name_);
      return;
    }
    case kStepAuth:
      SendCommand("AUTH TLS", Reply::kAuth, {234});
      return;
    case kStepPbsz:
      SendCommand("PBSZ 0", Reply::kStep, {200});
      return;
    case kStepProt:
      SendCommand("PROT P", Reply::kStep, {200});
      return;
    case kStepUser: {
      std::string command = "USER " + user_name_;
      if (connection_type_ == ftpProxy) command += "@" + host_name_;
      SendCommand(command, Reply::kStep, {331, 230});
      return;
    }
    case kStepPass:
      if (pass_word_.empty()) {
        StepFailed(530, "Password emtpy");
        return;
      }
      SendCommand("PASS " + pass_word_, Reply::kStep, {230});
      return;
    case kStepCwd:
      SendCommand("CWD " + host_dir_name_, Reply::kStep, {200, 250, 257});
      return;
    case kStepCdup:
      SendCommand("CDUP", Reply::kStep, {250});
      return;
    case kStepType:
      SendCommand(binary_ ? "TYPE I" : "TYPE A", Reply::kStep, {200});
      return;
    case kStepPort:
      StartPortStep();
      return;
    case kStepRest:
      rest_answered_350_ = false;
      SendCommand("REST " + std::to_string(resume_at_), Reply::kRest, {});
      return;
    case kStepGet:
      StartReceive("RETR", "RETR " + host_file_name_);
      return;
    case kStepDir:
      StartReceive("LIST", host_file_name_.empty() ? "LIST" : "LIST " + host_file_name_);
      return;
    case kStepLs:
      StartReceive("NLST", host_file_name_.empty() ? "NLST" : "NLST " + host_file_name_);
      return;
    case kStepPut:
      StartSend("STOR", "STOR " + host_file_name_);
      return;
    case kStepAppend:
      StartSend("APPE", "APPE " + host_file_name_);
      return;
    case kStepSyst:
      SendCommand("SYST", Reply::kStep, {215});
      return;
    case kStepMkd:
      SendCommand("MKD " + host_file_name_, Reply::kStep, {257});
      return;
    case kStepRmd:
      SendCommand("RMD " + host_file_name_, Reply::kStep, {250, 257});
      return;
    case kStepRnfr:
      SendCommand("RNFR " + host_file_name_, Reply::kStep, {350});
      return;
    case kStepRnto:
      SendCommand("RNTO " + local_file_name_, Reply::kStep, {200, 250, 257});
      return;
    case kStepSize:
      SendCommand("SIZE " + host_file_name_, Reply::kStep, {213});
      return;
    case kStepDele:
      SendCommand("DELE " + host_file_name_, Reply::kStep, {250, 257});
      return;
    case kStepPwd:
      SendCommand("PWD", Reply::kStep, {250, 257});
      return;
    case kStepQuote:
      SendCommand(local_file_name_, Reply::kStep, {});
      return;
    case kStepQuit:
      SendCommand("QUIT", Reply::kQuit, {221});
      return;
    default:
      NextExecAction();
      return;
  }
}

// Single steps.
void TCustomFtpCli::OpenAsync() { StartRequest(TFtpRequest::kOpen, kStepOpen); }
void TCustomFtpCli::UserAsync() { StartRequest(TFtpRequest::kUser, kStepUser); }
void TCustomFtpCli::PassAsync() { StartRequest(TFtpRequest::kPass, kStepPass); }
void TCustomFtpCli::CwdAsync() { StartRequest(TFtpRequest::kCwd, kStepCwd, true); }
void TCustomFtpCli::CdupAsync() { StartRequest(TFtpRequest::kCdup, kStepCdup); }
void TCustomFtpCli::PwdAsync() { StartRequest(TFtpRequest::kPwd, kStepPwd); }
void TCustomFtpCli::MkdAsync() { StartRequest(TFtpRequest::kMkd, kStepMkd); }
void TCustomFtpCli::RmdAsync() { StartRequest(TFtpRequest::kRmd, kStepRmd); }
void TCustomFtpCli::DeleAsync() { StartRequest(TFtpRequest::kDele, kStepDele); }
void TCustomFtpCli::SizeAsync() { StartRequest(TFtpRequest::kSize, kStepSize); }
void TCustomFtpCli::SystAsync() { StartRequest(TFtpRequest::kSyst, kStepSyst); }
void TCustomFtpCli::QuitAsync() { StartRequest(TFtpRequest::kQuit, kStepQuit); }
void TCustomFtpCli::TypeSetAsync() { StartRequest(TFtpRequest::kType, kStepType); }
void TCustomFtpCli::TypeBinaryAsync() {
  binary_ = true;
  TypeSetAsync();
}
void TCustomFtpCli::TypeAsciiAsync() {
  binary_ = false;
  TypeSetAsync();
}
void TCustomFtpCli::QuoteAsync() { StartRequest(TFtpRequest::kQuote, kStepQuote); }
void TCustomFtpCli::RenAsync() { StartRequest(TFtpRequest::kRename, kStepRnfr | kStepRnto); }

// High-level requests.
void TCustomFtpCli::ConnectAsync() {
  StartRequest(TFtpRequest::kConnect, kStepOpen | kStepUser | kStepPass);
}
void TCustomFtpCli::GetAsync() { StartRequest(TFtpRequest::kGet, kStepPort | kStepGet); }
void TCustomFtpCli::RestGetAsync() {
  StartRequest(TFtpRequest::kRestartGet, kStepPort | kStepRest | kStepGet);
}
void TCustomFtpCli::ReceiveAsync() {
  StartRequest(TFtpRequest::kReceive, kStepOpen | kStepUser | kStepPass | kStepCwd | kStepType |
                                          kStepPort | kStepGet | kStepQuit);
}
void TCustomFtpCli::RestartReceiveAsync() {
  StartRequest(TFtpRequest::kRestartReceive, kStepOpen | kStepUser | kStepPass | kStepCwd |
                                                 kStepType | kStepPort | kStepRest | kStepGet |
                                                 kStepQuit);
}
void TCustomFtpCli::PutAsync() { StartRequest(TFtpRequest::kPut, kStepPort | kStepPut); }
void TCustomFtpCli::RestPutAsync() {
  StartRequest(TFtpRequest::kRestartPut, kStepPort | kStepRest | kStepPut);
}
void TCustomFtpCli::TransmitAsync() {
  StartRequest(TFtpRequest::kTransmit, kStepOpen | kStepUser | kStepPass | kStepCwd | kStepType |
                                           kStepPort | kStepPut | kStepQuit);
}
void TCustomFtpCli::RestartTransmitAsync() {
  StartRequest(TFtpRequest::kRestartTransmit, kStepOpen | kStepUser | kStepPass | kStepCwd |
                                                  kStepType | kStepPort | kStepRest | kStepPut |
                                                  kStepQuit);
}
void TCustomFtpCli::AppendAsync() { StartRequest(TFtpRequest::kAppend, kStepPort | kStepAppend); }
void TCustomFtpCli::AppendFileAsync() {
  StartRequest(TFtpRequest::kAppendFile, kStepOpen | kStepUser | kStepPass | kStepCwd | kStepType |
                                             kStepPort | kStepAppend | kStepQuit);
}
void TCustomFtpCli::DirAsync() { StartRequest(TFtpRequest::kDir, kStepPort | kStepDir); }
void TCustomFtpCli::DirectoryAsync() {
  StartRequest(TFtpRequest::kDirectory,
               kStepOpen | kStepUser | kStepPass | kStepCwd | kStepPort | kStepDir | kStepQuit);
}
void TCustomFtpCli::LsAsync() { StartRequest(TFtpRequest::kLs, kStepPort | kStepLs); }
void TCustomFtpCli::ListAsync() {
  StartRequest(TFtpRequest::kList,
               kStepOpen | kStepUser | kStepPass | kStepCwd | kStepPort | kStepLs | kStepQuit);
}
void TCustomFtpCli::SystemAsync() {
  StartRequest(TFtpRequest::kSystem, kStepOpen | kStepUser | kStepPass | kStepSyst | kStepQuit);
}
void TCustomFtpCli::MkdirAsync() {
  StartRequest(TFtpRequest::kMakeFolder,
               kStepOpen | kStepUser | kStepPass | kStepCwd | kStepMkd | kStepQuit);
}
void TCustomFtpCli::RmdirAsync() {
  StartRequest(TFtpRequest::kRemoveFolder,
               kStepOpen | kStepUser | kStepPass | kStepCwd | kStepRmd | kStepQuit);
}
void TCustomFtpCli::DeleteFileAsync() {
  StartRequest(TFtpRequest::kDeleteFile,
               kStepOpen | kStepUser | kStepPass | kStepCwd | kStepDele | kStepQuit);
}
void TCustomFtpCli::DoQuoteAsync() {
  StartRequest(TFtpRequest::kQuoteRequest,
               kStepOpen | kStepUser | kStepPass | kStepCwd | kStepQuote | kStepQuit);
}
void TCustomFtpCli::RenameFileAsync() {
  StartRequest(TFtpRequest::kRenameFile,
               kStepOpen | kStepUser | kStepPass | kStepCwd | kStepRnfr | kStepRnto | kStepQuit);
}
void TCustomFtpCli::FileSizeAsync() {
  StartRequest(TFtpRequest::kFileSize,
               kStepOpen | kStepUser | kStepPass | kStepCwd | kStepSize | kStepQuit);
}

void TCustomFtpCli::Abort() {
  SetState(TFtpState::kAbort);
  CloseLocalFile();
  control_->CancelLookup();
  control_->Close();
  receive_length_ = 0;
  multiline_code_.clear();
  pending_reply_ = Reply::kNone;
  transfer_running_ = false;
  CloseData();
  connected_ = false;
  if (request_running_) {
    VR_FTP_GUARDED(NextExecAction());
  } else {
    SetState(TFtpState::kReady);
  }
}

// ---------------------------------------------------------------------------------------------
// Control connection

void TCustomFtpCli::OnLookupDone(int error) {
  if (state_ != TFtpState::kDnsLookup) return;
  if (error != 0) {
    StepFailed(500, "500 " + control_->ErrorText(error) + " (Winsock error #" +
                        std::to_string(error) + ")");
    return;
  }
  control_address_ = control_->LookupResult();
  SetState(TFtpState::kWaitingBanner);
  control_->Connect(control_address_, FtpServicePort(port_));
}

void TCustomFtpCli::OnControlConnected(int error) {
  if (state_ != TFtpState::kWaitingBanner) return;
  if (error != 0) {
    StepFailed(500, "500 " + control_->ErrorText(error) + " (Winsock error #" +
                        std::to_string(error) + ")");
    return;
  }
  connected_ = true;
  receive_length_ = 0;
  multiline_code_.clear();
  pending_reply_ = Reply::kBanner;
  accepted_codes_ = {220};
  last_command_verb_.clear();
}

void TCustomFtpCli::OnControlData() {
  const uint64_t generation = ++control_generation_;
  while (true) {
    if (receive_length_ >= kReceiveBufferSize - 1) {
      // A line longer than the buffer: hand over what is held as one line and go on.
      std::string line(receive_buffer_, receive_length_);
      receive_length_ = 0;
      HandleLine(line);
      if (generation != control_generation_) return;
      continue;
    }
    const int64_t got = control_->Receive(receive_buffer_ + receive_length_,
                                          kReceiveBufferSize - 1 - receive_length_);
    if (got <= 0) return;
    receive_length_ += static_cast<size_t>(got);
    while (receive_length_ > 0) {
      size_t end = 0;
      size_t skip = 0;
      if ((options_ & ftpAcceptLF) != 0) {
        const void* lf = std::memchr(receive_buffer_, '\n', receive_length_);
        if (lf == nullptr) break;
        end = static_cast<size_t>(static_cast<const char*>(lf) - receive_buffer_);
        skip = end + 1;
      } else {
        bool found = false;
        for (size_t i = 0; i + 1 < receive_length_; ++i) {
          if (receive_buffer_[i] == '\r' && receive_buffer_[i + 1] == '\n') {
            end = i;
            skip = i + 2;
            found = true;
            break;
          }
        }
        if (!found) break;
      }
      std::string line(receive_buffer_, end);
      while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
      std::memmove(receive_buffer_, receive_buffer_ + skip, receive_length_ - skip);
      receive_length_ -= skip;
      HandleLine(line);
      // The line may have ended the session (QUIT, a refused banner, abort).
      if (generation != control_generation_) return;
    }
  }
}

void TCustomFtpCli::HandleLine(const std::string& line) {
  if (OnResponse) OnResponse(line);
  Display("< " + line);
  bool final_line = false;
  if (!multiline_code_.empty()) {
    const std::string& code = multiline_code_;
    final_line = line.size() >= code.size() && line.compare(0, code.size(), code) == 0 &&
                 (line.size() == code.size() || line[code.size()] == ' ');
    if (final_line) multiline_code_.clear();
  } else if (!line.empty() && IsDigit(line[0])) {
    size_t i = 0;
    while (i < line.size() && IsDigit(line[i])) ++i;
    if (i < line.size() && line[i] == '-') {
      multiline_code_ = line.substr(0, i);
    } else {
      final_line = true;
    }
  }
  if (!final_line) return;
  last_response_ = line;
  status_code_ = LeadingCode(line);
  HandleFinalReply();
}

bool TCustomFtpCli::Judge(int code, const std::string& line) {
  bool ok;
  if (!accepted_codes_.empty()) {
    ok = std::find(accepted_codes_.begin(), accepted_codes_.end(), code) != accepted_codes_.end();
  } else {
    ok = code < 500;
  }
  if (!ok) {
    step_status_ = code;
    if (error_message_.empty()) error_message_ = line;
  }
  return ok;
}

void TCustomFtpCli::HandleFinalReply() {
  const int code = status_code_;
  const std::string line = last_response_;
  const Reply reply = pending_reply_;
  if (reply == Reply::kNone) {
    // A reply nobody asked for (a server's idle time-out notice, garbage): report, go on.
    const FtpException problem("Program error: FNext is nil");
    if (OnError) {
      OnError(problem.what());
    } else if (OnBgException) {
      OnBgException(problem);
    } else {
      Display(std::string("! ") + problem.what());
    }
    return;
  }
  pending_reply_ = Reply::kNone;
  const bool ok = Judge(code, line);
  if (ok) {
    if (last_command_verb_ == "CWD" || last_command_verb_ == "MKD" || last_command_verb_ == "PWD" ||
        last_command_verb_ == "CDUP") {
      dir_result_ = FtpQuotedFolder(line);
    } else if (last_command_verb_ == "SIZE") {
      size_t i = 0;
      while (i < line.size() && IsDigit(line[i])) ++i;
      while (i < line.size() && line[i] == ' ') ++i;
      int64_t size = 0;
      for (; i < line.size() && IsDigit(line[i]) && size < (INT64_MAX - 9) / 10; ++i) {
        size = size * 10 + (line[i] - '0');
      }
      size_result_ = size;
    }
  }
  if (Passive() && code == 227) pasv_response_ = line;

  switch (reply) {
    case Reply::kBanner:
      if (ok) {
        SetState(TFtpState::kConnected);
        if (OnSessionConnected) OnSessionConnected(0);
      } else {
        ++control_generation_;
        control_->Close();
        connected_ = false;
        receive_length_ = 0;
      }
      NextExecAction();
      return;
    case Reply::kAuth:
      if (!ok) {
        // Never a fall-back to a plain log-in: the session ends before USER.
        error_message_ = "The server refused AUTH TLS (" + line +
                         "): it offers no FTP over TLS, so the log-in stops here";
        DropControl();
        NextExecAction();
        return;
      }
      control_->StartTls(host_name_, std::string());  // OnControlTls goes on
      return;
    case Reply::kStep:
      if (current_step_ == kStepUser) user_reply_code_ = code;
      if (ok && (current_step_ == kStepUser || current_step_ == kStepPass) && code == 230) {
        logged_in_ = true;
      }
      if (ok && current_step_ == kStepProt) data_protected_ = true;
      NextExecAction();
      return;
    case Reply::kRest:
      rest_answered_350_ = ok && code == 350;
      if (!rest_answered_350_) resume_at_ = 0;
      NextExecAction();
      return;
    case Reply::kQuit:
      ++control_generation_;
      control_->Close();
      receive_length_ = 0;
      if (connected_) {
        connected_ = false;
        if (OnSessionClosed) OnSessionClosed(0);
      }
      SetState(TFtpState::kNotConnected);
      NextExecAction();
      return;
    case Reply::kPort:
      NextExecAction();
      return;
    case Reply::kTransferFirst:
      if (!ok) {
        TransferFailed(code);
        return;
      }
      pending_reply_ = Reply::kTransferSecond;
      transfer_accepted_ = true;
      accepted_codes_ =
          transfer_is_send_ ? std::vector<int>{226, 250} : std::vector<int>{125, 226, 250};
      SetState(TFtpState::kWaitingResponse);
      MaybeStartDataTls();
      if (!transfer_running_) return;
      if (transfer_is_send_) {
        server_ready_ = true;
        if (start_tick_ == 0) start_tick_ = Loop().NowMs();
        SendBlocks();
      }
      return;
    case Reply::kTransferSecond:
      if (!ok) {
        Display(transfer_is_send_ ? "! STOR Failed" : "! " + transfer_verb_ + " Failed");
        TransferFailed(code);
        return;
      }
      second_reply_ = true;
      if (data_closed_) EndTransfer();
      return;
    case Reply::kNone:
      return;
  }
}

void TCustomFtpCli::SendCommand(const std::string& command, Reply reply,
                                std::vector<int> accepted) {
  std::string text = command;
  if (OnCommand) OnCommand(text);
  last_command_verb_ = UpperFirstWord(text);
  accepted_codes_ = std::move(accepted);
  if (HasLineBreakOrNul(text)) {
    // The arguments were checked when the request started; this is text a handler changed.
    const std::string message =
        "501 " + last_command_verb_ + " refused: the command contains CR, LF or NUL";
    Display("! " + message);
    if (reply == Reply::kTransferFirst) {
      transfer_running_ = false;
      send_command_pending_ = false;
      CloseData();
      CloseLocalFile();
      resume_at_ = 0;
    }
    StepFailed(501, message);
    return;
  }
  if (!connected_ || !control_->IsConnected()) {
    // Without a control connection no reply would ever come: fail the step now.
    StepFailed(kConnectionLost, last_command_verb_ + ": not connected");
    return;
  }
  pending_reply_ = reply;
  SetState(TFtpState::kWaitingResponse);
  // The password never reaches the log.
  Display(last_command_verb_ == "PASS" ? std::string("> PASS ****") : "> " + text);
  text += "\r\n";
  if (control_->Send(text.data(), text.size()) < 0) {
    const int error = control_->LastError();
    pending_reply_ = Reply::kNone;
    StepFailed(kConnectionLost, "! Error #" + std::to_string(error) + " sending command");
  }
}

void TCustomFtpCli::DropControl() {
  ++control_generation_;
  control_->Close();
  receive_length_ = 0;
  multiline_code_.clear();
  pending_reply_ = Reply::kNone;
  if (connected_) {
    connected_ = false;
    if (OnSessionClosed) OnSessionClosed(0);
  }
}

void TCustomFtpCli::OnControlTls(int error) {
  if (!request_running_ || current_step_ != kStepAuth) return;
  if (error != 0) {
    const std::string message =
        std::to_string(kTlsFailure) + " TLS with the server failed: " + control_->ErrorText(error);
    DropControl();
    StepFailed(kTlsFailure, message);
    return;
  }
  tls_peer_ = control_->TlsPeerFacts();
  if (!tls_peer_.trusted && !SameFingerprint(tls_peer_.fingerprint, tls_fingerprint_)) {
    // Nothing more goes over a connection to a server whose certificate nobody vouched for.
    certificate_unknown_ = true;
    const std::string message = std::to_string(kTlsFailure) +
                                " The server's certificate is not trusted (" + tls_peer_.errors +
                                "); SHA-256 fingerprint " + tls_peer_.fingerprint;
    Display("! " + message);
    DropControl();
    StepFailed(kTlsFailure, message);
    return;
  }
  Display("! TLS: " + (tls_peer_.trusted ? std::string("trusted certificate")
                                         : "accepted certificate " + tls_peer_.fingerprint));
  NextExecAction();
}

void TCustomFtpCli::OnControlClosed(int error) {
  // Replies the server sent just before closing are still waiting in the socket.
  if (connected_) OnControlData();
  if (!connected_) return;
  connected_ = false;
  ++control_generation_;
  receive_length_ = 0;
  const bool was_abort = state_ == TFtpState::kAbort;
  if (OnSessionClosed) OnSessionClosed(error);
  if (!was_abort) {
    SetState(TFtpState::kNotConnected);
    SetState(TFtpState::kInternalReady);
  }
  if (!request_running_) return;
  const bool quitting = current_step_ == kStepQuit;
  const bool reply_owed = pending_reply_ != Reply::kNone;
  pending_reply_ = Reply::kNone;
  if (transfer_running_) {
    transfer_running_ = false;
    CloseData();
    CloseLocalFile();
  }
  if (quitting || !reply_owed) {
    NextExecAction();  // QUIT ends with the server's close
  } else {
    StepFailed(kConnectionLost, "421 Connection closed by the server");
  }
}

// ---------------------------------------------------------------------------------------------
// Data connection

void TCustomFtpCli::StartPortStep() {
  Retire(Loop(), data_);
  Retire(Loop(), listener_);
  data_up_ = false;
  data_closed_ = false;
  data_tcp_up_ = data_tls_started_ = transfer_accepted_ = false;
  byte_count_ = 0;
  if (Passive()) {
    SendCommand("PASV", Reply::kPort, {200, 227});
    return;
  }
  // The server is told to connect to the address the control connection runs on, so the data
  // socket listens there only, not on every address of the machine.
  const std::string local = PlainAddress(control_->LocalAddress());
  int bytes[4];
  char tail = 0;
  if (std::sscanf(local.c_str(), "%d.%d.%d.%d%c", &bytes[0], &bytes[1], &bytes[2], &bytes[3],
                  &tail) != 4) {
    StepFailed(kLocalFailure, "550 No IPv4 address for a PORT command: " + local);
    return;
  }
  listener_ = sockets_.CreateSocket();
  listener_->SetLinger(true, 10);
  listener_->PrepareTls(data_protected_);
  if (!listener_->Listen(local, 0)) {
    const int error = listener_->LastError();
    StepFailed(kLocalFailure,
               "550 Unable to listen for a data connection, error #" + std::to_string(error));
    return;
  }
  listener_->on_session_available = [this] { VR_FTP_GUARDED(OnDataSessionAvailable()); };
  const uint16_t port = listener_->LocalPort();
  std::string command;
  if (local == "127.0.0.1") {
    command = "PORT 127,0,0,1," + std::to_string(port / 256) + "," + std::to_string(port % 256);
  } else {
    command = "PORT " + std::to_string(bytes[0]) + "," + std::to_string(bytes[1]) + "," +
              std::to_string(bytes[2]) + "," + std::to_string(bytes[3]) + "," +
              std::to_string(port / 256) + "," + std::to_string(port % 256);
  }
  SendCommand(command, Reply::kPort, {200, 227});
}

bool TCustomFtpCli::ConnectPassiveData() {
  uint16_t port = 0;
  if (!FtpPassivePort(pasv_response_, &port)) {
    StepFailed(kLocalFailure, "Unable to establish data connection, error #" +
                                  std::to_string(platform::kSocketOtherError) +
                                  " (unreadable reply: " + pasv_response_ + ")");
    return false;
  }
  Retire(Loop(), data_);
  data_ = sockets_.CreateSocket();
  if (connection_type_ >= ftpSocks4) {
    platform::SocketProxy proxy;
    proxy.kind = connection_type_ == ftpSocks4    ? platform::SocketProxy::kSocks4
                 : connection_type_ == ftpSocks4A ? platform::SocketProxy::kSocks4A
                                                  : platform::SocketProxy::kSocks5;
    proxy.server = socks_server_;
    const uint16_t socks_port = FtpServicePort(socks_port_);
    proxy.port = socks_port != 0 ? socks_port : 1080;
    proxy.user_code = socks_user_code_;
    proxy.password = socks_password_;
    data_->SetProxy(proxy);
  }
  data_->SetLinger(false, 0);
  data_->PrepareTls(data_protected_);
  data_->on_connected = [this](int e) { VR_FTP_GUARDED(OnDataConnected(e)); };
  data_->Connect(control_address_, port);
  return true;
}

void TCustomFtpCli::HookDataEvents() {
  data_->on_data_available = [this] { VR_FTP_GUARDED(OnDataAvailable()); };
  data_->on_data_sent = [this] { VR_FTP_GUARDED(OnDataSent()); };
  data_->on_closed = [this](int e) { VR_FTP_GUARDED(OnDataClosed(e)); };
}

void TCustomFtpCli::StartReceive(const std::string& verb, const std::string& command) {
  transfer_is_send_ = false;
  transfer_verb_ = verb;
  transfer_command_ = command;
  byte_count_ = 0;
  start_tick_ = 0;
  end_tick_ = 0;
  data_closed_ = second_reply_ = server_ready_ = false;
  if (Passive()) data_up_ = false;  // an active caller may already be connected
  data_close_error_ = 0;
  display_line_.clear();
  if (!rest_answered_350_) resume_at_ = 0;
  CloseLocalFile();
  if (!display_file_flag_) {
    if (resume_at_ > 0) {
      local_file_ = std::fopen(local_file_name_.c_str(), "r+b");
      if (local_file_ != nullptr && !SeekFile(local_file_, resume_at_)) CloseLocalFile();
    } else {
      local_file_ = std::fopen(local_file_name_.c_str(), "wb");
    }
    if (local_file_ == nullptr) {
      resume_at_ = 0;
      StepFailed(kLocalFailure, "Unable to open local file " + local_file_name_);
      return;
    }
    // Blocks go to the file as they are, without a second copy through a stdio buffer.
    std::setvbuf(local_file_, nullptr, _IONBF, 0);
  }
  PrepareTransferBuffer(kReceiveBlock);
  transfer_running_ = true;
  if (Passive()) {
    send_command_pending_ = true;
    ConnectPassiveData();  // the command follows once the data connection is up
    return;
  }
  send_command_pending_ = false;
  start_tick_ = Loop().NowMs();
  SendCommand(command, Reply::kTransferFirst, {150, 125});
}

void TCustomFtpCli::StartSend(const std::string& verb, const std::string& command) {
  transfer_is_send_ = true;
  transfer_verb_ = verb;
  transfer_command_ = command;
  byte_count_ = 0;
  start_tick_ = 0;
  end_tick_ = 0;
  data_closed_ = second_reply_ = server_ready_ = false;
  if (Passive()) data_up_ = false;  // an active caller may already be connected
  data_close_error_ = 0;
  send_block_length_ = send_block_offset_ = 0;
  send_eof_ = false;
  if (!rest_answered_350_) resume_at_ = 0;
  bool cancel = false;
  if (OnReadyToTransmit) OnReadyToTransmit(cancel);
  if (cancel) {
    Display("! 426 Transmit cancelled by application");
    StepFailed(426, "426 Transmit cancelled by application");
    return;
  }
  CloseLocalFile();
  local_file_ = std::fopen(local_file_name_.c_str(), "rb");
  if (local_file_ != nullptr && resume_at_ > 0 && !SeekFile(local_file_, resume_at_)) {
    CloseLocalFile();
  }
  if (local_file_ == nullptr) {
    const std::string message = "426 Unable to open local file " + local_file_name_;
    Display("! " + message);
    StepFailed(426, message);
    return;
  }
  std::setvbuf(local_file_, nullptr, _IONBF, 0);
  PrepareTransferBuffer(kSendBlock);
  transfer_running_ = true;
  if (Passive()) {
    send_command_pending_ = true;
    ConnectPassiveData();
    return;
  }
  send_command_pending_ = false;
  SendCommand(command, Reply::kTransferFirst, {150, 125});
}

void TCustomFtpCli::OnDataConnected(int error) {
  if (!transfer_running_) return;
  if (error != 0) {
    transfer_running_ = false;
    send_command_pending_ = false;
    CloseData();
    CloseLocalFile();
    resume_at_ = 0;
    StepFailed(kLocalFailure,
               "Unable to establish data connection, error #" + std::to_string(error));
    return;
  }
  HookDataEvents();
  if (data_protected_) {
    data_tcp_up_ = true;
    if (send_command_pending_) {
      send_command_pending_ = false;
      start_tick_ = Loop().NowMs();
      SendCommand(transfer_command_, Reply::kTransferFirst, {150, 125});
      if (!transfer_running_) return;
    }
    MaybeStartDataTls();
    return;
  }
  data_up_ = true;
  if (send_command_pending_) {
    send_command_pending_ = false;
    start_tick_ = Loop().NowMs();
    SendCommand(transfer_command_, Reply::kTransferFirst, {150, 125});
    if (!transfer_running_) return;
  }
  if (transfer_is_send_) SendBlocks();
}

void TCustomFtpCli::MaybeStartDataTls() {
  // As curl and Python's ftplib do: TLS on a data connection starts once the server accepted the
  // transfer command (150/125). Servers set up their side of the data connection for the command;
  // a handshake that comes before it can meet a connection the server is still replacing.
  if (!data_protected_ || !data_ || !data_tcp_up_ || !transfer_accepted_ || data_tls_started_) {
    return;
  }
  data_tls_started_ = true;
  StartDataTls();
}

void TCustomFtpCli::StartDataTls() {
  data_up_ = false;
  data_->on_tls_ready = [this](int e) { VR_FTP_GUARDED(OnDataTls(e)); };
  // The control connection's session is offered for resumption, as many servers demand.
  data_->StartTls(host_name_, control_->TlsSession());
}

void TCustomFtpCli::OnDataTls(int error) {
  if (!data_ || data_closed_) return;
  std::string problem;
  if (error != 0) {
    problem = "TLS on the data connection failed: " + data_->ErrorText(error);
  } else {
    const platform::TlsPeer peer = data_->TlsPeerFacts();
    if (!peer.trusted && !SameFingerprint(peer.fingerprint, tls_peer_.fingerprint)) {
      problem = "The data connection's certificate (" + peer.fingerprint +
                ") is not the control connection's";
    }
  }
  if (!problem.empty()) {
    Display("! " + problem);
    if (!transfer_running_) {
      Retire(Loop(), data_);
      return;
    }
    data_close_error_ = kDataTlsFailure;
    if (error_message_.empty()) error_message_ = std::to_string(kDataTlsFailure) + " " + problem;
    data_->Close();
    OnDataClosed(kDataTlsFailure);
    return;
  }
  data_up_ = true;
  if (!transfer_running_) return;  // an active connection that came before the command
  if (transfer_is_send_) {
    SendBlocks();
  } else {
    OnDataAvailable();
  }
}

void TCustomFtpCli::OnDataSessionAvailable() {
  if (!listener_) return;
  // Only the server may connect: a caller from any other address is closed and the listener
  // goes on waiting (the request's time-out bounds the wait).
  const std::string server = PlainAddress(control_->PeerAddress());
  std::unique_ptr<StreamSocket> accepted;
  while (true) {
    accepted = listener_->Accept();
    if (!accepted) return;
    const std::string caller = PlainAddress(accepted->PeerAddress());
    if (!server.empty() && caller == server) break;
    Display("! Data connection from " + caller + " refused (the server is " + server + ")");
    Retire(Loop(), accepted);
  }
  Retire(Loop(), listener_);
  // Some servers connect as soon as PORT is accepted, before the transfer command is sent.
  Retire(Loop(), data_);
  data_ = std::move(accepted);
  data_up_ = true;
  if (start_tick_ == 0) start_tick_ = Loop().NowMs();
  if (transfer_is_send_) data_->SetLinger(false, 10);
  HookDataEvents();
  if (data_protected_) {
    data_up_ = false;
    data_tcp_up_ = true;
    MaybeStartDataTls();
    return;
  }
  if (!transfer_running_) return;
  if (transfer_is_send_) {
    SendBlocks();
  } else {
    OnDataAvailable();  // bytes may have arrived before the socket was taken over
  }
}

void TCustomFtpCli::PrepareTransferBuffer(size_t first_block) {
  if (!transfer_buffer_) transfer_buffer_ = std::make_unique<char[]>(kTransferBuffer);
  block_size_ = min_block_size_ = first_block;
  pace_start_ms_ = Loop().NowMs();
  pace_start_bytes_ = byte_count_;
}

void TCustomFtpCli::UpdateBlockSize() {
  const int64_t now = Loop().NowMs();
  const int64_t elapsed = now - pace_start_ms_;
  if (elapsed < kPaceWindowMs) return;
  const int64_t moved = byte_count_ - pace_start_bytes_;
  const int64_t wanted = moved * kBlockMs / elapsed;
  block_size_ = static_cast<size_t>(std::clamp<int64_t>(
      wanted, static_cast<int64_t>(min_block_size_), static_cast<int64_t>(kTransferBuffer)));
  pace_start_ms_ = now;
  pace_start_bytes_ = byte_count_;
}

bool TCustomFtpCli::DataProgress() {
  ProgressHook();
  if (!OnProgress) return true;
  bool abort = false;
  OnProgress(byte_count_, abort);
  if (!transfer_running_ || !data_) return false;  // the handler aborted everything
  if (abort) {
    Display("! Abort requested");
    // An aborted transfer must not end as a success even when the server already said 226.
    data_close_error_ = 426;
    if (error_message_.empty()) error_message_ = "426 Abort requested";
    data_->Close();
    OnDataClosed(426);
    return false;
  }
  return true;
}

void TCustomFtpCli::OnDataAvailable() {
  if (!transfer_running_ || !data_ || data_closed_) return;
  char* const buffer = transfer_buffer_.get();
  while (true) {
    if (!DataProgress()) return;
    const int64_t got = data_->Receive(buffer, transfer_is_send_ ? kTransferBuffer : NextBlock());
    if (got > 0) {
      if (transfer_is_send_) continue;  // anything a server sends on an upload is dropped
      byte_count_ += got;
      UpdateBlockSize();
      if (local_file_ != nullptr && std::fwrite(buffer, 1, static_cast<size_t>(got), local_file_) !=
                                        static_cast<size_t>(got)) {
        Display("! Error writing local file");
        data_close_error_ = kLocalFailure;
        if (error_message_.empty()) error_message_ = "550 Error writing local file";
        data_->Close();
        OnDataClosed(kLocalFailure);
        return;
      }
      if (display_file_flag_) DeliverDisplayFile(buffer, static_cast<size_t>(got), false);
      continue;
    }
    if (got == 0) return;  // end of stream: the close event follows
    const int error = data_->LastError();
    if (error == platform::kSocketWouldBlock) return;
    Display("! Data: Receive error " + std::to_string(error));
    data_->Close();
    OnDataClosed(error);
    return;
  }
}

void TCustomFtpCli::DeliverDisplayFile(const char* data, size_t size, bool flush) {
  if (!OnDisplayFile) return;
  for (size_t i = 0; i < size; ++i) {
    const char c = data[i];
    if (c == '\n' || c == '\r') {
      if (c == '\n' || !display_line_.empty()) {
        if (!(c == '\n' && display_line_.empty() && i > 0 && data[i - 1] == '\r')) {
          OnDisplayFile(display_line_);
        }
        display_line_.clear();
      }
    } else {
      display_line_ += c;
      if (display_line_.size() >= kReceiveBufferSize) {
        OnDisplayFile(display_line_);
        display_line_.clear();
      }
    }
  }
  if (flush && !display_line_.empty()) {
    OnDisplayFile(display_line_);
    display_line_.clear();
  }
}

void TCustomFtpCli::OnDataSent() {
  if (transfer_is_send_) SendBlocks();
}

void TCustomFtpCli::SendBlocks() {
  while (transfer_running_ && server_ready_ && data_up_ && !send_eof_ && !data_closed_ && data_) {
    if (send_block_offset_ >= send_block_length_) {
      if (!DataProgress()) return;
      UpdateBlockSize();
      const size_t got = std::fread(transfer_buffer_.get(), 1, NextBlock(), local_file_);
      if (got == 0) {
        if (std::ferror(local_file_)) {
          Display("! Error reading file");
          data_close_error_ = kLocalFailure;
          if (error_message_.empty()) error_message_ = "550 Error reading file";
          data_->Close();
          OnDataClosed(kLocalFailure);
          return;
        }
        send_eof_ = true;
        data_->Shutdown();  // flushes what is queued; the close event ends the transfer
        return;
      }
      send_block_length_ = got;
      send_block_offset_ = 0;
    }
    const int64_t sent = data_->Send(transfer_buffer_.get() + send_block_offset_,
                                     send_block_length_ - send_block_offset_);
    if (sent < 0) {
      const int error = data_->LastError();
      if (error == platform::kSocketWouldBlock) return;  // on_data_sent resumes
      Display("! Error #" + std::to_string(error) + " sending data");
      data_->Close();
      OnDataClosed(error);
      return;
    }
    byte_count_ += sent;
    send_block_offset_ += static_cast<size_t>(sent);
  }
}

void TCustomFtpCli::OnDataClosed(int error) {
  if (!transfer_running_ || data_closed_) return;
  if (!transfer_is_send_ && error == 0 && data_) {
    OnDataAvailable();  // what arrived just before the close
    if (!transfer_running_ || data_closed_) return;
  }
  data_closed_ = true;
  data_up_ = false;
  if (data_close_error_ == 0) data_close_error_ = error;
  end_tick_ = Loop().NowMs();
  if (display_file_flag_) DeliverDisplayFile(nullptr, 0, true);
  if (local_file_ != nullptr) {
    const bool ok = std::fclose(local_file_) == 0;
    local_file_ = nullptr;
    if (!ok && !transfer_is_send_) {
      Display("! Error writing local file");
      if (data_close_error_ == 0) data_close_error_ = kLocalFailure;
      if (error_message_.empty()) error_message_ = "550 Error writing local file";
    }
  }
  if (second_reply_) EndTransfer();
}

void TCustomFtpCli::EndTransfer() {
  transfer_running_ = false;
  if (end_tick_ == 0) end_tick_ = Loop().NowMs();
  Display(FtpStatisticsLine(byte_count_, start_tick_ > 0 ? end_tick_ - start_tick_ : 0));
  resume_at_ = 0;
  CloseData();
  if (data_close_error_ != 0) {
    const int code = data_close_error_;
    std::string message = error_message_.empty()
                              ? "Data connection closed with error #" + std::to_string(code)
                              : error_message_;
    step_status_ = code;
    if (error_message_.empty()) error_message_ = message;
    NextExecAction();
    return;
  }
  NextExecAction();
}

void TCustomFtpCli::TransferFailed(int code) {
  transfer_running_ = false;
  send_command_pending_ = false;
  CloseData();
  CloseLocalFile();
  resume_at_ = 0;
  if (step_status_ == 0) step_status_ = code;
  NextExecAction();
}

void TCustomFtpCli::CloseData() {
  Retire(Loop(), data_);
  Retire(Loop(), listener_);
  data_up_ = false;
}

void TCustomFtpCli::CloseLocalFile() {
  if (local_file_ != nullptr) {
    std::fclose(local_file_);
    local_file_ = nullptr;
  }
}

// ---------------------------------------------------------------------------------------------
// Blocking forms

void TFtpClient::ProgressHook() {
  if (timeout_ > 0) deadline_ = Loop().NowMs() + static_cast<int64_t>(timeout_) * 1000;
}

bool TFtpClient::WaitUntilReady() {
  deadline_ = Loop().NowMs() + static_cast<int64_t>(timeout_) * 1000;
  while (State() != TFtpState::kReady) {
    // A stop leaves no request half-run behind: the client is aborted (its request ends with
    // 426 once the abort has run) and the caller sees a failure.
    if (Loop().Terminating() || (StopCheck && StopCheck())) {
      Abort();
      SetErrorMessage("426 Operation aborted.");
      SetStatusCode(426);
      return false;
    }
    const int64_t now = Loop().NowMs();
    if (timeout_ > 0 && now >= deadline_) {
      Abort();
      SetErrorMessage("426 Timeout");
      SetStatusCode(426);
      return false;
    }
    int64_t wait = 100;
    if (timeout_ > 0) wait = std::min<int64_t>(wait, deadline_ - now);
    Loop().ProcessEvents(static_cast<int>(std::max<int64_t>(wait, 1)), multi_threaded_);
  }
  return RequestStatus() == 0;
}

bool TFtpClient::Synchronize(void (TCustomFtpCli::*request)()) {
  const uint64_t serial = RequestSerial();
  (this->*request)();
  // Refused before it began (only possible when an error handler swallowed the failure).
  if (RequestSerial() == serial) return false;
  return WaitUntilReady();
}

bool TFtpClient::Open() { return Synchronize(&TCustomFtpCli::OpenAsync); }
bool TFtpClient::User() { return Synchronize(&TCustomFtpCli::UserAsync); }
bool TFtpClient::Pass() { return Synchronize(&TCustomFtpCli::PassAsync); }
bool TFtpClient::Cwd() { return Synchronize(&TCustomFtpCli::CwdAsync); }
bool TFtpClient::Cdup() { return Synchronize(&TCustomFtpCli::CdupAsync); }
bool TFtpClient::Pwd() { return Synchronize(&TCustomFtpCli::PwdAsync); }
bool TFtpClient::Mkd() { return Synchronize(&TCustomFtpCli::MkdAsync); }
bool TFtpClient::Rmd() { return Synchronize(&TCustomFtpCli::RmdAsync); }
bool TFtpClient::Dele() { return Synchronize(&TCustomFtpCli::DeleAsync); }
bool TFtpClient::Size() { return Synchronize(&TCustomFtpCli::SizeAsync); }
bool TFtpClient::Syst() { return Synchronize(&TCustomFtpCli::SystAsync); }
bool TFtpClient::Quit() { return Synchronize(&TCustomFtpCli::QuitAsync); }
bool TFtpClient::TypeBinary() { return Synchronize(&TCustomFtpCli::TypeBinaryAsync); }
bool TFtpClient::TypeAscii() { return Synchronize(&TCustomFtpCli::TypeAsciiAsync); }
bool TFtpClient::Quote() { return Synchronize(&TCustomFtpCli::QuoteAsync); }
bool TFtpClient::Ren() { return Synchronize(&TCustomFtpCli::RenAsync); }
bool TFtpClient::Connect() { return Synchronize(&TCustomFtpCli::ConnectAsync); }
bool TFtpClient::Get() { return Synchronize(&TCustomFtpCli::GetAsync); }
bool TFtpClient::RestGet() { return Synchronize(&TCustomFtpCli::RestGetAsync); }
bool TFtpClient::Receive() { return Synchronize(&TCustomFtpCli::ReceiveAsync); }
bool TFtpClient::RestartReceive() { return Synchronize(&TCustomFtpCli::RestartReceiveAsync); }
bool TFtpClient::Put() { return Synchronize(&TCustomFtpCli::PutAsync); }
bool TFtpClient::RestPut() { return Synchronize(&TCustomFtpCli::RestPutAsync); }
bool TFtpClient::Transmit() { return Synchronize(&TCustomFtpCli::TransmitAsync); }
bool TFtpClient::RestartTransmit() { return Synchronize(&TCustomFtpCli::RestartTransmitAsync); }
bool TFtpClient::Append() { return Synchronize(&TCustomFtpCli::AppendAsync); }
bool TFtpClient::AppendFile() { return Synchronize(&TCustomFtpCli::AppendFileAsync); }
bool TFtpClient::Dir() { return Synchronize(&TCustomFtpCli::DirAsync); }
bool TFtpClient::Directory() { return Synchronize(&TCustomFtpCli::DirectoryAsync); }
bool TFtpClient::Ls() { return Synchronize(&TCustomFtpCli::LsAsync); }
bool TFtpClient::List() { return Synchronize(&TCustomFtpCli::ListAsync); }
bool TFtpClient::System() { return Synchronize(&TCustomFtpCli::SystemAsync); }
bool TFtpClient::Mkdir() { return Synchronize(&TCustomFtpCli::MkdirAsync); }
bool TFtpClient::Rmdir() { return Synchronize(&TCustomFtpCli::RmdirAsync); }
bool TFtpClient::DeleteFile() { return Synchronize(&TCustomFtpCli::DeleteFileAsync); }
bool TFtpClient::DoQuote() { return Synchronize(&TCustomFtpCli::DoQuoteAsync); }
bool TFtpClient::RenameFile() { return Synchronize(&TCustomFtpCli::RenameFileAsync); }
bool TFtpClient::FileSize() { return Synchronize(&TCustomFtpCli::FileSizeAsync); }

}  // namespace vr::ftp
