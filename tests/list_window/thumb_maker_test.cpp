// Making one thumbnail cell: fitting, centring on white, built-in pictures for media files, the
// red problem cell, and the per-type size thresholds.
#include "lists/window/thumb_maker.h"

#include <gtest/gtest.h>

#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "picture/kinds.h"
#include "test_support/temp_dir.h"

namespace vr::list_window {
namespace {

using picture::Bitmap;
using picture::PixelFormat;
using picture::Rgb;

Bitmap Solid(int w, int h, Rgb c) {
  Bitmap b;
  b.Create(w, h, PixelFormat::k24);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      b.Row(y)[x * 3] = c.b;
      b.Row(y)[x * 3 + 1] = c.g;
      b.Row(y)[x * 3 + 2] = c.r;
    }
  }
  return b;
}

bool Near(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

TEST(ThumbThreshold, SmallFilesAreDrawnFromThemselves) {
  struct Case {
    uint16_t kind;
    int64_t limit;
  } cases[] = {{picture::kKindBmp, 150000},
               {picture::kKindGif, 20000},
               {picture::kKindJpeg, 40000},
               {picture::kKindPcx, 10000},
               {picture::kKindPng, 10000}};
  for (const Case& c : cases) {
    EXPECT_FALSE(WantsCachedThumb(c.kind, c.limit)) << c.kind;
    EXPECT_TRUE(WantsCachedThumb(c.kind, c.limit + 1)) << c.kind;
  }
  EXPECT_FALSE(WantsCachedThumb(picture::kKindJpeg, -1));  // not scanned
}

TEST(MakeThumbnail, AWideJpegIsFittedAndCentredOnWhite) {
  test_support::TempDir dir;
  const std::string path = dir.File("wide.jpg");
  ASSERT_TRUE(codecs::SaveJpeg(path, Solid(800, 400, Rgb{200, 30, 30}), {90, false}).ok);
  ThumbSettings settings;
  settings.width = 64;
  settings.height = 64;
  const ThumbResult made = MakeThumbnail(path, settings);
  ASSERT_FALSE(made.failed);
  ASSERT_EQ(made.cell.Width(), 64);
  ASSERT_EQ(made.cell.Height(), 64);
  EXPECT_EQ(made.cell.Format(), PixelFormat::k24);
  // 800 x 400 fits as 64 x 32, rows 16..47.
  EXPECT_EQ(made.cell.ColourAt(32, 2), (Rgb{255, 255, 255}));
  EXPECT_EQ(made.cell.ColourAt(32, 61), (Rgb{255, 255, 255}));
  EXPECT_TRUE(Near(made.cell.ColourAt(32, 32), Rgb{200, 30, 30}, 12));
  EXPECT_TRUE(Near(made.cell.ColourAt(1, 17), Rgb{200, 30, 30}, 12));
}

TEST(MakeThumbnail, SmallPicturesAreNotEnlarged) {
  test_support::TempDir dir;
  const std::string path = dir.File("small.bmp");
  ASSERT_TRUE(codecs::SaveBmp(path, Solid(10, 6, Rgb{0, 0, 255})).ok);
  const ThumbResult made = MakeThumbnail(path, ThumbSettings{});
  ASSERT_FALSE(made.failed);
  // Centred: columns 27..36, rows 29..34.
  EXPECT_EQ(made.cell.ColourAt(27, 29), (Rgb{0, 0, 255}));
  EXPECT_EQ(made.cell.ColourAt(36, 34), (Rgb{0, 0, 255}));
  EXPECT_EQ(made.cell.ColourAt(26, 29), (Rgb{255, 255, 255}));
  EXPECT_EQ(made.cell.ColourAt(27, 35), (Rgb{255, 255, 255}));
}

TEST(MakeThumbnail, MediaFilesGetBuiltInPictures) {
  for (const char* name :
       {"/nowhere/tune.WAV", "/nowhere/song.mid", "/nowhere/clip.avi", "/nowhere/film.FLC"}) {
    const ThumbResult made = MakeThumbnail(name, ThumbSettings{});
    EXPECT_TRUE(made.built_in) << name;
    EXPECT_FALSE(made.failed) << name;
    EXPECT_EQ(made.cell.Width(), 64);
    // Something is drawn in the middle of the white cell.
    EXPECT_NE(made.cell.ColourAt(32, 32), (Rgb{255, 255, 255})) << name;
  }
  const Bitmap ear = MakeThumbnail("a.wav", ThumbSettings{}).cell;
  const Bitmap film = MakeThumbnail("a.mov", ThumbSettings{}).cell;
  EXPECT_FALSE(ear == film);
}

TEST(MakeThumbnail, AnUnreadablePictureGetsTheRedProblemCell) {
  test_support::TempDir dir;
  const std::string path = dir.WriteText("broken.jpg", "this is no JPEG at all");
  ThumbSettings settings;
  settings.width = 100;
  settings.height = 100;
  const ThumbResult made = MakeThumbnail(path, settings);
  EXPECT_TRUE(made.failed);
  EXPECT_EQ(made.cell.Width(), 100);
  EXPECT_EQ(made.cell.ColourAt(99, 99), (Rgb{255, 0, 0}));
  int yellow = 0;
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 100; ++x) yellow += made.cell.ColourAt(x, y) == Rgb{255, 255, 0} ? 1 : 0;
  }
  EXPECT_GT(yellow, 20);  // the two text lines
  EXPECT_TRUE(MakeThumbnail(dir.File("missing.gif"), settings).failed);
}

TEST(DecodeJpegForBox, DecodesAtTheSmallestScaleThatCoversTheBox) {
  test_support::TempDir dir;
  const std::string path = dir.File("big.jpg");
  ASSERT_TRUE(codecs::SaveJpeg(path, Solid(1600, 1200, Rgb{10, 200, 10}), {85, false}).ok);
  Bitmap out;
  ASSERT_TRUE(DecodeJpegForBox(path, 128, 128, &out));
  EXPECT_EQ(out.Width(), 200);  // 1/8
  EXPECT_EQ(out.Height(), 150);
  ASSERT_TRUE(DecodeJpegForBox(path, 300, 300, &out));
  EXPECT_EQ(out.Width(), 400);  // 1/4
  const std::string text = dir.WriteText("fake.jpg", "nope");
  Bitmap untouched = Solid(2, 2, Rgb{1, 2, 3});
  EXPECT_FALSE(DecodeJpegForBox(text, 64, 64, &untouched));
  EXPECT_EQ(untouched.Width(), 2);
}

}  // namespace
}  // namespace vr::list_window
