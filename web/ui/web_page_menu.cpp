#include "web/ui/web_page_menu.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <utility>

#include "platform/path_rules.h"
#include "platform/shell_service.h"
#include "platform/ui.h"
#include "web/ui/web_preview.h"
#include "web/web_run.h"

namespace vr::web::ui {
namespace {

constexpr const char* kInstructions =
    "This wizard makes a small web site out of a folder of pictures, your \"Web Folder\": a "
    "thumbnail of every picture and one or more pages that show them, with a title, page "
    "numbers, an optional main image and a description.\n\nThe pages go into the Web Folder's "
    "\"webpages\" sub-folder and the thumbnails into \"webthumbs\". Your pictures are never "
    "changed.\n\nThe FTP password the wizard keeps for publishing is only scrambled, not "
    "protected: anyone with the file can read it.";

constexpr const char* kPublishHint = "Publishing to a server comes with the FTP window";
constexpr const char* kNoEditorHint =
    "No program for editing text was found: set a default for text/plain, or VISUAL or EDITOR";

// The preview label: a click shows the page at full size.
class PreviewLabel : public QLabel {
 public:
  explicit PreviewLabel(std::function<void()> clicked) : clicked_(std::move(clicked)) {}

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && clicked_) clicked_();
  }

 private:
  std::function<void()> clicked_;
};

void SetSwatch(QPushButton* button, uint32_t colour) {
  button->setStyleSheet(QString("background-color: rgb(%1,%2,%3)")
                            .arg(colour & 0xFF)
                            .arg((colour >> 8) & 0xFF)
                            .arg((colour >> 16) & 0xFF));
}

bool Exists(const std::string& path) { return QFileInfo::exists(QString::fromStdString(path)); }

QImage LoadSmall(const std::string& path) {
  QImage image(QString::fromStdString(path));
  return image;
}

}  // namespace

TWebPageMenu::TWebPageMenu(QWidget* parent, WebWindowServices services)
    : QDialog(parent), services_(std::move(services)) {
  setWindowTitle("Web Page Creation Wizard");
  auto* layout = new QVBoxLayout(this);
  panels_ = new QStackedWidget(this);
  layout->addWidget(panels_);
  BuildInstructions();
  BuildWhatFiles();
  BuildMain();
  panels_->setCurrentIndex(0);
}

TWebPageMenu::~TWebPageMenu() = default;

int TWebPageMenu::Panel() const { return panels_->currentIndex(); }

void TWebPageMenu::BuildInstructions() {
  auto* page = new QWidget;
  page->setObjectName("PInstructions");
  auto* v = new QVBoxLayout(page);
  auto* text = new QLabel(kInstructions);
  text->setWordWrap(true);
  v->addWidget(text);
  auto* buttons = new QHBoxLayout;
  auto* next = new QPushButton("&Next");
  next->setObjectName("BPrimeIt");
  auto* cancel = new QPushButton("&Cancel");
  buttons->addStretch();
  buttons->addWidget(next);
  buttons->addWidget(cancel);
  v->addLayout(buttons);
  connect(next, &QPushButton::clicked, this, [this] { BPrimeItClick(); });
  connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
  panels_->addWidget(page);
}

void TWebPageMenu::BuildWhatFiles() {
  auto* page = new QWidget;
  page->setObjectName("PWhatFiles");
  auto* v = new QVBoxLayout(page);
  counts_ = new QLabel;
  v->addWidget(counts_);
  auto* group = new QGroupBox("Add Files To Web Folder");
  group->setObjectName("RGWhatFiles");
  auto* g = new QVBoxLayout(group);
  const char* items[3] = {"Don't Add Any At This Time", "Add ALL Files In Files List",
                          "Add all TAGGED Files In Files List"};
  for (int i = 0; i < 3; ++i) {
    what_files_[i] = new QRadioButton(items[i]);
    what_files_[i]->setEnabled(i == 0 || static_cast<bool>(services_.add_files));
    g->addWidget(what_files_[i]);
  }
  what_files_[0]->setChecked(true);
  v->addWidget(group);
  auto* buttons = new QHBoxLayout;
  auto* next = new QPushButton("&Next");
  next->setObjectName("BNext2");
  auto* cancel = new QPushButton("&Cancel");
  buttons->addStretch();
  buttons->addWidget(next);
  buttons->addWidget(cancel);
  v->addLayout(buttons);
  connect(next, &QPushButton::clicked, this, [this] { BNext2Click(); });
  connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
  panels_->addWidget(page);
}

