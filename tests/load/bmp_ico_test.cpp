// BMP and icon reading and writing, cross-checked pixel by pixel against Qt's image plugins on
// pictures built byte by byte.
#include <gtest/gtest.h>
#include <png.h>

#include <QByteArray>
#include <QImage>
#include <array>
#include <cstdlib>
#include <cstring>
#include <string>

#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/codecs/ico/ico_codec.h"
#include "picture/convert.h"
#include "test_pictures.h"
#include "test_support/hook_guard.h"
#include "test_support/temp_dir.h"

namespace vr::codecs {
namespace {

using picture::Bitmap;
using picture::PixelFormat;
using picture::Rgb;
using picture::TFastFileIO;
using namespace vr::test_pictures;

ReadResult ReadBmp(const Bytes& bytes, Bitmap& bitmap) {
  TFastFileIO io;
  io.OpenMemory(bytes.data(), bytes.size());
  return LoadBmp(io, bitmap);
}

ReadResult ReadIco(const Bytes& bytes, Bitmap& bitmap) {
  TFastFileIO io;
  io.OpenMemory(bytes.data(), bytes.size());
  return LoadIco(io, bitmap);
}

QImage QtRead(const Bytes& bytes, const char* format) {
  return QImage::fromData(
      QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size())),
      format);
}

// Every pixel's colour agrees with Qt's reading of the same bytes.
// `tolerance` covers the 5- and 6-bit channels, which Qt widens by shifting rather than scaling;
// `defined_only` skips index 0, which run-length pictures leave undefined in Qt.
void ExpectSameAsQt(const Bitmap& ours, const QImage& qt, const std::string& what,
                    int tolerance = 0, bool defined_only = false) {
  ASSERT_FALSE(qt.isNull()) << what;
  ASSERT_EQ(ours.Width(), qt.width()) << what;
  ASSERT_EQ(ours.Height(), qt.height()) << what;
  for (int y = 0; y < ours.Height(); ++y) {
    for (int x = 0; x < ours.Width(); ++x) {
      if (defined_only && ours.PixelAt(x, y) == 0) continue;
      const Rgb c = ours.ColourAt(x, y);
      const QRgb q = qt.pixel(x, y);
      ASSERT_LE(std::abs(c.r - qRed(q)), tolerance) << what << " at " << x << "," << y;
      ASSERT_LE(std::abs(c.g - qGreen(q)), tolerance) << what << " at " << x << "," << y;
      ASSERT_LE(std::abs(c.b - qBlue(q)), tolerance) << what << " at " << x << "," << y;
    }
  }
}

struct BmpCase {
  const char* name;
  DibShape shape;
  PixelFormat format;
  int depth;
};

