#include "picture/codecs/pic/pic_graphics.h"
#include "picture/decode_progress.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vr::codecs {
namespace {

constexpr size_t kHeaderSize = 17;
constexpr size_t kBlockLimit = 8191;
// The most a run can unpack to (marker, 0, 16-bit count, value: five bytes).
constexpr uint64_t kLongestRun = 65535;
constexpr uint64_t kLongestRunBytes = 5;

// EGA colour codes of the adapter's default palette, for files that carry none.
constexpr uint8_t kDefaultEga[16] = {0, 1, 2, 3, 4, 5, 20, 7, 56, 57, 58, 59, 60, 61, 62, 63};

enum class PicLayout { kMono, kPlanar, kIndexed8 };

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// Gathers unpacked bytes into rows; every full row goes to the picture. Rows past the last one
// the picture holds are dropped, so a lying block header cannot write beyond the picture.
// 8-bit rows are gathered in the picture's own row (the picture was not zero-filled: each row's
// padding is cleared when it is complete, and Finish clears the rows the data never reached).
class RowSink {
 public:
  RowSink(Bitmap& out, PicLayout layout, int planes, size_t row_bytes, bool reduced)
      : out_(out),
        layout_(layout),
        row_bytes_(row_bytes),
        reduced_(reduced),
        direct_(layout == PicLayout::kIndexed8),
        line_(direct_ ? 0 : row_bytes + 8),
        total_rows_(static_cast<int64_t>(out.Height()) *
                    (layout == PicLayout::kPlanar ? planes : 1)) {
    Target();
  }

  bool Full() const { return emitted_ >= total_rows_; }

  void Put(const uint8_t* bytes, size_t n) {
    while (n > 0 && !Full()) {
      const size_t k = std::min(n, row_bytes_ - fill_);
      std::memcpy(target_ + fill_, bytes, k);
      bytes += k;
      n -= k;
      fill_ += k;
      if (fill_ == row_bytes_) Emit();
    }
  }
  void Repeat(uint8_t value, size_t n) {
    while (n > 0 && !Full()) {
      const size_t k = std::min(n, row_bytes_ - fill_);
      std::memset(target_ + fill_, value, k);
      n -= k;
      fill_ += k;
      if (fill_ == row_bytes_) Emit();
    }
  }
  // Clears what the data left unwritten in an 8-bit picture: the row in progress and every row
  // above it.
  void Finish() {
    if (!direct_ || Full()) return;
    const int unfinished = out_.Height() - static_cast<int>(emitted_);  // rows 0 .. unfinished-1
    for (int y = 0; y < unfinished; ++y) std::memset(out_.Row(y), 0, out_.Stride());
  }

 private:
  // Where the next row's bytes go.
  void Target() {
    if (!direct_) {
      target_ = line_.data();
    } else if (!Full()) {
      target_ = out_.Row(out_.Height() - static_cast<int>(emitted_) - 1);
    }
  }

  void Emit() {
    fill_ = 0;
    const int height = out_.Height();
    const int width = out_.Width();
    const int64_t n = emitted_++;
    picture::ReportDecodeRow(emitted_, total_rows_);
    if (direct_) {
      std::memset(target_ + row_bytes_, 0, out_.Stride() - row_bytes_);
      Target();
      return;
    }
    const uint8_t* line = line_.data();
    if (layout_ == PicLayout::kPlanar) {
      const int plane = static_cast<int>(n / height);
      uint8_t* dst = out_.Row(height - static_cast<int>(n % height) - 1);
      if (plane == 0) std::memset(dst, 0, static_cast<size_t>(width));
      const uint8_t value = static_cast<uint8_t>(1u << plane);
      for (int x = 0; x < width; ++x) {
        if (line[x >> 3] & (0x80 >> (x & 7))) dst[x] = static_cast<uint8_t>(dst[x] + value);
      }
      return;
    }
    uint8_t* dst = out_.Row(height - static_cast<int>(n) - 1);
    if (layout_ == PicLayout::kMono && reduced_) {
      for (int x = 0; x < width; ++x) dst[x] = (line[x >> 3] >> (7 - (x & 7))) & 1;
      return;
    }
    std::memcpy(dst, line, layout_ == PicLayout::kMono ? row_bytes_ : static_cast<size_t>(width));
  }

