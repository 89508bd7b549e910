// Photos turned upright by their camera's orientation, over all eight values, on JPEGs written by
// the program's own writer with an Exif block built byte by byte: the picture the viewer shows,
// the 1/8 reduced decode of previews and fingerprints, the thumbnail the files list window caches
// and the dimensions it lists. With the setting off every road gives the picture as stored, and a
// damaged block counts as orientation 1.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "lists/window/thumb_maker.h"
#include "picture/camera/camera_facts.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "picture/load/loader.h"
#include "test_support/exif_block.h"
#include "test_support/temp_dir.h"

namespace vr {
namespace {

using picture::Bitmap;
using picture::Rgb;

constexpr int kWidth = 256;
constexpr int kHeight = 128;
// The stored picture's quarters: top left, top right, bottom left, bottom right.
constexpr std::array<Rgb, 4> kQuarters = {Rgb{230, 20, 20}, Rgb{20, 190, 20}, Rgb{20, 20, 230},
                                          Rgb{40, 40, 40}};

Bitmap Quarters() {
  Bitmap b;
  b.Create(kWidth, kHeight, picture::PixelFormat::k24);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const Rgb c = kQuarters[(y >= kHeight / 2 ? 2 : 0) + (x >= kWidth / 2 ? 1 : 0)];
      uint8_t* p = b.Row(y) + 3 * x;
      p[0] = c.b;
      p[1] = c.g;
      p[2] = c.r;
    }
  }
  return b;
}

// Which quarter of the stored picture a colour is (the nearest of the four).
int QuarterOf(Rgb c) {
  int best = 0;
  int best_d = 1 << 30;
  for (int i = 0; i < 4; ++i) {
    const int dr = c.r - kQuarters[i].r;
    const int dg = c.g - kQuarters[i].g;
    const int db = c.b - kQuarters[i].b;
    const int d = dr * dr + dg * dg + db * db;
    if (d < best_d) {
      best_d = d;
      best = i;
    }
  }
  return best;
}

// Where the pixel at (x, y) of the upright picture comes from in the stored W x H picture, as
// the Exif orientation values define it.
void StoredPoint(int orientation, double x, double y, double* sx, double* sy) {
  const double w = 1.0;  // coordinates are fractions of the sides
  const double h = 1.0;
  switch (orientation) {
    case 2: *sx = w - x; *sy = y; break;
    case 3: *sx = w - x; *sy = h - y; break;
    case 4: *sx = x; *sy = h - y; break;
    case 5: *sx = y; *sy = x; break;
    case 6: *sx = y; *sy = h - x; break;
    case 7: *sx = w - y; *sy = h - x; break;
    case 8: *sx = w - y; *sy = x; break;
    default: *sx = x; *sy = y; break;
  }
}

// The stored quarters seen at the upright picture's four quarter centres.
std::array<int, 4> ExpectedQuarters(int orientation) {
  std::array<int, 4> q{};
  for (int i = 0; i < 4; ++i) {
    double sx = 0;
    double sy = 0;
    StoredPoint(orientation, (i & 1) ? 0.75 : 0.25, (i & 2) ? 0.75 : 0.25, &sx, &sy);
    q[i] = (sy >= 0.5 ? 2 : 0) + (sx >= 0.5 ? 1 : 0);
  }
  return q;
}

// The quarters seen at the quarter centres of the box (x0, y0, w, h) of `b`.
std::array<int, 4> SeenQuarters(const Bitmap& b, int x0, int y0, int w, int h) {
  std::array<int, 4> q{};
  for (int i = 0; i < 4; ++i) {
    const int x = x0 + ((i & 1) ? 3 * w / 4 : w / 4);
    const int y = y0 + ((i & 2) ? 3 * h / 4 : h / 4);
    q[i] = QuarterOf(b.ColourAt(x, y));
  }
  return q;
}

// The box of a thumbnail cell that is not the white background.
struct Box {
  int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
  int Width() const { return x1 - x0 + 1; }
  int Height() const { return y1 - y0 + 1; }
};
Box PictureBox(const Bitmap& cell) {
  Box box;
  for (int y = 0; y < cell.Height(); ++y) {
    for (int x = 0; x < cell.Width(); ++x) {
      const Rgb c = cell.ColourAt(x, y);
      if (c.r + c.g + c.b > 600) continue;
      box.x0 = std::min(box.x0, x);
      box.y0 = std::min(box.y0, y);
      box.x1 = std::max(box.x1, x);
      box.y1 = std::max(box.y1, y);
    }
  }
  return box;
}

