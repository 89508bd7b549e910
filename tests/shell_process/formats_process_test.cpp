// The real viewer with WebP, TIFF and HEIC pictures made by their libraries' tools (and a camera-
// sized JPEG): shown in the viewer, listed with their facts and kinds in the files list window,
// and thumbnailed there.
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "shell_process/process_fixture.h"

namespace {

using namespace vr::process_testing;

bool Shell(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// Channels of an "RRGGBB" text each within `tolerance` of the expected colour.
bool Near(const std::string& hex, int r, int g, int b, int tolerance) {
  if (hex.size() != 6) return false;
  const long v = std::strtol(hex.c_str(), nullptr, 16);
  return std::abs(((v >> 16) & 255) - r) <= tolerance &&
         std::abs(((v >> 8) & 255) - g) <= tolerance && std::abs((v & 255) - b) <= tolerance;
}

TEST_F(ViewerProcessTest, WebpTiffAndHeicAreShownListedAndThumbnailed) {
  for (const char* tool : {"convert", "cwebp", "heif-enc"}) {
    if (!Shell(std::string("command -v ") + tool)) GTEST_SKIP() << tool << " is not installed";
  }
  const std::string png = dir_.File("blue.png");
  // True colour: a one-colour picture would otherwise be written with a two-entry palette.
  ASSERT_TRUE(Shell("convert -size 200x150 xc:'#2040c0' -type TrueColor PNG24:" + png));
  const std::string webp = dir_.File("one.webp");
  const std::string tiff = dir_.File("two.tif");
  const std::string heic = dir_.File("three.heic");
  ASSERT_TRUE(Shell("cwebp -quiet -q 90 " + png + " -o " + webp));
  ASSERT_TRUE(Shell("convert " + png + " -type TrueColor -compress lzw " + tiff));
  ASSERT_TRUE(Shell("heif-enc -q 90 " + png + " -o " + heic));
  // A camera-sized baseline 4:2:0 JPEG, thumbnailed at 1/8 scale by the quick decoder.
  const std::string jpeg = dir_.File("zfour.jpg");
  ASSERT_TRUE(Shell("convert -size 1600x1200 xc:'#2040c0' -quality 90 -sampling-factor 2x2 " +
                    jpeg));
  StartViewer({webp, tiff, heic, jpeg});

  std::string seen;
  for (int attempt = 0; attempt < 50; ++attempt) {
    seen = Command({"!snapshot " + dir_.File("shot.bmp")}, viewer_state_);
    if (seen == "picture=200 150\n") break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(seen, "picture=200 150\n");

  ASSERT_EQ(Command({"View|Files List Window"}, viewer_state_), "ok\n");
  // The fact scan runs while the window is idle: ask until every row has its kind.
  std::string rows;
  for (int attempt = 0; attempt < 100; ++attempt) {
    rows = Command({"!lines Files List Window"}, viewer_state_);
    if (rows.find("|WEBP|") != std::string::npos && rows.find("|TIFF|") != std::string::npos &&
        rows.find("|HEIF|") != std::string::npos) {
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  for (const char* kind : {"|WEBP|", "|TIFF|", "|HEIF|"}) {
    EXPECT_NE(rows.find(std::string("|16M|200x150") + kind), std::string::npos) << rows;
  }

  ASSERT_EQ(Command({"@list|View|Thumbnails"}, viewer_state_), "ok\n");
  const std::string thumbs = WaitThumbnails();
  std::istringstream lines(thumbs);
  int count = 0;
  for (std::string line; std::getline(lines, line); ++count) {
    ASSERT_EQ(line.rfind("thumb=", 0), 0u) << thumbs;
    EXPECT_TRUE(Near(line.substr(6), 0x20, 0x40, 0xC0, 6)) << line;
  }
  EXPECT_EQ(count, 4);
  Quit(running_.front());
}

}  // namespace
