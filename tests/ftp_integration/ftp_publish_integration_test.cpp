// Publishing a web folder to a real pyftpdlib server: veldrimon-tool's publish as a user runs it
// (a first run, a needed-files rerun, a rerun after a file was left short), and the run in
// process through a real SOCKS 5 proxy and against a server killed while it uploads.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "fakes/fake_ui.h"
#include "platform/qt/socket_qt.h"
#include "test_support/ftp_server.h"
#include "test_support/socks_proxy.h"
#include "test_support/temp_dir.h"
#include "web/ftp/ftp_publish.h"

namespace vr::ftp {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPublishServerScript = R"PY(
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

root, limit = sys.argv[1], int(sys.argv[2])
auth = DummyAuthorizer()
auth.add_user("user", "pw", root, perm="elradfmwMT")
Handler = FTPHandler
Handler.authorizer = auth
if limit > 0:
    dtp = ThrottledDTPHandler
    dtp.read_limit = limit
    dtp.write_limit = limit
    Handler.dtp_handler = dtp
server = FTPServer(("127.0.0.1", 0), Handler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever()
)PY";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, size_t size, unsigned seed) {
  fs::create_directories(fs::path(path).parent_path());
  std::mt19937 gen(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(gen());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string RunTool(const std::string& arguments, int* exit_code) {
  const char* bin = std::getenv("VR_BINARY_DIR");
  const std::string tool = std::string(bin != nullptr ? bin : ".") + "/tools/veldrimon-tool";
  std::string out;
  FILE* pipe = ::popen((tool + " " + arguments + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) out.append(buffer, got);
  const int status = ::pclose(pipe);
  *exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

class FtpPublishIntegrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_.File("root"));
    dir_.WriteText("server.py", kPublishServerScript);
    // The web folder layout: pictures, webpages, webthumbs.
    const std::string web = dir_.File("web");
    for (int i = 0; i < 6; ++i) {
      WriteBytes(web + "/pic" + std::to_string(i) + ".jpg", 3000 + 1777 * i, i);
      WriteBytes(web + "/webthumbs/WP_THUMB_" + std::to_string(i) + ".JPG", 500 + i, 50 + i);
    }
    dir_.WriteText("web/webpages/index.html", "<html>home</html>");
    dir_.WriteText("web/webpages/index2.html", "<html>two</html>");
  }

  std::string Publish(int port, int mode, int* code) {
    const std::string web = dir_.File("web");
    return RunTool("ftp publish ftp://user:pw@127.0.0.1:" + std::to_string(port) +
                       "/webfolders/mypics1 --pictures " + web + " --pages " + web +
                       "/webpages --thumbs " + web + "/webthumbs --mode " + std::to_string(mode) +
                       " --yes --timeout 20",
                   code);
  }

  // Every local file of the web folder against its copy on the server.
  void ExpectServerMatches() {
    const std::string web = dir_.File("web");
    const std::string site = dir_.File("root/webfolders/mypics1");
    for (const auto& entry : fs::recursive_directory_iterator(web)) {
      if (!entry.is_regular_file()) continue;
      const std::string rel = fs::relative(entry.path(), web).string();
      EXPECT_EQ(ReadAll(site + "/" + rel), ReadAll(entry.path().string())) << rel;
    }
  }

  test_support::TempDir dir_;
};

TEST_F(FtpPublishIntegrationTest, WebFolderPublishedThenNeededRerunSkipsAllOrResendsAShortFile) {
  test_support::FtpServer server(dir_.File("root"), dir_.File("server.py"), 0);
  ASSERT_GT(server.Port(), 0) << "pyftpdlib did not start";
  int code = -1;
  std::string out = Publish(server.Port(), 1, &code);
  EXPECT_EQ(code, 0) << out;
  EXPECT_NE(out.find("pic0.jpg\t[Upload DONE]\n"), std::string::npos) << out;
  EXPECT_NE(out.find("index2.html\t[Upload DONE]\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\n/webfolders/mypics1/webpages/index.html\n"), std::string::npos) << out;
  ExpectServerMatches();

  out = Publish(server.Port(), 5, &code);
  EXPECT_EQ(code, 0) << out;
  EXPECT_EQ(out.find("[Upload DONE]"), std::string::npos) << out;
  EXPECT_NE(out.find("WP_THUMB_5.JPG\t[Skipped, Already On Web Site]\n"), std::string::npos);
  EXPECT_NE(out.find(kNoFilesUploaded), std::string::npos) << "nothing uploaded, no address";

  // A run that broke off left one picture short on the server: the next needed-files run sends
  // it again and only it.
  const std::string short_copy = dir_.File("root/webfolders/mypics1/pic3.jpg");
  fs::resize_file(short_copy, 100);
  out = Publish(server.Port(), 5, &code);
  EXPECT_NE(out.find("pic3.jpg\t[Upload DONE]\n"), std::string::npos) << out;
  EXPECT_NE(out.find("pic2.jpg\t[Skipped, Already On Web Site]\n"), std::string::npos) << out;
  ExpectServerMatches();
}

// The speed limit of the transfer windows on the command line: at 512 bytes a second a file of
// 3,000 bytes cannot arrive in under about two seconds; a position past 10 is refused.
TEST_F(FtpPublishIntegrationTest, SpeedLimitSlowsAGetAndBadPositionsAreRefused) {
  test_support::FtpServer server(dir_.File("root"), dir_.File("server.py"), 0);
  ASSERT_GT(server.Port(), 0) << "pyftpdlib did not start";
  WriteBytes(dir_.File("root/slow.bin"), 3000, 3);
  const std::string url = "ftp://user:pw@127.0.0.1:" + std::to_string(server.Port()) + "/slow.bin";
  int code = -1;
  RunTool("ftp get --speed 11 " + url + " " + dir_.File("x.bin"), &code);
  EXPECT_EQ(code, 2);
  const auto start = std::chrono::steady_clock::now();
  RunTool("ftp get --speed 0 " + url + " " + dir_.File("slow.bin"), &code);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadAll(dir_.File("slow.bin")), ReadAll(dir_.File("root/slow.bin")));
  EXPECT_GE(took, std::chrono::milliseconds(1500)) << "the limit did not hold the transfer back";
}

