#pragma once
// The Exif block of a JPEG file: the APP1 segment whose data starts "Exif\0\0". It is found by a
// walk over the segment headers before the first scan, so only those headers and the block itself
// are read, never the pixels. The block's orientation entry can be rewritten in place, which keeps
// every other byte of the block (maker notes included) as the camera wrote it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vr::camera {

// "Exif\0\0", the start of an Exif APP1 segment's data; the TIFF structure follows.
inline constexpr size_t kExifHeaderSize = 6;
bool IsExifSegment(const uint8_t* data, size_t size);

// The data of the first Exif APP1 segment (with its "Exif\0\0" header); empty when the file is
// not a JPEG, cannot be read or carries none.
std::vector<uint8_t> ReadJpegExifSegment(const std::string& path);
// The same from a whole JPEG file in memory.
std::vector<uint8_t> FindJpegExifSegment(const uint8_t* data, size_t size);

// Sets the orientation entry of the first image directory of an Exif segment's data to `value`.
// False (nothing changed) when the block is damaged or has no such entry.
bool SetExifOrientation(std::vector<uint8_t>& segment, int value);

}  // namespace vr::camera