QWidget* TWebPageMenu::StyleGroup(const QString& caption, QComboBox** size, QCheckBox* styles[3],
                                  QPushButton** colour) {
  auto* box = new QGroupBox(caption);
  auto* form = new QFormLayout(box);
  *colour = new QPushButton;
  (*colour)->setFixedWidth(48);
  form->addRow("Color:", *colour);
  *size = new QComboBox;
  for (int i = 0; i < kSizeItems; ++i) (*size)->addItem(SizeItemName(i));
  form->addRow("Size:", *size);
  auto* row = new QHBoxLayout;
  const char* names[3] = {"Bold", "Italic", "Underline"};
  for (int i = 0; i < 3; ++i) {
    styles[i] = new QCheckBox(names[i]);
    row->addWidget(styles[i]);
    connect(styles[i], &QCheckBox::toggled, this, [this] { OptionChanged(); });
  }
  form->addRow(row);
  connect(*size, &QComboBox::currentIndexChanged, this, [this] { OptionChanged(); });
  return box;
}

void TWebPageMenu::BuildMain() {
  auto* page = new QWidget;
  page->setObjectName("PMain");
  auto* v = new QVBoxLayout(page);
  v->setContentsMargins(0, 0, 0, 0);
  auto* menus = new QMenuBar;
  v->setMenuBar(menus);
  QMenu* file = menus->addMenu("&File");
  file->addAction("&Work With A Different Web Folder", this, [this] { LoadWebPage1Click(); });
  file->addAction("&Save Web Folder Page Info", this, [this] { SaveWebPage1Click(); });
  file->addSeparator();
  file->addAction("&Make Page(s)", this, [this] { MakeAllPages1Click(); });
  file->addAction("First Page Only (Quicker)", this, [this] { FirstPageOnlyQuicker1Click(); });
  file->addAction("&Clean Up Web Folder", this, [this] { CleanUpWebFolder1Click(); });
  publish_ = file->addAction("Publish Page(s)", this, [this] { PublishClick(kUploadAll); });
  publish_actions_.push_back(publish_);
  file->addSeparator();
  file->addAction("&Exit", this, [this] { close(); });
  QMenu* view = menus->addMenu("&View");
  view_default_ = view->addAction("View In Default Browser", this, [this] { TBPreviewClick(); });
  view_alternate_ = view->addAction("", this, [this] { ViewInALTERNATEBrowser2Click(); });
  view->addSeparator();
  for (int n = 1; n <= 3; ++n) {
    edit_alternates_[n - 1] = view->addAction("", this, [this, n] { UseWebEditorClick(n); });
  }
  view->addSeparator();
  view->addAction("&Assign ALTERNATE Web Browsers / Editors", this,
                  [this] { ChooseALTERNATEInternetBrowser1Click(); });
  QMenu* publish = menus->addMenu("&Publish");
  const std::pair<const char*, int> entries[] = {
      {"Upload All Files", kUploadAll},
      {"Upload Pictures Only", kUploadPictures},
      {"Upload HTML &&Thumbnails Only", kUploadHtmlAndThumbs},
      {"Upload HTML Files Only", kUploadHtml},
      {"Upload Needed Files Only", kUploadNeeded}};
  for (const auto& [caption, mode] : entries) {
    publish_actions_.push_back(
        publish->addAction(caption, this, [this, mode = mode] { PublishClick(mode); }));
  }
  publish->addSeparator();
  QAction* tool = publish->addAction("Internet Web Site Tool (FTP)", this,
                                     [this] { PublishClick(kOpenFtpTool); });
  tool->setEnabled(services_.publisher != nullptr);
  if (services_.publisher == nullptr) tool->setToolTip(kPublishHint);

  tools_ = new QToolBar;
  tools_->addAction("&Make The Web Page(s) Now", this, [this] { MakeAllPages1Click(); });
  tools_->addAction("&Update Preview", this, [this] {
    ControlsToOptions();
    Redraw();
  });
  view_ = tools_->addAction("BROWSER VIEW", this, [this] { TBPreviewClick(); });
  // The desktop's text editor is looked up once: asking it costs a process start.
  can_edit_ = services_.platform.shell != nullptr && services_.platform.shell->CanEditDocuments();
  edit_ = tools_->addAction("&Edit 1st Page", this, [this] { TBEditPageClick(); });
  edit_->setEnabled(false);
  make_template_ = tools_->addAction("Make &Template", this, [this] { SBMakeTemplateClick(); });
  publish_actions_.push_back(
      tools_->addAction("&Publish Page(s)", this, [this] { PublishClick(kUploadNeeded); }));
  v->addWidget(tools_);
  stop_button_ = new QPushButton("&Stop Creating");
  stop_button_->setObjectName("SBStop");
  stop_button_->hide();
  connect(stop_button_, &QPushButton::clicked, this, [this] { SBStopClick(); });
  v->addWidget(stop_button_);

  auto* split = new QHBoxLayout;
  auto* scroll = new QScrollArea;
  scroll->setWidgetResizable(true);
  auto* left = new QWidget;
  auto* options = new QVBoxLayout(left);

  auto* general = new QGroupBox("Web Page");
  auto* gform = new QFormLayout(general);
  template_box_ = new QCheckBox("Use Template HTML");
  template_box_->setObjectName("CBTemplate");
  gform->addRow(template_box_);
  index_index_ = new QRadioButton("Index.html");
  index_default_ = new QRadioButton("Default.htm");
  auto* index_row = new QHBoxLayout;
  index_row->addWidget(index_index_);
  index_row->addWidget(index_default_);
  auto* index_group = new QButtonGroup(general);
  index_group->addButton(index_index_);
  index_group->addButton(index_default_);
  gform->addRow("Home page:", index_row);
  link_colour_ = new QPushButton;
  vlink_colour_ = new QPushButton;
  background_colour_ = new QPushButton;
  gform->addRow("Links:", link_colour_);
  gform->addRow("Visited links:", vlink_colour_);
  gform->addRow("Background:", background_colour_);
  auto* bg_row = new QHBoxLayout;
  background_use_ = new QCheckBox("Use Image");
  auto* bg_browse = new QPushButton("Browse...");
  bg_row->addWidget(background_use_);
  bg_row->addWidget(bg_browse);
  gform->addRow("Background image:", bg_row);
  auto* main_row = new QHBoxLayout;
  main_use_ = new QCheckBox("Use Image");
  auto* main_browse = new QPushButton("Browse...");
  main_row->addWidget(main_use_);
  main_row->addWidget(main_browse);
  gform->addRow("Main image:", main_row);
  options->addWidget(general);

  QWidget* title_group = StyleGroup("Title", &title_size_, title_styles_, &title_colour_);
  title_ = new QLineEdit;
  title_->setObjectName("ETitle");
  static_cast<QFormLayout*>(title_group->layout())->insertRow(0, "Title:", title_);
  options->addWidget(title_group);
  QWidget* numbers_group = StyleGroup("Page Numbers", &page_size_, page_styles_, &page_colour_);
  options->addWidget(numbers_group);
  QWidget* desc_group =
      StyleGroup("Description", &description_size_, description_styles_, &description_colour_);
  description_ = new QPlainTextEdit;
  description_->setObjectName("MDesc");
  static_cast<QFormLayout*>(desc_group->layout())->insertRow(0, description_);
  options->addWidget(desc_group);
  template_help_ = new QLabel(
      "In template mode the pages follow your own page, \"WP_Template.Html\" in the webpages "
      "folder: click \"Make Template\" to start one from these options, edit it, and keep its "
      "tags ([TAG_ThumbNails] at least) where the page numbers, links and thumbnails go.");
  template_help_->setWordWrap(true);
  options->addWidget(template_help_);
  standard_only_ = {title_group, numbers_group, desc_group};

  auto* thumbs = new QGroupBox("ThumbNails");
  auto* tform = new QFormLayout(thumbs);
  thumb_width_ = new QSpinBox;
  thumb_width_->setRange(32, 300);
  thumb_height_ = new QSpinBox;
  thumb_height_->setRange(32, 300);
  max_number_ = new QSpinBox;
  max_number_->setRange(1, 99);
  tform->addRow("Max Width:", thumb_width_);
  tform->addRow("Max Height:", thumb_height_);
  tform->addRow("Images Per Page:", max_number_);
  captions_ = new QCheckBox("Show Notes As Captions");
  captions_->setEnabled(static_cast<bool>(services_.caption));
  tform->addRow(captions_);
  options->addWidget(thumbs);
  options->addStretch();
  scroll->setWidget(left);
  split->addWidget(scroll, 1);

  preview_label_ = new PreviewLabel([this] {
    QDialog full(this);
    full.setWindowTitle("Web Page Preview");
    auto* l = new QVBoxLayout(&full);
    auto* area = new QScrollArea;
    auto* image = new QLabel;
    image->setPixmap(QPixmap::fromImage(preview_));
    area->setWidget(image);
    l->addWidget(area);
    full.resize(700, 800);
    full.exec();
  });
  preview_label_->setFixedSize(kPreviewWidth / 2, kPreviewHeight / 2);
  split->addWidget(preview_label_);
  standard_only_.push_back(preview_label_);
  v->addLayout(split);
  status_ = new QStatusBar;
  v->addWidget(status_);
  panels_->addWidget(page);

  RebuildAlternates();
  for (QPushButton* swatch : {link_colour_, vlink_colour_, background_colour_, page_colour_,
                              title_colour_, description_colour_}) {
    swatch->setFixedWidth(48);
  }
  connect(link_colour_, &QPushButton::clicked, this, [this] { PickColour(&options_.link_colour); });
  connect(vlink_colour_, &QPushButton::clicked, this,
          [this] { PickColour(&options_.visited_link_colour); });
  connect(background_colour_, &QPushButton::clicked, this,
          [this] { PickColour(&options_.background_colour); });
  connect(page_colour_, &QPushButton::clicked, this,
          [this] { PickColour(&options_.page_numbers.colour); });
  connect(title_colour_, &QPushButton::clicked, this, [this] { PickColour(&options_.title.colour); });
  connect(description_colour_, &QPushButton::clicked, this,
          [this] { PickColour(&options_.description.colour); });
  connect(bg_browse, &QPushButton::clicked, this, [this] { SBBrowseClick(); });
  connect(main_browse, &QPushButton::clicked, this, [this] { SButton1Click(); });
  for (QCheckBox* use : {background_use_, main_use_}) {
    connect(use, &QCheckBox::clicked, this, [this, use](bool on) {
      const std::string& name =
          use == background_use_ ? options_.background_image : options_.main_image;
      if (on && name.empty() && services_.platform.ui) {
        services_.platform.ui->Warning(
            "Since you have NOT YET selected an image, checking this box will have NO effect!");
      }
      OptionChanged();
    });
  }
  connect(template_box_, &QCheckBox::toggled, this, [this] { OptionChanged(); });
  connect(captions_, &QCheckBox::toggled, this, [this] { OptionChanged(); });
  connect(index_index_, &QRadioButton::toggled, this, [this] { OptionChanged(); });
  connect(title_, &QLineEdit::textChanged, this, [this] { OptionChanged(); });
  connect(description_, &QPlainTextEdit::textChanged, this, [this] { OptionChanged(); });
  for (QSpinBox* box : {thumb_width_, thumb_height_, max_number_}) {
    connect(box, &QSpinBox::valueChanged, this, [this] { OptionChanged(); });
  }
}

