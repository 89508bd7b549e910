#include "print/ui/picture_print.h"

#include <QPainter>
#include <algorithm>

#include "picture/ui/qimage_bridge.h"
#include "print/ui/painter_surface.h"

namespace vr::print::ui {

PageMetrics PrinterPage(const platform::Printer* printer, bool* fallback) {
  platform::PrinterGeometry g;
  if (printer != nullptr && printer->Geometry(&g)) {
    *fallback = false;
    return PageMetrics{g.page_width, g.page_height, g.dpi_x, g.dpi_y};
  }
  *fallback = true;
  return FallbackPage();
}

PrintOutcome PrintPicture(platform::PrinterQt& printer, const picture::Bitmap& bitmap,
                          const std::string& title, const PrintOptions& options,
                          platform::Ui& ui) {
  bool fallback = false;
  const PageMetrics page = PrinterPage(&printer, &fallback);
  if (fallback) {
    ui.Information(kNoPrinterMessage);
    return PrintOutcome::kNoPrinter;
  }
  const PlacedPicture placed = PlacePicture(bitmap.Width(), bitmap.Height(), page, options);
  if (placed.no_room) {
    ui.Information(kNoRoomMessage);
    return PrintOutcome::kNoRoom;
  }
  if (!printer.BeginDocument(title) || printer.painter() == nullptr) {
    ui.Information(kNoPrinterMessage);
    return PrintOutcome::kNoPrinter;
  }
  PainterSurface surface(*printer.painter(), page.width, page.height, PrinterCaptionFont());
  surface.StretchBitmap(bitmap, {placed.left, placed.top, placed.right, placed.bottom});
  if (!printer.EndDocument()) {
    ui.Information(kNoPrinterMessage);
    return PrintOutcome::kNoPrinter;
  }
  return PrintOutcome::kPrinted;
}

namespace {
constexpr int kFrame = 4;
constexpr int kCaptionHeight = 24;
}  // namespace

TPrintPreview::TPrintPreview(const picture::Bitmap& bitmap, const std::string& name,
                             const PageMetrics& page, const PlacedPicture& placed, QSize screen,
                             QWidget* parent)
    : QWidget(parent, Qt::Window) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QString::fromStdString("Preview: " + name));
  // The page scaled into half the screen, whichever side limits.
  const double fw = page.width / std::max(1.0, screen.width() / 2.0 - kFrame - 2);
  const double fh =
      page.height / std::max(1.0, (screen.height() - kCaptionHeight) / 2.0 - kFrame - 2);
  f_ = std::max({fw, fh, 1e-6});
  const int w = std::max(1, static_cast<int>(page.width / f_));
  const int h = std::max(1, static_cast<int>(page.height / f_));
  page_ = QImage(w, h, QImage::Format_RGB32);
  page_.fill(Qt::white);
  if (!placed.no_room && !bitmap.Empty()) {
    QPainter painter(&page_);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    const QRectF target(placed.left / f_, placed.top / f_, (placed.right - placed.left) / f_,
                        (placed.bottom - placed.top) / f_);
    painter.drawImage(target, picture::BitmapToQImage(bitmap));
  }
  setFixedSize(w, h);
}

void TPrintPreview::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, page_);
}

}  // namespace vr::print::ui
