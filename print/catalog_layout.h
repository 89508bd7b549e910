#pragma once
// The catalogue page layout: the tagged entries of the files list laid out as captioned cells in
// rows, page after page. One pass serves the page count, the preview and the output; the caller
// chooses what happens to each cell through a sink.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vr::print {

inline constexpr const char* kCatalogWindowCaption =
    "Print/Save - Catalog Of Tagged Files (Thumbnails)";
inline constexpr const char* kBuildError =
    "Error In Building Thumbnails For Catalog. Operation not completed :(";
inline constexpr const char* kPrintError =
    "Error In Printing Thumbnails For Catalog. Operation not completed :(\r\rMaybe a blank page "
    "might come out!";
inline constexpr const char* kCatalogDocumentTitle = "Veldrimon-Thumb Catalog";

inline constexpr int kMinRows = 1;
inline constexpr int kMaxRows = 20;
enum Shape : int { kPoster = 0, kLandscape = 1, kSquare = 2, kBestFit = 3 };
inline constexpr int kFileCaptionHeight = 14;  // caption height of file pages (12-pixel font)
inline constexpr int kFileFontPixels = 12;
inline constexpr int kUnknownSide = 32;  // a picture of no known size counts as 32 x 32

// Rows and shape as read from the settings file: kept within 1-20 and 0-3 so that a hand-edited
// value cannot divide by zero or pick a shape that does not exist.
int ClampRows(int rows);
int ClampShape(int shape);

// Page geometry of one output: the page in device pixels, its physical offsets, and whether it
// goes to the printer. The printable area is PW x PH.
struct TCatalogData {
  int width = 0;
  int height = 0;
  int offset_x = 0;
  int offset_y = 0;
  bool to_printer = false;
  int PW() const { return width - 2 * offset_x; }
  int PH() const { return height - 2 * offset_y; }
};

// The printer page used when the printer cannot be asked.
TCatalogData FallbackPrinterPage();
// The file destinations 1..5 ("320x200 File" .. "1280x1024 File"); 0 is paper.
TCatalogData FilePage(int destination);
inline constexpr int kDestinationCount = 6;
extern const char* const kDestinationCaptions[kDestinationCount];
extern const char* const kShapeCaptions[4];

// The caption height on paper from the printer font's height: font height x 2.3, rounded to the
// nearest integer with halves to even.
int PaperCaptionHeight(int font_height);

// One tagged entry as the layout sees it.
struct CatalogEntry {
  std::string path;
  int width = -1;  // picture size when known (-1: unknown)
  int height = -1;
  int list_index = -1;   // position in the files list
  std::string note;      // second caption line when notes are asked for
};

// One placed cell; the thumbnail covers left..right x top..top+t, the caption lies below it.
struct CatalogCell {
  int page = 1;
  int left = 0;
  int top = 0;
  int right = 0;   // left + cell width
  int bottom = 0;  // top + t
  int caption_bottom = 0;  // bottom + m
  size_t entry = 0;        // index into the entries
};

struct LayoutParams {
  int rows = 3;
  int shape = kBestFit;
  int caption_height = kFileCaptionHeight;  // m
};

// What a pass does with the cells. Returning false from a call stops the pass (as finished).
struct LayoutSink {
  std::function<bool(const CatalogCell& cell)> cell;
  // Called when a page is complete (also for the last one), with its number.
  std::function<bool(int page)> page_done;
};

struct LayoutResult {
  bool ok = false;  // false: the page leaves less than one pixel for a row or a cell
  int pages = 0;
  int cells = 0;
  int row_height = 0;  // t
};

// The one layout pass over `entries` on the printable area of `page`.
LayoutResult RunLayout(const std::vector<CatalogEntry>& entries, const TCatalogData& page,
                       const LayoutParams& params, const LayoutSink& sink = {});

// Page ranges as typed: spaces removed, items separated by commas, an item a page number or two
// joined by "-"; numbers above `page_count` become the count, an end below the start becomes the
// start, and the list ends at the first item with a 0 (a non-number reads as 0).
std::vector<int> ParsePageRanges(const std::string& text, int page_count);

enum class PageChoice { kAll = 0, kCurrent = 1, kRanges = 2 };
// One page to output and the number its file carries.
struct PageJob {
  int page = 1;
  int file_number = 1;
};
// All: every page with its own number; Current Page: that page as number 1; Page Range(s): the
// ranges in order numbered 1, 2, 3...
std::vector<PageJob> PagesToOutput(PageChoice choice, int page_count, int current_page,
                                   const std::string& ranges);

// Page files: name + "_" + number + extension ("TEST.JPG", 2 -> "TEST_2.JPG").
std::string PageFileName(const std::string& chosen, int file_number);
// True for the extensions ".BMP" and ".JPG" (any case).
bool ValidCatalogExtension(const std::string& chosen);
inline constexpr const char* kExtensionMessage =
    ".BMP and .JPG are the only valid extensions for the catalog filename. For example: "
    "TEST_CAT.BMP\r\rPlease try again with a VALID filename!";
inline constexpr const char* kOverwriteQuestion =
    "The catalog filenames are made-up by taking the filename entered and adding \"_#\" where "
    "\"#\" is a number from 1 to whatever, depending on what catalog page number is being "
    "saved.\r\rIt looks like one of these destination catalog files may already exist.\r\rDo you "
    "wish to overwrite if needed?";
inline constexpr const char* kSaveErrorMessage =
    "Error saving file: Disk is probably FULL or WRITE PROTECTED";
// True when a file named name + "_" + anything + extension exists beside `chosen`.
bool PageFilesMayExist(const std::string& chosen);

// The question asked when the stop button is pressed during output ("PRINT" or "SAVE").
std::string CancelQuestion(const std::string& word);
// "Preparing page " + n + " for printing: ..." shown before each page after the first.
std::string PreparingPageText(int page);

}  // namespace vr::print
