// WebP, TIFF and HEIF pictures written by the libraries' own command-line tools decode to the
// pixels those tools (or ImageMagick) give: exactly for lossless files, above 40 dB for lossy
// ones. Also their facts without decoding, their kinds by signature, the reduced preview decode,
// and hostile files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "picture/bitmap.h"
#include "picture/codecs/codec_api.h"
#include "picture/kinds.h"
#include "picture/load/loader.h"
#include "test_support/hook_guard.h"
#include "test_support/temp_dir.h"

namespace vr {
namespace {

using picture::Bitmap;

bool Have(const std::string& tool) {
  return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

bool Shell(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A P5 or P6 file with 8-bit samples as red-green-blue.
struct Rgb8 {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
};

Rgb8 ReadPnm(const std::string& path) {
  Rgb8 out;
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxval = 0;
  in >> magic >> out.width >> out.height >> maxval;
  in.get();
  if ((magic != "P5" && magic != "P6") || maxval != 255 || out.width <= 0) return {};
  const size_t n = static_cast<size_t>(out.width) * out.height;
  std::vector<uint8_t> raw(magic == "P6" ? n * 3 : n);
  in.read(reinterpret_cast<char*>(raw.data()), static_cast<std::streamsize>(raw.size()));
  if (magic == "P6") {
    out.rgb = std::move(raw);
  } else {
    for (uint8_t v : raw) out.rgb.insert(out.rgb.end(), {v, v, v});
  }
  return out;
}

void WritePpm(const std::string& path, const Rgb8& picture) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << picture.width << " " << picture.height << "\n255\n";
  out.write(reinterpret_cast<const char*>(picture.rgb.data()),
            static_cast<std::streamsize>(picture.rgb.size()));
}

// A photo-like test picture: smooth gradients with a soft texture and a few hard edges.
Rgb8 MakeSource(int width, int height) {
  Rgb8 p{width, height, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const double t = std::sin(x * 0.05) * std::cos(y * 0.07);
      const bool block = (x / 40 + y / 30) % 5 == 0;
      p.rgb.push_back(static_cast<uint8_t>(block ? 230 : 40 + x * 150 / width));
      p.rgb.push_back(static_cast<uint8_t>(128 + 90 * t));
      p.rgb.push_back(static_cast<uint8_t>(block ? 20 : 60 + y * 160 / height));
    }
  }
  return p;
}

struct Difference {
  int max = 0;
  double psnr = 0;
};

// Compares a 24-bit decoded picture with a reference (same size asserted by the caller).
Difference Compare(const Bitmap& bitmap, const Rgb8& ref) {
  Difference d;
  double sum = 0;
  for (int y = 0; y < ref.height; ++y) {
    const uint8_t* row = bitmap.Row(y);
    for (int x = 0; x < ref.width; ++x) {
      const uint8_t* r = ref.rgb.data() + (static_cast<size_t>(y) * ref.width + x) * 3;
      for (int c = 0; c < 3; ++c) {
        const int diff = std::abs(int{row[x * 3 + 2 - c]} - int{r[c]});
        d.max = std::max(d.max, diff);
        sum += double(diff) * diff;
      }
    }
  }
  const double mse = sum / (double(ref.width) * ref.height * 3);
  d.psnr = mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
  return d;
}

// Loads through the program's loader, as the viewer does.
Bitmap LoadThroughLoader(const std::string& path, picture::LoadDetails* details,
                         uint16_t* kind = nullptr) {
  picture::PictureHolder holder;
  const uint16_t k = picture::LoadPicture(path, holder, picture::DecodeOptions{}, details);
  if (kind != nullptr) *kind = k;
  return holder.bitmap;
}

class FormatsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(dir_.Path().empty());
    source_ = MakeSource(240, 180);
    src_ppm_ = dir_.File("src.ppm");
    src_png_ = dir_.File("src.png");
    WritePpm(src_ppm_, source_);
    if (!Have("convert")) GTEST_SKIP() << "ImageMagick convert is not installed";
    ASSERT_TRUE(Shell("convert " + src_ppm_ + " " + src_png_));
  }

