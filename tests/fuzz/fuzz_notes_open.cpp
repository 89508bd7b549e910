// Fuzz target: opening a database from damaged files. The input is split into .DIR, .NAM and .IDX
// bytes (two little-endian 16-bit lengths first, for .DIR and .IDX; the rest is .NAM); the open
// must give a sound database that takes a new note, closes, and opens sound again.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "notes/notes_database.h"

namespace {

struct Scratch {
  Scratch() {
    char tmpl[] = "/tmp/vrfuzzopenXXXXXX";
    const char* made = ::mkdtemp(tmpl);
    if (made == nullptr) std::abort();
    dir = made;
    base = dir + "/DB";
  }
  ~Scratch() {
    for (const char* ext : {".DIR", ".NAM", ".IDX", ".IDX.new", ".DIR.new"}) {
      std::remove((base + ext).c_str());
    }
    ::rmdir(dir.c_str());
  }
  std::string dir;
  std::string base;
};

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) std::abort();
  if (size > 0) std::fwrite(data, 1, size, f);
  std::fclose(f);
}

void Check(vr::notes::NotesDatabase& db) {
  if (!db.CheckIntegrity().empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Scratch scratch;
  if (size < 4) return 0;
  size_t dir_size = static_cast<size_t>(data[0]) | (static_cast<size_t>(data[1]) << 8);
  size_t idx_size = static_cast<size_t>(data[2]) | (static_cast<size_t>(data[3]) << 8);
  data += 4;
  size -= 4;
  dir_size = dir_size < size ? dir_size : size;
  idx_size = idx_size < size - dir_size ? idx_size : size - dir_size;
  WriteFile(scratch.base + ".DIR", data, dir_size);
  WriteFile(scratch.base + ".IDX", data + dir_size, idx_size);
  WriteFile(scratch.base + ".NAM", data + dir_size + idx_size, size - dir_size - idx_size);

  vr::notes::NotesDatabase db;
  if (db.OpenNotesDatabase(scratch.base) != 0) std::abort();
  Check(db);
  vr::notes::NotesRecord record;
  std::string folder;
  long walked = 0;
  for (unsigned s = db.FirstNote(&record, &folder); s == 0; s = db.NextNote(&record, &folder)) {
    ++walked;
  }
  if (walked != db.NoteCount()) std::abort();
  record = vr::notes::NotesRecord{};
  record.notes = "fuzz";
  if (db.WriteNote("/fuzz/new.jpg", record).status != 0) std::abort();
  if (db.ReadNote("/fuzz/new.jpg", &record).status != 0 || record.notes != "fuzz") std::abort();
  Check(db);
  const long count = db.NoteCount();
  if (db.CloseNotesDatabase().status != 0) std::abort();
  if (!vr::notes::CheckNotesFiles(scratch.base).empty()) std::abort();
  if (db.OpenNotesDatabase(scratch.base) != 0 || db.NoteCount() != count) std::abort();
  // Whatever was mended the first time is on disk now: nothing left to rebuild or refile.
  const auto& report = db.LastOpenReport();
  if (report.rebuilt_index || report.rebuilt_folders || report.reindexed != 0 ||
      report.refiled != 0) {
    std::abort();
  }
  Check(db);
  db.CloseNotesDatabase();
  return 0;
}
