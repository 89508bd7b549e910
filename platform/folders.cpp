#include "platform/folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>

#include "platform/path_rules.h"

namespace vr::platform {
namespace {

bool IsFolder(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Makes a folder and its parents (mode 0700 for the ones made here: the program's own data).
void MakeFolders(const std::string& folder) {
  std::string partial;
  size_t pos = 0;
  while (pos != std::string::npos) {
    pos = folder.find(kSeparator, pos + 1);
    partial = folder.substr(0, pos);
    if (!partial.empty() && !IsFolder(partial)) ::mkdir(partial.c_str(), 0700);
  }
}

std::string RandomLetters(size_t count) {
  static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937_64 engine{std::random_device{}() ^ static_cast<uint64_t>(::getpid())
                                                                   << 32};
  std::uniform_int_distribution<size_t> pick(0, sizeof(kLetters) - 2);
  std::string out(count, 'A');
  for (char& c : out) c = kLetters[pick(engine)];
  return out;
}

// A new folder with a random name, private by construction (mkdtemp makes it 0700 and fails on
// any existing name). Empty when none could be made.
std::string FreshPrivateFolder(const std::string& parent) {
  std::string pattern = WithTrailingSeparator(parent) + "veldrimon-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) return {};
  return WithTrailingSeparator(pattern);
}

}  // namespace

EnvLookup ProcessEnvironment() {
  return [](const std::string& name) -> std::optional<std::string> {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  };
}

bool FolderIsWritable(const std::string& folder) {
  return IsFolder(folder) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string ExecutableFolder() {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (n <= 0) return {};
  return FolderOf(std::string(buffer, static_cast<size_t>(n)));
}

std::string ResolveProgramFolder(const std::string& executable_folder, const EnvLookup& env,
                                 const std::function<bool(const std::string&)>& writable) {
  if (auto home = env("VELDRIMON_HOME"); home && !home->empty()) {
    return WithTrailingSeparator(*home);
  }
  if (!executable_folder.empty() && writable(executable_folder)) {
    return WithTrailingSeparator(executable_folder);
  }
  std::string data;
  if (auto xdg = env("XDG_DATA_HOME"); xdg && !xdg->empty() && (*xdg)[0] == kSeparator) {
    data = *xdg;
  } else if (auto home = env("HOME"); home && !home->empty()) {
    data = WithTrailingSeparator(*home) + ".local/share";
  } else {
    // No home: the shared temporary folder, where only a checked private folder is safe.
    std::string folder = PrivateTempFolder(env);
    if (folder.empty()) folder = FreshPrivateFolder(ResolveTempFolder(env));
    return folder;
  }
  return WithTrailingSeparator(WithTrailingSeparator(data) + "veldrimon");
}

bool EnsurePrivateFolder(const std::string& folder) {
  if (folder.empty()) return false;
  std::string path = folder;
  while (path.size() > 1 && path.back() == kSeparator) path.pop_back();
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  // lstat, not stat: a link planted at the name (to a folder of the attacker's) is refused.
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  if (st.st_uid != ::geteuid()) return false;
  return (st.st_mode & 077) == 0;
}

std::string PrivateTempFolder(const EnvLookup& env) {
  const std::string folder =
      ResolveTempFolder(env) + "veldrimon-" + std::to_string(static_cast<unsigned>(::geteuid()));
  return EnsurePrivateFolder(folder) ? WithTrailingSeparator(folder) : std::string();
}

std::string RuntimeFolder(const EnvLookup& env) {
  if (auto dir = env("VELDRIMON_INSTANCE_DIR"); dir && !dir->empty()) {
    return WithTrailingSeparator(*dir);
  }
  if (auto dir = env("XDG_RUNTIME_DIR"); dir && !dir->empty() && (*dir)[0] == kSeparator) {
    return WithTrailingSeparator(*dir);
  }
  return PrivateTempFolder(env);
}

std::string ResolveTempFolder(const EnvLookup& env) {
  if (auto tmp = env("TMPDIR"); tmp && !tmp->empty() && IsFolder(*tmp)) {
    return WithTrailingSeparator(*tmp);
  }
  return "/tmp/";
}

// ---------------------------------------------------------------------------------------------

TempFile::~TempFile() {
  if (delete_on_close_) {
    Remove();
  } else {
    Close();
  }
}

TempFile::TempFile(TempFile&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)), delete_on_close_(other.delete_on_close_) {
  other.fd_ = -1;
  other.path_.clear();
  other.delete_on_close_ = false;
}

TempFile& TempFile::operator=(TempFile&& other) noexcept {
  if (this != &other) {
    if (delete_on_close_) {
      Remove();
    } else {
      Close();
    }
    fd_ = other.fd_;
    path_ = std::move(other.path_);
    delete_on_close_ = other.delete_on_close_;
    other.fd_ = -1;
    other.path_.clear();
    other.delete_on_close_ = false;
  }
  return *this;
}

bool TempFile::Write(const void* data, size_t size) {
  if (fd_ < 0) return false;
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd_, bytes, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool TempFile::Close() {
  if (fd_ < 0) return true;
  const int result = ::close(fd_);
  fd_ = -1;
  return result == 0;
}

void TempFile::Remove() {
  Close();
  if (!path_.empty()) ::unlink(path_.c_str());
  path_.clear();
  delete_on_close_ = false;
}

std::string TempFile::Release() {
  Close();
  delete_on_close_ = false;
  return std::move(path_);
}

TempFile CreateExclusiveFile(const std::string& folder, const std::string& prefix,
                             const std::string& extension) {
  return CreateExclusiveFile(folder, prefix, extension, [] { return RandomLetters(8); });
}

TempFile CreateExclusiveFile(const std::string& folder, const std::string& prefix,
                             const std::string& extension,
                             const std::function<std::string()>& next_letters) {
  TempFile file;
  const std::string base = folder.empty() ? std::string() : WithTrailingSeparator(folder);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string path = base + prefix + next_letters() + extension;
    // O_EXCL with O_CREAT fails on any existing name, symbolic links included, so nothing
    // planted there is ever followed.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) {
      file.fd_ = fd;
      file.path_ = std::move(path);
      return file;
    }
    if (errno != EEXIST) break;
  }
  return file;
}

// ---------------------------------------------------------------------------------------------

SystemFolders::SystemFolders() : SystemFolders(ExecutableFolder(), ProcessEnvironment()) {}

SystemFolders::SystemFolders(const std::string& executable_folder, const EnvLookup& env)
    : program_(ResolveProgramFolder(executable_folder, env, FolderIsWritable)),
      temp_(ResolveTempFolder(env)) {
  if (!IsFolder(program_)) MakeFolders(program_);
}

}  // namespace vr::platform
