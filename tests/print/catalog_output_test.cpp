// Output of catalogue pages: which pages become which files, the checks on the chosen name, the
// stop button's question, failures that stop and failures that let output go on.
#include "print/catalog_output.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "colour/export/export_picture.h"
#include "fakes/fake_services.h"
#include "picture/load/loader.h"
#include "print/recording_surface.h"
#include "test_support/temp_dir.h"

namespace vr::print {
namespace {

using testing::Drawn;
using testing::RecordingSurface;

// A real picture file of one colour.
std::string SolidPicture(const test_support::TempDir& dir, const std::string& name, int w, int h) {
  picture::PictureHolder holder;
  holder.bitmap.Create(w, h, picture::PixelFormat::k24);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = holder.bitmap.Row(y);
    for (int x = 0; x < w; ++x) row[x * 3 + 2] = 200;  // red
  }
  const std::string path = dir.File(name);
  EXPECT_TRUE(colour::SavePictureAs(path, holder));
  return path;
}

std::vector<CatalogEntry> EntriesOf(const std::vector<std::string>& paths) {
  std::vector<CatalogEntry> entries;
  for (size_t i = 0; i < paths.size(); ++i) {
    entries.push_back({paths[i], 120, 80, static_cast<int>(i), {}});
  }
  return entries;
}

// A print device that records its documents and pages on one recording surface.
class RecordingPrinter : public PrintDevice {
 public:
  PageSurface* BeginDocument(const std::string& title) override {
    titles.push_back(title);
    return fail_begin ? nullptr : &surface;
  }
  bool NewPage() override {
    ++new_pages;
    return true;
  }
  bool EndDocument() override {
    ++ends;
    return true;
  }
  void Abort() override { ++aborts; }

  RecordingSurface surface;
  std::vector<std::string> titles;
  int new_pages = 0;
  int ends = 0;
  int aborts = 0;
  bool fail_begin = false;
};

class CatalogOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 12; ++i) {
      paths_.push_back(SolidPicture(dir_, "pic" + std::to_string(10 + i) + ".bmp", 120, 80));
    }
    entries_ = EntriesOf(paths_);
    services_.ui = &fakes_.ui;
    services_.please_wait = &fakes_.please_wait;
    services_.pump = &fakes_.pump;
  }

  // 320 x 200 pages of 2 rows, Square: t = 86, three cells a row, six a page: 12 entries, 2 pages.
  CatalogOutputRequest FileRequest(const std::string& name, std::vector<PageJob> jobs) {
    CatalogOutputRequest request;
    request.entries = &entries_;
    request.page = FilePage(1);
    request.params = {3, kSquare, kFileCaptionHeight};
    request.jobs = std::move(jobs);
    request.file_name = name;
    return request;
  }

  test_support::TempDir dir_;
  std::vector<std::string> paths_;
  std::vector<CatalogEntry> entries_;
  fakes::FakeServices fakes_;
  CatalogOutputServices services_;
};

TEST_F(CatalogOutputTest, PagesTwoAndThreeAsTestJpgWriteTest1AndTest2Only) {
  // Rows of 3 on 320 x 200: t = 52, six 52-wide cells a row, 18 a page... make 3 pages.
  std::vector<CatalogEntry> many;
  for (int i = 0; i < 40; ++i) many.push_back(entries_[i % entries_.size()]);
  const int pages = RunLayout(many, FilePage(1), {3, kSquare, kFileCaptionHeight}).pages;
  ASSERT_EQ(pages, 3);
  std::vector<std::unique_ptr<RecordingSurface>> surfaces;
  services_.bitmap_surface = [&surfaces](picture::Bitmap&) {
    surfaces.push_back(std::make_unique<RecordingSurface>());
    return std::unique_ptr<PageSurface>(std::make_unique<testing::ForwardingSurface>(*surfaces.back()));
  };
  const std::string chosen = dir_.File("TEST.JPG");
  ASSERT_TRUE(CheckCatalogFileName(fakes_.ui, chosen));
  CatalogOutputRequest request =
      FileRequest(chosen, PagesToOutput(PageChoice::kRanges, pages, 1, "2-3"));
  request.entries = &many;
  const CatalogOutputResult result = OutputCatalog(request, services_);
  EXPECT_FALSE(result.failed);
  EXPECT_EQ(result.pages_done, 2);
  EXPECT_EQ(result.files,
            (std::vector<std::string>{dir_.File("TEST_1.JPG"), dir_.File("TEST_2.JPG")}));
  EXPECT_TRUE(std::filesystem::exists(dir_.File("TEST_1.JPG")));
  EXPECT_TRUE(std::filesystem::exists(dir_.File("TEST_2.JPG")));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("TEST_3.JPG")));
  // Page 2 holds entries 18..35, page 3 the last four.
  ASSERT_EQ(surfaces.size(), 2u);
  EXPECT_EQ(surfaces[0]->Of(Drawn::Kind::kBitmap).size(), 18u);
  EXPECT_EQ(surfaces[1]->Of(Drawn::Kind::kBitmap).size(), 4u);
  EXPECT_EQ(surfaces[1]->Of(Drawn::Kind::kCaption)[0].text, "pic10.bmp");  // entry 36, the first file again
  // A written page file is a real 320 x 200 picture.
  picture::PictureInfo info = picture::ReadPictureInfo(dir_.File("TEST_2.JPG"));
  EXPECT_EQ(info.width, 320);
  EXPECT_EQ(info.height, 200);
  EXPECT_EQ(fakes_.please_wait.texts().front(), "Saving:");
  EXPECT_EQ(fakes_.please_wait.captions().front(), "&Stop Saving:");
  EXPECT_NE(std::find(fakes_.please_wait.texts().begin(), fakes_.please_wait.texts().end(),
                      "Saving:TEST_2.JPG"),
            fakes_.please_wait.texts().end());
}

