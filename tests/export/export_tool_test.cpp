// veldrimon-tool export run as a process over real files: each written file read back through
// the program's readers and checked by giftext, identify and pngcheck; the run's overwrite rules,
// skipped files and exit codes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "picture/bitmap.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/codecs/codec_api.h"
#include "picture/codecs/gif/gif_graphics.h"
#include "picture/camera/camera_facts.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "test_support/exif_block.h"
#include "test_support/temp_dir.h"

namespace vr {
namespace {

// The reader gives a last empty line after the final line end the writer puts after each line.
std::vector<std::string> WithoutTrailingEmpty(std::vector<std::string> lines) {
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}


using picture::Bitmap;
using picture::PixelFormat;
using picture::Rgb;

std::string Tool() {
  const char* dir = std::getenv("VR_BINARY_DIR");
  return std::string(dir != nullptr ? dir : ".") + "/tools/veldrimon-tool";
}

struct ProcessRun {
  int code = -1;
  std::string out;
};

// Runs a shell command line and gives its exit code and standard output.
ProcessRun Shell(const std::string& command) {
  ProcessRun run;
  FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) run.out.append(buffer, n);
  const int status = ::pclose(pipe);
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

ProcessRun Export(const std::string& arguments) { return Shell(Tool() + " export " + arguments); }

bool Have(const char* program) {
  return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

Bitmap MakePhoto(int w, int h) {
  Bitmap b;
  b.Create(w, h, PixelFormat::k24);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = b.Row(y) + 3 * x;
      p[0] = static_cast<uint8_t>(x * 3);
      p[1] = static_cast<uint8_t>(y * 5);
      p[2] = static_cast<uint8_t>(200 - x);
    }
  }
  // A white block, the colour made transparent below.
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) std::fill_n(b.Row(y) + 3 * x, 3, 255);
  }
  return b;
}

std::string Q(const std::string& path) { return "'" + path + "'"; }

class ExportTool : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(Tool())) << "veldrimon-tool not built";
    photo_ = dir_.File("photo.bmp");
    ASSERT_TRUE(codecs::SaveBmp(photo_, MakePhoto(80, 50)).ok);
  }
  test_support::TempDir dir_;
  std::string photo_;
};

