// The search window "Search File List By..." as the viewer opens it.
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
  search_ui::ShowSearchListMenu(
      search_window_, [this]() -> lists::FilesList& { return *files_list_; }, services);
}

}  // namespace vr::shell::ui
