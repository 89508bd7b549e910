#include "picture/codecs/jpeg/jpeg_eighth.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace vr::codecs {
namespace {

// ---------------------------------------------------------------------------------------------
// Huffman tables.

constexpr int kFastBits = 9;   // one table look-up decodes every code up to this long
constexpr int kSkipBits = 12;  // the window the AC stepping table reads at once

struct HuffTable {
  bool present = false;
  std::array<uint8_t, 17> counts{};  // codes of each length, 1 to 16
  std::array<uint8_t, 256> values{};
  int value_count = 0;
  // Canonical decoding: the largest code of each length (-1 when none) and the offset from a
  // code of that length to its value's index.
  std::array<int32_t, 18> max_code{};
  std::array<int32_t, 17> value_offset{};
  // (length << 8) | value for every code of at most kFastBits bits, 0 for longer ones.
  std::array<uint16_t, 1 << kFastBits> fast{};
};

// Fills the derived parts of a table read from the file; false for a table libjpeg would
// refuse (more codes of a length than the length holds, DC values beyond 15).
bool BuildTable(HuffTable& t, bool dc) {
  int32_t code = 0;
  int index = 0;
  t.fast.fill(0);
  for (int length = 1; length <= 16; ++length) {
    const int n = t.counts[length];
    // Codes of one length must fit it, and none may be all ones (libjpeg's rule).
    if (n > 0 && code + n >= (int32_t{1} << length)) return false;
    t.value_offset[length] = index - code;
    for (int i = 0; i < n; ++i, ++index, ++code) {
      if (length <= kFastBits) {
        const int shift = kFastBits - length;
        const auto entry = static_cast<uint16_t>((length << 8) | t.values[index]);
        for (int f = code << shift, end = (code + 1) << shift; f < end; ++f) t.fast[f] = entry;
      }
    }
    t.max_code[length] = n > 0 ? code - 1 : -1;
    code <<= 1;
  }
  t.max_code[17] = INT32_MAX;
  if (dc) {
    for (int i = 0; i < t.value_count; ++i) {
      if (t.values[i] > 15) return false;
    }
  }
  return true;
}

// A coefficient from its extra bits.
inline int Extend(uint32_t bits, int size) {
  return bits < (1u << (size - 1)) ? static_cast<int>(bits) - (1 << size) + 1
                                   : static_cast<int>(bits);
}

// Decodes the code at the top of `w`: its length and value. False for a bit pattern that is no
// code of the table.
[[gnu::always_inline]] inline bool DecodeSymbol(const HuffTable& t, uint64_t w, int& length,
                                                int& value) {
  const uint16_t e = t.fast[w >> (64 - kFastBits)];
  if (e != 0) {
    length = e >> 8;
    value = e & 0xFF;
    return true;
  }
  for (int l = kFastBits + 1; l <= 16; ++l) {
    const auto code = static_cast<int32_t>(w >> (64 - l));
    if (code <= t.max_code[l]) {
      const int index = t.value_offset[l] + code;
      if (index < 0 || index >= t.value_count) return false;
      length = l;
      value = t.values[index];
      return true;
    }
  }
  return false;
}

// The AC stepping table of one Huffman table: for every kSkipBits-bit window, as many whole
// codes (with their extra bits) as the window holds, up to and including an end of block and
// while they advance the coefficient index by at most 63. Each entry packs the bits they take
// (0: not even one fits), the index advance plus one when they end the block (the test the
// caller makes against 64), and the advance with 64 added for an end of block.
struct SkipTable {
  std::array<uint32_t, 1 << kSkipBits> entries{};
  // The first code of the window alone, for blocks whose coefficients are kept and for DC
  // differences: its bits with the extra bits (0: longer than the window), in bits 5 to 9 the
  // index advance (0 for an end of block), bit 10 set when it carries a value, and the value
  // (coefficient or difference) in the top half.
  std::array<uint32_t, 1 << kSkipBits> one{};
};

void BuildSkipTable(const HuffTable& t, SkipTable& skip) {
  // One code per window first: (length << 8) | value, 0 when the code is longer than the window.
  std::vector<uint16_t> single(size_t{1} << kSkipBits, 0);
  {
    int32_t code = 0;
    int index = 0;
    for (int length = 1; length <= 16; ++length) {
      for (int i = 0; i < t.counts[length]; ++i, ++index, ++code) {
        if (length > kSkipBits) continue;
        const int shift = kSkipBits - length;
        const auto entry = static_cast<uint16_t>((length << 8) | t.values[index]);
        for (int f = code << shift, end = (code + 1) << shift; f < end; ++f) single[f] = entry;
      }
      code <<= 1;
    }
  }
  constexpr uint32_t kMask = (1u << kSkipBits) - 1;
  for (uint32_t v = 0; v <= kMask; ++v) {
    const uint16_t e = single[v];
    const int length = e >> 8;
    const int run = (e & 0xFF) >> 4;
    const int size = e & 15;
    uint32_t one = 0;
    if (length != 0 && length + size <= kSkipBits) {
      if (size != 0) {
        const uint32_t extra = (v >> (kSkipBits - length - size)) & ((1u << size) - 1);
        const auto coef = static_cast<uint16_t>(static_cast<int16_t>(Extend(extra, size)));
        one = static_cast<uint32_t>(length + size) | static_cast<uint32_t>(run + 1) << 5 |
              1u << 10 | uint32_t{coef} << 16;
      } else {
        one = static_cast<uint32_t>(length) | (run == 15 ? 16u << 5 : 0u);
      }
    }
    skip.one[v] = one;
  }
  for (uint32_t v = 0; v <= kMask; ++v) {
    int used = 0;
    int advance = 0;
    int end = 0;
    while (used < kSkipBits) {
      const uint16_t e = single[(v << used) & kMask];
      const int length = e >> 8;
      if (length == 0 || length > kSkipBits - used) break;
      const int value = e & 0xFF;
      const int run = value >> 4;
      const int size = value & 15;
      if (used + length + size > kSkipBits) break;
      if (size == 0 && run != 15) {  // end of block (libjpeg reads any run without bits so)
        used += length;
        end = 1;
        break;
      }
      const int step = size != 0 ? run + 1 : 16;
      if (advance + step > 63) break;
      advance += step;
      used += length + size;
    }
    skip.entries[v] = used == 0 ? 0
                                : static_cast<uint32_t>(used) |
                                      static_cast<uint32_t>(advance + end) << 5 |
                                      static_cast<uint32_t>(advance + 64 * end) << 12;
  }
}

// Tables built for one file are kept for the next: a folder of photos from one camera or one
// program shares them.
struct TableCache {
  struct Slot {
    std::array<uint8_t, 17> counts{};
    std::array<uint8_t, 256> values{};
    SkipTable skip;
    uint64_t last_file = 0;  // 0: empty
  };
  // More slots than one file can use (its scan reads at most six tables), so a table the file
  // has taken is never given up for another of the same file.
  std::array<Slot, 8> slots;
  uint64_t file = 0;

