// The catalogue layout pass: row height, cell widths by shape, Best Fit's limits and room rules,
// rows and pages, page ranges and their numbering, and page file names.
#include "print/catalog_layout.h"

#include <gtest/gtest.h>

#include "print/catalog_pages.h"
#include "print/recording_surface.h"
#include "test_support/temp_dir.h"

namespace vr::print {
namespace {

using testing::Drawn;
using testing::RecordingSurface;

std::vector<CatalogEntry> Entries(int count, int width = 100, int height = 100) {
  std::vector<CatalogEntry> entries;
  for (int i = 0; i < count; ++i) {
    entries.push_back({"/nowhere/pic" + std::to_string(i) + ".jpg", width, height, i, {}});
  }
  return entries;
}

std::vector<CatalogCell> Cells(const std::vector<CatalogEntry>& entries, const TCatalogData& page,
                               LayoutParams params, LayoutResult* result = nullptr) {
  std::vector<CatalogCell> cells;
  LayoutSink sink;
  sink.cell = [&](const CatalogCell& cell) {
    cells.push_back(cell);
    return true;
  };
  LayoutResult r = RunLayout(entries, page, params, sink);
  if (result != nullptr) *result = r;
  return cells;
}

TEST(CatalogLayoutTest, GridShapesOnA640x480FilePage) {
  const TCatalogData page = FilePage(2);
  LayoutParams params{5, kSquare, kFileCaptionHeight};
  LayoutResult result;
  std::vector<CatalogCell> cells = Cells(Entries(80), page, params, &result);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.row_height, 82);  // 480 div 5 - 14
  EXPECT_EQ(result.pages, 3);
  ASSERT_EQ(cells.size(), 80u);
  // Seven 82-wide cells a row (574 pixels), five rows of 96, 35 cells a page.
  EXPECT_EQ(cells[6].left, 492);
  EXPECT_EQ(cells[6].right, 574);
  EXPECT_EQ(cells[7].left, 0);
  EXPECT_EQ(cells[7].top, 96);
  EXPECT_EQ(cells[34].page, 1);
  EXPECT_EQ(cells[34].top, 384);
  EXPECT_EQ(cells[34].bottom, 466);
  EXPECT_EQ(cells[34].caption_bottom, 480);
  EXPECT_EQ(cells[35].page, 2);
  EXPECT_EQ(cells[35].top, 0);
  EXPECT_EQ(cells[70].page, 3);

  params.shape = kPoster;
  cells = Cells(Entries(1), page, params);
  EXPECT_EQ(cells[0].right, 61);
  params.shape = kLandscape;
  cells = Cells(Entries(1), page, params);
  EXPECT_EQ(cells[0].right, 109);
}

TEST(CatalogLayoutTest, BestFitRatioLimitsAndRoomRules) {
  const TCatalogData page = FilePage(2);
  const LayoutParams params{5, kBestFit, kFileCaptionHeight};
  std::vector<CatalogEntry> entries = {{"/p/pano.jpg", 3000, 100, 0, {}},
                                       {"/p/strip.jpg", 100, 1000, 1, {}},
                                       {"/p/unknown.jpg", -1, -1, 2, {}}};
  std::vector<CatalogCell> cells = Cells(entries, page, params);
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(cells[0].right - cells[0].left, 205);  // 82 x 2.5
  EXPECT_EQ(cells[1].right - cells[1].left, 24);   // 82 x 0.3
  EXPECT_EQ(cells[2].right - cells[2].left, 82);   // 32 x 32

  // Seven squares leave 66 pixels: a square (82 < 1.5 x 66) takes exactly the room left...
  entries = Entries(8);
  cells = Cells(entries, page, params);
  EXPECT_EQ(cells[7].left, 574);
  EXPECT_EQ(cells[7].right, 640);
  EXPECT_EQ(cells[7].top, 0);
  // ...a panorama (205 >= 99) goes to the next row at its own width.
  entries.back() = {"/p/pano.jpg", 3000, 100, 7, {}};
  cells = Cells(entries, page, params);
  EXPECT_EQ(cells[7].left, 0);
  EXPECT_EQ(cells[7].right, 205);
  EXPECT_EQ(cells[7].top, 96);
  // The first cell of a row is cut to the page width: one row, t = 466, 466 x 2.5 > 640.
  cells = Cells({{"/p/pano.jpg", 3000, 100, 0, {}}}, page, {1, kBestFit, kFileCaptionHeight});
  EXPECT_EQ(cells[0].right, 640);
}

TEST(CatalogLayoutTest, TooManyRowsIsALayoutErrorWithoutPages) {
  LayoutResult result;
  // 20 rows on 320 x 200: t = 10 - 14 = -4.
  std::vector<CatalogCell> cells =
      Cells(Entries(5), FilePage(1), {20, kSquare, kFileCaptionHeight}, &result);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.pages, 0);
  EXPECT_TRUE(cells.empty());
  // Poster cells of t = 1 would be 0 wide.
  Cells(Entries(5), FilePage(1), {13, kPoster, kFileCaptionHeight}, &result);
  EXPECT_FALSE(result.ok);
  // Rows and shape from a hand-edited settings file are kept in range.
  EXPECT_EQ(ClampRows(0), 1);
  EXPECT_EQ(ClampRows(99), 20);
  EXPECT_EQ(ClampShape(7), 3);
}

