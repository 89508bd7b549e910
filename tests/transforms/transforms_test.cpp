#include "shell/transforms/transforms.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "shell/transforms/zoom.h"
#include "test_support/temp_dir.h"

namespace vr::transforms {
namespace {

using picture::PixelFormat;
using picture::Rgb;

// A picture whose every pixel value differs from its neighbours, at any depth.
Bitmap Numbered(int w, int h, int bits) {
  Bitmap b;
  EXPECT_TRUE(b.Create(w, h, picture::FormatOfBits(bits)));
  if (b.Indexed()) {
    std::vector<Rgb> pal;
    for (int i = 0; i < (1 << bits); ++i) pal.push_back(Rgb{static_cast<uint8_t>(i), 7, 9});
    b.SetPalette(pal);
  }
  const int bytes = bits == 15 ? 2 : bits / 8;
  for (int y = 0; y < h; ++y) {
    uint8_t* row = b.Row(y);
    for (int x = 0; x < w; ++x) {
      const uint32_t v = static_cast<uint32_t>(x * 7919 + y * 104729 + 13);
      if (bits == 1) {
        if ((v >> 3) & 1) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      } else if (bits == 4) {
        row[x >> 1] |= static_cast<uint8_t>((x & 1) ? (v & 15) : ((v & 15) << 4));
      } else {
        for (int i = 0; i < bytes; ++i) row[x * bytes + i] = static_cast<uint8_t>(v >> (8 * i));
      }
    }
  }
  return b;
}

TEST(Mirror, EveryDepthReversesPixelsAndOddFourBitMovesNoHalfByte) {
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    for (int w : {1, 5, 10, 33}) {
      const Bitmap before = Numbered(w, 3, bits);
      Bitmap after = before;
      Mirror(after);
      for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < w; ++x) {
          ASSERT_EQ(after.PixelAt(x, y), before.PixelAt(w - 1 - x, y)) << bits << " bits w=" << w;
        }
      }
      EXPECT_EQ(after.Palette(), before.Palette());
    }
  }
  // Odd-width 4 bits: 1 2 3 4 5 becomes 5 4 3 2 1 and the spare low nibble stays as it was.
  Bitmap four;
  four.Create(5, 1, PixelFormat::k4);
  four.Row(0)[0] = 0x12;
  four.Row(0)[1] = 0x34;
  four.Row(0)[2] = 0x5A;
  Mirror(four);
  EXPECT_EQ(four.Row(0)[0], 0x54);
  EXPECT_EQ(four.Row(0)[1], 0x32);
  EXPECT_EQ(four.Row(0)[2], 0x1A);
}

TEST(MakeBitmapForTransform, GraphicsBecomeBitmapsOfTheirOwnDepth) {
  picture::PictureHolder jpeg;
  jpeg.kind = picture::GraphicKind::kJpeg;
  jpeg.jpeg_output_bits = 24;
  jpeg.bitmap = Numbered(9, 4, 24);
  const Bitmap pixels = jpeg.bitmap;
  MakeBitmapForTransform(jpeg);
  EXPECT_EQ(jpeg.kind, picture::GraphicKind::kBitmap);
  ASSERT_EQ(jpeg.bitmap.Format(), PixelFormat::k24);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 9; ++x) ASSERT_EQ(jpeg.bitmap.PixelAt(x, y), pixels.PixelAt(x, y));
  }
}

TEST(Flip, HeightThreeSwapsOuterRowsKeepsMiddleAtEveryDepth) {
  for (int bits : {1, 4, 8, 15, 24, 32}) {
    const Bitmap before = Numbered(13, 3, bits);
    Bitmap after = before;
    Flip(after);
    EXPECT_TRUE(std::equal(after.Row(0), after.Row(0) + after.Stride(), before.Row(2))) << bits;
    EXPECT_TRUE(std::equal(after.Row(1), after.Row(1) + after.Stride(), before.Row(1))) << bits;
    EXPECT_TRUE(std::equal(after.Row(2), after.Row(2) + after.Stride(), before.Row(0))) << bits;
  }
  Bitmap one = Numbered(9, 1, 8);
  const Bitmap same = one;
  Flip(one);
  EXPECT_EQ(one, same);
}

