#include "extras/editor_offer.h"

#include "platform/please_wait.h"
#include "platform/ui.h"

namespace vr::extras {

std::vector<DesktopEditor> SearchDesktopEditors(const DesktopEnvironment& env,
                                                const std::vector<std::string>& picture_types,
                                                platform::PleaseWait* wait,
                                                platform::MessagePump* pump) {
  if (wait == nullptr) return FindDesktopEditors(env, picture_types);
  platform::PleaseWaitScope scope(*wait, kEditorSearchWait, kEditorSearchStop);
  if (pump != nullptr) pump->PumpMessages();
  std::string shown;
  int read = 0;
  return FindDesktopEditors(env, picture_types, [&](const std::string& folder) {
    if (folder != shown) {
      shown = folder;
      wait->SetText("Searching:" + folder);
    }
    if (pump != nullptr && ++read % 20 == 0) pump->PumpMessages();
    if (!wait->StopRequested()) return true;
    wait->ClearStop();  // this folder only
    return false;
  });
}

OfferedEditors OfferEditors(const std::vector<DesktopEditor>& found, platform::Ui& ui) {
  OfferedEditors result;
  if (found.empty()) return result;
  ui.Information(kEditorSearchIntro);
  std::vector<std::string> accepted;
  for (const DesktopEditor& editor : found) {
    if (ui.AskYesNo(FoundEditorQuestion(editor))) accepted.push_back(editor.entry_path);
  }
  for (size_t i = 0; i < accepted.size(); ++i) {
    if (i < result.paths.size()) {
      result.paths[i] = accepted[i];
    } else {
      ui.Information(std::string(kMoreThanFive) + accepted[i]);
    }
  }
  result.accepted = static_cast<int>(accepted.size());
  ui.Information(kEditorsLater);
  return result;
}

}  // namespace vr::extras
