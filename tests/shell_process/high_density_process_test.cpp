// The real viewer on a screen of device pixel ratio 2 (QT_SCALE_FACTOR=2): "Actual Size" gives one
// picture pixel per device pixel, and fitted pictures (panes, full screen, previews, thumbnails)
// and the tool-bar artwork are made at device pixels rather than made at the logical size and
// doubled.
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "picture/codecs/bmp/bmp_codec.h"
#include "shell_process/process_fixture.h"

namespace {

using namespace vr::process_testing;
using vr::picture::Bitmap;

constexpr const char* kActual = "View|Actual Size                 Key=V";
constexpr const char* kFit = "View|Re-Size To Fit            Key=V";
constexpr const char* kFullActual = "View|FULL Screen (Actual Size)";
constexpr const char* kFullFit = "View|FULL Screen (RE-Size To Fit)     ";

// How alike neighbouring pixels are against pixels two apart, along the rows of `box` (left,
// top, right, bottom; exclusive), over the pixels where `counts` holds: the summed colour
// difference to the next pixel divided by that to the one after. A noise picture made at device
// pixels gives about 1; one made at logical pixels and doubled, whether by repeating pixels or by
// blending them, about 0.5.
double NearToFar(const Bitmap& image, int left, int top, int right, int bottom,
                 const std::function<bool(uint32_t)>& counts = {}) {
  auto difference = [](uint32_t a, uint32_t b) {
    int sum = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      sum += std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
    }
    return sum;
  };
  int64_t near = 0;
  int64_t far = 0;
  for (int y = std::max(0, top); y < std::min(bottom, image.Height()); ++y) {
    for (int x = std::max(0, left); x + 2 < std::min(right, image.Width()); ++x) {
      const uint32_t a = image.PixelAt(x, y);
      const uint32_t b = image.PixelAt(x + 1, y);
      const uint32_t c = image.PixelAt(x + 2, y);
      if (counts && (!counts(a) || !counts(b) || !counts(c))) continue;
      near += difference(a, b);
      far += difference(a, c);
    }
  }
  return far > 0 ? static_cast<double>(near) / static_cast<double>(far) : 0;
}

// A 24-bit picture of noise; `orange` keeps red at 255 and blue at 0 (shrinking keeps both), so
// the picture's pixels stand out of any window around it.
Bitmap Noise(int width, int height, bool orange, uint32_t seed) {
  Bitmap noise;
  noise.Create(width, height, vr::picture::PixelFormat::k24);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = noise.Row(y);
    for (int x = 0; x < width * 3; ++x) {
      seed = seed * 1664525u + 1013904223u;
      row[x] = static_cast<uint8_t>(seed >> 24);
      if (orange && x % 3 != 1) row[x] = x % 3 == 0 ? 0 : 255;
    }
  }
  return noise;
}

bool IsOrange(uint32_t rgb) { return (rgb >> 16) == 0xFF && (rgb & 0xFF) == 0; }

