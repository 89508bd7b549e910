#pragma once
// The decoded picture every decoder produces and every writer consumes.
//
// Rows run top first, each padded to a multiple of 4 bytes, in one contiguous buffer. Indexed
// formats (1, 4, 8 bits) carry a palette of up to 256 RGB entries; 4-bit rows hold the left pixel
// in the high nibble, 1-bit rows in the most significant bit. 24-bit pixels are blue, green, red;
// 32-bit pixels add a fourth byte that is ignored. 15 and 16 bits only come from readers.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace vr::picture {

enum class PixelFormat : uint8_t {
  kNone = 0,
  k1 = 1,
  k4 = 4,
  k8 = 8,
  k15 = 15,  // 5-5-5, read only
  k16 = 16,  // 5-6-5, read only
  k24 = 24,  // blue, green, red
  k32 = 32,  // blue, green, red, ignored
};

struct Rgb {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Bits per pixel of a format (0 for kNone).
int BitsOf(PixelFormat format);
// The format for a bit count (1, 4, 8, 15, 16, 24, 32); kNone for anything else.
PixelFormat FormatOfBits(int bits);
// Bytes of one row of `width` pixels, padded to 4 bytes. 0 when it would overflow.
size_t RowStride(int width, PixelFormat format);

// Pictures larger than this many bytes of pixels are refused before anything is allocated.
// Defaults to a quarter of physical memory; tests may lower it.
size_t MemoryBudget();
void SetMemoryBudget(size_t bytes);
// The largest block of pixels asked of the budget since the last reset, refused or not: a
// decoder that checks its data before making the picture never asks for what a header claims.
size_t LargestPixelRequest();
void ResetLargestPixelRequest();

// Pixel memory. Large blocks are aligned to 2 MB and offered to the kernel for huge pages, so
// a fresh 12-megapixel picture takes a few dozen page faults instead of thousands.
void* AllocatePixels(size_t bytes);
void FreePixels(void* pixels, size_t bytes) noexcept;

// Allocator of pixel storage whose resize leaves new bytes as the allocator hands them out:
// decoders that write every byte of a picture do not pay for a zero fill first. Create and
// Recreate still fill with 0 explicitly.
template <typename T>
struct UninitializedAllocator : std::allocator<T> {
  using value_type = T;
  T* allocate(size_t n) {
    if (n > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(AllocatePixels(n * sizeof(T)));
  }
  void deallocate(T* p, size_t n) noexcept { FreePixels(p, n * sizeof(T)); }
  template <typename U>
  struct rebind {
    using other = UninitializedAllocator<U>;
  };
  UninitializedAllocator() = default;
  template <typename U>
  UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {}
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    if constexpr (sizeof...(Args) == 0) {
      ::new (static_cast<void*>(p)) U;
    } else {
      ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
  }
};

class Bitmap {
 public:
  Bitmap() = default;
  // Copies move the pixels in one block: a vector with its own allocator would copy them one
  // byte at a time.
  Bitmap(const Bitmap& other);
  Bitmap& operator=(const Bitmap& other);
  Bitmap(Bitmap&&) noexcept = default;
  Bitmap& operator=(Bitmap&&) noexcept = default;

  // Makes a zero-filled picture. Refuses (returns false and leaves the Bitmap empty) for
  // non-positive sizes, unknown formats and pictures beyond the memory budget.
  bool Create(int width, int height, PixelFormat format);
  // Create for decoders that refill the same picture: keeps the pixel buffer when it is large
  // enough, so a reload does not fetch (and fault in) fresh pages. Same checks and result.
  bool Recreate(int width, int height, PixelFormat format);
  // Recreate for decoders that write every byte of every row themselves, row padding included:
  // the pixel bytes are left as they happen to be instead of being zero-filled. Same checks and
  // result.
  bool Reshape(int width, int height, PixelFormat format);
  // The loaders' failure picture: 1 x 1 at 1 bit, black and white palette.
  void MakeFailure();
  void Clear();

  int Width() const { return width_; }
  int Height() const { return height_; }
  PixelFormat Format() const { return format_; }
  int Bits() const { return BitsOf(format_); }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }
  bool Indexed() const { return format_ == PixelFormat::k1 || format_ == PixelFormat::k4 || format_ == PixelFormat::k8; }
  size_t Stride() const { return stride_; }
  size_t ByteSize() const { return pixels_.size(); }

  uint8_t* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * stride_; }
  const uint8_t* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * stride_; }
  uint8_t* Data() { return pixels_.data(); }
  const uint8_t* Data() const { return pixels_.data(); }

  std::vector<Rgb>& Palette() { return palette_; }
  const std::vector<Rgb>& Palette() const { return palette_; }
  void SetPalette(std::vector<Rgb> palette) { palette_ = std::move(palette); }

  // Index or packed pixel value at (x, y); for 24/32 bits 0x00RRGGBB. Slow; for tests and tools.
  uint32_t PixelAt(int x, int y) const;
  // Colour at (x, y) through the palette for indexed formats. Slow; for tests and tools.
  Rgb ColourAt(int x, int y) const;

  friend bool operator==(const Bitmap&, const Bitmap&) = default;

 private:
  int width_ = 0;
  int height_ = 0;
  PixelFormat format_ = PixelFormat::kNone;
  size_t stride_ = 0;
  std::vector<uint8_t, UninitializedAllocator<uint8_t>> pixels_;
  std::vector<Rgb> palette_;
};

}  // namespace vr::picture
