#include "lists/search/ui/search_list_menu.h"

#include <sys/stat.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cstring>
#include <ctime>
#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>

#include "lists/files_list.h"
#include "lists/notes_access.h"
#include "lists/recycle/recycle_bin.h"
#include "lists/recycle/ui/recycle_controller.h"
#include "lists/search/best_of_group.h"
#include "lists/search/image_search.h"
#include "lists/search/report.h"
#include "lists/search/text_search.h"
#include "lists/search/ui/exclusion_window.h"
#include "lists/search/ui/move_rename_window.h"
#include "lists/search/ui/remember_menu.h"
#include "lists/window/tag_ops.h"
#include "lists/window/ui/file_list_menu.h"
#include "notes/notes_database.h"
#include "picture/kinds.h"
#include "picture/load/loader.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/path_rules.h"
#include "platform/please_wait.h"
#include "platform/profile_file.h"
#include "platform/sounds.h"
#include "platform/ui.h"

namespace vr::search_ui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

const char* const kCheckCaptions[] = {
    "Allow B&&W Photo Appearance",   "Allow Slight Brightness Differences",
    "Allow Large Aspect Differences", "Ignore Images < 64x64",
    "Compare tagged ONLY",           "Use Learned Mis-Match List",
    "Force FingerPrint RE-Generation", "Sort By Quality Of Matches",
};

// The outcome of comparing two files byte by byte, read in blocks.
const char* CompareFiles(const std::string& a, const std::string& b) {
  struct stat sa {};
  struct stat sb {};
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return kCantBeFound;
  // One file named twice: "THE SAME" would invite deleting the only copy.
  if (platform::SamePath(a, b) || (sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino)) {
    return kOneFileTwice;
  }
  if (sa.st_size != sb.st_size) return kDifferentSizes;
  std::ifstream fa(a, std::ios::binary);
  std::ifstream fb(b, std::ios::binary);
  if (!fa || !fb) return kCantBeFound;
  std::vector<char> ba(1 << 16);
  std::vector<char> bb(1 << 16);
  for (;;) {
    fa.read(ba.data(), static_cast<std::streamsize>(ba.size()));
    fb.read(bb.data(), static_cast<std::streamsize>(bb.size()));
    const std::streamsize na = fa.gcount();
    const std::streamsize nb = fb.gcount();
    if (na != nb || std::memcmp(ba.data(), bb.data(), static_cast<size_t>(na)) != 0) {
      return kDifferentData;
    }
    if (na == 0) return kSameFiles;
  }
}

constexpr int kBinGlyphSize = 20;

}  // namespace

