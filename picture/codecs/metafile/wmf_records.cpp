// WMF records as drawing calls. Each record is
//   0 size in 16-bit words u32 (header included) | 4 function u16 | 6 parameters
// and most parameters are stored last-argument first (y before x, bottom-right before top-left).

#include <algorithm>

#include "picture/codecs/metafile/byte_reader.h"
#include "picture/codecs/metafile/dib.h"
#include "picture/codecs/metafile/metafile.h"
#include "picture/codecs/metafile/records.h"

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

std::u16string Latin1(const uint8_t* data, size_t n) { return std::u16string(data, data + n); }

// Points stored as x, y pairs of 16-bit values.
std::vector<Point> ReadPoints(ByteReader& in, size_t count) {
  std::vector<Point> points;
  if (count > in.Remaining() / 4) return points;
  points.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const double x = in.I16();
    const double y = in.I16();
    points.push_back(Point{x, y});
  }
  return points;
}

Rect ReadRectBrtl(ByteReader& in) {
  const double bottom = in.I16();
  const double right = in.I16();
  const double top = in.I16();
  const double left = in.I16();
  return Rect::FromCorners(left, top, right, bottom);
}

using Object = ObjectTable::Object;

// Plays one record from its parameters; a record too short for its fields is skipped.
void PlayRecord(DrawingTarget& gdi, ObjectTable& objects, uint16_t function, ByteReader& in,
                size_t record_words) {
  switch (function) {
    case kSaveDc:
      gdi.SaveDc();
      break;
    case kRestoreDc:
      gdi.RestoreDc(in.I16());
      break;
    case kSetBkMode:
      gdi.SetBkMode(in.U16());
      break;
    case kSetMapMode: {
      // The target fixes the viewport; only the choice between keeping and ignoring the
      // aspect ratio of the window matters here.
      const uint16_t mode = in.U16();
      gdi.SetMapMode(mode == kMmIsotropic ? kMmIsotropic : kMmAnisotropic);
      break;
    }
    case kSetPolyFillMode:
      gdi.SetPolyFillMode(in.U16() == 2 ? 2 : 1);
      break;
    case kSetTextAlign:
      gdi.SetTextAlign(in.U16());
      break;
    case kSetBkColor:
      gdi.SetBkColour(in.U32());
      break;
    case kSetTextColor:
      gdi.SetTextColour(in.U32());
      break;
    case kSetWindowOrg: {
      const double y = in.I16();
      const double x = in.I16();
      if (!in.Failed()) gdi.SetWindowOrg(Point{x, y});
      break;
    }
    case kSetWindowExt: {
      const double y = in.I16();
      const double x = in.I16();
      if (!in.Failed()) gdi.SetWindowExt(Point{x, y});
      break;
    }
    case kOffsetWindowOrg: {
      const double y = in.I16();
      const double x = in.I16();
      if (!in.Failed()) gdi.OffsetWindowOrg(Point{x, y});
      break;
    }
    case kScaleWindowExt: {
      const int y_den = in.I16(), y_num = in.I16(), x_den = in.I16(), x_num = in.I16();
      if (!in.Failed() && x_den != 0 && y_den != 0) gdi.ScaleWindowExt(x_num, x_den, y_num, y_den);
      break;
    }
    case kMoveTo: {
      const double y = in.I16();
      const double x = in.I16();
      if (!in.Failed()) gdi.MoveTo(Point{x, y});
      break;
    }
    case kLineTo: {
      const double y = in.I16();
      const double x = in.I16();
      if (!in.Failed()) gdi.LineTo(Point{x, y});
      break;
    }
    case kPolygon:
    case kPolyline: {
      const std::vector<Point> points = ReadPoints(in, in.U16());
      if (function == kPolygon) {
        gdi.Polygon(points);
      } else {
        gdi.Polyline(points, false);
      }
      break;
    }
    case kPolyPolygon: {
      const size_t n = in.U16();
      if (n > in.Remaining() / 2) break;
      std::vector<size_t> counts(n);
      for (auto& c : counts) c = in.U16();
      std::vector<std::vector<Point>> polygons;
      for (size_t c : counts) {
        std::vector<Point> poly = ReadPoints(in, c);
        if (poly.size() != c) break;
        polygons.push_back(std::move(poly));
      }
      gdi.PolyPolygon(polygons);
      break;
    }
    case kRectangle:
    case kEllipse:
    case kIntersectClipRect:
    case kExcludeClipRect: {
      const Rect r = ReadRectBrtl(in);
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
      const Rect r = ReadRectBrtl(in);
      if (!in.Failed()) gdi.RoundRect(r, w, h);
      break;
    }
    case kArc:
    case kPie:
    case kChord: {
      const double ye = in.I16(), xe = in.I16(), ys = in.I16(), xs = in.I16();
      const Rect r = ReadRectBrtl(in);
      if (in.Failed()) break;
      const ArcKind kind = function == kArc   ? ArcKind::kArc
                           : function == kPie ? ArcKind::kPie
                                              : ArcKind::kChord;
      gdi.ArcShape(kind, r, Point{xs, ys}, Point{xe, ye}, false);
      break;
    }
    case kSetPixel: {
      const uint32_t colour = in.U32();
      const double y = in.I16();
      const double x = in.I16();
      if (!in.Failed()) gdi.SetPixel(Point{x, y}, colour);
      break;
    }
    case kTextOut: {
      const size_t n = static_cast<uint16_t>(in.I16());
      if (n > in.Remaining()) break;
      const std::u16string text = Latin1(in.Data() + in.Pos(), n);
      in.Skip((n + 1) & ~size_t{1});
      const double y = in.I16();
      const double x = in.I16();
      if (!in.Failed()) gdi.Text(Point{x, y}, text, 0, nullptr, {});
      break;
    }
    case kExtTextOut: {
      const double y = in.I16();
      const double x = in.I16();
      const size_t n = static_cast<uint16_t>(in.I16());
      const uint16_t options = in.U16();
      Rect rect;
      const bool has_rect = (options & 6) != 0;
      if (has_rect) {
        const double l = in.I16(), t = in.I16(), r = in.I16(), b = in.I16();
        rect = Rect::FromCorners(l, t, r, b);
      }
      if (in.Failed() || n > in.Remaining()) break;
      const std::u16string text = Latin1(in.Data() + in.Pos(), n);
      in.Skip((n + 1) & ~size_t{1});
      std::vector<double> dx;
      if (in.Remaining() >= 2 * n) {
        dx.reserve(n);
        for (size_t i = 0; i < n; ++i) dx.push_back(in.I16());
      }
      gdi.Text(Point{x, y}, text, options, has_rect ? &rect : nullptr, dx);
      break;
    }
    case kCreatePenIndirect: {
      Object o;
      o.kind = Object::kPen;
      o.pen.style = in.U16();
      o.pen.width = in.I16();
      in.I16();
      o.pen.colour = in.U32();
      objects.CreateInFreeSlot(std::move(o));
      break;
    }
    case kCreateBrushIndirect: {
      Object o;
      o.kind = Object::kBrush;
      o.brush.style = in.U16();
      o.brush.colour = in.U32();
      o.brush.hatch = in.U16();
      objects.CreateInFreeSlot(std::move(o));
      break;
    }
    case kDibCreatePatternBrush: {
      Object o;
      o.kind = Object::kBrush;
      o.brush.style = in.U16();
      const uint16_t usage = in.U16();
      o.brush.pattern = DecodePackedDibBitmap(in.Data() + in.Pos(), in.Remaining(), usage == 1);
      if (!o.brush.pattern) {
        o.brush.style = 0;
        o.brush.colour = kGreyRef;
      } else {
        o.brush.style = 5;
      }
      objects.CreateInFreeSlot(std::move(o));
      break;
    }
    case kCreateFontIndirect: {
      Object o;
      o.kind = Object::kFont;
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
      objects.CreateInFreeSlot(std::move(o));
      break;
    }
    case kCreatePalette:
    case kCreatePatternBrush:
    case kCreateRegion: {
      // Not drawn, but they take a slot so later indices stay right.
      Object o;
      o.kind = function == kCreatePatternBrush ? Object::kBrush : Object::kOther;
      if (function == kCreatePatternBrush) o.brush.colour = kGreyRef;
      objects.CreateInFreeSlot(std::move(o));
      break;
    }
    case kSelectObject:
      objects.Select(in.U16(), gdi);
      break;
    case kDeleteObject:
      objects.Delete(in.U16());
      break;
    case kPatBlt: {
      const uint32_t rop = in.U32();
      const double h = in.I16(), w = in.I16(), y = in.I16(), x = in.I16();
      if (!in.Failed()) gdi.PatBlt(Rect{x, y, w, h}, rop);
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
        gdi.PatBlt(Rect{xd, yd, w, h}, rop);
      } else if (function == kDibBitBlt) {
        const auto image = DecodePackedDibBitmap(in.Data() + in.Pos(), in.Remaining());
        gdi.Image(Rect{xd, yd, w, h}, image.get(), Rect{xs, ys, w, h}, rop);
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
        gdi.PatBlt(Rect{xd, yd, w, h}, rop);
      } else if (function == kDibStretchBlt) {
        const auto image = DecodePackedDibBitmap(in.Data() + in.Pos(), in.Remaining());
        gdi.Image(Rect{xd, yd, w, h}, image.get(), Rect{xs, ys, sw, sh}, rop);
      }
      break;
    }
    case kStretchDib: {
      const uint32_t rop = in.U32();
      const uint16_t usage = in.U16();
      const double sh = in.I16(), sw = in.I16(), ys = in.I16(), xs = in.I16();
      const double h = in.I16(), w = in.I16(), yd = in.I16(), xd = in.I16();
      if (in.Failed()) break;
      const auto image = DecodePackedDibBitmap(in.Data() + in.Pos(), in.Remaining(), usage == 1);
      gdi.Image(Rect{xd, yd, w, h}, image.get(), Rect{xs, ys, sw, sh}, rop);
      break;
    }
    case kSetDibToDev: {
      const uint16_t usage = in.U16();
      in.U16();  // scan count
      in.U16();  // start scan
      const double ys = in.I16(), xs = in.I16(), h = in.I16(), w = in.I16(), yd = in.I16(),
                   xd = in.I16();
      if (in.Failed()) break;
      const auto image = DecodePackedDibBitmap(in.Data() + in.Pos(), in.Remaining(), usage == 1);
      gdi.Image(Rect{xd, yd, w, h}, image.get(), Rect{xs, ys, w, h}, 0x00CC0020);
      break;
    }
    default:
      // Viewport records, palettes, raster modes, escapes: nothing to draw here.
      break;
  }
}

}  // namespace

void DecodeWmf(const Metafile& metafile, DrawingTarget& target) {
  ObjectTable objects(metafile.ObjectCount());
  // The bounding box is the initial window.
  const Box& bounds = metafile.Bounds();
  target.SetMapMode(kMmAnisotropic);
  target.SetWindowOrg(Point{bounds.left, bounds.top});
  target.SetWindowExt(Point{bounds.width == 0 ? 1 : bounds.width,
                            bounds.height == 0 ? 1 : bounds.height});

  RecordCursor records(metafile);
  Record record;
  while (records.Next(record)) {
    ByteReader params(record.data + 6, record.size - 6);
    PlayRecord(target, objects, static_cast<uint16_t>(record.type), params, record.size / 2);
  }
}

}  // namespace vr::metafile
