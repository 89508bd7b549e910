#include "colour/ui/export_file.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "colour/export/unique_name.h"
#include "colour/ui/dither_progress_window.h"
#include "colour/ui/palette_editor.h"
#include "picture/codecs/gif/ui/gif_comments_menu.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "picture/convert.h"
#include "picture/ui/qimage_bridge.h"

namespace vr::colour {

using picture::Bitmap;
using picture::Rgb;

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string BaseNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

int RunModal(const ExportFileHost& host, QDialog& dialog) {
  return host.exec ? host.exec(dialog) : dialog.exec();
}

}  // namespace

TExportFile::TExportFile(ExportFileHost host, Mode mode, QWidget* parent)
    : QDialog(parent), host_(std::move(host)), mode_(mode) {
  setWindowTitle(kExportCaption);
  setModal(true);
  ExportSession& session = *host_.session;
  const std::string kept_status = session.status;  // shown again at each opening
  if (session.items.size() != static_cast<size_t>(kTabCount)) {
    session.items.clear();
    for (const ExportTab& tab : ExportTabs()) session.items.push_back(tab.default_item);
  }

  auto* layout = new QVBoxLayout(this);
  PageControl1 = new QTabWidget(this);
  layout->addWidget(PageControl1);

  // The controls every tab shows.
  shared_ = new QWidget();
  auto* shared_layout = new QHBoxLayout(shared_);
  auto* method = new QGroupBox("Color Reduce Method", shared_);
  auto* method_layout = new QVBoxLayout(method);
  RBDither = new QRadioButton("Dither", method);
  RBClosest = new QRadioButton("Closest Color Match", method);
  method_layout->addWidget(RBDither);
  method_layout->addWidget(RBClosest);
  (session.closest ? RBClosest : RBDither)->setChecked(true);
  shared_layout->addWidget(method);
  auto* right = new QVBoxLayout();
  CBForce236 = new QCheckBox("Force 236 Colors For Windows", shared_);
  CBForce236->setChecked(session.force_236);
  right->addWidget(CBForce236);
  BSave = new QPushButton(mode_ == kConvertMode ? "&Convert Now" : "&Save As", shared_);
  BCancel = new QPushButton("&Cancel", shared_);
  auto* buttons = new QHBoxLayout();
  buttons->addWidget(BSave);
  buttons->addWidget(BCancel);
  right->addLayout(buttons);
  shared_layout->addLayout(right);

  for (int tab = 0; tab < kTabCount; ++tab) {
    QWidget* page = BuildItemsPage(tab);
    PageControl1->addTab(page, ExportTabs()[tab].caption);
    PageControl1->setTabVisible(tab, !ExportTabs()[tab].hidden);
  }

  status_ = new QLabel(this);
  status_->setFrameShape(QFrame::Panel);
  status_->setFrameShadow(QFrame::Sunken);
  layout->addWidget(status_);

  // Opening: the items by the picture's depth, the GIF's flags, the comment window's lines.
  for (int tab = 0; tab < kTabCount; ++tab) {
    const int item = DefaultItemForDepth(tab, host_.depth, session.items[tab]);
    if (QRadioButton* button = item_button(tab, item)) button->setChecked(true);
  }
  CBInterlaced->setChecked(session.gif_interlaced);
  CBTransparent->setChecked(session.transparent.has_value());
  CBUseComments->setChecked(host_.comments != nullptr && host_.comments->HasLines());
  SEQuality->setValue(session.jpeg_quality);
  CBGray->setChecked(session.jpeg_grayscale);
  ShowSwatch();
  if (!host_.current_file.empty()) {
    folder_ = FolderOf(host_.current_file);
    base_name_ = BaseNameOf(host_.current_file);
  }

  connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) { TabChanged(index); });
  connect(BSave, &QPushButton::clicked, this, [this] {
    if (mode_ == kConvertMode) {
      SaveSession();
      accept();
    } else {
      SaveAsClick();
    }
  });
  connect(BCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(BPreview, &QPushButton::clicked, this, [this] { PreviewClick(); });
  connect(BPickTransparent, &QPushButton::clicked, this, [this] { PickTransparentClick(); });
  connect(CBTransparent, &QCheckBox::clicked, this, [this] { TransparentClick(); });
  connect(BComments, &QPushButton::clicked, this, [this] { CommentsClick(); });
  connect(this, &QDialog::finished, this, [this] {
    SaveSession();
    if (host_.dither != nullptr) host_.dither->hide();
  });

  const int first = std::clamp(session.tab, 0, kTabCount - 1);
  PageControl1->setCurrentIndex(first);
  TabChanged(first);
  SetStatus(kept_status);
}

