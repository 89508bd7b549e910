#include "albums/ui/album_prop_menu.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "albums/album_file.h"
#include "platform/path_rules.h"
#include "platform/ui.h"

namespace vr::albums::ui {

TAlbumPropMenu::TAlbumPropMenu(std::string album_folder, bool new_album, platform::Ui& ui,
                               QWidget* parent)
    : QDialog(parent),
      album_folder_(std::move(album_folder)),
      old_value_(ReadSyncFolder(album_folder_)),
      new_album_(new_album),
      opened_as_folder_(!old_value_.empty()),
      ui_(ui) {
  setObjectName("TAlbumPropMenu");
  setWindowTitle("Album Properties");
  setModal(true);
  auto* column = new QVBoxLayout(this);
  auto* group = new QGroupBox("Album Type");
  auto* radios = new QVBoxLayout(group);
  normal_ = new QRadioButton("NORMAL (Album files can be from anywhere)");
  folder_ = new QRadioButton("FOLDER (Album files load from a specified folder)");
  radios->addWidget(normal_);
  radios->addWidget(folder_);
  column->addWidget(group);
  auto* row = new QHBoxLayout;
  edit_ = new QLineEdit(QString::fromStdString(old_value_));
  edit_->setObjectName("EFolder");
  browse_ = new QPushButton("&Browse");
  row->addWidget(edit_);
  row->addWidget(browse_);
  column->addLayout(row);
  auto* buttons = new QHBoxLayout;
  auto* apply = new QPushButton("&Apply");
  apply->setObjectName("BApply");
  auto* cancel = new QPushButton("&Cancel");
  cancel->setObjectName("BCancel");
  buttons->addWidget(apply);
  buttons->addWidget(cancel);
  column->addLayout(buttons);
  (opened_as_folder_ ? folder_ : normal_)->setChecked(true);
  edit_->setVisible(opened_as_folder_);
  browse_->setVisible(opened_as_folder_);
  connect(normal_, &QRadioButton::clicked, this, [this] { TypeChosen(false); });
  connect(folder_, &QRadioButton::clicked, this, [this] { TypeChosen(true); });
  connect(browse_, &QPushButton::clicked, this, [this] { BrowseClick(); });
  connect(apply, &QPushButton::clicked, this, [this] { ApplyClick(); });
  connect(cancel, &QPushButton::clicked, this, [this] { CancelClick(); });
}

bool TAlbumPropMenu::folder_album() const { return folder_->isChecked(); }

void TAlbumPropMenu::TypeChosen(bool folder) {
  edit_->setVisible(folder);
  browse_->setVisible(folder);
  if (folder && edit_->text().isEmpty()) BrowseClick();
  if (folder == opened_as_folder_) return;
  if (!folder) {
    ui_.Information(kUnlockText);
  } else if (!new_album_) {
    ui_.Warning(kLockText);
  }
}

void TAlbumPropMenu::BrowseClick() {
  const std::optional<std::string> picked =
      ui_.PickFolder("Select Folder To Lock Album To", edit_->text().toStdString());
  if (picked && !picked->empty()) {
    edit_->setText(QString::fromStdString(platform::WithTrailingSeparator(*picked)));
  }
}

void TAlbumPropMenu::ApplyClick() {
  std::string value;
  if (folder_->isChecked() && !edit_->text().isEmpty()) {
    value = platform::WithTrailingSeparator(edit_->text().toStdString());
  }
  WriteSyncFolder(album_folder_, value);  // a failed write leaves a normal album
  changed_ = value != old_value_;
  accept();
}

void TAlbumPropMenu::CancelClick() {
  WriteSyncFolder(album_folder_, old_value_);
  changed_ = false;
  reject();
}

}  // namespace vr::albums::ui
