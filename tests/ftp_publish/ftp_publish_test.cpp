// The publish run against a scripted server (folders, files, refusals), and the site profiles.
#include "web/ftp/ftp_publish.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fakes/fake_socket.h"
#include "fakes/fake_ui.h"
#include "test_support/temp_dir.h"
#include "web/ftp/ftp_sites.h"
#include "web/ftp/ftp_tool_rules.h"
#include "web/ftp/ftp_transfer.h"

namespace vr::ftp {
namespace {

using fakes::FakeSocketService;
using fakes::FakeSocketState;
using platform::Answer;

// A tiny FTP server model behind the scripted control socket: folders, files with contents,
// a working folder, and refusals a test can switch on.
class ScriptedServer {
 public:
  explicit ScriptedServer(FakeSocketService& service) : service_(service) {
    folders_.insert("/");
    service_.on_create = [this](FakeSocketState& s) {
      if (s.index != 0) return;
      s.greeting = "220 Scripted\r\n";
      s.on_send = [this](FakeSocketState& st, const std::string& chunk) { Heard(st, chunk); };
    };
  }

  void AddFolder(const std::string& path) { folders_.insert(path); }
  void AddFile(const std::string& path, const std::string& content) { files_[path] = content; }
  std::string FileAt(const std::string& path) {
    Settle();
    auto it = files_.find(path);
    return it == files_.end() ? std::string("<missing>") : it->second;
  }
  int Count(const std::string& verb) const {
    int n = 0;
    for (const auto& c : commands_) n += c.compare(0, verb.size(), verb) == 0 ? 1 : 0;
    return n;
  }
  const std::vector<std::string>& commands() const { return commands_; }

  bool refuse_mkd = false;
  std::string refuse_stor;  // a file name whose STOR is refused
  bool refuse_rest = false;
  bool stall_retr = false;  // RETR answers 150 and then sends nothing
  size_t cut_retr = std::string::npos;  // RETR sends only this many bytes, then 226 anyway
  std::string auth_reply = "500 Unknown\r\n";

