#include "lists/recycle/recycle_bin.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "lists/recycle/bin_lock.h"
#include "lists/recycle/recycle_index.h"
#include "platform/files.h"
#include "platform/path_rules.h"
#include "platform/ui.h"

namespace vr::recycle {
namespace {

// The largest index read whole; a bigger file is taken as damaged and read up to this size.
constexpr size_t kMaxIndexBytes = 64u << 20;
// How many names a put tries when copy names are taken by another copy of the program.
constexpr int kMaxNameTries = 10000;

std::string ReadWholeFile(const std::string& path) {
  std::string text;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return text;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return text;
  }
  char buffer[65536];
  while (text.size() < kMaxIndexBytes) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    text.append(buffer, static_cast<size_t>(got));
  }
  ::close(fd);
  return text;
}

bool WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<size_t>(wrote);
  }
  return true;
}

// Appends one line (with CR LF) to the index, creating it when missing. A last line left without
// its line end (a damaged index) is ended first so the new line stands alone. On failure the
// index is cut back to its old length.
bool AppendLine(const std::string& index, const std::string& line) {
  const int fd = ::open(index.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  std::string bytes;
  if (st.st_size > 0) {
    char last = '\n';
    if (::pread(fd, &last, 1, st.st_size - 1) != 1) last = '\n';
    if (last != '\n' && last != '\r') bytes = "\r\n";
  }
  bytes.append(line).append("\r\n");
  bool ok = WriteAll(fd, bytes);
  if (!ok) {
    if (::ftruncate(fd, st.st_size) != 0) ok = false;
  }
  if (::close(fd) != 0) ok = false;
  return ok;
}

}  // namespace

std::string RecycleBin::FolderIn(const std::string& program_folder) {
  return platform::WithTrailingSeparator(platform::WithTrailingSeparator(program_folder) +
                                         kBinFolderName);
}

RecycleBin::RecycleBin(BinServices services, std::string bin_folder)
    : services_(std::move(services)), folder_(platform::WithTrailingSeparator(bin_folder)) {}

bool RecycleBin::Start() {
  std::error_code ec;
  std::filesystem::create_directories(folder_, ec);
  if (!services_.files->IsFolder(folder_)) return false;
  {
    BinLock lock(LockPath());
    counter_ = NextCopyNumber(ReadLinesLocked());
  }
  RefreshState();
  return true;
}

bool RecycleBin::IsBinCopy(const std::string& path) const {
  const std::string name = platform::NameOf(path);
  if (name.empty() || name == "." || name == ".." || name == kIndexName ||
      name == std::string(kIndexName) + kLockSuffix ||
      name == std::string(kIndexName) + kRewriteSuffix) {
    return false;
  }
  const std::string parent = platform::FolderOf(path);
  if (parent == folder_) return true;
  // The same folder reached by another spelling (a link, a moved program folder).
  std::error_code ec;
  return !parent.empty() && std::filesystem::equivalent(parent, folder_, ec) && !ec;
}

std::vector<std::string> RecycleBin::ReadLinesLocked() {
  return SplitIndexLines(ReadWholeFile(IndexPath()));
}

bool RecycleBin::RewriteLocked(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes.append(line).append("\r\n");
  // Written beside and renamed over: readers see the old index or the new one, never none.
  return static_cast<bool>(platform::WriteFileAtomically(IndexPath(), bytes));
}

uint64_t RecycleBin::FreeBytes() { return services_.files->FreeSpace(folder_).value_or(0); }

std::string RecycleBin::DriveLabel() {
  std::string best = "/";
  for (const platform::Drive& drive : services_.files->Drives()) {
    const std::string root = platform::WithTrailingSeparator(drive.root);
    if (folder_.compare(0, root.size(), root) == 0 && root.size() > best.size()) best = root;
  }
  return best;
}

void RecycleBin::MakeRoom(uint64_t bytes) {
  while (FreeBytes() < bytes + kRoomBytes) {
    if (!DropOldest()) break;
  }
}