  Bitmap& out_;
  PicLayout layout_;
  size_t row_bytes_;
  bool reduced_;
  bool direct_;
  std::vector<uint8_t> line_;
  uint8_t* target_ = nullptr;
  size_t fill_ = 0;
  int64_t emitted_ = 0;
  int64_t total_rows_;
};

}  // namespace

ReadResult TPICGraphics::Fail(Bitmap& bitmap, const std::string& error) {
  error_ = error;
  MakeFailure8(bitmap);
  return ReadResult{0, error};
}

ReadResult TPICGraphics::LoadPic(const std::string& path, Bitmap& bitmap,
                                 const DecodeOptions& options) {
  TFastFileIO io;
  if (!io.Open(path)) return Fail(bitmap, "Cannot open file " + path);
  return Load(io, bitmap, options);
}

ReadResult TPICGraphics::Load(TFastFileIO& io, Bitmap& bitmap, const DecodeOptions& options) {
  palette_ = {};
  uint8_t raw[kHeaderSize];
  io.ReadBlock(raw, kHeaderSize);
  PicHeader h;
  h.magic = Le16(raw);
  h.width = Le16(raw + 2);
  h.height = Le16(raw + 4);
  h.x_offset = Le16(raw + 6);
  h.y_offset = Le16(raw + 8);
  h.plane_info = raw[10];
  h.palette_flag = raw[11];
  h.video_mode = raw[12];
  h.palette_type = Le16(raw + 13);
  h.palette_length = Le16(raw + 15);
  header_ = h;
  if (h.magic != 0x1234) return Fail(bitmap, "Not a PIC file, or header read error.");
  if (h.palette_length > 768) return Fail(bitmap, "PIC file palette invalid.");

  PicLayout layout;
  const int bits = h.Bits();
  if (h.BitsPerPlane() == 1 && h.Planes() == 1) {
    layout = PicLayout::kMono;
  } else if (h.BitsPerPlane() == 1 && h.Planes() <= 8) {
    layout = PicLayout::kPlanar;
  } else if (h.BitsPerPlane() == 8 && h.Planes() == 1) {
    layout = PicLayout::kIndexed8;
  } else {
    return Fail(bitmap, "PIC file format not supported.");
  }
  const size_t entries = size_t{1} << std::min(bits, 8);

  // The palette as stored; only the entries the depth uses are taken, but all of its bytes are
  // read so the image data stays in step.
  uint8_t stored[768];
  io.ReadBlock(stored, h.palette_length);
  if (h.palette_length == 16) {
    for (size_t i = 0; i < std::min<size_t>(entries, 16); ++i) palette_[i] = EgaToRgb6(stored[i]);
  } else if (h.palette_length > 0) {
    const size_t count = std::min<size_t>(entries, h.palette_length / 3);
    for (size_t i = 0; i < count; ++i) {
      palette_[i] =
          Rgb{std::min<uint8_t>(stored[i * 3], 63), std::min<uint8_t>(stored[i * 3 + 1], 63),
              std::min<uint8_t>(stored[i * 3 + 2], 63)};
    }
  } else if (layout == PicLayout::kPlanar) {
    for (size_t i = 0; i < 16; ++i) palette_[i] = EgaToRgb6(kDefaultEga[i]);
  } else if (layout == PicLayout::kIndexed8) {
    FillGreyRamp(palette_);
  }

  const int width = h.width;
  const int height = h.height;
  if (width <= 0 || height <= 0) return Fail(bitmap, "Not a PIC file, or header read error.");
  const size_t row_bytes = layout == PicLayout::kIndexed8 ? static_cast<size_t>(width)
                                                          : (static_cast<size_t>(width) + 7) / 8;
  const uint64_t unpacked_total =
      static_cast<uint64_t>(row_bytes) * height * (layout == PicLayout::kPlanar ? h.Planes() : 1);
  const uint64_t data_start = kHeaderSize + h.palette_length;
  const uint64_t file_size = io.FileSize();
  const uint64_t min_bytes = (unpacked_total + kLongestRun - 1) / kLongestRun * kLongestRunBytes;
  if (!DataCanHold(file_size, data_start, min_bytes)) {
    return Fail(bitmap, "Not a PIC file, or header read error.");
  }

  const bool reduced = options.Reduced();
  PixelFormat format = PixelFormat::k8;
  int palette_count = 256;
  if (layout == PicLayout::kMono) {
    format = reduced ? PixelFormat::k8 : PixelFormat::k1;
    palette_[0] = Rgb{0, 0, 0};
    palette_[1] = Rgb{63, 63, 63};
    palette_count = 2;
  } else if (layout == PicLayout::kPlanar) {
    palette_count = h.Planes() == 4 ? 17 : static_cast<int>(entries);
  }
  // Decoded straight into the caller's picture: reloading reuses its memory.
  Bitmap& out = bitmap;
  const bool every_byte = layout == PicLayout::kIndexed8;  // see RowSink
  if (!(every_byte ? out.Reshape(width, height, format) : out.Recreate(width, height, format)))
    return Fail(bitmap, "Not enough memory for this picture.");
  out.SetPalette(ExpandPalette(palette_, palette_count));

  ChunkSource src(io);
  RowSink sink(out, layout, h.Planes(), row_bytes, reduced);
  // Nothing is read further than this past the end of the file: zero bytes there could
  // otherwise form endless empty runs.
  const uint64_t readable = (file_size > data_start ? file_size - data_start : 0) + 16;
  const int blocks = src.Next() | (src.Next() << 8);
  for (int b = 0; b < blocks && !sink.Full() && src.Consumed() <= readable; ++b) {
    uint8_t block_header[5];
    src.Take(block_header, 5);
    const size_t unpacked = Le16(block_header + 2);
    const uint8_t marker = block_header[4];
    size_t produced = 0;
    while (produced < unpacked && !sink.Full() && src.Consumed() <= readable) {
      if (src.Ready() == 0) src.Refill();
      const uint8_t* p = src.Peek();
      const size_t limit = std::min(src.Ready(), unpacked - produced);
      const void* hit = std::memchr(p, marker, limit);
      const size_t literal =
          hit ? static_cast<size_t>(static_cast<const uint8_t*>(hit) - p) : limit;
      if (literal > 0) {
        sink.Put(p, literal);
        src.Advance(literal);
        produced += literal;
        continue;
      }
      src.Advance(1);
      size_t count = src.Next();
      if (count == 0) {
        count = src.Next();
        count |= static_cast<size_t>(src.Next()) << 8;
      }
      sink.Repeat(src.Next(), count);
      produced += count;
    }
  }
  sink.Finish();
  error_.clear();
  return ReadResult{bits, {}};
}

