#pragma once
// "Tag All But Best In Each Group": which files of a report to tag so that the tag page's Delete
// keeps one file of every group. A group is a run of consecutive file lines (two or more); its
// best file has the most pixels, then the most bytes, then comes first. A file that is best in
// any group is never among those to tag, so no group loses all of its files.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vr::search {

struct FileFacts {
  uint64_t pixels = 0;  // width x height; 0 when the picture cannot be read
  uint64_t bytes = 0;
};

struct BestChoice {
  std::vector<std::string> best;    // one per group, in report order
  std::vector<std::string> others;  // to tag, in report order, each once
};

BestChoice AllButBest(const std::vector<std::string>& report_lines,
                      const std::function<FileFacts(const std::string& path)>& facts);

}  // namespace vr::search