TExportFile::~TExportFile() {
  // The shared controls belong to whichever page holds them; nothing else to free.
}

QWidget* TExportFile::BuildItemsPage(int tab) {
  const ExportTab& info = ExportTabs()[tab];
  auto* page = new QWidget();
  auto* layout = new QVBoxLayout(page);
  auto* group = new QButtonGroup(page);
  item_groups_.push_back(group);
  if (!info.items.empty()) {
    auto* box = new QGroupBox("Color Depth", page);
    box->setToolTip(kColourDepthHint);
    auto* box_layout = new QVBoxLayout(box);
    for (size_t i = 0; i < info.items.size(); ++i) {
      auto* button = new QRadioButton(info.items[i], box);
      button->setToolTip(kColourDepthHint);
      group->addButton(button, static_cast<int>(i));
      box_layout->addWidget(button);
    }
    layout->addWidget(box);
    connect(group, &QButtonGroup::idClicked, this, [this] { ItemChanged(); });
  }
  if (tab == kTabJpg) {
    auto* row = new QHBoxLayout();
    row->addWidget(new QLabel("Quality (Higher=Better && Bigger)", page));
    SEQuality = new QSpinBox(page);
    SEQuality->setRange(0, 100);
    SEQuality->setValue(90);
    row->addWidget(SEQuality);
    layout->addLayout(row);
    CBGray = new QCheckBox("Gray Scale (B&&W Photo like)", page);
    layout->addWidget(CBGray);
    BPreview = new QPushButton("&Preview", page);
    layout->addWidget(BPreview);
  } else if (tab == kTabGif) {
    CBInterlaced = new QCheckBox("Interlaced File", page);
    layout->addWidget(CBInterlaced);
    auto* row = new QHBoxLayout();
    CBTransparent = new QCheckBox("Transparent", page);
    BPickTransparent = new QPushButton("Pick Transparent", page);
    PanelSwatch = new QLabel("None", page);
    PanelSwatch->setFixedSize(40, 20);
    PanelSwatch->setAlignment(Qt::AlignCenter);
    PanelSwatch->setAutoFillBackground(true);
    row->addWidget(CBTransparent);
    row->addWidget(BPickTransparent);
    row->addWidget(PanelSwatch);
    layout->addLayout(row);
    auto* comments = new QHBoxLayout();
    BComments = new QPushButton("Comments", page);
    CBUseComments = new QCheckBox("Use Comments", page);
    comments->addWidget(BComments);
    comments->addWidget(CBUseComments);
    layout->addLayout(comments);
  }
  layout->addStretch();
  auto* slot = new QWidget(page);
  auto* slot_layout = new QVBoxLayout(slot);
  slot_layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(slot);
  shared_slots_.push_back(slot);
  return page;
}

QRadioButton* TExportFile::item_button(int tab, int item) const {
  if (tab < 0 || tab >= static_cast<int>(item_groups_.size())) return nullptr;
  return qobject_cast<QRadioButton*>(item_groups_[tab]->button(item));
}

int TExportFile::CheckedItem(int tab) const {
  if (tab < 0 || tab >= static_cast<int>(item_groups_.size())) return -1;
  return item_groups_[tab]->checkedId();
}

QWidget* TExportFile::shared_controls_parent() const { return shared_->parentWidget(); }

void TExportFile::TabChanged(int index) {
  if (index < 0 || index >= static_cast<int>(shared_slots_.size())) return;
  shared_slots_[index]->layout()->addWidget(shared_);
  shared_->show();
  ItemChanged();
  SetStatus(kStatusReady);
}

void TExportFile::ItemChanged() {
  const int tab = PageControl1->currentIndex();
  CBForce236->setEnabled(Force236Applies(tab, CheckedItem(tab)));
}

void TExportFile::SetStatus(const std::string& text) {
  status_->setText(Q(text));
  host_.session->status = text;
}

std::string TExportFile::StatusText() const { return status_->text().toStdString(); }

