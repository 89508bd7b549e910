// PIC reading (run codes, blocks, planes, palettes) and writing in every export mode.
#include <gtest/gtest.h>

#include <cstring>

#include "picture/codecs/pic/pic_graphics.h"
#include "raster/raster_test_util.h"
#include "test_support/temp_dir.h"

namespace vr::codecs {
namespace {

using picture::Bitmap;
using picture::PixelFormat;
using picture::Rgb;
using testing::Bytes;

Bytes PicHeader(int width, int height, int plane_info, int palette_type, int palette_length) {
  Bytes b;
  b.U16(0x1234).U16(width).U16(height).U16(0).U16(0).U8(plane_info).U8(0xFF).U8('L');
  b.U16(palette_type).U16(palette_length);
  return b;
}

// A block: size, unpacked count, marker, packed bytes.
void Block(Bytes& b, int unpacked, int marker, std::initializer_list<int> packed) {
  b.U16(static_cast<int>(packed.size()) + 5).U16(unpacked).U8(marker).Raw(packed);
}

ReadResult LoadBytes(const Bytes& bytes, Bitmap& bitmap, const picture::DecodeOptions& o = {}) {
  test_support::TempDir dir;
  return LoadPic(dir.Write("t.pic", bytes.v), bitmap, o);
}

TEST(PicRead, RunCodesAndBlocksEndingMidRow) {
  // 8 bits, 4 x 3, grey palette of 6-bit triples: entry i = (i, i, i) for i < 64.
  Bytes b = PicHeader(4, 3, 0x08, 4, 768);
  for (int i = 0; i < 256; ++i) b.U8(i & 63).U8(i & 63).U8(i & 63);
  b.U16(2);
  // Block 1 (marker 0xAA): bottom row 1,2,3,4 in literals, then a zero-count run whose 16-bit
  // count gives 3 bytes of 9: the middle row stops after 3 of its 4 bytes.
  Block(b, 7, 0xAA, {1, 2, 3, 4, 0xAA, 0, 3, 0, 9});
  // Block 2 (marker 0x55): the middle row's last byte, a run of four 7s for the top row.
  Block(b, 5, 0x55, {8, 0x55, 4, 7});
  Bitmap bm;
  const ReadResult r = LoadBytes(b, bm);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.depth, 8);
  ASSERT_EQ(bm.Format(), PixelFormat::k8);
  const uint32_t want[3][4] = {{7, 7, 7, 7}, {9, 9, 9, 8}, {1, 2, 3, 4}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(bm.PixelAt(x, y), want[y][x]) << x << "," << y;
  EXPECT_EQ(bm.ColourAt(0, 2), (Rgb{4, 4, 4}));  // 6-bit 1 -> 4
}

// 8-bit rows are unpacked into the picture's own memory, over whatever a previous picture left
// there: a run across rows, blocks that end mid-row and a file that stops short must leave exact
// rows, zero padding, and zero rows (the cut-off one included) where the blocks ran out.
TEST(PicRead, ReloadOverOldPixelsClearsPaddingAndRowsTheDataNeverReached) {
  // 5 x 4, no palette (grey ramp). One block: bottom row literals, then a run of 7 that fills
  // row 2 and two bytes of row 1; no block follows, so rows 1 and 0 stay blank.
  Bytes ends = PicHeader(5, 4, 0x08, 0, 0);
  ends.U16(1);
  Block(ends, 12, 0xEE, {1, 2, 3, 4, 5, 0xEE, 7, 0x33});
  // The same, then a second block that claims 6 bytes in a file that ends after its first:
  // bytes past the end read as 0, so row 1 is 0x33 0x33 9 0 0 and row 0 zeros.
  Bytes cut = ends;
  cut.v[17] = 2;
  cut.U16(11).U16(6).U8(0xEE).U8(9);
  struct Case {
    const char* name;
    const Bytes& bytes;
    uint8_t row1[5];
  };
  for (const Case& c :
       {Case{"blocks end", ends, {0, 0, 0, 0, 0}}, Case{"file ends", cut, {0x33, 0x33, 9, 0, 0}}}) {
    Bitmap bm;
    ASSERT_TRUE(bm.Create(30, 30, PixelFormat::k24));
    std::memset(bm.Data(), 0xEE, bm.ByteSize());
    const ReadResult r = LoadBytes(c.bytes, bm);
    ASSERT_TRUE(r.ok()) << c.name << ": " << r.error;
    ASSERT_EQ(bm.Width(), 5);
    ASSERT_EQ(bm.Height(), 4);
    ASSERT_EQ(bm.Stride(), 8u);
    const uint8_t* want[4] = {nullptr, c.row1, nullptr, nullptr};
    const uint8_t zeros[5] = {0, 0, 0, 0, 0};
    const uint8_t run[5] = {0x33, 0x33, 0x33, 0x33, 0x33};
    const uint8_t bottom[5] = {1, 2, 3, 4, 5};
    want[0] = zeros;
    want[2] = run;
    want[3] = bottom;
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 5; ++x)
        EXPECT_EQ(bm.Row(y)[x], want[y][x]) << c.name << " " << x << "," << y;
      for (int x = 5; x < 8; ++x) {
        EXPECT_EQ(bm.Row(y)[x], 0) << c.name << ": padding " << x << " of row " << y;
      }
    }
  }
}

