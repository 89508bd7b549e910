#pragma once
// An animated GIF played in place: its frames are drawn into the shown picture, the waits between
// them run on the platform clock (a test clock makes them instant) and let the window's messages
// through, and "GIF &Animation (Continuous)" asks for further passes.

#include <functional>
#include <string>

#include "picture/bitmap.h"

namespace vr::platform {
class Clock;
}
namespace vr::codecs::gif {
class TGifGraphics;
}

namespace vr::shell::ui {

class GifPlayback {
 public:
  explicit GifPlayback(platform::Clock& clock) : clock_(clock) {}

  // Plays `path` into `target` until it ends, is stopped, `closing` turns true or, at the end of
  // a pass, `continuous` is false; `on_frame` runs after each frame is drawn.
  void Play(const std::string& path, picture::Bitmap& target, const std::function<void()>& on_frame,
            const std::function<bool()>& closing, const std::function<bool()>& continuous);
  // Stops the animation after the frame it is on.
  void Stop();

  bool playing() const { return gif_ != nullptr; }
  // Frames drawn by every animation of this run.
  int frames() const { return frames_; }

 private:
  platform::Clock& clock_;
  codecs::gif::TGifGraphics* gif_ = nullptr;
  bool stop_ = false;
  int frames_ = 0;
};

}  // namespace vr::shell::ui
