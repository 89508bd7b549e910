// Compaction: a new database is built from the kept records beside the old one (base_TMP) and
// renamed over it only once it is whole, so a complete database is on disk at every moment.
#include <cstdio>
#include <filesystem>
#include <unordered_map>

#include "notes/notes_database.h"
#include "platform/path_rules.h"

namespace vr::notes {
namespace {

namespace fs = std::filesystem;

bool DefaultFileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

}  // namespace

bool KeepPreviousSet(const std::string& base_path) {
  bool ok = true;
  for (const char* ext : {".DIR", ".NAM", ".IDX"}) {
    const std::string from = base_path + ext;
    const std::string to = base_path + "_PREV" + ext;
    std::error_code ec;
    fs::remove(to, ec);
    if (!fs::exists(from, ec)) continue;
    fs::create_hard_link(from, to, ec);
    if (ec) {
      // A file system without hard links gets a copy.
      ec.clear();
      fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    }
    if (ec) ok = false;
  }
  return ok;
}

CompactionResult CompactNotesDatabase(const std::string& base_path,
                                      const CompactionCallbacks& callbacks) {
  const auto error = [&](const std::string& text) {
    if (callbacks.report_error) callbacks.report_error(text);
  };
  const auto line = [&](const std::string& text) {
    if (callbacks.report_line) callbacks.report_line(text);
  };
  const auto exists = callbacks.file_exists ? callbacks.file_exists : DefaultFileExists;
  const std::string name = platform::NameOf(base_path);
  const std::string temp_base = base_path + "_TMP";

  CompactionResult result;
  NotesDatabase main;
  NotesDatabase temp;
  main.SetDisplayName(name);
  temp.SetDisplayName(name);
  if (main.OpenNotesDatabase(base_path) != 0) {
    error("Could NOT OPEN " + name + " DataBase File!");
    result.status = 1;
    return result;
  }
  if (temp.CreateNotesDatabase(temp_base) != 0) {
    error("Could NOT CREATE TEMP DataBase File!");
    result.status = 1;
    return result;
  }
  if (temp.OpenNotesDatabase(temp_base) != 0) {
    error("Could NOT OPEN TEMP DataBase File!");
    result.status = 1;
    return result;
  }

  // Every .NAM record in file order, indexed or not.
  bool temp_incomplete = false;
  std::vector<std::string> orphans;
  std::unordered_map<std::string, NotesRecord> orphan_records;
  for (size_t i = 0; i < main.RecordCount(); ++i) {
    if (callbacks.report_number) callbacks.report_number(static_cast<long>(i + 1));
    NotesRecord record;
    if (!main.ReadRecordAt(i, &record)) {
      error("Problem READING record " + std::to_string(i + 1) + " of " + name);
      temp_incomplete = true;
      continue;
    }
    const std::string& key = record.file_name_key;
    const std::string file_name(FileNameOfKey(key));
    const bool kept =
        i != 0 && record.live_flag == kLive && !FolderOfKey(key).empty() && record.HasUserData();
    if (kept && exists(key)) {
      line("+Adding: " + file_name);
      if (temp.WriteNote(key, record).status != 0) {
        error("Problem ADDING " + key + " to TEMP DataBase");
        temp_incomplete = true;
      }
      continue;
    }
    if (kept && orphan_records.count(key) == 0) {
      orphans.push_back(key);
      orphan_records.emplace(key, record);
    }
    line("-Removing: " + file_name + " from DataBase");
  }

  if (callbacks.relink) result.relinked = callbacks.relink(&orphans, main, temp);

  // Orphans the re-link step left in the list are carried over unchanged.
  for (const std::string& orphan : orphans) {
    const auto it = orphan_records.find(orphan);
    if (it != orphan_records.end() && temp.WriteNote(orphan, it->second).status != 0) {
      error("Problem ADDING " + orphan + " to TEMP DataBase");
      temp_incomplete = true;
    }
    line("<Adding: " + orphan);
  }

  if (main.CloseNotesDatabase().status != 0) error("Could NOT CLOSE " + name + " DataBase File!");
  if (temp.CloseNotesDatabase().status != 0) {
    error("Could NOT CLOSE " + name + "_TMP DataBase File!");
    temp_incomplete = true;
  }
  if (temp_incomplete) {
    // Replacing the old files now would lose the records that did not reach the new set.
    error("Compaction NOT completed: " + name + " DataBase was left as it was.");
    result.status = 1;
    return result;
  }

  // The set being replaced stays once as base_PREV; each rename replaces one file whole and the
  // old set is never erased first.
  if (!KeepPreviousSet(base_path)) error("Could NOT keep the previous " + name + " DataBase files.");
  for (const char* ext : {".DIR", ".NAM", ".IDX"}) {
    if (std::rename((temp_base + ext).c_str(), (base_path + ext).c_str()) != 0) {
      error("Problem RENAMING " + name);
      result.status = 1;
    }
  }
  line("Compaction COMPLETED!");
  return result;
}

}  // namespace vr::notes