bool RecycleBin::PutIntoBin(const std::string& path) {
  const auto facts = services_.files->Stat(path);
  if (!facts || facts->IsDirectory()) return false;
  const std::string name = platform::NameOf(path);
  if (name.empty()) return false;
  // A file that would not fit even if the bin gave back every copy can never go in: refuse
  // now, before the room rule drops entries for nothing.
  if (const auto free = services_.files->FreeSpace(folder_);
      free && *free + TotalSize() < facts->size) {
    return false;
  }
  MakeRoom(facts->size);

  bool ok = false;
  {
    BinLock lock(LockPath());
    if (!lock.held()) return false;
    // Another copy of the program may have numbered copies past ours meanwhile.
    const int64_t next = NextCopyNumber(ReadLinesLocked());
    if (next > counter_) counter_ = next;
    for (int attempt = 0; attempt < kMaxNameTries; ++attempt) {
      const std::string copy = folder_ + std::to_string(counter_++) + "." + name;
      const auto line = FormatIndexLine(path, copy);
      if (!line) break;  // a name with a line break cannot be recorded
      const platform::FileResult copied = services_.files->CopyFile(path, copy);
      if (!copied) {
        if (copied.error == EEXIST) continue;  // name taken (a stray file): next number
        break;
      }
      ok = AppendLine(IndexPath(), *line);
      if (!ok) services_.files->DeleteFile(copy);  // no line: the copy would be lost in the bin
      break;
    }
  }
  if (ok) Tell(true);
  return ok;
}

bool RecycleBin::DeleteThroughBin(const std::string& path,
                                  platform::ConfirmScope* companion_answers) {
  platform::Files& files = *services_.files;
  if (!PutIntoBin(path)) {
    if (services_.ui != nullptr)
      services_.ui->Warning(std::string(kNotIntoBinText) + "\r\r" + path);
    return false;
  }
  const std::string companion = path + kCompanionSuffix;
  const bool has_companion = files.IsFile(companion);
  const bool companion_in_bin = has_companion && PutIntoBin(companion);

  if (auto attributes = files.GetAttributes(path)) {
    const uint32_t cleared = *attributes & ~uint32_t{platform::kAttrReadOnly |
                                                     platform::kAttrHidden | platform::kAttrSystem};
    if (cleared != *attributes) files.SetAttributes(path, cleared);
  }
  const platform::FileResult deleted = files.DeleteFile(path);
  if (!deleted) {
    if (services_.ui != nullptr) services_.ui->Warning(deleted.message + "\r\r" + path);
    return false;
  }
  if (services_.delete_note) services_.delete_note(path);
  if (has_companion) {
    bool yes = companion_answers != nullptr && companion_answers->YesToAll();
    if (!yes && companion_answers != nullptr) {
      yes = companion_answers->Confirm(platform::MessageKind::kQuestion, "Confirm",
                                       std::string("Do you want to DELETE the associated ") +
                                           kCompanionSuffix + " file for " + path + "?");
    }
    // Only a companion that is safe in the bin is deleted.
    if (yes && companion_in_bin) files.DeleteFile(companion);
  }
  return true;
}

int RecycleBin::CountEntries() {
  BinLock lock(LockPath());
  return static_cast<int>(ReadLinesLocked().size());
}

uint64_t RecycleBin::TotalSize() {
  std::vector<std::string> lines;
  {
    BinLock lock(LockPath());
    lines = ReadLinesLocked();
  }
  uint64_t total = 0;
  for (const std::string& line : lines) {
    const auto entry = ParseIndexLine(line);
    if (!entry || !IsBinCopy(entry->copy)) continue;
    if (const auto facts = services_.files->Stat(entry->copy)) total += facts->size;
  }
  return total;
}

std::vector<std::string> RecycleBin::ReadEntries() {
  std::vector<std::string> lines;
  {
    BinLock lock(LockPath());
    lines = ReadLinesLocked();
  }
  return {lines.rbegin(), lines.rend()};
}

