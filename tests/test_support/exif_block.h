#pragma once
// Exif blocks built byte by byte for tests: the data of an APP1 segment ("Exif\0\0" and a TIFF
// structure) with an orientation entry and, when asked, a camera's facts in the Exif and GPS
// directories. Written in either byte order, as cameras do.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vr::test_support {

struct ExifContent {
  int orientation = 1;  // 0: no orientation entry
  bool facts = false;   // make, model, date, lens, exposure, aperture, ISO, focal length, GPS
  bool big_endian = false;
};

class ExifBuilder {
 public:
  explicit ExifBuilder(bool big_endian) : big_(big_endian) {}

  std::vector<uint8_t> Build(const ExifContent& content) {
    Ifd ifd0;
    Ifd exif;
    Ifd gps;
    if (content.facts) {
      ifd0.push_back(Ascii(0x010F, "Veldrimon Optics"));
      ifd0.push_back(Ascii(0x0110, "VX-100"));
    }
    if (content.orientation != 0) ifd0.push_back(Short(0x0112, content.orientation));
    if (content.facts) {
      ifd0.push_back(Long(0x8769, 0));  // Exif directory, placed below
      ifd0.push_back(Long(0x8825, 0));  // GPS directory
      exif.push_back(Rational(0x829A, {{1, 250}}));
      exif.push_back(Rational(0x829D, {{28, 10}}));
      exif.push_back(Short(0x8827, 200));
      exif.push_back(Ascii(0x9003, "2024:05:01 12:30:00"));
      exif.push_back(Rational(0x920A, {{42, 10}}));
      exif.push_back(Ascii(0xA434, "Wide 4.2mm"));
      gps.push_back(Ascii(0x0001, "N"));
      gps.push_back(Rational(0x0002, {{51, 1}, {30, 1}, {0, 1}}));
      gps.push_back(Ascii(0x0003, "W"));
      gps.push_back(Rational(0x0004, {{0, 1}, {7, 1}, {12, 1}}));
    }
    const uint32_t at0 = 8;
    const uint32_t at_exif = at0 + Size(ifd0);
    const uint32_t at_gps = at_exif + Size(exif);
    for (Entry& e : ifd0) {
      if (e.tag == 0x8769) e.data = U32(at_exif);
      if (e.tag == 0x8825) e.data = U32(at_gps);
    }
    std::vector<uint8_t> tiff;
    Append(tiff, big_ ? std::vector<uint8_t>{'M', 'M'} : std::vector<uint8_t>{'I', 'I'});
    Append(tiff, U16(42));
    Append(tiff, U32(at0));
    Emit(tiff, ifd0);
    if (content.facts) {
      Emit(tiff, exif);
      Emit(tiff, gps);
    }
    std::vector<uint8_t> segment = {'E', 'x', 'i', 'f', 0, 0};
    Append(segment, tiff);
    return segment;
  }

 private:
  struct Entry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    std::vector<uint8_t> data;
  };
  using Ifd = std::vector<Entry>;

  static void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& more) {
    out.insert(out.end(), more.begin(), more.end());
  }
  std::vector<uint8_t> U16(uint32_t v) const {
    return big_ ? std::vector<uint8_t>{uint8_t(v >> 8), uint8_t(v)}
                : std::vector<uint8_t>{uint8_t(v), uint8_t(v >> 8)};
  }
  std::vector<uint8_t> U32(uint32_t v) const {
    return big_ ? std::vector<uint8_t>{uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8),
                                       uint8_t(v)}
                : std::vector<uint8_t>{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16),
                                       uint8_t(v >> 24)};
  }
  Entry Short(uint16_t tag, int v) const { return {tag, 3, 1, U16(static_cast<uint32_t>(v))}; }
  Entry Long(uint16_t tag, uint32_t v) const { return {tag, 4, 1, U32(v)}; }
  Entry Ascii(uint16_t tag, const std::string& text) const {
    std::vector<uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    return {tag, 2, static_cast<uint32_t>(data.size()), data};
  }
  Entry Rational(uint16_t tag, const std::vector<std::pair<uint32_t, uint32_t>>& values) const {
    std::vector<uint8_t> data;
    for (const auto& [n, d] : values) {
      Append(data, U32(n));
      Append(data, U32(d));
    }
    return {tag, 5, static_cast<uint32_t>(values.size()), data};
  }
  static uint32_t Size(const Ifd& ifd) {
    uint32_t size = 2 + 12 * static_cast<uint32_t>(ifd.size()) + 4;
    for (const Entry& e : ifd) {
      if (e.data.size() > 4) size += static_cast<uint32_t>((e.data.size() + 1) & ~size_t{1});
    }
    return size;
  }
  // Writes the directory at the end of `tiff`, its long values right after it.
  void Emit(std::vector<uint8_t>& tiff, const Ifd& ifd) const {
    const uint32_t start = static_cast<uint32_t>(tiff.size());
    uint32_t data_at = start + 2 + 12 * static_cast<uint32_t>(ifd.size()) + 4;
    std::vector<uint8_t> data;
    Append(tiff, U16(static_cast<uint32_t>(ifd.size())));
    for (const Entry& e : ifd) {
      Append(tiff, U16(e.tag));
      Append(tiff, U16(e.type));
      Append(tiff, U32(e.count));
      if (e.data.size() <= 4) {
        std::vector<uint8_t> inline_value = e.data;
        inline_value.resize(4, 0);
        Append(tiff, inline_value);
      } else {
        Append(tiff, U32(data_at + static_cast<uint32_t>(data.size())));
        Append(data, e.data);
        if (data.size() & 1) data.push_back(0);
      }
    }
    Append(tiff, U32(0));
    Append(tiff, data);
  }

  bool big_;
};

inline std::vector<uint8_t> MakeExifSegment(const ExifContent& content) {
  return ExifBuilder(content.big_endian).Build(content);
}

// A profile header that names the RGB colour space, padded to `size` bytes with a pattern (the
// content is never interpreted, only carried).
inline std::vector<uint8_t> MakeRgbProfile(size_t size) {
  std::vector<uint8_t> icc(size);
  for (size_t i = 0; i < size; ++i) icc[i] = static_cast<uint8_t>(i * 7 + 3);
  icc[0] = uint8_t(size >> 24);
  icc[1] = uint8_t(size >> 16);
  icc[2] = uint8_t(size >> 8);
  icc[3] = uint8_t(size);
  std::memcpy(icc.data() + 12, "mntrRGB XYZ ", 12);
  std::memcpy(icc.data() + 36, "acsp", 4);
  return icc;
}

}  // namespace vr::test_support
