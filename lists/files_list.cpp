#include "lists/files_list.h"

#include <algorithm>
#include <clocale>
#include <cstring>
#include <filesystem>

#include "lists/entry_scan.h"
#include "platform/files.h"
#include "platform/path_rules.h"
#include "platform/please_wait.h"
#include "platform/ui.h"

namespace vr::lists {
namespace {

constexpr size_t kMaxDroppedPath = 360;
constexpr const char* kListMessedUp =
    "Veldrimon, Files List got messed up, EXIT and RE-Run Veldrimon!";

// Absolute, with "." and ".." folded, so one file always gets one key.
// True for an absolute path without empty, "." or ".." parts and without a trailing separator:
// the usual case, which needs no rewriting.
bool IsNormalAbsolute(const std::string& path) {
  if (path.size() < 2 || path[0] != platform::kSeparator || path.back() == platform::kSeparator) {
    return false;
  }
  size_t start = 1;
  while (start <= path.size()) {
    size_t end = path.find(platform::kSeparator, start);
    if (end == std::string::npos) end = path.size();
    const size_t length = end - start;
    if (length == 0) return false;
    if (path[start] == '.' && (length == 1 || (length == 2 && path[start + 1] == '.'))) return false;
    start = end + 1;
  }
  return true;
}

std::string NormalPath(const std::string& path) {
  if (path.empty() || IsNormalAbsolute(path)) return path;
  std::error_code ec;
  std::filesystem::path p(path);
  if (!p.is_absolute()) p = std::filesystem::absolute(p, ec);
  std::string out = p.lexically_normal().string();
  while (out.size() > 1 && out.back() == platform::kSeparator) out.pop_back();
  return out;
}

void SplitPath(const std::string& path, std::string* folder, std::string* name) {
  *folder = platform::FolderOf(path);
  *name = platform::NameOf(path);
}

int CompareInts(int64_t a, int64_t b) { return a < b ? -1 : (a > b ? 1 : 0); }

bool CollationIsBytewise() {
  const char* name = std::setlocale(LC_COLLATE, nullptr);
  return name == nullptr || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0;
}

// A string whose byte order is the locale's collation order of `text` (strcoll order).
std::string CollationKey(const std::string& text) {
  const size_t size = std::strxfrm(nullptr, text.c_str(), 0);
  std::string key(size, '\0');
  std::strxfrm(key.data(), text.c_str(), size + 1);
  return key;
}

}  // namespace

std::string TitleCasePath(const std::string& key) {
  std::string out = key;
  bool after_letter = false;
  for (char& c : out) {
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (letter) {
      if (after_letter) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      } else if (c >= 'a' && c <= 'z') {
        c = static_cast<char>(c - 'a' + 'A');
      }
    }
    after_letter = letter;
  }
  return out;
}

FilesList::FilesList(ListServices services)
    : services_(std::move(services)), id_used_(kMaxEntries, 0) {}

FilesList::~FilesList() = default;

void FilesList::SetCurrent(int position) {
  if (entries_.empty()) {
    current_ = 0;
    return;
  }
  current_ = std::clamp(position, 0, Count() - 1);
}

std::string FilesList::FilePathAt(int position) const {
  if (position < 0 || position >= Count()) return kNoFile;
  return entries_[static_cast<size_t>(position)]->Path();
}

const FileEntry* FilesList::Peek(int position) const {
  if (position < 0 || position >= Count()) return nullptr;
  return entries_[static_cast<size_t>(position)].get();
}

FileEntry* FilesList::MutablePeek(int position) {
  if (position < 0 || position >= Count()) return nullptr;
  return entries_[static_cast<size_t>(position)].get();
}

FileEntry* FilesList::EntryAt(int position) {
  if (position < 0 || position >= Count()) {
    if (services_.ui != nullptr) services_.ui->Warning(kListMessedUp);
    return nullptr;
  }
  FileEntry& entry = *entries_[static_cast<size_t>(position)];
  if (!entry.scanned) ScanEntry(entry);
  return &entry;
}

