// The PNG bridge: probe, transforms, transparency blending, the store shared between copies,
// writing, and the operations a PNG graphic refuses.
#include <gtest/gtest.h>
#include <png.h>

#include <sstream>

#include "picture/codecs/png/png_graphic.h"
#include "raster/raster_test_util.h"
#include "test_support/temp_dir.h"

namespace vr::codecs {
namespace {

using picture::Bitmap;
using picture::PixelFormat;
using picture::Rgb;

struct PngShape {
  int width = 0;
  int height = 0;
  int bit_depth = 8;
  int colour_type = PNG_COLOR_TYPE_RGB;
  std::vector<png_color> palette;
  std::vector<png_byte> trns;
  std::vector<std::vector<png_byte>> rows;  // as PNG stores them (big-endian samples)
  bool interlaced = false;
  int filters = 0;    // PNG_FILTER_* to force; 0: libpng's choice
  std::string text;   // a tEXt chunk's text, when not empty
};

// Builds a PNG with libpng itself, so each case states exactly what the file holds.
std::string WritePng(const test_support::TempDir& dir, const std::string& name, PngShape shape) {
  const std::string path = dir.File(name);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    ADD_FAILURE() << "libpng failed writing the test file";
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return path;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, shape.width, shape.height, shape.bit_depth, shape.colour_type,
               shape.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!shape.palette.empty())
    png_set_PLTE(png, info, shape.palette.data(), static_cast<int>(shape.palette.size()));
  if (!shape.trns.empty())
    png_set_tRNS(png, info, shape.trns.data(), static_cast<int>(shape.trns.size()), nullptr);
  if (shape.filters != 0) png_set_filter(png, PNG_FILTER_TYPE_BASE, shape.filters);
  png_text text{};
  if (!shape.text.empty()) {
    text.compression = PNG_TEXT_COMPRESSION_NONE;
    text.key = const_cast<char*>("Comment");
    text.text = shape.text.data();
    png_set_text(png, info, &text, 1);
  }
  png_write_info(png, info);
  const int passes = shape.interlaced ? png_set_interlace_handling(png) : 1;
  for (int pass = 0; pass < passes; ++pass) {
    for (auto& row : shape.rows) png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
  return path;
}

constexpr Rgb kBackground{10, 20, 30};

TEST(PngBridge, PaletteWithTransparencyBlendsOntoBackground) {
  test_support::TempDir dir;
  PngShape s;
  s.width = 3;
  s.height = 1;
  s.colour_type = PNG_COLOR_TYPE_PALETTE;
  s.palette = {{200, 100, 50}, {0, 0, 255}, {255, 255, 255}};
  s.trns = {0, 128};  // entry 0 fully transparent, entry 1 half, entry 2 opaque
  s.rows = {{0, 1, 2}};
  const std::string path = WritePng(dir, "pal.png", s);
  Bitmap bm;
  const ReadResult r = LoadPngFile(path, bm, true, kBackground);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.depth, 8);
  ASSERT_EQ(bm.Format(), PixelFormat::k24);
  EXPECT_EQ(bm.ColourAt(0, 0), kBackground);
  // Stored alpha is inverted: a = 255 - 128 = 127 of background, 128 of colour.
  EXPECT_EQ(bm.ColourAt(1, 0),
            (Rgb{(127 * 10 + 128 * 0) / 255, (127 * 20) / 255, (127 * 30 + 128 * 255) / 255}));
  EXPECT_EQ(bm.ColourAt(2, 0), (Rgb{255, 255, 255}));

