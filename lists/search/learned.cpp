#include "lists/search/learned.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/files.h"
#include "platform/path_rules.h"

namespace vr::search {

bool LearnedList::Load(const std::string& path) {
  groups_.clear();
  groups_of_.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::error_code ec;
    return !std::filesystem::exists(path, ec);
  }
  std::ostringstream text;
  text << in.rdbuf();
  Parse(text.str());
  return true;
}

void LearnedList::Parse(const std::string& text) {
  groups_.clear();
  bool in_group = false;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
      line.pop_back();
    }
    if (line.empty()) {
      if (end == text.size()) break;
      continue;
    }
    if (line.rfind("***", 0) == 0) {
      groups_.emplace_back();
      in_group = true;
    } else if (in_group) {
      groups_.back().push_back(line);
    }
    if (end == text.size()) break;
  }
  // A group of fewer than two files forbids nothing.
  groups_.erase(std::remove_if(groups_.begin(), groups_.end(),
                               [](const std::vector<std::string>& g) { return g.size() < 2; }),
                groups_.end());
  Reindex();
}

std::string LearnedList::ToText() const {
  std::string text;
  for (const auto& group : groups_) {
    text += kMemorizedHeading;
    text += "\r\n";
    for (const auto& path : group) text += path + "\r\n";
  }
  return text;
}

bool LearnedList::Save(const std::string& path) const {
  return static_cast<bool>(platform::WriteFileAtomically(path, ToText()));
}

void LearnedList::AddGroup(const std::vector<std::string>& paths) {
  std::vector<std::string> group;
  for (const auto& path : paths) {
    const bool seen = std::any_of(group.begin(), group.end(), [&](const std::string& p) {
      return platform::SamePath(p, path);
    });
    if (!seen) group.push_back(path);
  }
  if (group.size() < 2) return;
  groups_.push_back(std::move(group));
  Reindex();
}

void LearnedList::RemoveEntry(size_t group, size_t index) {
  if (group >= groups_.size() || index >= groups_[group].size()) return;
  groups_[group].erase(groups_[group].begin() + static_cast<std::ptrdiff_t>(index));
  if (groups_[group].size() < 2) groups_.erase(groups_.begin() + static_cast<std::ptrdiff_t>(group));
  Reindex();
}

void LearnedList::Reindex() {
  groups_of_.clear();
  for (size_t g = 0; g < groups_.size(); ++g) {
    for (const auto& path : groups_[g]) {
      std::vector<size_t>& of = groups_of_[platform::PathKey(path)];
      if (of.empty() || of.back() != g) of.push_back(g);
    }
  }
}

std::vector<size_t> LearnedList::GroupsOf(const std::string& path) const {
  if (groups_of_.empty()) return {};
  const auto it = groups_of_.find(platform::PathKey(path));
  return it == groups_of_.end() ? std::vector<size_t>() : it->second;
}

bool LearnedList::ShareGroup(const std::vector<size_t>& a, const std::vector<size_t>& b) {
  for (size_t g : a) {
    if (std::find(b.begin(), b.end(), g) != b.end()) return true;
  }
  return false;
}

bool LearnedList::IsLearnedPair(const std::string& a, const std::string& b) const {
  if (groups_of_.empty()) return false;
  const auto ia = groups_of_.find(platform::PathKey(a));
  if (ia == groups_of_.end()) return false;
  const auto ib = groups_of_.find(platform::PathKey(b));
  if (ib == groups_of_.end()) return false;
  for (size_t g : ia->second) {
    if (std::find(ib->second.begin(), ib->second.end(), g) != ib->second.end()) return true;
  }
  return false;
}

}  // namespace vr::search