void FilesList::ScanEntry(FileEntry& entry) {
  const std::string path = entry.Path();
  const ScannedFacts facts =
      services_.scan ? services_.scan(path) : ScanFile(*services_.files, path);
  entry.size = facts.size;
  entry.stamp = facts.stamp;
  entry.type = facts.type;
  entry.width = facts.width;
  entry.height = facts.height;
  entry.colours = facts.colours;
  entry.movie = facts.movie;
  entry.db_field = services_.notes != nullptr ? services_.notes->DbField(path) : std::string();
  if (entry.db_field.size() > 200) entry.db_field.resize(200);
  entry.scanned = true;
}

int FilesList::FindInFilesList(const std::string& path) const {
  auto it = names_.find(platform::PathKey(NormalPath(path)));
  if (it == names_.end()) return -1;
  return PositionOfId(it->second);
}

bool FilesList::Contains(const std::string& path) const {
  return names_.count(platform::PathKey(NormalPath(path))) != 0;
}

int32_t FilesList::AllocateId() {
  for (int32_t i = next_free_hint_; i < kMaxEntries; ++i) {
    if (id_used_[static_cast<size_t>(i)] == 0) {
      id_used_[static_cast<size_t>(i)] = 255;
      next_free_hint_ = i + 1;
      return i;
    }
  }
  return -1;
}

void FilesList::FreeId(int32_t id) {
  if (id < 0 || id >= kMaxEntries) return;
  id_used_[static_cast<size_t>(id)] = 0;
  next_free_hint_ = std::min(next_free_hint_, id);
}

void FilesList::ShowProgress(const std::string& text) {
  if (services_.please_wait != nullptr) services_.please_wait->SetText(text);
}

void FilesList::Pump() {
  if (services_.pump != nullptr) services_.pump->PumpMessages();
}

bool FilesList::StopRequested() const {
  return services_.please_wait != nullptr && services_.please_wait->StopRequested();
}

int FilesList::AddFileToList(int threshold, const std::string& raw_path, int64_t listed_size,
                             bool trusted, int32_t /*listed_stamp*/) {
  const std::string path = NormalPath(raw_path);
  if (path.empty()) return -1;
  bool is_file = trusted || listed_size >= 0;
  if (!is_file) {
    const auto facts = services_.files->Stat(path);
    is_file = facts.has_value() && !facts->IsDirectory();
  }
  if (!is_file) {
    // No such file: the name is taken as a folder or a drive.
    const std::string first = LoadFolderAsking(path);
    if (first.empty()) return -1;
    auto it = names_.find(platform::PathKey(first));
    return it == names_.end() ? -1 : it->second;
  }
  return AddNormalPath(threshold, path, platform::PathKey(path));
}

int FilesList::AddNormalPath(int threshold, const std::string& path, std::string key) {
  if (!allowable_.IsAllowablePath(path)) return -1;
  ++progress_;
  if (progress_ >= threshold && progress_ % 100 == 0) {
    ShowProgress("(" + std::to_string(Count()) + ")Loading:" + path);
    Pump();
  }
  // One hash lookup both tests and claims the key; a path listed already keeps its entry.
  auto [slot, inserted] = names_.try_emplace(std::move(key), -1);
  if (!inserted) return slot->second;
  if (notes_only_ && (services_.notes == nullptr || !services_.notes->HasNote(path))) {
    names_.erase(slot);
    return -1;
  }
  const int32_t id = AllocateId();
  if (id < 0) {
    names_.erase(slot);
    return -1;  // every id is in use: refuse rather than share one
  }
  slot->second = id;
  auto entry = std::make_unique<FileEntry>();
  entry->id = id;
  SplitPath(path, &entry->folder, &entry->name);
  entries_.push_back(std::move(entry));
  positions_valid_ = false;
  return id;
}

bool FilesList::ScanFolder(const std::string& folder, std::string* first) {
  const std::string base = platform::WithTrailingSeparator(folder);
  ShowProgress("(" + std::to_string(Count()) + ")Loading:" + base);
  bool go_on = true;
  std::string path;
  const bool exact_keys = platform::PathCaseRule() == platform::CaseRule::kExact;
  services_.files->ListNames(base, [&](const platform::DirEntry& item) {
    if (++listed_items_ % 2000 == 0) Pump();
    if (StopRequested()) {
      go_on = false;
      return false;
    }
    if ((item.attributes & platform::kAttrVolumeLabel) != 0) return true;
    path.assign(base).append(item.name);
    if (item.IsDirectory()) {
      // Linked folders are not followed, so a link to a parent cannot loop.
      if (!item.is_link && (subfolder_mode_ == 1 || subfolder_mode_ == 2)) {
        const std::string sub = path;
        if (!ScanFolder(sub, first)) go_on = false;
      }
      return go_on;
    }
    // The listing says it is a file, so no further look at it is needed: size, stamp and
    // picture facts come with the entry's scan. Under the exact case rule the path is its own
    // key.
    const bool listed =
        AddNormalPath(100, path, exact_keys ? path : platform::PathKey(path)) >= 0;
    if (listed && first->empty()) *first = path;
    return true;
  });
  return go_on;
}

