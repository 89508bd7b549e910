#include "web/ui/pick_alt_menu.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vr::web::ui {

TPickAltIEMenu::TPickAltIEMenu(QWidget* parent, const WebFolderKeys& keys)
    : QDialog(parent), keys_(keys) {
  setWindowTitle("Pick ALTernate Internet Browser & Editor programs");
  auto* grid = new QGridLayout(this);
  const char* rows[4] = {"Browser:", "Editor #1:", "Editor #2:", "Editor #3:"};
  grid->addWidget(new QLabel("Program"), 0, 1);
  grid->addWidget(new QLabel("Command Line Option"), 0, 3);
  for (int r = 0; r < 4; ++r) {
    const size_t key = r == 0 ? kBrowserKey : EditorKey(r);
    programs_[r] = new QLineEdit(QString::fromStdString(keys_[key]));
    options_[r] = new QLineEdit(QString::fromStdString(keys_[key + 1]));
    auto* browse = new QPushButton("Browse");
    QLineEdit* target = programs_[r];
    connect(browse, &QPushButton::clicked, this, [this, target] {
      const QString chosen = QFileDialog::getOpenFileName(this, "Program", target->text());
      if (!chosen.isEmpty()) target->setText(chosen);
    });
    grid->addWidget(new QLabel(rows[r]), r + 1, 0);
    grid->addWidget(programs_[r], r + 1, 1);
    grid->addWidget(browse, r + 1, 2);
    grid->addWidget(options_[r], r + 1, 3);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  grid->addWidget(buttons, 5, 0, 1, 4);
}

WebFolderKeys TPickAltIEMenu::Keys() const {
  WebFolderKeys keys = keys_;
  for (int r = 0; r < 4; ++r) {
    const size_t key = r == 0 ? kBrowserKey : EditorKey(r);
    keys[key] = programs_[r]->text().trimmed().toStdString();
    keys[key + 1] = options_[r]->text().toStdString();
  }
  return keys;
}

}  // namespace vr::web::ui
