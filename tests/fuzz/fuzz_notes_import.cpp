// Fuzz target: the text import over hostile text. Each input is imported into a scratch database,
// which must stay sound; the database is started afresh now and then so it stays small.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "notes/notes_database.h"
#include "notes/notes_text.h"

namespace {

struct Scratch {
  Scratch() {
    char tmpl[] = "/tmp/vrfuzzimpXXXXXX";
    const char* made = ::mkdtemp(tmpl);
    if (made == nullptr) std::abort();
    dir = made;
    base = dir + "/DB";
    text = dir + "/in.txt";
  }
  ~Scratch() {
    db.CloseNotesDatabase();
    for (const char* ext : {".DIR", ".NAM", ".IDX", ".IDX.new"}) std::remove((base + ext).c_str());
    std::remove(text.c_str());
    ::rmdir(dir.c_str());
  }
  std::string dir;
  std::string base;
  std::string text;
  vr::notes::NotesDatabase db;
  int runs = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Scratch scratch;
  if (scratch.runs++ % 500 == 0) {
    if (scratch.db.CreateNotesDatabase(scratch.base) != 0) std::abort();
    if (scratch.db.OpenNotesDatabase(scratch.base) != 0) std::abort();
  }
  FILE* f = std::fopen(scratch.text.c_str(), "wb");
  if (f == nullptr) std::abort();
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  vr::notes::ImportNotesText(scratch.db, scratch.text);
  if (!scratch.db.CheckIntegrity().empty()) std::abort();
  return 0;
}
