// Row and picture conversion, colour counting and the nearest-pixel stretch.
#include "picture/convert.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace vr::picture {
namespace {

struct RowCase {
  const char* name;
  int src_bits;
  std::vector<uint8_t> src;
  int count;
  int dst_bits;
  std::vector<uint8_t> expected;
};

Palette6 TestPalette() {
  Palette6 p{};
  p[0] = Rgb{0, 0, 0};
  p[1] = Rgb{63, 32, 0};  // red 255, green 130, blue 0
  p[2] = Rgb{0, 0, 63};
  p[15] = Rgb{1, 2, 3};     // 4, 8, 12
  p[200] = Rgb{32, 63, 1};  // 130, 255, 4
  return p;
}

TEST(ConvertRow, EveryPairOfTheTable) {
  const Palette6 pal = TestPalette();
  const RowCase cases[] = {
      {"1->4", 1, {0b10110000}, 4, 4, {0x10, 0x11}},
      {"1->4 odd", 1, {0b10100000}, 3, 4, {0x10, 0x10}},
      {"1->8", 1, {0b01100001}, 8, 8, {0, 1, 1, 0, 0, 0, 0, 1}},
      {"1->24", 1, {0b10000000}, 2, 24, {0xFF, 0xFF, 0xFF, 0, 0, 0}},
      {"4->8", 4, {0x1F, 0x20}, 3, 8, {1, 15, 2}},
      {"4->24", 4, {0x1F}, 2, 24, {0, 130, 255, 12, 8, 4}},
      {"8->1", 8, {1, 0, 1, 1, 0, 0, 0, 1, 1}, 9, 1, {0b10110001, 0b10000000}},
      {"8->24", 8, {200, 2}, 2, 24, {4, 255, 130, 255, 0, 0}},
      {"4->4", 4, {0xAB, 0xCD}, 2, 4, {0xAB, 0xCD}},
      {"8->8", 8, {9, 8, 7}, 3, 8, {9, 8, 7}},
      {"24->24", 24, {1, 2, 3, 4, 5, 6}, 2, 24, {1, 2, 3, 4, 5, 6}},
  };
  for (const RowCase& c : cases) {
    std::vector<uint8_t> out(c.expected.size() + 4, 0xEE);
    ASSERT_TRUE(ConvertRow(c.src.data(), out.data(), c.src_bits, &pal, c.count, c.dst_bits))
        << c.name;
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + c.expected.size()), c.expected)
        << c.name;
    EXPECT_EQ(out[c.expected.size()], 0xEE) << c.name << " wrote past the row";
  }
}

TEST(ConvertRow, RefusesUnknownPairsAndMissingPalette) {
  uint8_t src[4] = {1, 2, 3, 4};
  uint8_t dst[16] = {};
  EXPECT_FALSE(ConvertRow(src, dst, 24, nullptr, 1, 8));
  EXPECT_FALSE(ConvertRow(src, dst, 4, nullptr, 2, 24));
  EXPECT_FALSE(ConvertRow(src, dst, 16, nullptr, 2, 24));
  EXPECT_EQ(dst[0], 0);
}

Bitmap Make(int w, int h, PixelFormat f, std::vector<Rgb> palette = {}) {
  Bitmap b;
  EXPECT_TRUE(b.Create(w, h, f));
  b.SetPalette(std::move(palette));
  return b;
}

void Put24(Bitmap& b, int x, int y, Rgb c) {
  uint8_t* p = b.Row(y) + 3 * x;
  p[0] = c.b;
  p[1] = c.g;
  p[2] = c.r;
}

TEST(CountColours, FailureBitmapAndDepths) {
  Bitmap failure;
  failure.MakeFailure();
  EXPECT_EQ(CountColours(failure), 2);
  EXPECT_EQ(CountColours(Make(5, 5, PixelFormat::k4)), 16);

  // 8 bits: distinct indices, whatever the palette holds.
  Bitmap b8 = Make(4, 2, PixelFormat::k8, std::vector<Rgb>(256, Rgb{1, 1, 1}));
  b8.Row(0)[0] = 7;
  b8.Row(1)[3] = 200;
  EXPECT_EQ(CountColours(b8), 3);  // 0, 7 and 200

  // 24 bits: keyed at 6 bits per channel, so colours that differ only in the low bits are one.
  Bitmap b24 = Make(3, 2, PixelFormat::k24);
  Put24(b24, 0, 0, Rgb{0, 0, 3});  // same key as black
  Put24(b24, 1, 0, Rgb{255, 0, 0});
  Put24(b24, 2, 0, Rgb{252, 1, 2});  // same key as the red
  Put24(b24, 0, 1, Rgb{0, 0, 4});    // a new key
  EXPECT_EQ(CountColours(b24), 3);

  Bitmap b32 = Make(2, 1, PixelFormat::k32);
  b32.Row(0)[4] = 0x80;
  b32.Row(0)[7] = 0x55;  // the fourth byte does not count
  EXPECT_EQ(CountColours(b32), 2);

  Bitmap b16 = Make(2, 1, PixelFormat::k16);
  b16.Row(0)[0] = 0x1F;  // blue
  EXPECT_EQ(CountColours(b16), 2);

  PictureHolder holder;
  holder.bitmap = b24;
  EXPECT_EQ(CountColours(holder), 3);
}

