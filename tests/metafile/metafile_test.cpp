// The WMF and EMF player: generated metafiles drawing known shapes, checked pixel by pixel, and
// damaged streams that must neither crash nor hang.
#include "picture/codecs/metafile/qt/metafile_player.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPainter>
#include <cstring>
#include <limits>
#include <random>

#include "metafile/metafile_builder.h"
#include "picture/bitmap.h"
#include "picture/codecs/metafile/qt/dib.h"
#include "picture/load/load_hooks.h"
#include "picture/load/loader.h"
#include "test_support/temp_dir.h"

namespace vr::metafile {
namespace {

using picture::Bitmap;
using picture::Rgb;
using testing::Bytes;
using testing::EmfBuilder;
using testing::MakeDib;
using testing::WmfBuilder;

constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;
constexpr Rgb kBg{0xD0, 0xC0, 0xC0};
constexpr Rgb kRedRgb{255, 0, 0}, kGreenRgb{0, 255, 0}, kBlueRgb{0, 0, 255},
    kWhiteRgb{255, 255, 255};

Bitmap Render(const std::vector<uint8_t>& bytes, int w, int h) {
  auto meta = MetafilePlayer::FromBytes(bytes);
  Bitmap out;
  EXPECT_TRUE(meta);
  if (meta) {
    EXPECT_TRUE(meta->Render(out, w, h, kBg));
  }
  return out;
}

// Placeable WMF of 100 x 100 units at 96 per inch with a null pen selected in slot 0.
WmfBuilder Wmf100() {
  WmfBuilder w(0, 0, 100, 100, 96);
  w.Pen(5, 0, 0).Record(0x012D, {0});
  return w;
}

TEST(WmfPlayer, SizesFollowUnitsPerInch) {
  EXPECT_EQ(MetafilePlayer::FromBytes(WmfBuilder(0, 0, 1440, 720, 1440).Finish())->Width(), 96);
  EXPECT_EQ(MetafilePlayer::FromBytes(WmfBuilder(0, 0, 1440, 720, 1440).Finish())->Height(), 48);
  EXPECT_EQ(MetafilePlayer::FromBytes(WmfBuilder(10, 10, 110, 60, 0).Finish())->Width(),
            100);  // 0 counts as 96
  EXPECT_EQ(MetafilePlayer::FromBytes(WmfBuilder(10, 10, 110, 60, 0).Finish())->Height(), 50);
  EXPECT_EQ(MetafilePlayer::FromBytes(WmfBuilder(0, 0, 1440, 720, 1440).Finish(), 120)->Width(), 120);
  EXPECT_FALSE(MetafilePlayer::FromBytes({1, 2, 3}));
  EXPECT_FALSE(MetafilePlayer::FromBytes(std::vector<uint8_t>(40, 0)));
}

TEST(WmfPlayer, RectangleAndEllipseWithSelectedBrushes) {
  WmfBuilder w = Wmf100();
  w.SolidBrush(kRed).Record(0x012D, {1}).Record(0x041B, {50, 50, 10, 10});
  w.SolidBrush(kBlue).Record(0x012D, {2}).Record(0x0418, {95, 95, 55, 55});
  const auto bytes = w.Finish();
  const Bitmap b = Render(bytes, 100, 100);
  EXPECT_EQ(b.ColourAt(30, 30), kRedRgb);
  EXPECT_EQ(b.ColourAt(75, 75), kBlueRgb);
  EXPECT_EQ(b.ColourAt(57, 57), kBg);  // inside the ellipse's box, outside the ellipse
  EXPECT_EQ(b.ColourAt(5, 5), kBg);
  const Bitmap big = Render(bytes, 200, 100);  // stretched to any size
  EXPECT_EQ(big.ColourAt(60, 30), kRedRgb);
  EXPECT_EQ(big.ColourAt(150, 75), kBlueRgb);
}

TEST(WmfPlayer, WindowOriginExtentAndPlaceableBox) {
  WmfBuilder w = Wmf100();
  w.Record(0x020B, {0, 0}).Record(0x020C, {200, 200});  // window 200 x 200 units
  w.SolidBrush(kRed).Record(0x012D, {1}).Record(0x041B, {100, 100, 0, 0});
  const Bitmap b = Render(w.Finish(), 100, 100);
  EXPECT_EQ(b.ColourAt(25, 25), kRedRgb);
  EXPECT_EQ(b.ColourAt(75, 75), kBg);

  // Without window records the bounding box is the window.
  WmfBuilder o(100, 100, 200, 200, 96);
  o.SolidBrush(kGreen).Record(0x012D, {0}).Record(0x041B, {150, 150, 100, 100});
  const Bitmap c = Render(o.Finish(), 100, 100);
  EXPECT_EQ(c.ColourAt(25, 25), kGreenRgb);
  EXPECT_EQ(c.ColourAt(75, 75), kBg);
}

TEST(WmfPlayer, ObjectTableReusesLowestFreeSlotAndIgnoresBadIndices) {
  WmfBuilder w = Wmf100();                        // pen in slot 0
  w.SolidBrush(kRed).Record(0x01F0, {1});         // slot 1 made and deleted
  w.SolidBrush(kGreen).Record(0x012D, {1});       // the green brush takes slot 1
  w.Record(0x012D, {999}).Record(0x01F0, {999});  // out of range: ignored
  w.Record(0x041B, {90, 90, 10, 10});
  EXPECT_EQ(Render(w.Finish(), 100, 100).ColourAt(50, 50), kGreenRgb);
}

TEST(WmfPlayer, SaveAndRestoreDc) {
  WmfBuilder w = Wmf100();
  w.SolidBrush(kRed).Record(0x012D, {1}).Record(0x001E, {});
  w.SolidBrush(kGreen).Record(0x012D, {2}).Record(0x0127, {-1});
  w.Record(0x0127, {-5}).Record(0x0127, {7});  // nothing saved to go back to
  w.Record(0x041B, {90, 90, 10, 10});
  EXPECT_EQ(Render(w.Finish(), 100, 100).ColourAt(50, 50), kRedRgb);
}

TEST(WmfPlayer, PolygonsAndPolyPolygonHoles) {
  WmfBuilder w = Wmf100();
  w.SolidBrush(kBlue).Record(0x012D, {1});
  w.Record(0x0538, {2, 4, 4, 10, 10, 90, 10, 90, 90, 10, 90, 30, 30, 70, 30, 70, 70, 30, 70});
  const Bitmap b = Render(w.Finish(), 100, 100);
  EXPECT_EQ(b.ColourAt(20, 20), kBlueRgb);
  EXPECT_EQ(b.ColourAt(50, 50), kBg);  // alternate filling leaves the hole

  WmfBuilder t = Wmf100();
  t.SolidBrush(kRed).Record(0x012D, {1}).Record(0x0324, {3, 0, 0, 100, 0, 0, 100});
  const Bitmap c = Render(t.Finish(), 100, 100);
  EXPECT_EQ(c.ColourAt(10, 10), kRedRgb);
  EXPECT_EQ(c.ColourAt(90, 90), kBg);
}

TEST(WmfPlayer, LinesWithAWidePen) {
  WmfBuilder w(0, 0, 100, 100, 96);
  w.Pen(0, 10, kGreen).Record(0x012D, {0});
  w.Record(0x0214, {50, 0}).Record(0x0213, {50, 100});  // y, x
  const Bitmap b = Render(w.Finish(), 100, 100);
  EXPECT_EQ(b.ColourAt(50, 50), kGreenRgb);
  EXPECT_EQ(b.ColourAt(50, 47), kGreenRgb);
  EXPECT_EQ(b.ColourAt(50, 30), kBg);
}

TEST(WmfPlayer, StretchDibOrientationAndColours) {
  // 2 x 2: red, green over blue, white.
  const auto dib = MakeDib(2, 24, {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}});
  Bytes p;
  p.U32(0x00CC0020).U16(0).I16(2).I16(2).I16(0).I16(0).I16(100).I16(100).I16(0).I16(0).Append(dib);
  WmfBuilder w = Wmf100();
  w.Raw(0x0F43, p.Data());
  const Bitmap b = Render(w.Finish(), 100, 100);
  EXPECT_EQ(b.ColourAt(25, 25), kRedRgb);
  EXPECT_EQ(b.ColourAt(75, 25), kGreenRgb);
  EXPECT_EQ(b.ColourAt(25, 75), kBlueRgb);
  EXPECT_EQ(b.ColourAt(75, 75), kWhiteRgb);
}

TEST(WmfPlayer, DrawsIntoATargetRectangleUnderThePaintersTransform) {
  WmfBuilder w = Wmf100();
  w.SolidBrush(kRed).Record(0x012D, {1}).Record(0x041B, {100, 100, 0, 0});
  auto meta = MetafilePlayer::FromBytes(w.Finish());
  ASSERT_TRUE(meta);
  QImage canvas(100, 100, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  {
    QPainter p(&canvas);
    p.translate(10, 0);
    meta->Draw(p, QRectF(20, 30, 40, 20));  // lands on x 30..70, y 30..50
  }
  EXPECT_EQ(canvas.pixel(35, 35), qRgb(255, 0, 0));
  EXPECT_EQ(canvas.pixel(65, 45), qRgb(255, 0, 0));
  EXPECT_EQ(canvas.pixel(25, 35), qRgb(255, 255, 255));
  EXPECT_EQ(canvas.pixel(35, 55), qRgb(255, 255, 255));
}

TEST(DibDecode, EveryDepthAndDamage) {
  const std::vector<uint32_t> two = {0x000000, 0xFFFFFF};
  QImage one = DecodePackedDib(MakeDib(8, 1, {{0b10100000}}, two).data(),
                               MakeDib(8, 1, {{0b10100000}}, two).size());
  ASSERT_FALSE(one.isNull());
  EXPECT_EQ(one.pixel(0, 0), qRgb(255, 255, 255));
  EXPECT_EQ(one.pixel(1, 0), qRgb(0, 0, 0));
  EXPECT_EQ(one.pixel(2, 0), qRgb(255, 255, 255));

  std::vector<uint32_t> sixteen(16, 0);
  sixteen[3] = 0x112233;
  const auto d4 = MakeDib(3, 4, {{0x03, 0x30}}, sixteen);
  QImage four = DecodePackedDib(d4.data(), d4.size());
  ASSERT_FALSE(four.isNull());
  EXPECT_EQ(four.pixel(1, 0), qRgb(0x11, 0x22, 0x33));
  EXPECT_EQ(four.pixel(2, 0), qRgb(0x11, 0x22, 0x33));
  EXPECT_EQ(four.pixel(0, 0), qRgb(0, 0, 0));

  const auto d8 = MakeDib(2, 8, {{1, 0}, {0, 1}}, {0x0000FF, 0xFF0000});
  QImage eight = DecodePackedDib(d8.data(), d8.size());
  ASSERT_EQ(eight.height(), 2);
  EXPECT_EQ(eight.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(eight.pixel(1, 0), qRgb(0, 0, 255));
  EXPECT_EQ(eight.pixel(1, 1), qRgb(255, 0, 0));

  const auto d32 = MakeDib(1, 32, {{0x10, 0x20, 0x30, 0x99}});
  EXPECT_EQ(DecodePackedDib(d32.data(), d32.size()).pixel(0, 0), qRgb(0x30, 0x20, 0x10));
  const auto d16 = MakeDib(1, 16, {{0x00, 0x7C}});  // 5-5-5 red
  EXPECT_EQ(DecodePackedDib(d16.data(), d16.size()).pixel(0, 0), qRgb(255, 0, 0));

  // Top-down rows (negative height).
  auto top_down = MakeDib(1, 24, {{1, 2, 3}, {4, 5, 6}});
  top_down[8] = 0xFE, top_down[9] = 0xFF, top_down[10] = 0xFF, top_down[11] = 0xFF;  // height -2
  QImage td = DecodePackedDib(top_down.data(), top_down.size());
  ASSERT_FALSE(td.isNull());
  EXPECT_EQ(td.pixel(0, 0), qRgb(6, 5, 4));  // the first stored row is now the top

  // Truncated rows, absurd sizes, unknown depths and compressions give nothing.
  auto cut = MakeDib(4, 24, {{1, 2, 3}, {4, 5, 6}});
  cut.resize(cut.size() - 1);
  EXPECT_TRUE(DecodePackedDib(cut.data(), cut.size()).isNull());
  auto huge = MakeDib(1, 24, {{1, 2, 3}});
  huge[4] = huge[5] = huge[6] = 0xFF, huge[7] = 0x7F;
  EXPECT_TRUE(DecodePackedDib(huge.data(), huge.size()).isNull());
  auto bad_bits = MakeDib(1, 24, {{1, 2, 3}});
  bad_bits[14] = 7;
  EXPECT_TRUE(DecodePackedDib(bad_bits.data(), bad_bits.size()).isNull());
  auto rle = MakeDib(1, 8, {{0}}, {0});
  rle[16] = 1;
  EXPECT_TRUE(DecodePackedDib(rle.data(), rle.size()).isNull());
  EXPECT_TRUE(DecodePackedDib(rle.data(), 10).isNull());
}

// EMF of 1 x 1 inch whose reference device maps the frame onto 100 x 100 pixels.
EmfBuilder Emf100() {
  EmfBuilder e(2540, 2540);
  e.Select(0x80000008);  // NULL_PEN
  return e;
}

TEST(EmfPlayer, SizesFromTheFrame) {
  auto meta = MetafilePlayer::FromBytes(EmfBuilder(5080, 2540).Finish());
  ASSERT_TRUE(meta);
  EXPECT_TRUE(meta->IsEmf());
  EXPECT_EQ(meta->Width(), 192);
  EXPECT_EQ(meta->Height(), 96);
  EXPECT_EQ(MetafilePlayer::FromBytes(EmfBuilder(5080, 2540).Finish(), 120)->Width(), 240);
  auto bad = EmfBuilder(100, 100).Finish();
  bad[40] = 'X';  // signature
  EXPECT_FALSE(MetafilePlayer::FromBytes(bad));
}

TEST(EmfPlayer, ShapesBrushesAndStockObjects) {
  EmfBuilder e = Emf100();
  e.SolidBrush(1, kRed).Select(1).Record(43, {10, 10, 50, 50});
  e.SolidBrush(2, kBlue).Select(2).Record(42, {55, 55, 95, 95});
  e.Select(0x80000004).Record(43, {60, 5, 90, 20});         // BLACK_BRUSH
  e.Record(40, {2}).Select(2).Record(43, {5, 60, 20, 90});  // deleted: the black brush stays
  const Bitmap b = Render(e.Finish(), 100, 100);
  EXPECT_EQ(b.ColourAt(30, 30), kRedRgb);
  EXPECT_EQ(b.ColourAt(75, 75), kBlueRgb);
  EXPECT_EQ(b.ColourAt(57, 57), kBg);
  EXPECT_EQ(b.ColourAt(75, 10), (Rgb{0, 0, 0}));
  EXPECT_EQ(b.ColourAt(10, 75), (Rgb{0, 0, 0}));
}

TEST(EmfPlayer, MapModesAndWorldTransform) {
  EmfBuilder e = Emf100();
  e.SolidBrush(1, kRed).Select(1);
  e.Record(17, {8})
      .Record(9, {1000, 1000})
      .Record(11, {100, 100});  // anisotropic, 10 units a pixel
  e.Record(43, {0, 0, 500, 500});
  e.Record(17, {1});                                                          // back to pixels
  e.Raw(35, Bytes().F32(0.5f).F32(0).F32(0).F32(0.5f).F32(0).F32(0).Data());  // half size
  e.SolidBrush(2, kGreen).Select(2).Record(43, {120, 120, 180, 180});
  const Bitmap b = Render(e.Finish(), 100, 100);
  EXPECT_EQ(b.ColourAt(25, 25), kRedRgb);
  EXPECT_EQ(b.ColourAt(75, 75), kGreenRgb);
  EXPECT_EQ(b.ColourAt(55, 55), kBg);

  // Fixed map modes count y upwards: a HIMETRIC rectangle lies above the window origin.
  EmfBuilder m = Emf100();
  m.SolidBrush(1, kBlue).Select(1).Record(17, {3});
  m.Record(43, {0, 0, 1270, -1270});  // half an inch square from the top-left corner
  const Bitmap c = Render(m.Finish(), 100, 100);
  EXPECT_EQ(c.ColourAt(20, 20), kBlueRgb);
  EXPECT_EQ(c.ColourAt(70, 70), kBg);
}

TEST(EmfPlayer, Poly16PathsAndClipping) {
  EmfBuilder e = Emf100();
  e.SolidBrush(1, kRed).Select(1);
  e.Raw(86, Bytes()
                .I32(0)
                .I32(0)
                .I32(0)
                .I32(0)
                .U32(3)
                .I16(0)
                .I16(0)
                .I16(100)
                .I16(0)
                .I16(0)
                .I16(100)
                .Data());
  const Bitmap b = Render(e.Finish(), 100, 100);
  EXPECT_EQ(b.ColourAt(10, 10), kRedRgb);
  EXPECT_EQ(b.ColourAt(90, 90), kBg);

  EmfBuilder p = Emf100();
  p.SolidBrush(1, kGreen).Select(1);
  p.Record(59, {}).Record(42, {0, 0, 100, 100}).Record(60, {}).Record(62, {0, 0, 100, 100});
  const Bitmap c = Render(p.Finish(), 100, 100);
  EXPECT_EQ(c.ColourAt(50, 50), kGreenRgb);
  EXPECT_EQ(c.ColourAt(3, 3), kBg);

  EmfBuilder k = Emf100();
  k.SolidBrush(1, kBlue)
      .Select(1)
      .Record(33, {})
      .Record(30, {0, 0, 50, 100})
      .Record(43, {0, 0, 100, 100});
  k.Record(34, {-1}).Record(43, {0, 90, 100, 100});  // restored: the clip is gone
  const Bitmap d = Render(k.Finish(), 100, 100);
  EXPECT_EQ(d.ColourAt(25, 50), kBlueRgb);
  EXPECT_EQ(d.ColourAt(75, 50), kBg);
  EXPECT_EQ(d.ColourAt(75, 95), kBlueRgb);
}

TEST(EmfPlayer, StretchDiBitsAndBitBltPatterns) {
  const auto dib = MakeDib(2, 24, {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}});
  Bytes p;
  p.I32(0).I32(0).I32(100).I32(100);            // bounds
  p.I32(0).I32(0).I32(0).I32(0).I32(2).I32(2);  // dest x, y; source x, y, w, h
  p.U32(80).U32(40).U32(120).U32(static_cast<uint32_t>(dib.size() - 40)).U32(0).U32(0x00CC0020);
  p.I32(100).I32(100);
  p.Append(dib);
  EmfBuilder e = Emf100();
  e.Raw(81, p.Data());
  e.SolidBrush(1, kGreen).Select(1);
  Bytes blt;  // a BitBlt without a source bitmap fills with the brush
  blt.I32(0).I32(0).I32(0).I32(0).I32(40).I32(40).I32(20).I32(20).U32(0x00F00021).I32(0).I32(0);
  for (int i = 0; i < 6; ++i) blt.F32(i == 0 || i == 3 ? 1.0f : 0.0f);
  blt.U32(0).U32(0).U32(0).U32(0).U32(0).U32(0);
  e.Raw(76, blt.Data());
  const Bitmap b = Render(e.Finish(), 100, 100);
  EXPECT_EQ(b.ColourAt(10, 10), kRedRgb);
  EXPECT_EQ(b.ColourAt(90, 10), kGreenRgb);
  EXPECT_EQ(b.ColourAt(10, 90), kBlueRgb);
  EXPECT_EQ(b.ColourAt(90, 90), kWhiteRgb);
  EXPECT_EQ(b.ColourAt(50, 50), kGreenRgb);  // the pattern blit
}

// Counts dark pixels in a region.
int Dark(const Bitmap& b, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) n += b.ColourAt(x, y).r < 100;
  }
  return n;
}

