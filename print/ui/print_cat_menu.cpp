#include "print/ui/print_cat_menu.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "lists/files_list.h"
#include "picture/fit.h"
#include "platform/please_wait.h"
#include "platform/ui.h"
#include "print/catalog_output.h"
#include "print/placement.h"
#include "print/ui/painter_surface.h"

namespace vr::print::ui {

namespace {

constexpr int kPreviewWidth = 300;
constexpr int kPreviewHeight = 388;

QRadioButton* Radio(const QString& caption, const QString& name, QWidget* parent,
                    QLayout* layout) {
  auto* radio = new QRadioButton(caption, parent);
  radio->setObjectName(name);
  layout->addWidget(radio);
  return radio;
}

}  // namespace

TCatalogPreview::TCatalogPreview(TPrintCatMenu& menu) : QWidget(&menu), menu_(menu) {
  setObjectName("Preview");
  setMouseTracking(true);
  setMinimumSize(kPreviewWidth, kPreviewHeight);
}

void TCatalogPreview::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  if (!menu_.preview_image().isNull()) painter.drawImage(0, 0, menu_.preview_image());
}

void TCatalogPreview::mouseMoveEvent(QMouseEvent* event) {
  menu_.PointAt(event->position().toPoint());
}

void TCatalogPreview::mouseDoubleClickEvent(QMouseEvent* event) {
  menu_.OpenCell(event->position().toPoint());
}

