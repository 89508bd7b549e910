// How well a transfer window holds its speed limit: the real TFTPDownloadMenu with its worker
// thread (TFTPThread) against an FTP server on loopback, at track bar positions 5 (10K) and 7
// (50K), download and upload. The rate is taken from the file as it grows (the local file for a
// download, the server's file for an upload), sampled by a thread of its own once a second over
// SECONDS seconds after the first second; at the same time a zero-interval timer on the UI thread
// records the longest gap between its ticks (the window must keep answering).
//
//   vr_bench_ftp_hold PORT SERVER_ROOT WORK_DIR [SECONDS]
//
// The server (hold.sh starts one) serves SERVER_ROOT to the anonymous user with write rights and
// writes what it receives straight to the file. Exit status 0 when every case holds.
#include <sys/stat.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "web/ftp/ftp_transfer.h"
#include "web/ftp/ui/ftp_download_menu.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int64_t kSourceBytes = 3 << 20;  // more than 12 s at 50K and 200 s at 10K
constexpr double kTolerance = 0.10;
constexpr int64_t kGapLimitMs = 250;

int64_t FileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

double Ms(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

std::string ReadPrefix(const std::string& path, int64_t bytes) {
  std::ifstream in(path, std::ios::binary);
  std::string out(static_cast<size_t>(bytes), '\0');
  in.read(out.data(), bytes);
  out.resize(static_cast<size_t>(in.gcount()));
  return out;
}

// The growing file, polled every millisecond: each growth (time, size), and the size at each
// window edge (the first poll at or after it).
struct Trace {
  std::vector<std::pair<double, int64_t>> growth;
  std::vector<std::pair<double, int64_t>> edges;
  bool started = false;
};

void Watch(const std::string& path, int seconds, const std::atomic<bool>& stop, Trace& trace) {
  const Clock::time_point begin = Clock::now();
  int64_t last = 0;
  Clock::time_point first{};
  while (!stop) {
    const Clock::time_point now = Clock::now();
    const int64_t size = FileSize(path);
    if (!trace.started) {
      if (size > 0) {
        trace.started = true;
        first = now;
      } else if (now - begin > std::chrono::seconds(30)) {
        return;  // never started
      }
    }
    if (trace.started) {
      if (size != last) trace.growth.emplace_back(Ms(first, now), size);
      // The first second is the start (login, first sample); the windows follow it.
      const auto edge = first + std::chrono::seconds(1 + trace.edges.size());
      if (now >= edge) {
        trace.edges.emplace_back(Ms(first, now), size);
        if (static_cast<int>(trace.edges.size()) > seconds) return;
      }
    }
    if (size >= 0) last = size;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

struct Outcome {
  bool held = false;
  bool responsive = false;
};

Outcome RunCase(int port, const std::string& root, const std::string& work, char direction,
                int position, int seconds) {
  using vr::ftp::FtpTransferJob;
  using vr::ftp::ui::TFTPDownloadMenu;
  const int64_t limit = vr::ftp::SpeedLimit(position);
  const std::string tag = std::string(direction == 'D' ? "down" : "up") + std::to_string(position);
  FtpTransferJob job;
  job.direction = direction;
  job.type = 'B';
  job.passive = true;
  job.server_name = "127.0.0.1:" + std::to_string(port);
  job.user_name = "anonymous";
  job.password = "bench@";
  job.remote_folder = "/";
  job.size = kSourceBytes;
  job.size_known = true;
  job.timeout = 30;
  std::string source, measured;
  if (direction == 'D') {
    job.remote_file = "hold-source.bin";
    job.local_path = work + "/" + tag + ".bin";
    source = root + "/hold-source.bin";
    measured = job.local_path;
  } else {
    job.remote_file = tag + ".bin";
    job.local_path = work + "/hold-source.bin";
    source = job.local_path;
    measured = root + "/" + tag + ".bin";
  }
  std::remove(measured.c_str());

  // The UI thread's pulse: a zero timer whose longest gap between ticks is kept.
  QElapsedTimer pulse_clock;
  pulse_clock.start();
  int64_t last_tick = 0, largest_gap = 0;
  QTimer pulse;
  pulse.setInterval(0);
  QObject::connect(&pulse, &QTimer::timeout, [&] {
    const int64_t now = pulse_clock.elapsed();
    largest_gap = std::max(largest_gap, now - last_tick);
    last_tick = now;
  });

  Trace trace;
  std::atomic<bool> stop{false}, done{false};
  auto* window = new TFTPDownloadMenu(nullptr, vr::platform::Services{}, job, [] {});
  window->SetSpeedPosition(position);  // before the first timer tick starts the worker
  window->show();
  std::thread watcher([&] {
    Watch(measured, seconds, stop, trace);
    done = true;
  });
  last_tick = pulse_clock.elapsed();
  pulse.start();
  while (!done) QApplication::processEvents(QEventLoop::AllEvents);
  pulse.stop();
  stop = true;
  watcher.join();
  window->BCancelClick();
  while (window->Running()) QApplication::processEvents(QEventLoop::AllEvents, 50);
  const std::string status = window->StatusText();
  delete window;

  std::printf("%-8s %4s (%6lld B/s): ", direction == 'D' ? "download" : "upload",
              vr::ftp::SpeedLabel(position), static_cast<long long>(limit));
  Outcome outcome;
  if (!trace.started || trace.edges.size() < 2) {
    std::printf("the file did not grow (window status: %s)\n", status.c_str());
    return outcome;
  }
  // Each window's rate from the sizes at its edges and the times they were taken.
  double worst_low = 0, worst_high = 0;
  bool all_within = true;
  std::printf("KB/s per second:");
  for (size_t i = 1; i < trace.edges.size(); ++i) {
    const double bytes = static_cast<double>(trace.edges[i].second - trace.edges[i - 1].second);
    const double ms = trace.edges[i].first - trace.edges[i - 1].first;
    const double rate = bytes * 1000.0 / ms;
    const double off = rate / static_cast<double>(limit) - 1.0;
    worst_low = std::min(worst_low, off);
    worst_high = std::max(worst_high, off);
    if (std::fabs(off) > kTolerance) all_within = false;
    std::printf(" %.2f", rate / 1024.0);
  }
  const auto& a = trace.edges.front();
  const auto& b = trace.edges.back();
  const double whole = static_cast<double>(b.second - a.second) * 1000.0 / (b.first - a.first);
  const double whole_off = whole / static_cast<double>(limit) - 1.0;
  std::printf("\n    %zu windows: lowest %+.1f %%, highest %+.1f %%, every one within 10 %%: %s;"
              " over %.1f s %.2f KB/s (%+.1f %%)\n",
              trace.edges.size() - 1, worst_low * 100, worst_high * 100,
              all_within ? "yes" : "NO", (b.first - a.first) / 1000.0, whole / 1024.0,
              whole_off * 100);
  // The blocks as they landed in the file: how many, their size, how evenly they came.
  std::vector<double> gaps;
  int64_t largest_block = 0;
  for (size_t i = 1; i < trace.growth.size(); ++i) {
    if (trace.growth[i].first < a.first || trace.growth[i].first > b.first) continue;
    gaps.push_back(trace.growth[i].first - trace.growth[i - 1].first);
    largest_block = std::max(largest_block, trace.growth[i].second - trace.growth[i - 1].second);
  }
  if (!gaps.empty()) {
    double mean = 0, sq = 0;
    for (double g : gaps) mean += g;
    mean /= static_cast<double>(gaps.size());
    for (double g : gaps) sq += (g - mean) * (g - mean);
    std::printf("    file grew %zu times, up to %lld bytes at once, every %.1f ms (sd %.1f ms,"
                " longest %.0f ms)\n",
                gaps.size(), static_cast<long long>(largest_block), mean,
                std::sqrt(sq / static_cast<double>(gaps.size())),
                *std::max_element(gaps.begin(), gaps.end()));
  }
  std::printf("    UI thread: longest gap between zero-timer ticks %lld ms (limit %lld): %s\n",
              static_cast<long long>(largest_gap), static_cast<long long>(kGapLimitMs),
              largest_gap < kGapLimitMs ? "ok" : "TOO LONG");
  // What arrived is the start of the source, byte for byte.
  const int64_t got = FileSize(measured);
  const bool same = got > 0 && ReadPrefix(measured, got) == ReadPrefix(source, got);
  std::printf("    after cancel: \"%s\", %lld bytes, %s\n", status.c_str(),
              static_cast<long long>(got), same ? "identical to the source's start" : "DIFFERENT");
  std::fflush(stdout);
  outcome.held = all_within && same;
  outcome.responsive = largest_gap < kGapLimitMs;
  std::remove(measured.c_str());
  return outcome;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s PORT SERVER_ROOT WORK_DIR [SECONDS]\n", argv[0]);
    return 2;
  }
  const int port = std::atoi(argv[1]);
  const std::string root = argv[2];
  const std::string work = argv[3];
  const int seconds = argc > 4 ? std::max(2, std::atoi(argv[4])) : 10;
  QApplication app(argc, argv);

  std::string data(static_cast<size_t>(kSourceBytes), '\0');
  std::mt19937_64 random(25);
  for (size_t i = 0; i + 8 <= data.size(); i += 8) {
    const uint64_t v = random();
    std::memcpy(&data[i], &v, 8);
  }
  for (const std::string& path : {root + "/hold-source.bin", work + "/hold-source.bin"}) {
    std::ofstream(path, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
  }

  bool all = true;
  for (const int position : {5, 7}) {
    for (const char direction : {'D', 'U'}) {
      const Outcome o = RunCase(port, root, work, direction, position, seconds);
      all = all && o.held && o.responsive;
    }
  }
  std::printf("every case held within 10 %% with the UI thread answering: %s\n",
              all ? "yes" : "NO");
  return all ? 0 : 1;
}