std::vector<uint8_t> TextEmf(uint32_t align) {
  EmfBuilder e = Emf100();
  Bytes font;
  font.U32(1).I32(-30).I32(0).I32(0).I32(0).I32(700).U8(0).U8(0).U8(0).U8(0).U32(0);
  for (char c : std::string("DejaVu Sans")) font.U16(static_cast<uint8_t>(c));
  while (font.Size() < 4 + 92) font.U16(0);
  e.Raw(82, font.Data()).Select(1).Record(18, {1}).Record(22, {static_cast<int>(align)});
  Bytes text;
  text.I32(0).I32(0).I32(0).I32(0).U32(1).F32(1).F32(1);
  text.I32(50).I32(50).U32(3).U32(76).U32(0).I32(0).I32(0).I32(0).I32(0).U32(0);
  text.U16('M').U16('M').U16('M');
  e.Raw(84, text.Data());
  return e.Finish();
}

TEST(EmfPlayer, TextIsPlacedByItsAlignment) {
  const Bitmap left_top = Render(TextEmf(0), 100, 100);  // TA_LEFT | TA_TOP
  EXPECT_GT(Dark(left_top, 50, 50, 100, 90), 50);
  EXPECT_EQ(Dark(left_top, 0, 0, 48, 100), 0);
  EXPECT_EQ(Dark(left_top, 0, 0, 100, 48), 0);
  const Bitmap right_bottom = Render(TextEmf(2 | 8), 100, 100);  // TA_RIGHT | TA_BOTTOM
  EXPECT_GT(Dark(right_bottom, 0, 10, 50, 50), 50);
  EXPECT_EQ(Dark(right_bottom, 52, 0, 100, 100), 0);
  EXPECT_EQ(Dark(right_bottom, 0, 52, 100, 100), 0);
}

