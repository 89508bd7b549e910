// The reduction options shared by veldrimon-tool's "reduce" and "convert" commands.
#include "colour/reduce_args.h"

#include <gtest/gtest.h>

namespace vr::colour {
namespace {

struct Parsed {
  ReduceArgs args;
  std::vector<std::string> rest;  // what the options left for the command
  std::string error;
  bool ok = true;
};

Parsed Parse(std::vector<std::string> args) {
  Parsed p;
  for (size_t i = 0; i < args.size(); ++i) {
    const ArgTake taken = TakeReduceOption(args, i, p.args, p.error);
    if (taken == ArgTake::kError) {
      p.ok = false;
      return p;
    }
    if (taken == ArgTake::kNotMine) p.rest.push_back(args[i]);
  }
  p.ok = FinishReduceArgs(p.args, p.error);
  return p;
}

TEST(ReduceArgs, OptionsFillTheRequestAndLeaveTheRest) {
  Parsed p = Parse({"in.bmp", "--colours", "16", "--standard", "--remap", "out.gif", "-q"});
  ASSERT_TRUE(p.ok) << p.error;
  EXPECT_TRUE(p.args.asked);
  EXPECT_EQ(p.args.request.colours, 16);
  EXPECT_TRUE(p.args.request.standard_colours);
  EXPECT_FALSE(p.args.request.dither);
  EXPECT_FALSE(p.args.request.windows_236);
  EXPECT_EQ(p.rest, (std::vector<std::string>{"in.bmp", "out.gif", "-q"}));

  // The last of --remap and --dither wins; "--colors" is the same option.
  p = Parse({"--remap", "--colors", "8", "--dither"});
  ASSERT_TRUE(p.ok);
  EXPECT_TRUE(p.args.request.dither);
  EXPECT_EQ(p.args.request.colours, 8);

  // No reduction option: nothing asked, the request keeps its defaults.
  p = Parse({"a.bmp", "b.bmp"});
  ASSERT_TRUE(p.ok);
  EXPECT_FALSE(p.args.asked);
}

TEST(ReduceArgs, WindowsLayoutFromEitherSpelling) {
  Parsed p = Parse({"--236"});
  ASSERT_TRUE(p.ok);
  EXPECT_TRUE(p.args.asked);
  EXPECT_TRUE(p.args.request.windows_236);
  EXPECT_EQ(p.args.request.colours, 256);
  p = Parse({"--colours", "236"});
  ASSERT_TRUE(p.ok);
  EXPECT_TRUE(p.args.request.windows_236);
  EXPECT_EQ(p.args.request.colours, 256);  // as the menu's "Windows 236 Colors" item asks
}

TEST(ReduceArgs, BadCountsAndClashesAreRefusedWithAReason) {
  for (const char* bad : {"3", "0", "-16", "16x", "", "99999999999999999999", "512"}) {
    const Parsed p = Parse({"--colours", bad});
    EXPECT_FALSE(p.ok) << bad;
    EXPECT_NE(p.error.find("--colours takes"), std::string::npos) << bad;
  }
  Parsed p = Parse({"--colours"});
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.error, "--colours needs a number");
  // The standard colours exist only for 8 and 16.
  p = Parse({"--colours", "32", "--standard"});
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.error, "--standard needs --colours 8 or 16");
}

}  // namespace
}  // namespace vr::colour
