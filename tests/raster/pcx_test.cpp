// PCX reading (runs, planes, palettes, damaged headers) and writing in every export mode.
#include <gtest/gtest.h>

#include "picture/codecs/pcx/pcx_graphics.h"
#include "raster/raster_test_util.h"
#include "test_support/hook_guard.h"
#include "test_support/temp_dir.h"

namespace vr::codecs {
namespace {

using picture::Bitmap;
using picture::PixelFormat;
using picture::Rgb;
using testing::Bytes;

// A 128-byte header; `palette16` fills the 48 header palette bytes when given.
Bytes PcxHeader(int version, int bits, int planes, int width, int height, int bpl,
                const std::vector<int>& palette16 = {}) {
  Bytes b;
  b.U8(10).U8(version).U8(1).U8(bits).U16(0).U16(0).U16(width - 1).U16(height - 1);
  b.U16(width).U16(height);
  for (int i = 0; i < 48; ++i) b.U8(i < static_cast<int>(palette16.size()) ? palette16[i] : 0);
  b.U8(0).U8(planes).U16(bpl).U16(1).Fill(58, 0);
  return b;
}

void EndPalette(Bytes& b, int marker = 12) {
  b.U8(marker);
  for (int i = 0; i < 256; ++i) b.U8(i).U8(255 - i).U8((i * 2) & 0xFF);
}

ReadResult LoadBytes(const Bytes& bytes, Bitmap& bitmap, const std::string& name = "t.pcx") {
  test_support::TempDir dir;
  return LoadPcx(dir.Write(name, bytes.v), bitmap, {});
}

TEST(PcxRead, RunsAreCutAtTheRowEndAndC1C5IsOneValue) {
  Bytes b = PcxHeader(5, 8, 1, 4, 2, 4);
  // Row 0: a run of one 0xC5, a literal, a run of two. Row 1: a run of 50 that passes the end,
  // whose excess must not leak into anything.
  b.Raw({0xC1, 0xC5, 0x01, 0xC2, 0x07});
  b.Raw({0xF2, 0x09});
  EndPalette(b);
  Bitmap bm;
  const ReadResult r = LoadBytes(b, bm);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.depth, 8);
  ASSERT_EQ(bm.Format(), PixelFormat::k8);
  EXPECT_EQ(bm.PixelAt(0, 0), 0xC5u);
  EXPECT_EQ(bm.PixelAt(1, 0), 0x01u);
  EXPECT_EQ(bm.PixelAt(2, 0), 0x07u);
  EXPECT_EQ(bm.PixelAt(3, 0), 0x07u);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(bm.PixelAt(x, 1), 0x09u);
  // The end palette is kept as the file holds it, to the last bit.
  ASSERT_EQ(bm.Palette().size(), 256u);
  EXPECT_EQ(bm.Palette()[0xC5], (Rgb{0xC5, 255 - 0xC5, (0xC5 * 2) & 0xFF}));
}

TEST(PcxRead, SmallFileFindsPaletteAtTheEndEvenWithoutMarker) {
  for (int marker : {12, 0}) {
    Bytes b = PcxHeader(5, 8, 1, 2, 1, 2);
    b.Raw({0x05, 0xC1, 0xFF});
    EndPalette(b, marker);
    ASSERT_LT(b.Size(), 8192u);
    Bitmap bm;
    ASSERT_TRUE(LoadBytes(b, bm).ok());
    EXPECT_EQ(bm.ColourAt(0, 0), (Rgb{5, 250, 10})) << "marker " << marker;
    EXPECT_EQ(bm.ColourAt(1, 0), (Rgb{255, 0, 254})) << "marker " << marker;
  }
}

TEST(PcxRead, EgaFourPlanesShowHeaderColours) {
  std::vector<int> pal;
  for (int i = 0; i < 16; ++i) pal.insert(pal.end(), {i * 16, 255 - i * 16, i * 4});
  Bytes b = PcxHeader(5, 1, 4, 8, 1, 1, pal);
  // Planes 0..3 of one row of 8 pixels; pixel x gets bit p from plane p.
  b.Raw({0xC1, 0xF0, 0xC1, 0xCC, 0xAA, 0x01});
  Bitmap bm;
  const ReadResult r = LoadBytes(b, bm);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.depth, 4);
  ASSERT_EQ(bm.Format(), PixelFormat::k8);
  EXPECT_EQ(bm.Palette().size(), 17u);
  const uint32_t expected[8] = {1 + 2 + 4, 1 + 2, 1 + 4, 1, 2 + 4, 2, 4, 8};
  for (int x = 0; x < 8; ++x) {
    EXPECT_EQ(bm.PixelAt(x, 0), expected[x]) << x;
    const int i = static_cast<int>(expected[x]);
    EXPECT_EQ(bm.ColourAt(x, 0),
              (Rgb{static_cast<uint8_t>(i * 16), static_cast<uint8_t>(255 - i * 16),
                          static_cast<uint8_t>(i * 4)}));
  }
}