  // Checks a decode through the loader against a reference picture of the same size.
  void ExpectPixels(const std::string& path, const Rgb8& ref, int max_diff, double min_psnr,
                    uint16_t expected_kind) {
    SCOPED_TRACE(path);
    ASSERT_GT(ref.width, 0);
    picture::LoadDetails details;
    uint16_t kind = 0;
    const Bitmap got = LoadThroughLoader(path, &details, &kind);
    EXPECT_EQ(kind, expected_kind);
    ASSERT_FALSE(details.failed) << details.error;
    ASSERT_EQ(got.Width(), ref.width);
    ASSERT_EQ(got.Height(), ref.height);
    ASSERT_EQ(got.Format(), picture::PixelFormat::k24);
    const Difference d = Compare(got, ref);
    EXPECT_LE(d.max, max_diff);
    EXPECT_GT(d.psnr, min_psnr);
  }

  // ImageMagick's decode of a file as 8-bit samples, on white where it is transparent.
  Rgb8 MagickReference(const std::string& path) {
    const std::string out = path + ".ref.ppm";
    if (!Shell("convert '" + path + "[0]' -background white -alpha remove -depth 8 ppm:" + out)) {
      return {};
    }
    return ReadPnm(out);
  }

  test_support::TempDir dir_;
  Rgb8 source_;
  std::string src_ppm_;
  std::string src_png_;
};

TEST_F(FormatsTest, WebpLosslessExactLossyAgainstDwebpAndAnimationFirstFrame) {
  if (!Have("cwebp") || !Have("dwebp")) GTEST_SKIP() << "webp tools are not installed";
  const std::string lossless = dir_.File("lossless.webp");
  const std::string lossy = dir_.File("lossy.WebP");
  ASSERT_TRUE(Shell("cwebp -quiet -lossless " + src_png_ + " -o " + lossless));
  ASSERT_TRUE(Shell("cwebp -quiet -q 90 " + src_png_ + " -o " + lossy));
  ExpectPixels(lossless, source_, 0, 90, picture::kKindWebp);
  ASSERT_TRUE(Shell("dwebp -quiet " + lossy + " -ppm -o " + dir_.File("lossy.ppm")));
  ExpectPixels(lossy, ReadPnm(dir_.File("lossy.ppm")), 255, 40, picture::kKindWebp);

  // Transparency is blended onto white, as for PNG.
  const std::string alpha_png = dir_.File("alpha.png");
  const std::string alpha = dir_.File("alpha.webp");
  ASSERT_TRUE(Shell("convert " + src_png_ + " -alpha set -channel A -fx 'i/w' +channel " +
                  alpha_png));
  ASSERT_TRUE(Shell("cwebp -quiet -lossless -exact " + alpha_png + " -o " + alpha));
  ExpectPixels(alpha, MagickReference(alpha_png), 1, 45, picture::kKindWebp);

  // An animation shows its first frame at its canvas size and is listed as animated.
  if (Have("img2webp")) {
    const std::string second = dir_.File("second.png");
    ASSERT_TRUE(Shell("convert -size 240x180 xc:red " + second));
    const std::string anim = dir_.File("anim.webp");
    ASSERT_TRUE(Shell("img2webp -lossless " + src_png_ + " " + second + " -o " + anim));
    ExpectPixels(anim, source_, 0, 90, picture::kKindWebp);
    EXPECT_TRUE(picture::ReadPictureInfo(anim).animated);
  }
}

