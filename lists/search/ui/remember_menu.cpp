#include "lists/search/ui/remember_menu.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/ui.h"

namespace vr::search_ui {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

TRememberMenu::TRememberMenu(search::LearnedList& list, std::string file,
                             std::vector<std::string> to_add, platform::Ui& ui, QWidget* parent)
    : QDialog(parent), list_(list), file_(std::move(file)), to_add_(std::move(to_add)), ui_(ui) {
  setWindowTitle(kRememberCaption);
  auto* layout = new QVBoxLayout(this);
  list_box_ = new QListWidget(this);
  layout->addWidget(list_box_);
  layout->addWidget(new QLabel(kToAddText, this));
  add_box_ = new QListWidget(this);
  layout->addWidget(add_box_);
  layout->addWidget(new QLabel(kOnceAddedText, this));
  auto* buttons = new QHBoxLayout;
  add_ = new QPushButton("&Add To List", this);
  remove_ = new QPushButton("&Remove Entry", this);
  auto* close = new QPushButton("&Close", this);
  buttons->addWidget(add_);
  buttons->addWidget(remove_);
  buttons->addWidget(close);
  layout->addLayout(buttons);
  connect(add_, &QPushButton::clicked, this, [this] { AddClick(); });
  connect(remove_, &QPushButton::clicked, this, [this] { RemoveClick(); });
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  Fill();
}

void TRememberMenu::Fill() {
  list_box_->clear();
  for (const auto& group : list_.groups()) {
    list_box_->addItem(search::kMemorizedHeading);
    for (const auto& path : group) list_box_->addItem(Q(path));
  }
  add_box_->clear();
  for (const auto& path : to_add_) add_box_->addItem(Q(path));
  add_->setEnabled(to_add_.size() >= 2);
}

bool TRememberMenu::SaveList() {
  if (list_.Save(file_)) return true;
  ui_.Error("Can't write " + file_);
  return false;
}

void TRememberMenu::AddClick() {
  if (to_add_.size() < 2) return;
  list_.AddGroup(to_add_);
  to_add_.clear();
  SaveList();
  Fill();
}

void TRememberMenu::RemoveClick() {
  const int row = list_box_->currentRow();
  if (row < 0) return;
  // Find the group and entry of the row (headings are rows of their own).
  int at = 0;
  for (size_t g = 0; g < list_.groups().size(); ++g) {
    ++at;  // the heading
    for (size_t k = 0; k < list_.groups()[g].size(); ++k, ++at) {
      if (at != row) continue;
      const std::string path = list_.groups()[g][k];
      if (!ui_.AskYesNo("Are you sure you want to REMOVE the entry for:\r\r" + path + "\r" +
                        "from the MIS-MATCH List?")) {
        return;
      }
      list_.RemoveEntry(g, k);
      SaveList();
      Fill();
      return;
    }
  }
}

}  // namespace vr::search_ui
