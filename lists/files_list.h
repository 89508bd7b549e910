#pragma once
// The files list: the ordered set of files the viewer steps through and the files list window
// shows, one FileEntry per file, with its current position, its tags and every way of filling it.
//
// Entries are appended in the order they are found and sorted by name at the end of every bulk
// update. A name set of path keys (case rule of platform/path_rules.h) keeps each path once. Ids
// come from a table of 128,000; when they are used up adding fails instead of reusing one.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "lists/allowable_types.h"

namespace vr::platform {
class Files;
class MessagePump;
class PleaseWait;
class Ui;
}  // namespace vr::platform

namespace vr::lists {

inline constexpr int kMaxEntries = 128000;
inline constexpr const char* kNoFile = "None";

struct FileEntry {
  bool scanned = false;
  int32_t id = -1;
  bool tagged = false;
  bool movie = false;
  std::string name;    // without folder
  std::string folder;  // with a trailing separator
  uint8_t type = 0;
  int32_t width = -1;
  int32_t height = -1;
  int64_t size = -1;
  int32_t stamp = -1;         // packed DOS stamp from the scan
  int32_t colours = 0;        // 16000 stands for true colour
  std::string db_field;       // at most 200 characters
  // Thumbnail cache record of the files list window.
  int64_t thumb_offset = -1;
  int64_t thumb_length = -1;
  bool thumb_wanted = true;

  std::string Path() const { return folder + name; }
};

// Facts of one file for the scan of an entry (picture header and file system).
struct ScannedFacts {
  bool exists = false;
  int64_t size = -1;
  int32_t stamp = -1;
  uint8_t type = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t colours = 0;
  bool movie = false;
};

// What the list needs from the Notes database; implemented over the real database in
// notes_access.h, scripted in tests.
class NotesAccess {
 public:
  virtual ~NotesAccess() = default;
  virtual bool HasNote(const std::string& path) = 0;
  // The field shown in the "DB Field" column; empty without a note.
  virtual std::string DbField(const std::string& path) = 0;
  // Walks every record in key order until the visitor returns false.
  virtual void WalkKeys(const std::function<bool(const std::string& key, bool live)>& visit) = 0;
};

// The sub-folder question of the "Optional Information Notice Window".
enum class SubfolderAnswer { kYes, kNo, kAlways };
using SubfolderQuestion = std::function<SubfolderAnswer()>;

// Sort kinds of the files list window's columns.
enum SortKind : int {
  kSortNone = -1,
  kSortName = 0,
  kSortSize = 1,
  kSortModified = 2,
  kSortColours = 3,
  kSortDimension = 4,
  kSortType = 5,
  kSortDbField = 6,
  kSortFolder = 7,
  kSortMovie = 8,
  kSortTag = 9,
};

struct ListServices {
  platform::Files* files = nullptr;                           // required
  platform::PleaseWait* please_wait = nullptr;                // optional
  platform::MessagePump* pump = nullptr;                      // optional
  platform::Ui* ui = nullptr;                                 // optional (fault message of EntryAt)
  NotesAccess* notes = nullptr;                               // optional
  SubfolderQuestion ask_subfolders;                           // optional: no question means "NO"
  std::function<ScannedFacts(const std::string& path)> scan;  // optional: defaults to the probe
  // Recent folders and files menus: told of every folder loaded and every file picked.
  std::function<void(const std::string& folder)> remember_folder;  // optional
  std::function<void(const std::string& path)> remember_file;      // optional
};

class FilesList {
 public:
  explicit FilesList(ListServices services);
  ~FilesList();
  FilesList(const FilesList&) = delete;
  FilesList& operator=(const FilesList&) = delete;

  ListServices& services() { return services_; }
  AllowableTypes& allowable() { return allowable_; }
  const AllowableTypes& allowable() const { return allowable_; }

  // --- size, position, entries
  int Count() const { return static_cast<int>(entries_.size()); }
  bool Empty() const { return entries_.empty(); }
  int Current() const { return current_; }
  // Sets the current position, kept within 0 .. count - 1 (0 when empty).
  void SetCurrent(int position);
  // Full path at a position, "None" outside 0 .. count - 1.
  std::string FilePathAt(int position) const;
  // The entry without scanning it (nullptr outside the list).
  const FileEntry* Peek(int position) const;
  FileEntry* MutablePeek(int position);
  // The entry, scanned first when it was not. A position outside the list shows the fault
  // message and gives nullptr.
  FileEntry* EntryAt(int position);
  // Position of a path, or -1.
  int FindInFilesList(const std::string& path) const;
  bool Contains(const std::string& path) const;
  const std::vector<std::unique_ptr<FileEntry>>& entries() const { return entries_; }

