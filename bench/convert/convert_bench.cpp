// ShrinkSmooth of the 4000 x 3000 corpus picture to 800 x 600 and CountColours of the same 12
// megapixels. The picture is decoded once, before timing, so only the pixel work is measured.
// Corpus folder: $VR_CORPUS, default /tmp/vcorpus.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "picture/convert.h"
#include "picture/shrink.h"

namespace {

using vr::picture::Bitmap;
using vr::picture::PixelFormat;

// An uncompressed 24-bit BMP (bottom-up rows) into a Bitmap; enough for the corpus file.
bool ReadBmp24(const std::string& path, Bitmap& out) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> header(54);
  if (!in.read(reinterpret_cast<char*>(header.data()), 54) || header[0] != 'B' || header[1] != 'M')
    return false;
  auto u32 = [&](int at) {
    return static_cast<uint32_t>(header[at] | header[at + 1] << 8 | header[at + 2] << 16 |
                                 header[at + 3] << 24);
  };
  const uint32_t offset = u32(10);
  const int width = static_cast<int>(u32(18));
  const int height = static_cast<int>(u32(22));
  if ((header[28] | header[29] << 8) != 24 || width <= 0 || height <= 0) return false;
  if (!out.Create(width, height, PixelFormat::k24)) return false;
  in.seekg(offset);
  for (int y = height - 1; y >= 0; --y) {
    if (!in.read(reinterpret_cast<char*>(out.Row(y)), static_cast<std::streamsize>(out.Stride())))
      return false;
  }
  return true;
}

const Bitmap& Big() {
  static Bitmap big = [] {
    Bitmap b;
    const char* dir = std::getenv("VR_CORPUS");
    const std::string path = std::string(dir ? dir : "/tmp/vcorpus") + "/big.bmp";
    if (!ReadBmp24(path, b)) std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return b;
  }();
  return big;
}

// Into 800 x 600 (five source pixels per side), and into a 600 x 450 window's fit pane (about
// eight per side, not a whole number).
void BM_ShrinkSmooth24(benchmark::State& state) {
  const Bitmap& src = Big();
  if (src.Empty()) {
    state.SkipWithError("corpus picture missing");
    return;
  }
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  Bitmap dst;
  for (auto _ : state) {
    vr::picture::ShrinkSmooth(src, dst, width, height);
    benchmark::DoNotOptimize(dst.Data());
  }
  state.counters["MP/s"] = benchmark::Counter(static_cast<double>(src.Width()) * src.Height() / 1e6,
                                              benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ShrinkSmooth24)
    ->Args({800, 600})
    ->Args({496, 372})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_ShrinkSmooth8(benchmark::State& state) {
  // The same picture as 8 bits through a palette: the indexed inner loop.
  static Bitmap indexed = [] {
    Bitmap b;
    const Bitmap& src = Big();
    if (src.Empty() || !b.Create(src.Width(), src.Height(), PixelFormat::k8)) return b;
    b.SetPalette(vr::picture::Cube685());
    vr::picture::StretchDraw(src, b, vr::picture::Rect{0, 0, src.Width(), src.Height()});
    return b;
  }();
  if (indexed.Empty()) {
    state.SkipWithError("corpus picture missing");
    return;
  }
  Bitmap dst;
  for (auto _ : state) {
    vr::picture::ShrinkSmooth(indexed, dst, 800, 600);
    benchmark::DoNotOptimize(dst.Data());
  }
}
BENCHMARK(BM_ShrinkSmooth8)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CountColours(benchmark::State& state) {
  const Bitmap& src = Big();
  if (src.Empty()) {
    state.SkipWithError("corpus picture missing");
    return;
  }
  int colours = 0;
  for (auto _ : state) {
    colours = vr::picture::CountColours(src);
    benchmark::DoNotOptimize(colours);
  }
  state.counters["colours"] = colours;
}
BENCHMARK(BM_CountColours)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
