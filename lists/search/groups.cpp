#include "lists/search/groups.h"

#include <algorithm>
#include <utility>

namespace vr::search {

MatchRings::MatchRings(size_t count) : next_(count), parent_(count) {
  for (size_t i = 0; i < count; ++i) {
    next_[i] = static_cast<uint32_t>(i);
    parent_[i] = static_cast<uint32_t>(i);
  }
}

uint32_t MatchRings::Root(uint32_t i) {
  while (parent_[i] != i) {
    parent_[i] = parent_[parent_[i]];
    i = parent_[i];
  }
  return i;
}

bool MatchRings::SameGroup(uint32_t a, uint32_t b) { return Root(a) == Root(b); }

void MatchRings::Join(uint32_t a, uint32_t b) {
  const uint32_t ra = Root(a);
  const uint32_t rb = Root(b);
  if (ra == rb) return;
  parent_[rb] = ra;
  // Two rings become one by exchanging the successors of one member of each.
  std::swap(next_[a], next_[b]);
}

CollectedGroups CollectRings(const MatchRings& rings, const std::vector<uint8_t>& paired) {
  CollectedGroups out;
  const size_t n = rings.size();
  std::vector<uint8_t> visited(n, 0);
  for (size_t start = 0; start < n; ++start) {
    if (paired[start] == 0 || visited[start] != 0) continue;
    std::vector<uint32_t> members;
    uint32_t at = static_cast<uint32_t>(start);
    bool broken = false;
    size_t steps = 0;
    do {
      if (at >= n || visited[at] != 0 || steps > n) {
        broken = true;
        break;
      }
      visited[at] = 1;
      members.push_back(at);
      at = rings.Next(at);
      ++steps;
    } while (at != start);
    if (broken || members.size() < 2) {
      out.confused = true;
      continue;
    }
    out.groups.push_back(std::move(members));
  }
  return out;
}

int QualityPercent(int64_t difference) {
  const int64_t d = std::clamp<int64_t>(difference, 0, 1000);
  return static_cast<int>(100 * (1500 - d) / 1500);
}

}  // namespace vr::search
