// The FTP window and the server dialog on the offscreen platform with the scripted Ui, against a
// real pyftpdlib server started by the test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <algorithm>
#include <chrono>
#include <vector>

#include "fakes/fake_services.h"
#include "test_support/ftp_server.h"
#include "test_support/ftps_server.h"
#include "test_support/socks_proxy.h"
#include "test_support/temp_dir.h"
#include "web/ftp/ftp_publish.h"
#include "web/ftp/ftp_sites.h"
#include "web/ftp/ui/ftp_data_menu.h"
#include "web/ftp/ui/ftp_download_menu.h"
#include "web/ftp/ui/ftp_menu.h"
#include "web/ftp/ui/ftp_publisher.h"

namespace vr::ftp::ui {
namespace {

namespace fs = std::filesystem;
using platform::Answer;

// The test server: "user" may do everything; "norest" is refused REST; a file named
// "stall.bin" is answered 150 and then never sent; a second argument above 0 limits the data
// connections to that many bytes a second.
constexpr const char* kServerScript = R"PY(
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer
auth = DummyAuthorizer()
auth.add_user("user", "pw", sys.argv[1], perm="elradfmwMT")
auth.add_user("norest", "pw", sys.argv[1], perm="elradfmwMT")

class Handler(FTPHandler):
    def ftp_REST(self, line):
        if self.username == "norest":
            self.respond("502 REST not implemented here.")
            return
        return FTPHandler.ftp_REST(self, line)

