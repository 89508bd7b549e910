// Every input is played as a movie on a fake clock: frames decoded with and without wrapping,
// a few seeks, and the player's own ticks. Nothing may crash, hang or over-allocate.
#include <cstddef>
#include <cstdint>

#include "picture/codecs/fli/fli_player.h"

namespace {

class FakeHost : public vr::codecs::fli::FliPlayerHost {
 public:
  uint32_t TickCount() override { return now; }
  uint32_t now = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vr::codecs::fli::FliFile file;
  if (file.OpenMemory(data, size)) {
    for (int i = 0; i < 12; ++i) {
      if (file.DecodeNext(i % 3 != 0) == vr::codecs::fli::FliFile::Step::kLost) break;
    }
  }
  FakeHost host;
  vr::codecs::fli::TFliPlayerTimer player(&host);
  player.SetMemory(data, size);
  player.OpenAndPlay();
  for (int i = 0; i < 40; ++i) {
    player.Tick();
    host.now += 7;
  }
  player.GoToFrame(3);
  player.GoToFrame(1);
  player.Pause();
  player.GoToFrame(2);
  return 0;
}
