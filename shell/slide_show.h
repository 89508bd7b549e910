#pragma once
// The slide show, free of any window: the order of each cycle (list order or random, every entry
// or the tagged ones only), the cycles, the waits between pictures and the end rules. The viewer
// supplies loading, displaying, sounds and input through SlideShowHost; time comes from
// platform::Clock, so tests run the show on a settable clock.
//
// The order holds entry ids rather than positions, so an entry removed during a show is skipped
// and the entries after it keep their turn.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vr::platform {
class Clock;
}

namespace vr::shell {

inline constexpr const char* kNoTaggedFilesNotice =
    "You have chosen Slide Show by TAGGed files and there are NO TAGGed files! Go to the Files "
    "List Window and TAG some files.";

// Cycles of a show "Continuous Looping (Never Ending)".
inline constexpr int kSlideForever = 999999;
// Waits longer than this are cut into slices with a stop poll after each.
inline constexpr uint32_t kSlideSliceAbove = 250;
inline constexpr uint32_t kSlideSliceMs = 50;
inline constexpr uint32_t kSlideSleepMs = 20;

// Where a show starts ("Where To Start From").
enum class SlideStart { kCurrent = 0, kTop = 1, kTaggedOnly = 2 };

// One displayed picture: when its load began, when it was due and when its display returned.
struct SlideStep {
  int position = 0;
  uint32_t t0 = 0;
  uint32_t due = 0;
  uint32_t shown = 0;
};

// The choices of "Slide Show Options", already in range.
struct SlideShowOptions {
  int delay_seconds = 1;  // 0 .. 999
  bool continuous = true;
  int loop_times = 1;  // 1 .. 100, when not continuous
  SlideStart start = SlideStart::kCurrent;
  bool random = false;
  bool wav_wait = true;  // hold the next picture while the same-name sound plays
};

// The order of one cycle: entry ids with the random and list-order rules.
class SlideOrder {
 public:
  void Build(std::vector<int32_t> ids);
  // The next id: with `start` >= 0 the entry at that place of the order, with -1 the next one
  // (a random one of those left when `random`); -1 once the cycle is over. `draw` gives a
  // uniform number below its argument.
  int32_t Next(int start, bool random, const std::function<uint32_t(uint32_t)>& draw);
  int total() const { return static_cast<int>(order_.size()); }
  int remaining() const { return remaining_; }

 private:
  std::vector<int32_t> order_;
  int remaining_ = 0;
};

// What the show needs from the viewer.
struct SlideShowHost {
  std::function<int()> count;
  std::function<int()> position;
  std::function<void(int)> set_position;
  // The ids of the list's entries in list order (only the tagged ones when asked).
  std::function<std::vector<int32_t>(bool tagged_only)> entry_ids;
  // The position of an entry id, -1 once it has left the list.
  std::function<int(int32_t id)> position_of_id;
  std::function<void(const std::string& text)> information;
  // Loads the entry at the current position (a GIF as its first frame); a failure has been
  // reported by the time it returns and the show goes on.
  std::function<void()> load;
  // Puts the loaded picture on the screen and runs pending messages.
  std::function<void()> display;
  // Optional: the position that will be shown next (-1 none), known before this step's load.
  std::function<void(int position)> upcoming;
  // Plays the current picture's same-name sound; true when one started.
  std::function<bool()> play_sound;
  std::function<bool()> sound_playing;
  // Runs pending input during a wait; a stop control calls SlideShow::Stop().
  std::function<void()> poll;
  // The seed of cycle `cycle` (0, 1, ...).
  std::function<uint32_t(int cycle)> seed;
  // Optional: a picture was displayed (ticks of the show's clock).
  std::function<void(const SlideStep& step)> stepped;
  // Optional: a cycle starts.
  std::function<void(int cycle)> cycle_begins;
  // Ends the show: `position` is the entry to show again (-1: leave the position alone, as after
  // the tagged-files notice or with an empty list).
  std::function<void(int position)> finish;
};

class SlideShow {
 public:
  SlideShow(SlideShowHost host, platform::Clock& clock) : host_(std::move(host)), clock_(clock) {}

  // Runs a whole show; returns false at once when one is running already.
  bool Run(const SlideShowOptions& options);
  // The stop request: ends the show after the current step's display. Holds until the show ends.
  void Stop() { stop_ = true; }
  bool running() const { return running_; }
  bool stopping() const { return stop_; }
  // Pictures displayed by the show running (or the last one).
  int shown() const { return shown_; }

 private:
  // Waits until `due` (tick count), in slices with stop polls when long.
  void WaitUntil(uint32_t due);
  // One slice: sleeps of at most 20 ms, then a stop poll.
  void Slice(uint32_t ms);
  void Sleep(uint32_t ms);

  SlideShowHost host_;
  platform::Clock& clock_;
  bool running_ = false;
  bool stop_ = false;
  int shown_ = 0;
};

// A uniform number below `bound` from a 32-bit generator's output.
inline uint32_t Below(uint32_t random, uint32_t bound) {
  return static_cast<uint32_t>((static_cast<uint64_t>(random) * bound) >> 32);
}

}  // namespace vr::shell
