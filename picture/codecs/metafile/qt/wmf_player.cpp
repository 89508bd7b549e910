// WMF record playback. Each record is
//   0 size in 16-bit words u32 (header included) | 4 function u16 | 6 parameters
// and most parameters are stored last-argument first (y before x, bottom-right before top-left).

#include <QString>
#include <algorithm>

#include "picture/codecs/metafile/byte_reader.h"
#include "picture/codecs/metafile/qt/dib.h"
#include "picture/codecs/metafile/metafile.h"
#include "picture/codecs/metafile/qt/gdi_player.h"
#include "picture/codecs/metafile/qt/metafile_player.h"

namespace vr::metafile {
namespace {

enum WmfFunction : uint16_t {
  kEof = 0x0000,
  kSaveDc = 0x001E,
  kRealizePalette = 0x0035,
  kCreatePalette = 0x00F7,
  kSetBkMode = 0x0102,
  kSetMapMode = 0x0103,
  kSetRop2 = 0x0104,
  kSetRelAbs = 0x0105,
  kSetPolyFillMode = 0x0106,
  kSetStretchBltMode = 0x0107,
  kRestoreDc = 0x0127,
  kSelectObject = 0x012D,
  kSetTextAlign = 0x012E,
  kDibCreatePatternBrush = 0x0142,
  kDeleteObject = 0x01F0,
  kCreatePatternBrush = 0x01F9,
  kSetBkColor = 0x0201,
  kSetTextColor = 0x0209,
  kSetWindowOrg = 0x020B,
  kSetWindowExt = 0x020C,
  kSetViewportOrg = 0x020D,
  kSetViewportExt = 0x020E,
  kOffsetWindowOrg = 0x020F,
  kOffsetViewportOrg = 0x0211,
  kLineTo = 0x0213,
  kMoveTo = 0x0214,
  kSelectPalette = 0x0234,
  kCreatePenIndirect = 0x02FA,
  kCreateFontIndirect = 0x02FB,
  kCreateBrushIndirect = 0x02FC,
  kPolygon = 0x0324,
  kPolyline = 0x0325,
  kScaleWindowExt = 0x0410,
  kScaleViewportExt = 0x0412,
  kExcludeClipRect = 0x0415,
  kIntersectClipRect = 0x0416,
  kEllipse = 0x0418,
  kRectangle = 0x041B,
  kSetPixel = 0x041F,
  kTextOut = 0x0521,
  kPolyPolygon = 0x0538,
  kRoundRect = 0x061C,
  kPatBlt = 0x061D,
  kCreateRegion = 0x06FF,
  kArc = 0x0817,
  kPie = 0x081A,
  kChord = 0x0830,
  kBitBlt = 0x0922,
  kDibBitBlt = 0x0940,
  kExtTextOut = 0x0A32,
  kStretchBlt = 0x0B23,
  kDibStretchBlt = 0x0B41,
  kSetDibToDev = 0x0D33,
  kStretchDib = 0x0F43,
};

QString Latin1(const uint8_t* data, size_t n) {
  return QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(n));
}

// Points stored as x, y pairs of 16-bit values.
QPolygonF ReadPoints(ByteReader& in, size_t count) {
  QPolygonF points;
  if (count > in.Remaining() / 4) return points;
  points.reserve(static_cast<qsizetype>(count));
  for (size_t i = 0; i < count; ++i) {
    const double x = in.I16();
    const double y = in.I16();
    points.append(QPointF(x, y));
  }
  return points;
}

QRectF ReadRectBrtl(ByteReader& in) {
  const double bottom = in.I16();
  const double right = in.I16();
  const double top = in.I16();
  const double left = in.I16();
  return QRectF(QPointF(left, top), QPointF(right, bottom));
}

// Plays one record from its parameters; a record too short for its fields is skipped.
void PlayRecord(GdiPlayer& gdi, uint16_t function, ByteReader& in, size_t record_words) {
  DcState& dc = gdi.Dc();
  switch (function) {
    case kSaveDc:
      gdi.SaveDc();
      break;
    case kRestoreDc:
      gdi.RestoreDc(in.I16());
      break;
    case kSetBkMode:
      dc.bk_mode = in.U16();
      break;
    case kSetMapMode: {
      // The target fixes the viewport; only the choice between keeping and ignoring the
      // aspect ratio of the window matters here.
      const uint16_t mode = in.U16();
      dc.map_mode = mode == kMmIsotropic ? kMmIsotropic : kMmAnisotropic;
      break;
    }
    case kSetPolyFillMode:
      dc.poly_fill_mode = in.U16() == 2 ? 2 : 1;
      break;
    case kSetTextAlign:
      dc.text_align = in.U16();
      break;
    case kSetBkColor:
      dc.bk_color = ColorRef(in.U32());
      break;
    case kSetTextColor:
      dc.text_color = ColorRef(in.U32());
      break;
    case kSetWindowOrg: {
      const double y = in.I16();
      const double x = in.I16();
      if (!in.Failed()) dc.window_org = QPointF(x, y);
      break;
    }
    case kSetWindowExt: {
      const double y = in.I16();
      const double x = in.I16();
      if (!in.Failed()) dc.window_ext = QPointF(x, y);
      break;
    }
    case kOffsetWindowOrg: {
      const double y = in.I16();
      const double x = in.I16();
      if (!in.Failed()) dc.window_org += QPointF(x, y);
      break;
    }
    case kScaleWindowExt: {
      const int y_den = in.I16(), y_num = in.I16(), x_den = in.I16(), x_num = in.I16();
      if (!in.Failed() && x_den != 0 && y_den != 0) {
        dc.window_ext =
            QPointF(dc.window_ext.x() * x_num / x_den, dc.window_ext.y() * y_num / y_den);
      }
      break;
    }
    case kMoveTo: {
      const double y = in.I16();
      const double x = in.I16();
      if (!in.Failed()) gdi.MoveTo(QPointF(x, y));
      break;
    }
    case kLineTo: {
      const double y = in.I16();
      const double x = in.I16();
      if (!in.Failed()) gdi.LineTo(QPointF(x, y));
      break;
    }
    case kPolygon:
    case kPolyline: {
      const QPolygonF points = ReadPoints(in, in.U16());
      if (function == kPolygon) {
        gdi.Polygon(points);
      } else {
        gdi.Polyline(points);
      }
      break;
    }
    case kPolyPolygon: {
      const size_t n = in.U16();
      if (n > in.Remaining() / 2) break;
      std::vector<size_t> counts(n);
      for (auto& c : counts) c = in.U16();
      std::vector<QPolygonF> polygons;
      for (size_t c : counts) {
        QPolygonF poly = ReadPoints(in, c);
        if (poly.size() != static_cast<qsizetype>(c)) break;
        polygons.push_back(std::move(poly));
      }
      gdi.PolyPolygon(polygons);
      break;
    }
    case kRectangle:
    case kEllipse:
    case kIntersectClipRect:
    case kExcludeClipRect: {
      const QRectF r = ReadRectBrtl(in);
      if (in.Failed()) break;
      if (function == kRectangle) gdi.Rectangle(r);
      if (function == kEllipse) gdi.Ellipse(r);
      if (function == kIntersectClipRect) gdi.IntersectClipRect(r);
      if (function == kExcludeClipRect) gdi.ExcludeClipRect(r);
      break;
    }
    case kRoundRect: {
      const double h = in.I16();
      const double w = in.I16();
      const QRectF r = ReadRectBrtl(in);
      if (!in.Failed()) gdi.RoundRect(r, QSizeF(w, h));
      break;
    }
    case kArc:
    case kPie:
    case kChord: {
      const double ye = in.I16(), xe = in.I16(), ys = in.I16(), xs = in.I16();
      const QRectF r = ReadRectBrtl(in);
      if (in.Failed()) break;
      const ArcKind kind = function == kArc   ? ArcKind::kArc
                           : function == kPie ? ArcKind::kPie
                                              : ArcKind::kChord;
      gdi.ArcShape(kind, r, QPointF(xs, ys), QPointF(xe, ye));
      break;
    }
    case kSetPixel: {
      const uint32_t colour = in.U32();
      const double y = in.I16();
      const double x = in.I16();
      if (!in.Failed()) gdi.SetPixel(QPointF(x, y), ColorRef(colour));
      break;
    }
    case kTextOut: {
      const size_t n = static_cast<uint16_t>(in.I16());
      if (n > in.Remaining()) break;
      const QString text = Latin1(in.Data() + in.Pos(), n);
      in.Skip((n + 1) & ~size_t{1});
      const double y = in.I16();
      const double x = in.I16();
      if (!in.Failed()) gdi.Text(QPointF(x, y), text, 0, nullptr, {});
      break;
    }
    case kExtTextOut: {
      const double y = in.I16();
      const double x = in.I16();
      const size_t n = static_cast<uint16_t>(in.I16());
      const uint16_t options = in.U16();
      QRectF rect;
      const bool has_rect = (options & 6) != 0;
      if (has_rect) {
        const double l = in.I16(), t = in.I16(), r = in.I16(), b = in.I16();
        rect = QRectF(QPointF(l, t), QPointF(r, b));
      }
      if (in.Failed() || n > in.Remaining()) break;
      const QString text = Latin1(in.Data() + in.Pos(), n);
      in.Skip((n + 1) & ~size_t{1});
      std::vector<double> dx;
      if (in.Remaining() >= 2 * n) {
        dx.reserve(n);
        for (size_t i = 0; i < n; ++i) dx.push_back(in.I16());
      }
      gdi.Text(QPointF(x, y), text, options, has_rect ? &rect : nullptr, dx);
      break;
    }
    case kCreatePenIndirect: {
      GdiObject o;
      o.kind = GdiObject::kPen;
      o.pen.style = in.U16();
      o.pen.width = in.I16();
      in.I16();
      o.pen.color = ColorRef(in.U32());
      gdi.CreateInFreeSlot(o);
      break;
    }
    case kCreateBrushIndirect: {
      GdiObject o;
      o.kind = GdiObject::kBrush;
      o.brush.style = in.U16();
      o.brush.color = ColorRef(in.U32());
      o.brush.hatch = in.U16();
      gdi.CreateInFreeSlot(o);
      break;
    }
    case kDibCreatePatternBrush: {
      GdiObject o;
      o.kind = GdiObject::kBrush;
      o.brush.style = in.U16();
      const uint16_t usage = in.U16();
      o.brush.pattern = DecodePackedDib(in.Data() + in.Pos(), in.Remaining(), usage == 1);
      if (o.brush.pattern.isNull()) {
        o.brush.style = 0;
        o.brush.color = Qt::gray;
      } else {
        o.brush.style = 5;
      }
      gdi.CreateInFreeSlot(o);
      break;
    }
    case kCreateFontIndirect: {
      GdiObject o;
      o.kind = GdiObject::kFont;
      o.font.height = in.I16();
      in.I16();  // width
      o.font.escapement = in.I16();
      in.I16();  // orientation
      o.font.weight = in.I16();
      o.font.italic = in.U8() != 0;
      o.font.underline = in.U8() != 0;
      o.font.strikeout = in.U8() != 0;
      in.Skip(5);
      if (!in.Failed()) {
        const uint8_t* face = in.Data() + in.Pos();
        const size_t max = std::min<size_t>(in.Remaining(), 32);
        const size_t len = std::find(face, face + max, 0) - face;
        o.font.face = Latin1(face, len);
      }
      gdi.CreateInFreeSlot(o);
      break;
    }
    case kCreatePalette:
    case kCreatePatternBrush:
    case kCreateRegion: {
      // Not drawn, but they take a slot so later indices stay right.
      GdiObject o;
      o.kind = function == kCreatePatternBrush ? GdiObject::kBrush : GdiObject::kOther;
      if (function == kCreatePatternBrush) o.brush.color = Qt::gray;
      gdi.CreateInFreeSlot(o);
      break;
    }
    case kSelectObject:
      gdi.SelectObject(in.U16());
      break;
    case kDeleteObject:
      gdi.DeleteObject(in.U16());
      break;
    case kPatBlt: {
      const uint32_t rop = in.U32();
      const double h = in.I16(), w = in.I16(), y = in.I16(), x = in.I16();
      if (!in.Failed()) gdi.PatBlt(QRectF(x, y, w, h), rop);
      break;
    }
    case kDibBitBlt:
    case kBitBlt: {
      const bool no_bitmap = record_words == static_cast<size_t>((function >> 8) + 3);
      const uint32_t rop = in.U32();
      if (no_bitmap) in.U16();
      const double ys = in.I16(), xs = in.I16(), h = in.I16(), w = in.I16(), yd = in.I16(),
                   xd = in.I16();
      if (in.Failed()) break;
      if (no_bitmap) {
        gdi.PatBlt(QRectF(xd, yd, w, h), rop);
      } else if (function == kDibBitBlt) {
        const QImage image = DecodePackedDib(in.Data() + in.Pos(), in.Remaining());
        gdi.Image(QRectF(xd, yd, w, h), image, QRectF(xs, ys, w, h), rop);
      }
      break;
    }
    case kDibStretchBlt:
    case kStretchBlt: {
      const bool no_bitmap = record_words == static_cast<size_t>((function >> 8) + 3);
      const uint32_t rop = in.U32();
      if (no_bitmap) in.U16();
      const double sh = in.I16(), sw = in.I16(), ys = in.I16(), xs = in.I16();
      const double h = in.I16(), w = in.I16(), yd = in.I16(), xd = in.I16();
      if (in.Failed()) break;
      if (no_bitmap) {
        gdi.PatBlt(QRectF(xd, yd, w, h), rop);
      } else if (function == kDibStretchBlt) {
        const QImage image = DecodePackedDib(in.Data() + in.Pos(), in.Remaining());
        gdi.Image(QRectF(xd, yd, w, h), image, QRectF(xs, ys, sw, sh), rop);
      }
      break;
    }
    case kStretchDib: {
      const uint32_t rop = in.U32();
      const uint16_t usage = in.U16();
      const double sh = in.I16(), sw = in.I16(), ys = in.I16(), xs = in.I16();
      const double h = in.I16(), w = in.I16(), yd = in.I16(), xd = in.I16();
      if (in.Failed()) break;
      const QImage image = DecodePackedDib(in.Data() + in.Pos(), in.Remaining(), usage == 1);
      gdi.Image(QRectF(xd, yd, w, h), image, QRectF(xs, ys, sw, sh), rop);
      break;
    }
    case kSetDibToDev: {
      const uint16_t usage = in.U16();
      in.U16();  // scan count
      in.U16();  // start scan
      const double ys = in.I16(), xs = in.I16(), h = in.I16(), w = in.I16(), yd = in.I16(),
                   xd = in.I16();
      if (in.Failed()) break;
      const QImage image = DecodePackedDib(in.Data() + in.Pos(), in.Remaining(), usage == 1);
      gdi.Image(QRectF(xd, yd, w, h), image, QRectF(xs, ys, w, h), 0x00CC0020);
      break;
    }
    default:
      // Viewport records, palettes, raster modes, escapes: nothing to draw here.
      break;
  }
}

}  // namespace

void PlayWmf(const Metafile& metafile, QPainter& painter, const QRectF& target) {
  GdiPlayer gdi(painter, QTransform(), QSizeF(96 / 25.4, 96 / 25.4));
  gdi.SetTableSize(metafile.ObjectCount());
  DcState& dc = gdi.Dc();
  // The bounding box is the initial window; the target is the viewport.
  const Box& bounds = metafile.Bounds();
  dc.map_mode = kMmAnisotropic;
  dc.window_org = QPointF(bounds.left, bounds.top);
  dc.window_ext = QPointF(bounds.width == 0 ? 1 : bounds.width, bounds.height == 0 ? 1 : bounds.height);
  dc.viewport_org = target.topLeft();
  dc.viewport_ext = QPointF(target.width(), target.height());

  RecordCursor records(metafile);
  Record record;
  while (records.Next(record)) {
    ByteReader params(record.data + 6, record.size - 6);
    PlayRecord(gdi, static_cast<uint16_t>(record.type), params, record.size / 2);
  }
}

}  // namespace vr::metafile
