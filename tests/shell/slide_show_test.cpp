// The slide show on a settable clock: the order of each cycle, the waits, stopping, the
// same-name sound and entries removed while a show runs.
#include "shell/slide_show.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"

namespace vr::shell {
namespace {

// A files list of entries with ids 0, 1, ...; the viewer's part of a show is recorded.
struct FakeViewer {
  explicit FakeViewer(int count) {
    for (int i = 0; i < count; ++i) ids.push_back(i);
  }

  fakes::FakeClock clock;
  std::vector<int32_t> ids;
  std::set<int32_t> tagged;
  int position = 0;
  uint32_t load_ms = 0;
  std::vector<int32_t> displayed;       // ids, in display order
  std::vector<uint32_t> displayed_at;   // ticks
  std::vector<size_t> sleeps_before;    // sleeps recorded before each display
  std::vector<std::string> notices;
  std::vector<std::vector<int32_t>> cycles;
  std::vector<int> upcoming;
  int polls = 0;
  int finished_at = -2;
  uint32_t sound_until = 0;  // a same-name sound plays until this tick
  bool has_sound = false;
  std::function<void()> on_load;

  int PositionOf(int32_t id) const {
    const auto it = std::find(ids.begin(), ids.end(), id);
    return it == ids.end() ? -1 : static_cast<int>(it - ids.begin());
  }

  SlideShowHost Host() {
    SlideShowHost host;
    host.count = [this] { return static_cast<int>(ids.size()); };
    host.position = [this] { return position; };
    host.set_position = [this](int at) { position = at; };
    host.entry_ids = [this](bool tagged_only) {
      std::vector<int32_t> out;
      for (int32_t id : ids) {
        if (!tagged_only || tagged.count(id) != 0) out.push_back(id);
      }
      return out;
    };
    host.position_of_id = [this](int32_t id) { return PositionOf(id); };
    host.information = [this](const std::string& text) { notices.push_back(text); };
    host.load = [this] {
      clock.Advance(load_ms);
      if (on_load) on_load();
    };
    host.display = [this] {
      displayed.push_back(ids[static_cast<size_t>(position)]);
      displayed_at.push_back(clock.TickCount());
      sleeps_before.push_back(clock.sleeps().size());
      if (!cycles.empty()) cycles.back().push_back(ids[static_cast<size_t>(position)]);
    };
    host.upcoming = [this](int at) { upcoming.push_back(at); };
    host.play_sound = [this] {
      if (has_sound) sound_until = clock.TickCount() + 10000;
      return has_sound;
    };
    host.sound_playing = [this] {
      return static_cast<int32_t>(sound_until - clock.TickCount()) > 0;
    };
    host.poll = [this] { ++polls; };
    host.seed = [seed = seed](int cycle) { return seed + static_cast<uint32_t>(cycle); };
    host.cycle_begins = [this](int) { cycles.emplace_back(); };
    host.finish = [this](int at) {
      finished_at = at;
      if (at >= 0) position = at;
    };
    return host;
  }