std::string FilesList::LoadFolder(const std::string& folder) {
  std::string first;
  const std::string normal = NormalPath(folder);
  ScanFolder(normal, &first);
  if (services_.remember_folder) services_.remember_folder(platform::WithTrailingSeparator(normal));
  return first;
}

std::string FilesList::LoadFolderAsking(const std::string& folder) {
  if (always_subfolders_ || answered_always_) {
    subfolder_mode_ = 2;
  } else {
    const SubfolderAnswer answer =
        services_.ask_subfolders ? services_.ask_subfolders() : SubfolderAnswer::kNo;
    switch (answer) {
      case SubfolderAnswer::kYes:
        subfolder_mode_ = 1;
        break;
      case SubfolderAnswer::kNo:
        subfolder_mode_ = 0;
        break;
      case SubfolderAnswer::kAlways:
        subfolder_mode_ = 2;
        answered_always_ = true;
        break;
    }
  }
  return LoadFolder(folder);
}

void FilesList::BeginBulkUpdate(long expected_paths) {
  if (bulk_depth_++ > 0) return;
  if (services_.please_wait != nullptr) {
    services_.please_wait->ClearStop();
    if (expected_paths < 0 || expected_paths > 1500) services_.please_wait->Show();
  }
}

void FilesList::EndBulkUpdate() {
  if (bulk_depth_ == 0 || --bulk_depth_ > 0) return;
  // Every load ends sorted by name; the window shows no sort order until the user picks one.
  SortBy(kSortName, 1);
  sort_kind_ = kSortNone;
  sort_direction_ = 1;
  if (services_.please_wait != nullptr) services_.please_wait->Hide();
  if (observer_) observer_();
}

std::string FilesList::LoadPaths(const std::vector<std::string>& paths, int threshold, int go_to,
                                 bool trusted) {
  const bool many = static_cast<long>(paths.size()) > threshold;
  BeginBulkUpdate(static_cast<long>(paths.size()));
  names_.reserve(names_.size() + paths.size());
  if (many) ShowProgress("Loading files...");
  progress_ = 0;
  std::string last;
  long n = 0;
  for (const std::string& path : paths) {
    if (StopRequested()) break;
    AddFileToList(threshold, path, -1, trusted, -1);
    last = path;
    if (++n % 500 == 0) Pump();
  }
  EndBulkUpdate();
  if (go_to >= 0) {
    SetCurrent(go_to);
  } else if (!last.empty()) {
    const int at = FindInFilesList(last);
    if (at >= 0) SetCurrent(at);
  }
  return last;
}

std::string FilesList::LoadDroppedFiles(const std::vector<std::string>& paths) {
  BeginBulkUpdate(-1);
  ShowProgress("Dropping Files...");
  progress_ = 0;
  std::string to_show;
  for (const std::string& raw : paths) {
    if (raw.size() > kMaxDroppedPath || StopRequested()) continue;
    const std::string path = NormalPath(raw);
    if (Contains(path)) {
      if (to_show.empty()) to_show = path;
      continue;
    }
    const auto facts = services_.files->Stat(path);
    if (facts && !facts->IsDirectory()) {
      if (AddFileToList(100, path, -1, true, -1) >= 0 && to_show.empty()) to_show = path;
    } else {
      const std::string first = LoadFolderAsking(path);
      if (to_show.empty()) to_show = first;
    }
  }
  EndBulkUpdate();
  return to_show;
}

void FilesList::LoadDrives(const std::vector<std::string>& roots, bool notes_only) {
  BeginBulkUpdate(-1);
  notes_only_ = notes_only;
  progress_ = 0;
  for (const std::string& root : roots) {
    if (StopRequested()) break;
    if (notes_only_) {
      LoadDriveFromNotes(root);
    } else {
      AddFileToList(100, root, -1, false, -1);
    }
  }
  EndBulkUpdate();
  notes_only_ = false;
  SetCurrent(0);
}

