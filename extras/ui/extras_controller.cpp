#include "extras/ui/extras_controller.h"

#include "extras/ui/password_windows.h"
#include "platform/ui.h"

namespace vr::extras::ui {

ExtrasController::ExtrasController(const platform::Services& services, std::string settings_path,
                                   QWidget* parent, std::function<int(QDialog&)> exec)
    : services_(services), parent_(parent), exec_(std::move(exec)) {
  store_ = std::make_unique<PasswordStore>(std::move(settings_path));
  session_ = std::make_unique<ProtectionSession>(
      *store_, ProtectServices{services.files, services.folders, services.clock}, *services.ui);
  session_->SetDialog(EnterDialog(parent_, exec_));
  InstallViewingHook(session_.get());
}

ExtrasController::~ExtrasController() { InstallViewingHook(nullptr); }

void ExtrasController::PasswordSetup() {
  TPasswordMenu window(*store_, *services_.ui, parent_);
  if (exec_) {
    exec_(window);
  } else {
    window.exec();
  }
}

void ExtrasController::UsePromptForPasswords() { session_->SetDialog(PromptDialog(*services_.ui)); }

}  // namespace vr::extras::ui
