#include "print/catalog_layout.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "platform/path_rules.h"

namespace vr::print {

const char* const kDestinationCaptions[kDestinationCount] = {
    "Printed Paper", "320x200 File", "640x480 File", "800x600 File", "1024x768 File",
    "1280x1024 File"};
const char* const kShapeCaptions[4] = {
    "Poster (Grid, MOST are TALLER than wide)", "Landscape (Grid, MOST are WIDER than tall)",
    "Square (Grid, Mixture of tall and wide)", "Best Fit (No Grid, Each thumb shape is different)"};

int ClampRows(int rows) { return std::clamp(rows, kMinRows, kMaxRows); }
int ClampShape(int shape) { return std::clamp(shape, 0, 3); }

TCatalogData FallbackPrinterPage() { return TCatalogData{2400, 3150, 75, 75, true}; }

TCatalogData FilePage(int destination) {
  static const int kSizes[kDestinationCount][2] = {
      {0, 0}, {320, 200}, {640, 480}, {800, 600}, {1024, 768}, {1280, 1024}};
  destination = std::clamp(destination, 1, kDestinationCount - 1);
  return TCatalogData{kSizes[destination][0], kSizes[destination][1], 0, 0, false};
}

int PaperCaptionHeight(int font_height) {
  // In tenths, so that 25 x 2.3 is the half 57.5 it reads as rather than 57.4999...
  const int tenths = font_height * 23;
  int whole = tenths / 10;
  const int rest = tenths % 10;
  if (rest > 5 || (rest == 5 && whole % 2 != 0)) ++whole;
  return whole;
}

namespace {

int GridWidth(int shape, int t) {
  switch (shape) {
    case kPoster:
      return static_cast<int>(std::trunc(t / 1.33));
    case kLandscape:
      return static_cast<int>(std::trunc(t * 1.33));
    default:
      return t;
  }
}

int BestFitWidth(const CatalogEntry& entry, int t) {
  const double w = entry.width > 0 && entry.height > 0 ? entry.width : kUnknownSide;
  const double h = entry.width > 0 && entry.height > 0 ? entry.height : kUnknownSide;
  const double r = std::clamp(w / h, 0.3, 2.5);
  return static_cast<int>(std::trunc(t * r));
}

}  // namespace

LayoutResult RunLayout(const std::vector<CatalogEntry>& entries, const TCatalogData& page,
                       const LayoutParams& params, const LayoutSink& sink) {
  LayoutResult result;
  const int pw = page.PW();
  const int ph = page.PH();
  const int rows = ClampRows(params.rows);
  const int shape = ClampShape(params.shape);
  const int m = params.caption_height;
  const int t = ph / rows - m;
  result.row_height = t;
  // A row or a cell below one pixel would draw negative rectangles: a layout error, no pages.
  if (pw < 1 || ph < 1 || t < 1) return result;
  const int grid_width = GridWidth(shape, t);
  if (shape != kBestFit && grid_width < 1) return result;
  if (shape == kBestFit && static_cast<int>(std::trunc(t * 0.3)) < 1) return result;

  int left = 0;
  int top = 0;
  int page_number = 1;
  bool any = false;
  for (size_t i = 0; i < entries.size(); ++i) {
    bool first_of_row = left == 0;
    int cw = grid_width;
    if (shape == kBestFit) {
      cw = BestFitWidth(entries[i], t);
      const int room = pw - left;
      if (cw > room && (cw < 1.5 * room || first_of_row)) cw = room;
    }
    if (first_of_row && cw > pw) cw = pw;
    if (left + cw > pw) {
      top += t + m;
      left = 0;
      first_of_row = true;
      if (top + t > ph) {
        if (sink.page_done && !sink.page_done(page_number)) {
          result.ok = true;
          result.pages = page_number;
          return result;
        }
        ++page_number;
        top = 0;
      }
      if (cw > pw) cw = pw;
    }
    CatalogCell cell;
    cell.page = page_number;
    cell.left = left;
    cell.top = top;
    cell.right = left + cw;
    cell.bottom = top + t;
    cell.caption_bottom = top + t + m;
    cell.entry = i;
    any = true;
    ++result.cells;
    if (sink.cell && !sink.cell(cell)) {
      result.ok = true;
      result.pages = page_number;
      return result;
    }
    left += cw;
  }
  result.ok = true;
  result.pages = any ? page_number : 0;
  if (any && sink.page_done) sink.page_done(page_number);
  return result;
}

namespace {

// A whole number of digits, else 0 (as a word reads).
int ReadNumber(const std::string& text) {
  if (text.empty() || text.size() > 9) return 0;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return 0;
  }
  return std::stoi(text);
}

}  // namespace

