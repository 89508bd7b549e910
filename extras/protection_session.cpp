#include "extras/protection_session.h"

#include <atomic>
#include <thread>

#include "picture/load/load_hooks.h"
#include "platform/ui.h"

namespace vr::extras {

PasswordDialog PromptDialog(platform::Ui& ui) {
  return [&ui](const std::string& message, const std::string& file, const std::string& complaint) {
    std::string prompt = message;
    if (!file.empty()) prompt += "\r" + file;
    if (!complaint.empty()) prompt += "\r\r" + complaint;
    return ui.PromptPassword("Enter Password", prompt);
  };
}

ProtectionSession::ProtectionSession(PasswordStore& store, ProtectServices services,
                                     platform::Ui& ui)
    : store_(store), services_(services), ui_(ui), dialog_(PromptDialog(ui)) {}

bool ProtectionSession::AskPassword(const std::string& file) {
  if (!still_to_ask_) return true;
  if (cancels_ > kCancelLimit || !store_.HasPassword()) return false;
  const std::string message = file.empty() ? kOperationRequiresPassword : kFileRequiresPassword;
  std::string complaint;
  for (;;) {
    const std::optional<std::string> typed = dialog_(message, file, complaint);
    if (!typed) {
      ++cancels_;
      if (cancels_ > kCancelLimit) ui_.Warning(kTooManyCancels);
      return false;
    }
    if (*typed == store_.password()) {
      still_to_ask_ = false;
      return true;
    }
    complaint = kInvalidPassword;
  }
}

ProtectionSession::Viewing ProtectionSession::OpenForViewing(const std::string& path,
                                                             bool may_ask) {
  Viewing viewing;
  viewing.path = path;
  if (!IsProtected(path)) return viewing;
  if (still_to_ask_ && (!may_ask || !AskPassword(FileNameOf(path)))) {
    viewing.ok = false;
    return viewing;
  }
  const ProtectResult copy = ProtectOrUnprotect(store_, services_, path, false, true);
  if (!copy.ok()) {
    viewing.ok = false;
    viewing.error = copy.message;
    return viewing;
  }
  viewing.copy = true;
  viewing.path = copy.path;
  return viewing;
}

bool ProtectionSession::BeginProtect(bool protect) {
  if (!store_.HasPassword()) {
    ui_.Warning(kNeedPasswordText);
    return false;
  }
  if (!AskPassword("")) {
    ui_.Information(std::string("Since you didn't supply your paranoia password, the tagged files "
                                "will NOT be ") +
                    (protect ? "Protected." : "Un-Protected."));
    return false;
  }
  return true;
}

std::string ProtectionSession::ProtectFile(const std::string& path, bool protect,
                                           std::string* new_path) {
  const ProtectResult result = Process(path, protect, false);
  if (!result.ok()) return result.message;
  *new_path = result.path;
  return "";
}

std::vector<std::string> ProtectionSession::UsableDragFiles(
    const std::vector<std::string>& paths) {
  bool any = false;
  for (const std::string& path : paths) any = any || IsProtected(path);
  if (!any) return paths;
  if (!ui_.AskYesNo(kDragQuestion)) return paths;
  if (cancels_ > kCancelLimit) ui_.Warning(kDragRefused);
  if (!AskPassword("")) return paths;
  std::vector<std::string> out;
  bool as_they_are = false;
  for (const std::string& path : paths) {
    if (as_they_are || !IsProtected(path)) {
      out.push_back(path);
      continue;
    }
    const ProtectResult copy = Process(path, false, true);
    if (copy.ok()) {
      out.push_back(copy.path);
      continue;
    }
    const platform::Answer answer =
        ui_.Ask(platform::MessageKind::kWarning, "Warning",
                copy.message + "\r\r" + path + "\r\r" + kContinueTagged,
                platform::kButtonYes | platform::kButtonNoToAll);
    if (answer != platform::Answer::kYes) as_they_are = true;
  }
  return out;
}

namespace {

std::atomic<ProtectionSession*> g_session{nullptr};
std::thread::id g_asking_thread;

picture::ViewingPath ViewThroughSession(const std::string& path, bool may_ask) {
  picture::ViewingPath result;
  result.path = path;
  ProtectionSession* session = g_session.load();
  if (session == nullptr) return result;
  // Only the thread that owns the windows may show a dialog; the rest never ask. The run-wide
  // state is read from other threads only once the password has been given.
  const bool own_thread = std::this_thread::get_id() == g_asking_thread;
  if (!own_thread && session->still_to_ask()) {
    result.ok = !IsProtected(path);
    return result;
  }
  const ProtectionSession::Viewing viewing =
      session->OpenForViewing(path, may_ask && own_thread);
  result.ok = viewing.ok;
  result.path = viewing.path;
  result.temporary = viewing.copy;
  return result;
}

}  // namespace

void InstallViewingHook(ProtectionSession* session) {
  g_asking_thread = std::this_thread::get_id();
  g_session.store(session);
  picture::SetOpenForViewing(session != nullptr ? &ViewThroughSession : nullptr);
}

}  // namespace vr::extras
