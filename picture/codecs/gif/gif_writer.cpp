// Single-image GIF writer: global colour table, optional comment and transparency
// extensions, LZW data in sub-blocks of 255 bytes.
#include <algorithm>
#include <cstring>

#include "picture/codecs/gif/gif_graphics.h"
#include "platform/files.h"

namespace vr::codecs::gif {
namespace {

// Slots of the code table: a power of two well above the 4,096 codes, so that probe runs stay
// short even when the table is nearly full (dithered pictures fill it every few thousand pixels).
constexpr uint32_t kSlots = 1 << 14;
// No stored slot equals this: a pair with prefix 4095 is never stored, the table being full
// (and cleared) once code 4095 is given out.
constexpr uint32_t kEmpty = 0xFFFFFFFF;

// Variable-length LZW coder. The table maps a (prefix, pixel) pair to its code; each slot holds
// the pair (20 bits) above the code (12 bits), found by a multiplicative hash and linear probing.
// The codes written depend only on which pairs are in the table, not on where they sit.
class LzwEncoder {
 public:
  LzwEncoder(int min_code_size, std::vector<uint8_t>& out)
      : out_(out),
        init_bits_(min_code_size + 1),
        clear_code_(1 << min_code_size),
        end_code_(clear_code_ + 1) {
    ClearTable();
    bits_ = init_bits_;
    max_code_ = (1 << bits_) - 1;
    free_code_ = clear_code_ + 2;
    Output(clear_code_);
  }

  void Add(const uint8_t* pixels, size_t count) {
    size_t i = 0;
    if (prefix_ < 0 && count > 0) prefix_ = pixels[i++];
    int prefix = prefix_;
    for (; i < count; ++i) {
      const int c = pixels[i];
      const uint32_t key = (static_cast<uint32_t>(c) << 12) | static_cast<uint32_t>(prefix);
      uint32_t h = (key * 2654435761u) >> (32 - 14);
      uint32_t slot;
      while ((slot = table_[h]) != kEmpty && (slot >> 12) != key) h = (h + 1) & (kSlots - 1);
      if (slot != kEmpty) {
        prefix = static_cast<int>(slot & 4095);
        continue;
      }
      Output(prefix);
      if (free_code_ > 4095) {
        ClearTable();
        free_code_ = clear_code_ + 2;
        clear_pending_ = true;
        Output(clear_code_);
      } else {
        table_[h] = (key << 12) | static_cast<uint32_t>(free_code_++);
      }
      prefix = c;
    }
    prefix_ = prefix;
  }

  void Finish() {
    if (prefix_ >= 0) Output(prefix_);
    Output(end_code_);
    if (bit_count_ > 0) PutByte(static_cast<uint8_t>(accumulator_));
    if (block_fill_ > 0) FlushBlock();
  }

 private:
  void ClearTable() { std::fill(std::begin(table_), std::end(table_), kEmpty); }

  void Output(int code) {
    accumulator_ |= static_cast<uint32_t>(code) << bit_count_;
    bit_count_ += bits_;
    while (bit_count_ >= 8) {
      PutByte(static_cast<uint8_t>(accumulator_));
      accumulator_ >>= 8;
      bit_count_ -= 8;
    }
    if (clear_pending_) {
      bits_ = init_bits_;
      max_code_ = (1 << bits_) - 1;
      clear_pending_ = false;
    } else if (free_code_ > max_code_) {
      ++bits_;
      max_code_ = bits_ >= 12 ? 4096 : (1 << bits_) - 1;
      if (bits_ > 12) bits_ = 12;
    }
  }

  void PutByte(uint8_t b) {
    block_[block_fill_++] = b;
    if (block_fill_ == 255) FlushBlock();
  }

  void FlushBlock() {
    out_.push_back(static_cast<uint8_t>(block_fill_));
    out_.insert(out_.end(), block_, block_ + block_fill_);
    block_fill_ = 0;
  }

