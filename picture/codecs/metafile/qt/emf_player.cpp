// EMF record playback. Each record is
//   0 type u32 | 4 size in bytes u32 (header included, a multiple of 4) | 8 parameters
// Coordinates are 32-bit (16-bit in the "16" variants); offsets inside a record (bitmaps,
// strings) count from the record's start.

#include <QString>
#include <algorithm>
#include <cmath>

#include "picture/codecs/metafile/byte_reader.h"
#include "picture/codecs/metafile/qt/dib.h"
#include "picture/codecs/metafile/metafile.h"
#include "picture/codecs/metafile/qt/gdi_player.h"
#include "picture/codecs/metafile/qt/metafile_player.h"

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

QRectF ReadRectL(ByteReader& in) {
  const double l = in.I32(), t = in.I32(), r = in.I32(), b = in.I32();
  return QRectF(QPointF(l, t), QPointF(r, b));
}

QPointF ReadPointL(ByteReader& in) {
  const double x = in.I32();
  const double y = in.I32();
  return QPointF(x, y);
}

QPolygonF ReadPoints(ByteReader& in, size_t count, bool small) {
  QPolygonF points;
  if (count > in.Remaining() / (small ? 4 : 8)) return points;
  points.reserve(static_cast<qsizetype>(count));
  for (size_t i = 0; i < count; ++i) {
    if (small) {
      const double x = in.I16();
      const double y = in.I16();
      points.append(QPointF(x, y));
    } else {
      points.append(ReadPointL(in));
    }
  }
  return points;
}

QTransform ReadXform(ByteReader& in) {
  const double m11 = in.F32(), m12 = in.F32(), m21 = in.F32(), m22 = in.F32(), dx = in.F32(),
               dy = in.F32();
  for (double v : {m11, m12, m21, m22, dx, dy}) {
    if (!std::isfinite(v)) return QTransform();
  }
  return QTransform(m11, m12, m21, m22, dx, dy);
}

// A DIB whose header and rows lie inside the record at the given offsets.
QImage RecordDib(const uint8_t* record, size_t size, uint32_t off_bmi, uint32_t cb_bmi,
                 uint32_t off_bits, uint32_t cb_bits, uint32_t usage) {
  ByteReader range(record, size);
  if (cb_bmi == 0 || !range.Has(off_bmi, cb_bmi) || !range.Has(off_bits, cb_bits)) return QImage();
  return DecodeDib(record + off_bmi, cb_bmi, record + off_bits, cb_bits, usage == 1);
}

class EmfPlayback {
 public:
  EmfPlayback(GdiPlayer& gdi) : gdi_(gdi) {}

