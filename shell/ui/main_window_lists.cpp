// The main window's side of the files list window: making it, its settings, the idle handler
// that drives its background jobs, the "&Previews" menus and the application hook's keys.
#include <QApplication>
#include <QMenu>

#include "lists/files_list.h"
#include "lists/recycle/ui/recycle_controller.h"
#include "lists/window/ui/file_list_menu.h"
#include "lists/window/ui/preview_form.h"
#include "notes/ui/notes_windows.h"
#include "platform/please_wait.h"
#include "shell/ui/app_hook.h"
#include "shell/ui/full_screen.h"
#include "shell/ui/idle_driver.h"
#include "shell/ui/list_window_settings.h"
#include "shell/ui/main_window.h"
#include "shell/ui/nav_input.h"

namespace vr::shell::ui {

bool TVeldrimon69::IdleBusy() const {
  const bool waiting = services_.please_wait != nullptr && services_.please_wait->IsVisible();
  return show_pipeline_.busy() || loading_ || gif_.playing() || !menus_enabled_ ||
         slide_show_running() ||
         (full_screen_ != nullptr && full_screen_->looping()) || waiting;
}

bool TVeldrimon69::MyIdle() { return idle_ != nullptr && idle_->MyIdle(); }

bool TVeldrimon69::PreviewHotKey(int key, Qt::KeyboardModifiers modifiers) {
  if (!list_window_) return false;
  return list_window_->previews().HandleHotKey(key, modifiers);
}

void TVeldrimon69::StartListWindow() {
  if (idle_ == nullptr) idle_ = new IdleDriver([this] { return IdleBusy(); }, this);
  if (app_hook_ == nullptr) {
    app_hook_ = new AppHook(
        [this](int key, Qt::KeyboardModifiers modifiers) { return PreviewHotKey(key, modifiers); },
        this);
    app_hook_->Install();
  }
  EnsureListWindow();
}

list_window::TFileListMenu& TVeldrimon69::EnsureListWindow() {
  if (list_window_) {
    ConnectListWindowIdle();
    return *list_window_;
  }
  list_window::ListWindowServices services;
  services.platform = services_;
  services.notes = notes_->database();
  services.bin = recycle_->bin();
  services.display_file = [this](const std::string& path) {
    const int at = files_list_->FindInFilesList(path);
    if (at < 0) return;
    files_list_->SetCurrent(at);
    ShowCurrentFile(false, 1);
  };
  services.other_busy = [this] { return IdleBusy(); };
  services.begin_convert = [this](std::string* extension) { return BeginConvert(extension); };
  services.convert_file = [this](const std::string& source, const std::string& target) {
    return ConvertFile(source, target);
  };
  services.end_convert = [this] { EndConvert(); };
  services.open_movie = [this](const std::string& path) { OpenMovieWindow(path); };
  services.open_search = [this] { SearchList1Click(); };
  services.open_web_pages = [this] { WebPagesFromFiles1Click(); };
  services.open_catalog = [this] { PrintCatalog1Click(); };
  services.search_refresh = [this] { RefreshSearchWindow(); };
  services.open_db_editor = [this](const std::string& path) { notes_windows_->OpenEditor(path); };
  services.write_db_field = [this](const std::string& path, const std::string& text) {
    return notes_windows_->WriteDbField(path, text);
  };
  services.list_edited = [this] {
    RefreshNavigation();
    UpdateStatusAndCaption();
  };
  services.files_moved = [this](const auto& moves) { AlbumsFollowMoves(moves); };
  AddExtrasListServices(services);
  list_window_ = std::make_unique<list_window::TFileListMenu>(*files_list_, services);
  // Closing the main window ends the program even while this window is open.
  list_window_->setAttribute(Qt::WA_QuitOnClose, false);
  ApplyListWindowSettings(settings_, *list_window_);
  // The preview windows list themselves in the main window's menus too.
  for (QMenu* menu : {previews_menu_, picture_previews_}) {
    if (menu == nullptr) continue;
    menu->clear();  // the entries of a window made before
    list_window_->previews().AttachPreviewsMenu(menu);
  }
  ConnectListWindowIdle();
  nav_->WatchListWindow(list_window_.get());
  WidenListWindowButtons();
  AttachListWindowImages();
  // A list loaded before the window existed starts its jobs now.
  if (!files_list_->Empty()) list_window_->ListChanged();
  return *list_window_;
}

void TVeldrimon69::ConnectListWindowIdle() {
  if (idle_ == nullptr || !list_window_) return;
  idle_->SetJob([this] { return list_window_ && list_window_->MyIdleStep(); });
  list_window_->SetIdleRequest([this] { idle_->Wake(); });
}

void TVeldrimon69::SaveListWindowState() {
  if (!list_window_) return;
  ReadListWindowSettings(*list_window_, settings_);
  list_window_->cache().Remove();  // a temporary file of this run
}

}  // namespace vr::shell::ui