void EnsureCoreApp() {
  static int argc = 1;
  static char name[] = "vr_ftp_integration_tests";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);
}

// The web folder through a real SOCKS 5 proxy that wants a user code: every file arrives
// byte-identical, and a needed-files rerun through it lists each folder (data connections
// through the proxy too) and skips every file. The proxy's log shows both kinds of connection.
TEST_F(FtpPublishIntegrationTest, WebFolderPublishedThroughASocks5ProxyThenRerunSkipsAll) {
  if (!test_support::SocksProxy::Available()) {
    GTEST_SKIP() << "microsocks is not installed (Debian package microsocks)";
  }
  EnsureCoreApp();
  test_support::FtpServer server(dir_.File("root"), dir_.File("server.py"), 0);
  ASSERT_GT(server.Port(), 0) << "pyftpdlib did not start";
  test_support::SocksProxy proxy(dir_.File("socks.log"), "socksuser", "sockspw");
  ASSERT_GT(proxy.Port(), 0) << "microsocks did not start";

  const std::string web = dir_.File("web");
  web::PublishRequest request;
  // The server by name: a SOCKS 5 proxy resolves it.
  request.server.server_name = "localhost:" + std::to_string(server.Port());
  request.server.user_name = "user";
  request.server.password = "pw";
  request.server.url_location = "webfolders/mypics1";
  for (const auto& entry : fs::recursive_directory_iterator(web)) {
    if (!entry.is_regular_file()) continue;
    const std::string rel = fs::relative(entry.path(), web).string();
    auto& list = rel.rfind("webpages/", 0) == 0    ? request.pages
                 : rel.rfind("webthumbs/", 0) == 0 ? request.thumbs
                                                   : request.pictures;
    list.push_back(entry.path().string());
  }
  for (auto* list : {&request.pictures, &request.pages, &request.thumbs}) {
    std::sort(list->begin(), list->end());
    request.all.insert(request.all.end(), list->begin(), list->end());
  }
  request.web_folder = web + "/";
  request.mode = web::kUploadAll;
  request.home_page = "webpages/index.html";
  fs::create_directories(dir_.File("root/webfolders/mypics1"));

  platform::qt::QtSocketService sockets;
  TFtpClient client(sockets);
  client.SetTimeout(20);
  fakes::FakeUi ui;
  std::vector<std::string> states(request.all.size());
  PublishSink sink;
  sink.file_state = [&states](size_t i, const std::string& s) { states.at(i) = s; };
  FtpPublishRun run(client, ui, sink);
  FtpSocks socks;
  socks.type = ftpSocks5;
  socks.server = "127.0.0.1";
  socks.port = std::to_string(proxy.Port());
  socks.user_code = "socksuser";
  socks.password = "sockspw";
  run.SetSocks(socks);

  EXPECT_EQ(run.Run(request), "/webfolders/mypics1/webpages/index.html");
  EXPECT_TRUE(run.completed());
  for (size_t i = 0; i < states.size(); ++i) EXPECT_EQ(states[i], kUploadDone) << request.all[i];
  ExpectServerMatches();

  request.mode = web::kUploadNeeded;
  EXPECT_EQ(run.Run(request), kNoFilesUploaded);
  EXPECT_FALSE(run.failed());
  for (size_t i = 0; i < states.size(); ++i) EXPECT_EQ(states[i], kSkippedOnSite) << request.all[i];

  // Control connections to the FTP port and data connections to other ports, all by the proxy.
  const std::string log = ReadAll(dir_.File("socks.log"));
  const std::string control = ":" + std::to_string(server.Port()) + "\n";
  size_t control_count = 0, all_count = 0;
  for (size_t at = log.find("connected to"); at != std::string::npos;
       at = log.find("connected to", at + 1)) {
    ++all_count;
    const size_t end = log.find('\n', at);
    if (log.compare(log.rfind(':', end), control.size(), control) == 0) ++control_count;
  }
  EXPECT_GE(control_count, 6u) << "three logins a run, two runs\n" << log;
  EXPECT_GE(all_count - control_count, request.all.size() + 3) << "uploads and listings\n" << log;

  // The proxy refuses a wrong user code: the login fails with a message, nothing hangs.
  socks.password = "wrong";
  run.SetSocks(socks);
  EXPECT_EQ(run.Run(request), kNoFilesUploaded);
  EXPECT_FALSE(run.completed());
  ASSERT_FALSE(ui.calls().empty());
  EXPECT_EQ(ui.calls().back().text.rfind("Could NOT connect to localhost:", 0), 0u)
      << ui.calls().back().text;
}

