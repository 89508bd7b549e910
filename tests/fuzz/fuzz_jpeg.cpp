// JPEG decoder over arbitrary bytes; the first byte picks the scale and output mode so one
// corpus covers them all. The quick 1/8-scale decoder reads the same bytes, and whatever it
// takes must come out as libjpeg's own 1/8 decode.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "picture/bitmap.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "picture/codecs/jpeg/jpeg_eighth.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vr::picture::SetMemoryBudget(size_t{8} << 20);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool kInitialised = LLVMFuzzerInitialize(nullptr, nullptr) == 0;
  (void)kInitialised;
  if (size < 1) return 0;
  const uint8_t mode = data[0];
  vr::codecs::JpegDecodeSettings settings;
  settings.scale_denom = 1 << (mode & 3);
  settings.grayscale = (mode & 4) != 0;
  settings.output_bits = (mode & 8) ? 8 : 24;
  settings.best_quality = (mode & 16) == 0;
  vr::picture::Bitmap bitmap;
  vr::codecs::LoadJpegMemory(data + 1, size - 1, bitmap, settings);
  if (bitmap.Empty()) __builtin_trap();

  vr::picture::Bitmap quick;
  if (vr::codecs::DecodeJpegEighth(data + 1, size - 1, quick)) {
    vr::codecs::JpegDecodeSettings eighth;
    eighth.scale_denom = 8;
    eighth.best_quality = false;
    vr::picture::Bitmap reference;
    if (vr::codecs::LoadJpegMemory(data + 1, size - 1, reference, eighth).ok()) {
      if (quick.Width() != reference.Width() || quick.Height() != reference.Height())
        __builtin_trap();
      for (int y = 0; y < quick.Height(); ++y) {
        if (std::memcmp(quick.Row(y), reference.Row(y), quick.Stride()) != 0) __builtin_trap();
      }
    }
  }
  return 0;
}