void FilesList::LoadDriveFromNotes(const std::string& root) {
  if (services_.notes == nullptr) return;
  ShowProgress("Loading files from Drive " + root + " that are in the DataBase...");
  const std::string prefix = platform::PathKey(platform::WithTrailingSeparator(root));
  const bool saved = notes_only_;
  notes_only_ = true;
  services_.notes->WalkKeys([&](const std::string& key, bool live) {
    if (StopRequested()) return false;
    if (key.compare(0, prefix.size(), prefix) != 0) {
      // Keys come in byte order: once past the prefix nothing more can match.
      return key < prefix;
    }
    const std::string path = platform::ShownPath(key);
    ShowProgress("(" + std::to_string(Count()) + ")Loading:" + path);
    // Only files that still exist: a noted file that is gone must not be taken for a folder
    // (that would ask the sub-folder question and scan a folder that is not there).
    if (live) {
      const auto facts = services_.files->Stat(path);
      if (facts && !facts->IsDirectory()) {
        AddNormalPath(100, path, platform::PathKey(path));
      }
    }
    return true;
  });
  notes_only_ = saved;
}

void FilesList::ClearFilesList() {
  if (Count() > 3000) ShowProgress("LARGE file list: Clearing now...");
  entries_.clear();
  names_.clear();
  std::fill(id_used_.begin(), id_used_.end(), 0);
  next_free_hint_ = 0;
  positions_valid_ = false;
  current_ = 0;
  tagged_count_ = 0;
  sort_kind_ = kSortNone;
  sort_direction_ = 1;
  if (observer_) observer_();
}

void FilesList::RemoveFromFilesList(const std::string& path) {
  const int position = FindInFilesList(path);
  if (position < 0) return;
  FileEntry& entry = *entries_[static_cast<size_t>(position)];
  if (entry.tagged) --tagged_count_;
  FreeId(entry.id);
  names_.erase(platform::PathKey(entry.Path()));
  entries_.erase(entries_.begin() + position);
  positions_valid_ = false;
  if (current_ >= Count()) current_ = std::max(0, Count() - 1);
}

bool FilesList::RepathEntry(int position, const std::string& new_path) {
  if (position < 0 || position >= Count()) return false;
  // A folder is no name for a file.
  if (new_path.empty() || new_path.back() == platform::kSeparator) return false;
  const std::string path = NormalPath(new_path);
  std::string folder;
  std::string name;
  SplitPath(path, &folder, &name);
  if (name.empty()) return false;
  const int32_t id = entries_[static_cast<size_t>(position)]->id;
  std::string key = platform::PathKey(path);
  auto clash = names_.find(key);
  if (clash != names_.end() && clash->second != id) {
    RemoveFromFilesList(path);  // positions after it shift; the entry is found again by id
    position = PositionOfId(id);
  }
  FileEntry& entry = *entries_[static_cast<size_t>(position)];
  names_.erase(platform::PathKey(entry.Path()));
  names_[std::move(key)] = id;
  entry.folder = std::move(folder);
  entry.name = std::move(name);
  if (current_ >= Count()) current_ = std::max(0, Count() - 1);
  return true;
}

bool FilesList::ScanAllEntries(bool tagged_only) {
  std::unique_ptr<platform::PleaseWaitScope> scope;
  if (services_.please_wait != nullptr) {
    scope = std::make_unique<platform::PleaseWaitScope>(*services_.please_wait, "Scanning...",
                                                        "Cancel Sort");
  }
  const int count = Count();
  for (int i = 0; i < count; ++i) {
    FileEntry& entry = *entries_[static_cast<size_t>(i)];
    if (tagged_only && !entry.tagged) continue;
    if (!entry.scanned) ScanEntry(entry);
    if ((i + 1) % 20 == 0) {
      ShowProgress("Scanning:File " + std::to_string(i + 1) + " Of " + std::to_string(count));
      Pump();
      if (StopRequested()) return false;
    }
  }
  return true;
}

bool FilesList::AllScanned() const {
  return std::all_of(entries_.begin(), entries_.end(), [](const auto& e) { return e->scanned; });
}