std::vector<int> ParsePageRanges(const std::string& text, int page_count) {
  std::string plain;
  for (char c : text) {
    if (c != ' ') plain.push_back(c);
  }
  std::vector<int> pages;
  size_t start = 0;
  while (start <= plain.size()) {
    size_t comma = plain.find(',', start);
    if (comma == std::string::npos) comma = plain.size();
    const std::string item = plain.substr(start, comma - start);
    const size_t dash = item.find('-');
    int first = ReadNumber(dash == std::string::npos ? item : item.substr(0, dash));
    int last = dash == std::string::npos ? first : ReadNumber(item.substr(dash + 1));
    if (first == 0 || last == 0) break;
    first = std::min(first, page_count);
    last = std::min(last, page_count);
    if (last < first) last = first;
    if (first < 1) break;  // no pages at all
    for (int p = first; p <= last; ++p) pages.push_back(p);
    start = comma + 1;
  }
  return pages;
}

std::vector<PageJob> PagesToOutput(PageChoice choice, int page_count, int current_page,
                                   const std::string& ranges) {
  std::vector<PageJob> jobs;
  if (page_count < 1) return jobs;
  switch (choice) {
    case PageChoice::kAll:
      for (int p = 1; p <= page_count; ++p) jobs.push_back({p, p});
      break;
    case PageChoice::kCurrent:
      jobs.push_back({std::clamp(current_page, 1, page_count), 1});
      break;
    case PageChoice::kRanges: {
      int number = 1;
      for (int p : ParsePageRanges(ranges, page_count)) jobs.push_back({p, number++});
      break;
    }
  }
  return jobs;
}

namespace {

// The name without its extension, and the extension with its dot.
void SplitExtension(const std::string& chosen, std::string* stem, std::string* extension) {
  const size_t name_start = platform::FolderOf(chosen).size();
  const size_t dot = chosen.rfind('.');
  if (dot == std::string::npos || dot < name_start) {
    *stem = chosen;
    extension->clear();
  } else {
    *stem = chosen.substr(0, dot);
    *extension = chosen.substr(dot);
  }
}

}  // namespace

std::string PageFileName(const std::string& chosen, int file_number) {
  std::string stem;
  std::string extension;
  SplitExtension(chosen, &stem, &extension);
  return stem + "_" + std::to_string(file_number) + extension;
}

bool ValidCatalogExtension(const std::string& chosen) {
  std::string stem;
  std::string extension;
  SplitExtension(chosen, &stem, &extension);
  const std::string upper = platform::UpperAscii(extension);
  return upper == ".BMP" || upper == ".JPG";
}

bool PageFilesMayExist(const std::string& chosen) {
  std::string stem;
  std::string extension;
  SplitExtension(chosen, &stem, &extension);
  std::string folder = platform::FolderOf(chosen);
  const std::string prefix = platform::NameOf(stem) + "_";
  std::error_code ec;
  std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec);
  for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() < prefix.size() + extension.size()) continue;
    // Names compare by the platform's rule: exactly on Linux, folding case where names fold.
    const std::string head = name.substr(0, prefix.size());
    const std::string tail = name.substr(name.size() - extension.size());
    if (platform::SamePath(head, prefix) && platform::SamePath(tail, extension)) return true;
  }
  return false;
}

std::string CancelQuestion(const std::string& word) {
  return "You now have the opportunity to CANCEL the rest of the " + word +
         "ing, or to continue with the " + word + "ing. Press \"OK\" to continue or press "
         "\"CANCEL\" to cancel the rest of the " + word + "ing.";
}

std::string PreparingPageText(int page) {
  return "Preparing page " + std::to_string(page) +
         " for printing: Could take a couple minutes for pages with LOTS of thumbnails...";
}

}  // namespace vr::print
