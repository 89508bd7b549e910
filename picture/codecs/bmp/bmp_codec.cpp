#include "picture/codecs/bmp/bmp_codec.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>

#include "picture/convert.h"
#include "picture/decode_progress.h"
#include "platform/files.h"

namespace vr::codecs {

using picture::PixelFormat;
using picture::RowStride;
using picture::TFastFileIO;

namespace {

// File header (14 bytes, little-endian):
//   0  "BM"
//   2  file size (32)      6  reserved (2 x 16)     10  offset of the pixel data (32)
// Information header follows at 14; see ReadDibHeader.
constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kLongestHeader = 1024;  // V5 is 124; anything beyond this is not a bitmap

// TFastFileIO::ReadBlock takes at most 32767 bytes at a time.
void ReadBytes(TFastFileIO& io, uint8_t* dest, size_t n) {
  while (n > 0) {
    const size_t take = std::min<size_t>(n, 32767);
    io.ReadBlock(dest, take);
    dest += take;
    n -= take;
  }
}

// One bit-field channel: mask position and width, expanded to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int width = 0;
  uint8_t Expand(uint32_t pixel) const {
    if (mask == 0) return 0;
    const uint64_t v = (pixel & mask) >> shift;
    if (width >= 8) return static_cast<uint8_t>(v >> (width - 8));
    const uint64_t max = (uint64_t{1} << width) - 1;
    return static_cast<uint8_t>((v * 255 + max / 2) / max);
  }
};

Channel MakeChannel(uint32_t mask) {
  Channel c;
  c.mask = mask;
  if (mask == 0) return c;
  c.shift = std::countr_zero(mask);
  c.width = std::popcount(mask);
  return c;
}

// Run-length data (RLE8 and RLE4), rows stored in the header's order:
//   n v       n > 0: n pixels of v (RLE4: the two nibbles of v alternate)
//   0 0       end of row          0 1  end of picture
//   0 2 dx dy move right and down  0 n  n literal pixels, padded to a 16-bit boundary
void DecodeRunLength(TFastFileIO& io, const DibHeader& header, int rows, Bitmap& bitmap) {
  const bool rle8 = header.compression == kDibRle8;
  const int64_t width = header.width;
  int64_t x = 0;
  int64_t y = 0;
  auto row_of = [&](int64_t file_row) {
    return bitmap.Row(header.top_down ? static_cast<int>(file_row)
                                      : rows - 1 - static_cast<int>(file_row));
  };
  auto put = [&](uint8_t* row, int64_t at, uint8_t v) {
    if (rle8) {
      row[at] = v;
    } else if (at & 1) {
      row[at >> 1] = static_cast<uint8_t>((row[at >> 1] & 0xF0) | (v & 0x0F));
    } else {
      row[at >> 1] = static_cast<uint8_t>((row[at >> 1] & 0x0F) | (v << 4));
    }
  };
  while (y < rows) {
    const uint8_t count = io.ReadByte();
    const uint8_t value = io.ReadByte();
    if (count > 0) {
      if (x < width) {
        uint8_t* row = row_of(y);
        const int64_t n = std::min<int64_t>(count, width - x);
        if (rle8) {
          std::memset(row + x, value, static_cast<size_t>(n));
        } else {
          for (int64_t i = 0; i < n; ++i) put(row, x + i, (i & 1) ? (value & 0x0F) : (value >> 4));
        }
      }
      x += count;
      continue;
    }
    switch (value) {
      case 0:  // end of row
        x = 0;
        ++y;
        break;
      case 1:  // end of picture
        return;
      case 2: {  // delta
        x += io.ReadByte();
        y += io.ReadByte();
        break;
      }
      default: {  // literal pixels
        const int n = value;
        uint8_t* row = row_of(y);
        uint8_t byte = 0;
        for (int i = 0; i < n; ++i) {
          uint8_t v;
          if (rle8) {
            v = io.ReadByte();
          } else {
            if ((i & 1) == 0) byte = io.ReadByte();
            v = (i & 1) ? (byte & 0x0F) : (byte >> 4);
          }
          if (x + i < width) put(row, x + i, v);
        }
        const int bytes = rle8 ? n : (n + 1) / 2;
        if (bytes & 1) io.ReadByte();
        x += n;
        break;
      }
    }
    if (io.PastEnd() && io.Unread() == 0) return;
  }
}

bool WriteAll(std::FILE* f, const void* data, size_t n) {
  return n == 0 || std::fwrite(data, 1, n, f) == n;
}

void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

bool ClaimPlausible(uint64_t claimed_bytes, uint64_t file_size, uint64_t ratio) {
  constexpr uint64_t kSlack = uint64_t{64} << 20;
  if (file_size > (UINT64_MAX - kSlack) / ratio) return true;
  return claimed_bytes <= kSlack + file_size * ratio;
}

uint32_t DibHeader::BytesRead() const {
  if (header_size == 40 && compression == kDibBitFields) return header_size + 12;
  if (header_size == 40 && compression == kDibAlphaBitFields) return header_size + 16;
  return header_size;
}

uint32_t DibHeader::PaletteEntries() const {
  if (bits <= 8) {
    const uint32_t full = 1u << bits;
    return colours_used != 0 ? std::min(colours_used, full) : full;
  }
  return std::min<uint32_t>(colours_used, 256);
}

// Information header (little-endian), by its size:
//   12 (OS/2 core): width 16, height 16, planes 16, bits 16
//   16..64 (OS/2 2.x, Windows 40 and the V2..V5 forms): width 32, height 32 (negative:
//   top-down), planes 16, bits 16, compression 32, image size 32, resolution 2 x 32, colours
//   used 32, colours important 32; V2 (52) adds red, green, blue masks, V3 (56) the alpha mask.
//   A 40-byte header with bit fields is followed by the masks (3, or 4 for alpha bit fields).
bool ReadDibHeader(TFastFileIO& io, DibHeader& header, std::string& error) {
  header = DibHeader();
  header.header_size = io.Read32();
  const uint32_t size = header.header_size;
  int64_t width = 0;
  int64_t height = 0;
  if (size == 12) {
    header.core = true;
    width = io.Read16();
    height = io.Read16();
    io.Read16();  // planes
    header.bits = io.Read16();
  } else if (size >= 16 && size <= kLongestHeader) {
    width = static_cast<int32_t>(io.Read32());
    height = static_cast<int32_t>(io.Read32());
    io.Read16();  // planes
    header.bits = io.Read16();
    uint32_t read = 16;
    if (size >= 20) {
      header.compression = io.Read32();
      read += 4;
    }
    if (size >= 36) {
      io.Skip(12);  // image size, resolution
      header.colours_used = io.Read32();
      read += 16;
    }
    if (size >= 40) {
      io.Read32();  // colours important
      read += 4;
    }
    if (size >= 52 && size != 64) {  // 64 is OS/2 2.x, whose extra fields are not masks
      for (int i = 0; i < 3; ++i) header.masks[i] = io.Read32();
      read += 12;
      if (size >= 56) {
        header.masks[3] = io.Read32();
        read += 4;
      }
    }
    io.Skip(size - read);
    if (size == 40 &&
        (header.compression == kDibBitFields || header.compression == kDibAlphaBitFields)) {
      const int count = header.compression == kDibAlphaBitFields ? 4 : 3;
      for (int i = 0; i < count; ++i) header.masks[i] = io.Read32();
    }
  } else {
    error = "Invalid bitmap header size";
    return false;
  }
  header.top_down = height < 0;
  width = width < 0 ? -width : width;
  height = height < 0 ? -height : height;
  if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) {
    error = "Invalid bitmap size";
    return false;
  }
  header.width = static_cast<int32_t>(width);
  header.height = static_cast<int32_t>(height);
  if (header.bits == 15) header.bits = 16;
  const int bits = header.bits;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    error = "Unsupported bitmap depth";
    return false;
  }
  switch (header.compression) {
    case kDibRgb:
      break;
    case kDibRle8:
      if (bits != 8) error = "Invalid run-length bitmap";
      break;
    case kDibRle4:
      if (bits != 4) error = "Invalid run-length bitmap";
      break;
    case kDibBitFields:
    case kDibAlphaBitFields:
      if (bits != 16 && bits != 32) error = "Invalid bit-field bitmap";
      break;
    default:
      error = "Unsupported bitmap compression";
      break;
  }
  if (!error.empty()) return false;
  if ((header.compression == kDibBitFields || header.compression == kDibAlphaBitFields) &&
      header.masks[0] == 0 && header.masks[1] == 0 && header.masks[2] == 0) {
    header.compression = kDibRgb;  // no masks given: the default layout
  }
  return true;
}

