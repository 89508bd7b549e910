#include "picture/convert.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "picture/shrink.h"

namespace vr::picture {
namespace {

// 5 and 6-bit channels of 15/16-bit pixels widened to 8 bits the way Bitmap::ColourAt does.
struct WideningTables {
  uint8_t five[32];
  uint8_t six[64];
  WideningTables() {
    for (unsigned v = 0; v < 32; ++v) five[v] = static_cast<uint8_t>(v * 255 / 31);
    for (unsigned v = 0; v < 64; ++v) six[v] = static_cast<uint8_t>(v * 255 / 63);
  }
};
const WideningTables kWiden;
inline uint8_t Expand5(unsigned v) { return kWiden.five[v & 31]; }
inline uint8_t Expand6(unsigned v) { return kWiden.six[v & 63]; }

// Writes `count` 24-bit pixels into `row` of a Bitmap of any writable format, from column x0.
void PackFrom24(const uint8_t* bgr, int count, uint8_t* row, int x0, PixelFormat format,
                NearestIndex* nearest) {
  switch (format) {
    case PixelFormat::k24:
      std::memcpy(row + 3 * static_cast<size_t>(x0), bgr, 3 * static_cast<size_t>(count));
      return;
    case PixelFormat::k32: {
      uint8_t* d = row + 4 * static_cast<size_t>(x0);
      for (int i = 0; i < count; ++i, d += 4, bgr += 3) {
        d[0] = bgr[0];
        d[1] = bgr[1];
        d[2] = bgr[2];
        d[3] = 0;
      }
      return;
    }
    case PixelFormat::k15:
    case PixelFormat::k16: {
      uint8_t* d = row + 2 * static_cast<size_t>(x0);
      for (int i = 0; i < count; ++i, d += 2, bgr += 3) {
        unsigned v = format == PixelFormat::k15
                         ? ((bgr[2] >> 3) << 10) | ((bgr[1] >> 3) << 5) | (bgr[0] >> 3)
                         : ((bgr[2] >> 3) << 11) | ((bgr[1] >> 2) << 5) | (bgr[0] >> 3);
        d[0] = static_cast<uint8_t>(v);
        d[1] = static_cast<uint8_t>(v >> 8);
      }
      return;
    }
    case PixelFormat::k8:
      for (int i = 0; i < count; ++i, bgr += 3) row[x0 + i] = nearest->Find(bgr[0], bgr[1], bgr[2]);
      return;
    case PixelFormat::k4:
      for (int i = 0; i < count; ++i, bgr += 3) {
        const int x = x0 + i;
        const uint8_t v = nearest->Find(bgr[0], bgr[1], bgr[2]) & 0x0F;
        uint8_t& byte = row[x >> 1];
        byte = (x & 1) ? static_cast<uint8_t>((byte & 0xF0) | v)
                       : static_cast<uint8_t>((byte & 0x0F) | (v << 4));
      }
      return;
    case PixelFormat::k1:
      for (int i = 0; i < count; ++i, bgr += 3) {
        const int x = x0 + i;
        const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
        if (nearest->Find(bgr[0], bgr[1], bgr[2]) & 1) {
          row[x >> 3] |= mask;
        } else {
          row[x >> 3] &= static_cast<uint8_t>(~mask);
        }
      }
      return;
    default:
      return;
  }
}

// Index of an indexed pixel.
inline unsigned IndexAt(const uint8_t* row, int x, int bits) {
  switch (bits) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
      return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    default:
      return row[x];
  }
}

inline void PutIndex(uint8_t* row, int x, int bits, unsigned v) {
  switch (bits) {
    case 1: {
      const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
      row[x >> 3] = (v & 1) ? (row[x >> 3] | mask) : (row[x >> 3] & static_cast<uint8_t>(~mask));
      return;
    }
    case 4: {
      uint8_t& byte = row[x >> 1];
      byte = (x & 1) ? static_cast<uint8_t>((byte & 0xF0) | (v & 0x0F))
                     : static_cast<uint8_t>((byte & 0x0F) | ((v & 0x0F) << 4));
      return;
    }
    default:
      row[x] = static_cast<uint8_t>(v);
  }
}

// The palette a freshly made indexed destination gets when the source brings none.
std::vector<Rgb> DefaultPalette(PixelFormat format) {
  switch (format) {
    case PixelFormat::k1:
      return TwoColourPalette();
    case PixelFormat::k4:
      return Standard16();
    case PixelFormat::k8:
      return Cube685();
    default:
      return {};
  }
}

PixelFormat DepthZeroFormat(const PictureHolder& src) {
  if (src.vector && src.bitmap.Empty()) return PixelFormat::k8;
  switch (src.kind) {
    case GraphicKind::kMetafile:
      return PixelFormat::k8;
    case GraphicKind::kIcon:
      return PixelFormat::k24;
    case GraphicKind::kJpeg:
      return src.jpeg_output_bits == 8 ? PixelFormat::k8 : PixelFormat::k24;
    case GraphicKind::kPng:
      // Indexed PNGs keep their depth; deeper ones stay true colour rather than losing colours.
      if (src.png_bits == 1 || src.png_bits == 4 || src.png_bits == 8)
        return FormatOfBits(src.png_bits);
      return PixelFormat::k24;
    case GraphicKind::kBitmap:
      break;
  }
  const PixelFormat own = src.bitmap.Format();
  // 15 and 16 bits are read-only formats: a new picture of that depth is made at 24 bits.
  if (own == PixelFormat::k15 || own == PixelFormat::k16 || own == PixelFormat::kNone)
    return PixelFormat::k24;
  return own;
}

}  // namespace

