#include "picture/codecs/png/png_graphic.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "picture/codecs/common/raster_common.h"
#include "picture/codecs/png/png_plain_rgb.h"
#include "picture/decode_progress.h"

namespace vr::codecs {
namespace {

constexpr uint8_t kSignature[6] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A};

bool ReadSignature(const std::string& path, bool* readable) {
  uint8_t first[6] = {};
  std::FILE* f = std::fopen(path.c_str(), "rb");
  size_t got = 0;
  if (f != nullptr) {
    got = std::fread(first, 1, sizeof(first), f);
    std::fclose(f);
  }
  if (readable != nullptr) *readable = got == sizeof(first);
  return got == sizeof(first) && std::memcmp(first, kSignature, sizeof(first)) == 0;
}

void SilentWarning(png_structp, png_const_charp) {}
void ErrorJump(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// libpng holds a text, profile or other side chunk in memory whole, at the length the file claims:
// a damaged or hostile length of gigabytes was allocated before the read failed. Nothing here uses
// those chunks, so they are stepped over in small reads instead; any other is held to 8 MB.
void LimitChunkMemory(png_structp png) {
  static const png_byte kSkipped[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf\0pCAL\0sCAL\0hIST\0";
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkipped,
                              static_cast<int>((sizeof(kSkipped) - 1) / 5));
  png_set_chunk_malloc_max(png, 8000000);
}

int ChannelsOf(int colour_type) {
  switch (colour_type) {
    case PNG_COLOR_TYPE_GRAY:
      return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    case PNG_COLOR_TYPE_RGB:
      return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return 4;
    default:
      return 1;  // palette
  }
}

// Rows of the read under way on this thread, for the per-row status call of libpng.
// Interlaced files run through seven passes of up to `height` rows each.
thread_local int64_t g_png_rows = 0;
thread_local int g_png_passes = 1;
void PngRowRead(png_structp, png_uint_32 row, int pass) {
  picture::ReportDecodeRow(pass * g_png_rows + row, g_png_passes * g_png_rows);
}

// Opaque pictures (no alpha channel, no transparency chunk) go straight into the 24-bit bitmap
// the caller wants: libpng expands palettes and grey, keeps the high byte of 16-bit samples and
// orders the samples blue, green, red, each row decoded in place. Pictures with transparency
// are kept as read, alpha inverted, for blending onto a background chosen later.
enum class PngTarget { kStore, kBitmap };

// Reads the header and the pixels of an open file into `image`, or into `direct` when it is
// given and the picture is opaque (`*target` says which). Only plain locals live in this frame,
// so libpng's error jump skips no destructor.
bool ReadPngInto(std::FILE* file, uint64_t file_size, TPngImage* image, picture::Bitmap* direct,
                 PngTarget* target) {
  if (direct != nullptr) {
    if (ReadPlainRgbPng(file, file_size, direct)) {
      image->width = direct->Width();
      image->height = direct->Height();
      image->bit_depth = 8;
      image->colour_type = PNG_COLOR_TYPE_RGB;
      image->bytes_per_pixel = 3;
      image->file_bits = 24;
      *target = PngTarget::kBitmap;
      return true;
    }
    std::rewind(file);  // libpng reads it from the start
  }
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, ErrorJump, SilentWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_init_io(png, file);
  LimitChunkMemory(png);
  // Compressed data is handed to zlib in pieces of up to 64 KiB rather than 8 KiB: fewer reads.
  png_set_compression_buffer_size(png, 65536);
  png_read_info(png, info);
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bit_depth = 0;
  int colour_type = 0;
  png_get_IHDR(png, info, &width, &height, &bit_depth, &colour_type, nullptr, nullptr, nullptr);
  // Deflate packs at most about 1032 bytes into one, so a picture whose filtered rows could not
  // come out of this file is refused before its buffer is made.
  const uint64_t raw_row =
      (static_cast<uint64_t>(width) * ChannelsOf(colour_type) * bit_depth + 7) / 8 + 1;
  if (raw_row * height > file_size * 1100 + (uint64_t{1} << 20)) png_error(png, "too large");
  image->file_bits = std::min(32, ChannelsOf(colour_type) * bit_depth);

  const bool opaque = (colour_type & PNG_COLOR_MASK_ALPHA) == 0 &&
                      png_get_valid(png, info, PNG_INFO_tRNS) == 0 && bit_depth <= 16;
  *target = direct != nullptr && opaque ? PngTarget::kBitmap : PngTarget::kStore;
  if (*target == PngTarget::kBitmap) {
    if (colour_type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colour_type == PNG_COLOR_TYPE_GRAY && bit_depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (colour_type == PNG_COLOR_TYPE_GRAY) png_set_gray_to_rgb(png);
    if (bit_depth == 16) png_set_strip_16(png);
    png_set_bgr(png);
  } else {
    png_set_invert_alpha(png);
    if (colour_type == PNG_COLOR_TYPE_PALETTE && bit_depth <= 8) png_set_expand(png);
    if (colour_type == PNG_COLOR_TYPE_GRAY && bit_depth < 8) png_set_expand(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_expand(png);
    if (bit_depth < 8) png_set_packing(png);
    if (bit_depth == 16) png_set_swap(png);
  }
  // Interlaced files are put together by libpng while the whole image is read.
  g_png_passes = png_set_interlace_handling(png);
  png_set_read_status_fn(png, PngRowRead);
  png_read_update_info(png, info);
  png_get_IHDR(png, info, &width, &height, &bit_depth, &colour_type, nullptr, nullptr, nullptr);
  const size_t row_bytes = png_get_rowbytes(png, info);
  if (width == 0 || height == 0 || row_bytes == 0 || row_bytes % width != 0 ||
      row_bytes > picture::MemoryBudget() / height) {
    png_error(png, "bad size");
  }
  image->width = static_cast<int>(width);
  image->height = static_cast<int>(height);
  image->bit_depth = bit_depth;
  image->colour_type = colour_type;
  image->bytes_per_pixel = static_cast<int>(row_bytes / width);
  g_png_rows = height;
  if (*target == PngTarget::kBitmap) {
    if (row_bytes != static_cast<size_t>(width) * 3 ||
        !direct->Create(static_cast<int>(width), static_cast<int>(height),
                        picture::PixelFormat::k24)) {
      png_error(png, "bad size");
    }
    // Each pass of an interlaced file adds its pixels to the rows the earlier passes left.
    for (int pass = 0; pass < g_png_passes; ++pass) {
      for (png_uint_32 y = 0; y < height; ++y) {
        png_read_row(png, direct->Row(static_cast<int>(y)), nullptr);
      }
    }
  } else {
    image->pixels.assign(row_bytes * height, 0);
    image->rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) image->rows[y] = image->pixels.data() + row_bytes * y;
    png_read_image(png, image->rows.data());
  }
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

// Output through the writer that replaces the target only once everything was written.
void WriteToStream(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<StreamWriter*>(png_get_io_ptr(png));
  out->Write(data, length);
  if (out->Failed()) png_error(png, "write failed");
}
void FlushStream(png_structp) {}

struct PngRowsToWrite {
  int width = 0;
  int height = 0;
  int bit_depth = 8;
  int colour_type = PNG_COLOR_TYPE_RGB;
  bool invert_alpha = false;
  bool swap = false;
  bool bgr = false;
  const std::vector<Rgb>* palette = nullptr;
  uint8_t* const* rows = nullptr;
};

bool WritePng(StreamWriter* out, const PngRowsToWrite* what) {
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, ErrorJump, SilentWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(png, out, WriteToStream, FlushStream);
  png_set_IHDR(png, info, static_cast<png_uint_32>(what->width),
               static_cast<png_uint_32>(what->height), what->bit_depth, what->colour_type,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (what->colour_type == PNG_COLOR_TYPE_PALETTE) {
    png_color entries[256];
    const int count = static_cast<int>(std::min<size_t>(what->palette->size(), 256));
    for (int i = 0; i < count; ++i) {
      entries[i].red = (*what->palette)[i].r;
      entries[i].green = (*what->palette)[i].g;
      entries[i].blue = (*what->palette)[i].b;
    }
    png_set_PLTE(png, info, entries, std::max(count, 1));
  }
  png_write_info(png, info);
  if (what->invert_alpha) png_set_invert_alpha(png);
  if (what->swap) png_set_swap(png);
  if (what->bgr) png_set_bgr(png);
  png_write_image(png, const_cast<png_bytepp>(what->rows));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

inline void Mix(uint8_t* dst, uint8_t r, uint8_t g, uint8_t b, uint8_t a, bool blend,
                const uint8_t* bg) {
  if (!blend || a == 0) {
    dst[0] = b;
    dst[1] = g;
    dst[2] = r;
  } else if (a == 255) {
    dst[0] = bg[0];
    dst[1] = bg[1];
    dst[2] = bg[2];
  } else {
    dst[0] = static_cast<uint8_t>((a * bg[0] + (255 - a) * b) / 255);
    dst[1] = static_cast<uint8_t>((a * bg[1] + (255 - a) * g) / 255);
    dst[2] = static_cast<uint8_t>((a * bg[2] + (255 - a) * r) / 255);
  }
}

}  // namespace

namespace {
// Header fields through libpng; the jump target is the whole controlling expression as the
// language requires.
bool ProbeHeader(std::FILE* f, PngProbe* probe) {
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, ErrorJump, SilentWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_init_io(png, f);
  LimitChunkMemory(png);
  png_read_info(png, info);
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bit_depth = 0;
  int colour_type = 0;
  png_get_IHDR(png, info, &width, &height, &bit_depth, &colour_type, nullptr, nullptr, nullptr);
  probe->width = static_cast<int>(width);
  probe->height = static_cast<int>(height);
  // Bits per pixel rather than per sample, so colour counts derived from it are right.
  probe->bits = ChannelsOf(colour_type) * bit_depth;
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}
}  // namespace

PngProbe ProbePng(const std::string& path) {
  PngProbe probe;
  if (!ReadSignature(path, &probe.readable)) return probe;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return probe;
  PngProbe found = probe;
  if (ProbeHeader(f, &found)) probe = found;
  std::fclose(f);
  return probe;
}

std::string TPngGraphic::LoadFromFile(const std::string& path) {
  image_.reset();
  if (!ReadSignature(path, nullptr)) return {};
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return "Error Opening File " + path + "!";
  std::string error = LoadFromOpenFile(f, path);
  std::fclose(f);
  return error;
}

namespace {
enum class OpenRead { kNotPng, kFailed, kDone };

// The signature check, the file's size for the plausibility limit, then the read.
OpenRead ReadOpenFile(std::FILE* file, TPngImage* image, picture::Bitmap* direct,
                      PngTarget* target) {
  uint8_t first[6] = {};
  if (std::fread(first, 1, sizeof(first), file) != sizeof(first) ||
      std::memcmp(first, kSignature, sizeof(first)) != 0) {
    return OpenRead::kNotPng;
  }
  uint64_t file_size = 0;
  if (std::fseek(file, 0, SEEK_END) == 0) {
    const long end = std::ftell(file);
    file_size = end > 0 ? static_cast<uint64_t>(end) : 0;
  }
  std::rewind(file);
  return ReadPngInto(file, file_size, image, direct, target) ? OpenRead::kDone : OpenRead::kFailed;
}
}  // namespace

std::string TPngGraphic::LoadFromOpenFile(std::FILE* file, const std::string& name) {
  image_.reset();
  auto image = std::make_shared<TPngImage>();
  PngTarget target = PngTarget::kStore;
  const OpenRead read = ReadOpenFile(file, image.get(), nullptr, &target);
  if (read == OpenRead::kNotPng) return {};
  if (read == OpenRead::kFailed) return "Error Reading: " + name;
  image_ = std::move(image);
  return {};
}

std::string TPngGraphic::SaveToFile(const std::string& path) const {
  if (Empty()) return {};
  StreamWriter out;
  if (!out.Open(path)) return "Error Opening File " + path + "!";
  PngRowsToWrite what;
  what.width = image_->width;
  what.height = image_->height;
  what.bit_depth = image_->bit_depth;
  what.colour_type = image_->colour_type;
  what.invert_alpha = (image_->colour_type & PNG_COLOR_MASK_ALPHA) != 0;
  what.swap = image_->bit_depth == 16;
  what.rows = image_->rows.data();
  if (!WritePng(&out, &what) || !out.Finish()) return "Error Writing File!";
  return {};
}

std::string TPngGraphic::LoadFromStream(std::istream&) {
  return "Cannot load a TPngGraphic from a Stream";
}
std::string TPngGraphic::SaveToStream(std::ostream&) const {
  return "Cannot save a TPngGraphic to a Stream";
}
std::string TPngGraphic::LoadFromClipboard() {
  return "Cannot load a TPngGraphic from the Clipboard";
}
std::string TPngGraphic::SaveToClipboard() const {
  return "Cannot save a TPngGraphic to the Clipboard";
}
std::string TPngGraphic::SetHeight(int) { return "Cannot set height on a TPngGraphic"; }
std::string TPngGraphic::SetWidth(int) { return "Cannot set width on a TPngGraphic"; }

bool TPngGraphic::Draw(picture::Bitmap& target, Rgb background) const {
  if (Empty()) return false;
  const TPngImage& im = *image_;
  if (!target.Create(im.width, im.height, picture::PixelFormat::k24)) return false;
  const uint8_t bg[3] = {background.b, background.g, background.r};
  const bool blend = im.blend;
  const bool wide = im.bit_depth == 16;
  // 16-bit samples are little-endian in the store: the high byte is the second.
  const int hi = wide ? 1 : 0;
  const int step = wide ? 2 : 1;
  const int channels = im.bytes_per_pixel / step;
  for (int y = 0; y < im.height; ++y) {
    const uint8_t* s = im.rows[y];
    uint8_t* d = target.Row(y);
    for (int x = 0; x < im.width; ++x, s += im.bytes_per_pixel, d += 3) {
      switch (channels) {
        case 1:
          d[0] = d[1] = d[2] = s[hi];
          break;
        case 2: {
          const uint8_t v = s[hi];
          Mix(d, v, v, v, s[step + hi], blend, bg);
          break;
        }
        case 3:
          d[0] = s[2 * step + hi];
          d[1] = s[step + hi];
          d[2] = s[hi];
          break;
        default:
          Mix(d, s[hi], s[step + hi], s[2 * step + hi], s[3 * step + hi], blend, bg);
          break;
      }
    }
  }
  return true;
}

ReadResult LoadPngOpenFile(std::FILE* file, const std::string& name, picture::Bitmap& bitmap,
                           bool blend_transparency, Rgb background) {
  TPngGraphic graphic;
  auto image = std::make_shared<TPngImage>();
  PngTarget target = PngTarget::kStore;
  const OpenRead read = ReadOpenFile(file, image.get(), &bitmap, &target);
  if (read == OpenRead::kNotPng) {
    // Only the name says PNG: the picture stays empty.
    bitmap.Clear();
    return ReadResult{0, {}};
  }
  if (read == OpenRead::kFailed) {
    MakeFailure8(bitmap);
    return ReadResult{0, "Error Reading: " + name};
  }
  if (target == PngTarget::kBitmap) return ReadResult{image->file_bits, {}};
  image->blend = blend_transparency;
  graphic.Adopt(image);
  if (!graphic.Draw(bitmap, background)) {
    MakeFailure8(bitmap);
    return ReadResult{0, "Error Reading: " + name};
  }
  return ReadResult{image->file_bits, {}};
}

ReadResult LoadPngFile(const std::string& path, picture::Bitmap& bitmap, bool blend_transparency,
                       Rgb background) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    // Unreadable files are treated as files without the signature: the picture stays empty.
    bitmap.Clear();
    return ReadResult{0, {}};
  }
  const ReadResult read = LoadPngOpenFile(f, path, bitmap, blend_transparency, background);
  std::fclose(f);
  return read;
}

ReadResult LoadPngFile(const std::string& path, picture::Bitmap& bitmap, bool blend_transparency,
                       const DecodeOptions&) {
  return LoadPngFile(path, bitmap, blend_transparency, kPngWindowColour);
}

WriteResult SavePngFile(const std::string& path, const picture::Bitmap& bitmap) {
  if (bitmap.Empty()) return {false, "Error Writing File!"};
  StreamWriter out;
  if (!out.Open(path)) return {false, "Error Opening File " + path + "!"};
  const int bits = bitmap.Bits();
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  PngRowsToWrite what;
  what.width = width;
  what.height = height;
  std::vector<uint8_t> converted;
  std::vector<uint8_t*> rows(static_cast<size_t>(height));
  if (bitmap.Indexed()) {
    // Indexed rows are already laid out as PNG wants them (left pixel in the high bits).
    what.colour_type = PNG_COLOR_TYPE_PALETTE;
    what.bit_depth = bits;
    what.palette = &bitmap.Palette();
    for (int y = 0; y < height; ++y) rows[y] = const_cast<uint8_t*>(bitmap.Row(y));
  } else if (bits == 24) {
    what.bgr = true;
    for (int y = 0; y < height; ++y) rows[y] = const_cast<uint8_t*>(bitmap.Row(y));
  } else {
    // 32, 15 and 16 bits become red, green, blue rows.
    const size_t row_bytes = static_cast<size_t>(width) * 3;
    converted.resize(row_bytes * height);
    for (int y = 0; y < height; ++y) {
      const uint8_t* s = bitmap.Row(y);
      uint8_t* d = converted.data() + row_bytes * y;
      for (int x = 0; x < width; ++x, d += 3) {
        if (bits == 32) {
          d[0] = s[x * 4 + 2];
          d[1] = s[x * 4 + 1];
          d[2] = s[x * 4];
        } else {
          const uint32_t v = static_cast<uint32_t>(s[x * 2] | (s[x * 2 + 1] << 8));
          const bool six = bits == 16;
          const uint32_t r = six ? (v >> 11) & 31 : (v >> 10) & 31;
          const uint32_t g = six ? ((v >> 5) & 63) * 255 / 63 : ((v >> 5) & 31) * 255 / 31;
          d[0] = static_cast<uint8_t>(r * 255 / 31);
          d[1] = static_cast<uint8_t>(g);
          d[2] = static_cast<uint8_t>((v & 31) * 255 / 31);
        }
      }
    }
    for (int y = 0; y < height; ++y) rows[y] = converted.data() + row_bytes * y;
  }
  what.rows = rows.data();
  if (!WritePng(&out, &what) || !out.Finish()) return {false, "Error Writing File!"};
  return {true, {}};
}

}  // namespace vr::codecs
