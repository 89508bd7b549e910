#include "lists/search/ui/move_rename_window.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "lists/window/tag_ops.h"
#include "platform/path_rules.h"
#include "platform/profile_file.h"

namespace vr::search_ui {

namespace {

constexpr const char* kHistorySection = "Recent List";

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string HistoryKey(int i) { return kMoveHistoryKey + std::to_string(i); }

}  // namespace

std::vector<std::string> ReadMoveHistory(const platform::ProfileFile& settings) {
  std::vector<std::string> folders;
  for (int i = 0; i < list_window::kHistorySize; ++i) {
    const std::string folder = settings.ReadString(kHistorySection, HistoryKey(i), "");
    if (!folder.empty() && folder.front() == '/') folders.push_back(folder);
  }
  return folders;
}

void WriteMoveHistory(platform::ProfileFile& settings, const std::vector<std::string>& folders) {
  for (int i = 0; i < list_window::kHistorySize; ++i) {
    const std::string key = HistoryKey(i);
    if (static_cast<size_t>(i) < folders.size()) {
      settings.WriteString(kHistorySection, key, folders[static_cast<size_t>(i)]);
    } else {
      settings.EraseKey(kHistorySection, key);
    }
  }
}

TMoveRenameWindow::TMoveRenameWindow(const std::string& path,
                                     const std::vector<std::string>& history, QWidget* parent)
    : QDialog(parent),
      source_name_(platform::NameOf(path)),
      source_folder_(platform::WithTrailingSeparator(platform::FolderOf(path))) {
  setWindowTitle(kMoveRenameCaption);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(Q("File: " + path), this));

  manual_ = new QRadioButton(kManualMethod, this);
  manual_->setChecked(true);
  layout->addWidget(manual_);
  auto* grid = new QGridLayout;
  folder_ = new QLineEdit(Q(source_folder_), this);
  folder_->setObjectName("EFolder");
  name_ = new QLineEdit(Q(source_name_), this);
  name_->setObjectName("EName");
  grid->addWidget(new QLabel("New folder:", this), 0, 0);
  grid->addWidget(folder_, 0, 1);
  grid->addWidget(new QLabel("New name:", this), 1, 0);
  grid->addWidget(name_, 1, 1);
  layout->addLayout(grid);

  from_history_ = new QRadioButton(kHistoryMethod, this);
  layout->addWidget(from_history_);
  history_ = new QComboBox(this);
  history_->setObjectName("CBMoveList");
  for (const std::string& folder : history) history_->addItem(Q(folder));
  from_history_->setEnabled(!history.empty());
  history_->setEnabled(false);
  layout->addWidget(history_);
  connect(manual_, &QRadioButton::toggled, this, [this](bool on) {
    folder_->setEnabled(on);
    name_->setEnabled(on);
    history_->setEnabled(!on);
  });

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

std::string TMoveRenameWindow::TargetFolder() const {
  std::string folder = manual_->isChecked() ? folder_->text().trimmed().toStdString()
                                            : history_->currentText().toStdString();
  if (folder.empty()) folder = source_folder_;
  // A folder typed without its full path is taken from the file's own folder.
  if (folder.front() != '/') folder = source_folder_ + folder;
  return platform::WithTrailingSeparator(folder);
}

std::string TMoveRenameWindow::TargetName() const {
  if (!manual_->isChecked()) return source_name_;
  const std::string name = name_->text().trimmed().toStdString();
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) return {};
  return name;
}

}  // namespace vr::search_ui
