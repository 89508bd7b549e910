#include "colour/export/unique_name.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "platform/folders.h"

namespace vr::colour {

namespace {

constexpr int kClaims = 100;

// The last `digits` decimal digits of `value`, with leading zeros.
std::string LastDigits(uint64_t value, int digits) {
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) < digits) {
    text.insert(0, static_cast<size_t>(digits) - text.size(), '0');
  }
  return text.substr(text.size() - static_cast<size_t>(digits));
}

uint64_t PowerOfTen(int digits) {
  uint64_t p = 1;
  for (int i = 0; i < digits; ++i) p *= 10;
  return p;
}

bool IsTmp(std::string extension) {
  for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return extension == ".TMP";
}

}  // namespace

std::optional<std::string> MakeUniqueName(platform::Files& files, const platform::Clock& clock,
                                          const std::string& folder, const std::string& prefix,
                                          const std::string& extension, int digits) {
  digits = std::clamp(digits, 1, 9);
  if (IsTmp(extension)) {
    platform::TempFile temp = platform::CreateExclusiveFile(folder, prefix, extension);
    if (!temp.IsOpen()) return std::nullopt;
    temp.Close();
    return temp.Release();
  }
  const uint32_t now = clock.MillisecondsSinceMidnight();
  uint64_t number = now % PowerOfTen(digits);
  // The scratch file that is renamed onto the first free candidate; its own name is claimed
  // exclusively (a fresh suffix when "~~FAKE" + 4 digits is taken).
  bool first_try = true;
  platform::TempFile scratch = platform::CreateExclusiveFile(
      folder, "~~FAKE" + LastDigits(now, 4), ".TMP", [&first_try]() -> std::string {
        if (first_try) {
          first_try = false;
          return {};
        }
        static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz";
        std::string letters;
        for (int i = 0; i < 6; ++i) letters += kLetters[std::rand() % 26];
        return letters;
      });
  if (!scratch.IsOpen()) return std::nullopt;
  scratch.Close();
  const std::string scratch_path = scratch.Release();
  for (int i = 0; i < kClaims; ++i) {
    const std::string candidate =
        folder + prefix + LastDigits(number + 1000000, digits) + extension;
    if (files.RenameFile(scratch_path, candidate)) return candidate;
    ++number;
  }
  files.DeleteFile(scratch_path);
  return std::nullopt;
}

}  // namespace vr::colour
