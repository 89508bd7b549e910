// The viewer's layout figures, checked without windows.
#include "shell/layout.h"

#include <gtest/gtest.h>

#include "shell/show_state.h"

namespace vr::shell {
namespace {

TEST(FitPaneLayout, WidePictureKeepsAspectCentredVertically) {
  EXPECT_EQ(LayOutFitPane(1000, 10, 400, 300, true), (Box{0, 148, 400, 4}));
}

TEST(FitPaneLayout, WithoutKeepAspectFillsTheBox) {
  EXPECT_EQ(LayOutFitPane(1000, 10, 400, 300, false), (Box{0, 0, 400, 300}));
}

TEST(FitPaneLayout, TallPictureCentredHorizontallyWithFractionDropped) {
  // r = 0.5; the box is wider than r, so height 300 and width trunc(0.5 * 300) = 150.
  EXPECT_EQ(LayOutFitPane(100, 200, 400, 300, true), (Box{125, 0, 150, 300}));
  // r = 3 / 7: width trunc(300 * 3 / 7) = 128, free space 272 halved.
  EXPECT_EQ(LayOutFitPane(3, 7, 400, 300, true), (Box{136, 0, 128, 300}));
}

TEST(FitPaneLayout, NegativeWidthCountsByAbsoluteValue) {
  EXPECT_EQ(LayOutFitPane(-1000, 10, 400, 300, true), LayOutFitPane(1000, 10, 400, 300, true));
}

TEST(FitPaneLayout, OutOfRangeSidesAreLaidOutAsTen) {
  EXPECT_EQ(LayoutSide(0), 10);
  EXPECT_EQ(LayoutSide(30001), 10);
  EXPECT_EQ(LayoutSide(30000), 30000);
  // A 0 x 0 picture is a 10 x 10 square in the box.
  EXPECT_EQ(LayOutFitPane(0, 0, 400, 300, true), (Box{50, 0, 300, 300}));
  // A zero-sized box still gives a paint box, never zero or negative.
  const Box b = LayOutFitPane(100, 100, 0, -5, true);
  EXPECT_EQ(b.width, 10);
  EXPECT_EQ(b.height, 10);
}

TEST(SplitView, HeightsAreHalfTheFreeHeightWithAFloorOf100) {
  EXPECT_EQ(SplitPaneHeight(99 + 30 + 20, 30, 20), 50);  // free height 99
  EXPECT_EQ(SplitPaneHeight(10, 30, 20), 50);            // negative free height
  EXPECT_EQ(SplitPaneHeight(301 + 30 + 20, 30, 20), 150);
  EXPECT_EQ(SplitPaneHeight(100, 0, 0), 50);
}

TEST(Views, VKeyCyclesFitSplitActual) {
  EXPECT_EQ(NextView(View::kFit), View::kSplit);
  EXPECT_EQ(NextView(View::kSplit), View::kActual);
  EXPECT_EQ(NextView(View::kActual), View::kFit);
  EXPECT_STREQ(ViewStatusText(View::kFit), "View:RE-Size To Fit");
  EXPECT_STREQ(ViewStatusText(View::kActual), "View:Actual Size");
  EXPECT_STREQ(ViewStatusText(View::kSplit), "View:Split Screen");
}

TEST(FullScreen, ShrinkIfNeededKeepsASmallPictureAtItsSize) {
  EXPECT_EQ(FullScreenFit(320, 200, 1024, 768, true), (Box{352, 284, 320, 200}));
}

TEST(FullScreen, FitModeEnlargesASmallPicture) {
  // 320 x 200 has r = 1.6 > 1024 / 768, so the width fills: 1024 x 640.
  EXPECT_EQ(FullScreenFit(320, 200, 1024, 768, false), (Box{0, 64, 1024, 640}));
}

TEST(FullScreen, ShrinkIfNeededShrinksALargePicture) {
  EXPECT_EQ(FullScreenFit(2048, 768, 1024, 768, true), (Box{0, 192, 1024, 384}));
}

TEST(FullScreen, ActualSizeCentresOnlyWhereTheScreenIsLarger) {
  EXPECT_EQ(FullScreenActual(2000, 100, 1024, 768), (Box{0, 334, 2000, 100}));
  EXPECT_EQ(FullScreenActual(100, 1000, 1024, 768), (Box{462, 0, 100, 1000}));
}

TEST(SecondWindow, PlacedBesideTheOther) {
  EXPECT_EQ(SecondWindowPlacement(520, 100, 1119, 599), (WindowPlace{0, 124, 600, 500}));
  EXPECT_EQ(SecondWindowPlacement(10, 20, 409, 319), (WindowPlace{34, 44, 400, 300}));
  EXPECT_EQ(SecondWindowPlacement(499, 399, 500, 400), (WindowPlace{523, 423, 2, 2}));
  EXPECT_EQ(SecondWindowPlacement(500, 400, 500, 400), (WindowPlace{0, 0, 1, 1}));
}

TEST(AutoSize, SmallPictureGetsItsOwnSizePlusMargins) {
  AutoSizeInput in;
  in.picture_width = 300;
  in.picture_height = 200;
  in.margin_x = 8;
  in.margin_y = 8;
  in.tool_height = 60;
  in.frame_horizontal = 8;
  in.frame_vertical = 50;
  in.work_width = 1024;
  in.work_height = 768;
  EXPECT_EQ(AutoSizeClient(in), (ClientSize{308, 260}));
}

TEST(AutoSize, LargePictureIsBoundedByTheWorkAreaKeepingItsShape) {
  AutoSizeInput in;
  in.picture_width = 4000;
  in.picture_height = 1000;
  in.margin_x = 8;
  in.margin_y = 8;
  in.tool_height = 60;
  in.frame_horizontal = 8;
  in.frame_vertical = 50;
  in.work_width = 1024;
  in.work_height = 768;
  // W = 1016; height bound 718; q = 1008 / 658 < r = 4 -> width 1016, height 1008 / 4 + 60.
  EXPECT_EQ(AutoSizeClient(in), (ClientSize{1016, 312}));
  in.picture_width = 1000;
  in.picture_height = 4000;
  // Height bound 718, free 658; q = 1008 / 658 > 0.25 -> width trunc(658 * 0.25 + 8).
  EXPECT_EQ(AutoSizeClient(in), (ClientSize{172, 718}));
}

TEST(Caption, TextWithPathNameOrNoFile) {
  EXPECT_EQ(CaptionText("(V) ", "/pics/a.gif", true), "(V) | (/pics/a.gif)");
  EXPECT_EQ(CaptionText("(V) ", "/pics/a.gif", false), "(V) | (a.gif)");
  EXPECT_EQ(CaptionText("(V) ", "None", true), "Veldrimon");
  EXPECT_EQ(TaskbarTitle("(V) | (/pics/a.gif)"), "a.gif");
  EXPECT_EQ(TaskbarTitle("Veldrimon"), "Veldrimon");
  const CaptionParts parts = SplitCaption("(V) | (/pics/a.gif)");
  EXPECT_EQ(parts.head, "(V) ");
  EXPECT_EQ(parts.rest, "| (/pics/a.gif)");
}

TEST(Status, PanelTextsAndEmptyList) {
  const StatusTexts t = MakeStatusTexts(2, 10, -640, 480);
  EXPECT_EQ(t.file, "File:3 of 10");
  EXPECT_EQ(t.width, "Width:640");
  EXPECT_EQ(t.height, "Height:480");
  const StatusTexts empty = MakeStatusTexts(0, 0, 5, 5);
  EXPECT_EQ(empty.file, "");
  EXPECT_EQ(empty.width, "");
  EXPECT_EQ(empty.height, "");
  EXPECT_EQ(LoadingStatusText(42), "Loading Status:%42 done...");
}

TEST(Properties, DepthTexts) {
  EXPECT_EQ(DepthText(1), "Monochrome 1 Bit (2 Colors)");
  EXPECT_EQ(DepthText(8), "VGA 8 BPP (256 Colors)");
  EXPECT_EQ(DepthText(15), "HI-Color 15 BPP (32K Colors)");
  EXPECT_EQ(DepthText(32), "True Color 32 BPP (16M Colors)");
  EXPECT_EQ(DepthText(12), "12");
  EXPECT_EQ(DepthText(-1), "-1");
}

TEST(ShowCurrentFile, BusyRequestIsRememberedAndServedOnce) {
  ShowState state;
  ASSERT_TRUE(state.Begin(false, "a"));
  EXPECT_FALSE(state.Begin(false, "b"));  // refused, not remembered
  EXPECT_EQ(state.pending(), "");
  EXPECT_FALSE(state.Begin(true, "c"));
  EXPECT_EQ(state.End(), "c");
  EXPECT_FALSE(state.busy());
  EXPECT_EQ(state.pending(), "");
  ASSERT_TRUE(state.Begin(true, "d"));
  EXPECT_EQ(state.End(), "");
}

}  // namespace
}  // namespace vr::shell
