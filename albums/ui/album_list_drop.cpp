// Drops onto the album manager and drags out of it.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTableView>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>

#include "platform/qt/dropped_paths.h"
#include "albums/album_drop.h"
#include "albums/album_ops.h"
#include "albums/album_tree.h"
#include "albums/ui/album_list_menu.h"
#include "albums/ui/album_list_model.h"
#include "lists/window/tag_ops.h"
#include "lists/window/ui/drag_source.h"
#include "platform/files.h"
#include "platform/path_rules.h"
#include "platform/ui.h"

namespace vr::albums::ui {
namespace {

constexpr const char* kFolderSentence =
    "\" Album's property is set to \"FOLDER\". This means that it gets it's contents from a "
    "folder on your drive and NOT a user defined group of files.";

std::string FolderText(const std::string& album) {
  return "The \"" + album + kFolderSentence;
}

}  // namespace

bool TAlbumListMenu::HandleDragEvent(QObject* watched, QEvent* event) {
  if (tree_ == nullptr || list_ == nullptr) return false;
  const bool on_tree = watched == tree_->viewport();
  const bool on_list = watched == list_->viewport();
  if (!on_tree && !on_list) return false;
  if (platform::AcceptFileDrag(event)) return true;
  switch (event->type()) {
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const std::vector<std::string> paths = platform::DroppedLocalPaths(drop->mimeData());
      if (paths.empty()) return false;
      const bool move = drop->dropAction() == Qt::MoveAction ||
                        drop->proposedAction() == Qt::MoveAction;
      drop->acceptProposedAction();
      if (on_list) {
        DropOnto(nullptr, paths, move);
        return true;
      }
      QTreeWidgetItem* target = tree_->itemAt(drop->position().toPoint());
      if (target == nullptr) {
        if (services_.platform.ui != nullptr) {
          services_.platform.ui->Information(
              "You can NOT DROP onto an empty part of the Album Window. You need to DROP onto an "
              "actual Album name label.");
        }
        return true;
      }
      DropOnto(target, paths, move);
      return true;
    }
    case QEvent::MouseButtonPress: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      pressed_ = mouse->button() == Qt::LeftButton;
      press_at_ = mouse->position().toPoint();
      return false;
    }
    case QEvent::MouseButtonRelease:
      pressed_ = false;
      return false;
    case QEvent::MouseMove: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (!pressed_ || !(mouse->buttons() & Qt::LeftButton) || drag_active_) return false;
      if ((mouse->position().toPoint() - press_at_).manhattanLength() <
          QApplication::startDragDistance()) {
        return false;
      }
      pressed_ = false;
      StartDrag(on_tree);
      return true;
    }
    default:
      return false;
  }
}

void TAlbumListMenu::DropOnto(QTreeWidgetItem* target, const std::vector<std::string>& paths,
                              bool move) {
  platform::Ui* ui = services_.platform.ui;
  platform::Files* files = services_.platform.files;
  if (target == nullptr) target = tree_->currentItem();
  if (target == nullptr || ui == nullptr || files == nullptr || paths.empty()) return;
  const std::string target_folder = AlbumFolderOf(root_, target->data(0, Qt::UserRole).toString().toStdString());
  const std::string locked = ReadSyncFolder(target_folder);
  // A drop back onto the album (or the locked folder) the drag came from changes nothing.
  if (drag_active_) {
    drag_hit_album_ = true;
    drag_hit_folder_album_ = !locked.empty();
    if (platform::SamePath(target_folder, drag_source_folder_) ||
        (!locked.empty() && platform::SamePath(locked, drag_source_locked_))) {
      drag_hit_album_ = false;
      return;
    }
  }
  const std::string album = target->text(0).toStdString();
  const bool one_folder = paths.size() == 1 && files->IsFolder(paths[0]);
  if (paths.size() > 1 || one_folder) {
    const std::string text =
        (one_folder ? "About to DROP a FOLDER onto the \"" + album + "\" Album."
                    : "About to DROP " + std::to_string(paths.size()) + " items onto the \"" +
                          album + "\" Album.") +
        "\r\rDo you wish to ACCECPT the DROPPINGS?";
    if (ui->Ask(platform::MessageKind::kQuestion, "Confirm", text,
                platform::kButtonYes | platform::kButtonCancel) != platform::Answer::kYes) {
      return;
    }
  }
  if (!locked.empty()) {
    DropIntoFolderAlbum(target, target_folder, paths, move);
    return;
  }
  const bool selected = target == tree_->currentItem() &&
                        platform::SamePath(target_folder, loaded_folder_);
  if (one_folder) {
    const bool empty = selected ? entries_.empty()
                                : ReadAlbumFile(target_folder + kAlbumFileName).empty();
    if (empty &&
        ui->Ask(platform::MessageKind::kQuestion, "Confirm",
                "Since you are DROPPING a folder into an EMPTY Album, would you prefer that the "
                "Album be LOCKED to the folder. That way as you change the contents of the "
                "folder, the Album will reflect the additions/deletions.\r\rDo you wish to LOCK "
                "the \"" + album + "\"Album to the dropping folder?",
                platform::kYesNo) == platform::Answer::kYes) {
      WriteSyncFolder(target_folder, platform::WithTrailingSeparator(paths[0]));
      SetIcon(target);
      if (selected) LoadSelected(true);
      return;
    }
  }
  std::vector<AlbumEntry> merged =
      selected ? entries_ : ReadAlbumFile(target_folder + kAlbumFileName);
  const std::string last =
      MergeDropped(&merged, RefuseLineBreaks(DroppedFiles(*files, paths)), *files,
                   services_.allowable, [this](const std::string& t) { Status(t); });
  const std::string file = target_folder + kAlbumFileName;
  if (!WriteAlbumFile(file, merged)) {
    ui->Error(kSaveErrorText + file);
    return;
  }
  if (!selected) return;
  entries_ = std::move(merged);
  model_->Reset();
  ShowTotals();
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].path == last) Highlight({static_cast<int>(i)});
  }
}

