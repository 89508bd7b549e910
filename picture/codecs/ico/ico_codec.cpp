#include "picture/codecs/ico/ico_codec.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/convert.h"
#include "platform/files.h"

namespace vr::codecs {

using picture::PixelFormat;
using picture::Rgb;
using picture::RowStride;
using picture::TFastFileIO;

namespace {

// Icon directory (little-endian):
//   0 reserved (16) = 0     2 type (16): 1 icon, 2 cursor     4 entry count (16)
// then one 16-byte entry each:
//   0 width (8, 0 = 256)  1 height (8, 0 = 256)  2 colour count (8)  3 reserved (8)
//   4 planes or hot spot x (16)  6 bit count or hot spot y (16)  8 data size (32)  12 offset (32)
// Each entry's data is either a PNG file or a bitmap information header with doubled height,
// its palette, the colour rows and the 1-bit AND mask rows (both bottom-up).
struct DirEntry {
  int width = 0;
  int height = 0;
  int bits = 0;
  uint32_t size = 0;
  uint32_t offset = 0;
};

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
// Bitmap entries beyond this size are not icons; refusing them keeps hostile headers cheap.
constexpr int kLargestBitmapEntry = 1024;

void ReadBytes(TFastFileIO& io, uint8_t* dest, size_t n) {
  while (n > 0) {
    const size_t take = std::min<size_t>(n, 32767);
    io.ReadBlock(dest, take);
    dest += take;
    n -= take;
  }
}

bool ReadDirectory(TFastFileIO& io, DirEntry& best, int& count, std::string& error) {
  io.Seek(0);
  io.Empty();
  const uint16_t reserved = io.Read16();
  const uint16_t type = io.Read16();
  count = io.Read16();
  if (reserved != 0 || (type != 1 && type != 2) || count == 0) {
    error = "Not an icon file";
    return false;
  }
  const uint64_t file_size = io.FileSize();
  bool found = false;
  for (int i = 0; i < count; ++i) {
    DirEntry e;
    e.width = io.ReadByte();
    e.height = io.ReadByte();
    const int colours = io.ReadByte();
    io.ReadByte();
    io.Read16();
    e.bits = io.Read16();
    e.size = io.Read32();
    e.offset = io.Read32();
    if (e.width == 0) e.width = 256;
    if (e.height == 0) e.height = 256;
    if (e.bits == 0) e.bits = colours == 0 ? 8 : (colours <= 2 ? 1 : colours <= 16 ? 4 : 8);
    if (e.offset < 6 || e.offset >= file_size) continue;
    const int64_t area = int64_t{e.width} * e.height;
    const int64_t best_area = int64_t{best.width} * best.height;
    if (!found || area > best_area || (area == best_area && e.bits > best.bits)) {
      best = e;
      found = true;
    }
  }
  if (!found) error = "Icon has no readable entry";
  return found;
}

bool AtPng(TFastFileIO& io, const DirEntry& entry) {
  io.Seek(entry.offset);
  io.Empty();
  uint8_t sig[8];
  io.ReadBlock(sig, sizeof sig);
  io.Seek(entry.offset);
  io.Empty();
  return std::memcmp(sig, kPngSignature, sizeof sig) == 0;
}

ReadResult LoadPngEntry(TFastFileIO& io, const DirEntry& entry, Bitmap& bitmap) {
  ReadResult result;
  const uint64_t available = io.FileSize() - entry.offset;
  const size_t size = static_cast<size_t>(std::min<uint64_t>(entry.size, available));
  std::vector<uint8_t> data(size);
  ReadBytes(io, data.data(), size);
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) {
    result.error = "Damaged PNG icon entry";
    png_image_free(&image);
    return result;
  }
  image.format = PNG_FORMAT_BGRA;
  const bool plausible =
      ClaimPlausible(uint64_t{image.width} * image.height * 4, data.size(), 1024);
  if (!plausible || image.width > INT32_MAX || image.height > INT32_MAX ||
      !bitmap.Create(static_cast<int>(image.width), static_cast<int>(image.height),
                     PixelFormat::k32)) {
    result.error = "Icon too large";
    png_image_free(&image);
    return result;
  }
  if (!png_image_finish_read(&image, nullptr, bitmap.Data(),
                             static_cast<png_int_32>(bitmap.Stride()), nullptr)) {
    result.error = "Damaged PNG icon entry";
    png_image_free(&image);
    return result;
  }
  result.depth = 32;
  return result;
}

ReadResult LoadBitmapEntry(TFastFileIO& io, const DirEntry& entry, Bitmap& bitmap) {
  ReadResult result;
  io.Seek(entry.offset);
  io.Empty();
  DibHeader header;
  if (!ReadDibHeader(io, header, result.error)) return result;
  // The stored height covers the colour rows and the mask rows.
  const int rows = header.height >= 2 ? header.height / 2 : header.height;
  if (header.width > kLargestBitmapEntry || rows > kLargestBitmapEntry) {
    result.error = "Icon too large";
    return result;
  }
  std::vector<Rgb> palette = ReadDibPalette(io, header, header.PaletteEntries());
  Bitmap colours;
  result = DecodeDibPixels(io, header, rows, std::move(palette), colours);
  if (!result.ok()) return result;
  const int width = header.width;
  if (!bitmap.Create(width, rows, PixelFormat::k32)) {
    result.depth = 0;
    result.error = "Icon too large";
    return result;
  }
  const size_t mask_stride = RowStride(width, PixelFormat::k1);
  std::vector<uint8_t> mask(mask_stride * static_cast<size_t>(rows));
  ReadBytes(io, mask.data(), mask.size());

  // 32-bit entries carry their own alpha; when every alpha byte is 0 the AND mask decides.
  bool has_alpha = false;
  if (colours.Format() == PixelFormat::k32) {
    for (int y = 0; y < rows && !has_alpha; ++y) {
      const uint8_t* src = colours.Row(y);
      for (int x = 0; x < width; ++x) {
        if (src[4 * x + 3] != 0) {
          has_alpha = true;
          break;
        }
      }
    }
  }
  std::vector<uint8_t> line(static_cast<size_t>(width) * 3);
  for (int y = 0; y < rows; ++y) {
    picture::ExpandRowTo24(colours, y, line.data());
    const uint8_t* alpha_row = colours.Format() == PixelFormat::k32 ? colours.Row(y) : nullptr;
    const uint8_t* mask_row =
        mask.data() + mask_stride * static_cast<size_t>(header.top_down ? y : rows - 1 - y);
    uint8_t* out = bitmap.Row(y);
    for (int x = 0; x < width; ++x) {
      out[4 * x] = line[3 * x];
      out[4 * x + 1] = line[3 * x + 1];
      out[4 * x + 2] = line[3 * x + 2];
      if (has_alpha) {
        out[4 * x + 3] = alpha_row[4 * x + 3];
      } else {
        const bool transparent = (mask_row[x >> 3] >> (7 - (x & 7))) & 1;
        out[4 * x + 3] = transparent ? 0 : 255;
      }
    }
  }
  return result;
}

void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

IcoFacts ReadIcoFacts(TFastFileIO& io) {
  IcoFacts facts;
  DirEntry entry;
  if (!ReadDirectory(io, entry, facts.entries, facts.error)) return facts;
  if (AtPng(io, entry)) {
    // PNG entry: IHDR width, height, bit depth and colour type follow the signature.
    io.Skip(16);
    uint8_t ihdr[10];
    io.ReadBlock(ihdr, sizeof ihdr);
    const auto be32 = [](const uint8_t* p) {
      return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
    };
    const uint32_t w = be32(ihdr);
    const uint32_t h = be32(ihdr + 4);
    static constexpr int kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
    const int channels = ihdr[9] < 7 ? kChannels[ihdr[9]] : 0;
    if (w == 0 || h == 0 || w > INT32_MAX || h > INT32_MAX || channels == 0) {
      facts.error = "Damaged PNG icon entry";
      return facts;
    }
    facts.width = static_cast<int>(w);
    facts.height = static_cast<int>(h);
    facts.bits = ihdr[8] * channels;
    facts.png = true;
    facts.ok = true;
    return facts;
  }
  DibHeader header;
  if (!ReadDibHeader(io, header, facts.error)) return facts;
  facts.width = header.width;
  facts.height = header.height >= 2 ? header.height / 2 : header.height;
  facts.bits = header.bits;
  facts.compression = header.compression;
  facts.ok = true;
  return facts;
}

ReadResult LoadIco(TFastFileIO& io, Bitmap& bitmap) {
  ReadResult result;
  DirEntry entry;
  int count = 0;
  if (ReadDirectory(io, entry, count, result.error)) {
    result =
        AtPng(io, entry) ? LoadPngEntry(io, entry, bitmap) : LoadBitmapEntry(io, entry, bitmap);
  }
  if (!result.ok()) bitmap.MakeFailure();
  return result;
}

ReadResult LoadIcoFile(const std::string& path, Bitmap& bitmap) {
  return LoadFromPath(path, bitmap, LoadIco);
}

WriteResult SaveIco(const std::string& path, const Bitmap& bitmap) {
  WriteResult result;
  if (bitmap.Empty()) {
    result.error = "Nothing to save";
    return result;
  }
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  if (width > 256 || height > 256) {
    result.error = "Icons can be at most 256 x 256 pixels";
    return result;
  }
  const PixelFormat format = bitmap.Indexed() ? bitmap.Format() : PixelFormat::k24;
  const int bits = picture::BitsOf(format);
  const uint32_t palette_entries = bitmap.Indexed() ? (1u << bits) : 0;
  const size_t stride = RowStride(width, format);
  const size_t mask_stride = RowStride(width, PixelFormat::k1);
  const uint32_t image_size = static_cast<uint32_t>((stride + mask_stride) * height);
  const uint32_t data_size = 40 + palette_entries * 4 + image_size;

  std::vector<uint8_t> out;
  out.reserve(22 + data_size);
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, 1);
  out.push_back(static_cast<uint8_t>(width == 256 ? 0 : width));
  out.push_back(static_cast<uint8_t>(height == 256 ? 0 : height));
  out.push_back(static_cast<uint8_t>(bits < 8 ? (1 << bits) : 0));
  out.push_back(0);
  Put16(out, 1);
  Put16(out, static_cast<uint16_t>(bits));
  Put32(out, data_size);
  Put32(out, 22);
  // Bitmap header with the doubled height of colour rows plus mask rows.
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(width));
  Put32(out, static_cast<uint32_t>(height * 2));
  Put16(out, 1);
  Put16(out, static_cast<uint16_t>(bits));
  Put32(out, 0);
  Put32(out, image_size);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);
  for (uint32_t i = 0; i < palette_entries; ++i) {
    const Rgb c = i < bitmap.Palette().size() ? bitmap.Palette()[i] : Rgb{};
    out.push_back(c.b);
    out.push_back(c.g);
    out.push_back(c.r);
    out.push_back(0);
  }
  std::vector<uint8_t> line(stride, 0);
  for (int y = height - 1; y >= 0; --y) {
    if (bitmap.Indexed() || bitmap.Format() == PixelFormat::k24) {
      out.insert(out.end(), bitmap.Row(y), bitmap.Row(y) + stride);
    } else {
      picture::ExpandRowTo24(bitmap, y, line.data());
      out.insert(out.end(), line.begin(), line.end());
    }
  }
  out.resize(out.size() + mask_stride * static_cast<size_t>(height), 0);  // all opaque

  // Written beside the target and renamed over it: a failed save leaves the old file whole.
  const platform::FileResult written = platform::WriteFileAtomically(
      path, std::string_view(reinterpret_cast<const char*>(out.data()), out.size()));
  if (!written) {
    result.error = written.error == ENOSPC || written.error == EIO ? "Stream write error"
                                                                    : "Cannot create file";
    return result;
  }
  result.ok = true;
  return result;
}

Bitmap BlendIconOnto(const Bitmap& icon, Rgb background) {
  Bitmap out;
  if (icon.Empty() || !out.Create(icon.Width(), icon.Height(), PixelFormat::k24)) return out;
  if (icon.Format() != PixelFormat::k32) {
    for (int y = 0; y < icon.Height(); ++y) picture::ExpandRowTo24(icon, y, out.Row(y));
    return out;
  }
  const uint8_t bg[3] = {background.b, background.g, background.r};
  for (int y = 0; y < icon.Height(); ++y) {
    const uint8_t* src = icon.Row(y);
    uint8_t* dst = out.Row(y);
    for (int x = 0; x < icon.Width(); ++x, src += 4, dst += 3) {
      const unsigned a = src[3];
      for (int c = 0; c < 3; ++c) {
        dst[c] = static_cast<uint8_t>((src[c] * a + bg[c] * (255 - a) + 127) / 255);
      }
    }
  }
  return out;
}

}  // namespace vr::codecs