  // Blending off: every pixel opaque.
  ASSERT_TRUE(LoadPngFile(path, bm, false, kBackground).ok());
  EXPECT_EQ(bm.ColourAt(0, 0), (Rgb{200, 100, 50}));
  EXPECT_EQ(bm.ColourAt(1, 0), (Rgb{0, 0, 255}));
}

TEST(PngBridge, OneBitGreyIsExpandedToBytes) {
  test_support::TempDir dir;
  PngShape s;
  s.width = 10;
  s.height = 1;
  s.bit_depth = 1;
  s.colour_type = PNG_COLOR_TYPE_GRAY;
  s.rows = {{0xA0, 0x40}};
  const std::string path = WritePng(dir, "grey1.png", s);
  TPngGraphic g;
  ASSERT_EQ(g.LoadFromFile(path), "");
  ASSERT_FALSE(g.Empty());
  EXPECT_EQ(g.Image()->bytes_per_pixel, 1);
  EXPECT_EQ(g.Image()->bit_depth, 8);
  Bitmap bm;
  ASSERT_TRUE(g.Draw(bm, kBackground));
  const bool set[10] = {true, false, true, false, false, false, false, false, false, true};
  for (int x = 0; x < 10; ++x) {
    EXPECT_EQ(bm.ColourAt(x, 0), set[x] ? (Rgb{255, 255, 255}) : (Rgb{0, 0, 0})) << x;
  }
  const PngProbe probe = ProbePng(path);
  EXPECT_TRUE(probe.readable);
  EXPECT_EQ(probe.width, 10);
  EXPECT_EQ(probe.height, 1);
  EXPECT_EQ(probe.bits, 1);
}

TEST(PngBridge, WideSamplesAndAlphaKinds) {
  test_support::TempDir dir;
  PngShape rgb16;
  rgb16.width = 1;
  rgb16.height = 1;
  rgb16.bit_depth = 16;
  rgb16.rows = {{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}};
  Bitmap bm;
  ReadResult r = LoadPngFile(WritePng(dir, "rgb16.png", rgb16), bm, true, kBackground);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(bm.ColourAt(0, 0), (Rgb{0x12, 0x56, 0x9A}));

  PngShape adam7;
  adam7.width = 9;
  adam7.height = 9;
  adam7.interlaced = true;
  for (int y = 0; y < 9; ++y) {
    std::vector<png_byte> row;
    for (int x = 0; x < 9; ++x) row.insert(row.end(), {png_byte(x * 20), png_byte(y * 20), 7});
    adam7.rows.push_back(row);
  }
  r = LoadPngFile(WritePng(dir, "adam7.png", adam7), bm, true, kBackground);
  ASSERT_TRUE(r.ok()) << r.error;
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x)
      ASSERT_EQ(bm.ColourAt(x, y), (Rgb{uint8_t(x * 20), uint8_t(y * 20), 7}));

  PngShape ga;
  ga.width = 2;
  ga.height = 1;
  ga.colour_type = PNG_COLOR_TYPE_GRAY_ALPHA;
  ga.rows = {{100, 255, 100, 0}};
  r = LoadPngFile(WritePng(dir, "ga.png", ga), bm, true, kBackground);
  ASSERT_TRUE(r.ok()) << r.error;
  EXPECT_EQ(r.depth, 16);
  EXPECT_EQ(bm.ColourAt(0, 0), (Rgb{100, 100, 100}));
  EXPECT_EQ(bm.ColourAt(1, 0), kBackground);

  PngShape rgba;
  rgba.width = 1;
  rgba.height = 1;
  rgba.colour_type = PNG_COLOR_TYPE_RGB_ALPHA;
  rgba.rows = {{1, 2, 3, 0}};
  const std::string rgba_path = WritePng(dir, "rgba.png", rgba);
  r = LoadPngFile(rgba_path, bm, false, kBackground);
  EXPECT_EQ(r.depth, 32);
  EXPECT_EQ(bm.ColourAt(0, 0), (Rgb{1, 2, 3}));
  EXPECT_EQ(ProbePng(rgba_path).bits, 32);
}