bool ConvertRow(const uint8_t* src, uint8_t* dst, int src_bits, const Palette6* palette, int count,
                int dst_bits) {
  if (count <= 0) return true;
  const size_t n = static_cast<size_t>(count);
  auto lookup = [palette](unsigned index, uint8_t* out) {
    const Rgb& c = (*palette)[index];
    out[0] = Expand6To8(c.b);
    out[1] = Expand6To8(c.g);
    out[2] = Expand6To8(c.r);
  };
  switch (src_bits * 100 + dst_bits) {
    case 104:
      std::memset(dst, 0, (n + 1) / 2);
      for (size_t i = 0; i < n; ++i) {
        if ((src[i >> 3] >> (7 - (i & 7))) & 1) dst[i >> 1] |= (i & 1) ? 0x01 : 0x10;
      }
      return true;
    case 108:
      for (size_t i = 0; i < n; ++i) dst[i] = (src[i >> 3] >> (7 - (i & 7))) & 1;
      return true;
    case 124:
      for (size_t i = 0; i < n; ++i) {
        const uint8_t v = ((src[i >> 3] >> (7 - (i & 7))) & 1) ? 0xFF : 0x00;
        dst[3 * i] = dst[3 * i + 1] = dst[3 * i + 2] = v;
      }
      return true;
    case 408:
      for (size_t i = 0; i < n; ++i) dst[i] = (i & 1) ? (src[i >> 1] & 0x0F) : (src[i >> 1] >> 4);
      return true;
    case 424:
      if (palette == nullptr) return false;
      for (size_t i = 0; i < n; ++i)
        lookup((i & 1) ? (src[i >> 1] & 0x0F) : (src[i >> 1] >> 4), dst + 3 * i);
      return true;
    case 801:
      std::memset(dst, 0, (n + 7) / 8);
      for (size_t i = 0; i < n; ++i) {
        if (src[i] & 1) dst[i >> 3] |= static_cast<uint8_t>(0x80 >> (i & 7));
      }
      return true;
    case 824:
      if (palette == nullptr) return false;
      for (size_t i = 0; i < n; ++i) lookup(src[i], dst + 3 * i);
      return true;
    case 404:
      std::memcpy(dst, src, n);  // the row's byte count, as the codecs pass it
      return true;
    case 808:
      std::memcpy(dst, src, n);
      return true;
    case 2424:
      std::memcpy(dst, src, 3 * n);
      return true;
    default:
      return false;
  }
}

