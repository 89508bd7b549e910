#pragma once
// Icon files (.ICO, and cursors of the same layout): reading entries of 1 to 32 bits with their
// AND masks, and PNG-compressed entries through libpng; writing single-entry icons.
//
// A read icon is a 32-bit Bitmap whose fourth byte is the opacity (0 transparent, 255 opaque):
// from the alpha channel of 32-bit and PNG entries, else from the AND mask. Callers that need a
// plain picture blend it onto their background with BlendIconOnto.

#include <cstdint>
#include <string>

#include "picture/bitmap.h"
#include "picture/codecs/codec_api.h"
#include "picture/fast_file_io.h"

namespace vr::codecs {

// What the header probe reports about the entry the reader would show.
struct IcoFacts {
  bool ok = false;
  int width = 0;
  int height = 0;
  int bits = 0;              // bit count of the colour bitmap (32 for PNG entries with alpha)
  uint32_t compression = 0;  // compression field of the entry's bitmap header (0 for PNG)
  bool png = false;
  int entries = 0;
  std::string error;
};

// Reads the directory and the header of the entry LoadIco would pick (the largest, then the
// deepest). The reader may be at any position; it is rewound.
IcoFacts ReadIcoFacts(picture::TFastFileIO& io);

ReadResult LoadIco(picture::TFastFileIO& io, Bitmap& bitmap);
ReadResult LoadIcoFile(const std::string& path, Bitmap& bitmap);

// Writes a one-entry icon of at most 256 x 256 pixels: 1, 4 and 8 bits with their palettes,
// anything deeper as 24 bits; every pixel opaque.
WriteResult SaveIco(const std::string& path, const Bitmap& bitmap);

// Turns a read icon into a 24-bit picture with its transparent parts on `background`.
Bitmap BlendIconOnto(const Bitmap& icon, picture::Rgb background);

}  // namespace vr::codecs
