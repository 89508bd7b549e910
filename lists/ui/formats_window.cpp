#include "lists/ui/formats_window.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/ui.h"

namespace vr::lists {

TFormatsMenu::TFormatsMenu(AllowableTypes& types, platform::Ui& ui, int columns, QWidget* parent)
    : QDialog(parent), types_(types), ui_(ui) {
  setWindowTitle("Select Formats For Loading");
  CheckListBox1 = new QListWidget(this);
  CheckListBox1->setViewMode(QListView::ListMode);
  CheckListBox1->setFlow(QListView::TopToBottom);
  CheckListBox1->setWrapping(columns > 1);
  CheckListBox1->setResizeMode(QListView::Adjust);
  for (std::string_view ext : kKnownTypes) {
    auto* item = new QListWidgetItem(QString::fromLatin1(ext.data(), static_cast<int>(ext.size())),
                                     CheckListBox1);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
  }
  BUseAll = new QPushButton("Use All", this);
  BUseNone = new QPushButton("Use None", this);
  BUseMovies = new QPushButton("Use Movies", this);
  BUseSounds = new QPushButton("Use Sounds", this);
  BUseImages = new QPushButton("Use Images", this);
  BOk = new QPushButton("OK", this);
  BOk->setDefault(true);

  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {BUseAll, BUseNone, BUseMovies, BUseSounds, BUseImages}) {
    buttons->addWidget(b);
  }
  buttons->addStretch();
  buttons->addWidget(BOk);
  auto* all = new QHBoxLayout(this);
  all->addWidget(CheckListBox1, 1);
  all->addLayout(buttons);

  connect(BUseAll, &QPushButton::clicked, this, &TFormatsMenu::BUseAllClick);
  connect(BUseNone, &QPushButton::clicked, this, &TFormatsMenu::BUseNoneClick);
  connect(BUseMovies, &QPushButton::clicked, this, &TFormatsMenu::BUseMoviesClick);
  connect(BUseSounds, &QPushButton::clicked, this, &TFormatsMenu::BUseSoundsClick);
  connect(BUseImages, &QPushButton::clicked, this, &TFormatsMenu::BUseImagesClick);
  connect(BOk, &QPushButton::clicked, this, &QDialog::accept);
  LoadChecks();
}

void TFormatsMenu::LoadChecks() {
  for (int i = 0; i < CheckListBox1->count(); ++i) {
    CheckListBox1->item(i)->setCheckState(types_.Checked(static_cast<size_t>(i)) ? Qt::Checked
                                                                                 : Qt::Unchecked);
  }
}

void TFormatsMenu::StoreChecks() {
  for (int i = 0; i < CheckListBox1->count(); ++i) {
    types_.SetChecked(static_cast<size_t>(i), CheckListBox1->item(i)->checkState() == Qt::Checked);
  }
}

void TFormatsMenu::BUseAllClick() {
  StoreChecks();
  types_.UseAll();
  LoadChecks();
}
void TFormatsMenu::BUseNoneClick() {
  StoreChecks();
  types_.UseNone();
  LoadChecks();
}
void TFormatsMenu::BUseMoviesClick() {
  StoreChecks();
  types_.UseMovies();
  LoadChecks();
}
void TFormatsMenu::BUseSoundsClick() {
  StoreChecks();
  types_.UseSounds();
  LoadChecks();
}
void TFormatsMenu::BUseImagesClick() {
  StoreChecks();
  types_.UseImages();
  LoadChecks();
}

bool TFormatsMenu::MayClose() {
  StoreChecks();
  if (!types_.AnyChecked()) {
    const int choice = ui_.Choice("Warning", platform::ChoiceKind::kWarning, kNoTypeCheckedWarning,
                                  {"+CANCEL", "Continue Anyway"});
    if (choice == 1) return false;
  }
  types_.RebuildPattern();
  return true;
}

void TFormatsMenu::done(int result) {
  if (!MayClose()) return;
  QDialog::done(result);
}

}  // namespace vr::lists
