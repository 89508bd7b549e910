#pragma once
// Groups of matching files. Each group is a ring: every member points to the next and the last
// back to the first, so joining two groups is one swap of two links. A union-find beside the
// rings tells in constant time whether two files are in one group already (such pairs add
// nothing and are not written). Reading the rings back checks them: a walk that does not come
// back to its first file, or a paired file in no ring, means the search is confused.

#include <cstdint>
#include <string>
#include <vector>

namespace vr::search {

class MatchRings {
 public:
  explicit MatchRings(size_t count);
  size_t size() const { return next_.size(); }
  bool SameGroup(uint32_t a, uint32_t b);
  // Puts a and b in one group (nothing when they are already).
  void Join(uint32_t a, uint32_t b);
  uint32_t Next(uint32_t i) const { return next_[i]; }
  // Direct access for checks of damaged rings.
  std::vector<uint32_t>& links() { return next_; }

 private:
  uint32_t Root(uint32_t i);
  std::vector<uint32_t> next_;
  std::vector<uint32_t> parent_;
};

struct CollectedGroups {
  std::vector<std::vector<uint32_t>> groups;  // members in ring order
  bool confused = false;
};

// Walks every ring holding a file of `paired` (non-zero = took part in a pair).
CollectedGroups CollectRings(const MatchRings& rings, const std::vector<uint8_t>& paired);

// 100 * (1500 - min(d, 1000)) / 1500 in integers: 100 at d = 0 down to 33.
int QualityPercent(int64_t difference);

}  // namespace vr::search
