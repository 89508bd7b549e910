#pragma once
// User text going into the generated pages. Text is escaped so that a title or a file name can
// never add markup, and names in links are percent-encoded so that "#", "%" or a blank cannot
// break them. Plain ASCII text and names come out unchanged.

#include <string>

namespace vr::web {

// & < > " as entities; characters beyond ASCII (UTF-8) as numeric references, so the pages'
// iso-8859-1 declaration stays true. A byte that is not valid UTF-8 is taken as Latin-1.
std::string EscapeHtml(const std::string& text);
// Every byte but A-Z a-z 0-9 - . _ ~ (and "/", which separates folders) as %XX.
std::string EncodeUrlPath(const std::string& path);
// EncodeUrlPath undone: every %XX back to its byte (a "%" without two hex digits stays).
std::string DecodeUrlPath(const std::string& path);
// The value of a hexadecimal digit of either case; -1 for anything else.
int HexDigitValue(char c);

}  // namespace vr::web
