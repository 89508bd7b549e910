// Printing from the real viewer: "&Print" of the shown picture into a PDF file that poppler reads
// back, and the catalogue window of the running program writing page files and a PDF, driven
// through its real dialogs.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <sstream>
#include <thread>

#include "shell_process/process_fixture.h"

namespace {

using namespace vr::process_testing;
namespace fs = std::filesystem;

constexpr const char* kCatalog = "Print/Save - Catalog Of Tagged Files (Thumbnails)";
constexpr const char* kSaveTitle = "Save catalog page(s) AS...";

bool Shell(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Output(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[1024];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

// A binary PPM (P6, maxval 255) as pdftoppm writes it.
struct Ppm {
  int width = 0;
  int height = 0;
  std::string pixels;
  bool Near(int x, int y, int r, int g, int b, int tolerance) const {
    const size_t at = (static_cast<size_t>(y) * width + x) * 3;
    if (x < 0 || y < 0 || x >= width || y >= height || at + 2 >= pixels.size()) return false;
    const auto c = [&](size_t i) { return static_cast<int>(static_cast<unsigned char>(pixels[i])); };
    return std::abs(c(at) - r) <= tolerance && std::abs(c(at + 1) - g) <= tolerance &&
           std::abs(c(at + 2) - b) <= tolerance;
  }
};

Ppm ReadPpm(const std::string& path) {
  Ppm ppm;
  std::istringstream in(ReadAll(path));
  std::string magic;
  int maxval = 0;
  in >> magic >> ppm.width >> ppm.height >> maxval;
  in.get();
  if (magic != "P6" || maxval != 255) return {};
  ppm.pixels.assign(std::istreambuf_iterator<char>(in), {});
  return ppm;
}

// A solid picture of one colour, saved as a 24-bit BMP.
void SolidBmp(const std::string& path, int w, int h, int r, int g, int b) {
  vr::picture::Bitmap bitmap;
  ASSERT_TRUE(bitmap.Create(w, h, vr::picture::PixelFormat::k24));
  for (int y = 0; y < h; ++y) {
    uint8_t* row = bitmap.Row(y);
    for (int x = 0; x < w; ++x) {
      row[x * 3] = static_cast<uint8_t>(b);
      row[x * 3 + 1] = static_cast<uint8_t>(g);
      row[x * 3 + 2] = static_cast<uint8_t>(r);
    }
  }
  ASSERT_TRUE(vr::codecs::SaveBmp(path, bitmap).ok);
}

class PrintProcessTest : public ViewerProcessTest {
 protected:
  // Hands a batch to the viewer without waiting for its answer (an entry that opens a modal
  // window answers only when the window closes); gives the batch's id once the viewer took it.
  std::string Send(const std::vector<std::string>& lines) {
    const std::string file = viewer_state_ + ".cmd";
    const std::string id = "#" + std::to_string(++batch_);
    std::string text = id + "\n";
    for (const std::string& line : lines) text += line + "\n";
    WriteAside(file, text);
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (fs::exists(file) && Clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return id;
  }
  // The answer of batch `id` once it is complete; empty on timeout.
  std::string WaitAnswer(const std::string& id) {
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (Clock::now() < deadline) {
      if (std::string block; Answer(ReadAll(viewer_state_ + ".cmd.done"), id, &block)) {
        return block;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return "timeout";
  }
  // Waits until a modal window is open, titled `title` (any title when empty); gives its title.
  std::string WaitModal(const std::string& title) {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    std::string text;
    while (Clock::now() < deadline) {
      text = ReadAll(viewer_state_ + ".cmd.modal");
      const std::string shown = text.substr(0, text.find('\n'));
      if (!shown.empty() && (title.empty() || shown == title)) return shown;
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return "none";
  }
  std::string Click(const std::string& caption) {
    return Command({std::string("!click ") + kCatalog + "|" + caption}, viewer_state_);
  }
  // Clicks `caption` once the window takes clicks again (it is disabled while pages are output
  // and handles events between pages).
  std::string ClickWhenEnabled(const std::string& caption) {
    std::string result = "timeout";
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (Clock::now() < deadline) {
      result = Click(caption);
      if (result != "disabled\n") break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return result;
  }
};

TEST_F(PrintProcessTest, PrintTheShownPictureAndSaveAndPrintACatalogFromTheRunningViewer) {
  if (!Shell("command -v pdfinfo") || !Shell("command -v pdftoppm")) {
    GTEST_SKIP() << "poppler-utils (pdfinfo, pdftoppm) is not installed";
  }
  // Rows and shape of the catalogue come from the settings file.
  dir_.WriteText("home/VELDR.INI",
                 "[General]\nMultiLoad=1\nSetup=YES\nVersion=Veldrimon 2.1.3\n"
                 "Date_UpdateMessageShown=99999\n[Catalog]\nPrintRows=5\nPrintStyle=2\n");
  fs::create_directories(dir_.File("pics"));
  fs::create_directories(dir_.File("out"));
  // a.bmp, a red 600 x 400 picture, first in the list; 40 blue ones after it.
  SolidBmp(dir_.File("pics/a.bmp"), 600, 400, 0xC0, 0x20, 0x20);
  for (int i = 10; i < 50; ++i) {
    SolidBmp(dir_.File("pics/p" + std::to_string(i) + ".bmp"), 40, 30, 0x20, 0x40, 0xC0);
  }
  const std::string printed = dir_.File("printed.pdf");
  const pid_t viewer =
      StartViewer({dir_.File("pics")}, {"VELDRIMON_PRINT_TO_PDF=" + printed});
  std::string seen;
  for (int attempt = 0; attempt < 100 && seen != "picture=600 400\n"; ++attempt) {
    seen = Command({"!snapshot " + dir_.File("shot.bmp")}, viewer_state_);
    if (seen != "picture=600 400\n") std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_EQ(seen, "picture=600 400\n");

  // "&Print": Letter at 300 dpi with quarter-inch margins (PW 2400, PH 3150); Full Page with
  // Keep Aspect scales by 4 to 2400 x 1600 with its top 775 below the margin: rows 850-2449.
  ASSERT_EQ(Command({"File|Print"}, viewer_state_), "ok\n");
  const std::string info = Output("pdfinfo '" + printed + "'");
  EXPECT_NE(info.find("Pages:           1\n"), std::string::npos) << info;
  EXPECT_NE(info.find("Title:           a.bmp\n"), std::string::npos) << info;
  EXPECT_NE(info.find("612 x 792 pts"), std::string::npos) << info;
  ASSERT_TRUE(Shell("pdftoppm -r 300 '" + printed + "' '" + dir_.File("printed") + "'"));
  const Ppm page = ReadPpm(dir_.File("printed-1.ppm"));
  ASSERT_EQ(page.width, 2550);
  ASSERT_EQ(page.height, 3300);
  for (int y : {860, 1650, 2440}) {
    EXPECT_TRUE(page.Near(1275, y, 0xC0, 0x20, 0x20, 12)) << "row " << y;
    EXPECT_TRUE(page.Near(85, y, 0xC0, 0x20, 0x20, 12)) << "row " << y;
  }
  for (int y : {840, 2460}) EXPECT_TRUE(page.Near(1275, y, 255, 255, 255, 12)) << "row " << y;

  // The catalogue: nothing is tagged, so the question comes first; Yes tags all 41 files.
  const std::string catalog = Send({"File|Print/Save Tagged Images As Thumbnail Catalogs"});
  ASSERT_NE(WaitModal(""), "none");
  ASSERT_EQ(Command({"!press Yes"}, viewer_state_), "ok\n");
  ASSERT_EQ(WaitModal(kCatalog), kCatalog);

  // 640 x 480 page files, all pages: 5 rows of seven 82 x 82 Square cells, 35 a page, 2 pages.
  EXPECT_EQ(Click("640x480 File"), "ok\n");
  EXPECT_EQ(Click("All"), "ok\n");
  EXPECT_EQ(Click("Print/Save Page(s)"), "ok\n");
  ASSERT_EQ(WaitModal(kSaveTitle), kSaveTitle);
  EXPECT_EQ(Command({"!choose " + dir_.File("out/CAT.BMP")}, viewer_state_), "ok\n");
  ASSERT_EQ(WaitModal(kCatalog), kCatalog);
  EXPECT_EQ(ClickWhenEnabled("PreView Page"), "ok\n");
  ASSERT_TRUE(fs::exists(dir_.File("out/CAT_1.BMP")));
  ASSERT_TRUE(fs::exists(dir_.File("out/CAT_2.BMP")));
  EXPECT_FALSE(fs::exists(dir_.File("out/CAT_3.BMP")));
  vr::picture::Bitmap first;
  vr::picture::Bitmap second;
  ASSERT_TRUE(vr::codecs::LoadBmpFile(dir_.File("out/CAT_1.BMP"), first).ok());
  ASSERT_TRUE(vr::codecs::LoadBmpFile(dir_.File("out/CAT_2.BMP"), second).ok());
  ASSERT_EQ(first.Width(), 640);
  ASSERT_EQ(first.Height(), 480);
  ASSERT_EQ(first.Bits(), 24);
  ASSERT_EQ(second.Bits(), 24);
  const auto pixel = [](const vr::picture::Bitmap& b, int x, int y) {
    const uint8_t* p = b.Row(y) + x * 3;
    return (p[2] << 16) | (p[1] << 8) | p[0];
  };
  // Single frames on the cells' edge pixels; page 1 starts with a.bmp's red thumbnail.
  for (int corner : {0, 81}) {
    EXPECT_EQ(pixel(first, corner, 0), 0) << corner;
    EXPECT_EQ(pixel(first, 0, corner), 0) << corner;
    EXPECT_EQ(pixel(first, 82 * 6 + corner, 96 * 4), 0) << corner;  // the page's last cell
  }
  EXPECT_EQ(pixel(first, 1, 1), 0xFFFFFF);  // a 600 x 400 thumbnail leaves white above it
  EXPECT_EQ(pixel(first, 41, 41), 0xC02020);
  EXPECT_EQ(pixel(first, 82 + 41, 41), 0x2040C0);
  // A 40 x 30 picture is thumbnailed at 40 x 40 (the cell's proportions, never larger than the
  // picture) and stretched over the cell: blue from side to side, white above and below it.
  EXPECT_EQ(pixel(first, 82 + 3, 41), 0x2040C0);
  EXPECT_EQ(pixel(first, 82 + 78, 41), 0x2040C0);
  EXPECT_EQ(pixel(first, 82 + 41, 4), 0xFFFFFF);
  EXPECT_EQ(pixel(first, 82 + 41, 77), 0xFFFFFF);
  // Page 2 holds the last six entries: a seventh cell's place stays white.
  EXPECT_EQ(pixel(second, 82 * 5, 0), 0);
  EXPECT_EQ(pixel(second, 82 * 5 + 41, 41), 0x2040C0);
  EXPECT_EQ(pixel(second, 82 * 6, 0), 0xFFFFFF);
  EXPECT_EQ(pixel(second, 82 * 6 + 41, 41), 0xFFFFFF);
  EXPECT_EQ(pixel(second, 0, 96), 0xFFFFFF);

  // "PDF File": all pages into one PDF on the printer's paper, where 5 rows leave t of about
  // 550 of PH 3150: four cells a row, 20 a page, the 41 entries on 3 pages.
  const std::string pdf = dir_.File("out/catalog.pdf");
  EXPECT_EQ(Click("PDF File"), "ok\n");
  EXPECT_EQ(Click("Print/Save Page(s)"), "ok\n");
  ASSERT_EQ(WaitModal(kSaveTitle), kSaveTitle);
  EXPECT_EQ(Command({"!choose " + pdf}, viewer_state_), "ok\n");
  ASSERT_EQ(WaitModal(kCatalog), kCatalog);
  EXPECT_EQ(ClickWhenEnabled("Exit"), "ok\n");
  EXPECT_EQ(WaitAnswer(catalog), "ok\n");
  const std::string catalog_info = Output("pdfinfo '" + pdf + "'");
  EXPECT_NE(catalog_info.find("Pages:           3\n"), std::string::npos) << catalog_info;
  EXPECT_NE(catalog_info.find("Title:           Veldrimon-Thumb Catalog\n"), std::string::npos)
      << catalog_info;
  Quit(viewer);
  // The rows and shape the window used go back to the settings file.
  const std::string settings = ReadAll(home_ + "/VELDR.INI");
  EXPECT_NE(settings.find("PrintRows=5"), std::string::npos) << settings;
  EXPECT_NE(settings.find("PrintStyle=2"), std::string::npos) << settings;
}

// A damaged picture shows nothing printable: "&Print" says so and opens no printer dialog, and
// no document is printed.
TEST_F(PrintProcessTest, PrintWithoutAPictureShownSaysSoAndPrintsNothing) {
  fs::create_directories(dir_.File("pics"));
  dir_.WriteText("pics/bad.bmp", "BM this is not a picture at all");
  const std::string printed = dir_.File("printed.pdf");
  const std::string log = dir_.File("ui.log");
  StartViewer({dir_.File("pics/bad.bmp")},
              {"VELDRIMON_PRINT_TO_PDF=" + printed, "VELDRIMON_UI_LOG=" + log});
  bool answered = false;
  std::string modal;
  ASSERT_EQ(Command({"File|Print"}, viewer_state_, true, &answered, &modal), "ok\n");
  EXPECT_EQ(modal.substr(0, modal.find('\n')), "");
  EXPECT_NE(ReadAll(log).find("There is no picture to print. Show a picture first."),
            std::string::npos)
      << ReadAll(log);
  EXPECT_FALSE(fs::exists(printed));
}

}  // namespace
