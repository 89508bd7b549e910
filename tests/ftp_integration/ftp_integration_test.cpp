// The FTP client over real sockets against pyftpdlib on 127.0.0.1: logins, listings, folder
// commands, transfers both ways in both modes, restart, abort, a stalled and a killed server.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/qt/socket_qt.h"
#include "test_support/temp_dir.h"
#include "web/ftp/ftp_client.h"
#include "web/ftp/listing/ftp_listing.h"

namespace vr::ftp {
namespace {

namespace fs = std::filesystem;

// A small server: a user with every right, anonymous with write rights, a file name that makes
// the server stall after 150, and optional throttling (bytes per second) of the data channel.
constexpr const char* kServerScript = R"PY(
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

root, limit = sys.argv[1], int(sys.argv[2])
auth = DummyAuthorizer()
auth.add_user("user", "pw", root, perm="elradfmwMT")
auth.add_anonymous(root, perm="elradfmwMT")

class Handler(FTPHandler):
    def ftp_RETR(self, file):
        if file.endswith("stall.bin"):
            self.respond("150 Stalling on purpose.")
            return
        return FTPHandler.ftp_RETR(self, file)

Handler.authorizer = auth
Handler.permit_foreign_addresses = True
if limit > 0:
    dtp = ThrottledDTPHandler
    dtp.read_limit = limit
    dtp.write_limit = limit
    Handler.dtp_handler = dtp
server = FTPServer(("127.0.0.1", 0), Handler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever()
)PY";

QCoreApplication* App() {
  static int argc = 1;
  static char name[] = "vr_ftp_integration_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app = new QCoreApplication(argc, argv);
  return app;
}

class FtpServer {
 public:
  FtpServer(const std::string& root, const std::string& script, int limit) {
    int out[2];
    if (pipe(out) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      const int quiet = open("/dev/null", O_WRONLY);
      if (quiet >= 0) dup2(quiet, 2);
      close(out[0]);
      close(out[1]);
      const std::string limit_text = std::to_string(limit);
      execl("/usr/bin/python3", "python3", script.c_str(), root.c_str(), limit_text.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    FILE* in = fdopen(out[0], "r");
    char line[64] = {0};
    if (in != nullptr && std::fgets(line, sizeof(line), in) != nullptr) port_ = std::atoi(line);
    if (in != nullptr) std::fclose(in);
  }
  ~FtpServer() { Kill(); }
  void Kill() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
  }
  int Port() const { return port_; }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

std::vector<uint8_t> RandomBytes(size_t size, unsigned seed) {
  std::vector<uint8_t> bytes(size);
  std::mt19937 gen(seed);
  for (auto& b : bytes) b = static_cast<uint8_t>(gen());
  return bytes;
}

class FtpIntegrationTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    App();
    shared_ = new test_support::TempDir();
    fs::create_directories(shared_->File("root"));
    shared_->WriteText("server.py", kServerScript);
    server_ = new FtpServer(shared_->File("root"), shared_->File("server.py"), 0);
  }
  static void TearDownTestSuite() {
    delete server_;
    delete shared_;
  }

  void SetUp() override {
    ASSERT_GT(server_->Port(), 0) << "pyftpdlib did not start";
    client_ = std::make_unique<TFtpClient>(sockets_);
    client_->SetHostName("127.0.0.1");
    client_->SetPort(std::to_string(server_->Port()));
    client_->SetUserName("user");
    client_->SetPassWord("pw");
    client_->SetPassive(true);
    client_->SetTimeout(10);
  }
  void TearDown() override {
    if (client_->Connected()) client_->Abort();
  }

  static std::string Root(const std::string& name) { return shared_->File("root/" + name); }

