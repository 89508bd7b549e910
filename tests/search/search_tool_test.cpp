// veldrimon-tool search as a process, over pictures in a temporary folder and a real Notes
// database there: the report on stdout, the stage figures on stderr, the cache across two
// processes, the learned list from the program folder and the duplicate-name search.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "lists/search/report.h"
#include "search/search_pictures.h"
#include "test_support/temp_dir.h"

namespace vr {
namespace {

std::string Tool() {
  const char* dir = std::getenv("VR_BINARY_DIR");
  return std::string(dir != nullptr ? dir : ".") + "/tools/veldrimon-tool";
}

struct ToolRun {
  int status = -1;
  std::vector<std::string> report;
  std::string err;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

ToolRun Search(const test_support::TempDir& dir, const std::string& arguments,
           const std::string& env = "") {
  const std::string out = dir.File("out.txt");
  const std::string err = dir.File("err.txt");
  const std::string command = env + " " + Tool() + " search " + arguments + " >" + out + " 2>" + err;
  const int status = std::system(command.c_str());
  ToolRun run;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  const std::string text = Slurp(out);
  if (!text.empty()) {
    EXPECT_NE(text.find("\r\n"), std::string::npos);  // as "&Save" writes it
  }
  run.report = search::ParseReportText(text);
  run.err = Slurp(err);
  return run;
}

size_t Figure(const std::string& err, const std::string& name) {
  const size_t at = err.find(name + " ");
  EXPECT_NE(at, std::string::npos) << err;
  return at == std::string::npos ? 0 : std::strtoul(err.c_str() + at + name.size() + 1, nullptr, 10);
}

std::vector<std::string> FileLines(const ToolRun& run) {
  std::vector<std::string> files;
  for (const auto& line : run.report) {
    if (!search::FileOfLine(line).empty()) files.push_back(search::FileOfLine(line));
  }
  return files;
}

TEST(SearchToolTest, ReportsLookAlikesAndCachesPrintsAcrossProcesses) {
  test_support::TempDir dir;
  const std::string pics = dir.File("pics");
  std::filesystem::create_directories(pics + "/sub");
  const picture::Bitmap photo = search_test::PhotoLike(1);
  ASSERT_TRUE(search_test::WriteJpeg(pics + "/a.jpg", photo, 90));
  ASSERT_TRUE(search_test::WriteJpeg(pics + "/sub/b.jpg", photo, 40));
  ASSERT_TRUE(search_test::WriteJpeg(pics + "/c.jpg", search_test::PhotoLike(2), 90));
  const std::string db = dir.File("LSNOTES");
  const std::string args = pics + " --subfolders --db " + db;

  const ToolRun first = Search(dir, args);
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(Figure(first.err, "generated"), 3u);
  EXPECT_EQ(Figure(first.err, "loaded"), 0u);
  EXPECT_EQ(Figure(first.err, "groups"), 1u);
  ASSERT_GE(first.report.size(), 4u);
  EXPECT_EQ(first.report[0].rfind("**** Search Start:\"", 0), 0u);
  EXPECT_EQ(first.report[1], "*** START OF SEARCH RESULTS BY IMAGE APPEARANCE ***");
  EXPECT_EQ(first.report.back().rfind("**** END OF SEARCH RESULTS \"", 0), 0u);
  EXPECT_EQ(FileLines(first), (std::vector<std::string>{pics + "/a.jpg", pics + "/sub/b.jpg"}));
  EXPECT_NE(std::find(first.report.begin(), first.report.end(),
                      "There are 1 Matching GROUPS in the list."),
            first.report.end());
  EXPECT_TRUE(std::filesystem::exists(db + ".NAM"));

  // A second process decodes nothing.
  const ToolRun second = Search(dir, args);
  EXPECT_EQ(Figure(second.err, "generated"), 0u);
  EXPECT_EQ(Figure(second.err, "loaded"), 3u);
  EXPECT_EQ(FileLines(second), FileLines(first));
  EXPECT_EQ(Figure(Search(dir, args + " --force").err, "generated"), 3u);

  // The learned list in the program folder hides the pair.
  const std::string home = dir.File("home");
  std::filesystem::create_directories(home);
  std::ofstream(home + "/MEMORIZED.TXT", std::ios::binary)
      << "*** DO NOT MATCH THESE ***\r\n" << pics << "/sub/b.jpg\r\n\r\n" << pics << "/a.jpg\r\n";
  const ToolRun learned = Search(dir, args + " --learned", "VELDRIMON_HOME=" + home);
  EXPECT_TRUE(FileLines(learned).empty());
  EXPECT_EQ(Figure(learned.err, "groups"), 0u);

  // Bad arguments are refused.
  EXPECT_EQ(Search(dir, args + " --level nearly").status, 2);
  EXPECT_EQ(Search(dir, pics).status, 2);
}

TEST(SearchToolTest, DuplicateNamesAcrossFolders) {
  test_support::TempDir dir;
  const picture::Bitmap photo = search_test::PhotoLike(3, 40, 30);
  std::filesystem::create_directories(dir.File("x/y"));
  ASSERT_TRUE(search_test::WriteBmp(dir.File("x/Same.bmp"), photo));
  ASSERT_TRUE(search_test::WriteBmp(dir.File("x/y/SAME.BMP"), photo));
  ASSERT_TRUE(search_test::WriteBmp(dir.File("x/y/other.bmp"), photo));
  const ToolRun run = Search(dir, dir.File("x") + " --subfolders --db " + dir.File("N") + " --by 0");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.report[1], "*** START OF SEARCH RESULTS FOR By Dup Whole Filename ***");
  EXPECT_EQ(FileLines(run).size(), 2u);
  EXPECT_NE(std::find(run.report.begin(), run.report.end(), "There are 1 DUPS in the list."),
            run.report.end());
  // Same size and date: all three.
  const ToolRun sized = Search(dir, dir.File("x") + " --subfolders --db " + dir.File("N") + " --by 4");
  EXPECT_EQ(FileLines(sized).size(), 3u);
}

}  // namespace
}  // namespace vr
