#pragma once
// BMP files: reading every depth Windows and OS/2 write (1, 4 and 8 bits with palettes and the
// RLE4/RLE8 run-length forms, 15/16 bits with or without bit fields, 24 and 32 bits; bottom-up and
// top-down rows) and writing 1, 4, 8 and 24 bits. The device-independent bitmap part (header,
// palette, pixels) is shared with the icon reader, whose entries hold the same structure.

#include <cstdint>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "picture/codecs/codec_api.h"
#include "picture/fast_file_io.h"

namespace vr::codecs {

using picture::Rgb;

enum DibCompression : uint32_t {
  kDibRgb = 0,
  kDibRle8 = 1,
  kDibRle4 = 2,
  kDibBitFields = 3,
  kDibJpeg = 4,
  kDibPng = 5,
  kDibAlphaBitFields = 6,
};

// The facts of a bitmap information header (OS/2 core 12 bytes, Windows 40 bytes and the longer
// V2 to V5 forms), with the bit-field masks that follow a 40-byte header.
struct DibHeader {
  uint32_t header_size = 0;
  int32_t width = 0;   // absolute value of the stored width
  int32_t height = 0;  // absolute value of the stored height
  bool top_down = false;
  int bits = 0;
  uint32_t compression = kDibRgb;
  uint32_t colours_used = 0;
  uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  bool core = false;                 // OS/2 core header: 3-byte palette entries
  // Bytes the header took in the file, masks included.
  uint32_t BytesRead() const;
  // Entries the palette after the header holds (0 for deep pictures without one).
  uint32_t PaletteEntries() const;
};

// Reads a bitmap information header at the reader's position. False with a message for headers
// that no reader can use (unknown size, zero planes, unsupported depth or compression).
bool ReadDibHeader(picture::TFastFileIO& io, DibHeader& header, std::string& error);

// Reads `entries` palette entries (4 bytes each, 3 for core headers) padded to the depth's
// full table with black.
std::vector<Rgb> ReadDibPalette(picture::TFastFileIO& io, const DibHeader& header,
                                uint32_t entries);

// Decodes the pixels at the reader's position into `bitmap` (width x `rows`), rows as the header
// orders them. The Bitmap is sized before any other buffer is made, so a header claiming more
// than the memory budget is refused without a large allocation. Bytes missing at the end of the
// data read as 0.
ReadResult DecodeDibPixels(picture::TFastFileIO& io, const DibHeader& header, int rows,
                           std::vector<Rgb> palette, Bitmap& bitmap);

// A whole BMP file ("BM" header first) from the reader's offset 0.
ReadResult LoadBmp(picture::TFastFileIO& io, Bitmap& bitmap);
ReadResult LoadBmpFile(const std::string& path, Bitmap& bitmap);
// Opens `path` and runs `load` over it; a file that cannot be opened gives "Cannot open file" and
// the failure picture.
ReadResult LoadFromPath(const std::string& path, Bitmap& bitmap,
                        ReadResult (*load)(picture::TFastFileIO&, Bitmap&));

// Writes a BMP: 1, 4, 8 bits with their palettes, 24 bits; 15, 16 and 32-bit pictures are
// written as 24 bits. Stops at the first failed write and reports "Stream write error".
WriteResult SaveBmp(const std::string& path, const Bitmap& bitmap);
// The same file into memory; empty when the picture cannot be a BMP.
std::vector<uint8_t> EncodeBmpMemory(const Bitmap& bitmap);

// Whether a picture needing `claimed_bytes` of memory is believable from a file of `file_size`
// bytes whose data may be compressed by at most `ratio`: it keeps a few hostile header bytes from
// committing gigabytes of zeros even within the memory budget.
bool ClaimPlausible(uint64_t claimed_bytes, uint64_t file_size, uint64_t ratio);

}  // namespace vr::codecs
