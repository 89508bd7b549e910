// The page-making run over real Web Folders: pictures written by our codecs, pages and
// thumbnails on disk, and veldrimon-tool webpages as a user runs it.
#include <array>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "picture/load/loader.h"
#include "platform/files.h"
#include "test_support/temp_dir.h"
#include "lists/files_list.h"
#include "platform/path_rules.h"
#include "web/add_files.h"
#include "web/web_folder.h"
#include "web/web_run.h"

namespace vr::web {
namespace {

using picture::Bitmap;
using picture::PixelFormat;

Bitmap Solid(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  Bitmap bm;
  bm.Create(w, h, PixelFormat::k24);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = bm.Row(y);
    for (int x = 0; x < w; ++x) {
      row[x * 3] = b;
      row[x * 3 + 1] = g;
      row[x * 3 + 2] = r;
    }
  }
  return bm;
}

void Jpeg(const std::string& path, int w, int h) {
  ASSERT_TRUE(codecs::SaveJpeg(path, Solid(w, h, 200, 30, 30), {90, false}).ok) << path;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

struct Recorded {
  std::vector<std::string> warnings;
  std::vector<std::string> informations;
  std::vector<std::string> statuses;
  RunHooks Hooks() {
    RunHooks h;
    h.warn = [this](const std::string& t) { warnings.push_back(t); };
    h.inform = [this](const std::string& t) { informations.push_back(t); };
    h.status = [this](const std::string& t) { statuses.push_back(t); };
    return h;
  }
};

class WebRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::make_unique<WebFolder>(dir_.Path());
    ASSERT_TRUE(MakeSubfolders(*folder_, files_));
  }
  void Pictures(int count) {
    for (int i = 0; i < count; ++i) {
      char name[32];
      std::snprintf(name, sizeof(name), "p%02d.bmp", i);
      ASSERT_TRUE(codecs::SaveBmp(dir_.File(name), Solid(8, 6, 10, 200, 10)).ok);
    }
  }
  test_support::TempDir dir_;
  platform::PosixFiles files_;
  std::unique_ptr<WebFolder> folder_;
};

TEST_F(WebRunTest, ThirtyOnePicturesAtFifteenAPageMakeThreePages) {
  // BMPs are not pictures of the site; only GIF, JPEG and PNG count.
  Pictures(3);
  for (int i = 0; i < 31; ++i) {
    char name[32];
    std::snprintf(name, sizeof(name), "%s%02d.jpg", i % 2 ? "a" : "B", i);
    Jpeg(dir_.File(name), 40, 30);
  }
  Recorded rec;
  const RunResult r = MakePages(*folder_, WebOptions{}, false, files_, rec.Hooks());
  EXPECT_EQ(r.pages, 3);
  ASSERT_EQ(r.pages_written, 3);
  EXPECT_TRUE(rec.warnings.empty());
  const std::string p1 = ReadText(folder_->pages + "index.html");
  const std::string p3 = ReadText(folder_->pages + "index3.html");
  EXPECT_NE(p1.find("WP_THUMB_14.JPG"), std::string::npos);
  EXPECT_EQ(p1.find("WP_THUMB_15.JPG"), std::string::npos);
  EXPECT_NE(p1.find("(Next Page)"), std::string::npos);
  EXPECT_NE(p3.find("WP_THUMB_30.JPG"), std::string::npos);
  EXPECT_NE(p3.find("Page 3 of 3"), std::string::npos);
  EXPECT_EQ(p3.find("(Next Page)"), std::string::npos);
  EXPECT_TRUE(Exists(folder_->thumbs + "WP_THUMB_30.JPG"));
  EXPECT_FALSE(Exists(folder_->thumbs + "WP_THUMB_31.JPG"));
  // Sorted with case ignored: the fifteen a.. names fill page 1, the B.. names come after (byte
  // order would put them first); lines end CR LF.
  EXPECT_NE(p1.find("../a29.jpg"), std::string::npos);
  EXPECT_EQ(p1.find("../B00.jpg"), std::string::npos);
  EXPECT_NE(ReadText(folder_->pages + "index2.html").find("../B00.jpg"), std::string::npos);
  EXPECT_NE(p1.find("</html>\r\n"), std::string::npos);
  EXPECT_EQ(rec.statuses.front(), "Creating thumb for: [30] a01.jpg");

  // First page only: index.html alone, still linking on; the older later pages are gone.
  const RunResult quick = MakePages(*folder_, WebOptions{}, true, files_, rec.Hooks());
  EXPECT_EQ(quick.pages_written, 1);
  EXPECT_NE(ReadText(folder_->pages + "index.html").find("Page 1 of 3"), std::string::npos);
  EXPECT_FALSE(Exists(folder_->pages + "index2.html"));
  EXPECT_FALSE(Exists(folder_->thumbs + "WP_THUMB_15.JPG"));

  // Changing the home page name removes the old index pages as well.
  WebOptions d;
  d.index_name = "default.htm";
  EXPECT_EQ(MakePages(*folder_, d, false, files_, rec.Hooks()).pages_written, 3);
  EXPECT_FALSE(Exists(folder_->pages + "index.html"));
  EXPECT_TRUE(Exists(folder_->pages + "default3.htm"));
}

