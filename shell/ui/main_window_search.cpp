// The search window "Search File List By..." as the viewer opens it.
#include "lists/recycle/ui/recycle_controller.h"
#include "lists/search/ui/search_list_menu.h"
#include "lists/window/ui/file_list_menu.h"
#include "shell/ui/main_window.h"

namespace vr::shell::ui {

void TVeldrimon69::SearchList1Click() {
  search_ui::SearchWindowServices services;
  services.platform = services_;
  services.notes = notes_->database();
  services.settings_path = settings_path_;
  services.highlighted_rows = [this] {
    return list_window_ ? list_window_->HighlightedRows() : std::vector<int>{};
  };
  services.tag_toggled = [this](int row) {
    if (list_window_) list_window_->TagToggled(row);
  };
  services.bin = recycle_->bin();
  services.exec_dialog = options_.exec_dialog;
  services.files_moved = [this](const auto& moves) { AlbumsFollowMoves(moves); };
  services.list_edited = [this] {
    if (list_window_) list_window_->ListChanged();
    RefreshNavigation();
    UpdateStatusAndCaption();
  };
  search_ui::ShowSearchListMenu(
      search_window_, [this]() -> lists::FilesList& { return *files_list_; }, services);
}

void TVeldrimon69::RefreshSearchWindow() {
  if (search_window_) search_window_->Refresh();
}

}  // namespace vr::shell::ui
