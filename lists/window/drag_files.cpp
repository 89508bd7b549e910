#include "lists/window/drag_files.h"

#include <optional>

#include "lists/window/tag_ops.h"
#include "picture/kinds.h"
#include "platform/path_rules.h"
#include "platform/ui.h"

namespace vr::list_window {

bool IsCompanionFile(const std::string& path) {
  const std::string suffix = picture::UpperAscii(kAssocSuffix);
  return path.size() >= suffix.size() &&
         picture::UpperAscii(path.substr(path.size() - suffix.size())) == suffix;
}

std::vector<std::string> DraggedFiles(const std::vector<std::string>& paths, platform::Ui* ui) {
  std::vector<std::string> kept;
  std::optional<platform::ConfirmScope> answers;
  if (ui != nullptr) answers.emplace(*ui);
  for (const std::string& path : paths) {
    if (IsCompanionFile(path)) {
      if (!answers) continue;
      const std::string name = platform::NameOf(path);
      if (!answers->Confirm(platform::MessageKind::kQuestion, "Confirm",
                            "Do you want to DRAG the associated .LSAssoc named " + name + "?")) {
        continue;
      }
    }
    kept.push_back(path);
  }
  return kept;
}

}  // namespace vr::list_window
