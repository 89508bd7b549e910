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
