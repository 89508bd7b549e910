#pragma once
// Files, folders and drives. Listings give each entry's size, attributes and packed DOS stamp
// (the 32-bit FAT form: date << 16 | time); copying refuses to overwrite; every operation reports
// failure with the system's error text instead of raising.
//
// A "drive" is a mounted file system. The drive table lists real mounts with their type and
// leaves out the pseudo file systems (proc, sysfs, cgroup, devpts, runtime tmpfs, overlay
// internals, ...).
//
// PosixFiles is the production implementation; it is plain POSIX so the command-line tool and the
// tests use it too. DirEntry names are reused between calls of a listing so that a large folder
// costs no allocation per entry beyond its name.

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/folders.h"

namespace vr::platform {

// DOS attribute bits as the program stores them.
enum Attribute : uint32_t {
  kAttrReadOnly = 0x01,
  kAttrHidden = 0x02,
  kAttrSystem = 0x04,
  kAttrVolumeLabel = 0x08,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
};

// Packs a local time into the DOS stamp (two-second resolution). Times before 1980 give
// 1980-01-01 00:00:00, times after 2107 give 2107-12-31 23:59:58.
uint32_t PackDosStamp(std::time_t when);
// The local time of a DOS stamp; -1 when the stamp's fields are out of range.
std::time_t UnpackDosStamp(uint32_t stamp);

struct DirEntry {
  std::string name;  // without folder
  uint64_t size = 0;
  uint32_t attributes = 0;  // Attribute bits
  uint32_t dos_stamp = 0;   // last write time
  std::time_t modified = 0;
  // Reached through a symbolic link: folder scans do not descend into linked folders, so a link
  // to a parent cannot make a scan go round for ever.
  bool is_link = false;
  bool IsDirectory() const { return (attributes & kAttrDirectory) != 0; }
};

// The outcome of a file operation: ok, or the system's error text.
struct FileResult {
  bool ok = true;
  int error = 0;  // errno value
  std::string message;
  explicit operator bool() const { return ok; }
  static FileResult Ok() { return {}; }
  static FileResult Fail(int error_number);
  static FileResult Fail(int error_number, std::string text);
};

enum class DriveType { kUnknown, kRemovable, kFixed, kRemote, kCdRom, kRamDisk };

struct Drive {
  std::string root;     // mount point with a trailing separator
  std::string device;   // what is mounted ("/dev/sda1", "server:/export")
  std::string fs_type;  // "ext4", "nfs", ...
  DriveType type = DriveType::kUnknown;
};

// Called for each entry; returning false stops the listing.
using ListVisitor = std::function<bool(const DirEntry&)>;

class Files {
 public:
  virtual ~Files() = default;

  // Lists a folder's entries (without "." and "..") in the file system's order. False when the
  // folder cannot be read. Entries that vanish while listing are skipped.
  virtual bool ListFolder(const std::string& folder, const ListVisitor& visit) = 0;
  // The same walk for callers that need only names and kinds: name, the directory, hidden and
  // system bits and is_link are filled; size, stamps and the read-only bit may be left at zero.
  // Where the folder listing itself tells each entry's kind, no entry is looked at on its own,
  // which makes loading a large tree several times faster.
  virtual bool ListNames(const std::string& folder, const ListVisitor& visit) {
    return ListFolder(folder, visit);
  }
  // Facts of one path (symbolic links are followed); nothing when it does not exist.
  virtual std::optional<DirEntry> Stat(const std::string& path) = 0;
  bool Exists(const std::string& path) { return Stat(path).has_value(); }
  bool IsFolder(const std::string& path);
  bool IsFile(const std::string& path);

  // Copies a file; fails when the target exists (never overwrites). The copy keeps the source's
  // modification time. A failed copy leaves no partial target behind.
  virtual FileResult CopyFile(const std::string& from, const std::string& to) = 0;
  // Moves a file, across file systems too; fails when the target exists.
  virtual FileResult MoveFile(const std::string& from, const std::string& to) = 0;
  // Renames within a file system; fails when the target exists.
  virtual FileResult RenameFile(const std::string& from, const std::string& to) = 0;
  virtual FileResult DeleteFile(const std::string& path) = 0;
  virtual FileResult MakeFolder(const std::string& path) = 0;
  // Removes an empty folder.
  virtual FileResult RemoveFolder(const std::string& path) = 0;

