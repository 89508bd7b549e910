// Notes database beside SQLite: the same 199,999 upper-case paths (the most the index holds) (about
// 60 characters, in 2,000 folders) and 1 KB of payload each. SQLite runs with WAL, a key index and
// one transaction for the inserts. Figures are records per second; the open is compared with one
// plain read of the files.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "notes/notes_database.h"
#include "notes/notes_text.h"

namespace {

namespace fs = std::filesystem;
using vr::notes::NotesDatabase;
using vr::notes::NotesRecord;

// The index holds 200,000 entries, the sentinel among them.
constexpr int kNotes = 199999;
constexpr int kFolders = 2000;

std::string WorkDir() {
  const char* env = std::getenv("VR_BENCH_DIR");
  const std::string dir = env != nullptr ? env : "/tmp/vr_notes_bench";
  fs::create_directories(dir);
  return dir;
}

// Keys in a random order, so inserts land all over the index.
const std::vector<std::string>& Keys() {
  static const std::vector<std::string> keys = [] {
    std::vector<std::string> k;
    k.reserve(kNotes);
    char buf[128];
    for (int i = 0; i < kNotes; ++i) {
      const int folder = i % kFolders;
      std::snprintf(buf, sizeof buf, "/DATA/PICTURES/ARCHIVE_%02d/ALBUM_%04d/IMG_%06d_HOLIDAY.JPG",
                    folder % 37, folder, i);
      k.emplace_back(buf);
    }
    std::shuffle(k.begin(), k.end(), std::mt19937(42));
    return k;
  }();
  return keys;
}

NotesRecord Payload(int i) {
  NotesRecord r;
  r.category = "CATEGORY" + std::to_string(i % 100);
  r.sub_category1 = "TYPE1";
  r.sub_category2 = "TYPE2";
  r.number1 = i;
  r.number2 = -i;
  r.key_words = std::string(128, static_cast<char>('a' + i % 26));
  r.notes = std::string(200, static_cast<char>('A' + i % 26));
  for (size_t b = 0; b < r.finger_print_data.size(); ++b) {
    r.finger_print_data[b] = static_cast<uint8_t>(i + b);
  }
  r.file_modified_date = i * 3;
  r.res_x = 640;
  r.res_y = 480;
  return r;
}

// The SQLite row carries the same 1 KB record bytes as its payload.
std::vector<uint8_t> PayloadBytes(int i) {
  std::vector<uint8_t> bytes(vr::notes::kRecordSize);
  vr::notes::EncodeNotesRecord(Payload(i), bytes.data());
  return bytes;
}

std::string NotesBase() { return WorkDir() + "/NOTES"; }
std::string SqlitePath() { return WorkDir() + "/notes.sqlite"; }

void RemoveNotes() {
  for (const char* ext : {".DIR", ".NAM", ".IDX"}) fs::remove(NotesBase() + ext);
}
void RemoveSqlite() {
  for (const char* ext : {"", "-wal", "-shm"}) fs::remove(SqlitePath() + ext);
}

void Check(int rc, sqlite3* db) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
    std::abort();
  }
}

void FillNotes() {
  RemoveNotes();
  NotesDatabase db;
  if (db.OpenNotesDatabase(NotesBase()) != 0) std::abort();
  const auto& keys = Keys();
  for (int i = 0; i < kNotes; ++i) {
    if (db.WriteNote(keys[static_cast<size_t>(i)], Payload(i)).status != 0) std::abort();
  }
  if (db.CloseNotesDatabase().status != 0) std::abort();
}