TPrintCatMenu::TPrintCatMenu(CatalogHost host, QWidget* parent)
    : QDialog(parent), host_(std::move(host)) {
  setWindowTitle(kCatalogWindowCaption);
  setObjectName("PrintCatMenu");
  // The tagged entries in list order.
  if (host_.files != nullptr) {
    for (int i = 0; i < host_.files->Count(); ++i) {
      const lists::FileEntry* entry = host_.files->Peek(i);
      if (entry == nullptr || !entry->tagged) continue;
      CatalogEntry e;
      e.path = entry->Path();
      e.width = entry->width > 0 ? entry->width : -1;
      e.height = entry->height > 0 ? entry->height : -1;
      e.list_index = i;
      e.note = entry->db_field;
      entries_.push_back(std::move(e));
    }
  }

  auto* main = new QHBoxLayout(this);
  auto* controls = new QVBoxLayout();
  main->addLayout(controls);
  auto* rows_line = new QHBoxLayout();
  rows_line->addWidget(new QLabel("Rows:", this));
  SERows = new QSpinBox(this);
  SERows->setObjectName("SERows");
  SERows->setRange(kMinRows, kMaxRows);
  rows_line->addWidget(SERows);
  controls->addLayout(rows_line);

  auto* shape_box = new QGroupBox("Thumbnail Shape", this);
  shape_box->setObjectName("RGShape");
  auto* shape_layout = new QVBoxLayout(shape_box);
  auto* shape_group = new QButtonGroup(this);
  for (int i = 0; i < 4; ++i) {
    RGShape[i] = Radio(kShapeCaptions[i], QString("RGShape%1").arg(i), shape_box, shape_layout);
    shape_group->addButton(RGShape[i], i);
  }
  controls->addWidget(shape_box);

  auto* dest_box = new QGroupBox("Destination Ouput", this);
  dest_box->setObjectName("RGDimension");
  auto* dest_layout = new QVBoxLayout(dest_box);
  auto* dest_group = new QButtonGroup(this);
  for (int i = 0; i <= kDestinationCount; ++i) {
    const QString caption = i < kDestinationCount ? kDestinationCaptions[i] : "PDF File";
    RGDimension[i] = Radio(caption, QString("RGDimension%1").arg(i), dest_box, dest_layout);
    dest_group->addButton(RGDimension[i], i);
  }
  controls->addWidget(dest_box);

  auto* pages_box = new QGroupBox(this);
  auto* pages_layout = new QGridLayout(pages_box);
  RBAll = new QRadioButton("&All", pages_box);
  RBAll->setObjectName("RBAll");
  RBCurrentPage = new QRadioButton("&Current Page", pages_box);
  RBCurrentPage->setObjectName("RBCurrentPage");
  RBPageRange = new QRadioButton("Page &Range(s):", pages_box);
  RBPageRange->setObjectName("RBPageRange");
  EPages = new QLineEdit(pages_box);
  EPages->setObjectName("EPages");
  pages_layout->addWidget(RBAll, 0, 0);
  pages_layout->addWidget(RBCurrentPage, 1, 0);
  pages_layout->addWidget(RBPageRange, 2, 0);
  pages_layout->addWidget(EPages, 2, 1);
  controls->addWidget(pages_box);

  auto* page_line = new QHBoxLayout();
  page_line->addWidget(new QLabel("Current Page:", this));
  SEPageNum = new QSpinBox(this);
  SEPageNum->setObjectName("SEPageNum");
  SEPageNum->setRange(1, 1);
  page_line->addWidget(SEPageNum);
  LTotal = new QLabel("Total Pages:", this);
  LTotal->setObjectName("LTotal");
  page_line->addWidget(LTotal);
  controls->addLayout(page_line);
  CBPreview = new QCheckBox("&Auto Preview Page", this);
  CBPreview->setObjectName("CBPreview");
  controls->addWidget(CBPreview);
  CBNotes = new QCheckBox("Add NOTES To Captions", this);
  CBNotes->setObjectName("CBNotes");
  controls->addWidget(CBNotes);

  BSetup = new QPushButton("Printer &Setup", this);
  BPreview = new QPushButton("Pre&View Page", this);
  BOutput = new QPushButton("Print/Save Page(s)", this);
  BExit = new QPushButton("&Exit", this);
  BSetup->setObjectName("BSetup");
  BPreview->setObjectName("BPreview");
  BOutput->setObjectName("BOutput");
  BExit->setObjectName("BExit");
  for (QPushButton* b : {BSetup, BPreview, BOutput, BExit}) {
    b->setAutoDefault(false);
    controls->addWidget(b);
  }

  auto* right = new QVBoxLayout();
  LPointed = new QLabel(this);
  LPointed->setObjectName("LPointed");
  right->addWidget(LPointed);
  Preview = new TCatalogPreview(*this);
  right->addWidget(Preview);
  main->addLayout(right);

  // Rows and shape from the settings (kept in range), destination paper, the current page.
  SERows->setValue(ClampRows(host_.rows != nullptr ? *host_.rows : 3));
  RGShape[ClampShape(host_.shape != nullptr ? *host_.shape : kBestFit)]->setChecked(true);
  RGDimension[0]->setChecked(true);
  RBCurrentPage->setChecked(true);

  connect(SERows, &QSpinBox::valueChanged, this, [this] { Changed(); });
  connect(shape_group, &QButtonGroup::idToggled, this, [this](int, bool on) {
    if (on) Changed();
  });
  connect(dest_group, &QButtonGroup::idToggled, this, [this](int, bool on) {
    if (on) Changed();
  });
  connect(SEPageNum, &QSpinBox::valueChanged, this, [this] {
    if (CBPreview->isChecked()) BuildPreview();
  });
  connect(CBNotes, &QCheckBox::toggled, this, [this] {
    if (CBPreview->isChecked()) BuildPreview();
  });
  connect(BSetup, &QPushButton::clicked, this, [this] { SetupClick(); });
  connect(BPreview, &QPushButton::clicked, this, [this] { BuildPreview(); });
  connect(BOutput, &QPushButton::clicked, this, [this] { OutputPages(); });
  connect(BExit, &QPushButton::clicked, this, [this] { reject(); });
  building_ = false;
  CountPages();
}

TPrintCatMenu::~TPrintCatMenu() = default;

void TPrintCatMenu::done(int result) {
  if (host_.rows != nullptr) *host_.rows = SERows->value();
  if (host_.shape != nullptr) *host_.shape = Shape();
  QDialog::done(result);
}

