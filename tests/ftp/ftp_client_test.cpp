// The FTP client against a scripted server: every reply path of the protocol, without a network.
#include "web/ftp/ftp_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "fakes/fake_socket.h"
#include "test_support/temp_dir.h"

namespace vr::ftp {
namespace {

using fakes::FakeSocketService;
using fakes::FakeSocketState;

// Plays the server: answers each command from a table keyed by verb, serves transfers on the
// data connection, and records the commands in order.
class FtpClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    service_.on_create = [this](FakeSocketState& s) {
      if (s.index != 0) return;
      s.lookup_address = "192.0.2.10";
      s.local_address = "192.0.2.99";
      s.greeting = greeting_;
      s.on_send = [this](FakeSocketState& st, const std::string& chunk) { Heard(st, chunk); };
    };
    client_ = std::make_unique<TFtpClient>(service_);
    Configure();
  }

  void Configure() {
    client_->SetHostName("ftp.example.com");
    client_->SetPort("21");
    client_->SetUserName("user");
    client_->SetPassWord("secret");
    client_->SetPassive(true);
    client_->OnDisplay = [this](const std::string& t) { display_.push_back(t); };
    client_->OnRequestDone = [this](TFtpRequest, int error) { done_.push_back(error); };
    client_->OnError = [this](const std::string& t) { errors_.push_back(t); };
  }

  void TearDown() override {
    if (HasFailure()) {
      for (const auto& line : display_) std::printf("  display: %s\n", line.c_str());
      for (const auto& line : errors_) std::printf("  error: %s\n", line.c_str());
      std::printf("  error message: %s\n", client_->ErrorMessage().c_str());
    }
  }

  FakeSocketState& Control() { return *service_.Sockets().at(0); }
  FakeSocketState& Newest() { return *service_.Sockets().back(); }
  bool Sent(const std::string& verb) const {
    for (const auto& c : commands_) {
      if (c.compare(0, verb.size(), verb) == 0) return true;
    }
    return false;
  }

  void Heard(FakeSocketState& control, const std::string& chunk) {
    pending_ += chunk;
    size_t end;
    while ((end = pending_.find("\r\n")) != std::string::npos) {
      const std::string command = pending_.substr(0, end);
      pending_.erase(0, end + 2);
      commands_.push_back(command);
      const std::string verb = command.substr(0, command.find(' '));
      auto it = replies_.find(verb);
      const std::string reply = it != replies_.end() ? it->second : "500 Unknown command\r\n";
      control.Feed(reply);
      if (verb == "PORT" && foreign_caller_) {
        foreign_caller_->loop = &service_.FakeLoop();
        foreign_caller_->connected = true;
        foreign_caller_->peer_address = "198.51.100.7";
        foreign_caller_->incoming = "EVIL";
        Newest().Offer(foreign_caller_);
      }
      if (verb == "PORT" && offer_active_caller_) {
        caller_ = std::make_shared<FakeSocketState>();
        caller_->loop = &service_.FakeLoop();
        caller_->connected = true;
        caller_->peer_address = control.peer_address;
        Newest().Offer(caller_);
      }
      const bool opening = reply.compare(0, 3, "150") == 0;
      if (opening && (verb == "RETR" || verb == "LIST" || verb == "NLST")) {
        FakeSocketState& data = caller_ ? *caller_ : Newest();
        if (!stall_data_) {
          data.Feed(download_);
          data.PeerClose();
          control.Feed(transfer_end_);
        }
      }
      if (opening && (verb == "STOR" || verb == "APPE")) control.Feed(transfer_end_);
    }
  }

  // Runs the loop until nothing is left to do.
  void Pump() { service_.FakeLoop().RunPending(); }

