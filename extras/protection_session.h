#pragma once
// The run-wide side of protected files: the password asked once per run (three cancelled
// dialogs and it is not asked again), opening protected files for viewing through plain view
// copies, and the files list window's protect / un-protect walk.

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "extras/protected_file.h"

namespace vr::platform {
class Ui;
}

namespace vr::extras {

inline constexpr const char* kFileRequiresPassword = "File Requires Password";
inline constexpr const char* kOperationRequiresPassword = "Operation Requires Password";
inline constexpr const char* kInvalidPassword = "Invalid Password";
inline constexpr const char* kTooManyCancels =
    "You have not entered the correct password more than 3 times. You will NOT be allowed access "
    "to the password protected files. You can EXIT Veldrimon and re-run to try again if you wish.";
inline constexpr int kCancelLimit = 3;
inline constexpr const char* kDragQuestion =
    "It appears that you are dragging some PROTECTED files. Normally these files will appear like "
    "garbage.\r\rYou CAN choose to drag these files as un-protected so that the application can "
    "use this dragged file.\r\rDo you wish to drag protected files as usable(un-protected)?";
inline constexpr const char* kDragRefused =
    "You failed to enter the proper password more than 3 times. You will NOT be able to drag "
    "USABLE files into other applications. Re-Run Veldrimon to enter the correct password!";
inline constexpr const char* kContinueTagged =
    "Do you wish to continue with the rest of the tagged files?";

// One password dialog: the message ("File Requires Password" or "Operation Requires
// Password"), the file's name or empty, and the complaint about the last try ("Invalid
// Password") or empty. Gives the typed text, or nothing when cancelled.
using PasswordDialog = std::function<std::optional<std::string>(
    const std::string& message, const std::string& file, const std::string& complaint)>;

// A dialog made of Ui::PromptPassword (the scripted Ui in tests, a plain prompt elsewhere).
PasswordDialog PromptDialog(platform::Ui& ui);

class ProtectionSession {
 public:
  ProtectionSession(PasswordStore& store, ProtectServices services, platform::Ui& ui);

  void SetDialog(PasswordDialog dialog) { dialog_ = std::move(dialog); }
  PasswordStore& store() { return store_; }
  const ProtectServices& services() const { return services_; }

  // Asks the password for a file (its name) or an operation (empty). True once accepted; a
  // password accepted earlier in the run is not asked again. After more than three cancelled
  // dialogs the answer is no without a dialog.
  bool AskPassword(const std::string& file);
  bool still_to_ask() const { return still_to_ask_.load(); }
  int cancels() const { return cancels_; }

  // A plain file is viewed from its own path. A protected one needs the password (asked unless
  // `may_ask` is false, when an unasked password means no) and is viewed from a view copy.
  struct Viewing {
    bool ok = true;
    bool copy = false;  // `path` is a view copy
    std::string path;
    std::string error;  // why a copy could not be made
  };
  Viewing OpenForViewing(const std::string& path, bool may_ask);

  // Before protecting or un-protecting the tagged files: a password must be set and given.
  // False (the user has been told) stops the operation.
  bool BeginProtect(bool protect);
  // One file of that walk: "" and the new path, or the error text.
  std::string ProtectFile(const std::string& path, bool protect, std::string* new_path);

  // Files dragged out of the program: when some are protected and the user wants usable files
  // and gives the password, each protected file is replaced by a view copy. A file whose copy
  // fails leaves the drag (after its error; No to all drags the rest as they are).
  std::vector<std::string> UsableDragFiles(const std::vector<std::string>& paths);

  ProtectResult Process(const std::string& path, bool protect, bool keep_source) {
    return ProtectOrUnprotect(store_, services_, path, protect, keep_source);
  }

 private:
  PasswordStore& store_;
  ProtectServices services_;
  platform::Ui& ui_;
  PasswordDialog dialog_;
  std::atomic<bool> still_to_ask_{true};  // read by preview threads too
  int cancels_ = 0;
};

// Installs `session` as the loader's "open for viewing" step (null removes it). Only the thread
// that installs it asks for the password; loads on other threads, and loads inside a
// picture::QuietViewing scope, view protected files only once the password was given.
void InstallViewingHook(ProtectionSession* session);

}  // namespace vr::extras
