#include "shell/ui/gif_playback.h"

#include <QCoreApplication>

#include "picture/codecs/gif/gif_graphics.h"
#include "picture/codecs/gif/gif_host.h"
#include "platform/clock.h"

namespace vr::shell::ui {
namespace {

// Frames of a playing GIF go to the window; waits between frames keep the window alive and run
// on the given clock.
class ViewerGifHost : public codecs::gif::GifHost {
 public:
  ViewerGifHost(platform::Clock& clock, std::function<void()> on_frame)
      : clock_(clock), on_frame_(std::move(on_frame)) {}
  void ChangedRect(const codecs::gif::GifRect&) override { on_frame_(); }
  void FullRepaint(int) override { on_frame_(); }
  void RowsDrawn(int) override { on_frame_(); }
  void ProcessMessages() override { QCoreApplication::processEvents(); }
  uint32_t MillisecondsInHour() override { return clock_.TickCount() % 3600000u; }
  void Sleep(int milliseconds) override {
    if (milliseconds > 0) clock_.Sleep(static_cast<uint32_t>(milliseconds));
  }

 private:
  platform::Clock& clock_;
  std::function<void()> on_frame_;
};

}  // namespace

void GifPlayback::Play(const std::string& path, picture::Bitmap& target,
                       const std::function<void()>& on_frame,
                       const std::function<bool()>& closing,
                       const std::function<bool()>& continuous) {
  ViewerGifHost host(clock_, [this, &on_frame] {
    ++frames_;
    on_frame();
  });
  codecs::gif::TGifGraphics gif;
  gif.SetHost(&host);
  gif.SetBackground(picture::Rgb{0, 0, 0});
  gif_ = &gif;
  stop_ = false;
  for (;;) {
    gif.SetStopKey(0);
    gif.LoadGif(path, target);
    // Another pass only while continuous play is on and nobody asked to stop.
    if (stop_ || closing() || !continuous()) break;
    QCoreApplication::processEvents();
    if (stop_ || closing()) break;
  }
  gif_ = nullptr;
}

void GifPlayback::Stop() {
  if (gif_ == nullptr) return;
  stop_ = true;
  gif_->SetStopKey(codecs::gif::kStopKeyEscape);
}

}  // namespace vr::shell::ui