  FakeSocketService service_;
  std::unique_ptr<TFtpClient> client_;
  const std::string greeting_ = "220 Welcome\r\n";
  std::map<std::string, std::string> replies_ = {
      {"USER", "331 Password required\r\n"},
      {"PASS", "230 Logged in\r\n"},
      {"CWD", "250 \"/pub\" is the current directory\r\n"},
      {"CDUP", "250 OK\r\n"},
      {"TYPE", "200 Type set\r\n"},
      {"PASV", "227 Entering Passive Mode (10,0,0,5,19,137)\r\n"},
      {"PORT", "200 PORT OK\r\n"},
      {"REST", "350 Restarting\r\n"},
      {"RETR", "150 Opening data connection\r\n"},
      {"LIST", "150 Here comes the listing\r\n"},
      {"STOR", "150 Ready\r\n"},
      {"APPE", "150 Ready\r\n"},
      {"PWD", "257 \"/pub\" is current\r\n"},
      {"MKD", "257 \"/pub/new\" created\r\n"},
      {"SIZE", "213 123456789012\r\n"},
      {"QUIT", "221 Bye\r\n"},
  };
  std::string download_ = "hello world";
  std::string transfer_end_ = "226 Transfer complete\r\n";
  bool stall_data_ = false;
  bool offer_active_caller_ = true;
  std::shared_ptr<FakeSocketState> caller_;
  // When set, offered on PORT before the server's own connection, from another address.
  std::shared_ptr<FakeSocketState> foreign_caller_;
  std::string pending_;
  std::vector<std::string> commands_;
  std::vector<std::string> display_;
  std::vector<int> done_;
  std::vector<std::string> errors_;
  test_support::TempDir dir_;
};

TEST_F(FtpClientTest, DefaultsOfThePublishedProperties) {
  TCustomFtpCli fresh(service_);
  EXPECT_EQ(fresh.Port(), "ftp");
  EXPECT_TRUE(fresh.Binary());
  EXPECT_FALSE(fresh.DisplayFileFlag());
  EXPECT_EQ(fresh.ShareMode(), ftpShareExclusive);
  EXPECT_EQ(fresh.Options(), static_cast<unsigned>(ftpAcceptLF));
  EXPECT_EQ(fresh.ConnectionType(), ftpDirect);
  EXPECT_EQ(fresh.State(), TFtpState::kReady);
  EXPECT_EQ(client_->Timeout(), 15);
  EXPECT_FALSE(client_->MultiThreaded());
  EXPECT_FALSE(fresh.Passive());
  fresh.SetConnectionType(ftpSocks5);
  EXPECT_TRUE(fresh.Passive()) << "every connection type but direct forces passive mode";
}

TEST_F(FtpClientTest, MultiLineReplyIsJudgedOnceOnItsLastLine) {
  replies_["USER"] = "230-Welcome\r\n230-more\r\n230 OK\r\n";
  ASSERT_TRUE(client_->Connect());
  EXPECT_FALSE(Sent("PASS"));
  EXPECT_TRUE(errors_.empty()) << errors_.front();
  EXPECT_EQ(client_->LastResponse(), "230 OK");
  // The next request gets its own reply, not a stray line of the last one.
  ASSERT_TRUE(client_->Pwd());
  EXPECT_EQ(client_->DirResult(), "/pub");
}

TEST_F(FtpClientTest, MultiLineReplyEndsOnlyAtItsOwnCodeAndSpace) {
  replies_["USER"] = "230-Welcome\r\n200 not the end\r\n 230 indented\r\n2301 no\r\n230 OK\r\n";
  ASSERT_TRUE(client_->Connect());
  EXPECT_EQ(client_->LastResponse(), "230 OK");
  EXPECT_TRUE(errors_.empty());
}

TEST_F(FtpClientTest, UserAnswered230SkipsPassAnd331SendsIt) {
  replies_["USER"] = "230 No password needed\r\n";
  ASSERT_TRUE(client_->Connect());
  EXPECT_EQ(commands_, (std::vector<std::string>{"USER user"}));
  ASSERT_TRUE(client_->Quit());

  commands_.clear();
  replies_["USER"] = "331 Password please\r\n";
  ASSERT_TRUE(client_->Connect());
  EXPECT_EQ(commands_, (std::vector<std::string>{"USER user", "PASS secret"}));
}

TEST_F(FtpClientTest, EmptyHostDirNameSendsNoCwd) {
  client_->SetLocalFileName(dir_.File("out.bin"));
  client_->SetHostFileName("a.bin");
  ASSERT_TRUE(client_->Receive());
  EXPECT_FALSE(Sent("CWD"));
  EXPECT_EQ(commands_, (std::vector<std::string>{"USER user", "PASS secret", "TYPE I", "PASV",
                                                 "RETR a.bin", "QUIT"}));
  EXPECT_EQ(test_support::TempDir::Read(dir_.File("out.bin")),
            std::vector<uint8_t>(download_.begin(), download_.end()));
}

