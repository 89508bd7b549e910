#pragma once
// The FTP client: one control connection and one data connection at a time, driven as a state
// machine by socket events. A request sends a command, waits for the final reply line, judges it
// against the codes the command accepts and reports completion through OnRequestDone. High-level
// requests chain several steps in one fixed order and stop the chain at the first failure (QUIT
// still runs when it was part of the request). TFtpClient adds blocking forms with a time-out.
//
// States:
//   not connected -> name lookup -> waiting banner -> connected -> internal ready / waiting
//   response ... -> ready.  Abort goes through "abort" to not connected and ready.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/socket.h"

namespace vr::ftp {

class FtpException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class TFtpState {
  kNotConnected,
  kReady,
  kInternalReady,
  kDnsLookup,
  kConnected,
  kAbort,
  kWaitingBanner,
  kWaitingResponse,
};

enum TFtpShareMode {
  ftpShareCompat,
  ftpShareExclusive,
  ftpShareDenyWrite,
  ftpShareDenyRead,
  ftpShareDenyNone,
};

// Option bits of Options().
enum TFtpOption : unsigned {
  ftpAcceptLF = 1u << 0,
  ftpNoAutoResumeAt = 1u << 1,
};

enum TFtpConnectionType { ftpDirect, ftpProxy, ftpSocks4, ftpSocks4A, ftpSocks5 };

// Request types handed to OnRequestDone.
enum class TFtpRequest {
  kNone,
  kOpen,
  kUser,
  kPass,
  kCwd,
  kCdup,
  kPwd,
  kMkd,
  kRmd,
  kDele,
  kSize,
  kSyst,
  kQuit,
  kType,
  kQuote,
  kAbort,
  kConnect,
  kGet,
  kRestartGet,
  kReceive,
  kRestartReceive,
  kPut,
  kRestartPut,
  kTransmit,
  kRestartTransmit,
  kAppend,
  kAppendFile,
  kDir,
  kDirectory,
  kLs,
  kList,
  kSystem,
  kMakeFolder,
  kRemoveFolder,
  kDeleteFile,
  kQuoteRequest,
  kRename,
  kRenameFile,
  kFileSize,
};

class TCustomFtpCli {
 public:
  explicit TCustomFtpCli(platform::SocketService& sockets);
  virtual ~TCustomFtpCli();
  TCustomFtpCli(const TCustomFtpCli&) = delete;
  TCustomFtpCli& operator=(const TCustomFtpCli&) = delete;

  // Published properties.
  const std::string& HostName() const { return host_name_; }
  void SetHostName(std::string v) { host_name_ = std::move(v); }
  const std::string& Port() const { return port_; }
  void SetPort(std::string v) { port_ = std::move(v); }
  const std::string& UserName() const { return user_name_; }
  void SetUserName(std::string v) { user_name_ = std::move(v); }
  const std::string& PassWord() const { return pass_word_; }
  void SetPassWord(std::string v) { pass_word_ = std::move(v); }
  const std::string& HostDirName() const { return host_dir_name_; }
  void SetHostDirName(std::string v) { host_dir_name_ = std::move(v); }
  const std::string& HostFileName() const { return host_file_name_; }
  void SetHostFileName(std::string v) { host_file_name_ = std::move(v); }
  const std::string& LocalFileName() const { return local_file_name_; }
  void SetLocalFileName(std::string v) { local_file_name_ = std::move(v); }
  bool DisplayFileFlag() const { return display_file_flag_; }
  void SetDisplayFileFlag(bool v) { display_file_flag_ = v; }
  bool Binary() const { return binary_; }
  void SetBinary(bool v) { binary_ = v; }
  const std::string& ErrorMessage() const { return error_message_; }
  TFtpShareMode ShareMode() const { return share_mode_; }
  void SetShareMode(TFtpShareMode v) { share_mode_ = v; }
  unsigned Options() const { return options_; }
  void SetOptions(unsigned v) { options_ = v; }
  TFtpConnectionType ConnectionType() const { return connection_type_; }
  // Refused while connected ("FTP component connected").
  void SetConnectionType(TFtpConnectionType v);
  const std::string& ProxyServer() const { return proxy_server_; }
  void SetProxyServer(std::string v) { proxy_server_ = std::move(v); }
  const std::string& SocksServer() const { return socks_server_; }
  void SetSocksServer(std::string v) { socks_server_ = std::move(v); }
  const std::string& SocksPort() const { return socks_port_; }
  void SetSocksPort(std::string v) { socks_port_ = std::move(v); }
  const std::string& SocksUserCode() const { return socks_user_code_; }
  void SetSocksUserCode(std::string v) { socks_user_code_ = std::move(v); }
  const std::string& SocksPassword() const { return socks_password_; }
  void SetSocksPassword(std::string v) { socks_password_ = std::move(v); }

