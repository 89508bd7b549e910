// Damaged and hostile input: every prefix of good files, random byte flips, and headers that
// claim enormous pictures over a few bytes. None may crash, hang or allocate gigabytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "picture/codecs/pcx/pcx_graphics.h"
#include "picture/codecs/pic/pic_graphics.h"
#include "picture/codecs/png/png_graphic.h"
#include "picture/codecs/tga/tga_graphics.h"
#include "raster/raster_test_util.h"
#include "test_support/hook_guard.h"
#include "test_support/temp_dir.h"

namespace vr::codecs {
namespace {

using picture::Bitmap;
using picture::PixelFormat;
using testing::Bytes;

enum class Codec { kPcx, kTga, kPic, kPng };

// Decodes from memory; true when the decoder reports success.
bool Decode(Codec codec, const std::vector<uint8_t>& bytes, Bitmap& bitmap, bool reduced = false) {
  picture::DecodeOptions options;
  if (reduced) {
    options.display_depth = 8;
    options.true_colour_on_256 = true;
  }
  if (codec == Codec::kPng) {
    std::vector<uint8_t> copy = bytes;
    std::FILE* f = fmemopen(copy.empty() ? nullptr : copy.data(), copy.size(), "rb");
    if (f == nullptr) return false;
    TPngGraphic g;
    const bool ok = g.LoadFromOpenFile(f, "mem").empty() && !g.Empty() && g.Draw(bitmap, {});
    std::fclose(f);
    return ok;
  }
  picture::TFastFileIO io;
  io.OpenMemory(bytes.data(), bytes.size());
  switch (codec) {
    case Codec::kPcx:
      return TPCXGraphics().Load(io, bitmap, options).ok();
    case Codec::kTga:
      return TTGAGraphics().Load(io, bitmap, options).ok();
    default:
      return TPICGraphics().Load(io, bitmap, options).ok();
  }
}

struct Seed {
  Codec codec;
  std::string name;
  std::vector<uint8_t> bytes;
};

std::vector<Seed> Seeds() {
  test_support::TempDir dir;
  std::vector<Seed> seeds;
  auto add = [&](Codec codec, const std::string& name, bool ok) {
    ASSERT_TRUE(ok) << name;
    seeds.push_back({codec, name, test_support::TempDir::Read(dir.File(name))});
  };
  add(Codec::kPcx, "a.pcx",
      SavePcx(dir.File("a.pcx"), testing::Pattern(21, 7, PixelFormat::k4), 2).ok);
  add(Codec::kPcx, "b.pcx",
      SavePcx(dir.File("b.pcx"), testing::Pattern(21, 7, PixelFormat::k8), 3).ok);
  add(Codec::kPcx, "c.pcx",
      SavePcx(dir.File("c.pcx"), testing::Pattern(21, 7, PixelFormat::k24), 4).ok);
  add(Codec::kTga, "a.tga",
      SaveTga(dir.File("a.tga"), testing::Pattern(13, 7, PixelFormat::k8), 1).ok);
  add(Codec::kTga, "b.tga",
      SaveTga(dir.File("b.tga"), testing::Pattern(13, 7, PixelFormat::k24), 2).ok);
  add(Codec::kPic, "a.pic",
      SavePic(dir.File("a.pic"), testing::Pattern(21, 7, PixelFormat::k1), 1).ok);
  add(Codec::kPic, "b.pic",
      SavePic(dir.File("b.pic"), testing::Pattern(21, 7, PixelFormat::k4), 2).ok);
  add(Codec::kPic, "c.pic",
      SavePic(dir.File("c.pic"), testing::Pattern(21, 7, PixelFormat::k8), 3).ok);
  add(Codec::kPng, "a.png",
      SavePngFile(dir.File("a.png"), testing::Pattern(21, 7, PixelFormat::k24)).ok);
  // A run-length 32-bit TGA, bottom-up and mirrored.
  Bytes rle;
  rle.Raw({0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 3, 0, 32, 0x10});
  for (int row = 0; row < 3; ++row) rle.Raw({0x82, 1, 2, 3, 4, 0x01, 5, 6, 7, 8, 9, 10, 11, 12});
  seeds.push_back({Codec::kTga, "rle.tga", rle.v});
  return seeds;
}

TEST(HostileInput, EveryPrefixDecodesOrFailsCleanly) {
  for (const Seed& seed : Seeds()) {
    Bitmap full;
    ASSERT_TRUE(Decode(seed.codec, seed.bytes, full)) << seed.name;
    for (size_t n = 0; n < seed.bytes.size(); ++n) {
      const std::vector<uint8_t> prefix(seed.bytes.begin(), seed.bytes.begin() + n);
      Bitmap bm;
      const bool ok = Decode(seed.codec, prefix, bm, n % 2 == 1);
      // Whatever the outcome, the picture is usable: never empty after a failure (PNG aside,
      // which stays empty without its signature), never larger than the header said.
      if (ok) {
        EXPECT_LE(bm.Width(), full.Width()) << seed.name << " prefix " << n;
      } else if (seed.codec != Codec::kPng) {
        ASSERT_EQ(bm.Width(), 1) << seed.name << " prefix " << n;
      }
    }
  }
}

TEST(HostileInput, RandomFlipsNeverCrash) {
  std::mt19937 rng(20240607);
  for (const Seed& seed : Seeds()) {
    int failures = 0;
    for (int i = 0; i < 1000; ++i) {
      std::vector<uint8_t> bytes = seed.bytes;
      const int flips = 1 + static_cast<int>(rng() % 4);
      for (int k = 0; k < flips; ++k)
        bytes[rng() % bytes.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
      Bitmap bm;
      if (!Decode(seed.codec, bytes, bm, i % 3 == 0)) ++failures;
      ASSERT_FALSE(bm.Empty() && seed.codec != Codec::kPng) << seed.name << " flip " << i;
    }
    // Flips in pixel data still decode (PNG aside: its checksums refuse any change).
    if (seed.codec != Codec::kPng) {
      EXPECT_LT(failures, 1000) << seed.name;
    }
  }
}

TEST(HostileInput, HugeHeadersOverTenBytesAreRefusedBeforeAllocating) {
  const std::vector<uint8_t> ten(10, 0x41);
  auto with = [&ten](Bytes header) {
    header.v.insert(header.v.end(), ten.begin(), ten.end());
    return header.v;
  };
  Bytes pcx8;
  pcx8.U8(10).U8(5).U8(1).U8(8).U16(0).U16(0).U16(65534).U16(65534).U16(0).U16(0).Fill(48, 0);
  pcx8.U8(0).U8(1).U16(65535).U16(1).Fill(58, 0);
  Bytes pcx_blank = pcx8;
  pcx_blank.v[3] = 32;
  pcx_blank.v[66] = pcx_blank.v[67] = 0;  // no bytes per line at all
  Bytes tga_raw;
  tga_raw.Raw({0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}).U16(65535).U16(65535).U8(24).U8(0);
  Bytes tga_rle = tga_raw;
  tga_rle.v[2] = 11;
  tga_rle.v[16] = 8;
  Bytes pic;
  pic.U16(0x1234).U16(65535).U16(65535).U16(0).U16(0).U8(0x08).U8(0xFF).U8('L').U16(0).U16(0);
  Bytes png;
  // Signature and an IHDR of 65535 x 65535 RGBA; no image data worth the name.
  png.Raw({0x89, 'P', 'N', 'G',  0x0D, 0x0A, 0x1A, 0x0A, 0,    0, 0, 13, 'I', 'H', 'D',
           'R',  0,   0,   0xFF, 0xFF, 0,    0,    0xFF, 0xFF, 8, 6, 0,  0,   0});
  png.Raw({0xB6, 0x05, 0xD9, 0x50});  // CRC of the IHDR
  struct Case {
    Codec codec;
    std::vector<uint8_t> bytes;
    const char* name;
  } cases[] = {{Codec::kPcx, with(pcx8), "pcx 8-bit"},  {Codec::kPcx, with(pcx_blank), "pcx blank"},
               {Codec::kTga, with(tga_raw), "tga raw"}, {Codec::kTga, with(tga_rle), "tga rle"},
               {Codec::kPic, with(pic), "pic"},         {Codec::kPng, with(png), "png"}};
  // The budget stays far below what the headers claim, so a decoder that asked for the claimed
  // picture is refused (nothing huge is ever allocated) but its request is still seen.
  test_support::HookGuard budget(picture::MemoryBudget, picture::SetMemoryBudget);
  picture::SetMemoryBudget(size_t{64} << 20);
  for (const Case& c : cases) {
    Bitmap bm;
    picture::ResetLargestPixelRequest();
    EXPECT_FALSE(Decode(c.codec, c.bytes, bm)) << c.name;
    EXPECT_LE(bm.ByteSize(), 4u) << c.name;
    EXPECT_LE(picture::LargestPixelRequest(), size_t{64} << 10) << c.name;
  }
  // The measure sees a request that the budget refuses.
  picture::ResetLargestPixelRequest();
  Bitmap refused;
  EXPECT_FALSE(refused.Create(65535, 65535, PixelFormat::k24));
  EXPECT_GE(picture::LargestPixelRequest(), size_t{65535} * 65535 * 3);
}

}  // namespace
}  // namespace vr::codecs
