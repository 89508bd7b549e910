#pragma once
// A direct reader for the commonest photograph PNG: 8-bit RGB, not interlaced, without
// transparency. It inflates the image data row by row and undoes the row filters a pixel (three
// channels) at a time without a branch per byte, straight into a 24-bit bitmap (blue, green,
// red). libpng undoes the Paeth filter, which photographs mostly use, a byte at a time with a
// branch the processor cannot predict, and that costs as much as the inflating.
//
// Every other kind of PNG, and any file that is not formed exactly as the format says (a wrong
// checksum, a chunk out of place, too little or too much image data, an unknown critical
// chunk), is left to libpng: the reader returns false and the caller reads the file again from
// its start, so such files fare exactly as they always did.

#include <cstdint>
#include <cstdio>

#include "picture/bitmap.h"

namespace vr::codecs {

// Reads `file` (from its start; `file_size` bytes long) into `bitmap` when it is a plain
// 8-bit RGB PNG. False leaves the file's position and `bitmap` undefined.
bool ReadPlainRgbPng(std::FILE* file, uint64_t file_size, picture::Bitmap* bitmap);

// Undoes one row's filter (`filter`, 0..4; false for others) for 3-byte pixels: `row` holds the
// filtered bytes and receives the pixels, `prior` is the row above as already undone (zeros
// above the first row). Channel order does not matter: each channel is filtered on its own.
bool UnfilterRow3(int filter, uint8_t* row, const uint8_t* prior, int width);

}  // namespace vr::codecs