    def ftp_RETR(self, file):
        if file.endswith("stall.bin"):
            self.respond("150 Stalling on purpose.")
            return
        return FTPHandler.ftp_RETR(self, file)

Handler.authorizer = auth
if int(sys.argv[2]) > 0:
    ThrottledDTPHandler.read_limit = ThrottledDTPHandler.write_limit = int(sys.argv[2])
    Handler.dtp_handler = ThrottledDTPHandler
server = FTPServer(("127.0.0.1", 0), Handler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever()
)PY";

void EnsureApp() {
  static int argc = 1;
  static char name[] = "ftp_menu_test";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr) new QApplication(argc, argv);
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class FtpMenuTest : public ::testing::Test {
 protected:
  FtpMenuTest() : fakes_(dir_.File("home"), dir_.File("tmp")) {}
  void SetUp() override {
    EnsureApp();
    fs::create_directories(dir_.File("home"));
    fs::create_directories(dir_.File("tmp"));
    fs::create_directories(dir_.File("root"));
    dir_.WriteText("server.py", kServerScript);
    server_ = std::make_unique<test_support::FtpServer>(dir_.File("root"), dir_.File("server.py"),
                                                        0);
    ASSERT_GT(server_->Port(), 0) << "pyftpdlib did not start";
    fakes_.sounds.SetEnabled(true);
  }
  std::string Host() const { return "127.0.0.1:" + std::to_string(server_->Port()); }

  web::PublishRequest Request() {
    web::PublishRequest request;
    request.server.server_name = Host();
    request.server.user_name = "user";
    request.server.password = "pw";
    request.server.use_pasv = true;
    request.server.url_location = "webfolders/site";
    request.pictures = {dir_.WriteText("site/one.jpg", "picture one"),
                        dir_.WriteText("site/two.jpg", std::string(70000, 'x'))};
    request.pages = {dir_.WriteText("site/webpages/index.html", "<html>")};
    request.thumbs = {dir_.WriteText("site/webthumbs/WP_THUMB_0.JPG", "thumb")};
    request.all = request.pictures;
    request.all.insert(request.all.end(), request.pages.begin(), request.pages.end());
    request.all.insert(request.all.end(), request.thumbs.begin(), request.thumbs.end());
    request.web_folder = dir_.File("site") + "/";
    request.mode = web::kUploadAll;
    request.home_page = "webpages/index.html";
    return request;
  }

  test_support::TempDir dir_;
  fakes::FakeServices fakes_;
  std::unique_ptr<test_support::FtpServer> server_;
};

// The wizard's request through the modal window: the folder question, every file's state, the
// server's side in the pane, the home address, the files byte-identical, the completion sound.
TEST_F(FtpMenuTest, PublishTabUploadsTheRequestAndReportsTheHomeAddress) {
  FtpWebPublisher publisher(nullptr, fakes_.services());
  std::vector<std::string> states, pane;
  std::string ready;
  publisher.on_shown = [&](TFtpMenu& window) {
    EXPECT_EQ(window.Tabs()->tabText(window.Tabs()->currentIndex()).toStdString(), "Publish");
    fakes_.ui.QueueAnswer(Answer::kYes);  // make the destination folder
    window.BUploadClick();
    states = window.UploadStates();
    pane = window.UploadListLines();
    ready = window.StatusText(0);
    window.reject();
  };
  const std::string home = publisher.Publish(Request());
  EXPECT_EQ(home, "/webfolders/site/webpages/index.html");
  EXPECT_EQ(states, std::vector<std::string>(4, kUploadDone));
  ASSERT_FALSE(pane.empty());
  EXPECT_EQ(pane.front(), "There are 3 parts to this list");
  EXPECT_EQ(ready, "Status:READY");
  EXPECT_EQ(ReadAll(dir_.File("root/webfolders/site/two.jpg")), std::string(70000, 'x'));
  EXPECT_EQ(ReadAll(dir_.File("root/webfolders/site/webthumbs/WP_THUMB_0.JPG")), "thumb");
  ASSERT_FALSE(fakes_.sounds.played().empty());
  EXPECT_EQ(fakes_.sounds.played().back(), dir_.File("home") + "/WWWdone.wav");

  // A rerun of the same request: each file is asked about, "No to all" holds. The window's own
  // sound switch is off this time: the run ends without the completion sound.
  const size_t sounds_before = fakes_.sounds.played().size();
  publisher.on_shown = [&](TFtpMenu& window) {
    auto* speaker = window.findChild<QToolButton*>("SBSounds");
    ASSERT_NE(speaker, nullptr);
    EXPECT_EQ(speaker->toolTip().toStdString(),
              "Turn sounds ON/OFF that indicate when an operation is complete.");
    EXPECT_EQ(speaker->accessibleName().toStdString(), "B_SPEAKER_ON");
    speaker->click();
    EXPECT_EQ(speaker->accessibleName().toStdString(), "B_SPEAKER_OFF");
    fakes_.ui.QueueAnswer(Answer::kNoToAll);
    window.BUploadClick();
    states = window.UploadStates();
    window.reject();
  };
  EXPECT_EQ(publisher.Publish(Request()), kNoFilesUploaded);
  EXPECT_EQ(states, std::vector<std::string>(4, kSkippedByUser));
  const std::vector<std::string>& played = fakes_.sounds.played();
  EXPECT_EQ(std::count(played.begin() + static_cast<long>(sounds_before), played.end(),
                       dir_.File("home") + "/WWWdone.wav"),
            0);
}

// Profiles through the Settings tab: add, edit, the modified prompt, a refused name, save,
// remove; then connecting with a wrong and a right password.
TEST_F(FtpMenuTest, SettingsTabKeepsProfilesAndConnectsWithThem) {
  TFtpMenu window(nullptr, fakes_.services());
  window.OpenAsTool();
  ASSERT_EQ(window.Tabs()->count(), 2) << "no Publish tab for the tool";
  EXPECT_EQ(window.Tabs()->tabText(0).toStdString(), "Settings");
  EXPECT_EQ(window.Tabs()->tabText(1).toStdString(), "FTP WEB Tools");
  fakes_.ui.QueueChoice(1);  // nothing to save yet: no prompt, so this stays queued
  window.BAddSiteClick();
  EXPECT_EQ(window.CurrentProfile(), "New FTP Site");
  window.Field("ServerName")->setText(QString::fromStdString(Host()));
  emit window.Field("ServerName")->textEdited("");
  window.Field("Username")->setText("user");
  window.Field("Password")->setText("wrong");
  EXPECT_TRUE(window.Modified());
  window.BAddSiteClick();  // the modified prompt answers "+Save Changes"
  EXPECT_EQ(fakes_.ui.calls().back().captions,
            (std::vector<std::string>{"+Save Changes", "-DON'T SAVE"}));
  EXPECT_EQ(window.CurrentProfile(), "New FTP Site 2");
  EXPECT_EQ(window.ProfileNames(), (std::vector<std::string>{"New FTP Site", "New FTP Site 2"}));

  window.Field("ProfileName")->setText("New FTP Site");
  EXPECT_FALSE(window.BSaveClick());
  EXPECT_EQ(fakes_.ui.calls().back().text,
            "You can NOT name a profile the same as an Existing one!");
  fakes_.ui.QueueAnswer(Answer::kYes);
  window.BRemoveSiteClick();
  EXPECT_EQ(fakes_.ui.calls().back().text,
            "Are you sure you want to delete the selected profile \"New FTP Site 2\"?");
  EXPECT_EQ(window.CurrentProfile(), "New FTP Site");
  const FtpSite stored = FtpSites(dir_.File("home/LSFTP.INI")).Read("New FTP Site");
  EXPECT_EQ(stored.user_name, "user");
  EXPECT_EQ(stored.password, "wrong");

  EXPECT_FALSE(window.BConnectClick());
  EXPECT_EQ(window.LightName(), "RED");
  EXPECT_EQ(window.LastErrorText(), "Last Error:Couldn't connect to the server.");
  EXPECT_EQ(fakes_.ui.calls().back().text,
            "Could NOT connect to " + Host() +
                "\r\rMaybe you are NOT connected to the Internet, or "
            "maybe you supplied the wrong username or password or web server address.\r\rYou "
            "can click on the \"SETTINGS\" tab to change your settings.");
  window.Field("Password")->setText("pw");
  EXPECT_TRUE(window.BConnectClick());
  EXPECT_EQ(window.LightName(), "GREEN");
  EXPECT_EQ(window.SelectedFolder(), "/");
}

// The tool's tree and list over a real server: descriptions from "00-index.txt", and delete,
// rename, add and delete folder, each checked on the server's disk.
TEST_F(FtpMenuTest, ToolsTabBrowsesWithDescriptionsAndChangesFilesAndFolders) {
  dir_.WriteText("root/00-index.txt", "PHOTO.JPG  Holiday\r\nother.zip  Many\r\n  things\r\n");
  dir_.WriteText("root/photo.jpg", "jpeg");
  dir_.WriteText("root/other.zip", "zip");
  dir_.WriteText("root/keep/inside.txt", "x");
  fs::create_directories(dir_.File("root/old"));
  FtpSites sites(dir_.File("home/LSFTP.INI"));
  FtpSite site;
  site.name = sites.Add();
  site.server_name = Host();
  site.user_name = "user";
  site.password = "pw";
  site.use_pasv = true;
  sites.Save(site);

  TFtpMenu window(nullptr, fakes_.services());
  window.OpenAsTool();
  fakes_.ui.QueueChoice(1);  // "+Get Descriptions"
  ASSERT_TRUE(window.BConnectClick());
  EXPECT_EQ(fakes_.ui.calls().back().title, "Found Description File");
  EXPECT_EQ(window.DescriptionOfFile("photo.jpg"), "Holiday");
  EXPECT_EQ(window.DescriptionOfFile("other.zip"), "Manythings");
  EXPECT_EQ(window.FilesCountText(), "Files In Selected Folder:5");
  EXPECT_EQ(window.FolderNames(), (std::vector<std::string>{"keep", "old"}));

  window.SelectFiles({"photo.jpg"});
  fakes_.ui.QueueAnswer(Answer::kYes);
  fakes_.ui.QueueChoice(2);  // the listing again: "-No Descriptions"
  window.BDeleteFileClick();
  EXPECT_FALSE(fs::exists(dir_.File("root/photo.jpg")));
  EXPECT_EQ(window.DescriptionOfFile("other.zip"), "");

  window.SelectFiles({"00-index.txt"});
  fakes_.ui.QueueText("notes.txt");
  window.BRenameFileClick();
  EXPECT_TRUE(fs::exists(dir_.File("root/notes.txt")));

  fakes_.ui.QueueText("new folder!");
  window.BAddFolderClick();
  EXPECT_EQ(fakes_.ui.calls().back().text,
            "The only valid characters are A-Z and 0-9 and the / ~ - . \\ _  symbols.");
  EXPECT_TRUE(fs::is_directory(dir_.File("root/newfolder")));

  ASSERT_TRUE(window.ShowFolder("/keep"));
  window.BDeleteFolderClick();
  EXPECT_EQ(fakes_.ui.calls().back().text,
            "There are FILES STILL in the folder. You need to delete those FIRST!");
  ASSERT_TRUE(window.ShowFolder("/old"));
  fakes_.ui.QueueAnswer(Answer::kYes);
  window.BDeleteFolderClick();
  EXPECT_FALSE(fs::exists(dir_.File("root/old")));
  EXPECT_EQ(window.SelectedFolder(), "/");

  ASSERT_TRUE(window.ShowFolder("/newfolder"));
  fakes_.ui.QueueText("renamed");
  window.BRenameFolderClick();
  EXPECT_TRUE(fs::is_directory(dir_.File("root/renamed")));
  EXPECT_FALSE(fs::exists(dir_.File("root/newfolder")));
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

class FtpTransferWindowTest : public FtpMenuTest {
 protected:
  void SetUp() override {
    FtpMenuTest::SetUp();
    dir_.WriteText("root/third.txt", "third");
    std::string bytes(300000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
    dir_.WriteText("root/big.bin", bytes);
    dir_.WriteText("root/small.txt", "hello");
    fs::create_directories(dir_.File("down"));
    FtpSites sites(dir_.File("home/LSFTP.INI"));
    FtpSite site;
    site.name = sites.Add();
    site.server_name = Host();
    site.user_name = "user";
    site.password = "pw";
    site.use_pasv = true;
    sites.Save(site);
    window_ = std::make_unique<TFtpMenu>(nullptr, fakes_.services());
    window_->OpenAsTool();
    ASSERT_TRUE(window_->BConnectClick());
  }
  void TearDown() override {
    PumpUntil([this] { return window_->RunningTransfers() == 0; });
    window_.reset();
  }
  std::unique_ptr<TFtpMenu> window_;
};

// Three downloads with room for one: two wait their turn and start in order; the FTP window will
// not close meanwhile; the files arrive byte-identical and the windows close themselves. Then
// an upload.
TEST_F(FtpTransferWindowTest, QueuedDownloadsAndAnUploadArriveByteIdentical) {
  window_->SetMaxTransfers(1);
  window_->SetAutoClose(true);
  window_->SelectFiles({"big.bin", "small.txt", "third.txt"});
  fakes_.ui.QueueText(dir_.File("down"));
  window_->BDownloadClick();
  EXPECT_EQ(window_->StatusText(2), "Up/Down-loads [In progress:1] [On hold:2]");
  window_->reject();
  EXPECT_EQ(fakes_.ui.calls().back().text,
            "You requested to download file(s). And there are STILL download window(s) open. "
            "You need to close(exit) the download windows before you can exit this FTP window!");
  // The windows close by themselves after success (and are gone once Qt deletes them).
  ASSERT_TRUE(PumpUntil([this] {
    return window_->RunningTransfers() == 0 && window_->WaitingTransfers() == 0 &&
           window_->TransferWindows().empty();
  }));
  // One at a time, in order: each file was last written before the next one was.
  EXPECT_LT(fs::last_write_time(dir_.File("down/big.bin")),
            fs::last_write_time(dir_.File("down/small.txt")));
  EXPECT_LT(fs::last_write_time(dir_.File("down/small.txt")),
            fs::last_write_time(dir_.File("down/third.txt")));
  EXPECT_EQ(ReadAll(dir_.File("down/big.bin")), ReadAll(dir_.File("root/big.bin")));
  EXPECT_EQ(ReadAll(dir_.File("down/small.txt")), "hello");
  EXPECT_EQ(ReadAll(dir_.File("down/third.txt")), "third");
  EXPECT_EQ(window_->StatusText(2), "");

  // Low resources hold the upload back until the next check finds enough again.
  window_->CheckResources({10, 1 << 20});
  EXPECT_EQ(fakes_.ui.calls().back().text, kLowResourcesText);
  const std::string up = dir_.WriteText("up.bin", std::string(123457, 'u'));
  fakes_.ui.QueueFiles({up});
  window_->BUploadFilesClick();
  EXPECT_EQ(window_->RunningTransfers(), 0);
  EXPECT_EQ(window_->WaitingTransfers(), 1u);
  window_->CheckResources({1000, 1 << 20});
  EXPECT_EQ(window_->RunningTransfers(), 1);
  ASSERT_TRUE(PumpUntil([this] { return window_->RunningTransfers() == 0; }));
  EXPECT_EQ(ReadAll(dir_.File("root/up.bin")), std::string(123457, 'u'));
}

// A slow download cancelled: the window stays open with "&Download" and "&Resume Download"
// enabled, the partial file kept; "&Resume Download" then completes it.
TEST_F(FtpTransferWindowTest, CancelledDownloadKeepsItsWindowAndResumes) {
  window_->SelectFiles({"big.bin"});
  fakes_.ui.QueueText(dir_.File("down"));
  window_->BDownloadClick();
  ASSERT_EQ(window_->TransferWindows().size(), 1u);
  TFTPDownloadMenu* transfer = window_->TransferWindows().front();
  transfer->SetSpeedPosition(5);  // 10 KB per second
  const std::string local = dir_.File("down/big.bin");
  ASSERT_TRUE(PumpUntil([&] {
    std::error_code ec;
    return fs::file_size(local, ec) > 0 && !ec;
  }));
  transfer->BCancelClick();
  ASSERT_TRUE(PumpUntil([&] { return !transfer->Running(); }));
  EXPECT_EQ(transfer->StatusText(), "Download CANCELED!");
  EXPECT_EQ(transfer->CancelCaption(), "&Exit");
  EXPECT_TRUE(transfer->RetryEnabled());
  EXPECT_TRUE(transfer->ResumeEnabled());
  EXPECT_LT(transfer->ProgressValue(), 100);
  EXPECT_EQ(window_->TransferWindows().size(), 1u) << "no close after a cancel";
  const auto partial = fs::file_size(dir_.File("down/big.bin"));
  EXPECT_GT(partial, 0u);
  EXPECT_LT(partial, 300000u);

  transfer->SetSpeedPosition(10);
  transfer->BResumeClick();
  ASSERT_TRUE(PumpUntil([&] { return !transfer->Running(); }));
  EXPECT_EQ(transfer->StatusText(), "Download Complete!");
  EXPECT_EQ(transfer->TimeText().rfind("DONE: ", 0), 0u) << transfer->TimeText();
  EXPECT_EQ(ReadAll(dir_.File("down/big.bin")), ReadAll(dir_.File("root/big.bin")));
  transfer->BCancelClick();  // "&Exit"
  ASSERT_TRUE(PumpUntil([this] { return window_->RunningTransfers() == 0; }));
}

// Files already in the download folder: "-Re-Download File" asks before overwriting (No keeps
// the local file and fetches nothing), "+Resume File" continues the local part.
TEST_F(FtpTransferWindowTest, FilesAlreadyDownloadedAskToResumeOrOverwrite) {
  dir_.WriteText("down/small.txt", "stale");
  dir_.WriteText("down/third.txt", "old");
  dir_.WriteText("down/big.bin", ReadAll(dir_.File("root/big.bin")).substr(0, 1000));
  window_->SetAutoClose(true);
  window_->SelectFiles({"big.bin", "small.txt", "third.txt"});
  fakes_.ui.QueueText(dir_.File("down"));
  fakes_.ui.QueueChoice(1);                 // big.bin: "+Resume File"
  fakes_.ui.QueueChoice(2);                 // small.txt: "-Re-Download File" ...
  fakes_.ui.QueueAnswer(Answer::kNo);       // ... but not over the local file
  fakes_.ui.QueueChoice(2);                 // third.txt: "-Re-Download File" ...
  fakes_.ui.QueueAnswer(Answer::kYes);      // ... over the local file
  window_->BDownloadClick();
  bool asked = false;
  for (const auto& call : fakes_.ui.calls()) {
    asked = asked || call.text == "You are about to OVERWRITE the file:\r\r" +
                                      dir_.File("down/small.txt") + "\r\r" +
                                      "Do you wish to OVERWRITE existing file(s)?";
  }
  EXPECT_TRUE(asked);
  // Two windows (big.bin, third.txt); they close by themselves after success.
  ASSERT_TRUE(PumpUntil([this] {
    return window_->RunningTransfers() == 0 && window_->WaitingTransfers() == 0 &&
           window_->TransferWindows().empty();
  }));
  EXPECT_EQ(ReadAll(dir_.File("down/small.txt")), "stale");
  EXPECT_EQ(ReadAll(dir_.File("down/third.txt")), "third");
  EXPECT_EQ(ReadAll(dir_.File("down/big.bin")), ReadAll(dir_.File("root/big.bin")));
}

// Local files dropped on the file list (a real drop event) go up to the folder it shows after
// the question; a drop on an empty part of the tree names where to drop instead.
TEST_F(FtpTransferWindowTest, DroppedLocalFilesAreUploadedToTheFolderAfterTheQuestion) {
  window_->SetAutoClose(true);
  const std::string one = dir_.WriteText("local/one.txt", "first dropped");
  const std::string two = dir_.WriteText("local/two.bin", std::string(40000, 'd'));
  const auto drop_on = [&](const char* view_name, QPoint at) {
    auto* view = window_->findChild<QTreeWidget*>(view_name);
    EXPECT_NE(view, nullptr);
    if (view == nullptr) return;
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(one)),
                  QUrl::fromLocalFile(QString::fromStdString(two))});
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
  };
  // A drop while the window lists a folder is not taken: wait for the first listing to end.
  ASSERT_TRUE(PumpUntil([this] { return !window_->Busy() && !window_->FileNames().empty(); }));
  fakes_.ui.QueueAnswer(Answer::kYes);
  drop_on("FileList", QPoint(5, 5));
  // The uploads may start, finish and close between two looks on a busy machine: their files at
  // the server count as seen too.
  const auto arrived = [this] {
    return ReadAll(dir_.File("root/one.txt")) == "first dropped" &&
           ReadAll(dir_.File("root/two.bin")) == std::string(40000, 'd');
  };
  ASSERT_TRUE(PumpUntil([this, &arrived] {
    return !window_->TransferWindows().empty() || window_->WaitingTransfers() > 0 || arrived();
  }));
  bool asked = false;
  for (const auto& call : fakes_.ui.calls()) {
    asked = asked || call.text.rfind("Uploading file(s) to the following folder at the FTP "
                                     "site!\r\r\"/\"",
                                     0) == 0;
  }
  EXPECT_TRUE(asked);
  ASSERT_TRUE(PumpUntil([this] {
    return window_->RunningTransfers() == 0 && window_->WaitingTransfers() == 0 &&
           window_->TransferWindows().empty();
  }));
  EXPECT_EQ(ReadAll(dir_.File("root/one.txt")), "first dropped");
  EXPECT_EQ(ReadAll(dir_.File("root/two.bin")), std::string(40000, 'd'));

