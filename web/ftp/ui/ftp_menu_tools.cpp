// The "FTP WEB Tools" tab of the FTP window: the server's folder tree, the file list with
// descriptions, and the file and folder operations.
#include <QCheckBox>
#include <QDropEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/qt/dropped_paths.h"
#include "platform/ui.h"
#include "web/ftp/ftp_client.h"
#include "web/ftp/ftp_publish.h"
#include "web/ftp/ftp_tool_rules.h"
#include "web/ftp/listing/ftp_listing.h"
#include "web/ftp/ui/ftp_menu.h"

namespace vr::ftp::ui {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

constexpr int kPathRole = Qt::UserRole;
constexpr int kDescriptionColumn = 4;

std::string PathOf(const QTreeWidgetItem* item) {
  return item == nullptr ? std::string() : S(item->data(0, kPathRole).toString());
}

std::string ParentPath(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

void TFtpMenu::BuildToolsTab() {
  tools_tab_ = new QWidget;
  auto* v = new QVBoxLayout(tools_tab_);
  auto* split = new QHBoxLayout;
  tree_ = new QTreeWidget;
  tree_->setObjectName("FolderTree");
  tree_->setHeaderHidden(true);
  connect(tree_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
    if (!busy_ && !uploading_) ShowFolder(PathOf(item));
  });
  files_ = new QTreeWidget;
  files_->setObjectName("FileList");
  // Local files dropped onto a folder of the tree or onto the file list go up to that folder.
  for (QTreeWidget* view : {tree_, files_}) {
    view->setAcceptDrops(true);
    view->viewport()->setAcceptDrops(true);
    view->viewport()->installEventFilter(this);
  }
  files_->setRootIsDecorated(false);
  files_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  files_->setHeaderLabels({"Name", "Size", "Date", "Time", "Description"});
  files_->header()->setSectionResizeMode(kDescriptionColumn, QHeaderView::Stretch);
  split->addWidget(tree_, 1);
  split->addWidget(files_, 3);
  v->addLayout(split);
  files_count_ = new QLabel("Files In Selected Folder:None");
  v->addWidget(files_count_);
  auto* buttons = new QHBoxLayout;
  auto add = [this, &buttons](const char* caption, const char* name, void (TFtpMenu::*slot)()) {
    auto* button = new QPushButton(caption);
    button->setObjectName(name);
    connect(button, &QPushButton::clicked, this, [this, slot] { (this->*slot)(); });
    buttons->addWidget(button);
  };
  add("Refres&H List", "BRefresh", &TFtpMenu::RefresHListClick);
  add("Delete File", "BDeleteFile", &TFtpMenu::BDeleteFileClick);
  add("Rename File", "BRenameFile", &TFtpMenu::BRenameFileClick);
  add("Add Folder", "BAddFolder", &TFtpMenu::BAddFolderClick);
  add("Delete Folder", "BDeleteFolder", &TFtpMenu::BDeleteFolderClick);
  add("Rename Folder", "BRenameFolder", &TFtpMenu::BRenameFolderClick);
  buttons->addStretch(1);
  v->addLayout(buttons);
  auto* transfers = new QHBoxLayout;
  auto* transfer_buttons = buttons;
  buttons = transfers;
  add("&Download", "BDownload", &TFtpMenu::BDownloadClick);
  add("&Upload", "BUploadFiles", &TFtpMenu::BUploadFilesClick);
  add("View/Run", "BViewRun", &TFtpMenu::BViewRunClick);
  buttons = transfer_buttons;
  for (char type : {'A', 'B', '?'}) {
    auto* button = new QPushButton(QString(QChar(type)));
    button->setCheckable(true);
    button->setAutoExclusive(true);
    button->setChecked(type == '?');
    button->setMaximumWidth(32);
    connect(button, &QPushButton::clicked, this, [this, type] { SetTransferType(type); });
    transfers->addWidget(button);
  }
  auto* queue = new QSpinBox;
  queue->setRange(1, 30);
  queue->setValue(3);
  connect(queue, &QSpinBox::valueChanged, this, [this](int n) { SetMaxTransfers(n); });
  transfers->addWidget(new QLabel("Max transfers:"));
  transfers->addWidget(queue);
  auto* auto_close = new QCheckBox("Automatically close Download-window(s)");
  connect(auto_close, &QCheckBox::toggled, this, [this](bool on) { SetAutoClose(on); });
  transfers->addWidget(auto_close);
  // The window's own switch for the completion sound (the program's sound switch must be on too).
  auto* speaker = new QToolButton;
  speaker->setObjectName("SBSounds");
  speaker->setCheckable(true);
  speaker->setChecked(window_sound_);
  speaker->setToolTip("Turn sounds ON/OFF that indicate when an operation is complete.");
  const auto show_speaker = [this, speaker](bool on) {
    window_sound_ = on;
    speaker->setIcon(style()->standardIcon(on ? QStyle::SP_MediaVolume
                                              : QStyle::SP_MediaVolumeMuted));
    speaker->setAccessibleName(on ? "B_SPEAKER_ON" : "B_SPEAKER_OFF");
  };
  show_speaker(window_sound_);
  connect(speaker, &QToolButton::toggled, this, show_speaker);
  transfers->addWidget(speaker);
  transfers->addStretch(1);
  v->addLayout(transfers);
  tabs_->addTab(tools_tab_, "FTP WEB Tools");
}

bool TFtpMenu::eventFilter(QObject* watched, QEvent* event) {
  const bool on_tree = watched == tree_->viewport();
  if (!on_tree && watched != files_->viewport()) return QDialog::eventFilter(watched, event);
  if (platform::AcceptFileDrag(event)) return true;
  switch (event->type()) {
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const std::vector<std::string> paths = platform::DroppedLocalPaths(drop->mimeData());
      if (paths.empty()) return false;
      drop->acceptProposedAction();
      const std::string folder =
          on_tree ? PathOf(tree_->itemAt(drop->position().toPoint())) : SelectedFolder();
      // After the drop has been taken: the question must not hold the drag open.
      QTimer::singleShot(0, this, [this, paths, folder] { DropFiles(paths, folder); });
      return true;
    }
    default:
      return QDialog::eventFilter(watched, event);
  }
}