TSearchListMenu::TSearchListMenu(std::function<lists::FilesList&()> list,
                                 SearchWindowServices services, QWidget* parent)
    : QWidget(parent, Qt::Window), list_(list), services_(std::move(services)) {
  setWindowTitle(kSearchCaption);
  auto* top = new QHBoxLayout(this);
  auto* left = new QVBoxLayout;
  top->addLayout(left);

  auto* option_box = new QGroupBox("Search Options", this);
  auto* option_layout = new QVBoxLayout(option_box);
  options_ = new QButtonGroup(this);
  for (int i = 0; i < search::kOptionCount; ++i) {
    auto* radio = new QRadioButton(search::OptionCaption(i), option_box);
    options_->addButton(radio, i);
    option_layout->addWidget(radio);
  }
  options_->button(0)->setChecked(true);
  left->addWidget(option_box);

  auto* fields = new QGridLayout;
  column_ = new QSpinBox(this);
  column_->setRange(1, 255);
  minimum_ = new QSpinBox(this);
  minimum_->setRange(1, 255);
  minimum_->setValue(3);
  text_ = new QLineEdit(this);
  column_->setObjectName("SESearchCol1");
  minimum_->setObjectName("SESearch");
  text_->setObjectName("ESearch");
  fields->addWidget(new QLabel("What column to start search", this), 0, 0);
  fields->addWidget(column_, 0, 1);
  fields->addWidget(new QLabel("Minimum letters that MUST match", this), 1, 0);
  fields->addWidget(minimum_, 1, 1);
  fields->addWidget(new QLabel("Enter search text here", this), 2, 0);
  fields->addWidget(text_, 2, 1);
  left->addLayout(fields);

  auto* scope_box = new QGroupBox(this);
  auto* scope_layout = new QVBoxLayout(scope_box);
  scope_all_ = new QRadioButton("Search &All", scope_box);
  scope_highlighted_ = new QRadioButton("Search &HI-LITED", scope_box);
  scope_all_->setChecked(true);
  scope_highlighted_->setEnabled(static_cast<bool>(services_.highlighted_rows));
  use_exclusion_ = new QCheckBox("Use EXCLUSION List", scope_box);
  use_exclusion_->setEnabled(!services_.settings_path.empty());
  tag_found_ = new QCheckBox("Tag found matches WHILE searching", scope_box);
  for (QWidget* w : std::initializer_list<QWidget*>{scope_all_, scope_highlighted_, use_exclusion_, tag_found_}) {
    scope_layout->addWidget(w);
  }
  left->addWidget(scope_box);

  auto* level_box = new QGroupBox("How Close To Match", this);
  auto* level_layout = new QVBoxLayout(level_box);
  levels_ = new QButtonGroup(this);
  for (int i = 0; i < 3; ++i) {
    auto* radio = new QRadioButton(search::LevelCaption(i), level_box);
    levels_->addButton(radio, i);
    level_layout->addWidget(radio);
  }
  levels_->button(1)->setChecked(true);
  for (const char* caption : kCheckCaptions) {
    checks_.push_back(new QCheckBox(caption, level_box));
    level_layout->addWidget(checks_.back());
  }
  left->addWidget(level_box);

  auto* run_buttons = new QHBoxLayout;
  search_ = new QPushButton("&Search", this);
  image_ = new QPushButton("Find Duplicate Images  By APPEARANCE :)", this);
  abort_ = new QPushButton("&Abort", this);
  abort_->setEnabled(false);
  run_buttons->addWidget(search_);
  run_buttons->addWidget(image_);
  run_buttons->addWidget(abort_);
  left->addLayout(run_buttons);
  connect(search_, &QPushButton::clicked, this, [this] { SearchClick(); });
  connect(image_, &QPushButton::clicked, this, [this] { ImageSearchClick(); });
  connect(abort_, &QPushButton::clicked, this, [this] { AbortClick(); });

  auto* right = new QVBoxLayout;
  top->addLayout(right, 1);
  right->addWidget(new QLabel(kResultsCaption, this));
  report_ = new QListWidget(this);
  report_->setObjectName("ListBox1");
  report_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  right->addWidget(report_, 1);
  preview_ = new QLabel(this);
  progress_ = new QLabel(this);
  preview_panel_ = new picture::TPreviewPanel(
      services_.preview_loader ? services_.preview_loader : picture::PreviewLoader(picture::LoadPanelPreview),
      this);
  preview_panel_->setMinimumSize(160, 160);
  auto* preview_row = new QHBoxLayout;
  preview_row->addWidget(preview_panel_);
  auto* file_buttons = new QVBoxLayout;
  delete_ = new QPushButton("&Delete", this);
  move_ = new QPushButton("&Move/Rename", this);
  auto* tag_best = new QPushButton("Tag All But Best In Each Group", this);
  auto* exclusion = new QPushButton("EXCLUSION List...", this);
  exclusion->setEnabled(!services_.settings_path.empty());
  for (QPushButton* b : {delete_, move_, tag_best, exclusion}) file_buttons->addWidget(b);
  file_buttons->addStretch(1);
  preview_row->addLayout(file_buttons);
  right->addLayout(preview_row);
  right->addWidget(preview_);
  right->addWidget(progress_);
  connect(delete_, &QPushButton::clicked, this, [this] { DeleteClick(); });
  connect(move_, &QPushButton::clicked, this, [this] { MoveRenameClick(); });
  connect(tag_best, &QPushButton::clicked, this, [this] { TagAllButBestClick(); });
  connect(exclusion, &QPushButton::clicked, this, [this] { ExclusionClick(); });
  report_buttons_.push_back(tag_best);
  report_buttons_.push_back(exclusion);
  auto* report_row = new QHBoxLayout;
  const std::pair<const char*, void (TSearchListMenu::*)()> commands[] = {
      {"Compare &2 Files", &TSearchListMenu::CompareClick}, {"&Cut Lines", &TSearchListMenu::CutLinesClick},
      {"&Save", &TSearchListMenu::SaveClick},               {"&Load", &TSearchListMenu::LoadClick},
      {"&Find", &TSearchListMenu::FindClick},               {"Lear&N", &TSearchListMenu::LearnClick},
  };
  for (const auto& [caption, slot] : commands) {
    auto* button = new QPushButton(caption, this);
    connect(button, &QPushButton::clicked, this, [this, slot = slot] { (this->*slot)(); });
    report_row->addWidget(button);
    report_buttons_.push_back(button);
  }
  right->addLayout(report_row);
  connect(report_, &QListWidget::itemSelectionChanged, this, [this] {
    PreviewSelected();
    UpdateFileButtons();
  });
  ShowBinState();
  UpdateFileButtons();
}