// Opaque pictures are decoded straight into the bitmap by libpng's own transforms; every opaque
// layout, plain and interlaced, must give the pixels and depth of the stored read plus Draw.
TEST(PngBridge, DirectDecodeMatchesTheStoredReadForEveryOpaqueLayout) {
  test_support::TempDir dir;
  struct Layout {
    int colour_type;
    int bit_depth;
    int channels;
  };
  const Layout layouts[] = {
      {PNG_COLOR_TYPE_GRAY, 1, 1},    {PNG_COLOR_TYPE_GRAY, 2, 1},
      {PNG_COLOR_TYPE_GRAY, 4, 1},    {PNG_COLOR_TYPE_GRAY, 8, 1},
      {PNG_COLOR_TYPE_GRAY, 16, 1},   {PNG_COLOR_TYPE_PALETTE, 1, 1},
      {PNG_COLOR_TYPE_PALETTE, 2, 1}, {PNG_COLOR_TYPE_PALETTE, 4, 1},
      {PNG_COLOR_TYPE_PALETTE, 8, 1}, {PNG_COLOR_TYPE_RGB, 8, 3},
      {PNG_COLOR_TYPE_RGB, 16, 3},
  };
  uint32_t seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<png_byte>(seed >> 16);
  };
  for (const Layout& layout : layouts) {
    for (const bool interlaced : {false, true}) {
      PngShape s;
      s.width = 13;
      s.height = 11;
      s.bit_depth = layout.bit_depth;
      s.colour_type = layout.colour_type;
      s.interlaced = interlaced;
      if (layout.colour_type == PNG_COLOR_TYPE_PALETTE) {
        for (int i = 0; i < (1 << layout.bit_depth); ++i) s.palette.push_back({next(), next(), next()});
      }
      const size_t row_bytes = (13 * layout.channels * layout.bit_depth + 7) / 8;
      for (int y = 0; y < 11; ++y) {
        std::vector<png_byte> row(row_bytes);
        for (png_byte& b : row) b = next();
        s.rows.push_back(row);
      }
      const std::string name = "l" + std::to_string(layout.colour_type) + "_" +
                               std::to_string(layout.bit_depth) + (interlaced ? "i" : "") + ".png";
      const std::string path = WritePng(dir, name, s);
      SCOPED_TRACE(name);
      TPngGraphic g;
      ASSERT_EQ(g.LoadFromFile(path), "");
      Bitmap stored;
      ASSERT_TRUE(g.Draw(stored, kBackground));
      Bitmap direct;
      const ReadResult r = LoadPngFile(path, direct, true, kBackground);
      ASSERT_TRUE(r.ok()) << r.error;
      EXPECT_EQ(r.depth, g.Image()->file_bits);
      ASSERT_EQ(direct.Format(), PixelFormat::k24);
      ASSERT_EQ(direct.Width(), 13);
      ASSERT_EQ(direct.Height(), 11);
      for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 13; ++x) ASSERT_EQ(direct.ColourAt(x, y), stored.ColourAt(x, y)) << x << "," << y;

      // Cut inside the pixel data: the failure picture and the reading message.
      std::vector<uint8_t> bytes = test_support::TempDir::Read(path);
      bytes.resize(bytes.size() / 2);
      const std::string cut = dir.Write("cut_" + name, bytes);
      const ReadResult broken = LoadPngFile(cut, direct, true, kBackground);
      EXPECT_EQ(broken.error, "Error Reading: " + cut);
      EXPECT_EQ(direct.Width(), 1);
    }
  }
}

