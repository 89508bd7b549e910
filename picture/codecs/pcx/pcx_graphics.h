#pragma once
// TPCXGraphics: reader and writer of PCX files.
//
// Header, 128 bytes, 16-bit values little-endian:
//   0 manufacturer (10)   1 version   2 encoding   3 bits per pixel per plane
//   4 xmin  6 ymin  8 xmax  10 ymax   12 horizontal res.  14 vertical res.
//   16 palette of 16 x (red, green, blue)   64 reserved   65 planes
//   66 bytes per line per plane   68 palette info   70 filler (58 bytes)
// Rows follow, each plane of a row run-length encoded on its own: a byte with both top bits set
// repeats the next byte (b & 0x3F) times, any other byte stands for itself. 256-colour files end
// with the byte 12 and 256 x (red, green, blue).

#include <cstdint>
#include <string>

#include "picture/codecs/codec_api.h"
#include "picture/codecs/common/raster_common.h"

namespace vr::codecs {

struct PcxHeader {
  uint8_t manufacturer = 0;
  uint8_t version = 0;
  uint8_t encoding = 0;
  uint8_t bits_per_pixel = 0;
  uint16_t xmin = 0;
  uint16_t ymin = 0;
  uint16_t xmax = 0;
  uint16_t ymax = 0;
  uint16_t hres = 0;
  uint16_t vres = 0;
  uint8_t palette[48] = {};
  uint8_t reserved = 0;
  uint8_t planes = 0;
  uint16_t bytes_per_line = 0;
  uint16_t palette_info = 0;

  int Width() const { return static_cast<int>(xmax) - static_cast<int>(xmin) + 1; }
  int Height() const { return static_cast<int>(ymax) - static_cast<int>(ymin) + 1; }
};

// Writer modes as the export window offers them.
enum PcxMode : int {
  kPcx2Colours = 1,    // 1 bit, 1 plane
  kPcx16Colours = 2,   // 1 bit, 4 planes
  kPcx256Colours = 3,  // 8 bits, 1 plane
  kPcxTrueColour = 4,  // 8 bits, 3 planes
};

class TPCXGraphics {
 public:
  // Reads the 128-byte header and its 16-colour palette; false with Error() set when the file
  // is not a PCX file.
  bool ReadPcxHeader(TFastFileIO& io);
  // The whole file into `bitmap`. Never throws; a failure leaves a 1 x 1 picture.
  ReadResult LoadPcx(const std::string& path, Bitmap& bitmap, const DecodeOptions& options);
  ReadResult Load(TFastFileIO& io, Bitmap& bitmap, const DecodeOptions& options);
  WriteResult SavePcx(const std::string& path, const Bitmap& bitmap, int mode);

  const PcxHeader& Header() const { return header_; }
  const Palette8& PaletteBuffer() const { return palette_; }
  const std::string& Error() const { return error_; }

 private:
  ReadResult Fail(Bitmap& bitmap, const std::string& error);
  void ReadEndPalette(TFastFileIO& io);

  PcxHeader header_;
  Palette8 palette_{};
  std::string error_;
};

}  // namespace vr::codecs
