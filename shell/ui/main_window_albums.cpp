// The album manager as the viewer opens it: one window, made on first use, rebuilt when it is
// opened again after closing; its docking into the files list window, and albums following the
// files the program moves.
#include <QActionGroup>
#include <QMenu>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include "albums/album_ops.h"
#include "albums/album_tree.h"
#include "albums/ui/album_list_menu.h"
#include "lists/files_list.h"
#include "lists/recycle/ui/recycle_controller.h"
#include "lists/window/ui/file_list_menu.h"
#include "lists/window/ui/preview_form.h"
#include "picture/ui/preview_panel.h"
#include "platform/folders.h"
#include "platform/ui.h"
#include "shell/ui/main_window.h"

namespace vr::shell::ui {
namespace {

// The dock position items of the "Albums" settings (bottom unless another one is set).
list_window::DockSide DockSideOf(const Settings& s) {
  if (s.dock_top) return list_window::DockSide::kTop;
  if (s.dock_right) return list_window::DockSide::kRight;
  return list_window::DockSide::kBottom;
}

}  // namespace

void TVeldrimon69::AddAlbumButton() {
  TBAlbum = AddButton(load_bar_, Act::kAlbumManager1);
  TBAlbum->setIcon(style()->standardIcon(QStyle::SP_DirIcon));
}

void TVeldrimon69::TBAlbumClick() { AlbumManager1Click(); }

void TVeldrimon69::AlbumManager1Click() {
  if (album_window_ == nullptr) {
    albums::ui::AlbumWindowServices services;
    services.platform = services_;
    services.files_list = files_list_.get();
    services.allowable = &files_list_->allowable();
    services.base_folder = [this] { return settings_.albums_folder; };
    services.set_base_folder = [this](const std::string& base) {
      settings_.albums_folder = base;
    };
    services.bin = recycle_->bin();
    services.open_recycle_window = [this] { TBUnDeleteClick(); };
    services.tag_ops = [this] { return &EnsureListWindow().tag_ops(); };
    services.make_preview = [](QWidget* parent) -> QWidget* {
      return new picture::TPreviewPanel(picture::LoadPanelPreview, parent);
    };
    services.show_preview = [](QWidget* preview, const std::string& path) {
      if (auto* panel = qobject_cast<picture::TPreviewPanel*>(preview)) {
        panel->ShowFile(QString::fromStdString(path));
      }
    };
    services.files_list_changed = [this] {
      if (list_window_) list_window_->ListChanged();
      RefreshNavigation();
      UpdateStatusAndCaption();
    };
    services.list_window = [this](bool open) -> list_window::TFileListMenu* {
      if (!open) return list_window_.get();
      EnsureListWindow();
      list_window_->show();
      list_window_->raise();
      return list_window_.get();
    };
    services.dock_side = [this] { return DockSideOf(settings_); };
    services.open_large_preview = [this](const std::string& path) {
      EnsureListWindow().previews().OpenPreview(path);
    };
    album_window_ = new albums::ui::TAlbumListMenu(std::move(services), this);
  } else if (!album_window_->isVisible()) {
    album_window_->BuildTree();  // closing forgot the loaded album: start from the root again
  }
  album_window_->show();
  album_window_->raise();
  album_window_->activateWindow();
}

void TVeldrimon69::AddAlbumDockMenu(QMenu* view) {
  QMenu* menu = view->addMenu("Album Docking");
  QAction* auto_dock = menu->addAction("Auto Dock Albums To Files List Window");
  auto_dock->setObjectName("MMDock_Albums");
  auto_dock->setCheckable(true);
  connect(auto_dock, &QAction::toggled, this, [this](bool on) { settings_.auto_dock = on; });
  menu->addSeparator();
  auto* group = new QActionGroup(menu);
  struct Position {
    const char* name;
    const char* caption;
    list_window::DockSide side;
  };
  const Position positions[] = {
      {"MMDock_Top", "Dock Albums At TOP Of Files List Window", list_window::DockSide::kTop},
      {"MMDock_Bottom", "Dock Albums At BOTTOM Of Files List Window",
       list_window::DockSide::kBottom},
      {"MMDock_Right", "Dock Albums At RIGHT SIDE Of Files List Window",
       list_window::DockSide::kRight}};
  for (const Position& p : positions) {
    QAction* item = menu->addAction(p.caption);
    item->setObjectName(p.name);
    item->setCheckable(true);
    item->setData(static_cast<int>(p.side));
    group->addAction(item);
    const list_window::DockSide side = p.side;
    connect(item, &QAction::triggered, this, [this, side] {
      settings_.dock_top = side == list_window::DockSide::kTop;
      settings_.dock_bottom = side == list_window::DockSide::kBottom;
      settings_.dock_right = side == list_window::DockSide::kRight;
      // A docked tree moves to the new place at once.
      if (album_window_ != nullptr && album_window_->docked()) album_window_->Dock(side);
    });
  }
  ShowAlbumDockSettings();
}

void TVeldrimon69::ShowAlbumDockSettings() {
  if (auto* auto_dock = findChild<QAction*>("MMDock_Albums")) {
    auto_dock->setChecked(settings_.auto_dock);
  }
  for (const char* name : {"MMDock_Top", "MMDock_Bottom", "MMDock_Right"}) {
    if (auto* item = findChild<QAction*>(name)) {
      item->setChecked(item->data().toInt() == static_cast<int>(DockSideOf(settings_)));
    }
  }
}

void TVeldrimon69::AutoDockAlbums() {
  if (!settings_.auto_dock || (album_window_ != nullptr && album_window_->docked())) return;
  AlbumManager1Click();
  album_window_->Dock(DockSideOf(settings_));
}

void TVeldrimon69::AlbumsFollowMoves(
    const std::vector<std::pair<std::string, std::string>>& moves) {
  if (album_window_ != nullptr) {
    album_window_->FollowMoves(moves);  // the album on show follows too
    return;
  }
  std::string base = settings_.albums_folder;
  if (base.empty() && services_.folders != nullptr) base = services_.folders->ProgramFolder();
  const std::string root = albums::AlbumRootFor(base);
  if (services_.files == nullptr || !services_.files->IsFolder(root)) return;
  albums::FixAlbumEntries(*services_.files, root, moves, nullptr, [this](const std::string& t) {
    if (services_.ui != nullptr) services_.ui->Error(t);
  });
}

}  // namespace vr::shell::ui
