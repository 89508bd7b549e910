#pragma once
// The drawing state machine shared by the WMF and EMF players: the device context (map mode,
// window and viewport, world transform, selected pen, brush and font, colours, clip, current
// position), its save stack, the object table, and the primitives drawn with QPainter.
//
// Everything is built as a path in logical coordinates, mapped to target pixels through
//   world transform -> page (window/viewport, map mode) -> reference device to target,
// and drawn with the painter at identity, so clipping and paths live in one space.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <QTransform>
#include <optional>
#include <vector>

namespace vr::metafile {

// Stock and GDI constants the players share.
inline constexpr int kMmText = 1;
inline constexpr int kMmIsotropic = 7;
inline constexpr int kMmAnisotropic = 8;
inline constexpr int kOpaque = 2;

struct PenSpec {
  uint32_t style = 0;  // PS_* in the low nibble, caps and joins above
  double width = 0;    // logical units; 0 draws one pixel
  QColor color = Qt::black;
};

struct BrushSpec {
  uint32_t style = 0;  // 0 solid, 1 null, 2 hatched, 3/5/6 pattern
  QColor color = Qt::white;
  uint32_t hatch = 0;
  QImage pattern;
};

struct FontSpec {
  double height = 0;   // < 0: character height, > 0: cell height, 0: default
  int escapement = 0;  // tenths of a degree
  int weight = 400;
  bool italic = false;
  bool underline = false;
  bool strikeout = false;
  QString face;
};

struct GdiObject {
  enum Kind { kEmpty, kPen, kBrush, kFont, kOther } kind = kEmpty;
  PenSpec pen;
  BrushSpec brush;
  FontSpec font;
};

struct DcState {
  int map_mode = kMmText;
  QPointF window_org{0, 0};
  QPointF window_ext{1, 1};
  QPointF viewport_org{0, 0};
  QPointF viewport_ext{1, 1};
  QTransform world;
  PenSpec pen;
  BrushSpec brush;
  FontSpec font;
  QColor text_color = Qt::black;
  QColor bk_color = Qt::white;
  int bk_mode = kOpaque;
  uint32_t text_align = 0;
  int poly_fill_mode = 1;  // 1 alternate, 2 winding
  bool arc_clockwise = false;
  QPointF position;
  std::optional<QPainterPath> clip;  // target pixels
};

enum class ArcKind { kArc, kChord, kPie };

class GdiPlayer {
 public:
  // `device_to_target` maps the reference device (after window/viewport) onto the target.
  // `pixels_per_mm` serves the fixed map modes.
  GdiPlayer(QPainter& painter, const QTransform& device_to_target, QSizeF pixels_per_mm);

  DcState& Dc() { return dc_; }
  void SaveDc();
  void RestoreDc(int which);

  // Object table: `Create` fills a given slot (EMF) or the lowest free one (WMF).
  void SetTableSize(size_t size);
  bool PutObject(size_t index, GdiObject object);
  bool CreateInFreeSlot(GdiObject object);
  void SelectObject(size_t index);
  void SelectStock(uint32_t stock);
  void DeleteObject(size_t index);

  QTransform LogicalToTarget() const;
  double PenScale() const;

  // Primitives in logical coordinates.
  void MoveTo(QPointF p) { dc_.position = p; }
  void LineTo(QPointF p);
  void Polyline(const QPolygonF& points, bool from_current = false);
  void Polygon(const QPolygonF& points);
  void PolyPolygon(const std::vector<QPolygonF>& polygons);
  void PolyPolyline(const std::vector<QPolygonF>& lines);
  void PolyBezier(const QPolygonF& points, bool from_current);
  void Rectangle(QRectF box);
  void RoundRect(QRectF box, QSizeF corner);
  void Ellipse(QRectF box);
  void ArcShape(ArcKind kind, QRectF box, QPointF start, QPointF end, bool arc_to = false);
  void SetPixel(QPointF p, QColor colour);
  // Text at a logical reference point; `dx` holds logical advances (may be empty).
  void Text(QPointF reference, const QString& text, uint32_t options, const QRectF* rect,
            const std::vector<double>& dx);
  // `image` (rows top first) part `source` into logical `dest`; `rop` a ternary raster op.
  void Image(const QRectF& dest, const QImage& image, const QRectF& source, uint32_t rop);
  // A pattern blit: fill `dest` by `rop` (brush, black, white, inversion).
  void PatBlt(const QRectF& dest, uint32_t rop);

  // Paths.
  void BeginPath();
  void EndPath() { in_path_ = false; }
  void AbortPath();
  void CloseFigure();
  void FillPath();
  void StrokePath();
  void StrokeAndFillPath();
  void SelectClipPath(int mode);

  // Clipping in logical coordinates or device rectangles (region data).
  void IntersectClipRect(QRectF box);
  void ExcludeClipRect(QRectF box);
  // Combines with `region` in reference-device units; mode 1 and, 2 or, 3 xor, 4 diff, 5 copy.
  void CombineClip(const QPainterPath& device_region, int mode);
  void ResetClip();

 private:
  void Emit(const QPainterPath& logical, bool fill, bool stroke);
  void DrawTarget(const QPainterPath& target, bool fill, bool stroke);
  QPen MakePen() const;
  QBrush MakeBrush() const;
  void ApplyClip();
  void CombineTargetClip(const QPainterPath& target, int mode);

  QPainter& painter_;
  QTransform device_to_target_;
  QSizeF pixels_per_mm_;
  DcState dc_;
  std::vector<DcState> saved_;
  std::vector<GdiObject> objects_;
  bool in_path_ = false;
  QPainterPath path_;  // target pixels
};

// COLORREF 0x00BBGGRR to a colour.
inline QColor ColorRef(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

}  // namespace vr::metafile
