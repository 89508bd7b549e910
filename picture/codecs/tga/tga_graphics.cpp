#include "picture/codecs/tga/tga_graphics.h"
#include "picture/decode_progress.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace vr::codecs {
namespace {

constexpr size_t kHeaderSize = 18;
constexpr const char* kInvalidTga = "Invalid TGA file!";

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint8_t Five(uint32_t v) { return static_cast<uint8_t>(v * 255 / 31); }

// Fills `row` with `units` units of `unit_bytes` bytes from run-length packets. A packet that
// runs past the end of the row is finished (its bytes are consumed) but its excess is dropped.
void DecodeRleRow(ChunkSource& src, uint8_t* row, size_t units, size_t unit_bytes) {
  size_t n = 0;
  uint8_t value[4];
  while (n < units) {
    const uint8_t h = src.Next();
    const size_t count = static_cast<size_t>(h & 0x7F) + 1;
    const size_t take = std::min(count, units - n);
    uint8_t* out = row + n * unit_bytes;
    if (h & 0x80) {
      if (src.Ready() >= unit_bytes) {
        std::memcpy(value, src.Peek(), unit_bytes);
        src.Advance(unit_bytes);
      } else {
        src.Take(value, unit_bytes);
      }
      switch (unit_bytes) {
        case 1:
          std::memset(out, value[0], take);
          break;
        case 3:
          for (size_t i = 0; i < take; ++i, out += 3) {
            out[0] = value[0];
            out[1] = value[1];
            out[2] = value[2];
          }
          break;
        default:
          for (size_t i = 0; i < take; ++i, out += unit_bytes) std::memcpy(out, value, unit_bytes);
          break;
      }
    } else {
      src.Take(out, take * unit_bytes);
      if (count > take) src.Skip((count - take) * unit_bytes);
    }
    n += take;
  }
}

void MirrorRow(uint8_t* row, int width, int bits) {
  if (bits == 24) {
    for (int l = 0, r = width - 1; l < r; ++l, --r) {
      std::swap(row[l * 3], row[r * 3]);
      std::swap(row[l * 3 + 1], row[r * 3 + 1]);
      std::swap(row[l * 3 + 2], row[r * 3 + 2]);
    }
  } else if (bits == 8) {
    std::reverse(row, row + width);
  } else if (bits == 1) {
    for (int l = 0, r = width - 1; l < r; ++l, --r) {
      const int lb = (row[l >> 3] >> (7 - (l & 7))) & 1;
      const int rb = (row[r >> 3] >> (7 - (r & 7))) & 1;
      if (lb != rb) {
        row[l >> 3] ^= static_cast<uint8_t>(0x80 >> (l & 7));
        row[r >> 3] ^= static_cast<uint8_t>(0x80 >> (r & 7));
      }
    }
  }
}

}  // namespace

bool TTGAGraphics::ReadTgaHeader(TFastFileIO& io) {
  uint8_t raw[kHeaderSize];
  io.ReadBlock(raw, kHeaderSize);
  TgaHeader h;
  h.id_length = raw[0];
  h.colour_map_type = raw[1];
  h.image_type = raw[2];
  h.colour_map_first = Le16(raw + 3);
  h.colour_map_length = Le16(raw + 5);
  h.colour_map_entry_size = raw[7];
  h.x_origin = Le16(raw + 8);
  h.y_origin = Le16(raw + 10);
  h.width = Le16(raw + 12);
  h.height = Le16(raw + 14);
  h.pixel_depth = raw[16];
  h.descriptor = raw[17];
  header_ = h;
  palette_ = {};
  switch (h.image_type) {
    case 1:
    case 2:
    case 3:
    case 9:
    case 10:
    case 11:
      break;
    default:
      error_ = kInvalidTga;
      return false;
  }
  switch (h.pixel_depth) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      error_ = kInvalidTga;
      return false;
  }
  io.Skip(h.id_length);
  if (h.colour_map_type != 0) {
    // Entries of other sizes are passed over so the pixels that follow stay in step.
    const size_t entry_bytes = (static_cast<size_t>(h.colour_map_entry_size) + 7) / 8;
    uint8_t entry[8] = {};
    for (size_t i = 0; i < h.colour_map_length; ++i) {
      const size_t index = h.colour_map_first + i;
      if (entry_bytes > sizeof(entry) || index >= 256) {
        io.Skip(entry_bytes);
        continue;
      }
      io.ReadBlock(entry, entry_bytes);
      if (entry_bytes == 2) {
        const uint32_t v = Le16(entry);
        palette_[index] = Rgb{Five((v >> 10) & 31), Five((v >> 5) & 31), Five(v & 31)};
      } else if (entry_bytes >= 3 && entry_bytes <= 4) {
        palette_[index] = Rgb{entry[2], entry[1], entry[0]};
      }
    }
  } else if (h.pixel_depth == 8) {
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<uint8_t>(i);
      palette_[i] = Rgb{v, v, v};
    }
  }
  if (h.pixel_depth == 1) {
    palette_[0] = Rgb{0, 0, 0};
    palette_[1] = Rgb{255, 255, 255};
  }
  data_start_ = io.ReaderPosition();
  error_.clear();
  return true;
}

