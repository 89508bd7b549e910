// The area-averaging shrink against a plain, per-pixel rendering of the same arithmetic, and the
// scaled drawing onto a Bitmap.
#include "picture/shrink.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "picture/convert.h"

namespace vr::picture {
namespace {

// The shrink written the slow and obvious way: a 2-D loop over source pixels, colours read one at
// a time, plain integer division, column bands found anew for every row.
Bitmap ReferenceShrink(const Bitmap& src, int tw, int th) {
  const int sw = src.Width();
  const int sh = src.Height();
  const int64_t xstep =
      (static_cast<int64_t>(tw) * 10000 * 2 + sw) / (2 * static_cast<int64_t>(sw));
  const int64_t ystep =
      (static_cast<int64_t>(th) * 10000 * 2 + sh) / (2 * static_cast<int64_t>(sh));
  Bitmap out;
  out.Create(tw, th, PixelFormat::k24);
  std::vector<uint64_t> acc(3 * static_cast<size_t>(sw), 0);
  int rows = 0;
  int64_t yfrac = 0;
  int dy = 0;
  for (int y = 0; y < sh && dy < th; ++y) {
    for (int x = 0; x < sw; ++x) {
      Rgb c = src.ColourAt(x, y);
      if (src.Format() == PixelFormat::k1) {
        const uint8_t v = src.PixelAt(x, y) ? 255 : 0;
        c = Rgb{v, v, v};
      }
      acc[3 * x] += c.b;
      acc[3 * x + 1] += c.g;
      acc[3 * x + 2] += c.r;
    }
    ++rows;
    yfrac += ystep;
    if (yfrac > 9999 || y == sh - 1) {
      int64_t xfrac = 0;
      uint64_t sum[3] = {0, 0, 0};
      int cols = 0;
      int dx = 0;
      for (int x = 0; x < sw && dx < tw; ++x) {
        for (int k = 0; k < 3; ++k) sum[k] += acc[3 * x + k] / rows;
        ++cols;
        xfrac += xstep;
        if (xfrac > 9999 || x == sw - 1) {
          uint8_t* p = out.Row(dy) + 3 * dx;
          for (int k = 0; k < 3; ++k) p[k] = static_cast<uint8_t>(sum[k] / cols);
          sum[0] = sum[1] = sum[2] = 0;
          cols = 0;
          xfrac -= 10000;
          ++dx;
        }
      }
      std::fill(acc.begin(), acc.end(), 0);
      rows = 0;
      yfrac -= 10000;
      ++dy;
    }
  }
  return out;
}

Bitmap RandomPicture(std::mt19937& rng, int w, int h, PixelFormat f) {
  Bitmap b;
  EXPECT_TRUE(b.Create(w, h, f));
  for (int y = 0; y < h; ++y) {
    uint8_t* row = b.Row(y);
    for (size_t i = 0; i < b.Stride(); ++i) row[i] = static_cast<uint8_t>(rng());
  }
  if (b.Indexed()) {
    std::vector<Rgb> pal(size_t{1} << b.Bits());
    for (Rgb& c : pal)
      c = Rgb{static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()),
              static_cast<uint8_t>(rng())};
    b.SetPalette(pal);
  }
  return b;
}

TEST(ShrinkSmooth, ThreeByOneAveragesToOnePixel) {
  Bitmap src;
  ASSERT_TRUE(src.Create(3, 1, PixelFormat::k24));
  const uint8_t bgr[9] = {10, 20, 30, 40, 50, 60, 100, 110, 121};
  std::copy(bgr, bgr + 9, src.Row(0));
  Bitmap dst;
  ASSERT_TRUE(ShrinkSmooth(src, dst, 1, 1));
  EXPECT_EQ(dst.Format(), PixelFormat::k24);
  EXPECT_EQ(dst.ColourAt(0, 0), (Rgb{70, 60, 50}));
}

TEST(ShrinkSmooth, MatchesPlainAverageOnRandomPicturesOfEveryDepth) {
  std::mt19937 rng(1234);
  const PixelFormat formats[] = {PixelFormat::k1,  PixelFormat::k4,  PixelFormat::k8,
                                 PixelFormat::k15, PixelFormat::k16, PixelFormat::k24,
                                 PixelFormat::k32};
  struct Sizes {
    int sw, sh, tw, th;
  };
  const Sizes sizes[] = {{37, 23, 5, 4},   {64, 48, 13, 9},  {17, 91, 16, 3},  {5, 5, 5, 2},
                         {101, 7, 33, 7},  {9, 9, 1, 1},     {200, 3, 199, 2}, {6, 6, 2, 2},
                         {400, 11, 80, 2}, {203, 12, 41, 3}, {29, 4, 7, 1},    {250, 5, 62, 1}};
  for (PixelFormat f : formats) {
    for (const Sizes& s : sizes) {
      const Bitmap src = RandomPicture(rng, s.sw, s.sh, f);
      Bitmap got;
      ASSERT_TRUE(ShrinkSmooth(src, got, s.tw, s.th));
      const Bitmap want = ReferenceShrink(src, s.tw, s.th);
      ASSERT_EQ(got.Width(), s.tw);
      ASSERT_EQ(got.Height(), s.th);
      for (int y = 0; y < s.th; ++y) {
        for (int x = 0; x < s.tw; ++x) {
          ASSERT_EQ(got.ColourAt(x, y), want.ColourAt(x, y))
              << "bits " << BitsOf(f) << " " << s.sw << "x" << s.sh << "->" << s.tw << "x" << s.th
              << " at " << x << "," << y;
        }
      }
    }
  }
}

TEST(ShrinkSmooth, LargePicturesShrunkInTwoHalvesMatchThePlainAverage) {
  // Above two megapixels the two halves of the rows are shrunk at once; the seam between them
  // must not show. Odd band counts and bands that do not divide evenly put it off-centre.
  std::mt19937 rng(99);
  struct Sizes {
    int sw, sh, tw, th;
  };
  for (const Sizes& s : {Sizes{1500, 1401, 187, 99}, Sizes{2049, 1025, 300, 1}}) {
    for (PixelFormat f : {PixelFormat::k8, PixelFormat::k24, PixelFormat::k32}) {
      const Bitmap src = RandomPicture(rng, s.sw, s.sh, f);
      Bitmap got;
      ASSERT_TRUE(ShrinkSmooth(src, got, s.tw, s.th));
      const Bitmap want = ReferenceShrink(src, s.tw, s.th);
      for (int y = 0; y < s.th; ++y) {
        for (int x = 0; x < s.tw; ++x) {
          ASSERT_EQ(got.ColourAt(x, y), want.ColourAt(x, y))
              << "bits " << BitsOf(f) << " " << s.sw << "x" << s.sh << " at " << x << "," << y;
        }
      }
    }
  }
}

TEST(ShrinkSmooth, LargeBandsDivideExactly) {
  // A single destination row gathers hundreds of source rows: the sums run far above 16 bits.
  Bitmap src;
  ASSERT_TRUE(src.Create(700, 900, PixelFormat::k24));
  for (int y = 0; y < 900; ++y) {
    for (int x = 0; x < 700 * 3; ++x) src.Row(y)[x] = static_cast<uint8_t>(255 - (x + y) % 7);
  }
  Bitmap got;
  ASSERT_TRUE(ShrinkSmooth(src, got, 3, 1));
  const Bitmap want = ReferenceShrink(src, 3, 1);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(got.ColourAt(x, 0), want.ColourAt(x, 0));
}

TEST(ShrinkSmooth, UniformPictureKeepsItsColourAndGrowingSidesStretch) {
  Bitmap src;
  ASSERT_TRUE(src.Create(50, 40, PixelFormat::k24));
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 50; ++x) {
      src.Row(y)[3 * x] = 9;
      src.Row(y)[3 * x + 1] = 99;
      src.Row(y)[3 * x + 2] = 199;
    }
  }
  Bitmap dst;
  ASSERT_TRUE(
      ShrinkSmooth(src, dst, 7, 80));  // height grows: shrink what shrinks, stretch the rest
  EXPECT_EQ(dst.Width(), 7);
  EXPECT_EQ(dst.Height(), 80);
  EXPECT_EQ(dst.ColourAt(6, 79), (Rgb{199, 99, 9}));
  EXPECT_FALSE(ShrinkSmooth(src, dst, 0, 5));
  EXPECT_FALSE(ShrinkSmooth(Bitmap(), dst, 5, 5));
}

