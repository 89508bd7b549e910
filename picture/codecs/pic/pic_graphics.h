#pragma once
// TPICGraphics: reader and writer of the "Old PC Paint" PIC format.
//
// Header, 17 bytes, 16-bit values little-endian:
//   0 magic 0x1234   2 width   4 height   6 x offset   8 y offset
//   10 plane info p: bits per plane = p & 0x0F, planes = (p >> 4) + 1
//   11 palette flag   12 video mode   13 palette type   15 palette length in bytes
// The palette follows: 16 EGA colour codes, or red, green, blue triples in 0..63. Then a 16-bit
// block count and the blocks: block size (16-bit, header included), unpacked byte count (16-bit),
// run marker, packed bytes. Unpacked, the rows run from the bottom up; a planar picture holds all
// rows of plane 0, then those of plane 1, and so on. A marker byte is followed by a count byte
// (0: a 16-bit count follows) and the value; any other byte stands for itself.

#include <cstdint>
#include <string>

#include "picture/codecs/codec_api.h"
#include "picture/codecs/common/raster_common.h"

namespace vr::codecs {

struct PicHeader {
  uint16_t magic = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  uint16_t x_offset = 0;
  uint16_t y_offset = 0;
  uint8_t plane_info = 0;
  uint8_t palette_flag = 0;
  uint8_t video_mode = 0;
  uint16_t palette_type = 0;
  uint16_t palette_length = 0;

  int BitsPerPlane() const { return plane_info & 0x0F; }
  int Planes() const { return (plane_info >> 4) + 1; }
  int Bits() const { return BitsPerPlane() * Planes(); }
};

enum PicMode : int {
  kPic2Colours = 1,    // 1 bit
  kPic16Colours = 2,   // 4 planes of 1 bit, EGA palette
  kPic256Colours = 3,  // 8 bits, VGA palette
};

inline constexpr uint8_t kPicRunMarker = 0x81;

class TPICGraphics {
 public:
  ReadResult LoadPic(const std::string& path, Bitmap& bitmap, const DecodeOptions& options);
  ReadResult Load(TFastFileIO& io, Bitmap& bitmap, const DecodeOptions& options);
  WriteResult SavePic(const std::string& path, const Bitmap& bitmap, int mode);

  const PicHeader& Header() const { return header_; }
  const Palette6& PaletteBuffer() const { return palette_; }
  const std::string& Error() const { return error_; }

 private:
  ReadResult Fail(Bitmap& bitmap, const std::string& error);

  PicHeader header_;
  Palette6 palette_{};
  std::string error_;
};

// Packs one block's bytes with the run marker 0x81; gives the packed length. `out` must hold
// 3 x n bytes.
size_t PackPicBlock(const uint8_t* in, size_t n, uint8_t* out);

}  // namespace vr::codecs