// The server dies while a file is on its way: that file is "[NOT Uploaded]", the rest is skipped
// and no address comes back, in well under the time-out.
TEST_F(FtpPublishIntegrationTest, ServerKilledMidPublishFailsTheFileAndSkipsTheRest) {
  EnsureCoreApp();
  test_support::FtpServer server(dir_.File("root"), dir_.File("server.py"), 20000);
  ASSERT_GT(server.Port(), 0) << "pyftpdlib did not start";
  WriteBytes(dir_.File("web/big.jpg"), 400000, 99);

  web::PublishRequest request;
  request.server.server_name = "127.0.0.1:" + std::to_string(server.Port());
  request.server.user_name = "user";
  request.server.password = "pw";
  request.server.use_pasv = true;
  request.server.url_location = "site";
  fs::create_directories(dir_.File("root/site"));
  request.pictures = {dir_.File("web/big.jpg"), dir_.File("web/pic0.jpg")};
  request.all = request.pictures;
  request.mode = web::kUploadAll;
  request.home_page = "webpages/index.html";

  platform::qt::QtSocketService sockets;
  TFtpClient client(sockets);
  client.SetTimeout(20);
  fakes::FakeUi ui;
  ui.QueueChoice(1);
  std::vector<std::string> states(2);
  PublishSink sink;
  sink.file_state = [&states](size_t i, const std::string& s) { states[i] = s; };
  sink.status = [&server](const std::string& text) {
    if (text.find("big.jpg: sent:") != std::string::npos) server.Kill();
  };
  FtpPublishRun run(client, ui, sink);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(run.Run(request), kNoFilesUploaded);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
  EXPECT_EQ(states[0], kNotUploaded);
  EXPECT_EQ(states[1], kWaitingToUpload);
  EXPECT_TRUE(run.failed());
  ASSERT_FALSE(ui.calls().empty());
  EXPECT_EQ(ui.calls()[0].title, "Error Uploading File...");
}

}  // namespace
}  // namespace vr::ftp