  // Below the tree's last folder there is no folder to drop on.
  auto* tree = window_->findChild<QTreeWidget*>("FolderTree");
  ASSERT_NE(tree, nullptr);
  drop_on("FolderTree", QPoint(5, tree->viewport()->height() - 2));
  ASSERT_TRUE(PumpUntil([this] {
    return fakes_.ui.calls().back().text ==
           "Can't drop file(s)! Drop to the files list side or drop onto a folder in the tree "
           "on the left side.";
  }));
  EXPECT_EQ(window_->WaitingTransfers(), 0u);
  EXPECT_TRUE(window_->TransferWindows().empty());
}

// A transfer window of its own (as the FTP window opens one) for `file` in the server's root.
FtpTransferJob DownloadJob(const std::string& host, const std::string& file,
                           const std::string& local) {
  FtpTransferJob job;
  job.direction = 'D';
  job.passive = true;
  job.server_name = host;
  job.user_name = "user";
  job.password = "pw";
  job.remote_folder = "/";
  job.remote_file = file;
  job.local_path = local;
  job.size = 300000;
  job.size_known = true;
  return job;
}

// A download through a real SOCKS 5 proxy (control and data connection) arrives byte-identical
// and the window says so; an upload through it too.
TEST_F(FtpTransferWindowTest, TransfersThroughASocks5ProxyArriveByteIdentical) {
  if (!test_support::SocksProxy::Available()) {
    GTEST_SKIP() << "microsocks is not installed (Debian package microsocks)";
  }
  test_support::SocksProxy proxy(dir_.File("socks.log"));
  ASSERT_GT(proxy.Port(), 0) << "microsocks did not start";
  FtpTransferJob job = DownloadJob(Host(), "big.bin", dir_.File("down/big.bin"));
  job.socks.type = ftpSocks5;
  job.socks.server = "127.0.0.1";
  job.socks.port = std::to_string(proxy.Port());
  TFTPDownloadMenu down(nullptr, fakes_.services(), job, [] {});
  ASSERT_TRUE(PumpUntil([&] { return !down.Running(); }));
  EXPECT_EQ(down.StatusText(), "Download Complete!");
  EXPECT_EQ(down.LastResult(), TransferResult::kDone);
  EXPECT_EQ(ReadAll(dir_.File("down/big.bin")), ReadAll(dir_.File("root/big.bin")));

  job.direction = 'U';
  job.remote_file = "up.bin";
  job.local_path = dir_.WriteText("up.bin", std::string(54321, 'q'));
  job.size = 54321;
  TFTPDownloadMenu up(nullptr, fakes_.services(), job, [] {});
  ASSERT_TRUE(PumpUntil([&] { return !up.Running(); }));
  EXPECT_EQ(up.StatusText(), "Upload Complete!");
  EXPECT_EQ(ReadAll(dir_.File("root/up.bin")), std::string(54321, 'q'));
  // Two control and two data connections, each made by the proxy.
  const std::string log = ReadAll(dir_.File("socks.log"));
  size_t connections = 0;
  for (size_t at = log.find("connected to"); at != std::string::npos;
       at = log.find("connected to", at + 1)) {
    ++connections;
  }
  EXPECT_GE(connections, 4u) << log;
}

// The server killed while a download runs, and a server that answers 150 and then sends
// nothing: both windows end "Couldn't finish ..." within their (short) time-out, keep the
// partial file, offer a retry and a resume, and stay open although asked to close after the
// transfer (that is for a success only).
TEST_F(FtpTransferWindowTest, KilledOrStalledServerEndsCouldNotFinishWithinTheTimeOut) {
  dir_.WriteText("root/stall.bin", "never sent");
  FtpTransferJob stall_job = DownloadJob(Host(), "stall.bin", dir_.File("down/stall.bin"));
  stall_job.timeout = 2;
  stall_job.close_after = true;
  auto started = std::chrono::steady_clock::now();
  TFTPDownloadMenu stalled(nullptr, fakes_.services(), stall_job, [] {});
  ASSERT_TRUE(PumpUntil([&] { return !stalled.Running(); }));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
  EXPECT_EQ(stalled.StatusText(), "Couldn't finish Download:stall.bin");
  EXPECT_EQ(stalled.LastResult(), TransferResult::kFailed);
  EXPECT_TRUE(stalled.isVisible()) << "no close after a failure";
  EXPECT_LT(stalled.ProgressValue(), 100);

  // A server of its own that sends 20 KB a second, so that most of the file is still on its
  // side (not in the sockets' buffers) when it dies.
  test_support::FtpServer slow(dir_.File("root"), dir_.File("server.py"), 20000);
  ASSERT_GT(slow.Port(), 0) << "pyftpdlib did not start";
  FtpTransferJob job = DownloadJob("127.0.0.1:" + std::to_string(slow.Port()), "big.bin",
                                   dir_.File("down/big.bin"));
  job.timeout = 5;
  job.close_after = true;
  TFTPDownloadMenu transfer(nullptr, fakes_.services(), job, [] {});
  const std::string local = dir_.File("down/big.bin");
  ASSERT_TRUE(PumpUntil([&] {
    std::error_code ec;
    return fs::file_size(local, ec) > 0 && !ec;
  }));
  slow.Kill();
  started = std::chrono::steady_clock::now();
  ASSERT_TRUE(PumpUntil([&] { return !transfer.Running(); }));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(job.timeout));
  EXPECT_EQ(transfer.StatusText(), "Couldn't finish Download:big.bin");
  EXPECT_EQ(transfer.LastResult(), TransferResult::kFailed);
  EXPECT_TRUE(transfer.isVisible()) << "no close after a failure";
  EXPECT_LT(transfer.ProgressValue(), 100);
  EXPECT_NE(transfer.windowTitle().toStdString().rfind("100%", 0), 0u);
  EXPECT_TRUE(transfer.RetryEnabled());
  EXPECT_TRUE(transfer.ResumeEnabled());
  EXPECT_EQ(transfer.CancelCaption(), "&Exit");
  EXPECT_LT(fs::file_size(local), 300000u) << "the partial file stays for a resume";
}