  void NextFile() { ++file; }

  const SkipTable& Get(const HuffTable& t) {
    Slot* oldest = &slots[0];
    for (Slot& s : slots) {
      if (s.last_file != 0 && s.counts == t.counts &&
          std::memcmp(s.values.data(), t.values.data(), static_cast<size_t>(t.value_count)) == 0) {
        s.last_file = file;
        return s.skip;
      }
      if (s.last_file < oldest->last_file) oldest = &s;
    }
    Slot& s = *oldest;
    s.counts = t.counts;
    s.values = t.values;
    s.last_file = file;
    BuildSkipTable(t, s.skip);
    return s.skip;
  }
};

// ---------------------------------------------------------------------------------------------
// Samples.

// libjpeg's limit after its transforms: the value wraps at 10 bits and is then clamped around
// the centre sample.
inline uint8_t TransformLimit(int64_t x) {
  int v = static_cast<int>(x & 1023);
  if (v >= 512) v -= 1024;
  return static_cast<uint8_t>(std::clamp(v + 128, 0, 255));
}

// The zig-zag order of the coefficients, as indexes of the natural (row-major) block.
constexpr std::array<uint8_t, 64> ZigZag() {
  std::array<uint8_t, 64> order{};
  int k = 0;
  for (int s = 0; s < 15; ++s) {
    const int low = std::max(0, s - 7);
    const int high = std::min(s, 7);
    for (int i = 0; i <= high - low; ++i) {
      const int row = (s % 2 == 0) ? high - i : low + i;
      order[k++] = static_cast<uint8_t>(row * 8 + (s - row));
    }
  }
  return order;
}
constexpr std::array<uint8_t, 64> kNatural = ZigZag();

// The zig-zag indexes of each natural column's terms in the rows the 2 x 2 transform reads.
constexpr std::array<uint64_t, 8> ColumnsOfReduced2x2() {
  std::array<uint64_t, 8> columns{};
  for (int k = 0; k < 64; ++k) {
    const int row = kNatural[k] / 8;
    if (row == 0 || row % 2 == 1) columns[kNatural[k] % 8] |= uint64_t{1} << k;
  }
  return columns;
}
constexpr std::array<uint64_t, 8> kColumns = ColumnsOfReduced2x2();

// The 2 x 2 reduced inverse transform of libjpeg (the averages of the four 4 x 4 quarters of the
// 8 x 8 block), on dequantized coefficients; the same fixed-point constants and rounding, so the
// same samples. libjpeg-turbo runs it in SIMD code with 16-bit terms and 32-bit sums, which agrees
// with this arithmetic while nothing overflows there; a block whose terms or sums would (only
// damaged or contrived files have them) makes the transform refuse, and the file goes to libjpeg.
class Reduced2x2 {
 public:
  // A dequantized coefficient.
  int64_t Term(const int16_t* coef, const int16_t* quant, int i) {
    const int64_t z = int64_t{coef[i]} * quant[i];
    bad_ |= static_cast<int>(z < -32768) | static_cast<int>(z > 32767);
    return z;
  }
  // The first pass: column sums descaled into the 16-bit workspace.
  int64_t Column(int64_t sum) {
    // Within 16 bits the 32-bit sum cannot have overflowed either (|sum| < 2^28 + 2^13).
    const int64_t w = (sum + 4096) >> 13;
    bad_ |= static_cast<int>(w < -32768) | static_cast<int>(w > 32767);
    return w;
  }
  // The second pass: a sample, whose value before the limit must be one both limits agree on.
  uint8_t Sample(int64_t sum) {
    // Within [-512, 511] the 32-bit sum cannot have overflowed either (|sum| < 2^29 + 2^19).
    const int64_t x = (sum + (1 << 19)) >> 20;
    bad_ |= static_cast<int>(x < -512) | static_cast<int>(x > 511);
    return TransformLimit(x);
  }

