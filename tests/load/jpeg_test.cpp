// JPEG decoding cross-checked against libjpeg's own djpeg (same library, same settings, so the
// pixels must agree exactly) and against Qt's JPEG plugin; writing with quality and grayscale.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "picture/codecs/jpeg/jpeg_codec.h"

// clang-format off
#include <jpeglib.h>
// clang-format on
#include "test_pictures.h"
#include "test_support/hook_guard.h"
#include "test_support/temp_dir.h"

namespace vr::codecs {
namespace {

using picture::Bitmap;
using picture::PixelFormat;
using picture::Rgb;
using namespace vr::test_pictures;

bool HaveDjpeg() { return std::system("djpeg -version >/dev/null 2>&1") == 0; }

// djpeg's PNM output as one RGB triple per pixel (grey PGM expanded).
struct Pnm {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;
};

Pnm Djpeg(const std::string& options, const std::string& jpeg, const std::string& out) {
  Pnm pnm;
  const std::string command = "djpeg -pnm " + options + " -outfile '" + out + "' '" + jpeg + "'";
  if (std::system(command.c_str()) != 0) return pnm;
  std::ifstream in(out, std::ios::binary);
  std::string magic;
  int max = 0;
  in >> magic >> pnm.width >> pnm.height >> max;
  in.get();
  const int channels = magic == "P5" ? 1 : 3;
  std::vector<uint8_t> raw(static_cast<size_t>(pnm.width) * pnm.height * channels);
  in.read(reinterpret_cast<char*>(raw.data()), static_cast<std::streamsize>(raw.size()));
  for (size_t i = 0; i < raw.size(); i += channels) {
    pnm.pixels.push_back(channels == 1 ? Rgb{raw[i], raw[i], raw[i]}
                                       : Rgb{raw[i], raw[i + 1], raw[i + 2]});
  }
  return pnm;
}

void ExpectSame(const Bitmap& ours, const Pnm& theirs, const std::string& what) {
  ASSERT_EQ(ours.Width(), theirs.width) << what;
  ASSERT_EQ(ours.Height(), theirs.height) << what;
  for (int y = 0; y < ours.Height(); ++y) {
    for (int x = 0; x < ours.Width(); ++x) {
      ASSERT_EQ(ours.ColourAt(x, y), theirs.pixels[static_cast<size_t>(y) * theirs.width + x])
          << what << " at " << x << "," << y;
    }
  }
}

class JpegTest : public ::testing::Test {
 protected:
  void SetUp() override {
    colour_ = dir_.File("colour.jpg");
    grey_ = dir_.File("grey.jpg");
    ASSERT_TRUE(SaveJpeg(colour_, Gradient(203, 117), JpegSaveOptions{90, false}).ok);
    ASSERT_TRUE(SaveJpeg(grey_, Gradient(64, 40), JpegSaveOptions{80, true}).ok);
  }
  test_support::TempDir dir_;
  std::string colour_;
  std::string grey_;
};

TEST_F(JpegTest, DecodesLikeDjpegAtEveryScaleAndMode) {
  if (!HaveDjpeg()) GTEST_SKIP() << "djpeg (libjpeg-turbo-progs) is not installed";
  struct Case {
    const char* djpeg;
    JpegDecodeSettings settings;
    PixelFormat format;
  };
  const Case cases[] = {
      {"", {1, false, 24, true}, PixelFormat::k24},
      {"-scale 1/2", {2, false, 24, true}, PixelFormat::k24},
      {"-scale 1/4", {4, false, 24, true}, PixelFormat::k24},
      {"-scale 1/8", {8, false, 24, true}, PixelFormat::k24},
      {"-grayscale", {1, true, 24, true}, PixelFormat::k8},
      {"-colors 256", {1, false, 8, true}, PixelFormat::k8},
      {"-dct fast -nosmooth", {1, false, 24, false}, PixelFormat::k24},
  };
  for (const Case& c : cases) {
    Bitmap bitmap;
    const ReadResult read = LoadJpeg(colour_, bitmap, c.settings);
    ASSERT_TRUE(read.ok()) << c.djpeg << ": " << read.error;
    EXPECT_EQ(read.depth, 24);
    EXPECT_EQ(bitmap.Format(), c.format) << c.djpeg;
    ExpectSame(bitmap, Djpeg(c.djpeg, colour_, dir_.File("ref.pnm")), c.djpeg);
  }
  Bitmap grey;
  const ReadResult read = LoadJpeg(grey_, grey, JpegDecodeSettings{});
  ASSERT_TRUE(read.ok());
  EXPECT_EQ(read.depth, 8);
  EXPECT_EQ(grey.Format(), PixelFormat::k8);
  ExpectSame(grey, Djpeg("", grey_, dir_.File("ref.pnm")), "grey file");
}

// Decoding into a Bitmap that already holds a picture of the same size (its memory is reused,
// not cleared) gives the same bytes, row padding included, as decoding into a new one.
TEST_F(JpegTest, ReusedPictureMemoryEndsUpLikeAFreshDecode) {
  struct Case {
    const std::string* file;
    int denom;
    bool grayscale;
    int bits;
  };
  for (const Case& c : {Case{&colour_, 1, false, 24}, Case{&colour_, 8, true, 24},
                        Case{&colour_, 2, false, 8}, Case{&grey_, 4, false, 24}}) {
    JpegDecodeSettings settings;
    settings.scale_denom = c.denom;
    settings.grayscale = c.grayscale;
    settings.output_bits = c.bits;
    Bitmap fresh;
    ASSERT_TRUE(LoadJpeg(*c.file, fresh, settings).ok());
    Bitmap reused;
    ASSERT_TRUE(reused.Create(fresh.Width(), fresh.Height(), fresh.Format()));
    std::fill(reused.Data(), reused.Data() + reused.ByteSize(), uint8_t{0xEE});
    const uint8_t* memory = reused.Data();
    ASSERT_TRUE(LoadJpeg(*c.file, reused, settings).ok());
    EXPECT_EQ(reused.Data(), memory);
    EXPECT_TRUE(reused == fresh) << *c.file << " 1/" << c.denom;
    if (fresh.Stride() > static_cast<size_t>(fresh.Width()) * (fresh.Bits() / 8)) {
      EXPECT_EQ(fresh.Row(fresh.Height() - 1)[fresh.Stride() - 1], 0) << "padding";
    }
  }
}

TEST_F(JpegTest, AgreesWithQtWithinRounding) {
  Bitmap bitmap;
  ASSERT_TRUE(LoadJpeg(colour_, bitmap, JpegDecodeSettings{}).ok());
  const QImage qt(QString::fromStdString(colour_), "JPEG");
  ASSERT_EQ(qt.width(), 203);
  ASSERT_EQ(qt.height(), 117);
  for (int y = 0; y < 117; ++y) {
    for (int x = 0; x < 203; ++x) {
      const Rgb c = bitmap.ColourAt(x, y);
      const QRgb q = qt.pixel(x, y);
      ASSERT_LE(std::abs(c.r - qRed(q)) + std::abs(c.g - qGreen(q)) + std::abs(c.b - qBlue(q)), 6)
          << x << "," << y;
    }
  }
}

TEST_F(JpegTest, WriterHonoursQualityAndGrayscale) {
  const Bitmap source = Gradient(120, 80);
  ASSERT_TRUE(SaveJpeg(dir_.File("q95.jpg"), source, JpegSaveOptions{95, false}).ok);
  ASSERT_TRUE(SaveJpeg(dir_.File("q20.jpg"), source, JpegSaveOptions{20, false}).ok);
  EXPECT_GT(test_support::TempDir::Read(dir_.File("q95.jpg")).size(),
            test_support::TempDir::Read(dir_.File("q20.jpg")).size());
  const JpegHeaderFacts colour = ReadJpegHeader(dir_.File("q95.jpg"));
  ASSERT_TRUE(colour.ok);
  EXPECT_EQ(colour.width, 120);
  EXPECT_EQ(colour.components, 3);
  EXPECT_EQ(ReadJpegHeader(grey_).components, 1);
  // The better quality decodes closer to the source.
  const auto mean_error = [&](const std::string& name) {
    Bitmap back;
    EXPECT_TRUE(LoadJpeg(dir_.File(name), back, JpegDecodeSettings{}).ok());
    long total = 0;
    for (int y = 0; y < 80; ++y) {
      for (int x = 0; x < 120; ++x) {
        const Rgb a = source.ColourAt(x, y);
        const Rgb b = back.ColourAt(x, y);
        total += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
      }
    }
    return static_cast<double>(total) / (80 * 120 * 3);
  };
  const double fine = mean_error("q95.jpg");
  EXPECT_LT(fine, mean_error("q20.jpg"));
  EXPECT_LT(fine, 10.0);
  Bitmap back;
  // Indexed sources are written through their palette.
  Bitmap indexed;
  ASSERT_TRUE(indexed.Create(16, 16, PixelFormat::k8));
  indexed.SetPalette(std::vector<Rgb>(256, Rgb{200, 30, 60}));
  ASSERT_TRUE(SaveJpeg(dir_.File("indexed.jpg"), indexed, JpegSaveOptions{}).ok);
  ASSERT_TRUE(LoadJpeg(dir_.File("indexed.jpg"), back, JpegDecodeSettings{}).ok());
  EXPECT_NEAR(back.ColourAt(8, 8).r, 200, 4);
  EXPECT_FALSE(SaveJpeg(dir_.File("no/such/dir.jpg"), indexed, JpegSaveOptions{}).ok);
}

// Four-component files as print programs write them: 16 x 16 blocks of one ink mix each.
// `adobe` stores the inks inverted (255 = no ink) under an Adobe marker, as Photoshop does;
// without the marker the values are plain ink amounts. `ycck` has libjpeg store them as YCCK.
struct Ink {
  uint8_t c, m, y, k;
};
constexpr std::array<Ink, 8> kInks = {{{0, 0, 0, 0},
                                       {255, 0, 0, 0},
                                       {0, 255, 0, 0},
                                       {0, 0, 255, 0},
                                       {0, 0, 0, 255},
                                       {40, 120, 200, 30},
                                       {200, 60, 10, 100},
                                       {128, 128, 128, 128}}};

bool WriteCmykJpeg(const std::string& path, bool adobe, bool ycck) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  jpeg_compress_struct cinfo;
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = 16 * kInks.size();
  cinfo.image_height = 32;
  cinfo.input_components = 4;
  cinfo.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  jpeg_set_colorspace(&cinfo, ycck ? JCS_YCCK : JCS_CMYK);
  jpeg_set_quality(&cinfo, 100, TRUE);
  cinfo.write_Adobe_marker = adobe ? TRUE : FALSE;
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row(cinfo.image_width * 4);
  for (size_t x = 0; x < cinfo.image_width; ++x) {
    const Ink& ink = kInks[x / 16];
    const uint8_t v[4] = {ink.c, ink.m, ink.y, ink.k};
    for (int i = 0; i < 4; ++i) row[x * 4 + i] = adobe ? static_cast<uint8_t>(255 - v[i]) : v[i];
  }
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW line = row.data();
    jpeg_write_scanlines(&cinfo, &line, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return std::fclose(file) == 0;
}

TEST_F(JpegTest, CmykAndYcckDecodeToTheColoursOfTheirInks) {
  struct Case {
    const char* name;
    bool adobe;
    bool ycck;
  };
  for (const Case& c : {Case{"Adobe CMYK", true, false}, Case{"Adobe YCCK", true, true},
                        Case{"plain CMYK", false, false}}) {
    const std::string path = dir_.File(std::string(c.name) + ".jpg");
    ASSERT_TRUE(WriteCmykJpeg(path, c.adobe, c.ycck)) << c.name;
    EXPECT_EQ(ReadJpegHeader(path).components, 4) << c.name;
    for (int denom : {1, 2}) {
      Bitmap bitmap;
      JpegDecodeSettings settings;
      settings.scale_denom = denom;
      const ReadResult read = LoadJpeg(path, bitmap, settings);
      ASSERT_TRUE(read.ok()) << c.name << ": " << read.error;
      EXPECT_EQ(read.depth, 24) << c.name;
      ASSERT_EQ(bitmap.Format(), PixelFormat::k24) << c.name;
      ASSERT_EQ(bitmap.Width(), static_cast<int>(16 * kInks.size()) / denom) << c.name;
      for (size_t i = 0; i < kInks.size(); ++i) {
        const Ink& ink = kInks[i];
        const auto expect = [&](uint8_t v) { return (255 - v) * (255 - ink.k) / 255; };
        // The middle of each block, away from the blur at block edges.
        const Rgb got = bitmap.ColourAt(static_cast<int>(i * 16 + 8) / denom, 16 / denom);
        const std::string where = std::string(c.name) + " 1/" + std::to_string(denom) +
                                  " ink " + std::to_string(i);
        EXPECT_NEAR(got.r, expect(ink.c), 4) << where;
        EXPECT_NEAR(got.g, expect(ink.m), 4) << where;
        EXPECT_NEAR(got.b, expect(ink.y), 4) << where;
      }
    }
  }
}

TEST(JpegScale, ChoosesByHowManyTimesWiderThanTheTarget) {
  EXPECT_EQ(JpegScaleForWidth(1024, 128), 4);  // exactly 8 times: not more than 8
  EXPECT_EQ(JpegScaleForWidth(1025, 128), 8);
  EXPECT_EQ(JpegScaleForWidth(100000, 128), 8);  // 1/16 and 1/32 are not available
  EXPECT_EQ(JpegScaleForWidth(513, 128), 4);
  EXPECT_EQ(JpegScaleForWidth(512, 128), 2);
  EXPECT_EQ(JpegScaleForWidth(257, 128), 2);
  EXPECT_EQ(JpegScaleForWidth(256, 128), 1);
  EXPECT_EQ(JpegScaleForWidth(256, 0), 1);
}

TEST_F(JpegTest, DamagedAndHostileInputFailsCleanly) {
  const Bytes good = test_support::TempDir::Read(colour_);
  Bitmap bitmap;
  EXPECT_FALSE(LoadJpegMemory(good.data(), 3, bitmap, JpegDecodeSettings{}).ok());
  EXPECT_EQ(bitmap.Width(), 1);
  EXPECT_EQ(bitmap.Format(), PixelFormat::k1);
  EXPECT_FALSE(LoadJpeg(dir_.File("absent.jpg"), bitmap, JpegDecodeSettings{}).ok());

  // The frame header claims 65535 x 65535: refused before the picture is allocated, even when
  // the memory budget would allow it.
  Bytes huge = good;
  for (size_t i = 2; i + 8 < huge.size(); ++i) {
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = huge[i + 6] = huge[i + 7] = huge[i + 8] = 0xFF;
      break;
    }
  }
  const size_t budget = picture::MemoryBudget();
  test_support::HookGuard budget_guard(picture::MemoryBudget, picture::SetMemoryBudget);
  picture::SetMemoryBudget(SIZE_MAX);
  picture::ResetLargestPixelRequest();
  EXPECT_FALSE(LoadJpegMemory(huge.data(), huge.size(), bitmap, JpegDecodeSettings{}).ok());
  EXPECT_LE(picture::LargestPixelRequest(), size_t{1} << 20);
  picture::SetMemoryBudget(budget);

  Bytes small;
  ASSERT_TRUE(SaveJpeg(dir_.File("small.jpg"), Gradient(24, 16), JpegSaveOptions{70, false}).ok);
  small = test_support::TempDir::Read(dir_.File("small.jpg"));
  Torture(small, 1000, 900, [](const Bytes& b) {
    Bitmap out;
    for (int bits : {24, 8}) {
      LoadJpegMemory(b.data(), b.size(), out, JpegDecodeSettings{2, false, bits, true});
      ASSERT_FALSE(out.Empty());
    }
  });
}

}  // namespace
}  // namespace vr::codecs
