#include "extras/protected_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/profile_file.h"
#include "platform/temp_sweep.h"

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif

namespace vr::extras {
namespace {

constexpr const char* kErrorTexts[] = {
    "",
    " Source file, maybe doesn't exist.",
    " Couldn't make temp file.",
    " Not enough free space on drive where file is.",
    " File error while reading source.",
    " File error while writing temp file.",
    " Couldn't complete the operation properly. File may BE IN USE, OR located on a READ-ONLY "
    "drive.",
    " You are either protecting a file that is already protected or you are un-protecting a file "
    "that is not protected!",
    " This file was protected with another password; nothing was changed.",
};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

size_t NameStart(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? 0 : slash + 1;
}

// Reads up to `size` bytes, going on after short reads; -1 on an error.
ssize_t ReadFully(int fd, void* data, size_t size) {
  auto* p = static_cast<char*>(data);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(fd, p + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

bool WriteFully(int fd, const void* data, size_t size) {
  const auto* p = static_cast<const char*>(data);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, p + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Renames without replacing an existing file (a protected "!_name" or a plain name that is
// already there must never be overwritten).
bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without the flag: a hard link fails on an existing name too.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  ::unlink(from.c_str());
  return true;
}

ProtectResult Fail(int error) {
  ProtectResult result;
  result.error = error;
  result.message = ProtectErrorText(error);
  return result;
}

// The four digits of a view copy: the last four of the milliseconds since midnight, counting
// up from there when a name is taken.
class ViewCopyNumbers {
 public:
  explicit ViewCopyNumbers(uint32_t start) : next_(start % 10000) {}
  std::string operator()() {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04u", next_);
    next_ = (next_ + 1) % 10000;
    return digits;
  }

 private:
  uint32_t next_;
};

}  // namespace

std::string ProtectErrorText(int error) {
  if (error <= 0 || error >= static_cast<int>(std::size(kErrorTexts))) {
    return error == kErrorNoPassword ? kNeedPasswordText : "";
  }
  return std::string("Error:") + kErrorTexts[error];
}

std::string EncodePassword(const std::string& password) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(password.size() * 2);
  for (const char c : password) {
    const auto v = static_cast<uint8_t>(static_cast<uint8_t>(c) ^ kStoredPasswordKey);
    out += kDigits[v >> 4];
    out += kDigits[v & 15];
  }
  return out;
}

std::optional<std::string> DecodePassword(const std::string& stored) {
  if (stored.size() % 2 != 0) return std::nullopt;
  std::string out;
  for (size_t i = 0; i < stored.size(); i += 2) {
    const int hi = HexValue(stored[i]);
    const int lo = HexValue(stored[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out += static_cast<char>(static_cast<uint8_t>((hi << 4) | lo) ^ kStoredPasswordKey);
  }
  return out;
}

uint8_t ContentKey(const std::string& password) {
  unsigned sum = 0;
  for (const char c : password) sum += static_cast<uint8_t>(c);
  return static_cast<uint8_t>(sum & 0xFF);
}

std::string ProtectedHeader(const std::string& stored_text) {
  return std::string(kProtectedMarker) + stored_text + "\r\n\x1A";
}

std::string FileNameOf(const std::string& path) { return path.substr(NameStart(path)); }

bool IsProtected(const std::string& path) {
  const std::string name = FileNameOf(path);
  const size_t dot = name.find_last_of('.');
  if (dot == std::string::npos || name.size() - dot <= 1) return false;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char head[kMarkerSize];
  const ssize_t n = ReadFully(fd, head, kMarkerSize);
  ::close(fd);
  return n == static_cast<ssize_t>(kMarkerSize) &&
         std::string(head, kMarkerSize) == kProtectedMarker;
}

std::string ProtectedPath(const std::string& path) {
  const size_t start = NameStart(path);
  return path.substr(0, start) + kProtectedPrefix + path.substr(start);
}

std::string UnprotectedPath(const std::string& path) {
  const size_t start = NameStart(path);
  if (path.compare(start, 2, kProtectedPrefix) != 0) return path;
  return path.substr(0, start) + path.substr(start + 2);
}

// ---------------------------------------------------------------------------------------------

void PasswordStore::Load() {
  if (loaded_) return;
  loaded_ = true;
  const platform::ProfileFile file(settings_path_);
  stored_ = file.ReadString(kPasswordSection, kPasswordKey, "");
  const std::optional<std::string> decoded = DecodePassword(stored_);
  if (!decoded) {
    // A damaged value counts as no password; it is left in the file as it is.
    stored_.clear();
    password_.clear();
    return;
  }
  password_ = *decoded;
}

bool PasswordStore::HasPassword() {
  Load();
  return !password_.empty();
}

const std::string& PasswordStore::password() {
  Load();
  return password_;
}

const std::string& PasswordStore::stored_text() {
  Load();
  return stored_;
}

PasswordStore::SetResult PasswordStore::Set(const std::string& password) {
  Load();
  if (!password_.empty()) return SetResult::kAlreadySet;
  if (password.empty()) return SetResult::kEmpty;
  if (password.size() > kMaxPasswordLength) return SetResult::kTooLong;
  if (ContentKey(password) == 0) return SetResult::kZeroKey;
  platform::ProfileFile file(settings_path_);
  // Someone else (another copy of the viewer) may have set one meanwhile.
  if (!file.ReadString(kPasswordSection, kPasswordKey, "").empty()) {
    loaded_ = false;
    return SetResult::kAlreadySet;
  }
  const std::string stored = EncodePassword(password);
  file.WriteString(kPasswordSection, kPasswordKey, stored);
  if (!file.Flush()) return SetResult::kWriteFailed;
  password_ = password;
  stored_ = stored;
  return SetResult::kSaved;
}

const char* PasswordStore::SetResultText(SetResult result) {
  switch (result) {
    case SetResult::kSaved:
      return "Password is now saved, you must remember it, otherwise any files you protect will "
             "become unusable to you :(";
    case SetResult::kAlreadySet:
      return "A password is already set; it can not be changed.";
    case SetResult::kEmpty:
      return "The password is empty; nothing was saved.";
    case SetResult::kTooLong:
      return "The password is longer than 112 characters; nothing was saved.";
    case SetResult::kZeroKey:
      return "This password would leave protected files unchanged (its character codes add up "
             "to a multiple of 256). Please choose another one; nothing was saved.";
    case SetResult::kWriteFailed:
      return "The settings file could not be written; the password was NOT saved.";
  }
  return "";
}

// ---------------------------------------------------------------------------------------------

// The file being written: removed on every path that does not hand it over.
class OutFile {
 public:
  OutFile() = default;
  ~OutFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  OutFile(const OutFile&) = delete;
  OutFile& operator=(const OutFile&) = delete;
  void Take(int fd, std::string path) {
    fd_ = fd;
    path_ = std::move(path);
  }
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }
  void Release() { path_.clear(); }

 private:
  int fd_ = -1;
  std::string path_;
};

ProtectResult ProtectOrUnprotect(PasswordStore& store, const ProtectServices& services,
                                 const std::string& path, bool protect, bool keep_source) {
  if (!store.HasPassword()) return Fail(kErrorNoPassword);
  const uint8_t key = ContentKey(store.password());
  const std::string header = ProtectedHeader(store.stored_text());

  // The times are taken before anything reads the file (reading moves its access time).
  struct stat source_facts {};
  const bool have_facts = ::stat(path.c_str(), &source_facts) == 0;
  if (IsProtected(path) == protect) return Fail(kErrorState);

  const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return Fail(kErrorSource);
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } in_closer{in};
  if (!have_facts || !S_ISREG(source_facts.st_mode)) {
    return Fail(kErrorSource);
  }

  uint64_t size = static_cast<uint64_t>(source_facts.st_size);
  if (!protect) {
    // The file's own header must be the one this password makes: another password would give
    // scrambled bytes in place of the original.
    std::string own(header.size(), '\0');
    if (ReadFully(in, own.data(), own.size()) != static_cast<ssize_t>(own.size()) ||
        own != header) {
      return Fail(kErrorOtherPassword);
    }
    size -= header.size();
  }

  const std::string plain_name = FileNameOf(UnprotectedPath(path));
  std::string target;
  OutFile out;
  if (keep_source) {
    if (services.folders == nullptr) return Fail(kErrorTemp);
    const uint32_t start =
        services.clock != nullptr ? services.clock->MillisecondsSinceMidnight() : 0;
    platform::TempFile copy = platform::CreateExclusiveFile(
        services.folders->TempFolder(), kViewCopyPrefix, "_" + plain_name, ViewCopyNumbers(start));
    if (!copy.IsOpen()) return Fail(kErrorTemp);
    const int fd = ::dup(copy.fd());
    target = copy.Release();
    if (fd < 0) {
      ::unlink(target.c_str());
      return Fail(kErrorTemp);
    }
    out.Take(fd, target);
  } else {
    target = protect ? ProtectedPath(path) : UnprotectedPath(path);
    const std::string temp_path = target + ".TMP";
    const int fd =
        ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return Fail(kErrorTemp);
    out.Take(fd, temp_path);
  }

  const std::string folder = target.substr(0, NameStart(target));
  const std::optional<uint64_t> free_space =
      services.files != nullptr ? services.files->FreeSpace(folder.empty() ? "." : folder)
                                : std::nullopt;
  if (free_space && *free_space <= size + kProtectBlock) return Fail(kErrorSpace);

  if (protect && !WriteFully(out.fd(), header.data(), header.size())) return Fail(kErrorWrite);

  std::vector<uint8_t> block(kProtectBlock);
  uint64_t left = size;
  while (left > 0) {
    const size_t want = left < kProtectBlock ? static_cast<size_t>(left) : kProtectBlock;
    if (ReadFully(in, block.data(), want) != static_cast<ssize_t>(want)) return Fail(kErrorRead);
    for (size_t i = 0; i < want; ++i) block[i] ^= key;
    if (!WriteFully(out.fd(), block.data(), want)) return Fail(kErrorWrite);
    left -= want;
  }

  // The result takes the source's times; its permissions too, except a view copy, which stays
  // private to this user.
  if (!keep_source) ::fchmod(out.fd(), source_facts.st_mode & 07777);
  const struct timespec times[2] = {source_facts.st_atim, source_facts.st_mtim};
  ::futimens(out.fd(), times);
  if (::fsync(out.fd()) != 0 || !out.Close()) return Fail(kErrorWrite);

  ProtectResult result;
  result.path = target;
  if (keep_source) {
    {
      // View copies are made from preview threads too.
      static std::mutex adopt_lock;
      const std::lock_guard<std::mutex> hold(adopt_lock);
      platform::SpecialTempFiles().Adopt(target);
    }
    out.Release();
    return result;
  }
  if (target == path) {
    // Unprotected under its own name: the new file replaces the source in one step.
    if (::rename(out.path().c_str(), target.c_str()) != 0) return Fail(kErrorComplete);
    out.Release();
    return result;
  }
  // The result takes its name before the source goes; a source that cannot be deleted takes
  // the result away again.
  if (!RenameNoReplace(out.path(), target)) return Fail(kErrorComplete);
  out.Release();
  const bool deleted = services.files != nullptr ? services.files->DeleteFile(path).ok
                                                 : ::unlink(path.c_str()) == 0;
  if (!deleted) {
    ::unlink(target.c_str());
    return Fail(kErrorComplete);
  }
  return result;
}

}  // namespace vr::extras
