// JPEG decoder over arbitrary bytes; the first byte picks the scale and output mode so one
// corpus covers them all.
#include <cstddef>
#include <cstdint>

#include "picture/bitmap.h"
#include "picture/codecs/jpeg/jpeg_codec.h"

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
  return 0;
}