void ExpandRowTo24(const Bitmap& bitmap, int y, uint8_t* bgr) {
  const uint8_t* row = bitmap.Row(y);
  const int w = bitmap.Width();
  const auto& pal = bitmap.Palette();
  switch (bitmap.Format()) {
    case PixelFormat::k1:
    case PixelFormat::k4:
    case PixelFormat::k8: {
      uint8_t table[256][3] = {};
      for (size_t i = 0; i < pal.size() && i < 256; ++i) {
        table[i][0] = pal[i].b;
        table[i][1] = pal[i].g;
        table[i][2] = pal[i].r;
      }
      const int bits = bitmap.Bits();
      for (int x = 0; x < w; ++x, bgr += 3) std::memcpy(bgr, table[IndexAt(row, x, bits)], 3);
      return;
    }
    case PixelFormat::k15:
      for (int x = 0; x < w; ++x, bgr += 3) {
        const unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
        bgr[0] = Expand5(v & 31);
        bgr[1] = Expand5((v >> 5) & 31);
        bgr[2] = Expand5((v >> 10) & 31);
      }
      return;
    case PixelFormat::k16:
      for (int x = 0; x < w; ++x, bgr += 3) {
        const unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
        bgr[0] = Expand5(v & 31);
        bgr[1] = Expand6((v >> 5) & 63);
        bgr[2] = Expand5((v >> 11) & 31);
      }
      return;
    case PixelFormat::k24:
      std::memcpy(bgr, row, 3 * static_cast<size_t>(w));
      return;
    case PixelFormat::k32:
      for (int x = 0; x < w; ++x, bgr += 3, row += 4) {
        bgr[0] = row[0];
        bgr[1] = row[1];
        bgr[2] = row[2];
      }
      return;
    default:
      std::memset(bgr, 0, 3 * static_cast<size_t>(w));
  }
}

NearestIndex::NearestIndex(const std::vector<Rgb>& palette)
    : palette_(palette), cache_(new int16_t[1 << 18]) {
  std::fill(cache_.get(), cache_.get() + (1 << 18), int16_t{-1});
}

uint8_t NearestIndex::Find(uint8_t b, uint8_t g, uint8_t r) {
  const unsigned key =
      (static_cast<unsigned>(b >> 2) << 12) | (static_cast<unsigned>(g >> 2) << 6) | (r >> 2);
  int16_t& slot = cache_[key];
  if (slot >= 0) return static_cast<uint8_t>(slot);
  int best = 0;
  long best_distance = -1;
  for (size_t i = 0; i < palette_.size() && i < 256; ++i) {
    const long dr = palette_[i].r - r;
    const long dg = palette_[i].g - g;
    const long db = palette_[i].b - b;
    const long d = dr * dr * 3 + dg * dg * 4 + db * db * 2;
    if (best_distance < 0 || d < best_distance) {
      best_distance = d;
      best = static_cast<int>(i);
      if (d == 0) break;
    }
  }
  slot = static_cast<int16_t>(best);
  return static_cast<uint8_t>(best);
}