class Orientation : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    codecs::JpegMetadata metadata;
    metadata.exif = test_support::MakeExifSegment({GetParam(), true, GetParam() % 2 == 0});
    path_ = dir_.File("photo.jpg");
    ASSERT_TRUE(
        codecs::SaveJpeg(path_, Quarters(), codecs::JpegSaveOptions{95, false}, &metadata).ok);
  }
  void TearDown() override { camera::SetTurnPhotosUpright(true); }

  // Every loading road gives the picture turned as `orientation` says (1: as stored).
  void ExpectEveryRoadTurnedAs(int orientation) {
    const bool swapped = camera::OrientationSwapsSides(orientation);
    const int w = swapped ? kHeight : kWidth;
    const int h = swapped ? kWidth : kHeight;
    const std::array<int, 4> expected = ExpectedQuarters(orientation);

    picture::PictureHolder shown;
    picture::LoadDetails details;
    picture::LoadPicture(path_, shown, picture::DecodeOptions(), &details);
    ASSERT_FALSE(details.failed) << details.error;
    EXPECT_EQ(shown.Width(), w);
    EXPECT_EQ(shown.Height(), h);
    EXPECT_EQ(SeenQuarters(shown.bitmap, 0, 0, w, h), expected) << "shown picture";
    EXPECT_EQ(shown.turned, orientation != 1);

    picture::PictureHolder preview;
    picture::PreviewRequest request;
    request.target_size = 24;  // 256 pixels wide: decoded at 1/8
    const picture::PreviewOutcome outcome =
        picture::LoadPreviewPicture(path_, preview, request, picture::DecodeOptions());
    ASSERT_FALSE(outcome.failed);
    EXPECT_EQ(preview.Width(), w / 8);
    EXPECT_EQ(preview.Height(), h / 8);
    EXPECT_EQ(SeenQuarters(preview.bitmap, 0, 0, w / 8, h / 8), expected) << "1/8 decode";

    const list_window::ThumbResult thumb = list_window::MakeThumbnail(path_, {});
    ASSERT_FALSE(thumb.failed);
    const Box box = PictureBox(thumb.cell);
    ASSERT_GT(box.Width(), 8);
    ASSERT_GT(box.Height(), 8);
    EXPECT_EQ(box.Width() > box.Height(), !swapped) << box.Width() << " x " << box.Height();
    EXPECT_EQ(SeenQuarters(thumb.cell, box.x0, box.y0, box.Width(), box.Height()), expected)
        << "thumbnail";

    const picture::PictureInfo info = picture::ReadPictureInfo(path_);
    EXPECT_EQ(info.width, w);
    EXPECT_EQ(info.height, h);
  }

  test_support::TempDir dir_;
  std::string path_;
};

TEST_P(Orientation, EveryRoadShowsThePhotoUpright) {
  camera::SetTurnPhotosUpright(true);
  ExpectEveryRoadTurnedAs(GetParam());
}

TEST_P(Orientation, SettingOffGivesThePictureAsStored) {
  camera::SetTurnPhotosUpright(false);
  ExpectEveryRoadTurnedAs(1);
}

INSTANTIATE_TEST_SUITE_P(AllEight, Orientation, ::testing::Range(1, 9));

TEST(DamagedExif, LoadsAsStored) {
  test_support::TempDir dir;
  std::vector<uint8_t> block = test_support::MakeExifSegment({6, true, false});
  block[10] = 0xFF;  // the first directory lies far past the block
  block[11] = 0xFF;
  codecs::JpegMetadata metadata;
  metadata.exif = block;
  const std::string path = dir.File("damaged.jpg");
  ASSERT_TRUE(codecs::SaveJpeg(path, Quarters(), codecs::JpegSaveOptions{95, false}, &metadata).ok);
  camera::SetTurnPhotosUpright(true);
  picture::PictureHolder shown;
  picture::LoadDetails details;
  picture::LoadPicture(path, shown, picture::DecodeOptions(), &details);
  ASSERT_FALSE(details.failed);
  EXPECT_EQ(shown.Width(), kWidth);
  EXPECT_EQ(shown.Height(), kHeight);
  EXPECT_FALSE(shown.turned);
  EXPECT_EQ(SeenQuarters(shown.bitmap, 0, 0, kWidth, kHeight), ExpectedQuarters(1));
  EXPECT_EQ(picture::ReadPictureInfo(path).width, kWidth);
}

}  // namespace
}  // namespace vr
