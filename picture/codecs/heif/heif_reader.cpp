// HEIC/HEIF through libheif (with its HEVC and AV1 decoder plugins): the primary image with its
// rotation, mirroring and crop applied, or for a preview the smallest embedded thumbnail that
// still covers the box.
#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "picture/codecs/codec_api.h"
#include "picture/codecs/common/file_bytes.h"

namespace vr::codecs {
namespace {

constexpr char kNotHeif[] = "Not a HEIF file";
constexpr char kBadHeif[] = "Error Reading HEIF";

ReadResult Failed(Bitmap& bitmap, std::string error) {
  bitmap.MakeFailure();
  ReadResult result;
  result.error = std::move(error);
  return result;
}

// Loads the plugins once for the process.
void InitOnce() {
  static const bool kDone = [] {
    heif_init(nullptr);
    return true;
  }();
  (void)kDone;
}

struct ContextDeleter {
  void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleDeleter {
  void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageDeleter {
  void operator()(heif_image* i) const { heif_image_release(i); }
};
using Context = std::unique_ptr<heif_context, ContextDeleter>;
using Handle = std::unique_ptr<heif_image_handle, HandleDeleter>;
using Image = std::unique_ptr<heif_image, ImageDeleter>;

// The container and its primary image; null pieces when the file does not read.
struct Opened {
  std::vector<uint8_t> bytes;  // the file, which the context reads without a copy
  Context context;
  Handle primary;
};

bool OpenPrimary(const uint8_t* data, size_t size, Opened& opened) {
  InitOnce();
  opened.context.reset(heif_context_alloc());
  if (!opened.context || data == nullptr || size == 0) return false;
  if (heif_context_read_from_memory_without_copy(opened.context.get(), data, size, nullptr).code !=
      heif_error_Ok) {
    return false;
  }
  heif_image_handle* primary = nullptr;
  if (heif_context_get_primary_image_handle(opened.context.get(), &primary).code !=
          heif_error_Ok ||
      primary == nullptr) {
    return false;
  }
  opened.primary.reset(primary);
  return true;
}

PictureFacts FactsOf(const Opened& opened) {
  PictureFacts facts;
  heif_image_handle* handle = opened.primary.get();
  const int width = handle != nullptr ? heif_image_handle_get_width(handle) : 0;
  const int height = handle != nullptr ? heif_image_handle_get_height(handle) : 0;
  if (width <= 0 || height <= 0) {
    facts.error = kNotHeif;
    return facts;
  }
  facts.ok = true;
  facts.width = width;
  facts.height = height;
  const int luma = std::max(1, heif_image_handle_get_luma_bits_per_pixel(handle));
  const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
  facts.bits = std::min(32, luma * (alpha ? 4 : 3));
  facts.compressed = true;
  return facts;
}

// The thumbnail that covers the box with the fewest pixels, when there is one.
Handle CoveringThumbnail(heif_image_handle* primary, const ReaderRequest& request) {
  if (request.cover_width <= 0 || request.cover_height <= 0) return nullptr;
  const int count = heif_image_handle_get_number_of_thumbnails(primary);
  if (count <= 0) return nullptr;
  std::vector<heif_item_id> ids(static_cast<size_t>(count));
  const int listed = heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count);
  Handle best;
  int64_t best_pixels = INT64_MAX;
  for (int i = 0; i < listed; ++i) {
    heif_image_handle* thumb = nullptr;
    if (heif_image_handle_get_thumbnail(primary, ids[static_cast<size_t>(i)], &thumb).code !=
            heif_error_Ok ||
        thumb == nullptr) {
      continue;
    }
    Handle held(thumb);
    const int w = heif_image_handle_get_width(thumb);
    const int h = heif_image_handle_get_height(thumb);
    const int64_t pixels = int64_t{w} * h;
    if (w >= request.cover_width && h >= request.cover_height && pixels < best_pixels) {
      best_pixels = pixels;
      best = std::move(held);
    }
  }
  return best;
}

ReadResult Decode(const Opened& opened, Bitmap& bitmap, const ReaderRequest& request) {
  const PictureFacts facts = FactsOf(opened);
  if (!facts.ok) return Failed(bitmap, facts.error);
  Handle thumbnail = CoveringThumbnail(opened.primary.get(), request);
  heif_image_handle* handle = thumbnail ? thumbnail.get() : opened.primary.get();
  const int width = heif_image_handle_get_width(handle);
  const int height = heif_image_handle_get_height(handle);
  const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
  // The coded planes, the interleaved picture the library hands over and ours.
  if (!FitsMemoryBudget(width, height, alpha ? 12 : 9)) {
    return Failed(bitmap, "Picture too large for memory");
  }
  // A grid picture is assembled at the size its grid description names, which a hostile file
  // can set far past the size checked above: the library refuses any side beyond the primary's
  // coded size (before its crop) or shown size (after its turn).
  heif_image_handle* primary = opened.primary.get();
  const int side = std::max({heif_image_handle_get_width(primary),
                             heif_image_handle_get_height(primary),
                             heif_image_handle_get_ispe_width(primary),
                             heif_image_handle_get_ispe_height(primary)});
  heif_context_set_maximum_image_size_limit(opened.context.get(), side + 1);
  heif_decoding_options* options = heif_decoding_options_alloc();
  options->convert_hdr_to_8bit = 1;
  heif_image* decoded = nullptr;
  const heif_error error =
      heif_decode_image(handle, &decoded, heif_colorspace_RGB,
                        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                        options);
  heif_decoding_options_free(options);
  const Image image(decoded);
  if (error.code != heif_error_Ok || decoded == nullptr) return Failed(bitmap, kBadHeif);
  const int out_w = heif_image_get_width(decoded, heif_channel_interleaved);
  const int out_h = heif_image_get_height(decoded, heif_channel_interleaved);
  int stride = 0;
  const uint8_t* plane = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
  if (plane == nullptr || out_w <= 0 || out_h <= 0 || stride < out_w * (alpha ? 4 : 3) ||
      !bitmap.Reshape(out_w, out_h, picture::PixelFormat::k24)) {
    return Failed(bitmap, kBadHeif);
  }
  const bool premultiplied = heif_image_handle_is_premultiplied_alpha(handle) != 0;
  const size_t used = static_cast<size_t>(out_w) * 3;
  for (int y = 0; y < out_h; ++y) {
    const uint8_t* in = plane + static_cast<size_t>(y) * stride;
    uint8_t* out = bitmap.Row(y);
    if (!alpha) {
      RgbToBgrRow(in, out_w, out);
    } else if (premultiplied) {
      BlendPremultipliedRow(in, out_w, request.background, out);
    } else {
      BlendRgbaRow(in, out_w, request.background, out);
    }
    std::memset(out + used, 0, bitmap.Stride() - used);
  }
  ReadResult result;
  result.depth = facts.bits;
  return result;
}

}  // namespace

PictureFacts ReadHeifFactsMemory(const uint8_t* data, size_t size) {
  Opened opened;
  if (!OpenPrimary(data, size, opened)) {
    PictureFacts facts;
    facts.error = kNotHeif;
    return facts;
  }
  return FactsOf(opened);
}

PictureFacts ReadHeifFacts(const std::string& path) {
  Opened opened;
  PictureFacts facts;
  if (!ReadFileBytes(path, opened.bytes, facts.error)) return facts;
  if (!OpenPrimary(opened.bytes.data(), opened.bytes.size(), opened)) {
    facts.error = kNotHeif;
    return facts;
  }
  return FactsOf(opened);
}

ReadResult LoadHeifMemory(const uint8_t* data, size_t size, Bitmap& bitmap,
                          const ReaderRequest& request) {
  Opened opened;
  if (!OpenPrimary(data, size, opened)) return Failed(bitmap, kNotHeif);
  return Decode(opened, bitmap, request);
}

ReadResult LoadHeif(const std::string& path, Bitmap& bitmap, const ReaderRequest& request) {
  Opened opened;
  std::string error;
  if (!ReadFileBytes(path, opened.bytes, error)) return Failed(bitmap, error);
  if (!OpenPrimary(opened.bytes.data(), opened.bytes.size(), opened)) {
    return Failed(bitmap, kNotHeif);
  }
  return Decode(opened, bitmap, request);
}

}  // namespace vr::codecs
