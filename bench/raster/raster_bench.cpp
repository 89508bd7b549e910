// Decode throughput of the own raster codecs over the benchmark corpus (VR_CORPUS, default
// /tmp/vcorpus), in megapixels per second. The PIC case is made from big8.pcx by our writer.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "picture/codecs/codec_api.h"

namespace {

using vr::codecs::ReadResult;
using vr::picture::Bitmap;
using vr::picture::DecodeOptions;

std::string Corpus() {
  const char* dir = std::getenv("VR_CORPUS");
  return dir != nullptr ? dir : "/tmp/vcorpus";
}

template <ReadResult (*Load)(const std::string&, Bitmap&, const DecodeOptions&)>
void Decode(benchmark::State& state, const std::string& path) {
  if (!std::filesystem::exists(path)) {
    state.SkipWithError(("missing " + path).c_str());
    return;
  }
  Bitmap bitmap;
  int64_t pixels = 0;
  for (auto _ : state) {
    const ReadResult r = Load(path, bitmap, {});
    if (!r.ok()) {
      state.SkipWithError(r.error.c_str());
      return;
    }
    pixels = static_cast<int64_t>(bitmap.Width()) * bitmap.Height();
    benchmark::DoNotOptimize(bitmap.Data());
  }
  state.counters["MP/s"] = benchmark::Counter(static_cast<double>(pixels) / 1e6,
                                              benchmark::Counter::kIsIterationInvariantRate);
}

std::string PicOfCorpus() {
  const std::string pic = (std::filesystem::temp_directory_path() / "vr_bench_big8.pic").string();
  Bitmap bitmap;
  if (!vr::codecs::LoadPcx(Corpus() + "/big8.pcx", bitmap, {}).ok()) return pic;
  vr::codecs::SavePic(pic, bitmap, 3);
  return pic;
}

void BM_Pcx24(benchmark::State& s) { Decode<vr::codecs::LoadPcx>(s, Corpus() + "/big.pcx"); }
void BM_Pcx8(benchmark::State& s) { Decode<vr::codecs::LoadPcx>(s, Corpus() + "/big8.pcx"); }
void BM_TgaRaw(benchmark::State& s) { Decode<vr::codecs::LoadTga>(s, Corpus() + "/big_raw.tga"); }
void BM_TgaRle(benchmark::State& s) { Decode<vr::codecs::LoadTga>(s, Corpus() + "/big_rle.tga"); }
void BM_Pic8(benchmark::State& s) {
  static const std::string path = PicOfCorpus();
  Decode<vr::codecs::LoadPic>(s, path);
}

BENCHMARK(BM_Pcx24)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Pcx8)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_TgaRaw)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_TgaRle)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Pic8)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
