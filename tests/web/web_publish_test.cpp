// The hand-off to publishing with a recording publisher in place of the FTP window.
#include <gtest/gtest.h>

#include <filesystem>

#include "picture/bitmap.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "test_support/temp_dir.h"
#include "web/publish.h"
#include "web/web_run.h"

namespace vr::web {
namespace {

class RecordingPublisher : public WebPublisher {
 public:
  bool IsOpen() override { return open_count > 0; }
  bool Close() override {
    ++closes;
    --open_count;
    return true;
  }
  std::optional<ServerInfo> AskServerInfo(const std::string& folder) override {
    asked_for = folder;
    return answer;
  }
  std::string Publish(const PublishRequest& request) override {
    requests.push_back(request);
    return "http://www.example.org/site/webpages/index.html";
  }
  void OpenTool() override { ++tools; }

  int open_count = 0;
  int closes = 0;
  int tools = 0;
  std::string asked_for;
  std::optional<ServerInfo> answer;
  std::vector<PublishRequest> requests;
};

class PublishTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::make_unique<WebFolder>(dir_.Path());
    ASSERT_TRUE(MakeSubfolders(*folder_, files_));
    picture::Bitmap bm;
    bm.Create(30, 20, picture::PixelFormat::k24);
    for (const char* name : {"b.jpg", "a.jpg", "c.jpg"}) {
      ASSERT_TRUE(codecs::SaveJpeg(dir_.File(name), bm, {90, false}).ok);
    }
    options_.max_number = 1;
    ASSERT_EQ(MakePages(*folder_, options_, false, files_, RunHooks{}).pages_written, 3);
  }
  PublishHooks Hooks() {
    PublishHooks h;
    h.close_ftp_window = [this] {
      ++close_questions_;
      return close_answer_;
    };
    h.inform = [this](const std::string& text) { informed_ = text; };
    h.broken_links = [this](const std::vector<std::string>& missing) {
      missing_ = missing;
      return false;
    };
    return h;
  }
  test_support::TempDir dir_;
  platform::PosixFiles files_;
  std::unique_ptr<WebFolder> folder_;
  WebOptions options_;
  int close_questions_ = 0;
  bool close_answer_ = true;
  std::string informed_;
  std::vector<std::string> missing_;
};

TEST_F(PublishTest, AsksForTheServerOnceAndHandsTheModesLists) {
  RecordingPublisher publisher;
  // Cancelled server dialog: nothing published, nothing stored.
  EXPECT_FALSE(PublishPages(*folder_, options_, kUploadAll, publisher, files_, Hooks()));
  EXPECT_EQ(publisher.asked_for, folder_->root);
  EXPECT_TRUE(publisher.requests.empty());

  ServerInfo server;
  server.server_name = "ftp.example.org";
  server.user_name = "me";
  server.password = "secret";
  server.url_location = "/site";
  publisher.answer = server;
  publisher.open_count = 1;  // the FTP window is still open: closed after the question
  ASSERT_TRUE(PublishPages(*folder_, options_, kUploadAll, publisher, files_, Hooks()));
  EXPECT_EQ(close_questions_, 1);
  EXPECT_EQ(publisher.closes, 1);
  ASSERT_EQ(publisher.requests.size(), 1u);
  const PublishRequest& r = publisher.requests[0];
  EXPECT_EQ(r.server.password, "secret");
  EXPECT_EQ(r.home_page, "webpages/index.html");
  EXPECT_EQ(r.pictures, (std::vector<std::string>{folder_->root + "a.jpg", folder_->root + "b.jpg",
                                                  folder_->root + "c.jpg"}));
  // The three pages; "WebInfo.INI", which now holds the server, stays at home.
  EXPECT_EQ(r.pages, (std::vector<std::string>{folder_->pages + "index.html",
                                                folder_->pages + "index2.html",
                                                folder_->pages + "index3.html"}));
  for (const std::string& path : r.all) EXPECT_EQ(path.find("WebInfo.INI"), std::string::npos);
  EXPECT_EQ(r.thumbs.size(), 3u);
  EXPECT_EQ(r.all.size(), r.pictures.size() + r.pages.size() + r.thumbs.size());
  EXPECT_EQ(informed_,
            "If you UPLOADED the files, please keep in mind that the HOME PAGE should be located "
            "at:\r\rhttp://www.example.org/site/webpages/index.html");
  // The answer is stored scrambled: the next run does not ask again.
  ServerInfo stored;
  LoadWebOptions(*folder_, &stored);
  EXPECT_EQ(stored.server_name, "ftp.example.org");
  EXPECT_EQ(stored.password, "secret");
  publisher.asked_for.clear();
  ASSERT_TRUE(PublishPages(*folder_, options_, kUploadPictures, publisher, files_, Hooks()));
  EXPECT_TRUE(publisher.asked_for.empty());
  EXPECT_TRUE(publisher.requests.back().pages.empty());
  EXPECT_EQ(publisher.requests.back().pictures.size(), 3u);

  // The FTP tool on its own.
  EXPECT_TRUE(PublishPages(*folder_, options_, kOpenFtpTool, publisher, files_, Hooks()));
  EXPECT_EQ(publisher.tools, 1);
}

TEST_F(PublishTest, StillOpenWindowKeptOpenAndBrokenLinksStopIt) {
  RecordingPublisher publisher;
  ServerInfo server;
  server.server_name = "ftp.example.org";
  ASSERT_TRUE(SaveWebOptions(*folder_, options_, server));
  publisher.open_count = 1;
  close_answer_ = false;
  EXPECT_FALSE(PublishPages(*folder_, options_, kUploadAll, publisher, files_, Hooks()));
  EXPECT_TRUE(publisher.requests.empty());

  // A first-page-only run leaves page 1 linking to a page that is gone.
  publisher.open_count = 0;
  ASSERT_EQ(MakePages(*folder_, options_, true, files_, RunHooks{}).pages_written, 1);
  EXPECT_FALSE(PublishPages(*folder_, options_, kUploadAll, publisher, files_, Hooks()));
  EXPECT_EQ(missing_, std::vector<std::string>{"index2.html"});
  EXPECT_TRUE(publisher.requests.empty());
}

}  // namespace
}  // namespace vr::web
