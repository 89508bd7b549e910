// Printed PDFs and catalogue page files checked as pixels: the picture where its placement says,
// the landscape page, each catalogue cell's colour and doubled frame where the layout puts them,
// and the single frames of page files.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "colour/export/export_picture.h"
#include "picture/decode_options.h"
#include "picture/load/loader.h"
#include "test_support/temp_dir.h"

namespace vr::print {
namespace {

std::string Tool() {
  const char* dir = std::getenv("VR_BINARY_DIR");
  return std::string(dir != nullptr ? dir : ".") + "/tools/veldrimon-tool";
}

struct ProcessRun {
  int code = -1;
  std::string out;
};

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

bool HavePoppler() {
  return std::system("command -v pdfinfo >/dev/null 2>&1 && command -v pdftoppm >/dev/null 2>&1") ==
         0;
}

// One field of pdfinfo's report ("Pages", "Title", "Page size").
std::string PdfInfo(const std::string& pdf, const std::string& field) {
  std::istringstream lines(Shell("pdfinfo '" + pdf + "'").out);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(field + ":", 0) == 0) {
      const size_t value = line.find_first_not_of(' ', field.size() + 1);
      return value == std::string::npos ? std::string() : line.substr(value);
    }
  }
  return {};
}

struct Raster {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;
  struct Px {
    int r, g, b;
  };
  Px At(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * width + x) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
  }
  bool Dark(int x, int y) const {
    const Px p = At(x, y);
    return p.r < 80 && p.g < 80 && p.b < 80;
  }
  bool White(int x, int y) const {
    const Px p = At(x, y);
    return p.r > 240 && p.g > 240 && p.b > 240;
  }
};

// Page `page` of a PDF rendered at 300 dpi by pdftoppm.
Raster RenderPage(const std::string& pdf, int page, const std::string& prefix) {
  Raster raster;
  const std::string p = std::to_string(page);
  if (Shell("pdftoppm -r 300 -f " + p + " -l " + p + " -singlefile '" + pdf + "' '" + prefix +
            "'").code != 0) {
    return raster;
  }
  std::ifstream in(prefix + ".ppm", std::ios::binary);
  std::string magic;
  int maxval = 0;
  in >> magic >> raster.width >> raster.height >> maxval;
  in.get();
  if (magic != "P6" || maxval != 255) return Raster{};
  raster.rgb.resize(static_cast<size_t>(raster.width) * raster.height * 3);
  in.read(reinterpret_cast<char*>(raster.rgb.data()), static_cast<std::streamsize>(raster.rgb.size()));
  return raster;
}

std::string SolidPicture(const test_support::TempDir& dir, const std::string& name, int w, int h,
                         uint8_t r, uint8_t g, uint8_t b) {
  picture::PictureHolder holder;
  holder.bitmap.Create(w, h, picture::PixelFormat::k24);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      uint8_t* p = holder.bitmap.Row(y) + x * 3;
      p[0] = b;
      p[1] = g;
      p[2] = r;
    }
  }
  const std::string path = dir.File(name);
  EXPECT_TRUE(colour::SavePictureAs(path, holder));
  return path;
}

class PrintOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HavePoppler()) GTEST_SKIP() << "poppler-utils (pdfinfo, pdftoppm) not installed";
  }
  test_support::TempDir dir_;
};

TEST_F(PrintOutputTest, PictureOnLetterAt300DpiLandsWhereItsPlacementSays) {
  const std::string picture = SolidPicture(dir_, "red600.bmp", 600, 400, 255, 0, 0);
  const std::string pdf = dir_.File("one.pdf");
  ProcessRun run = Shell(Tool() + " print '" + picture + "' --out '" + pdf + "'");
  ASSERT_EQ(run.code, 0);
  EXPECT_EQ(run.out, "0 775 2400 2375\n");
  EXPECT_EQ(PdfInfo(pdf, "Pages"), "1");
  EXPECT_EQ(PdfInfo(pdf, "Title"), "red600.bmp");
  EXPECT_EQ(PdfInfo(pdf, "Page size").rfind("612 x 792 pts", 0), 0u);

  const Raster page = RenderPage(pdf, 1, dir_.File("one"));
  ASSERT_EQ(page.width, 2550);
  ASSERT_EQ(page.height, 3300);
  // Quarter-inch margins put the printable area at 75, 75: the picture covers rows 850-2449
  // (the rasteriser may take one row more on either side).
  int first = -1;
  int last = -1;
  for (int y = 0; y < page.height; ++y) {
    const Raster::Px p = page.At(1275, y);
    if (p.r > 200 && p.g < 50 && p.b < 50) {
      if (first < 0) first = y;
      last = y;
    }
  }
  EXPECT_NEAR(first, 850, 1);
  EXPECT_NEAR(last, 2449, 1);
  EXPECT_TRUE(page.White(1275, 840));
  EXPECT_TRUE(page.White(1275, 2460));
  EXPECT_TRUE(page.White(40, 1600));  // outside the printable area

  // A picture that cannot be read prints nothing (not the 1 x 1 failure picture).
  const std::string broken = dir_.WriteText("broken.bmp", "BM not really");
  EXPECT_NE(Shell(Tool() + " print '" + broken + "' --out '" + dir_.File("no.pdf") + "'").code, 0);
}