int TPrintCatMenu::Shape() const {
  for (int i = 0; i < 4; ++i) {
    if (RGShape[i]->isChecked()) return i;
  }
  return kBestFit;
}

int TPrintCatMenu::Destination() const {
  for (int i = 0; i <= kDestinationCount; ++i) {
    if (RGDimension[i]->isChecked()) return i;
  }
  return 0;
}

TCatalogData TPrintCatMenu::PageData(platform::PrinterQt* printer, int* caption_height) const {
  const int destination = Destination();
  if (destination == 0 || destination == kPdfDestination) {
    *caption_height = PaperCaptionHeight(PrinterFontHeight(printer));
    return PrinterCatalogPage(printer);
  }
  *caption_height = kFileCaptionHeight;
  return FilePage(destination);
}

LayoutParams TPrintCatMenu::Params(int caption_height) const {
  return LayoutParams{SERows->value(), Shape(), caption_height};
}

void TPrintCatMenu::Pump() {
  if (host_.services.pump != nullptr) host_.services.pump->PumpMessages();
}

void TPrintCatMenu::Changed() {
  if (building_) return;
  CountPages();
  if (CBPreview->isChecked()) BuildPreview();
}

void TPrintCatMenu::SetupClick() {
  if (host_.printer == nullptr || !host_.printer->SetupDialog()) {
    if (host_.printer == nullptr || !host_.printer->Present()) {
      host_.services.ui->Information(kNoPrinterMessage);
    }
  }
  CountPages();
}

int TPrintCatMenu::CountPages() {
  if (busy_) return page_count_;
  busy_ = true;
  ++passes_;
  int m = kFileCaptionHeight;
  const TCatalogData page = PageData(host_.printer, &m);
  platform::PleaseWait* wait = host_.services.please_wait;
  std::unique_ptr<platform::PleaseWaitScope> scope;
  if (wait != nullptr) scope = std::make_unique<platform::PleaseWaitScope>(*wait, kCountingText);
  int seen = 0;
  LayoutSink sink;
  sink.cell = [&](const CatalogCell&) {
    if (++seen % 10 == 0) Pump();
    return true;
  };
  const LayoutResult result = RunLayout(entries_, page, Params(m), sink);
  scope.reset();
  busy_ = false;
  if (!result.ok) {
    page_count_ = 0;
    host_.services.ui->Information(kBuildError);
  } else {
    page_count_ = result.pages;
  }
  LTotal->setText(QString("Total Pages: %1").arg(page_count_));
  SEPageNum->setMaximum(std::max(1, page_count_));
  return page_count_;
}

void TPrintCatMenu::BuildPreview() {
  if (busy_) return;
  busy_ = true;
  ++passes_;
  int m = kFileCaptionHeight;
  const TCatalogData page = PageData(host_.printer, &m);
  const picture::Size fitted =
      picture::FitInBox(page.PW(), page.PH(), kPreviewWidth, kPreviewHeight);
  preview_image_ = QImage(fitted.width, fitted.height, QImage::Format_RGB32);
  preview_image_.fill(Qt::white);
  const double sx = static_cast<double>(page.PW()) / fitted.width;
  const double sy = static_cast<double>(page.PH()) / fitted.height;
  QPainter painter(&preview_image_);
  painter.scale(1.0 / sx, 1.0 / sy);
  QFont font;
  // Page pixels: the caption font as tall as on the page itself.
  font.setPixelSize(page.to_printer ? std::max(1, static_cast<int>(m / 2.3)) : kFileFontPixels);
  PainterSurface surface(painter, page.PW(), page.PH(), font);
  DrawPageRequest request;
  request.page = std::clamp(SEPageNum->value(), 1, std::max(1, page_count_));
  request.notes_in_captions = CBNotes->isChecked();
  request.scale_x = sx;
  request.scale_y = sy;
  request.cells = &cells_;
  request.thumb_scale = 1.0 / std::max(sx, sy);
  request.progress = [this](const CatalogEntry&) {
    Pump();
    return true;
  };
  const DrawPageResult drawn = DrawCatalogPage(entries_, page, Params(m), surface, request);
  painter.end();
  busy_ = false;
  if (!drawn.ok) {
    cells_.clear();
    host_.services.ui->Information(kBuildError);
  }
  Preview->update();
}