std::vector<Rgb> ReadDibPalette(TFastFileIO& io, const DibHeader& header, uint32_t entries) {
  std::vector<Rgb> palette;
  if (header.bits > 8) {
    io.Skip(static_cast<size_t>(entries) * (header.core ? 3 : 4));
    return palette;
  }
  const uint32_t full = 1u << header.bits;
  entries = std::min(entries, full);
  palette.reserve(full);
  for (uint32_t i = 0; i < entries; ++i) {
    Rgb c;
    c.b = io.ReadByte();
    c.g = io.ReadByte();
    c.r = io.ReadByte();
    if (!header.core) io.ReadByte();
    palette.push_back(c);
  }
  if (entries == 0) {
    // No palette at all: a grey ramp rather than a black picture.
    for (uint32_t i = 0; i < full; ++i) {
      const auto v = static_cast<uint8_t>(i * 255 / (full - 1));
      palette.push_back(Rgb{v, v, v});
    }
  }
  palette.resize(full);
  return palette;
}

ReadResult DecodeDibPixels(TFastFileIO& io, const DibHeader& header, int rows,
                           std::vector<Rgb> palette, Bitmap& bitmap) {
  ReadResult result;
  const int width = header.width;
  const int bits = header.bits;
  const uint32_t* m = header.masks;
  PixelFormat format = PixelFormat::kNone;
  bool via_masks = false;
  switch (bits) {
    case 1:
      format = PixelFormat::k1;
      break;
    case 4:
      format = PixelFormat::k4;
      break;
    case 8:
      format = PixelFormat::k8;
      break;
    case 24:
      format = PixelFormat::k24;
      break;
    case 16:
      if (header.compression == kDibRgb || (m[0] == 0x7C00 && m[1] == 0x03E0 && m[2] == 0x001F)) {
        format = PixelFormat::k15;
      } else if (m[0] == 0xF800 && m[1] == 0x07E0 && m[2] == 0x001F) {
        format = PixelFormat::k16;
      } else {
        format = PixelFormat::k24;
        via_masks = true;
      }
      break;
    case 32:
      if (header.compression == kDibRgb || (m[0] == 0xFF0000 && m[1] == 0xFF00 && m[2] == 0xFF)) {
        format = PixelFormat::k32;
      } else {
        format = PixelFormat::k24;
        via_masks = true;
      }
      break;
    default:
      result.error = "Unsupported bitmap depth";
      return result;
  }
  // The Bitmap comes first: it refuses sizes beyond the memory budget before anything else is
  // allocated for this picture. Uncompressed data cannot be much smaller than the picture, and
  // run-length data holds at most 255 pixels in two bytes.
  const uint64_t claimed =
      static_cast<uint64_t>(RowStride(width, format)) * static_cast<uint64_t>(rows);
  if (rows <= 0 || !ClaimPlausible(claimed, io.FileSize(), 256) ||
      !bitmap.Create(width, rows, format)) {
    result.error = "Bitmap too large or invalid";
    bitmap.MakeFailure();
    return result;
  }
  if (bitmap.Indexed()) bitmap.SetPalette(std::move(palette));

  if (header.compression == kDibRle8 || header.compression == kDibRle4) {
    DecodeRunLength(io, header, rows, bitmap);
    result.depth = bits;
    return result;
  }

  // Rows in the file are laid out by the file's own depth, which differs from the Bitmap's when
  // 32-bit pixels with masks are unpacked into 24 bits.
  const size_t file_stride = RowStride(width, picture::FormatOfBits(bits));
  if (!via_masks) {
    // Same layout in the file and in memory: rows go straight into place.
    for (int i = 0; i < rows; ++i) {
      uint8_t* row = bitmap.Row(header.top_down ? i : rows - 1 - i);
      ReadBytes(io, row, file_stride);
      picture::ReportDecodeRow(i + 1, rows);
      if (io.PastEnd() && io.Unread() == 0) break;  // the rest stays 0
    }
    result.depth = picture::BitsOf(format);
    return result;
  }

  const Channel red = MakeChannel(m[0]);
  const Channel green = MakeChannel(m[1]);
  const Channel blue = MakeChannel(m[2]);
  std::unique_ptr<uint8_t[]> line(new (std::nothrow) uint8_t[file_stride]);
  if (!line) {
    result.error = "Out of memory";
    bitmap.MakeFailure();
    return result;
  }
  for (int i = 0; i < rows; ++i) {
    uint8_t* row = bitmap.Row(header.top_down ? i : rows - 1 - i);
    ReadBytes(io, line.get(), file_stride);
    picture::ReportDecodeRow(i + 1, rows);
    const uint8_t* src = line.get();
    if (bits == 16) {
      for (int x = 0; x < width; ++x, src += 2, row += 3) {
        const uint32_t p = static_cast<uint32_t>(src[0] | (src[1] << 8));
        row[0] = blue.Expand(p);
        row[1] = green.Expand(p);
        row[2] = red.Expand(p);
      }
    } else {
      for (int x = 0; x < width; ++x, src += 4, row += 3) {
        uint32_t p;
        std::memcpy(&p, src, 4);
        row[0] = blue.Expand(p);
        row[1] = green.Expand(p);
        row[2] = red.Expand(p);
      }
    }
    if (io.PastEnd() && io.Unread() == 0) break;
  }
  result.depth = bits;
  return result;
}

