// The quick 1/8-scale JPEG decoder of the thumbnail road against libjpeg's own 1/8 decode of the
// same bytes: the same pixels for every layout it takes, refusal of the rest, and damaged
// streams either refused or decoded exactly as libjpeg decodes them.
#include "picture/codecs/jpeg/jpeg_eighth.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "picture/codecs/jpeg/jpeg_codec.h"

// clang-format off
#include <jpeglib.h>
// clang-format on

namespace vr::codecs {
namespace {

using picture::Bitmap;
using picture::PixelFormat;

struct Layout {
  int h = 2;  // luminance sampling
  int v = 2;
  int restart_rows = 0;
  bool optimize = false;
  bool progressive = false;
  J_COLOR_SPACE space = JCS_YCbCr;
  int quality = 90;
  int grain = 30;  // noise amplitude: high for busy chroma blocks, low for smooth ones
  // When set, the chroma AC table is the standard one with two of its 16-bit codes traded
  // (a table of the file's own beside three standard ones).
  int trade = -1;
};

// A photo-like picture: smooth colour ramps with grain and a few sharp colour edges, so chroma
// blocks carry AC terms at every frequency (with much grain) or only the lowest (with little).
std::vector<uint8_t> Encode(int width, int height, const Layout& layout, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      const int grain = static_cast<int>(random() % (2 * layout.grain + 1)) - layout.grain;
      const bool stripe = ((x / 7 + y / 11) % 3) == 0;
      p[0] = static_cast<uint8_t>(std::clamp(x * 255 / width + grain, 0, 255));
      p[1] = static_cast<uint8_t>(std::clamp(stripe ? 230 : y * 255 / height + grain, 0, 255));
      p[2] = static_cast<uint8_t>(std::clamp((x + y) % 256 - grain, 0, 255));
    }
  }
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_colorspace(&c, layout.space);
  jpeg_set_quality(&c, layout.quality, TRUE);
  if (layout.space == JCS_YCbCr) {
    c.comp_info[0].h_samp_factor = layout.h;
    c.comp_info[0].v_samp_factor = layout.v;
  }
  c.restart_in_rows = layout.restart_rows;
  c.optimize_coding = layout.optimize ? TRUE : FALSE;
  if (layout.progressive) jpeg_simple_progression(&c);
  if (layout.trade >= 0) {
    // The last 119 values of the standard chroma AC table all have 16-bit codes.
    UINT8* values = c.ac_huff_tbl_ptrs[1]->huffval;
    std::swap(values[43 + layout.trade], values[44 + layout.trade]);
  }
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = &rgb[static_cast<size_t>(c.next_scanline) * width * 3];
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::vector<uint8_t> bytes(out, out + size);
  std::free(out);
  return bytes;
}

Bitmap Libjpeg(const std::vector<uint8_t>& bytes) {
  JpegDecodeSettings settings;
  settings.scale_denom = 8;
  settings.best_quality = false;
  Bitmap b;
  LoadJpegMemory(bytes.data(), bytes.size(), b, settings);
  return b;
}