  uint32_t seed = 7;
};

SlideShowOptions Options(SlideStart start, int cycles, int delay = 0) {
  SlideShowOptions o;
  o.start = start;
  o.continuous = false;
  o.loop_times = cycles;
  o.delay_seconds = delay;
  return o;
}

struct OrderCase {
  const char* name;
  int count;
  int current;
  std::vector<int32_t> tagged;
  SlideShowOptions options;
  std::vector<int32_t> shown;
  int final_position;  // the entry shown one step before the last
};

TEST(SlideShowOrder, ListOrderCyclesStartsAndTags) {
  const OrderCase cases[] = {
      {"from entry 1, one cycle", 3, 1, {}, Options(SlideStart::kCurrent, 1), {1, 2}, 1},
      {"from entry 1, two cycles", 3, 1, {}, Options(SlideStart::kCurrent, 2), {1, 2, 0, 1, 2},
       1},
      {"from the top", 3, 2, {}, Options(SlideStart::kTop, 1), {0, 1, 2}, 1},
      {"tagged 2 and 5 of six", 6, 4, {2, 5}, Options(SlideStart::kTaggedOnly, 1), {2, 5}, 2},
      {"loop count 3", 2, 0, {}, Options(SlideStart::kTop, 3), {0, 1, 0, 1, 0, 1}, 0},
      {"one entry", 1, 0, {}, Options(SlideStart::kCurrent, 1), {0}, 0},
  };
  for (const OrderCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeViewer viewer(c.count);
    viewer.position = c.current;
    viewer.tagged.insert(c.tagged.begin(), c.tagged.end());
    SlideShow show(viewer.Host(), viewer.clock);
    EXPECT_TRUE(show.Run(c.options));
    EXPECT_EQ(viewer.displayed, c.shown);
    EXPECT_EQ(viewer.finished_at, c.final_position);
    EXPECT_EQ(viewer.position, c.final_position);
    EXPECT_TRUE(viewer.notices.empty());
    EXPECT_FALSE(show.running());
  }
}

TEST(SlideShowOrder, RandomVisitsEveryEntryOncePerCycleStartingAtTheStartEntry) {
  for (uint32_t seed = 0; seed < 1000; ++seed) {
    FakeViewer viewer(5);
    viewer.position = 3;
    viewer.seed = seed * 7919u;
    SlideShowOptions options = Options(SlideStart::kCurrent, 2);
    options.random = true;
    SlideShow show(viewer.Host(), viewer.clock);
    show.Run(options);
    ASSERT_EQ(viewer.cycles.size(), 2u) << seed;
    EXPECT_EQ(viewer.cycles[0].front(), 3) << seed;
    for (const std::vector<int32_t>& cycle : viewer.cycles) {
      std::vector<int32_t> sorted = cycle;
      std::sort(sorted.begin(), sorted.end());
      ASSERT_EQ(sorted, (std::vector<int32_t>{0, 1, 2, 3, 4})) << seed;
    }
  }
}

TEST(SlideShowOrder, RandomIsRepeatableForASeedAndVariesWithIt) {
  auto run = [](uint32_t seed) {
    FakeViewer viewer(8);
    viewer.seed = seed;
    SlideShowOptions options = Options(SlideStart::kTop, 1);
    options.random = true;
    SlideShow show(viewer.Host(), viewer.clock);
    show.Run(options);
    return viewer.displayed;
  };
  EXPECT_EQ(run(11), run(11));
  std::set<std::vector<int32_t>> orders;
  for (uint32_t seed = 0; seed < 20; ++seed) orders.insert(run(seed));
  EXPECT_GT(orders.size(), 10u);
}

TEST(SlideShowOrder, TaggedOnlyWithoutTagsGivesTheNoticeAndShowsNothing) {
  FakeViewer viewer(4);
  viewer.position = 2;
  SlideShow show(viewer.Host(), viewer.clock);
  EXPECT_TRUE(show.Run(Options(SlideStart::kTaggedOnly, 1)));
  EXPECT_EQ(viewer.notices, std::vector<std::string>{kNoTaggedFilesNotice});
  EXPECT_TRUE(viewer.displayed.empty());
  EXPECT_EQ(viewer.finished_at, -1);
  EXPECT_EQ(viewer.position, 2);
}

TEST(SlideShowOrder, AnEmptyListEndsAtOnceAtPositionZero) {
  FakeViewer viewer(0);
  viewer.position = 0;
  SlideShow show(viewer.Host(), viewer.clock);
  EXPECT_TRUE(show.Run(Options(SlideStart::kCurrent, 1)));
  EXPECT_TRUE(viewer.displayed.empty());
  EXPECT_EQ(viewer.finished_at, -1);
  EXPECT_EQ(viewer.position, 0);
  EXPECT_TRUE(viewer.notices.empty());
}

TEST(SlideShowOrder, ARemovedEntryIsSkippedAndTheOthersKeepTheirTurn) {
  FakeViewer viewer(5);
  // While entry 1 loads, entry 2 leaves the list: every later position shifts down by one.
  viewer.on_load = [&viewer] {
    if (viewer.ids[static_cast<size_t>(viewer.position)] == 1) {
      viewer.ids.erase(viewer.ids.begin() + 2);
    }
  };
  SlideShow show(viewer.Host(), viewer.clock);
  show.Run(Options(SlideStart::kTop, 1));
  EXPECT_EQ(viewer.displayed, (std::vector<int32_t>{0, 1, 3, 4}));
  // The end shows the entry of the step before the last (id 3, now at position 2).
  EXPECT_EQ(viewer.finished_at, 2);
}

TEST(SlideShowOrder, TheEntryDueNextIsKnownBeforeTheWait) {
  FakeViewer viewer(3);
  SlideShow show(viewer.Host(), viewer.clock);
  show.Run(Options(SlideStart::kTop, 1));
  EXPECT_EQ(viewer.upcoming, (std::vector<int>{1, 2, -1}));
}

TEST(SlideShowOrder, ASecondStartWhileRunningIsIgnored) {
  FakeViewer viewer(3);
  SlideShow show(viewer.Host(), viewer.clock);
  int refused = 0;
  viewer.on_load = [&] {
    if (!show.Run(Options(SlideStart::kTop, 1))) ++refused;
  };
  show.Run(Options(SlideStart::kTop, 1));
  EXPECT_EQ(refused, 3);
  EXPECT_EQ(viewer.displayed, (std::vector<int32_t>{0, 1, 2}));
}

// ---- waits

uint32_t SumOf(const std::vector<uint32_t>& v, size_t from, size_t to) {
  uint32_t sum = 0;
  for (size_t i = from; i < to; ++i) sum += v[i];
  return sum;
}

TEST(SlideShowWaits, TheLoadTimeCountsTowardTheDelayAndTheFirstPictureComesAtOnce) {
  FakeViewer viewer(4);
  viewer.load_ms = 300;
  SlideShow show(viewer.Host(), viewer.clock);
  show.Run(Options(SlideStart::kTop, 1, 1));
  ASSERT_EQ(viewer.displayed.size(), 4u);
  EXPECT_EQ(viewer.sleeps_before[0], 0u);
  const std::vector<uint32_t>& sleeps = viewer.clock.sleeps();
  for (size_t i = 1; i < 4; ++i) {
    EXPECT_EQ(SumOf(sleeps, viewer.sleeps_before[i - 1], viewer.sleeps_before[i]), 700u) << i;
    EXPECT_EQ(viewer.displayed_at[i] - viewer.displayed_at[i - 1], 1000u) << i;
  }
  // Long waits sleep 20 ms steps and poll once per 50 ms slice: 14 slices of 700 ms.
  EXPECT_EQ(viewer.polls, 3 * 14);
  for (uint32_t ms : sleeps) EXPECT_LE(ms, 20u);
}

TEST(SlideShowWaits, DelayZeroWaitsOneMillisecondAndShortWaitsAreOneSleep) {
  struct Case {
    int delay;
    uint32_t load_ms;
    std::vector<uint32_t> sleeps_per_wait;
    int polls_per_wait;
  };
  const Case cases[] = {
      {0, 40, {1}, 0},
      {1, 800, {200}, 0},
      {1, 1500, {1}, 0},  // a load slower than the delay: the next picture comes at once
      {1, 0, {20, 20, 10}, 20},  // the first slice of a 1,000 ms wait; 20 slices in all
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.delay * 100000 + static_cast<int>(c.load_ms));
    FakeViewer viewer(2);
    viewer.load_ms = c.load_ms;
    SlideShow show(viewer.Host(), viewer.clock);
    show.Run(Options(SlideStart::kTop, 1, c.delay));
    const std::vector<uint32_t>& sleeps = viewer.clock.sleeps();
    ASSERT_GE(sleeps.size(), c.sleeps_per_wait.size());
    EXPECT_EQ(std::vector<uint32_t>(sleeps.begin(),
                                    sleeps.begin() + static_cast<long>(c.sleeps_per_wait.size())),
              c.sleeps_per_wait);
    EXPECT_EQ(viewer.polls, c.polls_per_wait);
  }
}

TEST(SlideShowWaits, AStopShowsThatStepsPictureEndsAndGoesBackToTheOneOnScreen) {
  FakeViewer viewer(6);
  SlideShow show(viewer.Host(), viewer.clock);
  SlideShowOptions options = Options(SlideStart::kTop, 1, 1);
  options.continuous = true;
  // Pictures show at 1000, 2000, 3000 ...; a stop at 3420 comes during the wait for entry 3.
  viewer.clock.At(3420, [&show] { show.Stop(); });
  show.Run(options);
  EXPECT_EQ(viewer.displayed, (std::vector<int32_t>{0, 1, 2, 3}));
  // The stop is seen at the next slice's poll, and the picture then shows at once.
  EXPECT_EQ(viewer.displayed_at.back(), 3450u);
  EXPECT_EQ(viewer.finished_at, 2);
  EXPECT_EQ(viewer.position, 2);
  EXPECT_FALSE(show.running());
  EXPECT_FALSE(show.stopping());  // the next show starts afresh
  viewer.displayed.clear();
  show.Run(Options(SlideStart::kCurrent, 1));
  EXPECT_EQ(viewer.displayed, (std::vector<int32_t>{2, 3, 4, 5}));
}

TEST(SlideShowWaits, ASameNameSoundHoldsTheNextPictureUntilItEnds) {
  for (bool wav_wait : {true, false}) {
    SCOPED_TRACE(wav_wait);
    FakeViewer viewer(3);
    viewer.has_sound = true;
    SlideShowOptions options = Options(SlideStart::kTop, 1, 1);
    options.wav_wait = wav_wait;
    SlideShow show(viewer.Host(), viewer.clock);
    show.Run(options);
    ASSERT_EQ(viewer.displayed.size(), 3u);
    const uint32_t gap = viewer.displayed_at[1] - viewer.displayed_at[0];
    if (wav_wait) {
      EXPECT_GE(gap, 10000u);
      EXPECT_LE(gap, 10000u + kSlideSliceMs);
    } else {
      EXPECT_EQ(gap, 1000u);
    }
  }
}

TEST(SlideShowWaits, AStopDuringASoundEndsTheHold) {
  FakeViewer viewer(3);
  viewer.has_sound = true;
  SlideShow show(viewer.Host(), viewer.clock);
  viewer.clock.At(5000, [&show] { show.Stop(); });
  show.Run(Options(SlideStart::kTop, 1, 1));
  EXPECT_EQ(viewer.displayed, (std::vector<int32_t>{0, 1}));
  EXPECT_LE(viewer.displayed_at[1], 5000u + kSlideSliceMs);
}

}  // namespace
}  // namespace vr::shell