TEST_F(ExportTool, GifWithInterlaceCommentsAndTransparencyReadsBack) {
  const ProcessRun run = Export(Q(photo_) + " --tab gif --item \"32 Colors\" --interlaced --comment "
                         "\"made by a test\" --comment \"line two\" --transparent 0");
  const std::string target = dir_.File("photo.GIF");
  ASSERT_EQ(run.code, 0) << run.out;
  EXPECT_EQ(run.out, "written " + target + " " +
                         std::to_string(std::filesystem::file_size(target)) + "\n");
  codecs::gif::TGifGraphics reader;
  Bitmap back;
  ASSERT_TRUE(reader.LoadGif(target, back));
  EXPECT_EQ(back.Width(), 80);
  EXPECT_TRUE(reader.Interlaced());
  EXPECT_EQ(WithoutTrailingEmpty(reader.CommentLines()), (std::vector<std::string>{"made by a test", "line two"}));
  EXPECT_EQ(reader.TransparentIndex(), 0);
  if (Have("giftext")) {
    const ProcessRun text = Shell("giftext " + Q(target));
    EXPECT_EQ(text.code, 0);
    EXPECT_NE(text.out.find("Image is Interlaced"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("made by a test"), std::string::npos) << text.out;
  }
  if (Have("identify")) {
    const ProcessRun id = Shell("identify -format '%m %w %h' " + Q(target));
    EXPECT_EQ(id.out, "GIF 80 50");
  }
}

TEST_F(ExportTool, JpegPngAndTgaPassThePeerTools) {
  ASSERT_EQ(Export(Q(photo_) + " --tab jpg --gray --quality 80").code, 0);
  ASSERT_EQ(Export(Q(photo_) + " --tab png").code, 0);
  ASSERT_EQ(Export(Q(photo_) + " --tab tga --item \"16M True-Color\"").code, 0);
  Bitmap png;
  ASSERT_TRUE(codecs::LoadPngFile(dir_.File("photo.PNG"), png, false, {}).ok());
  const Bitmap source = MakePhoto(80, 50);
  for (int y = 0; y < 50; y += 7) {
    for (int x = 0; x < 80; x += 9) EXPECT_EQ(png.ColourAt(x, y), source.ColourAt(x, y));
  }
  Bitmap tga;
  ASSERT_EQ(codecs::LoadTga(dir_.File("photo.TGA"), tga, {}).depth, 24);
  EXPECT_EQ(tga.ColourAt(40, 30), source.ColourAt(40, 30));
  if (Have("identify")) {
    EXPECT_EQ(Shell("identify -format '%m %[channels]' " + Q(dir_.File("photo.JPG"))).out,
              "JPEG gray");
  }
  if (Have("pngcheck")) {
    EXPECT_EQ(Shell("pngcheck -q " + Q(dir_.File("photo.PNG"))).code, 0);
  }
}

TEST_F(ExportTool, BmpVgaItemAndDefaultByDepth) {
  ASSERT_EQ(Export(Q(photo_) + " --tab bmp --item \"8 Colors (VGA)\" --closest").code, 0);
  Bitmap back;
  ASSERT_TRUE(codecs::LoadBmpFile(dir_.File("photo.BMP"), back).ok());
  EXPECT_EQ(back.Bits(), 4);
  // "default" picks by the picture's depth: 24 bits -> "16M True-Color" on the PCX tab.
  ASSERT_EQ(Export(Q(photo_) + " --tab pcx --item default").code, 0);
  Bitmap pcx;
  EXPECT_EQ(codecs::LoadPcx(dir_.File("photo.PCX"), pcx, {}).depth, 24);
  if (Have("identify")) {
    EXPECT_EQ(Shell("identify -format '%m %w' " + Q(dir_.File("photo.PCX"))).out, "PCX 80");
  }
}

TEST_F(ExportTool, ExistingTargetsUnreadableAndMediaFiles) {
  const std::string second = dir_.File("second.bmp");
  ASSERT_TRUE(codecs::SaveBmp(second, MakePhoto(16, 16)).ok);
  const std::string broken = dir_.WriteText("broken.bmp", "not a picture at all");
  const std::string sound = dir_.WriteText("noise.wav", "RIFF....WAVE");
  const std::string existing = dir_.WriteText("second.GIF", "keep me");
  const std::string files =
      Q(photo_) + " " + Q(second) + " " + Q(broken) + " " + Q(sound) + " --tab gif";

  ProcessRun run = Export(files + " --no-to-all");
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.out.find("written " + dir_.File("photo.GIF")), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("skipped " + second + ": "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("skipped " + broken + ": "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("skipped " + sound + ": "), std::string::npos) << run.out;
  EXPECT_FALSE(std::filesystem::exists(dir_.File("broken.GIF")));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("noise.GIF")));
  auto kept = test_support::TempDir::Read(existing);
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "keep me");

  run = Export(Q(photo_) + " " + Q(second) + " --tab gif --yes-to-all");
  EXPECT_EQ(run.code, 0) << run.out;
  Bitmap back;
  ASSERT_TRUE(codecs::LoadGifStill(existing, back, Rgb{}, nullptr).ok());
  EXPECT_EQ(back.Width(), 16);
  // Nothing but the pictures is left in the folder: no temporary files.
  for (const auto& entry : std::filesystem::directory_iterator(dir_.Path())) {
    EXPECT_EQ(entry.path().filename().string().find("~VRX"), std::string::npos);
  }
}

