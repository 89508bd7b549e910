// TGA reading (row orders, run-length packets, colour maps, 16-bit pixels) and writing.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "picture/codecs/tga/tga_graphics.h"
#include "raster/raster_test_util.h"
#include "test_support/temp_dir.h"

namespace vr::codecs {
namespace {

using picture::Bitmap;
using picture::PixelFormat;
using picture::Rgb;
using testing::Bytes;

Bytes TgaHeader(int type, int depth, int width, int height, int descriptor, int map_type = 0,
                int map_first = 0, int map_length = 0, int map_bits = 0, int id_length = 0) {
  Bytes b;
  b.U8(id_length).U8(map_type).U8(type).U16(map_first).U16(map_length).U8(map_bits);
  b.U16(0).U16(0).U16(width).U16(height).U8(depth).U8(descriptor);
  b.Fill(static_cast<size_t>(id_length), 'i');
  return b;
}

ReadResult LoadBytes(const Bytes& bytes, Bitmap& bitmap) {
  test_support::TempDir dir;
  return LoadTga(dir.Write("t.tga", bytes.v), bitmap, {});
}

// 2 x 2 pixels, 24 bits: top row (1,2,3) (4,5,6), bottom row (7,8,9) (10,11,12) as B, G, R.
void ExpectUpright24(const Bitmap& bm) {
  ASSERT_EQ(bm.Format(), PixelFormat::k24);
  EXPECT_EQ(bm.PixelAt(0, 0), 0x030201u);
  EXPECT_EQ(bm.PixelAt(1, 0), 0x060504u);
  EXPECT_EQ(bm.PixelAt(0, 1), 0x090807u);
  EXPECT_EQ(bm.PixelAt(1, 1), 0x0C0B0Au);
}

TEST(TgaRead, RowOrdersAllShowUpright) {
  Bitmap bm;
  Bytes bottom_up = TgaHeader(2, 24, 2, 2, 0, 0, 0, 0, 0, 3);
  bottom_up.Raw({7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6});
  ReadResult r = LoadBytes(bottom_up, bm);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.depth, 24);
  ExpectUpright24(bm);

