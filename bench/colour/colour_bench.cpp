// Reduction of the corpus's 12 MP photo to 256 and 16 colours (dithered) and to 256 by remap,
// and a 90-degree rotation of the same picture. Each case reports megapixels per second and,
// for the reductions, the PSNR of the result against the original.
//
//   vr_colour_bench [--picture=/tmp/vcorpus/big.bmp] [benchmark flags]

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "colour/reduce.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "shell/transforms/transforms.h"

namespace {

using vr::picture::Bitmap;

std::string& PicturePath() {
  static std::string path = "/tmp/vcorpus/big.bmp";
  return path;
}

const Bitmap& Source() {
  static Bitmap source = [] {
    Bitmap b;
    const auto r = vr::codecs::LoadBmpFile(PicturePath(), b);
    if (!r.ok()) {
      std::fprintf(stderr, "cannot read %s: %s\n", PicturePath().c_str(), r.error.c_str());
      std::exit(1);
    }
    return b;
  }();
  return source;
}

double Psnr(const Bitmap& original, const Bitmap& reduced) {
  double sum = 0;
  const auto& pal = reduced.Palette();
  for (int y = 0; y < original.Height(); ++y) {
    const uint8_t* a = original.Row(y);
    const uint8_t* b = reduced.Row(y);
    for (int x = 0; x < original.Width(); ++x, a += 3) {
      const auto& c = pal[b[x]];
      const double db = a[0] - c.b, dg = a[1] - c.g, dr = a[2] - c.r;
      sum += db * db + dg * dg + dr * dr;
    }
  }
  const double mse = sum / (3.0 * original.Width() * original.Height());
  return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

void Reduce(benchmark::State& state, int colours, bool dither) {
  const Bitmap& source = Source();
  Bitmap out;
  vr::colour::Palette6 palette{};
  vr::colour::ReduceRequest request;
  request.colours = colours;
  request.dither = dither;
  for (auto _ : state) {
    const auto r = vr::colour::ReduceColours(source, out, palette, request);
    if (!r.done) state.SkipWithError("reduction failed");
    benchmark::DoNotOptimize(out.Data());
  }
  const double pixels = static_cast<double>(source.Width()) * source.Height();
  state.counters["MP/s"] =
      benchmark::Counter(pixels / 1e6 * state.iterations(), benchmark::Counter::kIsRate);
  state.counters["PSNR"] = Psnr(source, out);
}

void BM_Reduce256Dither(benchmark::State& state) { Reduce(state, 256, true); }
void BM_Reduce16Dither(benchmark::State& state) { Reduce(state, 16, true); }
void BM_Reduce256Remap(benchmark::State& state) { Reduce(state, 256, false); }

void BM_Rotate24(benchmark::State& state) {
  Bitmap work = Source();
  for (auto _ : state) {
    const auto r = vr::transforms::Rotate(work);
    if (!r.ok) state.SkipWithError(r.error.c_str());
  }
  const double pixels = static_cast<double>(work.Width()) * work.Height();
  state.counters["MP/s"] =
      benchmark::Counter(pixels / 1e6 * state.iterations(), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_Reduce256Dither)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Reduce16Dither)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Reduce256Remap)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Rotate24)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--picture=", 10) == 0) PicturePath() = argv[i] + 10;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