TEST_F(ExportTool, SaveAsTakesTheTabExtensionAndRefusesUnknownOnes) {
  ProcessRun run = Export(Q(photo_) + " --tab pic --save " + Q(dir_.File("copy")));
  ASSERT_EQ(run.code, 0) << run.out;
  Bitmap back;
  EXPECT_TRUE(codecs::LoadPic(dir_.File("copy.PIC"), back, {}).ok());
  run = Export(Q(photo_) + " --tab pic --save " + Q(dir_.File("copy.webp")));
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.out.find("skipped " + photo_ + ": "), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("copy.webp")));
  // Usage errors.
  EXPECT_EQ(Export(Q(photo_) + " --tab webp").code, 2);
  EXPECT_EQ(Export(Q(photo_) + " --tab gif --item \"17 Colors\"").code, 2);
  EXPECT_EQ(Export(Q(photo_) + " --tab jpg --quality 101").code, 2);
}

// A camera JPEG converted to JPEG keeps its Exif block and colour profile, read back by the
// program and by identify.
TEST_F(ExportTool, JpegToJpegKeepsExifAndColourProfile) {
  codecs::JpegMetadata metadata;
  metadata.exif = test_support::MakeExifSegment({1, true, false});
  metadata.icc = test_support::MakeRgbProfile(90000);
  const std::string source = dir_.File("camera.jpg");
  ASSERT_TRUE(
      codecs::SaveJpeg(source, MakePhoto(80, 50), codecs::JpegSaveOptions{90, false}, &metadata).ok);
  const ProcessRun run = Export(Q(source) + " --tab jpg --quality 80");
  ASSERT_EQ(run.code, 0) << run.out;
  const std::string target = dir_.File("camera.JPG");
  const codecs::JpegMetadata back = codecs::ReadJpegMetadata(target);
  EXPECT_EQ(back.exif, metadata.exif);
  EXPECT_EQ(back.icc, metadata.icc);
  EXPECT_EQ(camera::ReadCameraFacts(target).make, "Veldrimon Optics");
  if (Have("identify")) {
    EXPECT_EQ(Shell("identify -format '%[EXIF:Model] %[EXIF:Orientation]' " + Q(target)).out,
              "VX-100 1");
    const ProcessRun verbose = Shell("identify -verbose " + Q(target));
    EXPECT_NE(verbose.out.find("Profile-icc: 90000 bytes"), std::string::npos) << verbose.out;
    EXPECT_NE(verbose.out.find("Profile-exif:"), std::string::npos);
  }
  // A photo the camera held on its side is written upright, its block saying orientation 1.
  metadata.exif = test_support::MakeExifSegment({6, true, false});
  const std::string sideways = dir_.File("sideways.jpg");
  ASSERT_TRUE(codecs::SaveJpeg(sideways, MakePhoto(80, 50), codecs::JpegSaveOptions{90, false},
                               &metadata).ok);
  ASSERT_EQ(Export(Q(sideways) + " --tab jpg").code, 0);
  const std::string upright = dir_.File("sideways.JPG");
  EXPECT_EQ(camera::ReadCameraFacts(upright).orientation, 1);
  EXPECT_EQ(camera::ReadCameraFacts(upright).model, "VX-100");
  EXPECT_EQ(codecs::ReadJpegHeader(upright).width, 50);
  EXPECT_EQ(codecs::ReadJpegHeader(upright).height, 80);
  if (Have("identify")) {
    EXPECT_EQ(Shell("identify -format '%[EXIF:Orientation] %w %h' " + Q(upright)).out, "1 50 80");
  }
    // Into another format nothing is carried over, and a BMP source has none to carry.
  ASSERT_EQ(Export(Q(source) + " --tab png").code, 0);
  ASSERT_EQ(Export(Q(photo_) + " --tab jpg").code, 0);
  EXPECT_TRUE(codecs::ReadJpegMetadata(dir_.File("photo.JPG")).exif.empty());
}

}  // namespace
}  // namespace vr
