// Icon reader and its header probe over arbitrary bytes.
#include <cstddef>
#include <cstdint>

#include "picture/bitmap.h"
#include "picture/codecs/ico/ico_codec.h"
#include "picture/fast_file_io.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vr::picture::SetMemoryBudget(size_t{8} << 20);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool kInitialised = LLVMFuzzerInitialize(nullptr, nullptr) == 0;
  (void)kInitialised;
  vr::picture::TFastFileIO io;
  io.OpenMemory(data, size);
  vr::codecs::ReadIcoFacts(io);
  vr::picture::Bitmap icon;
  const vr::codecs::ReadResult read = vr::codecs::LoadIco(io, icon);
  if (icon.Empty()) __builtin_trap();
  if (read.ok()) vr::codecs::BlendIconOnto(icon, vr::picture::Rgb{1, 2, 3});
  return 0;
}
