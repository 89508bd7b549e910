#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <fstream>
#include <sstream>

#include "platform/folders.h"
#include "platform/path_rules.h"

namespace vr::platform {

// ---------------------------------------------------------------------------------------------
// DOS stamps: date in the high word (bits 15-9 year - 1980, 8-5 month, 4-0 day), time in the low
// word (bits 15-11 hours, 10-5 minutes, 4-0 seconds / 2).

uint32_t PackDosStamp(std::time_t when) {
  std::tm t{};
  if (localtime_r(&when, &t) == nullptr) return (0u << 25) | (1u << 21) | (1u << 16);
  int year = t.tm_year + 1900;
  if (year < 1980) return (1u << 21) | (1u << 16);
  if (year > 2107) {
    return (127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;
  }
  const uint32_t date = (static_cast<uint32_t>(year - 1980) << 9) |
                        (static_cast<uint32_t>(t.tm_mon + 1) << 5) |
                        static_cast<uint32_t>(t.tm_mday);
  const uint32_t time = (static_cast<uint32_t>(t.tm_hour) << 11) |
                        (static_cast<uint32_t>(t.tm_min) << 5) |
                        static_cast<uint32_t>(std::min(t.tm_sec, 59) / 2);
  return (date << 16) | time;
}

std::time_t UnpackDosStamp(uint32_t stamp) {
  const uint32_t date = stamp >> 16;
  const uint32_t time = stamp & 0xFFFF;
  std::tm t{};
  t.tm_year = static_cast<int>((date >> 9) + 1980 - 1900);
  t.tm_mon = static_cast<int>((date >> 5) & 0x0F) - 1;
  t.tm_mday = static_cast<int>(date & 0x1F);
  t.tm_hour = static_cast<int>(time >> 11);
  t.tm_min = static_cast<int>((time >> 5) & 0x3F);
  t.tm_sec = static_cast<int>((time & 0x1F) * 2);
  if (t.tm_mon < 0 || t.tm_mon > 11 || t.tm_mday < 1 || t.tm_hour > 23 || t.tm_min > 59 ||
      t.tm_sec > 59) {
    return -1;
  }
  t.tm_isdst = -1;
  return std::mktime(&t);
}

FileResult FileResult::Fail(int error_number) {
  return Fail(error_number, std::strerror(error_number));
}

FileResult FileResult::Fail(int error_number, std::string text) {
  FileResult result;
  result.ok = false;
  result.error = error_number;
  result.message = std::move(text);
  return result;
}

bool Files::IsFolder(const std::string& path) {
  const auto entry = Stat(path);
  return entry && entry->IsDirectory();
}

bool Files::IsFile(const std::string& path) {
  const auto entry = Stat(path);
  return entry && !entry->IsDirectory();
}

// ---------------------------------------------------------------------------------------------

namespace {

void FillEntry(const struct stat& st, DirEntry& entry) {
  entry.size = S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size);
  uint32_t attributes = 0;
  if (S_ISDIR(st.st_mode)) attributes |= kAttrDirectory;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attributes |= kAttrReadOnly;
  if (!entry.name.empty() && entry.name[0] == '.') attributes |= kAttrHidden;
  if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) attributes |= kAttrSystem;
  entry.attributes = attributes;
  entry.modified = st.st_mtime;
  entry.dos_stamp = PackDosStamp(st.st_mtime);
}

bool PathExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// Renames without ever replacing an existing target.
FileResult RenameNoReplace(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return FileResult::Ok();
  }
  if (errno != EINVAL && errno != ENOSYS) return FileResult::Fail(errno);
#endif
  // File systems without the flag: a hard link refuses an existing name atomically.
  if (::link(from.c_str(), to.c_str()) == 0) {
    if (::unlink(from.c_str()) == 0) return FileResult::Ok();
    const int error = errno;
    ::unlink(to.c_str());
    return FileResult::Fail(error);
  }
  if (errno == EEXIST || errno == EXDEV) return FileResult::Fail(errno);
  // Folders and file systems without hard links: check, then rename.
  if (PathExists(to)) return FileResult::Fail(EEXIST);
  if (::rename(from.c_str(), to.c_str()) == 0) return FileResult::Ok();
  return FileResult::Fail(errno);
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

std::string Unescape(std::string_view field) {
  // The kernel writes blanks, tabs, newlines and backslashes in mount names as "\ooo".
  std::string out;
  out.reserve(field.size());
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
      if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
        out.push_back(static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0')));
        i += 3;
        continue;
      }
    }
    out.push_back(field[i]);
  }
  return out;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// True when `path` is `folder` or lies below it.