void ExpectRotated(const Bitmap& before, const Bitmap& after) {
  ASSERT_EQ(after.Width(), before.Height());
  ASSERT_EQ(after.Height(), before.Width());
  ASSERT_EQ(after.Format(), before.Format());
  EXPECT_EQ(after.Palette(), before.Palette());
  for (int y = 0; y < before.Height(); ++y) {
    for (int x = 0; x < before.Width(); ++x) {
      ASSERT_EQ(after.PixelAt(before.Height() - 1 - y, x), before.PixelAt(x, y))
          << "old pixel " << x << "," << y << " at " << before.Bits() << " bits";
    }
  }
}

TEST(Rotate, LayoutOfBandsTilesAndStore) {
  const RotateLayout l = RotateLayoutFor(300, 200, 8);
  EXPECT_EQ(l.band_rows, 162);
  EXPECT_EQ(l.bands, 2);
  EXPECT_EQ(l.tiles, 2);
  EXPECT_EQ(l.store_bytes, 2u * 288 * 2 * 162 + 10000);
  EXPECT_EQ(RotateLayoutFor(300, 200, 24).band_rows, 54);
  EXPECT_EQ(RotateLayoutFor(300, 200, 16).band_rows, 81);
  EXPECT_EQ(RotateLayoutFor(300, 200, 32).band_rows, 40);
  EXPECT_EQ(RotateLayoutFor(300, 200, 4).band_rows, 162);
  EXPECT_EQ(RotateLayoutFor(288, 162, 8).bands, 1);
  EXPECT_EQ(RotateLayoutFor(288, 163, 8).bands, 2);
  EXPECT_EQ(RotateLayoutFor(289, 1, 8).tiles, 2);
}

TEST(Rotate, OneByFiveAndTiledPicturesAtEveryDepth) {
  test_support::TempDir temp;
  Bitmap column;
  column.Create(1, 5, PixelFormat::k8);
  for (int y = 0; y < 5; ++y) column.Row(y)[0] = static_cast<uint8_t>(10 + y);
  ASSERT_TRUE(Rotate(column, temp.Path()).ok);
  ASSERT_EQ(column.Width(), 5);
  ASSERT_EQ(column.Height(), 1);
  EXPECT_EQ(column.Row(0)[0], 14);  // the old bottom pixel
  EXPECT_EQ(column.Row(0)[4], 10);

  struct Size {
    int w, h;
  };
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    for (Size s : {Size{300, 200}, Size{289, 163}, Size{7, 3}}) {
      const Bitmap before = Numbered(s.w, s.h, bits);
      Bitmap after = before;
      const RotateResult r = Rotate(after, temp.Path());
      ASSERT_TRUE(r.ok) << r.error;
      EXPECT_TRUE(r.warning.empty());
      ExpectRotated(before, after);
    }
  }
  // Four turns bring the picture back; the store leaves no file behind.
  const Bitmap start = Numbered(301, 170, 24);
  Bitmap turned = start;
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(Rotate(turned, temp.Path()).ok);
  EXPECT_EQ(turned, start);
  EXPECT_TRUE(std::filesystem::is_empty(temp.Path()));
}

TEST(Rotate, MissingTemporaryFolderLeavesPictureUnchanged) {
  const Bitmap before = Numbered(20, 10, 4);
  Bitmap after = before;
  const RotateResult r = Rotate(after, "/nonexistent-folder/for-rotate");
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.error.empty());
  EXPECT_EQ(after, before);
}

