// Loading an album of 100,000 entries (the corpus tree's files, every one present and unchanged)
// beside the files list and the peer tool:
//   BM_LoadAlbum    LoadAlbum: read "Album.Txt", look at every file, sort by file name
//   BM_LoadPaths    FilesList::LoadPaths of the same paths (each file looked at)
//   BM_XargsStat    xargs -d '\n' stat -c '%s %Y %n' < paths > /dev/null
// The tree comes from VR_BENCH_TREE (default /tmp/vcorpus/tree); the album and the path list are
// written once to a temporary folder.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "albums/album_file.h"
#include "albums/album_ops.h"
#include "lists/allowable_types.h"
#include "lists/files_list.h"
#include "platform/files.h"

namespace {

namespace fs = std::filesystem;

struct Corpus {
  std::string album;       // the album's folder
  std::string paths_file;  // one path a line, for xargs
  std::vector<std::string> paths;
};

const Corpus& TheCorpus() {
  static const Corpus corpus = [] {
    Corpus c;
    const char* env = std::getenv("VR_BENCH_TREE");
    const std::string tree = env != nullptr ? env : "/tmp/vcorpus/tree";
    vr::platform::PosixFiles files;
    std::vector<vr::albums::AlbumEntry> entries;
    for (const auto& item : fs::recursive_directory_iterator(tree)) {
      if (!item.is_regular_file()) continue;
      vr::albums::AlbumEntry e;
      e.path = item.path().string();
      const auto st = files.Stat(e.path);
      e.size = st->size;
      e.stamp = st->dos_stamp;
      c.paths.push_back(e.path);
      entries.push_back(std::move(e));
      if (entries.size() == 100000) break;
    }
    const std::string base = fs::temp_directory_path().string() + "/vr_bench_albums";
    c.album = base + "/Albums_Veldrimon/Big/";
    fs::create_directories(c.album);
    vr::albums::SortAndDropDuplicatePaths(&entries);
    vr::albums::WriteAlbumFile(c.album + vr::albums::kAlbumFileName, entries);
    c.paths_file = base + "/paths.txt";
    std::ofstream out(c.paths_file);
    for (const std::string& p : c.paths) out << p << '\n';
    return c;
  }();
  return corpus;
}

void BM_LoadAlbum(benchmark::State& state) {
  const Corpus& c = TheCorpus();
  vr::platform::PosixFiles files;
  const vr::lists::AllowableTypes allowable;
  vr::albums::LoadHooks hooks;
  hooks.files = &files;
  hooks.allowable = &allowable;
  hooks.temp_folder = fs::temp_directory_path().string() + "/";
  for (auto _ : state) {
    const vr::albums::LoadResult r = vr::albums::LoadAlbum(c.album, hooks);
    if (r.entries.size() != c.paths.size() || r.written) state.SkipWithError("album changed");
    benchmark::DoNotOptimize(r.entries.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(c.paths.size()));
}

void BM_LoadPaths(benchmark::State& state) {
  const Corpus& c = TheCorpus();
  vr::platform::PosixFiles files;
  for (auto _ : state) {
    vr::lists::ListServices services;
    services.files = &files;
    vr::lists::FilesList list(services);
    list.LoadPaths(c.paths, 1 << 30, -1, /*trusted=*/false);
    if (list.Count() != static_cast<int>(c.paths.size())) state.SkipWithError("list short");
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(c.paths.size()));
}

void BM_XargsStat(benchmark::State& state) {
  const Corpus& c = TheCorpus();
  const std::string command =
      "xargs -d '\\n' stat -c '%s %Y %n' < '" + c.paths_file + "' > /dev/null";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("stat failed");
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(c.paths.size()));
}

BENCHMARK(BM_LoadAlbum)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_LoadPaths)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);
BENCHMARK(BM_XargsStat)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
