#include "lists/window/thumb_maker.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "picture/camera/camera_facts.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "picture/codecs/jpeg/jpeg_eighth.h"
#include "picture/fit.h"
#include "picture/kinds.h"
#include "picture/load/load_hooks.h"
#include "picture/load/loader.h"
#include "picture/shrink.h"
#include "shell/transforms/camera_orientation.h"

namespace vr::list_window {

using picture::Bitmap;
using picture::PixelFormat;
using picture::Rgb;

namespace {

// Limits on what the fast road accepts before allocating anything.
constexpr int kLargestJpegSide = 65500;

void FillRect(Bitmap& bmp, int left, int top, int width, int height, Rgb colour) {
  const int x0 = std::max(0, left);
  const int y0 = std::max(0, top);
  const int x1 = std::min(bmp.Width(), left + width);
  const int y1 = std::min(bmp.Height(), top + height);
  for (int y = y0; y < y1; ++y) {
    uint8_t* p = bmp.Row(y) + x0 * 3;
    for (int x = x0; x < x1; ++x, p += 3) {
      p[0] = colour.b;
      p[1] = colour.g;
      p[2] = colour.r;
    }
  }
}

void FillEllipse(Bitmap& bmp, int cx, int cy, int rx, int ry, Rgb colour) {
  if (rx <= 0 || ry <= 0) return;
  for (int y = cy - ry; y <= cy + ry; ++y) {
    if (y < 0 || y >= bmp.Height()) continue;
    const double dy = static_cast<double>(y - cy) / ry;
    const double root = rx * std::sqrt(std::max(0.0, 1.0 - dy * dy));
    const int w = static_cast<int>(root);
    FillRect(bmp, cx - w, y, 2 * w + 1, 1, colour);
  }
}

Bitmap WhiteCell(const ThumbSettings& settings) {
  Bitmap cell;
  if (!cell.Create(std::max(1, settings.width), std::max(1, settings.height), PixelFormat::k24)) {
    return cell;
  }
  std::memset(cell.Data(), 0xFF, cell.ByteSize());
  return cell;
}

void DrawFrame(Bitmap& cell, const ThumbSettings& settings) {
  if (!settings.frame || cell.Empty()) return;
  const Rgb grey{128, 128, 128};
  FillRect(cell, 0, 0, cell.Width(), 1, grey);
  FillRect(cell, 0, cell.Height() - 1, cell.Width(), 1, grey);
  FillRect(cell, 0, 0, 1, cell.Height(), grey);
  FillRect(cell, cell.Width() - 1, 0, 1, cell.Height(), grey);
}

void DrawInk(Bitmap& cell, const codecs::gif::TextMask& mask, int left, int top, Rgb colour) {
  for (int y = 0; y < mask.height; ++y) {
    const int ty = top + y;
    if (ty < 0 || ty >= cell.Height()) continue;
    for (int x = 0; x < mask.width; ++x) {
      const int tx = left + x;
      if (tx < 0 || tx >= cell.Width()) continue;
      if (mask.ink[static_cast<size_t>(y) * mask.width + x] == 0) continue;
      uint8_t* p = cell.Row(ty) + tx * 3;
      p[0] = colour.b;
      p[1] = colour.g;
      p[2] = colour.r;
    }
  }
}

// The film strip of a movie: a dark body with sprocket holes along both edges.
void DrawMovie(Bitmap& bmp) {
  const int w = bmp.Width();
  const int h = bmp.Height();
  FillRect(bmp, w / 8, 0, w - w / 4, h, Rgb{40, 40, 40});
  const int hole = std::max(1, w / 14);
  for (int y = hole; y + hole < h; y += hole * 3) {
    FillRect(bmp, w / 8 + hole / 2 + 1, y, hole, hole, Rgb{255, 255, 255});
    FillRect(bmp, w - w / 8 - hole - hole / 2 - 1, y, hole, hole, Rgb{255, 255, 255});
  }
  FillRect(bmp, w / 8 + hole * 2 + 2, h / 6, w - w / 4 - hole * 4 - 4, h / 3 - 1,
           Rgb{90, 150, 210});
  FillRect(bmp, w / 8 + hole * 2 + 2, h / 2 + 1, w - w / 4 - hole * 4 - 4, h / 3 - 1,
           Rgb{210, 170, 90});
}

// An ear: the outer shell, the inner fold and the opening.
void DrawEar(Bitmap& bmp) {
  const int w = bmp.Width();
  const int h = bmp.Height();
  FillEllipse(bmp, w / 2, h / 2, w * 3 / 8, h * 7 / 16, Rgb{230, 170, 140});
  FillEllipse(bmp, w / 2 + w / 16, h / 2, w / 4, h * 5 / 16, Rgb{200, 120, 100});
  FillEllipse(bmp, w / 2 + w / 16, h / 2, w / 6, h * 3 / 16, Rgb{240, 190, 160});
  FillEllipse(bmp, w / 2 + w / 10, h / 2 + h / 16, w / 16, h / 12, Rgb{60, 30, 30});
}

}  // namespace

int64_t ThumbThreshold(uint16_t kind) {
  switch (kind) {
    case picture::kKindBmp:
      return 150000;
    case picture::kKindGif:
      return 20000;
    case picture::kKindJpeg:
      return 40000;
    default:
      return 10000;
  }
}

bool WantsCachedThumb(uint16_t kind, int64_t size) { return size > ThumbThreshold(kind); }

ThumbSettings AtScreenPixels(const ThumbSettings& settings) {
  ThumbSettings out = settings;
  if (settings.density > 1.0 && settings.density <= 8.0) {
    out.width = std::max(1, static_cast<int>(std::lround(settings.width * settings.density)));
    out.height = std::max(1, static_cast<int>(std::lround(settings.height * settings.density)));
  }
  out.density = 1.0;
  return out;
}

bool ComposeCell(const Bitmap& picture, const ThumbSettings& settings, Bitmap* cell) {
  *cell = WhiteCell(settings);
  if (cell->Empty() || picture.Empty()) return false;
  int w = picture.Width();
  int h = picture.Height();
  if (w > cell->Width() || h > cell->Height()) {
    const picture::Size fit = picture::FitInBox(w, h, cell->Width(), cell->Height());
    w = std::min(fit.width, cell->Width());
    h = std::min(fit.height, cell->Height());
  }
  Bitmap small;
  if (!picture::ShrinkSmooth(picture, small, w, h)) return false;
  const int left = (cell->Width() - small.Width()) / 2;
  const int top = (cell->Height() - small.Height()) / 2;
  for (int y = 0; y < small.Height(); ++y) {
    std::memcpy(cell->Row(top + y) + left * 3, small.Row(y),
                static_cast<size_t>(small.Width()) * 3);
  }
  DrawFrame(*cell, settings);
  return true;
}

Bitmap ProblemCell(const ThumbSettings& settings) {
  Bitmap cell = WhiteCell(settings);
  if (cell.Empty()) return cell;
  FillRect(cell, 0, 0, cell.Width(), cell.Height(), Rgb{255, 0, 0});
  const int text_height = std::clamp(cell.Height() / 5, 6, 24);
  const TextInk ink = settings.text ? settings.text : [](const std::string& text, int height) {
    return codecs::gif::DefaultGifHost().RenderText(text, height);
  };
  const int top = cell.Height() / 2 - text_height - 1;
  DrawInk(cell, ink(kProblemLine1, text_height), 1, top, Rgb{255, 255, 0});
  DrawInk(cell, ink(kProblemLine2, text_height), 1, top + text_height + 2, Rgb{255, 255, 0});
  DrawFrame(cell, settings);
  return cell;
}

Bitmap BuiltInCell(const std::string& name, const ThumbSettings& settings) {
  Bitmap cell = WhiteCell(settings);
  if (cell.Empty()) return cell;
  const int side = std::max(1, std::min({cell.Width(), cell.Height(), 48}));
  Bitmap art;
  if (!art.Create(side, side, PixelFormat::k24)) return cell;
  std::memset(art.Data(), 0xFF, art.ByteSize());
  if (name == kMoviePicture) {
    DrawMovie(art);
  } else {
    DrawEar(art);
  }
  ComposeCell(art, settings, &cell);
  return cell;
}

bool DecodeJpegForBox(const std::string& path, int box_width, int box_height, Bitmap* out) {
  // The whole file in one read into a buffer kept between calls: thumbnails come in long runs,
  // and small buffered reads cost more than the decode at 1/8 scale.
  thread_local std::vector<uint8_t> bytes;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || st.st_size <= 0 || st.st_size > (int64_t{1} << 31)) {
    ::close(fd);
    return false;
  }
  bytes.resize(static_cast<size_t>(st.st_size));
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  if (got == 0) return false;