void StretchDraw(const Bitmap& src, Bitmap& dst, Rect rect) {
  if (src.Empty() || dst.Empty() || rect.width <= 0 || rect.height <= 0) return;
  const int x0 = std::max(rect.left, 0);
  const int x1 = std::min<long long>(static_cast<long long>(rect.left) + rect.width, dst.Width());
  const int y0 = std::max(rect.top, 0);
  const int y1 = std::min<long long>(static_cast<long long>(rect.top) + rect.height, dst.Height());
  if (x0 >= x1 || y0 >= y1) return;
  const int count = x1 - x0;
  // Source column of every destination column, computed once.
  std::vector<int> column(static_cast<size_t>(count));
  for (int x = x0; x < x1; ++x) {
    column[x - x0] =
        static_cast<int>((static_cast<long long>(x - rect.left) * src.Width()) / rect.width);
  }
  const bool same_index =
      src.Indexed() && dst.Indexed() && src.Palette() == dst.Palette() && src.Bits() <= dst.Bits();
  const bool same_format = src.Format() == dst.Format() && !src.Indexed();
  std::unique_ptr<NearestIndex> nearest;
  if (dst.Indexed() && !same_index) nearest = std::make_unique<NearestIndex>(dst.Palette());
  std::vector<uint8_t> expanded;
  std::vector<uint8_t> line;
  if (!same_index && !same_format) {
    expanded.resize(3 * static_cast<size_t>(src.Width()));
    line.resize(3 * static_cast<size_t>(count));
  }
  const int bytes_per_pixel = same_format ? std::max(1, src.Bits() / 8) : 0;
  int expanded_row = -1;
  for (int y = y0; y < y1; ++y) {
    const int sy =
        static_cast<int>((static_cast<long long>(y - rect.top) * src.Height()) / rect.height);
    uint8_t* out = dst.Row(y);
    const uint8_t* in = src.Row(sy);
    if (same_index) {
      const int sb = src.Bits();
      const int db = dst.Bits();
      for (int i = 0; i < count; ++i) PutIndex(out, x0 + i, db, IndexAt(in, column[i], sb));
    } else if (same_format) {
      uint8_t* d = out + static_cast<size_t>(x0) * bytes_per_pixel;
      for (int i = 0; i < count; ++i, d += bytes_per_pixel) {
        std::memcpy(d, in + static_cast<size_t>(column[i]) * bytes_per_pixel, bytes_per_pixel);
      }
    } else {
      if (sy != expanded_row) {
        ExpandRowTo24(src, sy, expanded.data());
        expanded_row = sy;
      }
      for (int i = 0; i < count; ++i)
        std::memcpy(&line[3 * i], &expanded[3 * static_cast<size_t>(column[i])], 3);
      PackFrom24(line.data(), count, out, x0, dst.Format(), nearest.get());
    }
  }
}

void FillBitmap(Bitmap& bitmap, Rgb colour) {
  if (bitmap.Empty()) return;
  std::vector<uint8_t> line(3 * static_cast<size_t>(bitmap.Width()));
  for (int x = 0; x < bitmap.Width(); ++x) {
    line[3 * x] = colour.b;
    line[3 * x + 1] = colour.g;
    line[3 * x + 2] = colour.r;
  }
  std::unique_ptr<NearestIndex> nearest;
  if (bitmap.Indexed()) nearest = std::make_unique<NearestIndex>(bitmap.Palette());
  PackFrom24(line.data(), bitmap.Width(), bitmap.Row(0), 0, bitmap.Format(), nearest.get());
  for (int y = 1; y < bitmap.Height(); ++y)
    std::memcpy(bitmap.Row(y), bitmap.Row(0), bitmap.Stride());
}

void ConvertPicture(const PictureHolder& src, PictureHolder& dst, int depth, int width,
                    int height) {
  try {
    Bitmap out;
    // Until something is drawn the destination is a 1 x 1 picture in the brush colour.
    out.Create(1, 1, PixelFormat::k24);
    FillBitmap(out, Rgb{0x40, 0x80, 0xC0});

    PixelFormat format = PixelFormat::k24;
    switch (depth) {
      case 0:
        format = DepthZeroFormat(src);
        break;
      case 1:
        format = PixelFormat::k1;
        break;
      case 4:
        format = PixelFormat::k4;
        break;
      case 8:
        format = PixelFormat::k8;
        break;
      default:
        format = PixelFormat::k24;
        break;
    }
    const int w = width > 0 ? width : std::abs(src.Width());
    const int h = height > 0 ? height : std::abs(src.Height());

    Bitmap made;
    if (w > 0 && h > 0 && made.Create(w, h, format)) {
      if (made.Indexed()) {
        std::vector<Rgb> pal = src.bitmap.Indexed() ? src.bitmap.Palette() : DefaultPalette(format);
        pal.resize(size_t{1} << made.Bits());
        made.SetPalette(std::move(pal));
      } else if (!src.bitmap.Palette().empty()) {
        made.SetPalette(src.bitmap.Palette());
      }
      bool drawn = false;
      if (src.vector && src.bitmap.Empty()) {
        Bitmap canvas;
        if (canvas.Create(w, h, PixelFormat::k24) &&
            src.vector->Render(canvas, w, h, kMetafileBackground)) {
          if (format == PixelFormat::k24) {
            made = std::move(canvas);
          } else {
            StretchDraw(canvas, made, Rect{0, 0, w, h});
          }
          drawn = true;
        }
      } else if (!src.bitmap.Empty()) {
        const Bitmap& sb = src.bitmap;
        if (depth == 0 && src.kind == GraphicKind::kBitmap &&
            (sb.Width() != w || sb.Height() != h) && sb.Width() >= w && sb.Height() >= h) {
          // A Bitmap asked for at its own depth and a smaller size is shrunk smoothly.
          Bitmap shrunk;
          if (ShrinkSmooth(sb, shrunk, w, h)) {
            StretchDraw(shrunk, made, Rect{0, 0, w, h});
            drawn = true;
          }
        }
        if (!drawn) {
          StretchDraw(sb, made, Rect{0, 0, w, h});
          drawn = true;
        }
      }
      if (drawn) out = std::move(made);
    }
    PictureHolder result;
    result.bitmap = std::move(out);
    result.turned = src.turned;
    dst = std::move(result);
  } catch (const std::bad_alloc&) {
    PictureHolder result;
    result.bitmap.Create(1, 1, PixelFormat::k24);
    dst = std::move(result);
  }
}