std::vector<BmpCase> BmpCases() {
  std::vector<BmpCase> cases;
  const auto plain = [](int w, int h, int bits, uint32_t seed) {
    DibShape s;
    s.width = w;
    s.height = h;
    s.bits = bits;
    if (bits <= 8) s.palette = NoisePalette(1 << bits, seed);
    s.pixels = NoiseRows(w, h, bits, seed);
    return s;
  };
  cases.push_back({"1 bit", plain(13, 7, 1, 1), PixelFormat::k1, 1});
  cases.push_back({"4 bits", plain(11, 6, 4, 2), PixelFormat::k4, 4});
  cases.push_back({"8 bits", plain(9, 5, 8, 3), PixelFormat::k8, 8});
  cases.push_back({"24 bits", plain(7, 5, 24, 4), PixelFormat::k24, 24});
  DibShape top_down = plain(7, -5, 24, 5);
  cases.push_back({"24 bits top-down", top_down, PixelFormat::k24, 24});
  cases.push_back({"32 bits", plain(6, 4, 32, 6), PixelFormat::k32, 32});
  DibShape rgb555 = plain(10, 4, 16, 7);
  for (size_t i = 1; i < rgb555.pixels.size(); i += 2) rgb555.pixels[i] &= 0x7F;
  cases.push_back({"16 bits 5-5-5", rgb555, PixelFormat::k15, 15});
  DibShape rgb565 = plain(10, 4, 16, 8);
  rgb565.compression = 3;
  rgb565.masks = {0xF800, 0x07E0, 0x001F};
  cases.push_back({"16 bits 5-6-5 bit fields", rgb565, PixelFormat::k16, 16});
  DibShape odd_masks = plain(5, 3, 32, 9);
  odd_masks.compression = 3;
  odd_masks.masks = {0x000003FF, 0x000FFC00, 0x3FF00000};  // 10-10-10, red lowest
  cases.push_back({"32 bits 10-10-10 bit fields", odd_masks, PixelFormat::k24, 32});
  DibShape short_palette = plain(9, 5, 8, 10);
  short_palette.palette.resize(200);  // pixels above 199 have no colour of their own
  for (uint8_t& v : short_palette.pixels) v = static_cast<uint8_t>(v % 200);
  cases.push_back({"8 bits, 200-entry palette", short_palette, PixelFormat::k8, 8});
  DibShape core = plain(9, 6, 8, 11);
  core.core = true;
  cases.push_back({"OS/2 core header", core, PixelFormat::k8, 8});
  DibShape core24 = plain(5, 3, 24, 12);
  core24.core = true;
  cases.push_back({"OS/2 core header 24 bits", core24, PixelFormat::k24, 24});

  // RLE8: a run, a literal, a delta, end of row, end of picture.
  DibShape rle8;
  rle8.width = 8;
  rle8.height = 4;
  rle8.bits = 8;
  rle8.compression = 1;
  rle8.palette = NoisePalette(256, 13);
  rle8.pixels = {4, 7, 0, 3, 1, 2, 3, 0, 0, 0,  // row 0: 7 7 7 7 1 2 3
                 0, 2, 2, 1, 3, 9, 0, 0,        // delta (2,1): row 2 from x 2
                 8, 5, 0, 0, 0, 1};             // row 3: all 5, end
  cases.push_back({"RLE8", rle8, PixelFormat::k8, 8});
  // RLE4: runs alternate the two nibbles; literals hold two pixels a byte.
  DibShape rle4;
  rle4.width = 9;
  rle4.height = 3;
  rle4.bits = 4;
  rle4.compression = 2;
  rle4.palette = NoisePalette(16, 14);
  rle4.pixels = {5, 0x12, 0,    3,    0xAB, 0xC0, 0, 0,   // row 0: 1 2 1 2 1 A B C
                 9, 0xF3, 0,    0,                        // row 1
                 0, 5,    0x45, 0x67, 0x80, 0,    0, 1};  // row 2: 4 5 6 7 8 (3 bytes + pad), end
  cases.push_back({"RLE4", rle4, PixelFormat::k4, 4});
  return cases;
}

TEST(BmpRead, EveryDepthMatchesQt) {
  for (const BmpCase& c : BmpCases()) {
    const Bytes bytes = BmpBytes(c.shape);
    Bitmap bitmap;
    const ReadResult read = ReadBmp(bytes, bitmap);
    ASSERT_TRUE(read.ok()) << c.name << ": " << read.error;
    EXPECT_EQ(bitmap.Format(), c.format) << c.name;
    EXPECT_EQ(read.depth, c.depth) << c.name;
    const bool shallow = c.format == PixelFormat::k15 || c.format == PixelFormat::k16;
    const bool run_length = c.shape.compression == 1 || c.shape.compression == 2;
    if (c.shape.masks.size() == 3 && c.shape.masks[0] == 0x3FF) {
      // Qt drops channels wider than 8 bits; ours keep their top 8 bits.
      const uint32_t p = c.shape.pixels[0] | c.shape.pixels[1] << 8 | c.shape.pixels[2] << 16 |
                         static_cast<uint32_t>(c.shape.pixels[3]) << 24;
      const int bottom = c.shape.height - 1;
      EXPECT_EQ(bitmap.ColourAt(0, bottom).r, (p & 0x3FF) >> 2);
      EXPECT_EQ(bitmap.ColourAt(0, bottom).g, ((p >> 10) & 0x3FF) >> 2);
      EXPECT_EQ(bitmap.ColourAt(0, bottom).b, ((p >> 20) & 0x3FF) >> 2);
      continue;
    }
    ExpectSameAsQt(bitmap, QtRead(bytes, "BMP"), c.name, shallow ? 7 : 0, run_length);
  }
}