 private:
  std::string Resolve(const std::string& arg) const {
    std::string path = arg.empty() || arg[0] != '/' ? cwd_ + "/" + arg : arg;
    std::string out;
    for (char c : path) {
      if (c == '/' && !out.empty() && out.back() == '/') continue;
      out += c;
    }
    if (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
  }
  // Uploads land once their data connection has delivered everything.
  void Settle() {
    for (const auto& [index, path] : stores_) files_[path] = service_.Sockets().at(index)->sent;
  }

  void Heard(FakeSocketState& control, const std::string& chunk) {
    pending_ += chunk;
    size_t end;
    while ((end = pending_.find("\r\n")) != std::string::npos) {
      const std::string command = pending_.substr(0, end);
      pending_.erase(0, end + 2);
      commands_.push_back(command);
      const size_t blank = command.find(' ');
      const std::string verb = command.substr(0, blank);
      const std::string arg = blank == std::string::npos ? "" : command.substr(blank + 1);
      if (verb == "USER") {
        cwd_ = "/";
        control.Feed("331 Password please\r\n");
      } else if (verb == "PASS") {
        control.Feed("230 Logged in\r\n");
      } else if (verb == "CWD") {
        const std::string path = Resolve(arg);
        if (folders_.count(path) != 0) {
          cwd_ = path;
          control.Feed("250 OK\r\n");
        } else {
          control.Feed("550 No such folder\r\n");
        }
      } else if (verb == "MKD") {
        const std::string path = Resolve(arg);
        if (refuse_mkd) {
          control.Feed("550 Permission denied\r\n");
        } else {
          folders_.insert(path);
          control.Feed("257 \"" + path + "\" created\r\n");
        }
      } else if (verb == "TYPE") {
        control.Feed("200 Type set\r\n");
      } else if (verb == "PASV") {
        control.Feed("227 Entering Passive Mode (127,0,0,1,19,137)\r\n");
      } else if (verb == "LIST") {
        Settle();
        control.Feed("150 Listing\r\n");
        FakeSocketState& data = *service_.Sockets().back();
        std::string listing;
        for (const auto& [path, content] : files_) {
          const size_t slash = path.rfind('/');
          if (path.substr(0, std::max<size_t>(slash, 1)) != cwd_) continue;
          listing += "-rw-r--r--   1 owner group " + std::to_string(content.size()) +
                     " Jan 01 12:00 " + path.substr(slash + 1) + "\r\n";
        }
        for (const std::string& folder : folders_) {
          const size_t slash = folder.rfind('/');
          if (folder == "/" || folder.substr(0, std::max<size_t>(slash, 1)) != cwd_) continue;
          listing += "drwxr-xr-x   2 owner group 0 Jan 01 12:00 " + folder.substr(slash + 1) + "\r\n";
        }
        data.Feed(listing);
        data.PeerClose();
        control.Feed("226 Done\r\n");
      } else if (verb == "STOR") {
        if (arg == refuse_stor) {
          control.Feed("553 Could not create file\r\n");
        } else {
          stores_.emplace_back(service_.Sockets().size() - 1, Resolve(arg));
          control.Feed("150 Send it\r\n");
          control.Feed("226 Stored\r\n");
        }
      } else if (verb == "REST") {
        if (!refuse_rest) rest_ = std::strtoll(arg.c_str(), nullptr, 10);
        control.Feed(refuse_rest ? "502 REST not implemented\r\n" : "350 Restarting\r\n");
      } else if (verb == "RETR") {
        Settle();
        auto it = files_.find(Resolve(arg));
        if (it == files_.end()) {
          control.Feed("550 No such file\r\n");
        } else {
          std::string content = it->second.substr(std::min<size_t>(rest_, it->second.size()));
          if (content.size() > cut_retr) content.resize(cut_retr);
          control.Feed("150 Here it comes\r\n");
          if (stall_retr) continue;
          FakeSocketState& data = *service_.Sockets().back();
          data.Feed(content);
          data.PeerClose();
          control.Feed("226 Done\r\n");
        }
        rest_ = 0;
      } else if (verb == "AUTH") {
        control.Feed(auth_reply);
      } else if (verb == "PBSZ" || verb == "PROT") {
        control.Feed("200 OK\r\n");
      } else if (verb == "QUIT") {
        control.Feed("221 Bye\r\n");
      } else {
        control.Feed("500 Unknown\r\n");
      }
    }
  }

  FakeSocketService& service_;
  std::set<std::string> folders_;
  std::map<std::string, std::string> files_;
  std::vector<std::pair<size_t, std::string>> stores_;
  std::string cwd_ = "/";
  int64_t rest_ = 0;
  std::string pending_;
  std::vector<std::string> commands_;
};

class FtpPublishTest : public ::testing::Test {
 protected:
  FtpPublishTest() : server_(service_), client_(service_) {
    request_.server.server_name = "ftp.example.com";
    request_.server.user_name = "user";
    request_.server.password = "pw";
    request_.server.use_pasv = true;
    request_.server.url_location = "webfolders/mypics1";
    request_.home_page = "webpages/index.html";
  }

  // Local files: two pictures, one page, one thumbnail.
  void MakeFiles() {
    request_.pictures = {dir_.WriteText("a.jpg", "AAAA"), dir_.WriteText("b.jpg", "BBBBBB")};
    request_.pages = {dir_.WriteText("webpages/index.html", "<html>")};
    request_.thumbs = {dir_.WriteText("webthumbs/WP_THUMB_0.JPG", "T0")};
    Combine();
  }
  void Combine() {
    request_.all = request_.pictures;
    request_.all.insert(request_.all.end(), request_.pages.begin(), request_.pages.end());
    request_.all.insert(request_.all.end(), request_.thumbs.begin(), request_.thumbs.end());
    states_.assign(request_.all.size(), "");
  }

  std::string Run() {
    PublishSink sink;
    sink.file_state = [this](size_t i, const std::string& s) { states_.at(i) = s; };
    sink.upload_list = [this](const std::string& line) { pane_.push_back(line); };
    sink.wait_second = [] { return true; };
    sink.certificate_accepted = [this](const std::string& f) { accepted_.push_back(f); };
    FtpPublishRun run(client_, ui_, sink);
    return run.Run(request_);
  }

