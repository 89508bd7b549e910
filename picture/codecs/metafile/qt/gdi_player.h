#pragma once
// The QPainter drawing target of the WMF and EMF players: the device context (map mode, window
// and viewport, world transform, selected pen, brush and font, colours, clip, current position),
// its save stack, and the primitives drawn with QPainter. What the records mean is the record
// decoder's (records.h); this only draws.
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

#include "picture/codecs/metafile/drawing_target.h"

namespace vr::metafile {

// The brush as the painter draws it: the pattern is converted once, when the brush is selected.
struct DcBrush {
  uint32_t style = 0;  // 0 solid, 1 null, 2 hatched, 3/5/6 pattern
  QColor color = Qt::white;
  uint32_t hatch = 0;
  QImage pattern;
};

struct DcState {
  int map_mode = kMmText;
  QPointF window_org{0, 0};
  QPointF window_ext{1, 1};
  QPointF viewport_org{0, 0};
  QPointF viewport_ext{1, 1};
  QTransform world;
  LogPen pen;
  DcBrush brush;
  LogFont font;
  QColor text_color = Qt::black;
  QColor bk_color = Qt::white;
  int bk_mode = kOpaque;
  uint32_t text_align = 0;
  int poly_fill_mode = 1;  // 1 alternate, 2 winding
  bool arc_clockwise = false;
  QPointF position;
  std::optional<QPainterPath> clip;  // target pixels
};

class GdiPlayer final : public DrawingTarget {
 public:
  // `device_to_target` maps the reference device (after window/viewport) onto the target.
  // `pixels_per_mm` serves the fixed map modes.
  GdiPlayer(QPainter& painter, const QTransform& device_to_target, QSizeF pixels_per_mm);

  const DcState& Dc() const { return dc_; }
  QTransform LogicalToTarget() const;
  double PenScale() const;

  void SaveDc() override;
  void RestoreDc(int which) override;
  void SetMapMode(int mode) override { dc_.map_mode = mode; }
  void SetWindowOrg(Point p) override { dc_.window_org = QPointF(p.x, p.y); }
  void SetWindowExt(Point p) override { dc_.window_ext = QPointF(p.x, p.y); }
  void OffsetWindowOrg(Point by) override { dc_.window_org += QPointF(by.x, by.y); }
  void ScaleWindowExt(int x_num, int x_den, int y_num, int y_den) override;
  void SetViewportOrg(Point p) override { dc_.viewport_org = QPointF(p.x, p.y); }
  void SetViewportExt(Point p) override { dc_.viewport_ext = QPointF(p.x, p.y); }
  void ScaleViewportExt(int x_num, int x_den, int y_num, int y_den) override;
  void SetWorldTransform(const XForm& t) override;
  void ModifyWorldTransform(const XForm& t, uint32_t mode) override;
  void SetBkMode(int mode) override { dc_.bk_mode = mode; }
  void SetPolyFillMode(int mode) override { dc_.poly_fill_mode = mode; }
  void SetTextAlign(uint32_t align) override { dc_.text_align = align; }
  void SetTextColour(ColourRef colour) override;
  void SetBkColour(ColourRef colour) override;
  void SetArcDirection(bool clockwise) override { dc_.arc_clockwise = clockwise; }
  void SelectPen(const LogPen& pen) override { dc_.pen = pen; }
  void SelectBrush(const LogBrush& brush) override;
  void SelectFont(const LogFont& font) override { dc_.font = font; }

  void MoveTo(Point p) override { dc_.position = QPointF(p.x, p.y); }
  void LineTo(Point p) override;
  void Polyline(const std::vector<Point>& points, bool from_current) override;
  void Polygon(const std::vector<Point>& points) override;
  void PolyPolygon(const std::vector<std::vector<Point>>& polygons) override;
  void PolyPolyline(const std::vector<std::vector<Point>>& lines) override;
  void PolyBezier(const std::vector<Point>& points, bool from_current) override;
  void Rectangle(const Rect& box) override;
  void RoundRect(const Rect& box, double corner_width, double corner_height) override;
  void Ellipse(const Rect& box) override;
  void ArcShape(ArcKind kind, const Rect& box, Point start, Point end, bool arc_to) override;
  void SetPixel(Point p, ColourRef colour) override;
  void Text(Point reference, const std::u16string& text, uint32_t options, const Rect* rect,
            const std::vector<double>& dx) override;
  void Image(const Rect& dest, const picture::Bitmap* image, const Rect& source,
             uint32_t rop) override;
  void PatBlt(const Rect& dest, uint32_t rop) override;

  void BeginPath() override;
  void EndPath() override { in_path_ = false; }
  void AbortPath() override;
  void CloseFigure() override;
  void FillPath() override;
  void StrokePath() override;
  void StrokeAndFillPath() override;
  void SelectClipPath(int mode) override;

  void IntersectClipRect(const Rect& box) override;
  void ExcludeClipRect(const Rect& box) override;
  void CombineClip(const std::vector<Rect>& device_region, int mode) override;
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
  bool in_path_ = false;
  QPainterPath path_;  // target pixels
  // The last pattern converted, so that selecting one brush again converts nothing.
  std::shared_ptr<const picture::Bitmap> pattern_source_;
  QImage pattern_image_;
};

// COLORREF 0x00BBGGRR to a colour.
inline QColor ColorRef(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

}  // namespace vr::metafile
