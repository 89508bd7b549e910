#include "notes/shortcut_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <vector>

namespace vr::notes {
namespace {

bool ReadAll(const std::string& file, std::string* text) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buf[4096];
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    text->append(buf, static_cast<size_t>(n));
    if (text->size() > 65536) break;  // three short lines; anything longer is not ours
  }
  ::close(fd);
  return ok;
}

template <typename T>
T NumberOr0(const std::string& text) {
  T value = 0;
  size_t start = 0;
  while (start < text.size() && text[start] == ' ') ++start;
  const auto [ptr, ec] = std::from_chars(text.data() + start, text.data() + text.size(), value);
  if (ec != std::errc()) return 0;
  for (const char* p = ptr; p != text.data() + text.size(); ++p) {
    if (*p != ' ') return 0;
  }
  return value;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end;
    if (start < text.size() && text[start] == '\r') ++start;
    if (start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

bool WriteExclusive(const std::string& file, const std::string& text) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  const bool ok = ::close(fd) == 0 && done == text.size();
  if (!ok) ::unlink(file.c_str());
  return ok;
}

std::string Text(const Shortcut& s) {
  return s.path + "\r\n" + std::to_string(s.size) + "\r\n" + std::to_string(s.stamp) + "\r\n";
}

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

}  // namespace

std::optional<Shortcut> ReadShortcutFile(const std::string& file) {
  std::string text;
  if (!ReadAll(file, &text)) return std::nullopt;
  const std::vector<std::string> lines = Lines(text);
  if (lines.empty() || lines[0].empty()) return std::nullopt;
  Shortcut s;
  s.path = lines[0];
  if (lines.size() > 1) s.size = NumberOr0<uint64_t>(lines[1]);
  if (lines.size() > 2) s.stamp = NumberOr0<uint32_t>(lines[2]);
  return s;
}

bool WriteShortcutFile(const std::string& file, const Shortcut& shortcut) {
  if (shortcut.path.empty() || HasLineBreak(shortcut.path)) return false;
  return WriteExclusive(file, Text(shortcut));
}

bool RewriteShortcutPath(const std::string& file, const std::string& old_path,
                         const std::string& new_path) {
  if (new_path.empty() || HasLineBreak(new_path)) return false;
  std::optional<Shortcut> s = ReadShortcutFile(file);
  if (!s || s->path != old_path) return false;
  s->path = new_path;
  // The new content goes to a fresh name beside the file and is renamed over it: the rename
  // replaces the name itself, so a link planted there is replaced, never written through.
  const std::string fresh = file + ".new";
  ::unlink(fresh.c_str());
  if (!WriteExclusive(fresh, Text(*s))) return false;
  if (::rename(fresh.c_str(), file.c_str()) != 0) {
    ::unlink(fresh.c_str());
    return false;
  }
  return true;
}

ShortcutFolder::ShortcutFolder(const std::string& temp_folder) {
  std::string base = temp_folder;
  if (!base.empty() && base.back() != '/') base.push_back('/');
  base += "veldrimon-links-XXXXXX";
  std::vector<char> buf(base.begin(), base.end());
  buf.push_back('\0');
  // mkdtemp makes the folder with mode 0700 under a fresh random name.
  if (::mkdtemp(buf.data()) != nullptr) folder_ = std::string(buf.data()) + "/";
}

ShortcutFolder::~ShortcutFolder() { Remove(); }

std::string ShortcutFolder::FileFor(size_t n) const {
  return folder_ + std::to_string(n) + ".lnk";
}

void ShortcutFolder::Remove() {
  if (folder_.empty()) return;
  if (DIR* dir = ::opendir(folder_.c_str())) {
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(dir)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    for (const std::string& name : names) ::unlink((folder_ + name).c_str());
  }
  ::rmdir(folder_.c_str());
  folder_.clear();
}

}  // namespace vr::notes