ExportChoices TExportFile::Choices() const {
  ExportChoices c;
  c.tab = PageControl1->currentIndex();
  c.item = CheckedItem(c.tab);
  c.force_236 = CBForce236->isChecked() && CBForce236->isEnabled();
  c.closest = RBClosest->isChecked();
  c.jpeg_quality = SEQuality->value();
  c.jpeg_grayscale = CBGray->isChecked();
  c.interlaced = CBInterlaced->isChecked();
  c.transparent = host_.session->transparent;
  c.source_file = host_.current_file;
  c.use_comments = CBUseComments->isChecked();
  if (c.use_comments && host_.comments != nullptr) c.comments = host_.comments->Lines();
  return c;
}

void TExportFile::SaveSession() {
  ExportSession& session = *host_.session;
  session.tab = PageControl1->currentIndex();
  for (int tab = 0; tab < kTabCount; ++tab) {
    if (CheckedItem(tab) >= 0) session.items[tab] = CheckedItem(tab);
  }
  session.jpeg_quality = SEQuality->value();
  session.jpeg_grayscale = CBGray->isChecked();
  session.closest = RBClosest->isChecked();
  session.force_236 = CBForce236->isChecked();
  session.gif_interlaced = CBInterlaced->isChecked();
}

void TExportFile::ShowSwatch() {
  const auto& colour = host_.session->transparent;
  QPalette palette = PanelSwatch->palette();
  if (colour) {
    palette.setColor(QPalette::Window, QColor(colour->r, colour->g, colour->b));
    PanelSwatch->setText(QString());
  } else {
    palette.setColor(QPalette::Window, this->palette().color(QPalette::Window));
    PanelSwatch->setText("None");
  }
  PanelSwatch->setPalette(palette);
}

void TExportFile::SaveAsClick() {
  platform::Ui& ui = *host_.ui;
  const int tab = PageControl1->currentIndex();
  const ExportTab& info = ExportTabs()[tab];
  SetStatus(kStatusSelect);
  platform::FileDialogOptions options;
  options.title = "Save As";
  options.folder = folder_;
  options.file_name = base_name_;
  options.filters.push_back({"All Files (*.*)", "*"});
  for (const ExportTab& t : ExportTabs()) {
    options.filters.push_back({t.caption, std::string("*") + t.extension});
  }
  options.filter_index = tab + 1;
  options.default_extension = info.extension;
  options.filter_changed = [&ui](int index) {
    if (index != 0) ui.Ask(platform::MessageKind::kQuestion, "Warning", kFilterChangedWarning,
                           platform::kOkOnly);
  };
  const std::optional<std::string> chosen = ui.SaveFile(options);
  if (!chosen || chosen->empty()) {
    SetStatus(kStatusReady);
    return;
  }
  SetStatus(kStatusSaving);
  folder_ = FolderOf(*chosen);
  base_name_ = BaseNameOf(*chosen);
  std::string refusal;
  const std::optional<std::string> target = ResolveExportName(*chosen, tab, &refusal);
  if (!target) {
    SetStatus(kStatusError);
    ui.Information(refusal);
    return;
  }
  ExportNotify notify;
  notify.warn = [&ui](const std::string& text) { ui.Warning(text); };
  if (host_.dither != nullptr) {
    notify.reduce = [this](const Bitmap& source, Bitmap& destination, Palette6& palette,
                           const ReduceRequest& request) {
      return host_.dither->Reduce(source, destination, palette, request, true);
    };
  }
  const ExportOutcome outcome = ExportPicture(*target, *host_.picture, Choices(),
                                              host_.session->gif_animated, notify);
  if (host_.dither != nullptr && host_.dither->isVisible()) host_.dither->hide();
  if (!outcome.ok) {
    ui.Error(outcome.message);
    SetStatus(kStatusError);
    return;
  }
  if (ui.Ask(platform::MessageKind::kQuestion, "Confirm", kLoadNewFileQuestion,
             platform::kYesNo) == platform::Answer::kYes &&
      host_.add_and_show) {
    host_.add_and_show(*target);
  }
  SetStatus(kStatusDone);
}

