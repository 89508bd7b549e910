#pragma once
// The stored form of FTP passwords in "WebInfo.INI" and "LSFTP.INI": each byte b becomes the two
// upper-case hexadecimal digits of (b + key) mod 256. This only keeps a password from being read
// at a glance; anyone with the file can undo it. It is not protection.

#include <optional>
#include <string>

namespace vr::web {

inline constexpr unsigned char kScrambleKey = 0x3B;

std::string PasswordScramble(const std::string& password);
// The password again; nothing when the text is not pairs of hexadecimal digits.
std::optional<std::string> PasswordUnscramble(const std::string& stored);

}  // namespace vr::web
