#pragma once
// Time as the program sees it: a millisecond tick count for intervals, the wall clock for stamps
// and day numbers, and sleeping. Tests substitute a settable clock.

#include <chrono>
#include <cstdint>
#include <ctime>

namespace vr::platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start; wraps like a 32-bit counter.
  virtual uint32_t TickCount() const = 0;
  // Seconds since 1970-01-01 UTC.
  virtual std::time_t Now() const = 0;
  virtual void Sleep(uint32_t ms) = 0;
  // Milliseconds since local midnight (0 .. 86,399,999): the varying part of unique file names.
  // Clocks that know only whole seconds give the second's first millisecond.
  virtual uint32_t MillisecondsSinceMidnight() const;
};

// std::chrono behind the interface.
class SystemClock : public Clock {
 public:
  uint32_t TickCount() const override;
  std::time_t Now() const override;
  void Sleep(uint32_t ms) override;
  uint32_t MillisecondsSinceMidnight() const override;
};

// Day number used in settings: whole days since 1899-12-30 in local time.
int32_t DayNumber(std::time_t when);

}  // namespace vr::platform