  void Play(uint32_t type, const uint8_t* record, size_t size) {
    ByteReader in(record, size);
    in.Seek(8);
    DcState& dc = gdi_.Dc();
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
        const QPolygonF points = ReadPoints(in, in.U32(), small);
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
            gdi_.Polyline(points);
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
        std::vector<QPolygonF> polys;
        for (uint32_t c : counts) {
          QPolygonF p = ReadPoints(in, c, small);
          if (p.size() != static_cast<qsizetype>(c)) return;
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
        const QPointF p = ReadPointL(in);
        if (in.Failed()) break;
        if (type == kSetWindowExtEx) dc.window_ext = p;
        if (type == kSetWindowOrgEx) dc.window_org = p;
        if (type == kSetViewportExtEx) dc.viewport_ext = p;
        if (type == kSetViewportOrgEx) dc.viewport_org = p;
        if (type == kMoveToEx) gdi_.MoveTo(p);
        if (type == kLineTo) gdi_.LineTo(p);
        break;
      }
      case kScaleViewportExtEx:
      case kScaleWindowExtEx: {
        const int x_num = in.I32(), x_den = in.I32(), y_num = in.I32(), y_den = in.I32();
        if (in.Failed() || x_den == 0 || y_den == 0) break;
        QPointF& ext = type == kScaleWindowExtEx ? dc.window_ext : dc.viewport_ext;
        ext = QPointF(ext.x() * x_num / x_den, ext.y() * y_num / y_den);
        break;
      }
      case kSetPixelV: {
        const QPointF p = ReadPointL(in);
        const uint32_t c = in.U32();
        if (!in.Failed()) gdi_.SetPixel(p, ColorRef(c));
        break;
      }
      case kSetMapMode: {
        const uint32_t mode = in.U32();
        if (mode >= 1 && mode <= 8) dc.map_mode = static_cast<int>(mode);
        break;
      }
      case kSetBkMode:
        dc.bk_mode = static_cast<int>(in.U32());
        break;
      case kSetPolyFillMode:
        dc.poly_fill_mode = in.U32() == 2 ? 2 : 1;
        break;
      case kSetTextAlign:
        dc.text_align = in.U32();
        break;
      case kSetTextColor: {
        const uint32_t c = in.U32();
        if (!in.Failed()) dc.text_color = ColorRef(c);
        break;
      }
      case kSetBkColor: {
        const uint32_t c = in.U32();
        if (!in.Failed()) dc.bk_color = ColorRef(c);
        break;
      }
      case kSetArcDirection:
        dc.arc_clockwise = in.U32() == 2;
        break;
      case kExcludeClipRect:
      case kIntersectClipRect: {
        const QRectF r = ReadRectL(in);
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
        const QTransform t = ReadXform(in);
        if (!in.Failed()) dc.world = t;
        break;
      }
      case kModifyWorldTransform: {
        const QTransform t = ReadXform(in);
        const uint32_t mode = in.U32();
        if (in.Failed()) break;
        if (mode == 1) dc.world = QTransform();  // identity
        if (mode == 2) dc.world = t * dc.world;  // left multiply
        if (mode == 3) dc.world = dc.world * t;  // right multiply
        if (mode == 4) dc.world = t;             // set
        break;
      }
      case kSelectObject: {
        const uint32_t index = in.U32();
        if (in.Failed()) break;
        if (index & kStockBit) {
          gdi_.SelectStock(index & ~kStockBit);
        } else {
          gdi_.SelectObject(index);
        }
        break;
      }
      case kDeleteObject: {
        const uint32_t index = in.U32();
        if (!in.Failed() && !(index & kStockBit)) gdi_.DeleteObject(index);
        break;
      }
      case kCreatePen: {
        const uint32_t index = in.U32();
        GdiObject o;
        o.kind = GdiObject::kPen;
        o.pen.style = in.U32();
        o.pen.width = in.I32();
        in.I32();
        o.pen.color = ColorRef(in.U32());
        if (!in.Failed()) gdi_.PutObject(index, o);
        break;
      }
      case kExtCreatePen: {
        const uint32_t index = in.U32();
        in.Skip(16);  // pattern bitmap offsets
        GdiObject o;
        o.kind = GdiObject::kPen;
        o.pen.style = in.U32();
        o.pen.width = in.U32();
        const uint32_t brush_style = in.U32();
        o.pen.color = ColorRef(in.U32());
        if (brush_style == 1)
          o.pen.style = (o.pen.style & ~0x0Fu) | 5;  // a null brush draws nothing
        // Cosmetic pens (type bit clear) are one pixel wide whatever the width says.
        if ((o.pen.style & 0x000F0000) == 0) o.pen.width = 0;
        if (!in.Failed()) gdi_.PutObject(index, o);
        break;
      }
      case kCreateBrushIndirect: {
        const uint32_t index = in.U32();
        GdiObject o;
        o.kind = GdiObject::kBrush;
        o.brush.style = in.U32();
        o.brush.color = ColorRef(in.U32());
        o.brush.hatch = in.U32();
        if (!in.Failed()) gdi_.PutObject(index, o);
        break;
      }
      case kCreateDibPatternBrushPt:
      case kCreateMonoBrush: {
        const uint32_t index = in.U32();
        const uint32_t usage = in.U32();
        const uint32_t off_bmi = in.U32(), cb_bmi = in.U32(), off_bits = in.U32(),
                       cb_bits = in.U32();
        if (in.Failed()) break;
        GdiObject o;
        o.kind = GdiObject::kBrush;
        o.brush.pattern = RecordDib(record, size, off_bmi, cb_bmi, off_bits, cb_bits, usage);
        o.brush.style = o.brush.pattern.isNull() ? 0 : 6;
        o.brush.color = Qt::gray;
        gdi_.PutObject(index, o);
        break;
      }
      case kCreatePalette: {
        const uint32_t index = in.U32();
        GdiObject o;
        o.kind = GdiObject::kOther;
        if (!in.Failed()) gdi_.PutObject(index, o);
        break;
      }
      case kExtCreateFontIndirectW: {
        const uint32_t index = in.U32();
        GdiObject o;
        o.kind = GdiObject::kFont;
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
        QString face;
        for (int i = 0; i < 32 && in.Remaining() >= 2; ++i) {
          const uint16_t ch = in.U16();
          if (ch == 0) break;
          face.append(QChar(ch));
        }
        o.font.face = face;
        gdi_.PutObject(index, o);
        break;
      }
      case kRectangle:
      case kEllipse: {
        const QRectF r = ReadRectL(in);
        if (in.Failed()) break;
        if (type == kRectangle) {
          gdi_.Rectangle(r);
        } else {
          gdi_.Ellipse(r);
        }
        break;
      }
      case kRoundRect: {
        const QRectF r = ReadRectL(in);
        const double w = in.I32();
        const double h = in.I32();
        if (!in.Failed()) gdi_.RoundRect(r, QSizeF(w, h));
        break;
      }
      case kArc:
      case kChord:
      case kPie:
      case kArcTo: {
        const QRectF r = ReadRectL(in);
        const QPointF start = ReadPointL(in);
        const QPointF end = ReadPointL(in);
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
        QPainterPath region;
        if (cb >= 32 && cb <= in.Remaining()) {
          in.Skip(8);
          const uint32_t count = in.U32();
          in.Skip(4 + 16);
          if (count <= (cb - 32) / 16) {
            for (uint32_t i = 0; i < count; ++i) region.addRect(ReadRectL(in).normalized());
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
          gdi_.PatBlt(QRectF(xd, yd, wd, hd), rop);
          break;
        }
        const QImage image = RecordDib(record, size, off_bmi, cb_bmi, off_bits, cb_bits, usage);
        gdi_.Image(QRectF(xd, yd, wd, hd), image, QRectF(xs, ys, ws, hs), rop);
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
        const QImage image = RecordDib(record, size, off_bmi, cb_bmi, off_bits, cb_bits, usage);
        gdi_.Image(QRectF(xd, yd, wd, hd), image, QRectF(xs, ys, ws, hs), rop);
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
        const QImage image = RecordDib(record, size, off_bmi, cb_bmi, off_bits, cb_bits, usage);
        gdi_.Image(QRectF(xd, yd, ws, hs), image, QRectF(xs, ys, ws, hs), 0x00CC0020);
        break;
      }
      case kExtTextOutA:
      case kExtTextOutW: {
        // bounds, graphics mode, x and y scale, then EMRTEXT: reference point, character count,
        // string offset, options, rectangle, advances offset.
        in.Skip(16 + 12);
        const QPointF reference = ReadPointL(in);
        const uint32_t chars = in.U32();
        const uint32_t off_string = in.U32();
        const uint32_t options = in.U32();
        const QRectF rect = ReadRectL(in);
        const uint32_t off_dx = in.U32();
        if (in.Failed()) break;
        const bool wide = type == kExtTextOutW;
        const uint64_t string_bytes = static_cast<uint64_t>(chars) * (wide ? 2 : 1);
        if (string_bytes > size || !in.Has(off_string, static_cast<size_t>(string_bytes))) break;
        QString text;
        if (wide) {
          text.reserve(static_cast<qsizetype>(chars));
          for (uint32_t i = 0; i < chars; ++i) {
            text.append(QChar(static_cast<uint16_t>(record[off_string + 2 * i] |
                                                    (record[off_string + 2 * i + 1] << 8))));
          }
        } else {
          text = QString::fromLatin1(reinterpret_cast<const char*>(record + off_string),
                                     static_cast<qsizetype>(chars));
        }
        std::vector<double> dx;
        if (off_dx != 0 && in.Has(off_dx, static_cast<size_t>(chars) * 4)) {
          ByteReader adv(record + off_dx, static_cast<size_t>(chars) * 4);
          dx.reserve(chars);
          for (uint32_t i = 0; i < chars; ++i) dx.push_back(adv.I32());
        }
        const bool has_rect = (options & 6) != 0 && rect.width() != 0 && rect.height() != 0;
        gdi_.Text(reference, text, options, has_rect ? &rect : nullptr, dx);
        break;
      }
      default:
        // Palettes, colour adjustment, comments, mapper flags: nothing to draw.
        break;
    }
  }

 private:
  GdiPlayer& gdi_;
};

}  // namespace

void PlayEmf(const Metafile& metafile, QPainter& painter, const QRectF& target) {
  // The picture frame, in reference-device pixels, is stretched over the target.
  const Box& frame = metafile.FrameDevice();
  const double sx = frame.width != 0 ? target.width() / frame.width : 1;
  const double sy = frame.height != 0 ? target.height() / frame.height : 1;
  const QTransform device_to_target(sx, 0, 0, sy, target.left() - frame.left * sx,
                                    target.top() - frame.top * sy);
  GdiPlayer gdi(painter, device_to_target,
                QSizeF(metafile.PixelsPerMmX(), metafile.PixelsPerMmY()));
  gdi.SetTableSize(std::max<uint32_t>(metafile.HandleCount(), 1));
  EmfPlayback playback(gdi);

  RecordCursor records(metafile);
  Record record;
  while (records.Next(record)) playback.Play(record.type, record.data, record.size);
}

}  // namespace vr::metafile