// Pictures whose pixels are unpacked through bit-field masks are stored with the file's own row
// length (4 bytes a pixel for 32 bits), not the unpacked 24-bit one. Widths whose two strides
// differ put every row after the first at the wrong place when the wrong one is used; each pixel
// is checked against a decode of the raw bytes done here, bottom-up and top-down.
TEST(BmpRead, MaskedRowsFollowTheFileStride) {
  struct MaskCase {
    int bits;
    std::array<uint32_t, 3> masks;  // red, green, blue
    int width;
    int height;
  };
  const MaskCase cases[] = {
      {32, {0x000000FF, 0x0000FF00, 0x00FF0000}, 5, 4},   // red lowest: 8-bit channels
      {32, {0x000003FF, 0x000FFC00, 0x3FF00000}, 7, 3},   // 10-10-10: top 8 bits kept
      {32, {0x000000FF, 0x0000FF00, 0x00FF0000}, 3, -4},  // top-down
      {16, {0x00000F00, 0x000000F0, 0x0000000F}, 3, 3},   // 4-4-4 in 16 bits
  };
  const auto expand = [](uint32_t p, uint32_t mask) {
    uint32_t v = p & mask;
    while ((mask & 1) == 0) {
      mask >>= 1;
      v >>= 1;
    }
    int width = 0;
    for (uint32_t m = mask; m != 0; m >>= 1) ++width;
    if (width >= 8) return static_cast<int>(v >> (width - 8));
    const uint32_t max = (1u << width) - 1;
    return static_cast<int>((v * 255 + max / 2) / max);
  };
  uint32_t seed = 40;
  for (const MaskCase& c : cases) {
    DibShape s;
    s.width = c.width;
    s.height = c.height;
    s.bits = c.bits;
    s.compression = 3;
    s.masks = {c.masks[0], c.masks[1], c.masks[2]};
    s.pixels = NoiseRows(c.width, c.height, c.bits, seed++);
    Bitmap bitmap;
    const ReadResult read = ReadBmp(BmpBytes(s), bitmap);
    const std::string what = std::to_string(c.bits) + " bits, " + std::to_string(c.width) + " x " +
                             std::to_string(c.height);
    ASSERT_TRUE(read.ok()) << what << ": " << read.error;
    ASSERT_EQ(bitmap.Format(), PixelFormat::k24) << what;
    const int rows = std::abs(c.height);
    const size_t stride = Stride(c.width, c.bits);
    for (int r = 0; r < rows; ++r) {
      const int y = c.height < 0 ? r : rows - 1 - r;
      for (int x = 0; x < c.width; ++x) {
        const uint8_t* src = s.pixels.data() + static_cast<size_t>(r) * stride +
                             static_cast<size_t>(x) * static_cast<size_t>(c.bits / 8);
        uint32_t p = src[0] | static_cast<uint32_t>(src[1]) << 8;
        if (c.bits == 32)
          p |= static_cast<uint32_t>(src[2]) << 16 | static_cast<uint32_t>(src[3]) << 24;
        const Rgb got = bitmap.ColourAt(x, y);
        ASSERT_EQ(got.r, expand(p, c.masks[0])) << what << " at " << x << "," << y;
        ASSERT_EQ(got.g, expand(p, c.masks[1])) << what << " at " << x << "," << y;
        ASSERT_EQ(got.b, expand(p, c.masks[2])) << what << " at " << x << "," << y;
      }
    }
  }
}

