#pragma once
// The printer: whether one can be asked, its page in device pixels, its orientation, the setup and
// print dialogs, and documents made of pages. Users print to the system's queues; tests and the
// tool print to a PDF file of a given paper, resolution and margins. The drawing itself goes
// through the implementation's own surface (print/ui/ draws on the Qt printer with QPainter).

#include <string>

namespace vr::platform {

enum class PageOrientation { kPortrait, kLandscape };

// The page in device pixels. The printable area is page_width x page_height and starts at
// offset_x, offset_y of the physical page.
struct PrinterGeometry {
  int page_width = 0;
  int page_height = 0;
  int physical_width = 0;
  int physical_height = 0;
  int offset_x = 0;
  int offset_y = 0;
  int dpi_x = 0;
  int dpi_y = 0;
};

class Printer {
 public:
  virtual ~Printer() = default;

  // False when there is no printer to ask (geometry then falls back to the caller's page).
  virtual bool Present() const = 0;
  virtual bool Geometry(PrinterGeometry* geometry) const = 0;
  virtual PageOrientation Orientation() const = 0;
  virtual void SetOrientation(PageOrientation orientation) = 0;

  // The printer setup and print dialogs; false when cancelled or no printer can be set up.
  virtual bool SetupDialog() = 0;
  virtual bool PrintDialog() = 0;

  // A document with a title, its pages, and its end (false on a printer failure). Abort drops
  // what was sent of the document.
  virtual bool BeginDocument(const std::string& title) = 0;
  virtual bool NewPage() = 0;
  virtual bool EndDocument() = 0;
  virtual void Abort() = 0;
  virtual bool Printing() const = 0;

  // Documents between BeginBatch and EndBatch that go to one file are added to it page by page
  // instead of each replacing the one before (tagged printing into a PDF).
  virtual void BeginBatch() = 0;
  virtual bool EndBatch() = 0;
};

}  // namespace vr::platform
