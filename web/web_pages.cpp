#include "web/web_pages.h"

#include <algorithm>
#include <cstdio>

#include "web/html_text.h"

namespace vr::web {
namespace {

using Lines = std::vector<std::string>;

const char* const kHr = "<hr SIZE=5 WIDTH=\"100%\">";

void Add(Lines& out, std::initializer_list<std::string> lines) {
  out.insert(out.end(), lines.begin(), lines.end());
}

std::string FontColour(uint32_t colour) { return "<font color=\"#" + ColorToHtml(colour) + "\">"; }
std::string FontSize(int value) { return "<font size=+" + std::to_string(value) + ">"; }

void Openers(Lines& out, const TextStyle& s) {
  if (s.bold) out.push_back("<b>");
  if (s.italic) out.push_back("<i>");
  if (s.underline) out.push_back("<u>");
}

void Closers(Lines& out, const TextStyle& s) {
  if (s.underline) out.push_back("</u>");
  if (s.italic) out.push_back("</i>");
  if (s.bold) out.push_back("</b>");
}

std::string HomeLinkPrefix(const WebOptions& o) {
  return "<a href=\"" + EncodeUrlPath(o.index_name) + "\">";
}

std::string NextPageLink(const WebOptions& o, int page) {
  return "<a href=\"" + EncodeUrlPath(PageFileName(o.index_name, page + 1)) + "\">(Next Page)</a>";
}

void HeadLines(Lines& out, const WebOptions& o) {
  Add(out, {"<html>", "<head>",
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">",
            "<meta name=\"Author\" content=\"Veldrimon\">", "<title>",
            "Page Created By Veldrimon - " + EscapeHtml(o.title_text), "</title>", "</head>"});
}

std::string BodyLine(const WebOptions& o) {
  std::string line = "<body text=\"#" + ColorToHtml(o.description.colour) + "\" bgcolor=\"#" +
                     ColorToHtml(o.background_colour) + "\" link=\"#" +
                     ColorToHtml(o.link_colour) + "\" vlink=\"#" +
                     ColorToHtml(o.visited_link_colour) + "\" alink=\"#FF0000\"";
  if (o.background_image_use && !o.background_image.empty()) {
    line += " background=\"../webpages/" + EncodeUrlPath(o.background_image) + "\">";
  } else {
    line += ">";
  }
  return line;
}

// "<center>" through "</center>", "<p>" of the title.
void TitleGroup(Lines& out, const WebOptions& o) {
  out.push_back("<center>");
  Openers(out, o.title);
  Add(out, {FontColour(o.title.colour), FontSize(HtmlSize(o.title.size)),
            EscapeHtml(o.title_text), "</font>", "</font>"});
  Closers(out, o.title);
  Add(out, {"</center>", "<p>"});
}

void PageNumberBlock(Lines& out, const WebOptions& o, const std::string& text) {
  const TextStyle& s = o.page_numbers;
  Add(out, {"<center>", FontColour(s.colour), FontSize(HtmlSize(s.size))});
  Openers(out, s);
  out.push_back(text);
  Closers(out, s);
  Add(out, {"</font>", "</font>", "</center>", "<br>"});
}

// `link` empty: the last page's form, without the link.
void NextPageBlock(Lines& out, const WebOptions& o, const std::string& link) {
  const TextStyle& s = o.page_numbers;
  Add(out, {"<center>", FontColour(s.colour), FontSize(HtmlSize(s.size))});
  Openers(out, s);
  if (link.empty()) {
    Closers(out, s);
  } else {
    if (s.underline) out.push_back("</u>");
    if (s.italic) out.push_back("</i>");
    out.push_back(link);
    if (s.bold) out.push_back("</b>");
  }
  Add(out, {"</font>", "</font>", "</center>", "<br>"});
}

void HomeLinkBlock(Lines& out, const WebOptions& o, const std::string& link) {
  const TextStyle& s = o.page_numbers;
  out.push_back("<center>");
  if (s.bold) out.push_back("<b>");
  Add(out, {FontColour(s.colour), FontSize(HomeLinkSize(s.size)), link, "</font>", "</font>"});
  if (s.bold) out.push_back("</b>");
  Add(out, {"</center>", "<p>"});
}

void CreditBlock(Lines& out, const WebOptions& o) {
  Add(out, {"<center>", "<b>", "<i>", FontColour(o.page_numbers.colour), "<font size=-1>",
            std::string("This page was created with <a href=\"") + kProductSite +
                "\">Veldrimon</a>",
            "</font>", "</font>", "</i>", "</b>", "</center>", "<p>"});
}

void MainImageGroup(Lines& out, bool shown, int width, int height) {
  if (!shown) return;
  Add(out, {"<center>",
            std::string("<img SRC=\"../webpages/") + kMainThumbName + "\" height=" +
                std::to_string(height) + " width=" + std::to_string(width) + ">",
            "</center>", "<p>"});
}

void DescriptionGroup(Lines& out, const WebOptions& o) {
  Openers(out, o.description);
  Add(out, {FontColour(o.description.colour), FontSize(HtmlSize(o.description.size))});
  for (const std::string& line : DescriptionLines(o.description_lines)) {
    out.push_back(line);
    out.push_back("<br>");
  }
  Add(out, {"</font>", "</font>"});
  Closers(out, o.description);
  out.push_back("<p>");
}

std::string PageNumbersText(int page, int pages) {
  return "Page " + std::to_string(page) + " of " + std::to_string(pages);
}

std::string Two(int v) {
  char text[16];
  std::snprintf(text, sizeof(text), "%02d", v);
  return text;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Position of `needle` in `hay` from `from`, ASCII case ignored.
size_t FindNoCase(const std::string& hay, const std::string& needle, size_t from = 0) {
  if (needle.empty() || hay.size() < needle.size()) return std::string::npos;
  for (size_t i = from; i + needle.size() <= hay.size(); ++i) {
    bool same = true;
    for (size_t k = 0; k < needle.size() && same; ++k) same = Lower(hay[i + k]) == Lower(needle[k]);
    if (same) return i;
  }
  return std::string::npos;
}

}  // namespace

std::string ThumbnailLine(const std::string& name, int k, int width, int height,
                          const std::string& caption) {
  std::string line = "<a href=\"../" + EncodeUrlPath(name) +
                     "\"><img SRC=\"../webthumbs/WP_THUMB_" + std::to_string(k) + ".JPG\" ALT=\"" +
                     EscapeHtml(name) + "\" Width=" + std::to_string(width) +
                     " Height=" + std::to_string(height) + "></a>&nbsp";
  if (!caption.empty()) line += "<br>" + EscapeHtml(caption) + "<br>";
  return line;
}

std::vector<std::string> DescriptionLines(const std::vector<std::string>& lines) {
  Lines out;
  for (const std::string& text : lines) {
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' || text[i] == '\n') {
        out.push_back(EscapeHtml(line));
        line.clear();
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      } else {
        line += text[i];
      }
    }
    out.push_back(EscapeHtml(line));
  }
  return out;
}