void TWebPageMenu::BPrimeItClick() {
  platform::Ui* ui = services_.platform.ui;
  if (ui != nullptr) {
    ui->Information(
        "BEFORE you start to create a WEB site, you need to specify a folder where images are "
        "located. Theses image will be the ones used to build the WEB site page(s). And the "
        "folder will be refered to as your \"Web Folder\".");
  }
  hide();
  if (!ChooseFolder(true)) {
    if (ui != nullptr) ui->Warning("Since you have NOT specified a folder, this WEB Wizard will exit!");
    leaving_ = true;
    QDialog::reject();
    return;
  }
  show();
  const int pictures =
      static_cast<int>(PictureSet(*folder_, *services_.platform.files).size());
  counts_->setText(QString("Web Folder: %1\nPictures In Web Folder: %2\nPages in Web Site: %3")
                       .arg(QString::fromStdString(folder_->root))
                       .arg(pictures)
                       .arg(PageCount(pictures, options_.max_number)));
  panels_->setCurrentIndex(1);
}

bool TWebPageMenu::ChooseFolder(bool first) {
  platform::Ui* ui = services_.platform.ui;
  const std::string start =
      folder_ ? folder_->root : (services_.keys ? (*services_.keys)[kLastPathKey] : std::string());
  std::optional<std::string> chosen;
  if (ui != nullptr) chosen = ui->PickFolder("Select Your Web Folder", start);
  if (!chosen || chosen->empty()) return false;
  if (!first && folder_ && platform::SamePath(platform::WithTrailingSeparator(*chosen), folder_->root)) {
    return true;
  }
  if (folder_) RemoveEmptySubfolders(*folder_, *services_.platform.files);
  folder_ = std::make_unique<WebFolder>(*chosen);
  MakeSubfolders(*folder_, *services_.platform.files);
  return true;
}