// Some writers store a data offset that points into their own colour table: the pixels are read
// right after the table, not from inside it. An OS/2 core header, which has no colour count,
// still takes a short table's length from the offset.
TEST(BmpRead, DataOffsetInsideTheColourTableReadsAfterTheTable) {
  for (const int bits : {8, 4, 24}) {
    DibShape s;
    s.width = 9;
    s.height = 5;
    s.bits = bits;
    if (bits <= 8) {
      s.palette = NoisePalette(1 << bits, 70u + static_cast<uint32_t>(bits));
    } else {
      s.palette = NoisePalette(16, 77);  // an optional table in front of deep pixels
    }
    s.pixels = NoiseRows(9, 5, bits, 80u + static_cast<uint32_t>(bits));
    Bytes good = BmpBytes(s);
    Bitmap expected;
    ASSERT_TRUE(ReadBmp(good, expected).ok());
    for (const uint32_t back : {4u, 40u}) {
      Bytes wrong = good;
      const uint32_t offset = 14 + 40 + static_cast<uint32_t>(s.palette.size()) * 4 - back;
      for (int i = 0; i < 4; ++i) wrong[10 + i] = static_cast<uint8_t>(offset >> (8 * i));
      Bitmap bitmap;
      const ReadResult read = ReadBmp(wrong, bitmap);
      ASSERT_TRUE(read.ok()) << bits << ": " << read.error;
      EXPECT_TRUE(bitmap == expected) << bits << " bits, offset " << back << " bytes early";
      ExpectSameAsQt(bitmap, QtRead(good, "BMP"), "offset in table");
    }
  }

  DibShape core;
  core.core = true;
  core.width = 6;
  core.height = 3;
  core.bits = 8;
  core.palette = NoisePalette(20, 91);  // 20 of 256 entries stored
  core.pixels = NoiseRows(6, 3, 8, 92);
  for (uint8_t& v : core.pixels) v = static_cast<uint8_t>(v % 20);
  Bitmap bitmap;
  ASSERT_TRUE(ReadBmp(BmpBytes(core), bitmap).ok());
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 6; ++x) {
      const uint8_t index = core.pixels[static_cast<size_t>(2 - y) * Stride(6, 8) + x];
      ASSERT_EQ(bitmap.ColourAt(x, y), core.palette[index]) << x << "," << y;
    }
  }
}

TEST(BmpRead, RunLengthPlacesPixelsWhereTheCodesSay) {
  Bitmap bitmap;
  ASSERT_TRUE(ReadBmp(BmpBytes(BmpCases()[12].shape), bitmap).ok());  // RLE8, bottom-up
  // Stored row 0 is the bottom row.
  EXPECT_EQ(bitmap.PixelAt(0, 3), 7u);
  EXPECT_EQ(bitmap.PixelAt(3, 3), 7u);
  EXPECT_EQ(bitmap.PixelAt(4, 3), 1u);
  EXPECT_EQ(bitmap.PixelAt(6, 3), 3u);
  EXPECT_EQ(bitmap.PixelAt(7, 3), 0u);
  EXPECT_EQ(bitmap.PixelAt(2, 1), 9u);  // after the delta: stored row 2, x 2
  EXPECT_EQ(bitmap.PixelAt(0, 0), 5u);
}

TEST(BmpRead, MissingDataReadsAsZeroAndHeadersAreRefused) {
  BmpCase c = BmpCases()[3];
  Bytes bytes = BmpBytes(c.shape);
  bytes.resize(bytes.size() - Stride(7, 24) * 2);  // the two top rows are missing
  Bitmap bitmap;
  ASSERT_TRUE(ReadBmp(bytes, bitmap).ok());
  EXPECT_EQ(bitmap.PixelAt(3, 0), 0u);
  EXPECT_NE(bitmap.Row(4)[0] | bitmap.Row(4)[1] | bitmap.Row(4)[2], 0);

  Bytes bad = BmpBytes(c.shape);
  bad[14] = 8;  // shorter than any header
  EXPECT_FALSE(ReadBmp(bad, bitmap).ok());
  EXPECT_EQ(bitmap.Width(), 1);
  EXPECT_EQ(bitmap.Format(), PixelFormat::k1);
  Bytes jpeg_inside = BmpBytes(c.shape);
  jpeg_inside[30] = 4;  // BI_JPEG
  EXPECT_FALSE(ReadBmp(jpeg_inside, bitmap).ok());
}

