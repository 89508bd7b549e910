#include "platform/path_rules.h"

#include <atomic>

namespace vr::platform {
namespace {

std::atomic<CaseRule>& RuleSlot() {
#ifdef _WIN32
  static std::atomic<CaseRule> rule{CaseRule::kFoldAscii};
#else
  static std::atomic<CaseRule> rule{CaseRule::kExact};
#endif
  return rule;
}

char UpperAsciiChar(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

CaseRule PathCaseRule() { return RuleSlot().load(); }
void SetPathCaseRule(CaseRule rule) { RuleSlot().store(rule); }

std::string PathKey(const std::string& path) {
  if (PathCaseRule() == CaseRule::kExact) return path;
  std::string key = path;
  for (char& c : key) c = UpperAsciiChar(c);
  return key;
}

bool SamePath(const std::string& a, const std::string& b) { return PathKey(a) == PathKey(b); }

std::string ShownPath(const std::string& key) {
  if (PathCaseRule() == CaseRule::kExact) return key;
  // Title case: a letter after a letter or digit is lowered, any other letter stays upper.
  std::string shown = key;
  bool in_word = false;
  for (char& c : shown) {
    const bool alnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    if (alnum && in_word) c = LowerAscii(c);
    else if (alnum) c = UpperAsciiChar(c);
    in_word = alnum;
  }
  return shown;
}

std::string WithTrailingSeparator(std::string folder) {
  while (folder.size() > 1 && folder.back() == kSeparator) folder.pop_back();
  if (folder.empty() || folder.back() != kSeparator) folder.push_back(kSeparator);
  return folder;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of(kSeparator);
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.find_last_of(kSeparator);
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string UpperAscii(std::string text) {
  for (char& c : text) c = UpperAsciiChar(c);
  return text;
}

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (UpperAsciiChar(a[i]) != UpperAsciiChar(b[i])) return false;
  }
  return true;
}

}  // namespace vr::platform