void TWebPageMenu::BNext2Click() {
  for (int i = 1; i < 3; ++i) {
    if (what_files_[i]->isChecked() && services_.add_files) services_.add_files(i, folder_->root);
  }
  EnterFolder();
  pages_made_ = false;
  panels_->setCurrentIndex(2);
  UpdateEnables();
}

void TWebPageMenu::EnterFolder() {
  ++load_counter_;
  options_ = LoadWebOptions(*folder_, &server_);
  background_image_ = options_.background_image.empty()
                          ? QImage()
                          : LoadSmall(folder_->pages + options_.background_image);
  main_image_ =
      options_.main_image.empty() ? QImage() : LoadSmall(folder_->pages + options_.main_image);
  OptionsToControls();
  --load_counter_;
  saved_ = true;
  Redraw();
  UpdateEnables();
}

void TWebPageMenu::OptionsToControls() {
  ++load_counter_;
  template_box_->setChecked(options_.template_mode);
  (platform::EqualIgnoringAsciiCase(options_.index_name, "default.htm") ? index_default_
                                                                        : index_index_)
      ->setChecked(true);
  SetSwatch(link_colour_, options_.link_colour);
  SetSwatch(vlink_colour_, options_.visited_link_colour);
  SetSwatch(background_colour_, options_.background_colour);
  background_use_->setChecked(options_.background_image_use);
  main_use_->setChecked(options_.main_image_use);
  captions_->setChecked(options_.notes_as_captions);
  auto style = [](const TextStyle& s, QComboBox* size, QCheckBox* boxes[3], QPushButton* colour) {
    size->setCurrentIndex(s.size);
    boxes[0]->setChecked(s.bold);
    boxes[1]->setChecked(s.italic);
    boxes[2]->setChecked(s.underline);
    SetSwatch(colour, s.colour);
  };
  style(options_.page_numbers, page_size_, page_styles_, page_colour_);
  style(options_.title, title_size_, title_styles_, title_colour_);
  style(options_.description, description_size_, description_styles_, description_colour_);
  thumb_width_->setValue(options_.thumb_width);
  thumb_height_->setValue(options_.thumb_height);
  max_number_->setValue(options_.max_number);
  title_->setText(QString::fromStdString(options_.title_text));
  QStringList lines;
  for (const std::string& line : options_.description_lines) lines << QString::fromStdString(line);
  description_->setPlainText(lines.join('\n'));
  --load_counter_;
}

