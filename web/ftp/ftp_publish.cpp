#include "web/ftp/ftp_publish.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/path_rules.h"
#include "web/ftp/listing/ftp_listing.h"

namespace vr::ftp {
namespace {

std::string Slashes(std::string text) {
  std::replace(text.begin(), text.end(), '\\', '/');
  return text;
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A listed size as a number; false when the listing gave none.
bool ListedSize(const std::string& text, int64_t* size) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
  *size = std::strtoll(text.c_str(), nullptr, 10);
  return true;
}

}  // namespace

std::string JoinServerPath(const std::string& a, const std::string& b) {
  std::string left = Slashes(a);
  std::string right = Slashes(b);
  while (!right.empty() && right.back() == '/' && right.size() > 1) right.pop_back();
  if (right == "/") right.clear();
  if (left.empty()) return right;
  if (right.empty()) return left;
  while (!left.empty() && left.back() == '/') left.pop_back();
  size_t skip = 0;
  while (skip < right.size() && right[skip] == '/') ++skip;
  return left + "/" + right.substr(skip);
}

std::vector<std::string> ServerPathParts(const std::string& path) {
  std::vector<std::string> parts;
  const std::string text = Slashes(path);
  size_t at = 0;
  while (at <= text.size()) {
    const size_t end = std::min(text.find('/', at), text.size());
    if (end > at) parts.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return parts;
}

std::string ServerKindText(int listing_style) {
  switch (listing_style) {
    case kListingUnix:
      return "Unix Server";
    case kListingDos:
      return "DOS/Windows Server";
    case kListingVms:
      return "VMS MultiNet Server";
    case kListingAs400:
      return "AS-400 Server";
    default:
      return "";
  }
}

std::string UploadListEntry(const std::string& name, const std::string& size,
                            const std::string& kind) {
  if (kind == "<DIR>") return " <DIR>    " + name;
  int64_t bytes = 0;
  ListedSize(size, &bytes);
  std::string kb = std::to_string(bytes / 1024) + "K";
  if (kb.size() < 8) kb.insert(0, 8 - kb.size(), ' ');
  return kb + "  " + name;
}

FtpPublishRun::FtpPublishRun(TFtpClient& client, platform::Ui& ui, PublishSink sink)
    : client_(client), ui_(ui), sink_(std::move(sink)), overwrite_(ui) {}

void FtpPublishRun::State(size_t index, const std::string& text) {
  if (sink_.file_state) sink_.file_state(index, text);
}

void FtpPublishRun::Status(const std::string& text) {
  if (sink_.status) sink_.status(text);
}

void FtpPublishRun::Abort() {
  // The client's wait sees the flag on its next pass and aborts the request under way there,
  // never from inside one of its own events.
  if (running_) aborted_ = true;
}

std::string FtpPublishRun::Run(const web::PublishRequest& request, int login_attempts,
                               int login_delay) {
  const web::ServerInfo& server = request.server;
  login_ = FtpLogin{};
  login_.server_name = server.server_name;
  login_.user_name = server.user_name;
  login_.password = server.password;
  login_.anonymous = server.anonymous;
  login_.use_proxy = server.use_proxy;
  login_.proxy_server = server.proxy_server;
  login_.proxy_port = server.proxy_port.empty() ? std::string("21") : server.proxy_port;
  login_.passive = server.use_pasv;
  login_.attempts = login_attempts;
  login_.delay = login_delay;
  login_.socks = socks_;
  login_.use_tls = request.use_tls;
  login_.tls_fingerprint = request.tls_fingerprint;
  // An empty start path starts the folder chain at the server's root.
  start_path_ = server.start_path.empty() ? std::string("/") : Slashes(server.start_path);
  running_ = true;
  aborted_ = failed_ = ok_to_all_ = completed_ = false;
  uploaded_ = 0;
  overwrite_.Reset();
  file_number_ = 0;
  file_count_ = request.pictures.size() + request.pages.size() + request.thumbs.size();

  for (size_t i = 0; i < request.all.size(); ++i) State(i, kWaitingToUpload);
  if (sink_.upload_list) {
    for (const char* line :
         {"There are 3 parts to this list", "1. Files currently in upload folder on FTP site.",
          "2. Files currently in webpages\\ folder on FTP site.",
          "2. Files currently in webthumbs\\ folder on FTP site."}) {
      sink_.upload_list(line);
    }
  }

  const std::string d = Slashes(server.url_location);
  const Group groups[] = {
      {&request.pictures, d, 0, "File(s) in upload folder follows:"},
      {&request.pages, JoinServerPath(d, "webpages"), request.pictures.size(),
       "File(s) in webpages\\ folder follows:"},
      {&request.thumbs, JoinServerPath(d, "webthumbs"),
       request.pictures.size() + request.pages.size(), "File(s) in webthumbs\\ folder follows:"},
  };
  // A progress event moves the status line on; the window's own client reports nothing else.
  std::function<bool()> outer_stop = client_.StopCheck;
  client_.StopCheck = [this, outer_stop] { return aborted_ || (outer_stop && outer_stop()); };
  client_.OnProgress = [this](int64_t count, bool&) {
    Status(std::string(client_.Binary() ? "(BINARY)" : "(ASCII)") + ":[" +
           std::to_string(file_number_) + " of " + std::to_string(file_count_) + "] " +
           current_name_ + ": sent:" + std::to_string(count / 1024) + "K of " +
           std::to_string(current_size_ / 1024) + "K");
  };
  bool go_on = true;
  for (size_t g = 0; g < 3 && go_on; ++g) {
    if (groups[g].files->empty()) continue;
    go_on = RunGroup(request, groups[g], g == 0);
  }
  client_.OnProgress = nullptr;
  client_.StopCheck = outer_stop;
  running_ = false;
  completed_ = go_on && !failed_;
  if (failed_) {
    ui_.Warning("Some files didn't upload properly! Any other files that may need to be "
                "uploaded will now be skipped.");
    Status("SOME Files didn't UPLOADED!");
  }
  if (uploaded_ == 0 || failed_ || !go_on) return kNoFilesUploaded;
  return Slashes(JoinServerPath(JoinServerPath(start_path_, d), request.home_page));
}

bool FtpPublishRun::Login() {
  LoginHooks hooks;
  hooks.status = [this](const std::string& text) { Status(text); };
  hooks.wait_second = sink_.wait_second;
  hooks.certificate = [this](const std::string& question, const platform::TlsPeer& peer) {
    if (!AskAboutCertificate(ui_, question)) return false;
    // The groups that follow log in again: they take the accepted certificate without asking.
    login_.tls_fingerprint = peer.fingerprint;
    if (sink_.certificate_accepted) sink_.certificate_accepted(peer.fingerprint);
    return true;
  };
  if (LoginWithAttempts(client_, login_, hooks)) return true;
  if (sink_.last_error) sink_.last_error("Last Error:Couldn't connect to the server.");
  Status("NOT CONNECTED");
  if (!aborted_) {
    const std::string detail = LoginFailureDetail(client_);
    ui_.Error("Could NOT connect to " + LoginHost(login_) + "\r\r" +
              "Maybe you are NOT connected to the Internet, or maybe you supplied the wrong "
              "username or password or web server address." +
              (detail.empty() ? std::string() : "\r\r" + detail) + "\r\r" +
              "You can click on the \"SETTINGS\" tab to change your settings.");
  }
  return false;
}

bool FtpPublishRun::MakeFolders(const std::string& path) {
  client_.SetHostDirName(start_path_);
  bool ok = client_.Cwd();
  for (const std::string& part : ServerPathParts(path)) {
    if (!ok || aborted_) break;
    client_.SetHostDirName(part);
    if (client_.Cwd()) continue;
    client_.SetHostFileName(part);
    ok = client_.Mkd() && client_.Cwd();
  }
  if (ok && !aborted_) return true;
  ui_.Error("Folder(s) can't be created on WEB Server:\r\r" + path);
  return false;
}

bool FtpPublishRun::EnterFolder(const std::string& path, bool ask) {
  client_.SetHostDirName(path);
  if (client_.Cwd()) return true;
  if (aborted_ || !client_.Connected()) return false;
  if (ask) {
    ui_.Warning("Folder doesn't exist on WEB SERVER:\r\r" + path + "\r\r" +
                "OR, You have entered the text in the wrong case, try lower case letters." +
                "\r\r" +
                "OR, This is the FIRST time you are uploading to the folder and NEED to create "
                "the folder!");
    if (!ui_.AskYesNo("Do you wish to make the folder now?\r\r" + path)) return false;
  }
  return MakeFolders(path);
}

bool FtpPublishRun::ListFolder(const Group& group, std::map<std::string, Listed>* names) {
  std::vector<std::string> lines;
  client_.SetDisplayFileFlag(true);
  client_.SetHostFileName("");
  client_.OnDisplayFile = [&lines](const std::string& line) { lines.push_back(line); };
  Status("Getting files list from:" + group.folder + " *.*");
  const bool ok = client_.Dir();
  client_.OnDisplayFile = nullptr;
  client_.SetDisplayFileFlag(false);
  if (sink_.upload_list) sink_.upload_list(group.heading);
  if (!ok) {
    if (sink_.last_error) sink_.last_error("Last Error:Couldn't get the list of files/folders.");
    if (sink_.upload_list) sink_.upload_list("NO FILES, or Folder path is invalid/non-existant!");
    return !aborted_ && client_.Connected();
  }
  std::vector<std::string> sizes, kinds, links, dates, times;
  const int style = ParseFtpListing(lines, sizes, kinds, links, dates, times);
  Status(ServerKindText(style));
  int shown = 0;
  for (size_t k = 0; k < lines.size(); ++k) {
    if (!links[k].empty()) Status("Resolving LINK [" + std::to_string(k) + "]: " + lines[k]);
    (*names)[platform::UpperAscii(lines[k])] = Listed{sizes[k], kinds[k] == "<DIR>"};
    if (lines[k].empty() || lines[k][0] == '.') continue;
    if (sink_.upload_list) sink_.upload_list(UploadListEntry(lines[k], sizes[k], kinds[k]));
    ++shown;
  }
  if (shown == 0 && sink_.upload_list) {
    sink_.upload_list("NO FILES, or Folder path is invalid/non-existant!");
  }
  return true;
}

bool FtpPublishRun::UploadOne(const web::PublishRequest& request, const std::string& local,
                              const std::string& folder, size_t index,
                              const std::map<std::string, Listed>& names) {
  State(index, kUploading);
  ++file_number_;
  const std::string name = BaseName(local);
  std::error_code ec;
  const auto local_size = std::filesystem::file_size(local, ec);
  const auto it = names.find(platform::UpperAscii(name));
  if (it != names.end() && !it->second.folder) {
    if (request.mode == web::kUploadNeeded) {
      // A file an interrupted run left short on the server is sent again; only a listing
      // without sizes has to be taken at its word.
      int64_t listed = 0;
      if (!ListedSize(it->second.size, &listed) ||
          (!ec && listed == static_cast<int64_t>(local_size))) {
        State(index, kSkippedOnSite);
        return true;
      }
    } else {
      const platform::Answer answer = overwrite_.Ask(
          platform::MessageKind::kQuestion, "Confirm",
          "File already exists on the Web Server at:\r\r" + folder + "\r\r" + "FileName:" +
              name + "\r\r" + "Do you wish to overwrite existing file(s)?");
      if (answer == platform::Answer::kNo || answer == platform::Answer::kNoToAll) {
        State(index, kSkippedByUser);
        return true;
      }
    }
  }
  current_name_ = name;
  current_size_ = ec ? 0 : static_cast<int64_t>(local_size);
  client_.SetHostFileName(name);
  client_.SetLocalFileName(local);
  bool ok = false;
  try {
    ok = !aborted_ && client_.Put();
  } catch (const FtpException&) {
    ok = false;
  }
  if (ok) {
    State(index, kUploadDone);
    ++uploaded_;
    return true;
  }
  State(index, kNotUploaded);
  failed_ = true;
  if (!ok_to_all_) {
    const int pressed = ui_.Choice(
        "Error Uploading File...", platform::ChoiceKind::kError,
        "Error uploading the following file:\r\r" + local + "\r\r" +
            "To the Internet WEB Server to folder:" + "\r\r" + folder + "\r\r" +
            "Maybe the server is out of disk space, or maybe the file you are uploading doesn't "
            "exists, OR you may have ABORTED the upload process!",
        {"+OK", "OK TO ALL"});
    if (pressed == 2) ok_to_all_ = true;
  }
  return false;
}

void FtpPublishRun::Disconnect() {
  Status("DISCONNECTING:");
  if (!client_.Connected()) return;
  if (!client_.Quit() && client_.Connected()) client_.Abort();
}

bool FtpPublishRun::RunGroup(const web::PublishRequest& request, const Group& group,
                             bool pictures) {
  if (aborted_ || !Login()) return false;
  const std::string path = JoinServerPath(start_path_, group.folder);
  bool go_on = EnterFolder(path, pictures);
  std::map<std::string, Listed> names;
  if (go_on) go_on = client_.TypeBinary();
  if (go_on) go_on = ListFolder(group, &names);
  for (size_t i = 0; go_on && i < group.files->size(); ++i) {
    if (aborted_) {
      go_on = false;
      break;
    }
    go_on = UploadOne(request, (*group.files)[i], path, group.first_index + i, names);
  }
  Disconnect();
  return go_on && !aborted_;
}

}  // namespace vr::ftp