TEST(ConvertPicture, DepthsAndSizes) {
  PictureHolder src;
  src.bitmap = Make(4, 3, PixelFormat::k8, {Rgb{0, 0, 0}, Rgb{255, 255, 255}, Rgb{255, 0, 0}});
  src.bitmap.Row(1)[2] = 2;

  PictureHolder dst;
  ConvertPicture(src, dst, 32);
  EXPECT_EQ(dst.bitmap.Format(), PixelFormat::k24);  // 32 gives 24
  EXPECT_EQ(dst.bitmap.Width(), 4);
  EXPECT_EQ(dst.bitmap.ColourAt(2, 1), (Rgb{255, 0, 0}));

  ConvertPicture(src, dst, 0);
  EXPECT_EQ(dst.bitmap.Format(), PixelFormat::k8);
  EXPECT_EQ(dst.bitmap.PixelAt(2, 1), 2u);  // same palette: the very index
  EXPECT_EQ(dst.bitmap.Palette()[2], (Rgb{255, 0, 0}));

  ConvertPicture(src, dst, 4);
  EXPECT_EQ(dst.bitmap.Format(), PixelFormat::k4);
  EXPECT_EQ(dst.bitmap.PixelAt(2, 1), 2u);

  // True colour to 1 bit picks the nearer of black and white.
  PictureHolder rgb;
  rgb.bitmap = Make(2, 1, PixelFormat::k24);
  Put24(rgb.bitmap, 1, 0, Rgb{240, 240, 240});
  ConvertPicture(rgb, dst, 1);
  EXPECT_EQ(dst.bitmap.Format(), PixelFormat::k1);
  EXPECT_EQ(dst.bitmap.ColourAt(0, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(dst.bitmap.ColourAt(1, 0), (Rgb{255, 255, 255}));

  // Explicit size: a depth-0 Bitmap shrinks smoothly (2 x 1 of black and 240 averages to 120).
  ConvertPicture(rgb, dst, 0, 1, 1);
  EXPECT_EQ(dst.bitmap.Width(), 1);
  EXPECT_EQ(dst.bitmap.ColourAt(0, 0), (Rgb{120, 120, 120}));
  // ...and any other depth stretches.
  ConvertPicture(rgb, dst, 24, 4, 2);
  EXPECT_EQ(dst.bitmap.Width(), 4);
  EXPECT_EQ(dst.bitmap.ColourAt(3, 1), (Rgb{240, 240, 240}));

  // The destination may be the source itself.
  ConvertPicture(src, src, 24);
  EXPECT_EQ(src.bitmap.Format(), PixelFormat::k24);
  EXPECT_EQ(src.bitmap.ColourAt(2, 1), (Rgb{255, 0, 0}));

  // 15-bit Bitmaps are re-made at 24 bits when their own depth is asked for.
  PictureHolder b15;
  b15.bitmap = Make(1, 1, PixelFormat::k15);
  b15.bitmap.Row(0)[1] = 0x7C;  // red
  ConvertPicture(b15, dst, 0);
  EXPECT_EQ(dst.bitmap.Format(), PixelFormat::k24);
  EXPECT_EQ(dst.bitmap.ColourAt(0, 0), (Rgb{255, 0, 0}));
}

// A vector graphic that paints its left half blue and leaves the background elsewhere.
class HalfBlue : public VectorGraphic {
 public:
  int Width() const override { return 8; }
  int Height() const override { return 4; }
  bool Render(Bitmap& target, int width, int height, Rgb background) const override {
    if (!target.Create(width, height, PixelFormat::k24)) return false;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x)
        Put24(target, x, y, x < width / 2 ? Rgb{0, 0, 255} : background);
    }
    return true;
  }
};

