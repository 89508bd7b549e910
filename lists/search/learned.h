#pragma once
// The learned mis-match list, "MEMORIZED.TXT" in the program folder: groups of full paths, each
// group headed by a line starting with "***". Any two files of one group are not a match. Lines
// may end in LF or CR LF; blank lines are skipped. Lookups go through a map from path key to the
// groups the path is in, so testing a pair costs no scan of the list.

#include <string>
#include <unordered_map>
#include <vector>

namespace vr::search {

inline constexpr const char* kMemorizedFile = "MEMORIZED.TXT";
inline constexpr const char* kMemorizedHeading = "*** DO NOT MATCH THESE ***";

class LearnedList {
 public:
  // Reads the file; a missing file is an empty list (true), an unreadable one gives false.
  bool Load(const std::string& path);
  void Parse(const std::string& text);
  // The list as written: each group's heading, then its paths, lines ending in CR LF.
  std::string ToText() const;
  // Rewrites the file atomically; false on failure.
  bool Save(const std::string& path) const;

  // Adds a group (paths named twice are kept once); groups of fewer than two paths are ignored.
  void AddGroup(const std::vector<std::string>& paths);
  // Removes one path from one group (a group left with fewer than two paths goes).
  void RemoveEntry(size_t group, size_t index);

  bool IsLearnedPair(const std::string& a, const std::string& b) const;
  // The groups a path is in (empty when none): looked up once per file, so that testing a pair
  // in a hot loop is a comparison of two short lists.
  std::vector<size_t> GroupsOf(const std::string& path) const;
  static bool ShareGroup(const std::vector<size_t>& a, const std::vector<size_t>& b);
  const std::vector<std::vector<std::string>>& groups() const { return groups_; }
  bool Empty() const { return groups_.empty(); }

 private:
  void Reindex();

  std::vector<std::vector<std::string>> groups_;
  std::unordered_map<std::string, std::vector<size_t>> groups_of_;
};

}  // namespace vr::search