// Runs bytes through the player at a small size; only surviving matters.
// A damaged stream is either refused or plays into a picture of exactly the asked size, the
// same pixels every time (a read of memory the stream does not own shows up as a difference).
// `played` is set when the stream was accepted.
::testing::AssertionResult PlaysSafely(const std::vector<uint8_t>& bytes, bool* played = nullptr) {
  auto meta = MetafilePlayer::FromBytes(bytes);
  if (played != nullptr) *played = meta != nullptr;
  if (!meta) return ::testing::AssertionSuccess();
  Bitmap out;
  Bitmap again;
  if (!meta->Render(out, 32, 32, kBg) || !meta->Render(again, 32, 32, kBg)) {
    return ::testing::AssertionFailure() << "an accepted stream did not render";
  }
  if (out.Width() != 32 || out.Height() != 32) {
    return ::testing::AssertionFailure() << "rendered " << out.Width() << " x " << out.Height();
  }
  for (int y = 0; y < 32; ++y) {
    if (std::memcmp(out.Row(y), again.Row(y), 32 * 3) != 0) {
      return ::testing::AssertionFailure() << "two plays differ in row " << y;
    }
  }
  return ::testing::AssertionSuccess();
}

void Survive(const std::vector<uint8_t>& bytes) { EXPECT_TRUE(PlaysSafely(bytes)); }

