// Preview bookkeeping: 32 slots, the display-next cycle, tiling and the first window size.
#include "lists/window/preview_slots.h"

#include <gtest/gtest.h>

namespace vr::list_window {
namespace {

TEST(PreviewSlots, TakesTheLowestFreeSlotAndRefusesA33rd) {
  PreviewSlots slots;
  for (int i = 0; i < 32; ++i) ASSERT_EQ(slots.Take(), i);
  EXPECT_EQ(slots.Take(), -1);
  slots.Free(5);
  slots.Free(2);
  EXPECT_EQ(slots.Take(), 2);
  EXPECT_EQ(slots.Count(), 31);
  EXPECT_EQ(PreviewWindowName(7), "PreViewFile7");
}

TEST(PreviewSlots, DisplayNextCyclesThroughTakenSlots) {
  PreviewSlots slots;
  EXPECT_EQ(slots.NextToShow(), -1);
  for (int i = 0; i < 4; ++i) slots.Take();
  slots.Free(1);
  EXPECT_EQ(slots.NextToShow(), 0);
  EXPECT_EQ(slots.NextToShow(), 2);
  EXPECT_EQ(slots.NextToShow(), 3);
  EXPECT_EQ(slots.NextToShow(), 0);
}

TEST(TileAll, FivePreviewsMakeThreeColumnsAndTwoRows) {
  const TileGrid grid = TileGridFor(5);
  EXPECT_EQ(grid.columns, 3);
  EXPECT_EQ(grid.rows, 2);
  EXPECT_EQ(TileGridFor(1).columns * TileGridFor(1).rows, 1);
  EXPECT_EQ(TileGridFor(2).columns, 2);
  EXPECT_EQ(TileGridFor(3).rows, 2);
  const auto places = TileAll(5, 900, 600);
  ASSERT_EQ(places.size(), 5u);
  EXPECT_EQ(places[0], (picture::Rect{0, 0, 300, 300}));
  EXPECT_EQ(places[2], (picture::Rect{600, 0, 300, 300}));
  EXPECT_EQ(places[3], (picture::Rect{0, 300, 300, 300}));
  EXPECT_EQ(places[4], (picture::Rect{300, 300, 300, 300}));
}

TEST(FirstPreviewSize, FitsLargePicturesIntoTheWorkArea) {
  EXPECT_EQ(FirstPreviewSize(300, 200, 10, 30, 1000, 700), (picture::Size{310, 230}));
  // 2000 x 1000 into 990 x 670: fitted to 990 x 495.
  EXPECT_EQ(FirstPreviewSize(2000, 1000, 10, 30, 1000, 700), (picture::Size{1000, 525}));
}

TEST(StretchLayout, CentresTheFitAndSkipsTinyPictures) {
  EXPECT_EQ(StretchLayout(200, 100, 400, 400), (picture::Rect{0, 100, 400, 200}));
  EXPECT_EQ(StretchLayout(1, 1, 400, 400), picture::Rect{});
  EXPECT_EQ(StretchLayout(200, 100, 1, 400), picture::Rect{});
}

TEST(PreviewSkipsPath, SoundsAndMoviesGetNoPreview) {
  for (const char* p : {"/a/b.wav", "/a/b.MID", "/a/b.midi", "/a/b.avi", "/a/b.fli", "/a/b.FLC",
                        "/a/b.mpg", "/a/b.mpe", "/a/b.mpeg", "/a/b.mov"}) {
    EXPECT_TRUE(PreviewSkipsPath(p)) << p;
  }
  EXPECT_FALSE(PreviewSkipsPath("/a.wav/b.jpg"));
  EXPECT_FALSE(PreviewSkipsPath("/a/b.gif"));
}

}  // namespace
}  // namespace vr::list_window
