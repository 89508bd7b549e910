// EMF records as drawing calls. Each record is
//   0 type u32 | 4 size in bytes u32 (header included, a multiple of 4) | 8 parameters
// Coordinates are 32-bit (16-bit in the "16" variants); offsets inside a record (bitmaps,
// strings) count from the record's start.

#include <algorithm>
#include <cmath>

#include "picture/codecs/metafile/byte_reader.h"
#include "picture/codecs/metafile/dib.h"
#include "picture/codecs/metafile/metafile.h"
#include "picture/codecs/metafile/records.h"

namespace vr::metafile {
namespace {

enum EmfRecord : uint32_t {
  kHeader = 1,
  kPolyBezier = 2,
  kPolygon = 3,
  kPolyline = 4,
  kPolyBezierTo = 5,
  kPolylineTo = 6,
  kPolyPolyline = 7,
  kPolyPolygon = 8,
  kSetWindowExtEx = 9,
  kSetWindowOrgEx = 10,
  kSetViewportExtEx = 11,
  kSetViewportOrgEx = 12,
  kEof = 14,
  kSetPixelV = 15,
  kSetMapMode = 17,
  kSetBkMode = 18,
  kSetPolyFillMode = 19,
  kSetTextAlign = 22,
  kSetTextColor = 24,
  kSetBkColor = 25,
  kMoveToEx = 27,
  kExcludeClipRect = 29,
  kIntersectClipRect = 30,
  kScaleViewportExtEx = 31,
  kScaleWindowExtEx = 32,
  kSaveDc = 33,
  kRestoreDc = 34,
  kSetWorldTransform = 35,
  kModifyWorldTransform = 36,
  kSelectObject = 37,
  kCreatePen = 38,
  kCreateBrushIndirect = 39,
  kDeleteObject = 40,
  kEllipse = 42,
  kRectangle = 43,
  kRoundRect = 44,
  kArc = 45,
  kChord = 46,
  kPie = 47,
  kCreatePalette = 49,
  kLineTo = 54,
  kArcTo = 55,
  kSetArcDirection = 57,
  kBeginPath = 59,
  kEndPath = 60,
  kCloseFigure = 61,
  kFillPath = 62,
  kStrokeAndFillPath = 63,
  kStrokePath = 64,
  kSelectClipPath = 67,
  kAbortPath = 68,
  kExtSelectClipRgn = 75,
  kBitBlt = 76,
  kStretchBlt = 77,
  kSetDiBitsToDevice = 80,
  kStretchDiBits = 81,
  kExtCreateFontIndirectW = 82,
  kExtTextOutA = 83,
  kExtTextOutW = 84,
  kPolyBezier16 = 85,
  kPolygon16 = 86,
  kPolyline16 = 87,
  kPolyBezierTo16 = 88,
  kPolylineTo16 = 89,
  kPolyPolyline16 = 90,
  kPolyPolygon16 = 91,
  kCreateMonoBrush = 93,
  kCreateDibPatternBrushPt = 94,
  kExtCreatePen = 95,
};

constexpr uint32_t kStockBit = 0x80000000u;

Rect ReadRectL(ByteReader& in) {
  const double l = in.I32(), t = in.I32(), r = in.I32(), b = in.I32();
  return Rect::FromCorners(l, t, r, b);
}

Point ReadPointL(ByteReader& in) {
  const double x = in.I32();
  const double y = in.I32();
  return Point{x, y};
}

std::vector<Point> ReadPoints(ByteReader& in, size_t count, bool small) {
  std::vector<Point> points;
  if (count > in.Remaining() / (small ? 4 : 8)) return points;
  points.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    if (small) {
      const double x = in.I16();
      const double y = in.I16();
      points.push_back(Point{x, y});
    } else {
      points.push_back(ReadPointL(in));
    }
  }
  return points;
}

// A transform with a value that is not a number counts as the identity.
XForm ReadXform(ByteReader& in) {
  const double m11 = in.F32(), m12 = in.F32(), m21 = in.F32(), m22 = in.F32(), dx = in.F32(),
               dy = in.F32();
  for (double v : {m11, m12, m21, m22, dx, dy}) {
    if (!std::isfinite(v)) return XForm{};
  }
  return XForm{m11, m12, m21, m22, dx, dy};
}

// The same rectangle with a non-negative extent.
Rect Normalized(Rect r) {
  if (r.width < 0) r.x += r.width, r.width = -r.width;
  if (r.height < 0) r.y += r.height, r.height = -r.height;
  return r;
}

// A DIB whose header and rows lie inside the record at the given offsets.
std::shared_ptr<const picture::Bitmap> RecordDib(const uint8_t* record, size_t size,
                                                 uint32_t off_bmi, uint32_t cb_bmi,
                                                 uint32_t off_bits, uint32_t cb_bits,
                                                 uint32_t usage) {
  ByteReader range(record, size);
  if (cb_bmi == 0 || !range.Has(off_bmi, cb_bmi) || !range.Has(off_bits, cb_bits)) return nullptr;
  return DecodeDibBitmap(record + off_bmi, cb_bmi, record + off_bits, cb_bits, usage == 1);
}

using Object = ObjectTable::Object;

class EmfPlayback {
 public:
  EmfPlayback(DrawingTarget& gdi, size_t table_size) : gdi_(gdi), objects_(table_size) {}

