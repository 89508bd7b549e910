#pragma once
// WMF and EMF files as the program reads them, without drawing anything: the header that gives
// the picture's size, and the records in file order, each checked to lie inside the file. The
// record decoder (records.h) turns the records into calls on a drawing target; the QPainter
// target lives in qt/ and is linked only by the programs that show metafiles.
//
// WMF files carry the 22-byte placeable header (key 0x9AC6CDD7, bounding box, units per inch)
// in front of the 18-byte metafile header; EMF files start with the EMR_HEADER record whose
// signature " EMF" sits at offset 40. Sizes follow the picture-info rules: a WMF is its bounding
// box at its units per inch (0 counts as 96), an EMF its frame in 0.01 mm, both shown on a screen
// of `screen_dpi` pixels per inch.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vr::metafile {

// A rectangle by its top-left corner and its extent (which may be negative for flipped axes).
struct Box {
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;
};

// One record as stored. WMF: `type` is the function, the parameters start at byte 6 and the
// record is `size / 2` words long. EMF: `type` is the record type, the parameters start at byte
// 8, and offsets inside the record count from `data`.
struct Record {
  uint32_t type = 0;
  const uint8_t* data = nullptr;
  size_t size = 0;
};

class Metafile {
 public:
  // Null when the bytes are neither a placeable WMF nor an EMF.
  static std::shared_ptr<const Metafile> FromBytes(std::vector<uint8_t> bytes,
                                                   int screen_dpi = 96);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool IsEmf() const { return emf_; }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  // Where the first record starts: after the two WMF headers, or 0 for an EMF.
  size_t RecordsAt() const { return records_at_; }

  // WMF: the bounding box in logical units and the size of the object table.
  const Box& Bounds() const { return bounds_; }
  uint16_t ObjectCount() const { return object_count_; }
  // EMF: the frame in reference-device pixels, the device's pixels per millimetre and the size
  // of the object table.
  const Box& FrameDevice() const { return frame_device_; }
  double PixelsPerMmX() const { return pixels_per_mm_x_; }
  double PixelsPerMmY() const { return pixels_per_mm_y_; }
  uint32_t HandleCount() const { return handle_count_; }

 private:
  Metafile() = default;
  bool ParseWmfHeader(int screen_dpi);
  bool ParseEmfHeader(int screen_dpi);

  std::vector<uint8_t> bytes_;
  bool emf_ = false;
  int width_ = 0;
  int height_ = 0;
  Box bounds_;
  size_t records_at_ = 0;
  uint16_t object_count_ = 0;
  Box frame_device_;
  double pixels_per_mm_x_ = 96 / 25.4;
  double pixels_per_mm_y_ = 96 / 25.4;
  uint32_t handle_count_ = 0;
};

// Walks a metafile's records in file order. The walk ends at the end-of-file record, at the end
// of the bytes, or at the first record whose size cannot be right (shorter than its own header or
// running past the file), so a damaged file plays up to the damage. The EMF header record is not
// handed out.
class RecordCursor {
 public:
  explicit RecordCursor(const Metafile& metafile);
  // The next record; false when the walk has ended.
  bool Next(Record& record);

 private:
  const Metafile& metafile_;
  size_t pos_;
  bool first_ = true;
  bool done_ = false;
};

// Reads a WMF or EMF file; null on failure (unreadable, too large, unknown or damaged header).
std::shared_ptr<const Metafile> ReadMetafile(const std::string& path, int screen_dpi = 96);

}  // namespace vr::metafile
