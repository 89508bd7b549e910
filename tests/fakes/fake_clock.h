#pragma once
// A clock that moves only when told: Sleep() advances it, Advance() too. Actions can be posted
// at a tick: they run once the clock reaches it (input arriving during a sleep).

#include <functional>
#include <utility>
#include <vector>

#include "platform/clock.h"

namespace vr::fakes {

class FakeClock : public platform::Clock {
 public:
  uint32_t TickCount() const override { return tick_; }
  std::time_t Now() const override { return now_ + static_cast<std::time_t>(elapsed_ms_ / 1000); }
  void Sleep(uint32_t ms) override {
    sleeps_.push_back(ms);
    Advance(ms);
  }

  void Advance(uint32_t ms) {
    tick_ += ms;
    elapsed_ms_ += ms;
    RunDue();
  }
  // Runs `action` once the tick count has reached `tick`.
  void At(uint32_t tick, std::function<void()> action) {
    posted_.emplace_back(tick, std::move(action));
  }
  void SetTick(uint32_t tick) { tick_ = tick; }
  // Milliseconds since midnight, moved on by Advance() and Sleep() too.
  uint32_t MillisecondsSinceMidnight() const override {
    return static_cast<uint32_t>((midnight_ms_ + elapsed_ms_) % 86400000u);
  }
  void SetMillisecondsSinceMidnight(uint32_t ms) {
    midnight_ms_ = ms;
    elapsed_ms_ = 0;
  }
  void SetNow(std::time_t now) {
    now_ = now;
    elapsed_ms_ = 0;
  }
  const std::vector<uint32_t>& sleeps() const { return sleeps_; }
  void ClearSleeps() { sleeps_.clear(); }

 private:
  void RunDue() {
    for (size_t i = 0; i < posted_.size();) {
      if (static_cast<int32_t>(tick_ - posted_[i].first) >= 0) {
        std::function<void()> action = std::move(posted_[i].second);
        posted_.erase(posted_.begin() + static_cast<std::ptrdiff_t>(i));
        action();
      } else {
        ++i;
      }
    }
  }

  std::vector<std::pair<uint32_t, std::function<void()>>> posted_;
  uint32_t tick_ = 1000;
  std::time_t now_ = 1700000000;  // 2023-11-14
  uint64_t elapsed_ms_ = 0;
  uint64_t midnight_ms_ = 12 * 3600 * 1000;
  std::vector<uint32_t> sleeps_;
};

}  // namespace vr::fakes
