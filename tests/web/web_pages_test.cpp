// The page text, the options file and the small conversions of the web page wizard.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/profile_file.h"
#include "web/html_text.h"
#include "web/password_scramble.h"
#include "web/web_options.h"
#include "web/web_pages.h"

namespace vr::web {
namespace {

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(WebText, ColoursSizesAndPageNames) {
  EXPECT_EQ(ColorToHtml(16711680), "0000FF");  // blue is the high byte
  EXPECT_EQ(ColorToHtml(0x123456), "563412");
  EXPECT_EQ(ColorToHtml(65535), "FFFF00");
  EXPECT_STREQ(SizeItemName(0), "Very Small");
  EXPECT_STREQ(SizeItemName(6), "Largest");
  EXPECT_EQ(PreviewPointSize(4), 18);
  EXPECT_EQ(PageCount(31, 15), 3);
  EXPECT_EQ(PageCount(30, 15), 2);
  EXPECT_EQ(PageCount(0, 15), 0);
  EXPECT_EQ(PageCount(5, 0), 5);  // a damaged count never divides by zero
  EXPECT_EQ(PageFileName("index.html", 1), "index.html");
  EXPECT_EQ(PageFileName("index.html", 2), "index2.html");
  EXPECT_EQ(PageFileName("default.htm", 3), "default3.htm");
}

TEST(WebText, PasswordScrambleTakesEveryByteBack) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string stored = PasswordScramble(all);
  ASSERT_EQ(stored.size(), 512u);
  EXPECT_TRUE(std::all_of(stored.begin(), stored.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
  }));
  EXPECT_EQ(PasswordUnscramble(stored), all);
  EXPECT_EQ(PasswordUnscramble("ABC"), std::nullopt);
  EXPECT_EQ(PasswordUnscramble("ZZ"), std::nullopt);
}

TEST(WebText, EscapingLeavesPlainTextAloneAndDefusesTheRest) {
  EXPECT_EQ(EscapeHtml("Sample Title Goes Here"), "Sample Title Goes Here");
  EXPECT_EQ(EscapeHtml("a<b"), "a&lt;b");
  EXPECT_EQ(EscapeHtml("<script>alert(\"x\")</script> & co"),
            "&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; co");
  EXPECT_EQ(EscapeHtml("caf\xC3\xA9"), "caf&#233;");
  EXPECT_EQ(EscapeHtml("\xE2\x82\xAC"), "&#8364;");
  EXPECT_EQ(EscapeHtml("bad\xE9"), "bad&#233;");  // not UTF-8: taken as Latin-1
  EXPECT_EQ(EncodeUrlPath("photo_1-a.JPG"), "photo_1-a.JPG");
  EXPECT_EQ(EncodeUrlPath("my pic #1 100%.jpg"), "my%20pic%20%231%20100%25.jpg");
  EXPECT_EQ(EncodeUrlPath("x\" onerror=\"y.jpg"), "x%22%20onerror%3D%22y.jpg");
  EXPECT_EQ(EncodeUrlPath("caf\xC3\xA9.jpg"), "caf%C3%A9.jpg");
}

TEST(WebText, ThumbnailLinesPointOneFolderUp) {
  EXPECT_EQ(ThumbnailLine("cat.jpg", 7, 100, 66),
            "<a href=\"../cat.jpg\"><img SRC=\"../webthumbs/WP_THUMB_7.JPG\" ALT=\"cat.jpg\" "
            "Width=100 Height=66></a>&nbsp");
  EXPECT_EQ(ThumbnailLine("a \"b\" <c>.jpg", 0, 5, 5),
            "<a href=\"../a%20%22b%22%20%3Cc%3E.jpg\"><img SRC=\"../webthumbs/WP_THUMB_0.JPG\" "
            "ALT=\"a &quot;b&quot; &lt;c&gt;.jpg\" Width=5 Height=5></a>&nbsp");
  EXPECT_EQ(ThumbnailLine("d.gif", 1, 9, 9, "Mum & me"),
            "<a href=\"../d.gif\"><img SRC=\"../webthumbs/WP_THUMB_1.JPG\" ALT=\"d.gif\" Width=9 "
            "Height=9></a>&nbsp<br>Mum &amp; me<br>");
}

