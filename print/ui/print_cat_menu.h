#pragma once
// TPrintCatMenu, "Print/Save - Catalog Of Tagged Files (Thumbnails)": rows, thumbnail shape,
// destination and pages of the catalogue of tagged files; the page count, a preview of any page
// (pointing at a cell names its file, a double click opens its large preview), and output to the
// printer, page files or a PDF file.

#include <QDialog>
#include <QImage>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt/printer_qt.h"
#include "platform/services.h"
#include "print/catalog_layout.h"
#include "print/catalog_pages.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace vr::lists {
class FilesList;
}

namespace vr::print::ui {

struct CatalogHost {
  platform::Services services;
  lists::FilesList* files = nullptr;
  platform::PrinterQt* printer = nullptr;
  // The settings' rows and shape: read when the window opens, written back when it closes.
  int* rows = nullptr;
  int* shape = nullptr;
  // Loads the file at a files-list position and opens its large preview window.
  std::function<void(int position)> open_preview;
};

// The seventh destination: the chosen pages into one PDF file at the printer's paper (not stored).
inline constexpr int kPdfDestination = 6;
inline constexpr const char* kCountingText = "Calculating Number Of Catalog Pages:";
inline constexpr const char* kSaveTitle = "Save catalog page(s) AS...";

class TCatalogPreview;

class TPrintCatMenu : public QDialog {
 public:
  explicit TPrintCatMenu(CatalogHost host, QWidget* parent = nullptr);
  ~TPrintCatMenu() override;

  // Counts the pages again (shown as "Total Pages:", bounding SEPageNum); gives the count.
  int CountPages();
  // Draws the current page into the preview.
  void BuildPreview();
  // "Print/Save Page(s)".
  void OutputPages();
  // The cell under a preview point (-1: none); the pointed name shows above the preview.
  int CellAt(QPoint point) const;
  void PointAt(QPoint point);
  void OpenCell(QPoint point);

  int page_count() const { return page_count_; }
  const std::vector<PreviewCell>& cells() const { return cells_; }
  const QImage& preview_image() const { return preview_image_; }
  bool busy() const { return busy_; }
  int passes() const { return passes_; }
  // What the window lays out: the tagged entries in list order.
  const std::vector<CatalogEntry>& entries() const { return entries_; }
  TCatalogPreview* preview_panel() const { return Preview; }

  QSpinBox* SERows = nullptr;
  std::array<QRadioButton*, 4> RGShape{};
  std::array<QRadioButton*, kDestinationCount + 1> RGDimension{};
  QRadioButton* RBAll = nullptr;
  QRadioButton* RBCurrentPage = nullptr;
  QRadioButton* RBPageRange = nullptr;
  QLineEdit* EPages = nullptr;
  QSpinBox* SEPageNum = nullptr;
  QCheckBox* CBPreview = nullptr;
  QCheckBox* CBNotes = nullptr;
  QLabel* LTotal = nullptr;
  QLabel* LPointed = nullptr;
  QPushButton* BSetup = nullptr;
  QPushButton* BPreview = nullptr;
  QPushButton* BOutput = nullptr;
  QPushButton* BExit = nullptr;

 protected:
  void done(int result) override;

 private:
  int Shape() const;
  int Destination() const;
  // The page and caption height of the destination (paper and PDF from the printer).
  TCatalogData PageData(platform::PrinterQt* printer, int* caption_height) const;
  LayoutParams Params(int caption_height) const;
  void Changed();
  void SetupClick();
  void Pump();

  CatalogHost host_;
  std::vector<CatalogEntry> entries_;
  std::vector<PreviewCell> cells_;
  QImage preview_image_;
  TCatalogPreview* Preview = nullptr;
  int page_count_ = 0;
  bool busy_ = false;
  int passes_ = 0;
  bool building_ = true;  // controls being set up: no recounts yet
};

// The preview panel: shows the page image, names the pointed cell, opens it on a double click.
class TCatalogPreview : public QWidget {
 public:
  explicit TCatalogPreview(TPrintCatMenu& menu);
  QSize sizeHint() const override { return {300, 388}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  TPrintCatMenu& menu_;
};

}  // namespace vr::print::ui