TSearchListMenu::~TSearchListMenu() = default;

std::vector<std::string> TSearchListMenu::ReportLines() const {
  std::vector<std::string> lines;
  for (int i = 0; i < report_->count(); ++i) lines.push_back(report_->item(i)->text().toStdString());
  return lines;
}

void TSearchListMenu::SetReportLines(const std::vector<std::string>& lines) {
  report_->clear();
  for (const auto& line : lines) report_->addItem(Q(line));
}

void TSearchListMenu::SelectReportRows(const std::vector<int>& rows) {
  report_->clearSelection();
  for (int row : rows) {
    if (row >= 0 && row < report_->count()) report_->item(row)->setSelected(true);
  }
}

std::vector<std::string> TSearchListMenu::SelectedLines() const {
  std::vector<std::string> lines;
  for (int i = 0; i < report_->count(); ++i) {
    if (report_->item(i)->isSelected()) lines.push_back(report_->item(i)->text().toStdString());
  }
  return lines;
}

int TSearchListMenu::RunDialog(QDialog& dialog) {
  return services_.exec_dialog ? services_.exec_dialog(dialog) : dialog.exec();
}

std::string TSearchListMenu::MemorizedPath() const {
  return services_.platform.folders->ProgramFolder() + search::kMemorizedFile;
}

std::vector<int> TSearchListMenu::ScopeRows() {
  std::vector<int> rows;
  lists::FilesList& list = list_();
  if (scope_highlighted_->isChecked() && services_.highlighted_rows) {
    rows = services_.highlighted_rows();
  } else {
    for (int i = 0; i < list.Count(); ++i) rows.push_back(i);
  }
  if (use_exclusion_->isChecked() && !services_.settings_path.empty()) {
    exclusion_.Load(platform::ProfileFile(services_.settings_path));
    std::erase_if(rows, [&](int row) {
      const lists::FileEntry* entry = list.Peek(row);
      return entry == nullptr || exclusion_.Excluded(entry->Path());
    });
  }
  return rows;
}

void TSearchListMenu::SetBusy(bool busy) {
  searching_ = busy;
  abort_->setEnabled(busy);
  search_->setEnabled(!busy);
  image_->setEnabled(!busy);
  for (QPushButton* b : report_buttons_) b->setEnabled(!busy);
  UpdateFileButtons();
}

void TSearchListMenu::UpdateFileButtons() {
  const bool idle = !searching_;
  delete_->setEnabled(idle && services_.bin != nullptr && !SelectedFiles().empty());
  move_->setEnabled(idle && !previewed_.empty());
}

void TSearchListMenu::ShowBinState() {
  const bool full = services_.bin != nullptr && services_.bin->IsFull();
  delete_->setIcon(recycle::RecycleController::BinIcon(full, kBinGlyphSize));
}

std::vector<std::string> TSearchListMenu::SelectedFiles() const {
  std::vector<std::string> files;
  for (const std::string& line : SelectedLines()) {
    std::string path = search::FileOfLine(line);
    if (path.empty()) continue;
    bool listed = false;
    for (const std::string& f : files) listed = listed || platform::SamePath(f, path);
    if (!listed) files.push_back(std::move(path));
  }
  return files;
}