// A server that refuses REST: the resumed download shows the notice and then fetches the whole
// file, byte-identical over the stale partial one (which a resume would have kept).
TEST_F(FtpTransferWindowTest, ResumeRefusedByTheServerFetchesTheWholeFile) {
  const std::string local = dir_.WriteText("down/big.bin", std::string(5000, 'z'));
  FtpTransferJob job = DownloadJob(Host(), "big.bin", local);
  job.user_name = "norest";
  job.resume = true;
  TFTPDownloadMenu transfer(nullptr, fakes_.services(), job, [] {});
  std::vector<std::string> seen;
  ASSERT_TRUE(PumpUntil([&] {
    if (seen.empty() || seen.back() != transfer.StatusText()) seen.push_back(transfer.StatusText());
    return !transfer.Running();
  }));
  EXPECT_NE(std::find(seen.begin(), seen.end(), "Resume mode not support by site..."), seen.end());
  EXPECT_EQ(transfer.StatusText(), "Download Complete!");
  EXPECT_EQ(ReadAll(local), ReadAll(dir_.File("root/big.bin")));
}

// View/Run fetches one file into the private "LS_FTPFiles" folder and opens it; leaving the FTP
// window offers to clean the folder out.
TEST_F(FtpTransferWindowTest, ViewRunOpensTheFileAndLeavingOffersToCleanUp) {
  window_->SelectFiles({"small.txt", "big.bin"});
  window_->BViewRunClick();
  EXPECT_EQ(fakes_.ui.calls().back().text,
            "You need to have ONE file HI-LITED in the list of files.");
  window_->SelectFiles({"small.txt"});
  window_->BViewRunClick();
  ASSERT_TRUE(PumpUntil([this] {
    return window_->RunningTransfers() == 0 && window_->TransferWindows().empty();
  }));
  const std::string folder = dir_.File("tmp") + "/LS_FTPFiles/";
  EXPECT_EQ(ReadAll(folder + "small.txt"), "hello");
  EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
  ASSERT_FALSE(fakes_.shell.requests().empty());
  EXPECT_EQ(fakes_.shell.requests().back().target, folder + "small.txt");

  fakes_.ui.QueueChoice(1);  // "+Clean Out Temp"
  window_->reject();
  EXPECT_EQ(fakes_.ui.calls().back().captions,
            (std::vector<std::string>{"+Clean Out Temp", "-Continue && Exit"}));
  EXPECT_FALSE(fs::exists(folder + "small.txt"));
}

