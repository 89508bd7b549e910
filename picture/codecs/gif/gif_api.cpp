// The GIF entry points of codec_api.h, on top of TGifGraphics.
#include "picture/codecs/codec_api.h"
#include "picture/codecs/gif/gif_graphics.h"

namespace vr::codecs {

bool IsAnimatedGif(const std::string& path) {
  gif::TGifGraphics gif;
  return gif.IsAnimatedGif(path);
}

ReadResult LoadGifStill(const std::string& path, Bitmap& bitmap, picture::Rgb background,
                        bool* animated) {
  ReadResult result;
  if (animated != nullptr) *animated = false;
  // The preview starts as one pixel of the background colour.
  bitmap.Create(1, 1, picture::PixelFormat::k8);
  bitmap.SetPalette(std::vector<picture::Rgb>(256, background));
  gif::TGifGraphics gif;
  gif.SetPreviewMode(true);
  gif.SetStillRequest(true);
  gif.SetBackground(background);
  const bool ok = gif.LoadGif(path, bitmap);
  if (animated != nullptr) *animated = gif.Animated();
  if (!ok) {
    result.error = gif.ErrorText().empty() ? gif::kCorruptGifText : gif.ErrorText();
    return result;
  }
  result.depth = gif.BitsPerPixel();
  result.error = gif.ErrorText();
  return result;
}

WriteResult SaveGif(const std::string& path, const Bitmap& bitmap, const GifSaveOptions& options) {
  WriteResult result;
  const int bits = bitmap.Bits();
  if (bitmap.Empty() || (bits != 1 && bits != 4 && bits != 8)) {
    result.error = gif::kStreamWriteErrorText;
    return result;
  }
  gif::GifWriterOptions writer;
  writer.colour_count = options.colour_count > 0 ? options.colour_count : (1 << bits);
  writer.transparent_index = options.transparent_index;
  writer.interlaced = options.interlaced;
  writer.comments = options.gif89a;
  if (options.gif89a && !options.comment.empty()) {
    // One sub-block per line of the comment.
    std::string line;
    const std::string& text = options.comment;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r' || text[i] == '\n') {
        writer.comment_lines.push_back(line);
        line.clear();
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      } else {
        line += text[i];
      }
    }
    if (!line.empty()) writer.comment_lines.push_back(line);
  }
  gif::TGifGraphics gif;
  // The picture's own 8-bit entries go into the file unchanged.
  result.ok = gif.SaveGif(path, bitmap, bitmap.Palette(), writer, &result.error);
  return result;
}

}  // namespace vr::codecs
