// TIFF through libtiff: the first page only, through libtiff's RGBA interface (which reads every
// photometric and layout it knows: 1 to 16-bit grey, palette, RGB, RGBA, CMYK, YCbCr, in strips
// or tiles) one band of rows at a time, so only the picture and one band are held.
#include <tiffio.h>

#include <algorithm>
#include <bit>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "picture/codecs/codec_api.h"
#include "picture/codecs/common/file_bytes.h"

namespace vr::codecs {
namespace {

static_assert(std::endian::native == std::endian::little, "RGBA raster read as bytes");

constexpr char kNotTiff[] = "Not a TIFF file";
constexpr char kBadTiff[] = "Error Reading TIFF";

ReadResult Failed(Bitmap& bitmap, std::string error) {
  bitmap.MakeFailure();
  ReadResult result;
  result.error = std::move(error);
  return result;
}

// libtiff's messages go nowhere: a damaged file is reported by the result, not on the console.
int Quiet(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// A file image in memory, for TIFFClientOpen.
struct MemoryFile {
  const uint8_t* data = nullptr;
  toff_t size = 0;
  toff_t at = 0;
};

tmsize_t MemoryRead(thandle_t handle, void* buffer, tmsize_t count) {
  auto* file = static_cast<MemoryFile*>(handle);
  if (count <= 0 || file->at >= file->size) return 0;
  const toff_t n = std::min<toff_t>(static_cast<toff_t>(count), file->size - file->at);
  std::memcpy(buffer, file->data + file->at, static_cast<size_t>(n));
  file->at += n;
  return static_cast<tmsize_t>(n);
}
tmsize_t MemoryWrite(thandle_t, void*, tmsize_t) { return -1; }
toff_t MemorySeek(thandle_t handle, toff_t offset, int whence) {
  auto* file = static_cast<MemoryFile*>(handle);
  toff_t base = 0;
  if (whence == SEEK_CUR) base = file->at;
  if (whence == SEEK_END) base = file->size;
  // Offsets come from the file: anything out of range puts the position at the end.
  if (offset > file->size || base > file->size - offset) {
    file->at = file->size;
  } else {
    file->at = base + offset;
  }
  return file->at;
}
int MemoryClose(thandle_t) { return 0; }
toff_t MemorySize(thandle_t handle) { return static_cast<MemoryFile*>(handle)->size; }
int MemoryMap(thandle_t, void**, toff_t*) { return 0; }
void MemoryUnmap(thandle_t, void*, toff_t) {}

class TiffHandle {
 public:
  explicit TiffHandle(const std::string& path) : options_(MakeOptions()) {
    tiff_ = TIFFOpenExt(path.c_str(), "rm", options_);
  }
  TiffHandle(const uint8_t* data, size_t size) : options_(MakeOptions()) {
    memory_.data = data;
    memory_.size = size;
    tiff_ = TIFFClientOpenExt("memory", "rm", &memory_, MemoryRead, MemoryWrite, MemorySeek,
                              MemoryClose, MemorySize, MemoryMap, MemoryUnmap, options_);
  }
  ~TiffHandle() {
    if (tiff_ != nullptr) TIFFClose(tiff_);
    TIFFOpenOptionsFree(options_);
  }
  TiffHandle(const TiffHandle&) = delete;
  TiffHandle& operator=(const TiffHandle&) = delete;
  TIFF* get() const { return tiff_; }

 private:
  static TIFFOpenOptions* MakeOptions() {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, Quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options, Quiet, nullptr);
    // No single allocation of libtiff's own (strip buffers, tables) beyond the budget.
    const size_t budget = picture::MemoryBudget();
    TIFFOpenOptionsSetMaxSingleMemAlloc(
        options, static_cast<tmsize_t>(std::min<size_t>(budget, INT64_MAX)));
    return options;
  }
  TIFFOpenOptions* options_;
  MemoryFile memory_;
  TIFF* tiff_ = nullptr;
};

PictureFacts FactsOf(TIFF* tiff) {
  PictureFacts facts;
  uint32_t width = 0;
  uint32_t height = 0;
  uint16_t bits = 1;
  uint16_t samples = 1;
  uint16_t compression = COMPRESSION_NONE;
  if (tiff == nullptr || !TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) ||
      !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height) || width == 0 || height == 0 ||
      width > INT32_MAX || height > INT32_MAX) {
    facts.error = kNotTiff;
    return facts;
  }
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
  facts.ok = true;
  facts.width = static_cast<int>(width);
  facts.height = static_cast<int>(height);
  facts.bits = std::min(32, int{bits} * int{samples});
  facts.compressed = compression != COMPRESSION_NONE;
  return facts;
}