// The server dialog: a wrong password keeps it on page 3; the right one leads to page 4 with
// the destination folder preset from the Web Folder's name, and "&Finished" gives the answers.
TEST_F(FtpMenuTest, ServerDialogTriesTheLoginOnPageThreeAndPresetsTheFolder) {
  TFtpDataMenu dialog(nullptr, fakes_.services(), dir_.File("My Pics!") + "/");
  dialog.BNextClick();
  dialog.Field("ServerName")->setText(QString::fromStdString(Host()));
  dialog.BNextClick();
  EXPECT_EQ(dialog.Page(), 3);
  dialog.Field("Username")->setText("user");
  dialog.Field("Password")->setText("nope");
  dialog.BNextClick();
  EXPECT_EQ(dialog.Page(), 3);
  ASSERT_FALSE(fakes_.ui.calls().empty());
  const std::string text = fakes_.ui.calls().back().text;
  EXPECT_EQ(text.rfind("Could NOT connect to " + Host() + "\r\r[530", 0), 0u) << text;
  dialog.Field("Password")->setText("pw");
  dialog.BNextClick();
  ASSERT_EQ(dialog.Page(), 4);
  EXPECT_EQ(dialog.Field("Folder")->text().toStdString(), "webfolders/MyPics");
  dialog.BNextClick();
  dialog.BNextClick();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  const web::ServerInfo info = dialog.Result();
  EXPECT_EQ(info.server_name, Host());
  EXPECT_EQ(info.password, "pw");
  EXPECT_EQ(info.url_location, "webfolders/MyPics");
}

