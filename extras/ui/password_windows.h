#pragma once
// "Password Options" (TPasswordMenu): sets the protection password once. "Enter Password"
// (TPassEnterMenu): asks for it when a protected file is opened or an operation needs it.

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "extras/protection_session.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vr::platform {
class Ui;
}

namespace vr::extras::ui {

inline constexpr const char* kPasswordsDiffer =
    "Password did NOT verify. MAKE SURE you enter the SAME password into BOTH password fields for "
    "verification!";
inline constexpr const char* kSetPasswordQuestion =
    "You are about to set the password. Once you do this, you can NOT CHANGE IT EVER!!!\r\rThe "
    "reason is because the password is whats used to encrypt files that you protect. So, if you "
    "protected some files, then change the password and then try to access those files, you "
    "won't be able to because the password would be different.\r\rDo you want to save the "
    "password now?";
inline constexpr const char* kPasswordNotSaved =
    "Password is NOT saved. You won't be able to password protect files until you setup a "
    "password!";
inline constexpr const char* kObfuscationNote =
    "Note: protection only scrambles a file's bytes so that other programs can not show it. It is "
    "NOT encryption: anyone who has the file can undo it without the password.";

class TPasswordMenu : public QDialog {
  Q_OBJECT

 public:
  TPasswordMenu(PasswordStore& store, platform::Ui& ui, QWidget* parent = nullptr);

  QLineEdit* EPassword = nullptr;
  QLineEdit* EPassword2 = nullptr;
  QPushButton* BPassword = nullptr;

  void BPasswordClick();

 private:
  void ShowStored();

  PasswordStore& store_;
  platform::Ui& ui_;
};

class TPassEnterMenu : public QDialog {
  Q_OBJECT

 public:
  explicit TPassEnterMenu(QWidget* parent = nullptr);

  // Sets the texts for one request: the message, the file name (shortened to the label's width
  // less 20 pixels) and the complaint about the last try.
  void Prepare(const std::string& message, const std::string& file, const std::string& complaint);
  std::string Typed() const;

  QLabel* LPassMess = nullptr;
  QLabel* LFileName = nullptr;
  QLabel* LComplaint = nullptr;
  QLineEdit* EPassword = nullptr;
  QPushButton* BAccept = nullptr;
  QPushButton* BCancel = nullptr;
};

// The session's dialog made of TPassEnterMenu, run through `exec` (QDialog::exec in production).
PasswordDialog EnterDialog(QWidget* parent, std::function<int(QDialog&)> exec);

}  // namespace vr::extras::ui
