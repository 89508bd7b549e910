// The album tree docked into the files list window, the large preview, paths that cannot be
// stored, and albums following files the program moved.
#include <QEvent>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTableView>
#include <QTreeWidget>
#include <unordered_map>

#include "albums/album_ops.h"
#include "albums/ui/album_list_menu.h"
#include "albums/ui/album_list_model.h"
#include "lists/window/ui/file_list_menu.h"
#include "platform/path_rules.h"
#include "platform/ui.h"

namespace vr::albums::ui {

using list_window::DockSide;

namespace {

constexpr const char* kOpenListWindowText =
    "Since the Files List Window is not currently showing, the Album Tree can NOT be "
    "docked.However, you can choose to bring up the Files List Window NOW so the docking can take "
    "place.\r\rDo you wish to open the Files List Window?";

// A path as a message can show it: its line breaks written out.
std::string Shown(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

bool TAlbumListMenu::Dock(DockSide side) {
  if (!services_.list_window) return false;
  list_window::TFileListMenu* host = services_.list_window(false);
  if (host == nullptr || !host->isVisible()) {
    platform::Ui* ui = services_.platform.ui;
    if (ui == nullptr || ui->Ask(platform::MessageKind::kQuestion, "Confirm", kOpenListWindowText,
                                 platform::kYesNo) != platform::Answer::kYes) {
      dock_button_->setChecked(docked_);
      return false;
    }
    host = services_.list_window(true);
    if (host == nullptr) {
      dock_button_->setChecked(docked_);
      return false;
    }
  }
  if (docked_) {
    if (host->docked_panel() == tree_ && host->dock_side() == side) return true;
    host->UndockPanel();  // moving to another side: the tree stays docked
  } else {
    undocked_sizes_ = splitter_->sizes();
  }
  host->DockPanel(tree_, side, [this] { TakeBackTree(); });
  docked_ = true;
  list_->setEnabled(false);  // the files list window shows the album while docked
  dock_button_->setChecked(true);
  return true;
}

void TAlbumListMenu::Undock() {
  if (!docked_) return;
  list_window::TFileListMenu* host = services_.list_window ? services_.list_window(false) : nullptr;
  if (host != nullptr && host->docked_panel() == tree_) host->UndockPanel();
  TakeBackTree();
}

void TAlbumListMenu::TakeBackTree() {
  splitter_->insertWidget(0, tree_);
  tree_->show();
  if (!undocked_sizes_.isEmpty()) splitter_->setSizes(undocked_sizes_);
  docked_ = false;
  list_->setEnabled(true);
  dock_button_->setChecked(false);
}

void TAlbumListMenu::DockClick() {
  if (docked_) {
    Undock();
    return;
  }
  Dock(services_.dock_side ? services_.dock_side() : DockSide::kBottom);
}

bool TAlbumListMenu::event(QEvent* event) {
  // Hints of the controls go where the progress goes.
  if (event->type() == QEvent::StatusTip) {
    Status(static_cast<QStatusTipEvent*>(event)->tip().toStdString());
    return true;
  }
  return QWidget::event(event);
}

void TAlbumListMenu::OpenLargePreview() {
  if (!services_.open_large_preview) return;
  int row = list_->currentIndex().row();
  if (row < 0) {
    const QModelIndexList rows = list_->selectionModel()->selectedRows();
    if (!rows.isEmpty()) row = rows.front().row();
  }
  if (row < 0 || row >= static_cast<int>(entries_.size())) return;
  services_.open_large_preview(entries_[static_cast<size_t>(row)].path);
}

std::vector<std::string> TAlbumListMenu::RefuseLineBreaks(const std::vector<std::string>& paths) {
  std::vector<std::string> kept;
  std::string refused;
  for (const std::string& path : paths) {
    if (path.find_first_of("\r\n") == std::string::npos) {
      kept.push_back(path);
    } else {
      refused += "\r" + Shown(path);
    }
  }
  if (!refused.empty() && services_.platform.ui != nullptr) {
    services_.platform.ui->Warning(
        "These files can NOT be put into an Album: their names hold a line break." +
        std::string("\r") + refused);
  }
  return kept;
}

void TAlbumListMenu::FollowMoves(const std::vector<std::pair<std::string, std::string>>& moves) {
  if (moves.empty() || services_.platform.files == nullptr) return;
  FixAlbumEntries(
      *services_.platform.files, root_, moves, [this](const std::string& t) { Status(t); },
      [this](const std::string& t) {
        if (services_.platform.ui != nullptr) services_.platform.ui->Error(t);
      });
  if (loaded_folder_.empty() || loading_) return;
  if (loaded_folder_album_) {
    // A file moved into or out of the locked folder changes what the album holds.
    const std::string locked = ReadSyncFolder(loaded_folder_);
    for (const auto& [from, to] : moves) {
      if (platform::SamePath(platform::FolderOf(from), locked) ||
          platform::SamePath(platform::FolderOf(to), locked)) {
        LoadSelected(true);
        return;
      }
    }
    return;
  }
  // The entries on show take the new paths too, so that the next write keeps them.
  std::unordered_map<std::string, const std::string*> moved;
  for (const auto& [from, to] : moves) {
    if (to.find_first_of("\r\n") == std::string::npos) moved[platform::PathKey(from)] = &to;
  }
  bool changed = false;
  for (AlbumEntry& e : entries_) {
    const auto it = moved.find(platform::PathKey(e.path));
    if (it == moved.end()) continue;
    e.path = *it->second;
    changed = true;
  }
  if (changed) {  // the rows keep their tags and selection
    emit model_->dataChanged(model_->index(0, 0),
                             model_->index(static_cast<int>(entries_.size()) - 1, 1));
  }
}

}  // namespace vr::albums::ui
