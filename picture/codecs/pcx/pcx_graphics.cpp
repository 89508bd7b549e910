#include "picture/codecs/pcx/pcx_graphics.h"
#include "picture/decode_progress.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vr::codecs {
namespace {

constexpr size_t kHeaderSize = 128;
constexpr int kMaxRun = 63;

// How the rows of a file are turned into the Bitmap.
enum class PcxLayout { kMono, kPlanar, kIndexed8, kRgb, kBlank };

PcxLayout LayoutOf(const PcxHeader& h) {
  if (h.bits_per_pixel == 1 && h.planes == 1) return PcxLayout::kMono;
  if (h.bits_per_pixel == 1 && h.planes >= 2 && h.planes <= 4) return PcxLayout::kPlanar;
  if (h.bits_per_pixel == 8 && h.planes == 1) return PcxLayout::kIndexed8;
  if (h.bits_per_pixel == 8 && h.planes == 3) return PcxLayout::kRgb;
  return PcxLayout::kBlank;
}

// Bit i set for each byte i of the 64 at `p` that is 0xC0 or above (a run count when it starts a
// token).
inline uint64_t HighBytes64(const uint8_t* p) {
#if defined(__SSE2__)
  const __m128i floor = _mm_set1_epi8(static_cast<char>(0xC0));
  uint64_t mask = 0;
  for (int i = 0; i < 4; ++i) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
    const __m128i high = _mm_cmpeq_epi8(_mm_max_epu8(v, floor), v);
    mask |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(high))) << (16 * i);
  }
  return mask;
#else
  uint64_t mask = 0;
  for (int i = 0; i < 64; ++i) mask |= static_cast<uint64_t>(p[i] >= 0xC0) << i;
  return mask;
#endif
}

// The run counts among 64 bytes that begin at a token. In a stretch of consecutive bytes of
// 0xC0 and above, the first is a count, the next its value, the next a count again and so on;
// every stretch begins at a token because the byte before it is a literal or a value. The
// stretches are told apart by the parity of their first position, found for all at once by
// letting an added bit ripple through each stretch that starts at an even position.
inline uint64_t RunCounts64(uint64_t high) {
  constexpr uint64_t kEven = 0x5555555555555555ull;
  constexpr uint64_t kOdd = ~kEven;
  const uint64_t stretch_starts = high & ~(high << 1);
  const uint64_t from_even = ((high + (stretch_starts & kEven)) ^ high) & high;
  const uint64_t from_odd = high & ~from_even;
  const uint64_t values = (from_even & kOdd) | (from_odd & kEven);
  return high & ~values;
}

// Decodes whole 64-byte blocks of the source while the row has room to spare: the count
// positions of a block are found at once, and the literals between two runs and each run go out
// as fixed-size stores (the excess is overwritten by what follows, and never passes `total`).
// Returns with `n` advanced and the source at the first token not yet decoded; the caller
// finishes the row exactly.
size_t DecodeBlocks(ChunkSource& src, uint8_t* out, size_t n, size_t total) {
  // A block reads up to 129 bytes from its start (literal copies of 64 from anywhere in it plus
  // the value of a count in its last byte).
  constexpr size_t kSourceSlack = 130;
  // One token writes at most 64 literal bytes and then 64 run bytes.
  constexpr size_t kRoom = 128;
  while (src.Ready() >= kSourceSlack && total - n >= kRoom) {
    const uint8_t* block = src.Peek();
    uint64_t counts = RunCounts64(HighBytes64(block));
    size_t cur = 0;  // first byte of the block not yet decoded
    while (counts != 0) {
      if (total - n < kRoom) {
        src.Advance(cur);
        return n;
      }
      const size_t k = static_cast<size_t>(std::countr_zero(counts));
      counts &= counts - 1;
      const size_t literals = k - cur;
      std::memcpy(out + n, block + cur, 16);
      if (literals > 16) std::memcpy(out + n + 16, block + cur + 16, 48);
      n += literals;
      const size_t count = block[k] & 0x3F;
      const uint8_t value = block[k + 1];
      std::memset(out + n, value, 16);
      if (count > 16) std::memset(out + n + 16, value, 48);
      n += count;
      cur = k + 2;
    }
    if (cur < 64) {
      if (total - n < kRoom) {
        src.Advance(cur);
        return n;
      }
      std::memcpy(out + n, block + cur, 64);
      n += 64 - cur;
      cur = 64;
    }
    src.Advance(cur);  // 65 when the last byte was a count: its value was taken too
  }
  return n;
}