bool TFtpMenu::BeginRequest() {
  if (busy_ || uploading_ || !client_->Connected()) return false;
  busy_ = true;
  break_out_ = false;
  break_out_button_->setEnabled(true);
  SetLight("YELLOW");
  return true;
}

void TFtpMenu::EndRequest() {
  busy_ = false;
  break_out_button_->setEnabled(false);
  const bool up = client_->Connected();
  SetLight(up ? "GREEN" : "RED");
  if (!up) connected_label_->setText("NOT CONNECTED:");
  Ready();
}

std::string TFtpMenu::SelectedFolder() const { return PathOf(tree_->currentItem()); }

void TFtpMenu::RefresHListClick() {
  const std::string path = SelectedFolder();
  if (!path.empty()) ShowFolder(path);
}

bool TFtpMenu::ShowFolder(const std::string& path) {
  if (!BeginRequest()) return false;
  SetStatus(0, "Getting files list from:" + path + " *.*");
  std::vector<std::string> lines;
  client_->SetHostDirName(path);
  bool ok = client_->Cwd();
  if (ok) {
    client_->SetDisplayFileFlag(true);
    client_->SetHostFileName("");
    client_->OnDisplayFile = [&lines](const std::string& line) { lines.push_back(line); };
    ok = client_->Dir();
    client_->OnDisplayFile = nullptr;
    client_->SetDisplayFileFlag(false);
  }
  EndRequest();
  if (!ok) {
    SetLastError(client_->Connected() ? "Last Error:Couldn't access folder."
                                      : "Last Error:Couldn't get the list of files/folders.");
    return false;
  }
  std::vector<std::string> sizes, kinds, links, dates, times;
  ParseFtpListing(lines, sizes, kinds, links, dates, times);
  FillFolder(path, lines, sizes, kinds, dates, times);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (kinds[i] != "<DIR>" && IsDescriptionFileName(lines[i])) {
      GetDescriptions(lines[i], sizes[i]);
      break;
    }
  }
  return true;
}

void TFtpMenu::FillFolder(const std::string& path, const std::vector<std::string>& names,
                          const std::vector<std::string>& sizes,
                          const std::vector<std::string>& kinds,
                          const std::vector<std::string>& dates,
                          const std::vector<std::string>& times) {
  QTreeWidgetItem* node = nullptr;
  QTreeWidgetItemIterator it(tree_);
  for (; *it != nullptr; ++it) {
    if (PathOf(*it) == path) {
      node = *it;
      break;
    }
  }
  if (node == nullptr) {
    tree_->clear();
    node = new QTreeWidgetItem({Q("[ROOT] - " + path)});
    node->setData(0, kPathRole, Q(path));
    tree_->addTopLevelItem(node);
  }
  qDeleteAll(node->takeChildren());
  files_->clear();
  int count = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string& name = names[i];
    const bool folder = kinds[i] == "<DIR>";
    if (folder && (name == "." || name == "..")) continue;
    if (folder && SafeLocalName(name)) {
      auto* child = new QTreeWidgetItem({Q(name)});
      child->setData(0, kPathRole, Q(JoinServerPath(path, name)));
      node->addChild(child);
    }
    files_->addTopLevelItem(new QTreeWidgetItem(
        {Q(name), Q(folder ? std::string("<DIR>") : sizes[i]), Q(dates[i]), Q(times[i]), ""}));
    ++count;
  }
  node->setExpanded(true);
  tree_->setCurrentItem(node);
  files_count_->setText(count == 0 ? QString("Files In Selected Folder:None")
                                   : QString("Files In Selected Folder:%1").arg(count));
}