TEST_F(FtpClientTest, FailedCwdStillSendsQuitAndEndsWithItsCode) {
  replies_["CWD"] = "550 No such folder\r\n";
  client_->SetHostDirName("/missing");
  client_->SetHostFileName("a.bin");
  client_->SetLocalFileName(dir_.File("out.bin"));
  EXPECT_FALSE(client_->Receive());
  EXPECT_EQ(commands_.back(), "QUIT");
  EXPECT_FALSE(Sent("RETR"));
  EXPECT_EQ(client_->RequestStatus(), 550);
  EXPECT_EQ(client_->ErrorMessage(), "550 No such folder");
  EXPECT_EQ(client_->LastResponse(), "550 No such folder") << "the reply before QUIT is restored";
  Pump();
  EXPECT_EQ(done_, (std::vector<int>{550}));
  EXPECT_FALSE(client_->Connected());
}

TEST_F(FtpClientTest, PassiveDataGoesToTheControlAddressNotTheReplyAddress) {
  client_->SetLocalFileName(dir_.File("out.bin"));
  client_->SetHostFileName("a.bin");
  ASSERT_TRUE(client_->Receive());
  const FakeSocketState& data = *service_.Sockets().at(1);
  EXPECT_EQ(data.connect_address, "192.0.2.10");
  EXPECT_EQ(data.connect_port, 5001);
  EXPECT_EQ(client_->PasvResponse(), "227 Entering Passive Mode (10,0,0,5,19,137)");
}

TEST_F(FtpClientTest, ActiveModeSendsPortWithTheControlConnectionsAddress) {
  client_->SetPassive(false);
  client_->SetLocalFileName(dir_.File("out.bin"));
  client_->SetHostFileName("a.bin");
  service_.on_create = [this, base = service_.on_create](FakeSocketState& s) {
    base(s);
    s.listen_port = 0x1234;
  };
  ASSERT_TRUE(client_->Receive());
  EXPECT_TRUE(Sent("PORT 192,0,2,99,18,52"));
  EXPECT_EQ(test_support::TempDir::Read(dir_.File("out.bin")).size(), download_.size());

  // Reached through the loopback address the command names 127,0,0,1.
  commands_.clear();
  Control().local_address = "127.0.0.1";
  ASSERT_TRUE(client_->Receive());
  EXPECT_TRUE(Sent("PORT 127,0,0,1,18,52"));
}

TEST_F(FtpClientTest, EmptyUploadClosesTheDataConnectionAtOnceAndSucceedsOn226) {
  const std::string local = dir_.WriteText("empty.bin", "");
  client_->SetLocalFileName(local);
  client_->SetHostFileName("empty.bin");
  ASSERT_TRUE(client_->Transmit());
  EXPECT_TRUE(Sent("STOR empty.bin"));
  const FakeSocketState& data = *service_.Sockets().at(1);
  EXPECT_TRUE(data.shut_down);
  EXPECT_EQ(data.sent, "");
  EXPECT_EQ(client_->ByteCount(), 0);
}

TEST_F(FtpClientTest, UploadMovesInBlocksDrivenByDataSent) {
  std::string content;
  for (int i = 0; i < 10000; ++i) content += static_cast<char>('a' + i % 26);
  const std::string local = dir_.WriteText("up.bin", content);
  client_->SetLocalFileName(local);
  client_->SetHostFileName("up.bin");
  int sent_events = 0;
  // The data socket takes two blocks at a time; every pump frees the window again.
  service_.on_create = [this, base = service_.on_create](FakeSocketState& s) {
    base(s);
    if (s.index == 1) s.send_window = 2 * 1514;
  };
  service_.FakeLoop().on_pump = [this, &sent_events] {
    if (service_.Sockets().size() > 1 && !Newest().shut_down && Newest().connected) {
      ++sent_events;
      Newest().send_window = 2 * 1514;
      Newest().RaiseDataSent();
    }
  };
  ASSERT_TRUE(client_->Transmit());
  EXPECT_EQ(service_.Sockets().at(1)->sent, content);
  EXPECT_EQ(client_->ByteCount(), 10000);
  EXPECT_GE(sent_events, 3);
  ASSERT_FALSE(display_.empty());
  EXPECT_EQ(display_[display_.size() - 3].rfind("! 10000 bytes received/sent in", 0), 0u);
}