// Decodes one row of `total` bytes. A run that passes the end of the row is cut there; its
// excess is dropped rather than carried into the next row.
void DecodeRow(ChunkSource& src, uint8_t* out, size_t total) {
  size_t n = DecodeBlocks(src, out, 0, total);
  while (n < total) {
    const size_t ready = src.Ready();
    if (ready < 2) {
      const uint8_t b = src.Next();
      if (b >= 0xC0) {
        const size_t count = std::min<size_t>(b & 0x3F, total - n);
        const uint8_t v = src.Next();
        std::memset(out + n, v, count);
        n += count;
      } else {
        out[n++] = b;
      }
      continue;
    }
    // Byte by byte over the bytes at hand, keeping one in reserve so a run's value is present.
    const uint8_t* p = src.Peek();
    const uint8_t* const start = p;
    const uint8_t* const end = p + ready - 1;
    while (n < total && p < end) {
      const uint8_t b = *p++;
      if (b >= 0xC0) {
        size_t count = b & 0x3F;
        const uint8_t v = *p++;
        if (count > total - n) count = total - n;
        std::memset(out + n, v, count);
        n += count;
      } else {
        out[n++] = b;
      }
    }
    src.Advance(static_cast<size_t>(p - start));
  }
}

// Run-length encodes one plane line; runs stop at the end of the line.
size_t EncodeLine(const uint8_t* in, size_t n, uint8_t* out) {
  size_t i = 0;
  size_t o = 0;
  while (i < n) {
    const uint8_t v = in[i];
    size_t run = 1;
    while (i + run < n && run < kMaxRun && in[i + run] == v) ++run;
    if (run > 1 || v >= 0xC0) {
      out[o++] = static_cast<uint8_t>(0xC0 | run);
      out[o++] = v;
    } else {
      out[o++] = v;
    }
    i += run;
  }
  return o;
}

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

bool TPCXGraphics::ReadPcxHeader(TFastFileIO& io) {
  uint8_t raw[kHeaderSize];
  io.ReadBlock(raw, kHeaderSize);
  PcxHeader h;
  h.manufacturer = raw[0];
  h.version = raw[1];
  h.encoding = raw[2];
  h.bits_per_pixel = raw[3];
  h.xmin = Le16(raw + 4);
  h.ymin = Le16(raw + 6);
  h.xmax = Le16(raw + 8);
  h.ymax = Le16(raw + 10);
  h.hres = Le16(raw + 12);
  h.vres = Le16(raw + 14);
  std::memcpy(h.palette, raw + 16, sizeof(h.palette));
  h.reserved = raw[64];
  h.planes = raw[65];
  h.bytes_per_line = Le16(raw + 66);
  h.palette_info = Le16(raw + 68);
  header_ = h;
  if (h.manufacturer != 10) {
    error_ = "Not a PCX file, or header read error.";
    return false;
  }
  switch (h.bits_per_pixel) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      break;
    default:
      error_ = "Not a valid PCX file!";
      return false;
  }
  for (int i = 0; i < 16; ++i) {
    uint8_t c[3];
    for (int k = 0; k < 3; ++k) {
      uint8_t v = h.palette[i * 3 + k];
      // Version 2 files may hold the four EGA intensities 0..3.
      if (h.version == 2 && v < 4) v = static_cast<uint8_t>(v * 85);
      c[k] = v;
    }
    palette_[i] = Rgb{c[0], c[1], c[2]};
  }
  error_.clear();
  return true;
}

void TPCXGraphics::ReadEndPalette(TFastFileIO& io) {
  const uint64_t size = io.FileSize();
  io.Seek(size >= 769 ? size - 769 : 0);
  io.Empty();
  uint8_t raw[769];
  io.ReadBlock(raw, sizeof(raw));
  // raw[0] should be the marker 12; the last 768 bytes are taken as the palette either way.
  const uint8_t v2 = header_.version == 2;
  for (int i = 0; i < 256; ++i) {
    uint8_t c[3];
    for (int k = 0; k < 3; ++k) {
      uint8_t v = raw[1 + i * 3 + k];
      if (v2 && v < 4) v = static_cast<uint8_t>(v * 85);
      c[k] = v;
    }
    palette_[i] = Rgb{c[0], c[1], c[2]};
  }
  io.Seek(kHeaderSize);
  io.Empty();
}

ReadResult TPCXGraphics::Fail(Bitmap& bitmap, const std::string& error) {
  error_ = error;
  MakeFailure8(bitmap);
  return ReadResult{0, error};
}

ReadResult TPCXGraphics::LoadPcx(const std::string& path, Bitmap& bitmap,
                                 const DecodeOptions& options) {
  palette_ = {};
  TFastFileIO io;
  if (!io.Open(path)) return Fail(bitmap, "Cannot open file " + path);
  return Load(io, bitmap, options);
}