  // FTP over TLS (explicit): AUTH TLS before USER, then PBSZ 0 and PROT P, every data connection
  // encrypted. A server that refuses AUTH TLS ends the log-in; nothing is sent in the clear.
  bool UseTls() const { return use_tls_; }
  void SetUseTls(bool v) { use_tls_ = v; }
  // SHA-256 fingerprint of a certificate the user accepted although it is not trusted.
  const std::string& TlsFingerprint() const { return tls_fingerprint_; }
  void SetTlsFingerprint(std::string v) { tls_fingerprint_ = std::move(v); }
  // The control connection's certificate facts of the last TLS log-in.
  const platform::TlsPeer& TlsPeerFacts() const { return tls_peer_; }
  // The last log-in stopped at an untrusted certificate that is not the accepted one.
  bool CertificateUnknown() const { return certificate_unknown_; }

  // Further state.
  bool Passive() const { return passive_ || connection_type_ != ftpDirect; }
  void SetPassive(bool v) { passive_ = v; }
  int64_t ResumeAt() const { return resume_at_; }
  void SetResumeAt(int64_t v) { resume_at_ = v; }
  int64_t ByteCount() const { return byte_count_; }
  int64_t SizeResult() const { return size_result_; }
  const std::string& DirResult() const { return dir_result_; }
  const std::string& LastResponse() const { return last_response_; }
  int StatusCode() const { return status_code_; }
  int RequestStatus() const { return request_status_; }
  const std::string& PasvResponse() const { return pasv_response_; }
  TFtpState State() const { return state_; }
  bool Connected() const { return connected_; }
  TFtpRequest RequestType() const { return request_type_; }
  // Counts the requests that started (a refused call leaves it unchanged).
  uint64_t RequestSerial() const { return request_serial_; }
  // Data blocks of at most this many bytes from the next one on (0: no cap). A progress handler
  // that holds a low speed limit sets it so that its waits come often enough for an even pace.
  void SetBlockCap(size_t bytes) { block_cap_ = bytes; }

  // Events.
  std::function<void(const std::string&)> OnDisplay;
  std::function<void(const std::string&)> OnDisplayFile;
  std::function<void(std::string&)> OnCommand;
  std::function<void(const std::string&)> OnResponse;
  std::function<void(int64_t count, bool& abort)> OnProgress;
  std::function<void(int error)> OnSessionConnected;
  std::function<void(int error)> OnSessionClosed;
  std::function<void(TFtpRequest, int error)> OnRequestDone;
  std::function<void(TFtpState)> OnStateChange;
  std::function<void(bool& cancel)> OnReadyToTransmit;
  std::function<void(const std::exception&)> OnBgException;
  // When set, wrong-state and missing-argument failures come here instead of being thrown.
  std::function<void(const std::string&)> OnError;

  // Single steps as requests.
  void OpenAsync();
  void UserAsync();
  void PassAsync();
  void CwdAsync();
  void CdupAsync();
  void PwdAsync();
  void MkdAsync();
  void RmdAsync();
  void DeleAsync();
  void SizeAsync();
  void SystAsync();
  void QuitAsync();
  void TypeSetAsync();
  void TypeBinaryAsync();
  void TypeAsciiAsync();
  void QuoteAsync();
  void RenAsync();  // RNFR then RNTO on an open session

  // High-level requests.
  void ConnectAsync();
  void GetAsync();
  void RestGetAsync();
  void ReceiveAsync();
  void RestartReceiveAsync();
  void PutAsync();
  void RestPutAsync();
  void TransmitAsync();
  void RestartTransmitAsync();
  void AppendAsync();
  void AppendFileAsync();
  void DirAsync();
  void DirectoryAsync();
  void LsAsync();
  void ListAsync();
  void SystemAsync();
  void MkdirAsync();
  void RmdirAsync();
  void DeleteFileAsync();
  void DoQuoteAsync();
  void RenameFileAsync();
  void FileSizeAsync();

  // Stops whatever runs: closes the file and both connections; a running request ends with 426.
  void Abort();

 protected:
  platform::SocketLoop& Loop() { return sockets_.Loop(); }
  // Called before OnProgress on every progress step (the blocking wait moves its deadline).
  virtual void ProgressHook() {}
  void SetErrorMessage(std::string text) { error_message_ = std::move(text); }
  void SetStatusCode(int code) { status_code_ = code; }

