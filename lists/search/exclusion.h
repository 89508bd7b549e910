#pragma once
// "List of Folders to EXCLUDE or INCLUDE while searching for Duplicates": two folder lists. An
// entry covers its own folder, and its sub-folders when checked. Of the entries covering a file
// the deepest decides (an included folder inside an excluded one is searched); a file no entry
// covers is searched. "/pics" never covers "/pics2": folders are compared with their trailing
// separator, by the platform's path rule.

#include <string>
#include <vector>

namespace vr::platform {
class ProfileFile;
}

namespace vr::search {

inline constexpr const char* kExclusionSection = "Recent List";

struct FolderRule {
  std::string folder;
  bool checked = true;  // covers sub-folders too
};

class ExclusionList {
 public:
  std::vector<FolderRule>& exclude() { return exclude_; }
  std::vector<FolderRule>& include() { return include_; }
  const std::vector<FolderRule>& exclude() const { return exclude_; }
  const std::vector<FolderRule>& include() const { return include_; }

  // True when the file at `path` is left out of a search.
  bool Excluded(const std::string& path) const;

  // Settings keys ExcludeList_n, ExcludeListCheck_n, IncludeList_n, IncludeListCheck_n (n from 0).
  void Load(const platform::ProfileFile& settings);
  // Writes both lists and erases numbered keys left from a longer list.
  void Save(platform::ProfileFile& settings) const;

 private:
  std::vector<FolderRule> exclude_;
  std::vector<FolderRule> include_;
};

}  // namespace vr::search