TEST(Zoom, EditsFollowAspectFactorAndLimits) {
  ZoomEdits edits(200, 100);
  EXPECT_EQ(edits.WidthText(), "200");
  EXPECT_EQ(edits.HeightText(), "100");
  EXPECT_EQ(edits.FactorText(), "100");
  EXPECT_FALSE(edits.OkEnabled());
  EXPECT_STREQ(edits.SmoothingCaption(), "Smoothing ON");

  edits.WidthEdited("50");
  EXPECT_EQ(edits.HeightText(), "25");
  EXPECT_EQ(edits.FactorText(), "25");
  EXPECT_TRUE(edits.OkEnabled());
  edits.HeightEdited("333");
  EXPECT_EQ(edits.WidthText(), "666");
  EXPECT_EQ(edits.FactorText(), "333");
  edits.WidthEdited("");
  EXPECT_FALSE(edits.OkEnabled());
  edits.FactorEdited("-5");  // not a sensible factor: back to 100 %
  EXPECT_EQ(edits.FactorText(), "100");
  EXPECT_EQ(edits.WidthText(), "200");
  EXPECT_EQ(edits.HeightText(), "100");
  edits.FactorEdited("9000");
  EXPECT_EQ(edits.WidthText(), "10000");
  EXPECT_EQ(edits.HeightText(), "9000");

  edits.SetKeepAspect(false);
  edits.WidthEdited("1");  // a width of 1 becomes 2 when the zoom is made
  EXPECT_EQ(edits.HeightText(), "9000");
  EXPECT_EQ(edits.FinalWidth(), 2);

  ZoomEdits screen(400, 100);
  EXPECT_FALSE(screen.UseScreenSize(1024, 768));
  EXPECT_EQ(screen.WidthText(), "1024");
  EXPECT_EQ(screen.HeightText(), "256");
  ZoomEdits tall(100, 400);
  EXPECT_FALSE(tall.UseScreenSize(1024, 768));
  EXPECT_EQ(tall.WidthText(), "192");
  EXPECT_EQ(tall.HeightText(), "768");
  tall.SetKeepAspect(false);
  EXPECT_TRUE(tall.UseScreenSize(1024, 768));  // the aspect hint is due first
  EXPECT_EQ(tall.WidthText(), "1024");

  // Smoothing off asks before anything but a growth in both directions.
  ZoomEdits ask(100, 100);
  ask.ToggleSmoothing();
  EXPECT_STREQ(ask.SmoothingGlyph(), "SMOOTHING_OFF");
  ask.SetKeepAspect(false);
  ask.WidthEdited("150");
  EXPECT_TRUE(ask.NeedsShrinkQuestion() == false);
  ask.HeightEdited("90");
  EXPECT_TRUE(ask.NeedsShrinkQuestion());
}

TEST(Zoom, OneDirectionShrinkScalesThatSideFirstThenStretches) {
  EXPECT_EQ(PlanResize(100, 200, 300, 50),
            (std::vector<ResizeStep>{{100, 50, true}, {300, 50, false}}));
  EXPECT_EQ(PlanResize(100, 200, 50, 100), (std::vector<ResizeStep>{{50, 100, true}}));
  EXPECT_EQ(PlanResize(100, 200, 100, 400), (std::vector<ResizeStep>{{100, 400, true}}));
  EXPECT_EQ(PlanResize(100, 200, 100, 150),
            (std::vector<ResizeStep>{{100, 150, true}, {100, 150, false}}));

  // Rows alternate black and white: the smooth shrink of the height averages them to grey before
  // the width is stretched; without smoothing the rows are only picked.
  Bitmap stripes;
  stripes.Create(100, 200, PixelFormat::k8);
  stripes.SetPalette({Rgb{0, 0, 0}, Rgb{255, 255, 255}});
  for (int y = 1; y < 200; y += 2) std::fill(stripes.Row(y), stripes.Row(y) + 100, 1);
  Bitmap smooth = stripes;
  ASSERT_TRUE(ResizePicture(smooth, 300, 50, true));
  ASSERT_EQ(smooth.Format(), PixelFormat::k24);
  ASSERT_EQ(smooth.Width(), 300);
  ASSERT_EQ(smooth.Height(), 50);
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 300; x += 37) {
      const Rgb c = smooth.ColourAt(x, y);
      EXPECT_NEAR(c.g, 127, 1) << x << "," << y;
    }
  }
  Bitmap plain = stripes;
  ASSERT_TRUE(ResizePicture(plain, 300, 50, false));
  for (int y = 0; y < 50; ++y) {
    const Rgb c = plain.ColourAt(150, y);
    EXPECT_TRUE(c.g == 0 || c.g == 255) << y;
  }
}

}  // namespace
}  // namespace vr::transforms
