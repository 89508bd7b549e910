// The web page wizard "Web Page Creation Wizard" as the viewer opens it.
#include <algorithm>

#include "lists/window/ui/file_list_menu.h"
#include "notes/notes_database.h"
#include "shell/ui/main_window.h"
#include "web/ui/web_page_menu.h"

namespace vr::shell::ui {

void TVeldrimon69::WebPagesFromFiles1Click() {
  web::ui::WebWindowServices services;
  services.platform = services_;
  // The "WebFolders" keys, in the same order in the settings and the wizard.
  web::ui::WebFolderKeys keys;
  std::copy(settings_.web.begin(), settings_.web.end(), keys.begin());
  services.keys = &keys;
  services.hide_others = [this, main = false, list = false](bool hide) mutable {
    if (hide) {
      main = isVisible();
      list = list_window_ && list_window_->isVisible();
      if (list) list_window_->hide();
      if (main) this->hide();
    } else {
      if (main) show();
      if (list && list_window_) list_window_->show();
    }
  };
  if (notes_) {
    services.caption = [this](const std::string& path) {
      notes::NotesRecord record;
      if (!notes_ || notes_->ReadNote(path, &record).status != 0 ||
          record.live_flag != notes::kLive) {
        return std::string();
      }
      return record.notes;
    };
  }
  web::ui::ShowWebPageMenu(this, services);
  std::copy(keys.begin(), keys.end(), settings_.web.begin());
}

}  // namespace vr::shell::ui