 private:
  // Steps run in bit order: AUTH TLS right after the banner, PBSZ and PROT after the log-in.
  enum Step : uint32_t {
    kStepOpen = 1u << 0,
    kStepAuth = 1u << 1,
    kStepUser = 1u << 2,
    kStepPass = 1u << 3,
    kStepPbsz = 1u << 4,
    kStepProt = 1u << 5,
    kStepCwd = 1u << 6,
    kStepCdup = 1u << 7,
    kStepType = 1u << 8,
    kStepPort = 1u << 9,
    kStepRest = 1u << 10,
    kStepGet = 1u << 11,
    kStepPut = 1u << 12,
    kStepDir = 1u << 13,
    kStepLs = 1u << 14,
    kStepAppend = 1u << 15,
    kStepSyst = 1u << 16,
    kStepMkd = 1u << 17,
    kStepRmd = 1u << 18,
    kStepRnfr = 1u << 19,
    kStepRnto = 1u << 20,
    kStepSize = 1u << 21,
    kStepDele = 1u << 22,
    kStepPwd = 1u << 23,
    kStepQuote = 1u << 24,
    kStepQuit = 1u << 25,
  };
  enum class Reply { kNone, kBanner, kAuth, kStep, kPort, kRest, kQuit, kTransferFirst, kTransferSecond };

  // Request set-up and the step chain.
  void StartRequest(TFtpRequest type, uint32_t steps, bool direct_cwd = false);
  bool Fail(const std::string& message);
  void NextExecAction();
  void RunStep(uint32_t step);
  void StepFailed(int code, const std::string& message);
  void FinishRequest();
  void SetState(TFtpState state);
  void Display(const std::string& text);

  // Control connection.
  void ConnectControlEvents();
  void OnLookupDone(int error);
  void OnControlConnected(int error);
  void OnControlData();
  void OnControlClosed(int error);
  void OnControlTls(int error);
  void DropControl();
  void HandleLine(const std::string& line);
  void HandleFinalReply();
  void SendCommand(const std::string& command, Reply reply, std::vector<int> accepted);
  bool Judge(int code, const std::string& line);

  // Data connection.
  void StartPortStep();
  void StartReceive(const std::string& verb, const std::string& command);
  void StartSend(const std::string& verb, const std::string& command);
  bool ConnectPassiveData();
  void OnDataConnected(int error);
  void OnDataSessionAvailable();
  void HookDataEvents();
  void MaybeStartDataTls();
  void StartDataTls();
  void OnDataTls(int error);
  void OnDataAvailable();
  void OnDataSent();
  void OnDataClosed(int error);
  void SendBlocks();
  void EndTransfer();
  void TransferFailed(int code);
  void CloseData();
  void CloseLocalFile();
  void DisplayStatistics();
  void DeliverDisplayFile(const char* data, size_t size, bool flush);
  bool DataProgress();
  void PrepareTransferBuffer(size_t first_block);
  void UpdateBlockSize();
  // The name of the first argument of `steps` that holds CR, LF or NUL, or null.
  const char* UnsafeArgument(uint32_t steps) const;

  platform::SocketService& sockets_;
  std::unique_ptr<platform::StreamSocket> control_;
  std::unique_ptr<platform::StreamSocket> data_;
  std::shared_ptr<bool> alive_;

  std::string host_name_;
  std::string port_ = "ftp";
  std::string user_name_, pass_word_, host_dir_name_, host_file_name_, local_file_name_;
  bool display_file_flag_ = false;
  bool binary_ = true;
  std::string error_message_;
  TFtpShareMode share_mode_ = ftpShareExclusive;
  unsigned options_ = ftpAcceptLF;
  TFtpConnectionType connection_type_ = ftpDirect;
  std::string proxy_server_, socks_server_, socks_port_, socks_user_code_, socks_password_;

  bool passive_ = false;
  int64_t resume_at_ = 0;
  int64_t byte_count_ = 0;
  int64_t size_result_ = 0;
  std::string dir_result_;
  std::string last_response_;
  int status_code_ = 0;
  std::string pasv_response_;
  TFtpState state_ = TFtpState::kReady;
  bool connected_ = false;

  // The running request.
  TFtpRequest request_type_ = TFtpRequest::kNone;
  bool request_running_ = false;
  uint32_t remaining_ = 0;
  uint32_t current_step_ = 0;
  bool request_has_quit_ = false;
  bool direct_cwd_ = false;
  int request_status_ = 0;
  int step_status_ = 0;
  int user_reply_code_ = 0;
  bool rest_answered_350_ = false;
  bool restart_upload_ = false;
  std::string saved_quit_response_;
  int saved_quit_code_ = 0;
  int event_depth_ = 0;