TEST(BmpWrite, RoundTripsEveryWrittenDepth) {
  test_support::TempDir dir;
  for (int bits : {1, 4, 8, 24}) {
    DibShape shape;
    shape.width = 13;
    shape.height = 5;
    shape.bits = bits;
    if (bits <= 8) shape.palette = NoisePalette(1 << bits, 20 + bits);
    shape.pixels = NoiseRows(13, 5, bits, 30 + bits);
    Bitmap source;
    ASSERT_TRUE(ReadBmp(BmpBytes(shape), source).ok());
    const std::string path = dir.File("out" + std::to_string(bits) + ".bmp");
    ASSERT_TRUE(SaveBmp(path, source).ok);
    Bitmap back;
    ASSERT_TRUE(LoadBmpFile(path, back).ok());
    EXPECT_EQ(back.Format(), source.Format());
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 13; ++x) ASSERT_EQ(back.ColourAt(x, y), source.ColourAt(x, y)) << bits;
    }
    ExpectSameAsQt(back, QImage(QString::fromStdString(path)), "written " + std::to_string(bits));
  }
  // Deeper formats are written as 24 bits with the same colours.
  Bitmap deep;
  ASSERT_TRUE(ReadBmp(BmpBytes(BmpCases()[7].shape), deep).ok());  // 5-6-5
  ASSERT_TRUE(SaveBmp(dir.File("deep.bmp"), deep).ok);
  Bitmap back;
  ASSERT_TRUE(LoadBmpFile(dir.File("deep.bmp"), back).ok());
  EXPECT_EQ(back.Format(), PixelFormat::k24);
  uint8_t expected[3 * 10];
  picture::ExpandRowTo24(deep, 2, expected);
  EXPECT_EQ(0, std::memcmp(back.Row(2), expected, sizeof expected));
  EXPECT_FALSE(SaveBmp(dir.File("missing/dir/x.bmp"), deep).ok);
}

TEST(BmpRead, HugeHeadersAreRefusedBeforeAllocatingButLargePicturesLoad) {
  DibShape shape;
  shape.width = 65535;
  shape.height = 65535;
  shape.bits = 1;
  shape.palette = NoisePalette(2, 1);
  shape.pixels = {1, 2, 3, 4};
  const size_t budget = picture::MemoryBudget();
  test_support::HookGuard budget_guard(picture::MemoryBudget, picture::SetMemoryBudget);
  picture::SetMemoryBudget(SIZE_MAX);  // only the file size can stop it now
  Bitmap bitmap;
  // Neither refusal asks for the 0.5 GB or 12 GB picture its header claims.
  picture::ResetLargestPixelRequest();
  EXPECT_FALSE(ReadBmp(BmpBytes(shape), bitmap).ok());
  shape.bits = 24;
  shape.palette.clear();
  EXPECT_FALSE(ReadBmp(BmpBytes(shape), bitmap).ok());
  EXPECT_LE(picture::LargestPixelRequest(), size_t{1} << 20);

  // 4000 x 3000 at 24 bits (36 MB): loads within a 64 MB budget, refused within 16 MB.
  picture::SetMemoryBudget(64u << 20);
  test_support::TempDir dir;
  Bitmap big;
  ASSERT_TRUE(big.Create(4000, 3000, PixelFormat::k24));
  big.Row(2999)[11999] = 0x5A;
  ASSERT_TRUE(SaveBmp(dir.File("big.bmp"), big).ok);
  Bitmap loaded;
  ASSERT_TRUE(LoadBmpFile(dir.File("big.bmp"), loaded).ok());
  EXPECT_EQ(loaded.Row(2999)[11999], 0x5A);
  picture::SetMemoryBudget(16u << 20);
  EXPECT_FALSE(LoadBmpFile(dir.File("big.bmp"), loaded).ok());
  picture::SetMemoryBudget(budget);
}

TEST(BmpRead, SurvivesEveryPrefixAndRandomByteFlips) {
  // Flipped size bytes claim large pictures; a small budget keeps the thousands of runs quick.
  const size_t budget = picture::MemoryBudget();
  test_support::HookGuard budget_guard(picture::MemoryBudget, picture::SetMemoryBudget);
  picture::SetMemoryBudget(4u << 20);
  uint32_t seed = 100;
  for (const BmpCase& c : BmpCases()) {
    Torture(BmpBytes(c.shape), 1000, ++seed, [](const Bytes& bytes) {
      Bitmap bitmap;
      const ReadResult read = ReadBmp(bytes, bitmap);
      ASSERT_FALSE(bitmap.Empty());
      if (!read.ok()) {
        ASSERT_EQ(bitmap.Width(), 1);
      }
    });
  }
  picture::SetMemoryBudget(budget);
}

// ---- Icons ----

struct IconEntry {
  int width;
  int height;
  int bits;
  Bytes data;  // bitmap header + palette + colour rows + mask rows, or a PNG file
};

