#include "picture/codecs/metafile/dib.h"

#include <string>
#include <utility>
#include <vector>

#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/convert.h"
#include "picture/fast_file_io.h"

namespace vr::metafile {
namespace {

using codecs::DibHeader;
using picture::Bitmap;
using picture::Rgb;
using picture::TFastFileIO;

// Reads the header at the start of [info, info + size). Metafiles embed only uncompressed and
// bit-field bitmaps; the header must lie whole inside its block.
bool ReadHeader(const uint8_t* info, size_t size, DibHeader& header) {
  if (info == nullptr || size < 4) return false;
  TFastFileIO io;
  if (!io.OpenMemory(info, size)) return false;
  std::string error;
  if (!codecs::ReadDibHeader(io, header, error)) return false;
  if (header.compression != codecs::kDibRgb && header.compression != codecs::kDibBitFields) {
    return false;
  }
  const size_t needed = header.core ? 12 : 40;
  if (size < needed) return false;
  return static_cast<int64_t>(header.width) * header.height <= kMaxDibPixels;
}

// Bytes of the colour table after the header: entries of 2 bytes for palette indices, 3 for
// core headers, 4 otherwise; deep pictures have none.
size_t TableBytes(const DibHeader& header, bool palette_indices) {
  if (header.bits > 8) return 0;
  return static_cast<size_t>(header.PaletteEntries()) *
         (palette_indices ? 2 : (header.core ? 3 : 4));
}

std::vector<Rgb> ReadTable(const uint8_t* info, size_t size, const DibHeader& header,
                           bool palette_indices) {
  if (header.bits > 8) return {};
  TFastFileIO io;
  io.OpenMemory(info, size);
  io.Seek(header.BytesRead());
  io.Empty();
  if (!palette_indices) return codecs::ReadDibPalette(io, header, header.PaletteEntries());
  // Palette indices: no logical palette is kept, so each index is drawn as its grey level.
  std::vector<Rgb> table(size_t{1} << header.bits);
  for (uint32_t i = 0; i < header.PaletteEntries(); ++i) {
    const uint8_t v = static_cast<uint8_t>(io.Read16());
    table[i] = Rgb{v, v, v};
  }
  return table;
}

}  // namespace

std::shared_ptr<const Bitmap> DecodeDibBitmap(const uint8_t* info, size_t info_size,
                                              const uint8_t* bits, size_t bits_size,
                                              bool palette_indices) {
  if (bits == nullptr) return nullptr;
  DibHeader header;
  if (!ReadHeader(info, info_size, header)) return nullptr;
  // Rows cut short mean a damaged record: nothing is drawn rather than a part.
  const uint64_t stride = picture::RowStride(header.width, picture::FormatOfBits(header.bits));
  if (stride == 0 || stride * static_cast<uint64_t>(header.height) > bits_size) return nullptr;
  std::vector<Rgb> table = ReadTable(info, info_size, header, palette_indices);
  TFastFileIO io;
  if (!io.OpenMemory(bits, bits_size)) return nullptr;
  auto bitmap = std::make_shared<Bitmap>();
  const codecs::ReadResult read =
      codecs::DecodeDibPixels(io, header, header.height, std::move(table), *bitmap);
  if (!read.ok()) return nullptr;
  return bitmap;
}

std::shared_ptr<const Bitmap> DecodePackedDibBitmap(const uint8_t* data, size_t size,
                                                    bool palette_indices) {
  DibHeader header;
  if (!ReadHeader(data, size, header)) return nullptr;
  const size_t offset = header.BytesRead() + TableBytes(header, palette_indices);
  if (offset > size) return nullptr;
  return DecodeDibBitmap(data, offset, data + offset, size - offset, palette_indices);
}

}  // namespace vr::metafile
