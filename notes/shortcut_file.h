#pragma once
// Shortcut files: the exchange between an album load and the resolve window. Each stands for one
// album entry whose file is missing and holds three text lines (CR LF): the path, the recorded
// size and the recorded stamp (packed DOS date-time), both decimal.
//
// They live in a private folder made for one load (mode 0700 under the temporary folder), named
// 0.lnk, 1.lnk, ... so nobody else can plant a file or a link where one is written, and the
// folder goes away with everything in it when the load is done.

#include <cstdint>
#include <optional>
#include <string>

namespace vr::notes {

struct Shortcut {
  std::string path;
  uint64_t size = 0;
  uint32_t stamp = 0;
};

// Reads a shortcut file; nothing when it cannot be read or holds no path. Bad numbers read 0.
std::optional<Shortcut> ReadShortcutFile(const std::string& file);
// Creates a new shortcut file (never over an existing name, never through a link). A path
// holding a line break cannot be written.
bool WriteShortcutFile(const std::string& file, const Shortcut& shortcut);
// Rewrites the path line of a shortcut file, only while it still names `old_path`; the other
// lines stay. The file is replaced through a new file renamed over it. True when rewritten.
bool RewriteShortcutPath(const std::string& file, const std::string& old_path,
                         const std::string& new_path);

// The private folder of one load's shortcut files.
class ShortcutFolder {
 public:
  // Makes a fresh folder (mode 0700) under `temp_folder`; folder() is empty when that failed.
  explicit ShortcutFolder(const std::string& temp_folder);
  ~ShortcutFolder();
  ShortcutFolder(const ShortcutFolder&) = delete;
  ShortcutFolder& operator=(const ShortcutFolder&) = delete;

  const std::string& folder() const { return folder_; }
  // The name of shortcut file number n: folder + n + ".lnk".
  std::string FileFor(size_t n) const;
  // Removes the files left in the folder and the folder.
  void Remove();

 private:
  std::string folder_;
};

}  // namespace vr::notes
