#include "platform/clock.h"

#include <thread>

namespace vr::platform {

uint32_t SystemClock::TickCount() const {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

std::time_t SystemClock::Now() const { return std::time(nullptr); }

void SystemClock::Sleep(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

uint32_t Clock::MillisecondsSinceMidnight() const {
  const std::time_t now = Now();
  std::tm local{};
  localtime_r(&now, &local);
  return static_cast<uint32_t>((local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) * 1000);
}

uint32_t SystemClock::MillisecondsSinceMidnight() const {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) %
                  std::chrono::seconds(1);
  return static_cast<uint32_t>((local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) * 1000 +
                               ms.count());
}

int32_t DayNumber(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  // Days from 1899-12-30 to the local calendar date, by the civil-from-days rule.
  const int y = local.tm_year + 1900 - (local.tm_mon < 2 ? 1 : 0);
  const int m = local.tm_mon + 1;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + local.tm_mday - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const int64_t days_since_1970 = static_cast<int64_t>(era) * 146097 + doe - 719468;
  return static_cast<int32_t>(days_since_1970 + 25569);
}

}  // namespace vr::platform
