#include "notes/notes_database.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "platform/files.h"
#include "platform/path_rules.h"

namespace vr::notes {
namespace {

// Index blocks are split when they outgrow this, so an insertion moves at most this many entries.
constexpr size_t kMaxBlock = 1024;
constexpr size_t kFillBlock = 512;
// Records read per call while opening.
constexpr size_t kReadChunkRecords = 1024;

bool PWriteAll(int fd, const void* data, size_t size, off_t offset) {
  const auto* p = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, p, size, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
    offset += n;
  }
  return true;
}

bool PReadAll(int fd, void* data, size_t size, off_t offset) {
  auto* p = static_cast<uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::pread(fd, p, size, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
    offset += n;
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* out, bool* missing) {
  out->clear();
  *missing = false;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *missing = errno == ENOENT;
    return false;
  }
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0;
  if (ok) {
    out->resize(static_cast<size_t>(st.st_size));
    ok = out->empty() || PReadAll(fd, out->data(), out->size(), 0);
  }
  ::close(fd);
  return ok;
}

// Writes a whole file beside its final name and renames it over, so the old file stays whole
// until the new one is (and a database made again over an old one never leaves it truncated).
bool ReplaceFile(const std::string& path, const uint8_t* data, size_t size) {
  return static_cast<bool>(platform::WriteFileAtomically(
      path, std::string_view(reinterpret_cast<const char*>(data), data == nullptr ? 0 : size)));
}

// A usable key: 1 to 360 characters, no NUL, not the sentinel, with a folder part.
bool UsableKey(std::string_view key) {
  return !key.empty() && key.size() <= kMaxPathChars && key.find('\0') == std::string_view::npos &&
         !IsSentinelKey(key) && !FolderOfKey(key).empty();
}

std::string_view KeyInRecord(const uint8_t* rec) {
  const auto* p = reinterpret_cast<const char*>(rec);
  const void* nul = std::memchr(p, 0, kMaxPathChars + 1);
  if (nul == nullptr) return {};  // no terminator: unusable
  return std::string_view(p, static_cast<size_t>(static_cast<const char*>(nul) - p));
}

bool IsSentinelRecord(const uint8_t* rec) {
  for (size_t i = 0; i < kMaxPathChars; ++i) {
    if (rec[i] != 0xFF) return false;
  }
  return rec[kMaxPathChars] == 0 && GetLe32(rec + kOffFolderNumber) == -1;
}

// A folder record is sound when its path is NUL-terminated and not empty and its number is its
// position.
bool ParseFolderRecord(const uint8_t* rec, size_t position, std::string* path) {
  const auto* p = reinterpret_cast<const char*>(rec);
  const size_t len = strnlen(p, kMaxPathChars + 1);
  if (len == 0 || len > kMaxPathChars) return false;
  const size_t number = static_cast<size_t>(rec[361]) | (static_cast<size_t>(rec[362]) << 8);
  if (number != position) return false;
  path->assign(p, len);
  return FolderOfKey(*path) == *path;
}

}  // namespace

NotesDatabase::~NotesDatabase() {
  if (allocated_) CloseNotesDatabase();
  Unmap();
}

void NotesDatabase::Unmap() const {
  if (nam_map_ != nullptr) ::munmap(const_cast<uint8_t*>(nam_map_), nam_map_length_);
  nam_map_ = nullptr;
  nam_map_length_ = 0;
}

void NotesDatabase::CloseFiles() {
  Unmap();
  if (dir_fd_ >= 0) ::close(dir_fd_);
  if (nam_fd_ >= 0) ::close(nam_fd_);
  dir_fd_ = -1;
  nam_fd_ = -1;
}

void NotesDatabase::Release() {
  blocks_.clear();
  blocks_.shrink_to_fit();
  key_arena_.clear();
  key_arena_.shrink_to_fit();
  record_keys_.clear();
  record_keys_.shrink_to_fit();
  folder_hashes_.clear();
  folder_paths_.clear();
  allocated_ = false;
  open_ = false;
  index_changed_ = false;
}

std::string_view NotesDatabase::KeyOf(int32_t record_number) const {
  if (record_number == 0) return SentinelKey();
  const auto& [offset, length] = record_keys_[static_cast<size_t>(record_number)];
  return std::string_view(key_arena_).substr(offset, length);
}

int32_t NotesDatabase::EntryAt(size_t position) const {
  for (const auto& block : blocks_) {
    if (position < block.size()) return block[position];
    position -= block.size();
  }
  return -1;
}

void NotesDatabase::InsertEntry(size_t position, int32_t record_number) {
  size_t b = 0;
  while (b + 1 < blocks_.size() && position > blocks_[b].size()) {
    position -= blocks_[b].size();
    ++b;
  }
  auto& block = blocks_[b];
  block.insert(block.begin() + static_cast<std::ptrdiff_t>(position), record_number);
  if (block.size() > kMaxBlock) {
    std::vector<int32_t> upper(block.begin() + kMaxBlock / 2, block.end());
    block.resize(kMaxBlock / 2);
    blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(b) + 1, std::move(upper));
  }
  ++count_;
}