// FTP over TLS in the window and its transfer windows, against pyftpdlib's TLS_FTPHandler with a
// certificate its script makes.
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

// The server dialog of the web page wizard: "Use FTP over TLS" makes its login try on page 3 ask
// about the unknown certificate; accepted, the fingerprint comes back with the answers, which
// the wizard keeps in "WebInfo.INI" for its publishing.
TEST(FtpsWindowTest, ServerDialogAsksAboutTheCertificateAndKeepsItWithTheAnswers) {
  EnsureApp();
  test_support::TempDir dir;
  fakes::FakeServices fakes(dir.File("home"), dir.File("tmp"));
  for (const char* sub : {"home", "tmp", "root"}) fs::create_directories(dir.File(sub));
  test_support::WriteFtpsServerScript(dir.File("server.py"), "tls", dir.File("cert.pem"));
  test_support::FtpServer server(dir.File("root"), dir.File("server.py"), 0);
  ASSERT_GT(server.Port(), 0) << "pyftpdlib with TLS did not start";
  TFtpDataMenu dialog(nullptr, fakes.services(), dir.File("Pics") + "/");
  dialog.BNextClick();
  dialog.Field("ServerName")->setText(QString::fromStdString("127.0.0.1:" +
                                                             std::to_string(server.Port())));
  dialog.TlsBox()->setChecked(true);
  dialog.BNextClick();
  dialog.Field("Username")->setText("user");
  dialog.Field("Password")->setText("pw");
  fakes.ui.QueueChoice(1);  // Accept
  dialog.BNextClick();
  ASSERT_EQ(dialog.Page(), 4) << (fakes.ui.calls().empty() ? "" : fakes.ui.calls().back().text);
  EXPECT_EQ(fakes.ui.calls().front().title, "Untrusted Certificate");
  const web::ServerInfo info = dialog.Result();
  EXPECT_TRUE(info.use_tls);
  EXPECT_EQ(info.tls_fingerprint, test_support::FtpsCertificateFingerprint(dir.File("cert.pem")));
  platform::ProfileFile file(dir.File("WebInfo.INI"));
  web::WriteServerInfo(file, info);
  ASSERT_TRUE(file.Flush());
  EXPECT_EQ(web::ReadServerInfo(platform::ProfileFile(dir.File("WebInfo.INI"))), info);
}

}  // namespace
}  // namespace vr::ftp::ui