void TSearchListMenu::ReplaceFileLines(const std::string& from, const std::string& to) {
  for (int i = report_->count() - 1; i >= 0; --i) {
    const std::string path = search::FileOfLine(report_->item(i)->text().toStdString());
    if (path.empty() || !platform::SamePath(path, from)) continue;
    if (to.empty()) {
      delete report_->takeItem(i);
    } else {
      report_->item(i)->setText(Q(search::kFilePrefix + to));
    }
  }
}

bool TSearchListMenu::BeginSearch() {
  if (searching_) return false;
  if (report_->count() > 0) {
    const platform::Answer a = services_.platform.ui->Ask(
        platform::MessageKind::kQuestion, "Confirm", kClearQuestion, platform::kYesNoCancel);
    if (a == platform::Answer::kCancel) return false;
    if (a == platform::Answer::kYes) report_->clear();
  }
  abort_requested_ = false;
  SetBusy(true);
  return true;
}

void TSearchListMenu::EndSearch(const std::vector<std::string>& body, bool completed) {
  SetBusy(false);
  progress_->clear();
  if (!completed) return;
  const std::time_t now = services_.platform.clock != nullptr ? services_.platform.clock->Now()
                                                              : std::time(nullptr);
  std::vector<std::string> lines = {
      search::SearchStartLine(search::ReportDate(now), search::ReportTime(now))};
  lines.insert(lines.end(), body.begin(), body.end());
  lines.push_back(search::SearchEndLine(search::ReportDate(now), search::ReportTime(now)));
  for (const auto& line : lines) report_->addItem(Q(line));
  report_->scrollToBottom();
}

void TSearchListMenu::ShowProgress(const std::string& text) {
  progress_->setText(Q(text));
  if (hook_) hook_(text);
  if (services_.platform.pump != nullptr) services_.platform.pump->PumpMessages();
}

void TSearchListMenu::SearchClick() {
  const int option = options_->checkedId();
  if (search::OptionNeedsFacts(option) && !list_().AllScanned()) {
    const platform::Answer a =
        services_.platform.ui->Ask(platform::MessageKind::kInformation, "Information",
                                   list_window::kScanQuestion, platform::kOkCancel);
    if (a != platform::Answer::kOk || !list_().ScanAllEntries(false)) return;
  }
  if (!BeginSearch()) return;
  std::unique_ptr<lists::DatabaseNotesAccess> notes;
  if (services_.notes != nullptr) notes = std::make_unique<lists::DatabaseNotesAccess>(*services_.notes);
  std::vector<search::TextSearchItem> items;
  std::vector<int32_t> ids;
  for (int row : ScopeRows()) {
    const lists::FileEntry* entry = list_().Peek(row);
    if (entry == nullptr) continue;
    search::TextSearchItem item;
    item.path = entry->Path();
    item.name = entry->name;
    item.size = entry->size;
    item.stamp = entry->stamp;
    if (search::OptionNeedsField(option) && notes) item.db_field = notes->DbField(item.path);
    items.push_back(std::move(item));
    ids.push_back(entry->id);
  }
  search::TextSearchOptions o;
  o.option = option;
  o.start_column = column_->value();
  o.min_letters = minimum_->value();
  o.text = text_->text().toStdString();
  search::TextSearchServices s;
  s.progress = [this](const std::string& text) { ShowProgress(text); };
  if (services_.platform.clock != nullptr) {
    s.ticks = [this] { return services_.platform.clock->TickCount(); };
  }
  s.stopped = [this] { return abort_requested_; };
  if (tag_found_->isChecked()) {
    s.tag_found = [this, &ids, searched = &list_()](size_t i) { TagFound(searched, ids[i]); };
  }
  const search::TextSearchResult r = search::RunTextSearch(items, o, s);
  EndSearch(r.lines, r.completed);
}