  void Play(uint32_t type, const uint8_t* record, size_t size) {
    ByteReader in(record, size);
    in.Seek(8);
    switch (type) {
      case kPolyBezier:
      case kPolygon:
      case kPolyline:
      case kPolyBezierTo:
      case kPolylineTo:
      case kPolyBezier16:
      case kPolygon16:
      case kPolyline16:
      case kPolyBezierTo16:
      case kPolylineTo16: {
        const bool small = type >= kPolyBezier16;
        const uint32_t base = small ? type - kPolyBezier16 + kPolyBezier : type;
        in.Skip(16);  // bounds
        const std::vector<Point> points = ReadPoints(in, in.U32(), small);
        switch (base) {
          case kPolyBezier:
            gdi_.PolyBezier(points, false);
            break;
          case kPolyBezierTo:
            gdi_.PolyBezier(points, true);
            break;
          case kPolygon:
            gdi_.Polygon(points);
            break;
          case kPolyline:
            gdi_.Polyline(points, false);
            break;
          case kPolylineTo:
            gdi_.Polyline(points, true);
            break;
          default:
            break;
        }
        break;
      }
      case kPolyPolyline:
      case kPolyPolygon:
      case kPolyPolyline16:
      case kPolyPolygon16: {
        const bool small = type >= kPolyPolyline16;
        in.Skip(16);
        const uint32_t n = in.U32();
        const uint32_t total = in.U32();
        if (in.Failed() || n > in.Remaining() / 4) break;
        std::vector<uint32_t> counts(n);
        uint64_t sum = 0;
        for (auto& c : counts) sum += (c = in.U32());
        if (sum != total) break;
        std::vector<std::vector<Point>> polys;
        for (uint32_t c : counts) {
          std::vector<Point> p = ReadPoints(in, c, small);
          if (p.size() != c) return;
          polys.push_back(std::move(p));
        }
        if (type == kPolyPolygon || type == kPolyPolygon16) {
          gdi_.PolyPolygon(polys);
        } else {
          gdi_.PolyPolyline(polys);
        }
        break;
      }
      case kSetWindowExtEx:
      case kSetWindowOrgEx:
      case kSetViewportExtEx:
      case kSetViewportOrgEx:
      case kMoveToEx:
      case kLineTo: {
        const Point p = ReadPointL(in);
        if (in.Failed()) break;
        if (type == kSetWindowExtEx) gdi_.SetWindowExt(p);
        if (type == kSetWindowOrgEx) gdi_.SetWindowOrg(p);
        if (type == kSetViewportExtEx) gdi_.SetViewportExt(p);
        if (type == kSetViewportOrgEx) gdi_.SetViewportOrg(p);
        if (type == kMoveToEx) gdi_.MoveTo(p);
        if (type == kLineTo) gdi_.LineTo(p);
        break;
      }
      case kScaleViewportExtEx:
      case kScaleWindowExtEx: {
        const int x_num = in.I32(), x_den = in.I32(), y_num = in.I32(), y_den = in.I32();
        if (in.Failed() || x_den == 0 || y_den == 0) break;
        if (type == kScaleWindowExtEx) {
          gdi_.ScaleWindowExt(x_num, x_den, y_num, y_den);
        } else {
          gdi_.ScaleViewportExt(x_num, x_den, y_num, y_den);
        }
        break;
      }
      case kSetPixelV: {
        const Point p = ReadPointL(in);
        const uint32_t c = in.U32();
        if (!in.Failed()) gdi_.SetPixel(p, c);
        break;
      }
      case kSetMapMode: {
        const uint32_t mode = in.U32();
        if (mode >= 1 && mode <= 8) gdi_.SetMapMode(static_cast<int>(mode));
        break;
      }
      case kSetBkMode:
        gdi_.SetBkMode(static_cast<int>(in.U32()));
        break;
      case kSetPolyFillMode:
        gdi_.SetPolyFillMode(in.U32() == 2 ? 2 : 1);
        break;
      case kSetTextAlign:
        gdi_.SetTextAlign(in.U32());
        break;
      case kSetTextColor: {
        const uint32_t c = in.U32();
        if (!in.Failed()) gdi_.SetTextColour(c);
        break;
      }
      case kSetBkColor: {
        const uint32_t c = in.U32();
        if (!in.Failed()) gdi_.SetBkColour(c);
        break;
      }
      case kSetArcDirection:
        gdi_.SetArcDirection(in.U32() == 2);
        break;
      case kExcludeClipRect:
      case kIntersectClipRect: {
        const Rect r = ReadRectL(in);
        if (in.Failed()) break;
        if (type == kExcludeClipRect) {
          gdi_.ExcludeClipRect(r);
        } else {
          gdi_.IntersectClipRect(r);
        }
        break;
      }
      case kSaveDc:
        gdi_.SaveDc();
        break;
      case kRestoreDc: {
        const int32_t which = in.I32();
        if (!in.Failed()) gdi_.RestoreDc(which);
        break;
      }
      case kSetWorldTransform: {
        const XForm t = ReadXform(in);
        if (!in.Failed()) gdi_.SetWorldTransform(t);
        break;
      }
      case kModifyWorldTransform: {
        const XForm t = ReadXform(in);
        const uint32_t mode = in.U32();
        if (in.Failed()) break;
        if (mode >= 1 && mode <= 4) gdi_.ModifyWorldTransform(t, mode);
        break;
      }
      case kSelectObject: {
        const uint32_t index = in.U32();
        if (in.Failed()) break;
        if (index & kStockBit) {
          SelectStockObject(index & ~kStockBit, gdi_);
        } else {
          objects_.Select(index, gdi_);
        }
        break;
      }
      case kDeleteObject: {
        const uint32_t index = in.U32();
        if (!in.Failed() && !(index & kStockBit)) objects_.Delete(index);
        break;
      }
      case kCreatePen: {
        const uint32_t index = in.U32();
        Object o;
        o.kind = Object::kPen;
        o.pen.style = in.U32();
        o.pen.width = in.I32();
        in.I32();
        o.pen.colour = in.U32();
        if (!in.Failed()) objects_.Put(index, std::move(o));
        break;
      }
      case kExtCreatePen: {
        const uint32_t index = in.U32();
        in.Skip(16);  // pattern bitmap offsets
        Object o;
        o.kind = Object::kPen;
        o.pen.style = in.U32();
        o.pen.width = in.U32();
        const uint32_t brush_style = in.U32();
        o.pen.colour = in.U32();
        if (brush_style == 1)
          o.pen.style = (o.pen.style & ~0x0Fu) | 5;  // a null brush draws nothing
        // Cosmetic pens (type bit clear) are one pixel wide whatever the width says.
        if ((o.pen.style & 0x000F0000) == 0) o.pen.width = 0;
        if (!in.Failed()) objects_.Put(index, std::move(o));
        break;
      }
      case kCreateBrushIndirect: {
        const uint32_t index = in.U32();
        Object o;
        o.kind = Object::kBrush;
        o.brush.style = in.U32();
        o.brush.colour = in.U32();
        o.brush.hatch = in.U32();
        if (!in.Failed()) objects_.Put(index, std::move(o));
        break;
      }
      case kCreateDibPatternBrushPt:
      case kCreateMonoBrush: {
        const uint32_t index = in.U32();
        const uint32_t usage = in.U32();
        const uint32_t off_bmi = in.U32(), cb_bmi = in.U32(), off_bits = in.U32(),
                       cb_bits = in.U32();
        if (in.Failed()) break;
        Object o;
        o.kind = Object::kBrush;
        o.brush.pattern = RecordDib(record, size, off_bmi, cb_bmi, off_bits, cb_bits, usage);
        o.brush.style = o.brush.pattern ? 6 : 0;
        o.brush.colour = kGreyRef;
        objects_.Put(index, std::move(o));
        break;
      }
      case kCreatePalette: {
        const uint32_t index = in.U32();
        Object o;
        o.kind = Object::kOther;
        if (!in.Failed()) objects_.Put(index, std::move(o));
        break;
      }
      case kExtCreateFontIndirectW: {
        const uint32_t index = in.U32();
        Object o;
        o.kind = Object::kFont;
        o.font.height = in.I32();
        in.I32();  // width
        o.font.escapement = in.I32();
        in.I32();  // orientation
        o.font.weight = in.I32();
        o.font.italic = in.U8() != 0;
        o.font.underline = in.U8() != 0;
        o.font.strikeout = in.U8() != 0;
        in.Skip(5);
        if (in.Failed()) break;
        std::u16string face;
        for (int i = 0; i < 32 && in.Remaining() >= 2; ++i) {
          const uint16_t ch = in.U16();
          if (ch == 0) break;
          face.push_back(static_cast<char16_t>(ch));
        }
        o.font.face = face;
        objects_.Put(index, std::move(o));
        break;
      }
      case kRectangle:
      case kEllipse: {
        const Rect r = ReadRectL(in);
        if (in.Failed()) break;
        if (type == kRectangle) {
          gdi_.Rectangle(r);
        } else {
          gdi_.Ellipse(r);
        }
        break;
      }
      case kRoundRect: {
        const Rect r = ReadRectL(in);
        const double w = in.I32();
        const double h = in.I32();
        if (!in.Failed()) gdi_.RoundRect(r, w, h);
        break;
      }
      case kArc:
      case kChord:
      case kPie:
      case kArcTo: {
        const Rect r = ReadRectL(in);
        const Point start = ReadPointL(in);
        const Point end = ReadPointL(in);
        if (in.Failed()) break;
        const ArcKind kind = type == kChord ? ArcKind::kChord
                             : type == kPie ? ArcKind::kPie
                                            : ArcKind::kArc;
        gdi_.ArcShape(kind, r, start, end, type == kArcTo);
        break;
      }
      case kBeginPath:
        gdi_.BeginPath();
        break;
      case kEndPath:
        gdi_.EndPath();
        break;
      case kCloseFigure:
        gdi_.CloseFigure();
        break;
      case kFillPath:
        gdi_.FillPath();
        break;
      case kStrokePath:
        gdi_.StrokePath();
        break;
      case kStrokeAndFillPath:
        gdi_.StrokeAndFillPath();
        break;
      case kAbortPath:
        gdi_.AbortPath();
        break;
      case kSelectClipPath: {
        const uint32_t mode = in.U32();
        if (!in.Failed()) gdi_.SelectClipPath(static_cast<int>(mode));
        break;
      }
      case kExtSelectClipRgn: {
        // cbRgnData, mode, then RGNDATAHEADER (size 32, type, count, bytes, bounds) and rectangles
        // in device units.
        const uint32_t cb = in.U32();
        const uint32_t mode = in.U32();
        if (in.Failed()) break;
        std::vector<Rect> region;
        if (cb >= 32 && cb <= in.Remaining()) {
          in.Skip(8);
          const uint32_t count = in.U32();
          in.Skip(4 + 16);
          if (count <= (cb - 32) / 16) {
            region.reserve(count);
            for (uint32_t i = 0; i < count; ++i) region.push_back(Normalized(ReadRectL(in)));
          }
        }
        gdi_.CombineClip(region, static_cast<int>(mode));
        break;
      }
      case kBitBlt:
      case kStretchBlt: {
        in.Skip(16);
        const double xd = in.I32(), yd = in.I32(), wd = in.I32(), hd = in.I32();
        const uint32_t rop = in.U32();
        const double xs = in.I32(), ys = in.I32();
        in.Skip(24 + 4);  // source transform, background colour
        const uint32_t usage = in.U32();
        const uint32_t off_bmi = in.U32(), cb_bmi = in.U32(), off_bits = in.U32(),
                       cb_bits = in.U32();
        double ws = wd, hs = hd;
        if (type == kStretchBlt) {
          ws = in.I32();
          hs = in.I32();
        }
        if (in.Failed()) break;
        if (cb_bmi == 0) {
          gdi_.PatBlt(Rect{xd, yd, wd, hd}, rop);
          break;
        }
        const auto image = RecordDib(record, size, off_bmi, cb_bmi, off_bits, cb_bits, usage);
        gdi_.Image(Rect{xd, yd, wd, hd}, image.get(), Rect{xs, ys, ws, hs}, rop);
        break;
      }
      case kStretchDiBits: {
        in.Skip(16);
        const double xd = in.I32(), yd = in.I32(), xs = in.I32(), ys = in.I32(), ws = in.I32(),
                     hs = in.I32();
        const uint32_t off_bmi = in.U32(), cb_bmi = in.U32(), off_bits = in.U32(),
                       cb_bits = in.U32();
        const uint32_t usage = in.U32();
        const uint32_t rop = in.U32();
        const double wd = in.I32(), hd = in.I32();
        if (in.Failed()) break;
        const auto image = RecordDib(record, size, off_bmi, cb_bmi, off_bits, cb_bits, usage);
        gdi_.Image(Rect{xd, yd, wd, hd}, image.get(), Rect{xs, ys, ws, hs}, rop);
        break;
      }
      case kSetDiBitsToDevice: {
        in.Skip(16);
        const double xd = in.I32(), yd = in.I32(), xs = in.I32(), ys = in.I32(), ws = in.I32(),
                     hs = in.I32();
        const uint32_t off_bmi = in.U32(), cb_bmi = in.U32(), off_bits = in.U32(),
                       cb_bits = in.U32();
        const uint32_t usage = in.U32();
        if (in.Failed()) break;
        const auto image = RecordDib(record, size, off_bmi, cb_bmi, off_bits, cb_bits, usage);
        gdi_.Image(Rect{xd, yd, ws, hs}, image.get(), Rect{xs, ys, ws, hs}, 0x00CC0020);
        break;
      }
      case kExtTextOutA:
      case kExtTextOutW: {
        // bounds, graphics mode, x and y scale, then EMRTEXT: reference point, character count,
        // string offset, options, rectangle, advances offset.
        in.Skip(16 + 12);
        const Point reference = ReadPointL(in);
        const uint32_t chars = in.U32();
        const uint32_t off_string = in.U32();
        const uint32_t options = in.U32();
        const Rect rect = ReadRectL(in);
        const uint32_t off_dx = in.U32();
        if (in.Failed()) break;
        const bool wide = type == kExtTextOutW;
        const uint64_t string_bytes = static_cast<uint64_t>(chars) * (wide ? 2 : 1);
        if (string_bytes > size || !in.Has(off_string, static_cast<size_t>(string_bytes))) break;
        std::u16string text;
        text.reserve(chars);
        if (wide) {
          for (uint32_t i = 0; i < chars; ++i) {
            text.push_back(static_cast<char16_t>(record[off_string + 2 * i] |
                                                 (record[off_string + 2 * i + 1] << 8)));
          }
        } else {
          text.assign(record + off_string, record + off_string + chars);
        }
        std::vector<double> dx;
        if (off_dx != 0 && in.Has(off_dx, static_cast<size_t>(chars) * 4)) {
          ByteReader adv(record + off_dx, static_cast<size_t>(chars) * 4);
          dx.reserve(chars);
          for (uint32_t i = 0; i < chars; ++i) dx.push_back(adv.I32());
        }
        const bool has_rect = (options & 6) != 0 && rect.width != 0 && rect.height != 0;
        gdi_.Text(reference, text, options, has_rect ? &rect : nullptr, dx);
        break;
      }
      default:
        // Palettes, colour adjustment, comments, mapper flags: nothing to draw.
        break;
    }
  }

 private:
  DrawingTarget& gdi_;
  ObjectTable objects_;
};

}  // namespace

void DecodeEmf(const Metafile& metafile, DrawingTarget& target) {
  EmfPlayback playback(target, std::max<uint32_t>(metafile.HandleCount(), 1));
  RecordCursor records(metafile);
  Record record;
  while (records.Next(record)) playback.Play(record.type, record.data, record.size);
}

}  // namespace vr::metafile