TEST_F(FormatsTest, TiffLayoutsAndSampleKinds) {
  if (!Have("tiffcp")) GTEST_SKIP() << "libtiff tools are not installed";
  struct Case {
    const char* name;
    const char* make;  // ImageMagick options from the source PNG
    int max_diff;
  };
  // Exact against ImageMagick's own reading of the same file; 16-bit samples, colour maps and CMYK
  // allow the rounding of their conversion to 8 bits.
  const Case cases[] = {
      {"rgb_lzw.tif", "-compress lzw -depth 8", 0},
      {"rgb_none.tiff", "-compress none -depth 8", 0},
      {"rgb_zip16.tif", "-compress zip -depth 16", 1},
      {"grey8.tif", "-colorspace gray -depth 8 -compress lzw", 0},
      {"grey16.tif", "-colorspace gray -depth 16", 1},
      {"bilevel.tif", "-colorspace gray -threshold 50% -type bilevel -compress group4", 0},
      {"palette.tif", "-colors 60 -type Palette -compress RLE", 1},  // 16-bit colour map
      {"rgba.tif", "-alpha set -channel A -fx 'j/h' +channel -depth 8", 2},
      {"cmyk.tif", "-colorspace cmyk -depth 8", 2},
  };
  for (const Case& c : cases) {
    const std::string path = dir_.File(c.name);
    ASSERT_TRUE(Shell("convert " + src_png_ + " " + c.make + " " + path)) << c.name;
    ExpectPixels(path, MagickReference(path), c.max_diff, 40, picture::kKindTiff);
  }
  // Tiles, and a second page behind the first: only the first is read.
  const std::string tiled = dir_.File("tiled.tif");
  ASSERT_TRUE(Shell("tiffcp -t -w 64 -l 64 -c lzw " + dir_.File("rgb_lzw.tif") + " " + tiled));
  ExpectPixels(tiled, source_, 0, 90, picture::kKindTiff);
  const std::string pages = dir_.File("pages.tif");
  ASSERT_TRUE(Shell("tiffcp " + dir_.File("rgb_lzw.tif") + " " + dir_.File("grey8.tif") + " " +
                  dir_.File("bilevel.tif") + " " + pages));
  ExpectPixels(pages, source_, 0, 90, picture::kKindTiff);

  // Stored bottom row first, in strips and in tiles: shown upright as a whole, not band by band.
  const std::string flipped_ppm = dir_.File("flipped.ppm");
  ASSERT_TRUE(Shell("convert " + src_png_ + " -flip " + flipped_ppm));
  const Rgb8 flipped = ReadPnm(flipped_ppm);
  const std::string bottom_up = dir_.File("bottom_up.tif");
  ASSERT_TRUE(Shell("tiffcp -r 16 -c lzw " + dir_.File("rgb_lzw.tif") + " " + bottom_up +
                    " && tiffset -s 274 4 " + bottom_up));
  ExpectPixels(bottom_up, flipped, 0, 90, picture::kKindTiff);
  const std::string bottom_up_tiled = dir_.File("bottom_up_tiled.tif");
  ASSERT_TRUE(Shell("tiffcp -t -w 64 -l 64 " + bottom_up + " " + bottom_up_tiled));
  ExpectPixels(bottom_up_tiled, flipped, 0, 90, picture::kKindTiff);
}

TEST_F(FormatsTest, HeicAgainstHeifConvertAndItsThumbnailForPreviews) {
  if (!Have("heif-enc") || !Have("heif-convert")) GTEST_SKIP() << "libheif tools missing";
  const std::string heic = dir_.File("photo.heic");
  ASSERT_TRUE(Shell("heif-enc -q 90 -t 64 " + src_png_ + " -o " + heic));
  const std::string png = dir_.File("photo_ref.png");
  ASSERT_TRUE(Shell("heif-convert " + heic + " " + png));
  ExpectPixels(heic, MagickReference(png), 255, 40, picture::kKindHeif);
  // The decode also stays close to the picture that was encoded.
  picture::LoadDetails details;
  EXPECT_GT(Compare(LoadThroughLoader(heic, &details), source_).psnr, 30);

  // A preview small enough takes the embedded 64-pixel thumbnail instead of the full picture.
  picture::PictureHolder holder;
  picture::PreviewRequest request;
  request.target_size = 40;
  const picture::PreviewOutcome outcome =
      picture::LoadPreviewPicture(heic, holder, request, picture::DecodeOptions{});
  ASSERT_FALSE(outcome.failed);
  EXPECT_EQ(outcome.kind, picture::kKindHeif);
  EXPECT_EQ(std::max(holder.bitmap.Width(), holder.bitmap.Height()), 64);
  request.target_size = 100;  // past the thumbnail: the full picture
  ASSERT_FALSE(picture::LoadPreviewPicture(heic, holder, request, {}).failed);
  EXPECT_EQ(holder.bitmap.Width(), 240);
}

