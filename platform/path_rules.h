#pragma once
// How paths compare and how keys are made from them. On a case-sensitive file system keys keep
// their case and compare exactly; where names fold case, keys are upper-cased by the ASCII rule
// and shown in title case. One switch decides for the whole program; tests flip it.

#include <string>

namespace vr::platform {

enum class CaseRule { kExact, kFoldAscii };

// The rule of this platform (exact on Linux), unless a test has set another.
CaseRule PathCaseRule();
void SetPathCaseRule(CaseRule rule);

// The key of a path under the current rule (upper-cased when names fold case).
std::string PathKey(const std::string& path);
// True when two paths name the same file under the current rule.
bool SamePath(const std::string& a, const std::string& b);
// A path as shown from its key: title case when keys are upper-cased, unchanged otherwise.
std::string ShownPath(const std::string& key);

// The native separator, and a folder name with exactly one trailing separator.
constexpr char kSeparator = '/';
std::string WithTrailingSeparator(std::string folder);

// The folder part of a path with its trailing separator; empty when the path names no folder.
std::string FolderOf(const std::string& path);
// The name part of a path (all of it when it names no folder).
std::string NameOf(const std::string& path);
// Upper case by the ASCII rule only: the letters a to z, nothing else.
std::string UpperAscii(std::string text);
// True when two texts are equal apart from the case of the ASCII letters (switches, extensions;
// never paths: those compare through SamePath).
bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b);

}  // namespace vr::platform
