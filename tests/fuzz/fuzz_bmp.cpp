// BMP reader over arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "picture/bitmap.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/fast_file_io.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Keeps each run's pictures small enough for the fuzzer's memory limit.
  vr::picture::SetMemoryBudget(size_t{8} << 20);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool kInitialised = LLVMFuzzerInitialize(nullptr, nullptr) == 0;
  (void)kInitialised;
  vr::picture::TFastFileIO io;
  io.OpenMemory(data, size);
  vr::picture::Bitmap bitmap;
  const vr::codecs::ReadResult read = vr::codecs::LoadBmp(io, bitmap);
  if (bitmap.Empty()) __builtin_trap();  // a failure must leave the 1 x 1 picture
  if (read.ok()) {
    for (int y = 0; y < bitmap.Height(); y += 97) bitmap.ColourAt(bitmap.Width() - 1, y);
  }
  return 0;
}
