#include "extras/editor_offer.h"

#include "platform/ui.h"

namespace vr::extras {

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