TEST_F(WebRunTest, ThumbnailsFitTheirBoxAndEnlargeSmallPictures) {
  struct Case {
    int w, h, tw, th;
  } cases[] = {{50, 20, 100, 40}, {300, 200, 100, 66}, {200, 300, 66, 100}, {640, 480, 100, 75}};
  ThumbWork work;
  for (const Case& c : cases) {
    const std::string src = dir_.File("s.jpg");
    Jpeg(src, c.w, c.h);
    const std::string out = dir_.File("t.jpg");
    int w = 0;
    int h = 0;
    ASSERT_TRUE(MakeThumbnail(src, out, 100, 100, work, &w, &h)) << c.w << "x" << c.h;
    EXPECT_EQ(w, c.tw);
    EXPECT_EQ(h, c.th);
    const picture::PictureInfo info = picture::ReadPictureInfo(out);
    EXPECT_EQ(info.width, c.tw);
    EXPECT_EQ(info.height, c.th);
    EXPECT_GT(info.colours, 256);  // a true-colour JPEG
  }
}

TEST_F(WebRunTest, EmptyFolderAndBrokenTemplatesWriteNothing) {
  Recorded rec;
  RunResult r = MakePages(*folder_, WebOptions{}, false, files_, rec.Hooks());
  EXPECT_TRUE(r.nothing_to_do);
  ASSERT_EQ(rec.warnings.size(), 1u);
  EXPECT_EQ(rec.warnings[0], "THERE ARE NO IMAGES IN THE CURRENT WEB FOLDER OF:\r\r" + folder_->root +
                                 "\r\rNO Web pages will be created for this Web Folder until you "
                                 "put some images in there!");
  Jpeg(dir_.File("one.jpg"), 20, 20);
  WebOptions o;
  o.template_mode = true;
  rec = {};
  r = MakePages(*folder_, o, false, files_, rec.Hooks());
  ASSERT_EQ(rec.warnings.size(), 1u);
  EXPECT_EQ(rec.warnings[0].rfind("TEMPLATE file is not found!", 0), 0u);
  std::ofstream(folder_->TemplatePath()) << "<html>\n[TAG_PageNumbers]\n</html>\n";
  rec = {};
  r = MakePages(*folder_, o, false, files_, rec.Hooks());
  ASSERT_EQ(rec.warnings.size(), 1u);
  EXPECT_NE(rec.warnings[0].find("[TAG_ThumbNails] TAG in it somewhere"), std::string::npos);
  EXPECT_EQ(r.pages_written, 0);
  EXPECT_FALSE(Exists(folder_->pages + "index.html"));
}

TEST_F(WebRunTest, TemplatePagesAreOneLineWithTheTimeOfTheirPage) {
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) Jpeg(dir_.File(name), 20, 10);
  std::ofstream(folder_->TemplatePath())
      << "<html>\r\n<b>[TAG_PageNumbers]</b>\r\n[tag_thumbnails]\r\n[TAG_Hour]:[TAG_Minute] "
         "[TAG_AmPm]\r\n</html>\r\n";
  WebOptions o;
  o.template_mode = true;
  o.max_number = 2;
  Recorded rec;
  RunHooks hooks = rec.Hooks();
  hooks.now = [] { return PageTime{2026, 12, 9, 3, 13, 5, 0}; };
  const RunResult r = MakePages(*folder_, o, false, files_, hooks);
  ASSERT_EQ(r.pages_written, 2);
  // No home page tag: the information, and the pages still made.
  ASSERT_EQ(rec.informations.size(), 1u);
  EXPECT_NE(rec.informations[0].find("[TAG_HomePage]"), std::string::npos);
  EXPECT_EQ(ReadText(folder_->pages + "index2.html"),
            " <html> <b>Page 2 of 2</b> <a href=\"../c.jpg\"><img "
            "SRC=\"../webthumbs/WP_THUMB_2.JPG\" ALT=\"c.jpg\" Width=100 Height=50></a>&nbsp "
            "01:05 pm </html>\r\n");
}

