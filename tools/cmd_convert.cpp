// veldrimon-tool convert IN OUT [--quality N] [--colours N [--standard] [--remap|--dither]
// [--236]]: decodes IN with the program's loader, optionally reduces it to N colours as the
// viewer's "Reduce &Colors to..." does, and writes OUT in the format its last extension names.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "colour/reduce.h"
#include "colour/reduce_args.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/codecs/codec_api.h"
#include "picture/codecs/ico/ico_codec.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "picture/kinds.h"
#include "picture/load/loader.h"
#include "tools/tool_command.h"

namespace vr::tool {
namespace {

using picture::Bitmap;

struct WriteOptions {
  int quality = 75;
};

using Writer = codecs::WriteResult (*)(const std::string& path, const Bitmap& bitmap,
                                       const WriteOptions& options);

codecs::WriteResult WriteBmp(const std::string& path, const Bitmap& bitmap, const WriteOptions&) {
  return codecs::SaveBmp(path, bitmap);
}
codecs::WriteResult WriteJpeg(const std::string& path, const Bitmap& bitmap,
                              const WriteOptions& options) {
  codecs::JpegSaveOptions jpeg;
  jpeg.quality = options.quality;
  return codecs::SaveJpeg(path, bitmap, jpeg);
}
codecs::WriteResult WriteIco(const std::string& path, const Bitmap& bitmap, const WriteOptions&) {
  return codecs::SaveIco(path, bitmap);
}
codecs::WriteResult WriteGif(const std::string& path, const Bitmap& bitmap, const WriteOptions&) {
  if (!bitmap.Indexed() || bitmap.Bits() > 8) {
    codecs::WriteResult result;
    result.error = "GIF needs a picture of at most 256 colours";
    return result;
  }
  return codecs::SaveGif(path, bitmap, codecs::GifSaveOptions());
}
// The PCX, TGA and PIC writers take the export window's modes: the deepest each offers for
// true-colour pictures, the matching palette mode otherwise.
codecs::WriteResult WritePcx(const std::string& path, const Bitmap& bitmap, const WriteOptions&) {
  const int bits = bitmap.Bits();
  return codecs::SavePcx(path, bitmap, bits == 1 ? 1 : bits == 4 ? 2 : bits == 8 ? 3 : 4);
}
codecs::WriteResult WriteTga(const std::string& path, const Bitmap& bitmap, const WriteOptions&) {
  return codecs::SaveTga(path, bitmap, bitmap.Indexed() ? 1 : 2);
}
codecs::WriteResult WritePic(const std::string& path, const Bitmap& bitmap, const WriteOptions&) {
  const int bits = bitmap.Bits();
  return codecs::SavePic(path, bitmap, bits == 1 ? 1 : bits == 4 ? 2 : 3);
}
codecs::WriteResult WritePng(const std::string& path, const Bitmap& bitmap, const WriteOptions&) {
  return codecs::SavePngFile(path, bitmap);
}

struct WriterEntry {
  const char* extension;  // upper case, without the dot
  Writer write;
};

// By OUT's last extension.
constexpr WriterEntry kWriters[] = {
    {"BMP", WriteBmp}, {"JPG", WriteJpeg}, {"JPE", WriteJpeg}, {"JPEG", WriteJpeg},
    {"ICO", WriteIco}, {"GIF", WriteGif},  {"PCX", WritePcx},  {"TGA", WriteTga},
    {"TARGA", WriteTga}, {"PIC", WritePic}, {"PNG", WritePng},
};

// The name the user gives for the output decides its format by its last extension alone: the
// any-extension-anywhere test that serves the files a user already has would turn
// "photo.jpg.out.bmp" into a JPEG.
Writer WriterForOutput(const std::string& out) {
  const size_t slash = out.find_last_of('/');
  const size_t dot = out.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return nullptr;
  std::string extension = out.substr(dot + 1);
  for (char& c : extension) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  for (const WriterEntry& entry : kWriters) {
    if (extension == entry.extension) return entry.write;
  }
  return nullptr;
}

std::string WritableExtensions() {
  std::string list;
  for (const WriterEntry& entry : kWriters) {
    if (!list.empty()) list += ", ";
    list += '.';
    for (const char* c = entry.extension; *c != '\0'; ++c) {
      list += static_cast<char>(*c >= 'A' && *c <= 'Z' ? *c - 'A' + 'a' : *c);
    }
  }
  return list;
}

int RunConvert(const std::vector<std::string>& args) {
  std::vector<std::string> files;
  WriteOptions options;
  colour::ReduceArgs reduce;
  std::string error;
  for (size_t i = 0; i < args.size(); ++i) {
    const colour::ArgTake taken = colour::TakeReduceOption(args, i, reduce, error);
    if (taken == colour::ArgTake::kError) {
      std::fprintf(stderr, "convert: %s\n", error.c_str());
      return 2;
    }
    if (taken == colour::ArgTake::kTaken) continue;
    if (args[i] == "--quality" && i + 1 < args.size()) {
      char* end = nullptr;
      const long q = std::strtol(args[++i].c_str(), &end, 10);
      if (end == nullptr || *end != '\0' || q < 1 || q > 100) {
        std::fprintf(stderr, "convert: quality must be 1 to 100\n");
        return 2;
      }
      options.quality = static_cast<int>(q);
    } else if (!args[i].empty() && args[i][0] == '-') {
      std::fprintf(stderr, "convert: unknown option %s\n", args[i].c_str());
      return 2;
    } else {
      files.push_back(args[i]);
    }
  }
  const bool options_clash = !colour::FinishReduceArgs(reduce, error) ||
                             (!reduce.asked && reduce.modifiers);
  if (files.size() != 2 || options_clash) {
    if (options_clash) {
      std::fprintf(stderr, "convert: %s\n",
                   error.empty() ? "--standard, --remap and --dither need --colours" : error.c_str());
    }
    std::fprintf(stderr, "usage: veldrimon-tool convert IN OUT [--quality N] [%s]\n",
                 colour::kReduceOptionsUsage);
    return 2;
  }
  const std::string& in = files[0];
  const std::string& out = files[1];
  const Writer writer = WriterForOutput(out);
  if (writer == nullptr) {
    std::fprintf(stderr, "convert: cannot write %s: its last extension must be one of %s\n",
                 out.c_str(), WritableExtensions().c_str());
    return 1;
  }

  picture::PictureHolder holder;
  const uint16_t in_kind = picture::KindFromName(in);
  if (in_kind == picture::kKindGif) {
    bool animated = false;
    const codecs::ReadResult read =
        codecs::LoadGifStill(in, holder.bitmap, picture::Rgb{255, 255, 255}, &animated);
    if (!read.ok()) {
      std::fprintf(stderr, "convert: cannot read %s: %s\n", in.c_str(), read.error.c_str());
      return 1;
    }
  } else {
    picture::LoadDetails details;
    picture::LoadPicture(in, holder, picture::DecodeOptions(), &details);
    if (details.failed) {
      std::fprintf(stderr, "convert: cannot read %s: %s\n", in.c_str(), details.error.c_str());
      return 1;
    }
    if (holder.bitmap.Empty() && !holder.vector) {
      std::fprintf(stderr, "convert: %s is not a picture the loader decodes\n", in.c_str());
      return 1;
    }
  }
  picture::Bitmap& picture = holder.AsBitmap();
  if (reduce.asked) {
    picture::Bitmap reduced;
    colour::Palette6 palette{};
    const colour::ReduceResult result =
        colour::ReduceColours(picture, reduced, palette, reduce.request);
    if (!result.error.empty()) {
      std::fprintf(stderr, "convert: cannot reduce %s: %s\n", in.c_str(), result.error.c_str());
      return 1;
    }
    // Not done: the picture already has no more colours than asked; it is written as it is.
    if (result.done) picture = std::move(reduced);
  }
  const codecs::WriteResult written = writer(out, picture, options);
  if (!written.ok) {
    std::fprintf(stderr, "convert: cannot write %s: %s\n", out.c_str(), written.error.c_str());
    return 1;
  }
  return 0;
}

const Registration kConvert("convert",
                            "convert IN OUT [--quality N] [--colours N [--standard] "
                            "[--remap|--dither] [--236]]  re-encode by OUT's last extension",
                            RunConvert);

}  // namespace
}  // namespace vr::tool
