// Re-linking moved files beside find(1) in one run: 10,000 notes whose files were moved (their
// names are among the corpus tree's 100,000 files, their folders gone) re-linked by a walk of the
// tree as a fixed drive, answering Yes to every question, against
// `find TREE -type f -printf '%s %T@ %p\n'` (which lists and stats the same files).
//
// Split of the re-link: walk = the same depth-first listing of the tree alone; lookup = a re-link
// whose 10,000 orphans match no file, less the walk; store = the full re-link less that (reading
// each orphan's note and storing it under its new path). Each figure is the median of the runs,
// after one warm-up run; CPU times (user + system) are given with the wall times because the
// machine is shared.
//
// Usage: bench_notes_relink TREE [runs]   (scratch databases go to $VR_BENCH_DIR)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "notes/notes_database.h"
#include "notes/notes_relink.h"
#include "platform/files.h"
#include "platform/path_rules.h"

namespace {

namespace fs = std::filesystem;
using vr::notes::NotesDatabase;

class TreeAsDrive : public vr::platform::PosixFiles {
 public:
  explicit TreeAsDrive(const std::string& root) {
    drive_.root = vr::platform::WithTrailingSeparator(root);
    drive_.type = vr::platform::DriveType::kFixed;
  }
  std::vector<vr::platform::Drive> Drives() override { return {drive_}; }

 private:
  vr::platform::Drive drive_;
};

struct Times {
  double wall_ms = 0;
  double cpu_ms = 0;
};

double CpuMs(int who) {
  rusage u{};
  getrusage(who, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// Median of `runs` timed calls of `job` (after one untimed); `prepare` runs untimed before each.
Times Measure(int runs, const std::function<void()>& prepare, const std::function<void()>& job,
              bool child = false) {
  std::vector<double> walls;
  std::vector<double> cpus;
  for (int i = 0; i <= runs; ++i) {
    prepare();
    const double c0 = CpuMs(child ? RUSAGE_CHILDREN : RUSAGE_SELF);
    const auto t0 = std::chrono::steady_clock::now();
    job();
    const auto t1 = std::chrono::steady_clock::now();
    const double c1 = CpuMs(child ? RUSAGE_CHILDREN : RUSAGE_SELF);
    if (i == 0) continue;  // warm-up
    walls.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    cpus.push_back(c1 - c0);
  }
  std::sort(walls.begin(), walls.end());
  std::sort(cpus.begin(), cpus.end());
  return {walls[walls.size() / 2], cpus[cpus.size() / 2]};
}

void Walk(vr::platform::Files& files, const std::string& folder, long* count) {
  std::vector<std::string> subs;
  files.ListFolder(folder, [&](const vr::platform::DirEntry& e) {
    if (e.IsDirectory() && !e.is_link) {
      subs.push_back(folder + e.name + "/");
    } else {
      ++*count;
    }
    return true;
  });
  for (const std::string& s : subs) Walk(files, s, count);
}

void Fresh(NotesDatabase& db, const std::string& base) {
  if (db.IsOpen()) db.CloseNotesDatabase();
  for (const char* ext : {".DIR", ".NAM", ".IDX"}) fs::remove(base + ext);
  if (db.OpenNotesDatabase(base) != 0) std::abort();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_notes_relink TREE [runs]\n");
    return 2;
  }
  const std::string tree = vr::platform::WithTrailingSeparator(argv[1]);
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  const char* env = std::getenv("VR_BENCH_DIR");
  const std::string dir = (env != nullptr ? std::string(env) : "/tmp/vr_notes_bench") + "/relink";
  fs::create_directories(dir);
  TreeAsDrive files(tree);

  // Every tenth file of the tree, by listing order, was "moved" away from a folder that is gone.
  std::vector<std::string> names;
  {
    std::vector<std::string> all;
    std::function<void(const std::string&)> collect = [&](const std::string& folder) {
      std::vector<std::string> subs;
      files.ListFolder(folder, [&](const vr::platform::DirEntry& e) {
        if (e.IsDirectory()) subs.push_back(folder + e.name + "/");
        else all.push_back(e.name);
        return true;
      });
      for (const std::string& s : subs) collect(s);
    };
    collect(tree);
    for (size_t i = 0; i < all.size(); i += 10) names.push_back(all[i]);
    std::printf("tree: %zu files, %zu moved notes\n", all.size(), names.size());
  }
  const std::string gone = dir + "/gone/";
  std::vector<std::string> moved;
  std::vector<std::string> missing;
  for (size_t i = 0; i < names.size(); ++i) {
    moved.push_back(gone + "f" + std::to_string(i % 500) + "/" + names[i]);
    missing.push_back(gone + "f" + std::to_string(i % 500) + "/NOWHERE_" + names[i]);
  }
  NotesDatabase main;
  Fresh(main, dir + "/MAIN");
  vr::notes::NotesRecord note;
  note.category = "moved";
  note.key_words = "bench relink";
  for (const std::vector<std::string>* keys : {&moved, &missing}) {
    for (const std::string& key : *keys) {
      if (main.WriteNote(key, note).status != 0) std::abort();
    }
  }

  NotesDatabase temp;
  long linked = 0;
  vr::notes::RelinkHooks hooks;
  hooks.files = &files;
  hooks.ask_link = [](const std::string&, const std::string&) { return true; };
  hooks.temp_folder = dir + "/";
  std::vector<std::string> orphans;
  const auto relink = [&](const std::vector<std::string>& list) {
    return [&] {
      Fresh(temp, dir + "/TEMP");
      orphans = list;
    };
  };
  const auto run = [&] { linked = vr::notes::RelinkOrphans(&orphans, main, temp, hooks); };

  long walked = 0;
  const Times walk = Measure(runs, [&] { walked = 0; }, [&] { Walk(files, tree, &walked); });
  const Times miss = Measure(runs, relink(missing), run);
  const long missed_links = linked;
  const Times full = Measure(runs, relink(moved), run);
  const std::string find = "find " + tree + " -type f -printf '%s %T@ %p\\n' > /dev/null";
  const Times peer = Measure(
      runs, [] {}, [&] {
        if (std::system(find.c_str()) != 0) std::abort();
      },
      true);
  if (linked != static_cast<long>(moved.size()) || missed_links != 0) {
    std::fprintf(stderr, "re-linked %ld of %zu (and %ld of the misses)\n", linked, moved.size(),
                 missed_links);
    return 1;
  }
  std::printf("files walked %ld, notes re-linked %ld\n", walked, linked);
  std::printf("%-26s %10s %10s\n", "job", "wall ms", "cpu ms");
  std::printf("%-26s %10.1f %10.1f\n", "find -printf", peer.wall_ms, peer.cpu_ms);
  std::printf("%-26s %10.1f %10.1f\n", "re-link 10,000 (all)", full.wall_ms, full.cpu_ms);
  std::printf("%-26s %10.1f %10.1f\n", "  walk", walk.wall_ms, walk.cpu_ms);
  std::printf("%-26s %10.1f %10.1f\n", "  lookup", miss.wall_ms - walk.wall_ms,
              miss.cpu_ms - walk.cpu_ms);
  std::printf("%-26s %10.1f %10.1f\n", "  store", full.wall_ms - miss.wall_ms,
              full.cpu_ms - miss.cpu_ms);
  std::printf("ratio to find: wall %.2f, cpu %.2f (limit 2.00)\n", full.wall_ms / peer.wall_ms,
              full.cpu_ms / peer.cpu_ms);
  temp.CloseNotesDatabase();
  main.CloseNotesDatabase();
  return 0;
}
