#include "picture/codecs/metafile/qt/metafile_player.h"

#include <QImage>
#include <algorithm>

#include "picture/codecs/metafile/qt/gdi_player.h"
#include "picture/codecs/metafile/records.h"
#include "picture/load/load_hooks.h"

namespace vr::metafile {

void PlayWmf(const Metafile& metafile, QPainter& painter, const QRectF& target) {
  GdiPlayer gdi(painter, QTransform(), QSizeF(96 / 25.4, 96 / 25.4));
  // The target is the viewport; the decoder sets the window from the bounding box.
  gdi.SetViewportOrg(Point{target.left(), target.top()});
  gdi.SetViewportExt(Point{target.width(), target.height()});
  DecodeWmf(metafile, gdi);
}

void PlayEmf(const Metafile& metafile, QPainter& painter, const QRectF& target) {
  // The picture frame, in reference-device pixels, is stretched over the target.
  const Box& frame = metafile.FrameDevice();
  const double sx = frame.width != 0 ? target.width() / frame.width : 1;
  const double sy = frame.height != 0 ? target.height() / frame.height : 1;
  const QTransform device_to_target(sx, 0, 0, sy, target.left() - frame.left * sx,
                                    target.top() - frame.top * sy);
  GdiPlayer gdi(painter, device_to_target,
                QSizeF(metafile.PixelsPerMmX(), metafile.PixelsPerMmY()));
  DecodeEmf(metafile, gdi);
}

MetafilePlayer::MetafilePlayer(std::shared_ptr<const Metafile> metafile)
    : metafile_(std::move(metafile)) {}

std::shared_ptr<MetafilePlayer> MetafilePlayer::FromBytes(std::vector<uint8_t> bytes,
                                                          int screen_dpi) {
  auto metafile = Metafile::FromBytes(std::move(bytes), screen_dpi);
  if (!metafile) return nullptr;
  return std::make_shared<MetafilePlayer>(std::move(metafile));
}

void MetafilePlayer::Draw(QPainter& painter, const QRectF& target) const {
  painter.save();
  if (metafile_->IsEmf()) {
    PlayEmf(*metafile_, painter, target);
  } else {
    PlayWmf(*metafile_, painter, target);
  }
  painter.restore();
}

bool MetafilePlayer::Render(picture::Bitmap& target, int width, int height,
                            picture::Rgb background) const {
  if (width <= 0 || height <= 0) return false;
  const bool fits = target.Width() == width && target.Height() == height &&
                    (target.Format() == picture::PixelFormat::k24 ||
                     target.Format() == picture::PixelFormat::k32);
  if (!fits && !target.Create(width, height, picture::PixelFormat::k24)) return false;
  QImage canvas(width, height, QImage::Format_RGB32);
  if (canvas.isNull()) return false;
  canvas.fill(qRgb(background.r, background.g, background.b));
  {
    QPainter painter(&canvas);
    Draw(painter, QRectF(0, 0, width, height));
  }
  const int bpp = target.Format() == picture::PixelFormat::k32 ? 4 : 3;
  for (int y = 0; y < height; ++y) {
    const QRgb* in = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
    uint8_t* out = target.Row(y);
    for (int x = 0; x < width; ++x, out += bpp) {
      out[0] = static_cast<uint8_t>(qBlue(in[x]));
      out[1] = static_cast<uint8_t>(qGreen(in[x]));
      out[2] = static_cast<uint8_t>(qRed(in[x]));
      if (bpp == 4) out[3] = 0;
    }
  }
  return true;
}

std::shared_ptr<picture::VectorGraphic> LoadMetafile(const std::string& path, int screen_dpi) {
  auto metafile = ReadMetafile(path, screen_dpi);
  if (!metafile) return nullptr;
  return std::make_shared<MetafilePlayer>(std::move(metafile));
}

namespace {
std::shared_ptr<picture::VectorGraphic> LoadForViewer(const std::string& path) {
  return LoadMetafile(path);
}
}  // namespace

void InstallMetafilePlayer() { picture::SetMetafileLoader(&LoadForViewer); }

}  // namespace vr::metafile