TEST(PcxRead, VersionTwoAndThreePalettes) {
  // Version 2: values 0..3 are EGA intensities.
  Bytes v2 = PcxHeader(2, 1, 4, 8, 1, 1, {0, 1, 2, 3, 3, 3});
  v2.Raw({0x80, 0x00, 0x00, 0x00});
  Bitmap bm;
  ASSERT_TRUE(LoadBytes(v2, bm).ok());
  EXPECT_EQ(bm.Palette()[0], (Rgb{0, 85, 170}));
  EXPECT_EQ(bm.Palette()[1], (Rgb{255, 255, 255}));
  EXPECT_EQ(bm.ColourAt(0, 0), (Rgb{255, 255, 255}));
  // Version 3 carries no palette: the 16 standard colours stand in.
  Bytes v3 = PcxHeader(3, 1, 4, 8, 1, 1, {200, 200, 200});
  v3.Raw({0x00, 0x00, 0x00, 0x80});
  ASSERT_TRUE(LoadBytes(v3, bm).ok());
  EXPECT_EQ(bm.ColourAt(0, 0), (Rgb{190, 190, 190}));  // entry 8: (47, 47, 47)
  EXPECT_EQ(bm.Palette()[9], (Rgb{255, 0, 0}));
}

TEST(PcxRead, MonoAndTrueColourLayouts) {
  Bytes mono = PcxHeader(5, 1, 1, 10, 1, 2, {255, 0, 0});
  mono.Raw({0xA5, 0xC1, 0xC0});
  Bitmap bm;
  ReadResult r = LoadBytes(mono, bm);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.depth, 1);
  ASSERT_EQ(bm.Format(), PixelFormat::k1);
  EXPECT_EQ(bm.Palette(), (std::vector<Rgb>{{0, 0, 0}, {255, 255, 255}}));
  EXPECT_EQ(bm.Row(0)[0], 0xA5);
  EXPECT_EQ(bm.PixelAt(8, 0), 1u);
  EXPECT_EQ(bm.PixelAt(9, 0), 1u);

  // 3 planes (red, green, blue) of 2 bytes per line.
  Bytes rgb = PcxHeader(5, 8, 3, 2, 1, 2);
  rgb.Raw({0x10, 0x11, 0x20, 0x21, 0xC2, 0x30});
  r = LoadBytes(rgb, bm);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.depth, 24);
  ASSERT_EQ(bm.Format(), PixelFormat::k24);
  EXPECT_EQ(bm.PixelAt(0, 0), 0x102030u);
  EXPECT_EQ(bm.PixelAt(1, 0), 0x112130u);
}