TEST(WebPage, StandardPageFollowsTheOptions) {
  WebOptions o;
  o.page_numbers.size = 0;  // "Very Small": +-2, home link +-3
  o.title_text = "<script>x</script>";
  o.description_lines = {"a<b\r\nsecond"};
  PageFacts f;
  f.page = 2;
  f.pages = 3;
  f.thumb_lines = {"THUMB-A", "THUMB-B"};
  const std::vector<std::string> lines = StandardPageLines(o, f);
  EXPECT_EQ(lines.front(), "<html>");
  EXPECT_EQ(lines.back(), "</html>");
  EXPECT_TRUE(Has(lines, "Page Created By Veldrimon - &lt;script&gt;x&lt;/script&gt;"));
  EXPECT_FALSE(Has(lines, "<script>x</script>"));
  EXPECT_TRUE(Has(lines, "<font size=+-2>"));
  EXPECT_TRUE(Has(lines, "<font size=+-3>"));
  EXPECT_TRUE(Has(lines, "<font size=+3>"));  // title "Very Large"
  EXPECT_TRUE(Has(lines, "a&lt;b"));
  EXPECT_TRUE(Has(lines, "second"));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Page 2 of 3"), 2);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "<a href=\"index3.html\">(Next Page)</a>"), 2);
  EXPECT_TRUE(Has(lines, "<a href=\"index.html\">(HOME PAGE)</a>"));
  EXPECT_TRUE(Has(lines,
                  "<body text=\"#FFFFFF\" bgcolor=\"#0000FF\" link=\"#FF00FF\" "
                  "vlink=\"#000080\" alink=\"#FF0000\">"));
  // The thumbnails sit between the two rules after the description.
  const auto a = std::find(lines.begin(), lines.end(), "THUMB-A");
  ASSERT_NE(a, lines.end());
  EXPECT_EQ(*(a - 1), "<hr SIZE=5 WIDTH=\"100%\">");
  EXPECT_EQ(*(a + 2), "<hr SIZE=5 WIDTH=\"100%\">");

  // The last page has no link; bold page numbers close their tags in order there.
  f.page = 3;
  const std::vector<std::string> last = StandardPageLines(o, f);
  EXPECT_EQ(std::count_if(last.begin(), last.end(),
                          [](const std::string& l) { return l.find("(Next Page)") != l.npos; }),
            0);
  // A used background image and main image.
  o.background_image = "WP_BGImage.GIF";
  o.background_image_use = true;
  f.main_image = true;
  f.main_width = 200;
  f.main_height = 133;
  const std::vector<std::string> dressed = StandardPageLines(o, f);
  EXPECT_TRUE(Has(dressed,
                  "<body text=\"#FFFFFF\" bgcolor=\"#0000FF\" link=\"#FF00FF\" vlink=\"#000080\" "
                  "alink=\"#FF0000\" background=\"../webpages/WP_BGImage.GIF\">"));
  EXPECT_TRUE(Has(dressed, "<img SRC=\"../webpages/WP_THUMB_MAIN.JPG\" height=133 width=200>"));
}

