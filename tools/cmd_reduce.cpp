// veldrimon-tool reduce IN OUT --colours N [--standard] [--remap|--dither] [--236]
// Reduces a BMP picture to N colours (2, 4, 8, 16, 32, 64, 128, 236 or 256) and writes an 8-bit
// BMP, reporting the time the reduction took.

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "colour/reduce.h"
#include "colour/reduce_args.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "tools/tool_command.h"

namespace vr::tool {
namespace {

int RunReduce(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  colour::ReduceArgs options;
  std::string error;
  for (size_t i = 0; i < args.size(); ++i) {
    const colour::ArgTake taken = colour::TakeReduceOption(args, i, options, error);
    if (taken == colour::ArgTake::kError) {
      std::fprintf(stderr, "reduce: %s\n", error.c_str());
      return 2;
    }
    if (taken == colour::ArgTake::kTaken) continue;
    if (!args[i].empty() && args[i][0] == '-') {
      std::fprintf(stderr, "reduce: unknown option %s\n", args[i].c_str());
      return 2;
    }
    files.push_back(args[i]);
  }
  if (files.size() != 2 || !options.asked) {
    std::fprintf(stderr, "usage: reduce IN OUT %s\n", colour::kReduceOptionsUsage);
    return 2;
  }
  if (!colour::FinishReduceArgs(options, error)) {
    std::fprintf(stderr, "reduce: %s\n", error.c_str());
    return 2;
  }
  const colour::ReduceRequest& request = options.request;
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