Bytes IcoBytes(const std::vector<IconEntry>& entries) {
  Bytes b;
  Put16(b, 0);
  Put16(b, 1);
  Put16(b, static_cast<uint32_t>(entries.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(entries.size());
  for (const IconEntry& e : entries) {
    b.push_back(static_cast<uint8_t>(e.width & 0xFF));
    b.push_back(static_cast<uint8_t>(e.height & 0xFF));
    b.push_back(e.bits < 8 ? static_cast<uint8_t>(1 << e.bits) : 0);
    b.push_back(0);
    Put16(b, 1);
    Put16(b, static_cast<uint32_t>(e.bits));
    Put32(b, static_cast<uint32_t>(e.data.size()));
    Put32(b, offset);
    offset += static_cast<uint32_t>(e.data.size());
  }
  for (const IconEntry& e : entries) b.insert(b.end(), e.data.begin(), e.data.end());
  return b;
}

// A bitmap entry whose AND mask makes a diagonal band transparent.
IconEntry BitmapEntry(int size, int bits, uint32_t seed) {
  DibShape s;
  s.width = size;
  s.height = size * 2;
  s.bits = bits;
  if (bits <= 8) s.palette = NoisePalette(1 << bits, seed);
  s.pixels = NoiseRows(size, size, bits, seed);
  if (bits == 32) {
    for (size_t i = 3; i < s.pixels.size(); i += 4) s.pixels[i] = 0;  // no alpha: the mask decides
  }
  const size_t mask_stride = Stride(size, 1);
  for (int y = 0; y < size; ++y) {
    Bytes row(mask_stride, 0);
    for (int x = 0; x < size; ++x) {
      if ((x + y) % 5 == 0) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
    s.pixels.insert(s.pixels.end(), row.begin(), row.end());
  }
  return IconEntry{size, size, bits, DibBytes(s)};
}

IconEntry PngEntry(int size) {
  std::vector<uint8_t> rgba(static_cast<size_t>(size) * size * 4);
  Noise noise(77);
  for (size_t i = 0; i < rgba.size(); i += 4) {
    rgba[i] = noise.Byte();
    rgba[i + 1] = noise.Byte();
    rgba[i + 2] = noise.Byte();
    rgba[i + 3] = (i / 4) % 3 == 0 ? 0 : 255;
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(size);
  image.height = static_cast<png_uint_32>(size);
  image.format = PNG_FORMAT_RGBA;
  png_alloc_size_t bytes = 0;
  png_image_write_to_memory(&image, nullptr, &bytes, 0, rgba.data(), 0, nullptr);
  Bytes png(bytes);
  png_image_write_to_memory(&image, png.data(), &bytes, 0, rgba.data(), 0, nullptr);
  png.resize(bytes);
  return IconEntry{size, size, 32, png};
}

// Opaque pixels agree with Qt in colour; transparent ones agree in being transparent. Qt ignores
// the AND mask of 24-bit entries and of 32-bit entries whose alpha is all 0, where Windows uses
// it; for those `mask_size` gives the size of the BitmapEntry mask pattern to check instead.
void ExpectIconSameAsQt(const Bitmap& ours, const QImage& qt, const std::string& what,
                        int mask_size = 0) {
  ASSERT_FALSE(qt.isNull()) << what;
  ASSERT_EQ(ours.Width(), qt.width()) << what;
  ASSERT_EQ(ours.Height(), qt.height()) << what;
  ASSERT_EQ(ours.Format(), PixelFormat::k32);
  for (int y = 0; y < ours.Height(); ++y) {
    for (int x = 0; x < ours.Width(); ++x) {
      const QRgb q = qt.pixel(x, y);
      const uint8_t alpha = ours.Row(y)[4 * x + 3];
      if (mask_size > 0) {
        const bool masked = (x + mask_size - 1 - y) % 5 == 0;  // mask rows are stored bottom-up
        ASSERT_EQ(alpha, masked ? 0 : 255) << what << " at " << x << "," << y;
        if (qAlpha(q) == 255) {
          ASSERT_EQ(ours.PixelAt(x, y), q & 0xFFFFFF) << what << " at " << x << "," << y;
        }
        continue;
      }
      ASSERT_EQ(alpha, qAlpha(q)) << what << " at " << x << "," << y;
      if (alpha == 255) {
        ASSERT_EQ(ours.PixelAt(x, y), q & 0xFFFFFF) << what << " at " << x << "," << y;
      }
    }
  }
}

TEST(IcoRead, EveryDepthWithMasksMatchesQt) {
  for (int bits : {1, 4, 8, 24, 32}) {
    const Bytes bytes = IcoBytes({BitmapEntry(16, bits, static_cast<uint32_t>(bits))});
    Bitmap icon;
    const ReadResult read = ReadIco(bytes, icon);
    ASSERT_TRUE(read.ok()) << bits << ": " << read.error;
    EXPECT_EQ(read.depth, bits);
    ExpectIconSameAsQt(icon, QtRead(bytes, "ICO"), std::to_string(bits) + " bits",
                       bits >= 24 ? 16 : 0);
  }
  const Bytes png = IcoBytes({PngEntry(20)});
  Bitmap icon;
  ASSERT_TRUE(ReadIco(png, icon).ok());
  ExpectIconSameAsQt(icon, QtRead(png, "ICO"), "PNG entry");
}

TEST(IcoRead, PicksTheLargestThenDeepestEntryAndReportsItsFacts) {
  const Bytes bytes = IcoBytes({BitmapEntry(16, 8, 1), BitmapEntry(32, 4, 2), BitmapEntry(32, 8, 3),
                                BitmapEntry(24, 32, 4)});
  Bitmap icon;
  ASSERT_TRUE(ReadIco(bytes, icon).ok());
  EXPECT_EQ(icon.Width(), 32);
  TFastFileIO io;
  io.OpenMemory(bytes.data(), bytes.size());
  const IcoFacts facts = ReadIcoFacts(io);
  ASSERT_TRUE(facts.ok);
  EXPECT_EQ(facts.width, 32);
  EXPECT_EQ(facts.height, 32);
  EXPECT_EQ(facts.bits, 8);
  EXPECT_EQ(facts.entries, 4);
  // The blended form puts the background where the mask is set.
  const Bitmap blended = BlendIconOnto(icon, Rgb{1, 2, 3});
  EXPECT_EQ(blended.ColourAt(4, 0), (Rgb{1, 2, 3}));
  EXPECT_EQ(blended.ColourAt(1, 0), icon.ColourAt(1, 0));
}

TEST(IcoWrite, RoundTripsAndQtReadsIt) {
  test_support::TempDir dir;
  for (int bits : {4, 8, 24}) {
    Bitmap source;
    ASSERT_TRUE(ReadBmp(BmpBytes(BmpCases()[bits == 4 ? 1 : bits == 8 ? 2 : 3].shape), source).ok());
    const std::string path = dir.File("i" + std::to_string(bits) + ".ico");
    ASSERT_TRUE(SaveIco(path, source).ok);
    Bitmap back;
    ASSERT_TRUE(LoadIcoFile(path, back).ok());
    ASSERT_EQ(back.Width(), source.Width());
    for (int y = 0; y < source.Height(); ++y) {
      for (int x = 0; x < source.Width(); ++x) {
        ASSERT_EQ(back.ColourAt(x, y), source.ColourAt(x, y));
        ASSERT_EQ(back.Row(y)[4 * x + 3], 255);
      }
    }
    ExpectIconSameAsQt(back, QImage(QString::fromStdString(path), "ICO"), "written");
  }
  Bitmap too_big;
  ASSERT_TRUE(too_big.Create(257, 4, PixelFormat::k24));
  EXPECT_FALSE(SaveIco(dir.File("big.ico"), too_big).ok);
}

TEST(IcoRead, SurvivesEveryPrefixAndRandomByteFlips) {
  const Bytes sets[] = {IcoBytes({BitmapEntry(8, 4, 5), BitmapEntry(16, 32, 6)}),
                        IcoBytes({PngEntry(6)})};
  uint32_t seed = 500;
  for (const Bytes& bytes : sets) {
    Torture(bytes, 1000, ++seed, [](const Bytes& b) {
      Bitmap icon;
      ReadIco(b, icon);
      ASSERT_FALSE(icon.Empty());
      TFastFileIO io;
      io.OpenMemory(b.data(), b.size());
      ReadIcoFacts(io);
    });
  }
}

}  // namespace
}  // namespace vr::codecs
