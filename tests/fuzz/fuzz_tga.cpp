// Fuzz target of the TGA reader: any bytes, decoded in full colour and in reduced mode.
#include <cstddef>
#include <cstdint>

#include "colour/reduce.h"
#include "picture/reduce_hook.h"

#include "picture/codecs/tga/tga_graphics.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Reduced decoding runs the program's own reducer, as in the viewer.
  static const bool installed = [] {
    vr::picture::SetReduceToScreenHook(&vr::colour::ReduceToScreen);
    return true;
  }();
  (void)installed;
  for (const bool reduced : {false, true}) {
    vr::picture::TFastFileIO io;
    io.OpenMemory(data, size);
    vr::picture::DecodeOptions options;
    if (reduced) {
      options.display_depth = 8;
      options.true_colour_on_256 = true;
    }
    vr::picture::Bitmap bitmap;
    vr::codecs::TTGAGraphics codec;
    codec.Load(io, bitmap, options);
    // A failed decode must still leave a picture to show.
    if (bitmap.Empty()) __builtin_trap();
  }
  return 0;
}
