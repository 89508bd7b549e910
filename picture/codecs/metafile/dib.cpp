#include "picture/codecs/metafile/dib.h"

#include <array>
#include <cstdlib>

#include "picture/codecs/metafile/byte_reader.h"

namespace vr::metafile {
namespace {

struct DibHeader {
  int width = 0;
  int height = 0;  // always positive; `top_down` says how rows run
  bool top_down = false;
  int bits = 0;
  uint32_t compression = 0;
  uint32_t colours_used = 0;
  bool core = false;  // 12-byte header with 3-byte colour entries
  size_t header_size = 0;
  uint32_t masks[3] = {0, 0, 0};
};

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;

bool ReadHeader(ByteReader& in, DibHeader& h) {
  const uint32_t size = in.U32();
  if (in.Failed()) return false;
  if (size == 12) {
    h.core = true;
    h.width = in.U16();
    h.height = in.U16();
    in.U16();  // planes
    h.bits = in.U16();
  } else if (size >= 40) {
    h.width = in.I32();
    const int32_t height = in.I32();
    in.U16();
    h.bits = in.U16();
    h.compression = in.U32();
    in.Skip(12);  // image size, resolution
    h.colours_used = in.U32();
    in.U32();  // important colours
    if (height == INT32_MIN) return false;
    h.top_down = height < 0;
    h.height = std::abs(height);
    if (h.compression == kBiBitfields) {
      // The masks follow a 40-byte header; larger headers hold them inside.
      in.Seek(40);
      h.masks[0] = in.U32();
      h.masks[1] = in.U32();
      h.masks[2] = in.U32();
    }
  } else {
    return false;
  }
  h.header_size = size;
  if (in.Failed() || h.width <= 0 || h.height <= 0) return false;
  if (static_cast<int64_t>(h.width) * h.height > kMaxDibPixels) return false;
  switch (h.bits) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      return false;
  }
  if (h.compression != kBiRgb &&
      !(h.compression == kBiBitfields && (h.bits == 16 || h.bits == 32))) {
    return false;
  }
  return true;
}

// Shift and width of a channel mask, so a value can be scaled to 8 bits.
struct Channel {
  int shift = 0;
  int width = 0;
  uint32_t mask = 0;
  explicit Channel(uint32_t m) : mask(m) {
    if (m == 0) return;
    while (!((m >> shift) & 1)) ++shift;
    while (shift + width < 32 && ((m >> (shift + width)) & 1)) ++width;
  }
  uint8_t Get(uint32_t v) const {
    if (width == 0) return 0;
    const uint32_t x = (v & mask) >> shift;
    if (width >= 8) return static_cast<uint8_t>(x >> (width - 8));
    return static_cast<uint8_t>((x * 255 + ((1u << width) - 1) / 2) / ((1u << width) - 1));
  }
};

}  // namespace

QImage DecodeDib(const uint8_t* info, size_t info_size, const uint8_t* bits, size_t bits_size,
                 bool palette_indices) {
  if (info == nullptr || bits == nullptr) return QImage();
  ByteReader in(info, info_size);
  DibHeader h;
  if (!ReadHeader(in, h)) return QImage();

  std::array<QRgb, 256> table{};
  if (h.bits <= 8) {
    const uint32_t max_entries = 1u << h.bits;
    const uint32_t entries =
        h.colours_used == 0 || h.colours_used > max_entries ? max_entries : h.colours_used;
    size_t at = h.header_size + (h.compression == kBiBitfields && h.header_size == 40 ? 12 : 0);
    const size_t entry_size = palette_indices ? 2 : (h.core ? 3 : 4);
    for (uint32_t i = 0; i < entries; ++i, at += entry_size) {
      if (!in.Has(at, entry_size)) break;  // a short table leaves the rest black
      const uint8_t* e = info + at;
      if (palette_indices) {
        const int v = e[0];
        table[i] = qRgb(v, v, v);
      } else {
        table[i] = qRgb(e[2], e[1], e[0]);
      }
    }
  }

  const uint64_t stride = ((static_cast<uint64_t>(h.width) * h.bits + 31) / 32) * 4;
  if (stride * static_cast<uint64_t>(h.height) > bits_size) return QImage();

  QImage image(h.width, h.height, QImage::Format_RGB32);
  if (image.isNull()) return QImage();
  uint32_t masks[3] = {h.masks[0], h.masks[1], h.masks[2]};
  if (h.compression != kBiBitfields) {
    if (h.bits == 16) {
      masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else {
      masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    }
  }
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]);

  for (int y = 0; y < h.height; ++y) {
    const int src_y = h.top_down ? y : h.height - 1 - y;
    const uint8_t* row = bits + static_cast<size_t>(stride) * static_cast<size_t>(src_y);
    QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    switch (h.bits) {
      case 1:
        for (int x = 0; x < h.width; ++x) out[x] = table[(row[x >> 3] >> (7 - (x & 7))) & 1];
        break;
      case 4:
        for (int x = 0; x < h.width; ++x)
          out[x] = table[(x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4)];
        break;
      case 8:
        for (int x = 0; x < h.width; ++x) out[x] = table[row[x]];
        break;
      case 16:
        for (int x = 0; x < h.width; ++x) {
          const uint32_t v = row[2 * x] | (row[2 * x + 1] << 8);
          out[x] = qRgb(red.Get(v), green.Get(v), blue.Get(v));
        }
        break;
      case 24:
        for (int x = 0; x < h.width; ++x) out[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
        break;
      case 32:
        for (int x = 0; x < h.width; ++x) {
          const uint8_t* p = row + 4 * static_cast<size_t>(x);
          const uint32_t v =
              p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
          out[x] = qRgb(red.Get(v), green.Get(v), blue.Get(v));
        }
        break;
    }
  }
  return image;
}

QImage DecodePackedDib(const uint8_t* data, size_t size, bool palette_indices) {
  ByteReader in(data, size);
  DibHeader h;
  if (!ReadHeader(in, h)) return QImage();
  size_t table_bytes = 0;
  if (h.bits <= 8) {
    const uint32_t max_entries = 1u << h.bits;
    const uint32_t entries =
        h.colours_used == 0 || h.colours_used > max_entries ? max_entries : h.colours_used;
    table_bytes = static_cast<size_t>(entries) * (palette_indices ? 2 : (h.core ? 3 : 4));
  } else if (h.compression == kBiBitfields && h.header_size == 40) {
    table_bytes = 12;
  }
  const size_t offset = h.header_size + table_bytes;
  if (offset > size) return QImage();
  return DecodeDib(data, offset, data + offset, size - offset, palette_indices);
}

}  // namespace vr::metafile
