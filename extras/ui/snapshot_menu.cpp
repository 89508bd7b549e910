#include "extras/ui/snapshot_menu.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vr::extras::ui {

TSnapShotMenu::TSnapShotMenu(QWidget* parent) : QDialog(parent) {
  setObjectName("SnapShotMenu");
  setWindowTitle("Pick a format to save the SCREEN Snap Shot");
  auto* layout = new QVBoxLayout(this);
  auto* box = new QGroupBox("Saved File Format");
  box->setObjectName("RGFormat");
  auto* items = new QVBoxLayout(box);
  RGFormat = new QButtonGroup(this);
  int id = 0;
  for (const char* caption : {"256 Color GIF File (~80K)", "JPG File (~150K)",
                              "24Bit Windows BMP File (~1500K)"}) {
    auto* radio = new QRadioButton(caption);
    radio->setChecked(id == 0);
    RGFormat->addButton(radio, id++);
    items->addWidget(radio);
  }
  layout->addWidget(box);
  BSave = new QPushButton("&Save Now");
  BSave->setObjectName("BSave");
  BSave->setDefault(true);
  layout->addWidget(BSave);
  connect(BSave, &QPushButton::clicked, this, &QDialog::accept);
  BSave->setFocus();
}

int TSnapShotMenu::Format(int exec_result) const {
  return exec_result == QDialog::Accepted ? RGFormat->checkedId() + 1 : 2;
}

}  // namespace vr::extras::ui
