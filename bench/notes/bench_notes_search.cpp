// Searching the Notes database by fields beside the same rows in SQLite: 199,999 notes whose
// texts are words, SQLite as a WITHOUT ROWID table keyed by the path, every query ORDER BY the
// key. "sun" (keywords starting with it) against keywords LIKE 'sun%', "~sun" against
// LIKE '%sun%', "@sun" (any user field) against the seven columns joined by OR, and a text found
// nowhere. Both run warm (the files are read once before timing). Found counts are checked equal.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "notes/notes_database.h"
#include "notes/notes_search.h"

namespace {

namespace fs = std::filesystem;
using vr::notes::NotesDatabase;
using vr::notes::NotesQuery;
using vr::notes::NotesRecord;

constexpr int kNotes = 199999;

std::string WorkDir() {
  const char* env = std::getenv("VR_BENCH_DIR");
  const std::string dir = (env != nullptr ? std::string(env) : "/tmp/vr_notes_bench") + "/search";
  fs::create_directories(dir);
  return dir;
}

const std::vector<std::string>& Words() {
  static const std::vector<std::string> words = [] {
    std::vector<std::string> w = {"sun",   "sunset", "sunny", "unsung", "beach", "moon",
                                  "river", "family", "cat",   "dog",    "snow",  "summer"};
    std::mt19937 rng(7);
    const std::string letters = "abcdefghiklmnoprtvw";
    for (int i = 0; i < 400; ++i) {
      std::string word;
      const int n = 3 + static_cast<int>(rng() % 6);
      for (int c = 0; c < n; ++c) word.push_back(letters[rng() % letters.size()]);
      w.push_back(word);
    }
    return w;
  }();
  return words;
}

std::string Phrase(std::mt19937& rng, size_t max_chars, int words) {
  std::string text;
  for (int i = 0; i < words; ++i) {
    const std::string& w = Words()[rng() % Words().size()];
    if (text.size() + w.size() + 1 > max_chars) break;
    if (!text.empty()) text.push_back(' ');
    text += w;
  }
  return text;
}

struct Row {
  std::string key;
  NotesRecord record;
};

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = [] {
    std::vector<Row> r(kNotes);
    std::mt19937 rng(42);
    char buf[128];
    for (int i = 0; i < kNotes; ++i) {
      std::snprintf(buf, sizeof buf, "/data/pictures/album_%04d/img_%06d.jpg", i % 2000, i);
      r[static_cast<size_t>(i)].key = buf;
      NotesRecord& n = r[static_cast<size_t>(i)].record;
      n.category = Phrase(rng, 15, 1);
      n.sub_category1 = Phrase(rng, 10, 1);
      n.sub_category2 = Phrase(rng, 10, 1);
      n.number1 = static_cast<int32_t>(rng() % 100000);
      n.number2 = static_cast<int32_t>(rng() % 1000);
      n.key_words = Phrase(rng, 128, 8);
      n.notes = Phrase(rng, 200, 20);
    }
    return r;
  }();
  return rows;
}

std::string NotesBase() { return WorkDir() + "/NOTES"; }
std::string SqlitePath() { return WorkDir() + "/notes.sqlite"; }

void Check(int rc, sqlite3* db) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
    std::abort();
  }
}

NotesDatabase& Notes() {
  static NotesDatabase* db = [] {
    for (const char* ext : {".DIR", ".NAM", ".IDX"}) fs::remove(NotesBase() + ext);
    auto* d = new NotesDatabase;
    if (d->OpenNotesDatabase(NotesBase()) != 0) std::abort();
    for (const Row& row : Rows()) {
      if (d->WriteNote(row.key, row.record).status != 0) std::abort();
    }
    // Closed and opened again, as the program finds it at start-up.
    d->CloseNotesDatabase();
    if (d->OpenNotesDatabase(NotesBase()) != 0) std::abort();
    return d;
  }();
  return *db;
}

