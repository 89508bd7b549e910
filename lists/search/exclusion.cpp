#include "lists/search/exclusion.h"

#include <algorithm>

#include "platform/path_rules.h"
#include "platform/profile_file.h"

namespace vr::search {

namespace {

// Depth of the rule covering the folder key (its length), or -1.
int CoverDepth(const FolderRule& rule, const std::string& folder_key) {
  if (rule.folder.empty()) return -1;
  const std::string key = platform::PathKey(platform::WithTrailingSeparator(rule.folder));
  if (folder_key == key) return static_cast<int>(key.size());
  if (rule.checked && folder_key.size() > key.size() && folder_key.compare(0, key.size(), key) == 0) {
    return static_cast<int>(key.size());
  }
  return -1;
}

void LoadRules(const platform::ProfileFile& settings, const std::string& list,
               const std::string& check, std::vector<FolderRule>* out) {
  out->clear();
  for (int n = 0;; ++n) {
    const std::string key = list + std::to_string(n);
    if (!settings.KeyExists(kExclusionSection, key)) break;
    FolderRule rule;
    rule.folder = settings.ReadString(kExclusionSection, key, "");
    rule.checked = settings.ReadBool(kExclusionSection, check + std::to_string(n), true);
    if (!rule.folder.empty()) out->push_back(rule);
  }
}

void SaveRules(platform::ProfileFile& settings, const std::string& list, const std::string& check,
               const std::vector<FolderRule>& rules) {
  for (size_t n = 0; n < rules.size(); ++n) {
    settings.WriteString(kExclusionSection, list + std::to_string(n), rules[n].folder);
    settings.WriteBool(kExclusionSection, check + std::to_string(n), rules[n].checked);
  }
  // Keys past the end belong to a longer list saved before.
  for (size_t n = rules.size();; ++n) {
    const std::string key = list + std::to_string(n);
    const std::string check_key = check + std::to_string(n);
    if (!settings.KeyExists(kExclusionSection, key) &&
        !settings.KeyExists(kExclusionSection, check_key)) {
      break;
    }
    settings.EraseKey(kExclusionSection, key);
    settings.EraseKey(kExclusionSection, check_key);
  }
}

}  // namespace

bool ExclusionList::Excluded(const std::string& path) const {
  const size_t cut = path.find_last_of(platform::kSeparator);
  if (cut == std::string::npos) return false;
  const std::string folder_key = platform::PathKey(path.substr(0, cut + 1));
  int excluded_depth = -1;
  int included_depth = -1;
  for (const FolderRule& rule : exclude_) excluded_depth = std::max(excluded_depth, CoverDepth(rule, folder_key));
  for (const FolderRule& rule : include_) included_depth = std::max(included_depth, CoverDepth(rule, folder_key));
  // The deeper entry decides; at equal depth the inclusion wins (a folder named in both lists
  // was meant to be searched).
  return excluded_depth >= 0 && excluded_depth > included_depth;
}

void ExclusionList::Load(const platform::ProfileFile& settings) {
  LoadRules(settings, "ExcludeList_", "ExcludeListCheck_", &exclude_);
  LoadRules(settings, "IncludeList_", "IncludeListCheck_", &include_);
}

void ExclusionList::Save(platform::ProfileFile& settings) const {
  SaveRules(settings, "ExcludeList_", "ExcludeListCheck_", exclude_);
  SaveRules(settings, "IncludeList_", "IncludeListCheck_", include_);
}

}  // namespace vr::search
