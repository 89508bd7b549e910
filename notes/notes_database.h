#pragma once
// The Notes database: three plain files under one base path.
//   base.DIR  folder table, 363-byte folder records, record n is folder n
//   base.NAM  1024-byte NotesRecords, record 0 the sentinel
//   base.IDX  32-bit record numbers of .NAM in ascending key order, sentinel last
//
// Invariants kept by every operation and checked by CheckIntegrity():
//   - the index is strictly ascending by key and ends with record 0 (the sentinel);
//   - every index entry names an existing .NAM record with a valid key;
//   - every indexed record's FolderNumber names the folder record of its key's folder.
//
// Data safety, beyond the plain layout:
//   - WriteNote has written the record (and a new folder record before it) into the files
//     before it reports success; .IDX is only derived data.
//   - Opening re-indexes .NAM records the saved index does not name (a program that died
//     before closing), and rebuilds a missing or damaged .DIR or .IDX from the records.
//   - Files that are rewritten as a whole (.IDX at close, a rebuilt .DIR) are written beside
//     and renamed over.
//
// States: closed -> (OpenNotesDatabase) -> open -> (CloseNotesDatabase) -> closed.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "notes/notes_record.h"

namespace vr::notes {

// Status and message of one operation; status 0 is success.
struct NotesStatus {
  unsigned status = 0;
  std::string message;
};

// What opening found and mended, for the caller to show or log.
struct OpenReport {
  bool created = false;          // no .NAM existed, a new database was made
  bool rebuilt_folders = false;  // .DIR was missing or damaged and made anew from the records
  bool rebuilt_index = false;    // .IDX was missing or damaged and made anew from the records
  size_t reindexed = 0;          // records found in .NAM that the saved index did not name
  size_t refiled = 0;            // records whose FolderNumber had to be corrected
  size_t torn_tail_bytes = 0;    // bytes after the last whole record of .NAM
  size_t damaged_records = 0;    // records with an unusable key, left out of the index
  size_t duplicate_records = 0;  // records repeating an indexed key, left out of the index
  std::string message;           // one-line summary when anything was mended, else empty
};

class NotesDatabase {
 public:
  NotesDatabase() = default;
  ~NotesDatabase();
  NotesDatabase(const NotesDatabase&) = delete;
  NotesDatabase& operator=(const NotesDatabase&) = delete;

  // Opens the database at base path (without extension), creating it when no .NAM exists and
  // rebuilding derived files from a surviving .NAM. Status 0 open, 1 failed.
  unsigned OpenNotesDatabase(const std::string& base_path);
  // Makes a new empty database (empties an existing one). Status 0 created, 1 failed.
  unsigned CreateNotesDatabase(const std::string& base_path);
  // Status 0 closed, 1 a file failed to close, 2 memory was not allocated.
  NotesStatus CloseNotesDatabase();

  // Status 0 found (live or deleted), 1 not found; `record` has the key and empty fields then.
  NotesStatus ReadNote(const std::string& path, NotesRecord* record);
  // Stores the user fields of `record` under path (update or add). Status 0 stored, 1 failed.
  NotesStatus WriteNote(const std::string& path, const NotesRecord& record);
  // Stores only the derived fields of `record` (fingerprint, modification stamp, ResX, ResY:
  // bytes 742 to 945) under path. An existing note keeps its live flag and user fields, so a
  // note the user deleted stays deleted; a path without a note gets a new live record holding
  // just these fields. Status 0 stored, 1 failed (message as WriteNote's).
  NotesStatus WriteDerivedFields(const std::string& path, const NotesRecord& record);
  // Marks the note deleted, keeping its fields. Status 0 marked, 1 failed.
  NotesStatus DeleteNote(const std::string& path);
  void MoveNote(const std::string& old_path, const std::string& new_path);
  void CopyNote(const std::string& old_path, const std::string& new_path);

  // Walk in key order: status 0 read, 1 memory not allocated, 2 no such position, 3 read error.
  unsigned FirstNote(NotesRecord* record, std::string* folder);
  unsigned NextNote(NotesRecord* record, std::string* folder);
  unsigned PreviousNote(NotesRecord* record, std::string* folder);
  unsigned LastNote(NotesRecord* record, std::string* folder);
  long NoteCount() const { return static_cast<long>(count_) - 1; }
  long CurrentNotePosition() const { return current_ + 1; }
  void SetNotePosition(long n) { current_ = n - 1; }

  bool IsOpen() const { return open_; }
  const std::string& BasePath() const { return base_path_; }
  const OpenReport& LastOpenReport() const { return open_report_; }
  // The name used in close messages; the file name part of the base path unless set.
  void SetDisplayName(const std::string& name) { display_name_ = name; }
  size_t FolderCount() const { return folder_paths_.size(); }
  size_t RecordCount() const { return record_keys_.size(); }

