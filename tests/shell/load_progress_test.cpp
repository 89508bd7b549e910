// Status panel 0 during a decode: the starting text, every new percentage, and repaints at most
// once per interval (always for the last row).
#include "shell/load_progress.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "fakes/fake_clock.h"

namespace vr::shell {
namespace {

TEST(LoadProgressTest, TextsFollowTheRowsAndRepaintsAreThrottled) {
  fakes::FakeClock clock;
  std::vector<std::pair<std::string, bool>> shown;
  LoadProgress progress([&](const std::string& t, bool r) { shown.emplace_back(t, r); }, clock,
                        40);
  picture::DecodeProgress* hook = progress.Start();
  ASSERT_NE(hook, nullptr);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].first, "Loading Status:%00 done...   ");
  EXPECT_TRUE(shown[0].second);

  // A decoder of 1000 rows, 1 ms per 10 rows, through the installed hook.
  {
    const picture::ProgressScope scope(hook);
    for (int row = 1; row <= 1000; ++row) {
      if (row % 10 == 0) clock.Advance(1);
      picture::ReportDecodeRow(row, 1000);
    }
  }
  ASSERT_EQ(shown.size(), 101u);  // start + 1..100, each once
  EXPECT_EQ(shown[1].first, "Loading Status:%1 done...");
  EXPECT_EQ(shown[42].first, "Loading Status:%42 done...");
  EXPECT_EQ(shown.back().first, "Loading Status:%100 done...");
  EXPECT_TRUE(shown.back().second);
  int repaints = 0;
  for (size_t i = 1; i < shown.size(); ++i) repaints += shown[i].second ? 1 : 0;
  // 100 ms of decoding with a 40 ms interval: two in between and the last row.
  EXPECT_EQ(repaints, 3);

  // A second load starts again from the starting text; 0 is not shown twice.
  shown.clear();
  hook = progress.Start();
  ReportRowTo(*hook, 0, 50);
  ReportRowTo(*hook, 25, 50);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].first, "Loading Status:%50 done...");
}

}  // namespace
}  // namespace vr::shell
