#include "web/password_scramble.h"

#include "web/html_text.h"

namespace vr::web {
std::string PasswordScramble(const std::string& password) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(password.size() * 2);
  for (unsigned char b : password) {
    const unsigned char v = static_cast<unsigned char>(b + kScrambleKey);
    out += kDigits[v >> 4];
    out += kDigits[v & 15];
  }
  return out;
}

std::optional<std::string> PasswordUnscramble(const std::string& stored) {
  if (stored.size() % 2 != 0) return std::nullopt;
  std::string out;
  out.reserve(stored.size() / 2);
  for (size_t i = 0; i < stored.size(); i += 2) {
    const int hi = HexDigitValue(stored[i]);
    const int lo = HexDigitValue(stored[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    out += static_cast<char>(static_cast<unsigned char>((hi << 4 | lo) - kScrambleKey));
  }
  return out;
}

}  // namespace vr::web
