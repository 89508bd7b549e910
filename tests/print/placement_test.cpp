// Where a picture lands on the printed page under each print option.
#include "print/placement.h"

#include <gtest/gtest.h>

namespace vr::print {
namespace {

struct Box {
  int left, top, right, bottom;
};

void ExpectPlaced(const PlacedPicture& placed, Box box) {
  EXPECT_FALSE(placed.no_room);
  EXPECT_EQ(placed.left, box.left);
  EXPECT_EQ(placed.top, box.top);
  EXPECT_EQ(placed.right, box.right);
  EXPECT_EQ(placed.bottom, box.bottom);
}

const PageMetrics kLetter300{2400, 3150, 300, 300};

TEST(PlacementTest, FullPageKeepsAspectCentredOrStretchesOverThePage) {
  PrintOptions options;  // Full Page, Keep Aspect
  // s = 4: 2400 x 1600, top (3150 - 1600) / 2 = 775.
  ExpectPlaced(PlacePicture(600, 400, kLetter300, options), {0, 775, 2400, 2375});
  // A tall picture limits by height: s = 3150 / 700 = 4.5, 1350 wide, left 525.
  ExpectPlaced(PlacePicture(300, 700, kLetter300, options), {525, 0, 1875, 3150});
  options.keep_aspect = false;
  ExpectPlaced(PlacePicture(600, 400, kLetter300, options), {0, 0, 2400, 3150});
}

TEST(PlacementTest, TrueSizeIsOnePrinterPixelPerPicturePixelCentred) {
  PrintOptions options;
  options.placement = Placement::kTrueSize;
  ExpectPlaced(PlacePicture(600, 400, kLetter300, options), {900, 1375, 1500, 1775});
  // Larger than the page: still one to one, hanging over both sides alike.
  ExpectPlaced(PlacePicture(3000, 100, kLetter300, options), {-300, 1525, 2700, 1625});
  options.keep_aspect = false;
  ExpectPlaced(PlacePicture(600, 400, kLetter300, options), {0, 0, 600, 400});
}

TEST(PlacementTest, MarginsInInchesShrinkTheAvailableArea) {
  PrintOptions options;
  options.placement = Placement::kMargins;
  options.margin_lr = " 1.00";
  options.margin_tb = " 0.50";
  // 2400 - 600 = 1800 by 3150 - 300 = 2850: s = 3, 1800 x 1200 centred.
  ExpectPlaced(PlacePicture(600, 400, kLetter300, options), {300, 975, 2100, 2175});
  options.keep_aspect = false;
  ExpectPlaced(PlacePicture(600, 400, kLetter300, options), {300, 150, 2100, 3000});
  // A field left blank shows only its point and reads as 0.
  options.margin_tb = "  .  ";
  ExpectPlaced(PlacePicture(600, 400, kLetter300, options), {300, 0, 2100, 3150});
  // Margins apply only with "Use Margins".
  options.placement = Placement::kFullPage;
  ExpectPlaced(PlacePicture(600, 400, kLetter300, options), {0, 0, 2400, 3150});
}

TEST(PlacementTest, MarginFieldsReadAsDecimalInches) {
  EXPECT_DOUBLE_EQ(ReadMargin(" 1.25"), 1.25);
  EXPECT_DOUBLE_EQ(ReadMargin("12.5 "), 12.5);
  EXPECT_DOUBLE_EQ(ReadMargin("  .  "), 0.0);
  EXPECT_DOUBLE_EQ(ReadMargin(""), 0.0);
  EXPECT_DOUBLE_EQ(ReadMargin("ab.cd"), 0.0);
  EXPECT_DOUBLE_EQ(ReadMargin("1.2.3"), 0.0);
}

TEST(PlacementTest, MarginsLeavingNoRoomPrintNothing) {
  PrintOptions options;
  options.placement = Placement::kMargins;
  options.margin_lr = " 4.00";  // 2 x 1200 = the whole width
  options.margin_tb = " 0.50";
  EXPECT_TRUE(PlacePicture(600, 400, kLetter300, options).no_room);
  options.margin_lr = "99.99";
  options.keep_aspect = false;
  EXPECT_TRUE(PlacePicture(600, 400, kLetter300, options).no_room);
}

TEST(PlacementTest, ZeroSizedPictureCountsAsOnePixelAndFallbackPageIsLetterAt300) {
  PrintOptions options;
  // 1 x 1 scaled by min(2400, 3150) = 2400: a 2400 square centred.
  ExpectPlaced(PlacePicture(0, 0, kLetter300, options), {0, 375, 2400, 2775});
  const PageMetrics fallback = FallbackPage();
  EXPECT_EQ(fallback.width, 2400);
  EXPECT_EQ(fallback.height, 3150);
  EXPECT_EQ(fallback.dpi_x, 300);
  EXPECT_EQ(fallback.dpi_y, 300);
}

}  // namespace
}  // namespace vr::print
