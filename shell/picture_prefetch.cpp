#include "shell/picture_prefetch.h"

#include <filesystem>
#include <utility>

#include "picture/camera/camera_facts.h"
#include "picture/kinds.h"

namespace vr::shell {

PicturePrefetch::PicturePrefetch(std::string path, const picture::DecodeOptions& options)
    : path_(std::move(path)), options_(options), upright_(camera::TurnPhotosUpright()) {
  options_.progress = nullptr;
  worker_ = std::thread([this] {
    try {
      picture::LoadPicture(path_, result_.holder, options_, &result_.details);
    } catch (...) {
      // Out of memory and the like: reported by the show as any failed load.
      result_.details.failed = true;
    }
    done_.store(true, std::memory_order_release);
  });
}

PicturePrefetch::~PicturePrefetch() {
  if (worker_.joinable()) worker_.join();
}

bool PicturePrefetch::Worthwhile(const std::string& path) {
  const uint16_t kind = picture::KindFromName(path);
  if (kind == picture::kKindGif || picture::IsMediaKind(kind)) return false;
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

std::optional<PrefetchedPicture> PicturePrefetch::Take(const std::string& path,
                                                       const picture::DecodeOptions& options) {
  if (worker_.joinable()) worker_.join();
  if (taken_) return std::nullopt;
  taken_ = true;
  if (path != path_ || options.display_depth != options_.display_depth ||
      options.Reduced() != options_.Reduced() || camera::TurnPhotosUpright() != upright_) {
    result_ = PrefetchedPicture{};
    return std::nullopt;
  }
  return std::move(result_);
}

}  // namespace vr::shell
