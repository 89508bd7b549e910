// The pages veldrimon-tool webpages writes, byte for byte, against pages written out by hand:
// the default look, every style option with both images, a fresh template, and a user's template
// filled in at a fixed time. The expected files keep plain line feeds; every page line ends with
// CR LF.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "picture/bitmap.h"
#include "picture/codecs/gif/gif_graphics.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "test_support/temp_dir.h"

#if defined(VELDRIMON_TOOL_BINARY) && defined(VR_WEB_GOLDEN_DIR)
namespace vr::web {
namespace {

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string Golden(const std::string& name) {
  const std::string text = ReadText(std::string(VR_WEB_GOLDEN_DIR) + "/" + name);
  EXPECT_FALSE(text.empty()) << name;
  std::string crlf;
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return crlf;
}

void Jpeg(const std::string& path, int w, int h) {
  picture::Bitmap bm;
  bm.Create(w, h, picture::PixelFormat::k24);
  ASSERT_TRUE(codecs::SaveJpeg(path, bm, {90, false}).ok) << path;
}

void Gif(const std::string& path, int w, int h) {
  picture::Bitmap bm;
  bm.Create(w, h, picture::PixelFormat::k8);
  std::vector<picture::Rgb> palette(256, picture::Rgb{200, 30, 30});
  codecs::gif::TGifGraphics gif;
  std::string error;
  ASSERT_TRUE(gif.SaveGif(path, bm, palette, {256, -1, false, false, {}}, &error)) << error;
}

class WebGoldenTest : public ::testing::Test {
 protected:
  // A Web Folder of a 300 x 200 and a 200 x 300 picture, its "webpages" made.
  void SetUp() override {
    Jpeg(dir_.File("a.jpg"), 300, 200);
    Jpeg(dir_.File("b.jpg"), 200, 300);
    std::filesystem::create_directories(Pages());
  }
  std::string Pages() const { return dir_.File("webpages/"); }
  // The tool at a fixed zone; its standard error on failure.
  void Run(const std::string& options) {
    const std::string err = dir_.File("err.txt");
    const std::string command = "TZ=UTC " + std::string(VELDRIMON_TOOL_BINARY) + " webpages " +
                                dir_.Path() + " " + options + " >/dev/null 2>" + err;
    const int rc = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 0) << command << "\n" << ReadText(err);
  }
  void ExpectPage(const std::string& page, const std::string& golden) {
    EXPECT_EQ(ReadText(Pages() + page), Golden(golden)) << page;
  }
  test_support::TempDir dir_;
};

TEST_F(WebGoldenTest, DefaultLook) {
  Run("");
  ExpectPage("index.html", "default_index.html");
}

TEST_F(WebGoldenTest, EveryStyleBothImagesAndTheFreshTemplate) {
  std::filesystem::copy_file(std::string(VR_WEB_GOLDEN_DIR) + "/styles_WebInfo.INI",
                             Pages() + "WebInfo.INI");
  Gif(Pages() + "WP_BGImage.GIF", 16, 16);
  Gif(Pages() + "WP_MainImage.GIF", 400, 300);
  Run("");
  ExpectPage("default.htm", "styles_default.htm");
  ExpectPage("default2.htm", "styles_default2.htm");
  Run("--make-template");
  ExpectPage("WP_Template.Html", "styles_WP_Template.Html");
}

TEST_F(WebGoldenTest, UsersTemplateAtAFixedTime) {
  dir_.WriteText("webpages/WebInfo.INI",
                 "[General]\nTemplateMode=1\n[ThumbNails]\nMax_Number=1\n");
  // Line ends of every kind: CR LF, a lone CR, LF.
  std::string text = ReadText(std::string(VR_WEB_GOLDEN_DIR) + "/own_template.html");
  text.replace(text.find('\n'), 1, "\r\n");
  text.replace(text.find('\n', text.find("\r\n") + 2), 1, "\r");
  dir_.WriteText("webpages/WP_Template.Html", text);
  Run("--now \"2026-03-07 13:05:09\"");
  ExpectPage("index.html", "own_index.html");
  ExpectPage("index2.html", "own_index2.html");
}

}  // namespace
}  // namespace vr::web
#endif