TgaHeaderFacts ReadTgaHeaderFacts(TFastFileIO& io) {
  TTGAGraphics codec;
  TgaHeaderFacts facts;
  facts.ok = codec.ReadTgaHeader(io);
  facts.error = codec.Error();
  if (facts.ok) {
    facts.compressed = codec.Header().Compressed();
    facts.bits = codec.Header().pixel_depth;
    facts.width = codec.Header().width;
    facts.height = codec.Header().height;
  }
  return facts;
}

ReadResult TTGAGraphics::Fail(Bitmap& bitmap, const std::string& error) {
  error_ = error;
  MakeFailure8(bitmap);
  return ReadResult{0, error};
}

ReadResult TTGAGraphics::LoadTga(const std::string& path, Bitmap& bitmap,
                                 const DecodeOptions& options) {
  TFastFileIO io;
  if (!io.Open(path)) return Fail(bitmap, "Cannot open file " + path);
  return Load(io, bitmap, options);
}

ReadResult TTGAGraphics::Load(TFastFileIO& io, Bitmap& bitmap, const DecodeOptions& options) {
  if (!ReadTgaHeader(io)) return Fail(bitmap, error_);
  const TgaHeader& h = header_;
  const int width = h.width;
  const int height = h.height;
  const int depth = h.pixel_depth;
  if (width <= 0 || height <= 0) return Fail(bitmap, kInvalidTga);

  // Units the row decoders work in: bytes of packed pixels for 1 bit, else pixels.
  size_t units = static_cast<size_t>(width);
  size_t unit_bytes = static_cast<size_t>(depth) / 8;
  if (depth == 1) {
    units = (static_cast<size_t>(width) + 7) / 8;
    unit_bytes = 1;
  } else if (depth == 4) {
    units = (static_cast<size_t>(width) + 1) / 2;
    unit_bytes = 1;
  }
  const uint64_t min_bytes =
      h.Compressed() ? static_cast<uint64_t>(height) * ((units + 127) / 128) * (1 + unit_bytes)
                     : static_cast<uint64_t>(height) * units * unit_bytes;
  if (!DataCanHold(io.FileSize(), data_start_, min_bytes)) return Fail(bitmap, kInvalidTga);

  PixelFormat format = PixelFormat::k24;
  int palette_count = 0;
  if (depth == 1) {
    format = PixelFormat::k1;
    palette_count = 2;
  } else if (depth == 4 || depth == 8) {
    format = PixelFormat::k8;
    palette_count = 256;
  }
  // Decoded straight into the caller's picture: reloading reuses its memory. Every row is
  // written whole, its padding cleared, so the picture is not zero-filled first (4-bit files,
  // whose pixels are not decoded, stay all zero).
  Bitmap& out = bitmap;
  const bool every_row = depth != 4;
  if (!(every_row ? out.Reshape(width, height, format) : out.Recreate(width, height, format)))
    return Fail(bitmap, "Not enough memory for this picture.");
  if (palette_count > 0) out.SetPalette(PaletteEntries(palette_, palette_count));

  if (every_row) {
    // Bytes each row gets from the decode; the rest of the row is padding.
    const size_t written =
        (depth == 16 || depth == 32) ? static_cast<size_t>(width) * 3 : units * unit_bytes;
    const size_t padding = out.Stride() - written;
    const bool top_first = (h.descriptor & 0x20) != 0;
    const bool mirrored = (h.descriptor & 0x10) != 0;
    const size_t row_bytes = units * unit_bytes;
    // 24-bit and indexed rows decode straight into the picture; 16 and 32 bits go through a
    // scratch row.
    const bool direct = depth == 24 || depth == 8 || depth == 1;
    const bool grey_alpha = depth == 16 && (h.image_type == 3 || h.image_type == 11);
    std::vector<uint8_t> scratch(direct ? 0 : row_bytes + 8);
    ChunkSource src(io);
    for (int row = 0; row < height; ++row) {
      const int y = top_first ? row : height - 1 - row;
      uint8_t* dst = out.Row(y);
      uint8_t* target = direct ? dst : scratch.data();
      if (h.Compressed()) {
        DecodeRleRow(src, target, units, unit_bytes);
      } else {
        src.Take(target, row_bytes);
      }
      if (grey_alpha) {
        // Black-and-white files of 16 bits hold a grey byte and an alpha byte per pixel.
        const uint8_t* s = scratch.data();
        for (int x = 0; x < width; ++x, s += 2, dst += 3) dst[0] = dst[1] = dst[2] = s[0];
      } else if (depth == 16) {
        const uint8_t* s = scratch.data();
        for (int x = 0; x < width; ++x, s += 2, dst += 3) {
          const uint32_t v = Le16(s);
          dst[0] = Five(v & 31);
          dst[1] = Five((v >> 5) & 31);
          dst[2] = Five((v >> 10) & 31);
        }
      } else if (depth == 32) {
        const uint8_t* s = scratch.data();
        for (int x = 0; x < width; ++x, s += 4, dst += 3) {
          dst[0] = s[0];
          dst[1] = s[1];
          dst[2] = s[2];
        }
      }
      if (padding != 0) std::memset(out.Row(y) + written, 0, padding);
      if (mirrored) MirrorRow(out.Row(y), width, out.Bits());
      picture::ReportDecodeRow(row + 1, height);
    }
  }
  if (options.Reduced()) {
    // True-colour pictures start from the colour cube; the reducer replaces it.
    Palette6 screen;
    if (palette_count == 0) {
      FillCube332(screen);
    } else {
      screen = ShrinkTable(palette_);
    }
    if (ReduceToScreen(bitmap, screen)) palette_ = ExpandTable(screen);
  }
  error_.clear();
  return ReadResult{depth, {}};
}

