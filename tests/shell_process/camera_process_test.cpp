// The real viewer with a photo its camera held on its side: shown upright, and as stored once
// "Turn Photos Upright (Camera Orientation)" is turned off from the "Options" menu.
#include <chrono>
#include <thread>

#include "picture/codecs/jpeg/jpeg_codec.h"
#include "shell_process/process_fixture.h"
#include "test_support/exif_block.h"

namespace {

using namespace vr::process_testing;

TEST_F(ViewerProcessTest, SidewaysPhotoIsShownUprightUntilTheSettingIsTurnedOff) {
  vr::picture::Bitmap photo;
  ASSERT_TRUE(photo.Create(90, 30, vr::picture::PixelFormat::k24));
  vr::codecs::JpegMetadata metadata;
  metadata.exif = vr::test_support::MakeExifSegment({8, true, true});
  const std::string path = dir_.File("sideways.jpg");
  ASSERT_TRUE(
      vr::codecs::SaveJpeg(path, photo, vr::codecs::JpegSaveOptions{90, false}, &metadata).ok);
  StartViewer({path});
  const std::string shot = dir_.File("shot.bmp");
  std::string seen;
  // The first show runs from the message loop: ask until the photo is the one shown.
  for (int attempt = 0; attempt < 50; ++attempt) {
    seen = Command({"!snapshot " + shot}, viewer_state_);
    if (seen.rfind("picture=", 0) == 0 && seen != "picture=1 1\n") break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(seen, "picture=30 90\n");
  Command({"Options|Turn Photos Upright (Camera Orientation)"}, viewer_state_, true);
  EXPECT_EQ(Command({"!snapshot " + shot}, viewer_state_), "picture=90 30\n");
  Command({"Options|Turn Photos Upright (Camera Orientation)"}, viewer_state_, true);
  EXPECT_EQ(Command({"!snapshot " + shot}, viewer_state_), "picture=30 90\n");
  Quit(running_.front());
}

}  // namespace