TEST(PcxRead, HeaderFailuresGiveTheirTextsAndOnePixel) {
  Bytes not_pcx = PcxHeader(5, 8, 1, 4, 4, 4);
  not_pcx.v[0] = 11;
  Bitmap bm;
  ReadResult r = LoadBytes(not_pcx, bm);
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.error, "Not a PCX file, or header read error.");
  EXPECT_EQ(bm.Width(), 1);
  EXPECT_EQ(bm.Format(), PixelFormat::k8);

  r = LoadBytes(PcxHeader(5, 2, 1, 4, 4, 4), bm);
  EXPECT_EQ(r.error, "Not a valid PCX file!");
  EXPECT_EQ(bm.Height(), 1);

  test_support::TempDir dir;
  r = LoadPcx(dir.File("missing.pcx"), bm, {});
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(bm.Width(), 1);
}

TEST(PcxRead, AcceptedButUndecodedDepthGivesBlankPicture) {
  Bytes b = PcxHeader(5, 4, 1, 6, 3, 3);
  b.Fill(9, 0x77);
  Bitmap bm;
  const ReadResult r = LoadBytes(b, bm);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.depth, 4);
  EXPECT_EQ(bm.Width(), 6);
  EXPECT_EQ(bm.Height(), 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(bm.PixelAt(x, y), 0u);
}

TEST(PcxRead, ReloadIntoTheSamePictureLeavesNothingBehind) {
  // A 24-bit picture first, then a smaller 8-bit one into the same Bitmap: no old pixels or
  // format may survive in the reused memory.
  Bytes rgb = PcxHeader(5, 8, 3, 4, 4, 4);
  for (int i = 0; i < 4 * 3; ++i) rgb.Raw({0xC4, 0x77});
  // 9 x 4 at 8 bits takes the same 48 bytes as 4 x 4 at 24: the memory is reused.
  Bytes small = PcxHeader(5, 8, 1, 9, 4, 9);
  for (int y = 0; y < 4; ++y) small.Raw({0, 1, 2, 3, 4, 5, 6, 7, 8});
  EndPalette(small);
  Bitmap bm;
  ASSERT_TRUE(LoadBytes(rgb, bm).ok());
  ASSERT_EQ(bm.PixelAt(3, 3), 0x777777u);
  ASSERT_TRUE(LoadBytes(small, bm).ok());
  ASSERT_EQ(bm.Format(), PixelFormat::k8);
  EXPECT_EQ(bm.Width(), 9);
  EXPECT_EQ(bm.Stride(), 12u);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 9; ++x) EXPECT_EQ(bm.PixelAt(x, y), static_cast<uint32_t>(x));
    for (int x = 9; x < 12; ++x) EXPECT_EQ(bm.Row(y)[x], 0) << "padding of row " << y;
  }
  EXPECT_EQ(bm.Palette().size(), 256u);
}

// Long 8-bit rows of every kind of token, decoded by a plain byte-by-byte reading written here
// and by the reader, must agree to the byte, padding included: literals, runs of every count
// (0 included), chains of runs whose values are 0xC0 and above themselves, runs that pass the
// row's end, rows longer than the picture is wide and files that stop short.
std::vector<uint8_t> PlainPcxRows(const std::vector<uint8_t>& file, int height, size_t bpl) {
  std::vector<uint8_t> rows(static_cast<size_t>(height) * bpl);
  size_t at = 128;
  auto next = [&]() -> uint8_t { return at < file.size() ? file[at++] : (++at, 0); };
  for (int y = 0; y < height; ++y) {
    uint8_t* row = rows.data() + static_cast<size_t>(y) * bpl;
    size_t n = 0;
    while (n < bpl) {
      const uint8_t b = next();
      if (b >= 0xC0) {
        const uint8_t v = next();
        for (size_t i = 0; i < static_cast<size_t>(b & 0x3F) && n < bpl; ++i) row[n++] = v;
      } else {
        row[n++] = b;
      }
    }
  }
  return rows;
}

