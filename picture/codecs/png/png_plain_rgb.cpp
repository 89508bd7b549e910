#include "picture/codecs/png/png_plain_rgb.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "picture/decode_progress.h"

namespace vr::codecs {
namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
// libpng's default limits on the picture's sides.
constexpr uint32_t kMaxSide = 1'000'000;
// Ancillary chunks are read whole for their checksum; larger ones go to libpng.
constexpr uint32_t kMaxAncillary = 16u << 20;
constexpr size_t kInput = 65536;

uint32_t BigEndian(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

bool TypeIs(const uint8_t* type, const char* name) { return std::memcmp(type, name, 4) == 0; }

// The chunks of one file, read in order with their checksums checked.
class ChunkReader {
 public:
  explicit ChunkReader(std::FILE* file) : file_(file) {}

  // The next chunk's length and type; false at the end of the file or on a length out of range.
  bool Next() {
    uint8_t head[8];
    if (std::fread(head, 1, 8, file_) != 8) return false;
    length_ = BigEndian(head);
    std::memcpy(type_, head + 4, 4);
    left_ = length_;
    crc_ = crc32(0L, type_, 4);
    return length_ <= 0x7FFFFFFFu;
  }

  // Up to `n` bytes of the chunk's data; how many were read (0 when the data is used up or the
  // file ends early).
  size_t Read(uint8_t* out, size_t n) {
    n = std::min<size_t>(n, left_);
    if (n == 0) return 0;
    const size_t got = std::fread(out, 1, n, file_);
    crc_ = crc32(crc_, out, static_cast<uInt>(got));
    left_ -= static_cast<uint32_t>(got);
    return got;
  }

  // Reads what is left of the data and the stored checksum; true when they match.
  bool Finish() {
    uint8_t buffer[4096];
    while (left_ > 0) {
      if (Read(buffer, sizeof buffer) == 0) return false;
    }
    uint8_t stored[4];
    return std::fread(stored, 1, 4, file_) == 4 && BigEndian(stored) == crc_;
  }

  uint32_t Length() const { return length_; }
  uint32_t Left() const { return left_; }
  const uint8_t* Type() const { return type_; }
  // Critical chunks have an upper-case first letter.
  bool Critical() const { return (type_[0] & 0x20) == 0; }

 private:
  std::FILE* file_;
  uint8_t type_[4] = {};
  uint32_t length_ = 0, left_ = 0;
  uLong crc_ = 0;
};

// A chunk other than the image data: PLTE (a suggested palette, which an RGB picture may carry)
// and ancillary chunks are skipped, checksum checked; other critical chunks end the fast read.
bool SkipChunk(ChunkReader& chunks) {
  if (chunks.Critical() && !TypeIs(chunks.Type(), "PLTE")) return false;
  if (!chunks.Critical() && chunks.Length() > kMaxAncillary) return false;
  return chunks.Finish();
}

#if defined(__SSE2__)
// Three bytes widened to 16-bit lanes; `wide`: 16 bytes may be read from `p`.
__m128i Load3(const uint8_t* p, bool wide) {
  const __m128i v =
      wide ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(p))
           : _mm_cvtsi32_si128(static_cast<int>(p[0] | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16));
  return _mm_unpacklo_epi8(v, _mm_setzero_si128());
}

void Store3(uint8_t* p, __m128i v) {
  const int packed = _mm_cvtsi128_si32(_mm_packus_epi16(v, v));
  std::memcpy(p, &packed, 3);
}

__m128i Abs16(__m128i v) { return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v)); }
#endif

void Paeth3(uint8_t* row, const uint8_t* prior, int width) {
#if defined(__SSE2__)
  // One pixel a step, its three channels in 16-bit lanes: the predictor is the one of left (a),
  // above (b) and upper left (c) nearest to a + b - c, preferring a, then b.
  __m128i a = _mm_setzero_si128(), c = _mm_setzero_si128();
  const __m128i bytes = _mm_set1_epi16(0xFF);
  const size_t n = static_cast<size_t>(width) * 3;
  for (int x = 0; x < width; ++x) {
    const size_t i = static_cast<size_t>(x) * 3;
    uint8_t* at = row + i;
    const bool wide = i + 16 <= n;
    const __m128i b = Load3(prior + i, wide);
    const __m128i d = Load3(at, wide);
    const __m128i pa_signed = _mm_sub_epi16(b, c);  // p - a
    const __m128i pb_signed = _mm_sub_epi16(a, c);  // p - b
    const __m128i pa = Abs16(pa_signed);
    const __m128i pb = Abs16(pb_signed);
    const __m128i pc = Abs16(_mm_add_epi16(pa_signed, pb_signed));
    const __m128i least = _mm_min_epi16(_mm_min_epi16(pa, pb), pc);
    const __m128i take_a = _mm_cmpeq_epi16(pa, least);
    const __m128i take_b = _mm_andnot_si128(take_a, _mm_cmpeq_epi16(pb, least));
    const __m128i take_c = _mm_andnot_si128(_mm_or_si128(take_a, take_b), _mm_set1_epi16(-1));
    const __m128i predictor = _mm_or_si128(
        _mm_or_si128(_mm_and_si128(take_a, a), _mm_and_si128(take_b, b)), _mm_and_si128(take_c, c));
    a = _mm_and_si128(_mm_add_epi16(predictor, d), bytes);
    c = b;
    Store3(at, a);
  }
#else
  for (int x = 0; x < width; ++x) {
    for (int k = 0; k < 3; ++k) {
      const size_t i = static_cast<size_t>(x) * 3 + static_cast<size_t>(k);
      const int a = x > 0 ? row[i - 3] : 0, b = prior[i], c = x > 0 ? prior[i - 3] : 0;
      const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
      const int predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      row[i] = static_cast<uint8_t>(row[i] + predictor);
    }
  }
#endif
}

}  // namespace