void TSearchListMenu::ImageSearchClick() {
  if (!BeginSearch()) return;
  std::vector<search::SearchItem> items;
  std::vector<int32_t> ids;
  for (int row : ScopeRows()) {
    const lists::FileEntry* entry = list_().Peek(row);
    if (entry == nullptr) continue;
    items.push_back({entry->Path(), entry->tagged});
    ids.push_back(entry->id);
  }
  search::ImageSearchOptions o;
  o.level = levels_->checkedId();
  o.black_and_white = checks_[kBlackAndWhite]->isChecked();
  o.brightness = checks_[kBrightness]->isChecked();
  o.any_aspect = checks_[kAspect]->isChecked();
  o.ignore_small = checks_[kSmall]->isChecked();
  o.tagged_only = checks_[kTaggedOnly]->isChecked();
  o.use_learned = checks_[kLearned]->isChecked();
  o.force = checks_[kForce]->isChecked();
  o.sort_quality = checks_[kQuality]->isChecked();
  if (o.use_learned && !learned_.Load(MemorizedPath())) {
    services_.platform.ui->Error("Can't read " + MemorizedPath());
  }
  search::ImageSearchServices s;
  s.files = services_.platform.files;
  s.db = services_.notes;
  s.learned = &learned_;
  s.temp_folder = services_.platform.folders->TempFolder();
  s.progress = [this](const std::string& text) { ShowProgress(text); };
  if (services_.platform.clock != nullptr) {
    s.ticks = [this] { return services_.platform.clock->TickCount(); };
  }
  s.stopped = [this] { return abort_requested_; };
  s.error = [this](const std::string& text) { services_.platform.ui->Error(text); };
  if (tag_found_->isChecked()) {
    s.tag_found = [this, &ids, searched = &list_()](size_t i) { TagFound(searched, ids[i]); };
  }
  const search::ImageSearchResult r = search::RunImageSearch(items, o, s);
  EndSearch(r.lines, r.completed);
}

void TSearchListMenu::TagFound(const lists::FilesList* searched, int32_t id) {
  // A list replaced while the search ran (a hand-over) holds other files under those ids.
  lists::FilesList& list = list_();
  if (&list != searched) return;
  const int row = list.PositionOfId(id);
  if (row < 0) return;
  list.SetTag(row, true);
  if (services_.tag_toggled) services_.tag_toggled(row);
}

void TSearchListMenu::AbortClick() {
  if (searching_) abort_requested_ = true;
}

void TSearchListMenu::PreviewSelected() {
  const QList<QListWidgetItem*> selected = report_->selectedItems();
  if (selected.size() != 1) {
    previewed_.clear();
    return;
  }
  const std::string path = search::FileOfLine(selected[0]->text().toStdString());
  previewed_ = path;
  if (path.empty()) {
    preview_panel_->Clear();
    return;
  }
  preview_panel_->ShowFile(Q(path));
  std::string text = "Previewing: " + path;
  if (const auto stat = services_.platform.files->Stat(path)) {
    text += "   " + search::ReportDate(stat->modified) + " " + search::ReportTime(stat->modified) +
            "   " + std::to_string(stat->size) + " bytes";
  }
  preview_->setText(Q(text));
}

void TSearchListMenu::CompareClick() {
  const std::vector<std::string> lines = SelectedLines();
  if (lines.size() != 2 || search::FileOfLine(lines[0]).empty() ||
      search::FileOfLine(lines[1]).empty()) {
    services_.platform.ui->Warning(kNeedTwoFiles);
    return;
  }
  services_.platform.ui->Information(
      CompareFiles(search::FileOfLine(lines[0]), search::FileOfLine(lines[1])));
}

void TSearchListMenu::CutLinesClick() {
  if (report_->selectedItems().isEmpty()) return;
  if (!services_.platform.ui->AskYesNo(kCutQuestion)) return;
  for (int i = report_->count() - 1; i >= 0; --i) {
    if (report_->item(i)->isSelected()) delete report_->takeItem(i);
  }
}

void TSearchListMenu::SaveClick() {
  platform::FileDialogOptions o;
  o.title = "Save Search Results";
  o.filters = {{"Text Files", "*.txt"}, {"All Files", "*"}};
  const auto path = services_.platform.ui->SaveFile(o);
  if (!path || path->empty()) return;
  const platform::FileResult written =
      platform::WriteFileAtomically(*path, search::ReportText(ReportLines()));
  if (!written) services_.platform.ui->Error("Can't write " + *path + "\r\r" + written.message);
}

