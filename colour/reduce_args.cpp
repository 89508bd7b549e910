#include "colour/reduce_args.h"

#include <cerrno>
#include <cstdlib>

namespace vr::colour {
namespace {

bool ValidCount(long n) {
  for (long ok : {2, 4, 8, 16, 32, 64, 128, 236, 256}) {
    if (n == ok) return true;
  }
  return false;
}

}  // namespace

ArgTake TakeReduceOption(const std::vector<std::string>& args, size_t& i, ReduceArgs& out,
                         std::string& error) {
  const std::string& a = args[i];
  if (a == "--colours" || a == "--colors") {
    if (i + 1 >= args.size()) {
      error = a + " needs a number";
      return ArgTake::kError;
    }
    const std::string& value = args[++i];
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || errno != 0 || !ValidCount(n)) {
      error = "--colours takes 2, 4, 8, 16, 32, 64, 128, 236 or 256, not " + value;
      return ArgTake::kError;
    }
    out.request.colours = static_cast<int>(n);
    out.asked = true;
    return ArgTake::kTaken;
  }
  if (a == "--standard") {
    out.request.standard_colours = true;
    out.modifiers = true;
  } else if (a == "--remap") {
    out.request.dither = false;
    out.modifiers = true;
  } else if (a == "--dither") {
    out.request.dither = true;
    out.modifiers = true;
  } else if (a == "--236") {
    out.request.windows_236 = true;
    out.asked = true;
  } else {
    return ArgTake::kNotMine;
  }
  return ArgTake::kTaken;
}

bool FinishReduceArgs(ReduceArgs& args, std::string& error) {
  if (args.request.colours == 236) {
    args.request.windows_236 = true;
    args.request.colours = 256;
  }
  if (args.request.standard_colours && args.request.colours != 8 && args.request.colours != 16) {
    error = "--standard needs --colours 8 or 16";
    return false;
  }
  return true;
}

}  // namespace vr::colour