TEST_F(FtpClientTest, ActiveUploadGoesToTheAcceptedConnection) {
  client_->SetPassive(false);
  const std::string local = dir_.WriteText("up.bin", "active bytes");
  client_->SetLocalFileName(local);
  client_->SetHostFileName("up.bin");
  ASSERT_TRUE(client_->Transmit());
  ASSERT_TRUE(caller_);
  EXPECT_EQ(caller_->sent, "active bytes");
}

TEST_F(FtpClientTest, RestartGetAppendsAfter350AndRewritesOnOtherCodes) {
  const std::string local = dir_.WriteText("part.bin", std::string(1000, 'x'));
  client_->SetLocalFileName(local);
  client_->SetHostFileName("a.bin");
  download_ = "TAIL";
  ASSERT_TRUE(client_->RestartReceive());
  EXPECT_TRUE(Sent("REST 1000"));
  auto bytes = test_support::TempDir::Read(local);
  EXPECT_EQ(bytes.size(), 1004u);
  EXPECT_EQ(std::string(bytes.end() - 4, bytes.end()), "TAIL");

  // A restart refused with a code below 500 rewrites from byte 0.
  dir_.WriteText("part.bin", std::string(1000, 'x'));
  replies_["REST"] = "200 Not restarting\r\n";
  download_ = "WHOLE";
  ASSERT_TRUE(client_->RestartReceive());
  bytes = test_support::TempDir::Read(local);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "WHOLE");

  // 500 and above fails the request and leaves the partial file alone.
  dir_.WriteText("part.bin", std::string(1000, 'x'));
  replies_["REST"] = "502 REST not implemented\r\n";
  EXPECT_FALSE(client_->RestartReceive());
  EXPECT_EQ(client_->RequestStatus(), 502);
  EXPECT_EQ(test_support::TempDir::Read(local).size(), 1000u);
}

TEST_F(FtpClientTest, NoAutoResumeAtTakesThePositionGiven) {
  const std::string local = dir_.WriteText("part.bin", std::string(1000, 'x'));
  client_->SetLocalFileName(local);
  client_->SetHostFileName("a.bin");
  client_->SetOptions(ftpAcceptLF | ftpNoAutoResumeAt);
  client_->SetResumeAt(10);
  ASSERT_TRUE(client_->RestartReceive());
  EXPECT_TRUE(Sent("REST 10"));
  EXPECT_EQ(test_support::TempDir::Read(local).size(), 1000u) << "10 + 11 bytes fit inside";
}

TEST_F(FtpClientTest, FoldersAndSizesAreReadFromTheirReplies) {
  ASSERT_TRUE(client_->Connect());
  replies_["PWD"] = "257 \"/a \"\"quoted\"\" b\" is current\r\n";
  ASSERT_TRUE(client_->Pwd());
  EXPECT_EQ(client_->DirResult(), "/a \"quoted\" b");
  client_->SetHostFileName("big.bin");
  ASSERT_TRUE(client_->Size());
  EXPECT_EQ(client_->SizeResult(), 123456789012LL);
  client_->SetHostFileName("new");
  ASSERT_TRUE(client_->Mkd());
  EXPECT_EQ(client_->DirResult(), "/pub/new");
  ASSERT_TRUE(client_->Cdup());
  EXPECT_EQ(client_->DirResult(), "");
  replies_["MKD"] = "550 exists\r\n";
  EXPECT_FALSE(client_->Mkd());
  EXPECT_EQ(client_->ErrorMessage(), "550 exists");
  EXPECT_TRUE(client_->Connected()) << "a refused single step keeps the session";
}

TEST_F(FtpClientTest, WrongStateAndMissingArgumentsAreRaised) {
  client_->OnError = nullptr;
  EXPECT_THROW(client_->Pwd(), FtpException);  // not connected
  client_->SetUserName("");
  try {
    client_->ConnectAsync();
    FAIL();
  } catch (const FtpException& e) {
    EXPECT_STREQ(e.what(), "UserName emtpy");
  }
  client_->SetUserName("user");
  client_->ConnectAsync();
  try {
    client_->PwdAsync();
    FAIL();
  } catch (const FtpException& e) {
    EXPECT_STREQ(e.what(), "FTP component not ready");
  }
  Pump();
  ASSERT_EQ(client_->State(), TFtpState::kReady);
  try {
    client_->ConnectAsync();
    FAIL();
  } catch (const FtpException& e) {
    EXPECT_STREQ(e.what(), "FTP component already connected");
  }
  try {
    client_->SetConnectionType(ftpSocks5);
    FAIL();
  } catch (const FtpException& e) {
    EXPECT_STREQ(e.what(), "FTP component connected");
  }
  client_->SetHostDirName("");
  EXPECT_THROW(client_->CwdAsync(), FtpException);
  EXPECT_THROW(client_->GetAsync(), FtpException);  // LocalFileName empty
  // With an error handler the text goes there and the blocking call just fails.
  client_->OnError = [this](const std::string& t) { errors_.push_back(t); };
  EXPECT_FALSE(client_->Cwd());
  EXPECT_EQ(errors_.back(), "HostDirName emtpy");
}