ReadResult LoadBmp(TFastFileIO& io, Bitmap& bitmap) {
  ReadResult result;
  io.Seek(0);
  io.Empty();
  const uint64_t file_size = io.FileSize();
  const uint8_t b = io.ReadByte();
  const uint8_t m = io.ReadByte();
  if (b != 'B' || m != 'M') {
    result.error = "Not a bitmap file";
    bitmap.MakeFailure();
    return result;
  }
  io.Skip(8);  // file size, reserved
  const uint32_t offset = io.Read32();
  DibHeader header;
  if (!ReadDibHeader(io, header, result.error)) {
    bitmap.MakeFailure();
    return result;
  }
  const uint64_t palette_start = kFileHeaderSize + uint64_t{header.BytesRead()};
  const uint32_t entry_size = header.core ? 3 : 4;
  // Deep pictures may carry an optional table too: it is passed over.
  uint32_t entries = header.PaletteEntries();
  const uint64_t table_end = palette_start + uint64_t{entries} * entry_size;
  if (header.core && header.bits <= 8 && offset >= palette_start && offset < table_end) {
    // The core header has no colour count: writers that store a shorter table than the depth
    // needs tell its length by the data offset alone.
    entries = static_cast<uint32_t>((offset - palette_start) / entry_size);
  }
  // A data offset that points into the header or the colour table (some writers get it wrong)
  // is not followed: the pixels are read right after the table, as other readers do.
  const bool offset_usable =
      offset < file_size &&
      (header.core ? offset >= palette_start : offset >= table_end);
  std::vector<Rgb> palette = ReadDibPalette(io, header, entries);
  if (offset_usable) {
    io.Seek(offset);
    io.Empty();
  }
  return DecodeDibPixels(io, header, header.height, std::move(palette), bitmap);
}

