// FTP over TLS against pyftpdlib's TLS_FTPHandler with a certificate the server script makes: the
// shared login routine and the real client over Qt sockets, protected transfers both ways, both
// types, passive and active; the certificate question; servers with and without TLS.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/qt/socket_qt.h"
#include "test_support/ftp_server.h"
#include "test_support/ftps_server.h"
#include "test_support/run_tool.h"
#include "test_support/temp_dir.h"
#include "web/ftp/ftp_client.h"
#include "web/ftp/ftp_login.h"

namespace vr::ftp {
namespace {

namespace fs = std::filesystem;
using test_support::FtpServer;

QCoreApplication* App() {
  static int argc = 1;
  static char name[] = "vr_ftp_integration_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication* app = new QCoreApplication(argc, argv);
  return app;
}

class FtpsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    fs::create_directories(dir_.File("root"));
  }

  // Starts a server of `mode` with the certificate `cert_name` (made on first use).
  std::unique_ptr<FtpServer> Start(const std::string& mode, const std::string& cert_name,
                                   const std::string& log) {
    const std::string script = dir_.File(mode + "-" + cert_name + ".py");
    test_support::WriteFtpsServerScript(script, mode, dir_.File(cert_name));
    auto server = std::make_unique<FtpServer>(dir_.File("root"), script, 0, dir_.File(log));
    return server;
  }
  std::string Fingerprint(const std::string& cert_name) {
    return test_support::FtpsCertificateFingerprint(dir_.File(cert_name));
  }
  std::vector<std::string> Log(const std::string& log) {
    std::vector<std::string> lines;
    std::ifstream in(dir_.File(log));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  static size_t Find(const std::vector<std::string>& lines, const std::string& start) {
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].rfind(start, 0) == 0) return i;
    }
    return lines.size();
  }
  FtpLogin Login(int port, bool tls) {
    FtpLogin login;
    login.server_name = "127.0.0.1:" + std::to_string(port);
    login.user_name = "user";
    login.password = "pw";
    login.passive = true;
    login.use_tls = tls;
    return login;
  }

  test_support::TempDir dir_;
  platform::qt::QtSocketService sockets_;
};

using test_support::RunTool;

std::string ReadAll(const std::string& path) {
  const std::vector<uint8_t> bytes = test_support::TempDir::Read(path);
  return std::string(bytes.begin(), bytes.end());
}

std::string RandomText(size_t size, unsigned seed, bool lines) {
  std::string text(size, '\0');
  std::mt19937 gen(seed);
  for (size_t i = 0; i < size; ++i) {
    text[i] = lines ? static_cast<char>('a' + gen() % 26) : static_cast<char>(gen());
  }
  // Text lines end in CR LF, as ASCII mode sends them; the server stores its own line ends.
  if (lines) {
    for (size_t i = 60; i + 1 < size; i += 62) {
      text[i] = '\r';
      text[i + 1] = '\n';
    }
  }
  return text;
}

