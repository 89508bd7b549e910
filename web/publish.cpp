#include "web/publish.h"

#include <cstdio>
#include <set>

#include "platform/path_rules.h"
#include "web/html_text.h"

namespace vr::web {
namespace {

// Resolves a relative reference of a page in "webpages" against the Web Folder.
std::string Resolve(const WebFolder& folder, std::string ref) {
  std::string base = folder.pages;
  while (ref.rfind("../", 0) == 0) {
    ref.erase(0, 3);
    base = folder.root;
  }
  return base + DecodeUrlPath(ref);
}

}  // namespace

PublishRequest BuildPublishRequest(const WebFolder& folder, const WebOptions& options,
                                   const ServerInfo& server, int mode, platform::Files& files) {
  PublishRequest request;
  const UploadLists lists = UploadFiles(folder, mode, files);
  request.server = server;
  request.use_tls = server.use_tls;
  request.tls_fingerprint = server.tls_fingerprint;
  request.pictures = lists.pictures;
  request.pages = lists.pages;
  request.thumbs = lists.thumbs;
  request.all = lists.All();
  request.web_folder = folder.root;
  request.mode = mode;
  request.home_page = std::string(kPagesFolder) + "/" + options.index_name;
  return request;
}

std::vector<std::string> BrokenLinks(const WebFolder& folder, const PublishRequest& request) {
  std::set<std::string> seen;
  std::vector<std::string> missing;
  for (const std::string& page : request.pages) {
    const std::string upper = platform::UpperAscii(page);
    if (!upper.ends_with(".HTML") && !upper.ends_with(".HTM")) continue;
    const std::string text = ReadTextFile(page);
    for (const char* attribute : {"href=\"", "SRC=\"", "background=\""}) {
      size_t at = 0;
      while ((at = text.find(attribute, at)) != std::string::npos) {
        at += std::char_traits<char>::length(attribute);
        const size_t end = text.find('"', at);
        if (end == std::string::npos) break;
        const std::string ref = text.substr(at, end - at);
        at = end;
        if (ref.empty() || ref.find("://") != std::string::npos || ref[0] == '#' ||
            ref.rfind("mailto:", 0) == 0) {
          continue;
        }
        const std::string path = Resolve(folder, ref);
        if (seen.insert(path).second) {
          FILE* f = std::fopen(path.c_str(), "rb");
          if (f == nullptr) {
            missing.push_back(ref);
          } else {
            std::fclose(f);
          }
        }
      }
    }
  }
  return missing;
}

bool PublishPages(const WebFolder& folder, const WebOptions& options, int mode,
                  WebPublisher& publisher, platform::Files& files, const PublishHooks& hooks) {
  if (mode == kOpenFtpTool) {
    publisher.OpenTool();
    return true;
  }
  ServerInfo server;
  LoadWebOptions(folder, &server);
  if (server.server_name.empty()) {
    std::optional<ServerInfo> asked = publisher.AskServerInfo(folder.root);
    if (!asked) return false;
    server.server_name = asked->server_name;
    server.url_location = asked->url_location;
    server.user_name = asked->user_name;
    server.password = asked->password;
    server.use_proxy = asked->use_proxy;
    server.use_pasv = asked->use_pasv;
    server.proxy_server = asked->proxy_server;
    server.proxy_port = asked->proxy_port;
    server.start_path.clear();
    server.anonymous = false;
    SaveWebOptions(folder, LoadWebOptions(folder), server);
  }
  while (publisher.IsOpen()) {
    if (!hooks.close_ftp_window || !hooks.close_ftp_window()) return false;
    publisher.Close();
  }
  const PublishRequest request = BuildPublishRequest(folder, options, server, mode, files);
  const std::vector<std::string> missing = BrokenLinks(folder, request);
  if (!missing.empty() && hooks.broken_links && !hooks.broken_links(missing)) return false;
  const std::string home = publisher.Publish(request);
  LoadWebOptions(folder, &server);
  if (hooks.inform) {
    hooks.inform("If you UPLOADED the files, please keep in mind that the HOME PAGE should be "
                 "located at:\r\r" + home);
  }
  return true;
}

}  // namespace vr::web
