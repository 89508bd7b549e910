// Files list benchmarks over the corpus tree (100,000 empty .jpg files in 1,000 folders):
//   BM_FindTree        the peer: find TREE -type f -printf '%s %T@ %p\n' > /dev/null
//   BM_ListingOnly     our folder listing alone (readdir + stat), depth first, nothing kept
//   BM_LoadTree        a folder load with sub-folders into an empty files list (listing, name
//                      set, entries, final sort by name)
//   BM_SortByName      sorting 100,000 entries by name, alternating direction
//   BM_LoadPaths       adding 100,000 paths through LoadPaths (trusted: no look at the disk)
//   BM_Lookup          100,000 name-set lookups (FindInFilesList)
// The tree comes from VR_BENCH_TREE (default /tmp/vcorpus/tree).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "lists/files_list.h"
#include "platform/files.h"

namespace {

using vr::lists::FilesList;
using vr::lists::ListServices;
using vr::lists::SubfolderAnswer;

std::string Tree() {
  const char* env = std::getenv("VR_BENCH_TREE");
  return env != nullptr ? env : "/tmp/vcorpus/tree";
}

std::unique_ptr<FilesList> MakeList(vr::platform::Files& files) {
  ListServices services;
  services.files = &files;
  services.ask_subfolders = [] { return SubfolderAnswer::kYes; };
  return std::make_unique<FilesList>(std::move(services));
}

std::vector<std::string> ShuffledPaths(size_t n) {
  std::vector<std::string> paths;
  paths.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    paths.push_back("/pics/d" + std::to_string(i % 1000) + "/IMG_" + std::to_string(i) + ".jpg");
  }
  std::shuffle(paths.begin(), paths.end(), std::mt19937(42));
  return paths;
}

void BM_FindTree(benchmark::State& state) {
  const std::string command = "find '" + Tree() + "' -type f -printf '%s %T@ %p\\n' > /dev/null";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("find failed");
  }
  state.SetItemsProcessed(state.iterations() * 100000);
}

void BM_ListingOnly(benchmark::State& state) {
  vr::platform::PosixFiles files;
  int64_t count = 0;
  for (auto _ : state) {
    count = 0;
    std::function<void(const std::string&)> walk = [&](const std::string& folder) {
      files.ListFolder(folder, [&](const vr::platform::DirEntry& e) {
        if (e.IsDirectory()) {
          walk(folder + e.name + "/");
        } else {
          ++count;
        }
        return true;
      });
    };
    walk(Tree() + "/");
  }
  state.SetItemsProcessed(state.iterations() * count);
}

void BM_LoadTree(benchmark::State& state) {
  vr::platform::PosixFiles files;
  int count = 0;
  for (auto _ : state) {
    auto list = MakeList(files);
    list->LoadPaths({Tree()}, 1 << 30);
    count = list->Count();
    state.PauseTiming();
    list.reset();  // releasing the entries is not part of the load
    state.ResumeTiming();
  }
  state.counters["files"] = count;
  state.SetItemsProcessed(state.iterations() * count);
}

void BM_SortByName(benchmark::State& state) {
  vr::platform::PosixFiles files;
  auto list = MakeList(files);
  list->LoadPaths(ShuffledPaths(100000), 1 << 30, -1, /*trusted=*/true);
  int direction = 1;
  for (auto _ : state) {
    direction = -direction;
    list->SortBy(vr::lists::kSortName, direction);
  }
  state.SetItemsProcessed(state.iterations() * list->Count());
}

void BM_LoadPaths(benchmark::State& state) {
  vr::platform::PosixFiles files;
  const std::vector<std::string> paths = ShuffledPaths(100000);
  for (auto _ : state) {
    auto list = MakeList(files);
    list->LoadPaths(paths, 1 << 30, -1, /*trusted=*/true);
    benchmark::DoNotOptimize(list->Count());
    state.PauseTiming();
    list.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(paths.size()));
}

void BM_Lookup(benchmark::State& state) {
  vr::platform::PosixFiles files;
  const std::vector<std::string> paths = ShuffledPaths(100000);
  auto list = MakeList(files);
  list->LoadPaths(paths, 1 << 30, -1, /*trusted=*/true);
  for (auto _ : state) {
    int64_t found = 0;
    for (const std::string& p : paths) found += list->FindInFilesList(p) >= 0;
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(paths.size()));
}

// Wall time: find runs in a child process, so the parent's CPU time says nothing.
BENCHMARK(BM_FindTree)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_ListingOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_LoadTree)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_SortByName)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPaths)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lookup)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
