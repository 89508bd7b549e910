#pragma once
// The printer over QPrinter: the system's default queue (CUPS on Linux) or a PDF file. The setup
// and print dialogs are Qt's (the print dialog offers printing to a file); a test or the tool
// answers them through `answer_dialogs` instead.

#include <QPainter>
#include <QPrinter>
#include <functional>
#include <memory>
#include <string>

#include "platform/printer.h"

class QWidget;

namespace vr::platform {

struct PdfPaper {
  std::string file;
  bool letter = true;     // Letter, else A4
  int dpi = 300;
  double margin_inches = 0.25;  // on every side
};

class PrinterQt : public Printer {
 public:
  // The system's default printer.
  explicit PrinterQt(QWidget* dialog_parent = nullptr);
  // A PDF file of the given paper.
  explicit PrinterQt(const PdfPaper& paper, QWidget* dialog_parent = nullptr);
  ~PrinterQt() override;

  bool Present() const override;
  bool Geometry(PrinterGeometry* geometry) const override;
  PageOrientation Orientation() const override;
  void SetOrientation(PageOrientation orientation) override;
  bool SetupDialog() override;
  bool PrintDialog() override;
  bool BeginDocument(const std::string& title) override;
  bool NewPage() override;
  bool EndDocument() override;
  void Abort() override;
  bool Printing() const override { return painter_ != nullptr && painter_->isActive(); }
  void BeginBatch() override;
  bool EndBatch() override;

  // Answers the dialogs without showing them (true for OK): `setup` tells which one.
  std::function<bool(bool setup)> answer_dialogs;

  // The painter of the document being printed (null outside a document); its origin is the top
  // left of the printable area.
  QPainter* painter() { return Printing() ? painter_.get() : nullptr; }
  QPrinter& qprinter() { return *printer_; }
  // Points the output at a PDF file (the print dialog's "print to file" does the same).
  void SetPdfOutput(const std::string& file);
  // Prints to the named queue of the system's printers instead of the default one.
  void SetQueue(const std::string& queue);

 private:
  bool ToFile() const;

  std::unique_ptr<QPrinter> printer_;
  std::unique_ptr<QPainter> painter_;
  QWidget* parent_ = nullptr;
  int batch_depth_ = 0;
  bool batch_open_ = false;  // a batch document is open in the painter
  bool failed_ = false;
};

}  // namespace vr::platform
