// Thumbnails per second for each picture kind: every file of $VR_THUMBS_DIR/<kind>/ made into a
// 128 x 128 cell and appended to a cache file, as the files list window's builder does.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "lists/window/thumb_cache.h"
#include "lists/window/thumb_maker.h"

namespace {

std::vector<std::string> FilesOf(const std::string& kind) {
  const char* root = std::getenv("VR_THUMBS_DIR");
  std::vector<std::string> files;
  if (root == nullptr) return files;
  std::error_code ec;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::string(root) + "/" + kind, ec)) {
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

void BM_Thumbnails(benchmark::State& state, const std::string& kind) {
  const std::vector<std::string> files = FilesOf(kind);
  if (files.empty()) {
    state.SkipWithError("no files: set VR_THUMBS_DIR (bench/thumbs/run.sh makes them)");
    return;
  }
  vr::list_window::ThumbSettings settings;
  settings.width = 128;
  settings.height = 128;
  const std::string cache_path =
      std::filesystem::temp_directory_path().string() + "/vr_bench_thumbs_" + kind + ".TMP";
  int64_t made = 0;
  for (auto _ : state) {
    std::filesystem::remove(cache_path);
    vr::list_window::ThumbCache cache;
    cache.OpenForAppend(cache_path);
    for (const std::string& file : files) {
      const vr::list_window::ThumbResult result = vr::list_window::MakeThumbnail(file, settings);
      benchmark::DoNotOptimize(cache.Append(1, result.cell, 1000));
      ++made;
    }
  }
  std::filesystem::remove(cache_path);
  state.counters["thumbs_per_s"] =
      benchmark::Counter(static_cast<double>(made), benchmark::Counter::kIsRate);
}

BENCHMARK_CAPTURE(BM_Thumbnails, jpeg, std::string("jpg"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Thumbnails, gif, std::string("gif"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Thumbnails, pcx, std::string("pcx"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Thumbnails, png, std::string("png"))->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
