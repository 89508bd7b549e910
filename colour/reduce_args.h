#pragma once
// The reduction options of veldrimon-tool's "reduce" and "convert" commands:
//   --colours N [--standard] [--remap|--dither] [--236]
// parsed in one place so that both commands take them alike.

#include <string>
#include <vector>

#include "colour/reduce.h"

namespace vr::colour {

inline constexpr const char* kReduceOptionsUsage =
    "--colours N [--standard] [--remap|--dither] [--236]";

struct ReduceArgs {
  ReduceRequest request;
  bool asked = false;      // --colours or --236 was given: a reduction is wanted
  bool modifiers = false;  // --standard, --remap or --dither was given (they shape a reduction)
};

enum class ArgTake { kNotMine, kTaken, kError };

// Looks at args[i]: a reduction option (with its value, which moves i past it) is taken into
// `out`; anything else is left for the caller. kError sets `error`.
ArgTake TakeReduceOption(const std::vector<std::string>& args, size_t& i, ReduceArgs& out,
                         std::string& error);

// After the last option: 236 colours asked as a count means the Windows-236 layout, and the
// standard colours exist only for 8 and 16. False with `error` set when the options clash.
bool FinishReduceArgs(ReduceArgs& args, std::string& error);

}  // namespace vr::colour
