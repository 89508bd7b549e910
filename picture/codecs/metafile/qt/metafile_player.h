#pragma once
// Draws WMF and EMF files with QPainter: the record decoder (records.h) plays the records onto a
// QPainter drawing target (gdi_player.h) whenever the picture is drawn, at whatever size is
// asked. Linked only by the programs and tests that show metafiles; the loader reaches it
// through its metafile hook.

#include <QPainter>
#include <QRectF>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "picture/codecs/metafile/metafile.h"
#include "picture/picture_holder.h"

namespace vr::metafile {

class MetafilePlayer : public picture::VectorGraphic {
 public:
  explicit MetafilePlayer(std::shared_ptr<const Metafile> metafile);
  // Null when the bytes are neither a placeable WMF nor an EMF.
  static std::shared_ptr<MetafilePlayer> FromBytes(std::vector<uint8_t> bytes,
                                                   int screen_dpi = 96);

  int Width() const override { return metafile_->Width(); }
  int Height() const override { return metafile_->Height(); }
  bool IsEmf() const { return metafile_->IsEmf(); }

  // Plays the records onto `painter`, the picture's frame mapped onto `target`.
  void Draw(QPainter& painter, const QRectF& target) const;
  // Draws onto a 24-bit (or 32-bit) Bitmap of the given size filled with `background`.
  bool Render(picture::Bitmap& target, int width, int height,
              picture::Rgb background) const override;

 private:
  std::shared_ptr<const Metafile> metafile_;
};

// The players behind Draw, one per format: the decoder's calls drawn onto `painter`.
void PlayWmf(const Metafile& metafile, QPainter& painter, const QRectF& target);
void PlayEmf(const Metafile& metafile, QPainter& painter, const QRectF& target);

// Reads a WMF or EMF file; null on failure (unreadable, unknown or damaged header).
std::shared_ptr<picture::VectorGraphic> LoadMetafile(const std::string& path, int screen_dpi = 96);

// Makes the loader play metafiles with this player (at 96 pixels per inch).
void InstallMetafilePlayer();

}  // namespace vr::metafile
