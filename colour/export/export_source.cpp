#include "colour/export/export_source.h"

#include "picture/codecs/codec_api.h"
#include "picture/kinds.h"
#include "picture/load/loader.h"

namespace vr::colour {

ExportSourceFacts LoadExportSource(const std::string& path, picture::PictureHolder& holder) {
  ExportSourceFacts facts;
  holder.Reset();
  const uint16_t kind = picture::KindFromName(path);
  if (picture::IsMediaKind(kind)) {
    facts.why = "a sound or movie file is not a picture";
    return facts;
  }
  if (kind == picture::kKindGif) {
    const codecs::ReadResult read =
        codecs::LoadGifStill(path, holder.bitmap, picture::Rgb{255, 255, 255}, &facts.animated);
    if (!read.ok()) {
      facts.why = read.error.empty() ? "the picture cannot be read" : read.error;
      return facts;
    }
  } else {
    picture::LoadDetails details;
    picture::LoadPicture(path, holder, picture::DecodeOptions(), &details);
    if (details.failed) {
      facts.why = details.error.empty() ? "the picture cannot be read" : details.error;
      return facts;
    }
    if (holder.bitmap.Empty() && !holder.vector) {
      facts.why = "not a picture the program reads";
      return facts;
    }
  }
  facts.depth = holder.vector && holder.bitmap.Empty() ? 24 : holder.bitmap.Bits();
  facts.ok = true;
  return facts;
}

std::string ConvertTarget(const std::string& source, const std::string& into,
                          const std::string& extension) {
  const size_t slash = source.find_last_of('/');
  std::string folder = slash == std::string::npos ? std::string() : source.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? source : source.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  if (!into.empty()) {
    folder = into;
    if (folder.back() != '/') folder += '/';
  }
  return folder + name + extension;
}

}  // namespace vr::colour
