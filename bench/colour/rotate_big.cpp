// Rotates a 30000 x 20000 8-bit picture and reports the time and the peak resident memory
// against the picture's own size: the rotated rows gather in a mapped temporary file, so the
// process should need little more than one picture.
//
//   vr_rotate_big [width height]

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "shell/transforms/transforms.h"

int main(int argc, char** argv) {
  const int width = argc > 2 ? std::atoi(argv[1]) : 30000;
  const int height = argc > 2 ? std::atoi(argv[2]) : 20000;
  vr::picture::Bitmap picture;
  if (!picture.Create(width, height, vr::picture::PixelFormat::k8)) {
    std::fprintf(stderr, "cannot make a %dx%d picture\n", width, height);
    return 1;
  }
  std::vector<vr::picture::Rgb> palette(256);
  for (int i = 0; i < 256; ++i) palette[i] = {static_cast<uint8_t>(i), 0, 0};
  picture.SetPalette(palette);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = picture.Row(y);
    for (int x = 0; x < width; ++x) row[x] = static_cast<uint8_t>(x + 3 * y);
  }
  const double picture_mb = static_cast<double>(picture.ByteSize()) / (1 << 20);
  const auto start = std::chrono::steady_clock::now();
  const auto result = vr::transforms::Rotate(picture);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!result.ok) {
    std::fprintf(stderr, "rotate failed: %s\n", result.error.c_str());
    return 1;
  }
  // Spot check: the old top-left pixel is now at the right end of the top row.
  if (picture.Row(0)[height - 1] != 0 ||
      picture.Row(width - 1)[0] != static_cast<uint8_t>(width - 1 + 3 * (height - 1))) {
    std::fprintf(stderr, "rotated picture is wrong\n");
    return 1;
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const double rss_mb = usage.ru_maxrss / 1024.0;
  std::printf("rotate %dx%d 8-bit: %.2f s, picture %.0f MB, max RSS %.0f MB (limit %.0f MB): %s\n",
              width, height, seconds, picture_mb, rss_mb, picture_mb + 64,
              rss_mb <= picture_mb + 64 ? "OK" : "OVER");
  return rss_mb <= picture_mb + 64 ? 0 : 3;
}