TEST(DrawPictureScaled, SmoothOnlyWhenShrinkingWithSmoothingOnOrForced) {
  PictureHolder src;
  ASSERT_TRUE(src.bitmap.Create(4, 1, PixelFormat::k24));
  for (int x = 0; x < 4; ++x) src.bitmap.Row(0)[3 * x + 2] = static_cast<uint8_t>(x % 2 ? 200 : 0);

  auto draw = [&](int w, bool force, SmoothSettings s) {
    Bitmap dst;
    EXPECT_TRUE(dst.Create(w, 1, PixelFormat::k24));
    DrawPictureScaled(src, dst, Rect{0, 0, w, 1}, force, s);
    return dst;
  };
  EXPECT_EQ(draw(2, false, SmoothSettings{32, true}).ColourAt(0, 0).r, 100);  // averaged
  EXPECT_EQ(draw(2, false, SmoothSettings{32, false}).ColourAt(0, 0).r, 0);   // menu off: stretched
  EXPECT_EQ(draw(2, false, SmoothSettings{8, true}).ColourAt(0, 0).r, 0);     // 256-colour screen
  EXPECT_EQ(draw(2, true, SmoothSettings{8, false}).ColourAt(0, 0).r, 100);   // forced
  const Bitmap grown = draw(8, true, SmoothSettings{32, true});               // growing: stretched
  EXPECT_EQ(grown.ColourAt(2, 0).r, 200);

  // Into an offset rectangle of a bigger picture, leaving the rest alone.
  Bitmap canvas;
  ASSERT_TRUE(canvas.Create(5, 3, PixelFormat::k24));
  DrawPictureScaled(src, canvas, Rect{3, 1, 2, 1}, true);
  EXPECT_EQ(canvas.ColourAt(3, 1).r, 100);
  EXPECT_EQ(canvas.ColourAt(2, 1).r, 0);

  // An indexed destination takes the indexed source's palette.
  PictureHolder indexed;
  ASSERT_TRUE(indexed.bitmap.Create(2, 2, PixelFormat::k8));
  indexed.bitmap.SetPalette({Rgb{1, 2, 3}, Rgb{4, 5, 6}});
  Bitmap dst8;
  ASSERT_TRUE(dst8.Create(2, 2, PixelFormat::k8));
  DrawPictureScaled(indexed, dst8, Rect{0, 0, 2, 2}, false);
  ASSERT_EQ(dst8.Palette().size(), 256u);
  EXPECT_EQ(dst8.Palette()[1], (Rgb{4, 5, 6}));
}

}  // namespace
}  // namespace vr::picture