void TSearchListMenu::LoadClick() {
  platform::FileDialogOptions o;
  o.title = "Load Search Results";
  o.filters = {{"Text Files", "*.txt"}, {"All Files", "*"}};
  const std::vector<std::string> files = services_.platform.ui->OpenFiles(o);
  if (files.empty()) return;
  std::ifstream in(files[0], std::ios::binary);
  if (!in) {
    services_.platform.ui->Error("Can't read " + files[0]);
    return;
  }
  std::ostringstream text;
  text << in.rdbuf();
  SetReportLines(search::ParseReportText(text.str()));
}

void TSearchListMenu::FindClick() {
  const auto wanted = services_.platform.ui->PromptText("Find", "Find text:", find_text_);
  if (!wanted || wanted->empty()) return;
  find_text_ = *wanted;
  const QString needle = Q(find_text_);
  const int start = report_->currentRow() + 1;
  for (int k = 0; k < report_->count(); ++k) {
    const int i = (start + k) % report_->count();
    if (report_->item(i)->text().contains(needle, Qt::CaseInsensitive)) {
      report_->clearSelection();
      report_->setCurrentRow(i);
      report_->item(i)->setSelected(true);
      return;
    }
  }
  services_.platform.ui->Information("\"" + find_text_ + "\" was not found.");
}

void TSearchListMenu::LearnClick() {
  const std::vector<std::string> lines = SelectedLines();
  std::vector<std::string> files;
  for (const auto& line : lines) {
    const std::string path = search::FileOfLine(line);
    if (path.empty()) {
      if (lines.size() >= 2) {
        services_.platform.ui->Error(kLearnNotFiles);
        return;
      }
      continue;
    }
    files.push_back(path);
  }
  if (files.size() < 2) {
    services_.platform.ui->Error(kLearnEmpty);
    files.clear();
  }
  if (!learned_.Load(MemorizedPath())) services_.platform.ui->Error("Can't read " + MemorizedPath());
  TRememberMenu window(learned_, MemorizedPath(), files, *services_.platform.ui, this);
  RunDialog(window);
}

list_window::TagServices TSearchListMenu::FileServices() const {
  list_window::TagServices t;
  t.ui = services_.platform.ui;
  t.files = services_.platform.files;
  t.notes = services_.notes;
  t.bin = services_.bin;
  t.files_moved = services_.files_moved;
  return t;
}

void TSearchListMenu::AfterFileChange() {
  ShowBinState();
  UpdateFileButtons();
  if (services_.list_edited) services_.list_edited();
}

void TSearchListMenu::DeleteClick() {
  if (searching_ || services_.bin == nullptr) return;
  const std::vector<std::string> files = SelectedFiles();
  if (files.empty()) return;
  uint64_t bytes = 0;
  for (const std::string& path : files) {
    if (const auto facts = services_.platform.files->Stat(path)) bytes += facts->size;
  }
  recycle::FreeSpaceWarning(*services_.platform.ui, services_.bin->DriveLabel(),
                            services_.bin->FreeBytes(), bytes);
  list_window::TagOperations operations(list_(), FileServices());
  platform::ConfirmScope confirm(*services_.platform.ui);
  platform::ConfirmScope companions(*services_.platform.ui);
  for (const std::string& path : files) {
    if (operations.DeleteOne(path, confirm, companions) == list_window::TagOperations::Outcome::kDone) {
      ReplaceFileLines(path, "");
    }
  }
  preview_panel_->Clear();
  AfterFileChange();
}

void TSearchListMenu::MoveRenameClick() {
  if (searching_ || previewed_.empty()) return;
  const std::string source = previewed_;
  std::optional<platform::ProfileFile> settings;
  if (!services_.settings_path.empty()) settings.emplace(services_.settings_path);
  list_window::FolderHistory history;
  if (settings) history.SetItems(ReadMoveHistory(*settings));
  TMoveRenameWindow window(source, history.items(), this);
  if (RunDialog(window) != QDialog::Accepted) return;
  const std::string name = window.TargetName();
  if (name.empty()) {
    services_.platform.ui->Warning(kBadNewName);
    return;
  }
  const std::string folder = window.TargetFolder();
  if (!platform::SamePath(folder, platform::WithTrailingSeparator(platform::FolderOf(source)))) {
    history.Use(folder);
    if (settings) {
      WriteMoveHistory(*settings, history.items());
      if (!settings->Flush()) services_.platform.ui->Error("Can't write " + settings->path());
    }
  }
  const std::string target = folder + name;
  list_window::TagOperations operations(list_(), FileServices());
  platform::ConfirmScope overwrite(*services_.platform.ui);
  platform::ConfirmScope companions(*services_.platform.ui);
  if (operations.TransferOne(source, target, true, overwrite, companions) ==
      list_window::TagOperations::Outcome::kDone) {
    ReplaceFileLines(source, target);
    previewed_ = target;
    PreviewSelected();
  }
  AfterFileChange();
}

