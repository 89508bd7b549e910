#pragma once
// What the camera wrote into a photo's Exif block: the orientation the picture is meant to be
// seen in and the facts the Properties window lists. Read through exiv2 from the block alone
// (see exif_segment.h); a damaged block reads as orientation 1 without facts, never as an error.
//
// The orientation values are Exif's: 1 as stored, 2 mirrored, 3 turned half round, 4 flipped,
// 5 mirrored then turned a quarter left (transposed), 6 to be turned a quarter right, 7 turned
// a quarter right then flipped (transversed), 8 to be turned a quarter left.

#include <cstddef>
#include <cstdint>
#include <string>

namespace vr::camera {

struct CameraFacts {
  int orientation = 1;
  std::string taken;         // "2024:05:01 12:30:00" as written
  std::string make;
  std::string model;
  std::string lens;
  std::string exposure;      // "1/250 s"
  std::string aperture;      // "f/2.8"
  std::string iso;           // "200"
  std::string focal_length;  // "4.2 mm"
  std::string gps;           // "51.500000, -0.120000" (degrees, south and west negative)
  bool HasFacts() const {
    return !taken.empty() || !make.empty() || !model.empty() || !lens.empty() ||
           !exposure.empty() || !aperture.empty() || !iso.empty() || !focal_length.empty() ||
           !gps.empty();
  }
};

// From the data of an Exif APP1 segment (starting "Exif\0\0").
CameraFacts ParseExifSegment(const uint8_t* data, size_t size);
// From a file: its Exif block when it is a JPEG that has one, else the defaults.
CameraFacts ReadCameraFacts(const std::string& path);

// The orientation (1..8) of a JPEG file, or of a whole JPEG file in memory.
int ReadCameraOrientation(const std::string& path);
int CameraOrientationOfJpeg(const uint8_t* data, size_t size);

// Orientations 5 to 8 turn the picture a quarter: width and height change places.
inline bool OrientationSwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// "Turn Photos Upright (Camera Orientation)": whether pictures are shown, previewed and saved
// as the camera meant them. On unless the program turns it off; read by every loading thread.
void SetTurnPhotosUpright(bool on);
bool TurnPhotosUpright();

}  // namespace vr::camera
