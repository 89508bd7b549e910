// veldrimon-tool slide-order --count N [--start S] [--tagged I,J,...] [--random --seed X]
// [--cycles C]: the entries a slide show over a list of N entries shows, one line per cycle.
// The show runs its own rules with delay 0 on a clock that only counts.
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "shell/slide_show.h"
#include "tools/tool_command.h"

namespace vr::tool {
namespace {

// Time that passes only by sleeping.
class CountingClock : public platform::Clock {
 public:
  uint32_t TickCount() const override { return tick_; }
  std::time_t Now() const override { return static_cast<std::time_t>(tick_ / 1000); }
  void Sleep(uint32_t ms) override { tick_ += ms; }

 private:
  uint32_t tick_ = 0;
};

bool ParseInt(const std::string& text, long low, long high, int* out) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < low || value > high) return false;
  *out = static_cast<int>(value);
  return true;
}

constexpr const char* kUsage =
    "usage: veldrimon-tool slide-order --count N [--start S] [--tagged I,J,...] "
    "[--random --seed X] [--cycles C]\n";

int RunSlideOrder(const std::vector<std::string>& args) {
  int count = -1;
  int start = -1;
  int cycles = 1;
  int seed = 0;
  bool random = false;
  bool tagged_only = false;
  std::set<int32_t> tagged;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    bool ok = true;
    if (a == "--count" && has_value) {
      ok = ParseInt(args[++i], 0, 1000000, &count);
    } else if (a == "--start" && has_value) {
      ok = ParseInt(args[++i], 0, 1000000, &start);
    } else if (a == "--cycles" && has_value) {
      ok = ParseInt(args[++i], 1, shell::kSlideForever, &cycles);
    } else if (a == "--seed" && has_value) {
      ok = ParseInt(args[++i], 0, 2147483647, &seed);
    } else if (a == "--random") {
      random = true;
    } else if (a == "--tagged" && has_value) {
      tagged_only = true;
      std::stringstream list(args[++i]);
      std::string item;
      while (ok && std::getline(list, item, ',')) {
        int index = 0;
        ok = ParseInt(item, 0, 1000000, &index);
        tagged.insert(index);
      }
    } else {
      ok = false;
    }
    if (!ok) {
      std::fprintf(stderr, "slide-order: bad argument %s\n%s", a.c_str(), kUsage);
      return 2;
    }
  }
  if (count < 0) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (start >= count) {
    std::fprintf(stderr, "slide-order: --start must be below --count\n");
    return 2;
  }

  CountingClock clock;
  int position = start >= 0 ? start : 0;
  std::vector<std::vector<int>> lines;
  shell::SlideShowHost host;
  host.count = [count] { return count; };
  host.position = [&position] { return position; };
  host.set_position = [&position](int at) { position = at; };
  host.entry_ids = [count, &tagged](bool only_tagged) {
    std::vector<int32_t> ids;
    for (int32_t i = 0; i < count; ++i) {
      if (!only_tagged || tagged.count(i) != 0) ids.push_back(i);
    }
    return ids;
  };
  host.position_of_id = [count](int32_t id) { return id >= 0 && id < count ? id : -1; };
  host.information = [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); };
  host.load = [] {};
  host.display = [&lines, &position] {
    if (!lines.empty()) lines.back().push_back(position);
  };
  host.seed = [seed](int cycle) { return static_cast<uint32_t>(seed) + static_cast<uint32_t>(cycle); };
  host.cycle_begins = [&lines](int) { lines.emplace_back(); };
  host.finish = [](int) {};

  shell::SlideShowOptions options;
  options.delay_seconds = 0;
  options.continuous = false;
  options.loop_times = cycles;
  options.random = random;
  options.wav_wait = false;
  options.start = tagged_only ? shell::SlideStart::kTaggedOnly
                  : start >= 0 ? shell::SlideStart::kCurrent
                               : shell::SlideStart::kTop;
  shell::SlideShow show(std::move(host), clock);
  show.Run(options);
  for (const std::vector<int>& line : lines) {
    for (size_t i = 0; i < line.size(); ++i) std::printf(i == 0 ? "%d" : " %d", line[i]);
    std::printf("\n");
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

const Registration kSlideOrder("slide-order",
                               "slide-order --count N [--start S] [--tagged I,J,...] "
                               "[--random --seed X] [--cycles C]  the entries of each cycle",
                               RunSlideOrder);

}  // namespace
}  // namespace vr::tool
