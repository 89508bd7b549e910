#include "picture/codecs/metafile/metafile.h"

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "picture/codecs/metafile/byte_reader.h"

namespace vr::metafile {
namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint32_t kEmfSignature = 0x464D4520;
// Metafiles larger than this are not read whole into memory.
constexpr std::streamoff kMaxFileBytes = std::streamoff{256} << 20;

// a * b / c rounded to the nearest integer, as the platform's MulDiv does, so a box of 100 units
// at 96 units per inch is 100 pixels on a 96-dpi screen rather than 99.
int64_t MulDiv(int64_t a, int64_t b, int64_t c) { return c == 0 ? 0 : (a * b + c / 2) / c; }

}  // namespace

std::shared_ptr<TMetafile> TMetafile::FromBytes(std::vector<uint8_t> bytes, int screen_dpi) {
  if (screen_dpi <= 0) screen_dpi = 96;
  std::shared_ptr<TMetafile> meta(new TMetafile());
  meta->bytes_ = std::move(bytes);
  ByteReader in(meta->bytes_.data(), meta->bytes_.size());
  const uint32_t first = in.U32();
  if (in.Failed()) return nullptr;
  if (first == kPlaceableKey) {
    if (!meta->ParseWmfHeader(screen_dpi)) return nullptr;
  } else if (first == 1) {
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
bool TMetafile::ParseWmfHeader(int screen_dpi) {
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
  bounds_ = QRectF(left, top, right - left, bottom - top);
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
bool TMetafile::ParseEmfHeader(int screen_dpi) {
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
  width_ =
      static_cast<int>(std::min<int64_t>(MulDiv(std::llabs(fr - fl), screen_dpi, 2540), 1 << 20));
  height_ =
      static_cast<int>(std::min<int64_t>(MulDiv(std::llabs(fb - ft), screen_dpi, 2540), 1 << 20));
  if (dev_cx > 0 && dev_cy > 0 && mm_cx > 0 && mm_cy > 0) {
    pixels_per_mm_ =
        QSizeF(static_cast<double>(dev_cx) / mm_cx, static_cast<double>(dev_cy) / mm_cy);
  }
  if (fr != fl && fb != ft) {
    frame_device_ = QRectF(
        fl * pixels_per_mm_.width() / 100.0, ft * pixels_per_mm_.height() / 100.0,
        (fr - fl) * pixels_per_mm_.width() / 100.0, (fb - ft) * pixels_per_mm_.height() / 100.0);
  } else {
    frame_device_ = QRectF(static_cast<double>(bl), static_cast<double>(bt),
                           static_cast<double>(std::max<int64_t>(1, br - bl)),
                           static_cast<double>(std::max<int64_t>(1, bb - bt)));
  }
  return true;
}

void TMetafile::Draw(QPainter& painter, const QRectF& target) const {
  painter.save();
  if (emf_) {
    PlayEmf(painter, target);
  } else {
    PlayWmf(painter, target);
  }
  painter.restore();
}

bool TMetafile::Render(picture::Bitmap& target, int width, int height,
                       picture::Rgb background) const {
  if (width <= 0 || height <= 0) return false;
  const bool fits = target.Width() == width && target.Height() == height &&
                    (target.Format() == picture::PixelFormat::k24 ||
                     target.Format() == picture::PixelFormat::k32);
  if (!fits && !target.Create(width, height, picture::PixelFormat::k24)) return false;
  QImage canvas(width, height, QImage::Format_RGB32);
  if (canvas.isNull()) return false;
  canvas.fill(qRgb(background.r, background.g, background.b));
  {
    QPainter painter(&canvas);
    Draw(painter, QRectF(0, 0, width, height));
  }
  const int bpp = target.Format() == picture::PixelFormat::k32 ? 4 : 3;
  for (int y = 0; y < height; ++y) {
    const QRgb* in = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
    uint8_t* out = target.Row(y);
    for (int x = 0; x < width; ++x, out += bpp) {
      out[0] = static_cast<uint8_t>(qBlue(in[x]));
      out[1] = static_cast<uint8_t>(qGreen(in[x]));
      out[2] = static_cast<uint8_t>(qRed(in[x]));
      if (bpp == 4) out[3] = 0;
    }
  }
  return true;
}

std::shared_ptr<picture::VectorGraphic> LoadMetafile(const std::string& path, int screen_dpi) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return nullptr;
  const std::streamoff size = file.tellg();
  if (size <= 0 || size > kMaxFileBytes) return nullptr;
  file.seekg(0);
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (!file.read(reinterpret_cast<char*>(bytes.data()), size)) return nullptr;
  return TMetafile::FromBytes(std::move(bytes), screen_dpi);
}

}  // namespace vr::metafile
