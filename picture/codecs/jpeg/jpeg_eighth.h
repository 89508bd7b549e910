#pragma once
// The 1/8-scale decode of the thumbnail road without libjpeg's per-coefficient work: at this
// scale a luminance block is only its DC term, so the AC codes are stepped over many at a time
// instead of being decoded one by one. The pixels are the ones libjpeg gives for the same file at
// scale 1/8 with plain upsampling (its 1x1 transform for luminance, its 2x2 reduced transform
// for the chroma of 4:2:0 files, its integer YCbCr conversion), byte for byte.
//
// Only the common kind of file is taken: baseline or extended Huffman coding, 8-bit samples,
// three YCbCr components in one interleaved scan, sampled 4:2:0, 4:2:2 or 4:4:4, with or without
// restart markers. Anything else, and any stream that does not decode cleanly, is refused so
// that the caller can hand the file to libjpeg, which has the last word on damaged files.

#include <cstddef>
#include <cstdint>

#include "picture/bitmap.h"

namespace vr::codecs {

// Decodes the JPEG in `data` at 1/8 scale (each side rounded up) into a 24-bit blue-green-red
// `out`. False, with `out` untouched, when the file is not one this decoder takes, or when its
// 1/8 scale would not cover a box of `cover_width` x `cover_height` (a larger scale is wanted).
bool DecodeJpegEighth(const uint8_t* data, size_t size, picture::Bitmap& out, int cover_width = 0,
                      int cover_height = 0);

}  // namespace vr::codecs
