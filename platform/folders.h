#pragma once
// The program's folders and its temporary files.
//
// Program folder: VELDRIMON_HOME when set; else the executable's folder when it is writable (a
// portable install); else $XDG_DATA_HOME/veldrimon/ (~/.local/share/veldrimon/); with neither
// XDG_DATA_HOME nor HOME, a private folder of the temporary folder (made 0700 and checked: one
// planted there by another user is refused and a fresh private folder made instead). The settings,
// the Notes database and the album root live there. The "Windows folder" (wallpaper file) is the
// same folder. Temporary folder: TMPDIR, else /tmp. Every folder is given with one trailing
// separator.
//
// Temporary files are created exclusively (O_CREAT | O_EXCL, mode 0600, a fresh random name on
// each collision), so a file or symbolic link planted at a guessable name is never opened,
// written through or deleted.

#include <functional>
#include <optional>
#include <string>

namespace vr::platform {

// Reads an environment variable; nothing when unset. Tests pass their own.
using EnvLookup = std::function<std::optional<std::string>(const std::string& name)>;
EnvLookup ProcessEnvironment();

// Decides the program folder from the rule above. `executable_folder` may be empty when unknown;
// `writable` tells whether a folder may be written (access(W_OK) in production).
std::string ResolveProgramFolder(const std::string& executable_folder, const EnvLookup& env,
                                 const std::function<bool(const std::string&)>& writable);
// The temporary folder from TMPDIR (when it names a folder), else /tmp.
std::string ResolveTempFolder(const EnvLookup& env);
// Makes `folder` (mode 0700) when it is missing and checks it before use: a real folder (not a
// link), owned by this user, that no one else may enter or write. False when it fails the check;
// the caller must then not use it.
bool EnsurePrivateFolder(const std::string& folder);
// This user's private folder of the temporary folder ("veldrimon-" + user number), made and
// checked by EnsurePrivateFolder; empty when it cannot be had safely (another user made it first).
std::string PrivateTempFolder(const EnvLookup& env);
// Where the single-instance lock and socket and the records of this run's temporary files live:
// VELDRIMON_INSTANCE_DIR (tests), else XDG_RUNTIME_DIR, else PrivateTempFolder. Empty when no
// private place is to be had; the viewer then runs alone. With a trailing separator.
std::string RuntimeFolder(const EnvLookup& env);
// The folder of the running executable (from /proc/self/exe), with a trailing separator.
std::string ExecutableFolder();
bool FolderIsWritable(const std::string& folder);

// A file created exclusively; closed (not deleted) when the object goes away unless Remove() or
// DeleteOnClose was asked for.
class TempFile {
 public:
  TempFile() = default;
  ~TempFile();
  TempFile(TempFile&& other) noexcept;
  TempFile& operator=(TempFile&& other) noexcept;
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  // Writes all bytes; false on any failure.
  bool Write(const void* data, size_t size);
  bool Close();
  // Closes and deletes the file.
  void Remove();
  // Hands the path over: the file stays after the object goes away (e.g. renamed into place).
  std::string Release();
  void SetDeleteOnClose(bool on) { delete_on_close_ = on; }

 private:
  friend TempFile CreateExclusiveFile(const std::string&, const std::string&, const std::string&,
                                      const std::function<std::string()>&);
  int fd_ = -1;
  std::string path_;
  bool delete_on_close_ = false;
};

// Creates folder + prefix + random letters + extension exclusively with mode 0600, retrying with
// new names on collision. The result is not open when no file could be made.
TempFile CreateExclusiveFile(const std::string& folder, const std::string& prefix,
                             const std::string& extension);
// The same with the varying middle part of each attempt's name taken from `next_letters`.
TempFile CreateExclusiveFile(const std::string& folder, const std::string& prefix,
                             const std::string& extension,
                             const std::function<std::string()>& next_letters);

class Folders {
 public:
  virtual ~Folders() = default;
  virtual std::string ProgramFolder() const = 0;
  virtual std::string TempFolder() const = 0;
  virtual std::string WindowsFolder() const = 0;
  // A new, exclusively created file in the temporary folder.
  TempFile CreateTempFile(const std::string& prefix, const std::string& extension) const {
    return CreateExclusiveFile(TempFolder(), prefix, extension);
  }
};

// Folders by the rules above, decided once at construction.
class SystemFolders : public Folders {
 public:
  SystemFolders();
  SystemFolders(const std::string& executable_folder, const EnvLookup& env);
  std::string ProgramFolder() const override { return program_; }
  std::string TempFolder() const override { return temp_; }
  std::string WindowsFolder() const override { return program_; }

 private:
  std::string program_;
  std::string temp_;
};

}  // namespace vr::platform