TEST(CatalogLayoutTest, CaptionHeightOnPaperRoundsHalvesToEven) {
  EXPECT_EQ(PaperCaptionHeight(35), 80);  // 80.5 -> 80
  EXPECT_EQ(PaperCaptionHeight(25), 58);  // 57.5 -> 58
  EXPECT_EQ(PaperCaptionHeight(33), 76);  // 75.9
}

TEST(CatalogLayoutTest, DrawingOnePageDrawsOnlyItsCellsWithCaptionsAndFrames) {
  RecordingSurface surface;
  std::vector<PreviewCell> cells;
  DrawPageRequest request;
  request.page = 2;
  request.scale_x = 2.0;
  request.scale_y = 2.0;
  request.cells = &cells;
  DrawPageResult result = DrawCatalogPage(Entries(40), FilePage(2),
                                          {5, kSquare, kFileCaptionHeight}, surface, request);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.cells, 5);
  ASSERT_EQ(surface.Of(Drawn::Kind::kBitmap).size(), 5u);
  const Drawn first_frame = surface.Of(Drawn::Kind::kFrame)[0];
  EXPECT_EQ(first_frame.rect, (PageRect{0, 0, 82, 82}));
  EXPECT_FALSE(first_frame.doubled);
  const Drawn caption = surface.Of(Drawn::Kind::kCaption)[1];
  EXPECT_EQ(caption.text, "pic36.jpg");
  EXPECT_EQ(caption.rect, (PageRect{82, 82, 164, 96}));
  EXPECT_EQ(caption.ellipsis, Ellipsis::kEnd);
  ASSERT_EQ(cells.size(), 5u);
  EXPECT_EQ(cells[1].rect, (PageRect{41, 0, 82, 41}));
  EXPECT_EQ(cells[1].list_index, 36);

  // On paper frames are doubled and long names break in the middle.
  RecordingSurface paper;
  request.cells = nullptr;
  request.page = 1;
  result = DrawCatalogPage(Entries(3), FallbackPrinterPage(), {5, kSquare, 40}, paper, request);
  ASSERT_TRUE(result.ok);
  EXPECT_TRUE(paper.Of(Drawn::Kind::kFrame)[0].doubled);
  EXPECT_EQ(paper.Of(Drawn::Kind::kCaption)[0].ellipsis, Ellipsis::kMiddleOfPath);
  // The thumbnail is never larger than the picture: a 100 x 100 picture in a 590 cell.
  EXPECT_EQ(paper.Of(Drawn::Kind::kBitmap)[0].bitmap_width, 100);

  // Notes: an entry's DB field goes on its caption's second line, in the same rectangle; an
  // entry without one keeps the plain caption.
  std::vector<CatalogEntry> noted = Entries(2);
  noted[0].note = "Garden, June";
  RecordingSurface with_notes;
  request.notes_in_captions = true;
  ASSERT_TRUE(
      DrawCatalogPage(noted, FilePage(2), {5, kSquare, kFileCaptionHeight}, with_notes, request)
          .ok);
  const std::vector<Drawn> captions = with_notes.Of(Drawn::Kind::kCaption);
  ASSERT_EQ(captions.size(), 2u);
  EXPECT_EQ(captions[0].text, "pic0.jpg");
  EXPECT_EQ(captions[0].note, "Garden, June");
  EXPECT_EQ(captions[0].rect, (PageRect{0, 82, 82, 96}));
  EXPECT_EQ(captions[1].text, "pic1.jpg");
  EXPECT_EQ(captions[1].note, "");
}

