#pragma once
// Output of catalogue pages: each chosen page built and either printed as one page of the
// "Veldrimon-Thumb Catalog" document or saved as a page file (name + "_" + number + extension),
// with the please-wait texts, the stop button's question and the error messages.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "platform/please_wait.h"
#include "platform/ui.h"
#include "print/catalog_layout.h"
#include "print/catalog_pages.h"

namespace vr::print {

// A document on the printer whose pages are drawn through a page surface.
class PrintDevice {
 public:
  virtual ~PrintDevice() = default;
  // The surface of the document's first page; null on a printer failure.
  virtual PageSurface* BeginDocument(const std::string& title) = 0;
  virtual bool NewPage() = 0;
  virtual bool EndDocument() = 0;
  virtual void Abort() = 0;
};

// Makes a surface that draws on a 24-bit page Bitmap.
using BitmapSurfaceMaker = std::function<std::unique_ptr<PageSurface>(picture::Bitmap& page)>;

struct CatalogOutputServices {
  platform::Ui* ui = nullptr;                  // required
  platform::PleaseWait* please_wait = nullptr; // optional
  platform::MessagePump* pump = nullptr;       // optional
  PrintDevice* printer = nullptr;              // paper
  BitmapSurfaceMaker bitmap_surface;           // page files
  // Writes a page file; the default is the export's SavePictureAs (BMP or JPEG by extension).
  std::function<bool(const std::string& path, const picture::Bitmap& page)> save;
};

struct CatalogOutputRequest {
  const std::vector<CatalogEntry>* entries = nullptr;
  TCatalogData page;
  LayoutParams params;
  std::vector<PageJob> jobs;
  std::string file_name;  // page files: the name chosen in the save dialog
  bool notes_in_captions = false;
};

struct CatalogOutputResult {
  int pages_done = 0;
  bool cancelled = false;
  bool failed = false;  // a layout or printer error (its message has been shown)
  std::vector<std::string> files;  // page files written
};

CatalogOutputResult OutputCatalog(const CatalogOutputRequest& request,
                                  const CatalogOutputServices& services);

// The checks before page files are written: the extension (information and false when it is not
// ".BMP" or ".JPG") and, when page files of that name may exist, the overwrite question (false
// unless answered Yes).
bool CheckCatalogFileName(platform::Ui& ui, const std::string& chosen);

}  // namespace vr::print
