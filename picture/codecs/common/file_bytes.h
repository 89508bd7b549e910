#pragma once
// Whole-file reads for the readers whose libraries decode from memory, bounded so that a file
// cannot ask for more than the picture memory budget allows.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "picture/bitmap.h"

namespace vr::codecs {

// Reads `path` into `bytes`. False with a message when the file cannot be opened or read, or is
// larger than the memory budget. With `limit`, only the first `limit` bytes are read.
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error,
                   size_t limit = SIZE_MAX);

// Whether a width x height picture of `bytes_per_pixel` fits the memory budget (false for
// non-positive sizes).
bool FitsMemoryBudget(int64_t width, int64_t height, int bytes_per_pixel);

// Blends straight (not premultiplied) red-green-blue-alpha pixels onto `background` into a
// blue-green-red row.
void BlendRgbaRow(const uint8_t* rgba, int count, picture::Rgb background, uint8_t* bgr);
// The same for premultiplied pixels.
void BlendPremultipliedRow(const uint8_t* rgba, int count, picture::Rgb background, uint8_t* bgr);
// Red-green-blue to blue-green-red.
void RgbToBgrRow(const uint8_t* rgb, int count, uint8_t* bgr);

}  // namespace vr::codecs
