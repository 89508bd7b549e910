#pragma once
// The PNG bridge: TPngGraphic holds a PNG read through libpng (TPngImage, the pixel store,
// shared between copies), turns it into a Bitmap with transparency blended onto a background,
// and writes PNG files. Failures come back as message texts, never as exceptions.

#include <cstdint>
#include <cstdio>
#include <iosfwd>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "picture/codecs/codec_api.h"

namespace vr::codecs {

using picture::Rgb;

// The pixel store filled by libpng after the transforms: palette and grey below 8 bits expanded,
// transparency chunks expanded to alpha, alpha inverted (0 = opaque), 16-bit samples
// little-endian. Row 0 is the top.
struct TPngImage {
  int bit_depth = 0;        // per sample, after the transforms
  int bytes_per_pixel = 0;  // row bytes / width
  int colour_type = 0;      // libpng's code, after the transforms
  int height = 0;
  int width = 0;
  int file_bits = 0;  // bits per pixel as stored in the file (capped at 32)
  bool blend = true;
  std::vector<uint8_t> pixels;
  std::vector<uint8_t*> rows;
};

// How the picture holder registers the class.
inline constexpr char kPngExtension[] = "PNG";
inline constexpr char kPngDescription[] = "Portable Network Graphics";

// The colour transparent pixels are blended onto when no other background is given.
inline constexpr Rgb kPngWindowColour{255, 255, 255};

class TPngGraphic {
 public:
  TPngGraphic() = default;
  TPngGraphic(const TPngGraphic& other) = default;
  TPngGraphic& operator=(const TPngGraphic& other) = default;

  // Loads the file. A file without the PNG signature leaves the graphic empty and gives no
  // error; otherwise "Error Opening File <path>!" or "Error Reading: <path>".
  std::string LoadFromFile(const std::string& path);
  // The same from a file already open for reading at its start (`name` is used in messages).
  std::string LoadFromOpenFile(std::FILE* file, const std::string& name);
  // Writes the store; "Error Opening File <path>!" or "Error Writing File!". An empty graphic
  // writes nothing.
  std::string SaveToFile(const std::string& path) const;

  // Operations a PNG graphic does not offer; each gives its message.
  std::string LoadFromStream(std::istream& in);
  std::string SaveToStream(std::ostream& out) const;
  std::string LoadFromClipboard();
  std::string SaveToClipboard() const;
  std::string SetHeight(int height);
  std::string SetWidth(int width);

  // Shares the other graphic's pixel store.
  void Assign(const TPngGraphic& other) { image_ = other.image_; }
  long UseCount() const { return image_.use_count(); }

  bool Empty() const { return !image_ || image_->pixels.empty(); }
  int Width() const { return image_ ? image_->width : 0; }
  int Height() const { return image_ ? image_->height : 0; }
  bool Transparent() const { return true; }
  bool Blend() const { return image_ ? image_->blend : true; }
  void SetBlend(bool blend) {
    if (image_) image_->blend = blend;
  }
  const TPngImage* Image() const { return image_.get(); }
  // Takes a store filled elsewhere (the reader's fallback for pictures with transparency).
  void Adopt(std::shared_ptr<TPngImage> image) { image_ = std::move(image); }

  // The picture as a 24-bit Bitmap of its own size on `background`: semi-transparent pixels are
  // mixed, fully transparent ones show the background, unless blending is off.
  bool Draw(picture::Bitmap& target, Rgb background) const;

 private:
  std::shared_ptr<TPngImage> image_;
};

// The PNG into `bitmap` on a chosen background colour. Opaque pictures are decoded straight into
// the bitmap's rows; pictures with transparency are blended as Draw does. A file without the PNG
// signature leaves `bitmap` empty and gives no error.
ReadResult LoadPngFile(const std::string& path, picture::Bitmap& bitmap, bool blend_transparency,
                       Rgb background);
// The same from a file open at its start; `name` is used in messages.
ReadResult LoadPngOpenFile(std::FILE* file, const std::string& name, picture::Bitmap& bitmap,
                           bool blend_transparency, Rgb background);

}  // namespace vr::codecs