  // --- filling
  // Adds a file (or, for a name that is no existing file, loads it as a folder). Gives the id of
  // the entry (also when the path was listed already), or -1 when nothing was added.
  int AddFileToList(int threshold, const std::string& path, int64_t listed_size = -1,
                    bool trusted = false, int32_t listed_stamp = -1);
  // Scans a folder (descending by the sub-folder mode); gives the first file found or "".
  std::string LoadFolder(const std::string& folder);
  // A folder through the sub-folder question (or the option forcing sub-folders).
  std::string LoadFolderAsking(const std::string& folder);
  // Adds paths in one batch; goes to `go_to` (-1: the last path's position). Gives the last path.
  std::string LoadPaths(const std::vector<std::string>& paths, int threshold, int go_to = -1,
                        bool trusted = false);
  // Adds dropped files and folders in one batch; gives the path to show ("" when none).
  std::string LoadDroppedFiles(const std::vector<std::string>& paths);
  // Loads every file of a drive (mount point) root, or in notes-only mode its noted files. Goes
  // to the first entry afterwards.
  void LoadDrives(const std::vector<std::string>& roots, bool notes_only);
  void LoadDriveFromNotes(const std::string& root);
  void ClearFilesList();
  void RemoveFromFilesList(const std::string& path);
  // Gives the entry at `position` a new path in place (after a move or a rename on disk): its id,
  // position, facts, tag and thumbnail stay. Another entry already listed under the new path
  // (a file the move just replaced) leaves the list. False for a position outside the list or
  // an unusable path.
  bool RepathEntry(int position, const std::string& new_path);

  // --- bulk updates: the end sorts by name and reports to the observer
  void BeginBulkUpdate(long expected_paths);
  void EndBulkUpdate();
  // Called after every bulk update and clear (the window refreshes its rows and jobs).
  void SetChangeObserver(std::function<void()> observer) { observer_ = std::move(observer); }

  // --- sub-folder mode (0 no, 1 this time, 2 always for the run) and the option forcing it
  int subfolder_mode() const { return subfolder_mode_; }
  void set_always_subfolders(bool on) { always_subfolders_ = on; }
  bool always_subfolders() const { return always_subfolders_; }
  bool answered_always() const { return answered_always_; }

  // --- scanning
  // Scans every (or every tagged) entry; false when stopped through the please-wait window.
  bool ScanAllEntries(bool tagged_only);
  bool AllScanned() const;

  // --- tags
  void SetTag(int position, bool tagged);
  void ToggleTag(int position);
  int TaggedCount() const { return tagged_count_; }
  // Sum of tagged sizes; -1 while not every tagged entry's size is known.
  int64_t TaggedSize() const;

  // --- sorting (kind -1 repeats the current kind reversed; the same kind reverses)
  void SortFilesList(int kind);
  // Sorts by kind and direction without the toggling rule.
  void SortBy(int kind, int direction);
  int sort_kind() const { return sort_kind_; }
  int sort_direction() const { return sort_direction_; }
  // Position of an entry id after sorts (-1 when gone).
  int PositionOfId(int32_t id) const;

  // Files added during the current load.
  long progress() const { return progress_; }

 private:
  // AddFileToList on a path that is absolute and normal already; `key` is its name-set key.
  int AddNormalPath(int threshold, const std::string& path, std::string key);
  int32_t AllocateId();
  void FreeId(int32_t id);
  void ScanEntry(FileEntry& entry);
  void ShowProgress(const std::string& text);
  void Pump();
  bool StopRequested() const;
  bool ScanFolder(const std::string& folder, std::string* first);
  void RebuildPositions() const;
  void SortByText(bool by_name, int direction);

  ListServices services_;
  AllowableTypes allowable_;
  std::vector<std::unique_ptr<FileEntry>> entries_;
  // Path key -> entry id.
  std::unordered_map<std::string, int32_t> names_;
  std::vector<uint8_t> id_used_;
  int32_t next_free_hint_ = 0;
  mutable std::vector<int32_t> position_of_id_;
  mutable bool positions_valid_ = false;
  int current_ = 0;
  int tagged_count_ = 0;
  int subfolder_mode_ = 0;
  bool always_subfolders_ = false;
  bool answered_always_ = false;
  bool notes_only_ = false;
  int bulk_depth_ = 0;
  long progress_ = 0;
  long listed_items_ = 0;
  int sort_kind_ = kSortNone;
  int sort_direction_ = 1;
  std::function<void()> observer_;
};

// Upper-cases a Notes key's letters after a non-letter and lowers the others (title case).
std::string TitleCasePath(const std::string& key);

}  // namespace vr::lists
