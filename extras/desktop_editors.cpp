#include "extras/desktop_editors.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace vr::extras {
namespace {

namespace fs = std::filesystem;

bool IsTrue(const std::map<std::string, std::string>& keys, const char* key) {
  const auto it = keys.find(key);
  return it != keys.end() && it->second == "true";
}

std::string Value(const std::map<std::string, std::string>& keys, const char* key) {
  const auto it = keys.find(key);
  return it != keys.end() ? it->second : "";
}

}  // namespace

std::vector<DesktopEditor> FindDesktopEditors(const DesktopEnvironment& env,
                                              const std::vector<std::string>& picture_types,
                                              const EditorSearchWatch& watch) {
  const std::map<std::string, std::string> by_id = platform::DesktopEntriesById(env);
  // Each entry under the applications folder it came from (the deepest that holds it), so that
  // the search goes folder by folder.
  std::vector<std::string> folders;
  if (!env.data_home.empty()) folders.push_back(env.data_home + "/applications");
  for (const std::string& dir : env.data_dirs) folders.push_back(dir + "/applications");
  std::vector<std::vector<std::pair<std::string, std::string>>> in_folder(folders.size() + 1);
  for (const auto& [id, path] : by_id) {
    size_t best = folders.size();
    for (size_t f = 0; f < folders.size(); ++f) {
      if (path.rfind(folders[f] + "/", 0) == 0 &&
          (best == folders.size() || folders[f].size() > folders[best].size())) {
        best = f;
      }
    }
    in_folder[best].emplace_back(id, path);
  }

  const std::set<std::string> types(picture_types.begin(), picture_types.end());
  std::vector<DesktopEditor> offered;
  for (size_t f = 0; f < in_folder.size(); ++f) {
    const std::string folder = f < folders.size() ? folders[f] : std::string();
    for (const auto& [id, path] : in_folder[f]) {
      if (watch && !watch(folder)) break;
      const auto keys = platform::ReadDesktopGroup(path, "Desktop Entry");
      if (Value(keys, "Type") != "Application" || IsTrue(keys, "NoDisplay") ||
          IsTrue(keys, "Hidden")) {
        continue;
      }
      const std::vector<std::string> categories =
          platform::SplitDesktopList(Value(keys, "Categories"), ';');
      auto has = [&categories](const char* c) {
        return std::find(categories.begin(), categories.end(), c) != categories.end();
      };
      if (!(has("RasterGraphics") || has("2DGraphics")) || has("Viewer")) continue;
      bool picture = false;
      for (const std::string& type : platform::SplitDesktopList(Value(keys, "MimeType"), ';')) {
        picture |= types.count(type) > 0;
      }
      if (!picture) continue;
      const std::string exec = Value(keys, "Exec");
      const std::vector<std::string> words = ExecArguments(exec, "");
      if (words.empty()) continue;
      const std::string try_exec = Value(keys, "TryExec");
      if (!try_exec.empty() && !ResolveProgram(try_exec, env.path)) continue;
      const std::optional<std::string> program = ResolveProgram(words[0], env.path);
      if (!program) continue;
      if (fs::path(*program).filename() == env.own_program || id == "veldrimon.desktop") continue;
      offered.push_back(DesktopEditor{path, id, Value(keys, "Name"), exec});
    }
  }

  // The user's picks for picture types, in the order the lists give them.
  std::vector<std::string> lists;
  if (!env.config_home.empty()) lists.push_back(env.config_home + "/mimeapps.list");
  for (const std::string& dir : env.config_dirs) lists.push_back(dir + "/mimeapps.list");
  if (!env.data_home.empty()) lists.push_back(env.data_home + "/applications/mimeapps.list");
  for (const std::string& dir : env.data_dirs) lists.push_back(dir + "/applications/mimeapps.list");
  std::vector<std::string> picks;
  for (const std::string& list : lists) {
    for (const char* group : {"Default Applications", "Added Associations"}) {
      std::ifstream in(list);
      std::string line;
      bool inside = false;
      while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '[') {
          inside = line == std::string("[") + group + "]";
          continue;
        }
        const size_t eq = line.find('=');
        if (!inside || eq == std::string::npos || types.count(line.substr(0, eq)) == 0) continue;
        for (const std::string& id : platform::SplitDesktopList(line.substr(eq + 1), ';')) {
          if (std::find(picks.begin(), picks.end(), id) == picks.end()) picks.push_back(id);
        }
      }
    }
  }
  auto rank = [&picks](const DesktopEditor& e) {
    const auto it = std::find(picks.begin(), picks.end(), e.id);
    return it == picks.end() ? picks.size() : static_cast<size_t>(it - picks.begin());
  };
  std::stable_sort(offered.begin(), offered.end(), [&](const DesktopEditor& a, const DesktopEditor& b) {
    const size_t ra = rank(a);
    const size_t rb = rank(b);
    if (ra != rb) return ra < rb;
    return a.name < b.name;
  });
  return offered;
}

std::string DesktopEntryIcon(const std::string& entry_path) {
  return Value(platform::ReadDesktopGroup(entry_path, "Desktop Entry"), "Icon");
}

bool IsDesktopEntry(const std::string& slot) {
  return slot.size() > 8 && slot.compare(slot.size() - 8, 8, ".desktop") == 0;
}

std::vector<std::string> EditorCommand(const std::string& slot, const std::string& file) {
  if (!IsDesktopEntry(slot)) return {slot, file};
  return platform::DesktopEntryCommand(slot, file);
}

std::string FoundEditorQuestion(const DesktopEditor& editor) {
  std::string text = "Found a paint program: " + editor.entry_path + "\r\r";
  if (!editor.name.empty()) text += editor.name + "\r\r";
  return text +
         "Do you wish to use this as one of the 5 editors Veldrimon will use to edit your "
         "files?\r\rClick YES to add, or NO to skip, if unsure click YES.";
}

}  // namespace vr::extras
