// The window a click on the still picks: the topmost that holds the pixel, cut to the screen.
#include <gtest/gtest.h>

#include "platform/screen_capture.h"

namespace vr::platform {
namespace {

TEST(TopWindowAt, TheTopmostHolderCutToTheScreen) {
  // Bottom to top: a full-screen desktop window, a window reaching past the left and bottom
  // edges, a small one above it, and one wholly off the screen.
  const std::vector<ScreenWindow> windows = {
      {0, 0, 800, 600}, {-50, 500, 200, 200}, {100, 520, 20, 20}, {900, 0, 50, 50}};
  auto at = [&windows](int x, int y) {
    const auto w = TopWindowAt(windows, x, y, 800, 600);
    return w ? std::vector<int>{w->x, w->y, w->width, w->height} : std::vector<int>{};
  };
  EXPECT_EQ(at(110, 530), (std::vector<int>{100, 520, 20, 20}));
  EXPECT_EQ(at(120, 530), (std::vector<int>{0, 500, 150, 100}));  // the small one's right edge
  EXPECT_EQ(at(0, 599), (std::vector<int>{0, 500, 150, 100}));
  EXPECT_EQ(at(400, 100), (std::vector<int>{0, 0, 800, 600}));
  EXPECT_EQ(at(920, 10), std::vector<int>{});  // on no screen pixel
  EXPECT_EQ(TopWindowAt({}, 5, 5, 800, 600), std::nullopt);
}

}  // namespace
}  // namespace vr::platform