  Bytes top_down = TgaHeader(2, 24, 2, 2, 0x20);
  top_down.Raw({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
  ASSERT_TRUE(LoadBytes(top_down, bm).ok());
  ExpectUpright24(bm);

  Bytes mirrored = TgaHeader(2, 24, 2, 2, 0x30);
  mirrored.Raw({4, 5, 6, 1, 2, 3, 10, 11, 12, 7, 8, 9});
  ASSERT_TRUE(LoadBytes(mirrored, bm).ok());
  ExpectUpright24(bm);

  Bytes mirrored8 = TgaHeader(3, 8, 3, 1, 0x10);
  mirrored8.Raw({30, 20, 10});
  ASSERT_TRUE(LoadBytes(mirrored8, bm).ok());
  EXPECT_EQ(bm.PixelAt(0, 0), 10u);
  EXPECT_EQ(bm.PixelAt(2, 0), 30u);
  EXPECT_EQ(bm.Palette()[200], (Rgb{200, 200, 200}));  // grey ramp

  Bytes mirrored1 = TgaHeader(3, 1, 10, 1, 0x30);
  mirrored1.Raw({0xC0, 0x00});  // pixels 0 and 1 as stored, 8 and 9 once mirrored back
  ASSERT_TRUE(LoadBytes(mirrored1, bm).ok());
  ASSERT_EQ(bm.Format(), PixelFormat::k1);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(bm.PixelAt(x, 0), x >= 8 ? 1u : 0u) << x;
}

TEST(TgaRead, RunLength32BitSkipsAlphaAndCutsPacketsAtRowEnd) {
  Bytes b = TgaHeader(10, 32, 3, 2, 0x20);
  // Row 0: a repeat packet of 2, then a raw packet of 3 of which only 1 fits: its other two
  // pixels are consumed and dropped. Row 1: one repeat packet of 3.
  b.Raw({0x81, 1, 2, 3, 0xFF});
  b.Raw({0x02, 4, 5, 6, 0xEE, 90, 91, 92, 0xDD, 93, 94, 95, 0xCC});
  b.Raw({0x82, 7, 8, 9, 0x00});
  Bitmap bm;
  const ReadResult r = LoadBytes(b, bm);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.depth, 32);
  ASSERT_EQ(bm.Format(), PixelFormat::k24);
  EXPECT_EQ(bm.PixelAt(0, 0), 0x030201u);
  EXPECT_EQ(bm.PixelAt(1, 0), 0x030201u);
  EXPECT_EQ(bm.PixelAt(2, 0), 0x060504u);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(bm.PixelAt(x, 1), 0x090807u);
}

// Rows are decoded into whatever the picture's memory held before (a reload reuses it): each
// depth, raw and run-length, mirrored or not, must leave exact pixels and zero padding behind.
TEST(TgaRead, ReloadOverOldPixelsLeavesExactRowsAndZeroPadding) {
  struct Case {
    int type;
    int depth;
    int descriptor;
  };
  const Case cases[] = {{2, 24, 0}, {10, 24, 0x20}, {2, 32, 0x10}, {10, 32, 0},
                        {2, 16, 0}, {3, 8, 0x30},   {11, 8, 0},    {3, 1, 0x20}};
  const int width = 7;
  const int height = 5;
  uint32_t seed = 77;
  auto rnd = [&seed]() {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 16) & 0xFF);
  };
  for (const Case& c : cases) {
    const int pixel_bytes = c.depth == 1 ? 1 : c.depth / 8;
    const int units = c.depth == 1 ? 1 : width;  // 1 bit: 7 pixels in one byte
    std::vector<std::vector<int>> rows(height);
    Bytes b = TgaHeader(c.type, c.depth, width, height, c.descriptor);
    for (auto& row : rows) {
      for (int i = 0; i < units * pixel_bytes; ++i) row.push_back(rnd());
      if (c.type >= 9) {
        // A run of two units, then the rest as one literal packet.
        b.U8(0x81);
        for (int i = 0; i < pixel_bytes; ++i) b.U8(row[i]);
        for (int i = 0; i < pixel_bytes; ++i) row[pixel_bytes + i] = row[i];
        if (units > 2) {
          b.U8(units - 3);
          for (int i = 2 * pixel_bytes; i < units * pixel_bytes; ++i) b.U8(row[i]);
        }
      } else {
        for (int v : row) b.U8(v);
      }
    }
    Bitmap bm;
    ASSERT_TRUE(bm.Create(40, 40, PixelFormat::k24));
    std::memset(bm.Data(), 0xEE, bm.ByteSize());
    const std::string what = "type " + std::to_string(c.type) + ", " + std::to_string(c.depth) +
                             " bits, descriptor " + std::to_string(c.descriptor);
    ASSERT_TRUE(LoadBytes(b, bm).ok()) << what;
    ASSERT_EQ(bm.Width(), width) << what;
    const bool top_first = (c.descriptor & 0x20) != 0;
    const bool mirrored = (c.descriptor & 0x10) != 0;
    for (int r = 0; r < height; ++r) {
      const int y = top_first ? r : height - 1 - r;
      const std::vector<int>& row = rows[static_cast<size_t>(r)];
      for (int x = 0; x < width; ++x) {
        const int sx = mirrored ? width - 1 - x : x;
        uint32_t want = 0;
        if (c.depth == 1) {
          want = (row[0] >> (7 - sx)) & 1;
        } else if (c.depth == 8) {
          want = static_cast<uint32_t>(row[static_cast<size_t>(sx)]);
        } else if (c.depth == 16) {
          const int v = row[static_cast<size_t>(sx) * 2] | row[static_cast<size_t>(sx) * 2 + 1]
                                                               << 8;
          auto five = [](int f) { return static_cast<uint32_t>(f * 255 / 31); };
          want = five((v >> 10) & 31) << 16 | five((v >> 5) & 31) << 8 | five(v & 31);
        } else {
          const size_t at = static_cast<size_t>(sx) * static_cast<size_t>(pixel_bytes);
          want = static_cast<uint32_t>(row[at + 2] << 16 | row[at + 1] << 8 | row[at]);
        }
        ASSERT_EQ(bm.PixelAt(x, y), want) << what << " at " << x << "," << y;
      }
      const size_t used = c.depth == 1 ? 1 : static_cast<size_t>(width) * (c.depth == 8 ? 1 : 3);
      for (size_t i = used; i < bm.Stride(); ++i) {
        ASSERT_EQ(bm.Row(y)[i], 0) << what << ": padding byte " << i << " of row " << y;
      }
    }
  }
}

// Uncompressed rows longer than a few kilobytes are read straight into the picture; over more
// than one chunk of the file and with the file cut short, every pixel must still be where the
// row order puts it, and the missing ones 0.
TEST(TgaRead, LongRawRowsAcrossChunksAndCutShort) {
  const int width = 1500;  // 4,500 bytes a row
  const int height = 64;   // 288,000 bytes: more than two chunks
  Bytes b = TgaHeader(2, 24, width, height, 0, 0, 0, 0, 0, 5);
  const size_t start = b.Size();
  for (int i = 0; i < width * height * 3; ++i) b.U8((i * 7 + i / 4093) & 0xFF);
  b.v.resize(start + static_cast<size_t>(width) * 3 * 50 + 1234);  // 50 rows and a bit
  Bitmap bm;
  ASSERT_TRUE(LoadBytes(b, bm).ok());
  for (int r = 0; r < height; ++r) {
    const uint8_t* row = bm.Row(height - 1 - r);  // bottom-up
    for (int i = 0; i < width * 3; ++i) {
      const size_t at = static_cast<size_t>(r) * width * 3 + static_cast<size_t>(i);
      const int want = start + at < b.Size() ? static_cast<int>((at * 7 + at / 4093) & 0xFF) : 0;
      ASSERT_EQ(row[i], want) << "row " << r << " byte " << i;
    }
  }
}