std::vector<std::string> StandardPageLines(const WebOptions& o, const PageFacts& f) {
  Lines out;
  HeadLines(out, o);
  out.push_back(BodyLine(o));
  Add(out, {"<p>", "<p>"});
  TitleGroup(out, o);
  const std::string numbers = PageNumbersText(f.page, f.pages);
  const std::string next = f.page < f.pages ? NextPageLink(o, f.page) : std::string();
  PageNumberBlock(out, o, numbers);
  NextPageBlock(out, o, next);
  Add(out, {kHr, "<p>"});
  MainImageGroup(out, f.main_image, f.main_width, f.main_height);
  DescriptionGroup(out, o);
  out.push_back(kHr);
  out.insert(out.end(), f.thumb_lines.begin(), f.thumb_lines.end());
  Add(out, {kHr, "<p>"});
  PageNumberBlock(out, o, numbers);
  NextPageBlock(out, o, next);
  out.push_back("<p>");
  HomeLinkBlock(out, o, HomeLinkPrefix(o) + "(HOME PAGE)</a>");
  CreditBlock(out, o);
  Add(out, {"</body>", "</html>"});
  return out;
}

std::vector<std::string> TemplateFileLines(const WebOptions& o, bool main_image, int main_width,
                                           int main_height) {
  Lines out;
  auto p = [&out](const std::string& line) {
    out.push_back(line);
    out.push_back("<p>");
  };
  HeadLines(out, o);
  Add(out, {FontColour(o.background_colour ^ 0xFFFFFF), "<font size=+1>"});
  p("This is a freshly created Template page that you start with.");
  out.push_back("You can change it around to look like the way you want.");
  p("For Example: You could change all the colors and insert cool animated email box's and "
    "basically pretty it all up.");
  p("THEN, once you have it the way you want it, you can click \"Make Page(s)\". And as long as "
    "the \"Use TEMPLATE HTML\" is checked, the Web Pages that are created follow the format of "
    "your template.");
  out.push_back(
      "IMPORTANT: There a few TAGS in the template that HELP in the creation of the Web Pages. "
      "These TAGS help to indicate WHERE in the Web Page certains things should appear.");
  p("So, make sure that you have these tags somewhere in your template, otherwise certain items "
    "won't get displayed.");
  Add(out, {"<font size=+2>", "DEFINED TAGS:"});
  p("<font size=+1>");
  static const char* const kTagLines[] = {
      "[TAG_PageNumbers]&nbsp&nbsp&nbsp&nbsp Indicates where the page numbers should go.",
      "[TAG_NextPage]&nbsp&nbsp&nbsp Indicates where the \"Next Page\" link should go.",
      "[TAG_HomePage]&nbsp&nbsp&nbsp Indicates where the \"Home Page\" link should go.",
      "[TAG_ThumbNails]&nbsp&nbsp&nbsp Indicates where all the thumbnails should go.",
      "[TAG_Month]&nbsp&nbsp&nbsp Indicates where the current MONTH number should go.",
      "[TAG_Day]&nbsp&nbsp&nbsp Indicates where the current DAY number should go.",
      "[TAG_Year]&nbsp&nbsp&nbsp Indicates where the current YEAR number should go.",
      "[TAG_MonthName]&nbsp&nbsp&nbsp Indicates where the current Month's NAME should go.",
      "[TAG_DayName]&nbsp&nbsp&nbsp Indicates where the current Day's NAME should go.",
      "[TAG_Hour]&nbsp&nbsp&nbsp Indicates where the current time's HOUR should go.",
      "[TAG_Minute]&nbsp&nbsp&nbsp Indicates where the current time's MINUTES should go.",
      "[TAG_Second]&nbsp&nbsp&nbsp Indicates where the current time's SECONDS should go.",
      "[TAG_AmPm]&nbsp&nbsp&nbsp Indicates where the current time's AM or PM should go."};
  for (const char* line : kTagLines) Add(out, {line, "<br>"});
  out.push_back("<p>");
  Add(out, {"<font size=+3>", "***   TROUBLE SHOOTING   ***"});
  p("<font size=+2>");
  Add(out, {"HINT:", "<font size=+1>",
            "If you try to change the text color of the HOME PAGE or NEXT PAGE, you will find "
            "that it won't work. If you think about it, you will smile and realize YOU CAN'T."});
  p("This is because these are LINKS. And ALL LINKS on a page have a specific color assigned. "
    "So, just change the LINK's color properties!");
  Add(out, {"<font size=+2>",
            "All of this help info that you have just read can obviously be removed from your "
            "final template."});
  p("If you don't you will get a glimpse of just how ALL the TAGS work, because all the tags "
    "placed above will get subtituted with actual values when you do the \"Make Page(s)\" "
    "button.");
  out.push_back("<p>");
  out.push_back(kHr);
  p(BodyLine(o));
  out.push_back("<p>");
  TitleGroup(out, o);
  PageNumberBlock(out, o, "[TAG_PageNumbers]");
  NextPageBlock(out, o, "[TAG_NextPage]");
  Add(out, {kHr, "<p>"});
  MainImageGroup(out, main_image, main_width, main_height);
  DescriptionGroup(out, o);
  Add(out, {kHr, "[TAG_ThumbNails]", kHr, "<p>"});
  PageNumberBlock(out, o, "[TAG_PageNumbers]");
  NextPageBlock(out, o, "[TAG_NextPage]");
  out.push_back("<p>");
  HomeLinkBlock(out, o, "[TAG_HomePage]");
  CreditBlock(out, o);
  Add(out, {"</body>", "</html>"});
  return out;
}

