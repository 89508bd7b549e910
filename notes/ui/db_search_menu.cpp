#include "notes/ui/db_search_menu.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "notes/notes_database.h"
#include "notes/ui/db_edit_menu.h"
#include "picture/ui/preview_panel.h"
#include "platform/path_rules.h"
#include "platform/please_wait.h"
#include "platform/ui.h"

namespace vr::notes {
namespace {

constexpr std::array<const char*, kSearchFieldCount> kSearchLabels = {
    "FileName:", "Category:", "Type 1:", "Type 2:", "Value 1:", "Value 2:", "Keywords:", "Notes:"};
constexpr std::array<const char*, 3> kTypeCaptions = {
    "Deleted Records ONLY", "ONLY NON-Deleted Records", "Either Deleted or NON-Deleted"};

QString Q(const std::string& text) { return QString::fromStdString(text); }

QPushButton* Button(const char* caption, const char* name) {
  auto* b = new QPushButton(caption);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

}  // namespace

TDBSearchMenu::TDBSearchMenu(NotesDatabase& db, SearchMenuServices services, QWidget* parent)
    : QDialog(parent), db_(db), services_(std::move(services)) {
  setObjectName("TDBSearchMenu");
  setWindowTitle("Notes DataBase Search");
  setModal(true);
  auto* column = new QVBoxLayout(this);
  auto* row = new QHBoxLayout;
  auto* side = new QWidget;
  BuildSearchSide(side);
  row->addWidget(side, 1);
  panel_stack_ = new QStackedWidget;
  panel_stack_->addWidget(BuildPanel());
  auto* empty = new QWidget;
  auto* empty_column = new QVBoxLayout(empty);
  empty_column->addWidget(new QLabel("There are NO Records In The DataBase"));
  empty_column->addWidget(new QLabel("Add some, using the Files List Window"));
  empty_column->addStretch();
  panel_stack_->addWidget(empty);
  row->addWidget(panel_stack_, 1);
  column->addLayout(row);
  auto* bar = new QStatusBar;
  for (size_t i = 0; i < status_.size(); ++i) {
    status_[i] = new QLabel;
    bar->addWidget(status_[i], 1);
  }
  column->addWidget(bar);
  SetStatus(0, "Total Records:" + std::to_string(db_.NoteCount()));
  SetStatus(1, "Tagged Files:0");
  SetStatus(2, "Tagged Size:0");
  RefreshTotals();
  if (db_.NoteCount() > 0) ShowPosition(1);
}

void TDBSearchMenu::BuildSearchSide(QWidget* side) {
  auto* column = new QVBoxLayout(side);
  auto* grid = new QGridLayout;
  for (int f = 0; f < kSearchFieldCount; ++f) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QString("Search%1").arg(f));
    grid->addWidget(new QLabel(kSearchLabels[static_cast<size_t>(f)]), f, 0);
    grid->addWidget(edit, f, 1);
    search_[static_cast<size_t>(f)] = edit;
  }
  column->addLayout(grid);
  auto* types = new QGroupBox;
  auto* type_column = new QVBoxLayout(types);
  for (size_t i = 0; i < types_.size(); ++i) {
    types_[i] = new QRadioButton(kTypeCaptions[i]);
    type_column->addWidget(types_[i]);
  }
  types_[1]->setChecked(true);
  column->addWidget(types);
  auto* search = Button("&Search DataBase Now", "SearchNow");
  search->setDefault(true);
  connect(search, &QPushButton::clicked, this, [this] { SearchClick(); });
  column->addWidget(search);

