#include "web/web_run.h"

#include <algorithm>
#include <cstdio>
#include <deque>

#include "colour/export/export_picture.h"
#include "picture/fit.h"
#include "picture/load/loader.h"
#include "picture/shrink.h"
#include "platform/path_rules.h"

namespace vr::web {
namespace {

void Say(const std::function<void(const std::string&)>& to, const std::string& text) {
  if (to) to(text);
}

std::string ReadTemplate(const std::string& path) {
  // One blank and the line for every line; the line ends (CR LF, LF or a lone CR) go.
  std::string text;
  std::string line;
  const std::string content = ReadTextFile(path);
  for (size_t i = 0; i < content.size(); ++i) {
    const char c = content[i];
    if (c == '\n' || c == '\r') {
      text += ' ' + line;
      line.clear();
      if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) text += ' ' + line;
  return text;
}

bool WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  std::string content;
  for (const std::string& line : lines) {
    content += line;
    content += "\r\n";
  }
  return platform::WriteFileAtomically(path, content).ok;
}

}  // namespace

bool MakeThumbnail(const std::string& source, const std::string& target, int box_w, int box_h,
                   ThumbWork& work, int* width, int* height) {
  picture::PreviewRequest request;
  request.target_size = std::max(box_w, box_h);
  request.background = picture::Rgb{255, 255, 255};
  request.keep_jpeg_format = true;
  const picture::PreviewOutcome loaded =
      picture::LoadPreviewPicture(source, work.source, request, picture::DecodeOptions{});
  // The fit follows the picture's own size: a JPEG decoded at a reduced scale has rounded sides.
  const picture::PictureInfo info = picture::ReadPictureInfo(source);
  const int w = info.width > 0 ? info.width : work.source.Width();
  const int h = info.height > 0 ? info.height : work.source.Height();
  const picture::Size fit = picture::FitInBox(w, h, box_w, box_h);
  *width = fit.width;
  *height = fit.height;
  if (loaded.failed || work.source.Width() <= 0) return false;
  work.thumb.Reset();
  work.thumb.kind = picture::GraphicKind::kJpeg;
  if (!work.thumb.bitmap.Create(fit.width, fit.height, picture::PixelFormat::k24)) return false;
  picture::DrawPictureScaled(work.source, work.thumb.bitmap,
                             picture::Rect{0, 0, fit.width, fit.height}, true);
  work.source.Reset();
  return colour::SavePictureAs(target, work.thumb);
}

std::string CompletedText(int pages_written) {
  return "Completed making " + std::to_string(pages_written) +
         " Web Page(s). You may now click on the \"BROWSER VIEW\" Button.\r\rYou MAY need to "
         "click on the REFRESH/RELOAD button in your browser to view these recent changes!";
}

RunResult MakePages(const WebFolder& folder, const WebOptions& options, bool first_page_only,
                    platform::Files& files, const RunHooks& hooks) {
  RunResult result;
  std::vector<std::string> set = PictureSet(folder, files);
  if (set.empty()) {
    Say(hooks.warn, "THERE ARE NO IMAGES IN THE CURRENT WEB FOLDER OF:\r\r" + folder.root +
                        "\r\rNO Web pages will be created for this Web Folder until you put "
                        "some images in there!");
    result.nothing_to_do = true;
    return result;
  }
  const std::string template_text = ReadTemplate(folder.TemplatePath());
  if (options.template_mode) {
    const TemplateTags tags = FindTemplateTags(template_text);
    if (template_text.empty()) {
      Say(hooks.warn, "TEMPLATE file is not found!\r\r" + folder.TemplatePath() +
                          "\r\rClick the \"Make Template\" button to create it!");
      result.nothing_to_do = true;
      return result;
    }
    if (!tags.thumbnails) {
      Say(hooks.warn,
          "Template file needs to have the [TAG_ThumbNails] TAG in it somewhere, so that Web "
          "Wizard knows where to stuff all the thumbnail links.\r\rRe-Edit your TEMPLATE page "
          "and make sure you have the tag in the template!");
      result.nothing_to_do = true;
      return result;
    }
    if (!tags.page_numbers) {
      Say(hooks.inform,
          "Template file needs to have the [TAG_PageNumbers] TAG in it so that Web Wizard knows "
          "where to put all the page numbers.\r\rYour resulting web pages will NOT have page "
          "numbers in them, unless you edit your TEMPLATE file.");
    }
    if (!tags.home_page) {
      Say(hooks.inform,
          "Template file needs to have the [TAG_HomePage] TAG in it so that Web Wizard knows "
          "where to put the home page link.\r\rYour resulting web pages will NOT have a home "
          "page link in them!");
    }
  }
  if (hooks.pump) hooks.pump();
  const int per_page = std::clamp(options.max_number, 1, 99);
  result.pages = PageCount(static_cast<int>(set.size()), per_page);
  DeletePreviousOutput(folder, files);

  ThumbWork work;
  PageFacts facts;
  if (options.main_image_use && !options.main_image.empty()) {
    int w = 0;
    int h = 0;
    const std::string main_path = folder.pages + options.main_image;
    if (auto st = files.Stat(main_path); st && !st->IsDirectory()) {
      if (!MakeThumbnail(main_path, folder.pages + kMainThumbName, 200, 175, work, &w, &h)) {
        Say(hooks.warn, kThumbFailedText);
      }
      facts.main_image = true;
      facts.main_width = w;
      facts.main_height = h;
    }
  }

  std::deque<std::string> remaining(set.begin(), set.end());
  int k = 0;
  // One page's worth of thumbnails taken from the front of the set.
  auto take_thumbs = [&]() {
    std::vector<std::string> lines;
    for (int n = 0; n < per_page && !remaining.empty(); ++n) {
      const std::string name = remaining.front();
      remaining.pop_front();
      Say(hooks.status, "Creating thumb for: [" + std::to_string(remaining.size()) + "] " + name);
      if (hooks.pump) hooks.pump();
      int w = 0;
      int h = 0;
      const std::string thumb = folder.thumbs + "WP_THUMB_" + std::to_string(k) + ".JPG";
      if (!MakeThumbnail(folder.root + name, thumb, options.thumb_width, options.thumb_height, work,
                         &w, &h)) {
        Say(hooks.warn, kThumbFailedText);
      }
      std::string caption;
      if (options.notes_as_captions && hooks.caption) caption = hooks.caption(folder.root + name);
      lines.push_back(ThumbnailLine(name, k, w, h, caption));
      ++k;
    }
    return lines;
  };

  for (int page = 1; !remaining.empty(); ++page) {
    if (hooks.stop_requested && hooks.stop_requested()) break;
    if (first_page_only && page > 1) break;
    const std::string path = folder.pages + PageFileName(options.index_name, page);
    bool written = false;
    if (options.template_mode) {
      const PageTime time = hooks.now ? hooks.now() : PageTime{};
      written = WriteLines(path, {TemplatePage(template_text, options, page, result.pages, time,
                                               take_thumbs)});
    } else {
      facts.page = page;
      facts.pages = result.pages;
      facts.thumb_lines = take_thumbs();
      written = WriteLines(path, StandardPageLines(options, facts));
    }
    if (written) {
      ++result.pages_written;
      result.written.emplace_back(page, path);
    } else {
      result.failed_pages.push_back(path);
      Say(hooks.warn, "The web page could not be written:\r\r" + path);
    }
    if (hooks.pump) hooks.pump();
  }
  return result;
}

bool MakeTemplate(const WebFolder& folder, const WebOptions& options, std::string* error) {
  bool main = false;
  int w = 0;
  int h = 0;
  if (options.main_image_use && !options.main_image.empty()) {
    const picture::PictureInfo info = picture::ReadPictureInfo(folder.pages + options.main_image);
    if (info.width > 0 && info.height > 0) {
      const picture::Size fit = picture::FitInBox(info.width, info.height, 200, 175);
      main = true;
      w = fit.width;
      h = fit.height;
    }
  }
  std::string content;
  for (const std::string& line : TemplateFileLines(options, main, w, h)) content += line + "\r\n";
  const platform::FileResult r = platform::WriteFileAtomically(folder.TemplatePath(), content);
  if (!r.ok && error != nullptr) *error = r.message;
  return r.ok;
}

}  // namespace vr::web