void TWebPageMenu::ControlsToOptions() {
  options_.template_mode = template_box_->isChecked();
  options_.index_name = index_default_->isChecked() ? "default.htm" : "index.html";
  options_.background_image_use = background_use_->isChecked();
  options_.main_image_use = main_use_->isChecked();
  options_.notes_as_captions = captions_->isChecked();
  auto style = [](TextStyle& s, QComboBox* size, QCheckBox* boxes[3]) {
    s.size = size->currentIndex();
    s.bold = boxes[0]->isChecked();
    s.italic = boxes[1]->isChecked();
    s.underline = boxes[2]->isChecked();
  };
  style(options_.page_numbers, page_size_, page_styles_);
  style(options_.title, title_size_, title_styles_);
  style(options_.description, description_size_, description_styles_);
  // Text typed but not yet accepted counts; an empty or low box takes its minimum.
  for (QSpinBox* box : {thumb_width_, thumb_height_, max_number_}) box->interpretText();
  options_.thumb_width = thumb_width_->value();
  options_.thumb_height = thumb_height_->value();
  options_.max_number = max_number_->value();
  options_.title_text = title_->text().toStdString();
  options_.description_lines.clear();
  for (const QString& line : description_->toPlainText().split('\n')) {
    options_.description_lines.push_back(line.toStdString());
  }
}

void TWebPageMenu::OptionChanged() {
  if (load_counter_ != 0) return;
  ControlsToOptions();
  saved_ = false;
  pages_made_ = false;
  make_template_->setVisible(options_.template_mode);
  edit_->setText(options_.template_mode ? "&Edit Template" : "&Edit 1st Page");
  Redraw();
  UpdateEnables();
}

bool TWebPageMenu::ViewEnabled() const { return view_->isEnabled(); }
bool TWebPageMenu::EditEnabled() const { return edit_->isEnabled(); }