  // Every term the transform reads; `seen` marks the zig-zag indexes that may be non-zero, so
  // that columns without any are left at zero.
  bool Full(const int16_t* coef, const int16_t* quant, uint64_t seen, uint8_t out[2][2]) {
    static constexpr int kUsed[5] = {0, 1, 3, 5, 7};
    int64_t work[2][8] = {};
    for (int c : kUsed) {
      if (c != 0 && (seen & kColumns[c]) == 0) continue;
      auto z = [&](int row) { return Term(coef, quant, row * 8 + c); };
      const int64_t even = z(0) * 32768;
      const int64_t odd = z(7) * kC7 + z(5) * kC5 + z(3) * kC3 + z(1) * kC1;
      work[0][c] = Column(even + odd);
      work[1][c] = Column(even - odd);
    }
    for (int r = 0; r < 2; ++r) {
      const int64_t* w = work[r];
      const int64_t even = w[0] * 32768;
      const int64_t odd = w[7] * kC7 + w[5] * kC5 + w[3] * kC3 + w[1] * kC1;
      out[r][0] = Sample(even + odd);
      out[r][1] = Sample(even - odd);
    }
    return bad_ == 0;
  }

  // A block whose only terms the transform reads are the DC and the three lowest AC terms, at
  // (0, 1), (1, 0) and (1, 1) (most chroma blocks): the same sums with the zero terms left out.
  bool Lowest(const int16_t* coef, const int16_t* quant, uint8_t out[2][2]) {
    const int64_t even0 = Term(coef, quant, 0) * 32768, odd0 = Term(coef, quant, 8) * kC1;
    const int64_t even1 = Term(coef, quant, 1) * 32768, odd1 = Term(coef, quant, 9) * kC1;
    const int64_t work[2][2] = {{Column(even0 + odd0), Column(even1 + odd1)},
                                {Column(even0 - odd0), Column(even1 - odd1)}};
    for (int r = 0; r < 2; ++r) {
      const int64_t even = work[r][0] * 32768;
      const int64_t odd = work[r][1] * kC1;
      out[r][0] = Sample(even + odd);
      out[r][1] = Sample(even - odd);
    }
    return bad_ == 0;
  }

