#include "web/ftp/ftp_transfer.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "web/ftp/ftp_login.h"

namespace vr::ftp {
namespace {

struct SpeedEntry {
  const char* label;
  int64_t limit;
};
constexpr SpeedEntry kSpeeds[kSpeedPositions] = {
    {".5K", 512},     {"1K", 1024},     {"2K", 2048},       {"3K", 3072},
    {"5K", 5120},     {"10K", 10240},   {"20K", 20480},     {"50K", 51200},
    {"200K", 204800}, {"500K", 512000}, {"Full Speed", -1},
};

std::string Fixed2(double value) {
  char text[64];
  std::snprintf(text, sizeof(text), "%.2f", value);
  return text;
}

std::string Clock(int64_t seconds, const char* tail) {
  const int64_t h = seconds / 3600;
  const int64_t m = seconds / 60 % 60;
  const int64_t s = seconds % 60;
  std::string out;
  if (h > 0) out += std::to_string(h) + " Hour  ";
  if (m > 0) out += std::to_string(m) + " Min  ";
  return out + std::to_string(s) + tail;
}

int64_t LocalSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string DirectionNoun(const FtpTransferJob& job) {
  return job.direction == 'U' ? "Upload" : "Download";
}
std::string DirectionWord(const FtpTransferJob& job) {
  return job.direction == 'U' ? "Uploading" : "Downloading";
}

const char* SpeedLabel(int position) {
  return kSpeeds[std::clamp(position, 0, kSpeedPositions - 1)].label;
}
int64_t SpeedLimit(int position) {
  return kSpeeds[std::clamp(position, 0, kSpeedPositions - 1)].limit;
}

size_t ThrottleBlock(int position) {
  const int64_t limit = SpeedLimit(position);
  if (limit <= 0) return 0;
  return static_cast<size_t>(std::clamp<int64_t>(limit / 20, 256, 2048));
}

int64_t FtpThrottle::Step(int64_t total, int64_t limit, int64_t now_ms) {
  last_block_ = total - last_total_;
  int64_t wait = -1;
  if (sample_start_bytes_ != 0) {
    ++count_;
    if (count_ >= k_) {
      count_ = 0;
      const int64_t sample_bytes = total - sample_start_bytes_;
      const int64_t sample_ms = std::max<int64_t>(1, now_ms - sample_start_ms_);
      sample_start_ms_ = now_ms;
      sample_start_bytes_ = total;
      last_sample_bytes_ = sample_bytes;
      last_sample_ms_ = sample_ms;
      if (limit != -1 && limit > 0) {
        int64_t d;
        if (limit != limit_of_delay_) {
          // A new limit: size the sample so that its wait is worth making, then the first wait.
          limit_of_delay_ = limit;
          d = sample_bytes * 1000 / limit;
          k_ = d < 3 ? 50 : d <= 5 ? 30 : d <= 10 ? 10 : 1;
          if (k_ > 1) {
            count_ = 0;
            // sample × 1000 / (limit / k), kept in whole numbers so that it divides exactly.
            d = sample_bytes * 1000 * k_ / limit;
            sample_start_bytes_ = total - last_block_;
          }
          if (d > 10000) d = 5000;
        } else {
          // The same limit: scale the last wait by how far the sample's speed is off.
          double speed = static_cast<double>(sample_bytes) / static_cast<double>(sample_ms);
          if (speed == 0) speed = 0.001;
          const double last = last_delay_ == 0 ? 1.0 : static_cast<double>(last_delay_);
          const double delay = last * speed / (static_cast<double>(limit) / 1000.0) + carry_;
          d = static_cast<int64_t>(delay);
          carry_ = delay - static_cast<double>(d);
          // A sample cut short (a wait that a wake ended early) reads as a burst, and the
          // scaling would answer with a wait many times the sample's own time: at 10K a wait
          // woken after 5 ms became 8 s without data. Ahead by at most one sample, the transfer
          // waits at most twice the time the sample should have taken.
          const int64_t most = 2 * sample_bytes * 1000 / limit;
          if (d > most) {
            d = most;
            carry_ = 0;
          }
        }
        if (d >= 0) {
          wait = d;
          last_delay_ = d;
        }
      }
    }
  }
  last_total_ = total;
  if (k_ == 1) {
    sample_start_ms_ = now_ms;
    sample_start_bytes_ = total;
  }
  return wait;
}

double TransferRate(int64_t bytes, int64_t ms) {
  const double b = bytes == 0 ? 1.0 : static_cast<double>(bytes);
  const double t = ms == 0 ? 1.0 : static_cast<double>(ms);
  const double rate = b * 1000.0 / t;
  return rate > 0 ? rate : 0.001;
}

std::string RateText(int64_t bytes, int64_t ms) {
  return Fixed2(TransferRate(bytes, ms) / 1024.0) + "KB/Sec";
}

std::string TimeLeftText(int64_t size, int64_t done, int64_t bytes, int64_t ms) {
  const double rate = TransferRate(bytes, ms);
  const int64_t left = static_cast<int64_t>(static_cast<double>(std::max<int64_t>(0, size - done)) / rate);
  return Clock(left, " Sec  ") + "(" + std::to_string(done / 1024) + "K of " +
         std::to_string(size / 1024) + "K)";
}

std::string DoneText(int64_t bytes, int64_t ms) {
  const double seconds = std::max<int64_t>(ms, 1) / 1000.0;
  return "DONE: " + std::to_string(bytes / 1024) + "KB, " +
         Fixed2(static_cast<double>(bytes) / 1024.0 / seconds) + "KB/Sec" + " (" +
         Clock(ms / 1000, " Sec") + ")";
}

int Percent(int64_t done, int64_t size) {
  return static_cast<int>(done * 100 / (size == 0 ? 1 : size));
}

RatePair BlendRate(int64_t interval_bytes, int64_t interval_ms, int64_t total_bytes,
                   int64_t whole_ms) {
  if (interval_ms > 0 && interval_ms * 10 < whole_ms) {
    const double x = 0.25 * static_cast<double>(whole_ms) / static_cast<double>(interval_ms);
    return {total_bytes + static_cast<int64_t>(x * static_cast<double>(interval_bytes)),
            whole_ms + static_cast<int64_t>(x * static_cast<double>(interval_ms))};
  }
  return {total_bytes, whole_ms};
}

TransferResult RunTransferJob(TFtpClient& client, const FtpTransferJob& job,
                              const TransferHooks& hooks) {
  auto status = [&hooks](const std::string& text) {
    if (hooks.status) hooks.status(text);
  };
  auto cancelled = [&hooks] { return hooks.cancelled && hooks.cancelled(); };
  // The cancel button ends the client's waits too (it aborts the request under way).
  struct StopGuard {
    TFtpClient& client;
    std::function<bool()> saved;
    ~StopGuard() { client.StopCheck = saved; }
  } guard{client, client.StopCheck};
  client.StopCheck = cancelled;
  const std::string noun = DirectionNoun(job);
  auto finish = [&](TransferResult result) {
    if (client.Connected()) {
      if (!client.Quit() && client.Connected()) client.Abort();
    }
    if (result == TransferResult::kCancelled) status(noun + " CANCELED!");
    if (result == TransferResult::kFailed) {
      status("Couldn't finish " + noun + ":" + FileNameOf(job.local_path));
    }
    if (result == TransferResult::kDone) status(noun + " Complete!");
    return result;
  };

  FtpLogin login;
  login.server_name = job.server_name;
  login.user_name = job.user_name;
  login.password = job.password;
  login.use_proxy = job.use_proxy;
  login.proxy_server = job.proxy_server;
  login.proxy_port = job.proxy_port;
  login.passive = job.passive;
  login.attempts = job.attempts;
  login.delay = job.delay;
  login.socks = job.socks;
  login.use_tls = job.use_tls;
  login.tls_fingerprint = job.tls_fingerprint;
  // No certificate question from a worker: an untrusted certificate that is not the stored one
  // is refused, and the result text says why.
  LoginHooks login_hooks;
  login_hooks.status = hooks.status;
  login_hooks.wait_second = hooks.wait_second;
  const int timeout = client.Timeout();
  client.SetTimeout(25);
  const bool logged_in = LoginWithAttempts(client, login, login_hooks);
  client.SetTimeout(timeout);
  if (!logged_in) {
    if (cancelled()) return finish(TransferResult::kCancelled);
    status("Error logging in:" + client.ErrorMessage());
    return TransferResult::kFailed;
  }
  bool folder_ok = true;
  if (!job.starting_path.empty()) {
    client.SetHostDirName(job.starting_path);
    folder_ok = client.Cwd();
  }
  if (folder_ok && !job.remote_folder.empty()) {
    client.SetHostDirName(job.remote_folder);
    folder_ok = client.Cwd();
  }
  if (!folder_ok) {
    if (cancelled()) return finish(TransferResult::kCancelled);
    if (client.Connected() && !client.Quit() && client.Connected()) client.Abort();
    status("Couldn't find FTP directory, or site is too busy");
    return TransferResult::kFailed;
  }
  const bool ascii = job.type == 'A';
  status(DirectionWord(job) + " in progress..." + (ascii ? "{ASCII)" : "{BINARY}"));
  const bool typed = ascii ? client.TypeAscii() : client.TypeBinary();
  if (!typed) return finish(cancelled() ? TransferResult::kCancelled : TransferResult::kFailed);

  client.SetHostFileName(job.remote_file);
  client.SetLocalFileName(job.local_path);
  bool ok = false;
  try {
    if (job.direction == 'U') {
      client.SetResumeAt(0);
      ok = client.Put();
    } else {
      bool whole = true;
      if (job.resume) {
        const int64_t have = LocalSize(job.local_path);
        client.SetResumeAt(std::max<int64_t>(have, 0));
        ok = client.RestGet();
        whole = !ok && !cancelled() && client.Connected();
        if (whole) {
          status("Resume mode not support by site...");
          if (hooks.wait_notice) hooks.wait_notice();
          status("Downloading ENTIRE file now...");
        }
      }
      if (whole && !cancelled()) {
        client.SetResumeAt(0);
        ok = client.Get();
      }
    }
  } catch (const FtpException&) {
    ok = false;
  }
  if (cancelled()) return finish(TransferResult::kCancelled);
  // A request that ended well can still have left the file short (a connection closed early):
  // in binary the listed size decides.
  if (ok && job.direction == 'D' && !ascii && job.size_known &&
      LocalSize(job.local_path) != job.size) {
    ok = false;
  }
  return finish(ok ? TransferResult::kDone : TransferResult::kFailed);
}

}  // namespace vr::ftp