void TFtpMenu::GetDescriptions(const std::string& name, const std::string& size) {
  platform::Ui* ui = services_.ui;
  if (ui == nullptr) return;
  if (!always_descriptions_) {
    const int pressed = ui->Choice(
        "Found Description File", platform::ChoiceKind::kInformation,
        "It appears that there is a description file \"" + name +
            "\", that allows you to see a description of what all the files do." + "\r\r" +
            "Do you wish to get the description file?",
        {"+Get Descriptions", "-No Descriptions", "ALWAYS Get Descriptions"});
    if (pressed == 2) return;
    if (pressed == 3) always_descriptions_ = true;
  }
  const int64_t bytes = std::atoll(size.c_str());
  if (bytes >= 180001) {
    const int pressed = ui->Choice(
        "LARGE Description File", platform::ChoiceKind::kInformation,
        "It appears that the description file is BIG. In fact it's " +
            std::to_string(bytes / 1024) +
            "K. This could take a minute or so with a modem connection. With CABLE or other fast "
            "connections, it should be fast." +
            "\r\r" + "Do you STILL wish to get the description file?",
        {"+YES", "-NO"});
    if (pressed != 1) return;
  }
  if (!BeginRequest()) return;
  // Read into memory: no "Desc.txt" at a guessable temporary name.
  std::vector<std::string> lines;
  client_->SetDisplayFileFlag(true);
  client_->SetHostFileName(name);
  client_->SetLocalFileName("");
  client_->OnDisplayFile = [&lines](const std::string& line) { lines.push_back(line); };
  bool ok = client_->TypeAscii() && client_->Get();
  client_->OnDisplayFile = nullptr;
  client_->SetDisplayFileFlag(false);
  if (client_->Connected()) client_->TypeBinary();
  EndRequest();
  if (!ok) {
    ui->Error("Description file could NOT complete downloading");
    return;
  }
  for (int i = 0; i < files_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* row = files_->topLevelItem(i);
    row->setText(kDescriptionColumn, Q(DescriptionOf(lines, S(row->text(0)))));
  }
}

void TFtpMenu::SelectFiles(const std::vector<std::string>& names) {
  files_->clearSelection();
  for (int i = 0; i < files_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* row = files_->topLevelItem(i);
    for (const std::string& name : names) {
      if (S(row->text(0)) == name) row->setSelected(true);
    }
  }
}

std::vector<std::string> TFtpMenu::FileNames() const {
  std::vector<std::string> names;
  for (int i = 0; i < files_->topLevelItemCount(); ++i) {
    names.push_back(S(files_->topLevelItem(i)->text(0)));
  }
  return names;
}

std::vector<std::string> TFtpMenu::FolderNames() const {
  std::vector<std::string> names;
  if (QTreeWidgetItem* node = tree_->currentItem()) {
    for (int i = 0; i < node->childCount(); ++i) names.push_back(S(node->child(i)->text(0)));
  }
  return names;
}

std::string TFtpMenu::DescriptionOfFile(const std::string& name) const {
  for (int i = 0; i < files_->topLevelItemCount(); ++i) {
    if (S(files_->topLevelItem(i)->text(0)) == name) {
      return S(files_->topLevelItem(i)->text(kDescriptionColumn));
    }
  }
  return "";
}

std::string TFtpMenu::FilesCountText() const { return S(files_count_->text()); }

void TFtpMenu::BDeleteFileClick() {
  platform::Ui* ui = services_.ui;
  const std::string folder = SelectedFolder();
  if (ui == nullptr || folder.empty()) return;
  bool changed = false;
  for (QTreeWidgetItem* row : files_->selectedItems()) {
    const std::string name = S(row->text(0));
    if (row->text(1) == "<DIR>") continue;
    if (!ui->AskYesNo("You are about to DELETE the file:\r\r" + name + "\r\r" +
                      "Do you wish to DELETE this file?")) {
      continue;
    }
    if (!BeginRequest()) break;
    client_->SetHostFileName(name);
    const bool ok = client_->Dele();
    EndRequest();
    changed = true;
    if (!ok) {
      SetLastError("Last Error:Couldn't delete the file.");
      ui->Error("File:" + name + " could NOT be deleted!");
    }
  }
  if (changed) ShowFolder(folder);
}

