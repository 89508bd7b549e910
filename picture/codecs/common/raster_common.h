#pragma once
// Pieces the PCX, TGA, PIC and PNG codecs share: 6-bit palettes and the standard tables, row
// conversion for the writers, a chunked byte source over TFastFileIO for the run-length
// decoders, a writer that stops at the first failed write, the plausibility check that keeps a
// tiny file from claiming a gigantic picture. True-colour pictures reach the colour reducer on
// 256-colour screens through picture::ReduceToScreen (picture/reduce_hook.h).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "picture/palette.h"
#include "picture/fast_file_io.h"
#include "platform/files.h"
#include "picture/reduce_hook.h"

namespace vr::codecs {

using picture::Bitmap;
using picture::PixelFormat;
using picture::Rgb;
using picture::TFastFileIO;

// A codec palette: 256 entries with channels 0..63 (the PIC format and the screen palette).
using Palette6 = std::array<Rgb, 256>;
// A codec palette as the file holds it: 256 entries with channels 0..255. PCX and TGA keep their
// entries this way so a conversion writes back exactly the colours it read.
using Palette8 = std::array<Rgb, 256>;

inline uint8_t SixToEight(uint8_t c6) { return picture::Expand6To8(c6); }
inline uint8_t EightToSix(uint8_t c8) { return picture::Shrink8To6(c8); }

// The 16 standard Windows colours in 6-bit units.
const std::array<Rgb, 16>& StandardColours6();
// The 3-3-2 colour cube in 6-bit units.
void FillCube332(Palette6& palette);
// 256 greys in 6-bit units.
void FillGreyRamp(Palette6& palette);
// An EGA colour code (bits 2/5 red, 1/4 green, 0/3 blue) as a 6-bit colour.
Rgb EgaToRgb6(uint8_t code);

// The first `count` entries of a 6-bit palette as the Bitmap's 8-bit palette.
std::vector<Rgb> ExpandPalette(const Palette6& palette, int count);
// A Bitmap's palette in 6-bit form (missing entries black).
Palette6 ShrinkPalette(const std::vector<Rgb>& palette);
// The first `count` entries of an 8-bit palette as the Bitmap's palette.
std::vector<Rgb> PaletteEntries(const Palette8& palette, int count);
// A Bitmap's palette as a full table (missing entries black).
Palette8 FullPalette(const std::vector<Rgb>& palette);
// Conversions between the two forms, entry by entry.
Palette8 ExpandTable(const Palette6& palette);
Palette6 ShrinkTable(const Palette8& palette);

// One row of a 1, 4 or 8-bit picture as one byte per pixel.
void RowToIndices(const uint8_t* src, int bits, int count, uint8_t* dst);
// One row of a 1, 4, 8, 24 or 32-bit picture as blue, green, red triples; indexed pixels go
// through the palette, 1-bit pixels are black and white.
void RowToBgr(const uint8_t* src, int bits, const Palette8& palette, int count, uint8_t* dst);

// The loaders' failure picture: 1 x 1 at 8 bits, black and white palette.
void MakeFailure8(Bitmap& bitmap);

// Whether a file whose picture data may start at `data_start` can hold a picture whose most
// compact encoding takes `min_bytes`. Reading past the end gives zeros, so a truncated file still
// shows what it has; a header that claims gigabytes over a few bytes of data is refused before
// anything is allocated.
bool DataCanHold(uint64_t file_size, uint64_t data_start, uint64_t min_bytes);

// Sequential bytes for the row decoders: pulls large blocks out of the reader (a few system
// calls per picture instead of one per 8 KB) so the hot loops index a local array. Past the end
// of the file it yields zeros, like the reader.
class ChunkSource {
 public:
  static constexpr size_t kChunk = 128 * 1024;
  explicit ChunkSource(TFastFileIO& io) : io_(io), chunk_(kChunk) {}
  uint8_t Next() {
    if (pos_ == end_) Refill();
    return chunk_[pos_++];
  }
  // Bytes ready without a refill, and direct access to them.
  size_t Ready() const { return end_ - pos_; }
  const uint8_t* Peek() const { return chunk_.data() + pos_; }
  void Advance(size_t n) { pos_ += n; }
  void Refill();
  // Copies n bytes into dest.
  void Take(uint8_t* dest, size_t n);
  // Passes over n bytes.
  void Skip(uint64_t n);
  // Bytes handed out so far.
  uint64_t Consumed() const { return consumed_ + pos_; }

 private:
  TFastFileIO& io_;
  std::vector<uint8_t> chunk_;
  size_t pos_ = 0;
  size_t end_ = 0;
  uint64_t consumed_ = 0;
};

// Output file for the writers. Bytes are gathered in a buffer and written in large pieces; the
// first failed write stops all further output. The picture goes to a temporary file beside the
// target that replaces it only when everything was written, so a failed save never destroys an
// existing file.
class StreamWriter {
 public:
  StreamWriter() = default;
  ~StreamWriter();
  StreamWriter(const StreamWriter&) = delete;
  StreamWriter& operator=(const StreamWriter&) = delete;

  // Creates the temporary file; false (with Error() set) when that fails.
  bool Open(const std::string& path);
  void Write(const void* data, size_t n);
  void Byte(uint8_t b) { Write(&b, 1); }
  void Word(uint16_t w) {
    const uint8_t bytes[2] = {static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8)};
    Write(bytes, 2);
  }
  // Overwrites bytes already written at `offset` (for counts known only at the end).
  void Patch(uint64_t offset, const void* data, size_t n);
  uint64_t Position() const { return written_ + used_; }
  bool Failed() const { return failed_; }
  // Flushes and puts the file in place; false with "Stream write error" after a failed write.
  bool Finish();
  const std::string& Error() const { return error_; }

 private:
  void Flush();
  void Discard();

  platform::AtomicFileWriter file_;
  std::vector<uint8_t> buffer_;
  size_t used_ = 0;
  uint64_t written_ = 0;
  bool failed_ = false;
  std::string error_;
};

inline constexpr const char* kStreamWriteError = "Stream write error";

// Reduction for screens of at most 8 bits goes through the one hook of the picture model.
using picture::ReduceToScreen;

}  // namespace vr::codecs
