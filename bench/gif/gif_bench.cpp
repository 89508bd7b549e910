// Megapixels per second of our GIF reader (big.gif, anim.gif) and writer (big.gif's pixels).
// The corpus folder comes from VR_CORPUS (default /tmp/vcorpus).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "picture/codecs/gif/gif_graphics.h"

namespace {

using vr::codecs::gif::TGifGraphics;
using vr::picture::Bitmap;

std::string CorpusFile(const char* name) {
  const char* dir = std::getenv("VR_CORPUS");
  return std::string(dir != nullptr ? dir : "/tmp/vcorpus") + "/" + name;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
}

// Plays through without waiting: the frame delays are not part of the measure.
class NoWaitHost : public vr::codecs::gif::GifHost {
 public:
  uint32_t MillisecondsInHour() override { return now_; }
  void Sleep(int ms) override { now_ += static_cast<uint32_t>(ms); }

 private:
  uint32_t now_ = 0;
};

void Decode(benchmark::State& state, const char* name) {
  const std::vector<uint8_t> bytes = ReadAll(CorpusFile(name));
  if (bytes.empty()) {
    state.SkipWithError("corpus file missing");
    return;
  }
  NoWaitHost host;
  TGifGraphics gif;
  gif.SetHost(&host);
  Bitmap composition;
  double pixels = 0;
  for (auto _ : state) {
    vr::picture::TFastFileIO io;
    io.OpenMemory(bytes.data(), bytes.size());
    gif.LoadGif(io, composition);
    benchmark::DoNotOptimize(composition.Data());
    pixels += static_cast<double>(composition.Width()) * composition.Height() * gif.ImagesDrawn();
  }
  state.counters["MP/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsRate);
}

void BM_DecodeBigGif(benchmark::State& state) { Decode(state, "big.gif"); }
void BM_DecodeAnimGif(benchmark::State& state) { Decode(state, "anim.gif"); }

void BM_EncodeBigGif(benchmark::State& state) {
  const std::vector<uint8_t> bytes = ReadAll(CorpusFile("big.gif"));
  if (bytes.empty()) {
    state.SkipWithError("corpus file missing");
    return;
  }
  NoWaitHost host;
  TGifGraphics gif;
  gif.SetHost(&host);
  Bitmap picture;
  vr::picture::TFastFileIO io;
  io.OpenMemory(bytes.data(), bytes.size());
  gif.LoadGif(io, picture);
  vr::codecs::gif::GifWriterOptions options;
  options.colour_count = 256;
  double pixels = 0;
  size_t out_size = 0;
  for (auto _ : state) {
    const std::vector<uint8_t> out =
        TGifGraphics::EncodeGif(picture, gif.WorkingPalette(), options);
    out_size = out.size();
    benchmark::DoNotOptimize(out.data());
    pixels += static_cast<double>(picture.Width()) * picture.Height();
  }
  state.counters["MP/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsRate);
  state.counters["bytes"] = static_cast<double>(out_size);
}

// MP/s is per CPU second (the machine is shared); the Time column gives the wall figure.
BENCHMARK(BM_DecodeBigGif)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_DecodeAnimGif)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_EncodeBigGif)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
