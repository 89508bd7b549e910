// Fuzz target of the TIFF reader: header facts, then a full and a reduced decode of any bytes
// under a small memory budget.
#include <cstddef>
#include <cstdint>

#include "picture/bitmap.h"
#include "picture/codecs/codec_api.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vr::picture::SetMemoryBudget(size_t{8} << 20);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool kInitialised = LLVMFuzzerInitialize(nullptr, nullptr) == 0;
  (void)kInitialised;
  const vr::codecs::PictureFacts facts = vr::codecs::ReadTiffFactsMemory(data, size);
  vr::picture::Bitmap bitmap;
  vr::codecs::ReaderRequest request;
  const vr::codecs::ReadResult full = vr::codecs::LoadTiffMemory(data, size, bitmap, request);
  // A decode either gives a picture or the 1 x 1 failure picture with a message.
  if (bitmap.Empty() || (!full.ok() && full.error.empty())) __builtin_trap();
  if (full.ok() && !facts.ok) __builtin_trap();
  request.cover_width = 16;
  request.cover_height = 16;
  request.background = vr::picture::Rgb{1, 2, 3};
  vr::codecs::LoadTiffMemory(data, size, bitmap, request);
  if (bitmap.Empty()) __builtin_trap();
  return 0;
}