  // DOS attributes: read-only maps to the write permission bits, hidden to a leading dot (read
  // only; it cannot be set), directory to the file kind. Setting changes only read-only.
  virtual std::optional<uint32_t> GetAttributes(const std::string& path) = 0;
  virtual FileResult SetAttributes(const std::string& path, uint32_t attributes) = 0;
  virtual FileResult SetModified(const std::string& path, std::time_t when) = 0;

  // Free bytes available to the user on the file system holding `path`.
  virtual std::optional<uint64_t> FreeSpace(const std::string& path) = 0;
  // Allocation unit of that file system (for rounding sizes up to whole clusters).
  virtual uint64_t ClusterSize(const std::string& path) = 0;
  // The mounted file systems that make up the drive menu, in mount order.
  virtual std::vector<Drive> Drives() = 0;
  // Folders (with a trailing separator) where removable media and shares are mounted when they
  // are present: /media, /run/media, /mnt and the mount points /etc/fstab names (but the root).
  // A path below one of them whose own mount is absent is on a medium not plugged in now.
  virtual std::vector<std::string> MountAreas();
};

// The mount areas given the text of an fstab file (see Files::MountAreas).
std::vector<std::string> MountAreasFrom(std::string_view fstab_text);

// The POSIX file system.
class PosixFiles : public Files {
 public:
  // `mounts_path` is read for the drive table.
  explicit PosixFiles(std::string mounts_path = "/proc/self/mounts");

  bool ListFolder(const std::string& folder, const ListVisitor& visit) override;
  bool ListNames(const std::string& folder, const ListVisitor& visit) override;
  std::optional<DirEntry> Stat(const std::string& path) override;
  FileResult CopyFile(const std::string& from, const std::string& to) override;
  FileResult MoveFile(const std::string& from, const std::string& to) override;
  FileResult RenameFile(const std::string& from, const std::string& to) override;
  FileResult DeleteFile(const std::string& path) override;
  FileResult MakeFolder(const std::string& path) override;
  FileResult RemoveFolder(const std::string& path) override;
  std::optional<uint32_t> GetAttributes(const std::string& path) override;
  FileResult SetAttributes(const std::string& path, uint32_t attributes) override;
  FileResult SetModified(const std::string& path, std::time_t when) override;
  std::optional<uint64_t> FreeSpace(const std::string& path) override;
  uint64_t ClusterSize(const std::string& path) override;
  std::vector<Drive> Drives() override;

 private:
  std::string mounts_path_;
};

// Tells whether a block device ("sdb") is removable; used while reading the mount table.
using RemovableProbe = std::function<bool(std::string_view device)>;

// Builds the drive table from the text of /proc/self/mounts (fstab form: device, mount point,
// type, options, ...; octal escapes such as "\040" in names). Pseudo and runtime file systems are
// left out; a mount point mounted again replaces its earlier line.
std::vector<Drive> ParseMountTable(std::string_view text, const RemovableProbe& removable);
// The probe that reads /sys/block/<disk>/removable.
bool SysfsDeviceIsRemovable(std::string_view device);

// Writes a whole file through a temporary file in the same folder that is renamed over the
// target, so readers see either the old or the new content and a crash leaves no half-written
// file. Never throws.
FileResult WriteFileAtomically(const std::string& path, std::string_view content);

// The streaming form of WriteFileAtomically, for writers that produce a file piece by piece (or
// seek back to patch it): the temporary is created exclusively beside the target (a planted name
// is never opened), takes the target's mode, is synced before it is renamed over the target,
// and is removed on any failure or when the writer goes away uncommitted. A target that is a
// symbolic link stays one: the file it points to is replaced.
class AtomicFileWriter {
 public:
  AtomicFileWriter() = default;
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  bool Open(const std::string& path);
  bool IsOpen() const { return temp_.IsOpen(); }
  // The temporary's descriptor, for writers that seek or hand it to a library; they report
  // their own failures through Fail().
  int fd() const { return temp_.fd(); }
  bool Write(const void* data, size_t size);
  // A stdio stream over the temporary for writers built on FILE (libjpeg, fwrite); the caller
  // closes it before Commit(). Null when none could be made.
  std::FILE* OpenStream();
  void Fail(int error_number);
  bool Failed() const { return error_ != 0; }
  int error() const { return error_; }
  // Syncs, closes and renames over the target; on any earlier or present failure the target is
  // untouched and the temporary removed.
  FileResult Commit();
  // Drops the temporary; the target stays as it was.
  void Discard();
  const std::string& temp_path() const { return temp_.path(); }

 private:
  TempFile temp_;
  std::string target_;
  unsigned mode_ = 0644;
  int error_ = 0;
};

}  // namespace vr::platform