TEST(CatalogLayoutTest, PageRangesAndTheirFileNumbers) {
  EXPECT_EQ(ParsePageRanges("1,3,5-12", 20),
            (std::vector<int>{1, 3, 5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(ParsePageRanges(" 1 , 3 - 4", 20), (std::vector<int>{1, 3, 4}));
  EXPECT_EQ(ParsePageRanges("5-2", 20), (std::vector<int>{5}));
  EXPECT_EQ(ParsePageRanges("2,0,4", 20), (std::vector<int>{2}));
  EXPECT_EQ(ParsePageRanges("2,three,4", 20), (std::vector<int>{2}));
  EXPECT_EQ(ParsePageRanges("2-x", 20), (std::vector<int>{}));
  EXPECT_EQ(ParsePageRanges("7,2-9", 3), (std::vector<int>{3, 2, 3}));

  auto numbers = [](const std::vector<PageJob>& jobs) {
    std::vector<std::pair<int, int>> out;
    for (const PageJob& job : jobs) out.push_back({job.page, job.file_number});
    return out;
  };
  using Pairs = std::vector<std::pair<int, int>>;
  EXPECT_EQ(numbers(PagesToOutput(PageChoice::kAll, 3, 2, "")), (Pairs{{1, 1}, {2, 2}, {3, 3}}));
  EXPECT_EQ(numbers(PagesToOutput(PageChoice::kCurrent, 3, 2, "")), (Pairs{{2, 1}}));
  EXPECT_EQ(numbers(PagesToOutput(PageChoice::kRanges, 3, 1, "2-3")), (Pairs{{2, 1}, {3, 2}}));
  EXPECT_TRUE(PagesToOutput(PageChoice::kAll, 0, 1, "").empty());
}

TEST(CatalogLayoutTest, PageFileNamesExtensionsAndExistingFiles) {
  EXPECT_EQ(PageFileName("/out/TEST.JPG", 2), "/out/TEST_2.JPG");
  EXPECT_EQ(PageFileName("/out.d/cat", 1), "/out.d/cat_1");
  EXPECT_TRUE(ValidCatalogExtension("/out/TEST.jpg"));
  EXPECT_TRUE(ValidCatalogExtension("/out/TEST.BMP"));
  EXPECT_FALSE(ValidCatalogExtension("/out/TEST.PNG"));
  EXPECT_FALSE(ValidCatalogExtension("/out.jpg/TEST"));

  test_support::TempDir dir;
  const std::string chosen = dir.File("CAT.BMP");
  EXPECT_FALSE(PageFilesMayExist(chosen));
  dir.WriteText("CAT.BMP", "not a page");
  dir.WriteText("CAT_1.JPG", "another type");
  EXPECT_FALSE(PageFilesMayExist(chosen));
  dir.WriteText("CAT_7.BMP", "a page");
  EXPECT_TRUE(PageFilesMayExist(chosen));
}

}  // namespace
}  // namespace vr::print
