#pragma once
// The text of the generated pages: the standard page, the starting template that "Make Template"
// writes, and the template pages made from a user's template by replacing its tags. Pure text
// work: the run (web/web_run.h) supplies the thumbnail lines and the time.

#include <functional>
#include <string>
#include <vector>

#include "web/web_options.h"

namespace vr::web {

// The product page the credit line of every page points to.
inline constexpr const char* kProductSite = "https://veldrimon.example.org/";

// Local date and time as the template tags show them (weekday 0 is Sunday).
struct PageTime {
  int year = 2000;
  int month = 1;
  int day = 1;
  int weekday = 6;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// What one page shows besides the options.
struct PageFacts {
  int page = 1;
  int pages = 1;
  std::vector<std::string> thumb_lines;
  bool main_image = false;  // a main image is loaded and used
  int main_width = 0;       // its thumbnail's size
  int main_height = 0;
};

// The link to picture `name` (inside the Web Folder) around thumbnail number `k` of w x h, with
// the picture's note under it when `caption` is not empty.
std::string ThumbnailLine(const std::string& name, int k, int width, int height,
                          const std::string& caption = {});

// The description as written: split at line breaks, each line escaped.
std::vector<std::string> DescriptionLines(const std::vector<std::string>& lines);

// The standard page, one entry a line.
std::vector<std::string> StandardPageLines(const WebOptions& options, const PageFacts& facts);

// The starting template, one entry a line.
std::vector<std::string> TemplateFileLines(const WebOptions& options, bool main_image,
                                           int main_width, int main_height);

// A template file as the run reads it: one blank and the line, for every line.
std::string TemplateTextFromLines(const std::vector<std::string>& lines);

// Which of the three tags the run checks for the template holds (case ignored).
struct TemplateTags {
  bool thumbnails = false;
  bool page_numbers = false;
  bool home_page = false;
};
TemplateTags FindTemplateTags(const std::string& template_text);

// Page `page` of `pages` from the template text: the pieces between tags copied, each tag piece
// expanded. `take_thumbs` gives the thumbnail lines of a further page at each [TAG_ThumbNails].
std::string TemplatePage(const std::string& template_text, const WebOptions& options, int page,
                         int pages, const PageTime& time,
                         const std::function<std::vector<std::string>()>& take_thumbs);

}  // namespace vr::web