ReadResult LoadFromPath(const std::string& path, Bitmap& bitmap,
                        ReadResult (*load)(TFastFileIO&, Bitmap&)) {
  TFastFileIO io;
  if (!io.Open(path)) {
    ReadResult result;
    result.error = "Cannot open file";
    bitmap.MakeFailure();
    return result;
  }
  return load(io, bitmap);
}

ReadResult LoadBmpFile(const std::string& path, Bitmap& bitmap) {
  return LoadFromPath(path, bitmap, LoadBmp);
}

namespace {

// What a BMP of `bitmap` looks like: 1, 4 and 8 bits keep their palettes, every other format is
// written as 24 bits; rows run bottom first.
struct BmpLayout {
  PixelFormat format = PixelFormat::kNone;
  size_t stride = 0;
  uint32_t palette_entries = 0;
  uint64_t offset = 0;
  uint64_t image_size = 0;
  uint8_t head[kFileHeaderSize + 40] = {};
};

// False with the message when the picture cannot be a BMP.
bool LayOut(const Bitmap& bitmap, BmpLayout& layout, std::string& error) {
  if (bitmap.Empty()) {
    error = "Nothing to save";
    return false;
  }
  layout.format = bitmap.Indexed() ? bitmap.Format() : PixelFormat::k24;
  const int bits = picture::BitsOf(layout.format);
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  layout.stride = RowStride(width, layout.format);
  layout.palette_entries = bitmap.Indexed() ? (1u << bits) : 0;
  layout.offset = kFileHeaderSize + 40 + uint64_t{layout.palette_entries} * 4;
  layout.image_size = static_cast<uint64_t>(layout.stride) * static_cast<uint64_t>(height);
  if (layout.stride == 0 || layout.offset + layout.image_size > UINT32_MAX) {
    error = "Picture too large for a bitmap file";
    return false;
  }
  uint8_t* head = layout.head;
  head[0] = 'B';
  head[1] = 'M';
  Put32(head + 2, static_cast<uint32_t>(layout.offset + layout.image_size));
  Put32(head + 10, static_cast<uint32_t>(layout.offset));
  Put32(head + 14, 40);
  Put32(head + 18, static_cast<uint32_t>(width));
  Put32(head + 22, static_cast<uint32_t>(height));
  Put16(head + 26, 1);
  Put16(head + 28, static_cast<uint16_t>(bits));
  Put32(head + 34, static_cast<uint32_t>(layout.image_size));
  Put32(head + 38, 3780);  // 96 pixels per inch
  Put32(head + 42, 3780);
  Put32(head + 46, layout.palette_entries);
  return true;
}

void PaletteQuad(const Bitmap& bitmap, uint32_t i, uint8_t quad[4]) {
  const Rgb c = i < bitmap.Palette().size() ? bitmap.Palette()[i] : Rgb{};
  quad[0] = c.b;
  quad[1] = c.g;
  quad[2] = c.r;
  quad[3] = 0;
}

// Row y as the file stores it; `line` (stride bytes, zeroed padding) serves formats that need
// converting.
const uint8_t* FileRow(const Bitmap& bitmap, int y, uint8_t* line) {
  if (bitmap.Indexed() || bitmap.Format() == PixelFormat::k24) return bitmap.Row(y);
  picture::ExpandRowTo24(bitmap, y, line);
  return line;
}

}  // namespace

