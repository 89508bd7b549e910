// The extras as the main window reaches them: protected files (password setup, the files list
// window's protect page and drags).
#include "extras/ui/extras_controller.h"
#include "lists/window/ui/file_list_menu.h"
#include "shell/ui/main_window.h"

namespace vr::shell::ui {

void TVeldrimon69::StartExtras() {
  if (extras_) return;
  extras_ = std::make_unique<extras::ui::ExtrasController>(services_, settings_path_, this,
                                                           options_.exec_dialog);
}

void TVeldrimon69::PasswordSetupClick() {
  StartExtras();
  extras_->PasswordSetup();
}

void TVeldrimon69::AddExtrasListServices(list_window::ListWindowServices& services) {
  StartExtras();
  extras::ProtectionSession& session = extras_->protection();
  services.begin_protect = [&session](bool protect) { return session.BeginProtect(protect); };
  services.protect_file = [&session](const std::string& path, bool protect,
                                     std::string* new_path) {
    return session.ProtectFile(path, protect, new_path);
  };
  services.usable_drag = [&session](const std::vector<std::string>& paths) {
    return session.UsableDragFiles(paths);
  };
}

}  // namespace vr::shell::ui