ReadResult TPCXGraphics::Load(TFastFileIO& io, Bitmap& bitmap, const DecodeOptions& options) {
  palette_ = {};
  if (!ReadPcxHeader(io)) return Fail(bitmap, error_);
  const PcxHeader& h = header_;
  const int width = h.Width();
  const int height = h.Height();
  if (width <= 0 || height <= 0) return Fail(bitmap, "Not a valid PCX file!");
  const PcxLayout layout = LayoutOf(h);
  const size_t bpl = h.bytes_per_line;
  const size_t planes = h.planes;
  const size_t row_total = bpl * planes;

  // The file must be able to hold the rows at their most compact (all runs of 63).
  const uint64_t width_bytes =
      (static_cast<uint64_t>(width) * std::max<int>(h.bits_per_pixel, 1) + 7) / 8;
  const uint64_t line = std::max<uint64_t>(bpl, width_bytes) * std::max<size_t>(planes, 1);
  const uint64_t min_bytes = static_cast<uint64_t>(height) * ((line + kMaxRun - 1) / kMaxRun) * 2;
  if (!DataCanHold(io.FileSize(), kHeaderSize, min_bytes)) {
    return Fail(bitmap, "Not a valid PCX file!");
  }

  if (h.version == 3) {
    const auto& table = StandardColours6();
    for (size_t i = 0; i < table.size(); ++i) palette_[i] = picture::Expand6To8(table[i]);
  }
  PixelFormat format = PixelFormat::k8;
  int palette_count = 256;
  switch (layout) {
    case PcxLayout::kMono:
      format = PixelFormat::k1;
      palette_[0] = Rgb{0, 0, 0};
      palette_[1] = Rgb{255, 255, 255};
      palette_count = 2;
      break;
    case PcxLayout::kPlanar:
      palette_count = 17;
      break;
    case PcxLayout::kIndexed8:
      ReadEndPalette(io);
      break;
    case PcxLayout::kRgb:
      format = PixelFormat::k24;
      palette_count = 0;
      break;
    case PcxLayout::kBlank:
      break;
  }
  // Decoded straight into the caller's picture: reloading reuses its memory. 8-bit rows that fit
  // the picture's row decode in place and have their tail cleared, so the picture need not be
  // zero-filled first.
  Bitmap& out = bitmap;
  const bool in_place = layout == PcxLayout::kIndexed8 && row_total > 0 &&
                        row_total <= picture::RowStride(width, PixelFormat::k8);
  if (!(in_place ? out.Reshape(width, height, format) : out.Recreate(width, height, format)))
    return Fail(bitmap, "Not enough memory for this picture.");
  if (palette_count > 0) out.SetPalette(PaletteEntries(palette_, palette_count));

  if (layout != PcxLayout::kBlank && row_total > 0) {
    ChunkSource src(io);
    std::vector<uint8_t> raw(in_place ? 0 : row_total + 16);
    const size_t mono_bytes = std::min<size_t>(bpl, (static_cast<size_t>(width) + 7) / 8);
    const int columns =
        static_cast<int>(std::min<size_t>(width, bpl * (layout == PcxLayout::kPlanar ? 8 : 1)));
    for (int y = 0; y < height; ++y) {
      uint8_t* dst = out.Row(y);
      if (in_place) {
        DecodeRow(src, dst, row_total);
        std::memset(dst + columns, 0, out.Stride() - static_cast<size_t>(columns));
        picture::ReportDecodeRow(y + 1, height);
        continue;
      }
      DecodeRow(src, raw.data(), row_total);
      picture::ReportDecodeRow(y + 1, height);
      switch (layout) {
        case PcxLayout::kMono:
          std::memcpy(dst, raw.data(), mono_bytes);
          break;
        case PcxLayout::kPlanar:
          std::memset(dst, 0, static_cast<size_t>(width));
          for (size_t p = 0; p < planes; ++p) {
            const uint8_t* plane = raw.data() + p * bpl;
            const uint8_t value = static_cast<uint8_t>(1u << p);
            for (int x = 0; x < columns; ++x) {
              if (plane[x >> 3] & (0x80 >> (x & 7))) dst[x] = static_cast<uint8_t>(dst[x] + value);
            }
          }
          break;
        case PcxLayout::kIndexed8:
          std::memcpy(dst, raw.data(), static_cast<size_t>(columns));
          break;
        case PcxLayout::kRgb: {
          const uint8_t* r = raw.data();
          const uint8_t* g = r + bpl;
          const uint8_t* b = g + bpl;
          for (int x = 0; x < columns; ++x, dst += 3) {
            dst[0] = b[x];
            dst[1] = g[x];
            dst[2] = r[x];
          }
          break;
        }
        case PcxLayout::kBlank:
          break;
      }
    }
  }

  int depth = h.bits_per_pixel;
  if (layout == PcxLayout::kRgb) depth = 24;
  if (layout == PcxLayout::kPlanar && planes == 4) depth = 4;
  if (options.Reduced()) {
    // True-colour pictures start from the colour cube; the reducer replaces it.
    Palette6 screen;
    if (layout == PcxLayout::kRgb) {
      FillCube332(screen);
    } else {
      screen = ShrinkTable(palette_);
    }
    if (ReduceToScreen(bitmap, screen)) palette_ = ExpandTable(screen);
  }
  error_.clear();
  return ReadResult{depth, {}};
}