// 8-bit RGB files take their own reader; whatever filter each row uses, and whatever a damaged
// chunk holds, the result is what libpng makes of the same file.
TEST(PngBridge, PlainRgbReadsAsLibpngDoesForEveryFilterAndDamage) {
  test_support::TempDir dir;
  uint32_t seed = 777;
  const auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<png_byte>(seed >> 16);
  };
  // Gradients with noise, and rows of only four values (where Paeth's neighbours often tie), so
  // that every choice and wrap-around occurs.
  const auto make = [&](int width, int height, int filters) {
    PngShape s;
    s.width = width;
    s.height = height;
    s.filters = filters;
    s.text = "made for the reader test";
    for (int y = 0; y < height; ++y) {
      std::vector<png_byte> row(static_cast<size_t>(width) * 3);
      for (size_t i = 0; i < row.size(); ++i)
        row[i] = y % 3 == 2 ? (next() & 3)
                            : static_cast<png_byte>(i * 7 + y * 13 + (next() & 31) -
                                                    (i % 3 == 1 ? 200 : 0));
      s.rows.push_back(row);
    }
    return s;
  };
  // The stored read (libpng) against the direct one; `ok` whether reading is to succeed.
  const auto same_as_libpng = [&](const std::string& path, bool ok) {
    SCOPED_TRACE(path);
    TPngGraphic g;
    Bitmap direct;
    const ReadResult r = LoadPngFile(path, direct, true, kBackground);
    if (!ok) {
      EXPECT_NE(g.LoadFromFile(path), "");
      EXPECT_EQ(r.error, "Error Reading: " + path);
      return;
    }
    ASSERT_EQ(g.LoadFromFile(path), "");
    Bitmap stored;
    ASSERT_TRUE(g.Draw(stored, kBackground));
    ASSERT_TRUE(r.ok()) << r.error;
    EXPECT_EQ(r.depth, 24);
    ASSERT_EQ(direct.Width(), stored.Width());
    ASSERT_EQ(direct.Height(), stored.Height());
    for (int y = 0; y < stored.Height(); ++y) {
      for (int x = 0; x < stored.Width(); ++x)
        ASSERT_EQ(direct.ColourAt(x, y), stored.ColourAt(x, y)) << x << "," << y;
      // Row padding is cleared: savers write it, and the same file must give the same bytes.
      for (size_t i = size_t{3} * direct.Width(); i < direct.Stride(); ++i)
        ASSERT_EQ(direct.Row(y)[i], 0) << "padding of row " << y;
    }
  };
  const int filters[] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG,
                         PNG_FILTER_PAETH, PNG_ALL_FILTERS};
  for (const int f : filters) {
    for (const int width : {1, 5, 6, 41}) {
      const std::string name = "f" + std::to_string(f) + "_" + std::to_string(width) + ".png";
      same_as_libpng(WritePng(dir, name, make(width, 9, f)), true);
    }
  }
  // Damage: a byte of the image data (its chunk's checksum fails), a byte of the text chunk
  // (libpng drops the chunk and reads on), bytes after the end, a file cut short.
  const std::vector<uint8_t> good = test_support::TempDir::Read(
      WritePng(dir, "good.png", make(40, 30, PNG_ALL_FILTERS)));
  const auto find = [&](const char* type) {
    const std::string bytes(good.begin(), good.end());
    return bytes.find(type);
  };
  std::vector<uint8_t> bytes = good;
  bytes[find("IDAT") + 20] ^= 0x40;
  same_as_libpng(dir.Write("bad_idat.png", bytes), false);
  bytes = good;
  bytes[find("tEXt") + 10] ^= 0x40;
  same_as_libpng(dir.Write("bad_text.png", bytes), true);
  bytes = good;
  bytes.insert(bytes.end(), {1, 2, 3, 4, 5});
  same_as_libpng(dir.Write("trailing.png", bytes), true);
  bytes = good;
  bytes.resize(find("IEND") - 4);
  same_as_libpng(dir.Write("no_end.png", bytes), false);
}

TEST(PngBridge, StoreIsSharedAndSavedBackWithItsAlpha) {
  test_support::TempDir dir;
  PngShape rgba;
  rgba.width = 2;
  rgba.height = 1;
  rgba.colour_type = PNG_COLOR_TYPE_RGB_ALPHA;
  rgba.rows = {{1, 2, 3, 40, 5, 6, 7, 255}};
  TPngGraphic g;
  ASSERT_EQ(g.LoadFromFile(WritePng(dir, "in.png", rgba)), "");
  TPngGraphic copy;
  copy.Assign(g);
  EXPECT_EQ(g.UseCount(), 2);
  copy.SetBlend(false);
  EXPECT_FALSE(g.Blend());
  EXPECT_EQ(copy.Width(), 2);

  const std::string out = dir.File("out.png");
  ASSERT_EQ(copy.SaveToFile(out), "");
  TPngGraphic again;
  ASSERT_EQ(again.LoadFromFile(out), "");
  ASSERT_EQ(again.Image()->pixels, g.Image()->pixels);
  const int rc = testing::RunTool("pngcheck", "-q " + out);
  if (rc < 0)
    GTEST_LOG_(INFO) << "pngcheck not installed; peer check skipped";
  else
    EXPECT_EQ(rc, 0);
}

