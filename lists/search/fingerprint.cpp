#include "lists/search/fingerprint.h"

#include "lists/window/thumb_maker.h"
#include "picture/bitmap.h"
#include "picture/kinds.h"
#include "picture/load/loader.h"
#include "picture/shrink.h"

namespace vr::search {

void SetPrintPixel(FingerPrint* print, int index, uint8_t r, uint8_t g, uint8_t b) {
  print->r[index] = r;
  print->g[index] = g;
  print->b[index] = b;
  print->grey[index] = GreyOf(r, g, b);
}

void PrintFromStored(const std::array<uint8_t, notes::kFingerPrintBytes>& stored,
                     FingerPrint* out) {
  for (int i = 0; i < kPrintPixels; ++i) {
    SetPrintPixel(out, i, stored[static_cast<size_t>(3 * i)], stored[static_cast<size_t>(3 * i + 1)],
                  stored[static_cast<size_t>(3 * i + 2)]);
  }
}

void PrintToStored(const FingerPrint& print, std::array<uint8_t, notes::kFingerPrintBytes>* out) {
  for (int i = 0; i < kPrintPixels; ++i) {
    (*out)[static_cast<size_t>(3 * i)] = print.r[i];
    (*out)[static_cast<size_t>(3 * i + 1)] = print.g[i];
    (*out)[static_cast<size_t>(3 * i + 2)] = print.b[i];
  }
}

namespace {

// JPEGs are decoded at the smallest scale that still covers this box, so a copy at half the size
// is averaged from about as many pixels as its original and both give near-equal prints.
constexpr int kDecodeBox = 32;

int32_t SideOrZero(int side) { return side > 4 ? side : 0; }

}  // namespace

MadePrint MakeFingerPrint(const std::string& path) {
  MadePrint made;
  picture::Bitmap small;
  int width = 0;
  int height = 0;
  bool have = false;
  const uint16_t kind = picture::KindFromName(path);
  if (kind == picture::kKindJpeg) {
    const picture::PictureInfo info = picture::ReadPictureInfo(path);
    if (info.width > 0 && info.height > 0 &&
        list_window::DecodeJpegForBox(path, kDecodeBox, kDecodeBox, &small)) {
      width = info.width;
      height = info.height;
      have = true;
    }
  }
  if (!have) {
    picture::PictureHolder holder;
    picture::PreviewRequest request;
    request.target_size = kPrintSide;
    request.keep_jpeg_format = true;
    request.reduce_jpeg = false;  // the print needs the picture's own size
    const picture::PreviewOutcome outcome =
        picture::LoadPreviewPicture(path, holder, request, picture::DecodeOptions{});
    if (!outcome.failed && holder.Width() > 0 && holder.Height() > 0 &&
        !(holder.Width() <= 1 && holder.Height() <= 1)) {
      width = holder.Width();
      height = holder.Height();
      small = std::move(holder.AsBitmap());
      have = !small.Empty();
    }
  }
  picture::Bitmap eight;
  if (!have || !picture::ShrinkSmooth(small, eight, kPrintSide, kPrintSide) ||
      eight.Bits() != 24) {
    made.failed = true;
    return made;
  }
  for (int y = 0; y < kPrintSide; ++y) {
    const uint8_t* row = eight.Row(y);
    for (int x = 0; x < kPrintSide; ++x) {
      SetPrintPixel(&made.print, y * kPrintSide + x, row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    }
  }
  made.print.res_x = SideOrZero(width);
  made.print.res_y = SideOrZero(height);
  return made;
}

}  // namespace vr::search