TEST(ConvertPicture, MetafilesAndKindDepths) {
  PictureHolder meta;
  meta.kind = GraphicKind::kMetafile;
  meta.vector = std::make_shared<HalfBlue>();
  PictureHolder dst;
  ConvertPicture(meta, dst, 24);
  ASSERT_EQ(dst.bitmap.Width(), 8);
  EXPECT_EQ(dst.bitmap.ColourAt(0, 0), (Rgb{0, 0, 255}));
  EXPECT_EQ(dst.bitmap.ColourAt(7, 3), kMetafileBackground);
  EXPECT_EQ(dst.kind, GraphicKind::kBitmap);
  EXPECT_FALSE(dst.vector);

  ConvertPicture(meta, dst, 0);  // a metafile's own depth is 8 bits
  EXPECT_EQ(dst.bitmap.Format(), PixelFormat::k8);
  const Rgb blue = dst.bitmap.ColourAt(0, 0);
  EXPECT_LT(blue.r, 60);
  EXPECT_GT(blue.b, 200);

  PictureHolder jpeg;
  jpeg.kind = GraphicKind::kJpeg;
  jpeg.jpeg_output_bits = 8;
  jpeg.bitmap = Make(2, 2, PixelFormat::k24);
  ConvertPicture(jpeg, dst, 0);
  EXPECT_EQ(dst.bitmap.Format(), PixelFormat::k8);

  PictureHolder icon;
  icon.kind = GraphicKind::kIcon;
  icon.bitmap = Make(2, 2, PixelFormat::k4, std::vector<Rgb>(16));
  ConvertPicture(icon, dst, 0);
  EXPECT_EQ(dst.bitmap.Format(), PixelFormat::k24);

  PictureHolder png;
  png.kind = GraphicKind::kPng;
  png.png_bits = 4;
  png.bitmap = Make(2, 2, PixelFormat::k4, std::vector<Rgb>(16));
  ConvertPicture(png, dst, 0);
  EXPECT_EQ(dst.bitmap.Format(), PixelFormat::k4);
  png.png_bits = 24;
  png.bitmap = Make(2, 2, PixelFormat::k24);
  ConvertPicture(png, dst, 0);
  EXPECT_EQ(dst.bitmap.Format(), PixelFormat::k24);  // true-colour PNGs keep their colours

  // Nothing to draw leaves the 1 x 1 destination.
  PictureHolder empty;
  ConvertPicture(empty, dst, 24);
  EXPECT_EQ(dst.bitmap.Width(), 1);
  EXPECT_EQ(dst.bitmap.Height(), 1);
}

TEST(StretchDraw, NearestPixelAndClipping) {
  Bitmap src = Make(2, 2, PixelFormat::k24);
  Put24(src, 0, 0, Rgb{10, 0, 0});
  Put24(src, 1, 0, Rgb{20, 0, 0});
  Put24(src, 0, 1, Rgb{30, 0, 0});
  Put24(src, 1, 1, Rgb{40, 0, 0});
  Bitmap dst = Make(4, 4, PixelFormat::k32);
  StretchDraw(src, dst, Rect{0, 0, 4, 4});
  EXPECT_EQ(dst.ColourAt(1, 1).r, 10);
  EXPECT_EQ(dst.ColourAt(2, 1).r, 20);
  EXPECT_EQ(dst.ColourAt(3, 3).r, 40);

  // A rectangle hanging over every edge is clipped, not written out of bounds.
  Bitmap small = Make(3, 3, PixelFormat::k4, Standard16());
  StretchDraw(src, small, Rect{-5, -5, 20, 20});
  StretchDraw(src, small, Rect{2, 2, 100000, 100000});
  StretchDraw(src, small, Rect{10, 10, 2, 2});
  EXPECT_EQ(small.Width(), 3);

  // 1-bit into 1-bit keeps bits at odd positions.
  Bitmap bits = Make(9, 1, PixelFormat::k1, TwoColourPalette());
  bits.Row(0)[0] = 0b01000000;
  bits.Row(0)[1] = 0b10000000;
  Bitmap bits_out = Make(9, 1, PixelFormat::k1, TwoColourPalette());
  StretchDraw(bits, bits_out, Rect{0, 0, 9, 1});
  EXPECT_EQ(bits_out.Row(0)[0], 0b01000000);
  EXPECT_EQ(bits_out.Row(0)[1], 0b10000000);
}

TEST(FillBitmap, IndexedTakesNearestEntry) {
  Bitmap b = Make(3, 2, PixelFormat::k8, Standard16());
  FillBitmap(b, Rgb{250, 5, 5});
  EXPECT_EQ(b.PixelAt(2, 1), 9u);  // table B's bright red
}

}  // namespace
}  // namespace vr::picture