  std::vector<uint8_t>& out_;
  const int init_bits_;
  const int clear_code_;
  const int end_code_;
  int bits_ = 0;
  int max_code_ = 0;
  int free_code_ = 0;
  bool clear_pending_ = false;
  int prefix_ = -1;
  uint32_t accumulator_ = 0;
  int bit_count_ = 0;
  uint8_t block_[256] = {};
  int block_fill_ = 0;
  uint32_t table_[kSlots];
};

void Put16(std::vector<uint8_t>& out, int value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

// One row as one byte per pixel, values kept below the table size.
void ExpandRow(const uint8_t* src, int bits, int width, uint8_t limit_mask, uint8_t* dst) {
  switch (bits) {
    case 1:
      for (int x = 0; x < width; ++x) dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1;
      break;
    case 4:
      for (int x = 0; x < width; ++x) dst[x] = (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4);
      break;
    default:
      std::memcpy(dst, src, static_cast<size_t>(width));
      break;
  }
  for (int x = 0; x < width; ++x) dst[x] &= limit_mask;
}

}  // namespace

std::vector<uint8_t> TGifGraphics::EncodeGif(const Bitmap& picture, const Palette6& palette6,
                                             const GifWriterOptions& options) {
  std::vector<Rgb> palette(palette6.size() / 3);
  for (size_t i = 0; i < palette.size(); ++i) {
    palette[i] = Rgb{Expand6(std::min<uint8_t>(palette6[i * 3], 63)),
                     Expand6(std::min<uint8_t>(palette6[i * 3 + 1], 63)),
                     Expand6(std::min<uint8_t>(palette6[i * 3 + 2], 63))};
  }
  return EncodeGif(picture, palette, options);
}

std::vector<uint8_t> TGifGraphics::EncodeGif(const Bitmap& picture, const std::vector<Rgb>& palette,
                                             const GifWriterOptions& options) {
  std::vector<uint8_t> out;
  const int bits_in = picture.Bits();
  if (picture.Empty() || (bits_in != 1 && bits_in != 4 && bits_in != 8)) return out;
  const int width = std::min(picture.Width(), 65535);
  const int height = std::min(picture.Height(), 65535);
  const int colours = std::clamp(options.colour_count, 2, 256);
  int b = 1;
  while ((1 << b) < colours) ++b;
  const int min_code_size = b == 1 ? 2 : b;
  const bool gif89a = options.comments || options.transparent_index >= 0;

  out.reserve(static_cast<size_t>(width) * height / 2 + 1024);
  const char* signature = gif89a ? "GIF89a" : "GIF87a";
  out.insert(out.end(), signature, signature + 6);
  Put16(out, width);
  Put16(out, height);
  out.push_back(static_cast<uint8_t>(0x80 | ((b - 1) << 4) | (b - 1)));
  out.push_back(0);
  out.push_back(0);
  for (int i = 0; i < (1 << b); ++i) {
    const Rgb c = static_cast<size_t>(i) < palette.size() ? palette[i] : Rgb{};
    out.push_back(c.r);
    out.push_back(c.g);
    out.push_back(c.b);
  }
  if (options.comments && !options.comment_lines.empty()) {
    out.push_back(0x21);
    out.push_back(0xFE);
    for (const std::string& line : options.comment_lines) {
      std::string block = line + "\r\n";
      if (block.size() > 255) block.resize(255);
      out.push_back(static_cast<uint8_t>(block.size()));
      out.insert(out.end(), block.begin(), block.end());
    }
    out.push_back(0);
  }
  if (options.transparent_index >= 0) {
    const uint8_t ext[] = {
        0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, static_cast<uint8_t>(options.transparent_index & 0xFF),
        0x00};
    out.insert(out.end(), ext, ext + sizeof(ext));
  }
  out.push_back(0x2C);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, width);
  Put16(out, height);
  out.push_back(static_cast<uint8_t>((b - 1) | (options.interlaced ? 0x40 : 0)));
  out.push_back(static_cast<uint8_t>(min_code_size));

  LzwEncoder encoder(min_code_size, out);
  std::vector<uint8_t> row(static_cast<size_t>(width));
  const uint8_t limit_mask = static_cast<uint8_t>((1 << b) - 1);
  auto feed = [&](int y) {
    ExpandRow(picture.Row(y), bits_in, width, limit_mask, row.data());
    encoder.Add(row.data(), row.size());
  };
  if (options.interlaced) {
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
      for (int y = kStart[pass]; y < height; y += kStep[pass]) feed(y);
    }
  } else {
    for (int y = 0; y < height; ++y) feed(y);
  }
  encoder.Finish();
  out.push_back(0);
  out.push_back(0x3B);
  return out;
}

bool TGifGraphics::SaveGif(const std::string& path, const Bitmap& picture, const Palette6& palette6,
                           const GifWriterOptions& options, std::string* error) {
  std::vector<Rgb> palette(palette6.size() / 3);
  for (size_t i = 0; i < palette.size(); ++i) {
    palette[i] = Rgb{Expand6(std::min<uint8_t>(palette6[i * 3], 63)),
                     Expand6(std::min<uint8_t>(palette6[i * 3 + 1], 63)),
                     Expand6(std::min<uint8_t>(palette6[i * 3 + 2], 63))};
  }
  return SaveGif(path, picture, palette, options, error);
}

bool TGifGraphics::SaveGif(const std::string& path, const Bitmap& picture,
                           const std::vector<Rgb>& palette, const GifWriterOptions& options,
                           std::string* error) {
  const std::vector<uint8_t> bytes = EncodeGif(picture, palette, options);
  // An existing file is replaced only by a whole new one.
  const bool ok =
      !bytes.empty() &&
      platform::WriteFileAtomically(
          path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  if (!ok && error != nullptr) *error = kStreamWriteErrorText;
  return ok;
}

}  // namespace vr::codecs::gif
