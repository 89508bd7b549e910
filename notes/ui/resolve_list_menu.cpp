#include "notes/ui/resolve_list_menu.h"

#include <QCloseEvent>
#include <algorithm>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "platform/files.h"
#include "platform/path_rules.h"
#include "platform/please_wait.h"
#include "platform/ui.h"

namespace vr::notes {

TResolveListMenu::TResolveListMenu(std::vector<ResolvePair> pairs, FixEntriesFn fix,
                                   const platform::Services& services, QWidget* parent)
    : QDialog(parent), pairs_(std::move(pairs)), fix_(std::move(fix)), services_(services) {
  setObjectName("TResolveListMenu");
  setWindowTitle(kCaption);
  setModal(true);
  auto* column = new QVBoxLayout(this);
  column->addWidget(new QLabel("BAD LINKS FOUND"));
  list_ = new QListWidget;
  list_->setObjectName("ListBox1");
  column->addWidget(list_);
  auto* buttons = new QHBoxLayout;
  resolve_ = new QPushButton("&Resolve/Fix");
  resolve_->setObjectName("BResolve");
  auto* exit = new QPushButton("E&xit");
  exit->setObjectName("BExit");
  buttons->addWidget(resolve_);
  buttons->addWidget(exit);
  column->addLayout(buttons);
  status_ = new QStatusBar;
  column->addWidget(status_);
  connect(resolve_, &QPushButton::clicked, this, [this] { ResolveClick(); });
  connect(list_, &QListWidget::itemDoubleClicked, this, [this] { ResolveClick(); });
  connect(exit, &QPushButton::clicked, this, [this] { close(); });
  Refill();
}

std::string TResolveListMenu::StatusText() const {
  return status_->currentMessage().toStdString();
}

void TResolveListMenu::Status(const std::string& text) {
  status_->showMessage(QString::fromStdString(text));
}

void TResolveListMenu::Refill() {
  const int row = list_->currentRow();
  list_->clear();
  for (const ResolvePair& p : pairs_) list_->addItem(QString::fromStdString(p.path));
  if (!pairs_.empty()) list_->setCurrentRow(std::clamp(row, 0, list_->count() - 1));
}

void TResolveListMenu::ResolveClick() {
  if (pairs_.empty() || services_.files == nullptr) return;
  const size_t index = static_cast<size_t>(std::max(0, list_->currentRow()));
  // An unreadable shortcut keeps its pair listed: there is nothing to search by.
  const std::optional<Shortcut> shortcut = ReadShortcutFile(pairs_[index].shortcut);
  if (!shortcut) {
    Status("Can not read the shortcut for:" + pairs_[index].path);
    return;
  }
  Shortcut missing = *shortcut;
  missing.path = pairs_[index].path;
  if (!services_.files->IsFile(missing.path)) {
    const std::optional<std::string> found = Locate(missing);
    if (!found) return;
    ApplyNewLocation(&pairs_, index, *found, *services_.files, fix_,
                     [this](const std::string& t) { Status(t); });
  }
  DropResolved(&pairs_, *services_.files, [this](const std::string& t) { Status(t); });
  Refill();
  if (pairs_.empty()) {
    closing_ok_ = true;
    accept();
  }
}

std::optional<std::string> TResolveListMenu::Locate(const Shortcut& missing) {
  // The "Missing Shortcut" window stays up while the search runs; its buttons end the search.
  QDialog window(this);
  window.setObjectName("MissingShortcut");
  window.setWindowTitle("Missing Shortcut");
  auto* column = new QVBoxLayout(&window);
  column->addWidget(new QLabel(QString::fromStdString("Original Path:" + missing.path)));
  auto* searching = new QLabel;
  searching->setObjectName("Searching");
  column->addWidget(searching);
  auto* row = new QHBoxLayout;
  auto* browse = new QPushButton("&Browse...");
  browse->setObjectName("BBrowse");
  auto* cancel = new QPushButton("&Cancel");
  cancel->setObjectName("BCancel");
  row->addWidget(browse);
  row->addWidget(cancel);
  column->addLayout(row);
  pressed_ = Pressed::kNone;
  connect(browse, &QPushButton::clicked, &window, [this] { pressed_ = Pressed::kBrowse; });
  connect(cancel, &QPushButton::clicked, &window, [this] { pressed_ = Pressed::kCancel; });
  window.show();
  missing_ = &window;

  ResolveSearchHooks hooks;
  hooks.status = [&](const std::string& text) {
    searching->setText(QString::fromStdString(text));
    Status(text);
  };
  hooks.pump_and_poll_stop = [this] {
    if (services_.pump != nullptr) services_.pump->PumpMessages();
    return pressed_ != Pressed::kNone;
  };
  const std::vector<std::string> found = FindBySizeAndStamp(*services_.files, missing, hooks);
  missing_ = nullptr;
  window.hide();
  if (pressed_ == Pressed::kCancel) return std::nullopt;
  if (pressed_ == Pressed::kBrowse || found.empty()) return BrowseFor(missing.path);
  bool browse_asked = false;
  std::optional<std::string> chosen = ChooseCandidate(found, &browse_asked);
  if (browse_asked) return BrowseFor(missing.path);
  return chosen;
}

std::optional<std::string> TResolveListMenu::ChooseCandidate(const std::vector<std::string>& found,
                                                             bool* browse) {
  QDialog window(this);
  window.setObjectName("PossibleFiles");
  window.setWindowTitle("List of possible files that matched");
  auto* column = new QVBoxLayout(&window);
  column->addWidget(
      new QLabel("Choose one of the following files and click USE FILE or click BROWSE"));
  auto* list = new QListWidget;
  list->setObjectName("Candidates");
  for (const std::string& f : found) list->addItem(QString::fromStdString(f));
  column->addWidget(list);
  auto* row = new QHBoxLayout;
  auto* use = new QPushButton("&Use File");
  use->setObjectName("BUseFile");
  auto* browse_button = new QPushButton("&Browse");
  browse_button->setObjectName("BBrowse");
  auto* cancel = new QPushButton("&Cancel");
  cancel->setObjectName("BCancel");
  row->addWidget(use);
  row->addWidget(browse_button);
  row->addWidget(cancel);
  column->addLayout(row);
  std::optional<std::string> chosen;
  connect(use, &QPushButton::clicked, &window, [&] {
    if (list->currentItem() == nullptr || !list->currentItem()->isSelected()) {
      if (services_.ui != nullptr) {
        services_.ui->Information(
            "You need to select a file first before clicking \"Use File\".");
      }
      return;
    }
    chosen = list->currentItem()->text().toStdString();
    window.accept();
  });
  connect(browse_button, &QPushButton::clicked, &window, [&] {
    *browse = true;
    window.reject();
  });
  connect(cancel, &QPushButton::clicked, &window, [&] { window.reject(); });
  window.exec();
  return chosen;
}

std::optional<std::string> TResolveListMenu::BrowseFor(const std::string& path) {
  if (services_.ui == nullptr) return std::nullopt;
  platform::FileDialogOptions options;
  options.title = "Locating file...It's all up to you :)";
  options.folder = platform::FolderOf(path);
  options.file_name = platform::NameOf(path);
  const std::vector<std::string> picked = services_.ui->OpenFiles(options);
  if (picked.empty()) return std::nullopt;
  return picked.front();
}

bool TResolveListMenu::MayClose() {
  if (closing_ok_ || pairs_.empty() || services_.ui == nullptr) return true;
  const int choice = services_.ui->Choice("Confirm", platform::ChoiceKind::kWarning, kStillLeftText,
                                          {"+Cancel and fix links", "Exit with unresolved links"});
  return choice == 2;
}

void TResolveListMenu::closeEvent(QCloseEvent* event) {
  if (!MayClose()) {
    event->ignore();
    return;
  }
  closing_ok_ = true;
  QDialog::closeEvent(event);
}

void TResolveListMenu::reject() {
  if (!MayClose()) return;
  closing_ok_ = true;
  QDialog::reject();
}

}  // namespace vr::notes
