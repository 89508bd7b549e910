#pragma once
// Pictures for the look-alike tests, written by the project's own JPEG and BMP writers:
// photo-like fields of saturated colours with soft edges, and the copies a user would have
// (re-saved, smaller, brighter, grey).

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "picture/bitmap.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/codecs/jpeg/jpeg_codec.h"

namespace vr::search_test {

// A picture of a few saturated colour fields blended over a gradient, different for each seed.
inline picture::Bitmap PhotoLike(uint32_t seed, int width = 320, int height = 240) {
  std::mt19937 random(seed);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  const int saturated[6][3] = {{255, 0, 0}, {0, 200, 0}, {0, 0, 255},
                               {255, 220, 0}, {0, 220, 255}, {230, 0, 230}};
  const int* c0 = saturated[pick(0, 5)];
  const int* c1 = saturated[pick(0, 5)];
  struct Blob {
    double x, y, r;
    const int* colour;
  } blobs[5];
  for (Blob& blob : blobs) {
    blob = {pick(0, 100) / 100.0, pick(0, 100) / 100.0, pick(15, 35) / 100.0, saturated[pick(0, 5)]};
  }
  picture::Bitmap b;
  b.Create(width, height, picture::PixelFormat::k24);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = b.Row(y);
    for (int x = 0; x < width; ++x) {
      const double u = static_cast<double>(x) / width;
      const double v = static_cast<double>(y) / height;
      double rgb[3];
      for (int k = 0; k < 3; ++k) rgb[k] = c0[k] * (1 - u) + c1[k] * u;
      for (const Blob& blob : blobs) {
        const double d = std::hypot(u - blob.x, v - blob.y) / blob.r;
        const double w = std::clamp(1.5 - d, 0.0, 1.0);
        for (int k = 0; k < 3; ++k) rgb[k] = rgb[k] * (1 - w) + blob.colour[k] * w;
      }
      row[3 * x] = static_cast<uint8_t>(rgb[2]);
      row[3 * x + 1] = static_cast<uint8_t>(rgb[1]);
      row[3 * x + 2] = static_cast<uint8_t>(rgb[0]);
    }
  }
  return b;
}

inline picture::Bitmap Brighter(const picture::Bitmap& src, int amount) {
  picture::Bitmap b = src;
  for (int y = 0; y < b.Height(); ++y) {
    uint8_t* row = b.Row(y);
    for (int x = 0; x < 3 * b.Width(); ++x) row[x] = static_cast<uint8_t>(std::min(255, row[x] + amount));
  }
  return b;
}

// Half the size by averaging 2 x 2 blocks.
inline picture::Bitmap Half(const picture::Bitmap& src) {
  picture::Bitmap b;
  b.Create(src.Width() / 2, src.Height() / 2, picture::PixelFormat::k24);
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      for (int k = 0; k < 3; ++k) {
        const int sum = src.Row(2 * y)[6 * x + k] + src.Row(2 * y)[6 * x + 3 + k] +
                        src.Row(2 * y + 1)[6 * x + k] + src.Row(2 * y + 1)[6 * x + 3 + k];
        b.Row(y)[3 * x + k] = static_cast<uint8_t>(sum / 4);
      }
    }
  }
  return b;
}

inline bool WriteJpeg(const std::string& path, const picture::Bitmap& b, int quality,
                      bool grey = false) {
  codecs::JpegSaveOptions options;
  options.quality = quality;
  options.grayscale = grey;
  return codecs::SaveJpeg(path, b, options).ok;
}

inline bool WriteBmp(const std::string& path, const picture::Bitmap& b) {
  return codecs::SaveBmp(path, b).ok;
}

}  // namespace vr::search_test
