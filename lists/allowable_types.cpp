#include "lists/allowable_types.h"

#include <algorithm>

namespace vr::lists {
namespace {

constexpr std::array<std::string_view, 7> kMovies = {".AVI", ".FLI", ".FLC", ".MPG",
                                                     ".MPE", ".MPEG", ".MOV"};
constexpr std::array<std::string_view, 3> kSounds = {".WAV", ".MID", ".MIDI"};

}  // namespace

bool IsMovieExtension(std::string_view ext) {
  return std::find(kMovies.begin(), kMovies.end(), ext) != kMovies.end();
}
bool IsSoundExtension(std::string_view ext) {
  return std::find(kSounds.begin(), kSounds.end(), ext) != kSounds.end();
}

std::string UpperExtension(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  std::string ext(path.substr(dot));
  for (char& c : ext) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return ext;
}

AllowableTypes::AllowableTypes() { UseAll(); RebuildPattern(); }

void AllowableTypes::UseAll() { checked_.fill(true); }
void AllowableTypes::UseNone() { checked_.fill(false); }
void AllowableTypes::UseMovies() {
  for (size_t i = 0; i < kKnownTypes.size(); ++i) {
    if (IsMovieExtension(kKnownTypes[i])) checked_[i] = true;
  }
}
void AllowableTypes::UseSounds() {
  for (size_t i = 0; i < kKnownTypes.size(); ++i) {
    if (IsSoundExtension(kKnownTypes[i])) checked_[i] = true;
  }
}
void AllowableTypes::UseImages() {
  for (size_t i = 0; i < kKnownTypes.size(); ++i) {
    if (!IsMovieExtension(kKnownTypes[i]) && !IsSoundExtension(kKnownTypes[i])) checked_[i] = true;
  }
}
bool AllowableTypes::AnyChecked() const {
  return std::any_of(checked_.begin(), checked_.end(), [](bool b) { return b; });
}

void AllowableTypes::RebuildPattern() {
  pattern_.clear();
  for (size_t i = 0; i < kKnownTypes.size(); ++i) {
    if (!checked_[i]) continue;
    // Items that no longer fit are left out rather than cut in half.
    if (pattern_.size() + kKnownTypes[i].size() + 1 > kMaxPatternLength) continue;
    pattern_.append(kKnownTypes[i]);
    pattern_.push_back('*');
  }
}

bool AllowableTypes::IsAllowableType(std::string_view extension) const {
  if (extension.empty()) return false;
  if (allow_everything_) return true;
  std::string key(extension);
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  key.push_back('*');
  // Only whole items count: ".PE" must not match inside ".JPE*".
  for (size_t at = pattern_.find(key); at != std::string::npos; at = pattern_.find(key, at + 1)) {
    if (at == 0 || pattern_[at - 1] == '*') return true;
  }
  return false;
}

}  // namespace vr::lists