TEST(PngBridge, SavesBitmapsOfEveryDepth) {
  test_support::TempDir dir;
  for (PixelFormat format : {PixelFormat::k1, PixelFormat::k4, PixelFormat::k8, PixelFormat::k24}) {
    const Bitmap source = testing::Pattern(21, 5, format);
    const std::string path = dir.File("s" + std::to_string(static_cast<int>(format)) + ".png");
    const WriteResult w = SavePngFile(path, source);
    ASSERT_TRUE(w.ok) << w.error;
    Bitmap back;
    ASSERT_TRUE(LoadPngFile(path, back, true, kBackground).ok());
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 21; ++x) ASSERT_EQ(back.ColourAt(x, y), source.ColourAt(x, y));
    const int rc = testing::RunTool("pngcheck", "-q " + path);
    if (rc < 0)
      GTEST_LOG_(INFO) << "pngcheck not installed; peer check skipped";
    else
      EXPECT_EQ(rc, 0);
  }
}

TEST(PngBridge, NamesWithoutSignatureDamagedFilesAndRefusedOperations) {
  test_support::TempDir dir;
  const std::string fake = dir.WriteText("fake.png", "GIF89a not a png at all");
  Bitmap bm;
  ReadResult r = LoadPngFile(fake, bm, true, kBackground);
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.error, "");
  EXPECT_TRUE(bm.Empty());
  PngProbe probe = ProbePng(fake);
  EXPECT_TRUE(probe.readable);
  EXPECT_EQ(probe.width, 0);
  EXPECT_FALSE(ProbePng(dir.WriteText("tiny.png", "ab")).readable);

  PngShape s;
  s.width = 4;
  s.height = 4;
  s.rows.assign(4, std::vector<png_byte>(12, 7));
  std::vector<uint8_t> bytes = test_support::TempDir::Read(WritePng(dir, "ok.png", s));
  bytes.resize(bytes.size() - 20);
  const std::string cut = dir.Write("cut.png", bytes);
  r = LoadPngFile(cut, bm, true, kBackground);
  EXPECT_EQ(r.error, "Error Reading: " + cut);
  EXPECT_EQ(bm.Width(), 1);

  TPngGraphic g;
  std::stringstream stream;
  EXPECT_EQ(g.LoadFromStream(stream), "Cannot load a TPngGraphic from a Stream");
  EXPECT_EQ(g.SaveToStream(stream), "Cannot save a TPngGraphic to a Stream");
  EXPECT_EQ(g.LoadFromClipboard(), "Cannot load a TPngGraphic from the Clipboard");
  EXPECT_EQ(g.SaveToClipboard(), "Cannot save a TPngGraphic to the Clipboard");
  EXPECT_EQ(g.SetHeight(5), "Cannot set height on a TPngGraphic");
  EXPECT_EQ(g.SetWidth(5), "Cannot set width on a TPngGraphic");
  EXPECT_EQ(g.SaveToFile(dir.File("nothing.png")), "");
  EXPECT_FALSE(std::filesystem::exists(dir.File("nothing.png")));
  EXPECT_EQ(g.LoadFromFile(dir.File("missing.png")), "");
  EXPECT_EQ(SavePngFile(dir.File("no/such/dir.png"), testing::Pattern(2, 2, PixelFormat::k8)).error,
            "Error Opening File " + dir.File("no/such/dir.png") + "!");
}

}  // namespace
}  // namespace vr::codecs