  // Reply parsing.
  static constexpr size_t kReceiveBufferSize = 4096;
  char receive_buffer_[kReceiveBufferSize];
  size_t receive_length_ = 0;
  std::string multiline_code_;
  Reply pending_reply_ = Reply::kNone;
  std::vector<int> accepted_codes_;
  std::string last_command_verb_;
  std::string control_address_;
  uint64_t control_generation_ = 0;
  uint64_t request_serial_ = 0;

  // TLS.
  bool use_tls_ = false;
  std::string tls_fingerprint_;
  platform::TlsPeer tls_peer_;
  bool certificate_unknown_ = false;
  bool logged_in_ = false;
  bool data_protected_ = false;  // PROT P accepted in this session
  bool data_tcp_up_ = false;       // the protected data connection is connected
  bool transfer_accepted_ = false;  // the transfer command was answered 150/125
  bool data_tls_started_ = false;

  // Transfer.
  std::FILE* local_file_ = nullptr;
  bool transfer_is_send_ = false;
  bool transfer_running_ = false;
  bool server_ready_ = false;
  bool data_up_ = false;
  bool data_closed_ = false;
  bool second_reply_ = false;
  int data_close_error_ = 0;
  bool send_command_pending_ = false;
  std::string transfer_verb_;
  std::string transfer_command_;
  std::unique_ptr<platform::StreamSocket> listener_;
  int64_t start_tick_ = 0;
  int64_t end_tick_ = 0;
  // One buffer for every block of every transfer (allocated once, on the first transfer). Blocks
  // start small and grow with the pace the data moves at (see UpdateBlockSize).
  std::unique_ptr<char[]> transfer_buffer_;
  size_t block_size_ = 0;
  size_t min_block_size_ = 0;
  size_t block_cap_ = 0;
  size_t NextBlock() const {
    return block_cap_ > 0 ? std::min(block_size_, block_cap_) : block_size_;
  }
  int64_t pace_start_ms_ = 0;
  int64_t pace_start_bytes_ = 0;
  size_t send_block_length_ = 0;
  size_t send_block_offset_ = 0;
  bool send_eof_ = false;
  std::string display_line_;
};

// The client with blocking forms of each request: start it, then wait (with Timeout) until the
// client is ready again. True when the request succeeded.
class TFtpClient : public TCustomFtpCli {
 public:
  explicit TFtpClient(platform::SocketService& sockets) : TCustomFtpCli(sockets) {}

  int Timeout() const { return timeout_; }
  void SetTimeout(int seconds) { timeout_ = seconds; }
  bool MultiThreaded() const { return multi_threaded_; }
  void SetMultiThreaded(bool v) { multi_threaded_ = v; }
  // Asked on every pass of a blocking wait (a cancel button, a window closing): true aborts the
  // client and the request fails, as it does when the application shuts down.
  std::function<bool()> StopCheck;

  bool Open();
  bool User();
  bool Pass();
  bool Cwd();
  bool Cdup();
  bool Pwd();
  bool Mkd();
  bool Rmd();
  bool Dele();
  bool Size();
  bool Syst();
  bool Quit();
  bool TypeBinary();
  bool TypeAscii();
  bool Quote();
  bool Ren();
  bool Connect();
  bool Get();
  bool RestGet();
  bool Receive();
  bool RestartReceive();
  bool Put();
  bool RestPut();
  bool Transmit();
  bool RestartTransmit();
  bool Append();
  bool AppendFile();
  bool Dir();
  bool Directory();
  bool Ls();
  bool List();
  bool System();
  bool Mkdir();
  bool Rmdir();
  bool DeleteFile();
  bool DoQuote();
  bool RenameFile();
  bool FileSize();

 protected:
  void ProgressHook() override;

 private:
  bool Synchronize(void (TCustomFtpCli::*request)());
  bool WaitUntilReady();

  int timeout_ = 15;
  bool multi_threaded_ = false;
  int64_t deadline_ = 0;
};

// Port text to a number: digits, or the service names "ftp" and "ftp-data". 0 when unknown.
uint16_t FtpServicePort(const std::string& text);
// The folder between the first pair of double quotes after the code; "" stands for one quote.
std::string FtpQuotedFolder(const std::string& reply);
// The port of a 227 reply: the fifth and sixth numbers after "(". False when unreadable.
bool FtpPassivePort(const std::string& reply, uint16_t* port);
// The statistics line of a transfer.
std::string FtpStatisticsLine(int64_t count, int64_t milliseconds);

}  // namespace vr::ftp
