// Reading thumbnail records from a hostile cache file: the bytes become the cache file, and
// records are read back at offsets and lengths the bytes themselves suggest, as a window would
// with record positions that no longer match the file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "lists/window/thumb_cache.h"
#include "picture/bitmap.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vr::picture::SetMemoryBudget(size_t{8} << 20);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool kInitialised = LLVMFuzzerInitialize(nullptr, nullptr) == 0;
  (void)kInitialised;
  using vr::list_window::RecordStatus;
  vr::picture::Bitmap picture;
  // The record held in memory, with and without the stamp check.
  int32_t stamp = 0;
  if (size >= 20) vr::list_window::DecodeStampField(data, &stamp);
  const RecordStatus status = vr::list_window::ParseRecord(data, size, stamp, true, &picture);
  if (status == RecordStatus::kOk && picture.Empty()) __builtin_trap();
  vr::list_window::ParseRecord(data, size, stamp + 1, true, &picture);

  // The same bytes as a cache file.
  static const std::string path = "/tmp/fuzz_thumb_cache_" + std::to_string(::getpid()) + ".TMP";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  if (size > 0) std::fwrite(data, 1, size, file);
  std::fclose(file);
  vr::list_window::ThumbCache cache;
  if (cache.OpenForAppend(path)) {
    vr::list_window::ThumbFormat format;
    cache.ReadKindTag(0, &format);
    cache.Read(0, static_cast<int64_t>(size), stamp, &picture);
    if (size >= 16) {
      int64_t offset = 0;
      int64_t length = 0;
      for (int i = 0; i < 8; ++i) {
        offset |= static_cast<int64_t>(data[size - 16 + i]) << (8 * i);
        length |= static_cast<int64_t>(data[size - 8 + i]) << (8 * i);
      }
      cache.Read(offset, length, stamp, &picture);
      cache.ReadKindTag(offset, &format);
      cache.Read(offset & 0xFFFF, length & 0xFFFF, stamp, &picture);
    }
  }
  ::unlink(path.c_str());
  return 0;
}
