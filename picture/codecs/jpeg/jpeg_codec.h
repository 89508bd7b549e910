#pragma once
// JPEG through libjpeg (libjpeg-turbo): decoding at 1/1, 1/2, 1/4 or 1/8 scale, in colour or
// grayscale, to 24 bits or to 8 bits through libjpeg's two-pass colour quantizer; encoding with a
// quality and an optional grayscale output. libjpeg's fatal errors come back through
// setjmp/longjmp as a failed result, never as an exit.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "picture/codecs/codec_api.h"

namespace vr::codecs {

struct JpegDecodeSettings {
  int scale_denom = 1;       // 1, 2, 4 or 8 (other values take the next larger of these)
  bool grayscale = false;    // decode the luminance only (8 bits with a grey palette)
  int output_bits = 24;      // 24, or 8 for a 256-colour picture from the two-pass quantizer
  bool best_quality = true;  // performance: accurate DCT and smooth upsampling, else the fast ones
  // When set, the scale is instead the smallest (down to 1/8) whose picture still covers a box
  // of this size.
  int cover_width = 0;
  int cover_height = 0;
};

struct JpegHeaderFacts {
  bool ok = false;
  int width = 0;
  int height = 0;
  int components = 0;
  bool progressive = false;
  std::string error;
};

JpegHeaderFacts ReadJpegHeader(const std::string& path);
JpegHeaderFacts ReadJpegHeaderMemory(const uint8_t* data, size_t size);

// Decodes into `bitmap`: 24-bit blue-green-red, or 8 bits with a palette (grayscale or
// quantized). The depth of the result is 8 for a grayscale file, 24 otherwise. On failure the
// Bitmap becomes the 1 x 1 failure picture.
ReadResult LoadJpeg(const std::string& path, Bitmap& bitmap, const JpegDecodeSettings& settings);
ReadResult LoadJpegMemory(const uint8_t* data, size_t size, Bitmap& bitmap,
                          const JpegDecodeSettings& settings);

// What a JPEG carries besides its pixels that a re-encoded copy keeps: its first Exif block (the
// APP1 data with its "Exif\0\0" header) and its ICC colour profile (joined from its APP2
// segments). Only the headers before the first scan are read; empty parts when absent or when
// the file does not read as a JPEG.
struct JpegMetadata {
  std::vector<uint8_t> exif;
  std::vector<uint8_t> icc;
};
JpegMetadata ReadJpegMetadata(const std::string& path);

struct JpegSaveOptions {
  int quality = 75;  // 1..100
  bool grayscale = false;
};
// `metadata`, when given, is written after the start of the file: the Exif block (at most 65533
// bytes; the JFIF header is then left out, as Exif files have none) and the ICC profile (over as
// many APP2 segments as it needs).
WriteResult SaveJpeg(const std::string& path, const Bitmap& bitmap, const JpegSaveOptions& options,
                     const JpegMetadata* metadata = nullptr);
// The same JPEG into memory; empty when it could not be made.
std::vector<uint8_t> EncodeJpegMemory(const Bitmap& bitmap, const JpegSaveOptions& options);

// The scale a thumbnail of `target` pixels needs for a picture `width` pixels wide: 8 when the
// picture is more than 8 times wider, 4 when more than 4 times, 2 when more than twice, else 1.
int JpegScaleForWidth(int width, int target);

}  // namespace vr::codecs
