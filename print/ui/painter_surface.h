#pragma once
// Page surfaces over QPainter: the printer's page and 24-bit page Bitmaps (page files and the
// preview), and the printer as the catalogue's print device.

#include <QFont>
#include <QImage>
#include <QPainter>
#include <memory>

#include "picture/bitmap.h"
#include "platform/qt/printer_qt.h"
#include "print/catalog_output.h"
#include "print/page_surface.h"

namespace vr::print::ui {

// Draws on a painter whose origin is the top left of the page area (width x height).
class PainterSurface : public PageSurface {
 public:
  PainterSurface(QPainter& painter, int width, int height, QFont font);
  void Clear() override;
  void StretchBitmap(const picture::Bitmap& bitmap, const PageRect& rect) override;
  void Frame(const PageRect& rect, bool doubled) override;
  void Caption(const PageRect& rect, const std::string& text, Ellipsis ellipsis) override;
  void NotedCaption(const PageRect& rect, const std::string& name, const std::string& note,
                    Ellipsis ellipsis) override;
  int FontHeight() const override;

 private:
  QPainter& painter_;
  int width_;
  int height_;
  QFont font_;
};

// A surface over a 24-bit Bitmap (the Bitmap must outlive it); captions in a 12-pixel font.
class BitmapSurface : public PageSurface {
 public:
  explicit BitmapSurface(picture::Bitmap& page);
  ~BitmapSurface() override;
  void Clear() override { surface_->Clear(); }
  void StretchBitmap(const picture::Bitmap& bitmap, const PageRect& rect) override {
    surface_->StretchBitmap(bitmap, rect);
  }
  void Frame(const PageRect& rect, bool doubled) override { surface_->Frame(rect, doubled); }
  void Caption(const PageRect& rect, const std::string& text, Ellipsis ellipsis) override {
    surface_->Caption(rect, text, ellipsis);
  }
  void NotedCaption(const PageRect& rect, const std::string& name, const std::string& note,
                    Ellipsis ellipsis) override {
    surface_->NotedCaption(rect, name, note, ellipsis);
  }
  int FontHeight() const override { return surface_->FontHeight(); }

 private:
  QImage image_;
  QPainter painter_;
  std::unique_ptr<PainterSurface> surface_;
};

BitmapSurfaceMaker MakeBitmapSurfaces();

// The caption font on paper: 8 points at the printer's resolution.
QFont PrinterCaptionFont();
// Its height in pixels on `printer` (at 300 dpi when the printer cannot be asked).
int PrinterFontHeight(platform::PrinterQt* printer);

// The printer as the catalogue's print device.
class PrinterDevice : public PrintDevice {
 public:
  explicit PrinterDevice(platform::PrinterQt& printer) : printer_(printer) {}
  PageSurface* BeginDocument(const std::string& title) override;
  bool NewPage() override { return printer_.NewPage(); }
  bool EndDocument() override;
  void Abort() override;

 private:
  platform::PrinterQt& printer_;
  std::unique_ptr<PainterSurface> surface_;
};

// The catalogue page geometry of the printer, or the fallback page when it cannot be asked.
TCatalogData PrinterCatalogPage(const platform::Printer* printer);

}  // namespace vr::print::ui