bool Under(std::string_view path, std::string_view folder) {
  return StartsWith(path, folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

bool OneOf(std::string_view value, std::initializer_list<std::string_view> list) {
  for (std::string_view item : list) {
    if (value == item) return true;
  }
  return false;
}

bool IsPseudoType(std::string_view type) {
  return OneOf(type, {"proc",        "sysfs",       "cgroup",     "cgroup2",  "devpts",
                      "devtmpfs",    "securityfs",  "debugfs",    "tracefs",  "pstore",
                      "bpf",         "configfs",    "fusectl",    "mqueue",   "hugetlbfs",
                      "autofs",      "binfmt_misc", "rpc_pipefs", "nsfs",     "efivarfs",
                      "selinuxfs",   "nfsd",        "sunrpc",     "squashfs", "fuse.gvfsd-fuse",
                      "fuse.portal", "fuse.lxcfs",  "shm",        "none",     "rootfs",
                      "ramfs"}) ||
         StartsWith(type, "cgroup");
}

bool IsRuntimePath(std::string_view mount) {
  if (Under(mount, "/run/media")) return false;  // removable media mount there
  return Under(mount, "/proc") || Under(mount, "/sys") || Under(mount, "/dev") ||
         Under(mount, "/run") || Under(mount, "/var/run") || Under(mount, "/snap") ||
         Under(mount, "/var/lib/docker") || Under(mount, "/var/lib/containers") ||
         Under(mount, "/var/snap");
}

DriveType TypeOf(std::string_view device, std::string_view mount, std::string_view type,
                 const RemovableProbe& removable) {
  if (OneOf(type, {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "coda", "ceph", "9p",
                   "glusterfs", "davfs", "fuse.sshfs", "sshfs", "fuse.rclone", "fuse.glusterfs",
                   "fuse.s3fs", "fuse.davfs2", "fuse.curlftpfs"})) {
    return DriveType::kRemote;
  }
  if (OneOf(type, {"iso9660", "udf", "cd9660"})) return DriveType::kCdRom;
  if (type == "tmpfs") return DriveType::kRamDisk;
  if (Under(mount, "/media") || Under(mount, "/run/media") || Under(mount, "/mnt/usb")) {
    return DriveType::kRemovable;
  }
  if (StartsWith(device, "/dev/") && removable && removable(device.substr(5))) {
    return DriveType::kRemovable;
  }
  return DriveType::kFixed;
}

}  // namespace

std::vector<Drive> ParseMountTable(std::string_view text, const RemovableProbe& removable) {
  std::vector<Drive> drives;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;

    std::array<std::string_view, 3> fields;
    size_t count = 0;
    size_t i = 0;
    while (count < fields.size() && i < line.size()) {
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
      const size_t start = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
      if (i > start) fields[count++] = line.substr(start, i - start);
    }
    if (count < 3 || fields[0][0] == '#') continue;

    const std::string device = Unescape(fields[0]);
    const std::string mount = Unescape(fields[1]);
    const std::string type(fields[2]);
    if (mount.empty() || mount[0] != '/') continue;
    if (IsPseudoType(type) || IsRuntimePath(mount)) continue;
    // Container and union layers: only the root file system itself is a drive.
    if ((type == "overlay" || type == "aufs" || type == "fuse-overlayfs") && mount != "/") {
      continue;
    }

    Drive drive;
    drive.root = WithTrailingSeparator(mount);
    drive.device = device;
    drive.fs_type = type;
    drive.type = TypeOf(device, mount, type, removable);
    bool replaced = false;
    for (Drive& known : drives) {
      if (known.root == drive.root) {
        known = drive;
        replaced = true;
        break;
      }
    }
    if (!replaced) drives.push_back(std::move(drive));
  }
  return drives;
}

