// The Exif reader over arbitrary bytes: as the data of an APP1 segment (exiv2's decoding and the
// facts made from it), as a whole JPEG file (the segment walk), and the orientation rewrite.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture/camera/camera_facts.h"
#include "picture/camera/exif_segment.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const vr::camera::CameraFacts facts = vr::camera::ParseExifSegment(data, size);
  if (facts.orientation < 1 || facts.orientation > 8) __builtin_trap();
  const int orientation = vr::camera::CameraOrientationOfJpeg(data, size);
  if (orientation < 1 || orientation > 8) __builtin_trap();
  std::vector<uint8_t> segment(data, data + size);
  if (vr::camera::SetExifOrientation(segment, 1) &&
      (segment.size() != size ||
       vr::camera::ParseExifSegment(segment.data(), segment.size()).orientation != 1)) {
    // A rewritten entry must read back as 1 (exiv2 and the rewrite agree on the entry).
    __builtin_trap();
  }
  return 0;
}