TEST(WebPage, TemplateTagsExpandByTheirRules) {
  WebOptions o;
  int taken = 0;
  auto thumbs = [&taken]() {
    ++taken;
    return std::vector<std::string>{"<T" + std::to_string(taken) + ">"};
  };
  PageTime t{2026, 12, 9, 3, 13, 5, 7};
  const std::string text =
      " <p>[tag_pagenumbers] [TAG_NextPage]|[TAG_Unknown]|[TAG_ThumbNails][TAG_ThumbNails]"
      " [TAG_HomePage] [TAG_Day].[TAG_Month].[TAG_Year] [TAG_DayName] [TAG_MonthName]"
      " [TAG_Hour]:[TAG_Minute]:[TAG_Second] [TAG_AmPm]";
  EXPECT_EQ(TemplatePage(text, o, 1, 3, t, thumbs),
            " <p>Page 1 of 3 <a href=\"index2.html\">(Next Page)</a>||<T1><T2> "
            "<a href=\"index.html\">(HOME PAGE)</a> 09.12.2026 Wednesday December 01:05:07 pm");
  // The last page has no next link; the clock's 12-hour rule at midnight and noon.
  EXPECT_EQ(TemplatePage("[TAG_NextPage]x", o, 3, 3, t, thumbs), "x");
  t.hour = 0;
  t.minute = 30;
  EXPECT_EQ(TemplatePage("[TAG_Hour]:[TAG_Minute] [TAG_AmPm]", o, 1, 1, t, thumbs), "00:30 am");
  t.hour = 12;
  t.minute = 5;
  EXPECT_EQ(TemplatePage("[TAG_Hour]:[TAG_Minute] [TAG_AmPm]", o, 1, 1, t, thumbs), "12:05 pm");
  const TemplateTags tags = FindTemplateTags(" x [tag_thumbnails] ");
  EXPECT_TRUE(tags.thumbnails);
  EXPECT_FALSE(tags.page_numbers);
  EXPECT_FALSE(tags.home_page);
}

TEST(WebPage, FreshTemplateCarriesEveryTagOnce) {
  WebOptions o;
  const std::string text = TemplateTextFromLines(TemplateFileLines(o, false, 0, 0));
  const TemplateTags tags = FindTemplateTags(text);
  EXPECT_TRUE(tags.thumbnails && tags.page_numbers && tags.home_page);
  // The colour line inverts the background: blue becomes yellow.
  EXPECT_NE(text.find(" <font color=\"#FFFF00\"> <font size=+1>"), std::string::npos);
  int thumbs = 0;
  const std::string page = TemplatePage(text, o, 1, 2, PageTime{}, [&thumbs]() {
    ++thumbs;
    return std::vector<std::string>{};
  });
  // The help text's own tag lines are expanded too, so the page shows what each one does.
  EXPECT_EQ(thumbs, 2);
  EXPECT_EQ(page.find("[TAG_"), std::string::npos);
  EXPECT_NE(page.find("Page 1 of 2"), std::string::npos);
}

TEST(WebOptionsFile, RoundTripsAndClampsADamagedFile) {
  WebOptions o;
  o.template_mode = true;
  o.index_name = "default.htm";
  o.title_text = "Holiday, 2026";
  o.description_lines = {"one, two", "say \"hi\"", "", " padded ", "last"};
  o.thumb_width = 150;
  o.page_numbers.italic = true;
  ServerInfo s;
  s.server_name = "ftp.example.org";
  s.password = "p@ss word";
  s.anonymous = true;
  platform::ProfileFile file = platform::ProfileFile::FromText("");
  WriteWebOptions(file, o);
  WriteServerInfo(file, s);
  const std::string text = file.ToText();
  EXPECT_NE(text.find("Aononymous=1"), std::string::npos);
  EXPECT_EQ(text.find("p@ss"), std::string::npos);
  EXPECT_NE(text.find("Desc_Text=\"\"one, two\",\"say \"\"hi\"\"\",,\" padded \",last\""),
            std::string::npos)
      << text;
  const platform::ProfileFile back = platform::ProfileFile::FromText(text);
  EXPECT_EQ(ReadWebOptions(back), o);
  EXPECT_EQ(ReadServerInfo(back), s);

  const platform::ProfileFile damaged = platform::ProfileFile::FromText(
      "[ThumbNails]\nMax_Number=0\nWidth=5000\nHeight=-3\n[Title]\nSize=99\n[General]\n"
      "IndexName=\nLinks_Color=-1\n");
  const WebOptions d = ReadWebOptions(damaged);
  EXPECT_EQ(d.max_number, 1);
  EXPECT_EQ(d.thumb_width, 300);
  EXPECT_EQ(d.thumb_height, 32);
  EXPECT_EQ(d.title.size, 6);
  EXPECT_EQ(d.index_name, "index.html");
  EXPECT_EQ(d.link_colour, 0u);
  EXPECT_EQ(d.description_lines, WebOptions::DefaultDescription());
}

}  // namespace
}  // namespace vr::web