RestoreResult RecycleBin::Restore(const std::string& line) {
  RestoreResult result;
  platform::Files& files = *services_.files;
  {
    BinLock lock(LockPath());
    if (!lock.held()) return result;
    std::vector<std::string> lines = ReadLinesLocked();
    bool present = false;
    for (const std::string& l : lines) present = present || l == line;
    if (!present) {
      // Restored or dropped meanwhile (another window or copy of the program).
      result.dropped = true;
      return result;
    }
    const auto entry = ParseIndexLine(line);
    // A copy path outside the bin is never moved: that file is not the bin's to give away.
    if (entry && !IsBinCopy(entry->copy)) return result;
    bool copied = false;
    bool copy_exists = false;
    if (entry) {
      copy_exists = files.IsFile(entry->copy);
      if (copy_exists) {
        const std::string parent = platform::FolderOf(entry->former);
        std::error_code ec;
        if (!parent.empty() && !files.IsFolder(parent))
          std::filesystem::create_directories(parent, ec);
        copied = static_cast<bool>(files.CopyFile(entry->copy, entry->former));
      }
    }
    if (copied || !copy_exists) {
      std::vector<std::string> kept;
      kept.reserve(lines.size());
      for (std::string& l : lines) {
        if (l != line) kept.push_back(std::move(l));
      }
      if (RewriteLocked(kept)) {
        result.dropped = true;
        result.restored = copied;
        if (copied) files.DeleteFile(entry->copy);
      } else if (copied) {
        // The entry stays, so its copy does too; take back the restored duplicate.
        files.DeleteFile(entry->former);
      }
    }
  }
  RefreshState();
  return result;
}

bool RecycleBin::DropOldest() {
  BinLock lock(LockPath());
  if (!lock.held()) return false;
  std::vector<std::string> lines = ReadLinesLocked();
  if (lines.empty()) return false;
  const std::string first = lines.front();
  lines.erase(lines.begin());
  if (!RewriteLocked(lines)) return false;
  const auto entry = ParseIndexLine(first);
  if (entry && IsBinCopy(entry->copy)) services_.files->DeleteFile(entry->copy);
  return true;
}

void RecycleBin::Empty() {
  {
    BinLock lock(LockPath());
    if (lock.held()) {
      const std::string lock_name = platform::NameOf(LockPath());
      std::vector<std::string> doomed;
      services_.files->ListFolder(folder_, [&](const platform::DirEntry& item) {
        if (!item.IsDirectory() && item.name != lock_name) doomed.push_back(folder_ + item.name);
        return true;
      });
      for (const std::string& path : doomed) services_.files->DeleteFile(path);
    }
  }
  RefreshState();
}

void RecycleBin::RefreshState() {
  if (!observers_.empty()) Tell(IsFull());
}

std::string FreeSpaceWarningText(const std::string& drive, uint64_t free_bytes,
                                 uint64_t bytes_to_delete) {
  return "You don't have enough free disk space on the \"" + drive + "\" Drive to be able" +
         " to recover all the files you are going to delete. The Veldrimon" +
         " RECYCLE BIN will NOT be able to hold all the files deleted :( So, the OLDEST deleted "
         "files in the BIN will be removed as needed to make room for the NEWER deletes." +
         "\r\r" + "You are about to delete " + std::to_string(bytes_to_delete / 1024) +
         "K and you only have " + std::to_string(free_bytes / 1024) +
         "K free on your temp drive. " + "And the BIN wants to make sure that you have at least " +
         "5120" + "K free on your temp drive!";
}

bool FreeSpaceWarning(platform::Ui& ui, const std::string& drive, uint64_t free_bytes,
                      uint64_t bytes_to_delete) {
  if (free_bytes >= bytes_to_delete + kRoomBytes) return false;
  ui.Error(FreeSpaceWarningText(drive, free_bytes, bytes_to_delete));
  return true;
}

std::string ShutdownReminderText(uint64_t total_bytes, int count) {
  return std::string(
             "You have deleted some files while in Veldrimon and these files were put into "
             "Veldrimon's RecycleBin. ") +
         "\r\r" + "There is " + std::to_string(total_bytes / 1024) + "K taken up by " +
         std::to_string(count) + " file(s) in the BIN." + "\r\r" +
         "You can enter the RECYCLE BIN Window so you can Empty the bin and get some disk space "
         "back on your temp drive. " +
         "OR you can just exit now and deal with the Recycle BIN at a later time!";
}

bool ShutdownReminder(platform::Ui& ui, RecycleBin& bin) {
  const int count = bin.CountEntries();
  if (count == 0) return false;
  const int choice =
      ui.Choice("RECYCLE BIN", platform::ChoiceKind::kInformation,
                ShutdownReminderText(bin.TotalSize(), count), {"+Recycle Bin", "-Exit Now"});
  return choice == 1;
}


}  // namespace vr::recycle
