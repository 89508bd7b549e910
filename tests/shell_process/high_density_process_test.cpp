// The real viewer on a screen of device pixel ratio 2 (QT_SCALE_FACTOR=2): "Actual Size" gives one
// picture pixel per device pixel, and the fit pane's picture is made at device pixels rather
// than made at the logical size and doubled.
#include <chrono>
#include <thread>

#include "picture/codecs/bmp/bmp_codec.h"
#include "shell_process/process_fixture.h"

namespace {

using namespace vr::process_testing;
using vr::picture::Bitmap;

constexpr const char* kActual = "View|Actual Size                 Key=V";
constexpr const char* kFit = "View|Re-Size To Fit            Key=V";

class HighDensityTest : public ViewerProcessTest {
 protected:
  // The window as the screen shows it, in device pixels.
  Bitmap Shot() {
    const std::string shot = dir_.File("shot.bmp");
    Command({"!snapshot " + shot}, viewer_state_);
    Bitmap image;
    vr::codecs::LoadBmpFile(shot, image);
    return image;
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
  Bitmap noise;
  ASSERT_TRUE(noise.Create(1600, 1200, vr::picture::PixelFormat::k24));
  uint32_t state = 12345;
  for (int y = 0; y < 1200; ++y) {
    for (int x = 0; x < 1600 * 3; ++x) {
      state = state * 1664525u + 1013904223u;
      noise.Row(y)[x] = static_cast<uint8_t>(state >> 24);
    }
  }
  const std::string noise_path = dir_.File("a_noise.bmp");
  ASSERT_TRUE(vr::codecs::SaveBmp(noise_path, noise).ok);

  // The list runs by name: the noise first, in the fit pane.
  StartViewer({square_path, noise_path}, {"QT_SCALE_FACTOR=2"});
  WaitShown(1600, 1200);
  ASSERT_EQ(Command({kFit}, viewer_state_), "ok\n");
  // Around the middle of the window, which the fitted picture covers: a doubled picture repeats
  // each pixel in pairs; one made at device pixels almost never does.
  const Bitmap fit = Shot();
  ASSERT_GT(fit.Width(), 200);
  int pairs = 0;
  int repeated = 0;
  for (int y = fit.Height() / 2 - 20; y < fit.Height() / 2 + 20; ++y) {
    for (int x = fit.Width() / 2 - 40; x < fit.Width() / 2 + 40; x += 2) {
      ++pairs;
      if (fit.PixelAt(x, y) == fit.PixelAt(x + 1, y)) ++repeated;
    }
  }
  EXPECT_LT(repeated * 4, pairs) << repeated << " of " << pairs << " pixel pairs repeat";

  ASSERT_EQ(Command({"Edit|Forward (Next File)     PgDn"}, viewer_state_), "ok\n");
  WaitShown(100, 100);
  ASSERT_EQ(Command({kActual}, viewer_state_), "ok\n");
  const Bitmap actual = Shot();
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
  Quit(running_.front());
}

}  // namespace
