#include "picture/load/load_hooks.h"
#include "shell/show_pipeline.h"

#include <filesystem>
#include <optional>

#include "lists/files_list.h"
#include "picture/codecs/codec_api.h"
#include "picture/decode_progress.h"
#include "picture/kinds.h"
#include "picture/load/loader.h"
#include "platform/folders.h"
#include "platform/sounds.h"
#include "platform/temp_sweep.h"
#include "shell/navigation.h"
#include "shell/picture_facts.h"
#include "shell/picture_prefetch.h"

namespace vr::shell {

ShowStep ShowPipeline::Prepare(const std::string& name, int animate, bool play_wav) {
  ShowStep step;
  platform::SweepSpecialTempFiles();  // plain copies of protected files from earlier shows
  if (name != lists::kNoFile && play_wav && services_.sounds != nullptr) {
    // A sound file of the same name plays along with the picture.
    if (const std::string wav = SameNameSound(name); !wav.empty()) {
      services_.sounds->PlayFile(wav);
      step.sound = wav;
    }
  }
  step.clear_comments = animate != 2;
  if (name == lists::kNoFile) {
    step.as = ShowAs::kNothing;
  } else if (picture::IsMediaKind(picture::KindFromName(name))) {
    step.as = ShowAs::kMedia;
  } else if (animate != 2) {
    step.as = ShowAs::kPicture;
  } else {
    step.as = ShowAs::kAgain;
  }
  return step;
}

LoadedPicture ShowPipeline::Load(const std::string& path,
                                 const picture::DecodeOptions& decode) const {
  LoadedPicture result;
  picture::PictureHolder& loaded = result.holder;
  picture::LoadDetails details;
  const uint16_t kind = picture::KindFromName(path);
  result.kind = kind;
  bool failed = false;
  int bits = -1;
  try {
    if (kind == picture::kKindGif) {
      bool animated = false;
      // Only for the decode: the warning box after a failure runs an event loop of its own.
      const picture::ProgressScope progress(decode.progress);
      const picture::ViewingCopy copy(path);  // a protected GIF is read from its plain copy
      const codecs::ReadResult r =
          copy.Ok() ? codecs::LoadGifStill(copy.Path(), loaded.bitmap, picture::Rgb{0, 0, 0},
                                           &animated)
                    : codecs::ReadResult{};
      failed = !copy.Ok() || !r.ok();
      bits = copy.Ok() ? r.depth : -1;
    } else {
      std::optional<shell::PrefetchedPicture> ready;
      if (services_.prefetch != nullptr) ready = services_.prefetch->Take(path, decode);
      // A decode ahead that failed may only have lacked what this thread can ask (a password).
      if (ready && ready->details.failed) ready.reset();
      if (ready) {
        loaded = std::move(ready->holder);
        details = std::move(ready->details);
      } else {
        picture::LoadPicture(path, loaded, decode, &details);
      }
      failed = details.failed;
      bits = details.file_depth;
    }
  } catch (...) {
    failed = true;
  }
  if (kind == picture::kKindGif) {
    PropertiesFacts facts;
    ReadGifExtras(path, &facts);
    result.gif_comments = std::move(facts.comments);
  }
  if (failed) {
    result.holder = picture::PictureHolder();
    return result;  // the previous picture stays
  }
  result.ok = true;
  if (loaded.Width() == 0 || loaded.Height() == 0) {
    loaded.Reset();
    loaded.bitmap.Create(1, 1, picture::PixelFormat::k24);
  }
  switch (loaded.kind) {
    case picture::GraphicKind::kIcon:
    case picture::GraphicKind::kJpeg:
      result.file_bits = 24;
      break;
    case picture::GraphicKind::kMetafile:
      result.file_bits = 8;
      break;
    case picture::GraphicKind::kPng:
      result.file_bits = loaded.png_bits;
      break;
    default:
      result.file_bits = bits > 0 ? bits : loaded.bitmap.Bits();
  }
  // Metafiles stay vector graphics; the actual-size pane needs pixels.
  if (loaded.bitmap.Empty()) (void)loaded.AsBitmap();
  return result;
}

}  // namespace vr::shell
