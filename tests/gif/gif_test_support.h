#pragma once
// Byte-by-byte GIF builder and a scripted host for the GIF tests.

#include <cstdint>
#include <string>
#include <vector>

#include "picture/codecs/gif/gif_host.h"

namespace vr::codecs::gif::testing {

// Packs codes least significant bit first and cuts them into sub-blocks.
class CodeWriter {
 public:
  void Put(int code, int size) {
    acc_ |= static_cast<uint32_t>(code) << bits_;
    bits_ += size;
    while (bits_ >= 8) {
      bytes_.push_back(static_cast<uint8_t>(acc_));
      acc_ >>= 8;
      bits_ -= 8;
    }
  }
  std::vector<uint8_t> SubBlocks() {
    if (bits_ > 0) bytes_.push_back(static_cast<uint8_t>(acc_));
    bits_ = 0;
    acc_ = 0;
    std::vector<uint8_t> out;
    for (size_t i = 0; i < bytes_.size(); i += 255) {
      const size_t n = std::min<size_t>(255, bytes_.size() - i);
      out.push_back(static_cast<uint8_t>(n));
      out.insert(out.end(), bytes_.begin() + static_cast<long>(i),
                 bytes_.begin() + static_cast<long>(i + n));
    }
    out.push_back(0);
    return out;
  }

 private:
  std::vector<uint8_t> bytes_;
  uint32_t acc_ = 0;
  int bits_ = 0;
};

// Every pixel as its own code, with a clear code whenever the code size would grow.
inline std::vector<uint8_t> LiteralLzw(const std::vector<uint8_t>& pixels, int min_size) {
  CodeWriter w;
  const int clear = 1 << min_size;
  const int per_batch = clear - 2;
  int in_batch = per_batch;
  for (uint8_t p : pixels) {
    if (in_batch == per_batch) {
      w.Put(clear, min_size + 1);
      in_batch = 0;
    }
    w.Put(p, min_size + 1);
    ++in_batch;
  }
  w.Put(clear + 1, min_size + 1);
  std::vector<uint8_t> out{static_cast<uint8_t>(min_size)};
  auto blocks = w.SubBlocks();
  out.insert(out.end(), blocks.begin(), blocks.end());
  return out;
}

// Literal codes after a single clear, the code size following the table the way a decoder
// builds it (an encoder that defers its clear code for ever).
inline std::vector<uint8_t> LiteralLzwNoClear(const std::vector<uint8_t>& pixels, int min_size) {
  CodeWriter w;
  const int clear = 1 << min_size;
  int size = min_size + 1;
  int free_code = clear + 2;
  w.Put(clear, size);
  bool first = true;
  for (uint8_t p : pixels) {
    w.Put(p, size);
    if (!first) {
      ++free_code;
      if (free_code >= (1 << size) && size < 12) ++size;
    }
    first = false;
  }
  w.Put(clear + 1, size);
  std::vector<uint8_t> out{static_cast<uint8_t>(min_size)};
  auto blocks = w.SubBlocks();
  out.insert(out.end(), blocks.begin(), blocks.end());
  return out;
}

class GifBuilder {
 public:
  // `table` holds 8-bit RGB triples; empty means no global colour table, with `bits` in the
  // packed byte.
  GifBuilder(const char* signature, int width, int height, int bits,
             const std::vector<uint8_t>& table) {
    for (int i = 0; i < 6; ++i) bytes_.push_back(static_cast<uint8_t>(signature[i]));
    Put16(width);
    Put16(height);
    bytes_.push_back(static_cast<uint8_t>((table.empty() ? 0 : 0x80) | (bits - 1)));
    bytes_.push_back(0);
    bytes_.push_back(0);
    for (uint8_t v : table) bytes_.push_back(v);
  }
  GifBuilder& Control(int disposal, bool user_input, int delay, bool transparent, int index) {
    const uint8_t packed =
        static_cast<uint8_t>((disposal << 2) | (user_input ? 2 : 0) | (transparent ? 1 : 0));
    Raw({0x21, 0xF9, 4, packed, static_cast<uint8_t>(delay & 0xFF),
         static_cast<uint8_t>(delay >> 8), static_cast<uint8_t>(index), 0});
    return *this;
  }
  GifBuilder& Image(int left, int top, int width, int height, const std::vector<uint8_t>& pixels,
                    int min_size, bool interlaced = false) {
    return ImageData(left, top, width, height, LiteralLzw(pixels, min_size), interlaced);
  }
  GifBuilder& ImageData(int left, int top, int width, int height, const std::vector<uint8_t>& data,
                        bool interlaced = false) {
    bytes_.push_back(0x2C);
    Put16(left);
    Put16(top);
    Put16(width);
    Put16(height);
    bytes_.push_back(interlaced ? 0x40 : 0);
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    return *this;
  }
  GifBuilder& Comment(const std::string& text) {
    bytes_.push_back(0x21);
    bytes_.push_back(0xFE);
    SubBlocks(text);
    return *this;
  }
  GifBuilder& Text(int left, int top, int width, int height, int cell_w, int cell_h, int fg, int bg,
                   const std::string& text) {
    bytes_.push_back(0x21);
    bytes_.push_back(0x01);
    bytes_.push_back(12);
    Put16(left);
    Put16(top);
    Put16(width);
    Put16(height);
    bytes_.push_back(static_cast<uint8_t>(cell_w));
    bytes_.push_back(static_cast<uint8_t>(cell_h));
    bytes_.push_back(static_cast<uint8_t>(fg));
    bytes_.push_back(static_cast<uint8_t>(bg));
    SubBlocks(text);
    return *this;
  }
  GifBuilder& Raw(const std::vector<uint8_t>& raw) {
    bytes_.insert(bytes_.end(), raw.begin(), raw.end());
    return *this;
  }
  std::vector<uint8_t> Done() {
    bytes_.push_back(0x3B);
    return bytes_;
  }