WriteResult TTGAGraphics::SaveTga(const std::string& path, const Bitmap& bitmap, int mode) {
  const int bits = bitmap.Bits();
  if (mode != kTga256Colours && mode != kTgaTrueColour) return {false, "Invalid TGA mode."};
  if (bitmap.Empty() || bitmap.Width() > 65535 || bitmap.Height() > 65535 ||
      (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) ||
      (mode == kTga256Colours && bits > 8)) {
    return {false, "The picture cannot be saved in this TGA mode."};
  }
  palette_ = FullPalette(bitmap.Palette());
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  const bool mapped = mode == kTga256Colours;

  StreamWriter out;
  if (!out.Open(path)) return {false, out.Error()};
  uint8_t header[kHeaderSize] = {};
  header[0] = 36;
  header[1] = mapped ? 1 : 0;
  header[2] = mapped ? 1 : 2;
  header[5] = mapped ? 0x00 : 0;  // length 256, low byte
  header[6] = mapped ? 0x01 : 0;
  header[7] = 24;
  header[12] = static_cast<uint8_t>(width);
  header[13] = static_cast<uint8_t>(width >> 8);
  header[14] = static_cast<uint8_t>(height);
  header[15] = static_cast<uint8_t>(height >> 8);
  header[16] = mapped ? 8 : 24;
  header[17] = 0x20;
  out.Write(header, kHeaderSize);
  out.Write(kTgaImageId, sizeof(kTgaImageId) - 1);
  out.Byte(0x1A);
  if (mapped) {
    uint8_t map[768];
    for (int i = 0; i < 256; ++i) {
      map[i * 3] = palette_[i].b;
      map[i * 3 + 1] = palette_[i].g;
      map[i * 3 + 2] = palette_[i].r;
    }
    out.Write(map, sizeof(map));
  }
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3 + 16);
  for (int y = 0; y < height && !out.Failed(); ++y) {
    if (mapped) {
      RowToIndices(bitmap.Row(y), bits, width, row.data());
      out.Write(row.data(), static_cast<size_t>(width));
    } else {
      RowToBgr(bitmap.Row(y), bits, palette_, width, row.data());
      out.Write(row.data(), static_cast<size_t>(width) * 3);
    }
  }
  if (!out.Finish()) return {false, out.Error()};
  return {true, {}};
}

ReadResult LoadTga(const std::string& path, Bitmap& bitmap, const DecodeOptions& options) {
  TTGAGraphics codec;
  return codec.LoadTga(path, bitmap, options);
}

WriteResult SaveTga(const std::string& path, const Bitmap& bitmap, int mode) {
  TTGAGraphics codec;
  return codec.SaveTga(path, bitmap, mode);
}

}  // namespace vr::codecs
