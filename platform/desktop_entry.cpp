#include "platform/desktop_entry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/shell_service.h"

namespace vr::platform {
namespace {

namespace fs = std::filesystem;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

bool Executable(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

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

// `words` with its program resolved through PATH; empty when the program is not there.
std::vector<std::string> Resolved(std::vector<std::string> words, const std::string& path) {
  if (words.empty()) return {};
  const std::optional<std::string> program = ResolveProgram(words[0], path);
  if (!program) return {};
  words[0] = *program;
  return words;
}

}  // namespace

std::vector<std::string> SplitDesktopList(const std::string& text, char separator) {
  std::vector<std::string> out;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) {
    if (!part.empty()) out.push_back(part);
  }
  return out;
}

DesktopEnvironment DesktopEnvironmentFromProcess() {
  DesktopEnvironment env;
  const std::string home = Env("HOME");
  env.data_home = Env("XDG_DATA_HOME");
  if (env.data_home.empty() && !home.empty()) env.data_home = home + "/.local/share";
  std::string dirs = Env("XDG_DATA_DIRS");
  env.data_dirs = SplitDesktopList(dirs.empty() ? "/usr/local/share:/usr/share" : dirs, ':');
  env.config_home = Env("XDG_CONFIG_HOME");
  if (env.config_home.empty() && !home.empty()) env.config_home = home + "/.config";
  dirs = Env("XDG_CONFIG_DIRS");
  env.config_dirs = SplitDesktopList(dirs.empty() ? "/etc/xdg" : dirs, ':');
  env.path = Env("PATH");
  env.visual = Env("VISUAL");
  env.editor = Env("EDITOR");
  return env;
}

std::map<std::string, std::string> ReadDesktopGroup(const std::string& path,
                                                    const std::string& group) {
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
    keys.emplace(key, value);
  }
  return keys;
}

std::map<std::string, std::string> DesktopEntriesById(const DesktopEnvironment& env) {
  std::map<std::string, std::string> by_id;
  if (!env.data_home.empty()) CollectEntries(env.data_home + "/applications", by_id);
  for (const std::string& dir : env.data_dirs) CollectEntries(dir + "/applications", by_id);
  return by_id;
}

std::optional<std::string> ResolveProgram(const std::string& program, const std::string& path) {
  if (program.empty()) return std::nullopt;
  if (program.find('/') != std::string::npos) {
    if (Executable(program)) return program;
    return std::nullopt;
  }
  for (const std::string& dir : SplitDesktopList(path, ':')) {
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

std::vector<std::string> DesktopEntryCommand(const std::string& entry_path,
                                             const std::string& file) {
  const auto keys = ReadDesktopGroup(entry_path, "Desktop Entry");
  const auto exec = keys.find("Exec");
  if (exec == keys.end()) return {};
  // The program must be named by the line itself: a line that starts with a field code would
  // run the picture.
  const std::vector<std::string> program = ExecArguments(exec->second, "");
  if (program.empty() || program[0].empty()) return {};
  std::vector<std::string> words = ExecArguments(exec->second, file);
  // An Exec line without a file code still gets the file.
  if (!words.empty() && std::find(words.begin(), words.end(), file) == words.end()) {
    words.push_back(file);
  }
  return words;
}

std::vector<std::string> TextEditorCommand(const DesktopEnvironment& env,
                                           const std::string& default_id,
                                           const std::string& file) {
  if (!default_id.empty()) {
    const auto entries = DesktopEntriesById(env);
    const auto entry = entries.find(default_id);
    if (entry != entries.end()) {
      // A terminal program opened without a terminal shows nothing: the fallbacks come next.
      const auto keys = ReadDesktopGroup(entry->second, "Desktop Entry");
      const auto terminal = keys.find("Terminal");
      if (terminal == keys.end() || terminal->second != "true") {
        std::vector<std::string> words =
            Resolved(DesktopEntryCommand(entry->second, file), env.path);
        if (!words.empty()) return words;
      }
    }
  }
  for (const std::string* own : {&env.visual, &env.editor}) {
    std::vector<std::string> words = SplitShellWords(*own);
    if (words.empty()) continue;
    words.push_back(file);
    words = Resolved(std::move(words), env.path);
    if (!words.empty()) return words;
  }
  return {};
}

}  // namespace vr::platform
