#pragma once
// The page options of a Web Folder and their file "WebInfo.INI" (in the folder's "webpages"
// sub-folder), the server facts publishing keeps beside them, and the small conversions the pages
// and the preview share (colours, size items).

#include <cstdint>
#include <string>
#include <vector>

#include "platform/profile_file.h"

namespace vr::web {

inline constexpr const char* kWebInfoName = "WebInfo.INI";
inline constexpr const char* kTemplateName = "WP_Template.Html";
inline constexpr const char* kBackgroundImageName = "WP_BGImage.GIF";
inline constexpr const char* kMainImageName = "WP_MainImage.GIF";
inline constexpr const char* kMainThumbName = "WP_THUMB_MAIN.JPG";
inline constexpr const char* kPagesFolder = "webpages";
inline constexpr const char* kThumbsFolder = "webthumbs";

// Colour, size item and styles of one kind of text.
struct TextStyle {
  uint32_t colour = 0;  // red in the low byte, then green, then blue
  int size = 2;         // size item 0..6
  bool bold = false;
  bool italic = false;
  bool underline = false;
  friend bool operator==(const TextStyle&, const TextStyle&) = default;
};

struct WebOptions {
  bool template_mode = false;
  std::string index_name = "index.html";  // or "default.htm"
  uint32_t link_colour = 16711935;
  uint32_t visited_link_colour = 8388608;
  uint32_t background_colour = 16711680;
  std::string background_image;  // a name inside webpages, once chosen
  bool background_image_use = false;
  std::string main_image;
  bool main_image_use = false;
  TextStyle page_numbers{65535, 4, true, false, false};
  int thumb_width = 100;   // 32..300
  int thumb_height = 100;  // 32..300
  int max_number = 15;     // images per page, 1..99
  TextStyle title{16776960, 5, true, false, true};
  std::string title_text = "Sample Title Goes Here";
  TextStyle description{16777215, 2, false, false, false};
  std::vector<std::string> description_lines = DefaultDescription();
  // Each picture's note under its thumbnail (off: pages as they always were).
  bool notes_as_captions = false;

  static std::vector<std::string> DefaultDescription();
  friend bool operator==(const WebOptions&, const WebOptions&) = default;
};

// Where and how publishing reaches the server ("WebServerInfo"); the password in plain text.
struct ServerInfo {
  std::string server_name;
  std::string start_path;
  std::string url_location;
  bool anonymous = false;
  std::string user_name;
  std::string password;
  bool use_proxy = false;
  std::string proxy_server;
  std::string proxy_port;
  bool use_pasv = false;
  bool use_tls = false;         // explicit FTP over TLS
  std::string tls_fingerprint;  // an untrusted certificate accepted for the server (SHA-256)
  friend bool operator==(const ServerInfo&, const ServerInfo&) = default;
};

// Missing keys take their defaults; numbers out of their ranges are brought into them, so a
// damaged file cannot make a page of no pictures or a thumbnail of no size.
WebOptions ReadWebOptions(const platform::ProfileFile& file);
void WriteWebOptions(platform::ProfileFile& file, const WebOptions& options);
ServerInfo ReadServerInfo(const platform::ProfileFile& file);
void WriteServerInfo(platform::ProfileFile& file, const ServerInfo& info);

// A colour as the six hexadecimal digits HTML wants after "#": red, green, blue.
std::string ColorToHtml(uint32_t colour);
// Caption of size item 0..6 ("Very Small" .. "Largest").
const char* SizeItemName(int item);
inline constexpr int kSizeItems = 7;
// The value written after "<font size=+" for text and for the home link, and the preview's
// point size.
inline int HtmlSize(int item) { return item - 2; }
inline int HomeLinkSize(int item) { return item - 3; }
int PreviewPointSize(int item);

// Page count for a number of pictures.
int PageCount(int pictures, int per_page);
// File name of page `page` (1 is the home page itself; then index2.html, default3.htm...).
std::string PageFileName(const std::string& index_name, int page);

}  // namespace vr::web
