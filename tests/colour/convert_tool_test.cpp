// veldrimon-tool convert with the reduction options, run as a process: the picture it writes,
// its agreement with "reduce", and its refusals.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "picture/bitmap.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/palette.h"
#include "test_support/temp_dir.h"

namespace vr {
namespace {

std::string Tool() {
  const char* dir = std::getenv("VR_BINARY_DIR");
  return std::string(dir != nullptr ? dir : ".") + "/tools/veldrimon-tool";
}

// The tool's exit code (output silenced).
int RunTool(const std::string& arguments) {
  const int status = std::system((Tool() + " " + arguments + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Photo(const test_support::TempDir& dir) {
  picture::Bitmap b;
  b.Create(96, 64, picture::PixelFormat::k24);
  for (int y = 0; y < 64; ++y) {
    uint8_t* row = b.Row(y);
    for (int x = 0; x < 96; ++x) {
      row[3 * x] = static_cast<uint8_t>(x * 2 + y);
      row[3 * x + 1] = static_cast<uint8_t>(y * 4);
      row[3 * x + 2] = static_cast<uint8_t>(255 - x * 2);
    }
  }
  const std::string path = dir.File("photo.bmp");
  EXPECT_TRUE(codecs::SaveBmp(path, b).ok);
  return path;
}

picture::Bitmap Load(const std::string& path) {
  picture::Bitmap b;
  EXPECT_TRUE(codecs::LoadBmpFile(path, b).ok()) << path;
  return b;
}

std::set<uint8_t> Indices(const picture::Bitmap& b) {
  std::set<uint8_t> used;
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) used.insert(b.Row(y)[x]);
  }
  return used;
}

class ConvertTool : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(std::system(("test -x " + Tool()).c_str()), 0) << "veldrimon-tool not built";
    source_ = Photo(dir_);
  }
  test_support::TempDir dir_;
  std::string source_;
};

TEST_F(ConvertTool, ReducesBeforeWritingAndMatchesTheReduceCommand) {
  const std::string out = dir_.File("c16.bmp");
  ASSERT_EQ(RunTool("convert " + source_ + " " + out + " --colours 16 --dither"), 0);
  const picture::Bitmap converted = Load(out);
  EXPECT_EQ(converted.Bits(), 8);
  EXPECT_EQ(converted.Width(), 96);
  EXPECT_LE(Indices(converted).size(), 16u);
  EXPECT_GT(Indices(converted).size(), 4u);

  // The same options through "reduce" give the same picture.
  const std::string reduced = dir_.File("r16.bmp");
  ASSERT_EQ(RunTool("reduce " + source_ + " " + reduced + " --colours 16 --dither"), 0);
  const picture::Bitmap other = Load(reduced);
  ASSERT_EQ(other.Bits(), 8);
  for (int y = 0; y < 64; ++y) {
    ASSERT_EQ(0, std::memcmp(converted.Row(y), other.Row(y), 96)) << "row " << y;
  }
  EXPECT_EQ(converted.Palette().size(), other.Palette().size());

  // The Windows layout: 256 entries, the standard colours at 236-251.
  const std::string w236 = dir_.File("w236.bmp");
  ASSERT_EQ(RunTool("convert " + source_ + " " + w236 + " --236"), 0);
  const picture::Bitmap p236 = Load(w236);
  ASSERT_EQ(p236.Palette().size(), 256u);
  const std::vector<picture::Rgb> standard = picture::Standard16();
  for (int i = 0; i < 16; ++i) EXPECT_EQ(p236.Palette()[236 + i], standard[i]) << i;

  // Without reduction options the picture keeps its depth.
  const std::string plain = dir_.File("plain.bmp");
  ASSERT_EQ(RunTool("convert " + source_ + " " + plain), 0);
  EXPECT_EQ(Load(plain).Bits(), 24);
}

TEST_F(ConvertTool, RefusesBadOptionsWithUsageAndWritesNothing) {
  const std::string out = dir_.File("never.bmp");
  EXPECT_EQ(RunTool("convert " + source_ + " " + out + " --colours 3"), 2);
  EXPECT_EQ(RunTool("convert " + source_ + " " + out + " --remap"), 2);
  EXPECT_EQ(RunTool("convert " + source_ + " " + out + " --dither"), 2);
  EXPECT_EQ(RunTool("convert " + source_ + " " + out + " --colours 64 --standard"), 2);
  EXPECT_EQ(RunTool("convert " + source_ + " " + out + " --colours 16 --bogus"), 2);
  EXPECT_EQ(RunTool("reduce " + source_ + " " + out + " --colours 7"), 2);
  EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace vr