std::vector<uint8_t> RichWmf() {
  WmfBuilder w = Wmf100();
  w.SolidBrush(kRed).Record(0x012D, {1}).Record(0x041B, {50, 50, 10, 10}).Record(0x001E, {});
  w.Record(0x0538, {2, 4, 4, 10, 10, 90, 10, 90, 90, 10, 90, 30, 30, 70, 30, 70, 70, 30, 70});
  w.Record(0x0817, {0, 50, 50, 0, 90, 90, 10, 10}).Record(0x0127, {-1});
  Bytes text;
  text.I16(5).U8('H').U8('e').U8('l').U8('l').U8('o').U8(0).I16(20).I16(20);
  w.Raw(0x0521, text.Data());
  Bytes p;
  p.U32(0x00CC0020).U16(0).I16(2).I16(2).I16(0).I16(0).I16(50).I16(50).I16(0).I16(0);
  p.Append(MakeDib(2, 8, {{0, 1}, {1, 0}}, {0xFF, 0xFF00}));
  w.Raw(0x0F43, p.Data());
  return w.Finish();
}

TEST(MetafileDamage, TruncatedAndMutatedStreamsNeverCrash) {
  const std::vector<std::vector<uint8_t>> seeds = {RichWmf(), TextEmf(6 | 24)};
  std::mt19937 rng(99);
  for (const auto& seed : seeds) {
    // The whole seed plays and draws something over the background.
    bool played = false;
    ASSERT_TRUE(PlaysSafely(seed, &played));
    ASSERT_TRUE(played);
    const Bitmap whole = Render(seed, 32, 32);
    bool drawn = false;
    for (int y = 0; y < 32 && !drawn; ++y)
      for (int x = 0; x < 32 && !drawn; ++x) drawn = !(whole.ColourAt(x, y) == kBg);
    EXPECT_TRUE(drawn);
    // Cut short: a stream cut inside its headers is refused, one cut later plays what it has.
    size_t refused = 0;
    size_t accepted = 0;
    for (size_t n = 0; n <= seed.size(); ++n) {
      EXPECT_TRUE(PlaysSafely(std::vector<uint8_t>(seed.begin(), seed.begin() + n), &played))
          << "cut at " << n;
      ++(played ? accepted : refused);
      if (n < 40) {
        EXPECT_FALSE(played) << "a " << n << "-byte stream has no complete header";
      }
    }
    EXPECT_GE(refused, 40u);
    EXPECT_GE(accepted, 1u);
    for (int round = 0; round < 300; ++round) {
      std::vector<uint8_t> bytes = seed;
      const int flips = 1 + static_cast<int>(rng() % 4);
      for (int i = 0; i < flips; ++i) bytes[rng() % bytes.size()] = static_cast<uint8_t>(rng());
      EXPECT_TRUE(PlaysSafely(bytes)) << "round " << round;
    }
  }
}