  static test_support::TempDir* shared_;
  static FtpServer* server_;
  test_support::TempDir local_;
  platform::qt::QtSocketService sockets_;
  std::unique_ptr<TFtpClient> client_;
};

test_support::TempDir* FtpIntegrationTest::shared_ = nullptr;
FtpServer* FtpIntegrationTest::server_ = nullptr;

TEST_F(FtpIntegrationTest, LoginAndListingParsedForUserAndAnonymous) {
  shared_->WriteText("root/listed.txt", "12345");
  fs::create_directories(Root("listed_dir"));
  for (const char* user : {"user", "anonymous"}) {
    client_->SetUserName(user);
    std::vector<std::string> lines;
    client_->SetDisplayFileFlag(true);
    client_->OnDisplayFile = [&lines](const std::string& l) { lines.push_back(l); };
    ASSERT_TRUE(client_->Directory()) << client_->ErrorMessage();
    std::vector<std::string> sizes, kinds, links, dates, times;
    EXPECT_EQ(ParseFtpListing(lines, sizes, kinds, links, dates, times), 1);
    bool saw_file = false, saw_dir = false;
    for (size_t k = 0; k < lines.size(); ++k) {
      if (lines[k] == "listed.txt") saw_file = sizes[k] == "5" && kinds[k].empty();
      if (lines[k] == "listed_dir") saw_dir = kinds[k] == "<DIR>";
    }
    EXPECT_TRUE(saw_file && saw_dir) << user;
    EXPECT_FALSE(client_->Connected());
  }
}

TEST_F(FtpIntegrationTest, FolderCommandsOnOneSession) {
  shared_->WriteText("root/ops/old.txt", "abcdef");
  ASSERT_TRUE(client_->Connect()) << client_->ErrorMessage();
  client_->SetHostDirName("/ops");
  ASSERT_TRUE(client_->Cwd());
  ASSERT_TRUE(client_->Pwd());
  EXPECT_EQ(client_->DirResult(), "/ops");
  client_->SetHostFileName("made");
  ASSERT_TRUE(client_->Mkd()) << client_->ErrorMessage();
  EXPECT_TRUE(fs::is_directory(Root("ops/made")));
  EXPECT_FALSE(client_->Mkd()) << "a second MKD of the same folder is refused";
  ASSERT_TRUE(client_->Rmd());
  EXPECT_FALSE(fs::exists(Root("ops/made")));
  client_->SetHostFileName("old.txt");
  ASSERT_TRUE(client_->TypeBinary());  // pyftpdlib answers SIZE only in binary mode
  ASSERT_TRUE(client_->Size()) << client_->ErrorMessage();
  EXPECT_EQ(client_->SizeResult(), 6);
  client_->SetLocalFileName("new.txt");
  ASSERT_TRUE(client_->Ren()) << client_->ErrorMessage();
  EXPECT_TRUE(fs::exists(Root("ops/new.txt")));
  client_->SetHostFileName("new.txt");
  ASSERT_TRUE(client_->Dele());
  EXPECT_FALSE(fs::exists(Root("ops/new.txt")));
  ASSERT_TRUE(client_->Cdup());
  ASSERT_TRUE(client_->Pwd());
  EXPECT_EQ(client_->DirResult(), "/");
  ASSERT_TRUE(client_->Quit());
  EXPECT_FALSE(client_->Connected());
}

struct TransferCase {
  bool passive;
  size_t size;
};

class FtpTransferTest : public FtpIntegrationTest,
                        public ::testing::WithParamInterface<TransferCase> {};

TEST_P(FtpTransferTest, UploadAndDownloadAreByteIdentical) {
  const TransferCase c = GetParam();
  const std::string name = std::string(c.passive ? "p" : "a") + std::to_string(c.size) + ".bin";
  const auto bytes = RandomBytes(c.size, static_cast<unsigned>(c.size + c.passive));
  const std::string up = local_.Write("up.bin", bytes);
  client_->SetPassive(c.passive);
  client_->SetHostDirName("/");
  client_->SetHostFileName(name);
  client_->SetLocalFileName(up);
  ASSERT_TRUE(client_->Transmit()) << client_->ErrorMessage();
  EXPECT_EQ(test_support::TempDir::Read(Root(name)), bytes);

  client_->SetLocalFileName(local_.File("down.bin"));
  ASSERT_TRUE(client_->Receive()) << client_->ErrorMessage();
  EXPECT_EQ(test_support::TempDir::Read(local_.File("down.bin")), bytes);
  EXPECT_EQ(client_->ByteCount(), static_cast<int64_t>(c.size));
}

INSTANTIATE_TEST_SUITE_P(Sizes, FtpTransferTest,
                         ::testing::Values(TransferCase{true, 0}, TransferCase{true, 1000},
                                           TransferCase{true, 20 << 20}, TransferCase{false, 0},
                                           TransferCase{false, 1000},
                                           TransferCase{false, 20 << 20}));

TEST_F(FtpIntegrationTest, RestartedGetAppendsToThePartialFile) {
  const auto bytes = RandomBytes(3 << 20, 7);
  shared_->Write("root/whole.bin", bytes);
  const std::vector<uint8_t> head(bytes.begin(), bytes.begin() + 1234567);
  const std::string local = local_.Write("part.bin", head);
  std::vector<std::string> display;
  client_->OnDisplay = [&display](const std::string& t) { display.push_back(t); };
  client_->SetHostDirName("/");
  client_->SetHostFileName("whole.bin");
  client_->SetLocalFileName(local);
  ASSERT_TRUE(client_->RestartReceive()) << client_->ErrorMessage();
  EXPECT_NE(std::find(display.begin(), display.end(), "> REST 1234567"), display.end());
  EXPECT_EQ(test_support::TempDir::Read(local), bytes);
  EXPECT_EQ(client_->ByteCount(), static_cast<int64_t>(bytes.size() - head.size()));
}

TEST_F(FtpIntegrationTest, AbortDuringTransferEndsTheRequestAndAllowsANewOne) {
  shared_->Write("root/abort.bin", RandomBytes(20 << 20, 3));
  client_->SetHostDirName("/");
  client_->SetHostFileName("abort.bin");
  client_->SetLocalFileName(local_.File("abort.bin"));
  client_->OnProgress = [this](int64_t count, bool&) {
    if (count > (1 << 20)) client_->Abort();
  };
  EXPECT_FALSE(client_->Receive());
  EXPECT_EQ(client_->ErrorMessage(), "426 Operation aborted.");
  EXPECT_FALSE(client_->Connected());
  EXPECT_LT(fs::file_size(local_.File("abort.bin")), static_cast<uintmax_t>(20 << 20));

  client_->OnProgress = nullptr;
  ASSERT_TRUE(client_->Connect()) << "the client is usable again";
}

TEST_F(FtpIntegrationTest, StalledServerEndsWith426Timeout) {
  shared_->WriteText("root/stall.bin", "never sent");
  client_->SetTimeout(1);
  client_->SetHostDirName("/");
  client_->SetHostFileName("stall.bin");
  client_->SetLocalFileName(local_.File("stall.bin"));
  EXPECT_FALSE(client_->Receive());
  EXPECT_EQ(client_->ErrorMessage(), "426 Timeout");
  EXPECT_EQ(client_->StatusCode(), 426);
  EXPECT_EQ(client_->State(), TFtpState::kReady);
}

TEST_F(FtpIntegrationTest, ServerKilledDuringTransferFailsWithoutHanging) {
  test_support::TempDir own;
  fs::create_directories(own.File("root"));
  own.Write("root/slow.bin", RandomBytes(4 << 20, 5));
  own.WriteText("server.py", kServerScript);
  FtpServer slow(own.File("root"), own.File("server.py"), 1 << 20);  // 1 MB/s
  ASSERT_GT(slow.Port(), 0);
  client_->SetPort(std::to_string(slow.Port()));
  client_->SetTimeout(5);
  client_->SetHostDirName("/");
  client_->SetHostFileName("slow.bin");
  client_->SetLocalFileName(local_.File("slow.bin"));
  bool killed = false;
  client_->OnProgress = [&](int64_t count, bool&) {
    if (!killed && count > (256 << 10)) {
      killed = true;
      slow.Kill();
    }
  };
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(client_->Receive());
  EXPECT_TRUE(killed);
  EXPECT_NE(client_->RequestStatus(), 0);
  EXPECT_NE(client_->ErrorMessage(), "426 Timeout") << "the loss itself ends the request";
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
  EXPECT_FALSE(client_->Connected());
}

}  // namespace
}  // namespace vr::ftp
