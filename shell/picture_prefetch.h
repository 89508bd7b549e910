#pragma once
// The picture a viewer is started with, decoded on a second thread while the windows are built:
// the first show then waits only for what is left of the decode instead of doing all of it
// after the start-up. A slide show decodes its next picture the same way, and when it shows
// full screen and fitted, has the thread fit the picture to the screen as well.

#include <atomic>
#include <optional>
#include <string>
#include <thread>

#include "picture/decode_options.h"
#include "picture/load/loader.h"
#include "picture/picture_holder.h"
#include "shell/screen_fit.h"

namespace vr::shell {

struct PrefetchedPicture {
  picture::PictureHolder holder;
  picture::LoadDetails details;
};

class PicturePrefetch {
 public:
  // Starts decoding `path` (without row progress: no window exists yet).
  PicturePrefetch(std::string path, const picture::DecodeOptions& options);
  // Decodes `path` and then fits the picture to the screen as `fit` says.
  PicturePrefetch(std::string path, const picture::DecodeOptions& options, const ScreenFit& fit);
  // Waits for the decode when it was never taken.
  ~PicturePrefetch();
  PicturePrefetch(const PicturePrefetch&) = delete;
  PicturePrefetch& operator=(const PicturePrefetch&) = delete;

  // Whether a picture of this name is worth decoding ahead: a plain file whose kind the loader
  // reads by itself (not GIF, which the viewer reads with its animation facts, nor media).
  static bool Worthwhile(const std::string& path);

  // The decode has ended (Take then returns at once).
  bool Ready() const { return done_.load(std::memory_order_acquire); }

  // The decoded picture, once, when `path` and the options that shape a decode are the ones the
  // prefetch was started with; otherwise nothing (and the prefetched picture is dropped).
  // Waits for the decode to end.
  std::optional<PrefetchedPicture> Take(const std::string& path,
                                        const picture::DecodeOptions& options);
  // The fitted picture, once, after Take handed out a picture that decoded well (FittedFrom tells
  // whether it still belongs to the picture shown).
  std::optional<FittedPicture> TakeFitted();

 private:
  PicturePrefetch(std::string path, const picture::DecodeOptions& options,
                  std::optional<ScreenFit> fit);

  std::string path_;
  picture::DecodeOptions options_;
  PrefetchedPicture result_;
  std::thread worker_;
  std::optional<ScreenFit> fit_;
  std::optional<FittedPicture> fitted_;
  bool taken_ = false;
  bool handed_ = false;  // Take gave out a picture that decoded well
  std::atomic<bool> done_{false};
  // Whether the decode turned photos upright: a start whose settings say otherwise decodes again.
  bool upright_ = true;
};

}  // namespace vr::shell