TEST(MetafileDamage, ExtremeBoundsWithAnEmptyFrame) {
  // An empty frame falls back to the bounds; bounds from INT32_MIN to 100 once overflowed their
  // width (found by the fuzzer; the sanitizer build of this test catches a regression).
  auto bytes = EmfBuilder(0, 0).Finish();
  const int32_t lowest = std::numeric_limits<int32_t>::min();
  for (int at : {8, 12})
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(uint32_t(lowest) >> (8 * i));
  for (int at : {16, 20})
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(100u >> (8 * i));
  auto meta = MetafilePlayer::FromBytes(bytes);
  ASSERT_TRUE(meta);
  vr::picture::Bitmap out;
  meta->Render(out, 16, 16, vr::picture::Rgb{1, 2, 3});
  EXPECT_EQ(out.Width(), 16);
  Survive(bytes);
}

TEST(MetafileDamage, BadRecordsStopOrAreSkippedKeepingWhatWasDrawn) {
  // A record claiming more words than the file holds ends playback after what came before.
  WmfBuilder w = Wmf100();
  w.SolidBrush(kRed).Record(0x012D, {1}).Record(0x041B, {50, 50, 10, 10});
  std::vector<uint8_t> bytes = w.Finish();
  Bytes huge;
  huge.U32(0xFFFFFFF0).U16(0x041B).I16(100).I16(100).I16(0).I16(0);
  bytes.insert(bytes.end() - 6, huge.Data().begin(), huge.Data().end());
  const Bitmap b = Render(bytes, 100, 100);
  EXPECT_EQ(b.ColourAt(30, 30), kRedRgb);
  EXPECT_EQ(b.ColourAt(80, 80), kBg);

  // Counts larger than the record: the shape is skipped, playback goes on.
  WmfBuilder c = Wmf100();
  c.SolidBrush(kRed)
      .Record(0x012D, {1})
      .Record(0x0324, {30000, 0, 0, 100, 0})
      .Record(0x0538, {3, 9000, 5});
  c.Record(0x041B, {50, 50, 10, 10});
  EXPECT_EQ(Render(c.Finish(), 100, 100).ColourAt(30, 30), kRedRgb);

  // EMF: object indices beyond the table, a record shorter than its header, a poly count too big.
  EmfBuilder e = Emf100();
  e.SolidBrush(70000, kBlue).Select(70000).SolidBrush(1, kRed).Select(1);
  e.Raw(86, Bytes().I32(0).I32(0).I32(0).I32(0).U32(0x7FFFFFFF).Data());
  e.Record(43, {10, 10, 50, 50});
  std::vector<uint8_t> emf = e.Finish();
  const Bitmap d = Render(emf, 100, 100);
  EXPECT_EQ(d.ColourAt(30, 30), kRedRgb);
  Bytes tiny;
  tiny.U32(43).U32(4);
  emf.insert(emf.end() - 20, tiny.Data().begin(), tiny.Data().end());
  Survive(emf);
}