TEST(TgaRead, ColourMapFromIndex16With16BitEntries) {
  // Two 16-bit entries at 16 and 17: 0x7C00 (red) and 0x03E0 (green).
  Bytes b = TgaHeader(1, 8, 3, 1, 0x20, 1, 16, 2, 16);
  b.U16(0x7C00).U16(0x03E0);
  b.Raw({16, 17, 3});
  Bitmap bm;
  ASSERT_TRUE(LoadBytes(b, bm).ok());
  ASSERT_EQ(bm.Format(), PixelFormat::k8);
  EXPECT_EQ(bm.ColourAt(0, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(bm.ColourAt(1, 0), (Rgb{0, 255, 0}));
  EXPECT_EQ(bm.ColourAt(2, 0), (Rgb{0, 0, 0}));
  for (int i = 0; i < 16; ++i) EXPECT_EQ(bm.Palette()[i], (Rgb{0, 0, 0}));

  // A map with 32-bit entries is passed over correctly (the pixels stay in step).
  Bytes wide = TgaHeader(1, 8, 1, 1, 0x20, 1, 0, 2, 32);
  wide.Raw({10, 20, 30, 0, 40, 50, 60, 0, 1});
  ASSERT_TRUE(LoadBytes(wide, bm).ok());
  EXPECT_EQ(bm.PixelAt(0, 0), 1u);
  EXPECT_EQ(bm.ColourAt(0, 0), (Rgb{60, 50, 40}));

  // Found by fuzzing: an entry size of 255 bits (32 bytes per entry) overran the entry buffer.
  // Such a map is passed over whole and the pixel after it still read.
  Bytes odd = TgaHeader(1, 8, 1, 1, 0x20, 1, 0, 2, 255);
  odd.Fill(64, 0xEE).U8(1);
  ASSERT_TRUE(LoadBytes(odd, bm).ok());
  EXPECT_EQ(bm.PixelAt(0, 0), 1u);
  EXPECT_EQ(bm.ColourAt(0, 0), (Rgb{0, 0, 0}));
}

TEST(TgaRead, SixteenBitPixelsTruncateToEightBits) {
  Bytes b = TgaHeader(2, 16, 2, 1, 0x20);
  b.U16(0x7C00).U16((1 << 10) | (16 << 5) | 31);
  Bitmap bm;
  const ReadResult r = LoadBytes(b, bm);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.depth, 16);
  EXPECT_EQ(bm.PixelAt(0, 0), 0xFF0000u);
  EXPECT_EQ(bm.PixelAt(1, 0), (8u << 16) | (131u << 8) | 255u);
}

// Image editors write black-and-white pictures with an alpha channel as 16-bit pixels of a grey
// byte and an alpha byte; they are greys, not 5-5-5 colours.
TEST(TgaRead, SixteenBitGreyWithAlphaReadsTheGreyByte) {
  Bytes raw = TgaHeader(3, 16, 3, 1, 0x20);
  raw.Raw({0x10, 0xFF, 0x80, 0x00, 0xFE, 0x7F});
  Bitmap bm;
  ReadResult r = LoadBytes(raw, bm);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.depth, 16);
  ASSERT_EQ(bm.Format(), PixelFormat::k24);
  EXPECT_EQ(bm.ColourAt(0, 0), (Rgb{0x10, 0x10, 0x10}));
  EXPECT_EQ(bm.ColourAt(1, 0), (Rgb{0x80, 0x80, 0x80}));
  EXPECT_EQ(bm.ColourAt(2, 0), (Rgb{0xFE, 0xFE, 0xFE}));

  // Run-length, bottom-up: a repeat packet of 2 then a raw packet of 1 per row.
  Bytes rle = TgaHeader(11, 16, 3, 2, 0);
  rle.Raw({0x81, 0x40, 0xFF, 0x00, 0xC8, 0x00});  // bottom row: 0x40 0x40 0xC8
  rle.Raw({0x81, 0x05, 0x11, 0x00, 0x33, 0x22});  // top row: 0x05 0x05 0x33
  r = LoadBytes(rle, bm);
  ASSERT_TRUE(r.ok()) << r.error;
  ASSERT_EQ(bm.Format(), PixelFormat::k24);
  EXPECT_EQ(bm.ColourAt(0, 0), (Rgb{0x05, 0x05, 0x05}));
  EXPECT_EQ(bm.ColourAt(2, 0), (Rgb{0x33, 0x33, 0x33}));
  EXPECT_EQ(bm.ColourAt(1, 1), (Rgb{0x40, 0x40, 0x40}));
  EXPECT_EQ(bm.ColourAt(2, 1), (Rgb{0xC8, 0xC8, 0xC8}));

  // A true-colour file of 16 bits keeps its 5-5-5 reading.
  Bytes colour = TgaHeader(10, 16, 1, 1, 0x20);
  colour.Raw({0x80, 0x00, 0x7C});
  ASSERT_TRUE(LoadBytes(colour, bm).ok());
  EXPECT_EQ(bm.ColourAt(0, 0), (Rgb{255, 0, 0}));
}

