#include "picture/codecs/gif/gif_host.h"

#include <chrono>
#include <thread>

namespace vr::codecs::gif {

uint32_t GifHost::MillisecondsInHour() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
  return static_cast<uint32_t>(ms % 3600000);
}

void GifHost::Sleep(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// The fallback font is fixed pitch: every character is half a cell wide, and printable
// characters other than the space are drawn as a solid block inside their cell. Hosts with a
// real font (the windows) override both calls.
int GifHost::TextWidth(const std::string& text, int cell_height) {
  const int advance = cell_height / 2 > 0 ? cell_height / 2 : 1;
  return static_cast<int>(text.size()) * advance;
}

TextMask GifHost::RenderText(const std::string& text, int cell_height) {
  TextMask mask;
  const int advance = cell_height / 2 > 0 ? cell_height / 2 : 1;
  mask.width = TextWidth(text, cell_height);
  mask.height = cell_height > 0 ? cell_height : 1;
  mask.ink.assign(static_cast<size_t>(mask.width) * static_cast<size_t>(mask.height), 0);
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c <= ' ') continue;
    const int x0 = static_cast<int>(i) * advance;
    const int inset_x = advance >= 3 ? 1 : 0;
    const int inset_y = mask.height >= 4 ? mask.height / 4 : 0;
    for (int y = inset_y; y < mask.height - (mask.height >= 4 ? 1 : 0); ++y) {
      for (int x = x0 + inset_x; x < x0 + advance - inset_x; ++x) {
        mask.ink[static_cast<size_t>(y) * mask.width + x] = 1;
      }
    }
  }
  return mask;
}

GifHost& DefaultGifHost() {
  static GifHost host;
  return host;
}

}  // namespace vr::codecs::gif
