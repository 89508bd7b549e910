// veldrimon-tool convert with the reduction options, run as a process: the picture it writes,
// its agreement with "reduce", and its refusals.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <set>
#include <string>

#include "gif/gif_test_support.h"
#include "picture/bitmap.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/codecs/codec_api.h"
#include "picture/codecs/gif/gif_graphics.h"
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

// A photograph as PNG (rows of an odd length, so BMP rows carry padding) gives the same files as
// the same picture from BMP, byte for byte and run after run, with and without reduction.
TEST_F(ConvertTool, PngAndBmpOfOnePhotoConvertToTheSameBytes) {
  picture::Bitmap b;
  b.Create(97, 61, picture::PixelFormat::k24);
  for (int y = 0; y < 61; ++y) {
    uint8_t* row = b.Row(y);
    for (int x = 0; x < 97; ++x) {
      row[3 * x] = static_cast<uint8_t>(40 + x + (x * y) % 7);
      row[3 * x + 1] = static_cast<uint8_t>(y * 3 + (x % 5));
      row[3 * x + 2] = static_cast<uint8_t>(200 - x);
    }
  }
  const std::string bmp = dir_.File("odd.bmp"), png = dir_.File("odd.png");
  ASSERT_TRUE(codecs::SaveBmp(bmp, b).ok);
  ASSERT_TRUE(codecs::SavePngFile(png, b).ok);
  const auto bytes = [](const std::string& path) { return test_support::TempDir::Read(path); };
  for (const char* options : {"", "--colours 256 --dither", "--colours 256 --remap",
                              "--colours 16 --dither"}) {
    SCOPED_TRACE(options);
    const std::string from_bmp = dir_.File("from_bmp.bmp"), from_png = dir_.File("from_png.bmp"),
                      again = dir_.File("again.bmp");
    ASSERT_EQ(RunTool("convert " + bmp + " " + from_bmp + " " + options), 0);
    ASSERT_EQ(RunTool("convert " + png + " " + from_png + " " + options), 0);
    ASSERT_EQ(RunTool("convert " + png + " " + again + " " + options), 0);
    EXPECT_EQ(bytes(from_png), bytes(from_bmp));
    EXPECT_EQ(bytes(again), bytes(from_png));
    const picture::Bitmap out = Load(from_png);
    if (options[0] != '\0') {
      EXPECT_EQ(out.Bits(), 8);
      const bool sixteen = std::string(options).find("16") != std::string::npos;
      EXPECT_LE(Indices(out).size(), sixteen ? 16u : 256u);
    }
  }
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

// The tool's exit code and what it wrote to its error output.
int RunToolCapturing(const std::string& arguments, const std::string& errors, std::string* text) {
  const int status = std::system((Tool() + " " + arguments + " >/dev/null 2>" + errors).c_str());
  std::ifstream in(errors);
  std::stringstream all;
  all << in.rdbuf();
  *text = all.str();
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A two-image GIF from our own writer whose images carry different colour tables; the second
// image covers the top-left 2 x 2 pixels of the 4 x 3 first one.
std::vector<uint8_t> TwoTableGif(const std::vector<picture::Rgb>& first_colours,
                                 const std::vector<picture::Rgb>& second_colours) {
  picture::Bitmap first;
  first.Create(4, 3, picture::PixelFormat::k8);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) first.Row(y)[x] = static_cast<uint8_t>((x + y) & 1);
  }
  picture::Bitmap second;
  second.Create(2, 2, picture::PixelFormat::k8);
  second.Row(1)[1] = 1;
  codecs::gif::GifWriterOptions options;
  options.colour_count = 2;
  return codecs::gif::testing::JoinWithLocalTables(
      {codecs::gif::TGifGraphics::EncodeGif(first, first_colours, options),
       codecs::gif::TGifGraphics::EncodeGif(second, second_colours, options)});
}

// Converting an animation whose images have their own tables keeps each image's colours: the
// first image's background does not take the second image's table.
TEST_F(ConvertTool, AnimationWithLocalTablesKeepsEachImagesColours) {
  const std::vector<picture::Rgb> a = {{200, 0, 0}, {0, 0, 200}};
  const std::vector<picture::Rgb> b = {{0, 255, 0}, {255, 255, 0}};
  const std::string in = dir_.Write("two.gif", TwoTableGif(a, b));
  const std::string out = dir_.File("two.bmp");
  ASSERT_EQ(RunTool("convert " + in + " " + out), 0);
  const picture::Bitmap converted = Load(out);
  ASSERT_EQ(converted.Width(), 4);
  ASSERT_EQ(converted.Height(), 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      picture::Rgb want = a[static_cast<size_t>((x + y) & 1)];
      if (x < 2 && y < 2) want = b[x == 1 && y == 1 ? 1 : 0];
      EXPECT_EQ(converted.ColourAt(x, y), want) << x << "," << y;
    }
  }
}