TEST_F(CatalogOutputTest, WrongExtensionSavesNothingAndExistingPageFilesAsk) {
  EXPECT_FALSE(CheckCatalogFileName(fakes_.ui, dir_.File("CAT.PNG")));
  EXPECT_EQ(fakes_.ui.last().text, kExtensionMessage);

  dir_.WriteText("CAT_4.BMP", "an old page");
  fakes_.ui.QueueAnswer(platform::Answer::kCancel);
  EXPECT_FALSE(CheckCatalogFileName(fakes_.ui, dir_.File("CAT.BMP")));
  EXPECT_EQ(fakes_.ui.last().text, kOverwriteQuestion);
  EXPECT_EQ(fakes_.ui.last().buttons, platform::kButtonYes | platform::kButtonCancel);
  fakes_.ui.QueueAnswer(platform::Answer::kYes);
  EXPECT_TRUE(CheckCatalogFileName(fakes_.ui, dir_.File("CAT.BMP")));
}

TEST_F(CatalogOutputTest, AFailedPageFileSoundsTheAlarmAndOutputGoesOn) {
  services_.bitmap_surface = [](picture::Bitmap&) {
    return std::unique_ptr<PageSurface>(std::make_unique<RecordingSurface>());
  };
  int saves = 0;
  services_.save = [&saves](const std::string&, const picture::Bitmap& page) {
    EXPECT_EQ(page.Width(), 320);
    return ++saves != 1;  // the first write fails
  };
  const CatalogOutputResult result = OutputCatalog(
      FileRequest(dir_.File("C.BMP"), PagesToOutput(PageChoice::kAll, 2, 1, "")), services_);
  EXPECT_EQ(saves, 2);
  EXPECT_EQ(result.files, (std::vector<std::string>{dir_.File("C_2.BMP")}));
  EXPECT_EQ(fakes_.ui.MessageTexts(), (std::vector<std::string>{kSaveErrorMessage}));
  EXPECT_EQ(fakes_.sounds.played(), (std::vector<std::string>{"ALARM"}));
}

TEST_F(CatalogOutputTest, StopButtonAsksAndCancelEndsAfterThePage) {
  RecordingPrinter printer;
  services_.printer = &printer;
  CatalogOutputRequest request = FileRequest("", PagesToOutput(PageChoice::kAll, 2, 1, ""));
  request.page = FallbackPrinterPage();
  request.params = {2, kBestFit, 90};
  // 2400 x 3150 of 2 rows: t = 1485, 120 x 80 pictures 2227 wide, one a row: 4 entries, 2 pages.
  const std::vector<CatalogEntry> four(entries_.begin(), entries_.begin() + 4);
  request.entries = &four;
  ASSERT_EQ(RunLayout(four, request.page, request.params).pages, 2);

  // OK goes on: both pages in one document.
  fakes_.please_wait.StopAfterTexts(2);
  fakes_.ui.QueueAnswer(platform::Answer::kOk);
  CatalogOutputResult result = OutputCatalog(request, services_);
  EXPECT_FALSE(result.cancelled);
  EXPECT_EQ(result.pages_done, 2);
  EXPECT_EQ(printer.titles, (std::vector<std::string>{"Veldrimon-Thumb Catalog"}));
  EXPECT_EQ(printer.new_pages, 1);
  EXPECT_EQ(printer.ends, 1);
  EXPECT_EQ(fakes_.ui.last().text, CancelQuestion("PRINT"));
  EXPECT_EQ(fakes_.ui.last().buttons, platform::kOkCancel);
  EXPECT_TRUE(printer.surface.Of(Drawn::Kind::kFrame)[0].doubled);
  const auto& texts = fakes_.please_wait.texts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), PreparingPageText(2)), texts.end());
  EXPECT_EQ(fakes_.please_wait.captions().front(), "&Stop Printing:");

  // Cancel stops after the page being printed; the document still ends.
  fakes_.please_wait.StopAfterTexts(2);
  fakes_.ui.QueueAnswer(platform::Answer::kCancel);
  result = OutputCatalog(request, services_);
  EXPECT_TRUE(result.cancelled);
  EXPECT_EQ(result.pages_done, 1);
  EXPECT_EQ(printer.ends, 2);
  EXPECT_EQ(fakes_.ui.pending(), 0u);
}

TEST_F(CatalogOutputTest, PrinterAndLayoutFailuresShowTheirMessages) {
  RecordingPrinter printer;
  printer.fail_begin = true;
  services_.printer = &printer;
  CatalogOutputRequest request = FileRequest("", {{1, 1}});
  request.page = FallbackPrinterPage();
  EXPECT_TRUE(OutputCatalog(request, services_).failed);
  EXPECT_EQ(fakes_.ui.last().text, kPrintError);

  printer.fail_begin = false;
  request.params = {20, kSquare, 200};  // 3150 div 20 - 200 < 1
  EXPECT_TRUE(OutputCatalog(request, services_).failed);
  EXPECT_EQ(fakes_.ui.last().text, kBuildError);
  EXPECT_EQ(printer.aborts, 1);
}

}  // namespace
}  // namespace vr::print
