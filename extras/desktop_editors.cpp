#include "extras/desktop_editors.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace vr::extras {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> out;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) {
    if (!part.empty()) out.push_back(part);
  }
  return out;
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The keys of one group of a desktop or list file ("Desktop Entry", "Default Applications").
std::map<std::string, std::string> ReadGroup(const std::string& path, const std::string& group) {
  std::map<std::string, std::string> keys;
  std::ifstream in(path);
  std::string line;
  bool inside = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      inside = line == "[" + group + "]";
      continue;
    }
    if (!inside) continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq);
    while (!key.empty() && key.back() == ' ') key.pop_back();
    std::string value = line.substr(eq + 1);
    while (!value.empty() && value.front() == ' ') value.erase(value.begin());
    keys.emplace(key, value);  // the first of a key counts
  }
  return keys;
}

bool IsTrue(const std::map<std::string, std::string>& keys, const char* key) {
  const auto it = keys.find(key);
  return it != keys.end() && it->second == "true";
}

std::string Value(const std::map<std::string, std::string>& keys, const char* key) {
  const auto it = keys.find(key);
  return it != keys.end() ? it->second : "";
}

bool Executable(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// Every .desktop file below an applications folder by its id (sub-folders join with "-").
void CollectEntries(const std::string& folder, std::map<std::string, std::string>& by_id) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return;
  for (fs::recursive_directory_iterator it(folder, ec), end; it != end && !ec; it.increment(ec)) {
    if (!it->is_regular_file(ec) || it->path().extension() != ".desktop") continue;
    std::string id = fs::relative(it->path(), folder, ec).string();
    std::replace(id.begin(), id.end(), '/', '-');
    by_id.emplace(id, it->path().string());  // the folder of higher precedence came first
  }
}

}  // namespace

DesktopEnvironment DesktopEnvironmentFromProcess() {
  DesktopEnvironment env;
  const std::string home = Env("HOME");
  env.data_home = Env("XDG_DATA_HOME");
  if (env.data_home.empty() && !home.empty()) env.data_home = home + "/.local/share";
  std::string dirs = Env("XDG_DATA_DIRS");
  env.data_dirs = Split(dirs.empty() ? "/usr/local/share:/usr/share" : dirs, ':');
  env.config_home = Env("XDG_CONFIG_HOME");
  if (env.config_home.empty() && !home.empty()) env.config_home = home + "/.config";
  dirs = Env("XDG_CONFIG_DIRS");
  env.config_dirs = Split(dirs.empty() ? "/etc/xdg" : dirs, ':');
  env.path = Env("PATH");
  return env;
}

std::optional<std::string> ResolveProgram(const std::string& program, const std::string& path) {
  if (program.empty()) return std::nullopt;
  if (program.find('/') != std::string::npos) {
    if (Executable(program)) return program;
    return std::nullopt;
  }
  for (const std::string& dir : Split(path, ':')) {
    const std::string full = dir + "/" + program;
    if (Executable(full)) return full;
  }
  return std::nullopt;
}

std::vector<std::string> ExecArguments(const std::string& exec, const std::string& file) {
  // Words: blanks separate; double quotes group, with \" \` \$ \\ escaped inside them.
  std::vector<std::string> words;
  std::string word;
  bool quoted = false;
  bool have = false;
  for (size_t i = 0; i < exec.size(); ++i) {
    const char c = exec[i];
    if (quoted) {
      if (c == '\\' && i + 1 < exec.size()) {
        word += exec[++i];
      } else if (c == '"') {
        quoted = false;
      } else {
        word += c;
      }
    } else if (c == '"') {
      quoted = true;
      have = true;
    } else if (c == ' ' || c == '\t') {
      if (have) words.push_back(word);
      word.clear();
      have = false;
    } else {
      word += c;
      have = true;
    }
  }
  if (quoted) return {};
  if (have) words.push_back(word);
  std::vector<std::string> out;
  for (const std::string& w : words) {
    if (w == "%f" || w == "%F" || w == "%u" || w == "%U") {
      out.push_back(file);
    } else if (w.size() == 2 && w[0] == '%') {
      if (w == "%%") out.push_back("%");
    } else if (w.rfind("@@", 0) == 0) {
      // Flatpak's markers around the file arguments.
    } else {
      std::string plain;
      for (size_t i = 0; i < w.size(); ++i) {
        if (w[i] == '%' && i + 1 < w.size()) {
          if (w[i + 1] == '%') plain += '%';
          ++i;  // a field code inside a word goes
        } else {
          plain += w[i];
        }
      }
      out.push_back(plain);
    }
  }
  return out;
}

std::vector<DesktopEditor> FindDesktopEditors(const DesktopEnvironment& env,
                                              const std::vector<std::string>& picture_types) {
  std::map<std::string, std::string> by_id;
  if (!env.data_home.empty()) CollectEntries(env.data_home + "/applications", by_id);
  for (const std::string& dir : env.data_dirs) CollectEntries(dir + "/applications", by_id);

  const std::set<std::string> types(picture_types.begin(), picture_types.end());
  std::vector<DesktopEditor> offered;
  for (const auto& [id, path] : by_id) {
    const auto keys = ReadGroup(path, "Desktop Entry");
    if (Value(keys, "Type") != "Application" || IsTrue(keys, "NoDisplay") ||
        IsTrue(keys, "Hidden")) {
      continue;
    }
    const std::vector<std::string> categories = Split(Value(keys, "Categories"), ';');
    auto has = [&categories](const char* c) {
      return std::find(categories.begin(), categories.end(), c) != categories.end();
    };
    if (!(has("RasterGraphics") || has("2DGraphics")) || has("Viewer")) continue;
    bool picture = false;
    for (const std::string& type : Split(Value(keys, "MimeType"), ';')) picture |= types.count(type) > 0;
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
        for (const std::string& id : Split(line.substr(eq + 1), ';')) {
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
  return Value(ReadGroup(entry_path, "Desktop Entry"), "Icon");
}

bool IsDesktopEntry(const std::string& slot) {
  return slot.size() > 8 && slot.compare(slot.size() - 8, 8, ".desktop") == 0;
}

std::vector<std::string> EditorCommand(const std::string& slot, const std::string& file) {
  if (!IsDesktopEntry(slot)) return {slot, file};
  const auto keys = ReadGroup(slot, "Desktop Entry");
  const std::string exec = Value(keys, "Exec");
  // The program must be named by the line itself: a line that starts with a field code would
  // run the picture.
  const std::vector<std::string> program = ExecArguments(exec, "");
  if (program.empty() || program[0].empty()) return {};
  std::vector<std::string> words = ExecArguments(exec, file);
  // An Exec line without a file code still gets the file.
  if (!words.empty() && std::find(words.begin(), words.end(), file) == words.end()) {
    words.push_back(file);
  }
  return words;
}

std::string FoundEditorQuestion(const DesktopEditor& editor) {
  std::string text = "Found a paint program: " + editor.entry_path + "\r\r";
  if (!editor.name.empty()) text += editor.name + "\r\r";
  return text +
         "Do you wish to use this as one of the 5 editors Veldrimon will use to edit your "
         "files?\r\rClick YES to add, or NO to skip, if unsure click YES.";
}

}  // namespace vr::extras
