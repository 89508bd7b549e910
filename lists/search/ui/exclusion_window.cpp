#include "lists/search/ui/exclusion_window.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/path_rules.h"
#include "platform/ui.h"

namespace vr::search_ui {

namespace {

void AddRow(QListWidget* box, const search::FolderRule& rule) {
  auto* item = new QListWidgetItem(QString::fromStdString(rule.folder), box);
  item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
  item->setCheckState(rule.checked ? Qt::Checked : Qt::Unchecked);
}

std::vector<search::FolderRule> Rules(const QListWidget* box) {
  std::vector<search::FolderRule> rules;
  for (int i = 0; i < box->count(); ++i) {
    const QListWidgetItem* item = box->item(i);
    const std::string folder = item->text().trimmed().toStdString();
    if (!folder.empty()) rules.push_back({folder, item->checkState() == Qt::Checked});
  }
  return rules;
}

}  // namespace

TExclusionWindow::TExclusionWindow(const search::ExclusionList& lists, platform::Ui& ui,
                                   QWidget* parent)
    : QDialog(parent), ui_(ui) {
  setWindowTitle(kExclusionCaption);
  auto* layout = new QVBoxLayout(this);
  auto* boxes = new QHBoxLayout;
  layout->addLayout(boxes);
  for (const bool exclude : {true, false}) {
    auto* group = new QGroupBox(exclude ? "Folders to EXCLUDE" : "Folders to INCLUDE", this);
    auto* group_layout = new QVBoxLayout(group);
    auto* box = new QListWidget(group);
    box->setSelectionMode(QAbstractItemView::ExtendedSelection);
    box->setObjectName(exclude ? "ExcludeList" : "IncludeList");
    for (const search::FolderRule& rule : exclude ? lists.exclude() : lists.include()) {
      AddRow(box, rule);
    }
    (exclude ? exclude_ : include_) = box;
    group_layout->addWidget(box);
    auto* row = new QHBoxLayout;
    auto* add = new QPushButton(exclude ? "Add EXCLUDE Folder..." : "Add INCLUDE Folder...", group);
    auto* remove = new QPushButton(exclude ? "Remove EXCLUDE Folder" : "Remove INCLUDE Folder", group);
    connect(add, &QPushButton::clicked, this, [this, exclude] { AddClick(exclude); });
    connect(remove, &QPushButton::clicked, this, [this, exclude] { RemoveClick(exclude); });
    row->addWidget(add);
    row->addWidget(remove);
    group_layout->addLayout(row);
    group_layout->addWidget(
        new QLabel("A CHECKED folder covers its sub-folders too.", group));
    boxes->addWidget(group);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

void TExclusionWindow::AddClick(bool exclude) {
  const auto folder = ui_.PickFolder(exclude ? "Folder to EXCLUDE" : "Folder to INCLUDE", "");
  if (!folder || folder->empty()) return;
  QListWidget* box = Box(exclude);
  for (int i = 0; i < box->count(); ++i) {
    if (platform::SamePath(platform::WithTrailingSeparator(box->item(i)->text().toStdString()),
                           platform::WithTrailingSeparator(*folder))) {
      box->setCurrentRow(i);
      return;
    }
  }
  AddRow(box, {*folder, true});
}

void TExclusionWindow::RemoveClick(bool exclude) {
  QListWidget* box = Box(exclude);
  for (int i = box->count() - 1; i >= 0; --i) {
    if (box->item(i)->isSelected()) delete box->takeItem(i);
  }
}

search::ExclusionList TExclusionWindow::Result() const {
  search::ExclusionList lists;
  lists.exclude() = Rules(exclude_);
  lists.include() = Rules(include_);
  return lists;
}

}  // namespace vr::search_ui