void TWebPageMenu::UpdateEnables() {
  const bool ready = saved_ || pages_made_;
  view_->setEnabled(ready);
  view_default_->setEnabled(ready);
  view_alternate_->setEnabled(ready);
  for (QAction* action : publish_actions_) {
    action->setEnabled(ready && services_.publisher != nullptr);
    action->setToolTip(services_.publisher != nullptr ? QString() : QString(kPublishHint));
  }
  // Editors open the template in template mode (when there is one), else the first page.
  const bool editable = options_.template_mode
                            ? (folder_ && Exists(folder_->TemplatePath()))
                            : ready && folder_ && Exists(folder_->pages + options_.index_name);
  for (QAction* edit : edit_alternates_) edit->setEnabled(editable);
  edit_->setEnabled(editable && can_edit_);
  if (!can_edit_) {
    edit_->setToolTip(kNoEditorHint);
  } else if (options_.template_mode) {
    edit_->setToolTip("Edit the TEMPLATE HTML Page in your default Web Page Editor");
  } else {
    edit_->setToolTip("Edit the 1st Page, if more than one, in your default Web Page Editor");
  }
  make_template_->setVisible(options_.template_mode);
  // Template mode: the look comes from the template, so the look's panels and the preview go.
  for (QWidget* w : standard_only_) w->setVisible(!options_.template_mode);
  template_help_->setVisible(options_.template_mode);
  edit_->setText(options_.template_mode ? "&Edit Template" : "&Edit 1st Page");
}

