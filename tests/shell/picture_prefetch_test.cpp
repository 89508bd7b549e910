// The picture decoded ahead at start-up: handed out once, only for the same file and the same
// decode-shaping options; anything else is dropped so the show decodes afresh.
#include "shell/picture_prefetch.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "picture/bitmap.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "test_support/temp_dir.h"

namespace vr::shell {
namespace {

using picture::Bitmap;
using picture::DecodeOptions;
using picture::PixelFormat;
using test_support::TempDir;

std::string WriteBmp(const TempDir& dir, const std::string& name, int w, int h) {
  Bitmap b;
  b.Create(w, h, PixelFormat::k24);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < 3 * w; ++x) b.Row(y)[x] = static_cast<uint8_t>(x + 7 * y);
  }
  const std::string path = dir.File(name);
  EXPECT_TRUE(codecs::SaveBmp(path, b).ok);
  return path;
}

DecodeOptions Deep() {
  DecodeOptions options;
  options.display_depth = 32;
  return options;
}

TEST(PicturePrefetch, TheSameFileIsHandedOutOnceWithItsDetails) {
  TempDir dir;
  const std::string a = WriteBmp(dir, "a.bmp", 30, 20);
  PicturePrefetch prefetch(a, Deep());
  std::optional<PrefetchedPicture> got = prefetch.Take(a, Deep());
  ASSERT_TRUE(got.has_value());
  EXPECT_FALSE(got->details.failed);
  EXPECT_EQ(got->details.file_depth, 24);
  EXPECT_EQ(got->holder.Width(), 30);
  EXPECT_EQ(got->holder.Height(), 20);
  EXPECT_EQ(got->holder.bitmap.Row(1)[2], static_cast<uint8_t>(2 + 7));
  // A later show of the same file decodes it again (it may have changed meanwhile).
  EXPECT_FALSE(prefetch.Take(a, Deep()).has_value());
}

TEST(PicturePrefetch, AnotherFileOrAnotherScreenDropsThePicture) {
  TempDir dir;
  const std::string a = WriteBmp(dir, "a.bmp", 8, 8);
  const std::string b = WriteBmp(dir, "b.bmp", 8, 8);
  {
    PicturePrefetch prefetch(a, Deep());
    EXPECT_FALSE(prefetch.Take(b, Deep()).has_value());
    EXPECT_FALSE(prefetch.Take(a, Deep()).has_value());  // dropped, not kept for later
  }
  {
    // A palette screen that asks for reduced decoding shapes the picture differently.
    PicturePrefetch prefetch(a, Deep());
    DecodeOptions reduced;
    reduced.display_depth = 8;
    reduced.true_colour_on_256 = true;
    EXPECT_FALSE(prefetch.Take(a, reduced).has_value());
  }
  {
    // The depth alone matters only where it changes the decode: a different depth is dropped.
    PicturePrefetch prefetch(a, Deep());
    DecodeOptions other = Deep();
    other.display_depth = 16;
    EXPECT_FALSE(prefetch.Take(a, other).has_value());
  }
}

TEST(PicturePrefetch, AFailedDecodeIsHandedOutAsAFailureAndNeverTakenIsJoined) {
  TempDir dir;
  const std::string broken = dir.WriteText("broken.bmp", "BM this is not a picture");
  {
    PicturePrefetch prefetch(broken, Deep());
    std::optional<PrefetchedPicture> got = prefetch.Take(broken, Deep());
    ASSERT_TRUE(got.has_value());
    EXPECT_TRUE(got->details.failed);
  }
  // Destroyed without a Take: the thread is waited for, nothing leaks or crashes.
  const std::string a = WriteBmp(dir, "a.bmp", 64, 64);
  { PicturePrefetch prefetch(a, Deep()); }
}

// A slide show's next picture, fitted to the screen by the decoding thread: the fit comes out
// only after its picture, and belongs only to those pixels and that screen.
TEST(PicturePrefetch, AFitMadeWithTheDecodeIsHandedOutOnlyWithItsPicture) {
  TempDir dir;
  const std::string a = WriteBmp(dir, "a.bmp", 400, 300);
  const ScreenFit fit{100, 90, false, true};
  {
    PicturePrefetch prefetch(a, Deep(), fit);
    EXPECT_FALSE(prefetch.TakeFitted().has_value());  // not before the picture
    std::optional<PrefetchedPicture> got = prefetch.Take(a, Deep());
    ASSERT_TRUE(got.has_value());
    std::optional<FittedPicture> fitted = prefetch.TakeFitted();
    ASSERT_TRUE(fitted.has_value());
    EXPECT_FALSE(prefetch.TakeFitted().has_value());  // once
    // The picture moves on to the viewer; the fit still knows its pixels.
    picture::PictureHolder shown = std::move(got->holder);
    EXPECT_TRUE(FittedFrom(*fitted, shown, fit));
    EXPECT_EQ(fitted->box, (Box{0, 7, 100, 75}));
    const FittedPicture here = FitToScreen(shown, fit);
    ASSERT_EQ(here.bitmap.Height(), fitted->bitmap.Height());
    for (int y = 0; y < here.bitmap.Height(); ++y) {
      ASSERT_EQ(0, std::memcmp(here.bitmap.Row(y), fitted->bitmap.Row(y), 3 * 100)) << y;
    }
    EXPECT_FALSE(FittedFrom(*fitted, shown, ScreenFit{100, 90, true, true}));
    EXPECT_FALSE(FittedFrom(*fitted, shown, ScreenFit{120, 90, false, true}));
    const picture::PictureHolder copy = shown;  // the same picture decoded again, say
    EXPECT_FALSE(FittedFrom(*fitted, copy, fit));
  }
  {
    // Dropped for another file, and no fit of a picture that failed.
    PicturePrefetch prefetch(a, Deep(), fit);
    EXPECT_FALSE(prefetch.Take(dir.File("b.bmp"), Deep()).has_value());
    EXPECT_FALSE(prefetch.TakeFitted().has_value());
    const std::string broken = dir.WriteText("broken.bmp", "BM this is not a picture");
    PicturePrefetch failed(broken, Deep(), fit);
    ASSERT_TRUE(failed.Take(broken, Deep()).has_value());
    EXPECT_FALSE(failed.TakeFitted().has_value());
  }
}

TEST(PicturePrefetch, OnlyPlainFilesOfKindsTheLoaderReadsAreWorthDecodingAhead) {
  TempDir dir;
  EXPECT_TRUE(PicturePrefetch::Worthwhile(WriteBmp(dir, "a.bmp", 4, 4)));
  EXPECT_TRUE(PicturePrefetch::Worthwhile(dir.WriteText("b.jpg", "x")));
  EXPECT_FALSE(PicturePrefetch::Worthwhile(dir.WriteText("c.gif", "GIF89a")));
  EXPECT_FALSE(PicturePrefetch::Worthwhile(dir.WriteText("d.avi", "RIFF")));
  EXPECT_FALSE(PicturePrefetch::Worthwhile(dir.File("missing.bmp")));
  EXPECT_FALSE(PicturePrefetch::Worthwhile(dir.Path()));  // a folder
}

}  // namespace
}  // namespace vr::shell
