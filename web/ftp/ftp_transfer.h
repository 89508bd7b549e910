#pragma once
// One download or upload of the FTP tool, as a transfer window runs it: the job, its run over a
// client of its own (login, folder, type, resume with its fall-back, the result texts), the speed
// limit table and the throttle that keeps a transfer near its limit, and the texts of rate, time
// left and "DONE:". No Qt here; the clock is passed in so the arithmetic can be tested.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "web/ftp/ftp_client.h"
#include "web/ftp/ftp_login.h"

namespace vr::ftp {

struct FtpTransferJob {
  char direction = 'D';  // 'D' download, 'U' upload
  char type = 'B';       // 'A' ASCII, 'B' binary
  bool resume = false;   // a download goes on from the local file's size
  bool passive = false;
  bool use_proxy = false;
  std::string proxy_server;
  std::string proxy_port = "21";
  std::string server_name;
  std::string user_name;
  std::string password;
  std::string starting_path;
  std::string remote_folder;
  std::string remote_file;
  std::string local_path;
  int64_t size = 1;          // expected bytes; 0 is stored as 1
  bool size_known = false;   // the listing gave a size
  int attempts = 1;
  int delay = 1;
  bool close_after = false;
  bool open_when_done = false;
  bool use_tls = false;         // explicit FTP over TLS
  std::string tls_fingerprint;  // the untrusted certificate accepted for the site (SHA-256)
  FtpSocks socks;     // both connections through a SOCKS server
  int timeout = 120;  // seconds a blocking request may go without progress
};

// "Download"/"Upload" and "Downloading"/"Uploading".
std::string DirectionNoun(const FtpTransferJob& job);
std::string DirectionWord(const FtpTransferJob& job);

enum class TransferResult { kDone, kCancelled, kFailed };

struct TransferHooks {
  std::function<void(const std::string&)> status;
  // One second of the login countdown; false stops.
  std::function<bool()> wait_second;
  // The three seconds the resume notice stays up.
  std::function<void()> wait_notice;
  // True once the cancel button was pressed.
  std::function<bool()> cancelled;
};

// Runs the job on `client` (which must not be in use) and ends its session. Writes the closing
// status through hooks.status. A download counts as done only when the request succeeded and,
// in binary with a known size, the local file has that size; a short file stays for a resume.
TransferResult RunTransferJob(TFtpClient& client, const FtpTransferJob& job,
                              const TransferHooks& hooks);

// The speed track bar: position 0..10, its label and its limit in bytes per second (-1: none).
inline constexpr int kSpeedPositions = 11;
const char* SpeedLabel(int position);
int64_t SpeedLimit(int position);
// The largest data block under the limit of `position` (0 at full speed: no cap): a twentieth
// of a second's worth, at least 256 bytes, at most the classic 2048. With a few blocks a second
// the file would grow in steps of a fifth of the limit or more (7 or 6 blocks of 1514 bytes in a
// second at 10K: 3 % over, 11 % under).
size_t ThrottleBlock(int position);

// Groups progress events into samples and works out how long the worker waits after each, so
// that the transfer keeps near the limit without a wait for every small block. A wait never
// exceeds twice the time its sample should have taken at the limit (a first wait after a new
// limit excepted), so a sample that a wake cut short costs no long stall.
class FtpThrottle {
 public:
  // One progress event: `total` bytes so far, `limit` bytes per second (-1: full speed), the
  // clock now. Gives the wait in ms, or -1 for none.
  int64_t Step(int64_t total, int64_t limit, int64_t now_ms);

  int k() const { return k_; }
  int64_t last_sample_bytes() const { return last_sample_bytes_; }
  int64_t last_sample_ms() const { return last_sample_ms_; }

 private:
  int64_t limit_of_delay_ = 0;
  int k_ = 1;
  int count_ = 0;
  int64_t sample_start_ms_ = 0;
  int64_t sample_start_bytes_ = 0;
  int64_t last_total_ = 0;
  int64_t last_block_ = 0;
  int64_t last_sample_bytes_ = 5;
  int64_t last_sample_ms_ = 1;
  int64_t last_delay_ = 0;
  double carry_ = 0;
};

// Bytes per second from a pair (bytes, ms), each 0 counting as 1; never 0 or below.
double TransferRate(int64_t bytes, int64_t ms);
// rate / 1024 with two decimals + "KB/Sec".
std::string RateText(int64_t bytes, int64_t ms);
// h + " Hour  " (h > 0) + m + " Min  " (m > 0) + s + " Sec  (" + done KB + "K of " + size KB + "K)".
std::string TimeLeftText(int64_t size, int64_t done, int64_t bytes, int64_t ms);
// "DONE: " + KB + "KB, " + rate + "KB/Sec (" + elapsed + ")".
std::string DoneText(int64_t bytes, int64_t ms);
// done × 100 / size, a size of 0 counting as 1.
int Percent(int64_t done, int64_t size);

// The 3-second blend of the last interval into the whole run: when ten intervals are shorter
// than the run, x = 0.25 × whole / interval and the pair is (total + x × interval bytes,
// whole + x × interval ms); otherwise the whole run alone.
struct RatePair {
  int64_t bytes;
  int64_t ms;
};
RatePair BlendRate(int64_t interval_bytes, int64_t interval_ms, int64_t total_bytes,
                   int64_t whole_ms);

}  // namespace vr::ftp