TEST_F(FtpClientTest, BannerOtherThan220EndsWithItsCodeAndNoQuit) {
  Control().greeting = "421 Too many users\r\n";
  client_->SetLocalFileName(dir_.File("x"));
  client_->SetHostFileName("x");
  EXPECT_FALSE(client_->Receive());
  EXPECT_EQ(client_->RequestStatus(), 421);
  EXPECT_TRUE(commands_.empty());
  EXPECT_TRUE(Control().closed);
  EXPECT_FALSE(client_->Connected());
}

TEST_F(FtpClientTest, LookupAndConnectFailuresGive500WithTheSocketError) {
  Control().lookup_error = platform::kSocketHostNotFound;
  EXPECT_FALSE(client_->Connect());
  EXPECT_EQ(client_->RequestStatus(), 500);
  EXPECT_EQ(client_->ErrorMessage(), "500 Host not found (Winsock error #11001)");

  FakeSocketService other;
  other.on_create = [](FakeSocketState& s) {
    s.connect_error = platform::kSocketConnectionRefused;
  };
  TFtpClient refused(other);
  refused.SetHostName("h");
  refused.SetUserName("u");
  refused.SetHostFileName("f");
  refused.SetLocalFileName(dir_.File("f"));
  EXPECT_FALSE(refused.Receive());  // includes QUIT, which must not wait for a dead session
  EXPECT_EQ(refused.ErrorMessage(), "500 Connection refused (Winsock error #10061)");
}

TEST_F(FtpClientTest, ProxyLoginNamesTheHostAndLooksUpTheProxy) {
  client_->SetConnectionType(ftpProxy);
  client_->SetProxyServer("proxy.example.com");
  ASSERT_TRUE(client_->Connect());
  EXPECT_EQ(Control().lookup_name, "proxy.example.com");
  EXPECT_EQ(commands_.front(), "USER user@ftp.example.com");
  EXPECT_TRUE(client_->Passive());
}

TEST_F(FtpClientTest, SocksSettingsReachBothSockets) {
  client_->SetConnectionType(ftpSocks4A);
  client_->SetSocksServer("socks.example.com");
  client_->SetSocksPort("1081");
  client_->SetSocksUserCode("me");
  client_->SetLocalFileName(dir_.File("o"));
  client_->SetHostFileName("a");
  ASSERT_TRUE(client_->Receive());
  for (int i : {0, 1}) {
    const auto& proxy = service_.Sockets().at(i)->proxy;
    EXPECT_EQ(proxy.kind, platform::SocketProxy::kSocks4A);
    EXPECT_EQ(proxy.server, "socks.example.com");
    EXPECT_EQ(proxy.port, 1081);
    EXPECT_EQ(proxy.user_code, "me");
  }
}

TEST_F(FtpClientTest, GarbageAndOverLongLinesNeverCrash) {
  ASSERT_TRUE(client_->Connect());
  std::string junk(10000, 'A');
  junk += "\r\n";
  junk += std::string("\0\xff\x01garbage\n", 12);
  junk += "99999999999999999999 huge code\r\n";
  junk += "-5 negative\r\n\r\n\n";
  junk += std::string(5000, '7') + "\r\n";
  Control().Feed(junk);
  Pump();
  EXPECT_FALSE(errors_.empty()) << "unasked-for final lines are reported";
  // The session still answers the next request properly.
  ASSERT_TRUE(client_->Pwd());
  EXPECT_EQ(client_->DirResult(), "/pub");
}