  FakeSocketService service_;
  ScriptedServer server_;
  TFtpClient client_;
  fakes::FakeUi ui_;
  test_support::TempDir dir_;
  web::PublishRequest request_;
  std::vector<std::string> states_;
  std::vector<std::string> pane_;
  std::vector<std::string> accepted_;  // fingerprints the run asked to store
};

TEST(FtpPublishPaths, JoinedWithOneSlashAndEmptyPartsSkipped) {
  EXPECT_EQ(JoinServerPath("webfolders/mypics1", "webpages\\"), "webfolders/mypics1/webpages");
  EXPECT_EQ(JoinServerPath("webfolders/mypics1/", "/webthumbs"), "webfolders/mypics1/webthumbs");
  EXPECT_EQ(JoinServerPath("/", "webfolders\\mypics1"), "/webfolders/mypics1");
  EXPECT_EQ(JoinServerPath("", "a"), "a");
  EXPECT_EQ(JoinServerPath("/start", ""), "/start");
  EXPECT_EQ(ServerPathParts("/a//b/"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(UploadListEntry("photo.jpg", "20480", ""), "     20K  photo.jpg");
  EXPECT_EQ(UploadListEntry("sub", "0", "<DIR>"), " <DIR>    sub");
}

// A first publish to an empty server: the question, the folder chain made part by part, one
// login per group in order, every file on the server, and the home address.
TEST_F(FtpPublishTest, FirstPublishMakesTheFoldersAndUploadsEachGroupOnItsOwnLogin) {
  MakeFiles();
  ui_.QueueAnswer(Answer::kYes);
  const std::string home = Run();
  EXPECT_EQ(home, "/webfolders/mypics1/webpages/index.html");
  ASSERT_GE(ui_.calls().size(), 2u);
  EXPECT_EQ(ui_.calls()[0].text,
            "Folder doesn't exist on WEB SERVER:\r\r/webfolders/mypics1\r\rOR, You have entered "
            "the text in the wrong case, try lower case letters.\r\rOR, This is the FIRST time you "
            "are uploading to the folder and NEED to create the folder!");
  EXPECT_EQ(ui_.calls()[1].text, "Do you wish to make the folder now?\r\r/webfolders/mypics1");
  EXPECT_EQ(ui_.calls().size(), 2u) << "the sub-folders are made without asking";
  EXPECT_EQ(server_.Count("USER"), 3);
  EXPECT_EQ(server_.Count("QUIT"), 3);
  // The chain: root, then each part entered or made.
  const std::vector<std::string>& c = server_.commands();
  const std::vector<std::string> chain = {"CWD /webfolders/mypics1", "CWD /", "CWD webfolders",
                                          "MKD webfolders", "CWD webfolders", "CWD mypics1",
                                          "MKD mypics1", "CWD mypics1", "TYPE I"};
  ASSERT_GE(c.size(), 2 + chain.size());
  EXPECT_EQ(std::vector<std::string>(c.begin() + 2, c.begin() + 2 + chain.size()), chain);
  EXPECT_EQ(server_.FileAt("/webfolders/mypics1/a.jpg"), "AAAA");
  EXPECT_EQ(server_.FileAt("/webfolders/mypics1/b.jpg"), "BBBBBB");
  EXPECT_EQ(server_.FileAt("/webfolders/mypics1/webpages/index.html"), "<html>");
  EXPECT_EQ(server_.FileAt("/webfolders/mypics1/webthumbs/WP_THUMB_0.JPG"), "T0");
  for (const std::string& s : states_) EXPECT_EQ(s, kUploadDone);
  ASSERT_GE(pane_.size(), 6u);
  EXPECT_EQ(pane_[0], "There are 3 parts to this list");
  EXPECT_EQ(pane_[4], "File(s) in upload folder follows:");
  EXPECT_EQ(pane_[5], "NO FILES, or Folder path is invalid/non-existant!");
}

// With TLS on, a server that refuses AUTH TLS hears no USER. One that takes it shows an untrusted
// certificate: refused, still no USER; accepted, its fingerprint goes to the sink once and the
// other groups' logins take it silently; every data connection is protected and offered the
// control connection's TLS session.
TEST_F(FtpPublishTest, TlsRefusedAuthSendsNoUserAndAnAcceptedCertificateIsAskedOnce) {
  server_.AddFolder("/webfolders");
  server_.AddFolder("/webfolders/mypics1");
  MakeFiles();
  request_.use_tls = true;
  EXPECT_EQ(Run(), kNoFilesUploaded);
  EXPECT_EQ(server_.Count("AUTH TLS"), 1);
  EXPECT_EQ(server_.Count("USER"), 0);
  EXPECT_NE(ui_.last().text.find("refused AUTH TLS (500 Unknown)"), std::string::npos)
      << ui_.last().text;

  server_.auth_reply = "234 Go ahead\r\n";
  service_.Sockets().at(0)->tls_peer = {false, "The certificate is self-signed", "AB:CD", "x"};
  ui_.Clear();
  ui_.QueueChoice(2);  // Refuse
  EXPECT_EQ(Run(), kNoFilesUploaded);
  EXPECT_EQ(server_.Count("USER"), 0);
  ASSERT_EQ(ui_.calls().size(), 2u);
  EXPECT_EQ(ui_.calls()[0].type, fakes::UiCall::Type::kChoice);
  EXPECT_NE(ui_.calls()[0].text.find("self-signed"), std::string::npos);
  EXPECT_NE(ui_.calls()[0].text.find("AB:CD"), std::string::npos);
  EXPECT_TRUE(accepted_.empty());

  ui_.Clear();
  ui_.QueueChoice(1);  // Accept
  EXPECT_EQ(Run(), "/webfolders/mypics1/webpages/index.html");
  EXPECT_EQ(ui_.calls().size(), 1u) << "asked once for three logins";
  EXPECT_EQ(accepted_, std::vector<std::string>{"AB:CD"});
  EXPECT_EQ(server_.Count("USER"), 3);
  EXPECT_EQ(server_.Count("PBSZ 0"), 3);
  EXPECT_EQ(server_.Count("PROT P"), 3);
  EXPECT_EQ(server_.FileAt("/webfolders/mypics1/webthumbs/WP_THUMB_0.JPG"), "T0");
  EXPECT_EQ(service_.Sockets().at(0)->tls_peer_name, "ftp.example.com");
  int data_connections = 0;
  for (const auto& socket : service_.Sockets()) {
    if (socket->index == 0 || socket->connect_port == 0) continue;
    ++data_connections;
    EXPECT_TRUE(socket->tls_started) << "data connection " << socket->index << " in the clear";
    EXPECT_EQ(socket->tls_offered_session, "session-1");
  }
  EXPECT_GE(data_connections, 7);  // three listings and four uploads
}

TEST_F(FtpPublishTest, NoToTheFolderQuestionOrAFailedMkdEndsTheRun) {
  MakeFiles();
  ui_.QueueAnswer(Answer::kNo);
  EXPECT_EQ(Run(), kNoFilesUploaded);
  EXPECT_EQ(server_.Count("USER"), 1);
  EXPECT_EQ(server_.Count("MKD"), 0);
  EXPECT_EQ(server_.Count("STOR"), 0);
  for (const std::string& s : states_) EXPECT_EQ(s, kWaitingToUpload);

  ui_.Clear();
  server_.refuse_mkd = true;
  ui_.QueueAnswer(Answer::kYes);
  EXPECT_EQ(Run(), kNoFilesUploaded);
  EXPECT_EQ(ui_.last().text, "Folder(s) can't be created on WEB Server:\r\r/webfolders/mypics1");
  EXPECT_EQ(server_.Count("USER"), 2) << "the run ended with the pictures group";
  EXPECT_EQ(server_.Count("STOR"), 0);
}

TEST_F(FtpPublishTest, EmptyListsSkipTheirGroupsAndNothingAtAllGivesTheNoFilesText) {
  server_.AddFolder("/webfolders");
  server_.AddFolder("/webfolders/mypics1");
  MakeFiles();
  request_.pages.clear();
  Combine();
  EXPECT_EQ(Run(), "/webfolders/mypics1/webpages/index.html");
  EXPECT_EQ(server_.Count("USER"), 2);
  EXPECT_EQ(server_.Count("CWD /webfolders/mypics1/webpages"), 0);
  EXPECT_TRUE(ui_.calls().empty()) << "the web folder exists: nothing to ask";

  request_.pictures.clear();
  request_.thumbs.clear();
  Combine();
  EXPECT_EQ(Run(), kNoFilesUploaded);
  EXPECT_EQ(server_.Count("USER"), 2) << "no login at all";
}

TEST_F(FtpPublishTest, AFailedUploadSkipsTheRestAndGivesNoAddress) {
  server_.AddFolder("/webfolders");
  server_.AddFolder("/webfolders/mypics1");
  MakeFiles();
  server_.refuse_stor = "a.jpg";
  ui_.QueueChoice(1);
  EXPECT_EQ(Run(), kNoFilesUploaded);
  EXPECT_EQ(states_[0], kNotUploaded);
  EXPECT_EQ(states_[1], kWaitingToUpload);
  EXPECT_EQ(states_[2], kWaitingToUpload);
  EXPECT_EQ(server_.Count("USER"), 1);
  EXPECT_EQ(server_.Count("QUIT"), 1) << "the session still ends politely";
  ASSERT_EQ(ui_.calls().size(), 2u);
  EXPECT_EQ(ui_.calls()[0].title, "Error Uploading File...");
  EXPECT_EQ(ui_.calls()[0].captions, (std::vector<std::string>{"+OK", "OK TO ALL"}));
  EXPECT_EQ(ui_.calls()[1].text,
            "Some files didn't upload properly! Any other files that may need to be uploaded "
            "will now be skipped.");
}

// Mode 5 skips what the server holds at full size and sends a file left short again; the other
// modes ask, and a "to all" answer holds for the rest of the run.
TEST_F(FtpPublishTest, NeededOnlySkipsCompleteFilesAndOverwriteAnswersHoldToAll) {
  server_.AddFolder("/webfolders");
  server_.AddFolder("/webfolders/mypics1");
  server_.AddFolder("/webfolders/mypics1/webpages");
  server_.AddFolder("/webfolders/mypics1/webthumbs");
  server_.AddFile("/webfolders/mypics1/A.JPG", "AAAA");  // same size, other case
  server_.AddFile("/webfolders/mypics1/b.jpg", "BB");    // cut short by an earlier run
  MakeFiles();
  request_.mode = web::kUploadNeeded;
  EXPECT_EQ(Run(), "/webfolders/mypics1/webpages/index.html");
  EXPECT_EQ(states_[0], kSkippedOnSite);
  EXPECT_EQ(states_[1], kUploadDone);
  EXPECT_EQ(server_.FileAt("/webfolders/mypics1/b.jpg"), "BBBBBB");
  EXPECT_TRUE(ui_.calls().empty());

  request_.mode = web::kUploadAll;
  ui_.QueueAnswer(Answer::kNoToAll);
  const int stores = server_.Count("STOR");
  EXPECT_EQ(Run(), kNoFilesUploaded) << "nothing was uploaded";
  EXPECT_EQ(server_.Count("STOR"), stores);
  EXPECT_EQ(ui_.calls().size(), 1u) << "one question for the whole run";
  EXPECT_EQ(ui_.calls()[0].text,
            "File already exists on the Web Server at:\r\r/webfolders/mypics1\r\rFileName:a.jpg"
            "\r\rDo you wish to overwrite existing file(s)?");
  for (const std::string& s : states_) EXPECT_EQ(s, kSkippedByUser);
}

class FtpSitesTest : public ::testing::Test {
 protected:
  test_support::TempDir dir_;
  std::string path_ = dir_.File("LSFTP.INI");
};

TEST_F(FtpSitesTest, ProfilesRoundTripWithDefaultsQuotedDescriptionAndOwnerOnlyFile) {
  FtpSites sites(path_);
  EXPECT_TRUE(sites.Names().empty());
  EXPECT_EQ(sites.Add(), "New FTP Site");
  EXPECT_EQ(sites.Add(), "New FTP Site 2");
  const FtpSite fresh = sites.Read("New FTP Site");
  EXPECT_EQ(fresh.proxy_port, "21");
  EXPECT_EQ(fresh.login_attempts, 1);
  EXPECT_EQ(fresh.login_delay, 1);
  EXPECT_FALSE(fresh.use_tls);

  FtpSite site;
  site.name = "New FTP Site";
  site.server_name = "ftp.example.com";
  site.starting_path = "/htdocs";
  site.web_folder = "webfolders/mypics1";
  site.user_name = "me";
  site.password = "p\xE9ss, \"word\"";
  site.use_proxy = true;
  site.proxy_server = "proxy";
  site.proxy_port = "2121";
  site.description = "  Home, garden, and \"more\"  ";
  site.use_pasv = true;
  site.login_attempts = 7;
  site.login_delay = 4;
  ASSERT_TRUE(sites.Save(site));
  struct stat st {};
  ASSERT_EQ(::stat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  FtpSites again(path_);
  EXPECT_EQ(again.Names(), (std::vector<std::string>{"New FTP Site 2", "New FTP Site"}));
  EXPECT_EQ(again.Read("New FTP Site"), site);
  std::ifstream in(path_, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("Description=\"  Home, garden, and \"more\"  \""), std::string::npos);
  EXPECT_EQ(text.find("ss, \\\"word"), std::string::npos) << "the password is stored scrambled";
  EXPECT_NE(text.find("LogInAttempts_Delay=4"), std::string::npos);
}

TEST_F(FtpSitesTest, RenameRefusesTakenAndUnwritableNamesAndEraseRemoves) {
  FtpSites sites(path_);
  sites.Add();
  sites.Add();
  EXPECT_EQ(sites.Rename("New FTP Site", "new ftp site 2"), SiteNameCheck::kTaken);
  EXPECT_EQ(sites.Rename("New FTP Site", "a[b"), SiteNameCheck::kBadCharacters);
  EXPECT_EQ(sites.Rename("New FTP Site", "a\nb"), SiteNameCheck::kBadCharacters);
  EXPECT_EQ(sites.Rename("New FTP Site", " lead"), SiteNameCheck::kBadCharacters);
  EXPECT_EQ(sites.Rename("New FTP Site", ""), SiteNameCheck::kEmpty);
  EXPECT_EQ(sites.Rename("New FTP Site", "NEW FTP SITE"), SiteNameCheck::kOk) << "its own name";
  EXPECT_EQ(SiteNameMessage(SiteNameCheck::kTaken),
            "You can NOT name a profile the same as an Existing one!");
  EXPECT_EQ(sites.Rename("New FTP Site 2", "Work"), SiteNameCheck::kOk);
  EXPECT_TRUE(sites.Erase("NEW FTP SITE"));
  EXPECT_EQ(FtpSites(path_).Names(), (std::vector<std::string>{"Work"}));
}

// A transfer job's run: a download the server ends early is never "Complete!" and its partial
// file stays; a refused restart falls back to the whole file after the notice.
TEST_F(FtpPublishTest, DownloadJobChecksCompletenessAndFallsBackFromARefusedResume) {
  const std::string content(5000, 'z');
  server_.AddFolder("/pub");
  server_.AddFile("/pub/big.bin", content);
  FtpTransferJob job;
  job.server_name = "ftp.example.com";
  job.user_name = "user";
  job.password = "pw";
  job.passive = true;
  job.remote_folder = "/pub";
  job.remote_file = "big.bin";
  job.local_path = dir_.File("big.bin");
  job.size = 5000;
  job.size_known = true;
  std::vector<std::string> texts;
  int notices = 0;
  TransferHooks hooks;
  hooks.status = [&texts](const std::string& t) { texts.push_back(t); };
  hooks.wait_notice = [&notices] { ++notices; };

  server_.cut_retr = 1200;
  EXPECT_EQ(RunTransferJob(client_, job, hooks), TransferResult::kFailed);
  EXPECT_EQ(texts.back(), "Couldn't finish Download:big.bin");
  EXPECT_EQ(std::filesystem::file_size(job.local_path), 1200u) << "kept for a resume";
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Downloading in progress...{BINARY}"),
            texts.end());

  server_.cut_retr = std::string::npos;
  server_.refuse_rest = true;
  job.resume = true;
  texts.clear();
  EXPECT_EQ(RunTransferJob(client_, job, hooks), TransferResult::kDone);
  EXPECT_EQ(notices, 1);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Resume mode not support by site..."),
            texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Downloading ENTIRE file now..."), texts.end());
  EXPECT_EQ(texts.back(), "Download Complete!");
  std::ifstream in(job.local_path, std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()),
            content);

  // A data connection that opens and then stalls ends as a failure at the time-out (simulated
  // time here), the file kept for a resume.
  server_.stall_retr = true;
  job.resume = false;
  texts.clear();
  EXPECT_EQ(RunTransferJob(client_, job, hooks), TransferResult::kFailed);
  EXPECT_EQ(client_.ErrorMessage(), "426 Timeout");
  EXPECT_EQ(texts.back(), "Couldn't finish Download:big.bin");
  server_.stall_retr = false;
  job.resume = true;

  // A resume the server accepts appends the rest to the partial file.
  server_.refuse_rest = false;
  std::filesystem::resize_file(job.local_path, 3000);
  EXPECT_EQ(RunTransferJob(client_, job, hooks), TransferResult::kDone);
  EXPECT_EQ(std::filesystem::file_size(job.local_path), 5000u);
  EXPECT_EQ(server_.commands().back(), "QUIT");
  EXPECT_EQ(server_.Count("REST 3000"), 1) << "the server was asked for the rest only";
  EXPECT_EQ(notices, 1);
}

TEST(FtpToolRules, DescriptionFilesTypesFolderNamesAndLocalNames) {
  for (const char* name : {"00-index.txt", "INDEX", "000_Index.TXT", "00index"}) {
    EXPECT_TRUE(IsDescriptionFileName(name)) << name;
  }
  for (const char* name : {"index.html", "0index.txt", "readme.txt"}) {
    EXPECT_FALSE(IsDescriptionFileName(name)) << name;
  }
  const std::vector<std::string> lines = {"README    First read me",
                                          "PHOTO.JPG  Holiday",
                                          "photo.jpg.bak  old copy",
                                          "big.zip   All the",
                                          "  pictures at once ",
                                          "\tand more",
                                          "",
                                          "  not this"};
  EXPECT_EQ(DescriptionOf(lines, "photo.jpg"), "Holiday");
  EXPECT_EQ(DescriptionOf(lines, "big.zip"), "All thepictures at onceand more");
  EXPECT_EQ(DescriptionOf(lines, "missing"), "");
  EXPECT_TRUE(AutoTransferIsAscii("notes.Txt"));
  EXPECT_TRUE(AutoTransferIsAscii("READ.ME"));
  EXPECT_FALSE(AutoTransferIsAscii("photo.jpg"));
  EXPECT_FALSE(AutoTransferIsAscii("text"));
  EXPECT_EQ(FilterFolderName("my pics!/2024_~a\\b"), "mypics/2024_~a\\b");
  for (const char* bad : {"", ".", "..", "a/b", "a\\b"}) EXPECT_FALSE(SafeLocalName(bad)) << bad;
  EXPECT_FALSE(SafeLocalName(std::string("a\0b", 3)));
  EXPECT_TRUE(SafeLocalName("..hidden"));
  EXPECT_TRUE(ResourcesLow({31, 1 << 20}));
  EXPECT_TRUE(ResourcesLow({1000, 32 * 1024 - 1}));
  EXPECT_FALSE(ResourcesLow({32, 32 * 1024}));
  EXPECT_FALSE(ResourcesLow({-1, -1})) << "unknown figures never block";
  test_support::TempDir dir;
  const SystemResources measured =
      MeasureResources(dir.WriteText("meminfo", "MemTotal: 1000 kB\nMemAvailable:   123456 kB\n"));
  EXPECT_EQ(measured.mem_available_kb, 123456);
  EXPECT_GT(measured.free_descriptors, 0);
}

}  // namespace
}  // namespace vr::ftp