TEST(TgaRead, BadHeadersAndUndecodedDepth) {
  Bitmap bm;
  ReadResult r = LoadBytes(TgaHeader(4, 8, 2, 2, 0), bm);
  EXPECT_EQ(r.error, "Invalid TGA file!");
  EXPECT_EQ(bm.Width(), 1);
  EXPECT_EQ(bm.Format(), PixelFormat::k8);
  r = LoadBytes(TgaHeader(2, 15, 2, 2, 0), bm);
  EXPECT_EQ(r.error, "Invalid TGA file!");

  Bytes four = TgaHeader(1, 4, 4, 2, 0);
  four.Fill(4, 0x55);
  r = LoadBytes(four, bm);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.depth, 4);
  EXPECT_EQ(bm.Width(), 4);
  EXPECT_EQ(bm.PixelAt(1, 1), 0u);

  Bytes rle = TgaHeader(9, 8, 300, 7, 0x20);
  TFastFileIO io;
  io.OpenMemory(rle.v.data(), rle.Size());
  const TgaHeaderFacts facts = ReadTgaHeaderFacts(io);
  EXPECT_TRUE(facts.ok);
  EXPECT_TRUE(facts.compressed);
  EXPECT_EQ(facts.bits, 8);
  EXPECT_EQ(facts.width, 300);
  EXPECT_EQ(facts.height, 7);
}

TEST(TgaWrite, BothModesRoundTripWithIdAndMap) {
  test_support::TempDir dir;
  struct Case {
    int mode;
    PixelFormat source;
  } cases[] = {{1, PixelFormat::k8},  {1, PixelFormat::k4}, {1, PixelFormat::k1},
               {2, PixelFormat::k24}, {2, PixelFormat::k8}, {2, PixelFormat::k1}};
  for (const Case& c : cases) {
    const Bitmap source = testing::Pattern(29, 9, c.source);
    const std::string path = dir.File("m" + std::to_string(c.mode) + ".tga");
    const WriteResult w = SaveTga(path, source, c.mode);
    ASSERT_TRUE(w.ok) << w.error;
    const std::vector<uint8_t> f = test_support::TempDir::Read(path);
    ASSERT_GT(f.size(), 18u + 36u);
    EXPECT_EQ(f[0], 36);
    EXPECT_EQ(f[17], 0x20);
    EXPECT_EQ(std::string(f.begin() + 18, f.begin() + 18 + 35), kTgaImageId);
    EXPECT_EQ(f[18 + 35], 0x1A);
    EXPECT_EQ(f.size(), 18u + 36u + (c.mode == 1 ? 768u + 29u * 9u : 29u * 9u * 3u));
    Bitmap back;
    const ReadResult r = LoadTga(path, back, {});
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.depth, c.mode == 1 ? 8 : 24);
    for (int y = 0; y < 9; ++y) {
      for (int x = 0; x < 29; ++x) {
        ASSERT_EQ(back.ColourAt(x, y), source.ColourAt(x, y)) << "mode " << c.mode << " at " << x << "," << y;
      }
    }
    const int rc = testing::RunTool("identify", path);
    if (rc < 0)
      GTEST_LOG_(INFO) << "identify not installed; peer check skipped";
    else
      EXPECT_EQ(rc, 0) << "identify rejects mode " << c.mode;
  }
}

TEST(TgaWrite, RefusesAndFailsCleanly) {
  test_support::TempDir dir;
  EXPECT_FALSE(SaveTga(dir.File("a.tga"), testing::Pattern(3, 3, PixelFormat::k24), 1).ok);
  EXPECT_FALSE(SaveTga(dir.File("a.tga"), testing::Pattern(3, 3, PixelFormat::k8), 7).ok);
  WriteResult w;
  {
    testing::FileSizeLimit limit(100);
    w = SaveTga(dir.File("b.tga"), testing::Pattern(64, 64, PixelFormat::k8), 1);
  }
  EXPECT_EQ(w.error, "Stream write error");
  EXPECT_FALSE(std::filesystem::exists(dir.File("b.tga")));
}

}  // namespace
}  // namespace vr::codecs