  found_ = new QListWidget;
  found_->setObjectName("FoundList");
  connect(found_, &QListWidget::currentRowChanged, this, [this](int r) { ShowFoundRow(r); });
  connect(found_, &QListWidget::itemChanged, this, [this] { UpdateTagged(); });
  column->addWidget(found_, 1);
  auto* commands = new QGridLayout;
  auto* add = Button("&Add To FilesList", "FoundAdd");
  add->setEnabled(static_cast<bool>(services_.add_to_files_list));
  auto* del = Button("&Delete", "FoundDelete");
  auto* undel = Button("&UN-Delete", "FoundUnDelete");
  auto* tag = Button("Tag A&ll", "TagAll");
  auto* untag = Button("U&N-Tag All", "UnTagAll");
  auto* reverse = Button("&Reverse Tags", "ReverseTags");
  commands->addWidget(add, 0, 0);
  commands->addWidget(del, 0, 1);
  commands->addWidget(undel, 0, 2);
  commands->addWidget(tag, 1, 0);
  commands->addWidget(untag, 1, 1);
  commands->addWidget(reverse, 1, 2);
  connect(add, &QPushButton::clicked, this, [this] { AddClick(); });
  connect(del, &QPushButton::clicked, this, [this] { DeleteClick(); });
  connect(undel, &QPushButton::clicked, this, [this] { UnDeleteClick(); });
  connect(tag, &QPushButton::clicked, this, [this] { TagAll(1); });
  connect(untag, &QPushButton::clicked, this, [this] { TagAll(0); });
  connect(reverse, &QPushButton::clicked, this, [this] { TagAll(-1); });
  column->addLayout(commands);
}

QWidget* TDBSearchMenu::BuildPanel() {
  auto* panel = new QWidget;
  auto* column = new QVBoxLayout(panel);
  auto* file_row = new QHBoxLayout;
  file_row->addWidget(new QLabel("File:"));
  file_ = new QLabel;
  file_->setObjectName("PanelFile");
  file_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  file_row->addWidget(file_, 1);
  column->addLayout(file_row);
  auto* grid = new QGridLayout;
  for (int f = 0; f < kNoteFieldCount; ++f) {
    fields_[static_cast<size_t>(f)] = MakeNoteFieldEdit(f, this);
    grid->addWidget(new QLabel(NoteFieldLabel(f)), f, 0);
    grid->addWidget(fields_[static_cast<size_t>(f)], f, 1);
  }
  column->addLayout(grid);
  deleted_ = new QCheckBox("Deleted Status");
  column->addWidget(deleted_);
  if (services_.make_preview) {
    preview_ = services_.make_preview(panel);
    if (preview_ != nullptr) {
      preview_->setMinimumSize(160, 120);
      column->addWidget(preview_, 1);
    }
  }
  auto* nav = new QHBoxLayout;
  auto* first = Button("|<", "First");
  auto* prior = Button("<", "Prior");
  auto* next = Button(">", "Next");
  auto* last = Button(">|", "Last");
  position_ = new QLabel;
  position_->setObjectName("Position");
  nav->addWidget(first);
  nav->addWidget(prior);
  nav->addWidget(position_);
  nav->addWidget(next);
  nav->addWidget(last);
  connect(first, &QPushButton::clicked, this, [this] { ShowPosition(1); });
  connect(prior, &QPushButton::clicked, this,
          [this] { ShowPosition(std::max(1L, db_.CurrentNotePosition() - 1)); });
  connect(next, &QPushButton::clicked, this,
          [this] { ShowPosition(db_.CurrentNotePosition() + 1); });
  connect(last, &QPushButton::clicked, this, [this] { ShowPosition(db_.NoteCount()); });
  column->addLayout(nav);
  auto* go_row = new QHBoxLayout;
  go_row->addWidget(new QLabel("Record #:"));
  record_number_ = new QLineEdit;
  record_number_->setObjectName("RecordNumber");
  go_row->addWidget(record_number_);
  auto* go = Button("&Go", "Go");
  connect(go, &QPushButton::clicked, this, [this] { GoToClick(); });
  connect(record_number_, &QLineEdit::returnPressed, this, [this] { GoToClick(); });
  go_row->addWidget(go);
  column->addLayout(go_row);
  auto* actions = new QHBoxLayout;
  auto* update = Button("&Update", "Update");
  auto* add = Button("&Add To FilesList", "PanelAdd");
  add->setEnabled(static_cast<bool>(services_.add_to_files_list));
  connect(update, &QPushButton::clicked, this, [this] { UpdateClick(); });
  connect(add, &QPushButton::clicked, this, [this] { PanelAddClick(); });
  actions->addWidget(update);
  actions->addWidget(add);
  column->addLayout(actions);
  return panel;
}

