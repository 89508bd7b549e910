// The FTP window and its transfer windows with FTP over TLS, offscreen with the scripted Ui,
// against pyftpdlib's TLS_FTPHandler with a certificate its script makes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fakes/fake_services.h"
#include "test_support/ftp_server.h"
#include "test_support/ftps_server.h"
#include "test_support/socks_proxy.h"
#include "test_support/temp_dir.h"
#include "web/ftp/ftp_sites.h"
#include "web/ftp/ui/ftp_download_menu.h"
#include "web/ftp/ui/ftp_menu.h"

namespace vr::ftp::ui {
namespace {

namespace fs = std::filesystem;

void EnsureApp() {
  static int argc = 1;
  static char name[] = "ftps_window_test";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr) new QApplication(argc, argv);
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Pumps events until `done` holds or a minute passes (a failure, not a timing assumption).
template <typename Done>
bool PumpUntil(Done done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

QLabel* LabelWithText(QWidget& window, const char* text) {
  for (QLabel* label : window.findChildren<QLabel*>()) {
    if (label->text() == text) return label;
  }
  return nullptr;
}

// A TLS-only server reached from the Settings tab: with the box off the login fails with the
// server's refusal and a pointer to the box; with it on the unknown certificate is asked about
// once and stored with the profile, the next login asks nothing, and downloads (binary and
// ASCII) and an upload through transfer windows arrive intact over protected connections. A
// transfer window given no stored fingerprint refuses the certificate and says why.
TEST(FtpsWindowTest, CertificateStoredWithTheProfileAndTransferWindowsRunProtected) {
  EnsureApp();
  test_support::TempDir dir;
  fakes::FakeServices fakes(dir.File("home"), dir.File("tmp"));
  for (const char* sub : {"home", "tmp", "root", "down"}) fs::create_directories(dir.File(sub));
  test_support::WriteFtpsServerScript(dir.File("server.py"), "tls", dir.File("cert.pem"));
  test_support::FtpServer server(dir.File("root"), dir.File("server.py"), 0, dir.File("log"));
  ASSERT_GT(server.Port(), 0) << "pyftpdlib with TLS did not start";
  const std::string fingerprint = test_support::FtpsCertificateFingerprint(dir.File("cert.pem"));
  std::string bytes(400000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 13 + i / 257);
  dir.WriteText("root/big.bin", bytes);
  dir.WriteText("root/notes.txt", "line one\nline two\n");

  FtpSites sites(dir.File("home/LSFTP.INI"));
  FtpSite site;
  site.name = sites.Add();
  site.server_name = "127.0.0.1:" + std::to_string(server.Port());
  site.user_name = "user";
  site.password = "pw";
  site.use_pasv = true;
  sites.Save(site);

  TFtpMenu window(nullptr, fakes.services());
  window.OpenAsTool();
  auto* use_tls = window.findChild<QCheckBox*>("UseTLS");
  ASSERT_NE(use_tls, nullptr);
  EXPECT_EQ(use_tls->text().toStdString(), "Use FTP over TLS");
  EXPECT_FALSE(use_tls->isChecked());
  ASSERT_NE(LabelWithText(window, "Stored scrambled, NOT encrypted: anyone who can read "
                                  "LSFTP.INI can recover it."),
            nullptr);
  QLabel* plain_note = LabelWithText(window, "Plain FTP sends this password unencrypted.");
  ASSERT_NE(plain_note, nullptr);
  EXPECT_FALSE(plain_note->isHidden());

  EXPECT_FALSE(window.BConnectClick());
  const std::string refused = fakes.ui.calls().back().text;
  EXPECT_NE(refused.find("550 SSL/TLS required"), std::string::npos) << refused;
  EXPECT_NE(refused.find("turn on \"Use FTP over TLS\""), std::string::npos) << refused;

  use_tls->setChecked(true);
  EXPECT_TRUE(plain_note->isHidden());
  fakes.ui.Clear();
  fakes.ui.QueueChoice(1);  // Accept
  ASSERT_TRUE(window.BConnectClick());
  ASSERT_EQ(fakes.ui.calls().size(), 1u);
  EXPECT_EQ(fakes.ui.calls()[0].title, "Untrusted Certificate");
  EXPECT_NE(fakes.ui.calls()[0].text.find(fingerprint), std::string::npos);
  EXPECT_EQ(FtpSites(dir.File("home/LSFTP.INI")).Read(site.name).tls_fingerprint, fingerprint);
  ASSERT_TRUE(window.BConnectClick());
  EXPECT_EQ(fakes.ui.calls().size(), 1u) << "the stored certificate asked again";

  window.SetAutoClose(true);
  window.SelectFiles({"big.bin", "notes.txt"});
  fakes.ui.QueueText(dir.File("down"));
  window.BDownloadClick();
  const std::string up = dir.WriteText("up.bin", std::string(150001, 'u'));
  fakes.ui.QueueFiles({up});
  window.BUploadFilesClick();
  ASSERT_TRUE(PumpUntil([&] {
    return window.RunningTransfers() == 0 && window.WaitingTransfers() == 0;
  }));
  EXPECT_TRUE(ReadAll(dir.File("down/big.bin")) == bytes);
  EXPECT_EQ(ReadAll(dir.File("down/notes.txt")), "line one\r\nline two\r\n");  // ASCII mode
  EXPECT_EQ(ReadAll(dir.File("root/up.bin")), std::string(150001, 'u'));
  std::ifstream log(dir.File("log"));
  int protected_data = 0;
  for (std::string line; std::getline(log, line);) protected_data += line == "data-tls reused=1";
  EXPECT_GE(protected_data, 4);  // the listing, two downloads, the upload

  // A worker asks no questions: without the stored fingerprint the certificate is refused.
  FtpTransferJob job;
  job.server_name = site.server_name;
  job.user_name = "user";
  job.password = "pw";
  job.passive = true;
  job.use_tls = true;
  job.remote_file = "big.bin";
  job.local_path = dir.File("down/again.bin");
  job.size = static_cast<int64_t>(bytes.size());
  job.size_known = true;
  TFTPDownloadMenu refusing(nullptr, fakes.services(), job, [] {});
  ASSERT_TRUE(PumpUntil([&] { return !refusing.Running(); }));
  EXPECT_EQ(refusing.LastResult(), TransferResult::kFailed);
  EXPECT_NE(refusing.StatusText().find("certificate is not trusted"), std::string::npos)
      << refusing.StatusText();
  EXPECT_FALSE(fs::exists(dir.File("down/again.bin")) &&
               fs::file_size(dir.File("down/again.bin")) > 0);

  // With the stored fingerprint, and both connections through a SOCKS 5 proxy, TLS runs over
  // the proxied connections.
  if (!test_support::SocksProxy::Available()) return;
  test_support::SocksProxy proxy(dir.File("socks.log"));
  ASSERT_GT(proxy.Port(), 0) << "microsocks did not start";
  job.tls_fingerprint = fingerprint;
  job.socks.type = ftpSocks5;
  job.socks.server = "127.0.0.1";
  job.socks.port = std::to_string(proxy.Port());
  TFTPDownloadMenu proxied(nullptr, fakes.services(), job, [] {});
  ASSERT_TRUE(PumpUntil([&] { return !proxied.Running(); }));
  EXPECT_EQ(proxied.StatusText(), "Download Complete!");
  EXPECT_TRUE(ReadAll(dir.File("down/again.bin")) == bytes);
  EXPECT_NE(ReadAll(dir.File("socks.log")).find("connected to"), std::string::npos);
}

}  // namespace
}  // namespace vr::ftp::ui
