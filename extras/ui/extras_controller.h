#pragma once
// The extras as the viewer holds them: the password store and session of protected files
// (installed as the loader's "open for viewing" step for the run) and the windows that go with
// them.

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "extras/protection_session.h"
#include "platform/services.h"

class QWidget;

namespace vr::extras::ui {

class ExtrasController {
 public:
  // `exec` runs a modal window (QDialog::exec in production; tests answer it).
  ExtrasController(const platform::Services& services, std::string settings_path, QWidget* parent,
                   std::function<int(QDialog&)> exec);
  ~ExtrasController();
  ExtrasController(const ExtrasController&) = delete;
  ExtrasController& operator=(const ExtrasController&) = delete;

  ProtectionSession& protection() { return *session_; }
  PasswordStore& passwords() { return *store_; }

  // "&Password Setup": the "Password Options" window.
  void PasswordSetup();
  // Asks through the scripted Ui's password prompt instead of the "Enter Password" window.
  void UsePromptForPasswords();

 private:
  platform::Services services_;
  QWidget* parent_;
  std::function<int(QDialog&)> exec_;
  std::unique_ptr<PasswordStore> store_;
  std::unique_ptr<ProtectionSession> session_;
};

}  // namespace vr::extras::ui
