#include "picture/codecs/metafile/qt/gdi_player.h"

#include <QFont>
#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

#include "picture/codecs/metafile/qt/dib.h"

namespace vr::metafile {
namespace {

// Saved states and objects a damaged file may ask for are bounded, so it cannot exhaust memory.
constexpr size_t kMaxSavedStates = 1024;

bool Finite(double v) { return std::isfinite(v) && std::fabs(v) < 1e9; }

bool Usable(const QTransform& t) {
  return Finite(t.m11()) && Finite(t.m12()) && Finite(t.m21()) && Finite(t.m22()) &&
         Finite(t.dx()) && Finite(t.dy()) && t.isInvertible();
}

// Hatch styles of GDI to Qt's patterns.
Qt::BrushStyle HatchStyle(uint32_t hatch) {
  switch (hatch) {
    case 0:
      return Qt::HorPattern;
    case 1:
      return Qt::VerPattern;
    case 2:
      return Qt::FDiagPattern;
    case 3:
      return Qt::BDiagPattern;
    case 4:
      return Qt::CrossPattern;
    case 5:
      return Qt::DiagCrossPattern;
    default:
      return Qt::SolidPattern;
  }
}

// Angle of a point on an ellipse's rim, in degrees counter-clockwise as seen on screen.
double RimAngle(QRectF box, QPointF p) {
  const QPointF c = box.center();
  const double rx = std::max(box.width() / 2, 1e-9);
  const double ry = std::max(box.height() / 2, 1e-9);
  return std::atan2(-(p.y() - c.y()) / ry, (p.x() - c.x()) / rx) * 180.0 / M_PI;
}

QPointF Q(Point p) { return QPointF(p.x, p.y); }
QRectF Q(const Rect& r) { return QRectF(r.x, r.y, r.width, r.height); }
QTransform Q(const XForm& t) { return QTransform(t.m11, t.m12, t.m21, t.m22, t.dx, t.dy); }
QPolygonF Q(const std::vector<Point>& points) {
  QPolygonF polygon;
  polygon.reserve(static_cast<qsizetype>(points.size()));
  for (const Point& p : points) polygon.append(Q(p));
  return polygon;
}

}  // namespace

GdiPlayer::GdiPlayer(QPainter& painter, const QTransform& device_to_target, QSizeF pixels_per_mm)
    : painter_(painter),
      device_to_target_(device_to_target * painter.worldTransform()),
      pixels_per_mm_(pixels_per_mm) {
  // Everything is mapped here and drawn at identity, so the painter's own transform joins ours.
  painter_.setRenderHint(QPainter::Antialiasing, false);
  painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter_.setTransform(QTransform());
}

void GdiPlayer::SaveDc() {
  if (saved_.size() < kMaxSavedStates) saved_.push_back(dc_);
}

void GdiPlayer::RestoreDc(int which) {
  // Negative: that many levels back; positive: the absolute level.
  size_t keep;
  if (which < 0) {
    const size_t back = static_cast<size_t>(-static_cast<int64_t>(which));
    if (back > saved_.size()) return;
    keep = saved_.size() - back;
  } else {
    if (which == 0 || static_cast<size_t>(which) > saved_.size()) return;
    keep = static_cast<size_t>(which) - 1;
  }
  dc_ = saved_[keep];
  saved_.resize(keep);
  ApplyClip();
}

void GdiPlayer::ScaleWindowExt(int x_num, int x_den, int y_num, int y_den) {
  if (x_den == 0 || y_den == 0) return;
  dc_.window_ext = QPointF(dc_.window_ext.x() * x_num / x_den, dc_.window_ext.y() * y_num / y_den);
}

void GdiPlayer::ScaleViewportExt(int x_num, int x_den, int y_num, int y_den) {
  if (x_den == 0 || y_den == 0) return;
  dc_.viewport_ext =
      QPointF(dc_.viewport_ext.x() * x_num / x_den, dc_.viewport_ext.y() * y_num / y_den);
}

void GdiPlayer::SetWorldTransform(const XForm& t) { dc_.world = Q(t); }

void GdiPlayer::ModifyWorldTransform(const XForm& t, uint32_t mode) {
  if (mode == 1) dc_.world = QTransform();    // identity
  if (mode == 2) dc_.world = Q(t) * dc_.world;  // left multiply
  if (mode == 3) dc_.world = dc_.world * Q(t);  // right multiply
  if (mode == 4) dc_.world = Q(t);             // set
}

void GdiPlayer::SetTextColour(ColourRef colour) { dc_.text_color = ColorRef(colour); }
void GdiPlayer::SetBkColour(ColourRef colour) { dc_.bk_color = ColorRef(colour); }

void GdiPlayer::SelectBrush(const LogBrush& brush) {
  dc_.brush.style = brush.style;
  dc_.brush.color = ColorRef(brush.colour);
  dc_.brush.hatch = brush.hatch;
  if (brush.pattern != pattern_source_) {
    pattern_source_ = brush.pattern;
    pattern_image_ = brush.pattern ? ToImage(*brush.pattern) : QImage();
  }
  dc_.brush.pattern = pattern_image_;
}

QTransform GdiPlayer::LogicalToTarget() const {
  double sx = 1, sy = 1;
  switch (dc_.map_mode) {
    case 2:
      sx = pixels_per_mm_.width() / 10, sy = -pixels_per_mm_.height() / 10;
      break;  // 0.1 mm
    case 3:
      sx = pixels_per_mm_.width() / 100, sy = -pixels_per_mm_.height() / 100;
      break;  // 0.01 mm
    case 4:
      sx = pixels_per_mm_.width() * 0.254, sy = -pixels_per_mm_.height() * 0.254;
      break;  // 0.01 in
    case 5:
      sx = pixels_per_mm_.width() * 0.0254, sy = -pixels_per_mm_.height() * 0.0254;
      break;
    case 6:
      sx = pixels_per_mm_.width() * 25.4 / 1440, sy = -pixels_per_mm_.height() * 25.4 / 1440;
      break;
    case kMmIsotropic:
    case kMmAnisotropic: {
      const double wx = dc_.window_ext.x() == 0 ? 1 : dc_.window_ext.x();
      const double wy = dc_.window_ext.y() == 0 ? 1 : dc_.window_ext.y();
      sx = dc_.viewport_ext.x() / wx;
      sy = dc_.viewport_ext.y() / wy;
      if (dc_.map_mode == kMmIsotropic) {
        const double s = std::min(std::fabs(sx), std::fabs(sy));
        sx = std::copysign(s, sx);
        sy = std::copysign(s, sy);
      }
      break;
    }
    default:
      break;
  }
  const QTransform page(sx, 0, 0, sy, dc_.viewport_org.x() - dc_.window_org.x() * sx,
                        dc_.viewport_org.y() - dc_.window_org.y() * sy);
  return dc_.world * page * device_to_target_;
}

double GdiPlayer::PenScale() const {
  const QTransform t = LogicalToTarget();
  return std::sqrt(std::fabs(t.determinant()));
}

QPen GdiPlayer::MakePen() const {
  const uint32_t style = dc_.pen.style & 0x0F;
  if (style == 5) return QPen(Qt::NoPen);
  QPen pen(ColorRef(dc_.pen.colour));
  const double width = dc_.pen.width * PenScale();
  if (width <= 1.0 || !Finite(width)) {
    pen.setCosmetic(true);
    pen.setWidth(1);
    pen.setCapStyle(Qt::FlatCap);
  } else {
    pen.setWidthF(std::min(width, 1e5));
    const uint32_t cap = dc_.pen.style & 0xF00;
    pen.setCapStyle(cap == 0x100 ? Qt::SquareCap : cap == 0x200 ? Qt::FlatCap : Qt::RoundCap);
    const uint32_t join = dc_.pen.style & 0xF000;
    pen.setJoinStyle(join == 0x1000   ? Qt::BevelJoin
                     : join == 0x2000 ? Qt::MiterJoin
                                      : Qt::RoundJoin);
  }
  switch (style) {
    case 1:
      pen.setStyle(Qt::DashLine);
      break;
    case 2:
      pen.setStyle(Qt::DotLine);
      break;
    case 3:
      pen.setStyle(Qt::DashDotLine);
      break;
    case 4:
      pen.setStyle(Qt::DashDotDotLine);
      break;
    default:
      break;
  }
  return pen;
}

QBrush GdiPlayer::MakeBrush() const {
  switch (dc_.brush.style) {
    case 0:
      return QBrush(dc_.brush.color);
    case 1:
      return QBrush(Qt::NoBrush);
    case 2:
      return QBrush(dc_.brush.color, HatchStyle(dc_.brush.hatch));
    default:
      if (!dc_.brush.pattern.isNull()) return QBrush(dc_.brush.pattern);
      return QBrush(dc_.brush.color);
  }
}

void GdiPlayer::DrawTarget(const QPainterPath& target, bool fill, bool stroke) {
  if (fill) {
    const QBrush brush = MakeBrush();
    if (brush.style() != Qt::NoBrush) {
      // Hatches leave gaps that an opaque background mode fills with the background colour.
      if (dc_.brush.style == 2 && dc_.bk_mode == kOpaque) painter_.fillPath(target, dc_.bk_color);
      painter_.fillPath(target, brush);
    }
  }
  if (stroke) {
    const QPen pen = MakePen();
    if (pen.style() != Qt::NoPen) painter_.strokePath(target, pen);
  }
}

void GdiPlayer::Emit(const QPainterPath& logical, bool fill, bool stroke) {
  const QTransform t = LogicalToTarget();
  if (!Usable(t)) return;
  QPainterPath mapped = t.map(logical);
  mapped.setFillRule(dc_.poly_fill_mode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
  if (in_path_) {
    path_.addPath(mapped);
    return;
  }
  DrawTarget(mapped, fill, stroke);
}

void GdiPlayer::LineTo(Point point) {
  const QPointF p = Q(point);
  QPainterPath path(dc_.position);
  path.lineTo(p);
  dc_.position = p;
  Emit(path, false, true);
}

void GdiPlayer::Polyline(const std::vector<Point>& given, bool from_current) {
  const QPolygonF points = Q(given);
  if (points.isEmpty()) return;
  QPainterPath path;
  if (from_current) {
    path.moveTo(dc_.position);
    for (const QPointF& p : points) path.lineTo(p);
    dc_.position = points.back();
  } else {
    if (points.size() < 2) return;
    path.addPolygon(points);
  }
  Emit(path, false, true);
}

void GdiPlayer::Polygon(const std::vector<Point>& given) {
  const QPolygonF points = Q(given);
  if (points.size() < 2) return;
  QPainterPath path;
  path.addPolygon(points);
  path.closeSubpath();
  Emit(path, true, true);
}

void GdiPlayer::PolyPolygon(const std::vector<std::vector<Point>>& polygons) {
  QPainterPath path;
  for (const std::vector<Point>& given : polygons) {
    const QPolygonF poly = Q(given);
    if (poly.size() < 2) continue;
    path.addPolygon(poly);
    path.closeSubpath();
  }
  Emit(path, true, true);
}

void GdiPlayer::PolyPolyline(const std::vector<std::vector<Point>>& lines) {
  QPainterPath path;
  for (const std::vector<Point>& given : lines) {
    const QPolygonF line = Q(given);
    if (line.size() >= 2) path.addPolygon(line);
  }
  Emit(path, false, true);
}

void GdiPlayer::PolyBezier(const std::vector<Point>& given, bool from_current) {
  const QPolygonF points = Q(given);
  QPainterPath path;
  qsizetype i = 0;
  if (from_current) {
    path.moveTo(dc_.position);
  } else {
    if (points.isEmpty()) return;
    path.moveTo(points[0]);
    i = 1;
  }
  for (; i + 2 < points.size(); i += 3) path.cubicTo(points[i], points[i + 1], points[i + 2]);
  if (from_current && !points.isEmpty()) dc_.position = path.currentPosition();
  Emit(path, false, true);
}

void GdiPlayer::Rectangle(const Rect& given) {
  const QRectF box = Q(given);
  QPainterPath path;
  path.addRect(box.normalized());
  Emit(path, true, true);
}

void GdiPlayer::RoundRect(const Rect& given, double corner_width, double corner_height) {
  const QRectF box = Q(given);
  const QSizeF corner(corner_width, corner_height);
  QPainterPath path;
  path.addRoundedRect(box.normalized(), std::fabs(corner.width()) / 2,
                      std::fabs(corner.height()) / 2);
  Emit(path, true, true);
}

void GdiPlayer::Ellipse(const Rect& given) {
  const QRectF box = Q(given);
  QPainterPath path;
  path.addEllipse(box.normalized());
  Emit(path, true, true);
}

void GdiPlayer::ArcShape(ArcKind kind, const Rect& given, Point start_point, Point end_point,
                         bool arc_to) {
  const QRectF box = Q(given).normalized();
  const QPointF start = Q(start_point);
  const QPointF end = Q(end_point);
  const double a0 = RimAngle(box, start);
  const double a1 = RimAngle(box, end);
  double sweep = a1 - a0;
  if (dc_.arc_clockwise) {
    while (sweep >= 0) sweep -= 360;
  } else {
    while (sweep <= 0) sweep += 360;
  }
  QPainterPath path;
  if (kind == ArcKind::kPie) {
    path.moveTo(box.center());
    path.arcTo(box, a0, sweep);
    path.closeSubpath();
  } else {
    if (arc_to) {
      path.moveTo(dc_.position);
      path.arcTo(box, a0, sweep);
    } else {
      path.arcMoveTo(box, a0);
      path.arcTo(box, a0, sweep);
    }
    if (kind == ArcKind::kChord) path.closeSubpath();
  }
  if (arc_to) dc_.position = path.currentPosition();
  Emit(path, kind != ArcKind::kArc, true);
}

void GdiPlayer::SetPixel(Point point, ColourRef colour_ref) {
  const QPointF p = Q(point);
  const QColor colour = ColorRef(colour_ref);
  const QTransform t = LogicalToTarget();
  if (!Usable(t)) return;
  const QPointF d = t.map(p);
  painter_.fillRect(QRectF(std::floor(d.x()), std::floor(d.y()), 1, 1), colour);
}

void GdiPlayer::Text(Point reference_point, const std::u16string& given, uint32_t options,
                     const Rect* given_rect, const std::vector<double>& dx) {
  QPointF reference = Q(reference_point);
  const QString text = QString::fromStdU16String(given);
  const QRectF rect_value = given_rect != nullptr ? Q(*given_rect) : QRectF();
  const QRectF* rect = given_rect != nullptr ? &rect_value : nullptr;
  const QTransform t = LogicalToTarget();
  if (!Usable(t)) return;
  const bool update_cp = dc_.text_align & 1;
  if (update_cp) reference = dc_.position;
  // ETO_OPAQUE fills the rectangle, ETO_CLIPPED clips to it.
  if (rect != nullptr && (options & 2)) {
    QPainterPath box;
    box.addRect(rect->normalized());
    painter_.fillPath(t.map(box), dc_.bk_color);
  }
  if (text.isEmpty()) return;

  const double scale_y = std::sqrt(t.m21() * t.m21() + t.m22() * t.m22());
  const double scale_x = std::sqrt(t.m11() * t.m11() + t.m12() * t.m12());
  double pixels = dc_.font.height == 0 ? 12 * scale_y : std::fabs(dc_.font.height) * scale_y;
  if (dc_.font.height > 0) pixels *= 0.8;  // a cell height includes the internal leading
  if (!Finite(pixels)) return;
  pixels = std::clamp(pixels, 1.0, 4096.0);
  QFont font(dc_.font.face.empty() ? QStringLiteral("Sans Serif")
                                   : QString::fromStdU16String(dc_.font.face));
  font.setPixelSize(static_cast<int>(std::lround(pixels)));
  font.setWeight(static_cast<QFont::Weight>(std::clamp(dc_.font.weight / 10 * 10, 100, 900)));
  font.setItalic(dc_.font.italic);
  font.setUnderline(dc_.font.underline);
  font.setStrikeOut(dc_.font.strikeout);
  const QFontMetricsF metrics(font);

  // Advances in device pixels: the file's own when given, else the font's.
  std::vector<double> advance(static_cast<size_t>(text.size()));
  double total = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const double a = static_cast<size_t>(i) < dx.size() ? dx[static_cast<size_t>(i)] * scale_x
                                                        : metrics.horizontalAdvance(text[i]);
    advance[static_cast<size_t>(i)] = Finite(a) ? a : 0;
    total += advance[static_cast<size_t>(i)];
  }
  double x0 = 0;
  switch (dc_.text_align & 6) {
    case 2:
      x0 = -total;
      break;  // right
    case 6:
      x0 = -total / 2;
      break;  // centre
    default:
      break;
  }
  double baseline = metrics.ascent();  // top
  switch (dc_.text_align & 24) {
    case 8:
      baseline = -metrics.descent();
      break;  // bottom
    case 24:
      baseline = 0;
      break;  // baseline
    default:
      break;
  }
  const QPointF origin = t.map(reference);
  painter_.save();
  if (rect != nullptr && (options & 4)) {
    QPainterPath box;
    box.addRect(rect->normalized());
    painter_.setClipPath(t.map(box), painter_.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
  }
  painter_.translate(origin);
  if (dc_.font.escapement != 0) painter_.rotate(-dc_.font.escapement / 10.0);
  if (dc_.bk_mode == kOpaque && !(rect != nullptr && (options & 2))) {
    painter_.fillRect(QRectF(x0, baseline - metrics.ascent(), total, metrics.height()),
                      dc_.bk_color);
  }
  painter_.setFont(font);
  painter_.setPen(dc_.text_color);
  double x = x0;
  if (dx.empty()) {
    painter_.drawText(QPointF(x, baseline), text);
  } else {
    for (qsizetype i = 0; i < text.size(); ++i) {
      painter_.drawText(QPointF(x, baseline), QString(text[i]));
      x += advance[static_cast<size_t>(i)];
    }
  }
  painter_.restore();
  if (update_cp) {
    const QTransform inverse = t.inverted();
    dc_.position = inverse.map(origin + QPointF(total, 0));
  }
}

namespace {
QPainter::CompositionMode RopMode(uint32_t rop) {
  switch (rop) {
    case 0x008800C6:
      return QPainter::RasterOp_SourceAndDestination;  // SRCAND
    case 0x00EE0086:
      return QPainter::RasterOp_SourceOrDestination;  // SRCPAINT
    case 0x00660046:
      return QPainter::RasterOp_SourceXorDestination;  // SRCINVERT
    case 0x00440328:
      return QPainter::RasterOp_SourceAndNotDestination;  // SRCERASE
    case 0x00330008:
      return QPainter::RasterOp_NotSource;  // NOTSRCCOPY
    case 0x001100A6:
      return QPainter::RasterOp_NotSourceAndNotDestination;  // NOTSRCERASE
    case 0x00BB0226:
      return QPainter::RasterOp_NotSourceOrDestination;  // MERGEPAINT
    default:
      return QPainter::CompositionMode_SourceOver;
  }
}
}  // namespace

void GdiPlayer::Image(const Rect& given_dest, const picture::Bitmap* bitmap, const Rect& given_source,
                      uint32_t rop) {
  const QRectF dest = Q(given_dest);
  const QRectF source = Q(given_source);
  if (bitmap == nullptr || source.width() <= 0 || source.height() <= 0) return;
  if (dest.width() == 0 || dest.height() == 0) return;
  const QTransform t = LogicalToTarget();
  if (!Usable(t)) return;
  if (rop == 0x00AA0029) return;  // leaves the destination as it is
  // Maps the source rectangle onto the destination, mirrored when the destination is.
  const QTransform place =
      QTransform::fromTranslate(dest.x(), dest.y())
          .scale(dest.width() / source.width(), dest.height() / source.height())
          .translate(-source.x(), -source.y());
  const QTransform full = place * t;
  if (!Usable(full)) return;
  if (in_path_) return;
  const QImage image = ToImage(*bitmap);
  if (image.isNull()) return;
  painter_.save();
  painter_.setTransform(full);
  painter_.setCompositionMode(RopMode(rop));
  painter_.drawImage(source, image, source);
  painter_.restore();
}

void GdiPlayer::PatBlt(const Rect& given, uint32_t rop) {
  const QRectF dest = Q(given);
  const QTransform t = LogicalToTarget();
  if (!Usable(t) || in_path_) return;
  QPainterPath box;
  box.addRect(dest.normalized());
  const QPainterPath target = t.map(box);
  switch (rop) {
    case 0x00000042:
      painter_.fillPath(target, Qt::black);
      break;  // BLACKNESS
    case 0x00FF0062:
      painter_.fillPath(target, Qt::white);
      break;          // WHITENESS
    case 0x00550009:  // DSTINVERT
      painter_.save();
      painter_.setCompositionMode(QPainter::RasterOp_NotDestination);
      painter_.fillPath(target, Qt::white);
      painter_.restore();
      break;
    case 0x005A0049:  // PATINVERT
      painter_.save();
      painter_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      painter_.fillPath(target, MakeBrush());
      painter_.restore();
      break;
    default:
      DrawTarget(target, true, false);
      break;  // PATCOPY and the rest
  }
}

void GdiPlayer::BeginPath() {
  in_path_ = true;
  path_ = QPainterPath();
}

void GdiPlayer::AbortPath() {
  in_path_ = false;
  path_ = QPainterPath();
}

void GdiPlayer::CloseFigure() {
  if (in_path_) path_.closeSubpath();
}

void GdiPlayer::FillPath() {
  in_path_ = false;
  path_.setFillRule(dc_.poly_fill_mode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
  DrawTarget(path_, true, false);
  path_ = QPainterPath();
}

void GdiPlayer::StrokePath() {
  in_path_ = false;
  DrawTarget(path_, false, true);
  path_ = QPainterPath();
}

void GdiPlayer::StrokeAndFillPath() {
  in_path_ = false;
  path_.setFillRule(dc_.poly_fill_mode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
  DrawTarget(path_, true, true);
  path_ = QPainterPath();
}

void GdiPlayer::SelectClipPath(int mode) {
  in_path_ = false;
  path_.setFillRule(dc_.poly_fill_mode == 2 ? Qt::WindingFill : Qt::OddEvenFill);
  CombineTargetClip(path_, mode);
  path_ = QPainterPath();
}

void GdiPlayer::ApplyClip() {
  if (dc_.clip) {
    painter_.setClipPath(*dc_.clip);
  } else {
    painter_.setClipping(false);
  }
}

void GdiPlayer::CombineTargetClip(const QPainterPath& target, int mode) {
  QPainterPath everything;
  everything.addRect(QRectF(-1e6, -1e6, 2e6, 2e6));
  const QPainterPath current = dc_.clip ? *dc_.clip : everything;
  switch (mode) {
    case 1:
      dc_.clip = current.intersected(target);
      break;
    case 2:
      dc_.clip = dc_.clip ? current.united(target) : everything;
      break;
    case 3:
      dc_.clip = current.united(target).subtracted(current.intersected(target));
      break;
    case 4:
      dc_.clip = current.subtracted(target);
      break;
    case 5:
      dc_.clip = target;
      break;
    default:
      return;
  }
  ApplyClip();
}

void GdiPlayer::IntersectClipRect(const Rect& given) {
  const QRectF box = Q(given);
  const QTransform t = LogicalToTarget();
  if (!Usable(t)) return;
  QPainterPath path;
  path.addRect(box.normalized());
  CombineTargetClip(t.map(path), 1);
}

void GdiPlayer::ExcludeClipRect(const Rect& given) {
  const QRectF box = Q(given);
  const QTransform t = LogicalToTarget();
  if (!Usable(t)) return;
  QPainterPath path;
  path.addRect(box.normalized());
  CombineTargetClip(t.map(path), 4);
}

void GdiPlayer::CombineClip(const std::vector<Rect>& rects, int mode) {
  QPainterPath device_region;
  for (const Rect& r : rects) device_region.addRect(Q(r));
  if (mode == 5 && device_region.isEmpty()) {
    ResetClip();
    return;
  }
  CombineTargetClip(device_to_target_.map(device_region), mode);
}

void GdiPlayer::ResetClip() {
  dc_.clip.reset();
  ApplyClip();
}

}  // namespace vr::metafile