// Row by row, padding included (both clear it).
::testing::AssertionResult SamePixels(const Bitmap& a, const Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.Format() != b.Format()) {
    return ::testing::AssertionFailure()
           << a.Width() << "x" << a.Height() << " against " << b.Width() << "x" << b.Height();
  }
  for (int y = 0; y < a.Height(); ++y) {
    if (std::memcmp(a.Row(y), b.Row(y), a.Stride()) != 0) {
      return ::testing::AssertionFailure() << "row " << y << " differs";
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(JpegEighth, GivesLibjpegsPixelsForEveryLayoutItTakes) {
  const int sizes[][2] = {{517, 389}, {640, 480}, {73, 9}};
  const int samplings[][2] = {{2, 2}, {2, 1}, {1, 1}};
  unsigned seed = 1;
  for (const auto& s : samplings) {
    for (const auto& size : sizes) {
      for (int restart : {0, 3}) {
        for (bool optimize : {false, true}) {
          Layout layout;
          layout.h = s[0];
          layout.v = s[1];
          layout.restart_rows = restart;
          layout.optimize = optimize;
          layout.quality = optimize ? 97 : 75;
          layout.grain = optimize ? 30 : 3;
          const std::vector<uint8_t> bytes = Encode(size[0], size[1], layout, ++seed);
          const std::string what = std::to_string(s[0]) + "x" + std::to_string(s[1]) + " " +
                                   std::to_string(size[0]) + "x" + std::to_string(size[1]) +
                                   " restart " + std::to_string(restart) +
                                   (optimize ? " optimized" : "");
          Bitmap ours;
          ASSERT_TRUE(DecodeJpegEighth(bytes.data(), bytes.size(), ours)) << what;
          EXPECT_EQ(ours.Width(), (size[0] + 7) / 8) << what;
          EXPECT_TRUE(SamePixels(ours, Libjpeg(bytes))) << what;
        }
      }
    }
  }
}

// The Huffman tables built for one file are kept for the next ones; files that take some of the
// kept tables and bring new ones of their own must decode each as if it came alone.
TEST(JpegEighth, KeptTablesServeTheFilesThatFollow) {
  std::vector<std::vector<uint8_t>> files;
  for (int i = 0; i < 16; ++i) {
    Layout layout;
    layout.trade = i % 8 == 0 ? -1 : i;  // standard tables, then chroma tables of their own
    layout.optimize = i % 8 == 7;
    files.push_back(Encode(48 + 8 * (i % 5), 40, layout, 100 + i));
  }
  for (size_t i = 0; i < files.size(); ++i) {
    Bitmap ours;
    ASSERT_TRUE(DecodeJpegEighth(files[i].data(), files[i].size(), ours));
    EXPECT_TRUE(SamePixels(ours, Libjpeg(files[i]))) << "file " << i;
  }
}

TEST(JpegEighth, LeavesOtherFilesToLibjpeg) {
  Layout progressive;
  progressive.progressive = true;
  Layout grey;
  grey.space = JCS_GRAYSCALE;
  Layout rgb;  // an Adobe marker saying the components are not YCbCr
  rgb.space = JCS_RGB;
  Layout tall;  // luminance sampled 1x2
  tall.h = 1;
  tall.v = 2;
  for (const Layout& layout : {progressive, grey, rgb, tall}) {
    const std::vector<uint8_t> bytes = Encode(96, 64, layout, 5);
    Bitmap out;
    ASSERT_TRUE(out.Create(3, 2, PixelFormat::k8));
    EXPECT_FALSE(DecodeJpegEighth(bytes.data(), bytes.size(), out));
    EXPECT_EQ(out.Width(), 3);  // untouched
    EXPECT_EQ(out.Format(), PixelFormat::k8);
  }
  // A picture whose 1/8 scale would not cover the box wants a larger scale.
  const std::vector<uint8_t> small = Encode(96, 64, Layout{}, 6);
  Bitmap eighth;
  EXPECT_FALSE(DecodeJpegEighth(small.data(), small.size(), eighth, 13, 8));
  EXPECT_TRUE(eighth.Empty());
  EXPECT_TRUE(DecodeJpegEighth(small.data(), small.size(), eighth, 12, 8));
  EXPECT_EQ(eighth.Width(), 12);

  const uint8_t junk[] = {0xFF, 0xD8, 0xFF, 0xC0, 0x00};
  Bitmap out;
  EXPECT_FALSE(DecodeJpegEighth(junk, sizeof junk, out));
  EXPECT_FALSE(DecodeJpegEighth(nullptr, 0, out));
  EXPECT_TRUE(out.Empty());
}

TEST(JpegEighth, DamagedStreamsAreRefusedOrDecodedExactlyAsLibjpegDoes) {
  Layout layout;
  layout.restart_rows = 2;
  const std::vector<uint8_t> good = Encode(320, 240, layout, 9);
  // The scan data starts after the last header marker (start of scan).
  size_t scan = 0;
  for (size_t i = 0; i + 1 < good.size(); ++i) {
    if (good[i] == 0xFF && good[i + 1] == 0xDA) {
      scan = i + 2 + (good[i + 2] << 8 | good[i + 3]);
      break;
    }
  }
  ASSERT_GT(scan, 0u);
  std::mt19937 random(11);
  int refused = 0;
  int taken = 0;
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> bad = good;
    const bool cut = round % 3 == 0;
    if (cut) {
      bad.resize(scan + random() % (good.size() - 2 - scan));
    } else {
      for (int flips = 1 + round % 3; flips > 0; --flips) {
        const size_t at = scan + random() % (good.size() - 2 - scan);
        bad[at] = static_cast<uint8_t>(bad[at] ^ (1u << (random() % 8)));
      }
    }
    Bitmap ours;
    if (!DecodeJpegEighth(bad.data(), bad.size(), ours)) {
      ++refused;
      EXPECT_TRUE(ours.Empty());
      continue;
    }
    ++taken;
    EXPECT_FALSE(cut) << "a file cut short in its scan was taken (round " << round << ")";
    EXPECT_TRUE(SamePixels(ours, Libjpeg(bad))) << "round " << round;
  }
  EXPECT_GT(refused, 100);  // every cut file at least
  RecordProperty("taken", taken);
}

}  // namespace
}  // namespace vr::codecs