 private:
  void Put16(int v) {
    bytes_.push_back(static_cast<uint8_t>(v & 0xFF));
    bytes_.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
  }
  void SubBlocks(const std::string& text) {
    for (size_t i = 0; i < text.size(); i += 255) {
      const size_t n = std::min<size_t>(255, text.size() - i);
      bytes_.push_back(static_cast<uint8_t>(n));
      bytes_.insert(bytes_.end(), text.begin() + static_cast<long>(i),
                    text.begin() + static_cast<long>(i + n));
    }
    bytes_.push_back(0);
  }
  std::vector<uint8_t> bytes_;
};

// A host on a settable clock: sleeping advances the clock, frames are logged with the time
// they were reported, and key presses arrive after a set number of polls.
class ScriptedHost : public GifHost {
 public:
  uint32_t now = 10000;
  int key_after_polls = -1;  // -1: no key
  int polls = 0;
  int beeps = 0;
  int processed = 0;
  std::vector<GifRect> rects;
  std::vector<uint32_t> frame_times;
  std::vector<std::string> messages;
  std::vector<int> sizes;  // width, height pairs from the sizing hook

  uint32_t MillisecondsInHour() override { return now; }
  void Sleep(int ms) override { now += static_cast<uint32_t>(ms); }
  bool KeyPending() override {
    ++polls;
    return key_after_polls >= 0 && polls > key_after_polls;
  }
  void ChangedRect(const GifRect& rect) override {
    rects.push_back(rect);
    frame_times.push_back(now);
  }
  void ProcessMessages() override { ++processed; }
  void Beep() override { ++beeps; }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void CompositionSize(int w, int h, int, int) override {
    sizes.push_back(w);
    sizes.push_back(h);
  }
};

// Joins single-image files made by our writer into one GIF89a animation in which every image
// carries its own (local) colour table: the first file's screen, no global table.
inline std::vector<uint8_t> JoinWithLocalTables(const std::vector<std::vector<uint8_t>>& files) {
  std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
  if (files.empty() || files[0].size() < 13) return out;
  out.insert(out.end(), files[0].begin() + 6, files[0].begin() + 13);
  out[10] = static_cast<uint8_t>(out[10] & 0x7F);  // no global table
  for (const std::vector<uint8_t>& f : files) {
    const int bits = (f[10] & 7) + 1;
    const size_t table = size_t{3} << bits;
    const size_t image = 13 + table;  // the writer puts the descriptor right after the table
    if (f.size() < image + 11 || f[image] != 0x2C) return {};
    std::vector<uint8_t> descriptor(f.begin() + static_cast<long>(image),
                                    f.begin() + static_cast<long>(image + 10));
    descriptor[9] = static_cast<uint8_t>(descriptor[9] | 0x80 | (bits - 1));
    out.insert(out.end(), descriptor.begin(), descriptor.end());
    out.insert(out.end(), f.begin() + 13, f.begin() + static_cast<long>(image));
    out.insert(out.end(), f.begin() + static_cast<long>(image + 10), f.end() - 1);  // no trailer
  }
  out.push_back(0x3B);
  return out;
}

}  // namespace vr::codecs::gif::testing