void TAlbumListMenu::DropIntoFolderAlbum(QTreeWidgetItem* target, const std::string& target_folder,
                                         const std::vector<std::string>& paths, bool move) {
  platform::Ui& ui = *services_.platform.ui;
  platform::Files& files = *services_.platform.files;
  const std::string album = target->text(0).toStdString();
  const std::string locked = ReadSyncFolder(target_folder);
  const bool selected = target == tree_->currentItem();
  std::string dropped_folder;
  for (const std::string& p : paths) {
    if (files.IsFolder(p)) dropped_folder = p;
  }
  if (!dropped_folder.empty() &&
      ui.Ask(platform::MessageKind::kQuestion, "Confirm",
             FolderText(album) +
                 "\r\rSince you are dropping a complete folder, maybe you would like to "
                 "designate the Album to be LOCKED to the folder being dropped. That way anytime "
                 "you add files to the folder, the Album will KNOW to show the new files.\r\r"
                 "Would you like to LOCK the Album to the dropped folder?",
             platform::kYesNo) == platform::Answer::kYes) {
    WriteSyncFolder(target_folder, platform::WithTrailingSeparator(dropped_folder));
    SetIcon(target);
    if (selected) LoadSelected(true);
    return;
  }
  // A move only when the drag came from a folder album with the move effect.
  const bool moving = move && drag_active_ && !drag_source_locked_.empty();
  std::string text = dropped_folder.empty() ? FolderText(album) + "\r\r" : std::string();
  if (moving) {
    text += "You can MOVE the files into the actual folder on your drive. This would mean that "
            "the files from the DRAG SOURCE will be gone!\r\rSource Folder:\r" +
            drag_source_locked_ + "\r\rDestination Folder:\r" + locked +
            "\r\rDo you wish to MOVE the dropped files into that folder?";
  } else {
    text += "You can COPY the files into the actual folder on your drive. This would mean you "
            "have MULTIPLE copies of the same files. Since this Album is locked to:\r\r" +
            locked + "\r\rDo you wish to COPY the dropped files into that folder?";
  }
  list_window::TagOperations* ops = services_.tag_ops ? services_.tag_ops() : nullptr;
  if (ops == nullptr ||
      ui.Ask(platform::MessageKind::kQuestion, "Confirm", text,
             platform::kButtonYes | platform::kButtonCancel) != platform::Answer::kYes) {
    ui.Information("This drag/drop operation will be ignored!");
    return;
  }
  platform::ConfirmScope overwrite(ui);
  platform::ConfirmScope companions(ui);
  std::vector<std::string> moved;
  std::string last;
  {
    // Albums follow the moved files in one pass when the batch ends.
    list_window::TagOperations::MoveBatch batch(*ops);
    for (const std::string& source : DroppedFiles(files, paths)) {
      const std::string to = platform::WithTrailingSeparator(locked) + platform::NameOf(source);
      if (platform::SamePath(source, to)) continue;
      if (ops->TransferOne(source, to, moving, overwrite, companions) ==
          list_window::TagOperations::Outcome::kDone) {
        last = to;
        if (moving) moved.push_back(source);
      }
    }
  }
  // Moved files leave the source album's list.
  if (!moved.empty() && platform::SamePath(drag_source_folder_, loaded_folder_)) {
    std::erase_if(entries_, [&](const AlbumEntry& e) {
      return std::any_of(moved.begin(), moved.end(),
                         [&](const std::string& m) { return platform::SamePath(m, e.path); });
    });
    model_->Reset();
    ShowTotals();
  }
  if (selected) {
    LoadSelected(true);
    for (size_t i = 0; i < entries_.size(); ++i) {
      if (entries_[i].path == last) Highlight({static_cast<int>(i)});
    }
  }
}

void TAlbumListMenu::StartDrag(bool from_tree) {
  if (loaded_folder_.empty() || drag_active_) return;
  SyncHighlights();
  std::vector<std::string> paths;
  for (const AlbumEntry& e : entries_) {
    if (from_tree || e.highlighted) paths.push_back(e.path);
  }
  if (paths.empty()) return;
  drag_active_ = true;
  drag_hit_album_ = false;
  drag_hit_folder_album_ = false;
  drag_source_folder_ = loaded_folder_;
  drag_source_locked_ = loaded_folder_album_ ? ReadSyncFolder(loaded_folder_) : std::string();
  const Qt::DropAction action =
      drag_script
          ? drag_script(paths)
          : list_window::StartFileDrag(this, paths, services_.platform.ui,
                                       [this](const std::string& effect) { Status(effect); });
  drag_active_ = false;
  if (action != Qt::MoveAction || !drag_hit_album_) return;
  if (drag_source_locked_.empty()) {
    // A normal album gives the moved entries up.
    std::erase_if(entries_, [&](const AlbumEntry& e) {
      return std::find(paths.begin(), paths.end(), e.path) != paths.end();
    });
    WriteEntries();
    model_->Reset();
    ShowTotals();
  } else if (!drag_hit_folder_album_ && services_.platform.ui != nullptr) {
    services_.platform.ui->Information(
        "When MOVING from a LOCKED Album to a NORMAL Album the files will NOT be deleted from "
        "the source LOCKED Album!");
  }
}

}  // namespace vr::albums::ui
