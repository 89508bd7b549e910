#include "shell/transforms/transforms.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "picture/convert.h"
#include "picture/picture_holder.h"
#include "picture/shrink.h"
#include "platform/folders.h"
#include "platform/path_rules.h"

namespace vr::transforms {

using picture::PixelFormat;

namespace {

int PixelBytes(PixelFormat format) {
  switch (format) {
    case PixelFormat::k15:
    case PixelFormat::k16:
      return 2;
    case PixelFormat::k24:
      return 3;
    case PixelFormat::k32:
      return 4;
    default:
      return 1;
  }
}

// Used bytes of a row (without the padding).
size_t UsedBytes(const Bitmap& bitmap) {
  const size_t w = static_cast<size_t>(bitmap.Width());
  switch (bitmap.Format()) {
    case PixelFormat::k1:
      return (w + 7) / 8;
    case PixelFormat::k4:
      return (w + 1) / 2;
    default:
      return w * static_cast<size_t>(PixelBytes(bitmap.Format()));
  }
}

inline uint8_t Nibble(const uint8_t* row, int x) {
  return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
}
inline void SetNibble(uint8_t* row, int x, uint8_t v) {
  uint8_t& b = row[x >> 1];
  b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | v) : static_cast<uint8_t>((b & 0x0F) | (v << 4));
}

// 1- and 4-bit pictures as one index byte per pixel, and back. Indices are kept exactly.
bool UnpackTo8(const Bitmap& src, Bitmap& dst) {
  if (!dst.Create(src.Width(), src.Height(), PixelFormat::k8)) return false;
  dst.SetPalette(src.Palette());
  const int bits = src.Bits();
  for (int y = 0; y < src.Height(); ++y) {
    const uint8_t* in = src.Row(y);
    uint8_t* out = dst.Row(y);
    for (int x = 0; x < src.Width(); ++x) {
      out[x] = bits == 4 ? Nibble(in, x) : static_cast<uint8_t>((in[x >> 3] >> (7 - (x & 7))) & 1);
    }
  }
  return true;
}

bool PackFrom8(const Bitmap& src, Bitmap& dst, PixelFormat format) {
  if (!dst.Create(src.Width(), src.Height(), format)) return false;
  dst.SetPalette(src.Palette());
  for (int y = 0; y < src.Height(); ++y) {
    const uint8_t* in = src.Row(y);
    uint8_t* out = dst.Row(y);
    for (int x = 0; x < src.Width(); ++x) {
      if (format == PixelFormat::k4) {
        SetNibble(out, x, in[x] & 0x0F);
      } else if (in[x] & 1) {
        out[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
    }
  }
  return true;
}

// The rotation's gathering place: a temporary file mapped shared, so its pages belong to the
// file and can be handed back to the system while the work goes on.
class TempStore {
 public:
  ~TempStore() { Release(); }

  bool Open(const std::string& folder, uint64_t bytes, std::string* error) {
    const std::string dir = folder.empty()
                                ? platform::ResolveTempFolder(platform::ProcessEnvironment())
                                : platform::WithTrailingSeparator(folder);
    std::string name = dir + "VELDRIMON_TEMP_XXXXXX";
    fd_ = ::mkstemp(name.data());  // created exclusively, mode 0600
    if (fd_ < 0) {
      *error =
          std::string("Can not create the temporary file for rotating: ") + std::strerror(errno);
      return false;
    }
    ::unlink(name.c_str());
    size_ = static_cast<size_t>(bytes);
    // Reserve the blocks now: a full disk must fail here, not fault while writing the mapping.
    const int rc = ::posix_fallocate(fd_, 0, static_cast<off_t>(size_));
    if (rc != 0) {
      *error =
          std::string("Not enough room for the temporary file for rotating: ") + std::strerror(rc);
      return false;
    }
    void* p = ::mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (p == MAP_FAILED) {
      *error = std::string("Can not map the temporary file for rotating: ") + std::strerror(errno);
      return false;
    }
    data_ = static_cast<uint8_t*>(p);
    return true;
  }

  uint8_t* Data() { return data_; }

  // Hands the pages of [begin, end) back; their contents stay in the file.
  void Drop(size_t begin, size_t end) {
    static const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    begin = begin / page * page;
    end = std::min(size_, (end + page - 1) / page * page);
    if (end > begin) ::madvise(data_ + begin, end - begin, MADV_DONTNEED);
  }

  // False when unmapping or closing failed.
  bool Release() {
    bool ok = true;
    if (data_ != nullptr && ::munmap(data_, size_) != 0) ok = false;
    data_ = nullptr;
    if (fd_ >= 0 && ::close(fd_) != 0) ok = false;
    fd_ = -1;
    return ok;
  }

 private:
  int fd_ = -1;
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

// Stores above this size hand their pages back tile by tile.
constexpr uint64_t kResidentStoreLimit = 16u << 20;

}  // namespace

void MakeBitmapForTransform(picture::PictureHolder& holder) {
  if (holder.kind == picture::GraphicKind::kBitmap && !holder.vector) return;
  picture::ConvertPicture(holder, holder, 0);
}

void Mirror(Bitmap& bitmap) {
  const int w = bitmap.Width();
  if (bitmap.Empty() || w == 1) return;
  const PixelFormat format = bitmap.Format();
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* row = bitmap.Row(y);
    if (format == PixelFormat::k4) {
      for (int a = 0, b = w - 1; a < b; ++a, --b) {
        const uint8_t va = Nibble(row, a);
        SetNibble(row, a, Nibble(row, b));
        SetNibble(row, b, va);
      }
    } else if (format == PixelFormat::k1) {
      for (int a = 0, b = w - 1; a < b; ++a, --b) {
        const uint8_t ma = static_cast<uint8_t>(0x80 >> (a & 7));
        const uint8_t mb = static_cast<uint8_t>(0x80 >> (b & 7));
        const bool va = row[a >> 3] & ma;
        const bool vb = row[b >> 3] & mb;
        if (va == vb) continue;
        row[a >> 3] ^= ma;
        row[b >> 3] ^= mb;
      }
    } else {
      const int s = PixelBytes(format);
      uint8_t tmp[4];
      for (int a = 0, b = w - 1; a < b; ++a, --b) {
        uint8_t* pa = row + static_cast<size_t>(a) * s;
        uint8_t* pb = row + static_cast<size_t>(b) * s;
        std::memcpy(tmp, pa, s);
        std::memcpy(pa, pb, s);
        std::memcpy(pb, tmp, s);
      }
    }
  }
}

void Flip(Bitmap& bitmap) {
  const int h = bitmap.Height();
  if (bitmap.Empty() || h == 1) return;
  const size_t used = UsedBytes(bitmap);
  std::vector<uint8_t> tmp(used);
  for (int i = 0; i < h / 2; ++i) {
    uint8_t* top = bitmap.Row(i);
    uint8_t* bottom = bitmap.Row(h - 1 - i);
    std::memcpy(tmp.data(), top, used);
    std::memcpy(top, bottom, used);
    std::memcpy(bottom, tmp.data(), used);
  }
}

RotateLayout RotateLayoutFor(int width, int height, int bits) {
  RotateLayout layout;
  const PixelFormat format = picture::FormatOfBits(bits);
  layout.pixel_bytes = (bits == 1 || bits == 4) ? 1 : PixelBytes(format);
  layout.band_rows = 162 / layout.pixel_bytes;
  if (width <= 0 || height <= 0) return layout;
  layout.bands = (height - 1) / layout.band_rows + 1;
  layout.tiles = (width + kTileColumns - 1) / kTileColumns;
  layout.store_bytes = static_cast<uint64_t>(layout.bands) * kTileColumns *
                           static_cast<uint64_t>(layout.tiles) * layout.band_rows *
                           layout.pixel_bytes +
                       10000;
  return layout;
}

RotateResult Rotate(Bitmap& bitmap, const std::string& temp_folder) {
  RotateResult result;
  if (bitmap.Empty()) {
    result.error = "There is no picture to rotate";
    return result;
  }
  const PixelFormat original_format = bitmap.Format();
  const bool packed = original_format == PixelFormat::k1 || original_format == PixelFormat::k4;
  if (packed) {
    Bitmap wide;
    if (!UnpackTo8(bitmap, wide)) {
      result.error = "Not enough memory to rotate this picture";
      return result;
    }
    bitmap = std::move(wide);
  }
  const PixelFormat format = bitmap.Format();
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  const RotateLayout layout = RotateLayoutFor(width, height, bitmap.Bits());
  const int s = layout.pixel_bytes;
  const int a = layout.band_rows;
  const int b = layout.bands;
  const size_t piece = static_cast<size_t>(a) * s;          // one column of one band
  const size_t store_row = static_cast<size_t>(b) * piece;  // one rotated row

  auto undo_unpack = [&]() {
    if (!packed) return;
    Bitmap back;
    if (PackFrom8(bitmap, back, original_format)) bitmap = std::move(back);
  };

  TempStore store;
  if (!store.Open(temp_folder, layout.store_bytes, &result.error)) {
    undo_unpack();
    return result;
  }
  const bool drop_pages = layout.store_bytes > kResidentStoreLimit;
  uint8_t* const base = store.Data();
  std::vector<uint8_t> tile(kTileBytes);
  for (int t = 0; t < layout.tiles; ++t) {
    const int x0 = t * kTileColumns;
    const int columns = std::min(kTileColumns, width - x0);
    for (int k = 0; k < b; ++k) {
      // Rows of this band, bottom to top; each column's pixels gather side by side.
      const int rows = std::min(a, height - k * a);
      for (int i = 0; i < rows; ++i) {
        const uint8_t* src = bitmap.Row(height - 1 - (k * a + i)) + static_cast<size_t>(x0) * s;
        uint8_t* dst = tile.data() + static_cast<size_t>(i) * s;
        switch (s) {
          case 1:
            for (int c = 0; c < columns; ++c) dst[static_cast<size_t>(c) * a] = src[c];
            break;
          case 3:
            for (int c = 0; c < columns; ++c, src += 3) std::memcpy(dst + c * piece, src, 3);
            break;
          default:
            for (int c = 0; c < columns; ++c, src += s) std::memcpy(dst + c * piece, src, s);
            break;
        }
      }
      for (int c = 0; c < columns; ++c) {
        std::memcpy(base + (static_cast<size_t>(x0 + c) * b + k) * piece, tile.data() + c * piece,
                    piece);
      }
    }
    if (drop_pages) {
      store.Drop(static_cast<size_t>(x0) * store_row,
                 static_cast<size_t>(x0 + columns) * store_row);
    }
  }

  // The store now holds every pixel: the old picture can go before the new one is made.
  std::vector<picture::Rgb> palette = bitmap.Palette();
  bitmap.Clear();
  const size_t used = static_cast<size_t>(height) * s;
  bool made = bitmap.Create(height, width, format);
  if (made) {
    size_t dropped_to = 0;
    for (int x = 0; x < width; ++x) {
      std::memcpy(bitmap.Row(x), base + static_cast<size_t>(x) * store_row, used);
      const size_t reached = static_cast<size_t>(x + 1) * store_row;
      if (drop_pages && reached - dropped_to >= (8u << 20)) {
        store.Drop(dropped_to, reached);
        dropped_to = reached;
      }
    }
  } else if (bitmap.Create(width, height, format)) {
    // No room for the rotated picture: put the old one back from the store.
    for (int y = 0; y < height; ++y) {
      uint8_t* row = bitmap.Row(y);
      const int j = height - 1 - y;  // its place in each rotated row
      for (int x = 0; x < width; ++x) {
        std::memcpy(row + static_cast<size_t>(x) * s,
                    base + static_cast<size_t>(x) * store_row + static_cast<size_t>(j) * s, s);
      }
    }
    result.error = "Not enough memory to rotate this picture";
  } else {
    result.error = "Not enough memory to rotate this picture";
  }
  bitmap.SetPalette(std::move(palette));
  if (!store.Release()) result.warning = "Error UnMapping Temp File In Veldrimon";
  undo_unpack();
  result.ok = made;
  return result;
}

std::vector<ResizeStep> PlanResize(int width, int height, int new_width, int new_height) {
  const bool shrink_x = new_width < width;
  const bool shrink_y = new_height < height;
  if (shrink_x == shrink_y) return {ResizeStep{new_width, new_height, true}};
  // Scale only the shrinking side first, then stretch the other.
  const ResizeStep first{shrink_x ? new_width : width, shrink_y ? new_height : height, true};
  return {first, ResizeStep{new_width, new_height, false}};
}

bool ResizePicture(Bitmap& bitmap, int new_width, int new_height, bool smoothing,
                   int display_depth) {
  if (bitmap.Empty() || new_width < 1 || new_height < 1) return false;
  picture::SmoothSettings settings;
  settings.display_depth = display_depth;
  settings.smooth_shrunken = smoothing;
  picture::PictureHolder holder;
  holder.bitmap = bitmap;
  for (const ResizeStep& step :
       PlanResize(bitmap.Width(), bitmap.Height(), new_width, new_height)) {
    Bitmap next;
    if (!next.Create(step.width, step.height, PixelFormat::k24)) return false;
    const picture::Rect rect{0, 0, step.width, step.height};
    if (step.scaled_draw) {
      picture::DrawPictureScaled(holder, next, rect, false, settings);
    } else {
      picture::StretchDraw(holder.bitmap, next, rect);
    }
    holder.bitmap = std::move(next);
  }
  bitmap = std::move(holder.bitmap);
  return true;
}

}  // namespace vr::transforms
