// Row progress of the loader: every decoder that reports rows climbs to 100 in steps, each
// percentage once; without a progress nothing is reported and the scope restores the one before.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/codecs/codec_api.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "picture/decode_progress.h"
#include "picture/load/loader.h"
#include "test_support/temp_dir.h"

namespace vr::picture {
namespace {

using test_support::TempDir;

struct Seen {
  std::vector<int> percents;
  static void Record(void* context, int percent) {
    static_cast<Seen*>(context)->percents.push_back(percent);
  }
};

Bitmap Gradient(int w, int h) {
  Bitmap b;
  b.Create(w, h, PixelFormat::k24);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = b.Row(y);
    for (int x = 0; x < w; ++x) {
      row[3 * x] = static_cast<uint8_t>(x);
      row[3 * x + 1] = static_cast<uint8_t>(y);
      row[3 * x + 2] = static_cast<uint8_t>(x ^ y);
    }
  }
  return b;
}

Bitmap Indexed(int w, int h) {
  Bitmap b;
  b.Create(w, h, PixelFormat::k8);
  std::vector<Rgb> palette(256);
  for (int i = 0; i < 256; ++i) palette[i] = Rgb{uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)};
  b.SetPalette(palette);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) b.Row(y)[x] = static_cast<uint8_t>(x + y);
  }
  return b;
}

std::vector<int> LoadWithProgress(const std::string& path) {
  Seen seen;
  DecodeProgress progress;
  progress.report = &Seen::Record;
  progress.context = &seen;
  DecodeOptions options;
  options.progress = &progress;
  PictureHolder holder;
  LoadDetails details;
  LoadPicture(path, holder, options, &details);
  EXPECT_FALSE(details.failed) << path << ": " << details.error;
  EXPECT_EQ(holder.Height(), 300) << path;
  return seen.percents;
}

// Rises strictly, each value once, and ends at 100 after passing the middle.
void ExpectClimbs(const std::vector<int>& p, const std::string& what) {
  ASSERT_GE(p.size(), 10u) << what;
  for (size_t i = 1; i < p.size(); ++i) EXPECT_LT(p[i - 1], p[i]) << what << " at " << i;
  EXPECT_LE(p.front(), 1) << what;
  EXPECT_EQ(p.back(), 100) << what;
}

TEST(DecodeProgressTest, EveryRowDecoderClimbsToOneHundred) {
  TempDir dir;
  const Bitmap colour = Gradient(200, 300);
  const Bitmap indexed = Indexed(200, 300);
  ASSERT_TRUE(codecs::SaveBmp(dir.File("a.bmp"), colour).ok);
  ASSERT_TRUE(codecs::SaveJpeg(dir.File("a.jpg"), colour, codecs::JpegSaveOptions{}).ok);
  ASSERT_TRUE(codecs::SavePcx(dir.File("a.pcx"), indexed, 3).ok);
  ASSERT_TRUE(codecs::SaveTga(dir.File("a.tga"), colour, 2).ok);
  ASSERT_TRUE(codecs::SavePic(dir.File("a.pic"), indexed, 3).ok);
  ASSERT_TRUE(codecs::SavePngFile(dir.File("a.png"), colour).ok);
  for (const char* name : {"a.bmp", "a.jpg", "a.pcx", "a.tga", "a.pic", "a.png"}) {
    ExpectClimbs(LoadWithProgress(dir.File(name)), name);
  }
  // GIF stills (the viewer's first frame) report through the installed progress.
  ASSERT_TRUE(codecs::SaveGif(dir.File("a.gif"), indexed, codecs::GifSaveOptions{}).ok);
  Seen seen;
  DecodeProgress progress;
  progress.report = &Seen::Record;
  progress.context = &seen;
  {
    const ProgressScope scope(&progress);
    Bitmap still;
    ASSERT_TRUE(codecs::LoadGifStill(dir.File("a.gif"), still, Rgb{0, 0, 0}, nullptr).ok());
    EXPECT_EQ(still.Height(), 300);
  }
  ExpectClimbs(seen.percents, "a.gif");
}

TEST(DecodeProgressTest, ReportsOnlyChangesAndClampsAndRestoresTheOuterScope) {
  Seen seen;
  DecodeProgress progress;
  progress.report = &Seen::Record;
  progress.context = &seen;
  ReportRowTo(progress, 1, 1000);  // 0%
  ReportRowTo(progress, 5, 1000);  // still 0%
  ReportRowTo(progress, -3, 1000);
  ReportRowTo(progress, 500, 1000);
  ReportRowTo(progress, 5000, 1000);  // past the end: 100
  ReportRowTo(progress, 7, 0);        // no rows: nothing
  EXPECT_EQ(seen.percents, (std::vector<int>{0, 50, 100}));

  DecodeProgress inner;
  EXPECT_EQ(CurrentDecodeProgress(), nullptr);
  {
    const ProgressScope outer_scope(&progress);
    {
      const ProgressScope inner_scope(&inner);
      EXPECT_EQ(CurrentDecodeProgress(), &inner);
    }
    EXPECT_EQ(CurrentDecodeProgress(), &progress);
  }
  EXPECT_EQ(CurrentDecodeProgress(), nullptr);
}

TEST(DecodeProgressTest, LoadWithoutProgressLeavesNoneInstalled) {
  TempDir dir;
  ASSERT_TRUE(codecs::SaveBmp(dir.File("b.bmp"), Gradient(20, 30)).ok);
  DecodeProgress stale;
  const ProgressScope scope(&stale);  // an outer caller's progress
  PictureHolder holder;
  LoadPicture(dir.File("b.bmp"), holder, DecodeOptions{});
  // The load ran without a progress of its own and gave the outer one back.
  EXPECT_EQ(stale.last, -1);
  EXPECT_EQ(CurrentDecodeProgress(), &stale);
}

}  // namespace
}  // namespace vr::picture