void TWebPageMenu::Redraw() {
  if (load_counter_ != 0) return;
  preview_ = DrawWebPreview(options_, background_image_, main_image_);
  preview_label_->setPixmap(QPixmap::fromImage(preview_).scaled(
      preview_label_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void TWebPageMenu::PickColour(uint32_t* colour) {
  platform::Ui* ui = services_.platform.ui;
  if (ui == nullptr) return;
  const platform::PickedColour initial{static_cast<uint8_t>(*colour & 0xFF),
                                       static_cast<uint8_t>((*colour >> 8) & 0xFF),
                                       static_cast<uint8_t>((*colour >> 16) & 0xFF)};
  const std::optional<platform::PickedColour> picked = ui->PickColour("Color", initial);
  if (!picked) return;
  *colour = static_cast<uint32_t>(picked->r) | static_cast<uint32_t>(picked->g) << 8 |
            static_cast<uint32_t>(picked->b) << 16;
  ++load_counter_;
  OptionsToControls();
  --load_counter_;
  OptionChanged();
}

void TWebPageMenu::LoadWebPage1Click() {
  UnsavedPrompt(false);
  if (!ChooseFolder(false)) return;
  EnterFolder();
}

bool TWebPageMenu::SaveWebPage1Click() {
  if (!folder_) return false;
  ControlsToOptions();
  if (!SaveWebOptions(*folder_, options_, server_)) {
    if (services_.platform.ui) {
      services_.platform.ui->Warning("The Web Folder Info could not be written:\r\r" +
                                     folder_->WebInfoPath());
    }
    return false;
  }
  saved_ = true;
  UpdateEnables();
  return true;
}

void TWebPageMenu::MakeAllPages1Click() { Run(false); }
void TWebPageMenu::FirstPageOnlyQuicker1Click() { Run(true); }

void TWebPageMenu::Run(bool first_page_only) {
  if (!folder_ || running_) return;
  ControlsToOptions();
  stop_ = false;
  running_ = true;
  tools_->hide();
  stop_button_->show();
  platform::Ui* ui = services_.platform.ui;
  RunHooks hooks;
  hooks.warn = [ui](const std::string& t) {
    if (ui) ui->Warning(t);
  };
  hooks.inform = [ui](const std::string& t) {
    if (ui) ui->Information(t);
  };
  hooks.status = [this](const std::string& t) { status_->showMessage(QString::fromStdString(t)); };
  hooks.pump = [] { QApplication::processEvents(); };
  hooks.stop_requested = [this] { return stop_; };
  hooks.now = [] {
    const QDateTime now = QDateTime::currentDateTime();
    return PageTime{now.date().year(),   now.date().month(),   now.date().day(),
                    now.date().dayOfWeek() % 7, now.time().hour(), now.time().minute(),
                    now.time().second()};
  };
  hooks.caption = services_.caption;
  const RunResult result = MakePages(*folder_, options_, first_page_only,
                                     *services_.platform.files, hooks);
  if (result.pages_written > 0) {
    if (ui) ui->Information(CompletedText(result.pages_written));
    pages_made_ = true;
  }
  running_ = false;
  stop_button_->hide();
  tools_->show();
  status_->clearMessage();
  UpdateEnables();
}

void TWebPageMenu::SBMakeTemplateClick() {
  if (!folder_) return;
  ControlsToOptions();
  std::string error;
  if (!MakeTemplate(*folder_, options_, &error) && services_.platform.ui) {
    services_.platform.ui->Warning("The template could not be written:\r\r" +
                                   folder_->TemplatePath() + "\r\r" + error);
  }  // Edit follows the template file.
  UpdateEnables();
}

void TWebPageMenu::CleanUpWebFolder1Click() {
  if (!folder_) return;
  platform::Files& files = *services_.platform.files;
  const std::vector<std::string> own = UserFilesInPages(*folder_, options_, files);
  if (!own.empty() && services_.platform.ui) {
    std::string names;
    for (const std::string& name : own) names += "\r" + name;
    if (!services_.platform.ui->AskYesNo(
            "Clean Up also deletes these files of the \"webpages\" folder that the wizard did "
            "not make:\r" + names + "\r\rDelete them too?")) {
      return;
    }
  }
  CleanUp(*folder_, files);
  MakeSubfolders(*folder_, files);
  EnterFolder();
  saved_ = false;
  pages_made_ = false;
  UpdateEnables();
}

void TWebPageMenu::SBBrowseClick() { ChooseImage(true); }
void TWebPageMenu::SButton1Click() { ChooseImage(false); }

void TWebPageMenu::ChooseImage(bool background) {
  platform::Ui* ui = services_.platform.ui;
  if (!folder_ || ui == nullptr) return;
  platform::FileDialogOptions dialog;
  dialog.title = background ? "Background Image" : "Main Image";
  dialog.folder = folder_->root;
  dialog.filters = {{"Picture Files JPG,GIF,BMP", "*.jpg;*.gif;*.bmp"}};
  const std::vector<std::string> picked = ui->OpenFiles(dialog);
  if (picked.empty()) return;
  const std::string name = background ? kBackgroundImageName : kMainImageName;
  if (!ui->AskYesNo("This picture file will be copied to your Web Page Folder.\r\rDo you want to "
                    "continue and copy it?")) {
    return;
  }
  if (!platform::UpperAscii(picked.front()).ends_with(".GIF")) {
    ui->Information("Since the image file IS NOT a .GIF file, it will be converted into the Web "
                    "Folder as a .GIF file. The original file will NOT be modified!");
  }
  std::string error;
  if (!CopyImageIntoPages(*folder_, picked.front(), name, *services_.platform.files, &error)) {
    ui->Warning("The picture could not be copied to your Web Page Folder:\r\r" + error);
    return;
  }
  QImage image = LoadSmall(folder_->pages + name);
  if (background) {
    options_.background_image = name;
    background_image_ = image;
    background_use_->setChecked(true);
  } else {
    options_.main_image = name;
    main_image_ = image;
    main_use_->setChecked(true);
  }
  OptionChanged();
}

void TWebPageMenu::PublishClick(int mode) {
  if (!folder_ || services_.publisher == nullptr || services_.platform.files == nullptr) return;
  platform::Ui* ui = services_.platform.ui;
  PublishHooks hooks;
  hooks.close_ftp_window = [ui] {
    return ui != nullptr &&
           ui->Choice("FTP Web Publishing window is STILL open", platform::ChoiceKind::kWarning,
                      "You need to exit the FTP Web Publishing window before you can continue.",
                      {"+&Close FTP Window && Continue", "-&Cancel"}) == 1;
  };
  hooks.inform = [ui](const std::string& text) {
    if (ui != nullptr) ui->Information(text);
  };
  hooks.broken_links = [ui](const std::vector<std::string>& missing) {
    std::string text = "Some pages link to files that are NOT in the Web Folder:\r\r";
    for (size_t i = 0; i < missing.size() && i < 10; ++i) text += missing[i] + "\r";
    text += "\rDo you wish to publish anyway?";
    return ui == nullptr || ui->AskYesNo(text);
  };
  // The wizard stays up under the modal FTP window: hiding a dialog that runs its own modal
  // loop would end that loop and close the wizard.
  PublishPages(*folder_, options_, mode, *services_.publisher, *services_.platform.files, hooks);
  LoadWebOptions(*folder_, &server_);
}

void TWebPageMenu::TBPreviewClick() {
  if (!folder_ || services_.platform.shell == nullptr) return;
  services_.platform.shell->OpenDocument(folder_->pages + options_.index_name);
}

void TWebPageMenu::RebuildAlternates() {
  auto caption = [this](const char* verb, size_t key) {
    const std::string program = services_.keys ? (*services_.keys)[key] : std::string();
    if (program.empty()) return QString("Click here to Setup Alternate Browsers/Editors");
    return QString("%1 with %2").arg(verb, QString::fromStdString(platform::NameOf(program)));
  };
  view_alternate_->setText(caption("View", kBrowserKey));
  for (int n = 1; n <= 3; ++n) edit_alternates_[n - 1]->setText(caption("Edit", EditorKey(n)));
}

void TWebPageMenu::ChooseALTERNATEInternetBrowser1Click() {
  if (services_.keys == nullptr) return;
  TPickAltIEMenu pick(this, *services_.keys);
  if (pick.exec() == QDialog::Accepted) *services_.keys = pick.Keys();
  RebuildAlternates();
}

void TWebPageMenu::RunAlternate(size_t key, const std::string& path) {
  if (services_.keys == nullptr || services_.platform.shell == nullptr) return;
  if ((*services_.keys)[key].empty()) {
    ChooseALTERNATEInternetBrowser1Click();
    if ((*services_.keys)[key].empty()) return;
  }
  // The option is split into arguments as a shell would; the page comes last.
  std::vector<std::string> args = platform::SplitShellWords((*services_.keys)[key + 1]);
  args.push_back(path);
  if (!services_.platform.shell->Launch((*services_.keys)[key], args) && services_.platform.ui) {
    services_.platform.ui->Warning("The program could not be started:\r\r" + (*services_.keys)[key]);
  }
}

std::string TWebPageMenu::EditTarget() {
  if (!options_.template_mode) return folder_->pages + options_.index_name;
  if (services_.platform.ui) {
    services_.platform.ui->Information(
        "If you add animated mailboxes and cool looking stuff into your TEMPLATE, make sure "
        "these images go into the following folder:\r\r" + folder_->pages +
        "\r\rThis is so that the main images of the project are kept seperate from the other "
        "miscellaneous pictures used to pretty it up.");
  }
  pages_made_ = false;
  saved_ = false;
  UpdateEnables();
  return folder_->TemplatePath();
}

void TWebPageMenu::TBEditPageClick() {
  if (!folder_ || services_.platform.shell == nullptr) return;
  const std::string target = EditTarget();
  if (!services_.platform.shell->EditDocument(target) && services_.platform.ui != nullptr) {
    services_.platform.ui->Warning("No program for editing text could be started for:\r\r" +
                                   target);
  }
}

void TWebPageMenu::ViewInALTERNATEBrowser2Click() {
  if (folder_) RunAlternate(kBrowserKey, folder_->pages + options_.index_name);
}

void TWebPageMenu::UseWebEditorClick(int editor) {
  if (folder_ && editor >= 1 && editor <= 3) RunAlternate(EditorKey(editor), EditTarget());
}

bool TWebPageMenu::UnsavedPrompt(bool closing) {
  if (saved_ || !folder_ || Panel() != 2 || services_.platform.ui == nullptr) return true;
  const int pressed = services_.platform.ui->Choice(
      "Information", platform::ChoiceKind::kInformation,
      "You have NOT saved your Web Page Info for the current Web Folder. If you don't save, then "
      "the next time you go into this folder, the properties like Text Size & Color etc... MAY "
      "not be up-to-date.\r\rDo you wish to save now?",
      {"+Save/Exit", "NO SAVE/Exit", "-Don't Exit"});
  if (pressed == 1 && SaveWebPage1Click()) {
    services_.platform.ui->Information("Web Folder Info saved! You may continue on now...");
  }
  return !closing || pressed != 3;
}

void TWebPageMenu::Leave() {
  if (folder_) {
    if (services_.keys != nullptr) (*services_.keys)[kLastPathKey] = folder_->root;
    RemoveEmptySubfolders(*folder_, *services_.platform.files);
  }
}

void TWebPageMenu::closeEvent(QCloseEvent* event) {
  if (leaving_) {
    event->accept();
    return;
  }
  if (running_ || !UnsavedPrompt(true)) {
    event->ignore();
    return;
  }
  leaving_ = true;
  Leave();
  event->accept();
}

void TWebPageMenu::reject() {
  if (leaving_) {
    QDialog::reject();
    return;
  }
  if (running_ || !UnsavedPrompt(true)) return;
  leaving_ = true;
  Leave();
  QDialog::reject();
}

void ShowWebPageMenu(QWidget* parent, const WebWindowServices& services) {
  if (services.hide_others) services.hide_others(true);
  {
    TWebPageMenu menu(parent, services);
    menu.exec();
  }
  if (services.hide_others) services.hide_others(false);
}

}  // namespace vr::web::ui
