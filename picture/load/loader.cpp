#include "picture/load/loader.h"

#include <exception>

#include "picture/camera/camera_facts.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/codecs/codec_api.h"
#include "picture/codecs/ico/ico_codec.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "picture/decode_progress.h"
#include "picture/kinds.h"
#include "picture/load/load_hooks.h"
#include "picture/reduce_hook.h"
#include "shell/transforms/camera_orientation.h"

namespace vr::picture {
namespace {

void Fail(PictureHolder& holder, LoadDetails& details, const std::string& error) {
  holder.Reset();
  holder.bitmap.MakeFailure();
  details.failed = true;
  details.file_depth = 0;
  if (details.error.empty()) details.error = error.empty() ? "Cannot read picture" : error;
}

void ReduceIfAsked(Bitmap& bitmap, const DecodeOptions& options) {
  if (!options.Reduced() || bitmap.Indexed()) return;
  picture::Palette6 palette{};
  ReduceToScreen(bitmap, palette);
}

// A decoded JPEG turned as its camera's orientation says, when the program turns photos upright.
void TurnUpright(const std::string& decode_path, PictureHolder& holder) {
  if (!camera::TurnPhotosUpright() || holder.bitmap.Empty()) return;
  const int orientation = camera::ReadCameraOrientation(decode_path);
  if (orientation != 1 && transforms::ApplyCameraOrientation(holder.bitmap, orientation)) {
    holder.turned = true;
  }
}

// Takes the picture kind from `kind_name` and decodes `decode_path` (the same file, or the plain
// copy of a protected one). `reader` asks the WebP, TIFF and HEIF readers for a reduced picture
// (previews) and gives their background.
uint16_t LoadAs(const std::string& kind_name, const std::string& decode_path, PictureHolder& holder,
                const DecodeOptions& options, LoadDetails& details, bool png_blending_off,
                const codecs::ReaderRequest& reader = {}) {
  const uint16_t kind = KindFromName(kind_name);
  codecs::ReadResult read;
  switch (kind) {
    case kKindWebp:
    case kKindTiff:
    case kKindHeif:
      holder.Reset();
      read = kind == kKindWebp   ? codecs::LoadWebp(decode_path, holder.bitmap, reader)
             : kind == kKindTiff ? codecs::LoadTiff(decode_path, holder.bitmap, reader)
                                 : codecs::LoadHeif(decode_path, holder.bitmap, reader);
      if (read.ok()) ReduceIfAsked(holder.bitmap, options);
      break;
    case kKindBmp:
      holder.Reset();
      read = codecs::LoadBmpFile(decode_path, holder.bitmap);
      if (read.ok()) ReduceIfAsked(holder.bitmap, options);
      break;
    case kKindIcon:
      holder.Reset();
      holder.kind = GraphicKind::kIcon;
      read = codecs::LoadIcoFile(decode_path, holder.bitmap);
      break;
    case kKindJpeg: {
      holder.Reset();
      holder.kind = GraphicKind::kJpeg;
      codecs::JpegDecodeSettings settings;
      settings.output_bits = options.Reduced() ? 8 : 24;
      holder.jpeg_output_bits = settings.output_bits;
      read = codecs::LoadJpeg(decode_path, holder.bitmap, settings);
      if (read.ok()) TurnUpright(decode_path, holder);
      break;
    }
    case kKindPng: {
      holder.Reset();
      holder.kind = GraphicKind::kPng;
      const codecs::PngProbe probe = codecs::ProbePng(decode_path);
      if (!probe.readable || probe.width <= 0 || probe.height <= 0) {
        read.error = "Not a PNG file";
        break;
      }
      holder.png_bits = probe.bits;
      holder.png_blend = !png_blending_off;
      read = codecs::LoadPngFile(decode_path, holder.bitmap, holder.png_blend, options);
      if (read.ok()) ReduceIfAsked(holder.bitmap, options);
      break;
    }
    case kKindPcx:
    case kKindPic:
    case kKindTga:
      holder.Reset();
      read = kind == kKindPcx   ? codecs::LoadPcx(decode_path, holder.bitmap, options)
             : kind == kKindPic ? codecs::LoadPic(decode_path, holder.bitmap, options)
                                : codecs::LoadTga(decode_path, holder.bitmap, options);
      break;
    case kKindWmf:
    case kKindEmf: {
      holder.Reset();
      const MetafileLoader loader = GetMetafileLoader();
      std::shared_ptr<VectorGraphic> graphic = loader ? loader(decode_path) : nullptr;
      if (graphic == nullptr || graphic->Width() == 0 || graphic->Height() == 0) {
        read.error = loader ? "Cannot play metafile" : "No metafile player";
        break;
      }
      holder.kind = GraphicKind::kMetafile;
      holder.vector = std::move(graphic);
      details.file_depth = 8;
      return kind;
    }
    default:
      // GIF (the viewer's player), DCX (probe only), media and unknown kinds.
      return kind;
  }
  if (!read.ok() || holder.bitmap.Empty()) {
    Fail(holder, details, read.error);
  } else {
    details.file_depth = read.depth;
  }
  return kind;
}

}  // namespace

uint16_t LoadPicture(const std::string& path, PictureHolder& holder, const DecodeOptions& options,
                     LoadDetails* details, bool png_blending_off) {
  LoadDetails local;
  LoadDetails& out = details != nullptr ? *details : local;
  out = LoadDetails();
  const ProgressScope progress(options.progress);
  // A protected file is decoded from its plain copy (kind still from the file's own name).
  const ViewingCopy copy(path);
  if (!copy.Ok()) {
    Fail(holder, out, "Protected file not opened");
    return KindFromName(path);
  }
  try {
    const uint16_t kind = LoadAs(path, copy.Path(), holder, options, out, png_blending_off);
    // Decoders without rows to count (icons, metafiles) finish here too.
    if (options.progress != nullptr && !out.failed) ReportRowTo(*options.progress, 1, 1);
    return kind;
  } catch (const std::exception& e) {
    Fail(holder, out, e.what());
  } catch (...) {
    Fail(holder, out, "Cannot read picture");
  }
  return KindFromName(path);
}

PreviewOutcome LoadPreviewPicture(const std::string& path, PictureHolder& holder,
                                  const PreviewRequest& request, const DecodeOptions& options) {
  PreviewOutcome outcome;
  outcome.kind = KindFromName(path);
  outcome.was_jpeg = outcome.kind == kKindJpeg;
  outcome.metafile = outcome.kind == kKindWmf || outcome.kind == kKindEmf;
  const ViewingCopy copy(path);
  try {
    if (!copy.Ok()) {
      holder.Reset();
      holder.bitmap.MakeFailure();
      outcome.failed = true;
      return outcome;
    }
    if (outcome.kind == kKindJpeg) {
      holder.Reset();
      holder.kind = GraphicKind::kJpeg;
      codecs::JpegDecodeSettings settings;
      settings.best_quality = true;
      if (request.reduce_jpeg) {
        const codecs::JpegHeaderFacts facts = codecs::ReadJpegHeader(copy.Path());
        if (facts.ok)
          settings.scale_denom = codecs::JpegScaleForWidth(facts.width, request.target_size);
      }
      settings.output_bits = (!request.keep_jpeg_format && options.Reduced()) ? 8 : 24;
      holder.jpeg_output_bits = settings.output_bits;
      const codecs::ReadResult read = codecs::LoadJpeg(copy.Path(), holder.bitmap, settings);
      if (!read.ok()) {
        holder.Reset();
        holder.bitmap.MakeFailure();
        outcome.failed = true;
      } else {
        TurnUpright(copy.Path(), holder);
      }
      return outcome;
    }
    if (outcome.kind == kKindGif) {
      holder.Reset();
      holder.bitmap.Create(1, 1, PixelFormat::k24);
      uint8_t* px = holder.bitmap.Row(0);
      px[0] = request.background.b;
      px[1] = request.background.g;
      px[2] = request.background.r;
      bool animated = false;
      const codecs::ReadResult read =
          codecs::LoadGifStill(copy.Path(), holder.bitmap, request.background, &animated);
      outcome.animated = animated;
      outcome.failed = !read.ok();
      if (holder.bitmap.Empty()) holder.bitmap.MakeFailure();
      return outcome;
    }
    LoadDetails details;
    codecs::ReaderRequest reader;
    reader.cover_width = reader.cover_height = request.target_size;
    reader.background = request.background;
    LoadAs(path, copy.Path(), holder, options, details, false, reader);
    outcome.failed = details.failed;
    if (holder.kind == GraphicKind::kIcon) {
      // Thumbnails want a plain picture: the icon's transparent parts take the background.
      Bitmap blended = codecs::BlendIconOnto(holder.bitmap, request.background);
      holder.Reset();
      if (blended.Empty()) {
        holder.bitmap.MakeFailure();
        outcome.failed = true;
      } else {
        holder.bitmap = std::move(blended);
      }
    }
  } catch (...) {
    holder.Reset();
    holder.bitmap.MakeFailure();
    outcome.failed = true;
  }
  return outcome;
}

}  // namespace vr::picture
