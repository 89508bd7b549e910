// The comparison of fingerprints, the pair loop, rings and quality: the vectorised test against
// a plain reference, and the small rules that decide the report.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <tuple>

#include "lists/search/compare.h"
#include "lists/search/groups.h"

namespace vr::search {
namespace {

FingerPrint RandomPrint(std::mt19937& random, int w = 640, int h = 480) {
  FingerPrint p;
  std::uniform_int_distribution<int> byte(0, 255);
  for (int i = 0; i < kPrintPixels; ++i) {
    SetPrintPixel(&p, i, static_cast<uint8_t>(byte(random)), static_cast<uint8_t>(byte(random)),
                  static_cast<uint8_t>(byte(random)));
  }
  p.res_x = w;
  p.res_y = h;
  return p;
}

// A copy of `p` with every channel moved by `delta` plus noise within `noise`, clamped to 0..255.
FingerPrint Near(const FingerPrint& p, std::mt19937& random, int delta, int noise) {
  FingerPrint q = p;
  std::uniform_int_distribution<int> jitter(-noise, noise);
  auto move = [&](int v) { return static_cast<uint8_t>(std::clamp(v + delta + jitter(random), 0, 255)); };
  for (int i = 0; i < kPrintPixels; ++i) SetPrintPixel(&q, i, move(p.r[i]), move(p.g[i]), move(p.b[i]));
  return q;
}

std::vector<CompareSettings> AllSettings() {
  std::vector<CompareSettings> all;
  for (int level = 0; level < 3; ++level) {
    for (int flags = 0; flags < 4; ++flags) {
      CompareSettings s;
      s.tolerance = LevelValues(level).tolerance;
      s.required = LevelValues(level).required;
      s.black_and_white = (flags & 1) != 0;
      s.brightness = (flags & 2) != 0;
      all.push_back(s);
    }
  }
  return all;
}

TEST(CompareTest, VectorisedTestEqualsThePlainLoop) {
  std::mt19937 random(7);
  std::vector<std::pair<FingerPrint, FingerPrint>> cases;
  for (int i = 0; i < 300; ++i) {
    const FingerPrint a = RandomPrint(random);
    cases.push_back({a, RandomPrint(random)});
    for (int delta : {0, 3, -3, 8, 22, -22, 30, 33, 44, -44, 45, 66, 67}) {
      cases.push_back({a, Near(a, random, delta, i % 5)});
    }
    // Grey copies, as they are and brighter.
    for (int delta : {0, 30}) {
      FingerPrint g;
      for (int k = 0; k < kPrintPixels; ++k) {
        const uint8_t v = static_cast<uint8_t>(std::min(255, a.grey[k] + delta));
        SetPrintPixel(&g, k, v, v, v);
      }
      cases.push_back({a, g});
    }
  }
  // The ends of the byte range: shifts that would leave 0..255 and exact differences of T and
  // 2T at both ends.
  for (int t : {3, 22, 33}) {
    for (int base : {0, 1, 254, 255}) {
      for (int delta : {-2 * t - 1, -2 * t, -t - 1, -t, -t + 1, 0, t - 1, t, t + 1, 2 * t, 2 * t + 1}) {
        FingerPrint a;
        FingerPrint b;
        for (int i = 0; i < kPrintPixels; ++i) {
          const int other = std::clamp(base + (i % 2 == 0 ? delta : 0), 0, 255);
          SetPrintPixel(&a, i, static_cast<uint8_t>(base), static_cast<uint8_t>(base), 128);
          SetPrintPixel(&b, i, static_cast<uint8_t>(other), static_cast<uint8_t>(base), 128);
        }
        cases.push_back({a, b});
        cases.push_back({b, a});
      }
    }
  }
  int matched = 0;
  for (const CompareSettings& s : AllSettings()) {
    for (const auto& [a, b] : cases) {
      const MatchKind plain = MatchPrintsPlain(a, b, s);
      ASSERT_EQ(MatchPrints(a, b, s), plain) << "T " << s.tolerance << " bw " << s.black_and_white
                                             << " bright " << s.brightness;
      matched += plain != MatchKind::kNone ? 1 : 0;
    }
  }
  // The cases reach both answers and every kind.
  EXPECT_GT(matched, 1000);
  std::set<MatchKind> kinds;
  for (const auto& [a, b] : cases) {
    CompareSettings s;
    s.black_and_white = s.brightness = true;
    kinds.insert(MatchPrints(a, b, s));
  }
  EXPECT_EQ(kinds.size(), 5u);
}

TEST(CompareTest, KindsAreTriedInOrderAndShiftsAtTheByteEnds) {
  FingerPrint a;
  FingerPrint b;
  for (int i = 0; i < kPrintPixels; ++i) {
    SetPrintPixel(&a, i, 255, 10, 100);
    SetPrintPixel(&b, i, 255, 10 + 40, 100 + 40);  // red cannot go brighter: difference 0
  }
  CompareSettings s;  // Close: T 22
  EXPECT_EQ(MatchPrints(a, b, s), MatchKind::kNone);
  s.brightness = true;
  // Shift by -T: 0 <= b - a <= 44 for every channel, red included.
  EXPECT_EQ(MatchPrints(a, b, s), MatchKind::kColourShift);
  EXPECT_EQ(MatchPrints(b, a, s), MatchKind::kColourShift);
  // A colour print and its grey version match only in grey.
  FingerPrint grey;
  for (int i = 0; i < kPrintPixels; ++i) SetPrintPixel(&grey, i, a.grey[i], a.grey[i], a.grey[i]);
  s.brightness = false;
  EXPECT_EQ(MatchPrints(a, grey, s), MatchKind::kNone);
  s.black_and_white = true;
  EXPECT_EQ(MatchPrints(a, grey, s), MatchKind::kGrey);
  // Exactly R pixels matching is enough, R - 1 is not.
  FingerPrint c = a;
  for (int i = 0; i < kPrintPixels - 59; ++i) SetPrintPixel(&c, i, 0, 200, 0);
  CompareSettings close;
  EXPECT_EQ(MatchPrints(a, c, close), MatchKind::kColour);
  SetPrintPixel(&c, kPrintPixels - 59, 0, 200, 0);
  EXPECT_EQ(MatchPrints(a, c, close), MatchKind::kNone);
}

TEST(CompareTest, AspectRuleLetsAPairThroughWhenEitherOrderPasses) {
  // 100 w / h with integer division: 300 x 200 gives 150, 200 x 200 gives 100. In one order
  // 2*150/3 = 100 >= 100 skips; in the other 150 >= 3*100/2 = 150 skips too.
  EXPECT_FALSE(AspectPasses(300, 200, 200, 200));
  EXPECT_FALSE(AspectPasses(200, 200, 300, 200));
  // 151 x 100 (151) against 101 x 100 (101): 2*151/3 = 100 < 101 passes, but 151 >= 3*101/2 =
  // 151 skips in the other order.
  EXPECT_TRUE(AspectPasses(151, 100, 101, 100));
  EXPECT_FALSE(AspectPasses(101, 100, 151, 100));
  FingerPrint a;
  FingerPrint b;
  a.res_x = 101;
  a.res_y = 100;
  b.res_x = 151;
  b.res_y = 100;
  EXPECT_TRUE(AspectCompatible(a, b));
  EXPECT_TRUE(AspectCompatible(b, a));
  // Sizes whose products overflow 32 bits.
  EXPECT_TRUE(AspectPasses(40000000, 30000000, 4000, 3000));
  EXPECT_FALSE(AspectPasses(400, 100, 100, 100));
}

using PairSet = std::set<std::tuple<uint32_t, uint32_t, int, int>>;

PairSet Pairs(const std::vector<FingerPrint>& prints, const std::vector<uint8_t>* tagged,
              const CompareSettings& s, bool plain) {
  PairSet out;
  PairLoop loop;
  loop.prints = &prints;
  loop.tagged = tagged;
  loop.settings = s;
  loop.plain = plain;
  loop.found = [&](const FoundPair& p) {
    out.insert({p.a, p.b, static_cast<int>(p.kind),
                PrintDifference(prints[p.a], prints[p.b], p.kind, s.tolerance)});
    return true;
  };
  EXPECT_TRUE(RunPairLoop(loop));
  return out;
}

TEST(CompareTest, PairLoopEqualsThePlainLoopWithTaggedOnlyAndAspect) {
  std::mt19937 random(11);
  std::vector<FingerPrint> prints;
  std::vector<uint8_t> tagged;
  for (int family = 0; family < 40; ++family) {
    const FingerPrint base = RandomPrint(random, 100 + family * 10, 100);
    prints.push_back(base);
    prints.push_back(Near(base, random, 0, 1));
    prints.push_back(Near(base, random, 9, 4));
    prints.push_back(Near(base, random, -30, 3));
  }
  for (size_t i = 0; i < prints.size(); ++i) tagged.push_back(i % 7 == 0 ? 1 : 0);
  for (CompareSettings s : AllSettings()) {
    for (int mode = 0; mode < 4; ++mode) {
      s.tagged_only = (mode & 1) != 0;
      s.any_aspect = (mode & 2) != 0;
      const PairSet fast = Pairs(prints, &tagged, s, false);
      const PairSet plain = Pairs(prints, &tagged, s, true);
      EXPECT_EQ(fast, plain);
      // The plain definition, pair by pair, in both orders.
      PairSet expected;
      for (uint32_t i = 0; i < prints.size(); ++i) {
        for (uint32_t j = i + 1; j < prints.size(); ++j) {
          if (s.tagged_only && tagged[i] == 0 && tagged[j] == 0) continue;
          if (!s.any_aspect && !AspectPasses(prints[i].res_x, prints[i].res_y, prints[j].res_x, prints[j].res_y) &&
              !AspectPasses(prints[j].res_x, prints[j].res_y, prints[i].res_x, prints[i].res_y)) {
            continue;
          }
          const MatchKind kind = MatchPrintsPlain(prints[i], prints[j], s);
          EXPECT_EQ(kind, MatchPrintsPlain(prints[j], prints[i], s));
          if (kind != MatchKind::kNone) {
            expected.insert({i, j, static_cast<int>(kind), PrintDifference(prints[i], prints[j], kind, s.tolerance)});
          }
        }
      }
      EXPECT_EQ(fast, expected);
      if (!s.tagged_only) {
        EXPECT_FALSE(expected.empty());
      }
    }
  }
}

TEST(CompareTest, PairLoopEqualsThePlainLoopAtTheBoundaries) {
  // Differences of exactly T and T + 1, shifts against the 0 and 255 ends, grey copies, and
  // exactly R or R - 1 matching pixels: the loop's vector form (the widest the processor has)
  // gives the plain loop's pairs and kinds.
  std::vector<FingerPrint> prints;
  for (int base : {0, 10, 233, 255}) {
    for (int step : {0, 21, 22, 23, 43, 44, 45}) {
      FingerPrint p;
      for (int i = 0; i < kPrintPixels; ++i) {
        const int v = std::clamp(base + ((i % 3 == 0) ? step : -step), 0, 255);
        SetPrintPixel(&p, i, static_cast<uint8_t>(v), static_cast<uint8_t>(255 - v),
                      static_cast<uint8_t>(base));
      }
      p.res_x = 640;
      p.res_y = 480;
      prints.push_back(p);
      FingerPrint grey = p;
      for (int i = 0; i < kPrintPixels; ++i) SetPrintPixel(&grey, i, p.grey[i], p.grey[i], p.grey[i]);
      prints.push_back(grey);
      for (int changed : {5, 6}) {
        FingerPrint c = p;
        for (int i = 0; i < changed; ++i) SetPrintPixel(&c, i * 9, 128, 0, 255);
        prints.push_back(c);
      }
    }
  }
  for (CompareSettings s : AllSettings()) {
    const PairSet fast = Pairs(prints, nullptr, s, false);
    EXPECT_EQ(fast, Pairs(prints, nullptr, s, true));
    EXPECT_FALSE(fast.empty());
  }
}

TEST(CompareTest, StopIsPolledPerFile) {
  std::mt19937 random(3);
  std::vector<FingerPrint> prints;
  for (int i = 0; i < 10; ++i) prints.push_back(RandomPrint(random));
  int polls = 0;
  PairLoop loop;
  loop.prints = &prints;
  loop.found = [](const FoundPair&) { return true; };
  loop.stopped = [&](uint32_t remaining) {
    ++polls;
    return remaining == 6;
  };
  EXPECT_FALSE(RunPairLoop(loop));
  EXPECT_EQ(polls, 5);
}

TEST(GroupsTest, QualityAtItsLimits) {
  EXPECT_EQ(QualityPercent(0), 100);
  EXPECT_EQ(QualityPercent(1), 99);
  EXPECT_EQ(QualityPercent(750), 50);
  EXPECT_EQ(QualityPercent(1000), 33);
  EXPECT_EQ(QualityPercent(5000), 33);
}

TEST(GroupsTest, RingsJoinGroupsAndDamageIsNoticed) {
  MatchRings rings(8);
  rings.Join(0, 1);
  rings.Join(2, 3);
  rings.Join(4, 5);
  rings.Join(1, 3);  // merges the first two groups
  rings.Join(0, 2);  // already one group: nothing changes
  EXPECT_TRUE(rings.SameGroup(0, 3));
  EXPECT_FALSE(rings.SameGroup(0, 4));
  std::vector<uint8_t> paired = {1, 1, 1, 1, 1, 1, 0, 0};
  CollectedGroups sound = CollectRings(rings, paired);
  EXPECT_FALSE(sound.confused);
  ASSERT_EQ(sound.groups.size(), 2u);
  std::set<uint32_t> first(sound.groups[0].begin(), sound.groups[0].end());
  EXPECT_EQ(first, (std::set<uint32_t>{0, 1, 2, 3}));
  EXPECT_EQ(sound.groups[1].size(), 2u);

  // A link bent into the other group: a walk does not come back to its start.
  MatchRings bent = rings;
  bent.links()[5] = 2;
  EXPECT_TRUE(CollectRings(bent, paired).confused);
  // A paired file left alone in a ring of its own.
  MatchRings alone(4);
  alone.Join(0, 1);
  EXPECT_TRUE(CollectRings(alone, {1, 1, 1, 0}).confused);
  EXPECT_FALSE(CollectRings(alone, {1, 1, 0, 0}).confused);
}

}  // namespace
}  // namespace vr::search
