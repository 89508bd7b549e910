#pragma once
// Comparing fingerprints. Four kinds are tried in order: colour, colour with the brightness
// shifted by +T or -T, grey, grey shifted; the first that matches names the pair's kind. A pixel
// matches when every compared channel differs by at most T; a pair matches when at least R of
// its 64 pixels do. The test of 16 pixels is branch-free on byte vectors (SSE2 where the
// machine has it); a plain loop gives the same answers and is kept as the reference.

#include <cstdint>
#include <functional>
#include <vector>

#include "lists/search/fingerprint.h"

namespace vr::search {

enum class MatchKind : uint8_t { kNone = 0, kColour = 1, kColourShift = 2, kGrey = 3, kGreyShift = 4 };

// "How Close To Match": 0 "Exact Match", 1 "Close Match  (Best)", 2 "Loose Match".
struct MatchLevel {
  int tolerance;
  int required;
};
MatchLevel LevelValues(int level);

struct CompareSettings {
  int tolerance = 22;
  int required = 59;
  bool black_and_white = false;  // "Allow B&&W Photo Appearance"
  bool brightness = false;       // "Allow Slight Brightness Differences"
  bool any_aspect = false;       // "Allow Large Aspect Differences"
  bool tagged_only = false;      // "Compare tagged ONLY"
};

// The aspect rule in one order: false when 2 rA / 3 >= rB or rB >= 3 rA / 2, r = 100 w / h.
bool AspectPasses(int64_t wa, int64_t ha, int64_t wb, int64_t hb);
// The comparison is symmetric, so a pair is compared when either order passes.
bool AspectCompatible(const FingerPrint& a, const FingerPrint& b);

// The kind of match of two prints (kNone when none), vectorised and plain.
MatchKind MatchPrints(const FingerPrint& a, const FingerPrint& b, const CompareSettings& s);
MatchKind MatchPrintsPlain(const FingerPrint& a, const FingerPrint& b, const CompareSettings& s);
// Pixels of b matching a under one kind only (shift +T, -T or 0), plain loop.
int MatchingPixelsPlain(const FingerPrint& a, const FingerPrint& b, bool grey, int shift, int t);

// The difference of a matched pair: the sum over the 64 pixels of the absolute channel (or grey)
// differences, taken with the shift that matched for the shifted kinds.
int PrintDifference(const FingerPrint& a, const FingerPrint& b, MatchKind kind, int tolerance);

// A matching pair; its difference is left to the caller (PrintDifference), which needs it only
// for the pairs it keeps.
struct FoundPair {
  uint32_t a;
  uint32_t b;
  MatchKind kind;
};

// Walks every unordered pair of prints once (a < b) that the settings let through (aspect,
// tagged-only) and hands each match to `found`; `found` returns false to stop. `stopped` is
// polled once per file. `plain` chooses the reference comparison. Gives false when stopped.
struct PairLoop {
  const std::vector<FingerPrint>* prints = nullptr;
  const std::vector<uint8_t>* tagged = nullptr;  // may be null (nothing tagged)
  CompareSettings settings;
  bool plain = false;
  std::function<bool(const FoundPair&)> found;
  std::function<bool(uint32_t remaining)> stopped;  // also the progress point
};
bool RunPairLoop(const PairLoop& loop);

}  // namespace vr::search