// Palette pictures keep their exact 8-bit colours through a conversion to GIF, BMP and PNG.
TEST_F(ConvertTool, PaletteColoursSurviveConversionExactly) {
  picture::Bitmap picture;
  picture.Create(5, 2, picture::PixelFormat::k4);
  for (int x = 0; x < 5; ++x) {
    picture.Row(0)[x / 2] = static_cast<uint8_t>(picture.Row(0)[x / 2] | (x & 1 ? 1 : 0x20));
  }
  std::vector<picture::Rgb> colours(16);
  colours[0] = {8, 16, 18};
  colours[1] = {255, 1, 130};
  colours[2] = {3, 254, 77};
  picture.SetPalette(colours);
  const std::string in = dir_.File("colours.gif");
  ASSERT_TRUE(codecs::SaveGif(in, picture, codecs::GifSaveOptions()).ok);
  for (const char* extension : {"gif", "bmp", "png"}) {
    const std::string out = dir_.File(std::string("colours_out.") + extension);
    ASSERT_EQ(RunTool("convert " + in + " " + out), 0) << extension;
    picture::Bitmap back;
    if (std::string(extension) == "bmp") {
      ASSERT_TRUE(codecs::LoadBmpFile(out, back).ok());
    } else if (std::string(extension) == "png") {
      ASSERT_TRUE(codecs::LoadPngFile(out, back, false, picture::DecodeOptions()).ok());
    } else {
      ASSERT_TRUE(codecs::LoadGifStill(out, back, picture::Rgb{}, nullptr).ok());
    }
    EXPECT_EQ(back.ColourAt(0, 0), colours[2]) << extension;
    EXPECT_EQ(back.ColourAt(1, 0), colours[1]) << extension;
    EXPECT_EQ(back.ColourAt(0, 1), colours[0]) << extension;
    EXPECT_EQ(back.ColourAt(4, 1), colours[0]) << extension;
  }
}

// For the output the last extension decides the writer; a last extension that names no writer
// is refused with the list of those that do, and nothing is written.
TEST_F(ConvertTool, OutputFormatFollowsTheLastExtension) {
  const std::string bmp = dir_.File("photo.jpg.out.bmp");
  ASSERT_EQ(RunTool("convert " + source_ + " " + bmp), 0);
  std::ifstream file(bmp, std::ios::binary);
  char magic[2] = {};
  file.read(magic, 2);
  EXPECT_EQ(std::string(magic, 2), "BM");
  EXPECT_EQ(Load(bmp).Width(), 96);

  const std::string png = dir_.File("Picture.BMP.PnG");
  ASSERT_EQ(RunTool("convert " + source_ + " " + png), 0);
  picture::Bitmap back;
  EXPECT_TRUE(codecs::LoadPngFile(png, back, false, picture::DecodeOptions()).ok());

  for (const char* name : {"photo.bmp.txt", "photo.jpg.out", "noextension", "dir.gif/plain"}) {
    const std::string out = dir_.File(name);
    std::string errors;
    EXPECT_EQ(RunToolCapturing("convert " + source_ + " " + out, dir_.File("errors.txt"), &errors),
              1)
        << name;
    EXPECT_NE(errors.find(".bmp, .jpg, .jpe, .jpeg, .ico, .gif, .pcx, .tga, .targa, .pic, .png"),
              std::string::npos)
        << name << ": " << errors;
    EXPECT_FALSE(std::filesystem::exists(out)) << name;
  }
}

// A 16-bit black-and-white TGA (grey and alpha bytes) converts as greys.
TEST_F(ConvertTool, SixteenBitGreyTgaConvertsAsGreys) {
  std::vector<uint8_t> tga = {0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 1, 0, 16, 0x20};
  for (const uint8_t grey : {0x11, 0x80, 0xEE}) {
    tga.push_back(grey);
    tga.push_back(0xFF);
  }
  const std::string in = dir_.Write("grey.tga", tga);
  const std::string out = dir_.File("grey.bmp");
  ASSERT_EQ(RunTool("convert " + in + " " + out), 0);
  const picture::Bitmap converted = Load(out);
  EXPECT_EQ(converted.ColourAt(0, 0), (picture::Rgb{0x11, 0x11, 0x11}));
  EXPECT_EQ(converted.ColourAt(1, 0), (picture::Rgb{0x80, 0x80, 0x80}));
  EXPECT_EQ(converted.ColourAt(2, 0), (picture::Rgb{0xEE, 0xEE, 0xEE}));
}

// A BMP whose data offset points into its own colour table converts to the picture the table
// and the pixels after it describe.
TEST_F(ConvertTool, BmpWithItsDataOffsetInsideTheTableConverts) {
  std::vector<uint8_t> bmp = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0};
  const auto put32 = [&bmp](uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  const auto put16 = [&bmp](uint32_t v) {
    bmp.push_back(static_cast<uint8_t>(v));
    bmp.push_back(static_cast<uint8_t>(v >> 8));
  };
  put32(14 + 40 + 4 * 4 - 8);  // two entries short of the table's end
  put32(40);
  put32(3);  // width
  put32(1);  // height
  put16(1);
  put16(8);
  for (int i = 0; i < 4; ++i) put32(0);
  put32(4);  // colours used
  put32(0);
  const std::vector<picture::Rgb> table = {{1, 2, 3}, {40, 50, 60}, {200, 100, 0}, {9, 9, 250}};
  for (const picture::Rgb& c : table) {
    bmp.insert(bmp.end(), {c.b, c.g, c.r, 0});
  }
  bmp.insert(bmp.end(), {3, 1, 2, 0});  // one row, padded
  const std::string in = dir_.Write("offset.bmp", bmp);
  const std::string out = dir_.File("offset.png");
  ASSERT_EQ(RunTool("convert " + in + " " + out), 0);
  picture::Bitmap back;
  ASSERT_TRUE(codecs::LoadPngFile(out, back, false, picture::DecodeOptions()).ok());
  ASSERT_EQ(back.Width(), 3);
  EXPECT_EQ(back.ColourAt(0, 0), table[3]);
  EXPECT_EQ(back.ColourAt(1, 0), table[1]);
  EXPECT_EQ(back.ColourAt(2, 0), table[2]);
}

}  // namespace
}  // namespace vr