class HighDensityTest : public ViewerProcessTest {
 protected:
  // The window as the screen shows it, in device pixels.
  Bitmap Shot() {
    const std::string shot = dir_.File("shot.bmp");
    Command({"!snapshot " + shot}, viewer_state_);
    return Load(shot);
  }
  static Bitmap Load(const std::string& path) {
    Bitmap image;
    vr::codecs::LoadBmpFile(path, image);
    return image;
  }
  // Enters full screen by `entry` and grabs the full-screen window before leaving it (Escape).
  Bitmap FullScreenShot(const std::string& entry, const std::string& name) {
    const std::string shot = dir_.File(name);
    EXPECT_EQ(Command({entry}, viewer_state_, true, nullptr, nullptr, 20000,
                      "!grab FullScreen|" + shot + "\n!reject"),
              "ok\n");
    return Load(shot);
  }
  // The widget of that object name as the screen shows it, in device pixels.
  Bitmap Grab(const std::string& name) {
    const std::string shot = dir_.File(name + ".bmp");
    EXPECT_EQ(Command({"!grab " + name + "|" + shot}, viewer_state_).rfind("grabbed=", 0), 0u);
    return Load(shot);
  }
  void WaitShown(int width, int height) {
    const std::string want = "picture=" + std::to_string(width) + " " + std::to_string(height) + "\n";
    std::string seen;
    for (int attempt = 0; attempt < 50; ++attempt) {
      seen = Command({"!snapshot " + dir_.File("shot.bmp")}, viewer_state_);
      if (seen == want) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ADD_FAILURE() << "the picture was not shown: " << seen;
  }
};

TEST_F(HighDensityTest, ActualSizeIsOnePicturePixelPerDevicePixelAndFitIsNotUpscaled) {
  // A 100 x 100 picture of one colour no part of the window has.
  Bitmap square;
  ASSERT_TRUE(square.Create(100, 100, vr::picture::PixelFormat::k24));
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 100; ++x) {
      uint8_t* p = square.Row(y) + x * 3;
      p[0] = 60, p[1] = 30, p[2] = 200;
    }
  }
  const std::string square_path = dir_.File("b_square.bmp");
  ASSERT_TRUE(vr::codecs::SaveBmp(square_path, square).ok);
  // A picture of noise larger than the window: shrunk for the fit pane.
  const Bitmap noise = Noise(1600, 1200, false, 12345);
  const std::string noise_path = dir_.File("a_noise.bmp");
  ASSERT_TRUE(vr::codecs::SaveBmp(noise_path, noise).ok);

  // The list runs by name: the noise first, in the fit pane.
  StartViewer({square_path, noise_path}, {"QT_SCALE_FACTOR=2"});
  WaitShown(1600, 1200);
  ASSERT_EQ(Command({kFit}, viewer_state_), "ok\n");
  // Around the middle of the window, which the fitted picture covers.
  const Bitmap fit = Shot();
  ASSERT_GT(fit.Width(), 200);
  const int cx = fit.Width() / 2;
  const int cy = fit.Height() / 2;
  EXPECT_GT(NearToFar(fit, cx - 40, cy - 20, cx + 40, cy + 20), 0.75);

  // Full screen fitted: the same, over the middle of the screen.
  const Bitmap full_fit = FullScreenShot(kFullFit, "full_fit.bmp");
  ASSERT_GT(full_fit.Width(), 400);
  EXPECT_GT(NearToFar(full_fit, full_fit.Width() / 2 - 100, full_fit.Height() / 2 - 50,
                      full_fit.Width() / 2 + 100, full_fit.Height() / 2 + 50),
            0.75);

  ASSERT_EQ(Command({"Edit|Forward (Next File)     PgDn"}, viewer_state_), "ok\n");
  WaitShown(100, 100);
  ASSERT_EQ(Command({kActual}, viewer_state_), "ok\n");
  // In the actual-size pane and in full screen at actual size alike.
  for (const Bitmap& actual : {Shot(), FullScreenShot(kFullActual, "full_actual.bmp")}) {
    ASSERT_FALSE(actual.Empty());
    int left = actual.Width(), top = actual.Height(), right = -1, bottom = -1, count = 0;
    for (int y = 0; y < actual.Height(); ++y) {
      for (int x = 0; x < actual.Width(); ++x) {
        if (actual.PixelAt(x, y) != 0xC81E3Cu) continue;
        ++count;
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
    EXPECT_EQ(right - left + 1, 100);
    EXPECT_EQ(bottom - top + 1, 100);
    EXPECT_EQ(count, 100 * 100);
  }

  // Tool-bar artwork carries a drawing of its own at twice the density, not the 1x image
  // scaled up.
  const std::string icon1 = dir_.File("icon1.bmp");
  const std::string icon2 = dir_.File("icon2.bmp");
  const std::string size1 = Command({"!icon TBSlide|1|" + icon1}, viewer_state_);
  const std::string size2 = Command({"!icon TBSlide|2|" + icon2}, viewer_state_);
  const Bitmap one = Load(icon1);
  const Bitmap two = Load(icon2);
  ASSERT_FALSE(one.Empty()) << size1;
  ASSERT_EQ(two.Width(), 2 * one.Width()) << size1 << size2;
  ASSERT_EQ(two.Height(), 2 * one.Height());
  int differing = 0;
  for (int y = 0; y < two.Height(); ++y) {
    for (int x = 0; x < two.Width(); ++x) {
      if (two.PixelAt(x, y) != one.PixelAt(x / 2, y / 2)) ++differing;
    }
  }
  EXPECT_GT(differing, two.Width());
  Quit(running_.front());
}

TEST_F(HighDensityTest, ThumbnailsAndTheLargePreviewAreMadeAtDevicePixels) {
  // Larger than the thumbnail cell and kept in the thumbnail cache (past the size drawn from
  // the file itself).
  const Bitmap noise = Noise(300, 200, true, 777);
  const std::string path = dir_.File("orange.bmp");
  ASSERT_TRUE(vr::codecs::SaveBmp(path, noise).ok);
  StartViewer({path}, {"QT_SCALE_FACTOR=2"});
  WaitShown(300, 200);
  ASSERT_EQ(Command({"View|Files List Window"}, viewer_state_), "ok\n");
  ASSERT_EQ(Command({"@list|View|Thumbnails"}, viewer_state_), "ok\n");
  const std::string thumbs = WaitThumbnails();
  ASSERT_EQ(thumbs.rfind("thumb=", 0), 0u) << thumbs;

  // The 64-pixel cell holds the picture fitted to 128 device pixels, drawn one to one.
  const Bitmap cells = Grab("ThumbView");
  int left = cells.Width(), right = -1, count = 0;
  for (int y = 0; y < cells.Height(); ++y) {
    for (int x = 0; x < cells.Width(); ++x) {
      if (!IsOrange(cells.PixelAt(x, y))) continue;
      ++count;
      left = std::min(left, x), right = std::max(right, x);
    }
  }
  EXPECT_EQ(right - left + 1, 128);
  EXPECT_GT(count, 128 * 60);
  EXPECT_GT(NearToFar(cells, 0, 0, cells.Width(), cells.Height(), IsOrange), 0.75);

  // The large preview of a picture that fits the screen shows every picture pixel once.
  ASSERT_EQ(Command({"!select Files List Window|orange.bmp"}, viewer_state_), "ok\n");
  ASSERT_EQ(Command({"@list|Previews|Preview (Open LARGE Preview Window For Picture)"},
                    viewer_state_),
            "ok\n");
  const Bitmap preview = Grab("PreViewFile0");
  int matching = 0;
  for (int y = 0; y < std::min(preview.Height(), 200); ++y) {
    for (int x = 0; x < std::min(preview.Width(), 300); ++x) {
      if (preview.PixelAt(x, y) == noise.PixelAt(x, y)) ++matching;
    }
  }
  EXPECT_EQ(preview.Width(), 300);
  EXPECT_EQ(preview.Height(), 200);
  EXPECT_EQ(matching, 300 * 200);
  Quit(running_.front());
}

}  // namespace