void TExportFile::PreviewClick() {
  platform::Ui& ui = *host_.ui;
  picture::PictureHolder deep;
  picture::ConvertPicture(*host_.picture, deep, 24);
  const std::optional<std::string> name =
      host_.files != nullptr && host_.clock != nullptr
          ? MakeUniqueName(*host_.files, *host_.clock, host_.temp_folder, "~LS", ".JPG", 5)
          : std::nullopt;
  if (!name) {
    ui.Error(ExportErrorText(host_.temp_folder));
    return;
  }
  codecs::JpegSaveOptions options;
  options.quality = std::clamp(SEQuality->value(), 1, 100);
  options.grayscale = CBGray->isChecked();
  const codecs::WriteResult written = codecs::SaveJpeg(*name, deep.bitmap, options);
  std::error_code ec;
  if (!written.ok) {
    std::filesystem::remove(*name, ec);
    ui.Error(ExportErrorText(*name));
    return;
  }
  const uint64_t bytes = std::filesystem::file_size(*name, ec);
  codecs::JpegDecodeSettings settings;
  settings.output_bits = host_.screen_depth <= 8 ? 8 : 24;
  Bitmap back;
  codecs::LoadJpeg(*name, back, settings);
  {
    TJpegPreview preview(back, bytes, this);
    RunModal(host_, preview);
  }
  std::filesystem::remove(*name, ec);
}

bool TExportFile::PickTransparent(const char* title) {
  const ExportChoices choices = Choices();
  const Bitmap& bitmap = host_.picture->bitmap;
  // Palette pictures the item leaves alone show their own palette (and take edits back); deeper
  // ones the palette of the reduction to the active item.
  std::vector<Rgb> palette = PickerPalette(*host_.picture, choices);
  const bool own = bitmap.Indexed() && palette == bitmap.Palette();
  int colours = static_cast<int>(palette.size());
  if (own) colours = std::min(colours, SourceColourFigure(bitmap));
  const auto& current = host_.session->transparent;
  const int selected =
      current ? NearestEntry(palette, colours, *current) : -1;
  TPaletteEditor editor(title, palette, colours, selected, *host_.ui, this);
  if (RunModal(host_, editor) != QDialog::Accepted) return false;
  const int index = editor.Selected();
  if (index < 0) {
    host_.session->transparent.reset();
  } else {
    host_.session->transparent = editor.Palette()[index];
  }
  if (own) {
    std::vector<Rgb> edited = editor.Palette();
    edited.resize(bitmap.Palette().size());
    if (edited != bitmap.Palette()) {
      host_.picture->bitmap.SetPalette(edited);
      if (host_.picture_changed) host_.picture_changed();
    }
  }
  ShowSwatch();
  CBTransparent->setChecked(host_.session->transparent.has_value());
  return true;
}

void TExportFile::PickTransparentClick() { PickTransparent(kPickTransparentTitle); }

void TExportFile::TransparentClick() {
  if (!CBTransparent->isChecked()) {
    // Unchecked: the file is written without a transparent colour.
    host_.session->transparent.reset();
    ShowSwatch();
    return;
  }
  if (!host_.session->transparent) {
    if (!PickTransparent(kChooseTransparentTitle)) CBTransparent->setChecked(false);
  }
}

void TExportFile::CommentsClick() {
  if (host_.comments == nullptr) return;
  host_.comments->EditModal(host_.exec);
  CBUseComments->setChecked(host_.comments->HasLines());
}

TJpegPreview::TJpegPreview(const Bitmap& picture, uint64_t bytes, QWidget* parent)
    : QDialog(parent, Qt::Tool) {
  setWindowTitle(QString("SAVED SIZE=%1  [Press ESCape to exit]").arg(bytes));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 10, 10, 10);
  image_ = new QLabel(this);
  image_->setPixmap(QPixmap::fromImage(picture::BitmapToQImage(picture).copy()));
  layout->addWidget(image_);
  QSize size(picture.Width() + 20, picture.Height() + 20);
  if (QScreen* screen = QApplication::primaryScreen()) {
    size = size.boundedTo(screen->availableGeometry().size());
  }
  resize(size);
}

QPixmap TJpegPreview::shown() const { return image_->pixmap(); }

void RunSaveAs(const ExportFileHost& host, QWidget* parent) {
  if (host.comments != nullptr) host.comments->close();
  if (host.dither != nullptr) host.dither->hide();
  TExportFile window(host, TExportFile::kSaveMode, parent);
  RunModal(host, window);
}

}  // namespace vr::colour