std::string TemplateTextFromLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += ' ';
    text += line;
  }
  return text;
}

TemplateTags FindTemplateTags(const std::string& text) {
  TemplateTags tags;
  tags.thumbnails = FindNoCase(text, "[TAG_ThumbNails]") != std::string::npos;
  tags.page_numbers = FindNoCase(text, "[TAG_PageNumbers]") != std::string::npos;
  tags.home_page = FindNoCase(text, "[TAG_HomePage]") != std::string::npos;
  return tags;
}

std::string TemplatePage(const std::string& text, const WebOptions& o, int page, int pages,
                         const PageTime& time,
                         const std::function<std::vector<std::string>()>& take_thumbs) {
  // The pieces: text between tags, and each "[TAG_" up to its "]".
  std::vector<std::string> pieces;
  size_t at = 0;
  while (true) {
    const size_t tag = FindNoCase(text, "[TAG_", at);
    if (tag == std::string::npos) break;
    pieces.push_back(text.substr(at, tag - at));
    const size_t close = text.find(']', tag);
    if (close == std::string::npos) {
      at = tag;
      break;
    }
    pieces.push_back(text.substr(tag, close + 1 - tag));
    at = close + 1;
  }
  pieces.push_back(text.substr(at));

  static const char* const kMonths[] = {"January", "February", "March",     "April",
                                        "May",     "June",     "July",      "August",
                                        "September", "October", "November", "December"};
  static const char* const kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};
  const int hour12 = time.hour > 12 ? time.hour - 12 : time.hour;
  std::string out;
  for (const std::string& piece : pieces) {
    if (FindNoCase(piece, "[TAG_") == std::string::npos) {
      out += piece;
      continue;
    }
    auto has = [&piece](const char* tag) { return FindNoCase(piece, tag) != std::string::npos; };
    if (has("[TAG_PageNumbers]")) out += "Page " + std::to_string(page) + " of " + std::to_string(pages);
    if (has("[TAG_NextPage]") && page < pages) out += NextPageLink(o, page);
    if (has("[TAG_HomePage]")) out += HomeLinkPrefix(o) + "(HOME PAGE)</a>";
    if (has("[TAG_ThumbNails]") && take_thumbs) {
      for (const std::string& line : take_thumbs()) out += line;
    }
    if (has("[TAG_Month]")) out += Two(time.month);
    if (has("[TAG_Day]")) out += Two(time.day);
    if (has("[TAG_Year]")) out += std::to_string(time.year);
    if (has("[TAG_MonthName]")) out += kMonths[std::clamp(time.month, 1, 12) - 1];
    if (has("[TAG_DayName]")) out += kDays[std::clamp(time.weekday, 0, 6)];
    if (has("[TAG_Hour]")) out += Two(hour12);
    if (has("[TAG_Minute]")) out += Two(time.minute);
    if (has("[TAG_Second]")) out += Two(time.second);
    if (has("[TAG_AmPm]")) out += time.hour < 12 ? "am" : "pm";
  }
  return out;
}

}  // namespace vr::web