TEST_F(WebRunTest, CleanUpSparesPicturesAndNamesTheUsersOwnFiles) {
  Jpeg(dir_.File("keep.jpg"), 20, 20);
  WebOptions o;
  ASSERT_TRUE(SaveWebOptions(*folder_, o, ServerInfo{}));
  std::string error;
  ASSERT_TRUE(MakeTemplate(*folder_, o, &error)) << error;
  ASSERT_EQ(MakePages(*folder_, o, false, files_, Recorded{}.Hooks()).pages_written, 1);
  // What the wizard wrote itself is not the user's.
  EXPECT_TRUE(UserFilesInPages(*folder_, o, files_).empty());
  std::ofstream(folder_->pages + "mailbox.gif") << "GIF89a";
  std::ofstream(folder_->TemplatePath(), std::ios::app) << "my edit\r\n";
  EXPECT_EQ(UserFilesInPages(*folder_, o, files_),
            (std::vector<std::string>{"mailbox.gif", "WP_Template.Html"}));

  // Publishing never gets the settings file (nor the template).
  const UploadLists all = UploadFiles(*folder_, kUploadAll, files_);
  EXPECT_EQ(all.pictures, std::vector<std::string>{folder_->root + "keep.jpg"});
  EXPECT_EQ(all.pages, (std::vector<std::string>{folder_->pages + "index.html",
                                                 folder_->pages + "mailbox.gif"}));
  EXPECT_EQ(all.thumbs, std::vector<std::string>{folder_->thumbs + "WP_THUMB_0.JPG"});
  EXPECT_TRUE(UploadFiles(*folder_, kUploadPictures, files_).pages.empty());
  EXPECT_TRUE(UploadFiles(*folder_, kUploadHtml, files_).thumbs.empty());
  EXPECT_TRUE(UploadFiles(*folder_, kUploadHtmlAndThumbs, files_).pictures.empty());

  struct stat st {};
  ASSERT_EQ(::stat(folder_->WebInfoPath().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  CleanUp(*folder_, files_);
  EXPECT_TRUE(Exists(dir_.File("keep.jpg")));
  EXPECT_FALSE(Exists(folder_->WebInfoPath()));
  EXPECT_FALSE(Exists(folder_->thumbs + "WP_THUMB_0.JPG"));
  RemoveEmptySubfolders(*folder_, files_);
  EXPECT_FALSE(Exists(dir_.File("webpages")));
}

#ifdef VELDRIMON_TOOL_BINARY
int RunTool(const std::string& args, const std::string& err_file) {
  const std::string command =
      std::string(VELDRIMON_TOOL_BINARY) + " webpages " + args + " >" + err_file + ".out 2>" + err_file;
  const int rc = std::system(command.c_str());
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

TEST_F(WebRunTest, ToolMakesPagesFromTheFoldersOwnSettingsAndHostileNamesStayInert) {
  const std::string err = dir_.File("err.txt");
  EXPECT_EQ(RunTool(dir_.Path(), err), 1);  // no pictures
  EXPECT_NE(ReadText(err).find("THERE ARE NO IMAGES IN THE CURRENT WEB FOLDER OF:"),
            std::string::npos);

  const std::vector<std::string> names = {"a b.jpg", "x#1.jpg", "100%.jpg", "q\"uote.jpg",
                                          "l<t.jpg", "and&.jpg", "caf\xC3\xA9.jpg"};
  for (const std::string& name : names) Jpeg(dir_.File(name), 30, 20);
  WebOptions o;
  o.title_text = "<script>alert(1)</script>";
  o.max_number = 4;
  ASSERT_TRUE(SaveWebOptions(*folder_, o, ServerInfo{}));
  ASSERT_EQ(RunTool(dir_.Path(), err), 0) << ReadText(err);
  EXPECT_EQ(ReadText(err + ".out"), "page 1 " + folder_->pages + "index.html\npage 2 " +
                                        folder_->pages + "index2.html\n");
  EXPECT_NE(ReadText(err).find("Completed making 2 Web Page(s)."), std::string::npos);
  const std::string pages =
      ReadText(folder_->pages + "index.html") + ReadText(folder_->pages + "index2.html");
  EXPECT_EQ(pages.find("<script>"), std::string::npos);
  EXPECT_NE(pages.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
  for (const char* link : {"../a%20b.jpg", "../x%231.jpg", "../100%25.jpg", "../q%22uote.jpg",
                           "../l%3Ct.jpg", "../and%26.jpg", "../caf%C3%A9.jpg"}) {
    EXPECT_NE(pages.find(std::string("<a href=\"") + link + "\">"), std::string::npos) << link;
  }
  EXPECT_NE(pages.find("ALT=\"caf&#233;.jpg\""), std::string::npos);
  // Every reference of the pages names a file that is there.
  size_t at = 0;
  int checked = 0;
  while ((at = pages.find("SRC=\"../", at)) != std::string::npos) {
    at += 8;
    const std::string ref = pages.substr(at, pages.find('"', at) - at);
    EXPECT_TRUE(Exists(folder_->root + ref)) << ref;
    ++checked;
  }
  EXPECT_EQ(checked, 7);

  // HTML checkers find nothing beyond what the page form itself has (no DOCTYPE, "&nbsp"
  // without ";", the empty paragraphs and blocks of its layout).
  if (std::system("command -v tidy >/dev/null 2>&1") != 0) {
    GTEST_LOG_(INFO) << "tidy is not installed; the HTML check is skipped";
  } else {
    for (const char* page : {"index.html", "index2.html"}) {
      const std::string report = dir_.File("tidy.txt");
      const int rc = std::system(("tidy -q -e --doctype loose " + folder_->pages + page + " 2>" +
                                  report).c_str());
      EXPECT_LE(WEXITSTATUS(rc), 1) << ReadText(report);
      std::istringstream lines(ReadText(report));
      std::string line;
      while (std::getline(lines, line)) {
        const bool form = line.find("missing <!DOCTYPE>") != std::string::npos ||
                          line.find("entity \"&nbsp\" doesn't end in ';'") != std::string::npos ||
                          line.find("Warning: trimming empty <") != std::string::npos;
        EXPECT_TRUE(form) << page << ": " << line;
      }
    }
  }

  // The template and the upload list through the tool.
  ASSERT_EQ(RunTool(dir_.Path() + " --make-template", err), 0);
  EXPECT_TRUE(Exists(folder_->TemplatePath()));
  ASSERT_EQ(RunTool(dir_.Path() + " --upload-list 4", err), 0);
  EXPECT_EQ(ReadText(err + ".out"),
            folder_->pages + "index.html\n" + folder_->pages + "index2.html\n");
}

// A real browser shows the pages as they were meant: the background colour, each red test
// thumbnail as a red block of the thumbnail's size, the title as text and no script.
TEST_F(WebRunTest, ABrowserShowsTheBackgroundTheThumbnailsAndTheTitleAsText) {
  if (std::system("command -v chromium >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "chromium is not installed; the browser check is skipped";
  }
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) Jpeg(dir_.File(name), 200, 100);
  WebOptions o;
  o.title_text = "<script>document.title='x'</script>Holiday";
  o.background_colour = 0x00FF00;  // green: red 0, green 255, blue 0
  ASSERT_TRUE(SaveWebOptions(*folder_, o, ServerInfo{}));
  const std::string err = dir_.File("err.txt");
  ASSERT_EQ(RunTool(dir_.Path(), err), 0) << ReadText(err);
  const std::string page = "file://" + folder_->pages + "index.html";
  const std::string chromium = "chromium --headless --no-sandbox --disable-gpu --hide-scrollbars "
                               "--force-device-scale-factor=1 --window-size=800,1200 ";
  const std::string shot = dir_.File("shot.png");
  ASSERT_EQ(std::system((chromium + "--screenshot=" + shot + " '" + page + "' >" +
                         dir_.File("chromium.txt") + " 2>&1").c_str()),
            0)
      << ReadText(dir_.File("chromium.txt"));
  Bitmap screen;
  ASSERT_TRUE(codecs::LoadPngFile(shot, screen, true, picture::DecodeOptions()).ok());
  ASSERT_EQ(screen.Bits(), 24);
  auto pixel = [&](int x, int y) {
    const uint8_t* p = screen.Row(y) + x * 3;
    return std::array<int, 3>{p[2], p[1], p[0]};
  };
  auto red = [&](int x, int y) {
    const auto c = pixel(x, y);
    return c[0] > 150 && c[1] < 90 && c[2] < 90;
  };
  EXPECT_EQ(pixel(1, 1), (std::array<int, 3>{0, 255, 0}));
  // Each thumbnail is 100 x 50: find the blocks by their top-left corners.
  int blocks = 0;
  for (int y = 1; y < screen.Height(); ++y) {
    for (int x = 1; x < screen.Width(); ++x) {
      if (!red(x, y) || red(x - 1, y) || red(x, y - 1)) continue;
      int w = 0;
      while (x + w < screen.Width() && red(x + w, y)) ++w;
      int h = 0;
      while (y + h < screen.Height() && red(x, y + h)) ++h;
      EXPECT_NEAR(w, 100, 1) << "block at " << x << "," << y;
      EXPECT_NEAR(h, 50, 1) << "block at " << x << "," << y;
      ++blocks;
    }
  }
  EXPECT_EQ(blocks, 3);
  // The DOM holds the title as text: the script never became an element, nor ran.
  const std::string dom_file = dir_.File("dom.html");
  ASSERT_EQ(std::system((chromium + "--dump-dom '" + page + "' >" + dom_file + " 2>/dev/null")
                            .c_str()),
            0);
  const std::string dom = ReadText(dom_file);
  EXPECT_EQ(dom.find("<script"), std::string::npos);
  EXPECT_NE(dom.find("&lt;script&gt;document.title='x'&lt;/script&gt;Holiday"), std::string::npos)
      << dom.substr(0, 600);
}
#endif

}  // namespace
}  // namespace vr::web

namespace vr::web {
namespace {

TEST_F(WebRunTest, AddingFilesCopiesGifsAndJpegsAndConvertsTheRest) {
  std::filesystem::create_directories(dir_.File("from"));
  Jpeg(dir_.File("from/photo.jpg"), 20, 10);
  Jpeg(dir_.File("from/other.jpg"), 20, 10);
  picture::Bitmap indexed;
  indexed.Create(8, 8, PixelFormat::k8);
  indexed.SetPalette({picture::Rgb{255, 0, 0}, picture::Rgb{0, 0, 255}});
  ASSERT_TRUE(codecs::SaveBmp(dir_.File("from/few.bmp"), indexed).ok);
  ASSERT_TRUE(codecs::SaveBmp(dir_.File("from/many.bmp"), Solid(8, 8, 1, 2, 3)).ok);
  ASSERT_TRUE(codecs::SaveBmp(dir_.File("from/kept.bmp"), Solid(8, 8, 1, 2, 3)).ok);
  std::ofstream(folder_->root + "kept.JPG") << "mine";
  lists::ListServices services;
  services.files = &files_;
  lists::FilesList list(services);
  list.LoadPaths({dir_.File("from")}, 1 << 30, 0);
  ASSERT_EQ(list.Count(), 5);

  std::vector<std::string> copies;
  std::vector<std::string> said;
  AddFilesHooks hooks;
  hooks.copy = [&](const std::string& source, const std::string& target) {
    copies.push_back(platform::NameOf(source) + ">" + target);
    return files_.CopyFile(source, target).ok;
  };
  hooks.may_overwrite = [&](const std::string& target) {
    said.push_back("overwrite? " + platform::NameOf(target));
    return false;
  };
  hooks.inform = [&](const std::string& text) { said.push_back(text); };
  hooks.warn = [&](const std::string& text) { said.push_back(text); };

  // Tagged only, with nothing tagged: the message and nothing else.
  EXPECT_EQ(AddFilesToWebFolder(list, 2, *folder_, hooks), 0);
  EXPECT_EQ(said, std::vector<std::string>{kNoTagsText});
  said.clear();

  EXPECT_EQ(AddFilesToWebFolder(list, 1, *folder_, hooks), 4);
  EXPECT_EQ(copies.size(), 2u);
  EXPECT_TRUE(Exists(folder_->root + "photo.jpg"));
  EXPECT_TRUE(Exists(folder_->root + "few.GIF"));   // two colours: GIF
  EXPECT_TRUE(Exists(folder_->root + "many.JPG"));  // true colour: JPEG
  EXPECT_EQ(ReadText(folder_->root + "kept.JPG"), "mine");  // not replaced without a yes
  EXPECT_EQ(said, (std::vector<std::string>{kConversionNote, "overwrite? kept.JPG"}));
  // Converted pictures read back.
  EXPECT_EQ(picture::ReadPictureInfo(folder_->root + "few.GIF").width, 8);
}

}  // namespace
}  // namespace vr::web