void TFtpMenu::BRenameFileClick() {
  platform::Ui* ui = services_.ui;
  const QList<QTreeWidgetItem*> rows = files_->selectedItems();
  if (ui == nullptr || rows.size() != 1) return;
  if (rows.front()->text(1) == "<DIR>") {
    ui->Warning("You can only rename FOLDERS from the TREE VIEW!");
    return;
  }
  const std::string old_name = S(rows.front()->text(0));
  const std::optional<std::string> new_name = ui->PromptText("Rename File", "New name:", old_name);
  if (!new_name || new_name->empty() || *new_name == old_name) return;
  if (!BeginRequest()) return;
  SetStatus(0, "Renaming file:" + old_name);
  client_->SetHostFileName(old_name);
  client_->SetLocalFileName(*new_name);
  bool ok = false;
  try {
    ok = client_->Ren();
  } catch (const FtpException&) {
    ok = false;  // a name with a line break is refused before it is sent
  }
  EndRequest();
  if (!ok) {
    SetLastError("Last Error:Couldn't rename the file/folder.");
    ui->Error(old_name + " could NOT be renamed, maybe folder/file already exists or invalid "
                         "letters were used!");
  }
  ShowFolder(SelectedFolder());
}

void TFtpMenu::BAddFolderClick() {
  platform::Ui* ui = services_.ui;
  const std::string folder = SelectedFolder();
  if (ui == nullptr || folder.empty()) return;
  const std::optional<std::string> typed = ui->PromptText("Add Folder", "New folder:", "newfolder");
  if (!typed) return;
  const std::string name = FilterFolderName(*typed);
  if (name != *typed) ui->Warning(kFolderNameWarning);
  if (name.empty()) return;
  for (const std::string& existing : FolderNames()) {
    if (existing == name) {
      ui->Warning("\"" + name + "\" folder ALREADY EXISTS!");
      return;
    }
  }
  if (!BeginRequest()) return;
  client_->SetHostDirName(folder);
  client_->SetHostFileName(name);
  const bool ok = client_->Cwd() && client_->Mkd();
  EndRequest();
  if (!ok) {
    SetLastError("Last Error:Couldn't make folder.");
    ui->Error("\"" + name + "\" could NOT be created!");
  }
  ShowFolder(folder);
}

void TFtpMenu::BDeleteFolderClick() {
  platform::Ui* ui = services_.ui;
  QTreeWidgetItem* node = tree_->currentItem();
  if (ui == nullptr || node == nullptr) return;
  const std::string path = PathOf(node);
  if (node->parent() == nullptr) {
    ui->Warning("You are NOT allowed to delete the top most folder!");
    return;
  }
  bool has_files = false;
  for (int i = 0; i < files_->topLevelItemCount(); ++i) {
    if (files_->topLevelItem(i)->text(1) != "<DIR>") has_files = true;
  }
  if (has_files) {
    ui->Warning("There are FILES STILL in the folder. You need to delete those FIRST!");
    return;
  }
  if (node->childCount() > 0) {
    ui->Warning("There are SUB-FOLDERS STILL in the folder. You need to delete those FIRST!");
    return;
  }
  if (!ui->AskYesNo("You are about to DELETE the folder:\r\r" + path + "\r\r" +
                    "Do you wish to DELETE this folder?")) {
    return;
  }
  if (!BeginRequest()) return;
  client_->SetHostDirName(ParentPath(path));
  client_->SetHostFileName(path);
  const bool ok = client_->Cwd() && client_->Rmd();
  EndRequest();
  if (!ok) {
    SetLastError("Last Error:Couldn't delete folder.");
    ui->Error("Folder:" + path + " could NOT be deleted. This should never happen!");
    return;
  }
  QTreeWidgetItem* parent = node->parent();
  tree_->setCurrentItem(parent);
  ShowFolder(PathOf(parent));
}

void TFtpMenu::BRenameFolderClick() {
  platform::Ui* ui = services_.ui;
  QTreeWidgetItem* node = tree_->currentItem();
  if (ui == nullptr || node == nullptr) return;
  if (node->parent() == nullptr) {
    ui->Warning("You are NOT allowed to rename to top most folder!");
    return;
  }
  const std::string path = PathOf(node);
  const std::optional<std::string> typed =
      ui->PromptText("Rename Folder", "New name:", S(node->text(0)));
  if (!typed) return;
  const std::string name = FilterFolderName(*typed);
  if (name != *typed) ui->Warning(kFolderNameWarning);
  if (name.empty() || name == S(node->text(0))) return;
  if (!BeginRequest()) return;
  SetStatus(0, "Renaming folder:" + path);
  const std::string parent = ParentPath(path);
  client_->SetHostFileName(path);
  client_->SetLocalFileName(JoinServerPath(parent, name));
  const bool ok = client_->Ren();
  EndRequest();
  if (!ok) {
    ui->Warning("Folder couldn't be renamed, maybe Folder/File already exists or invalid letters "
                "were used.\r\rOR, maybe your Web Server does NOT allow RENAMING of folders!");
  }
  tree_->setCurrentItem(node->parent());
  ShowFolder(parent);
}

}  // namespace vr::ftp::ui