bool SysfsDeviceIsRemovable(std::string_view device) {
  if (device.empty() || device.find("..") != std::string_view::npos) return false;
  const std::string name(device.substr(device.find_last_of('/') + 1));
  auto read_flag = [](const std::string& file) {
    std::ifstream in(file);
    int value = 0;
    return (in >> value) && value != 0;
  };
  std::string direct = "/sys/block/" + name + "/removable";
  if (PathExists(direct)) return read_flag(direct);
  // A partition: its folder sits inside the whole disk's folder.
  char resolved[PATH_MAX];
  const std::string link = "/sys/class/block/" + name;
  if (::realpath(link.c_str(), resolved) == nullptr) return false;
  std::string parent(resolved);
  parent.resize(parent.find_last_of('/'));
  return read_flag(parent + "/removable");
}

// ---------------------------------------------------------------------------------------------

PosixFiles::PosixFiles(std::string mounts_path) : mounts_path_(std::move(mounts_path)) {}

namespace {

// One folder walk for both listings. With `names_only`, an entry whose kind the listing tells
// (anything but unknown or a link, whose target decides) is not looked at on its own.
bool ListEntries(const std::string& folder, const ListVisitor& visit, bool names_only) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return false;
  const int dir_fd = ::dirfd(dir);
  DirEntry entry;
  struct stat st;
  while (const dirent* item = ::readdir(dir)) {
    const char* name = item->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
    entry.name.assign(name);
    if (names_only && item->d_type != DT_UNKNOWN && item->d_type != DT_LNK) {
      uint32_t attributes = 0;
      if (item->d_type == DT_DIR) attributes |= kAttrDirectory;
      if (name[0] == '.') attributes |= kAttrHidden;
      if (item->d_type != DT_DIR && item->d_type != DT_REG) attributes |= kAttrSystem;
      entry.attributes = attributes;
      entry.size = 0;
      entry.modified = 0;
      entry.dos_stamp = 0;
      entry.is_link = false;
    } else {
      bool is_link = item->d_type == DT_LNK;
      if (item->d_type == DT_UNKNOWN) {
        struct stat link_st;
        is_link = ::fstatat(dir_fd, name, &link_st, AT_SYMLINK_NOFOLLOW) == 0 &&
                  S_ISLNK(link_st.st_mode);
      }
      if (::fstatat(dir_fd, name, &st, 0) != 0 &&
          ::fstatat(dir_fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        continue;  // gone since readdir
      }
      FillEntry(st, entry);
      entry.is_link = is_link;
    }
    if (!visit(entry)) break;
  }
  ::closedir(dir);
  return true;
}

}  // namespace

bool PosixFiles::ListFolder(const std::string& folder, const ListVisitor& visit) {
  return ListEntries(folder, visit, false);
}

bool PosixFiles::ListNames(const std::string& folder, const ListVisitor& visit) {
  return ListEntries(folder, visit, true);
}

std::optional<DirEntry> PosixFiles::Stat(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  DirEntry entry;
  entry.name = NameOf(path);
  FillEntry(st, entry);
  struct stat link_st;
  entry.is_link = ::lstat(path.c_str(), &link_st) == 0 && S_ISLNK(link_st.st_mode);
  return entry;
}