WriteResult TPCXGraphics::SavePcx(const std::string& path, const Bitmap& bitmap, int mode) {
  const int bits = bitmap.Bits();
  if (mode < kPcx2Colours || mode > kPcxTrueColour) return {false, "Invalid PCX mode."};
  if (bitmap.Empty() || bitmap.Width() > 65535 || bitmap.Height() > 65535 ||
      (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) ||
      (mode != kPcxTrueColour && bits > 8)) {
    return {false, "The picture cannot be saved in this PCX mode."};
  }
  palette_ = FullPalette(bitmap.Palette());
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  const bool one_bit = mode == kPcx2Colours || mode == kPcx16Colours;
  const int planes = mode == kPcx16Colours ? 4 : (mode == kPcxTrueColour ? 3 : 1);
  const size_t bpl = one_bit ? (static_cast<size_t>(width) + 7) / 8 : static_cast<size_t>(width);

  StreamWriter out;
  if (!out.Open(path)) return {false, out.Error()};
  uint8_t header[kHeaderSize] = {};
  auto put16 = [&header](int offset, int value) {
    header[offset] = static_cast<uint8_t>(value);
    header[offset + 1] = static_cast<uint8_t>(value >> 8);
  };
  header[0] = 10;
  header[1] = 5;
  header[2] = 1;
  header[3] = one_bit ? 1 : 8;
  put16(8, width - 1);
  put16(10, height - 1);
  put16(12, width);
  put16(14, height);
  for (int i = 0; i < 16; ++i) {
    header[16 + i * 3] = palette_[i].r;
    header[17 + i * 3] = palette_[i].g;
    header[18 + i * 3] = palette_[i].b;
  }
  header[65] = static_cast<uint8_t>(planes);
  put16(66, static_cast<int>(bpl));
  put16(68, 1);
  out.Write(header, kHeaderSize);

  std::vector<uint8_t> pixels(static_cast<size_t>(width) * 3 + 16);
  std::vector<uint8_t> plane(static_cast<size_t>(width) + 16);
  std::vector<uint8_t> packed(bpl * 2 + 16);
  for (int y = 0; y < height && !out.Failed(); ++y) {
    const uint8_t* src = bitmap.Row(y);
    if (mode == kPcxTrueColour) {
      RowToBgr(src, bits, palette_, width, pixels.data());
      for (int p = 0; p < 3; ++p) {
        const int channel = 2 - p;  // red, green, blue planes from blue-green-red pixels
        for (int x = 0; x < width; ++x) plane[x] = pixels[x * 3 + channel];
        out.Write(packed.data(), EncodeLine(plane.data(), bpl, packed.data()));
      }
      continue;
    }
    RowToIndices(src, bits, width, pixels.data());
    if (mode == kPcx256Colours) {
      out.Write(packed.data(), EncodeLine(pixels.data(), bpl, packed.data()));
      continue;
    }
    for (int p = 0; p < planes; ++p) {
      std::memset(plane.data(), 0, bpl);
      for (int x = 0; x < width; ++x) {
        if ((pixels[x] >> p) & 1) plane[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
      out.Write(packed.data(), EncodeLine(plane.data(), bpl, packed.data()));
    }
  }
  uint8_t tail[769];
  tail[0] = 12;
  for (int i = 0; i < 256; ++i) {
    tail[1 + i * 3] = palette_[i].r;
    tail[2 + i * 3] = palette_[i].g;
    tail[3 + i * 3] = palette_[i].b;
  }
  out.Write(tail, sizeof(tail));
  if (!out.Finish()) return {false, out.Error()};
  return {true, {}};
}

// Each call gets its own codec object, so loads from different threads never share state.
ReadResult LoadPcx(const std::string& path, Bitmap& bitmap, const DecodeOptions& options) {
  TPCXGraphics codec;
  return codec.LoadPcx(path, bitmap, options);
}

WriteResult SavePcx(const std::string& path, const Bitmap& bitmap, int mode) {
  TPCXGraphics codec;
  return codec.SavePcx(path, bitmap, mode);
}

}  // namespace vr::codecs