int TPrintCatMenu::CellAt(QPoint point) const {
  for (size_t i = 0; i < cells_.size(); ++i) {
    const PageRect& r = cells_[i].rect;
    if (point.x() >= r.left && point.x() < r.right && point.y() >= r.top && point.y() < r.bottom) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

void TPrintCatMenu::PointAt(QPoint point) {
  const int cell = CellAt(point);
  if (cell < 0) {
    LPointed->clear();
    Preview->unsetCursor();
    return;
  }
  LPointed->setText(QString::fromStdString(cells_[cell].name));
  Preview->setCursor(Qt::PointingHandCursor);
}

void TPrintCatMenu::OpenCell(QPoint point) {
  const int cell = CellAt(point);
  if (cell >= 0 && host_.open_preview) host_.open_preview(cells_[cell].list_index);
}

void TPrintCatMenu::OutputPages() {
  if (busy_ || page_count_ < 1) return;
  platform::Ui& ui = *host_.services.ui;
  const int destination = Destination();
  PageChoice choice = PageChoice::kCurrent;
  if (RBAll->isChecked()) choice = PageChoice::kAll;
  if (RBPageRange->isChecked()) choice = PageChoice::kRanges;
  CatalogOutputRequest request;
  request.entries = &entries_;
  request.jobs = PagesToOutput(choice, page_count_, SEPageNum->value(), EPages->text().toStdString());
  request.notes_in_captions = CBNotes->isChecked();
  if (request.jobs.empty()) return;

  CatalogOutputServices services;
  services.ui = &ui;
  services.please_wait = host_.services.please_wait;
  services.pump = host_.services.pump;
  std::unique_ptr<platform::PrinterQt> pdf;
  std::unique_ptr<PrinterDevice> device;
  platform::PrinterQt* printer = host_.printer;
  if (destination == kPdfDestination) {
    platform::FileDialogOptions options;
    options.title = kSaveTitle;
    options.filters = {{"PDF File", "*.pdf"}};
    options.default_extension = ".PDF";
    const std::optional<std::string> chosen = ui.SaveFile(options);
    if (!chosen || chosen->empty()) return;
    // The printer's paper and resolution, into the file.
    platform::PdfPaper paper;
    paper.file = *chosen;
    pdf = std::make_unique<platform::PrinterQt>(paper);
    if (host_.printer != nullptr && host_.printer->Present()) {
      pdf->qprinter().setResolution(host_.printer->qprinter().resolution());
      pdf->qprinter().setPageLayout(host_.printer->qprinter().pageLayout());
    }
    printer = pdf.get();
  }
  if (destination == 0 || destination == kPdfDestination) {
    if (printer == nullptr) {
      ui.Information(kPrintError);
      return;
    }
    device = std::make_unique<PrinterDevice>(*printer);
    services.printer = device.get();
  } else {
    platform::FileDialogOptions options;
    options.title = kSaveTitle;
    options.filters = {{"All", "*.jpg;*.bmp"},
                       {"JPEG Image File", "*.jpg"},
                       {"Windows Bitmap", "*.bmp"}};
    options.default_extension = ".BMP";
    const std::optional<std::string> chosen = ui.SaveFile(options);
    if (!chosen || chosen->empty()) return;
    if (!CheckCatalogFileName(ui, *chosen)) return;
    request.file_name = *chosen;
    services.bitmap_surface = MakeBitmapSurfaces();
  }
  int m = kFileCaptionHeight;
  request.page = PageData(printer, &m);
  request.params = Params(m);
  busy_ = true;
  ++passes_;
  setEnabled(false);
  OutputCatalog(request, services);
  setEnabled(true);
  busy_ = false;
  if (choice != PageChoice::kCurrent) BuildPreview();
}

}  // namespace vr::print::ui