sqlite3* Sqlite() {
  static sqlite3* db = [] {
    for (const char* ext : {"", "-wal", "-shm"}) fs::remove(SqlitePath() + ext);
    sqlite3* d = nullptr;
    Check(sqlite3_open(SqlitePath().c_str(), &d), d);
    Check(sqlite3_exec(d,
                       "CREATE TABLE notes(path TEXT PRIMARY KEY, category TEXT, type1 TEXT, "
                       "type2 TEXT, value1 INTEGER, value2 INTEGER, keywords TEXT, notes TEXT) "
                       "WITHOUT ROWID",
                       nullptr, nullptr, nullptr),
          d);
    Check(sqlite3_exec(d, "BEGIN", nullptr, nullptr, nullptr), d);
    sqlite3_stmt* insert = nullptr;
    Check(sqlite3_prepare_v2(d, "INSERT INTO notes VALUES(?,?,?,?,?,?,?,?)", -1, &insert, nullptr),
          d);
    for (const Row& row : Rows()) {
      const NotesRecord& n = row.record;
      sqlite3_bind_text(insert, 1, row.key.c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_text(insert, 2, n.category.c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_text(insert, 3, n.sub_category1.c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_text(insert, 4, n.sub_category2.c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_int(insert, 5, n.number1);
      sqlite3_bind_int(insert, 6, n.number2);
      sqlite3_bind_text(insert, 7, n.key_words.c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_text(insert, 8, n.notes.c_str(), -1, SQLITE_STATIC);
      Check(sqlite3_step(insert), d);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Check(sqlite3_exec(d, "COMMIT", nullptr, nullptr, nullptr), d);
    return d;
  }();
  return db;
}

// The four searches: the Notes query and the SQL that asks the same.
struct Case {
  const char* name;
  int field;
  const char* text;
  const char* sql;
};
const Case kCases[] = {
    {"prefix", vr::notes::kSearchKeyWords, "sun",
     "SELECT path FROM notes WHERE keywords LIKE 'sun%' ORDER BY path"},
    {"contains", vr::notes::kSearchKeyWords, "~sun",
     "SELECT path FROM notes WHERE keywords LIKE '%sun%' ORDER BY path"},
    {"anyfield", vr::notes::kSearchCategory, "@sun",
     "SELECT path FROM notes WHERE category LIKE '%sun%' OR type1 LIKE '%sun%' OR type2 LIKE "
     "'%sun%' OR CAST(value1 AS TEXT) LIKE '%sun%' OR CAST(value2 AS TEXT) LIKE '%sun%' OR "
     "keywords LIKE '%sun%' OR notes LIKE '%sun%' ORDER BY path"},
    {"miss", vr::notes::kSearchKeyWords, "~zzqx",
     "SELECT path FROM notes WHERE keywords LIKE '%zzqx%' ORDER BY path"},
};

size_t RunNotes(const Case& c) {
  NotesQuery q;
  q.texts[static_cast<size_t>(c.field)] = c.text;
  return vr::notes::SearchNotes(Notes(), q).size();
}

size_t RunSqlite(const Case& c) {
  sqlite3* db = Sqlite();
  sqlite3_stmt* stmt = nullptr;
  Check(sqlite3_prepare_v2(db, c.sql, -1, &stmt, nullptr), db);
  std::vector<std::string> found;
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    found.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
  }
  sqlite3_finalize(stmt);
  return found.size();
}

void BM_Search_Notes(benchmark::State& state) {
  const Case& c = kCases[state.range(0)];
  state.SetLabel(c.name);
  const size_t expected = RunSqlite(c);  // warms both and checks they agree
  if (RunNotes(c) != expected) state.SkipWithError("found counts differ from SQLite");
  size_t found = 0;
  for (auto _ : state) benchmark::DoNotOptimize(found = RunNotes(c));
  state.counters["found"] = static_cast<double>(found);
  state.SetItemsProcessed(state.iterations() * kNotes);
}

void BM_Search_Sqlite(benchmark::State& state) {
  const Case& c = kCases[state.range(0)];
  state.SetLabel(c.name);
  RunSqlite(c);
  size_t found = 0;
  for (auto _ : state) benchmark::DoNotOptimize(found = RunSqlite(c));
  state.counters["found"] = static_cast<double>(found);
  state.SetItemsProcessed(state.iterations() * kNotes);
}

}  // namespace

BENCHMARK(BM_Search_Notes)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Search_Sqlite)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
