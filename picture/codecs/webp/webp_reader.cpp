// WebP through libwebp: stills decoded straight into the picture's rows (scaled in the decoder
// for previews), animations through the demuxer's animation decoder, which composes the first
// frame on its canvas.
#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "picture/codecs/codec_api.h"
#include "picture/codecs/common/file_bytes.h"

namespace vr::codecs {
namespace {

constexpr char kNotWebp[] = "Not a WebP file";
constexpr char kBadWebp[] = "Error Reading WebP";

ReadResult Failed(Bitmap& bitmap, std::string error) {
  bitmap.MakeFailure();
  ReadResult result;
  result.error = std::move(error);
  return result;
}

// The size a reduced decode asks of the decoder: the smallest that still covers the box, never
// larger than the picture.
void ScaledSize(int width, int height, const ReaderRequest& request, int& out_w, int& out_h) {
  out_w = width;
  out_h = height;
  if (request.cover_width <= 0 || request.cover_height <= 0) return;
  const double factor = std::max(static_cast<double>(request.cover_width) / width,
                                 static_cast<double>(request.cover_height) / height);
  if (factor >= 1.0) return;
  out_w = std::clamp(static_cast<int>(std::ceil(width * factor)), 1, width);
  out_h = std::clamp(static_cast<int>(std::ceil(height * factor)), 1, height);
}

ReadResult DecodeAnimationFirstFrame(const uint8_t* data, size_t size, int width, int height,
                                     Bitmap& bitmap, const ReaderRequest& request) {
  // The animation decoder keeps two canvases of four bytes a pixel besides the picture.
  if (!FitsMemoryBudget(width, height, 11)) return Failed(bitmap, kBadWebp);
  WebPAnimDecoderOptions options;
  if (!WebPAnimDecoderOptionsInit(&options)) return Failed(bitmap, kBadWebp);
  options.color_mode = MODE_RGBA;
  options.use_threads = 0;
  WebPData webp{data, size};
  WebPAnimDecoder* decoder = WebPAnimDecoderNew(&webp, &options);
  if (decoder == nullptr) return Failed(bitmap, kBadWebp);
  WebPAnimInfo info;
  uint8_t* canvas = nullptr;
  int stamp = 0;
  ReadResult result;
  if (!WebPAnimDecoderGetInfo(decoder, &info) || static_cast<int>(info.canvas_width) != width ||
      static_cast<int>(info.canvas_height) != height ||
      !WebPAnimDecoderGetNext(decoder, &canvas, &stamp) || canvas == nullptr ||
      !bitmap.Create(width, height, picture::PixelFormat::k24)) {
    WebPAnimDecoderDelete(decoder);
    return Failed(bitmap, kBadWebp);
  }
  for (int y = 0; y < height; ++y) {
    BlendRgbaRow(canvas + static_cast<size_t>(y) * width * 4, width, request.background,
                 bitmap.Row(y));
  }
  WebPAnimDecoderDelete(decoder);
  result.depth = 32;
  return result;
}

}  // namespace

PictureFacts ReadWebpFactsMemory(const uint8_t* data, size_t size) {
  PictureFacts facts;
  WebPBitstreamFeatures features;
  if (data == nullptr || WebPGetFeatures(data, size, &features) != VP8_STATUS_OK ||
      features.width <= 0 || features.height <= 0) {
    facts.error = kNotWebp;
    return facts;
  }
  facts.ok = true;
  facts.width = features.width;
  facts.height = features.height;
  facts.bits = features.has_alpha ? 32 : 24;
  facts.compressed = true;
  facts.animated = features.has_animation != 0;
  return facts;
}

PictureFacts ReadWebpFacts(const std::string& path) {
  // The features sit in the first bytes (the RIFF header, VP8X and the first frame's header),
  // unless large metadata chunks come first: then the whole file is read.
  constexpr size_t kHead = 64 * 1024;
  std::vector<uint8_t> bytes;
  PictureFacts facts;
  if (!ReadFileBytes(path, bytes, facts.error, kHead)) return facts;
  WebPBitstreamFeatures features;
  if (bytes.size() == kHead &&
      WebPGetFeatures(bytes.data(), bytes.size(), &features) == VP8_STATUS_NOT_ENOUGH_DATA &&
      !ReadFileBytes(path, bytes, facts.error)) {
    return facts;
  }
  return ReadWebpFactsMemory(bytes.data(), bytes.size());
}

ReadResult LoadWebpMemory(const uint8_t* data, size_t size, Bitmap& bitmap,
                          const ReaderRequest& request) {
  const PictureFacts facts = ReadWebpFactsMemory(data, size);
  if (!facts.ok) return Failed(bitmap, facts.error);
  if (facts.animated) {
    return DecodeAnimationFirstFrame(data, size, facts.width, facts.height, bitmap, request);
  }
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) return Failed(bitmap, kBadWebp);
  int out_w = 0;
  int out_h = 0;
  ScaledSize(facts.width, facts.height, request, out_w, out_h);
  if (out_w != facts.width || out_h != facts.height) {
    config.options.use_scaling = 1;
    config.options.scaled_width = out_w;
    config.options.scaled_height = out_h;
  }
  const bool alpha = facts.bits == 32;
  // Whatever the scaled size, libwebp holds the whole source picture of lossless data (four
  // bytes a pixel) and the whole alpha plane of lossy data (one byte a pixel), so a few bytes
  // claiming a huge picture are refused here, before the library allocates for them.
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(data, size, &features) != VP8_STATUS_OK) return Failed(bitmap, kBadWebp);
  const uint64_t held = features.format == 2 ? 4 : (alpha ? 1 : 0);
  const uint64_t needed = static_cast<uint64_t>(out_w) * out_h * (alpha ? 7 : 3) +
                          static_cast<uint64_t>(facts.width) * facts.height * held;
  if (needed > picture::MemoryBudget() ||
      !bitmap.Reshape(out_w, out_h, picture::PixelFormat::k24)) {
    return Failed(bitmap, "Picture too large for memory");
  }
  std::vector<uint8_t> rgba;
  WebPRGBABuffer& out = config.output.u.RGBA;
  config.output.is_external_memory = 1;
  if (alpha) {
    rgba.resize(static_cast<size_t>(out_w) * out_h * 4);
    config.output.colorspace = MODE_RGBA;
    out.rgba = rgba.data();
    out.stride = out_w * 4;
    out.size = rgba.size();
  } else {
    // Straight into the picture's rows; only the row padding is left to fill.
    config.output.colorspace = MODE_BGR;
    out.rgba = bitmap.Data();
    out.stride = static_cast<int>(bitmap.Stride());
    out.size = bitmap.ByteSize();
  }
  const VP8StatusCode status = WebPDecode(data, size, &config);
  WebPFreeDecBuffer(&config.output);
  if (status != VP8_STATUS_OK) return Failed(bitmap, kBadWebp);
  const size_t used = static_cast<size_t>(out_w) * 3;
  for (int y = 0; y < out_h; ++y) {
    if (alpha) BlendRgbaRow(rgba.data() + static_cast<size_t>(y) * out_w * 4, out_w,
                            request.background, bitmap.Row(y));
    std::memset(bitmap.Row(y) + used, 0, bitmap.Stride() - used);
  }
  ReadResult result;
  result.depth = facts.bits;
  return result;
}

ReadResult LoadWebp(const std::string& path, Bitmap& bitmap, const ReaderRequest& request) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!ReadFileBytes(path, bytes, error)) return Failed(bitmap, error);
  return LoadWebpMemory(bytes.data(), bytes.size(), bitmap, request);
}

}  // namespace vr::codecs