bool UnfilterRow3(int filter, uint8_t* row, const uint8_t* prior, int width) {
  const size_t n = static_cast<size_t>(width) * 3;
  switch (filter) {
    case 0:
      return true;
    case 1:  // Sub
      for (size_t i = 3; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + row[i - 3]);
      return true;
    case 2:  // Up
      for (size_t i = 0; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
      return true;
    case 3:  // Average
      for (size_t i = 0; i < n; ++i) {
        const int left = i >= 3 ? row[i - 3] : 0;
        row[i] = static_cast<uint8_t>(row[i] + ((left + prior[i]) >> 1));
      }
      return true;
    case 4:
      Paeth3(row, prior, width);
      return true;
    default:
      return false;
  }
}

bool ReadPlainRgbPng(std::FILE* file, uint64_t file_size, picture::Bitmap* bitmap) {
  if (std::fseek(file, 0, SEEK_SET) != 0) return false;
  uint8_t signature[8];
  if (std::fread(signature, 1, 8, file) != 8 || std::memcmp(signature, kSignature, 8) != 0) {
    return false;
  }
  ChunkReader chunks(file);
  uint8_t header[13];
  if (!chunks.Next() || !TypeIs(chunks.Type(), "IHDR") || chunks.Length() != 13 ||
      chunks.Read(header, 13) != 13 || !chunks.Finish()) {
    return false;
  }
  const uint32_t width = BigEndian(header), height = BigEndian(header + 4);
  // 8 bits, RGB, deflate, adaptive filters, not interlaced.
  if (header[8] != 8 || header[9] != 2 || header[10] != 0 || header[11] != 0 || header[12] != 0 ||
      width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
    return false;
  }
  const uint64_t row_bytes = uint64_t{width} * 3;
  // The same plausibility and memory limits as libpng's path.
  if ((row_bytes + 1) * height > file_size * 1100 + (uint64_t{1} << 20) ||
      row_bytes > picture::MemoryBudget() / height) {
    return false;
  }
  // Chunks up to the image data; transparency sends the file to libpng.
  for (;;) {
    if (!chunks.Next()) return false;
    if (TypeIs(chunks.Type(), "IDAT")) break;
    if (TypeIs(chunks.Type(), "tRNS") || TypeIs(chunks.Type(), "IEND") || !SkipChunk(chunks)) {
      return false;
    }
  }
  if (!bitmap->Reshape(static_cast<int>(width), static_cast<int>(height),
                       picture::PixelFormat::k24)) {
    return false;
  }
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) return false;
  std::vector<uint8_t> input(kInput);
  const std::vector<uint8_t> zeros(row_bytes, 0);
  bool ok = true, ended = false;
  // Inflates exactly `n` bytes into `out`, reading image data chunks as needed.
  auto inflate_into = [&](uint8_t* out, size_t n) {
    zs.next_out = out;
    zs.avail_out = static_cast<uInt>(n);
    while (zs.avail_out > 0) {
      if (zs.avail_in == 0) {
        while (chunks.Left() == 0) {
          // This chunk is used up: the next must carry more image data.
          if (!chunks.Finish() || !chunks.Next() || !TypeIs(chunks.Type(), "IDAT")) return false;
        }
        const size_t got = chunks.Read(input.data(), input.size());
        if (got == 0) return false;
        zs.next_in = input.data();
        zs.avail_in = static_cast<uInt>(got);
      }
      const int status = inflate(&zs, Z_NO_FLUSH);
      if (status == Z_STREAM_END) {
        ended = true;
        return zs.avail_out == 0;
      }
      if (status != Z_OK) return false;
    }
    return true;
  };
  for (uint32_t y = 0; ok && y < height; ++y) {
    uint8_t filter = 0;
    uint8_t* row = bitmap->Row(static_cast<int>(y));
    ok = !ended && inflate_into(&filter, 1) && !ended && inflate_into(row, row_bytes);
    if (!ok) break;
    // Blue, green, red in the bitmap: the filtered bytes are swapped the same way, which the
    // filters (each channel on its own) do not mind.
    for (uint8_t* p = row; p < row + row_bytes; p += 3) std::swap(p[0], p[2]);
    ok = UnfilterRow3(filter, row, y > 0 ? bitmap->Row(static_cast<int>(y) - 1) : zeros.data(),
                      static_cast<int>(width));
    // The row's padding (the bitmap is not cleared first) is written out with it by some savers.
    std::memset(row + row_bytes, 0, bitmap->Stride() - row_bytes);
    picture::ReportDecodeRow(y + 1, height);
  }
  if (ok && !ended) {
    // The stream must end here, without another byte of image data.
    uint8_t extra = 0;
    ok = !inflate_into(&extra, 1) && ended && zs.avail_out == 1;
  }
  inflateEnd(&zs);
  // Nothing may follow the stream in its chunk, and no image data chunk may follow.
  if (!ok || zs.avail_in != 0 || chunks.Left() != 0 || !chunks.Finish()) return false;
  for (;;) {
    if (!chunks.Next() || TypeIs(chunks.Type(), "IDAT")) return false;
    if (TypeIs(chunks.Type(), "IEND")) return chunks.Length() == 0 && chunks.Finish();
    if (!SkipChunk(chunks)) return false;
  }
}

}  // namespace vr::codecs