TEST(PcxRead, MixedTokensOverLongRowsMatchAPlainReading) {
  struct Shape {
    int width;
    int height;
    int bpl;
    double cut;  // fraction of the pixel data kept
  };
  const Shape shapes[] = {{4000, 6, 4000, 1.0}, {1001, 9, 1002, 1.0}, {130, 40, 130, 1.0},
                          {257, 12, 263, 1.0},  {700, 8, 700, 0.6},   {63, 30, 64, 1.0}};
  uint32_t seed = 12345;
  auto rnd = [&seed]() {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  for (const Shape& shape : shapes) {
    Bytes b = PcxHeader(5, 8, 1, shape.width, shape.height, shape.bpl);
    for (int y = 0; y < shape.height; ++y) {
      int n = 0;
      while (n < shape.bpl) {
        const uint32_t kind = rnd() % 10;
        if (kind < 4) {
          b.U8(static_cast<int>(rnd() % 0xC0));
          ++n;
        } else if (kind < 7) {
          const int count = static_cast<int>(rnd() % 4);  // short runs, often of high values
          b.U8(0xC0 | count).U8(static_cast<int>(0xC0 + rnd() % 0x40));
          n += count;
        } else if (kind < 9) {
          const int count = static_cast<int>(rnd() % 64);
          b.U8(0xC0 | count).U8(static_cast<int>(rnd() % 256));
          n += count;
        } else {
          // A stretch of literals long enough to fill a whole block.
          const int length = static_cast<int>(rnd() % 100);
          for (int i = 0; i < length; ++i) b.U8(static_cast<int>(rnd() % 0xC0));
          n += length;
        }
      }
    }
    b.v.resize(128 + static_cast<size_t>(static_cast<double>(b.v.size() - 128) * shape.cut));
    EndPalette(b);
    const std::string what = std::to_string(shape.width) + " x " + std::to_string(shape.height) +
                             ", " + std::to_string(shape.bpl) + " bytes a row";
    const std::vector<uint8_t> plain =
        PlainPcxRows(b.v, shape.height, static_cast<size_t>(shape.bpl));
    Bitmap bm;
    // Twice into the same picture: the second decode reuses the first one's memory.
    for (int pass = 0; pass < 2; ++pass) {
      const ReadResult r = LoadBytes(b, bm);
      ASSERT_TRUE(r.ok()) << what << ": " << r.error;
      ASSERT_EQ(bm.Width(), shape.width) << what;
      ASSERT_EQ(bm.Height(), shape.height) << what;
      const size_t shown = static_cast<size_t>(std::min(shape.width, shape.bpl));
      for (int y = 0; y < shape.height; ++y) {
        const uint8_t* row = bm.Row(y);
        const uint8_t* want = plain.data() + static_cast<size_t>(y) * shape.bpl;
        for (size_t x = 0; x < bm.Stride(); ++x) {
          ASSERT_EQ(row[x], x < shown ? want[x] : 0) << what << " at " << x << "," << y;
        }
      }
    }
  }
}

TEST(PcxRead, ReducedDecodingCallsTheInstalledReducer) {
  static int calls = 0;
  calls = 0;
  test_support::HookGuard guard(picture::GetReduceToScreenHook, picture::SetReduceToScreenHook);
  picture::SetReduceToScreenHook([](Bitmap& bitmap, Palette6&) {
    ++calls;
    bitmap.Create(1, 1, PixelFormat::k8);
    return true;
  });
  Bytes rgb = PcxHeader(5, 8, 3, 2, 1, 2);
  rgb.Raw({1, 2, 3, 4, 5, 6});
  test_support::TempDir dir;
  const std::string path = dir.Write("r.pcx", rgb.v);
  Bitmap bm;
  picture::DecodeOptions reduced;
  reduced.display_depth = 8;
  reduced.true_colour_on_256 = true;
  EXPECT_EQ(LoadPcx(path, bm, reduced).depth, 24);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(bm.Width(), 1);
  LoadPcx(path, bm, {});
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(bm.Width(), 2);
}

// Writer modes: picture in, our reader's picture out, at the precision the mode keeps.
TEST(PcxWrite, EveryModeRoundTrips) {
  test_support::TempDir dir;
  struct Case {
    int mode;
    PixelFormat source;
  } cases[] = {{1, PixelFormat::k1}, {2, PixelFormat::k4}, {2, PixelFormat::k1},
               {3, PixelFormat::k8}, {3, PixelFormat::k4}, {4, PixelFormat::k24},
               {4, PixelFormat::k8}};
  for (const Case& c : cases) {
    const Bitmap source = testing::Pattern(37, 11, c.source);
    const std::string path = dir.File("m" + std::to_string(c.mode) + ".pcx");
    const WriteResult w = SavePcx(path, source, c.mode);
    ASSERT_TRUE(w.ok) << w.error;
    Bitmap back;
    const ReadResult r = LoadPcx(path, back, {});
    ASSERT_TRUE(r.ok()) << r.error;
    ASSERT_EQ(back.Width(), 37);
    ASSERT_EQ(back.Height(), 11);
    for (int y = 0; y < 11; ++y) {
      for (int x = 0; x < 37; ++x) {
        ASSERT_EQ(back.ColourAt(x, y), source.ColourAt(x, y)) << "mode " << c.mode << " at " << x << "," << y;
        if (c.mode != 4) {
          ASSERT_EQ(back.PixelAt(x, y), source.PixelAt(x, y));
        }
      }
    }
    const int rc = testing::RunTool("identify", path);
    if (rc < 0)
      GTEST_LOG_(INFO) << "identify not installed; peer check skipped";
    else
      EXPECT_EQ(rc, 0) << "identify rejects mode " << c.mode;
  }
}

TEST(PcxWrite, LayoutOfSixteenColourFile) {
  test_support::TempDir dir;
  const std::string path = dir.File("ega.pcx");
  ASSERT_TRUE(SavePcx(path, testing::Pattern(19, 3, PixelFormat::k4), 2).ok);
  const std::vector<uint8_t> f = test_support::TempDir::Read(path);
  ASSERT_GT(f.size(), 128u + 769u);
  EXPECT_EQ(f[0], 10);
  EXPECT_EQ(f[1], 5);
  EXPECT_EQ(f[3], 1);
  EXPECT_EQ(f[65], 4);
  EXPECT_EQ(f[66] | (f[67] << 8), 3);  // ceil(19 / 8)
  EXPECT_EQ(f[8] | (f[9] << 8), 18);
  EXPECT_EQ(f[12] | (f[13] << 8), 19);
  EXPECT_EQ(f[f.size() - 769], 12);
}

TEST(PcxWrite, RunsAndHighLiteralsAreCodedAsTheFormatNeeds) {
  // One 8-bit row of 70 zeros, then 0xC5, then 0x05: the run stops at 63; 0xC5 must be a run.
  Bitmap b;
  b.Create(72, 1, PixelFormat::k8);
  b.Row(0)[70] = 0xC5;
  b.Row(0)[71] = 0x05;
  b.SetPalette(std::vector<Rgb>(256));
  test_support::TempDir dir;
  const std::string path = dir.File("runs.pcx");
  ASSERT_TRUE(SavePcx(path, b, 3).ok);
  const std::vector<uint8_t> f = test_support::TempDir::Read(path);
  const std::vector<uint8_t> data(f.begin() + 128, f.end() - 769);
  EXPECT_EQ(data, (std::vector<uint8_t>{0xFF, 0x00, 0xC7, 0x00, 0xC1, 0xC5, 0x05}));
}

TEST(PcxWrite, FailedWriteReportsAndKeepsTheOldFile) {
  test_support::TempDir dir;
  const std::string path = dir.Write("keep.pcx", {1, 2, 3});
  WriteResult w;
  {
    testing::FileSizeLimit limit(300);
    w = SavePcx(path, testing::Pattern(200, 50, PixelFormat::k24), 4);
  }
  EXPECT_FALSE(w.ok);
  EXPECT_EQ(w.error, "Stream write error");
  EXPECT_EQ(test_support::TempDir::Read(path), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            1);
  // A true-colour picture has no indices to write in the palette modes.
  EXPECT_FALSE(SavePcx(dir.File("x.pcx"), testing::Pattern(4, 4, PixelFormat::k24), 3).ok);
}

}  // namespace
}  // namespace vr::codecs
