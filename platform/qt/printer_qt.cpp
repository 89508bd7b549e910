#include "platform/qt/printer_qt.h"

#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinterInfo>

namespace vr::platform {

PrinterQt::PrinterQt(QWidget* dialog_parent)
    : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)), parent_(dialog_parent) {
  printer_->setFullPage(false);
}

PrinterQt::PrinterQt(const PdfPaper& paper, QWidget* dialog_parent)
    : printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)), parent_(dialog_parent) {
  printer_->setOutputFormat(QPrinter::PdfFormat);
  printer_->setOutputFileName(QString::fromStdString(paper.file));
  printer_->setResolution(paper.dpi);
  printer_->setPageSize(QPageSize(paper.letter ? QPageSize::Letter : QPageSize::A4));
  const qreal m = paper.margin_inches;
  printer_->setPageMargins(QMarginsF(m, m, m, m), QPageLayout::Inch);
  printer_->setFullPage(false);
}

PrinterQt::~PrinterQt() {
  if (painter_ != nullptr && painter_->isActive()) painter_->end();
}

bool PrinterQt::ToFile() const { return !printer_->outputFileName().isEmpty(); }

void PrinterQt::SetPdfOutput(const std::string& file) {
  printer_->setOutputFormat(QPrinter::PdfFormat);
  printer_->setOutputFileName(QString::fromStdString(file));
}

void PrinterQt::SetQueue(const std::string& queue) {
  printer_->setOutputFileName(QString());
  printer_->setOutputFormat(QPrinter::NativeFormat);
  printer_->setPrinterName(QString::fromStdString(queue));
}

bool PrinterQt::Present() const {
  if (ToFile()) return true;
  if (!printer_->isValid()) return false;
  return !printer_->printerName().isEmpty() || !QPrinterInfo::defaultPrinter().isNull();
}

bool PrinterQt::Geometry(PrinterGeometry* geometry) const {
  if (!Present()) return false;
  const QRectF page = printer_->pageRect(QPrinter::DevicePixel);
  const QRectF paper = printer_->paperRect(QPrinter::DevicePixel);
  if (page.width() < 1 || page.height() < 1) return false;
  geometry->page_width = static_cast<int>(page.width());
  geometry->page_height = static_cast<int>(page.height());
  geometry->physical_width = static_cast<int>(paper.width());
  geometry->physical_height = static_cast<int>(paper.height());
  geometry->offset_x = static_cast<int>(page.left() - paper.left());
  geometry->offset_y = static_cast<int>(page.top() - paper.top());
  geometry->dpi_x = printer_->logicalDpiX();
  geometry->dpi_y = printer_->logicalDpiY();
  return true;
}

PageOrientation PrinterQt::Orientation() const {
  return printer_->pageLayout().orientation() == QPageLayout::Landscape
             ? PageOrientation::kLandscape
             : PageOrientation::kPortrait;
}

void PrinterQt::SetOrientation(PageOrientation orientation) {
  printer_->setPageOrientation(orientation == PageOrientation::kLandscape ? QPageLayout::Landscape
                                                                          : QPageLayout::Portrait);
}

bool PrinterQt::SetupDialog() {
  if (answer_dialogs) return answer_dialogs(true);
  QPageSetupDialog dialog(printer_.get(), parent_);
  return dialog.exec() == QDialog::Accepted;
}

bool PrinterQt::PrintDialog() {
  if (answer_dialogs) return answer_dialogs(false);
  QPrintDialog dialog(printer_.get(), parent_);
  return dialog.exec() == QDialog::Accepted;
}

bool PrinterQt::BeginDocument(const std::string& title) {
  failed_ = false;
  if (batch_open_ && painter_ != nullptr && painter_->isActive()) {
    // The next document of a batch into one file: a new page of the open one.
    batch_open_ = false;
    return printer_->newPage();
  }
  printer_->setDocName(QString::fromStdString(title));
  painter_ = std::make_unique<QPainter>();
  if (!painter_->begin(printer_.get())) {
    painter_.reset();
    failed_ = true;
    return false;
  }
  return true;
}

bool PrinterQt::NewPage() {
  if (!Printing()) return false;
  return printer_->newPage();
}

bool PrinterQt::EndDocument() {
  if (!Printing()) return false;
  if (batch_depth_ > 0 && ToFile()) {
    batch_open_ = true;
    return true;
  }
  const bool ok = painter_->end();
  painter_.reset();
  return ok && printer_->printerState() != QPrinter::Error;
}

void PrinterQt::Abort() {
  if (painter_ == nullptr) return;
  printer_->abort();
  if (painter_->isActive()) painter_->end();
  painter_.reset();
  batch_open_ = false;
}

void PrinterQt::BeginBatch() { ++batch_depth_; }

bool PrinterQt::EndBatch() {
  if (batch_depth_ > 0) --batch_depth_;
  if (batch_depth_ > 0 || !batch_open_) return true;
  batch_open_ = false;
  const bool ok = painter_ != nullptr && painter_->end();
  painter_.reset();
  return ok;
}

}  // namespace vr::platform