TEST_F(FtpClientTest, LineFeedAloneEndsALineOnlyWithAcceptLF) {
  replies_["PASS"] = "230 Logged\nin\r\n";
  client_->SetOptions(0);
  ASSERT_TRUE(client_->Connect());
  EXPECT_EQ(client_->LastResponse(), "230 Logged\nin");
  EXPECT_NE(std::find(display_.begin(), display_.end(), "> USER user"), display_.end());
  EXPECT_NE(std::find(display_.begin(), display_.end(), "< 331 Password required"), display_.end());
}

TEST_F(FtpClientTest, StalledTransferEndsWith426Timeout) {
  stall_data_ = true;
  client_->SetTimeout(2);
  client_->SetLocalFileName(dir_.File("o"));
  client_->SetHostFileName("a");
  EXPECT_FALSE(client_->Receive());
  EXPECT_EQ(client_->ErrorMessage(), "426 Timeout");
  EXPECT_EQ(client_->StatusCode(), 426);
  EXPECT_EQ(client_->State(), TFtpState::kReady);
  EXPECT_FALSE(client_->Connected());
}

// A cancel button or the application shutting down ends a stalled transfer at once: the client
// is aborted (nothing stays half-open for the next request) and the wait fails.
TEST_F(FtpClientTest, StopCheckAndShutdownAbortTheWaitAndFail) {
  for (bool shutdown : {false, true}) {
    stall_data_ = true;
    client_->SetTimeout(0);  // no time-out: only the stop can end the wait
    client_->SetLocalFileName(dir_.File("o"));
    client_->SetHostFileName("a");
    bool stop = false;
    client_->StopCheck = [&stop] { return stop; };
    service_.FakeLoop().on_pump = [this, &stop, shutdown] {
      if (!Sent("RETR")) return;
      if (shutdown)
        service_.FakeLoop().terminating = true;
      else
        stop = true;
    };
    EXPECT_FALSE(client_->Receive()) << shutdown;
    EXPECT_EQ(client_->StatusCode(), 426);
    EXPECT_EQ(client_->State(), TFtpState::kReady);
    EXPECT_FALSE(client_->Connected());
    service_.FakeLoop().on_pump = nullptr;
    service_.FakeLoop().terminating = false;
    stop = false;
    Pump();
    // The client is usable again for the next request.
    stall_data_ = false;
    commands_.clear();
    EXPECT_TRUE(client_->Receive()) << client_->ErrorMessage();
  }
}

TEST_F(FtpClientTest, TransferThatKeepsMovingNeverTimesOut) {
  stall_data_ = true;
  client_->SetTimeout(2);
  client_->SetLocalFileName(dir_.File("o"));
  client_->SetHostFileName("a");
  int chunks = 0;
  // One chunk per simulated second for 10 seconds, far past the 2-second limit.
  service_.FakeLoop().on_pump = [this, &chunks] {
    if (service_.Sockets().size() < 2 || !Sent("RETR") || service_.FakeLoop().Pending() > 0) return;
    FakeSocketState& data = *service_.Sockets().at(1);
    service_.FakeLoop().Advance(1000);
    if (chunks < 10) {
      data.Feed("0123456789");
    } else if (chunks == 10) {
      data.PeerClose();
      Control().Feed("226 Done\r\n");
    }
    ++chunks;
  };
  ASSERT_TRUE(client_->Receive());
  EXPECT_EQ(client_->ByteCount(), 100);
}

TEST_F(FtpClientTest, ControlConnectionLostDuringTransferFailsTheRequest) {
  stall_data_ = true;
  client_->SetLocalFileName(dir_.File("o"));
  client_->SetHostFileName("a");
  service_.FakeLoop().on_pump = [this] {
    if (Sent("RETR") && Control().connected) {
      service_.Sockets().at(1)->Feed("partial");
      service_.Sockets().at(1)->PeerClose();
      Control().PeerClose();
    }
  };
  EXPECT_FALSE(client_->Receive());
  EXPECT_EQ(client_->RequestStatus(), 421);
  EXPECT_FALSE(client_->Connected());
}