NotesDatabase::Found NotesDatabase::FindKey(std::string_view key) const {
  Found result;
  if (count_ == 0) return result;
  // The first block whose last key is not below the probe holds the insertion point.
  size_t lo = 0;
  size_t hi = blocks_.size();
  while (lo < hi) {
    const size_t mid = (lo + hi) / 2;
    if (CompareKeys(KeyOf(blocks_[mid].back()), key) < 0) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  size_t before = 0;
  for (size_t b = 0; b < lo && b < blocks_.size(); ++b) before += blocks_[b].size();
  if (lo == blocks_.size()) {
    result.position = before;
    return result;
  }
  const auto& block = blocks_[lo];
  const auto it = std::lower_bound(block.begin(), block.end(), key, [&](int32_t rec, auto k) {
    return CompareKeys(KeyOf(rec), k) < 0;
  });
  result.position = before + static_cast<size_t>(it - block.begin());
  result.found = it != block.end() && KeyOf(*it) == key;
  return result;
}

int NotesDatabase::FindFolder(std::string_view folder) const {
  if (!open_) return -1;
  const uint16_t h = FolderHash(folder);
  const size_t n = folder_hashes_.size();
  for (size_t i = 0; i < n; ++i) {
    if (folder_hashes_[i] == h && folder_paths_[i] == folder) return static_cast<int>(i);
  }
  return -1;
}

int NotesDatabase::AddFolder(std::string_view folder) {
  const size_t n = folder_paths_.size();
  if (n >= kMaxFolders || folder.size() > kMaxPathChars || folder.empty()) return -1;
  uint8_t rec[kFolderRecordSize];
  EncodeFolderRecord(folder, static_cast<uint16_t>(n), rec);
  if (!PWriteAll(dir_fd_, rec, kFolderRecordSize, static_cast<off_t>(n * kFolderRecordSize))) {
    return -1;
  }
  folder_hashes_.push_back(FolderHash(folder));
  folder_paths_.emplace_back(folder);
  return static_cast<int>(n);
}

bool NotesDatabase::AddRecord(NotesRecord* record, const std::string& key) {
  if (count_ >= max_entries_) return false;
  const size_t number = record_keys_.size();
  if (key_arena_.size() + key.size() > UINT32_MAX) return false;
  record->live_flag = kLive;
  uint8_t bytes[kRecordSize];
  EncodeNotesRecord(*record, bytes);
  // The record is in .NAM before it is in the index: a crash from here on is mended at open.
  if (!PWriteAll(nam_fd_, bytes, kRecordSize, static_cast<off_t>(number * kRecordSize))) {
    return false;
  }
  const Found where = FindKey(key);
  record_keys_.emplace_back(static_cast<uint32_t>(key_arena_.size()),
                            static_cast<uint16_t>(key.size()));
  key_arena_ += key;
  if (where.found) return true;  // cannot happen: callers add only absent keys
  InsertEntry(where.position, static_cast<int32_t>(number));
  index_changed_ = true;
  current_ = static_cast<long>(where.position);
  return true;
}

bool NotesDatabase::ScanIndexedRecords(
    const std::function<bool(size_t position, const uint8_t* bytes)>& visit) const {
  if (!open_) return false;
  // Index position of every record number; -1 for records the index does not name.
  std::vector<int32_t> position_of(record_keys_.size(), -1);
  size_t position = 0;
  for (const auto& block : blocks_) {
    for (int32_t record : block) {
      if (record > 0 && static_cast<size_t>(record) < position_of.size()) {
        position_of[static_cast<size_t>(record)] = static_cast<int32_t>(position);
      }
      ++position;
    }
  }
  const size_t records = position_of.size();
  // Mapped when the system allows: only the bytes a visitor looks at are touched, no copy.
  const size_t length = records * kRecordSize;
  if (records > 1 && nam_map_length_ != length) {
    Unmap();
    void* map = ::mmap(nullptr, length, PROT_READ, MAP_SHARED | MAP_POPULATE, nam_fd_, 0);
    if (map != MAP_FAILED) {
      nam_map_ = static_cast<const uint8_t*>(map);
      nam_map_length_ = length;
    }
  }
  if (records > 1 && nam_map_ != nullptr) {
    for (size_t r = 1; r < records; ++r) {
      const int32_t at = position_of[r];
      if (at >= 0 && !visit(static_cast<size_t>(at), nam_map_ + r * kRecordSize)) break;
    }
    return true;
  }
  constexpr size_t kPiece = 1024;  // records per read: 1 MB
  std::vector<uint8_t> buffer(kPiece * kRecordSize);
  for (size_t first = 1; first < records; first += kPiece) {
    const size_t n = std::min(kPiece, records - first);
    if (!PReadAll(nam_fd_, buffer.data(), n * kRecordSize,
                  static_cast<off_t>(first * kRecordSize))) {
      return false;
    }
    for (size_t i = 0; i < n; ++i) {
      const int32_t at = position_of[first + i];
      if (at < 0) continue;
      if (!visit(static_cast<size_t>(at), buffer.data() + i * kRecordSize)) return true;
    }
  }
  return true;
}

bool NotesDatabase::ReadRecordAt(size_t n, NotesRecord* record) const {
  if (!open_ || n >= record_keys_.size()) return false;
  uint8_t bytes[kRecordSize];
  if (!PReadAll(nam_fd_, bytes, kRecordSize, static_cast<off_t>(n * kRecordSize))) return false;
  *record = DecodeNotesRecord(bytes);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Open, create, close.

bool NotesDatabase::LoadFolders(std::vector<uint8_t>* dir_bytes, bool* damaged) {
  *damaged = false;
  const size_t n = dir_bytes->size() / kFolderRecordSize;
  if (n > kMaxFolders) *damaged = true;
  folder_paths_.clear();
  folder_hashes_.clear();
  std::string path;
  for (size_t i = 0; i < n && !*damaged; ++i) {
    if (!ParseFolderRecord(dir_bytes->data() + i * kFolderRecordSize, i, &path)) {
      *damaged = true;
      break;
    }
    folder_paths_.push_back(path);
    folder_hashes_.push_back(FolderHash(path));
  }
  // A torn last folder record is ignored: the record that would have named it was never written.
  return !*damaged;
}

bool NotesDatabase::RebuildFolders() {
  folder_paths_.clear();
  folder_hashes_.clear();
  std::vector<uint8_t> bytes;
  std::unordered_map<std::string_view, size_t> known;
  // Folders in the order their first record appears, which is the order they were added in.
  for (size_t i = 1; i < record_keys_.size(); ++i) {
    const std::string_view key = KeyOf(static_cast<int32_t>(i));
    if (key.empty()) continue;
    const std::string_view folder = FolderOfKey(key);
    if (known.count(folder) > 0 || folder_paths_.size() >= kMaxFolders) continue;
    known.emplace(folder, folder_paths_.size());
    const size_t at = bytes.size();
    bytes.resize(at + kFolderRecordSize);
    EncodeFolderRecord(folder, static_cast<uint16_t>(folder_paths_.size()), bytes.data() + at);
    folder_paths_.emplace_back(folder);
    folder_hashes_.push_back(FolderHash(folder));
  }
  return ReplaceFile(base_path_ + ".DIR", bytes.data(), bytes.size());
}

bool NotesDatabase::OpenAttempt(const std::string& base_path) {
  CloseFiles();
  Release();
  base_path_ = base_path;
  if (display_name_.empty()) display_name_ = platform::NameOf(base_path);
  open_report_ = OpenReport{};
  allocated_ = true;
  count_ = 0;
  current_ = 0;

  nam_fd_ = ::open((base_path + ".NAM").c_str(), O_RDWR | O_CLOEXEC);
  if (nam_fd_ < 0) {
    Release();
    return false;
  }
  struct stat st {};
  if (::fstat(nam_fd_, &st) != 0) {
    CloseFiles();
    Release();
    return false;
  }
  size_t records = static_cast<size_t>(st.st_size) / kRecordSize;
  open_report_.torn_tail_bytes = static_cast<size_t>(st.st_size) % kRecordSize;

  // Read every record once: keep its key and stored folder number.
  std::vector<int32_t> stored_numbers(records, -1);
  record_keys_.assign(records, {0, 0});
  bool sentinel_ok = records > 0;
  {
    std::vector<uint8_t> chunk(std::min(kReadChunkRecords, records) * kRecordSize);
    for (size_t first = 0; first < records; first += kReadChunkRecords) {
      const size_t n = std::min(kReadChunkRecords, records - first);
      if (!PReadAll(nam_fd_, chunk.data(), n * kRecordSize,
                    static_cast<off_t>(first * kRecordSize))) {
        CloseFiles();
        Release();
        return false;
      }
      for (size_t j = 0; j < n; ++j) {
        const uint8_t* rec = chunk.data() + j * kRecordSize;
        const size_t i = first + j;
        if (i == 0) {
          sentinel_ok = IsSentinelRecord(rec);
          continue;
        }
        const std::string_view key = KeyInRecord(rec);
        if (!UsableKey(key) || key_arena_.size() + key.size() > UINT32_MAX) {
          ++open_report_.damaged_records;
          continue;
        }
        record_keys_[i] = {static_cast<uint32_t>(key_arena_.size()),
                           static_cast<uint16_t>(key.size())};
        key_arena_ += key;
        stored_numbers[i] = GetLe32(rec + kOffFolderNumber);
      }
      if (first == 0 && n > 1) {
        // Size the key store once from the first keys: growing it step by step copies and
        // faults in every page again.
        key_arena_.reserve((key_arena_.size() / (n - 1) + 8) * records);
      }
    }
  }
  if (!sentinel_ok) {
    // An empty .NAM (a creation cut short) or a damaged record 0: put the sentinel back.
    uint8_t sentinel[kRecordSize];
    EncodeSentinel(sentinel);
    if (!PWriteAll(nam_fd_, sentinel, kRecordSize, 0)) {
      CloseFiles();
      Release();
      return false;
    }
    if (records == 0) {
      records = 1;
      record_keys_.assign(1, {0, 0});
      stored_numbers.assign(1, -1);
      open_report_.torn_tail_bytes = 0;  // overwritten by the sentinel
    }
  }

  // Folder table: load it, or rebuild it from the records when missing or damaged.
  std::vector<uint8_t> bytes;
  bool missing = false;
  bool damaged = false;
  const bool dir_read = ReadWholeFile(base_path + ".DIR", &bytes, &missing);
  if (!dir_read && !missing) {
    CloseFiles();
    Release();
    return false;
  }
  if (!dir_read || !LoadFolders(&bytes, &damaged)) {
    if (!RebuildFolders()) {
      CloseFiles();
      Release();
      return false;
    }
    open_report_.rebuilt_folders = true;
  }
  dir_fd_ = ::open((base_path + ".DIR").c_str(), O_RDWR | O_CLOEXEC);
  if (dir_fd_ < 0) {
    CloseFiles();
    Release();
    return false;
  }
  open_ = true;

  // Every record's folder number must name its key's folder; mend those that do not.
  for (size_t i = 1; i < records; ++i) {
    const std::string_view key = KeyOf(static_cast<int32_t>(i));
    if (key.empty()) continue;
    const std::string_view folder = FolderOfKey(key);
    const int32_t stored = stored_numbers[i];
    if (stored >= 0 && static_cast<size_t>(stored) < folder_paths_.size() &&
        folder_paths_[static_cast<size_t>(stored)] == folder) {
      continue;
    }
    int number = FindFolder(folder);
    if (number < 0) number = AddFolder(folder);
    uint8_t le[4];
    PutLe32(le, number);
    if (number < 0 ||
        !PWriteAll(nam_fd_, le, 4, static_cast<off_t>(i * kRecordSize + kOffFolderNumber))) {
      record_keys_[i] = {0, 0};  // cannot be filed: leave it out of the index, keep its bytes
      ++open_report_.damaged_records;
      continue;
    }
    ++open_report_.refiled;
  }

  if (!LoadRecordsAndIndex()) {
    CloseFiles();
    Release();
    return false;
  }

  if (open_report_.rebuilt_folders || open_report_.rebuilt_index || open_report_.reindexed > 0 ||
      open_report_.refiled > 0 || open_report_.torn_tail_bytes > 0 ||
      open_report_.damaged_records > 0 || open_report_.duplicate_records > 0) {
    std::string m = "Notes DataBase " + display_name_ + " was repaired:";
    if (open_report_.rebuilt_folders) m += " folder table rebuilt;";
    if (open_report_.rebuilt_index) m += " index rebuilt;";
    if (open_report_.reindexed > 0) {
      m += " " + std::to_string(open_report_.reindexed) + " unindexed record(s) indexed;";
    }
    if (open_report_.refiled > 0) {
      m += " " + std::to_string(open_report_.refiled) + " folder number(s) corrected;";
    }
    if (open_report_.torn_tail_bytes > 0) {
      m += " " + std::to_string(open_report_.torn_tail_bytes) +
           " byte(s) of an incomplete last record ignored;";
    }
    if (open_report_.damaged_records > 0) {
      m += " " + std::to_string(open_report_.damaged_records) + " damaged record(s) skipped;";
    }
    if (open_report_.duplicate_records > 0) {
      m += " " + std::to_string(open_report_.duplicate_records) + " duplicate record(s) skipped;";
    }
    m.pop_back();
    open_report_.message = m;
  }
  return true;
}

bool NotesDatabase::LoadRecordsAndIndex() {
  const size_t records = record_keys_.size();
  std::vector<uint8_t> bytes;
  bool missing = false;
  const bool read = ReadWholeFile(base_path_ + ".IDX", &bytes, &missing);
  if (!read && !missing) return false;

  // The saved index is used when it is sound; otherwise the records make a new one.
  std::vector<int32_t> entries;
  std::vector<bool> referenced(records, false);
  bool sound =
      read && bytes.size() % 4 == 0 && bytes.size() >= 4 && bytes.size() / 4 <= kMaxIndexEntries;
  if (sound) {
    const size_t n = bytes.size() / 4;
    entries.resize(n);
    for (size_t k = 0; k < n && sound; ++k) {
      const int32_t rec = GetLe32(bytes.data() + 4 * k);
      const bool last = k + 1 == n;
      if (rec < 0 || static_cast<size_t>(rec) >= records || (rec == 0) != last ||
          referenced[static_cast<size_t>(rec)] || (rec != 0 && KeyOf(rec).empty())) {
        sound = false;
        break;
      }
      if (k > 0 && CompareKeys(KeyOf(entries[k - 1]), KeyOf(rec)) >= 0) sound = false;
      referenced[static_cast<size_t>(rec)] = true;
      entries[k] = rec;
    }
  }
  if (!sound) {
    entries.clear();
    std::fill(referenced.begin(), referenced.end(), false);
    open_report_.rebuilt_index = true;
  }

  // Records the index does not name: on a sound index these are notes added after the last
  // close; otherwise every record. Sorted by key, a repeated key keeps its first record.
  std::vector<int32_t> extra;
  for (size_t i = 1; i < records; ++i) {
    if (!referenced[i] && !KeyOf(static_cast<int32_t>(i)).empty()) {
      extra.push_back(static_cast<int32_t>(i));
    }
  }
  std::stable_sort(extra.begin(), extra.end(),
                   [&](int32_t a, int32_t b) { return CompareKeys(KeyOf(a), KeyOf(b)) < 0; });

  if (entries.empty()) entries.push_back(0);
  std::vector<int32_t> merged;
  if (extra.empty()) {
    merged = std::move(entries);
  } else {
    MergeExtraEntries(entries, extra, &merged);
  }
  blocks_.clear();
  for (size_t at = 0; at < merged.size(); at += kFillBlock) {
    const size_t end = std::min(merged.size(), at + kFillBlock);
    blocks_.emplace_back(merged.begin() + static_cast<std::ptrdiff_t>(at),
                         merged.begin() + static_cast<std::ptrdiff_t>(end));
  }
  count_ = merged.size();
  index_changed_ = open_report_.rebuilt_index || open_report_.reindexed > 0 ||
                   open_report_.duplicate_records > 0;
  return true;
}

void NotesDatabase::MergeExtraEntries(const std::vector<int32_t>& entries,
                                      const std::vector<int32_t>& extra,
                                      std::vector<int32_t>* out) {
  // Merge the two sorted runs (the sentinel stays last: it sorts after every usable key).
  std::vector<int32_t>& merged = *out;
  merged.reserve(entries.size() + extra.size());
  size_t a = 0;
  size_t b = 0;
  while (a < entries.size() || b < extra.size()) {
    int32_t next;
    bool from_extra;
    if (b == extra.size()) {
      next = entries[a++];
      from_extra = false;
    } else if (a == entries.size() || CompareKeys(KeyOf(extra[b]), KeyOf(entries[a])) < 0) {
      next = extra[b++];
      from_extra = true;
    } else {
      next = entries[a++];
      from_extra = false;
    }
    if (!merged.empty() && KeyOf(merged.back()) == KeyOf(next)) {
      ++open_report_.duplicate_records;  // the indexed (or first) record keeps the key
      continue;
    }
    if (from_extra) {
      if (merged.size() + 1 + (entries.size() - a) > kMaxIndexEntries) {
        ++open_report_.damaged_records;  // no room left in the index; its bytes stay in .NAM
        continue;
      }
      if (!open_report_.rebuilt_index) ++open_report_.reindexed;
    }
    merged.push_back(next);
  }
}

unsigned NotesDatabase::OpenNotesDatabase(const std::string& base_path) {
  if (OpenAttempt(base_path)) return 0;
  // Never make an empty database over a .NAM that is there but could not be used: its records
  // are the user's data.
  struct stat st {};
  if (::stat((base_path + ".NAM").c_str(), &st) == 0) {
    open_report_.message = "Could NOT OPEN " + platform::NameOf(base_path) + " DataBase File!";
    return 1;
  }
  if (CreateNotesDatabase(base_path) != 0) return 1;
  if (!OpenAttempt(base_path)) return 1;
  open_report_.created = true;
  return 0;
}

unsigned NotesDatabase::CreateNotesDatabase(const std::string& base_path) {
  if (allocated_) CloseNotesDatabase();
  CloseFiles();
  Release();
  base_path_ = base_path;
  if (display_name_.empty()) display_name_ = platform::NameOf(base_path);
  uint8_t sentinel[kRecordSize];
  EncodeSentinel(sentinel);
  const uint8_t zero_entry[4] = {0, 0, 0, 0};
  bool ok = ReplaceFile(base_path + ".DIR", nullptr, 0);
  ok = ok && ReplaceFile(base_path + ".NAM", sentinel, kRecordSize);
  ok = ok && ReplaceFile(base_path + ".IDX", zero_entry, 4);
  count_ = 1;
  current_ = 0;
  open_ = false;
  return ok ? 0 : 1;
}

NotesStatus NotesDatabase::CloseNotesDatabase() {
  NotesStatus result{1, {}};
  const std::string& name = display_name_;
  Unmap();
  // Each file is closed even after an earlier one failed, so the index still reaches disk.
  if (dir_fd_ >= 0 && ::close(dir_fd_) != 0) result.message = "Error: Closing " + name + ".DIR";
  dir_fd_ = -1;
  if (nam_fd_ >= 0 && ::close(nam_fd_) != 0 && result.message.empty()) {
    result.message = "Error: Closing " + name + ".NAM";
  }
  nam_fd_ = -1;
  if (!allocated_) {
    result.status = 2;
    result.message = "Error: DataBase memory was not allocated, so close not completed!";
    Release();
    return result;
  }
  bool idx_ok = true;
  if (open_ && index_changed_) {
    idx_ok = WriteIndexFile();
    if (idx_ok) index_changed_ = false;
  }
  if (!idx_ok) {
    if (result.message.empty()) result.message = "Error: Closing " + name + ".IDX";
  } else if (result.message.empty()) {
    result.status = 0;
  }
  Release();
  return result;
}

bool NotesDatabase::WriteIndexFile() {
  std::vector<uint8_t> bytes(count_ * 4);
  size_t k = 0;
  for (const auto& block : blocks_) {
    for (int32_t rec : block) PutLe32(bytes.data() + 4 * k++, rec);
  }
  return ReplaceFile(base_path_ + ".IDX", bytes.data(), bytes.size());
}

// ---------------------------------------------------------------------------------------------
// Records.

NotesStatus NotesDatabase::ReadNote(const std::string& path, NotesRecord* record) {
  const std::string key = NoteKey(path);
  *record = NotesRecord{};
  record->file_name_key = key;
  const int folder = FindFolder(FolderOfKey(key));
  if (folder < 0) {
    return {1, "Error: Reading Record Notes Database with " + key + ", should be IMMPOSSIBLE[2]!"};
  }
  const Found where = FindKey(key);
  NotesRecord stored;
  if (!where.found || !ReadRecordAt(static_cast<size_t>(EntryAt(where.position)), &stored)) {
    return {1, "Error: Reading Record Notes Database with " + key + ", should be IMMPOSSIBLE[1]!"};
  }
  current_ = static_cast<long>(where.position);
  *record = std::move(stored);
  return {0, {}};
}

NotesStatus NotesDatabase::WriteNote(const std::string& path, const NotesRecord& record) {
  const std::string key = NoteKey(path);
  const std::string failed = "Error: Updating Notes Database with " + key +
                             ", should be IMMPOSSIBLE or " + "(Disk Full/Write Protected)";
  if (!open_) return {1, failed};
  if (key.size() > kMaxPathChars) {
    return {1, "Error: Updating Notes Database with " + key +
                   ", the path is longer than 360 characters"};
  }
  if (!UsableKey(key)) return {1, failed};
  NotesRecord stored = record;
  stored.file_name_key = key;
  stored.live_flag = kLive;
  const std::string_view folder = FolderOfKey(key);
  int number = FindFolder(folder);
  if (number >= 0) {
    const Found where = FindKey(key);
    if (where.found) {
      stored.folder_number = number;
      uint8_t bytes[kRecordSize];
      EncodeNotesRecord(stored, bytes);
      const size_t rec = static_cast<size_t>(EntryAt(where.position));
      current_ = static_cast<long>(where.position);
      if (!PWriteAll(nam_fd_, bytes, kRecordSize, static_cast<off_t>(rec * kRecordSize))) {
        return {1, failed};
      }
      return {0, {}};
    }
  }
  if (count_ >= max_entries_) {
    return {1, "Error: Updating Notes Database with " + key + ", the DataBase is full (" +
                   std::to_string(max_entries_ - 1) + " notes)"};
  }
  if (number < 0) {
    if (folder_paths_.size() >= kMaxFolders) {
      return {1, "Error: Updating Notes Database with " + key +
                     ", the DataBase is full (10000 folders)"};
    }
    number = AddFolder(folder);
    if (number < 0) {
      return {1,
              "Error: Updating Notes Database with " + key + ", " + "(Disk Full/Write Protected)"};
    }
  }
  stored.folder_number = number;
  if (!AddRecord(&stored, key)) return {1, failed};
  return {0, {}};
}

NotesStatus NotesDatabase::WriteDerivedFields(const std::string& path, const NotesRecord& record) {
  const std::string key = NoteKey(path);
  if (open_ && key.size() <= kMaxPathChars && UsableKey(key) && FindFolder(FolderOfKey(key)) >= 0) {
    const Found where = FindKey(key);
    if (where.found) {
      // The derived fields sit together at the end of the record: one write of those bytes
      // leaves the flag and the user's fields exactly as they were.
      uint8_t bytes[kRecordSize];
      EncodeNotesRecord(record, bytes);
      const size_t rec = static_cast<size_t>(EntryAt(where.position));
      current_ = static_cast<long>(where.position);
      if (!PWriteAll(nam_fd_, bytes + kOffFingerPrintData, kOffReserved - kOffFingerPrintData,
                     static_cast<off_t>(rec * kRecordSize + kOffFingerPrintData))) {
        return {1, "Error: Updating Notes Database with " + key + ", should be IMMPOSSIBLE or " +
                       "(Disk Full/Write Protected)"};
      }
      return {0, {}};
    }
  }
  NotesRecord fresh;
  fresh.finger_print_data = record.finger_print_data;
  fresh.file_modified_date = record.file_modified_date;
  fresh.res_x = record.res_x;
  fresh.res_y = record.res_y;
  return WriteNote(path, fresh);
}

NotesStatus NotesDatabase::DeleteNote(const std::string& path) {
  const std::string key = NoteKey(path);
  if (FindFolder(FolderOfKey(key)) < 0) {
    return {1, "Error: Deleting record from Notes Database:  Path NOT Found for " + key};
  }
  const Found where = FindKey(key);
  if (!where.found) {
    return {1, "Error: Deleting record from Notes Database:  FileNameKey Not Found for " + key};
  }
  current_ = static_cast<long>(where.position);
  // Only the flag changes, so writing that one byte is the whole update.
  const size_t rec = static_cast<size_t>(EntryAt(where.position));
  const uint8_t flag = kDeleted;
  if (!PWriteAll(nam_fd_, &flag, 1, static_cast<off_t>(rec * kRecordSize + kOffLiveFlag))) {
    return {1, "Error: Deleting record from Notes Database:  write failed for " + key};
  }
  return {0, {}};
}

void NotesDatabase::MoveNote(const std::string& old_path, const std::string& new_path) {
  NotesRecord record;
  ReadNote(old_path, &record);
  const NotesRecord copy = record;
  DeleteNote(old_path);
  WriteNote(new_path, copy);
}

void NotesDatabase::CopyNote(const std::string& old_path, const std::string& new_path) {
  NotesRecord record;
  ReadNote(old_path, &record);
  WriteNote(new_path, record);
}

// ---------------------------------------------------------------------------------------------
// Walk.

unsigned NotesDatabase::WalkTo(long position, NotesRecord* record, std::string* folder) {
  if (!allocated_ || !open_) return 1;
  if (position < 0 || static_cast<size_t>(position) + 1 >= count_) return 2;
  current_ = position;
  const int32_t rec = EntryAt(static_cast<size_t>(position));
  NotesRecord stored;
  if (rec < 0 || !ReadRecordAt(static_cast<size_t>(rec), &stored)) return 3;
  const int32_t number = stored.folder_number == -1 ? 0 : stored.folder_number;
  if (number < 0 || static_cast<size_t>(number) >= folder_paths_.size()) return 3;
  if (folder != nullptr) *folder = folder_paths_[static_cast<size_t>(number)];
  if (record != nullptr) *record = std::move(stored);
  return 0;
}

unsigned NotesDatabase::FirstNote(NotesRecord* record, std::string* folder) {
  return WalkTo(0, record, folder);
}
unsigned NotesDatabase::NextNote(NotesRecord* record, std::string* folder) {
  return WalkTo(current_ + 1, record, folder);
}
unsigned NotesDatabase::PreviousNote(NotesRecord* record, std::string* folder) {
  return WalkTo(current_ - 1, record, folder);
}
unsigned NotesDatabase::LastNote(NotesRecord* record, std::string* folder) {
  return WalkTo(static_cast<long>(count_) - 2, record, folder);
}

// ---------------------------------------------------------------------------------------------
// Integrity.

std::vector<std::string> NotesDatabase::CheckIntegrity() const {
  std::vector<std::string> problems;
  if (!open_) {
    problems.push_back("database is not open");
    return problems;
  }
  size_t total = 0;
  int32_t previous = -1;
  std::vector<bool> seen(record_keys_.size(), false);
  for (const auto& block : blocks_) {
    if (block.empty()) problems.push_back("empty index block");
    for (int32_t rec : block) {
      if (rec < 0 || static_cast<size_t>(rec) >= record_keys_.size()) {
        problems.push_back("index entry " + std::to_string(total) + " out of range");
        return problems;
      }
      if (seen[static_cast<size_t>(rec)]) problems.push_back("record named twice");
      seen[static_cast<size_t>(rec)] = true;
      if (rec != 0 && KeyOf(rec).empty()) problems.push_back("index names an unusable record");
      if (previous >= 0 && CompareKeys(KeyOf(previous), KeyOf(rec)) >= 0) {
        problems.push_back("index not ascending at entry " + std::to_string(total));
      }
      previous = rec;
      ++total;
    }
  }
  if (total != count_) problems.push_back("count differs from index entries");
  if (previous != 0) problems.push_back("sentinel is not the last index entry");

  struct stat st {};
  if (::fstat(nam_fd_, &st) != 0 ||
      static_cast<size_t>(st.st_size) / kRecordSize != record_keys_.size()) {
    problems.push_back(".NAM size does not match its records");
  }
  if (::fstat(dir_fd_, &st) != 0 ||
      static_cast<size_t>(st.st_size) / kFolderRecordSize != folder_paths_.size()) {
    problems.push_back(".DIR size does not match its folders");
  }
  uint8_t bytes[kRecordSize];
  if (!PReadAll(nam_fd_, bytes, kRecordSize, 0) || !IsSentinelRecord(bytes)) {
    problems.push_back("record 0 is not the sentinel");
  }
  for (size_t f = 0; f < folder_paths_.size(); ++f) {
    uint8_t rec[kFolderRecordSize];
    std::string path;
    if (!PReadAll(dir_fd_, rec, kFolderRecordSize, static_cast<off_t>(f * kFolderRecordSize)) ||
        !ParseFolderRecord(rec, f, &path) || path != folder_paths_[f] ||
        FolderHash(path) != folder_hashes_[f]) {
      problems.push_back("folder record " + std::to_string(f) + " differs from memory");
    }
  }
  for (size_t i = 1; i < record_keys_.size(); ++i) {
    if (!seen[i]) continue;
    NotesRecord r;
    if (!ReadRecordAt(i, &r) || r.file_name_key != KeyOf(static_cast<int32_t>(i))) {
      problems.push_back("record " + std::to_string(i) + " key differs from memory");
      continue;
    }
    if (r.folder_number < 0 || static_cast<size_t>(r.folder_number) >= folder_paths_.size() ||
        folder_paths_[static_cast<size_t>(r.folder_number)] != FolderOfKey(r.file_name_key)) {
      problems.push_back("record " + std::to_string(i) + " has a wrong folder number");
    }
  }
  return problems;
}

std::vector<std::string> CheckNotesFiles(const std::string& base_path) {
  std::vector<std::string> problems;
  std::vector<uint8_t> dir;
  std::vector<uint8_t> nam;
  std::vector<uint8_t> idx;
  bool missing = false;
  if (!ReadWholeFile(base_path + ".DIR", &dir, &missing)) problems.push_back("no .DIR");
  if (!ReadWholeFile(base_path + ".NAM", &nam, &missing)) problems.push_back("no .NAM");
  if (!ReadWholeFile(base_path + ".IDX", &idx, &missing)) problems.push_back("no .IDX");
  if (!problems.empty()) return problems;
  if (dir.size() % kFolderRecordSize != 0) problems.push_back(".DIR has a partial record");
  if (nam.size() % kRecordSize != 0) problems.push_back(".NAM has a partial record");
  if (idx.size() % 4 != 0) problems.push_back(".IDX has a partial entry");
  const size_t records = nam.size() / kRecordSize;
  if (records == 0 || !IsSentinelRecord(nam.data())) problems.push_back("no sentinel record");
  std::vector<std::string> folders;
  for (size_t f = 0; f < dir.size() / kFolderRecordSize; ++f) {
    std::string path;
    if (!ParseFolderRecord(dir.data() + f * kFolderRecordSize, f, &path)) {
      problems.push_back("folder record " + std::to_string(f) + " is damaged");
    }
    folders.push_back(path);
  }
  std::vector<bool> named(records, false);
  std::string previous;
  const size_t entries = idx.size() / 4;
  for (size_t k = 0; k < entries; ++k) {
    const int32_t rec = GetLe32(idx.data() + 4 * k);
    if (rec < 0 || static_cast<size_t>(rec) >= records) {
      problems.push_back("index entry " + std::to_string(k) + " out of range");
      return problems;
    }
    named[static_cast<size_t>(rec)] = true;
    const uint8_t* r = nam.data() + static_cast<size_t>(rec) * kRecordSize;
    const std::string key(rec == 0 ? std::string_view(SentinelKey()) : KeyInRecord(r));
    if ((rec == 0) != (k + 1 == entries)) problems.push_back("sentinel is not last");
    if (k > 0 && CompareKeys(previous, key) >= 0) {
      problems.push_back("index not ascending at entry " + std::to_string(k));
    }
    previous = key;
    if (rec == 0) continue;
    const int32_t number = GetLe32(r + kOffFolderNumber);
    if (number < 0 || static_cast<size_t>(number) >= folders.size() ||
        folders[static_cast<size_t>(number)] != FolderOfKey(key)) {
      problems.push_back("record " + std::to_string(rec) + " has a wrong folder number");
    }
  }
  // A record left out of the index is only allowed when it repeats an indexed key.
  std::unordered_set<std::string_view> indexed_keys;
  for (size_t i = 1; i < records; ++i) {
    if (named[i]) indexed_keys.insert(KeyInRecord(nam.data() + i * kRecordSize));
  }
  for (size_t i = 1; i < records; ++i) {
    const std::string_view key = KeyInRecord(nam.data() + i * kRecordSize);
    if (!named[i] && UsableKey(key) && indexed_keys.count(key) == 0) {
      problems.push_back("record " + std::to_string(i) + " is not indexed");
    }
  }
  return problems;
}

NotesDatabase& MainNotesDatabase() {
  static NotesDatabase db;
  return db;
}

}  // namespace vr::notes