  // A photo turned upright covers the box with its sides changed over.
  const int orientation =
      camera::TurnPhotosUpright() ? camera::CameraOrientationOfJpeg(bytes.data(), got) : 1;
  const bool swapped = camera::OrientationSwapsSides(orientation);
  const int cover_width = swapped ? box_height : box_width;
  const int cover_height = swapped ? box_width : box_height;
  Bitmap result;
  // At 1/8 scale (the usual case for photos) the quick decoder gives libjpeg's pixels at a
  // fraction of the cost, reading the headers itself; the files it does not take go to libjpeg.
  if (!codecs::DecodeJpegEighth(bytes.data(), got, result, cover_width, cover_height)) {
    // The fast road takes plain files only: progressive and CMYK files go the general way,
    // which guards their costs.
    const codecs::JpegHeaderFacts facts = codecs::ReadJpegHeaderMemory(bytes.data(), got);
    if (!facts.ok || facts.width <= 0 || facts.height <= 0 || facts.width > kLargestJpegSide ||
        facts.height > kLargestJpegSide || facts.progressive || facts.components == 4) {
      return false;
    }
    codecs::JpegDecodeSettings settings;
    settings.cover_width = cover_width;
    settings.cover_height = cover_height;
    settings.best_quality = false;
    if (!codecs::LoadJpegMemory(bytes.data(), got, result, settings).ok()) return false;
  }
  if (orientation != 1) transforms::ApplyCameraOrientation(result, orientation);
  *out = std::move(result);
  return true;
}