TEST_F(FtpClientTest, AbortEndsTheRequestWith426AfterTheHandlerReturns) {
  stall_data_ = true;
  client_->SetLocalFileName(dir_.File("o"));
  client_->SetHostFileName("a");
  client_->ReceiveAsync();
  for (int i = 0; i < 50 && !Sent("RETR"); ++i) service_.FakeLoop().ProcessEvents(10, false);
  ASSERT_TRUE(Sent("RETR"));
  client_->Abort();
  EXPECT_EQ(client_->State(), TFtpState::kReady);
  EXPECT_EQ(client_->RequestStatus(), 426);
  EXPECT_EQ(client_->ErrorMessage(), "426 Operation aborted.");
  EXPECT_TRUE(done_.empty()) << "completion is posted, not called inside Abort";
  Pump();
  EXPECT_EQ(done_, (std::vector<int>{426}));
  EXPECT_TRUE(Control().closed);
}

TEST_F(FtpClientTest, ProgressHandlerCanAbortATransfer) {
  stall_data_ = true;
  client_->SetLocalFileName(dir_.File("o"));
  client_->SetHostFileName("a");
  client_->OnProgress = [](int64_t count, bool& abort) { abort = count >= 4; };
  service_.FakeLoop().on_pump = [this] {
    if (Sent("RETR") && service_.Sockets().at(1)->incoming.empty() &&
        service_.Sockets().at(1)->connected) {
      service_.Sockets().at(1)->Feed("abcdefgh");
      Control().Feed("226 Done\r\n");  // the server finished before the abort was seen
    }
  };
  EXPECT_FALSE(client_->Receive());
  EXPECT_NE(std::find(display_.begin(), display_.end(), "! Abort requested"), display_.end());
  EXPECT_EQ(client_->RequestStatus(), 426);
}

TEST_F(FtpClientTest, RefusedTransferClosesTheDataConnectionAndQuits) {
  replies_["RETR"] = "550 No such file\r\n";
  client_->SetLocalFileName(dir_.File("o"));
  client_->SetHostFileName("missing");
  EXPECT_FALSE(client_->Receive());
  EXPECT_EQ(client_->RequestStatus(), 550);
  EXPECT_EQ(commands_.back(), "QUIT");
  EXPECT_TRUE(service_.Sockets().at(1)->closed);

  // A failing second reply is reported too.
  commands_.clear();
  replies_["RETR"] = "150 Go\r\n";
  transfer_end_ = "451 Local error\r\n";
  EXPECT_FALSE(client_->Receive());
  EXPECT_EQ(client_->RequestStatus(), 451);
  EXPECT_NE(std::find(display_.begin(), display_.end(), "! RETR Failed"), display_.end());
}

TEST_F(FtpClientTest, UnreadablePassiveReplyFailsCleanly) {
  replies_["PASV"] = "227 Entering Passive Mode (garbage)\r\n";
  client_->SetLocalFileName(dir_.File("o"));
  client_->SetHostFileName("a");
  EXPECT_FALSE(client_->Receive());
  EXPECT_EQ(client_->RequestStatus(), 550);
  EXPECT_EQ(commands_.back(), "QUIT");
}

TEST_F(FtpClientTest, DirectoryDeliveredAsLinesWithDisplayFileFlag) {
  download_ = "line one\r\nline two\r\nlast";
  std::vector<std::string> lines;
  client_->SetDisplayFileFlag(true);
  client_->OnDisplayFile = [&lines](const std::string& l) { lines.push_back(l); };
  ASSERT_TRUE(client_->Directory());
  EXPECT_EQ(lines, (std::vector<std::string>{"line one", "line two", "last"}));
  EXPECT_TRUE(Sent("LIST"));
}

TEST_F(FtpClientTest, ReadyToTransmitCanRefuseAnUpload) {
  client_->SetLocalFileName(dir_.WriteText("u", "x"));
  client_->SetHostFileName("u");
  client_->OnReadyToTransmit = [](bool& cancel) { cancel = true; };
  EXPECT_FALSE(client_->Transmit());
  EXPECT_EQ(client_->ErrorMessage(), "426 Transmit cancelled by application");
  EXPECT_FALSE(Sent("STOR"));

  client_->OnReadyToTransmit = nullptr;
  client_->SetLocalFileName(dir_.File("does-not-exist"));
  EXPECT_FALSE(client_->Transmit());
  EXPECT_EQ(client_->ErrorMessage(),
            "426 Unable to open local file " + dir_.File("does-not-exist"));
}

