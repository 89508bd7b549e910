// The main window's loads into the files list: the open dialog, the recent folders and files, the
// drives, "Select Formats For Loading", drops on the window and the hand-over from a second
// viewer.
#include <QAction>
#include <QDragEnterEvent>
#include <QMenu>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "platform/qt/dropped_paths.h"
#include "lists/files_list.h"
#include "lists/search/ui/search_list_menu.h"
#include "lists/load_menu.h"
#include "lists/ui/formats_window.h"
#include "lists/window/ui/file_list_menu.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "shell/hand_over.h"
#include "shell/ui/list_window_settings.h"
#include "notes/ui/notes_windows.h"
#include "shell/ui/artwork.h"
#include "shell/ui/main_window.h"

namespace vr::shell::ui {

void TVeldrimon69::SelectFormatsClick() {
  // Made for each opening: a hand-over replaces the files list, and with it the types.
  lists::TFormatsMenu window(files_list_->allowable(), *services_.ui, 3, this);
  options_.exec_dialog(window);
}

void TVeldrimon69::Open1Click() {
  platform::FileDialogOptions dialog;
  dialog.title = "Open";
  dialog.multiple = true;
  dialog.filters = {{"All Pictures",
                     "*.bmp *.gif *.jpg *.jpe *.jpeg *.pcx *.pic *.png *.tga *.targa *.ico *.emf "
                     "*.wmf *.fli *.flc *.avi *.mov *.mpg *.mpe *.mpeg *.wav *.mid *.midi *.webp *.tif "
                     "*.tiff *.heic *.heif"},
                    {"All Files", "*"}};
  if (!IsUnusedEntry(settings_.recent_folders[0])) dialog.folder = settings_.recent_folders[0];
  const std::vector<std::string> picked = services_.ui->OpenFiles(dialog);
  if (picked.empty()) return;
  RememberLoad(settings_, picked.front());
  RefreshRecentMenus();
  EnableMenus(false);
  // The picked files replace the list; a name holding "+" stands for the filter's files.
  lists::DialogChoice choice;
  choice.files = picked;
  choice.filter_patterns = dialog.filters.front().patterns;
  lists::LoadDialogChoice(*files_list_, choice, /*append=*/false);
  if (picked.size() == 1 && picked.front().find('+') == std::string::npos) {
    const int at = files_list_->FindInFilesList(picked.front());
    if (at >= 0) files_list_->SetCurrent(at);
  }
  FinishListLoad();
}

void TVeldrimon69::FileListWindow1Click() {
  EnsureListWindow();
  const bool opening = !list_window_->isVisible();
  list_window_->show();
  list_window_->raise();
  if (opening) AutoDockAlbums();
}

// After a load that replaced or extended the list: menus back, buttons, status, and the current
// file shown (or the picture cleared for an empty list).
void TVeldrimon69::FinishListLoad() {
  EnableMenus(true);
  RefreshNavigation();
  UpdateStatusAndCaption();
  if (files_list_->Empty()) {
    ClearPicture();
  } else {
    ShowCurrentFile(false, 1);
  }
}

void TVeldrimon69::LoadAllImages1Click() {
  EnableMenus(false);
  drives_->LoadAllImages(*files_list_);
  files_list_->SetCurrent(0);
  FinishListLoad();
}

void TVeldrimon69::OpenRecentFolder(int index) {
  const std::string folder = settings_.recent_folders[index];
  if (IsUnusedEntry(folder)) return;
  platform::FileDialogOptions dialog;
  dialog.title = "Open";
  dialog.folder = folder;
  dialog.file_name = "+";
  dialog.multiple = true;
  const std::vector<std::string> picked = services_.ui->OpenFiles(dialog);
  if (picked.empty()) return;
  RememberLoad(settings_, picked.front());
  RefreshRecentMenus();
  files_list_->LoadPaths(picked, 100, -1);
  ShowCurrentFile(false, 1);
}

void TVeldrimon69::OpenRecentFile(int index) {
  const std::string file = settings_.recent_files[index];
  if (IsUnusedEntry(file)) return;
  files_list_->LoadPaths({file}, 100, -1);
  const int at = files_list_->FindInFilesList(file);
  if (at < 0) return;
  files_list_->SetCurrent(at);
  RememberLoad(settings_, file);
  RefreshRecentMenus();
  ShowCurrentFile(false, 1);
}

void TVeldrimon69::HandOverSetFlag() {
  // A second viewer is about to hand its files over: stop what runs (slide show, animation).
  StopAnimation();
  if (full_screen_->looping()) full_screen_->SetRequest(kRequestStop);
}

void TVeldrimon69::HandOverCommandLine(const std::string& text) {
  if (handing_over_) return;  // the acknowledgement still goes out
  handing_over_ = true;
  received_.push_back(text);
  const std::vector<std::string> args = SplitCommandLine(text);
  const std::vector<std::string> paths = HandOverPaths(
      args, [this](const std::string& p) { return files_list_->allowable().IsAllowablePath(p); },
      [this](const std::string& p) { return services_.files->IsFile(p); });
  if (!paths.empty()) {
    auto list = std::make_unique<lists::FilesList>(files_list_->services());
    list->set_always_subfolders(files_list_->always_subfolders());
    // Keep the checked types of the old list.
    list->allowable() = files_list_->allowable();
    // The files list window shows the old list: it is made again for the new one, with what
    // the user set in it.
    if (list_window_) ReadListWindowSettings(*list_window_, settings_);
    list_window_.reset();
    files_list_ = std::move(list);
    if (notes_windows_) notes_windows_->SetFilesList(files_list_.get());
    EnsureListWindow();
    files_list_->LoadPaths(paths, 100, 0);
    files_list_->SetCurrent(0);
    UpdateStatusAndCaption();
    RefreshNavigation();
    if (!files_list_->Empty()) ShowCurrentFile(true, 1);
  }
  handing_over_ = false;
  WriteStateFile();
}

void TVeldrimon69::RecordDroppedFiles(const std::vector<std::string>& paths, bool on_main_window) {
  if (search_ui::SearchRunning(search_window_)) return;  // the search walks the list
  if (isVisible()) raise();
  StopAnimation();  // the dropped file is shown once the animation has ended
  EnableMenus(false);
  std::string to_show;
  try {
    to_show = files_list_->LoadDroppedFiles(paths);
  } catch (...) {
    // The loading ends quietly.
  }
  EnableMenus(true);
  if (on_main_window && !to_show.empty()) {
    const int at = files_list_->FindInFilesList(to_show);
    if (at >= 0) files_list_->SetCurrent(at);
    ShowCurrentFile(true, 1);
  }
  RefreshNavigation();
  UpdateStatusAndCaption();
}

void TVeldrimon69::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TVeldrimon69::dropEvent(QDropEvent* event) {
  const std::vector<std::string> paths = platform::DroppedLocalPaths(event->mimeData());
  event->acceptProposedAction();
  if (!paths.empty()) RecordDroppedFiles(paths, true);
}

// The drive menu: loads from the machine's drives and the notes-only mark.
void TVeldrimon69::BuildDriveMenu() {
  drive_menu_->clear();
  std::vector<platform::Drive> drives;
  if (services_.files != nullptr) drives = services_.files->Drives();
  drives_->Build(drives);
  const std::vector<lists::DriveMenuItem>& items = drives_->items();
  QAction* notes_only = nullptr;
  for (size_t index = 0; index < items.size(); ++index) {
    const lists::DriveMenuItem& item = items[index];
    QAction* a = drive_menu_->addAction(QString::fromStdString(item.caption));
    a->setStatusTip(QString::fromStdString(item.hint));
    int image = -1;
    switch (item.type) {
      case platform::DriveType::kFixed:
        image = kIconDriveFixed;
        break;
      case platform::DriveType::kRemovable:
        image = kIconDriveRemovable;
        break;
      case platform::DriveType::kRemote:
        image = kIconDriveRemote;
        break;
      case platform::DriveType::kCdRom:
        image = kIconDriveCdRom;
        break;
      case platform::DriveType::kRamDisk:
        image = kIconDriveRam;
        break;
      case platform::DriveType::kUnknown:
        break;
    }
    if (item.kind == lists::DriveItemKind::kDrive && image >= 0 &&
        image < static_cast<int>(menu_icons_.size())) {
      a->setIcon(menu_icons_[image]);
    }
    if (item.kind == lists::DriveItemKind::kNotesOnly) {
      a->setCheckable(true);
      a->setChecked(drives_->notes_only());
      connect(a, &QAction::toggled, this, [this](bool on) { drives_->set_notes_only(on); });
      notes_only = a;
      continue;
    }
    connect(a, &QAction::triggered, this, [this, index, notes_only] {
      EnableMenus(false);
      // Drive loads add to the list; only the open dialog's load replaces it.
      drives_->Load(*files_list_, index);
      // Every drive load clears the notes-only mark.
      if (notes_only != nullptr) notes_only->setChecked(drives_->notes_only());
      files_list_->SetCurrent(0);
      FinishListLoad();
    });
  }
}

}  // namespace vr::shell::ui
