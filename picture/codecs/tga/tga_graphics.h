#pragma once
// TTGAGraphics: reader and writer of Truevision TGA files.
//
// Header, 18 bytes, little-endian:
//   0 ID length   1 colour-map type   2 image type (1-3 plain, 9-11 run-length)
//   3 first colour-map index   5 colour-map length   7 colour-map entry size (bits)
//   8 x origin   10 y origin   12 width   14 height   16 pixel depth
//   17 descriptor: 0x20 first row is the top, 0x10 rows run right to left
// Then the image ID, the colour map and the pixels. A run-length packet starts with a byte h:
// (h & 0x7F) + 1 pixels, one value repeated when h & 0x80, else that many values.

#include <cstdint>
#include <string>

#include "picture/codecs/codec_api.h"
#include "picture/codecs/common/raster_common.h"

namespace vr::codecs {

struct TgaHeader {
  uint8_t id_length = 0;
  uint8_t colour_map_type = 0;
  uint8_t image_type = 0;
  uint16_t colour_map_first = 0;
  uint16_t colour_map_length = 0;
  uint8_t colour_map_entry_size = 0;
  uint16_t x_origin = 0;
  uint16_t y_origin = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t pixel_depth = 0;
  uint8_t descriptor = 0;

  bool Compressed() const { return image_type >= 9; }
};

// The image ID our writer puts in every file (followed by the byte 0x1A).
inline constexpr char kTgaImageId[] = "Veldrimon produced this TARGA file!";

enum TgaMode : int {
  kTga256Colours = 1,  // colour-mapped, 8 bits
  kTgaTrueColour = 2,  // 24 bits
};

class TTGAGraphics {
 public:
  // Reads the header, skips the ID and reads the colour map; false with Error() set for an
  // image type or depth the reader does not know.
  bool ReadTgaHeader(TFastFileIO& io);
  ReadResult LoadTga(const std::string& path, Bitmap& bitmap, const DecodeOptions& options);
  ReadResult Load(TFastFileIO& io, Bitmap& bitmap, const DecodeOptions& options);
  WriteResult SaveTga(const std::string& path, const Bitmap& bitmap, int mode);

  const TgaHeader& Header() const { return header_; }
  const Palette8& PaletteBuffer() const { return palette_; }
  const std::string& Error() const { return error_; }

 private:
  ReadResult Fail(Bitmap& bitmap, const std::string& error);

  TgaHeader header_;
  Palette8 palette_{};
  uint64_t data_start_ = 0;
  std::string error_;
};

}  // namespace vr::codecs