TEST_F(FormatsTest, FactsWithoutDecodingKindsBySignatureAndReducedWebpPreview) {
  if (!Have("cwebp") || !Have("heif-enc")) GTEST_SKIP() << "webp or libheif tools missing";
  ASSERT_TRUE(Shell("cwebp -quiet -q 80 " + src_png_ + " -o " + dir_.File("a.webp")));
  ASSERT_TRUE(Shell("convert " + src_png_ + " -compress lzw " + dir_.File("a.tif")));
  ASSERT_TRUE(Shell("convert " + src_png_ + " -colorspace gray -compress none " + dir_.File("g.tif")));
  ASSERT_TRUE(Shell("heif-enc -q 50 " + src_png_ + " -o " + dir_.File("a.heic")));
  struct Case {
    std::string file;
    uint16_t kind;
    int colours;
    bool compressed;
  };
  const Case cases[] = {{"a.webp", picture::kKindWebp, 16000, true},
                        {"a.tif", picture::kKindTiff, 16000, true},
                        {"g.tif", picture::kKindTiff, 256, false},
                        {"a.heic", picture::kKindHeif, 16000, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    // The same file without an extension is known by its first bytes.
    const std::string bare = dir_.File("bare_" + c.file.substr(0, c.file.find('.')));
    std::filesystem::copy_file(dir_.File(c.file), bare,
                               std::filesystem::copy_options::overwrite_existing);
    for (const std::string& path : {dir_.File(c.file), bare}) {
      picture::ResetLargestPixelRequest();
      const picture::PictureInfo info = picture::ReadPictureInfo(path);
      EXPECT_EQ(info.kind, c.kind);
      EXPECT_EQ(info.width, 240);
      EXPECT_EQ(info.height, 180);
      EXPECT_EQ(info.colours, c.colours);
      EXPECT_EQ(info.compressed, c.compressed);
      EXPECT_FALSE(info.animated);
      EXPECT_EQ(picture::LargestPixelRequest(), 0u) << "the facts decoded pixels";
    }
  }
  // WebP previews are scaled in the decoder to the smallest size that covers the box.
  picture::PictureHolder holder;
  picture::PreviewRequest request;
  request.target_size = 60;
  ASSERT_FALSE(picture::LoadPreviewPicture(dir_.File("a.webp"), holder, request, {}).failed);
  EXPECT_EQ(holder.bitmap.Width(), 80);
  EXPECT_EQ(holder.bitmap.Height(), 60);
}

TEST_F(FormatsTest, HostileFilesFailCleanlyAndHugeClaimsAreRefusedBeforeAllocation) {
  if (!Have("cwebp") || !Have("heif-enc")) GTEST_SKIP() << "webp or libheif tools missing";
  ASSERT_TRUE(Shell("cwebp -quiet -q 80 " + src_png_ + " -o " + dir_.File("a.webp")));
  ASSERT_TRUE(Shell("convert " + src_png_ + " -compress none " + dir_.File("a.tif")));
  ASSERT_TRUE(Shell("heif-enc -q 50 " + src_png_ + " -o " + dir_.File("a.heic")));
  // Cut short at several points and with bytes flipped: a failure picture or a picture, never a
  // crash, and a failure always carries its message.
  for (const char* name : {"a.webp", "a.tif", "a.heic"}) {
    const std::vector<uint8_t> whole = ReadBytes(dir_.File(name));
    ASSERT_GT(whole.size(), 100u);
    for (size_t cut : {size_t{0}, size_t{7}, size_t{30}, whole.size() / 3, whole.size() - 1}) {
      std::vector<uint8_t> part(whole.begin(), whole.begin() + static_cast<long>(cut));
      const std::string path = dir_.Write(std::string("cut_") + name, part);
      picture::LoadDetails details;
      const Bitmap got = LoadThroughLoader(path, &details);
      EXPECT_FALSE(got.Empty());
      if (cut < 30) {
        EXPECT_TRUE(details.failed) << name << " cut at " << cut;
      }
      if (details.failed) {
        EXPECT_FALSE(details.error.empty());
      }
    }
    std::vector<uint8_t> flipped = whole;
    for (size_t i = 12; i < flipped.size(); i += 97) flipped[i] ^= 0x5A;
    picture::LoadDetails details;
    EXPECT_FALSE(LoadThroughLoader(dir_.Write(std::string("flip_") + name, flipped), &details)
                     .Empty());
  }

  // Headers claiming 60000 x 60000 (TIFF) and 6000 x 6000 pixels (HEIF, whose library refuses
  // larger sides itself), past a 16 MB budget: refused before any picture is asked for.
  test_support::HookGuard budget_guard(picture::MemoryBudget, picture::SetMemoryBudget);
  picture::SetMemoryBudget(16u << 20);
  const auto patch_be32 = [](std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
  };
  // TIFF: the width and length entries of the first directory (little-endian, SHORT or LONG).
  std::vector<uint8_t> tiff = ReadBytes(dir_.File("a.tif"));
  const auto le32 = [&](size_t at) {
    return uint32_t{tiff[at]} | uint32_t{tiff[at + 1]} << 8 | uint32_t{tiff[at + 2]} << 16 |
           uint32_t{tiff[at + 3]} << 24;
  };
  ASSERT_EQ(tiff[0], 'I');
  const uint32_t ifd = le32(4);
  const int entries = tiff[ifd] | tiff[ifd + 1] << 8;
  for (int i = 0; i < entries; ++i) {
    const size_t e = ifd + 2 + static_cast<size_t>(i) * 12;
    const int tag = tiff[e] | tiff[e + 1] << 8;
    if (tag == 256 || tag == 257) {
      tiff[e + 2] = 4;  // LONG
      tiff[e + 8] = 0x60;
      tiff[e + 9] = 0xEA;  // 60000
      tiff[e + 10] = tiff[e + 11] = 0;
    }
  }
  // HEIF: the primary image's spatial extents ("ispe": version and flags, width, height).
  std::vector<uint8_t> heic = ReadBytes(dir_.File("a.heic"));
  const std::string text(heic.begin(), heic.end());
  const size_t ispe = text.find("ispe");
  ASSERT_NE(ispe, std::string::npos);
  patch_be32(heic, ispe + 8, 6000);
  patch_be32(heic, ispe + 12, 6000);
  for (const auto& [name, bytes, side] :
       {std::tuple{"big.tif", tiff, 60000}, std::tuple{"big.heic", heic, 6000}}) {
    SCOPED_TRACE(name);
    const std::string path = dir_.Write(name, bytes);
    const picture::PictureInfo info = picture::ReadPictureInfo(path);
    EXPECT_EQ(info.width, side);
    picture::ResetLargestPixelRequest();
    picture::LoadDetails details;
    LoadThroughLoader(path, &details);
    EXPECT_TRUE(details.failed);
    EXPECT_EQ(details.error, "Picture too large for memory");
    EXPECT_LT(picture::LargestPixelRequest(), size_t{1} << 20);
  }
  // A lossless WebP claiming 16384 x 16384: libwebp would hold the whole source even for a small
  // preview, so the preview is refused too.
  ASSERT_TRUE(Shell("cwebp -quiet -lossless " + src_png_ + " -o " + dir_.File("l.webp")));
  std::vector<uint8_t> webp = ReadBytes(dir_.File("l.webp"));
  const std::string webp_text(webp.begin(), webp.end());
  const size_t vp8l = webp_text.find("VP8L");
  ASSERT_NE(vp8l, std::string::npos);
  ASSERT_EQ(webp[vp8l + 8], 0x2F);
  webp[vp8l + 9] = webp[vp8l + 10] = webp[vp8l + 11] = 0xFF;  // 14 bits each of width and height
  webp[vp8l + 12] = static_cast<uint8_t>((webp[vp8l + 12] & 0xF0) | 0x0F);
  const std::string huge_webp = dir_.Write("huge.webp", webp);
  EXPECT_EQ(picture::ReadPictureInfo(huge_webp).width, 16384);
  picture::LoadDetails details;
  LoadThroughLoader(huge_webp, &details);
  EXPECT_EQ(details.error, "Picture too large for memory");
  Bitmap preview;
  codecs::ReaderRequest reduced;
  reduced.cover_width = reduced.cover_height = 60;
  EXPECT_EQ(codecs::LoadWebp(huge_webp, preview, reduced).error, "Picture too large for memory");
}

}  // namespace
}  // namespace vr
