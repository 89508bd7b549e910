#include "shell/slide_show.h"

#include <algorithm>
#include <random>

#include "platform/clock.h"

namespace vr::shell {

void SlideOrder::Build(std::vector<int32_t> ids) {
  order_ = std::move(ids);
  remaining_ = static_cast<int>(order_.size());
}

int32_t SlideOrder::Next(int start, bool random,
                         const std::function<uint32_t(uint32_t)>& draw) {
  if (remaining_ <= 0) return -1;
  const int total = static_cast<int>(order_.size());
  int32_t id = -1;
  if (random) {
    const int k = start >= 0 ? std::min(start, remaining_ - 1)
                             : static_cast<int>(draw(static_cast<uint32_t>(remaining_)));
    id = order_[static_cast<size_t>(k)];
    order_[static_cast<size_t>(k)] = order_[static_cast<size_t>(remaining_ - 1)];
  } else if (start >= 0) {
    const int s = std::min(start, total - 1);
    id = order_[static_cast<size_t>(s)];
    remaining_ = total - s;
  } else {
    id = order_[static_cast<size_t>(total - remaining_)];
  }
  --remaining_;
  return id;
}

void SlideShow::Sleep(uint32_t ms) { clock_.Sleep(ms); }

void SlideShow::WaitUntil(uint32_t due) {
  // Tick counts wrap like 32-bit counters; the difference stays right across the wrap.
  auto left = [&] { return static_cast<int32_t>(due - clock_.TickCount()); };
  const int32_t wait = std::max<int32_t>(1, left());
  if (static_cast<uint32_t>(wait) <= kSlideSliceAbove) {
    Sleep(static_cast<uint32_t>(wait));
    return;
  }
  for (int32_t rest = wait; rest > 0 && !stop_; rest = left()) {
    Slice(std::min<uint32_t>(kSlideSliceMs, static_cast<uint32_t>(rest)));
  }
}

void SlideShow::Slice(uint32_t ms) {
  while (ms > 0) {
    const uint32_t step = std::min(kSlideSleepMs, ms);
    Sleep(step);
    ms -= step;
  }
  if (host_.poll) host_.poll();
}

bool SlideShow::Run(const SlideShowOptions& options) {
  if (running_) return false;
  running_ = true;
  stop_ = false;
  shown_ = 0;
  const bool tagged_only = options.start == SlideStart::kTaggedOnly;
  const bool no_tags = tagged_only && host_.entry_ids(true).empty();
  if (no_tags) host_.information(kNoTaggedFilesNotice);

  int start = options.start == SlideStart::kCurrent ? host_.position() : 0;
  int cycles_left = options.continuous ? kSlideForever : std::max(1, options.loop_times);
  // The entry shown one step before the last, by id: it is shown again at the end.
  int32_t previous_id = -1;
  int32_t remembered_id = -1;
  {
    const std::vector<int32_t> all = host_.entry_ids(false);
    const int at = host_.position();
    if (at >= 0 && at < static_cast<int>(all.size())) previous_id = all[static_cast<size_t>(at)];
  }
  remembered_id = previous_id;
  bool first = true;
  bool sound_started = false;
  SlideOrder order;
  std::mt19937 generator;
  const std::function<uint32_t(uint32_t)> draw = [&generator](uint32_t bound) {
    return Below(static_cast<uint32_t>(generator()), bound);
  };
  int cycle = 0;
  while (!stop_ && host_.count() > 0 && cycles_left > 0) {
    order.Build(host_.entry_ids(tagged_only));
    if (order.total() == 0) break;
    generator.seed(host_.seed ? host_.seed(cycle) : 0u);
    if (host_.cycle_begins) host_.cycle_begins(cycle);
    int32_t id = order.Next(start, options.random, draw);
    start = -1;
    while (id >= 0 && !stop_) {
      const int position = host_.position_of_id(id);
      if (position < 0) {  // removed during the show
        id = order.Next(-1, options.random, draw);
        continue;
      }
      host_.set_position(position);
      const uint32_t t0 = clock_.TickCount();
      // The next entry is drawn before this one loads, so that it can be prepared meanwhile.
      int32_t next = order.Next(-1, options.random, draw);
      while (next >= 0 && host_.position_of_id(next) < 0) {
        next = order.Next(-1, options.random, draw);
      }
      if (host_.upcoming) host_.upcoming(next >= 0 ? host_.position_of_id(next) : -1);
      host_.load();
      const uint32_t due =
          first ? t0 : t0 + static_cast<uint32_t>(options.delay_seconds) * 1000u;
      if (!first) {
        WaitUntil(due);
        while (options.wav_wait && sound_started && !stop_ && host_.sound_playing &&
               host_.sound_playing()) {
          Slice(kSlideSliceMs);
        }
      }
      first = false;
      host_.display();
      ++shown_;
      if (host_.stepped) host_.stepped(SlideStep{position, t0, due, clock_.TickCount()});
      sound_started = options.wav_wait && host_.play_sound && host_.play_sound();
      remembered_id = previous_id;
      previous_id = id;
      id = next;
    }
    --cycles_left;
    ++cycle;
  }

  int final_position = -1;
  if (!no_tags && host_.count() > 0) {
    final_position = remembered_id >= 0 ? host_.position_of_id(remembered_id) : -1;
    if (final_position < 0) final_position = std::clamp(host_.position(), 0, host_.count() - 1);
  } else if (!no_tags) {
    host_.set_position(0);
  }
  host_.finish(final_position);
  running_ = false;
  stop_ = false;
  return true;
}

}  // namespace vr::shell