TEST(LoadMetafile, FromFilesAndFailures) {
  test_support::TempDir dir;
  auto meta = LoadMetafile(dir.Write("a.wmf", RichWmf()));
  ASSERT_TRUE(meta);
  EXPECT_EQ(meta->Width(), 100);
  EXPECT_TRUE(LoadMetafile(dir.Write("b.emf", TextEmf(0))));
  EXPECT_FALSE(LoadMetafile(dir.Write("c.wmf", {0xD7, 0xCD, 0xC6, 0x9A, 0, 0})));
  EXPECT_FALSE(LoadMetafile(dir.File("missing.emf")));
  // Through the picture holder, as the loader uses it.
  picture::PictureHolder holder;
  holder.kind = picture::GraphicKind::kMetafile;
  holder.vector = meta;
  EXPECT_EQ(holder.Width(), 100);
  const Bitmap& b = holder.AsBitmap();
  EXPECT_EQ(b.ColourAt(80, 80), kRedRgb);   // the ring of the poly-polygon
  EXPECT_EQ(b.ColourAt(30, 30), kBlueRgb);  // the 8-bit DIB drawn over the rectangle
  EXPECT_EQ(b.ColourAt(50, 50), kBg);       // the ring's hole
}

// The player as the program installs it: the loader hands .wmf and .emf files to it and keeps the
// vector form, drawn at any size.
TEST(LoadMetafile, InstalledPlayerServesTheLoader) {
  test_support::TempDir dir;
  const std::string wmf = dir.Write("a.wmf", RichWmf());
  picture::SetMetafileLoader(nullptr);
  picture::PictureHolder holder;
  picture::LoadDetails details;
  picture::LoadPicture(wmf, holder, picture::DecodeOptions(), &details);
  EXPECT_TRUE(details.failed);  // nothing plays metafiles until the player is installed

  InstallMetafilePlayer();
  picture::LoadPicture(wmf, holder, picture::DecodeOptions(), &details);
  EXPECT_FALSE(details.failed) << details.error;
  EXPECT_EQ(holder.kind, picture::GraphicKind::kMetafile);
  ASSERT_TRUE(holder.vector);
  EXPECT_EQ(holder.Width(), 100);
  Bitmap half;
  ASSERT_TRUE(holder.vector->Render(half, 50, 50, kBg));
  EXPECT_EQ(half.ColourAt(40, 40), kRedRgb);  // the poly-polygon's ring, scaled by half
  EXPECT_EQ(half.ColourAt(30, 30), kBg);      // its hole

  picture::LoadPicture(dir.Write("bad.emf", {1, 0, 0, 0}), holder, picture::DecodeOptions(),
                       &details);
  EXPECT_TRUE(details.failed);
  picture::SetMetafileLoader(nullptr);
}

}  // namespace
}  // namespace vr::metafile

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