size_t PackPicBlock(const uint8_t* in, size_t n, uint8_t* out) {
  size_t o = 0;
  size_t i = 0;
  while (i < n) {
    const uint8_t v = in[i];
    size_t j = 0;
    while (i + 1 + j < n && in[i + 1 + j] == v) ++j;
    if (j == 0) {
      if (v == kPicRunMarker) {
        out[o++] = kPicRunMarker;
        out[o++] = 1;
      }
      out[o++] = v;
      ++i;
      continue;
    }
    // j copies as a run; the run's last byte is then written on its own.
    out[o++] = kPicRunMarker;
    if (j > 255) {
      out[o++] = 0;
      out[o++] = static_cast<uint8_t>(j);
      out[o++] = static_cast<uint8_t>(j >> 8);
    } else {
      out[o++] = static_cast<uint8_t>(j);
    }
    out[o++] = v;
    i += j;
  }
  return o;
}

WriteResult TPICGraphics::SavePic(const std::string& path, const Bitmap& bitmap, int mode) {
  const int bits = bitmap.Bits();
  if (mode < kPic2Colours || mode > kPic256Colours) return {false, "Invalid PIC mode."};
  if (bitmap.Empty() || bitmap.Width() > 65535 || bitmap.Height() > 65535 ||
      (bits != 1 && bits != 4 && bits != 8)) {
    return {false, "The picture cannot be saved in this PIC mode."};
  }
  palette_ = ShrinkPalette(bitmap.Palette());
  const int width = bitmap.Width();
  const int height = bitmap.Height();

  StreamWriter out;
  if (!out.Open(path)) return {false, out.Error()};
  static constexpr uint8_t kPlaneInfo[] = {0x01, 0x31, 0x08};
  static constexpr uint8_t kVideo[] = {'O', 'G', 'L'};
  static constexpr uint16_t kPaletteType[] = {0, 3, 4};
  static constexpr uint16_t kPaletteLength[] = {0, 16, 768};
  out.Word(0x1234);
  out.Word(static_cast<uint16_t>(width));
  out.Word(static_cast<uint16_t>(height));
  out.Word(0);
  out.Word(0);
  out.Byte(kPlaneInfo[mode - 1]);
  out.Byte(0xFF);
  out.Byte(kVideo[mode - 1]);
  out.Word(kPaletteType[mode - 1]);
  out.Word(kPaletteLength[mode - 1]);
  if (mode == kPic16Colours) {
    auto level = [](uint8_t c, uint8_t high, uint8_t mid, uint8_t low) -> uint8_t {
      if (c >= 47) return high;
      if (c > 29) return mid;
      if (c > 12) return low;
      return 0;
    };
    for (int i = 0; i < 16; ++i) {
      const Rgb& c = palette_[i];
      out.Byte(static_cast<uint8_t>(level(c.r, 0x24, 0x04, 0x20) | level(c.g, 0x12, 0x02, 0x10) |
                                    level(c.b, 0x09, 0x01, 0x08)));
    }
  } else if (mode == kPic256Colours) {
    for (int i = 0; i < 256; ++i) {
      out.Byte(palette_[i].r);
      out.Byte(palette_[i].g);
      out.Byte(palette_[i].b);
    }
  }
  const uint64_t count_at = out.Position();
  out.Word(0);

  std::vector<uint8_t> block;
  block.reserve(kBlockLimit);
  std::vector<uint8_t> packed(kBlockLimit * 3 + 16);
  int block_count = 0;
  auto write_block = [&]() {
    if (block.empty()) return;
    const size_t n = PackPicBlock(block.data(), block.size(), packed.data());
    out.Word(static_cast<uint16_t>(n + 5));
    out.Word(static_cast<uint16_t>(block.size()));
    out.Byte(kPicRunMarker);
    out.Write(packed.data(), n);
    block.clear();
    ++block_count;
  };
  // Rows longer than a block are split over several blocks; the reader joins them again.
  auto add_row = [&](const uint8_t* row, size_t n) {
    while (n > 0) {
      const size_t take = std::min(n, kBlockLimit);
      if (block.size() + take > kBlockLimit) write_block();
      block.insert(block.end(), row, row + take);
      row += take;
      n -= take;
    }
  };

  std::vector<uint8_t> indices(static_cast<size_t>(width) + 16);
  std::vector<uint8_t> line(static_cast<size_t>(width) + 16);
  const size_t packed_row = (static_cast<size_t>(width) + 7) / 8;
  const int passes = mode == kPic16Colours ? 4 : 1;
  for (int plane = 0; plane < passes && !out.Failed(); ++plane) {
    for (int y = height - 1; y >= 0 && !out.Failed(); --y) {
      RowToIndices(bitmap.Row(y), bits, width, indices.data());
      if (mode == kPic256Colours) {
        add_row(indices.data(), static_cast<size_t>(width));
        continue;
      }
      std::memset(line.data(), 0, packed_row);
      for (int x = 0; x < width; ++x) {
        if ((indices[x] >> plane) & 1) line[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
      }
      add_row(line.data(), packed_row);
    }
    if (mode == kPic16Colours) write_block();
  }
  write_block();
  if (block_count > 65535) return {false, "The picture is too large for a PIC file."};
  const uint8_t count_bytes[2] = {static_cast<uint8_t>(block_count),
                                  static_cast<uint8_t>(block_count >> 8)};
  out.Patch(count_at, count_bytes, 2);
  if (!out.Finish()) return {false, out.Error()};
  return {true, {}};
}

ReadResult LoadPic(const std::string& path, Bitmap& bitmap, const DecodeOptions& options) {
  TPICGraphics codec;
  return codec.LoadPic(path, bitmap, options);
}

WriteResult SavePic(const std::string& path, const Bitmap& bitmap, int mode) {
  TPICGraphics codec;
  return codec.SavePic(path, bitmap, mode);
}

}  // namespace vr::codecs
