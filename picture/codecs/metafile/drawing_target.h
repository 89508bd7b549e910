#pragma once
// What WMF and EMF records mean, as calls on a drawing target: the record decoder (records.h)
// reads each record's parameters, keeps the object table and calls the target; a target (the
// QPainter player in qt/, or a recorder in tests) only draws. Coordinates are the file's logical
// units; the target keeps the device context (map mode, window and viewport, world transform,
// colours, clip, current position) and its save stack.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "picture/bitmap.h"

namespace vr::metafile {

struct Point {
  double x = 0;
  double y = 0;
};

// A rectangle by its corner and extent; the extent may be negative (the corners are as stored).
struct Rect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
  static Rect FromCorners(double left, double top, double right, double bottom) {
    return Rect{left, top, right - left, bottom - top};
  }
};

// A colour as the files store it: 0x00BBGGRR.
using ColourRef = uint32_t;
inline constexpr ColourRef kBlackRef = 0x000000;
inline constexpr ColourRef kWhiteRef = 0xFFFFFF;
// What brushes the player cannot draw (pattern brushes without a picture) show instead.
inline constexpr ColourRef kGreyRef = 0xA4A0A0;

// Map modes and the background mode the decoder and players share.
inline constexpr int kMmText = 1;
inline constexpr int kMmIsotropic = 7;
inline constexpr int kMmAnisotropic = 8;
inline constexpr int kOpaque = 2;

struct LogPen {
  uint32_t style = 0;  // PS_* in the low nibble, caps and joins above
  double width = 0;    // logical units; 0 draws one pixel
  ColourRef colour = kBlackRef;
};

struct LogBrush {
  uint32_t style = 0;  // 0 solid, 1 null, 2 hatched, 3/5/6 pattern
  ColourRef colour = kWhiteRef;
  uint32_t hatch = 0;
  std::shared_ptr<const picture::Bitmap> pattern;  // rows top first; null for none
};

struct LogFont {
  double height = 0;   // < 0: character height, > 0: cell height, 0: default
  int escapement = 0;  // tenths of a degree
  int weight = 400;
  bool italic = false;
  bool underline = false;
  bool strikeout = false;
  std::u16string face;
};

// A world transform: x' = m11 x + m21 y + dx, y' = m12 x + m22 y + dy.
struct XForm {
  double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
};

enum class ArcKind { kArc, kChord, kPie };

class DrawingTarget {
 public:
  virtual ~DrawingTarget() = default;

  // The device context.
  virtual void SaveDc() = 0;
  // Negative: that many levels back; positive: the absolute level.
  virtual void RestoreDc(int which) = 0;
  virtual void SetMapMode(int mode) = 0;
  virtual void SetWindowOrg(Point p) = 0;
  virtual void SetWindowExt(Point p) = 0;
  virtual void OffsetWindowOrg(Point by) = 0;
  virtual void ScaleWindowExt(int x_num, int x_den, int y_num, int y_den) = 0;
  virtual void SetViewportOrg(Point p) = 0;
  virtual void SetViewportExt(Point p) = 0;
  virtual void ScaleViewportExt(int x_num, int x_den, int y_num, int y_den) = 0;
  virtual void SetWorldTransform(const XForm& t) = 0;
  // 1 identity, 2 left multiply, 3 right multiply, 4 set.
  virtual void ModifyWorldTransform(const XForm& t, uint32_t mode) = 0;
  virtual void SetBkMode(int mode) = 0;
  virtual void SetPolyFillMode(int mode) = 0;  // 1 alternate, 2 winding
  virtual void SetTextAlign(uint32_t align) = 0;
  virtual void SetTextColour(ColourRef colour) = 0;
  virtual void SetBkColour(ColourRef colour) = 0;
  virtual void SetArcDirection(bool clockwise) = 0;
  virtual void SelectPen(const LogPen& pen) = 0;
  virtual void SelectBrush(const LogBrush& brush) = 0;
  virtual void SelectFont(const LogFont& font) = 0;

  // Primitives in logical coordinates.
  virtual void MoveTo(Point p) = 0;
  virtual void LineTo(Point p) = 0;
  virtual void Polyline(const std::vector<Point>& points, bool from_current) = 0;
  virtual void Polygon(const std::vector<Point>& points) = 0;
  virtual void PolyPolygon(const std::vector<std::vector<Point>>& polygons) = 0;
  virtual void PolyPolyline(const std::vector<std::vector<Point>>& lines) = 0;
  virtual void PolyBezier(const std::vector<Point>& points, bool from_current) = 0;
  virtual void Rectangle(const Rect& box) = 0;
  virtual void RoundRect(const Rect& box, double corner_width, double corner_height) = 0;
  virtual void Ellipse(const Rect& box) = 0;
  virtual void ArcShape(ArcKind kind, const Rect& box, Point start, Point end, bool arc_to) = 0;
  virtual void SetPixel(Point p, ColourRef colour) = 0;
  // Text at a logical reference point; `dx` holds logical advances (may be empty); `rect` the
  // clipping or opaque rectangle when the options name one.
  virtual void Text(Point reference, const std::u16string& text, uint32_t options,
                    const Rect* rect, const std::vector<double>& dx) = 0;
  // `source` part of `image` (rows top first; null when the record's picture is damaged) into
  // logical `dest`; `rop` a ternary raster operation.
  virtual void Image(const Rect& dest, const picture::Bitmap* image, const Rect& source,
                     uint32_t rop) = 0;
  // A pattern blit: fills `dest` by `rop` (brush, black, white, inversion).
  virtual void PatBlt(const Rect& dest, uint32_t rop) = 0;

  // Paths.
  virtual void BeginPath() = 0;
  virtual void EndPath() = 0;
  virtual void AbortPath() = 0;
  virtual void CloseFigure() = 0;
  virtual void FillPath() = 0;
  virtual void StrokePath() = 0;
  virtual void StrokeAndFillPath() = 0;
  virtual void SelectClipPath(int mode) = 0;

  // Clipping by logical rectangles, or by a region of rectangles in reference-device units;
  // mode 1 and, 2 or, 3 xor, 4 diff, 5 copy (an empty region with copy removes the clip).
  virtual void IntersectClipRect(const Rect& box) = 0;
  virtual void ExcludeClipRect(const Rect& box) = 0;
  virtual void CombineClip(const std::vector<Rect>& device_region, int mode) = 0;
};

}  // namespace vr::metafile