FileResult PosixFiles::CopyFile(const std::string& from, const std::string& to) {
  // O_NONBLOCK: opening a named pipe must not hang; regular files read as usual.
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (in < 0) return FileResult::Fail(errno);
  struct stat st;
  if (::fstat(in, &st) != 0) {
    const int error = errno;
    ::close(in);
    return FileResult::Fail(error);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(in);
    return FileResult::Fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  }
  // O_EXCL: an existing target (or a link planted there) is never opened.
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 0777);
  if (out < 0) {
    const int error = errno;
    ::close(in);
    return FileResult::Fail(error);
  }
  static constexpr size_t kChunk = 1 << 18;
  std::vector<char> buffer(kChunk);
  int error = 0;
  for (;;) {
    const ssize_t n = ::read(in, buffer.data(), kChunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    if (n == 0) break;
    if (!WriteAll(out, buffer.data(), static_cast<size_t>(n))) {
      error = errno;
      break;
    }
  }
  if (error == 0) {
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out, times);
  }
  if (::close(out) != 0 && error == 0) error = errno;
  ::close(in);
  if (error != 0) {
    ::unlink(to.c_str());  // no half copy is left behind
    return FileResult::Fail(error);
  }
  return FileResult::Ok();
}

FileResult PosixFiles::MoveFile(const std::string& from, const std::string& to) {
  FileResult result = RenameNoReplace(from, to);
  if (result || result.error != EXDEV) return result;
  // Another file system: copy, then remove the source; the copy is undone if that fails.
  result = CopyFile(from, to);
  if (!result) return result;
  if (::unlink(from.c_str()) != 0) {
    const int error = errno;
    ::unlink(to.c_str());
    return FileResult::Fail(error);
  }
  return FileResult::Ok();
}

FileResult PosixFiles::RenameFile(const std::string& from, const std::string& to) {
  return RenameNoReplace(from, to);
}

FileResult PosixFiles::DeleteFile(const std::string& path) {
  if (::unlink(path.c_str()) == 0) return FileResult::Ok();
  return FileResult::Fail(errno);
}

FileResult PosixFiles::MakeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) == 0) return FileResult::Ok();
  return FileResult::Fail(errno);
}

FileResult PosixFiles::RemoveFolder(const std::string& path) {
  if (::rmdir(path.c_str()) == 0) return FileResult::Ok();
  return FileResult::Fail(errno);
}

std::optional<uint32_t> PosixFiles::GetAttributes(const std::string& path) {
  const auto entry = Stat(path);
  if (!entry) return std::nullopt;
  return entry->attributes;
}

FileResult PosixFiles::SetAttributes(const std::string& path, uint32_t attributes) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return FileResult::Fail(errno);
  mode_t mode = st.st_mode & 07777;
  if ((attributes & kAttrReadOnly) != 0) {
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  } else {
    mode |= S_IWUSR;
  }
  if (mode == (st.st_mode & 07777)) return FileResult::Ok();
  if (::chmod(path.c_str(), mode) == 0) return FileResult::Ok();
  return FileResult::Fail(errno);
}

FileResult PosixFiles::SetModified(const std::string& path, std::time_t when) {
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = when;
  times[1].tv_nsec = 0;
  if (::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0) return FileResult::Ok();
  return FileResult::Fail(errno);
}

std::optional<uint64_t> PosixFiles::FreeSpace(const std::string& path) {
  struct statvfs vfs;
  if (::statvfs(path.c_str(), &vfs) != 0) return std::nullopt;
  return static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
}

uint64_t PosixFiles::ClusterSize(const std::string& path) {
  struct statvfs vfs;
  if (::statvfs(path.c_str(), &vfs) != 0 || vfs.f_frsize == 0) return 4096;
  return vfs.f_frsize;
}

std::vector<std::string> MountAreasFrom(std::string_view fstab_text) {
  std::vector<std::string> areas = {"/media/", "/run/media/", "/mnt/"};
  for (const Drive& d : ParseMountTable(fstab_text, [](std::string_view) { return false; })) {
    std::string root = d.root;
    if (root.empty() || root.front() != '/') continue;
    if (root.back() != '/') root.push_back('/');
    if (root != "/" && std::find(areas.begin(), areas.end(), root) == areas.end()) {
      areas.push_back(root);
    }
  }
  return areas;
}

