#pragma once
// The picture a viewer is started with, decoded on a second thread while the windows are built:
// the first show then waits only for what is left of the decode instead of doing all of it
// after the start-up.

#include <atomic>
#include <optional>
#include <string>
#include <thread>

#include "picture/decode_options.h"
#include "picture/load/loader.h"
#include "picture/picture_holder.h"

namespace vr::shell {

struct PrefetchedPicture {
  picture::PictureHolder holder;
  picture::LoadDetails details;
};

class PicturePrefetch {
 public:
  // Starts decoding `path` (without row progress: no window exists yet).
  PicturePrefetch(std::string path, const picture::DecodeOptions& options);
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

 private:
  std::string path_;
  picture::DecodeOptions options_;
  PrefetchedPicture result_;
  std::thread worker_;
  bool taken_ = false;
  std::atomic<bool> done_{false};
  // Whether the decode turned photos upright: a start whose settings say otherwise decodes again.
  bool upright_ = true;
};

}  // namespace vr::shell