void FillSqlite() {
  RemoveSqlite();
  sqlite3* db = nullptr;
  Check(sqlite3_open(SqlitePath().c_str(), &db), db);
  Check(sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;", nullptr, nullptr,
                     nullptr),
        db);
  Check(sqlite3_exec(db, "CREATE TABLE notes(key TEXT PRIMARY KEY, data BLOB)", nullptr, nullptr,
                     nullptr),
        db);
  Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
  sqlite3_stmt* insert = nullptr;
  Check(sqlite3_prepare_v2(db, "INSERT INTO notes VALUES(?, ?)", -1, &insert, nullptr), db);
  const auto& keys = Keys();
  for (int i = 0; i < kNotes; ++i) {
    const std::vector<uint8_t> bytes = PayloadBytes(i);
    const std::string& key = keys[static_cast<size_t>(i)];
    sqlite3_bind_text(insert, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    sqlite3_bind_blob(insert, 2, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    Check(sqlite3_step(insert), db);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
  sqlite3_close(db);
}

void BM_InsertAll_Notes(benchmark::State& state) {
  for (auto _ : state) FillNotes();
  state.SetItemsProcessed(state.iterations() * kNotes);
}
void BM_InsertAll_Sqlite(benchmark::State& state) {
  for (auto _ : state) FillSqlite();
  state.SetItemsProcessed(state.iterations() * kNotes);
}

void BM_RandomLookup_Notes(benchmark::State& state) {
  NotesDatabase db;
  if (db.OpenNotesDatabase(NotesBase()) != 0) std::abort();
  const auto& keys = Keys();
  std::mt19937 rng(7);
  NotesRecord r;
  for (auto _ : state) {
    if (db.ReadNote(keys[rng() % kNotes], &r).status != 0) std::abort();
    benchmark::DoNotOptimize(r.number1);
  }
  state.SetItemsProcessed(state.iterations());
}
void BM_RandomLookup_Sqlite(benchmark::State& state) {
  sqlite3* db = nullptr;
  Check(sqlite3_open(SqlitePath().c_str(), &db), db);
  sqlite3_stmt* select = nullptr;
  Check(sqlite3_prepare_v2(db, "SELECT data FROM notes WHERE key = ?", -1, &select, nullptr), db);
  const auto& keys = Keys();
  std::mt19937 rng(7);
  uint8_t out[vr::notes::kRecordSize];
  for (auto _ : state) {
    const std::string& key = keys[rng() % kNotes];
    sqlite3_bind_text(select, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    if (sqlite3_step(select) != SQLITE_ROW) std::abort();
    std::memcpy(out, sqlite3_column_blob(select, 0), sizeof out);
    benchmark::DoNotOptimize(out[404]);
    sqlite3_reset(select);
  }
  sqlite3_finalize(select);
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations());
}

// Rewriting existing keys in place.
void BM_RandomUpdate_Notes(benchmark::State& state) {
  NotesDatabase db;
  if (db.OpenNotesDatabase(NotesBase()) != 0) std::abort();
  const auto& keys = Keys();
  std::mt19937 rng(9);
  const NotesRecord r = Payload(1);
  for (auto _ : state) {
    if (db.WriteNote(keys[rng() % kNotes], r).status != 0) std::abort();
  }
  state.SetItemsProcessed(state.iterations());
}
void BM_RandomUpdate_Sqlite(benchmark::State& state) {
  sqlite3* db = nullptr;
  Check(sqlite3_open(SqlitePath().c_str(), &db), db);
  Check(sqlite3_exec(db, "PRAGMA synchronous=NORMAL;", nullptr, nullptr, nullptr), db);
  sqlite3_stmt* update = nullptr;
  Check(sqlite3_prepare_v2(db, "UPDATE notes SET data = ? WHERE key = ?", -1, &update, nullptr),
        db);
  const auto& keys = Keys();
  std::mt19937 rng(9);
  const std::vector<uint8_t> bytes = PayloadBytes(1);
  // Each update is its own transaction, as each WriteNote is durable on its own.
  for (auto _ : state) {
    const std::string& key = keys[rng() % kNotes];
    sqlite3_bind_blob(update, 1, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
    sqlite3_bind_text(update, 2, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    Check(sqlite3_step(update), db);
    sqlite3_reset(update);
  }
  sqlite3_finalize(update);
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations());
}

void BM_OrderedWalk_Notes(benchmark::State& state) {
  NotesDatabase db;
  if (db.OpenNotesDatabase(NotesBase()) != 0) std::abort();
  NotesRecord r;
  std::string folder;
  for (auto _ : state) {
    long n = 0;
    for (unsigned s = db.FirstNote(&r, &folder); s == 0; s = db.NextNote(&r, &folder)) ++n;
    if (n != kNotes) std::abort();
  }
  state.SetItemsProcessed(state.iterations() * kNotes);
}
void BM_OrderedWalk_Sqlite(benchmark::State& state) {
  sqlite3* db = nullptr;
  Check(sqlite3_open(SqlitePath().c_str(), &db), db);
  sqlite3_stmt* scan = nullptr;
  Check(sqlite3_prepare_v2(db, "SELECT key, data FROM notes ORDER BY key", -1, &scan, nullptr), db);
  uint8_t out[vr::notes::kRecordSize];
  for (auto _ : state) {
    long n = 0;
    while (sqlite3_step(scan) == SQLITE_ROW) {
      std::memcpy(out, sqlite3_column_blob(scan, 1), sizeof out);
      benchmark::DoNotOptimize(sqlite3_column_text(scan, 0));
      ++n;
    }
    sqlite3_reset(scan);
    if (n != kNotes) std::abort();
  }
  sqlite3_finalize(scan);
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations() * kNotes);
}

void BM_Open_Notes(benchmark::State& state) {
  for (auto _ : state) {
    NotesDatabase db;
    if (db.OpenNotesDatabase(NotesBase()) != 0 || db.NoteCount() != kNotes) std::abort();
    db.CloseNotesDatabase();
  }
}
// The floor for an open: the three files read once from the page cache.
void BM_Open_PlainReadOfFiles(benchmark::State& state) {
  std::vector<char> buf(1 << 20);
  for (auto _ : state) {
    size_t total = 0;
    for (const char* ext : {".DIR", ".NAM", ".IDX"}) {
      const int fd = ::open((NotesBase() + ext).c_str(), O_RDONLY);
      for (ssize_t n; (n = ::read(fd, buf.data(), buf.size())) > 0;)
        total += static_cast<size_t>(n);
      ::close(fd);
    }
    benchmark::DoNotOptimize(total);
  }
}

void BM_Export_Notes(benchmark::State& state) {
  NotesDatabase db;
  if (db.OpenNotesDatabase(NotesBase()) != 0) std::abort();
  for (auto _ : state) {
    const auto r = vr::notes::ExportNotesText(db, WorkDir() + "/export.txt");
    if (r.status != 0 || r.records != kNotes) std::abort();
  }
  state.SetItemsProcessed(state.iterations() * kNotes);
}
void BM_Import_Notes(benchmark::State& state) {
  const std::string base = WorkDir() + "/IMPORTED";
  for (auto _ : state) {
    state.PauseTiming();
    NotesDatabase db;
    if (db.CreateNotesDatabase(base) != 0 || db.OpenNotesDatabase(base) != 0) std::abort();
    state.ResumeTiming();
    const auto r = vr::notes::ImportNotesText(db, WorkDir() + "/export.txt");
    if (r.status != 0 || r.records != kNotes) std::abort();
    db.CloseNotesDatabase();
  }
  state.SetItemsProcessed(state.iterations() * kNotes);
}

BENCHMARK(BM_InsertAll_Notes)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertAll_Sqlite)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RandomLookup_Notes);
BENCHMARK(BM_RandomLookup_Sqlite);
BENCHMARK(BM_RandomUpdate_Notes);
BENCHMARK(BM_RandomUpdate_Sqlite);
BENCHMARK(BM_OrderedWalk_Notes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OrderedWalk_Sqlite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Open_Notes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Open_PlainReadOfFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Export_Notes)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Import_Notes)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
