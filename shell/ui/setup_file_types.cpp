#include "shell/ui/setup_file_types.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "shell/install.h"

namespace vr::shell::ui {

TSetupFileTypes::TSetupFileTypes(QWidget* parent) : QDialog(parent) {
  setObjectName("SetupFileTypes");
  setWindowTitle("Setup File Types");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("Open these picture types with Veldrimon:"));
  list_ = new QListWidget();
  for (const std::string& mime : PictureMimeTypes()) {
    auto* item = new QListWidgetItem(QString::fromStdString(mime), list_);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
  }
  layout->addWidget(list_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

std::vector<std::string> TSetupFileTypes::CheckedMimeTypes() const {
  std::vector<std::string> types;
  for (int i = 0; i < list_->count(); ++i) {
    if (list_->item(i)->checkState() == Qt::Checked) {
      types.push_back(list_->item(i)->text().toStdString());
    }
  }
  return types;
}

}  // namespace vr::shell::ui
