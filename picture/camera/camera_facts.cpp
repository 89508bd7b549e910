#include "picture/camera/camera_facts.h"

#include <exiv2/error.hpp>
#include <exiv2/exif.hpp>
#include <exiv2/tags.hpp>
#include <exiv2/value.hpp>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <exception>
#include <mutex>
#include <vector>

#include "picture/camera/exif_segment.h"

namespace vr::camera {
namespace {

std::atomic<bool> g_turn_upright{true};

// exiv2 reports damaged blocks on stderr; a damaged block is an ordinary outcome here.
void QuietExiv2() {
  static std::once_flag once;
  std::call_once(once, [] { Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute); });
}

const Exiv2::Exifdatum* Find(const Exiv2::ExifData& data, const char* key) {
  const auto it = data.findKey(Exiv2::ExifKey(key));
  if (it == data.end() || it->count() == 0) return nullptr;
  return &*it;
}

std::string Text(const Exiv2::ExifData& data, const char* key) {
  const Exiv2::Exifdatum* d = Find(data, key);
  if (d == nullptr) return {};
  std::string text = d->toString();
  // ASCII values may carry their terminator and padding.
  while (!text.empty() && (text.back() == '\0' || text.back() == ' ')) text.pop_back();
  return text;
}

bool Ratio(const Exiv2::Exifdatum& d, long n, double* out) {
  if (d.count() <= n) return false;
  const Exiv2::Rational r = d.toRational(n);
  if (r.second == 0) return false;
  *out = static_cast<double>(r.first) / r.second;
  return std::isfinite(*out);
}

std::string Format(const char* pattern, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, pattern, value);
  return buffer;
}

std::string Exposure(const Exiv2::ExifData& data) {
  const Exiv2::Exifdatum* d = Find(data, "Exif.Photo.ExposureTime");
  double seconds = 0;
  if (d == nullptr || !Ratio(*d, 0, &seconds) || seconds <= 0) return {};
  if (seconds < 1.0) return Format("1/%.0f s", 1.0 / seconds);
  return Format("%g s", seconds);
}

std::string Aperture(const Exiv2::ExifData& data) {
  const Exiv2::Exifdatum* d = Find(data, "Exif.Photo.FNumber");
  double f = 0;
  if (d == nullptr || !Ratio(*d, 0, &f) || f <= 0) return {};
  return Format("f/%.1f", f);
}

std::string FocalLength(const Exiv2::ExifData& data) {
  const Exiv2::Exifdatum* d = Find(data, "Exif.Photo.FocalLength");
  double mm = 0;
  if (d == nullptr || !Ratio(*d, 0, &mm) || mm <= 0) return {};
  return Format("%g mm", mm);
}

std::string Iso(const Exiv2::ExifData& data) {
  const Exiv2::Exifdatum* d = Find(data, "Exif.Photo.ISOSpeedRatings");
  if (d == nullptr) return {};
  const long iso = d->toLong(0);
  return iso > 0 ? std::to_string(iso) : std::string();
}

// Degrees, minutes and seconds as one signed figure; false when incomplete.
bool Degrees(const Exiv2::ExifData& data, const char* key, const char* ref_key, char negative,
             double* out) {
  const Exiv2::Exifdatum* d = Find(data, key);
  if (d == nullptr || d->count() < 3) return false;
  double parts[3];
  for (long i = 0; i < 3; ++i) {
    if (!Ratio(*d, i, &parts[i])) return false;
  }
  double degrees = parts[0] + parts[1] / 60.0 + parts[2] / 3600.0;
  const std::string ref = Text(data, ref_key);
  if (!ref.empty() && ref[0] == negative) degrees = -degrees;
  *out = degrees;
  return std::isfinite(degrees);
}

std::string Position(const Exiv2::ExifData& data) {
  double latitude = 0;
  double longitude = 0;
  if (!Degrees(data, "Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLatitudeRef", 'S', &latitude) ||
      !Degrees(data, "Exif.GPSInfo.GPSLongitude", "Exif.GPSInfo.GPSLongitudeRef", 'W',
               &longitude) ||
      std::fabs(latitude) > 90.0 || std::fabs(longitude) > 180.0) {
    return {};
  }
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.6f, %.6f", latitude, longitude);
  return buffer;
}

CameraFacts Decode(const uint8_t* data, size_t size, bool orientation_only) {
  CameraFacts facts;
  if (!IsExifSegment(data, size) || size - kExifHeaderSize > 0xFFFFFFFFu) return facts;
  QuietExiv2();
  try {
    Exiv2::ExifData exif;
    Exiv2::ExifParser::decode(exif, data + kExifHeaderSize,
                              static_cast<uint32_t>(size - kExifHeaderSize));
    if (const Exiv2::Exifdatum* d = Find(exif, "Exif.Image.Orientation")) {
      const long value = d->toLong(0);
      if (value >= 1 && value <= 8) facts.orientation = static_cast<int>(value);
    }
    if (orientation_only) return facts;
    facts.taken = Text(exif, "Exif.Photo.DateTimeOriginal");
    if (facts.taken.empty()) facts.taken = Text(exif, "Exif.Image.DateTime");
    facts.make = Text(exif, "Exif.Image.Make");
    facts.model = Text(exif, "Exif.Image.Model");
    facts.lens = Text(exif, "Exif.Photo.LensModel");
    facts.exposure = Exposure(exif);
    facts.aperture = Aperture(exif);
    facts.iso = Iso(exif);
    facts.focal_length = FocalLength(exif);
    facts.gps = Position(exif);
  } catch (const std::exception&) {
    return CameraFacts();
  } catch (...) {
    return CameraFacts();
  }
  return facts;
}

}  // namespace

CameraFacts ParseExifSegment(const uint8_t* data, size_t size) { return Decode(data, size, false); }

CameraFacts ReadCameraFacts(const std::string& path) {
  const std::vector<uint8_t> segment = ReadJpegExifSegment(path);
  return Decode(segment.data(), segment.size(), false);
}

int ReadCameraOrientation(const std::string& path) {
  const std::vector<uint8_t> segment = ReadJpegExifSegment(path);
  return Decode(segment.data(), segment.size(), true).orientation;
}

int CameraOrientationOfJpeg(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> segment = FindJpegExifSegment(data, size);
  return Decode(segment.data(), segment.size(), true).orientation;
}

void SetTurnPhotosUpright(bool on) { g_turn_upright.store(on, std::memory_order_relaxed); }
bool TurnPhotosUpright() { return g_turn_upright.load(std::memory_order_relaxed); }

}  // namespace vr::camera
