#include "shell/picture_prefetch.h"

#include <filesystem>
#include <utility>

#include "picture/camera/camera_facts.h"
#include "picture/kinds.h"

namespace vr::shell {

PicturePrefetch::PicturePrefetch(std::string path, const picture::DecodeOptions& options)
    : PicturePrefetch(std::move(path), options, std::nullopt) {}

PicturePrefetch::PicturePrefetch(std::string path, const picture::DecodeOptions& options,
                                 const ScreenFit& fit)
    : PicturePrefetch(std::move(path), options, std::optional<ScreenFit>(fit)) {}

PicturePrefetch::PicturePrefetch(std::string path, const picture::DecodeOptions& options,
                                 std::optional<ScreenFit> fit)
    : path_(std::move(path)),
      options_(options),
      fit_(fit),
      upright_(camera::TurnPhotosUpright()) {
  options_.progress = nullptr;
  worker_ = std::thread([this] {
    try {
      picture::LoadPicture(path_, result_.holder, options_, &result_.details);
      // Only plain pixels are fitted here; what else the viewer shows it fits itself.
      if (fit_ && !result_.details.failed && !result_.holder.bitmap.Empty()) {
        fitted_ = FitToScreen(result_.holder, *fit_);
      }
    } catch (...) {
      // Out of memory and the like: reported by the show as any failed load.
      result_.details.failed = true;
      fitted_.reset();
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
    fitted_.reset();
    return std::nullopt;
  }
  handed_ = !result_.details.failed;
  return std::move(result_);
}

std::optional<FittedPicture> PicturePrefetch::TakeFitted() {
  if (!handed_ || !fitted_) return std::nullopt;
  std::optional<FittedPicture> out = std::move(fitted_);
  fitted_.reset();
  return out;
}

}  // namespace vr::shell