std::string TDBSearchMenu::StatusText(int panel) const {
  return status_[static_cast<size_t>(panel)]->text().toStdString();
}

void TDBSearchMenu::SetStatus(int panel, const std::string& text) {
  status_[static_cast<size_t>(panel)]->setText(Q(text));
}

void TDBSearchMenu::Pump() {
  if (services_.platform.pump != nullptr) services_.platform.pump->PumpMessages();
}

void TDBSearchMenu::RefreshTotals() {
  panel_stack_->setCurrentIndex(db_.NoteCount() > 0 ? 0 : 1);
}

std::vector<std::string> TDBSearchMenu::FoundKeys() const {
  std::vector<std::string> keys;
  for (int i = 0; i < found_->count(); ++i) {
    keys.push_back(found_->item(i)->data(Qt::UserRole).toString().toStdString());
  }
  return keys;
}

std::vector<std::string> TDBSearchMenu::CheckedKeys() const {
  std::vector<std::string> keys;
  for (int i = 0; i < found_->count(); ++i) {
    if (found_->item(i)->checkState() == Qt::Checked) {
      keys.push_back(found_->item(i)->data(Qt::UserRole).toString().toStdString());
    }
  }
  return keys;
}

void TDBSearchMenu::UpdateTagged() {
  SetStatus(1, "Tagged:" + std::to_string(CheckedKeys().size()));
}

void TDBSearchMenu::SearchClick() {
  found_->clear();
  NotesQuery query;
  for (size_t i = 0; i < search_.size(); ++i) query.texts[i] = search_[i]->text().toStdString();
  query.type = types_[0]->isChecked()   ? SearchType::kDeletedOnly
               : types_[2]->isChecked() ? SearchType::kEither
                                        : SearchType::kLiveOnly;
  const std::vector<std::string> keys = SearchNotes(db_, query, [this](long n) {
    SetStatus(0, "Searching:" + std::to_string(n));
    Pump();
    return true;
  });
  {
    const QSignalBlocker quiet(found_);
    for (const std::string& key : keys) {
      auto* item = new QListWidgetItem(Q(platform::ShownPath(key)), found_);
      item->setData(Qt::UserRole, Q(key));
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(Qt::Unchecked);
    }
  }
  SetStatus(0, "Found:" + std::to_string(keys.size()));
  SetStatus(1, "Tagged:0");
  SetStatus(2, "Done Searching!");
  if (query.type == SearchType::kDeletedOnly) types_[1]->setChecked(true);
  if (!keys.empty()) found_->setCurrentRow(0);
}

void TDBSearchMenu::ShowFoundRow(int row) {
  if (row < 0 || row >= found_->count()) return;
  NotesRecord record;
  const std::string key = found_->item(row)->data(Qt::UserRole).toString().toStdString();
  if (db_.ReadNote(platform::ShownPath(key), &record).status == 0) ShowRecord(record);
}

void TDBSearchMenu::ShowPosition(long n) {
  const long count = db_.NoteCount();
  RefreshTotals();
  if (count <= 0) return;
  n = std::clamp(n, 1L, count);
  // The walk reads the entry after the current one.
  db_.SetNotePosition(n - 1);
  NotesRecord record;
  std::string folder;
  if (db_.NextNote(&record, &folder) == 0) ShowRecord(record);
}

void TDBSearchMenu::ShowRecord(const NotesRecord& record) {
  shown_ = record;
  shown_key_ = record.file_name_key;
  const std::string path = platform::ShownPath(record.file_name_key);
  file_->setText(Q(path));
  for (int f = 0; f < kNoteFieldCount; ++f) {
    fields_[static_cast<size_t>(f)]->setText(Q(NoteFieldText(record, f)));
  }
  deleted_->setChecked(record.live_flag != kLive);
  position_->setText(
      Q(std::to_string(db_.CurrentNotePosition()) + " of " + std::to_string(db_.NoteCount())));
  if (preview_ != nullptr) preview_->ShowFile(Q(path));
}

