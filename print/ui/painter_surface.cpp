#include "print/ui/painter_surface.h"

#include <QFontMetrics>
#include <QTextOption>

#include "picture/ui/qimage_bridge.h"

namespace vr::print::ui {

PainterSurface::PainterSurface(QPainter& painter, int width, int height, QFont font)
    : painter_(painter), width_(width), height_(height), font_(std::move(font)) {
  painter_.setFont(font_);
  painter_.setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter_.setRenderHint(QPainter::Antialiasing, false);
}

void PainterSurface::Clear() { painter_.fillRect(0, 0, width_, height_, Qt::white); }

void PainterSurface::StretchBitmap(const picture::Bitmap& bitmap, const PageRect& rect) {
  if (bitmap.Empty() || rect.Width() <= 0 || rect.Height() <= 0) return;
  const QImage image = picture::BitmapToQImage(bitmap);
  painter_.drawImage(QRect(rect.left, rect.top, rect.Width(), rect.Height()), image);
}

void PainterSurface::Frame(const PageRect& rect, bool doubled) {
  // Edge pixels filled one by one as rectangles, so the frame lands on exact device pixels.
  for (int inset = 0; inset < (doubled ? 2 : 1); ++inset) {
    const int l = rect.left + inset;
    const int t = rect.top + inset;
    const int w = rect.Width() - 2 * inset;
    const int h = rect.Height() - 2 * inset;
    if (w <= 0 || h <= 0) return;
    painter_.fillRect(l, t, w, 1, Qt::black);
    painter_.fillRect(l, t + h - 1, w, 1, Qt::black);
    painter_.fillRect(l, t, 1, h, Qt::black);
    painter_.fillRect(l + w - 1, t, 1, h, Qt::black);
  }
}

void PainterSurface::Caption(const PageRect& rect, const std::string& text, Ellipsis ellipsis) {
  if (rect.Width() <= 0 || rect.Height() <= 0) return;
  const QRect box(rect.left, rect.top, rect.Width(), rect.Height());
  const QString q = QString::fromStdString(text);
  const QFontMetrics metrics(painter_.font(), painter_.device());
  const QRect needed = metrics.boundingRect(box, Qt::TextWordWrap | Qt::AlignLeft, q);
  painter_.setPen(Qt::black);
  if (needed.width() <= box.width() && needed.height() <= box.height()) {
    painter_.drawText(box, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, q);
    return;
  }
  // What does not fit on the lines there are ends in an ellipsis: a path loses its middle.
  const int lines = std::max(1, box.height() / std::max(1, metrics.lineSpacing()));
  const QString shown = metrics.elidedText(
      q, ellipsis == Ellipsis::kMiddleOfPath ? Qt::ElideMiddle : Qt::ElideRight,
      box.width() * lines - metrics.averageCharWidth() * (lines - 1));
  painter_.drawText(box, Qt::TextWrapAnywhere | Qt::AlignLeft | Qt::AlignTop, shown);
}

namespace {

// `font`, made smaller when needed so that a line of it is at most `height` pixels on `device`.
QFont FontForLines(const QFont& font, QPaintDevice* device, int height) {
  QFont fitted = font;
  int line = QFontMetrics(fitted, device).height();
  if (line <= height) return fitted;
  // Pixel sizes are device pixels here; start from the line height and step down.
  for (int pixels = line - 1; pixels > 1; --pixels) {
    fitted.setPixelSize(pixels);
    if (QFontMetrics(fitted, device).height() <= height) return fitted;
  }
  fitted.setPixelSize(1);
  return fitted;
}

// A note as one line: breaks and tabs read as spaces.
QString OneLine(const std::string& text) {
  QString line = QString::fromStdString(text);
  for (QChar& c : line) {
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  }
  return line.trimmed();
}

}  // namespace

void PainterSurface::NotedCaption(const PageRect& rect, const std::string& name,
                                  const std::string& note, Ellipsis ellipsis) {
  if (rect.Width() <= 0 || rect.Height() <= 0) return;
  const int first_height = rect.Height() / 2;
  const int second_height = rect.Height() - first_height;
  if (first_height <= 0) {
    Caption(rect, name, ellipsis);
    return;
  }
  const QFont saved = painter_.font();
  const QFont font = FontForLines(saved, painter_.device(), first_height);
  painter_.setFont(font);
  painter_.setPen(Qt::black);
  const QFontMetrics metrics(font, painter_.device());
  const QRect first(rect.left, rect.top, rect.Width(), first_height);
  const QRect second(rect.left, rect.top + first_height, rect.Width(), second_height);
  const Qt::TextElideMode name_mode =
      ellipsis == Ellipsis::kMiddleOfPath ? Qt::ElideMiddle : Qt::ElideRight;
  const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
  painter_.drawText(first, flags,
                    metrics.elidedText(OneLine(name), name_mode, first.width()));
  painter_.drawText(second, flags,
                    metrics.elidedText(OneLine(note), Qt::ElideRight, second.width()));
  painter_.setFont(saved);
}

int PainterSurface::FontHeight() const {
  return QFontMetrics(painter_.font(), painter_.device()).height();
}

namespace {

QFont FileCaptionFont() {
  QFont font;
  font.setPixelSize(kFileFontPixels);
  return font;
}

}  // namespace

BitmapSurface::BitmapSurface(picture::Bitmap& page)
    : image_(page.Data(), page.Width(), page.Height(), static_cast<qsizetype>(page.Stride()),
             QImage::Format_BGR888) {
  painter_.begin(&image_);
  surface_ = std::make_unique<PainterSurface>(painter_, page.Width(), page.Height(),
                                              FileCaptionFont());
}

BitmapSurface::~BitmapSurface() {
  surface_.reset();
  painter_.end();
}

BitmapSurfaceMaker MakeBitmapSurfaces() {
  return [](picture::Bitmap& page) -> std::unique_ptr<PageSurface> {
    return std::make_unique<BitmapSurface>(page);
  };
}

QFont PrinterCaptionFont() {
  QFont font;
  font.setPointSize(8);
  return font;
}

int PrinterFontHeight(platform::PrinterQt* printer) {
  if (printer != nullptr && printer->Present()) {
    return QFontMetrics(PrinterCaptionFont(), &printer->qprinter()).height();
  }
  // The fallback page is 300 dots per inch.
  QImage probe(1, 1, QImage::Format_RGB32);
  probe.setDotsPerMeterX(11811);
  probe.setDotsPerMeterY(11811);
  return QFontMetrics(PrinterCaptionFont(), &probe).height();
}

PageSurface* PrinterDevice::BeginDocument(const std::string& title) {
  if (!printer_.BeginDocument(title) || printer_.painter() == nullptr) return nullptr;
  platform::PrinterGeometry g;
  if (!printer_.Geometry(&g)) return nullptr;
  surface_ = std::make_unique<PainterSurface>(*printer_.painter(), g.page_width, g.page_height,
                                              PrinterCaptionFont());
  return surface_.get();
}

bool PrinterDevice::EndDocument() {
  surface_.reset();
  return printer_.EndDocument();
}

void PrinterDevice::Abort() {
  surface_.reset();
  printer_.Abort();
}

TCatalogData PrinterCatalogPage(const platform::Printer* printer) {
  platform::PrinterGeometry g;
  if (printer == nullptr || !printer->Geometry(&g)) return FallbackPrinterPage();
  return TCatalogData{g.physical_width, g.physical_height, g.offset_x, g.offset_y, true};
}

}  // namespace vr::print::ui
