#pragma once
// Builds WMF and EMF byte streams record by record, so each test states what it draws.

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace vr::metafile::testing {

class Bytes {
 public:
  Bytes& U8(uint32_t v) {
    data_.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  Bytes& U16(uint32_t v) { return U8(v).U8(v >> 8); }
  Bytes& I16(int v) { return U16(static_cast<uint16_t>(v)); }
  Bytes& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  Bytes& I32(int v) { return U32(static_cast<uint32_t>(v)); }
  Bytes& F32(float f) {
    uint32_t bits;
    static_assert(sizeof bits == sizeof f);
    std::memcpy(&bits, &f, sizeof f);
    return U32(bits);
  }
  Bytes& Append(const std::vector<uint8_t>& more) {
    data_.insert(data_.end(), more.begin(), more.end());
    return *this;
  }
  size_t Size() const { return data_.size(); }
  std::vector<uint8_t>& Data() { return data_; }
  const std::vector<uint8_t>& Data() const { return data_; }

 private:
  std::vector<uint8_t> data_;
};

// A bottom-up BITMAPINFOHEADER DIB. `rows_top_first` holds each row's bytes unpadded.
inline std::vector<uint8_t> MakeDib(int width, int bits,
                                    const std::vector<std::vector<uint8_t>>& rows_top_first,
                                    const std::vector<uint32_t>& table = {}) {
  Bytes b;
  const int height = static_cast<int>(rows_top_first.size());
  b.U32(40).I32(width).I32(height).U16(1).U16(bits).U32(0).U32(0).I32(0).I32(0);
  b.U32(static_cast<uint32_t>(table.size())).U32(0);
  for (uint32_t c : table) b.U32(c);  // 0x00RRGGBB as B, G, R, 0
  const size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
  for (int y = height - 1; y >= 0; --y) {
    std::vector<uint8_t> row = rows_top_first[static_cast<size_t>(y)];
    row.resize(stride, 0);
    b.Append(row);
  }
  return b.Data();
}

// Placeable WMF: header, then records added with Record(), closed with Finish().
class WmfBuilder {
 public:
  WmfBuilder(int left, int top, int right, int bottom, int inch, int objects = 8) {
    out_.U32(0x9AC6CDD7).U16(0).I16(left).I16(top).I16(right).I16(bottom).U16(inch).U32(0).U16(0);
    out_.U16(1).U16(9).U16(0x300).U32(0).U16(objects).U32(0).U16(0);
  }
  // Parameters as 16-bit words.
  WmfBuilder& Record(uint16_t function, std::initializer_list<int> words) {
    out_.U32(static_cast<uint32_t>(3 + words.size())).U16(function);
    for (int w : words) out_.I16(w);
    return *this;
  }
  // Parameters as raw bytes (padded to a whole word).
  WmfBuilder& Raw(uint16_t function, std::vector<uint8_t> params) {
    if (params.size() % 2) params.push_back(0);
    out_.U32(static_cast<uint32_t>(3 + params.size() / 2)).U16(function).Append(params);
    return *this;
  }
  WmfBuilder& SolidBrush(uint32_t colorref) {
    Bytes p;
    p.U16(0).U32(colorref).U16(0);
    return Raw(0x02FC, p.Data());
  }
  WmfBuilder& Pen(int style, int width, uint32_t colorref) {
    Bytes p;
    p.U16(style).I16(width).I16(0).U32(colorref);
    return Raw(0x02FA, p.Data());
  }
  std::vector<uint8_t> Finish() {
    out_.U32(3).U16(0);
    return out_.Data();
  }

 private:
  Bytes out_;
};

// EMF with a frame in 0.01 mm on a reference device of 100 pixels per 25.4 mm.
class EmfBuilder {
 public:
  EmfBuilder(int frame_right, int frame_bottom, int handles = 8) {
    out_.U32(1).U32(88);
    out_.I32(0).I32(0).I32(frame_right * 100 / 2540).I32(frame_bottom * 100 / 2540);  // bounds
    out_.I32(0).I32(0).I32(frame_right).I32(frame_bottom);                            // frame
    out_.U32(0x464D4520).U32(0x10000).U32(0).U32(0).U16(handles).U16(0);
    out_.U32(0).U32(0).U32(0);
    out_.I32(1000).I32(1000).I32(254).I32(254);
  }
  EmfBuilder& Record(uint32_t type, std::initializer_list<int> values) {
    out_.U32(type).U32(static_cast<uint32_t>(8 + 4 * values.size()));
    for (int v : values) out_.I32(v);
    return *this;
  }
  EmfBuilder& Raw(uint32_t type, const std::vector<uint8_t>& params) {
    std::vector<uint8_t> p = params;
    while (p.size() % 4) p.push_back(0);
    out_.U32(type).U32(static_cast<uint32_t>(8 + p.size())).Append(p);
    return *this;
  }
  EmfBuilder& SolidBrush(int index, uint32_t colorref) {
    return Record(39, {index, 0, static_cast<int>(colorref), 0});
  }
  EmfBuilder& Select(uint32_t index) { return Record(37, {static_cast<int>(index)}); }
  std::vector<uint8_t> Finish() {
    Record(14, {0, 16, 20});
    std::vector<uint8_t> d = out_.Data();
    const uint32_t size = static_cast<uint32_t>(d.size());
    for (int i = 0; i < 4; ++i) d[48 + i] = static_cast<uint8_t>(size >> (8 * i));
    return d;
  }

 private:
  Bytes out_;
};

}  // namespace vr::metafile::testing
