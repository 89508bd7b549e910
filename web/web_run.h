#pragma once
// The page-making run: thumbnails of the Web Folder's pictures and the pages that show them,
// standard or from the user's template, and "Make Template". The window and veldrimon-tool run
// it through the same hooks; everything is written on the calling thread, one picture in memory
// at a time.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "picture/bitmap.h"
#include "picture/picture_holder.h"
#include "platform/files.h"
#include "web/web_folder.h"
#include "web/web_options.h"
#include "web/web_pages.h"

namespace vr::web {

inline constexpr const char* kThumbFailedText =
    "Error is creating thumbnails. You are probably out of disk space in your Web Folder!";

struct RunHooks {
  // A warning after the error sound, an information after the question sound.
  std::function<void(const std::string&)> warn;
  std::function<void(const std::string&)> inform;
  // The status bar ("Creating thumb for: [...] name") and the events pump.
  std::function<void(const std::string&)> status;
  std::function<void()> pump;
  // Read between pages: the run ends before the next page.
  std::function<bool()> stop_requested;
  // The local time, taken once per template page.
  std::function<PageTime()> now;
  // A picture's note for its caption ("" for none); asked only with captions on.
  std::function<std::string(const std::string& path)> caption;
};

struct RunResult {
  int pages = 0;          // pages of the set
  int pages_written = 0;  // pages made and written
  std::vector<std::pair<int, std::string>> written;  // page number and path
  std::vector<std::string> failed_pages;  // paths that could not be written
  bool nothing_to_do = false;             // no pictures or no usable template
};

// The run: first_page_only stops after page 1.
RunResult MakePages(const WebFolder& folder, const WebOptions& options, bool first_page_only,
                    platform::Files& files, const RunHooks& hooks);

// The closing text of a run that wrote pages.
std::string CompletedText(int pages_written);

// Writes "WP_Template.Html" for these options; false with the reason on failure.
bool MakeTemplate(const WebFolder& folder, const WebOptions& options, std::string* error);

// Reused between thumbnails so a long run allocates its pictures once.
struct ThumbWork {
  picture::PictureHolder source;
  picture::PictureHolder thumb;
};
// Loads `source` for a thumbnail on white, fits it into box_w x box_h and writes it to `target`
// as JPEG. The size drawn goes to width and height even when the write fails (the page still
// links it); false when the picture could not be read or the file written.
bool MakeThumbnail(const std::string& source, const std::string& target, int box_w, int box_h,
                   ThumbWork& work, int* width, int* height);

}  // namespace vr::web