TEST_F(PrintOutputTest, LandscapeTurnsThePageAndMarginsLeavingNoRoomPrintNothing) {
  const std::string picture = SolidPicture(dir_, "blue.bmp", 600, 400, 0, 0, 255);
  const std::string pdf = dir_.File("wide.pdf");
  ProcessRun run = Shell(Tool() + " print '" + picture + "' --landscape --out '" + pdf + "'");
  ASSERT_EQ(run.code, 0);
  // 3150 x 2400: s = 5.25, 3150 x 2100 from top 150.
  EXPECT_EQ(run.out, "0 150 3150 2250\n");
  EXPECT_EQ(PdfInfo(pdf, "Page size").rfind("792 x 612 pts", 0), 0u);
  const Raster page = RenderPage(pdf, 1, dir_.File("wide"));
  ASSERT_EQ(page.width, 3300);
  EXPECT_GT(page.At(1650, 1275).b, 200);
  EXPECT_TRUE(page.White(1650, 150 + 75 - 5));

  run = Shell(Tool() + " print '" + picture + "' --margins 5.00 1.00 --out '" +
              dir_.File("none.pdf") + "'");
  EXPECT_NE(run.code, 0);
}

TEST_F(PrintOutputTest, TwoPageCatalogueHasEachCellsColourAndDoubledFrame) {
  const uint8_t kColours[6][3] = {{255, 0, 0}, {0, 160, 0},   {0, 0, 255},
                                  {255, 255, 0}, {0, 255, 255}, {255, 0, 255}};
  std::string files;
  for (int i = 0; i < 12; ++i) {
    const uint8_t* c = kColours[i % 6];
    files += " '" + SolidPicture(dir_, "c" + std::to_string(10 + i) + ".jpg", 300, 200, c[0],
                                 c[1], c[2]) + "'";
  }
  const std::string pdf = dir_.File("cat.pdf");
  const std::string args = files + " --rows 3 --shape square --dest paper";
  ProcessRun layout = Shell(Tool() + " catalog" + args + " --layout");
  ASSERT_EQ(layout.code, 0);
  ProcessRun run = Shell(Tool() + " catalog" + args + " --out '" + pdf + "'");
  ASSERT_EQ(run.code, 0);
  EXPECT_EQ(PdfInfo(pdf, "Pages"), "2");
  EXPECT_EQ(PdfInfo(pdf, "Title"), "Veldrimon-Thumb Catalog");

  std::istringstream lines(layout.out);
  std::vector<Raster> pages = {RenderPage(pdf, 1, dir_.File("p1")),
                               RenderPage(pdf, 2, dir_.File("p2"))};
  ASSERT_EQ(pages[1].width, 2550);
  int cells = 0;
  int page_number, left, top, right, bottom;
  std::string path;
  while (lines >> page_number >> left >> top >> right >> bottom >> path) {
    ASSERT_TRUE(page_number == 1 || page_number == 2);
    const Raster& page = pages[page_number - 1];
    const int index = cells++;
    const uint8_t* c = kColours[index % 6];
    // The printable area starts 75 pixels in on both axes.
    const int cx = 75 + (left + right) / 2;
    const int cy = 75 + (top + bottom) / 2;
    const Raster::Px p = page.At(cx, cy);
    EXPECT_NEAR(p.r, c[0], 40) << path;
    EXPECT_NEAR(p.g, c[1], 40) << path;
    EXPECT_NEAR(p.b, c[2], 40) << path;
    // The doubled frame: the two outer pixel lines on each side are black, the third is not.
    for (int d = 0; d < 2; ++d) {
      EXPECT_TRUE(page.Dark(75 + left + d, cy)) << path << " left " << d;
      EXPECT_TRUE(page.Dark(75 + right - 1 - d, cy)) << path << " right " << d;
      EXPECT_TRUE(page.Dark(cx, 75 + top + d)) << path << " top " << d;
      EXPECT_TRUE(page.Dark(cx, 75 + bottom - 1 - d)) << path << " bottom " << d;
    }
    EXPECT_FALSE(page.Dark(75 + left + 3, cy)) << path;
  }
  EXPECT_EQ(cells, 12);
}

TEST_F(PrintOutputTest, PageFilesOf640x480HaveTheirFramesExactlyWhereTheLayoutSays) {
  std::string files;
  for (int i = 0; i < 9; ++i) {
    files += " '" + SolidPicture(dir_, "g" + std::to_string(i) + ".bmp", 120, 120, 0, 128, 0) +
             "'";
  }
  const std::string out = dir_.File("PAGE.BMP");
  ProcessRun run = Shell(Tool() + " catalog" + files +
                         " --rows 5 --shape square --dest 640x480 --out '" + out + "'");
  ASSERT_EQ(run.code, 0);
  EXPECT_EQ(run.out, dir_.File("PAGE_1.BMP") + "\n");
  picture::PictureHolder holder;
  picture::LoadDetails details;
  picture::LoadPicture(dir_.File("PAGE_1.BMP"), holder, picture::DecodeOptions{}, &details);
  ASSERT_FALSE(details.failed);
  const picture::Bitmap& page = holder.AsBitmap();
  ASSERT_EQ(page.Width(), 640);
  ASSERT_EQ(page.Height(), 480);
  auto black = [&](int x, int y) { return page.ColourAt(x, y) == picture::Rgb{0, 0, 0}; };
  // Seven 82-wide cells on the first row, two on the second (top 96).
  for (int cell = 0; cell < 9; ++cell) {
    const int left = (cell % 7) * 82;
    const int top = (cell / 7) * 96;
    EXPECT_TRUE(black(left, top + 41)) << cell;
    EXPECT_TRUE(black(left + 81, top + 41)) << cell;
    EXPECT_TRUE(black(left + 41, top)) << cell;
    EXPECT_TRUE(black(left + 41, top + 81)) << cell;
    // A single frame on file pages, the thumbnail right inside it.
    EXPECT_EQ(page.ColourAt(left + 1, top + 41).g > 100, true) << cell;
  }
  EXPECT_EQ(page.ColourAt(300, 300), (picture::Rgb{255, 255, 255}));
}

}  // namespace
}  // namespace vr::print
