// What a show does with a file, without any window: the re-entry rule, the clean-up of earlier
// temporary copies, the same-name sound, what the file is shown as, and the decode with its file
// depth and GIF comments.
#include "platform/temp_sweep.h"
#include "shell/show_pipeline.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fakes/fake_services.h"
#include "lists/files_list.h"
#include "picture/bitmap.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/kinds.h"
#include "test_support/temp_dir.h"

namespace vr::shell {
namespace {

using test_support::TempDir;

std::string WriteBmp(const TempDir& dir, const std::string& name, int w, int h,
                     picture::PixelFormat format) {
  picture::Bitmap b;
  b.Create(w, h, format);
  if (format == picture::PixelFormat::k8) b.SetPalette(std::vector<picture::Rgb>(256));
  const std::string path = dir.File(name);
  EXPECT_TRUE(codecs::SaveBmp(path, b).ok);
  return path;
}

// A 1 x 1 GIF89a with a comment block of two lines.
std::vector<uint8_t> CommentedGif() {
  std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0,
                              0,   0,   0,   255, 255, 255};
  const std::string comment = "first line\nsecond";
  gif.push_back(0x21);
  gif.push_back(0xFE);
  gif.push_back(static_cast<uint8_t>(comment.size()));
  gif.insert(gif.end(), comment.begin(), comment.end());
  gif.push_back(0);
  const uint8_t image[] = {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B};
  gif.insert(gif.end(), std::begin(image), std::end(image));
  return gif;
}

class ShowPipelineTest : public ::testing::Test {
 protected:
  ShowPipelineTest() : services_(dir_.Path(), dir_.File("temp")) {
    std::filesystem::create_directories(dir_.File("temp"));
  }
  ShowPipeline Pipeline() {
    return ShowPipeline(ShowServices{&services_.folders, &services_.sounds, nullptr});
  }

  TempDir dir_;
  fakes::FakeServices services_;
};

TEST_F(ShowPipelineTest, AShowAskedForDuringAShowIsServedAfterItOnlyWhenRemembered) {
  ShowPipeline pipeline = Pipeline();
  ASSERT_TRUE(pipeline.Begin(false, "a"));
  EXPECT_TRUE(pipeline.busy());
  EXPECT_FALSE(pipeline.Begin(false, "b"));  // refused and forgotten
  EXPECT_FALSE(pipeline.Begin(true, "c"));   // refused, served next
  EXPECT_EQ(pipeline.End(), "c");
  EXPECT_FALSE(pipeline.busy());
  ASSERT_TRUE(pipeline.Begin(false, "c"));
  EXPECT_EQ(pipeline.End(), "");
}

TEST_F(ShowPipelineTest, EachFileIsShownAsItsKindAsks) {
  ShowPipeline pipeline = Pipeline();
  const std::string bmp = WriteBmp(dir_, "a.bmp", 4, 3, picture::PixelFormat::k24);
  ShowStep step = pipeline.Prepare(lists::kNoFile, 1, false);
  EXPECT_EQ(step.as, ShowAs::kNothing);
  EXPECT_TRUE(step.clear_comments);
  EXPECT_EQ(pipeline.Prepare(dir_.File("clip.avi"), 1, false).as, ShowAs::kMedia);
  EXPECT_EQ(pipeline.Prepare(bmp, 1, false).as, ShowAs::kPicture);
  // A later pass of an animation keeps the picture and its comments.
  step = pipeline.Prepare(bmp, 2, false);
  EXPECT_EQ(step.as, ShowAs::kAgain);
  EXPECT_FALSE(step.clear_comments);
}

// Only the copies this process made go; another viewer's file of the same prefix stays.
TEST_F(ShowPipelineTest, EveryShowRemovesTheTemporaryCopiesOfEarlierOnes) {
  ShowPipeline pipeline = Pipeline();
  const std::string special = dir_.WriteText("temp/~LS_Special_1.BMP", "x");
  ASSERT_TRUE(platform::SpecialTempFiles().Adopt(special));
  const std::string foreign = dir_.WriteText("temp/~LS_Special_2.BMP", "x");
  const std::string other = dir_.WriteText("temp/kept.bmp", "x");
  pipeline.Prepare(lists::kNoFile, 1, false);
  EXPECT_FALSE(std::filesystem::exists(special));
  EXPECT_TRUE(std::filesystem::exists(foreign));
  EXPECT_TRUE(std::filesystem::exists(other));
}

TEST_F(ShowPipelineTest, TheSoundOfTheSameNamePlaysOnlyWhenAskedAndThere) {
  ShowPipeline pipeline = Pipeline();
  const std::string bmp = WriteBmp(dir_, "song.bmp", 2, 2, picture::PixelFormat::k24);
  const std::string lone = WriteBmp(dir_, "lone.bmp", 2, 2, picture::PixelFormat::k24);
  const std::string wav = dir_.WriteText("song.WAV", "RIFF");
  EXPECT_EQ(pipeline.Prepare(bmp, 1, false).sound, "");
  EXPECT_TRUE(services_.sounds.played().empty());
  EXPECT_EQ(pipeline.Prepare(bmp, 1, true).sound, wav);
  EXPECT_EQ(pipeline.Prepare(lone, 1, true).sound, "");
  // A sound file shown is not played a second time as its own companion.
  EXPECT_EQ(pipeline.Prepare(wav, 1, true).sound, "");
  ASSERT_EQ(services_.sounds.played().size(), 1u);
  EXPECT_EQ(services_.sounds.played()[0], wav);
}

TEST_F(ShowPipelineTest, ADecodeGivesThePictureItsKindAndTheDepthOfTheFile) {
  ShowPipeline pipeline = Pipeline();
  const std::string bmp = WriteBmp(dir_, "eight.bmp", 6, 5, picture::PixelFormat::k8);
  picture::DecodeOptions decode;
  decode.display_depth = 32;
  const LoadedPicture loaded = pipeline.Load(bmp, decode);
  ASSERT_TRUE(loaded.ok);
  EXPECT_EQ(loaded.kind, picture::kKindBmp);
  EXPECT_EQ(loaded.file_bits, 8);
  EXPECT_EQ(loaded.holder.Width(), 6);
  EXPECT_EQ(loaded.holder.Height(), 5);
  EXPECT_TRUE(loaded.gif_comments.empty());
}

TEST_F(ShowPipelineTest, AFileThatDoesNotDecodeIsAFailureWithoutAPicture) {
  ShowPipeline pipeline = Pipeline();
  const std::string junk = dir_.WriteText("junk.bmp", "this is no picture");
  const LoadedPicture loaded = pipeline.Load(junk, picture::DecodeOptions{});
  EXPECT_FALSE(loaded.ok);
  EXPECT_EQ(loaded.holder.Width(), 0);
}

TEST_F(ShowPipelineTest, AGifBringsItsCommentLines) {
  ShowPipeline pipeline = Pipeline();
  const std::string gif = dir_.Write("said.gif", CommentedGif());
  const LoadedPicture loaded = pipeline.Load(gif, picture::DecodeOptions{});
  ASSERT_TRUE(loaded.ok);
  EXPECT_EQ(loaded.kind, picture::kKindGif);
  EXPECT_EQ(loaded.holder.Width(), 1);
  EXPECT_EQ(loaded.gif_comments, (std::vector<std::string>{"first line", "second"}));
}

}  // namespace
}  // namespace vr::shell