std::vector<std::string> Files::MountAreas() {
  std::ifstream in("/etc/fstab", std::ios::binary);
  std::ostringstream text;
  if (in) text << in.rdbuf();
  return MountAreasFrom(text.str());
}

std::vector<Drive> PosixFiles::Drives() {
  std::ifstream in(mounts_path_, std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  std::vector<Drive> drives = ParseMountTable(text.str(), SysfsDeviceIsRemovable);
  // Bind mounts of single files (a container's /etc/hosts) are not drives.
  std::erase_if(drives, [](const Drive& d) {
    struct stat st;
    return ::stat(d.root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode);
  });
  return drives;
}

// ---------------------------------------------------------------------------------------------

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

bool AtomicFileWriter::Open(const std::string& path) {
  Discard();
  error_ = 0;
  target_ = path;
  struct stat st;
  bool existed = ::lstat(target_.c_str(), &st) == 0;
  if (existed && S_ISLNK(st.st_mode)) {
    // Keep a file that is a link a link: write where it points.
    char resolved[PATH_MAX];
    if (::realpath(target_.c_str(), resolved) != nullptr) target_ = resolved;
    existed = ::stat(target_.c_str(), &st) == 0;
  }
  mode_ = existed ? (st.st_mode & 07777) : 0644;
  // Built by appending: GCC 12 at -O3 misreads `"." + std::string&&` as an overlapping copy
  // (-Wrestrict), and appending also saves the temporaries.
  std::string prefix(1, '.');
  prefix += NameOf(target_);
  prefix += '.';
  // Exclusive creation: a name planted beside the target is never opened or written through.
  temp_ = CreateExclusiveFile(FolderOf(target_), prefix, ".tmp");
  if (!temp_.IsOpen()) {
    error_ = errno != 0 ? errno : EIO;
    return false;
  }
  temp_.SetDeleteOnClose(true);
  return true;
}

bool AtomicFileWriter::Write(const void* data, size_t size) {
  if (error_ != 0 || !temp_.IsOpen()) return false;
  if (!temp_.Write(data, size)) error_ = errno != 0 ? errno : EIO;
  return error_ == 0;
}

std::FILE* AtomicFileWriter::OpenStream() {
  if (!temp_.IsOpen()) return nullptr;
  const int fd = ::dup(temp_.fd());
  if (fd < 0) return nullptr;
  std::FILE* stream = ::fdopen(fd, "wb");
  if (stream == nullptr) ::close(fd);
  return stream;
}

void AtomicFileWriter::Fail(int error_number) {
  if (error_ == 0) error_ = error_number != 0 ? error_number : EIO;
}

FileResult AtomicFileWriter::Commit() {
  if (error_ == 0 && !temp_.IsOpen()) error_ = EBADF;
  if (error_ == 0 && ::fchmod(temp_.fd(), mode_) != 0) error_ = errno;
  // EINVAL: a file system that cannot sync (nothing more can be done for it).
  if (error_ == 0 && ::fsync(temp_.fd()) != 0 && errno != EINVAL) error_ = errno;
  if (error_ == 0 && !temp_.Close()) error_ = errno != 0 ? errno : EIO;
  if (error_ == 0 && ::rename(temp_.path().c_str(), target_.c_str()) != 0) error_ = errno;
  if (error_ != 0) {
    const int error = error_;
    Discard();
    return FileResult::Fail(error);
  }
  temp_.Release();
  return FileResult::Ok();
}

void AtomicFileWriter::Discard() {
  if (temp_.IsOpen() || !temp_.path().empty()) temp_.Remove();
}

FileResult WriteFileAtomically(const std::string& path, std::string_view content) {
  AtomicFileWriter writer;
  if (!writer.Open(path)) return FileResult::Fail(writer.error());
  (void)writer.Write(content.data(), content.size());
  return writer.Commit();
}

}  // namespace vr::platform
