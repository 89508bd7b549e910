// Stand-ins for codec entry points whose codecs are still being written. Each is weak, so the
// real definition wins as soon as its codec is linked; this file goes away once all of them are.
#include "picture/codecs/codec_api.h"

namespace vr::codecs {

__attribute__((weak)) PngProbe ProbePng(const std::string&) { return PngProbe(); }

__attribute__((weak)) ReadResult LoadPngFile(const std::string&, Bitmap& bitmap, bool,
                                             const DecodeOptions&) {
  ReadResult result;
  result.error = "PNG reader not available";
  bitmap.MakeFailure();
  return result;
}

__attribute__((weak)) WriteResult SavePngFile(const std::string&, const Bitmap&) {
  WriteResult result;
  result.error = "PNG writer not available";
  return result;
}

__attribute__((weak)) bool IsAnimatedGif(const std::string&) { return false; }

__attribute__((weak)) ReadResult LoadGifStill(const std::string&, Bitmap& bitmap, picture::Rgb,
                                              bool* animated) {
  if (animated != nullptr) *animated = false;
  ReadResult result;
  result.error = "GIF reader not available";
  bitmap.MakeFailure();
  return result;
}

__attribute__((weak)) WriteResult SaveGif(const std::string&, const Bitmap&,
                                          const GifSaveOptions&) {
  WriteResult result;
  result.error = "GIF writer not available";
  return result;
}

}  // namespace vr::codecs