TEST(FtpHelpersTest, PassivePortStatisticsAndServicePort) {
  uint16_t port = 0;
  EXPECT_TRUE(FtpPassivePort("227 Entering Passive Mode (10,0,0,5,19,137)", &port));
  EXPECT_EQ(port, 5001);
  EXPECT_TRUE(FtpPassivePort("227 ok 127,0,0,1,255,255", &port));
  EXPECT_EQ(port, 65535);
  EXPECT_FALSE(FtpPassivePort("227 (1,2,3,4,5)", &port));
  EXPECT_FALSE(FtpPassivePort("227 (1,2,3,4,300,1)", &port));
  EXPECT_FALSE(FtpPassivePort("", &port));

  EXPECT_EQ(FtpStatisticsLine(1000, 2000),
            "! 1000 bytes received/sent in 2 seconds (500 Bytes/sec)");
  EXPECT_EQ(FtpStatisticsLine(100000, 3000),
            "! 100000 bytes received/sent in 3 seconds (33000 Bytes/sec)");
  EXPECT_EQ(FtpStatisticsLine(5, 0), "! 5 bytes received/sent in 0 seconds");

  EXPECT_EQ(FtpServicePort("ftp"), 21);
  EXPECT_EQ(FtpServicePort("2121"), 2121);
  EXPECT_EQ(FtpServicePort("70000"), 0);
  EXPECT_EQ(FtpServicePort("x1"), 0);

  EXPECT_EQ(FtpQuotedFolder("257 \"\"\"\" odd"), "\"");
  EXPECT_EQ(FtpQuotedFolder("257 \"unterminated"), "");
}

}  // namespace
}  // namespace vr::ftp

namespace vr::ftp {
namespace {

TEST_F(FtpClientTest, PasswordIsSentButNeverDisplayed) {
  ASSERT_TRUE(client_->Connect());
  EXPECT_TRUE(Sent("PASS secret"));
  EXPECT_NE(std::find(display_.begin(), display_.end(), "> PASS ****"), display_.end());
  for (const auto& line : display_) EXPECT_EQ(line.find("secret"), std::string::npos) << line;
  // A PASS typed as a raw command is hidden the same way.
  client_->SetLocalFileName("pass other-secret");
  replies_["pass"] = "230 Fine\r\n";
  ASSERT_TRUE(client_->Quote());
  for (const auto& line : display_) EXPECT_EQ(line.find("other-secret"), std::string::npos) << line;
}

TEST_F(FtpClientTest, CommandChangedByAHandlerToHoldALineBreakIsNotSent) {
  client_->OnCommand = [](std::string& text) {
    if (text.rfind("RETR", 0) == 0) text += "\r\nDELE victim";
  };
  client_->SetHostFileName("a.bin");
  client_->SetLocalFileName(dir_.File("out.bin"));
  EXPECT_FALSE(client_->Receive());
  EXPECT_FALSE(Sent("RETR"));
  EXPECT_FALSE(Sent("DELE"));
  EXPECT_EQ(commands_.back(), "QUIT") << "the session still ends properly";
  EXPECT_EQ(client_->RequestStatus(), 501);
  EXPECT_EQ(client_->ErrorMessage(), "501 RETR refused: the command contains CR, LF or NUL");
  Pump();
  EXPECT_EQ(done_, (std::vector<int>{501}));
}

TEST_F(FtpClientTest, ActiveCallerFromAnotherAddressIsClosedAndTheWaitGoesOn) {
  client_->SetPassive(false);
  client_->SetHostFileName("a.bin");
  client_->SetLocalFileName(dir_.File("out.bin"));
  // The foreign caller comes first; the server's own connection is taken after it.
  foreign_caller_ = std::make_shared<FakeSocketState>();
  ASSERT_TRUE(client_->Receive()) << client_->ErrorMessage();
  EXPECT_TRUE(foreign_caller_->closed);
  EXPECT_EQ(foreign_caller_->incoming, "EVIL") << "nothing was read from it";
  EXPECT_EQ(test_support::TempDir::Read(dir_.File("out.bin")),
            std::vector<uint8_t>(download_.begin(), download_.end()));

  // Only a foreign caller: it is refused and the request ends at the time-out.
  foreign_caller_ = std::make_shared<FakeSocketState>();
  offer_active_caller_ = false;
  stall_data_ = true;
  client_->SetTimeout(2);
  EXPECT_FALSE(client_->Receive());
  EXPECT_EQ(client_->ErrorMessage(), "426 Timeout");
  EXPECT_TRUE(foreign_caller_->closed);
}

}  // namespace
}  // namespace vr::ftp
