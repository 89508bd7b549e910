// veldrimon-tool reduce IN OUT --colours N [--standard] [--remap|--dither] [--236]
// Reduces a BMP picture to N colours (2, 4, 8, 16, 32, 64, 128, 236 or 256) and writes an 8-bit
// BMP, reporting the time the reduction took.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "colour/reduce.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "tools/tool_command.h"

namespace vr::tool {
namespace {

bool ValidCount(int n) {
  for (int ok : {2, 4, 8, 16, 32, 64, 128, 236, 256}) {
    if (n == ok) return true;
  }
  return false;
}

int RunReduce(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  colour::ReduceRequest request;
  bool have_count = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if ((a == "--colours" || a == "--colors") && i + 1 < args.size()) {
      char* end = nullptr;
      const long n = std::strtol(args[++i].c_str(), &end, 10);
      if (*end != '\0' || !ValidCount(static_cast<int>(n))) {
        std::fprintf(stderr, "reduce: --colours takes 2, 4, 8, 16, 32, 64, 128, 236 or 256\n");
        return 2;
      }
      request.colours = static_cast<int>(n);
      have_count = true;
    } else if (a == "--standard") {
      request.standard_colours = true;
    } else if (a == "--remap") {
      request.dither = false;
    } else if (a == "--dither") {
      request.dither = true;
    } else if (a == "--236") {
      request.windows_236 = true;
      have_count = true;
    } else if (!a.empty() && a[0] == '-') {
      std::fprintf(stderr, "reduce: unknown option %s\n", a.c_str());
      return 2;
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2 || !have_count) {
    std::fprintf(stderr,
                 "usage: reduce IN OUT --colours N [--standard] [--remap|--dither] [--236]\n");
    return 2;
  }
  if (request.colours == 236) request.windows_236 = true;
  picture::Bitmap source;
  const codecs::ReadResult read = codecs::LoadBmpFile(files[0], source);
  if (!read.ok()) {
    std::fprintf(stderr, "reduce: %s: %s\n", files[0].c_str(), read.error.c_str());
    return 1;
  }
  picture::Bitmap reduced;
  colour::Palette6 palette{};
  const auto start = std::chrono::steady_clock::now();
  const colour::ReduceResult result = colour::ReduceColours(source, reduced, palette, request);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  if (!result.error.empty()) {
    std::fprintf(stderr, "reduce: %s\n", result.error.c_str());
    return 1;
  }
  const picture::Bitmap& out = result.done ? reduced : source;
  const codecs::WriteResult written = codecs::SaveBmp(files[1], out);
  if (!written.ok) {
    std::fprintf(stderr, "reduce: %s: %s\n", files[1].c_str(), written.error.c_str());
    return 1;
  }
  std::printf("%s %dx%d -> %s: %s, %.1f ms\n", files[0].c_str(), source.Width(), source.Height(),
              files[1].c_str(), result.done ? "reduced" : "nothing to do (written unchanged)", ms);
  return 0;
}

Registration reg("reduce",
                 "reduce IN OUT --colours N [--standard] [--remap|--dither] [--236]  reduce a BMP "
                 "to N colours",
                 RunReduce);

}  // namespace
}  // namespace vr::tool