TEST(PicRead, FourPlaneEgaPicture) {
  // Plane info 0x31: 4 planes of 1 bit. EGA codes: entry 1 = 0x24 (bright red), 2 = 0x12
  // (bright green), 4 = 0x09 (bright blue), 15 = 0x3F (white).
  Bytes b = PicHeader(8, 2, 0x31, 3, 16);
  for (int i = 0; i < 16; ++i)
    b.U8(i == 1 ? 0x24 : i == 2 ? 0x12 : i == 4 ? 0x09 : i == 15 ? 0x3F : 0);
  b.U16(1);
  // Rows bottom first, per plane: plane 0 = {0x80, 0xFF}, 1 = {0x40, 0xFF}, 2 = {0x20, 0xFF},
  // 3 = {0x00, 0xFF}: the bottom row has 1, 2, 4 at x 0..2; the top row is all 15.
  Block(b, 8, 0x81, {0x80, 0xFF, 0x40, 0xFF, 0x20, 0xFF, 0x00, 0xFF});
  Bitmap bm;
  const ReadResult r = LoadBytes(b, bm);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.depth, 4);
  EXPECT_EQ(bm.Palette().size(), 17u);
  // Both intensity bits of a channel make 6-bit 48.
  EXPECT_EQ(bm.ColourAt(0, 1), (Rgb{194, 0, 0}));
  EXPECT_EQ(bm.ColourAt(1, 1), (Rgb{0, 194, 0}));
  EXPECT_EQ(bm.ColourAt(2, 1), (Rgb{0, 0, 194}));
  EXPECT_EQ(bm.PixelAt(3, 1), 0u);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(bm.ColourAt(x, 0), (Rgb{194, 194, 194}));
}

TEST(PicRead, MonoFullAndReduced) {
  Bytes b = PicHeader(10, 1, 0x01, 0, 0);
  b.U16(1);
  Block(b, 2, 0x81, {0xA0, 0x40});
  Bitmap bm;
  ASSERT_TRUE(LoadBytes(b, bm).ok());
  ASSERT_EQ(bm.Format(), PixelFormat::k1);
  EXPECT_EQ(bm.Palette(), (std::vector<Rgb>{{0, 0, 0}, {255, 255, 255}}));
  picture::DecodeOptions reduced;
  reduced.display_depth = 8;
  reduced.true_colour_on_256 = true;
  ASSERT_TRUE(LoadBytes(b, bm, reduced).ok());
  ASSERT_EQ(bm.Format(), PixelFormat::k8);
  const uint32_t want[10] = {1, 0, 1, 0, 0, 0, 0, 0, 0, 1};
  for (int x = 0; x < 10; ++x) EXPECT_EQ(bm.PixelAt(x, 0), want[x]) << x;
}

TEST(PicRead, HeaderFailures) {
  Bitmap bm;
  Bytes bad = PicHeader(4, 4, 0x08, 0, 0);
  bad.v[0] = 0x35;
  EXPECT_EQ(LoadBytes(bad, bm).error, "Not a PIC file, or header read error.");
  EXPECT_EQ(bm.Width(), 1);
  EXPECT_EQ(bm.Format(), PixelFormat::k8);
  EXPECT_EQ(LoadBytes(PicHeader(4, 4, 0x08, 4, 769), bm).error, "PIC file palette invalid.");
}

