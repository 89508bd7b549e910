#include "picture/codecs/metafile/metafile.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "picture/codecs/metafile/byte_reader.h"

namespace vr::metafile {
namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint32_t kEmfSignature = 0x464D4520;
constexpr uint32_t kEmfHeader = 1;
constexpr uint32_t kEmfEof = 14;
constexpr uint32_t kWmfEof = 0;
// Metafiles larger than this are not read whole into memory.
constexpr std::streamoff kMaxFileBytes = std::streamoff{256} << 20;

// a * b / c rounded to the nearest integer, as the platform's MulDiv does, so a box of 100 units
// at 96 units per inch is 100 pixels on a 96-dpi screen rather than 99.
int64_t MulDiv(int64_t a, int64_t b, int64_t c) { return c == 0 ? 0 : (a * b + c / 2) / c; }

}  // namespace

std::shared_ptr<const Metafile> Metafile::FromBytes(std::vector<uint8_t> bytes, int screen_dpi) {
  if (screen_dpi <= 0) screen_dpi = 96;
  std::shared_ptr<Metafile> meta(new Metafile());
  meta->bytes_ = std::move(bytes);
  ByteReader in(meta->bytes_.data(), meta->bytes_.size());
  const uint32_t first = in.U32();
  if (in.Failed()) return nullptr;
  if (first == kPlaceableKey) {
    if (!meta->ParseWmfHeader(screen_dpi)) return nullptr;
  } else if (first == kEmfHeader) {
    if (!meta->ParseEmfHeader(screen_dpi)) return nullptr;
  } else {
    return nullptr;
  }
  return meta;
}

// Placeable header (22 bytes):
//   0 key u32 | 4 handle u16 | 6 left, top, right, bottom i16 | 14 units per inch u16 |
//   16 reserved u32 | 20 checksum u16
// then the metafile header (18 bytes):
//   0 type u16 (1 memory, 2 disk) | 2 header size in words (9) | 4 version u16 |
//   6 size in words u32 | 10 object count u16 | 12 largest record u32 | 16 unused u16
bool Metafile::ParseWmfHeader(int screen_dpi) {
  ByteReader in(bytes_.data(), bytes_.size());
  in.Seek(6);
  const int left = in.I16();
  const int top = in.I16();
  const int right = in.I16();
  const int bottom = in.I16();
  int inch = in.U16();
  if (inch == 0) inch = 96;
  in.Seek(22);
  const uint16_t type = in.U16();
  const uint16_t header_words = in.U16();
  in.Skip(6);
  object_count_ = in.U16();
  if (in.Failed() || (type != 1 && type != 2) || header_words < 9) return false;
  records_at_ = 22 + static_cast<size_t>(header_words) * 2;
  if (records_at_ > bytes_.size()) return false;
  bounds_ = Box{static_cast<double>(left), static_cast<double>(top),
                static_cast<double>(right - left), static_cast<double>(bottom - top)};
  width_ = static_cast<int>(MulDiv(MulDiv(std::abs(right - left), 2540, inch), screen_dpi, 2540));
  height_ = static_cast<int>(MulDiv(MulDiv(std::abs(bottom - top), 2540, inch), screen_dpi, 2540));
  return true;
}

// EMR_HEADER:
//   0 type u32 (1) | 4 size u32 | 8 bounds (4 x i32, device pixels) |
//   24 frame (4 x i32, 0.01 mm) | 40 signature " EMF" | 44 version | 48 file bytes u32 |
//   52 record count u32 | 56 handle count u16 | 58 reserved | 60 description length |
//   64 description offset | 68 palette entries | 72 device size (2 x i32, pixels) |
//   80 device size (2 x i32, millimetres)
bool Metafile::ParseEmfHeader(int screen_dpi) {
  ByteReader in(bytes_.data(), bytes_.size());
  in.Seek(4);
  const uint32_t size = in.U32();
  in.Seek(8);
  // 64-bit so that hostile extents cannot overflow their differences.
  const int64_t bl = in.I32(), bt = in.I32(), br = in.I32(), bb = in.I32();
  const int64_t fl = in.I32(), ft = in.I32(), fr = in.I32(), fb = in.I32();
  const uint32_t signature = in.U32();
  in.Seek(56);
  handle_count_ = in.U16();
  in.Seek(72);
  const int32_t dev_cx = in.I32(), dev_cy = in.I32(), mm_cx = in.I32(), mm_cy = in.I32();
  if (in.Failed() || signature != kEmfSignature || size < 88 || size > bytes_.size()) return false;
  emf_ = true;
  records_at_ = 0;
  width_ =
      static_cast<int>(std::min<int64_t>(MulDiv(std::llabs(fr - fl), screen_dpi, 2540), 1 << 20));
  height_ =
      static_cast<int>(std::min<int64_t>(MulDiv(std::llabs(fb - ft), screen_dpi, 2540), 1 << 20));
  if (dev_cx > 0 && dev_cy > 0 && mm_cx > 0 && mm_cy > 0) {
    pixels_per_mm_x_ = static_cast<double>(dev_cx) / mm_cx;
    pixels_per_mm_y_ = static_cast<double>(dev_cy) / mm_cy;
  }
  if (fr != fl && fb != ft) {
    frame_device_ = Box{fl * pixels_per_mm_x_ / 100.0, ft * pixels_per_mm_y_ / 100.0,
                        (fr - fl) * pixels_per_mm_x_ / 100.0, (fb - ft) * pixels_per_mm_y_ / 100.0};
  } else {
    frame_device_ = Box{static_cast<double>(bl), static_cast<double>(bt),
                        static_cast<double>(std::max<int64_t>(1, br - bl)),
                        static_cast<double>(std::max<int64_t>(1, bb - bt))};
  }
  return true;
}

RecordCursor::RecordCursor(const Metafile& metafile)
    : metafile_(metafile), pos_(metafile.RecordsAt()) {}

bool RecordCursor::Next(Record& record) {
  const std::vector<uint8_t>& bytes = metafile_.Bytes();
  while (!done_) {
    if (metafile_.IsEmf()) {
      // 0 type u32 | 4 size in bytes u32 (header included)
      if (bytes.size() - pos_ < 8) break;
      ByteReader head(bytes.data() + pos_, bytes.size() - pos_);
      const uint32_t type = head.U32();
      const uint32_t size = head.U32();
      if (size < 8 || size > bytes.size() - pos_ || type == kEmfEof) break;
      const bool header = first_ && type == kEmfHeader;
      first_ = false;
      record = Record{type, bytes.data() + pos_, size};
      pos_ += size;
      if (header) continue;
      return true;
    }
    // 0 size in 16-bit words u32 (header included) | 4 function u16
    if (pos_ + 6 > bytes.size()) break;
    ByteReader head(bytes.data() + pos_, bytes.size() - pos_);
    const uint32_t words = head.U32();
    const uint16_t function = head.U16();
    if (function == kWmfEof) break;
    if (words < 3 || words > (bytes.size() - pos_) / 2) break;
    const size_t size = static_cast<size_t>(words) * 2;
    record = Record{function, bytes.data() + pos_, size};
    pos_ += size;
    return true;
  }
  done_ = true;
  return false;
}

std::shared_ptr<const Metafile> ReadMetafile(const std::string& path, int screen_dpi) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return nullptr;
  const std::streamoff size = file.tellg();
  if (size <= 0 || size > kMaxFileBytes) return nullptr;
  file.seekg(0);
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (!file.read(reinterpret_cast<char*>(bytes.data()), size)) return nullptr;
  return Metafile::FromBytes(std::move(bytes), screen_dpi);
}

}  // namespace vr::metafile
