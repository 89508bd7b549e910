#include "colour/optimised_palette.h"

#include <algorithm>
#include <cmath>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstdlib>

#include "colour/nearest_entry.h"

namespace vr::colour {

using picture::Rgb;

namespace {

constexpr int kCells = 64 * 64 * 64;
constexpr uint32_t kSummed = 1u << 24;
// Lloyd rounds stop when a round takes less than this share off the error, or after kMaxRounds.
constexpr double kSettled = 2e-4;
constexpr int kMaxRounds = 40;
// Lloyd's method starts a second time (from the other way of cutting) only when points times
// entries stay below this: on many colours the second start costs more than it gains.
constexpr size_t kSecondStartWork = 1'000'000;
// Above this many 6-bit cells, the cells are merged eight by eight for the search.
constexpr size_t kMaxPoints = 40'000;
// Rounds over the pixels after the cells, and about how many pixels each looks at.
constexpr int kPixelRounds = 3;
constexpr int64_t kRefinePixels = 500'000;
// Moves of entries to crowded groups (MoveEntries): Lloyd rounds after each try, and entries
// per pair moved at once (256 entries: 16 pairs).
constexpr int kMoveRounds = 4;
constexpr int kEntriesPerMove = 16;
// Pictures of at most this many 6-bit cells, whose exact colours times entries stay within
// kExactWork, are refined on their exact colours: to the end when that product stays within
// kExactFullWork, else for kExactRounds rounds, then kMoves moves of entries (MoveEntries).
constexpr size_t kExactCells = 16'000;
constexpr size_t kExactWork = 8'000'000;
constexpr size_t kExactFullWork = 2'000'000;
constexpr int kExactRounds = 4;
constexpr int kMoves = 2;

// Work point: a cell's mean and weight.
struct Point {
  float r, g, b, w;
};

// Weighted sums over a run of points: enough for the mean and the squared error.
struct Moments {
  double w = 0, r = 0, g = 0, b = 0, sq = 0;
  void Add(const Point& p) {
    w += p.w;
    r += p.w * p.r;
    g += p.w * p.g;
    b += p.w * p.b;
    sq += p.w * (double(p.r) * p.r + double(p.g) * p.g + double(p.b) * p.b);
  }
  double Error() const { return w > 0 ? sq - (r * r + g * g + b * b) / w : 0; }
};

struct Box {
  size_t begin, end;  // a run of the point order
  double error;
};

Moments MomentsOf(const std::vector<Point>& points, const std::vector<uint32_t>& order,
                  size_t begin, size_t end) {
  Moments m;
  for (size_t i = begin; i < end; ++i) m.Add(points[order[i]]);
  return m;
}

float Axis(const Point& p, int axis) { return axis == 0 ? p.r : axis == 1 ? p.g : p.b; }

// The best cut of a box: along one axis, between two of 256 value bins, the one that leaves the
// least total squared error in the two halves.
struct Cut {
  int axis = -1;
  float below = 0;  // points with a value below this go first
  double gain = 0;  // how much the cut takes off the box's squared error
};

Cut BestCut(const std::vector<Point>& points, const std::vector<uint32_t>& order, size_t begin,
            size_t end, double error, std::vector<Moments>& bins) {
  Cut best;
  if (end - begin < 2 || error <= 0) return best;
  for (int axis = 0; axis < 3; ++axis) {
    bins.assign(256, Moments{});
    for (size_t i = begin; i < end; ++i) {
      const Point& p = points[order[i]];
      bins[std::min(255, static_cast<int>(Axis(p, axis)))].Add(p);
    }
    Moments all;
    for (const Moments& m : bins) {
      all.w += m.w;
      all.r += m.r;
      all.g += m.g;
      all.b += m.b;
      all.sq += m.sq;
    }
    Moments low;
    for (int cut = 1; cut < 256; ++cut) {
      const Moments& m = bins[cut - 1];
      low.w += m.w;
      low.r += m.r;
      low.g += m.g;
      low.b += m.b;
      low.sq += m.sq;
      if (low.w <= 0 || bins[cut].w <= 0) continue;
      if (low.w >= all.w) break;
      Moments high;
      high.w = all.w - low.w;
      high.r = all.r - low.r;
      high.g = all.g - low.g;
      high.b = all.b - low.b;
      high.sq = all.sq - low.sq;
      const double gain = error - low.Error() - high.Error();
      if (gain > best.gain) {
        best.gain = gain;
        best.axis = axis;
        best.below = static_cast<float>(cut);
      }
    }
  }
  return best;
}

struct Part {
  Box box;
  Cut cut;
};

// Initial entries: boxes cut greedily, each time either the box whose cut takes the most off the
// total error (`by_gain`) or the box of the largest error.
std::vector<Box> SplitIntoBoxes(const std::vector<Point>& points, std::vector<uint32_t>& order,
                                int colours, bool by_gain) {
  std::vector<Moments> bins;
  std::vector<Part> parts;
  auto make = [&](size_t begin, size_t end) {
    Part part;
    part.box = Box{begin, end, MomentsOf(points, order, begin, end).Error()};
    part.cut = BestCut(points, order, begin, end, part.box.error, bins);
    return part;
  };
  parts.push_back(make(0, points.size()));
  while (static_cast<int>(parts.size()) < colours) {
    size_t pick = parts.size();
    for (size_t i = 0; i < parts.size(); ++i) {
      if (parts[i].cut.axis < 0) continue;
      if (pick == parts.size()) {
        pick = i;
        continue;
      }
      const bool better = by_gain ? parts[i].cut.gain > parts[pick].cut.gain
                                  : parts[i].box.error > parts[pick].box.error;
      if (better) pick = i;
    }
    if (pick == parts.size()) break;
    const Part part = parts[pick];
    const int axis = part.cut.axis;
    const auto first = order.begin() + static_cast<std::ptrdiff_t>(part.box.begin);
    const auto last = order.begin() + static_cast<std::ptrdiff_t>(part.box.end);
    const auto middle = std::stable_partition(
        first, last, [&](uint32_t i) { return Axis(points[i], axis) < part.cut.below; });
    const size_t at = part.box.begin + static_cast<size_t>(middle - first);
    parts[pick] = make(part.box.begin, at);
    parts.push_back(make(at, part.box.end));
  }
  std::vector<Box> boxes;
  for (const Part& part : parts) boxes.push_back(part.box);
  return boxes;
}

constexpr float kFar = 1e15f;

// The nearest and second-nearest of `n` entries (a multiple of 4, held channel by channel) to
// (r, g, b): the least squared distance, the first entry at it, and the second least (equal to
// the least when two entries tie).
struct Two {
  float least, second;
  size_t index;
};

Two NearestTwo(const float* cr, const float* cg, const float* cb, size_t n, float r, float g,
               float b) {
#if defined(__SSE2__)
  const __m128 vr = _mm_set1_ps(r), vg = _mm_set1_ps(g), vb = _mm_set1_ps(b);
  __m128 m1 = _mm_set1_ps(3 * kFar * kFar), m2 = m1;
  __m128i at = _mm_setzero_si128();
  __m128i idx = _mm_setr_epi32(0, 1, 2, 3);
  const __m128i four = _mm_set1_epi32(4);
  for (size_t c = 0; c < n; c += 4) {
    const __m128 dr = _mm_sub_ps(vr, _mm_loadu_ps(cr + c));
    const __m128 dg = _mm_sub_ps(vg, _mm_loadu_ps(cg + c));
    const __m128 db = _mm_sub_ps(vb, _mm_loadu_ps(cb + c));
    const __m128 d = _mm_add_ps(_mm_add_ps(_mm_mul_ps(dr, dr), _mm_mul_ps(dg, dg)),
                                _mm_mul_ps(db, db));
    const __m128i less = _mm_castps_si128(_mm_cmplt_ps(d, m1));
    at = _mm_or_si128(_mm_and_si128(less, idx), _mm_andnot_si128(less, at));
    m2 = _mm_min_ps(m2, _mm_max_ps(m1, d));
    m1 = _mm_min_ps(m1, d);
    idx = _mm_add_epi32(idx, four);
  }
  alignas(16) float l1[4], l2[4];
  alignas(16) int32_t li[4];
  _mm_store_ps(l1, m1);
  _mm_store_ps(l2, m2);
  _mm_store_si128(reinterpret_cast<__m128i*>(li), at);
#else
  float l1[4], l2[4];
  int32_t li[4];
  for (int lane = 0; lane < 4; ++lane) {
    l1[lane] = l2[lane] = 3 * kFar * kFar;
    li[lane] = 0;
  }
  for (size_t c = 0; c < n; ++c) {
    const float dr = r - cr[c], dg = g - cg[c], db = b - cb[c];
    const float d = dr * dr + dg * dg + db * db;
    const size_t lane = c & 3;
    if (d < l1[lane]) li[lane] = static_cast<int32_t>(c);
    l2[lane] = std::min(l2[lane], std::max(l1[lane], d));
    l1[lane] = std::min(l1[lane], d);
  }
#endif
  int lane = 0;
  for (int i = 1; i < 4; ++i) {
    if (l1[i] < l1[lane] || (l1[i] == l1[lane] && li[i] < li[lane])) lane = i;
  }
  Two two{l1[lane], l2[lane], static_cast<size_t>(li[lane])};
  for (int i = 0; i < 4; ++i) {
    if (i != lane) two.second = std::min(two.second, l1[i]);
  }
  return two;
}

// The boxes' weighted means, as entries (r, g, b).
std::vector<float> MeansOf(const std::vector<Point>& points, const std::vector<uint32_t>& order,
                           const std::vector<Box>& boxes) {
  std::vector<float> centres(boxes.size() * 3);
  for (size_t c = 0; c < boxes.size(); ++c) {
    const Moments m = MomentsOf(points, order, boxes[c].begin, boxes[c].end);
    centres[c * 3] = static_cast<float>(m.r / m.w);
    centres[c * 3 + 1] = static_cast<float>(m.g / m.w);
    centres[c * 3 + 2] = static_cast<float>(m.b / m.w);
  }
  return centres;
}

// Lloyd's method over the points, from `centres` (r, g, b per entry), for at most `max_rounds`
// rounds, with Hamerly's bounds: a point keeps its entry without a search while its distance to
// it is within half the distance from that entry to the nearest other one, or within a lower
// bound on its distance to every other entry (the second-nearest distance when last searched,
// less the farthest any entry has moved since).
// The entries are held channel by channel and searched four at a time. Of equal distances the
// point's own entry, then the first, wins. Returns the squared error of the last round;
// `centres` receives the entries where that round moved them.
double Refine(const std::vector<Point>& points, std::vector<float>& centres, int max_rounds) {
  const size_t k = centres.size() / 3;
  std::vector<uint16_t> owner(points.size(), 0);
  std::vector<float> lower(points.size(), 0.0f);  // 0: search at once
  // Padded to whole groups of four; the padding lies far from every colour.
  const size_t padded = (k + 3) / 4 * 4;
  std::vector<float> cr(padded, kFar), cg(padded, kFar), cb(padded, kFar);
  for (size_t c = 0; c < k; ++c) {
    cr[c] = centres[c * 3];
    cg[c] = centres[c * 3 + 1];
    cb[c] = centres[c * 3 + 2];
  }
  auto nearest_two = [&](float r, float g, float b) {
    return NearestTwo(cr.data(), cg.data(), cb.data(), padded, r, g, b);
  };
  std::vector<float> keep(k), before_r, before_g, before_b;
  std::vector<double> acc(k * 4);
  double last_error = -1;
  for (int round = 0; round < max_rounds; ++round) {
    for (size_t c = 0; c < k; ++c) {
      // The entry itself is the nearest (at 0); the second is the nearest other one.
      keep[c] = std::sqrt(nearest_two(cr[c], cg[c], cb[c]).second) / 2;
    }
    std::fill(acc.begin(), acc.end(), 0.0);
    double error = 0;
    for (size_t i = 0; i < points.size(); ++i) {
      const Point& p = points[i];
      size_t best = owner[i];
      const float dr = p.r - cr[best], dg = p.g - cg[best], db = p.b - cb[best];
      float best_d = dr * dr + dg * dg + db * db;
      const float d = std::sqrt(best_d);
      if (d > keep[best] && d > lower[i]) {
        const Two two = nearest_two(p.r, p.g, p.b);
        if (two.least < best_d) {
          best = two.index;
          best_d = two.least;
        }
        owner[i] = static_cast<uint16_t>(best);
        lower[i] = std::sqrt(two.second);
      }
      double* a = &acc[best * 4];
      a[0] += double(p.w) * p.r;
      a[1] += double(p.w) * p.g;
      a[2] += double(p.w) * p.b;
      a[3] += p.w;
      error += double(p.w) * best_d;
    }
    before_r = cr;
    before_g = cg;
    before_b = cb;
    float moved = 0;
    for (size_t c = 0; c < k; ++c) {
      const double* a = &acc[c * 4];
      if (a[3] <= 0) continue;  // serves nothing: stays where it was
      cr[c] = static_cast<float>(a[0] / a[3]);
      cg[c] = static_cast<float>(a[1] / a[3]);
      cb[c] = static_cast<float>(a[2] / a[3]);
      const float mr = cr[c] - before_r[c], mg = cg[c] - before_g[c], mb = cb[c] - before_b[c];
      moved = std::max(moved, std::sqrt(mr * mr + mg * mg + mb * mb));
    }
    for (float& l : lower) l -= moved;
    const bool settled = last_error >= 0 && last_error - error <= last_error * kSettled;
    last_error = error;
    if (settled) break;
  }
  for (size_t c = 0; c < k; ++c) {
    centres[c * 3] = cr[c];
    centres[c * 3 + 1] = cg[c];
    centres[c * 3 + 2] = cb[c];
  }
  return last_error;
}

// Lloyd's method stops in a local best: an entry may serve a few colours that a neighbour would
// serve almost as well while another serves a wide spread alone. Each of `moves` tries pairs
// the entries whose colours would cost least if they went to their second-nearest entries with
// the groups of the largest squared error, and moves each such entry into its group, which the
// two then share (each at the mean of one side of the group's cut across its widest spread); a
// few Lloyd rounds follow, and the moves stay only when the total error falls. A try that does
// not pay is made again with half as many pairs; a single pair that does not pay marks its
// group, which later tries pass over. Returns the error.
double MoveEntries(const std::vector<Point>& points, std::vector<float>& centres, double error,
                   int moves) {
  const size_t k = centres.size() / 3;
  if (k < 3 || points.size() <= k) return error;
  const size_t padded = (k + 3) / 4 * 4;
  std::vector<float> cr(padded), cg(padded), cb(padded);
  std::vector<uint16_t> owner(points.size());
  std::vector<double> cost(k), spread(k);
  std::vector<bool> tried(k, false);
  std::vector<uint32_t> members, by_cost, by_spread;
  std::vector<bool> paired(k);
  std::vector<std::pair<uint32_t, uint32_t>> pairs;
  std::vector<float> trial;
  int batch = std::max<int>(1, static_cast<int>(k) / kEntriesPerMove);
  for (int move = 0; move < moves; ++move) {
    std::fill(cr.begin(), cr.end(), kFar);
    std::fill(cg.begin(), cg.end(), kFar);
    std::fill(cb.begin(), cb.end(), kFar);
    for (size_t c = 0; c < k; ++c) {
      cr[c] = centres[c * 3];
      cg[c] = centres[c * 3 + 1];
      cb[c] = centres[c * 3 + 2];
    }
    std::fill(cost.begin(), cost.end(), 0.0);
    std::fill(spread.begin(), spread.end(), 0.0);
    for (size_t i = 0; i < points.size(); ++i) {
      const Point& p = points[i];
      const Two two = NearestTwo(cr.data(), cg.data(), cb.data(), padded, p.r, p.g, p.b);
      owner[i] = static_cast<uint16_t>(two.index);
      cost[two.index] += double(p.w) * (two.second - two.least);
      spread[two.index] += double(p.w) * two.least;
    }
    // Pairs of an entry to move (least cost first) and a group to share (largest error first),
    // each entry in one pair at most.
    by_cost.resize(k);
    by_spread.resize(k);
    for (size_t c = 0; c < k; ++c) by_cost[c] = by_spread[c] = static_cast<uint32_t>(c);
    std::stable_sort(by_cost.begin(), by_cost.end(),
                     [&](uint32_t a, uint32_t b) { return cost[a] < cost[b]; });
    std::stable_sort(by_spread.begin(), by_spread.end(),
                     [&](uint32_t a, uint32_t b) { return spread[a] > spread[b]; });
    std::fill(paired.begin(), paired.end(), false);
    pairs.clear();
    size_t next_target = 0;
    for (uint32_t victim : by_cost) {
      if (static_cast<int>(pairs.size()) >= batch) break;
      if (paired[victim]) continue;
      while (next_target < k && (paired[by_spread[next_target]] || tried[by_spread[next_target]] ||
                                 by_spread[next_target] == victim))
        ++next_target;
      if (next_target == k) break;
      const uint32_t target = by_spread[next_target];
      if (spread[target] <= cost[victim]) break;
      paired[victim] = paired[target] = true;
      pairs.push_back({victim, target});
    }
    if (pairs.empty()) break;
    // Each target group's widest spread: its covariance's leading axis, by power iteration;
    // then the two sides of the cut across it through the entry.
    trial = centres;
    for (size_t pair = 0; pair < pairs.size(); ++pair) {
      const uint32_t victim = pairs[pair].first, target = pairs[pair].second;
      double cov[6] = {};  // rr, rg, rb, gg, gb, bb about the entry
      const float mr = cr[target], mg = cg[target], mb = cb[target];
      members.clear();
      for (size_t i = 0; i < points.size(); ++i) {
        if (owner[i] != target) continue;
        members.push_back(static_cast<uint32_t>(i));
        const Point& p = points[i];
        const double dr = p.r - mr, dg = p.g - mg, db = p.b - mb, w = p.w;
        cov[0] += w * dr * dr;
        cov[1] += w * dr * dg;
        cov[2] += w * dr * db;
        cov[3] += w * dg * dg;
        cov[4] += w * dg * db;
        cov[5] += w * db * db;
      }
      double axis[3] = {1, 1, 1};
      for (int step = 0; step < 12; ++step) {
        const double x = cov[0] * axis[0] + cov[1] * axis[1] + cov[2] * axis[2];
        const double y = cov[1] * axis[0] + cov[3] * axis[1] + cov[4] * axis[2];
        const double z = cov[2] * axis[0] + cov[4] * axis[1] + cov[5] * axis[2];
        const double length = std::sqrt(x * x + y * y + z * z);
        if (length <= 0) break;
        axis[0] = x / length;
        axis[1] = y / length;
        axis[2] = z / length;
      }
      Moments low, high;
      for (uint32_t i : members) {
        const Point& p = points[i];
        const double t = (p.r - mr) * axis[0] + (p.g - mg) * axis[1] + (p.b - mb) * axis[2];
        (t < 0 ? low : high).Add(p);
      }
      if (low.w <= 0 || high.w <= 0) continue;
      trial[victim * 3] = static_cast<float>(high.r / high.w);
      trial[victim * 3 + 1] = static_cast<float>(high.g / high.w);
      trial[victim * 3 + 2] = static_cast<float>(high.b / high.w);
      trial[target * 3] = static_cast<float>(low.r / low.w);
      trial[target * 3 + 1] = static_cast<float>(low.g / low.w);
      trial[target * 3 + 2] = static_cast<float>(low.b / low.w);
    }
    const double moved = Refine(points, trial, kMoveRounds);
    if (moved < error) {
      error = moved;
      centres.swap(trial);
      std::fill(tried.begin(), tried.end(), false);
    } else if (batch > 1) {
      batch /= 2;
    } else {
      tried[pairs[0].second] = true;
    }
  }
  return error;
}

// Lloyd rounds over the pixels, each entry moved to the mean of the pixels nearest to it.
// Returns the mean squared distance of the last round's pixels to their entries.
double RefineOnPixels(const picture::Bitmap& bgr, int rounds, int cell_shift, bool remember,
                      std::vector<Rgb>* palette) {
  const size_t k = palette->size();
  std::vector<uint16_t> searched(k);
  for (size_t i = 0; i < k; ++i) searched[i] = static_cast<uint16_t>(i);
  const int64_t pixels = int64_t{bgr.Width()} * bgr.Height();
  const int row_step = static_cast<int>(std::max<int64_t>(1, pixels / kRefinePixels + 1));
  NearestEntry nearest(cell_shift, remember);
  std::vector<uint64_t> acc(k * 4);
  double mean_error = 0;
  for (int round = 0; round < rounds; ++round) {
    nearest.SetPalette(*palette, searched);
    std::fill(acc.begin(), acc.end(), 0);
    uint64_t error = 0, counted = 0;
    for (int y = row_step / 2; y < bgr.Height(); y += row_step) {
      const uint8_t* p = bgr.Row(y);
      for (int x = 0; x < bgr.Width(); ++x, p += 3) {
        const uint8_t i = nearest.Find(p[2], p[1], p[0]);
        const Rgb e = (*palette)[i];
        const int dr = p[2] - e.r, dg = p[1] - e.g, db = p[0] - e.b;
        error += static_cast<uint64_t>(dr * dr + dg * dg + db * db);
        ++counted;
        uint64_t* a = &acc[size_t{i} * 4];
        a[0] += p[2];
        a[1] += p[1];
        a[2] += p[0];
        a[3] += 1;
      }
    }
    for (size_t c = 0; c < k; ++c) {
      const uint64_t* a = &acc[c * 4];
      if (a[3] == 0) continue;
      (*palette)[c] = Rgb{static_cast<uint8_t>((a[0] + a[3] / 2) / a[3]),
                          static_cast<uint8_t>((a[1] + a[3] / 2) / a[3]),
                          static_cast<uint8_t>((a[2] + a[3] / 2) / a[3])};
    }
    mean_error = counted > 0 ? double(error) / double(counted) : 0;
  }
  return mean_error;
}

// The picture's exact colours as points, when its colours repeat: each occupied 6-bit cell
// holds 4 x 4 x 4 exact colours. False (and no points) when the cells are too many or the
// colours more than `limit`.
bool ExactPoints(const ColourHistogram& histogram, const picture::Bitmap& bgr, size_t limit,
                 std::vector<Point>* points) {
  points->clear();
  const auto& cells = histogram.Cells();
  if (cells.size() > kExactCells) return false;
  std::vector<uint32_t> slot(kCells, UINT32_MAX);  // a cell's place in `cells`
  for (size_t i = 0; i < cells.size(); ++i) slot[cells[i].key] = static_cast<uint32_t>(i);
  std::vector<uint32_t> counts(cells.size() * 64, 0);
  for (int y = 0; y < bgr.Height(); ++y) {
    const uint8_t* p = bgr.Row(y);
    for (int x = 0; x < bgr.Width(); ++x, p += 3) {
      const uint32_t key = ((p[2] >> 2) << 12) | ((p[1] >> 2) << 6) | (p[0] >> 2);
      if (slot[key] == UINT32_MAX) return false;  // not the picture counted
      const uint32_t sub = ((p[2] & 3u) << 4) | ((p[1] & 3u) << 2) | (p[0] & 3u);
      uint32_t& n = counts[size_t{slot[key]} * 64 + sub];
      if (n != UINT32_MAX) ++n;
    }
  }
  for (size_t i = 0; i < counts.size(); ++i) {
    if (counts[i] == 0) continue;
    if (points->size() >= limit) {
      points->clear();
      return false;
    }
    const uint32_t key = cells[i / 64].key, sub = static_cast<uint32_t>(i % 64);
    points->push_back(Point{static_cast<float>(((key >> 12) << 2) | (sub >> 4)),
                            static_cast<float>((((key >> 6) & 63) << 2) | ((sub >> 2) & 3)),
                            static_cast<float>(((key & 63) << 2) | (sub & 3)),
                            static_cast<float>(counts[i])});
  }
  return true;
}

uint8_t ToByte(float v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

}  // namespace

bool ColourHistogram::Count(const picture::Bitmap& bgr24) {
  cells_.clear();
  try {
    // Per cell: pixel count, then the sums of red, green and blue over its first 2^24 pixels
    // (enough for the mean, and within 32 bits).
    std::vector<uint32_t> table(static_cast<size_t>(kCells) * 4, 0);
    for (int y = 0; y < bgr24.Height(); ++y) {
      const uint8_t* p = bgr24.Row(y);
      for (int x = 0; x < bgr24.Width(); ++x, p += 3) {
        const uint32_t key = ((p[2] >> 2) << 12) | ((p[1] >> 2) << 6) | (p[0] >> 2);
        uint32_t* t = &table[size_t{key} * 4];
        if (t[0] >= kSummed) {
          if (t[0] != UINT32_MAX) ++t[0];
          continue;
        }
        ++t[0];
        t[1] += p[2];
        t[2] += p[1];
        t[3] += p[0];
      }
    }
    for (uint32_t key = 0; key < kCells; ++key) {
      const uint32_t* t = &table[size_t{key} * 4];
      if (t[0] == 0) continue;
      const double n = std::min(t[0], kSummed);
      cells_.push_back(Cell{static_cast<float>(t[1] / n), static_cast<float>(t[2] / n),
                            static_cast<float>(t[3] / n), t[0], key});
    }
  } catch (const std::bad_alloc&) {
    cells_.clear();
    return false;
  }
  return true;
}

std::vector<Rgb> OptimisedPalette(const ColourHistogram& histogram, int colours,
                                  const picture::Bitmap* pixels, double* mean_error) {
  colours = std::clamp(colours, 1, 256);
  const auto& cells = histogram.Cells();
  std::vector<Point> points;
  if (cells.size() <= kMaxPoints) {
    points.reserve(cells.size());
    for (const auto& c : cells) points.push_back(Point{c.r, c.g, c.b, static_cast<float>(c.count)});
  } else {
    // Many colours: the search runs over cells twice as wide (the rounds over the pixels then
    // place the entries finely).
    std::vector<double> merged(32 * 32 * 32 * 4, 0.0);
    for (const auto& c : cells) {
      const uint32_t key = ((c.key >> 13) << 10) | (((c.key >> 7) & 31) << 5) | ((c.key >> 1) & 31);
      double* m = &merged[key * 4];
      m[0] += double(c.r) * c.count;
      m[1] += double(c.g) * c.count;
      m[2] += double(c.b) * c.count;
      m[3] += c.count;
    }
    for (size_t key = 0; key < 32 * 32 * 32; ++key) {
      const double* m = &merged[key * 4];
      if (m[3] > 0) {
        points.push_back(Point{static_cast<float>(m[0] / m[3]), static_cast<float>(m[1] / m[3]),
                               static_cast<float>(m[2] / m[3]), static_cast<float>(m[3])});
      }
    }
  }
  std::vector<Rgb> palette;
  if (points.empty()) return palette;
  // Lloyd's method ends in a local best that depends on where it starts: it starts from both
  // ways of cutting, and the lower error wins.
  std::vector<uint32_t> order(points.size());
  std::vector<float> centres, other;
  double least = 0;
  for (bool by_gain : {true, false}) {
    if (!by_gain && points.size() * static_cast<size_t>(colours) > kSecondStartWork) break;
    for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<uint32_t>(i);
    const std::vector<Box> boxes = SplitIntoBoxes(points, order, colours, by_gain);
    other = MeansOf(points, order, boxes);
    const double error = Refine(points, other, kMaxRounds);
    if (centres.empty() || error < least) {
      least = error;
      centres.swap(other);
    }
  }
  // A picture of few colours is refined on its exact colours, which also stand in for the
  // rounds over the pixels.
  std::vector<Point> exact;
  const bool on_pixels = pixels != nullptr && pixels->Format() == picture::PixelFormat::k24;
  const size_t k = centres.size() / 3;
  const bool exactly =
      on_pixels && k > 0 && ExactPoints(histogram, *pixels, kExactWork / k, &exact);
  if (exactly) {
    least = Refine(exact, centres, exact.size() * k <= kExactFullWork ? kMaxRounds : kExactRounds);
    least = MoveEntries(exact, centres, least, kMoves);
    points.swap(exact);
  }
  for (size_t c = 0; c < centres.size() / 3; ++c)
    palette.push_back(
        Rgb{ToByte(centres[c * 3]), ToByte(centres[c * 3 + 1]), ToByte(centres[c * 3 + 2])});
  if (on_pixels) {
    double weight = 0;
    for (const Point& p : points) weight += p.w;
    const double error = weight > 0 ? least / weight : 0;
    if (exactly) {
      if (mean_error != nullptr) *mean_error = error;
    } else {
      const double pixel_error = RefineOnPixels(*pixels, kPixelRounds, NearestCellShift(error),
                                                ColoursRepeat(histogram), &palette);
      if (mean_error != nullptr) *mean_error = pixel_error;
    }
  }
  return palette;
}

}  // namespace vr::colour
