#pragma once
// The program's own WMF and EMF player. A metafile is kept as its bytes and replayed with QPainter
// whenever it is drawn, at whatever size is asked.
//
// WMF files carry the 22-byte placeable header (key 0x9AC6CDD7, bounding box, units per inch)
// in front of the 18-byte metafile header; EMF files start with the EMR_HEADER record whose
// signature " EMF" sits at offset 40. Sizes follow the picture-info rules: a WMF is its bounding
// box at its units per inch (0 counts as 96), an EMF its frame in 0.01 mm, both shown on a screen
// of `screen_dpi` pixels per inch.

#include <QPainter>
#include <QRectF>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "picture/picture_holder.h"

namespace vr::metafile {

class TMetafile : public picture::VectorGraphic {
 public:
  // Null when the bytes are neither a placeable WMF nor an EMF.
  static std::shared_ptr<TMetafile> FromBytes(std::vector<uint8_t> bytes, int screen_dpi = 96);

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  bool IsEmf() const { return emf_; }

  // Plays the records onto `painter`, the picture's frame mapped onto `target`.
  void Draw(QPainter& painter, const QRectF& target) const;
  // Draws onto a 24-bit (or 32-bit) Bitmap of the given size filled with `background`.
  bool Render(picture::Bitmap& target, int width, int height,
              picture::Rgb background) const override;

 private:
  TMetafile() = default;
  bool ParseWmfHeader(int screen_dpi);
  bool ParseEmfHeader(int screen_dpi);
  void PlayWmf(QPainter& painter, const QRectF& target) const;
  void PlayEmf(QPainter& painter, const QRectF& target) const;

  std::vector<uint8_t> bytes_;
  bool emf_ = false;
  int width_ = 0;
  int height_ = 0;
  // WMF: bounding box in logical units and where the records start.
  QRectF bounds_;
  size_t records_at_ = 0;
  uint16_t object_count_ = 0;
  // EMF: the frame in reference-device pixels and the device's pixels per millimetre.
  QRectF frame_device_;
  QSizeF pixels_per_mm_{96 / 25.4, 96 / 25.4};
  uint32_t handle_count_ = 0;
};

// Reads a WMF or EMF file; null on failure (unreadable, unknown or damaged header).
std::shared_ptr<picture::VectorGraphic> LoadMetafile(const std::string& path, int screen_dpi = 96);

}  // namespace vr::metafile
