#include "lists/search/compare.h"

#include <algorithm>
#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// Processors with 32-byte vectors take a second form of the test, chosen at run time.
#if defined(__x86_64__) && defined(__GNUC__) && defined(__SSE2__)
#define VR_WIDE_COMPARE 1
#include <immintrin.h>
#endif

namespace vr::search {

MatchLevel LevelValues(int level) {
  switch (level) {
    case 0:
      return {3, 62};
    case 2:
      return {33, 58};
    default:
      return {22, 59};
  }
}

bool AspectPasses(int64_t wa, int64_t ha, int64_t wb, int64_t hb) {
  if (ha <= 0 || hb <= 0) return false;
  const int64_t ra = 100 * wa / ha;
  const int64_t rb = 100 * wb / hb;
  return !(2 * ra / 3 >= rb || rb >= 3 * ra / 2);
}

bool AspectCompatible(const FingerPrint& a, const FingerPrint& b) {
  return AspectPasses(a.res_x, a.res_y, b.res_x, b.res_y) ||
         AspectPasses(b.res_x, b.res_y, a.res_x, a.res_y);
}

// ---------------------------------------------------------------------------------------------
// Plain reference.

namespace {

bool PixelPlain(int a, int b, int shift, int t) { return std::abs(a - shift - b) <= t; }

}  // namespace

int MatchingPixelsPlain(const FingerPrint& a, const FingerPrint& b, bool grey, int shift, int t) {
  int count = 0;
  for (int i = 0; i < kPrintPixels; ++i) {
    bool ok;
    if (grey) {
      ok = PixelPlain(a.grey[i], b.grey[i], shift, t);
    } else {
      ok = PixelPlain(a.r[i], b.r[i], shift, t) && PixelPlain(a.g[i], b.g[i], shift, t) &&
           PixelPlain(a.b[i], b.b[i], shift, t);
    }
    count += ok ? 1 : 0;
  }
  return count;
}

MatchKind MatchPrintsPlain(const FingerPrint& a, const FingerPrint& b, const CompareSettings& s) {
  const int t = s.tolerance;
  const int r = s.required;
  if (MatchingPixelsPlain(a, b, false, 0, t) >= r) return MatchKind::kColour;
  if (s.brightness && (MatchingPixelsPlain(a, b, false, t, t) >= r ||
                       MatchingPixelsPlain(a, b, false, -t, t) >= r)) {
    return MatchKind::kColourShift;
  }
  if (s.black_and_white) {
    if (MatchingPixelsPlain(a, b, true, 0, t) >= r) return MatchKind::kGrey;
    if (s.brightness && (MatchingPixelsPlain(a, b, true, t, t) >= r ||
                         MatchingPixelsPlain(a, b, true, -t, t) >= r)) {
      return MatchKind::kGreyShift;
    }
  }
  return MatchKind::kNone;
}

int PrintDifference(const FingerPrint& a, const FingerPrint& b, MatchKind kind, int tolerance) {
  const bool grey = kind == MatchKind::kGrey || kind == MatchKind::kGreyShift;
  int best = -1;
  // A shifted match may have matched with either shift: the smaller sum is the one that did.
  const int shifts[2] = {tolerance, -tolerance};
  const int rounds = (kind == MatchKind::kColourShift || kind == MatchKind::kGreyShift) ? 2 : 1;
  for (int round = 0; round < rounds; ++round) {
    const int shift = rounds == 2 ? shifts[round] : 0;
    int sum = 0;
    for (int i = 0; i < kPrintPixels; ++i) {
      if (grey) {
        sum += std::abs(a.grey[i] - shift - b.grey[i]);
      } else {
        sum += std::abs(a.r[i] - shift - b.r[i]) + std::abs(a.g[i] - shift - b.g[i]) +
               std::abs(a.b[i] - shift - b.b[i]);
      }
    }
    if (best < 0 || sum < best) best = sum;
  }
  return best;
}

// ---------------------------------------------------------------------------------------------
// Vectorised test: 16 pixels per step, a running count of failed pixels, and a stop once more
// than 64 - R have failed (the answer cannot change after that).

namespace {

#if defined(__SSE2__)

inline int PopCount16(int mask) { return __builtin_popcount(static_cast<unsigned>(mask)); }

// Mask of pixels where |a - shift - b| <= t, for shift 0, +t or -t (the two shifted forms are
// 0 <= a - b <= 2t and 0 <= b - a <= 2t, so no wider type is needed).
template <int kShift>
inline __m128i ChannelMask(__m128i a, __m128i b, __m128i t, __m128i t2) {
  const __m128i a_minus_b = _mm_subs_epu8(a, b);
  const __m128i b_minus_a = _mm_subs_epu8(b, a);
  const __m128i zero = _mm_setzero_si128();
  if constexpr (kShift == 0) {
    const __m128i d = _mm_or_si128(a_minus_b, b_minus_a);
    return _mm_cmpeq_epi8(_mm_min_epu8(d, t), d);
  } else if constexpr (kShift > 0) {
    return _mm_and_si128(_mm_cmpeq_epi8(b_minus_a, zero),
                         _mm_cmpeq_epi8(_mm_min_epu8(a_minus_b, t2), a_minus_b));
  } else {
    return _mm_and_si128(_mm_cmpeq_epi8(a_minus_b, zero),
                         _mm_cmpeq_epi8(_mm_min_epu8(b_minus_a, t2), b_minus_a));
  }
}

inline __m128i Load(const uint8_t* p) { return _mm_load_si128(reinterpret_cast<const __m128i*>(p)); }

template <bool kGrey, int kShift>
bool Passes(const FingerPrint& a, const FingerPrint& b, int t, int allowed_failures) {
  const __m128i tv = _mm_set1_epi8(static_cast<char>(t));
  const __m128i t2v = _mm_set1_epi8(static_cast<char>(2 * t));
  int failed = 0;
  for (int i = 0; i < kPrintPixels; i += 16) {
    __m128i mask;
    if constexpr (kGrey) {
      mask = ChannelMask<kShift>(Load(a.grey + i), Load(b.grey + i), tv, t2v);
    } else {
      // Red alone first: a pixel whose red fails has failed, and for most pairs of unlike
      // pictures red alone already rules the pair out, so green and blue are never loaded.
      const __m128i red = ChannelMask<kShift>(Load(a.r + i), Load(b.r + i), tv, t2v);
      if (failed + 16 - PopCount16(_mm_movemask_epi8(red)) > allowed_failures) return false;
      mask = _mm_and_si128(
          _mm_and_si128(red, ChannelMask<kShift>(Load(a.g + i), Load(b.g + i), tv, t2v)),
          ChannelMask<kShift>(Load(a.b + i), Load(b.b + i), tv, t2v));
    }
    failed += 16 - PopCount16(_mm_movemask_epi8(mask));
    if (failed > allowed_failures) return false;
  }
  return true;
}

#else

template <int kShift>
inline bool PixelOk(int a, int b, int t) {
  const int d = a - b;
  if constexpr (kShift == 0) return (d <= t) & (d >= -t);
  if constexpr (kShift > 0) return (d >= 0) & (d <= 2 * t);
  return (d <= 0) & (d >= -2 * t);
}

template <bool kGrey, int kShift>
bool Passes(const FingerPrint& a, const FingerPrint& b, int t, int allowed_failures) {
  int failed = 0;
  for (int i = 0; i < kPrintPixels; i += 16) {
    int ok = 0;
    for (int k = i; k < i + 16; ++k) {
      if constexpr (kGrey) {
        ok += PixelOk<kShift>(a.grey[k], b.grey[k], t);
      } else {
        ok += PixelOk<kShift>(a.r[k], b.r[k], t) & PixelOk<kShift>(a.g[k], b.g[k], t) &
              PixelOk<kShift>(a.b[k], b.b[k], t);
      }
    }
    failed += 16 - ok;
    if (failed > allowed_failures) return false;
  }
  return true;
}

#endif

}  // namespace

MatchKind MatchPrints(const FingerPrint& a, const FingerPrint& b, const CompareSettings& s) {
  const int t = s.tolerance;
  const int allowed = kPrintPixels - s.required;
  if (allowed < 0) return MatchKind::kNone;
  if (Passes<false, 0>(a, b, t, allowed)) return MatchKind::kColour;
  if (s.brightness && (Passes<false, 1>(a, b, t, allowed) || Passes<false, -1>(a, b, t, allowed))) {
    return MatchKind::kColourShift;
  }
  if (s.black_and_white) {
    if (Passes<true, 0>(a, b, t, allowed)) return MatchKind::kGrey;
    if (s.brightness && (Passes<true, 1>(a, b, t, allowed) || Passes<true, -1>(a, b, t, allowed))) {
      return MatchKind::kGreyShift;
    }
  }
  return MatchKind::kNone;
}

#if defined(VR_WIDE_COMPARE)
namespace {

// The same tests on 32 pixels per step.
template <int kShift>
__attribute__((target("avx2"))) inline __m256i ChannelMask32(__m256i a, __m256i b, __m256i t,
                                                             __m256i t2) {
  const __m256i a_minus_b = _mm256_subs_epu8(a, b);
  const __m256i b_minus_a = _mm256_subs_epu8(b, a);
  const __m256i zero = _mm256_setzero_si256();
  if constexpr (kShift == 0) {
    const __m256i d = _mm256_or_si256(a_minus_b, b_minus_a);
    return _mm256_cmpeq_epi8(_mm256_min_epu8(d, t), d);
  } else if constexpr (kShift > 0) {
    return _mm256_and_si256(_mm256_cmpeq_epi8(b_minus_a, zero),
                            _mm256_cmpeq_epi8(_mm256_min_epu8(a_minus_b, t2), a_minus_b));
  } else {
    return _mm256_and_si256(_mm256_cmpeq_epi8(a_minus_b, zero),
                            _mm256_cmpeq_epi8(_mm256_min_epu8(b_minus_a, t2), b_minus_a));
  }
}

__attribute__((target("avx2"))) inline __m256i Load32(const uint8_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

__attribute__((target("avx2"))) inline int Failed32(__m256i mask) {
  return 32 - __builtin_popcount(static_cast<unsigned>(_mm256_movemask_epi8(mask)));
}

template <bool kGrey, int kShift>
__attribute__((target("avx2"))) bool Passes32(const FingerPrint& a, const FingerPrint& b, int t,
                                              int allowed_failures) {
  const __m256i tv = _mm256_set1_epi8(static_cast<char>(t));
  const __m256i t2v = _mm256_set1_epi8(static_cast<char>(2 * t));
  int failed = 0;
  for (int i = 0; i < kPrintPixels; i += 32) {
    __m256i mask;
    if constexpr (kGrey) {
      mask = ChannelMask32<kShift>(Load32(a.grey + i), Load32(b.grey + i), tv, t2v);
    } else {
      const __m256i red = ChannelMask32<kShift>(Load32(a.r + i), Load32(b.r + i), tv, t2v);
      if (failed + Failed32(red) > allowed_failures) return false;
      mask = _mm256_and_si256(
          _mm256_and_si256(red, ChannelMask32<kShift>(Load32(a.g + i), Load32(b.g + i), tv, t2v)),
          ChannelMask32<kShift>(Load32(a.b + i), Load32(b.b + i), tv, t2v));
    }
    failed += Failed32(mask);
    if (failed > allowed_failures) return false;
  }
  return true;
}

__attribute__((target("avx2"))) MatchKind MatchPrints32(const FingerPrint& a, const FingerPrint& b,
                                                        const CompareSettings& s) {
  const int t = s.tolerance;
  const int allowed = kPrintPixels - s.required;
  if (allowed < 0) return MatchKind::kNone;
  if (Passes32<false, 0>(a, b, t, allowed)) return MatchKind::kColour;
  if (s.brightness &&
      (Passes32<false, 1>(a, b, t, allowed) || Passes32<false, -1>(a, b, t, allowed))) {
    return MatchKind::kColourShift;
  }
  if (s.black_and_white) {
    if (Passes32<true, 0>(a, b, t, allowed)) return MatchKind::kGrey;
    if (s.brightness &&
        (Passes32<true, 1>(a, b, t, allowed) || Passes32<true, -1>(a, b, t, allowed))) {
      return MatchKind::kGreyShift;
    }
  }
  return MatchKind::kNone;
}

}  // namespace
#endif

namespace {

// The first 16 red bytes of every print, packed: most pairs of unlike pictures are ruled out by
// these alone, and packed they stay in cache for a whole pass where the full prints would stream
// from memory once per file.
struct alignas(16) RedHead {
  uint8_t r[16];
};

#if defined(__SSE2__)
// True when the heads alone show the pair fails colour (and, with `brightness`, both shifted
// colour tests): more than `allowed` of the 16 red pixels differ beyond what each test allows.
inline bool HeadsRuleOut(const RedHead& a, const RedHead& b, int t, int allowed, bool brightness) {
  const __m128i av = _mm_load_si128(reinterpret_cast<const __m128i*>(a.r));
  const __m128i bv = _mm_load_si128(reinterpret_cast<const __m128i*>(b.r));
  const __m128i tv = _mm_set1_epi8(static_cast<char>(t));
  const __m128i t2v = _mm_set1_epi8(static_cast<char>(2 * t));
  const auto fails = [&](__m128i mask) { return 16 - PopCount16(_mm_movemask_epi8(mask)) > allowed; };
  if (!fails(ChannelMask<0>(av, bv, tv, t2v))) return false;
  if (!brightness) return true;
  return fails(ChannelMask<1>(av, bv, tv, t2v)) && fails(ChannelMask<-1>(av, bv, tv, t2v));
}
#endif

// A print's side of the aspect rule, worked out once per print rather than once per pair (the
// rule's four integer divisions cost more than the whole vector test of a pair).
struct AspectRange {
  int64_t ratio = 0;  // 100 w / h
  int64_t low = 0;    // 2 r / 3
  int64_t high = 0;   // 3 r / 2
  bool valid = false;
};

AspectRange RangeOf(const FingerPrint& p) {
  AspectRange range;
  if (p.res_y <= 0) return range;
  range.ratio = 100 * static_cast<int64_t>(p.res_x) / p.res_y;
  range.low = 2 * range.ratio / 3;
  range.high = 3 * range.ratio / 2;
  range.valid = true;
  return range;
}

// AspectPasses(a, b) || AspectPasses(b, a) on the ranges.
inline bool RangesCompatible(const AspectRange& a, const AspectRange& b) {
  if (!a.valid || !b.valid) return false;
  return !(a.low >= b.ratio || b.ratio >= a.high) || !(b.low >= a.ratio || a.ratio >= b.high);
}

}  // namespace

bool RunPairLoop(const PairLoop& loop) {
  const std::vector<FingerPrint>& prints = *loop.prints;
  const uint32_t n = static_cast<uint32_t>(prints.size());
  const CompareSettings& s = loop.settings;
  const bool any_tagged = loop.tagged != nullptr;
  std::vector<AspectRange> ranges;
  if (!s.any_aspect && !loop.plain) {
    ranges.reserve(n);
    for (const FingerPrint& p : prints) ranges.push_back(RangeOf(p));
  }
  // Grey may match where red does not, so the heads only rule pairs out without it.
  const int allowed = kPrintPixels - s.required;
#if defined(__SSE2__)
  const bool use_heads = !loop.plain && !s.black_and_white && allowed >= 0;
#else
  const bool use_heads = false;
#endif
  std::vector<RedHead> heads;
  if (use_heads) {
    heads.resize(n);
    for (uint32_t k = 0; k < n; ++k) std::copy(prints[k].r, prints[k].r + 16, heads[k].r);
  }
#if defined(VR_WIDE_COMPARE)
  const bool wide = !loop.plain && __builtin_cpu_supports("avx2");
#endif
  for (uint32_t i = 0; i < n; ++i) {
    if (loop.stopped && loop.stopped(n - i)) return false;
    const FingerPrint& a = prints[i];
    const bool a_tagged = any_tagged && (*loop.tagged)[i] != 0;
    for (uint32_t j = i + 1; j < n; ++j) {
      // Tagged only: at least one of the two must be tagged.
      if (s.tagged_only && !a_tagged && !(any_tagged && (*loop.tagged)[j] != 0)) continue;
      const FingerPrint& b = prints[j];
      if (!s.any_aspect) {
        // The plain loop keeps the rule as written: it is the reference the fast one is held to.
        const bool passes = loop.plain ? AspectCompatible(a, b) : RangesCompatible(ranges[i], ranges[j]);
        if (!passes) continue;
      }
#if defined(__SSE2__)
      if (use_heads && HeadsRuleOut(heads[i], heads[j], s.tolerance, allowed, s.brightness)) continue;
#endif
#if defined(VR_WIDE_COMPARE)
      const MatchKind kind = loop.plain ? MatchPrintsPlain(a, b, s)
                             : wide     ? MatchPrints32(a, b, s)
                                        : MatchPrints(a, b, s);
#else
      const MatchKind kind = loop.plain ? MatchPrintsPlain(a, b, s) : MatchPrints(a, b, s);
#endif
      if (kind == MatchKind::kNone) continue;
      const FoundPair pair{i, j, kind};
      if (!loop.found(pair)) return false;
    }
  }
  return true;
}

}  // namespace vr::search
