#pragma once
// The program's own recycle bin. Files deleted from inside the program are first copied into the
// bin folder "LS_RecycleBin" so they can be restored later. The folder lives in the program's data
// folder (the temporary folder is emptied at boot, which would lose the bin) and holds the index
// "RECYCLE.TXT" (recycle_index.h), the copies, and the lock file "RECYCLE.TXT.BUSY" taken for
// every read or change of the index, which lets several copies of the program share one bin.
//
// Safety rules beyond the plain design: a file whose copy into the bin failed is not deleted (the
// user is told); an index whose copy path points outside the bin folder never makes the bin
// delete or move that file; the index is rewritten through "RECYCLE.TXTOUT" renamed over it, so
// a crash leaves either the old or the new index.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>
#include <utility>

namespace vr::platform {
class ConfirmScope;
class Files;
class Ui;
}  // namespace vr::platform

namespace vr::recycle {

inline constexpr const char* kBinFolderName = "LS_RecycleBin";
inline constexpr const char* kIndexName = "RECYCLE.TXT";
inline constexpr const char* kLockSuffix = ".BUSY";
inline constexpr const char* kRewriteSuffix = "OUT";
inline constexpr const char* kCompanionSuffix = ".LSAssoc";
// Room kept free on the bin's drive beyond the file going in.
inline constexpr uint64_t kRoomBytes = 5242880;

inline constexpr const char* kRestoreFailedText =
    "File already exists in destination or some other error in trying to restore the file. Can't "
    "restore file.";
inline constexpr const char* kNotIntoBinText =
    "This file could NOT be copied into the Veldrimon RECYCLE BIN, so it was NOT deleted "
    "(nothing was lost).";

struct BinServices {
  platform::Files* files = nullptr;  // required
  platform::Ui* ui = nullptr;        // optional: messages and the companion question
  // Removes a deleted file's Notes database entry; optional.
  std::function<void(const std::string& path)> delete_note;
};

struct RestoreResult {
  bool dropped = false;   // the line is no longer in the index
  bool restored = false;  // the file is back at its former path
};

class RecycleBin {
 public:
  // The bin folder inside a program folder (both with a trailing separator).
  static std::string FolderIn(const std::string& program_folder);

  RecycleBin(BinServices services, std::string bin_folder);

  // Start-up: makes the folder (and missing parents), sets the counter from the index and
  // reports the state. False when the folder cannot be made.
  bool Start();

  const std::string& folder() const { return folder_; }
  std::string IndexPath() const { return folder_ + kIndexName; }
  std::string LockPath() const { return IndexPath() + kLockSuffix; }
  // The number the next copy will get (at least; another copy of the program may be ahead).
  int64_t counter() const { return counter_; }

  // Copies a file into the bin and records it; true only when both the copy and the index line
  // were made. Makes room first by the room rule; a file that could not fit even in an empty
  // bin's drive is refused at once and no entry is dropped.
  bool PutIntoBin(const std::string& path);
  // Puts a file into the bin, then deletes it (and its Notes entry); its companion ".LSAssoc"
  // goes into the bin too and is deleted when the question (held in `companion_answers`, asked
  // when not already answered yes to all) says yes. A file that could not be put into the bin is
  // not deleted. Gives whether the file was deleted.
  bool DeleteThroughBin(const std::string& path, platform::ConfirmScope* companion_answers);

  int CountEntries();
  // Sum of the bin copies' sizes in bytes.
  uint64_t TotalSize();
  // The index lines, newest first.
  std::vector<std::string> ReadEntries();
  // Restores the entry of one index line (as ReadEntries gave it).
  RestoreResult Restore(const std::string& line);
  // Drops the oldest entry and its copy; false when there was none.
  bool DropOldest();
  // Deletes every file of the bin folder, the index with it.
  void Empty();

  // Drops oldest entries until the bin's drive has `bytes` + 5 MB free or the bin is empty.
  void MakeRoom(uint64_t bytes);
  // Free bytes on the bin's drive (0 when unknown).
  uint64_t FreeBytes();
  // The mount point holding the bin (what the messages call its drive).
  std::string DriveLabel();

  // The bin state shown on the delete and recycle buttons: full when an entry exists.
  bool IsFull() { return CountEntries() > 0; }
  // Observers of the bin state (the main window's buttons, the album manager's glyph...). Each
  // call adds one; the number it gives takes it off again.
  int SetStateObserver(std::function<void(bool full)> observer) {
    observers_.emplace_back(++last_observer_, std::move(observer));
    return last_observer_;
  }
  void RemoveStateObserver(int id) {
    std::erase_if(observers_, [id](const auto& o) { return o.first == id; });
  }
  void RefreshState();

 private:
  bool IsBinCopy(const std::string& path) const;
  std::vector<std::string> ReadLinesLocked();
  bool RewriteLocked(const std::vector<std::string>& lines);

  BinServices services_;
  std::string folder_;
  int64_t counter_ = 0;
  void Tell(bool full) {
    const auto observers = observers_;  // an observer may remove itself
    for (const auto& o : observers) o.second(full);
  }
  std::vector<std::pair<int, std::function<void(bool)>>> observers_;
  int last_observer_ = 0;
};

// The warning before deleting many files when the bin's drive lacks room for them all; shown
// (with the error sound) only when free bytes < bytes to delete + 5 MB. Gives whether it was.
bool FreeSpaceWarning(platform::Ui& ui, const std::string& drive, uint64_t free_bytes,
                      uint64_t bytes_to_delete);
std::string FreeSpaceWarningText(const std::string& drive, uint64_t free_bytes,
                                 uint64_t bytes_to_delete);

// The reminder at shutdown when the bin holds entries; true when the user chose "+Recycle Bin"
// (the caller then opens the bin window modally).
bool ShutdownReminder(platform::Ui& ui, RecycleBin& bin);
std::string ShutdownReminderText(uint64_t total_bytes, int count);

// The question and text of the window's "&Delete All (EMPTY)".
inline constexpr const char* kEmptyBinQuestion =
    "If you EMPTY the Recycle Bin, then all files shown will forever be gone and you won't be able "
    "to restore them.\r\rDo you want to EMPTY the Veldrimon's Recycle Bin?";

}  // namespace vr::recycle