void TDBSearchMenu::GoToClick() {
  bool ok = false;
  const long n = record_number_->text().trimmed().toLong(&ok);
  // 0, an empty or unreadable number shows the first record; one past the end the last.
  ShowPosition(ok && n > 0 ? n : 1);
}

void TDBSearchMenu::UpdateClick() {
  if (shown_key_.empty()) return;
  const std::string path = platform::ShownPath(shown_key_);
  platform::Ui& ui = *services_.platform.ui;
  if (deleted_->isChecked()) {
    // Only the mark: the edits on screen are not stored.
    db_.DeleteNote(path);
  } else {
    NotesRecord stored;
    db_.ReadNote(path, &stored);
    std::string message;
    if (!CollectNoteFields(fields_, shown_, &stored, &message)) {
      ui.Warning(message);
      return;
    }
    const NotesStatus written = db_.WriteNote(path, stored);
    if (written.status != 0) {
      ui.Error(written.message);
      return;
    }
  }
  NotesRecord again;
  if (db_.ReadNote(path, &again).status == 0) ShowRecord(again);
}

void TDBSearchMenu::PanelAddClick() {
  if (shown_key_.empty() || !services_.add_to_files_list) return;
  services_.add_to_files_list({platform::ShownPath(shown_key_)});
}

void TDBSearchMenu::AddClick() {
  const std::vector<std::string> keys = CheckedKeys();
  if (keys.empty()) {
    services_.platform.ui->Warning(kNotTaggedText);
    return;
  }
  if (!services_.add_to_files_list) return;
  std::vector<std::string> paths;
  for (const std::string& key : keys) paths.push_back(platform::ShownPath(key));
  services_.add_to_files_list(paths);
}

void TDBSearchMenu::DeleteClick() {
  const std::vector<std::string> keys = CheckedKeys();
  platform::Ui& ui = *services_.platform.ui;
  if (keys.empty()) {
    ui.Warning(kNotTaggedText);
    return;
  }
  platform::ConfirmScope confirm(ui);
  for (const std::string& key : keys) {
    const std::string path = platform::ShownPath(key);
    const platform::Answer answer = confirm.Ask(
        platform::MessageKind::kQuestion, "Confirm",
        "Do you want to DELETE this file from the Notes DataBase?\r\r" + path);
    if (answer != platform::Answer::kYes && answer != platform::Answer::kYesToAll) continue;
    db_.DeleteNote(path);
    SetStatus(2, "Deleting:" + path);
    Pump();
  }
  SetStatus(2, "Done Deleting!");
  if (!shown_key_.empty()) ShowFoundRow(found_->currentRow());
}

void TDBSearchMenu::UnDeleteClick() {
  const std::vector<std::string> keys = CheckedKeys();
  platform::Ui& ui = *services_.platform.ui;
  if (keys.empty()) {
    ui.Warning(kNotTaggedText);
    return;
  }
  platform::ConfirmScope confirm(ui);
  for (const std::string& key : keys) {
    const std::string path = platform::ShownPath(key);
    const platform::Answer answer = confirm.Ask(
        platform::MessageKind::kQuestion, "Confirm",
        "Do you want to UN-DELETE this file from the Notes DataBase?\r\r" + path);
    if (answer != platform::Answer::kYes && answer != platform::Answer::kYesToAll) continue;
    NotesRecord record;
    if (db_.ReadNote(path, &record).status == 0) {
      const NotesStatus written = db_.WriteNote(path, record);  // makes it live again
      if (written.status != 0) ui.Error(written.message);
    }
    SetStatus(2, "UN-Deleting:" + path);
    Pump();
  }
  SetStatus(2, "Done UN-Deleting!");
  if (!shown_key_.empty()) ShowFoundRow(found_->currentRow());
}

void TDBSearchMenu::TagAll(int mode) {
  {
    const QSignalBlocker quiet(found_);
    for (int i = 0; i < found_->count(); ++i) {
      QListWidgetItem* item = found_->item(i);
      const bool on = mode < 0 ? item->checkState() != Qt::Checked : mode > 0;
      item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
  }
  UpdateTagged();
}

}  // namespace vr::notes
