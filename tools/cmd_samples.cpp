// veldrimon-tool samples DIR: writes a handful of generated pictures (BMP of every written
// depth, JPEG in colour and grey, an icon) into DIR, for trying the viewer out.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/codecs/ico/ico_codec.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "tools/tool_command.h"

namespace vr::tool {
namespace {

using picture::Bitmap;
using picture::PixelFormat;
using picture::Rgb;

constexpr double kPi = 3.14159265358979323846;

// Colour bands swirling around the centre, with a checker of soft squares on top.
Bitmap Swirl(int width, int height) {
  Bitmap bitmap;
  bitmap.Create(width, height, PixelFormat::k24);
  const double cx = width / 2.0;
  const double cy = height / 2.0;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = bitmap.Row(y);
    for (int x = 0; x < width; ++x) {
      const double dx = x - cx;
      const double dy = y - cy;
      const double r = std::sqrt(dx * dx + dy * dy) / std::max(cx, cy);
      const double a = std::atan2(dy, dx) + 6.0 * r;
      const bool square = ((x / 50) + (y / 50)) % 2 == 0;
      const double lift = square ? 0.15 : 0.0;
      const auto channel = [&](double phase) {
        const double v = 0.5 + 0.5 * std::sin(a + phase) * (1.0 - 0.5 * r) + lift;
        return static_cast<uint8_t>(std::clamp(v, 0.0, 1.0) * 255.0);
      };
      row[3 * x + 0] = channel(4.0 * kPi / 3.0);
      row[3 * x + 1] = channel(2.0 * kPi / 3.0);
      row[3 * x + 2] = channel(0.0);
    }
  }
  return bitmap;
}

// An indexed picture: concentric rings over a palette ramp.
Bitmap Rings(int width, int height, PixelFormat format) {
  Bitmap bitmap;
  bitmap.Create(width, height, format);
  const int entries = 1 << picture::BitsOf(format);
  std::vector<Rgb> palette(static_cast<size_t>(entries));
  for (int i = 0; i < entries; ++i) {
    const double t = entries == 1 ? 0.0 : static_cast<double>(i) / (entries - 1);
    palette[static_cast<size_t>(i)] =
        Rgb{static_cast<uint8_t>(255 * t),
            static_cast<uint8_t>(255 * (1.0 - t) * t * 4 > 255 ? 255 : 255 * (1.0 - t) * t * 4),
            static_cast<uint8_t>(255 * (1.0 - t))};
  }
  bitmap.SetPalette(palette);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = bitmap.Row(y);
    for (int x = 0; x < width; ++x) {
      const double d = std::hypot(x - width / 3.0, y - height / 2.0);
      const int v = static_cast<int>(d / 6.0) % entries;
      switch (format) {
        case PixelFormat::k8:
          row[x] = static_cast<uint8_t>(v);
          break;
        case PixelFormat::k4:
          row[x >> 1] |= static_cast<uint8_t>((x & 1) ? v : v << 4);
          break;
        default:
          row[x >> 3] |= static_cast<uint8_t>(v << (7 - (x & 7)));
          break;
      }
    }
  }
  return bitmap;
}

int RunSamples(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: veldrimon-tool samples DIR\n");
    return 2;
  }
  std::error_code ec;
  std::filesystem::create_directories(args[0], ec);
  const std::string dir = args[0] + "/";
  const Bitmap swirl = Swirl(800, 600);
  int failures = 0;
  const auto report = [&](const std::string& name, const codecs::WriteResult& result) {
    if (!result.ok) {
      std::fprintf(stderr, "samples: %s: %s\n", name.c_str(), result.error.c_str());
      ++failures;
    }
  };
  report("swirl.bmp", codecs::SaveBmp(dir + "swirl.bmp", swirl));
  report("swirl.jpg",
         codecs::SaveJpeg(dir + "swirl.jpg", swirl, codecs::JpegSaveOptions{90, false}));
  report("swirl_grey.jpg",
         codecs::SaveJpeg(dir + "swirl_grey.jpg", swirl, codecs::JpegSaveOptions{85, true}));
  report("rings8.bmp", codecs::SaveBmp(dir + "rings8.bmp", Rings(800, 600, PixelFormat::k8)));
  report("rings4.bmp", codecs::SaveBmp(dir + "rings4.bmp", Rings(640, 480, PixelFormat::k4)));
  report("rings1.bmp", codecs::SaveBmp(dir + "rings1.bmp", Rings(640, 480, PixelFormat::k1)));
  report("swirl.ico", codecs::SaveIco(dir + "swirl.ico", Swirl(64, 64)));
  return failures == 0 ? 0 : 1;
}

const Registration kSamples("samples", "samples DIR  write generated sample pictures into DIR",
                            RunSamples);

}  // namespace
}  // namespace vr::tool
