// Every input goes through the GIF reader in play, still and scan modes with a host that never
// waits; nothing may crash, hang or allocate beyond the file's means.
#include <cstddef>
#include <cstdint>

#include "picture/codecs/gif/gif_graphics.h"

namespace {

class NoWaitHost : public vr::codecs::gif::GifHost {
 public:
  uint32_t MillisecondsInHour() override { return now_; }
  void Sleep(int ms) override { now_ += static_cast<uint32_t>(ms); }
  bool KeyPending() override { return ++polls_ % 7 == 0; }

 private:
  uint32_t now_ = 0;
  int polls_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  NoWaitHost host;
  vr::codecs::gif::TGifGraphics gif;
  gif.SetHost(&host);
  vr::picture::Bitmap composition;
  vr::picture::TFastFileIO io;
  io.OpenMemory(data, size);
  gif.LoadGif(io, composition);
  gif.SetStillRequest(true);
  gif.SetPreviewMode(true);
  io.OpenMemory(data, size);
  gif.LoadGif(io, composition);
  io.OpenMemory(data, size);
  gif.IsAnimatedGif(io);
  return 0;
}
