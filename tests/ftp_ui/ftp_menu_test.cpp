// The FTP window and the server dialog on the offscreen platform with the scripted Ui, against a
// real pyftpdlib server started by the test.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <chrono>

#include "fakes/fake_services.h"
#include "test_support/ftp_server.h"
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

constexpr const char* kServerScript = R"PY(
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
auth = DummyAuthorizer()
auth.add_user("user", "pw", sys.argv[1], perm="elradfmwMT")
FTPHandler.authorizer = auth
server = FTPServer(("127.0.0.1", 0), FTPHandler)
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

  // A rerun of the same request: each file is asked about, "No to all" holds.
  publisher.on_shown = [&](TFtpMenu& window) {
    fakes_.ui.QueueAnswer(Answer::kNoToAll);
    window.BUploadClick();
    states = window.UploadStates();
    window.reject();
  };
  EXPECT_EQ(publisher.Publish(Request()), kNoFilesUploaded);
  EXPECT_EQ(states, std::vector<std::string>(4, kSkippedByUser));
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

// Two downloads with room for one: the second waits its turn; the FTP window will not close
// meanwhile; both files arrive byte-identical and the windows close themselves. Then an upload.
TEST_F(FtpTransferWindowTest, QueuedDownloadsAndAnUploadArriveByteIdentical) {
  window_->SetMaxTransfers(1);
  window_->SetAutoClose(true);
  window_->SelectFiles({"big.bin", "small.txt"});
  fakes_.ui.QueueText(dir_.File("down"));
  window_->BDownloadClick();
  EXPECT_EQ(window_->StatusText(2), "Up/Down-loads [In progress:1] [On hold:1]");
  window_->reject();
  EXPECT_EQ(fakes_.ui.calls().back().text,
            "You requested to download file(s). And there are STILL download window(s) open. "
            "You need to close(exit) the download windows before you can exit this FTP window!");
  // Both windows close by themselves after success (and are gone once Qt deletes them).
  ASSERT_TRUE(PumpUntil([this] {
    return window_->RunningTransfers() == 0 && window_->WaitingTransfers() == 0 &&
           window_->TransferWindows().empty();
  }));
  EXPECT_EQ(ReadAll(dir_.File("down/big.bin")), ReadAll(dir_.File("root/big.bin")));
  EXPECT_EQ(ReadAll(dir_.File("down/small.txt")), "hello");
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

}  // namespace
}  // namespace vr::ftp::ui