 private:
  static constexpr int64_t kC7 = -5906, kC5 = 6967, kC3 = -10426, kC1 = 29692;
  int bad_ = 0;
};

// The zig-zag indexes of the three lowest AC terms: (0, 1), (1, 0) and (1, 1).
constexpr uint64_t kLowest = (uint64_t{1} << 1) | (uint64_t{1} << 2) | (uint64_t{1} << 4);

// libjpeg's integer YCbCr to RGB tables (16 fractional bits, rounded).
struct ColourTables {
  int cr_r[256], cb_b[256], cr_g[256], cb_g[256];
  ColourTables() {
    constexpr int64_t kHalf = 1 << 15;
    for (int i = 0; i < 256; ++i) {
      const int64_t x = i - 128;
      cr_r[i] = static_cast<int>((91881 * x + kHalf) >> 16);
      cb_b[i] = static_cast<int>((116130 * x + kHalf) >> 16);
      cr_g[i] = static_cast<int>(-46802 * x);
      cb_g[i] = static_cast<int>(-22554 * x + kHalf);
    }
  }
};

inline uint8_t Clamp255(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

// ---------------------------------------------------------------------------------------------
// Headers.

struct Component {
  int id = 0;
  int h = 1;
  int v = 1;
  int quant = 0;
  int dc_table = 0;
  int ac_table = 0;
};

struct Header {
  int width = 0;
  int height = 0;
  Component comps[3];
  int restart_interval = 0;
  bool adobe = false;
  int adobe_transform = -1;
  std::array<std::array<int16_t, 64>, 4> quant{};  // natural order, as libjpeg multiplies them
  std::array<bool, 4> quant_present{};
  HuffTable dc[4];
  HuffTable ac[4];
  int scan_order[3] = {0, 1, 2};  // frame component of each scan component
  size_t scan_data = 0;           // offset of the entropy-coded data
};

inline int Be16(const uint8_t* p) { return (p[0] << 8) | p[1]; }

// Reads the markers up to the first scan. False for anything this decoder does not take.
bool ReadHeader(const uint8_t* data, size_t size, Header& h) {
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
  size_t p = 2;
  bool frame = false;
  for (;;) {
    // Markers may be preceded by fill bytes.
    if (p >= size || data[p] != 0xFF) return false;
    while (p < size && data[p] == 0xFF) ++p;
    if (p >= size) return false;
    const uint8_t marker = data[p++];
    if (marker == 0xD8 || marker == 0xD9 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01)
      return false;
    if (p + 2 > size) return false;
    const int length = Be16(data + p);
    if (length < 2 || p + static_cast<size_t>(length) > size) return false;
    const uint8_t* seg = data + p + 2;
    const size_t n = static_cast<size_t>(length) - 2;
    switch (marker) {
      case 0xC0:
      case 0xC1: {
        if (frame || n < 6 || seg[0] != 8) return false;
        h.height = Be16(seg + 1);
        h.width = Be16(seg + 3);
        if (seg[5] != 3 || n < 6 + 9 || h.width == 0 || h.height == 0) return false;
        for (int c = 0; c < 3; ++c) {
          const uint8_t* q = seg + 6 + 3 * c;
          h.comps[c].id = q[0];
          h.comps[c].h = q[1] >> 4;
          h.comps[c].v = q[1] & 15;
          h.comps[c].quant = q[2];
          if (q[2] > 3) return false;
        }
        frame = true;
        break;
      }
      case 0xC4: {
        size_t q = 0;
        while (q < n) {
          if (q + 17 > n) return false;
          const int cls = seg[q] >> 4;
          const int id = seg[q] & 15;
          if (cls > 1 || id > 3) return false;
          HuffTable& t = cls == 0 ? h.dc[id] : h.ac[id];
          int total = 0;
          t.counts[0] = 0;
          for (int l = 1; l <= 16; ++l) {
            t.counts[l] = seg[q + l];
            total += seg[q + l];
          }
          q += 17;
          if (total > 256 || q + static_cast<size_t>(total) > n) return false;
          t.values.fill(0);
          std::memcpy(t.values.data(), seg + q, static_cast<size_t>(total));
          t.value_count = total;
          q += static_cast<size_t>(total);
          if (!BuildTable(t, cls == 0)) return false;
          t.present = true;
        }
        break;
      }
      case 0xDB: {
        size_t q = 0;
        while (q < n) {
          const int precision = seg[q] >> 4;
          const int id = seg[q] & 15;
          if (precision > 1 || id > 3) return false;
          const size_t bytes = precision ? 128 : 64;
          if (q + 1 + bytes > n) return false;
          for (int k = 0; k < 64; ++k) {
            const int value = precision ? Be16(seg + q + 1 + 2 * k) : seg[q + 1 + k];
            // libjpeg keeps its multipliers in 16-bit signed integers.
            h.quant[id][kNatural[k]] = static_cast<int16_t>(static_cast<uint16_t>(value));
          }
          h.quant_present[id] = true;
          q += 1 + bytes;
        }
        break;
      }
      case 0xDD:
        if (n < 2) return false;
        h.restart_interval = Be16(seg);
        break;
      case 0xEE:
        if (n >= 5 && std::memcmp(seg, "Adobe", 5) == 0) {
          h.adobe = true;
          h.adobe_transform = n >= 12 ? seg[11] : -1;
        }
        break;
      case 0xDA: {
        if (!frame || n < 1 || seg[0] != 3 || n < 1 + 6 + 3) return false;
        bool taken[3] = {false, false, false};
        for (int s = 0; s < 3; ++s) {
          const int id = seg[1 + 2 * s];
          int c = 0;
          while (c < 3 && (h.comps[c].id != id || taken[c])) ++c;
          if (c == 3) return false;
          taken[c] = true;
          h.scan_order[s] = c;
          h.comps[c].dc_table = seg[2 + 2 * s] >> 4;
          h.comps[c].ac_table = seg[2 + 2 * s] & 15;
          if (h.comps[c].dc_table > 3 || h.comps[c].ac_table > 3) return false;
        }
        // Sequential DCT: the whole spectrum, no successive approximation.
        if (seg[7] != 0 || seg[8] != 63 || seg[9] != 0) return false;
        h.scan_data = p + static_cast<size_t>(length);
        return true;
      }
      default:
        // Other frame kinds (progressive, lossless, arithmetic coding, hierarchical) and the
        // arithmetic conditioning and line-count markers are for libjpeg.
        if ((marker >= 0xC2 && marker <= 0xCF) || marker == 0xDC || marker == 0xDE ||
            marker == 0xDF) {
          return false;
        }
        break;
    }
    p += static_cast<size_t>(length);
  }
}

// ---------------------------------------------------------------------------------------------
// Scan.

// The entropy-coded data without its stuffed zero bytes, split at the restart markers.
struct Segments {
  std::vector<uint8_t> bytes;
  std::vector<size_t> starts;  // byte offsets in `bytes`; one past the last is bytes' size
};

constexpr size_t kTailPadding = 4096;  // more than one MCU can read past its segment

bool Unstuff(const uint8_t* data, size_t size, size_t at, Segments& out) {
  out.bytes.clear();
  out.starts.assign(1, 0);
  out.bytes.reserve(size - at + kTailPadding);
  int next_restart = 0;
  size_t p = at;
  while (p < size) {
    const auto* ff = static_cast<const uint8_t*>(std::memchr(data + p, 0xFF, size - p));
    const size_t chunk = ff != nullptr ? static_cast<size_t>(ff - (data + p)) : size - p;
    out.bytes.insert(out.bytes.end(), data + p, data + p + chunk);
    p += chunk;
    if (ff == nullptr) break;
    // Fill bytes (0xFF runs) inside the data: libjpeg-turbo's fast Huffman path takes them for a
    // marker, gives up the block part-decoded and decodes it again on its slow path, which can
    // leave coefficients of the first try in the block. Such files are left to libjpeg.
    if (p + 1 < size && data[p + 1] == 0xFF) return false;
    ++p;
    if (p >= size) break;
    const uint8_t m = data[p++];
    if (m == 0x00) {
      out.bytes.push_back(0xFF);
    } else if (m >= 0xD0 && m <= 0xD7) {
      if (m != 0xD0 + next_restart) return false;
      next_restart = (next_restart + 1) & 7;
      out.starts.push_back(out.bytes.size());
    } else {
      break;  // the marker after the scan
    }
  }
  out.starts.push_back(out.bytes.size());
  out.bytes.resize(out.bytes.size() + kTailPadding, 0);
  return true;
}

// The zig-zag indexes whose coefficients the 2 x 2 transform reads: rows and columns 0, 1, 3,
// 5 and 7 of the natural block.
constexpr uint64_t NeededByReduced2x2() {
  uint64_t mask = 0;
  for (int k = 0; k < 64; ++k) {
    const int row = kNatural[k] / 8;
    const int col = kNatural[k] % 8;
    if ((row == 0 || row % 2 == 1) && (col == 0 || col % 2 == 1)) mask |= uint64_t{1} << k;
  }
  return mask;
}
constexpr uint64_t kNeeded2x2 = NeededByReduced2x2();

// Bits of the unstuffed stream through a 64-bit register, first bit highest: `count` of them
// are real, and every refill tops it up to at least 56.
struct Decoder {
  const uint8_t* base = nullptr;
  const uint8_t* next = nullptr;  // the next byte to load
  uint64_t bits = 0;
  int count = 0;

  void Start(size_t byte) {
    next = base + byte;
    bits = 0;
    count = 0;
    Refill();
  }
  [[gnu::always_inline]] void Refill() {
    uint64_t w;
    std::memcpy(&w, next, 8);
    bits |= __builtin_bswap64(w) >> count;
    next += (63 - count) >> 3;
    count |= 56;
  }
  [[gnu::always_inline]] void Drop(int n) {
    bits <<= n;
    count -= n;
  }
  size_t Position() const { return static_cast<size_t>(next - base) * 8 - count; }

  // The DC difference of the next block; false on a bad code. `quick` is the table's one-code
  // table (for a DC table: the code and its extra bits, with the difference ready).
  [[gnu::always_inline]] bool Dc(const HuffTable& t, const SkipTable& quick, int& diff) {
    if (count < 32) Refill();
    const uint32_t o = quick.one[bits >> (64 - kSkipBits)];
    if ((o & 31) != 0) {
      Drop(static_cast<int>(o & 31));
      diff = static_cast<int16_t>(o >> 16);
      return true;
    }
    int length = 0, size = 0;
    if (!DecodeSymbol(t, bits, length, size)) return false;
    diff = size == 0 ? 0 : Extend(static_cast<uint32_t>((bits << length) >> (64 - size)), size);
    Drop(length + size);
    return true;
  }

  // Steps over the AC codes of a block, several codes a table look-up.
  [[gnu::always_inline]] bool SkipAc(const HuffTable& t, const SkipTable& skip) {
    int k = 1;
    // A refill leaves at least 56 bits: four steps of at most kSkipBits each.
    for (;;) {
      Refill();
      int i = 0;
      for (; i < 4; ++i) {
        const uint32_t e = skip.entries[bits >> (64 - kSkipBits)];
        if ((e & 31) == 0 || k + static_cast<int>((e >> 5) & 127) > 64) break;
        Drop(static_cast<int>(e & 31));
        k += static_cast<int>(e >> 12);
        if (k >= 64) return true;
      }
      if (i < 4) break;
    }
    // A code longer than the window, or codes that would run past the block: one at a time.
    for (;;) {
      if (count < 32) Refill();
      const uint32_t e = skip.entries[bits >> (64 - kSkipBits)];
      if ((e & 31) != 0 && k + static_cast<int>((e >> 5) & 127) <= 64) {
        Drop(static_cast<int>(e & 31));
        k += static_cast<int>(e >> 12);
        if (k >= 64) return true;
        continue;
      }
      int length = 0, value = 0;
      if (!DecodeSymbol(t, bits, length, value)) return false;
      const int run = value >> 4;
      const int size = value & 15;
      Drop(length + size);
      if (size != 0) {
        k += run + 1;
      } else if (run == 15) {
        k += 16;
      } else {
        return true;
      }
      if (k >= 64) return true;
    }
  }

  // Decodes the AC coefficients of a block into `block` (natural order, zeroed by the caller),
  // marking the zig-zag index of each one written in `seen`.
  [[gnu::always_inline]] bool KeepAc(const HuffTable& t, const SkipTable& skip, int16_t* block,
                                     uint64_t& seen) {
    int k = 1;
    for (;;) {
      if (count < 32) Refill();
      int step = 0;
      int size = 0;
      int coef = 0;
      const uint32_t o = skip.one[bits >> (64 - kSkipBits)];
      if ((o & 31) != 0) {
        Drop(static_cast<int>(o & 31));
        step = static_cast<int>((o >> 5) & 31);
        size = static_cast<int>((o >> 10) & 1);
        coef = static_cast<int16_t>(o >> 16);
      } else {
        int length = 0, value = 0;
        if (!DecodeSymbol(t, bits, length, value)) return false;
        const int run = value >> 4;
        size = value & 15;
        if (size != 0) {
          coef = Extend(static_cast<uint32_t>((bits << length) >> (64 - size)), size);
          step = run + 1;
        } else {
          step = run == 15 ? 16 : 0;
        }
        Drop(length + size);
      }
      if (step == 0) return true;  // end of block
      if (size != 0) {
        // A run past the end lands on the last coefficient, as in libjpeg.
        const int at = std::min(k + step - 1, 63);
        block[kNatural[at]] = static_cast<int16_t>(coef);
        seen |= uint64_t{1} << at;
      }
      k += step;
      if (k >= 64) return true;
    }
  }
};

}  // namespace

// Built twice, for the common x86-64 and for processors with AVX2 and BMI2, whose shifts by a
// register count are single instructions; the loader picks one at start.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("default", "arch=x86-64-v3")))
#endif
bool DecodeJpegEighth(const uint8_t* data, size_t size, picture::Bitmap& out, int cover_width,
                      int cover_height) {
  thread_local Header header;
  header = Header{};
  Header& h = header;
  if (data == nullptr || !ReadHeader(data, size, h)) return false;

  // Colour space as libjpeg decides it for three components: YCbCr unless an Adobe marker says
  // otherwise or the component ids spell R, G, B; only the plain cases are taken here.
  if (h.comps[0].id != 1 || h.comps[1].id != 2 || h.comps[2].id != 3) return false;
  if (h.adobe && h.adobe_transform != 1) return false;

  // Sampling: luminance 2x2, 2x1 or 1x1 against chroma 1x1.
  const int hy = h.comps[0].h;
  const int vy = h.comps[0].v;
  if (!((hy == 2 && vy == 2) || (hy == 2 && vy == 1) || (hy == 1 && vy == 1))) return false;
  for (int c = 1; c < 3; ++c) {
    if (h.comps[c].h != 1 || h.comps[c].v != 1) return false;
  }
  const bool chroma_2x2 = hy == 2 && vy == 2;  // libjpeg scales 4:2:0 chroma by its transform
  for (const Component& c : h.comps) {
    if (!h.quant_present[c.quant] || !h.dc[c.dc_table].present || !h.ac[c.ac_table].present)
      return false;
  }

  // libjpeg's largest side.
  constexpr int kLargestSide = 65500;
  if (h.width > kLargestSide || h.height > kLargestSide) return false;
  const int out_w = (h.width + 7) / 8;
  const int out_h = (h.height + 7) / 8;
  if (out_w < cover_width || out_h < cover_height) return false;
  const int mcus_x = (h.width + 8 * hy - 1) / (8 * hy);
  const int mcus_y = (h.height + 8 * vy - 1) / (8 * vy);
  const int64_t mcus = int64_t{mcus_x} * mcus_y;
  // Every block takes at least two bits; a file far too short for its size is no photo.
  if (static_cast<uint64_t>(mcus) * (hy * vy + 2) * 2 > static_cast<uint64_t>(size) * 8 + 64)
    return false;

  thread_local Segments segments;
  if (!Unstuff(data, size, h.scan_data, segments)) return false;
  const size_t segment_count = segments.starts.size() - 1;
  const int64_t interval = h.restart_interval > 0 ? h.restart_interval : mcus;
  if (static_cast<int64_t>(segment_count) != (mcus + interval - 1) / interval) return false;

  // One sample per luminance block; chroma at the same grid for 4:2:0 (2 x 2 per block), else
  // one per block.
  const int yw = mcus_x * hy;
  const int yh = mcus_y * vy;
  const int cw = chroma_2x2 ? yw : mcus_x;
  const int ch = chroma_2x2 ? yh : mcus_y;
  thread_local std::vector<uint8_t> planes;
  planes.resize(static_cast<size_t>(yw) * yh + 2 * static_cast<size_t>(cw) * ch);
  uint8_t* yp = planes.data();
  uint8_t* cp[2] = {yp + static_cast<size_t>(yw) * yh,
                    yp + static_cast<size_t>(yw) * yh + static_cast<size_t>(cw) * ch};

  const int shift = (!chroma_2x2 && hy == 2) ? 1 : 0;
  thread_local TableCache cache;
  cache.NextFile();

  // What each component of the scan needs per MCU: its tables, where its samples go, and how
  // far they move from one MCU to the next.
  struct Part {
    const HuffTable* dc;
    const HuffTable* ac;
    const SkipTable* skip;
    const SkipTable* dc_quick;
    const int16_t* quant;
    int comp;
    int blocks;
    bool reduced;  // 2 x 2 samples by the reduced transform, else the DC alone
    uint8_t* plane;
    size_t offsets[4];  // of each block's sample from the MCU's first
    size_t x_step;      // per MCU across
    size_t y_step;      // per MCU row
  };
  Part parts[3];
  for (int sc = 0; sc < 3; ++sc) {
    const int c = h.scan_order[sc];
    const Component& comp = h.comps[c];
    Part& part = parts[sc];
    part.dc = &h.dc[comp.dc_table];
    part.ac = &h.ac[comp.ac_table];
    part.skip = &cache.Get(*part.ac);
    part.dc_quick = &cache.Get(*part.dc);
    part.quant = h.quant[comp.quant].data();
    part.comp = c;
    part.blocks = comp.h * comp.v;
    part.reduced = c != 0 && chroma_2x2;
    part.plane = c == 0 ? yp : cp[c - 1];
    for (int b = 0; b < part.blocks; ++b) {
      part.offsets[b] = static_cast<size_t>(b / comp.h) * (c == 0 ? yw : cw) + b % comp.h;
    }
    part.x_step = c == 0 ? hy : (part.reduced ? 2 : 1);
    part.y_step = c == 0 ? static_cast<size_t>(vy) * yw : (part.reduced ? 2 * cw : cw);
  }

  Decoder d;
  d.base = segments.bytes.data();
  int64_t mcu = 0;
  int mx = 0;
  int my = 0;
  alignas(64) int16_t block[64];
  for (size_t s = 0; s < segment_count; ++s) {
    d.Start(segments.starts[s]);
    const size_t end_bits = segments.starts[s + 1] * 8;
    int pred[3] = {0, 0, 0};
    const int64_t last = std::min(mcus, mcu + interval);
    for (; mcu < last; ++mcu) {
      for (int sc = 0; sc < 3; ++sc) {
        const Part& part = parts[sc];
        uint8_t* at = part.plane + my * part.y_step + mx * part.x_step;
        int& dc = pred[sc];
        for (int b = 0; b < part.blocks; ++b) {
          int diff = 0;
          if (!d.Dc(*part.dc, *part.dc_quick, diff)) return false;
          dc += diff;
          if (dc < -32768 || dc > 32767) return false;
          if (!part.reduced) {
            if (!d.SkipAc(*part.ac, *part.skip)) return false;
            at[part.offsets[b]] = TransformLimit((int64_t{dc} * part.quant[0] + 4) >> 3);
            continue;
          }
          std::memset(block, 0, sizeof block);
          block[0] = static_cast<int16_t>(dc);
          uint64_t seen = 0;
          if (!d.KeepAc(*part.ac, *part.skip, block, seen)) return false;
          uint8_t two[2][2];
          Reduced2x2 transform;
          const bool done = (seen & kNeeded2x2 & ~kLowest) == 0
                                ? transform.Lowest(block, part.quant, two)
                                : transform.Full(block, part.quant, seen, two);
          if (!done) return false;
          at[0] = two[0][0];
          at[1] = two[0][1];
          at[cw] = two[1][0];
          at[cw + 1] = two[1][1];
        }
      }
      if (d.Position() > end_bits) return false;  // ran past its data: a damaged stream
      if (++mx == mcus_x) {
        mx = 0;
        ++my;
      }
    }
  }

  picture::Bitmap result;
  if (!result.Reshape(out_w, out_h, picture::PixelFormat::k24)) return false;
  static const ColourTables tables;
  const size_t row_bytes = 3 * static_cast<size_t>(out_w);
  for (int y = 0; y < out_h; ++y) {
    const uint8_t* yr = yp + static_cast<size_t>(y) * yw;
    // Chroma rows match the luminance rows in every layout taken; 4:2:2 chroma covers two
    // columns, as libjpeg's merged upsampling spreads it.
    const uint8_t* cb = cp[0] + static_cast<size_t>(y) * cw;
    const uint8_t* cr = cp[1] + static_cast<size_t>(y) * cw;
    uint8_t* o = result.Row(y);
    for (int x = 0; x < out_w; ++x, o += 3) {
      const int lum = yr[x];
      const int b = cb[x >> shift];
      const int r = cr[x >> shift];
      o[0] = Clamp255(lum + tables.cb_b[b]);
      o[1] = Clamp255(lum + ((tables.cb_g[b] + tables.cr_g[r]) >> 16));
      o[2] = Clamp255(lum + tables.cr_r[r]);
    }
    if (result.Stride() > row_bytes) std::memset(o, 0, result.Stride() - row_bytes);
  }
  out = std::move(result);
  return true;
}

}  // namespace vr::codecs
