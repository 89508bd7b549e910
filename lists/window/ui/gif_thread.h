#pragma once
// TGifThread: plays an animated GIF for one preview window on a thread of its own. It owns its
// decoder and frame bitmap; every finished frame (and palette change) is handed to the
// user-interface thread with a blocking queued call, so the window paints it while the thread
// waits, and the thread never touches a window itself.
//
// Stopping: RequestStop() sets the decoder's stop key, which ends the current wait and the
// animation loop. The thread then ends; its finished() signal, delivered on the user-interface
// thread, lets the window release it and close.

#include <QPointer>
#include <QThread>
#include <atomic>
#include <string>

#include "picture/bitmap.h"
#include "picture/codecs/gif/gif_graphics.h"
#include "picture/codecs/gif/gif_host.h"

namespace vr::list_window {

class TMyForm;

class TGifThread : public QThread {
  Q_OBJECT

 public:
  TGifThread(std::string path, TMyForm* form);
  ~TGifThread() override;

  // From the user-interface thread: ends the animation at the next wait or frame.
  void RequestStop();
  // Enter (13) or Escape (27) handed to the decoder.
  void SetStopKey(int key) { graphics_.SetStopKey(key); }
  bool stop_requested() const { return stop_.load(); }
  // Frames handed over so far.
  int frames() const { return frames_.load(); }

 protected:
  void run() override;

 private:
  class Host : public codecs::gif::GifHost {
   public:
    explicit Host(TGifThread& thread) : thread_(thread) {}
    void ChangedRect(const codecs::gif::GifRect&) override { thread_.HandFrame(); }
    void FullRepaint(int) override { thread_.HandFrame(); }
    void RowsDrawn(int) override { thread_.HandFrame(); }
    void PaletteChanged(const picture::Bitmap&) override { thread_.HandFrame(); }
    void Sleep(int milliseconds) override;

   private:
    TGifThread& thread_;
  };

  void HandFrame();

  std::string path_;
  QPointer<TMyForm> form_;
  Host host_;
  codecs::gif::TGifGraphics graphics_;
  picture::Bitmap frame_;
  std::atomic<bool> stop_{false};
  std::atomic<int> frames_{0};
};

}  // namespace vr::list_window
