#pragma once
// Entry points of the program's own codecs that the loader, the files list and the export call.
// Each codec lives in its own folder below picture/codecs/ and implements its part of this list.
// Readers never throw: a failure leaves a 1 x 1 failure Bitmap and returns 0 with a message.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "picture/decode_options.h"
#include "picture/fast_file_io.h"

namespace vr::codecs {

using picture::Bitmap;
using picture::DecodeOptions;
using picture::TFastFileIO;

// Result of a reader: the picture's depth in bits as stored in the file (0 on failure) and the
// message text of a failure.
struct ReadResult {
  int depth = 0;
  std::string error;
  bool ok() const { return depth != 0; }
};

// PCX, TGA, PIC: the whole file into `bitmap`.
ReadResult LoadPcx(const std::string& path, Bitmap& bitmap, const DecodeOptions& options);
ReadResult LoadTga(const std::string& path, Bitmap& bitmap, const DecodeOptions& options);
ReadResult LoadPic(const std::string& path, Bitmap& bitmap, const DecodeOptions& options);

// TGA header probe used by ReadPictureInfo.
struct TgaHeaderFacts {
  bool ok = false;
  bool compressed = false;  // image types 9 to 11
  int bits = 0;
  int width = 0;
  int height = 0;
  std::string error;
};
TgaHeaderFacts ReadTgaHeaderFacts(TFastFileIO& io);

// PNG header probe: readable when the first bytes could be read; size and bit depth when the
// signature matches, else zeros.
struct PngProbe {
  bool readable = false;
  int width = 0;
  int height = 0;
  int bits = 0;
};
PngProbe ProbePng(const std::string& path);
// The PNG into `bitmap` (blend_transparency: blend transparent pixels onto the window colour).
ReadResult LoadPngFile(const std::string& path, Bitmap& bitmap, bool blend_transparency,
                       const DecodeOptions& options);

// GIF: whether the file is an animation (GIF89a with more than one image), and a still decode
// of its first image composed on `background` (the preview path).
bool IsAnimatedGif(const std::string& path);
ReadResult LoadGifStill(const std::string& path, Bitmap& bitmap, picture::Rgb background,
                        bool* animated);

// WebP, TIFF and HEIF readers (through libwebp, libtiff and libheif). Their facts come from the
// headers without decoding pixels; a decode gives 24-bit blue-green-red with transparency blended
// onto `background`, only the first frame, page or primary image, and refuses a picture past the
// memory budget before the library allocates its pixels.
struct PictureFacts {
  bool ok = false;
  int width = 0;
  int height = 0;
  int bits = 0;  // bits per pixel as stored (samples x bits per sample, at most 32)
  bool compressed = false;
  bool animated = false;  // more than one frame or page
  std::string error;
};

struct ReaderRequest {
  // When set, a reduced picture that still covers a box of this size is enough (the preview
  // path): the readers scale in the library where it can, or take an embedded thumbnail.
  int cover_width = 0;
  int cover_height = 0;
  picture::Rgb background{255, 255, 255};
};

PictureFacts ReadWebpFacts(const std::string& path);
PictureFacts ReadWebpFactsMemory(const uint8_t* data, size_t size);
ReadResult LoadWebp(const std::string& path, Bitmap& bitmap, const ReaderRequest& request);
ReadResult LoadWebpMemory(const uint8_t* data, size_t size, Bitmap& bitmap,
                          const ReaderRequest& request);

PictureFacts ReadTiffFacts(const std::string& path);
PictureFacts ReadTiffFactsMemory(const uint8_t* data, size_t size);
ReadResult LoadTiff(const std::string& path, Bitmap& bitmap, const ReaderRequest& request);
ReadResult LoadTiffMemory(const uint8_t* data, size_t size, Bitmap& bitmap,
                          const ReaderRequest& request);

PictureFacts ReadHeifFacts(const std::string& path);
PictureFacts ReadHeifFactsMemory(const uint8_t* data, size_t size);
ReadResult LoadHeif(const std::string& path, Bitmap& bitmap, const ReaderRequest& request);
ReadResult LoadHeifMemory(const uint8_t* data, size_t size, Bitmap& bitmap,
                          const ReaderRequest& request);

// Writers stop at the first failed write and report "Stream write error".
struct WriteResult {
  bool ok = false;
  std::string error;
};

struct GifSaveOptions {
  bool gif89a = true;
  bool interlaced = false;
  int transparent_index = -1;  // -1: none
  std::string comment;
  // Colours in the file's table (2..256); 0 takes 2^bits of the Bitmap.
  int colour_count = 0;
};
// The Bitmap must be 1, 4 or 8 bits with its palette.
WriteResult SaveGif(const std::string& path, const Bitmap& bitmap, const GifSaveOptions& options);
// Writer modes as the export window offers them (see each codec).
WriteResult SavePcx(const std::string& path, const Bitmap& bitmap, int mode);
WriteResult SaveTga(const std::string& path, const Bitmap& bitmap, int mode);
WriteResult SavePic(const std::string& path, const Bitmap& bitmap, int mode);
WriteResult SavePngFile(const std::string& path, const Bitmap& bitmap);

}  // namespace vr::codecs