// The unknown certificate is asked about once (reason and fingerprint); with it accepted the
// session runs AUTH TLS before USER, then PBSZ 0 and PROT P, and files go both ways, in binary
// and ASCII, passive and active, byte-identical, every data connection resuming the control
// connection's TLS session. The next login with the stored fingerprint asks nothing.
TEST_F(FtpsTest, AcceptedCertificateCarriesProtectedTransfersBothWaysAndModes) {
  auto server = Start("tls", "cert-a.pem", "tls.log");
  ASSERT_GT(server->Port(), 0) << "pyftpdlib with TLS did not start";
  TFtpClient client(sockets_);
  client.SetTimeout(20);
  FtpLogin login = Login(server->Port(), true);
  std::vector<std::string> questions;
  std::string stored;
  LoginHooks hooks;
  hooks.certificate = [&](const std::string& question, const platform::TlsPeer& peer) {
    questions.push_back(question);
    stored = peer.fingerprint;
    return true;
  };
  ASSERT_TRUE(LoginWithAttempts(client, login, hooks)) << client.ErrorMessage();
  const std::string fingerprint = Fingerprint("cert-a.pem");
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_NE(questions[0].find(fingerprint), std::string::npos) << questions[0];
  EXPECT_NE(questions[0].find("Reason: "), std::string::npos);
  EXPECT_EQ(stored, fingerprint);

  const std::string binary = RandomText(700 * 1024 + 13, 7, false);
  const std::string ascii = RandomText(90 * 1024, 8, true);
  struct Case {
    const char* name;
    const std::string* bytes;
    bool binary;
    bool passive;
  };
  const Case cases[] = {{"b-pasv.bin", &binary, true, true},
                        {"a-port.txt", &ascii, false, false},
                        {"b-port.bin", &binary, true, false},
                        {"a-pasv.txt", &ascii, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.WriteText(std::string("up-") + c.name, *c.bytes);
    client.SetPassive(c.passive);
    ASSERT_TRUE(c.binary ? client.TypeBinary() : client.TypeAscii());
    client.SetLocalFileName(dir_.File(std::string("up-") + c.name));
    client.SetHostFileName(c.name);
    ASSERT_TRUE(client.Put()) << client.ErrorMessage();
    client.SetLocalFileName(dir_.File(std::string("down-") + c.name));
    ASSERT_TRUE(client.Get()) << client.ErrorMessage();
    std::string on_server = *c.bytes;
    if (!c.binary) on_server.erase(std::remove(on_server.begin(), on_server.end(), '\r'), on_server.end());
    // Compared as booleans: a diff of megabytes helps nobody.
    EXPECT_TRUE(ReadAll(dir_.File(std::string("root/") + c.name)) == on_server)
        << ReadAll(dir_.File(std::string("root/") + c.name)).size() << " bytes, not "
        << on_server.size();
    EXPECT_TRUE(ReadAll(dir_.File(std::string("down-") + c.name)) == *c.bytes);
  }
  client.SetHostFileName("");
  client.SetDisplayFileFlag(true);
  std::vector<std::string> listing;
  client.OnDisplayFile = [&](const std::string& line) { listing.push_back(line); };
  ASSERT_TRUE(client.Dir()) << client.ErrorMessage();
  EXPECT_EQ(std::count_if(listing.begin(), listing.end(),
                          [](const std::string& l) { return l.find("pasv") != std::string::npos; }),
            2);
  ASSERT_TRUE(client.Quit());

  const std::vector<std::string> log = Log("tls.log");
  const size_t auth = Find(log, "'AUTH TLS'");
  const size_t user = Find(log, "'USER user'");
  const size_t pbsz = Find(log, "'PBSZ 0'");
  const size_t prot = Find(log, "'PROT P'");
  ASSERT_LT(auth, log.size());
  EXPECT_LT(auth, user);
  EXPECT_LT(user, pbsz);
  EXPECT_LT(pbsz, prot);
  EXPECT_LT(prot, log.size());
  const auto data = std::count_if(log.begin(), log.end(), [](const std::string& l) {
    return l.rfind("data-tls", 0) == 0;
  });
  EXPECT_EQ(data, 9);  // four uploads, four downloads, one listing
  EXPECT_EQ(std::count(log.begin(), log.end(), "data-tls reused=1"), data);

  // The stored fingerprint: the next login asks nothing.
  login.tls_fingerprint = stored;
  questions.clear();
  TFtpClient again(sockets_);
  again.SetTimeout(20);
  ASSERT_TRUE(LoginWithAttempts(again, login, hooks)) << again.ErrorMessage();
  EXPECT_TRUE(questions.empty());
  EXPECT_TRUE(again.Quit());
}

// Refusing the unknown certificate ends the login before USER; a certificate other than the
// accepted one asks again, saying it changed. A server without TLS refuses AUTH TLS: the login
// stops there, nothing in the clear. A server that demands TLS, reached without it, refuses the
// login with its own reply, and the detail text points at the setting.
TEST_F(FtpsTest, RefusedOrChangedCertificateAndServersWithoutOrDemandingTls) {
  auto server = Start("tls", "cert-b.pem", "refuse.log");
  ASSERT_GT(server->Port(), 0) << "pyftpdlib with TLS did not start";
  std::vector<std::string> questions;
  LoginHooks refuse;
  refuse.certificate = [&](const std::string& question, const platform::TlsPeer&) {
    questions.push_back(question);
    return false;
  };
  TFtpClient client(sockets_);
  client.SetTimeout(20);
  FtpLogin login = Login(server->Port(), true);
  login.attempts = 3;  // a refusal is final: no further attempts, no second question
  EXPECT_FALSE(LoginWithAttempts(client, login, refuse));
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_TRUE(client.CertificateUnknown());
  EXPECT_NE(LoginFailureDetail(client).find(Fingerprint("cert-b.pem")), std::string::npos);
  std::vector<std::string> log = Log("refuse.log");
  EXPECT_LT(Find(log, "'AUTH TLS'"), log.size());
  EXPECT_EQ(Find(log, "'USER"), log.size()) << "USER sent after a refused certificate";

  // veldrimon-tool: --tls refuses the unknown certificate and names the option that accepts it;
  // with the fingerprint a put and a get go through.
  const std::string url = "ftp://user:pw@127.0.0.1:" + std::to_string(server->Port()) + "/t.bin";
  const std::string payload = RandomText(200000, 3, false);
  dir_.WriteText("t.bin", payload);
  int code = 0;
  std::string out = RunTool("ftp put --tls " + dir_.File("t.bin") + " " + url, &code);
  EXPECT_EQ(code, 1) << out;
  EXPECT_NE(out.find("--tls-fingerprint " + Fingerprint("cert-b.pem")), std::string::npos) << out;
  EXPECT_FALSE(fs::exists(dir_.File("root/t.bin")));
  const std::string accept = " --tls --tls-fingerprint " + Fingerprint("cert-b.pem") + " ";
  out = RunTool("ftp put" + accept + dir_.File("t.bin") + " " + url, &code);
  EXPECT_EQ(code, 0) << out;
  out = RunTool("ftp get --active" + accept + url + " " + dir_.File("t-back.bin"), &code);
  EXPECT_EQ(code, 0) << out;
  EXPECT_TRUE(ReadAll(dir_.File("t-back.bin")) == payload);

  // The profile holds another server's fingerprint: asked again, as a change.
  questions.clear();
  login.attempts = 1;
  login.tls_fingerprint = "00:11:22:33";
  EXPECT_FALSE(LoginWithAttempts(client, login, refuse));
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_NE(questions[0].find("has CHANGED"), std::string::npos) << questions[0];
  EXPECT_NE(questions[0].find("00:11:22:33"), std::string::npos);
  EXPECT_NE(questions[0].find(Fingerprint("cert-b.pem")), std::string::npos);

  // TLS off against the server that demands it: its 5xx reply to USER, and the hint.
  TFtpClient plain_client(sockets_);
  plain_client.SetTimeout(20);
  EXPECT_FALSE(LoginWithAttempts(plain_client, Login(server->Port(), false), {}));
  EXPECT_EQ(plain_client.ErrorMessage().rfind("550 SSL/TLS required", 0), 0u)
      << plain_client.ErrorMessage();
  EXPECT_NE(LoginFailureDetail(plain_client).find("turn on \"Use FTP over TLS\""),
            std::string::npos);

  // TLS on against a server without it: AUTH refused, no USER, no fall-back.
  auto plain = Start("plain", "unused.pem", "plain.log");
  ASSERT_GT(plain->Port(), 0);
  TFtpClient tls_client(sockets_);
  tls_client.SetTimeout(20);
  EXPECT_FALSE(LoginWithAttempts(tls_client, Login(plain->Port(), true), refuse));
  EXPECT_NE(tls_client.ErrorMessage().find("refused AUTH TLS"), std::string::npos)
      << tls_client.ErrorMessage();
  EXPECT_FALSE(tls_client.Connected());
  log = Log("plain.log");
  EXPECT_LT(Find(log, "'AUTH TLS'"), log.size());
  EXPECT_EQ(Find(log, "'USER"), log.size()) << "USER sent after AUTH TLS was refused";
  EXPECT_EQ(questions.size(), 1u);
}

}  // namespace
}  // namespace vr::ftp
