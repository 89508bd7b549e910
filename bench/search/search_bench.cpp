// The fingerprint comparison alone: every unordered pair of N prints through the pair loop, at
// the default settings, with every option on, and over prints that all look alike (every pair
// matches). Quadratic in N; the figures give the cost curve.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "lists/search/compare.h"

namespace {

using vr::search::FingerPrint;

std::vector<FingerPrint> Prints(int n, bool alike) {
  std::mt19937 random(42);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> noise(-2, 2);
  FingerPrint base;
  for (int i = 0; i < vr::search::kPrintPixels; ++i) {
    vr::search::SetPrintPixel(&base, i, static_cast<uint8_t>(byte(random)),
                              static_cast<uint8_t>(byte(random)), static_cast<uint8_t>(byte(random)));
  }
  std::vector<FingerPrint> prints(static_cast<size_t>(n));
  for (FingerPrint& p : prints) {
    for (int i = 0; i < vr::search::kPrintPixels; ++i) {
      auto v = [&](int b) {
        return static_cast<uint8_t>(alike ? std::clamp(b + noise(random), 0, 255) : byte(random));
      };
      vr::search::SetPrintPixel(&p, i, v(base.r[i]), v(base.g[i]), v(base.b[i]));
    }
    p.res_x = 640;
    p.res_y = 480;
  }
  return prints;
}

void RunLoop(benchmark::State& state, bool all_options, bool alike) {
  const std::vector<FingerPrint> prints = Prints(static_cast<int>(state.range(0)), alike);
  vr::search::PairLoop loop;
  loop.prints = &prints;
  if (all_options) {
    loop.settings.black_and_white = true;
    loop.settings.brightness = true;
    loop.settings.any_aspect = true;
  }
  size_t found = 0;
  loop.found = [&](const vr::search::FoundPair&) {
    ++found;
    return true;
  };
  for (auto _ : state) {
    found = 0;
    vr::search::RunPairLoop(loop);
    benchmark::DoNotOptimize(found);
  }
  const double n = static_cast<double>(state.range(0));
  state.counters["pairs"] = n * (n - 1) / 2;
  state.counters["matches"] = static_cast<double>(found);
  state.counters["ns_per_pair"] = benchmark::Counter(
      n * (n - 1) / 2 * static_cast<double>(state.iterations()) * 1e-9,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_CompareDefaults(benchmark::State& state) { RunLoop(state, false, false); }
void BM_CompareAllOptions(benchmark::State& state) { RunLoop(state, true, false); }
void BM_CompareAllAlike(benchmark::State& state) { RunLoop(state, false, true); }

BENCHMARK(BM_CompareDefaults)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CompareAllOptions)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CompareAllAlike)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