  // Reads .NAM record n (0 is the sentinel) straight from the file, whether indexed or not.
  bool ReadRecordAt(size_t n, NotesRecord* record) const;

  // Visits every indexed record but the sentinel with its index position (0-based) and its 1024
  // bytes as stored, reading .NAM front to back in large pieces (so not in key order). `visit`
  // returns false to stop. False when the database is not open or a read failed.
  bool ScanIndexedRecords(
      const std::function<bool(size_t position, const uint8_t* bytes)>& visit) const;

  // Lowers the index limit (entries, sentinel included) so tests can reach it quickly.
  void SetMaxEntriesForTesting(size_t entries) { max_entries_ = entries; }

  // Checks the invariants listed above against memory and the files; empty when sound.
  std::vector<std::string> CheckIntegrity() const;

 private:
  struct Found {
    bool found = false;
    size_t position = 0;
  };

  bool OpenAttempt(const std::string& base_path);
  void Release();
  void CloseFiles();
  bool LoadFolders(std::vector<uint8_t>* dir_bytes, bool* damaged);
  bool RebuildFolders();
  bool LoadRecordsAndIndex();
  void MergeExtraEntries(const std::vector<int32_t>& entries, const std::vector<int32_t>& extra,
                         std::vector<int32_t>* out);
  bool WriteIndexFile();
  int FindFolder(std::string_view folder) const;
  int AddFolder(std::string_view folder);
  Found FindKey(std::string_view key) const;
  bool AddRecord(NotesRecord* record, const std::string& key);
  unsigned WalkTo(long position, NotesRecord* record, std::string* folder);

  // Ordered index in blocks, so that inserting never moves more than one block.
  int32_t EntryAt(size_t position) const;
  void InsertEntry(size_t position, int32_t record_number);
  std::string_view KeyOf(int32_t record_number) const;

  std::string base_path_;
  std::string display_name_;
  int dir_fd_ = -1;
  int nam_fd_ = -1;
  // .NAM mapped for scans, kept from one scan to the next (a search window searches the same
  // file again and again) and mapped anew when the file grew. Writes through nam_fd_ are seen
  // in the mapping, which shares the file's pages.
  void Unmap() const;
  mutable const uint8_t* nam_map_ = nullptr;
  mutable size_t nam_map_length_ = 0;
  bool allocated_ = false;
  bool open_ = false;
  bool index_changed_ = false;
  size_t count_ = 0;  // index entries, sentinel included
  size_t max_entries_ = kMaxIndexEntries;
  long current_ = 0;
  OpenReport open_report_;

  std::vector<std::vector<int32_t>> blocks_;
  // Keys of every .NAM record by record number (offset and length into key_arena_), so lookups
  // compare keys from memory; a record with an unusable key has length 0.
  std::string key_arena_;
  std::vector<std::pair<uint32_t, uint16_t>> record_keys_;
  // Folder table in memory: the hash of each folder and its path.
  std::vector<uint16_t> folder_hashes_;
  std::vector<std::string> folder_paths_;
};

// Checks the three files of a closed database: whole records, the sentinel, folder records
// numbered by position, an index in ascending key order naming every record with a usable key
// and ending with the sentinel, folder numbers naming their key's folder. Empty when sound.
std::vector<std::string> CheckNotesFiles(const std::string& base_path);

// The database the program keeps open from start-up to exit.
NotesDatabase& MainNotesDatabase();

// Compaction: builds base_TMP beside the database from its kept records and renames it over.
struct CompactionCallbacks {
  std::function<void(const std::string&)> report_error;
  std::function<void(long)> report_number;
  std::function<void(const std::string&)> report_line;
  // The re-link step: gets the orphan keys (kept records whose file is missing), may store
  // resolved ones into `temp` and removes from the list those resolved or to be dropped; gives
  // the number re-linked. The orphans left are carried over unchanged. Absent: nothing resolved.
  std::function<long(std::vector<std::string>* orphans, NotesDatabase& main, NotesDatabase& temp)>
      relink;
  // Whether a file exists; absent: asks the file system.
  std::function<bool(const std::string&)> file_exists;
};

struct CompactionResult {
  long relinked = 0;
  unsigned status = 0;  // 0 completed, 1 failed (the old database is left in place)
};

CompactionResult CompactNotesDatabase(const std::string& base_path,
                                      const CompactionCallbacks& callbacks);

// Keeps the set at base_path as base_path + "_PREV" (one generation: an older _PREV set goes),
// through hard links, so the set stays in place until the new one is renamed over it. Done
// before compaction and deletion replace a set. False when a file could not be kept.
bool KeepPreviousSet(const std::string& base_path);

}  // namespace vr::notes
