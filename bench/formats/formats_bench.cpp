// One-thread decode of a picture in each of the library-read kinds, and thumbnails per second of
// a folder of each through the files list window's maker. The CPU column is the whole process's
// (libheif decodes on a worker thread of its own, which the calling thread's time would miss),
// and the thumbnail rate is per second of it, so a loaded machine does not skew the figures.
// Usage: vr_formats_bench --webp=F --tiff=F --heic=F --png=F --thumbs=DIR [benchmark flags]
//   DIR holds webp/, heic/ and jpg/ sub-folders.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "lists/window/thumb_maker.h"
#include "picture/bitmap.h"
#include "picture/codecs/codec_api.h"

namespace {

std::string g_webp, g_tiff, g_heic, g_png, g_thumbs;

using Loader = vr::codecs::ReadResult (*)(const std::string&, vr::picture::Bitmap&,
                                          const vr::codecs::ReaderRequest&);

vr::codecs::ReadResult LoadPng(const std::string& path, vr::picture::Bitmap& bitmap,
                               const vr::codecs::ReaderRequest&) {
  return vr::codecs::LoadPngFile(path, bitmap, true, vr::picture::DecodeOptions{});
}

void Decode(benchmark::State& state, const std::string* file, Loader load) {
  if (file->empty()) {
    state.SkipWithError("no file given");
    return;
  }
  vr::picture::Bitmap bitmap;
  double megapixels = 0;
  for (auto _ : state) {
    const vr::codecs::ReadResult read = load(*file, bitmap, vr::codecs::ReaderRequest{});
    if (!read.ok()) state.SkipWithError(read.error.c_str());
    megapixels = static_cast<double>(bitmap.Width()) * bitmap.Height() / 1e6;
    benchmark::DoNotOptimize(bitmap.Data());
  }
  state.counters["MP/s"] =
      benchmark::Counter(megapixels, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK_CAPTURE(Decode, webp, &g_webp, vr::codecs::LoadWebp)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(Decode, tiff, &g_tiff, vr::codecs::LoadTiff)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(Decode, heic, &g_heic, vr::codecs::LoadHeif)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(Decode, png, &g_png, LoadPng)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void Thumbnails(benchmark::State& state, const std::string& kind) {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(g_thumbs + "/" + kind, ec)) {
    files.push_back(e.path().string());
  }
  std::sort(files.begin(), files.end());
  if (files.empty()) {
    state.SkipWithError("no files");
    return;
  }
  vr::list_window::ThumbSettings settings;
  settings.width = 128;
  settings.height = 128;
  int64_t made = 0;
  for (auto _ : state) {
    for (const std::string& file : files) {
      const vr::list_window::ThumbResult result = vr::list_window::MakeThumbnail(file, settings);
      if (result.failed) state.SkipWithError(("no thumbnail: " + file).c_str());
      benchmark::DoNotOptimize(result.cell.Data());
      ++made;
    }
  }
  state.counters["thumbs_per_s"] =
      benchmark::Counter(static_cast<double>(made), benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(Thumbnails, jpg, std::string("jpg"))->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(1);
BENCHMARK_CAPTURE(Thumbnails, webp, std::string("webp"))->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(1);
BENCHMARK_CAPTURE(Thumbnails, heic, std::string("heic"))->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    const auto take = [&](const char* key, std::string& into) {
      const size_t n = std::strlen(key);
      if (std::strncmp(argv[i], key, n) != 0) return false;
      into = argv[i] + n;
      return true;
    };
    if (take("--webp=", g_webp) || take("--tiff=", g_tiff) || take("--heic=", g_heic) ||
        take("--png=", g_png) || take("--thumbs=", g_thumbs)) {
      continue;
    }
    rest.push_back(argv[i]);
  }
  int count = static_cast<int>(rest.size());
  benchmark::Initialize(&count, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
