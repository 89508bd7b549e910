// The Exif reader on blocks built byte by byte: every fact in both byte orders, the segment walk
// over real JPEG files, the orientation rewrite, and damaged blocks that read as orientation 1.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "picture/camera/camera_facts.h"
#include "picture/camera/exif_segment.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "test_support/exif_block.h"
#include "test_support/temp_dir.h"

namespace vr::camera {
namespace {

using test_support::ExifContent;
using test_support::MakeExifSegment;

CameraFacts Parse(const std::vector<uint8_t>& segment) {
  return ParseExifSegment(segment.data(), segment.size());
}

picture::Bitmap Grey(int w, int h) {
  picture::Bitmap b;
  b.Create(w, h, picture::PixelFormat::k24);
  return b;
}

TEST(CameraFacts, EveryFactInBothByteOrders) {
  for (const bool big : {false, true}) {
    SCOPED_TRACE(big ? "big endian" : "little endian");
    const CameraFacts f = Parse(MakeExifSegment({8, true, big}));
    EXPECT_EQ(f.orientation, 8);
    EXPECT_EQ(f.taken, "2024:05:01 12:30:00");
    EXPECT_EQ(f.make, "Veldrimon Optics");
    EXPECT_EQ(f.model, "VX-100");
    EXPECT_EQ(f.lens, "Wide 4.2mm");
    EXPECT_EQ(f.exposure, "1/250 s");
    EXPECT_EQ(f.aperture, "f/2.8");
    EXPECT_EQ(f.iso, "200");
    EXPECT_EQ(f.focal_length, "4.2 mm");
    EXPECT_EQ(f.gps, "51.500000, -0.120000");  // 51 deg 30' N, 0 deg 7' 12" W
    EXPECT_TRUE(f.HasFacts());
  }
  const CameraFacts bare = Parse(MakeExifSegment({3, false, false}));
  EXPECT_EQ(bare.orientation, 3);
  EXPECT_FALSE(bare.HasFacts());
}

TEST(CameraFacts, DamagedBlocksReadAsOrientationOneWithoutFacts) {
  const std::vector<uint8_t> good = MakeExifSegment({6, true, false});
  std::vector<std::vector<uint8_t>> damaged;
  for (size_t keep : {size_t{0}, size_t{5}, size_t{6}, size_t{10}, size_t{14}, size_t{20}}) {
    damaged.emplace_back(good.begin(), good.begin() + static_cast<long>(keep));
  }
  std::vector<uint8_t> bad_order = good;
  bad_order[6] = 'X';  // neither "II" nor "MM"
  damaged.push_back(bad_order);
  std::vector<uint8_t> far_directory = good;
  far_directory[10] = 0xFF;  // first directory far past the block
  far_directory[11] = 0xFF;
  far_directory[12] = 0xFF;
  damaged.push_back(far_directory);
  std::vector<uint8_t> no_header = good;
  no_header[0] = 'e';
  damaged.push_back(no_header);
  for (size_t i = 0; i < damaged.size(); ++i) {
    SCOPED_TRACE(i);
    const CameraFacts f = Parse(damaged[i]);
    EXPECT_EQ(f.orientation, 1);
    EXPECT_FALSE(f.HasFacts());
  }
  // Values outside 1..8 are no orientation.
  EXPECT_EQ(Parse(MakeExifSegment({9, false, false})).orientation, 1);
  EXPECT_EQ(Parse(MakeExifSegment({0, true, false})).orientation, 1);
}

TEST(CameraFacts, OrientationRewriteKeepsEveryOtherByte) {
  for (const bool big : {false, true}) {
    const std::vector<uint8_t> original = MakeExifSegment({6, true, big});
    std::vector<uint8_t> segment = original;
    ASSERT_TRUE(SetExifOrientation(segment, 1));
    ASSERT_EQ(segment.size(), original.size());
    int changed = 0;
    for (size_t i = 0; i < segment.size(); ++i) changed += segment[i] != original[i];
    EXPECT_EQ(changed, 1);  // the low byte of the value, 6 -> 1
    const CameraFacts f = Parse(segment);
    EXPECT_EQ(f.orientation, 1);
    EXPECT_EQ(f.model, "VX-100");
  }
  std::vector<uint8_t> without = MakeExifSegment({0, true, false});
  const std::vector<uint8_t> before = without;
  EXPECT_FALSE(SetExifOrientation(without, 1));
  EXPECT_EQ(without, before);
  std::vector<uint8_t> cut(before.begin(), before.begin() + 12);
  EXPECT_FALSE(SetExifOrientation(cut, 1));
}

TEST(CameraFacts, SegmentWalkFindsTheBlockInFilesAndMemory) {
  test_support::TempDir dir;
  codecs::JpegMetadata metadata;
  metadata.exif = MakeExifSegment({5, true, true});
  metadata.icc = test_support::MakeRgbProfile(3000);  // an APP2 segment before nothing else
  const std::string photo = dir.File("photo.jpg");
  ASSERT_TRUE(codecs::SaveJpeg(photo, Grey(16, 8), codecs::JpegSaveOptions{80, false}, &metadata).ok);
  EXPECT_EQ(ReadJpegExifSegment(photo), metadata.exif);
  EXPECT_EQ(ReadCameraOrientation(photo), 5);
  EXPECT_EQ(ReadCameraFacts(photo).lens, "Wide 4.2mm");
  const std::string plain = dir.File("plain.jpg");
  ASSERT_TRUE(codecs::SaveJpeg(plain, Grey(16, 8), codecs::JpegSaveOptions{80, false}).ok);
  EXPECT_TRUE(ReadJpegExifSegment(plain).empty());
  EXPECT_EQ(ReadCameraOrientation(plain), 1);
  EXPECT_EQ(ReadCameraOrientation(dir.File("missing.jpg")), 1);
  EXPECT_FALSE(ReadCameraFacts(plain).HasFacts());
  // The same file in memory, and cut short inside the block.
  std::ifstream in(photo, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  EXPECT_EQ(CameraOrientationOfJpeg(bytes.data(), bytes.size()), 5);
  EXPECT_EQ(CameraOrientationOfJpeg(bytes.data(), 40), 1);
  EXPECT_EQ(CameraOrientationOfJpeg(nullptr, 0), 1);
}

}  // namespace
}  // namespace vr::camera