TEST(PicWrite, MarkerBytesAndRunsArePackedAsDefined) {
  const std::vector<uint8_t> in = {0x81, 5, 5, 5, 7};
  std::vector<uint8_t> out(in.size() * 3);
  out.resize(PackPicBlock(in.data(), in.size(), out.data()));
  // The lone marker byte as a run of one; three 5s as a run of two and a single 5.
  EXPECT_EQ(out, (std::vector<uint8_t>{0x81, 1, 0x81, 0x81, 2, 5, 5, 7}));

  std::vector<uint8_t> long_run(300, 9);
  out.assign(900, 0);
  out.resize(PackPicBlock(long_run.data(), long_run.size(), out.data()));
  EXPECT_EQ(out, (std::vector<uint8_t>{0x81, 0, 0x2B, 0x01, 9, 9}));
}

TEST(PicWrite, EveryModeRoundTrips) {
  test_support::TempDir dir;
  struct Case {
    int mode;
    PixelFormat source;
  } cases[] = {
      {1, PixelFormat::k1}, {2, PixelFormat::k4}, {3, PixelFormat::k8}, {3, PixelFormat::k4}};
  for (const Case& c : cases) {
    Bitmap source = testing::Pattern(45, 13, c.source);
    if (c.mode == 2) {
      // EGA codes hold 4 levels per channel (6-bit 0, 16, 32, 48): use colours they keep.
      static constexpr uint8_t kLevel[4] = {0, 65, 130, 194};
      std::vector<Rgb> ega(16);
      for (int i = 0; i < 16; ++i) {
        ega[i] = Rgb{kLevel[i & 3], kLevel[(i >> 2) & 3], kLevel[(i + 1) & 3]};
      }
      source.SetPalette(ega);
    }
    const std::string path = dir.File("m" + std::to_string(c.mode) + ".pic");
    const WriteResult w = SavePic(path, source, c.mode);
    ASSERT_TRUE(w.ok) << w.error;
    Bitmap back;
    const ReadResult r = LoadPic(path, back, {});
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.depth, c.mode == 1 ? 1 : c.mode == 2 ? 4 : 8);
    for (int y = 0; y < 13; ++y) {
      for (int x = 0; x < 45; ++x) {
        ASSERT_EQ(back.PixelAt(x, y), source.PixelAt(x, y)) << "mode " << c.mode;
        ASSERT_EQ(back.ColourAt(x, y), testing::Six(source.ColourAt(x, y))) << "mode " << c.mode;
      }
    }
  }
}

TEST(PicWrite, SixteenColourFileHasOneBlockPerPlaneAndBigRowsSplit) {
  test_support::TempDir dir;
  const std::string path = dir.File("planes.pic");
  ASSERT_TRUE(SavePic(path, testing::Pattern(40, 6, PixelFormat::k4), 2).ok);
  std::vector<uint8_t> f = test_support::TempDir::Read(path);
  ASSERT_GT(f.size(), 17u + 16u + 2u);
  EXPECT_EQ(f[10], 0x31);
  EXPECT_EQ(f[12], 'G');
  size_t at = 17 + 16;
  const int blocks = f[at] | (f[at + 1] << 8);
  EXPECT_EQ(blocks, 4);
  at += 2;
  for (int i = 0; i < blocks && at + 5 <= f.size(); ++i) {
    EXPECT_EQ(f[at + 2] | (f[at + 3] << 8), 5 * 6) << "block " << i;  // 6 rows of 5 bytes
    EXPECT_EQ(f[at + 4], 0x81);
    at += f[at] | (f[at + 1] << 8);
  }
  EXPECT_EQ(at, f.size());

  // A row wider than a block is split over blocks and joined again by the reader.
  const Bitmap wide = testing::Pattern(9000, 2, PixelFormat::k8);
  ASSERT_TRUE(SavePic(path, wide, 3).ok);
  Bitmap back;
  ASSERT_TRUE(LoadPic(path, back, {}).ok());
  for (int x = 0; x < 9000; x += 7) ASSERT_EQ(back.PixelAt(x, 1), wide.PixelAt(x, 1)) << x;
}

TEST(PicWrite, FailedWriteAndUnsupportedSource) {
  test_support::TempDir dir;
  WriteResult w;
  {
    testing::FileSizeLimit limit(64);
    w = SavePic(dir.File("f.pic"), testing::Pattern(64, 64, PixelFormat::k8), 3);
  }
  EXPECT_EQ(w.error, "Stream write error");
  EXPECT_FALSE(std::filesystem::exists(dir.File("f.pic")));
  EXPECT_FALSE(SavePic(dir.File("g.pic"), testing::Pattern(4, 4, PixelFormat::k24), 3).ok);
}

}  // namespace
}  // namespace vr::codecs
