// The transfer window's arithmetic on a settable clock: the throttle's sample sizes and waits,
// and the rate, time-left and "DONE:" texts.
#include "web/ftp/ftp_transfer.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vr::ftp {
namespace {

// The wait after the second event of a fresh throttle whose sample held `sample` bytes.
int64_t FirstWait(FtpThrottle& throttle, int64_t sample, int64_t limit) {
  throttle.Step(2048, limit, 0);  // the first event only starts the sample
  return throttle.Step(2048 + sample, limit, 10);
}

TEST(FtpThrottle, SampleLengthFollowsTheFirstWaitAndLongWaitsAreCut) {
  struct Case {
    int64_t sample, limit;
    int k;
    int64_t wait;
  };
  const Case cases[] = {
      {1024, 512000, 50, 100},   // 2 ms at 500K: fifty events a sample, 100 ms a wait
      {2048, 512000, 30, 120},   // 4 ms
      {2048, 204800, 10, 100},   // 10 ms
      {2048, 51200, 1, 40},      // 40 ms: a wait after every event
      {8192, 512, 1, 5000},      // 16 s would be too long: cut to 5 s
  };
  for (const Case& c : cases) {
    FtpThrottle throttle;
    EXPECT_EQ(FirstWait(throttle, c.sample, c.limit), c.wait) << c.sample << " " << c.limit;
    EXPECT_EQ(throttle.k(), c.k) << c.sample << " " << c.limit;
  }
  EXPECT_STREQ(SpeedLabel(0), ".5K");
  EXPECT_EQ(SpeedLimit(0), 512);
  EXPECT_EQ(SpeedLimit(7), 51200);
  EXPECT_STREQ(SpeedLabel(10), "Full Speed");
  EXPECT_EQ(SpeedLimit(10), -1);
}

// 2048-byte events at 512 bytes per second: a steady 4-second wait after each, the rate held,
// and no wait at all from the next sample once the bar is at "Full Speed".
TEST(FtpThrottle, SteadyWaitsAtTheSlowestLimitAndNoneAfterFullSpeed) {
  FtpThrottle throttle;
  int64_t now = 0, total = 0;
  int64_t first_ms = -1, first_total = 0, last_ms = 0;
  for (int event = 0; event < 12; ++event) {
    total += 2048;  // the block arrives, 2 ms after the last wait ended
    last_ms = now;
    const int64_t wait = throttle.Step(total, 512, now);
    if (event >= 1) {
      EXPECT_NEAR(static_cast<double>(wait), 4000.0, 3.0) << event;
    }
    if (event == 1) {
      first_ms = now;
      first_total = total;
    }
    now += std::max<int64_t>(wait, 0) + 2;
  }
  // Bytes that arrived after the first sample, over the time they took.
  const double rate = static_cast<double>(total - first_total) * 1000.0 /
                      static_cast<double>(last_ms - first_ms);
  EXPECT_NEAR(rate, 512.0, 512.0 * 0.01);
  for (int event = 0; event < 3; ++event) {
    total += 2048;
    EXPECT_EQ(throttle.Step(total, -1, now), -1);
    now += 2;
  }
}

// A wait that a wake ends early (the timer's fifth tick) makes the next sample look like a
// burst. The transfer then pauses for about one sample more, not for many seconds, and keeps
// its rate: at 10K and 50K, downloads (2048-byte events) and uploads (1514).
TEST(FtpThrottle, AWaitEndedEarlyCostsNoLongStall) {
  for (const int64_t limit : {10240, 51200}) {
    for (const int64_t block : {2048, 1514}) {
      FtpThrottle throttle;
      int64_t now = 0, total = 0, longest = 0, start_ms = 0, start_total = 0;
      for (int event = 0; event < 60; ++event) {
        total += block;
        int64_t wait = throttle.Step(total, limit, now);
        if (event == 20) wait = std::min<int64_t>(wait, 5);  // woken 5 ms into the wait
        if (event > 20) longest = std::max(longest, wait);
        if (event == 2) {
          start_ms = now;
          start_total = total;
        }
        now += std::max<int64_t>(wait, 0) + 1;
      }
      EXPECT_LE(longest, 2 * block * 1000 / limit) << limit << " " << block;
      const double rate = static_cast<double>(total - start_total) * 1000.0 /
                          static_cast<double>(now - start_ms);
      EXPECT_NEAR(rate, static_cast<double>(limit), limit * 0.05) << limit << " " << block;
    }
  }
}

TEST(FtpTransferTexts, RateTimeLeftDonePercentAndBlend) {
  EXPECT_EQ(RateText(2048, 1000), "2.00KB/Sec");
  EXPECT_EQ(RateText(0, 0), "0.98KB/Sec") << "each 0 counts as 1";
  EXPECT_EQ(TimeLeftText(10 << 20, 1 << 20, 1 << 20, 1000), "9 Sec  (1024K of 10240K)");
  EXPECT_EQ(TimeLeftText(7200 * 1024 + 1024, 1024, 1024, 1000), "2 Hour  0 Sec  (1K of 7201K)");
  EXPECT_EQ(DoneText(3 << 20, 3723000), "DONE: 3072KB, 0.83KB/Sec (1 Hour  2 Min  3 Sec)");
  EXPECT_EQ(DoneText(10240, 2500), "DONE: 10KB, 4.00KB/Sec (2 Sec)");
  EXPECT_EQ(Percent(5, 0), 500) << "a size of 0 counts as 1";
  EXPECT_EQ(Percent(50, 200), 25);
  const RatePair blended = BlendRate(30000, 3000, 100000, 48000);
  EXPECT_EQ(blended.bytes, 220000);
  EXPECT_EQ(blended.ms, 60000);
  const RatePair whole = BlendRate(30000, 3000, 100000, 30000);
  EXPECT_EQ(whole.bytes, 100000);
  EXPECT_EQ(whole.ms, 30000);
}

}  // namespace
}  // namespace vr::ftp