std::vector<uint8_t> EncodeBmpMemory(const Bitmap& bitmap) {
  BmpLayout layout;
  std::string error;
  if (!LayOut(bitmap, layout, error)) return {};
  std::vector<uint8_t> out(layout.offset + layout.image_size, 0);
  std::memcpy(out.data(), layout.head, sizeof layout.head);
  for (uint32_t i = 0; i < layout.palette_entries; ++i) {
    PaletteQuad(bitmap, i, out.data() + sizeof layout.head + i * 4);
  }
  std::vector<uint8_t> line(layout.stride, 0);
  const int height = bitmap.Height();
  for (int y = 0; y < height; ++y) {
    std::memcpy(out.data() + layout.offset + static_cast<size_t>(height - 1 - y) * layout.stride,
                FileRow(bitmap, y, line.data()), layout.stride);
  }
  return out;
}

WriteResult SaveBmp(const std::string& path, const Bitmap& bitmap) {
  WriteResult result;
  BmpLayout layout;
  if (!LayOut(bitmap, layout, result.error)) return result;
  const size_t stride = layout.stride;
  std::unique_ptr<uint8_t[]> line(new (std::nothrow) uint8_t[stride]());
  // Written beside the target and renamed over it: a failed save leaves the old file whole.
  platform::AtomicFileWriter out;
  std::FILE* f = line && out.Open(path) ? out.OpenStream() : nullptr;
  if (f == nullptr) {
    result.error = "Cannot create file";
    return result;
  }
  bool ok = WriteAll(f, layout.head, sizeof layout.head);
  for (uint32_t i = 0; ok && i < layout.palette_entries; ++i) {
    uint8_t quad[4];
    PaletteQuad(bitmap, i, quad);
    ok = WriteAll(f, quad, 4);
  }
  for (int y = bitmap.Height() - 1; ok && y >= 0; --y) {
    ok = WriteAll(f, FileRow(bitmap, y, line.get()), stride);
  }
  if (std::fclose(f) != 0) ok = false;
  if (!ok || !out.Commit()) {
    out.Discard();
    result.error = "Stream write error";
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace vr::codecs