int CountColours(const Bitmap& bitmap) {
  if (bitmap.Empty()) return 0;
  const int bits = bitmap.Bits();
  if (bits < 8) return 1 << bits;
  std::vector<uint8_t> seen(size_t{1} << 18, 0);
  const int w = bitmap.Width();
  for (int y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* row = bitmap.Row(y);
    switch (bitmap.Format()) {
      case PixelFormat::k8:
        for (int x = 0; x < w; ++x) seen[row[x]] = 1;
        break;
      case PixelFormat::k24:
        for (int x = 0; x < w; ++x, row += 3) {
          seen[(static_cast<unsigned>(row[0] >> 2) << 12) |
               (static_cast<unsigned>(row[1] >> 2) << 6) | (row[2] >> 2)] = 1;
        }
        break;
      case PixelFormat::k32:
        for (int x = 0; x < w; ++x, row += 4) {
          seen[(static_cast<unsigned>(row[0] >> 2) << 12) |
               (static_cast<unsigned>(row[1] >> 2) << 6) | (row[2] >> 2)] = 1;
        }
        break;
      case PixelFormat::k15:
      case PixelFormat::k16: {
        // Keyed like true colour after expanding each channel to 8 bits.
        uint8_t bgr[3];
        for (int x = 0; x < w; ++x) {
          const unsigned v = row[2 * x] | (row[2 * x + 1] << 8);
          if (bitmap.Format() == PixelFormat::k15) {
            bgr[0] = Expand5(v & 31);
            bgr[1] = Expand5((v >> 5) & 31);
            bgr[2] = Expand5((v >> 10) & 31);
          } else {
            bgr[0] = Expand5(v & 31);
            bgr[1] = Expand6((v >> 5) & 63);
            bgr[2] = Expand5((v >> 11) & 31);
          }
          seen[(static_cast<unsigned>(bgr[0] >> 2) << 12) |
               (static_cast<unsigned>(bgr[1] >> 2) << 6) | (bgr[2] >> 2)] = 1;
        }
        break;
      }
      default:
        return 0;
    }
  }
  int count = 0;
  for (uint8_t flag : seen) count += flag;
  return count;
}

int CountColours(const PictureHolder& holder) {
  if (holder.vector && holder.bitmap.Empty()) {
    PictureHolder converted;
    ConvertPicture(holder, converted, 0);
    return CountColours(converted.bitmap);
  }
  if (holder.kind == GraphicKind::kJpeg && holder.jpeg_output_bits == 8 &&
      holder.bitmap.Bits() > 8) {
    PictureHolder converted;
    ConvertPicture(holder, converted, 0);
    return CountColours(converted.bitmap);
  }
  return CountColours(holder.bitmap);
}

}  // namespace vr::picture
