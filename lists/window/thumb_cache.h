#pragma once
// The thumbnail cache of the files list window: one append-only temporary file holding a record
// per built thumbnail. Record layout (offsets from the record's start):
//
//   0   20  the entry's stamp: a length byte, then that many decimal characters ("-" allowed
//           first), the rest of the 20 bytes zero
//   20   4  kind tag: byte 3 then "BMP", or byte 3 then "JPG"
//   24  ..  the thumbnail as a whole BMP file or a JPEG stream
//
// The entry keeps the record's offset and total length. Records are written as a whole at the end
// of the file; a failed write cuts the file back to its old end so later records stay readable.
// While the file is at most kJpegThreshold bytes long thumbnails are stored as BMP (fast to read
// back), past it as JPEG at a quality that falls with the size of the files list.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "picture/bitmap.h"

namespace vr::platform {
class Folders;
}

namespace vr::list_window {

inline constexpr int64_t kJpegThreshold = 10485760;
inline constexpr int kStampFieldBytes = 20;
inline constexpr int kKindTagBytes = 4;
inline constexpr int kRecordHeaderBytes = kStampFieldBytes + kKindTagBytes;
inline constexpr const char* kCachePrefix = "~LS";
inline constexpr const char* kCacheExtension = ".TMP";

enum class ThumbFormat { kBmp, kJpeg };

// JPEG quality by the number of entries in the files list.
int JpegQualityFor(int list_count);

// The stamp field: writes 20 bytes; parses them back (false for a damaged field).
void EncodeStampField(int32_t stamp, uint8_t* out);
bool DecodeStampField(const uint8_t* in, int32_t* stamp);

enum class RecordStatus { kOk, kStale, kDamaged };

// Reads one record held in memory: checks the stamp against `expected_stamp` (any stamp when
// `check_stamp` is false), the kind tag, and decodes the picture into `out`. Never trusts a size
// or count inside the bytes beyond what `size` holds.
RecordStatus ParseRecord(const uint8_t* data, size_t size, int32_t expected_stamp, bool check_stamp,
                         picture::Bitmap* out, ThumbFormat* format = nullptr);

struct CacheRecord {
  int64_t offset = -1;
  int64_t length = -1;
  ThumbFormat format = ThumbFormat::kBmp;
  bool ok() const { return offset >= 0 && length > 0; }
};

class ThumbCache {
 public:
  ThumbCache() = default;
  ~ThumbCache();
  ThumbCache(const ThumbCache&) = delete;
  ThumbCache& operator=(const ThumbCache&) = delete;

  // Makes a new empty cache file "~LS*.TMP" in the temporary folder, created exclusively; the
  // previous file of this cache is deleted. False when no file could be made.
  bool Create(const platform::Folders& folders);
  // Opens (creating when missing) a named cache file for appending (the command-line tool).
  bool OpenForAppend(const std::string& path);
  // Deletes the file (program end).
  void Remove();
  bool IsOpen() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }
  int64_t Size() const { return size_; }

  // Appends the record of one thumbnail cell. `palette_display` stores a BMP reduced to 256
  // colours whatever the size (through `reduce`, when given). Gives offset and length, or -1 and
  // -1 on any write error.
  CacheRecord Append(int32_t stamp, const picture::Bitmap& cell, int list_count,
                     bool palette_display = false,
                     const std::function<bool(picture::Bitmap&)>& reduce = {});
  // Reads a record back. kStale when its stamp is not `expected_stamp` (the file changed since
  // the thumbnail was made); kDamaged for a record outside the file or unreadable.
  RecordStatus Read(int64_t offset, int64_t length, int32_t expected_stamp,
                    picture::Bitmap* out) const;
  // The kind tag of the record at `offset`; false when it is not a readable record header.
  bool ReadKindTag(int64_t offset, ThumbFormat* format) const;
  // The format the next record would get.
  ThumbFormat NextFormat() const {
    return size_ > jpeg_threshold_ ? ThumbFormat::kJpeg : ThumbFormat::kBmp;
  }

  // Lets a test reach the JPEG switch without writing ten megabytes.
  void SetJpegThresholdForTesting(int64_t bytes) { jpeg_threshold_ = bytes; }

 private:
  void Close();

  int fd_ = -1;
  std::string path_;
  int64_t size_ = 0;
  int64_t jpeg_threshold_ = kJpegThreshold;
};

}  // namespace vr::list_window
