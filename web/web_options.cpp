#include "web/web_options.h"

#include "web/password_scramble.h"

#include <algorithm>
#include <cstdio>

namespace vr::web {
namespace {

constexpr const char* kGeneral = "General";
constexpr const char* kPageNumbers = "Page_Numbers";
constexpr const char* kThumbNails = "ThumbNails";
constexpr const char* kTitle = "Title";
constexpr const char* kDescription = "Description";
constexpr const char* kServer = "WebServerInfo";

int Clamp(int64_t value, int low, int high) {
  return static_cast<int>(std::clamp<int64_t>(value, low, high));
}

uint32_t ReadColour(const platform::ProfileFile& file, const char* section, const char* key,
                    uint32_t fallback) {
  return static_cast<uint32_t>(Clamp(file.ReadInteger(section, key, fallback), 0, 0xFFFFFF));
}

TextStyle ReadStyle(const platform::ProfileFile& file, const char* section,
                    const TextStyle& fallback) {
  TextStyle style;
  style.colour = ReadColour(file, section, "Color", fallback.colour);
  style.size = Clamp(file.ReadInteger(section, "Size", fallback.size), 0, kSizeItems - 1);
  style.bold = file.ReadBool(section, "Bold", fallback.bold);
  style.italic = file.ReadBool(section, "Italic", fallback.italic);
  style.underline = file.ReadBool(section, "Underline", fallback.underline);
  return style;
}

void WriteStyle(platform::ProfileFile& file, const char* section, const TextStyle& style) {
  file.WriteInteger(section, "Color", style.colour);
  file.WriteInteger(section, "Size", style.size);
  file.WriteBool(section, "Bold", style.bold);
  file.WriteBool(section, "Italic", style.italic);
  file.WriteBool(section, "Underline", style.underline);
}

}  // namespace

std::vector<std::string> WebOptions::DefaultDescription() {
  return {"Enter description of Web Page here. ",
          "For example: Below are my sample pics of my new born baby.",
          "",
          "If you would like to see the larger real sized image, just click one of the smaller "
          "thumbnails below.",
          "",
          "As always, I like keeping my family informed of the various things that are "
          "happening."};
}

WebOptions ReadWebOptions(const platform::ProfileFile& file) {
  const WebOptions d;
  WebOptions o;
  o.template_mode = file.ReadBool(kGeneral, "TemplateMode", d.template_mode);
  o.index_name = file.ReadString(kGeneral, "IndexName", d.index_name);
  if (o.index_name.empty()) o.index_name = d.index_name;
  o.link_colour = ReadColour(file, kGeneral, "Links_Color", d.link_colour);
  o.visited_link_colour = ReadColour(file, kGeneral, "Visited_Links_Color", d.visited_link_colour);
  o.background_colour = ReadColour(file, kGeneral, "BackGround_Color", d.background_colour);
  o.background_image = file.ReadString(kGeneral, "BG_Image", "");
  o.background_image_use = file.ReadBool(kGeneral, "BG_Image_Use", false);
  o.main_image = file.ReadString(kGeneral, "Main_Image", "");
  o.main_image_use = file.ReadBool(kGeneral, "Main_Image_Use", false);
  o.notes_as_captions = file.ReadBool(kThumbNails, "Notes_Captions", false);
  o.page_numbers = ReadStyle(file, kPageNumbers, d.page_numbers);
  o.thumb_width = Clamp(file.ReadInteger(kThumbNails, "Width", d.thumb_width), 32, 300);
  o.thumb_height = Clamp(file.ReadInteger(kThumbNails, "Height", d.thumb_height), 32, 300);
  o.max_number = Clamp(file.ReadInteger(kThumbNails, "Max_Number", d.max_number), 1, 99);
  o.title = ReadStyle(file, kTitle, d.title);
  o.title_text = file.ReadString(kTitle, "Title_Text", d.title_text);
  o.description = ReadStyle(file, kDescription, d.description);
  if (file.KeyExists(kDescription, "Desc_Text")) {
    o.description_lines = platform::SplitCommaText(file.ReadQuotedString(kDescription, "Desc_Text", ""));
  }
  return o;
}

void WriteWebOptions(platform::ProfileFile& file, const WebOptions& o) {
  file.WriteBool(kGeneral, "TemplateMode", o.template_mode);
  file.WriteString(kGeneral, "IndexName", o.index_name);
  file.WriteInteger(kGeneral, "Links_Color", o.link_colour);
  file.WriteInteger(kGeneral, "Visited_Links_Color", o.visited_link_colour);
  file.WriteInteger(kGeneral, "BackGround_Color", o.background_colour);
  file.WriteString(kGeneral, "BG_Image", o.background_image);
  file.WriteBool(kGeneral, "BG_Image_Use", o.background_image_use);
  file.WriteString(kGeneral, "Main_Image", o.main_image);
  file.WriteBool(kGeneral, "Main_Image_Use", o.main_image_use);
  WriteStyle(file, kPageNumbers, o.page_numbers);
  file.WriteInteger(kThumbNails, "Width", o.thumb_width);
  file.WriteInteger(kThumbNails, "Height", o.thumb_height);
  file.WriteInteger(kThumbNails, "Max_Number", o.max_number);
  file.WriteBool(kThumbNails, "Notes_Captions", o.notes_as_captions);
  WriteStyle(file, kTitle, o.title);
  file.WriteString(kTitle, "Title_Text", o.title_text);
  WriteStyle(file, kDescription, o.description);
  file.WriteString(kDescription, "Desc_Text",
                   "\"" + platform::JoinCommaText(o.description_lines) + "\"");
}

ServerInfo ReadServerInfo(const platform::ProfileFile& file) {
  ServerInfo s;
  s.server_name = file.ReadString(kServer, "ServerName", "");
  s.start_path = file.ReadString(kServer, "StartPath", "");
  s.url_location = file.ReadString(kServer, "URLLocation", "");
  s.anonymous = file.ReadBool(kServer, "Aononymous", false);
  s.user_name = file.ReadString(kServer, "UserName", "");
  s.password = PasswordUnscramble(file.ReadString(kServer, "Password", "")).value_or("");
  s.use_proxy = file.ReadBool(kServer, "UseProxy", false);
  s.proxy_server = file.ReadString(kServer, "ProxyServer", "");
  s.proxy_port = file.ReadString(kServer, "ProxyPort", "");
  s.use_pasv = file.ReadBool(kServer, "UsePASV", false);
  s.use_tls = file.ReadBool(kServer, "UseTLS", false);
  s.tls_fingerprint = file.ReadString(kServer, "TLSFingerprint", "");
  return s;
}

void WriteServerInfo(platform::ProfileFile& file, const ServerInfo& s) {
  file.WriteString(kServer, "ServerName", s.server_name);
  file.WriteString(kServer, "StartPath", s.start_path);
  file.WriteString(kServer, "URLLocation", s.url_location);
  file.WriteBool(kServer, "Aononymous", s.anonymous);
  file.WriteString(kServer, "UserName", s.user_name);
  file.WriteString(kServer, "Password", PasswordScramble(s.password));
  file.WriteBool(kServer, "UseProxy", s.use_proxy);
  file.WriteString(kServer, "ProxyServer", s.proxy_server);
  file.WriteString(kServer, "ProxyPort", s.proxy_port);
  file.WriteBool(kServer, "UsePASV", s.use_pasv);
  file.WriteBool(kServer, "UseTLS", s.use_tls);
  file.WriteString(kServer, "TLSFingerprint", s.tls_fingerprint);
}

std::string ColorToHtml(uint32_t colour) {
  char text[8];
  std::snprintf(text, sizeof(text), "%02X%02X%02X", colour & 0xFF, (colour >> 8) & 0xFF,
                (colour >> 16) & 0xFF);
  return text;
}

const char* SizeItemName(int item) {
  static const char* const kNames[kSizeItems] = {"Very Small", "Small",      "Normal", "Large",
                                                 "Larger",     "Very Large", "Largest"};
  return kNames[std::clamp(item, 0, kSizeItems - 1)];
}

int PreviewPointSize(int item) {
  static const int kPoints[kSizeItems] = {8, 10, 12, 14, 18, 24, 36};
  return kPoints[std::clamp(item, 0, kSizeItems - 1)];
}

int PageCount(int pictures, int per_page) {
  if (pictures <= 0) return 0;
  per_page = std::max(per_page, 1);
  return pictures / per_page + (pictures % per_page != 0 ? 1 : 0);
}

std::string PageFileName(const std::string& index_name, int page) {
  if (page <= 1) return index_name;
  const size_t dot = index_name.rfind('.');
  if (dot == std::string::npos) return index_name + std::to_string(page);
  return index_name.substr(0, dot) + std::to_string(page) + index_name.substr(dot);
}

}  // namespace vr::web
