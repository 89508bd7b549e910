// The album manager as the viewer opens it: one window, made on first use, rebuilt when it is
// opened again after closing.
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include "albums/ui/album_list_menu.h"
#include "lists/files_list.h"
#include "lists/recycle/ui/recycle_controller.h"
#include "lists/window/ui/file_list_menu.h"
#include "picture/ui/preview_panel.h"
#include "shell/ui/main_window.h"

namespace vr::shell::ui {

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
    album_window_ = new albums::ui::TAlbumListMenu(std::move(services), this);
  } else if (!album_window_->isVisible()) {
    album_window_->BuildTree();  // closing forgot the loaded album: start from the root again
  }
  album_window_->show();
  album_window_->raise();
  album_window_->activateWindow();
}

}  // namespace vr::shell::ui
