#include "picture/codecs/common/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace vr::codecs {

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes, std::string& error,
                   size_t limit) {
  bytes.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = "Error Opening File " + path + "!";
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || st.st_size < 0 ||
      static_cast<uint64_t>(st.st_size) > picture::MemoryBudget()) {
    ::close(fd);
    error = "Error Reading: " + path;
    return false;
  }
  bytes.resize(std::min(static_cast<size_t>(st.st_size), limit));
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  bytes.resize(got);
  return true;
}

bool FitsMemoryBudget(int64_t width, int64_t height, int bytes_per_pixel) {
  if (width <= 0 || height <= 0 || bytes_per_pixel <= 0) return false;
  const uint64_t row = static_cast<uint64_t>(width) * static_cast<uint64_t>(bytes_per_pixel);
  if (row > picture::MemoryBudget()) return false;
  return static_cast<uint64_t>(height) <= picture::MemoryBudget() / row;
}

void BlendRgbaRow(const uint8_t* rgba, int count, picture::Rgb background, uint8_t* bgr) {
  for (int x = 0; x < count; ++x, rgba += 4, bgr += 3) {
    const unsigned a = rgba[3];
    if (a == 255) {
      bgr[0] = rgba[2];
      bgr[1] = rgba[1];
      bgr[2] = rgba[0];
      continue;
    }
    const unsigned rest = 255 - a;
    bgr[0] = static_cast<uint8_t>((rgba[2] * a + background.b * rest + 127) / 255);
    bgr[1] = static_cast<uint8_t>((rgba[1] * a + background.g * rest + 127) / 255);
    bgr[2] = static_cast<uint8_t>((rgba[0] * a + background.r * rest + 127) / 255);
  }
}

void BlendPremultipliedRow(const uint8_t* rgba, int count, picture::Rgb background, uint8_t* bgr) {
  for (int x = 0; x < count; ++x, rgba += 4, bgr += 3) {
    const unsigned rest = 255u - rgba[3];
    const auto mix = [rest](unsigned c, unsigned bg) {
      const unsigned v = c + (bg * rest + 127) / 255;
      return static_cast<uint8_t>(v > 255 ? 255 : v);
    };
    bgr[0] = mix(rgba[2], background.b);
    bgr[1] = mix(rgba[1], background.g);
    bgr[2] = mix(rgba[0], background.r);
  }
}

void RgbToBgrRow(const uint8_t* rgb, int count, uint8_t* bgr) {
  for (int x = 0; x < count; ++x, rgb += 3, bgr += 3) {
    bgr[0] = rgb[2];
    bgr[1] = rgb[1];
    bgr[2] = rgb[0];
  }
}

}  // namespace vr::codecs