void FilesList::SetTag(int position, bool tagged) {
  FileEntry* entry = MutablePeek(position);
  if (entry == nullptr || entry->tagged == tagged) return;
  entry->tagged = tagged;
  tagged_count_ += tagged ? 1 : -1;
}

void FilesList::ToggleTag(int position) {
  const FileEntry* entry = Peek(position);
  if (entry != nullptr) SetTag(position, !entry->tagged);
}

int64_t FilesList::TaggedSize() const {
  int64_t total = 0;
  for (const auto& entry : entries_) {
    if (!entry->tagged) continue;
    if (entry->size < 0) return -1;
    total += entry->size;
  }
  return total;
}

void FilesList::SortFilesList(int kind) {
  int direction = 1;
  if (kind < 0) {
    if (sort_kind_ < 0) return;
    kind = sort_kind_;
    direction = -sort_direction_;
  } else if (kind == sort_kind_) {
    direction = -sort_direction_;
  }
  SortBy(kind, direction);
}

void FilesList::SortBy(int kind, int direction) {
  if (kind == kSortName || kind == kSortFolder) {
    SortByText(kind == kSortName, direction);
  } else {
    auto compare = [kind, direction](const FileEntry& a, const FileEntry& b) -> int {
      switch (kind) {
        case kSortSize:
          return direction * CompareInts(a.size, b.size);
        case kSortModified:
          return direction *
                 CompareInts(static_cast<uint32_t>(a.stamp), static_cast<uint32_t>(b.stamp));
        case kSortColours:
          return direction * CompareInts(a.colours, b.colours);
        case kSortType:
          return direction * CompareInts(a.type, b.type);
        case kSortDbField:
          return direction * a.db_field.compare(b.db_field);
        case kSortMovie:
          return direction * (int{b.movie} - int{a.movie});
        case kSortTag:
          return direction * (int{b.tagged} - int{a.tagged});
        case kSortDimension:
          // Ascending: width, then height. Descending: height first, then width, tallest first.
          if (direction > 0) {
            if (int c = CompareInts(a.width, b.width)) return c;
            return CompareInts(a.height, b.height);
          }
          if (int c = CompareInts(b.height, a.height)) return c;
          return CompareInts(b.width, a.width);
        default:
          return 0;
      }
    };
    std::stable_sort(entries_.begin(), entries_.end(),
                     [&](const auto& a, const auto& b) { return compare(*a, *b) < 0; });
  }
  sort_kind_ = kind;
  sort_direction_ = direction;
  positions_valid_ = false;
}

void FilesList::SortByText(bool by_name, int direction) {
  auto text = [by_name](const FileEntry& e) -> const std::string& {
    return by_name ? e.name : e.folder;
  };
  if (CollationIsBytewise()) {
    // The "C" locale compares bytes: no transformed keys needed.
    std::stable_sort(entries_.begin(), entries_.end(), [&](const auto& a, const auto& b) {
      const int c = text(*a).compare(text(*b));
      return (direction > 0 ? c : -c) < 0;
    });
    return;
  }
  // Locale order: transform every string once (strxfrm) so the sort compares plain bytes
  // instead of calling strcoll n log n times.
  const size_t n = entries_.size();
  std::vector<std::string> keys(n);
  for (size_t i = 0; i < n; ++i) keys[i] = CollationKey(text(*entries_[i]));
  std::vector<uint32_t> order(n);
  for (size_t i = 0; i < n; ++i) order[i] = static_cast<uint32_t>(i);
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    const int c = keys[a].compare(keys[b]);
    return (direction > 0 ? c : -c) < 0;
  });
  std::vector<std::unique_ptr<FileEntry>> sorted;
  sorted.reserve(n);
  for (uint32_t i : order) sorted.push_back(std::move(entries_[i]));
  entries_.swap(sorted);
}

void FilesList::RebuildPositions() const {
  position_of_id_.assign(kMaxEntries, -1);
  for (size_t i = 0; i < entries_.size(); ++i) {
    position_of_id_[static_cast<size_t>(entries_[i]->id)] = static_cast<int32_t>(i);
  }
  positions_valid_ = true;
}

int FilesList::PositionOfId(int32_t id) const {
  if (id < 0 || id >= kMaxEntries) return -1;
  if (!positions_valid_) RebuildPositions();
  return position_of_id_[static_cast<size_t>(id)];
}

}  // namespace vr::lists
