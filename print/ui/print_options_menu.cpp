#include "print/ui/print_options_menu.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vr::print::ui {

namespace {
// Up to two digits, a point and two digits ("90\.99"); unfilled places show as blanks.
constexpr const char* kMarginMask = "09.00; ";
}  // namespace

TPrintOptionsMenu::TPrintOptionsMenu(PrintOptions& options, platform::Printer* printer,
                                     QWidget* parent)
    : QDialog(parent), options_(options), printer_(printer) {
  setWindowTitle("Print Options");
  auto* layout = new QVBoxLayout(this);
  CheckBox2 = new QCheckBox("Landscape", this);
  CheckBox2->setObjectName("CheckBox2");
  CheckBox4 = new QCheckBox("Keep Aspect", this);
  CheckBox4->setObjectName("CheckBox4");
  layout->addWidget(CheckBox2);
  layout->addWidget(CheckBox4);
  auto* group = new QGroupBox(this);
  auto* grid = new QGridLayout(group);
  RadioButton1 = new QRadioButton("Full Page", group);
  RadioButton1->setObjectName("RadioButton1");
  RadioButton2 = new QRadioButton("Keep True Size", group);
  RadioButton2->setObjectName("RadioButton2");
  RadioButton3 = new QRadioButton("Use Margins", group);
  RadioButton3->setObjectName("RadioButton3");
  grid->addWidget(RadioButton1, 0, 0, 1, 2);
  grid->addWidget(RadioButton2, 1, 0, 1, 2);
  grid->addWidget(RadioButton3, 2, 0, 1, 2);
  Label1 = new QLabel("Left/Right", group);
  Label2 = new QLabel("Top/Bottom", group);
  MaskEdit1 = new QLineEdit(group);
  MaskEdit1->setObjectName("MaskEdit1");
  MaskEdit2 = new QLineEdit(group);
  MaskEdit2->setObjectName("MaskEdit2");
  for (QLineEdit* edit : {MaskEdit1, MaskEdit2}) edit->setInputMask(kMarginMask);
  grid->addWidget(Label1, 3, 0);
  grid->addWidget(MaskEdit1, 3, 1);
  grid->addWidget(Label2, 4, 0);
  grid->addWidget(MaskEdit2, 4, 1);
  layout->addWidget(group);
  CBTag = new QCheckBox("Print Tagged ONLY", this);
  CBTag->setObjectName("CBTag");
  layout->addWidget(CBTag);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  // The window shows what was chosen before in this run.
  const bool landscape = printer_ != nullptr
                             ? printer_->Orientation() == platform::PageOrientation::kLandscape
                             : options_.landscape;
  CheckBox2->setChecked(landscape);
  CheckBox4->setChecked(options_.keep_aspect);
  RadioButton1->setChecked(options_.placement == Placement::kFullPage);
  RadioButton2->setChecked(options_.placement == Placement::kTrueSize);
  RadioButton3->setChecked(options_.placement == Placement::kMargins);
  if (!options_.margin_lr.empty()) MaskEdit1->setText(QString::fromStdString(options_.margin_lr));
  if (!options_.margin_tb.empty()) MaskEdit2->setText(QString::fromStdString(options_.margin_tb));
  CBTag->setChecked(options_.tagged_only);
  ShowMargins();

  // Each click on "Landscape" turns the printer at once.
  connect(CheckBox2, &QCheckBox::clicked, this, [this](bool on) {
    options_.landscape = on;
    if (printer_ != nullptr) {
      printer_->SetOrientation(on ? platform::PageOrientation::kLandscape
                                  : platform::PageOrientation::kPortrait);
    }
  });
  for (QRadioButton* radio : {RadioButton1, RadioButton2, RadioButton3}) {
    connect(radio, &QRadioButton::toggled, this, [this] {
      ShowMargins();
      Store();
    });
  }
  connect(CheckBox4, &QCheckBox::toggled, this, [this] { Store(); });
  connect(CBTag, &QCheckBox::toggled, this, [this] { Store(); });
  connect(MaskEdit1, &QLineEdit::textChanged, this, [this] { Store(); });
  connect(MaskEdit2, &QLineEdit::textChanged, this, [this] { Store(); });
  Store();
}

void TPrintOptionsMenu::ShowMargins() {
  const bool margins = RadioButton3->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{MaskEdit1, MaskEdit2, Label1, Label2}) {
    w->setVisible(margins);
  }
}

void TPrintOptionsMenu::Store() {
  options_.keep_aspect = CheckBox4->isChecked();
  options_.placement = RadioButton3->isChecked()   ? Placement::kMargins
                       : RadioButton2->isChecked() ? Placement::kTrueSize
                                                   : Placement::kFullPage;
  options_.margin_lr = MaskEdit1->text().toStdString();
  options_.margin_tb = MaskEdit2->text().toStdString();
  options_.tagged_only = CBTag->isChecked();
}

}  // namespace vr::print::ui
