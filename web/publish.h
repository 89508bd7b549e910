#pragma once
// The hand-off from the web page wizard to publishing. The wizard builds a PublishRequest from the
// Web Folder and its "WebServerInfo" and gives it to a WebPublisher, which the FTP window
// implements; until one is installed the wizard's publish entries stay disabled.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "web/web_folder.h"
#include "web/web_options.h"

namespace vr::web {

// Everything the FTP window receives for upload modes 1-5 (the password in plain text).
struct PublishRequest {
  ServerInfo server;
  std::vector<std::string> all;       // pictures, then page files, then thumbnails
  std::vector<std::string> pictures;  // each list sorted, full paths
  std::vector<std::string> pages;
  std::vector<std::string> thumbs;
  std::string web_folder;
  int mode = kUploadAll;
  std::string home_page;  // relative to the Web Folder: "webpages/" + home page name
  bool use_tls = false;         // explicit FTP over TLS
  std::string tls_fingerprint;  // an untrusted certificate accepted before (SHA-256)
};

class WebPublisher {
 public:
  virtual ~WebPublisher() = default;
  // Whether the FTP window is open now, and closing it (false when it stays open).
  virtual bool IsOpen() = 0;
  virtual bool Close() = 0;
  // The server dialog for a Web Folder; nothing when cancelled.
  virtual std::optional<ServerInfo> AskServerInfo(const std::string& web_folder) = 0;
  // Shows the FTP window with the request (modal); gives the address of the home page.
  virtual std::string Publish(const PublishRequest& request) = 0;
  // The FTP tool on its own (mode 7).
  virtual void OpenTool() = 0;
};

// What publishing asks of the user.
struct PublishHooks {
  // "FTP Web Publishing window is STILL open": true for "Close FTP Window & Continue".
  std::function<bool()> close_ftp_window;
  // The closing information after the question sound.
  std::function<void(const std::string&)> inform;
  // References in the pages that name no file; true to publish anyway.
  std::function<bool(const std::vector<std::string>& missing)> broken_links;
};

// The request of an upload mode, from the folder's files and server facts.
PublishRequest BuildPublishRequest(const WebFolder& folder, const WebOptions& options,
                                   const ServerInfo& server, int mode, platform::Files& files);

// References (href and SRC) of the pages in `request` that name no file of the Web Folder.
std::vector<std::string> BrokenLinks(const WebFolder& folder, const PublishRequest& request);

// Publishing: the lists, the server dialog when no server is known (its answer stored in
// "WebInfo.INI"), the still-open window, the link check, the FTP window, the server facts read
// again, and where the home page now lives. False when the user stopped it.
bool PublishPages(const WebFolder& folder, const WebOptions& options, int mode,
                  WebPublisher& publisher, platform::Files& files, const PublishHooks& hooks);

}  // namespace vr::web