void TSearchListMenu::Refresh() {
  if (!isVisible()) return;
  ShowBinState();
  UpdateFileButtons();
  update();
}

int TSearchListMenu::TagAllButBestClick() {
  if (searching_) return 0;
  const search::BestChoice choice = search::AllButBest(ReportLines(), [this](const std::string& path) {
    search::FileFacts facts;
    const picture::PictureInfo info = picture::ReadPictureInfo(path);
    facts.pixels = static_cast<uint64_t>(std::max(info.width, 0)) *
                   static_cast<uint64_t>(std::max(info.height, 0));
    if (const auto stat = services_.platform.files->Stat(path)) facts.bytes = stat->size;
    return facts;
  });
  lists::FilesList& list = list_();
  const auto set_tag = [&](const std::string& path, bool tag) {
    const int row = list.FindInFilesList(path);
    if (row < 0 || list.Peek(row)->tagged == tag) return false;
    list.SetTag(row, tag);
    if (services_.tag_toggled) services_.tag_toggled(row);
    return true;
  };
  // A best file tagged before (while searching) would go with the tag page's Delete too.
  for (const std::string& path : choice.best) set_tag(path, false);
  int tagged = 0;
  for (const std::string& path : choice.others) {
    set_tag(path, true);
    const int row = list.FindInFilesList(path);
    if (row >= 0 && list.Peek(row)->tagged) ++tagged;
  }
  return tagged;
}

void TSearchListMenu::ExclusionClick() {
  if (services_.settings_path.empty()) return;
  platform::ProfileFile settings(services_.settings_path);
  exclusion_.Load(settings);
  TExclusionWindow window(exclusion_, *services_.platform.ui, this);
  if (RunDialog(window) != QDialog::Accepted) return;
  exclusion_ = window.Result();
  exclusion_.Save(settings);
  if (!settings.Flush()) services_.platform.ui->Error("Can't write " + settings.path());
}

void TSearchListMenu::closeEvent(QCloseEvent* event) {
  if (searching_) {
    services_.platform.ui->Warning(kAbortFirst);
    event->ignore();
    return;
  }
  if (report_->count() > 0 &&
      services_.platform.ui->Choice("Confirm", platform::ChoiceKind::kWarning,
                                    "Do you want to lose the search report?",
                                    {"Lose Report", "-Cancel Exit"}) != 1) {
    event->ignore();
    return;
  }
  event->accept();
}

void TSearchListMenu::showEvent(QShowEvent* event) {
  ShowBinState();  // the bin may have filled or emptied while the window was hidden
  if (!event->spontaneous() && services_.platform.sounds != nullptr) {
    services_.platform.sounds->Play(kSwishIn);
  }
  QWidget::showEvent(event);
}

void TSearchListMenu::hideEvent(QHideEvent* event) {
  if (!event->spontaneous() && services_.platform.sounds != nullptr) {
    services_.platform.sounds->Play(kSwishOut);
  }
  QWidget::hideEvent(event);
}

TSearchListMenu& ShowSearchListMenu(std::unique_ptr<TSearchListMenu>& holder,
                                    std::function<lists::FilesList&()> list,
                                    SearchWindowServices services) {
  if (!holder) {
    holder = std::make_unique<TSearchListMenu>(std::move(list), std::move(services));
    holder->setAttribute(Qt::WA_QuitOnClose, false);
  }
  holder->show();
  holder->raise();
  holder->activateWindow();
  return *holder;
}

}  // namespace vr::search_ui
