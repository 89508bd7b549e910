#include "web/ui/pick_alt_menu.h"

#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>

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
    programs_[r]->installEventFilter(this);
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

namespace {

// The first dropped name when it is a file (a folder or a web address sets nothing).
QString DroppedFile(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().isEmpty()) return {};
  const QUrl url = data->urls().first();
  if (!url.isLocalFile()) return {};
  const QString path = url.toLocalFile();
  return QFileInfo(path).isFile() ? path : QString();
}

}  // namespace

bool TPickAltIEMenu::eventFilter(QObject* watched, QEvent* event) {
  auto* field = qobject_cast<QLineEdit*>(watched);
  if (field == nullptr) return QDialog::eventFilter(watched, event);
  if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
    auto* drag = static_cast<QDropEvent*>(event);
    if (DroppedFile(drag->mimeData()).isEmpty()) {
      drag->ignore();
    } else {
      drag->acceptProposedAction();
    }
    return true;
  }
  if (event->type() == QEvent::Drop) {
    auto* drop = static_cast<QDropEvent*>(event);
    const QString path = DroppedFile(drop->mimeData());
    if (!path.isEmpty()) {
      field->setText(path);
      drop->acceptProposedAction();
    } else {
      drop->ignore();
    }
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace vr::web::ui
