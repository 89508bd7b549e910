#include "lists/search/best_of_group.h"

#include <unordered_map>
#include <unordered_set>

#include "lists/search/report.h"
#include "platform/path_rules.h"

namespace vr::search {

BestChoice AllButBest(const std::vector<std::string>& report_lines,
                      const std::function<FileFacts(const std::string& path)>& facts) {
  // Facts are read once per file, however many groups name it.
  std::unordered_map<std::string, FileFacts> known;
  const auto facts_of = [&](const std::string& path) -> const FileFacts& {
    const std::string key = platform::PathKey(path);
    auto it = known.find(key);
    if (it == known.end()) it = known.emplace(key, facts(path)).first;
    return it->second;
  };
  std::vector<std::vector<std::string>> groups;
  std::vector<std::string> run;
  const auto close_run = [&] {
    if (run.size() >= 2) groups.push_back(run);
    run.clear();
  };
  for (const std::string& line : report_lines) {
    std::string path = FileOfLine(line);
    if (path.empty()) {
      close_run();
    } else {
      run.push_back(std::move(path));
    }
  }
  close_run();

  BestChoice choice;
  std::unordered_set<std::string> best_keys;
  for (const auto& group : groups) {
    size_t best = 0;
    for (size_t i = 1; i < group.size(); ++i) {
      const FileFacts& a = facts_of(group[i]);
      const FileFacts& b = facts_of(group[best]);
      if (a.pixels > b.pixels || (a.pixels == b.pixels && a.bytes > b.bytes)) best = i;
    }
    choice.best.push_back(group[best]);
    best_keys.insert(platform::PathKey(group[best]));
  }
  std::unordered_set<std::string> listed;
  for (const auto& group : groups) {
    for (const std::string& path : group) {
      const std::string key = platform::PathKey(path);
      if (best_keys.count(key) == 0 && listed.insert(key).second) choice.others.push_back(path);
    }
  }
  return choice;
}

}  // namespace vr::search
