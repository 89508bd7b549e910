#include "picture/bitmap.h"
#include "picture/pixel_recycling.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <vector>

namespace vr::picture {
namespace {

size_t DefaultBudget() {
  long pages = sysconf(_SC_PHYS_PAGES);
  long page_size = sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || page_size <= 0) return size_t{1} << 30;
  return static_cast<size_t>(pages) * static_cast<size_t>(page_size) / 4;
}

std::atomic<size_t>& BudgetSlot() {
  static std::atomic<size_t> budget{DefaultBudget()};
  return budget;
}

std::atomic<size_t> g_largest_request{0};

// Notes a request of `height` rows of `stride` bytes (saturating) before the budget judges it.
void NoteRequest(size_t stride, int height) {
  const size_t rows = static_cast<size_t>(height);
  const size_t bytes = rows > std::numeric_limits<size_t>::max() / stride
                           ? std::numeric_limits<size_t>::max()
                           : stride * rows;
  size_t seen = g_largest_request.load(std::memory_order_relaxed);
  while (bytes > seen &&
         !g_largest_request.compare_exchange_weak(seen, bytes, std::memory_order_relaxed)) {
  }
}

// Blocks from this size on are aligned for huge pages.
constexpr size_t kHugeFrom = size_t{4} << 20;
constexpr size_t kHugePage = size_t{2} << 20;

size_t HugeRounded(size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

// The large blocks kept while a PixelRecycling scope lives. A block's size is what its request
// was rounded to (a reused block may be larger than its later request says; it is only ever
// counted smaller, so a reuse never overruns it).
struct Recycler {
  std::mutex mutex;
  int scopes = 0;
  std::vector<std::pair<void*, size_t>> kept;
};
constexpr size_t kKeptBlocks = 2;

Recycler& TheRecycler() {
  // Never destroyed: pictures freed late in the program's exit still find it.
  static Recycler* recycler = new Recycler;
  return *recycler;
}

// Under the address sanitizer freed blocks go back at once, so that a use after free is caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kRecycle = false;
#else
constexpr bool kRecycle = true;
#endif

void FreeHuge(void* pixels) noexcept { ::operator delete(pixels, std::align_val_t{kHugePage}); }

}  // namespace

void* AllocatePixels(size_t bytes) {
  if (bytes < kHugeFrom) return ::operator new(bytes);
  const size_t rounded = HugeRounded(bytes);
  if (kRecycle) {
    Recycler& r = TheRecycler();
    const std::lock_guard<std::mutex> lock(r.mutex);
    // A kept block of this size up to twice it (the same rule as Bitmap::Reshape's).
    for (auto it = r.kept.begin(); it != r.kept.end(); ++it) {
      if (it->second >= rounded && it->second / 2 <= rounded) {
        void* p = it->first;
        r.kept.erase(it);
        return p;
      }
    }
  }
  void* p = ::operator new(rounded, std::align_val_t{kHugePage});
#if defined(MADV_HUGEPAGE)
  (void)::madvise(p, rounded, MADV_HUGEPAGE);  // a hint: refused, the pages are just smaller
#endif
  return p;
}

void FreePixels(void* pixels, size_t bytes) noexcept {
  if (bytes < kHugeFrom) {
    ::operator delete(pixels);
    return;
  }
  if (kRecycle && pixels != nullptr) {
    Recycler& r = TheRecycler();
    const std::lock_guard<std::mutex> lock(r.mutex);
    if (r.scopes > 0) {
      if (r.kept.size() >= kKeptBlocks) {
        FreeHuge(r.kept.front().first);  // the oldest goes
        r.kept.erase(r.kept.begin());
      }
      r.kept.emplace_back(pixels, HugeRounded(bytes));
      return;
    }
  }
  FreeHuge(pixels);
}

PixelRecycling::PixelRecycling() {
  Recycler& r = TheRecycler();
  const std::lock_guard<std::mutex> lock(r.mutex);
  r.kept.reserve(kKeptBlocks);  // keeping a block never allocates
  ++r.scopes;
}

PixelRecycling::~PixelRecycling() {
  std::vector<std::pair<void*, size_t>> gone;
  {
    Recycler& r = TheRecycler();
    const std::lock_guard<std::mutex> lock(r.mutex);
    if (--r.scopes == 0) gone.swap(r.kept);
  }
  for (const auto& block : gone) FreeHuge(block.first);
}

size_t PixelRecycling::Kept() {
  Recycler& r = TheRecycler();
  const std::lock_guard<std::mutex> lock(r.mutex);
  return r.kept.size();
}

int BitsOf(PixelFormat format) { return static_cast<int>(format); }

PixelFormat FormatOfBits(int bits) {
  switch (bits) {
    case 1: return PixelFormat::k1;
    case 4: return PixelFormat::k4;
    case 8: return PixelFormat::k8;
    case 15: return PixelFormat::k15;
    case 16: return PixelFormat::k16;
    case 24: return PixelFormat::k24;
    case 32: return PixelFormat::k32;
    default: return PixelFormat::kNone;
  }
}

size_t RowStride(int width, PixelFormat format) {
  if (width <= 0) return 0;
  const uint64_t bits = static_cast<uint64_t>(width) * static_cast<uint64_t>(BitsOf(format) == 15 ? 16 : BitsOf(format));
  const uint64_t bytes = ((bits + 31) / 32) * 4;
  if (bytes > std::numeric_limits<uint32_t>::max()) return 0;
  return static_cast<size_t>(bytes);
}

size_t MemoryBudget() { return BudgetSlot().load(); }
void SetMemoryBudget(size_t bytes) { BudgetSlot().store(bytes); }
size_t LargestPixelRequest() { return g_largest_request.load(); }
void ResetLargestPixelRequest() { g_largest_request.store(0); }

bool Bitmap::Create(int width, int height, PixelFormat format) {
  Clear();
  if (width <= 0 || height <= 0 || format == PixelFormat::kNone) return false;
  const size_t stride = RowStride(width, format);
  if (stride == 0) return false;
  NoteRequest(stride, height);
  if (static_cast<size_t>(height) > MemoryBudget() / stride) return false;
  try {
    pixels_.assign(stride * static_cast<size_t>(height), 0);
  } catch (const std::bad_alloc&) {
    pixels_.clear();
    return false;
  }
  width_ = width;
  height_ = height;
  format_ = format;
  stride_ = stride;
  return true;
}

bool Bitmap::Recreate(int width, int height, PixelFormat format) {
  if (!Reshape(width, height, format)) return false;
  std::fill(pixels_.begin(), pixels_.end(), uint8_t{0});
  return true;
}

Bitmap::Bitmap(const Bitmap& other) { *this = other; }

Bitmap& Bitmap::operator=(const Bitmap& other) {
  if (this == &other) return *this;
  width_ = other.width_;
  height_ = other.height_;
  format_ = other.format_;
  stride_ = other.stride_;
  pixels_.resize(other.pixels_.size());  // no fill: every byte is copied over next
  if (!pixels_.empty()) std::memcpy(pixels_.data(), other.pixels_.data(), pixels_.size());
  palette_ = other.palette_;
  return *this;
}

bool Bitmap::Reshape(int width, int height, PixelFormat format) {
  if (width <= 0 || height <= 0 || format == PixelFormat::kNone) {
    Clear();
    return false;
  }
  const size_t stride = RowStride(width, format);
  if (stride != 0) NoteRequest(stride, height);
  if (stride == 0 || static_cast<size_t>(height) > MemoryBudget() / stride) {
    Clear();
    return false;
  }
  const size_t bytes = stride * static_cast<size_t>(height);
  if (pixels_.capacity() < bytes || pixels_.capacity() > bytes * 2) {
    // A fresh buffer: nothing of the old one needs keeping, so it goes before the new one comes.
    Clear();
    try {
      pixels_.resize(bytes);
    } catch (const std::bad_alloc&) {
      Clear();
      return false;
    }
  } else {
    pixels_.resize(bytes);
  }
  palette_.clear();
  width_ = width;
  height_ = height;
  format_ = format;
  stride_ = stride;
  return true;
}

void Bitmap::MakeFailure() {
  Create(1, 1, PixelFormat::k1);
  palette_ = {Rgb{0, 0, 0}, Rgb{255, 255, 255}};
}

void Bitmap::Clear() {
  width_ = height_ = 0;
  format_ = PixelFormat::kNone;
  stride_ = 0;
  pixels_.clear();
  pixels_.shrink_to_fit();
  palette_.clear();
}

uint32_t Bitmap::PixelAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  const uint8_t* row = Row(y);
  switch (format_) {
    case PixelFormat::k1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case PixelFormat::k4: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    case PixelFormat::k8: return row[x];
    case PixelFormat::k15:
    case PixelFormat::k16: return static_cast<uint32_t>(row[2 * x] | (row[2 * x + 1] << 8));
    case PixelFormat::k24: {
      const uint8_t* p = row + 3 * static_cast<size_t>(x);
      return static_cast<uint32_t>(p[2] << 16 | p[1] << 8 | p[0]);
    }
    case PixelFormat::k32: {
      const uint8_t* p = row + 4 * static_cast<size_t>(x);
      return static_cast<uint32_t>(p[2] << 16 | p[1] << 8 | p[0]);
    }
    default: return 0;
  }
}

Rgb Bitmap::ColourAt(int x, int y) const {
  const uint32_t v = PixelAt(x, y);
  if (Indexed()) return v < palette_.size() ? palette_[v] : Rgb{};
  if (format_ == PixelFormat::k15) {
    return Rgb{static_cast<uint8_t>(((v >> 10) & 31) * 255 / 31), static_cast<uint8_t>(((v >> 5) & 31) * 255 / 31),
               static_cast<uint8_t>((v & 31) * 255 / 31)};
  }
  if (format_ == PixelFormat::k16) {
    return Rgb{static_cast<uint8_t>(((v >> 11) & 31) * 255 / 31), static_cast<uint8_t>(((v >> 5) & 63) * 255 / 63),
               static_cast<uint8_t>((v & 31) * 255 / 31)};
  }
  return Rgb{static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}

}  // namespace vr::picture