ThumbResult MakeThumbnail(const std::string& path, const ThumbSettings& settings) {
  const picture::QuietViewing quiet;  // idle work never asks for a password
  ThumbResult result;
  const uint16_t kind = picture::KindFromName(path);
  if (picture::IsMediaKind(kind)) {
    const bool sound = kind == picture::kKindWav || kind == picture::kKindMidi;
    result.cell = BuiltInCell(sound ? kSoundPicture : kMoviePicture, settings);
    result.built_in = true;
    return result;
  }
  Bitmap decoded;
  bool have = false;
  if (kind == picture::kKindJpeg) {
    const picture::ViewingCopy copy(path);
    have = copy.Ok() && DecodeJpegForBox(copy.Path(), settings.width, settings.height, &decoded);
  }
  if (!have) {
    picture::PictureHolder holder;
    picture::PreviewRequest request;
    request.target_size = std::max(settings.width, settings.height);
    request.keep_jpeg_format = true;
    const picture::PreviewOutcome outcome =
        picture::LoadPreviewPicture(path, holder, request, picture::DecodeOptions{});
    if (!outcome.failed && !(holder.Width() <= 1 && holder.Height() <= 1) && holder.Width() > 0 &&
        holder.Height() > 0) {
      decoded = std::move(holder.AsBitmap());
      have = !decoded.Empty();
    }
  }
  if (!have || (decoded.Width() <= 1 && decoded.Height() <= 1) ||
      !ComposeCell(decoded, settings, &result.cell)) {
    result.cell = ProblemCell(settings);
    result.failed = true;
  }
  return result;
}

}  // namespace vr::list_window
