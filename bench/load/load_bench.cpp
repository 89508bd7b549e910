// Decode throughput of the JPEG and BMP readers on the corpus pictures, in megapixels per second
// of the source picture. Usage: vr_load_bench --jpeg=big.jpg --bmp=big.bmp [benchmark flags]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/codecs/jpeg/jpeg_codec.h"

namespace {

std::string g_jpeg;
std::string g_bmp;

void JpegDecode(benchmark::State& state) {
  vr::codecs::JpegDecodeSettings settings;
  settings.scale_denom = static_cast<int>(state.range(0));
  const vr::codecs::JpegHeaderFacts facts = vr::codecs::ReadJpegHeader(g_jpeg);
  if (!facts.ok) {
    state.SkipWithError("cannot read the JPEG");
    return;
  }
  vr::picture::Bitmap bitmap;
  for (auto _ : state) {
    const vr::codecs::ReadResult read = vr::codecs::LoadJpeg(g_jpeg, bitmap, settings);
    if (!read.ok()) state.SkipWithError(read.error.c_str());
    benchmark::DoNotOptimize(bitmap.Data());
  }
  state.counters["MP/s"] = benchmark::Counter(static_cast<double>(facts.width) * facts.height / 1e6,
                                              benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(JpegDecode)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

void BmpRead(benchmark::State& state) {
  vr::picture::Bitmap bitmap;
  double megapixels = 0;
  for (auto _ : state) {
    const vr::codecs::ReadResult read = vr::codecs::LoadBmpFile(g_bmp, bitmap);
    if (!read.ok()) state.SkipWithError(read.error.c_str());
    megapixels = static_cast<double>(bitmap.Width()) * bitmap.Height() / 1e6;
    benchmark::DoNotOptimize(bitmap.Data());
  }
  state.counters["MP/s"] =
      benchmark::Counter(megapixels, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BmpRead)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> rest;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--jpeg=", 7) == 0) {
      g_jpeg = argv[i] + 7;
    } else if (std::strncmp(argv[i], "--bmp=", 6) == 0) {
      g_bmp = argv[i] + 6;
    } else {
      rest.push_back(argv[i]);
    }
  }
  if (g_jpeg.empty() || g_bmp.empty()) {
    std::fprintf(stderr, "usage: vr_load_bench --jpeg=FILE --bmp=FILE [benchmark flags]\n");
    return 2;
  }
  int count = static_cast<int>(rest.size());
  benchmark::Initialize(&count, rest.data());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