ReadResult Decode(TIFF* tiff, Bitmap& bitmap, const ReaderRequest& request) {
  const PictureFacts facts = FactsOf(tiff);
  if (!facts.ok) return Failed(bitmap, facts.error);
  // Rows of one band: a strip or a row of tiles, so each is decoded once.
  uint32_t band = 0;
  if (TIFFIsTiled(tiff)) {
    TIFFGetField(tiff, TIFFTAG_TILELENGTH, &band);
  } else {
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &band);
  }
  const int band_rows = static_cast<int>(std::clamp<uint32_t>(band, 1, facts.height));
  // The picture and one band of four-byte pixels, before anything is allocated.
  if (!FitsMemoryBudget(facts.width, facts.height, 3) ||
      !FitsMemoryBudget(facts.width, band_rows, 4) ||
      !FitsMemoryBudget(facts.width, int64_t{facts.height} + band_rows, 4)) {
    return Failed(bitmap, "Picture too large for memory");
  }
  char message[1024] = {};
  TIFFRGBAImage image;
  if (!TIFFRGBAImageOK(tiff, message) || !TIFFRGBAImageBegin(&image, tiff, 0, message)) {
    return Failed(bitmap, kBadTiff);
  }
  image.req_orientation = ORIENTATION_TOPLEFT;
  const int width = static_cast<int>(image.width);
  const int height = static_cast<int>(image.height);
  std::vector<uint32_t> raster;
  bool ok = width == facts.width && height == facts.height &&
            bitmap.Reshape(width, height, picture::PixelFormat::k24);
  if (ok) raster.resize(static_cast<size_t>(width) * band_rows);
  // A file stored bottom row first is turned within each band by libtiff, so the band of stored
  // rows [top, top + rows) lands at the mirrored place of the picture.
  const bool bottom_up = image.orientation == ORIENTATION_BOTLEFT ||
                         image.orientation == ORIENTATION_BOTRIGHT ||
                         image.orientation == ORIENTATION_LEFTBOT ||
                         image.orientation == ORIENTATION_RIGHTBOT;
  for (int top = 0; ok && top < height; top += band_rows) {
    const int rows = std::min(band_rows, height - top);
    const int place = bottom_up ? height - top - rows : top;
    image.row_offset = top;
    image.col_offset = 0;
    ok = TIFFRGBAImageGet(&image, raster.data(), static_cast<uint32_t>(width),
                          static_cast<uint32_t>(rows)) != 0;
    for (int y = 0; ok && y < rows; ++y) {
      // Pixels are red in the low byte up to alpha in the high one, premultiplied: in memory
      // (little-endian) red, green, blue, alpha.
      uint8_t* out = bitmap.Row(place + y);
      BlendPremultipliedRow(
          reinterpret_cast<const uint8_t*>(raster.data() + static_cast<size_t>(y) * width), width,
          request.background, out);
      const size_t used = static_cast<size_t>(width) * 3;
      std::memset(out + used, 0, bitmap.Stride() - used);
    }
  }
  TIFFRGBAImageEnd(&image);
  if (!ok) return Failed(bitmap, kBadTiff);
  ReadResult result;
  result.depth = facts.bits;
  return result;
}

}  // namespace

PictureFacts ReadTiffFacts(const std::string& path) {
  const TiffHandle tiff(path);
  return FactsOf(tiff.get());
}

PictureFacts ReadTiffFactsMemory(const uint8_t* data, size_t size) {
  const TiffHandle tiff(data, size);
  return FactsOf(tiff.get());
}

ReadResult LoadTiff(const std::string& path, Bitmap& bitmap, const ReaderRequest& request) {
  const TiffHandle tiff(path);
  if (tiff.get() == nullptr) return Failed(bitmap, kNotTiff);
  return Decode(tiff.get(), bitmap, request);
}

ReadResult LoadTiffMemory(const uint8_t* data, size_t size, Bitmap& bitmap,
                          const ReaderRequest& request) {
  const TiffHandle tiff(data, size);
  if (tiff.get() == nullptr) return Failed(bitmap, kNotTiff);
  return Decode(tiff.get(), bitmap, request);
}

}  // namespace vr::codecs
