#pragma once
// Printing one picture as the print options place it, and the print preview window that shows the
// page with the picture where it would print.

#include <QWidget>
#include <string>

#include "picture/bitmap.h"
#include "platform/qt/printer_qt.h"
#include "platform/ui.h"
#include "print/placement.h"

namespace vr::print::ui {

enum class PrintOutcome { kPrinted, kNoPrinter, kNoRoom };

// The page the printer reports, or the 2400 x 3150 page at 300 dpi (with `*fallback` set) when
// it cannot be asked.
PageMetrics PrinterPage(const platform::Printer* printer, bool* fallback);

// Prints `bitmap` as one document titled `title`, stretched into the rectangle the options give.
// The messages are shown here: "There is NO Default printer selected!" (after the question
// sound) for any printer failure, the no-room message when the margins leave no room.
PrintOutcome PrintPicture(platform::PrinterQt& printer, const picture::Bitmap& bitmap,
                          const std::string& title, const PrintOptions& options,
                          platform::Ui& ui);

// The print preview: a white page scaled to half the screen with the picture (and its palette)
// stretched into the scaled rectangle, captioned "Preview: " + name. Not modal; deletes itself
// when closed.
class TPrintPreview : public QWidget {
 public:
  TPrintPreview(const picture::Bitmap& bitmap, const std::string& name, const PageMetrics& page,
                const PlacedPicture& placed, QSize screen, QWidget* parent = nullptr);
  const QImage& page_image() const { return page_; }
  double scale() const { return f_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage page_;
  double f_ = 1.0;
};

}  // namespace vr::print::ui
