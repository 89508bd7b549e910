#include "colour/export/export_picture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "picture/camera/camera_facts.h"
#include "picture/camera/exif_segment.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/codecs/codec_api.h"
#include "picture/codecs/ico/ico_codec.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "picture/convert.h"
#include "picture/kinds.h"
#include "platform/folders.h"

namespace vr::colour {

using picture::Bitmap;
using picture::PictureHolder;
using picture::PixelFormat;
using picture::Rgb;

namespace {

constexpr int kIconSize = 32;

enum class Writer { kNone, kBmp, kIco, kPng, kJpg, kGif, kPcx, kTga, kPic };

Writer WriterFor(const std::string& extension) {
  if (extension == ".BMP") return Writer::kBmp;
  if (extension == ".ICO") return Writer::kIco;
  if (extension == ".PNG") return Writer::kPng;
  if (extension == ".JPG" || extension == ".JPEG") return Writer::kJpg;
  if (extension == ".GIF") return Writer::kGif;
  if (extension == ".PCX") return Writer::kPcx;
  if (extension == ".TGA" || extension == ".TARGA") return Writer::kTga;
  if (extension == ".PIC") return Writer::kPic;
  return Writer::kNone;
}

// The viewer's picture as a Bitmap: a Bitmap as it is, a JPEG in its output format, PNG, icon and
// metafile graphics at 24 bits.
Bitmap SourceBitmap(const PictureHolder& source) {
  if (source.kind == picture::GraphicKind::kBitmap || source.kind == picture::GraphicKind::kJpeg) {
    if (!source.bitmap.Empty() || !source.vector) return source.bitmap;
  }
  PictureHolder converted;
  picture::ConvertPicture(source, converted, 24);
  return std::move(converted.bitmap);
}

// Index of a pixel of a 1, 4 or 8-bit row.
inline uint8_t IndexAt(const uint8_t* row, int bits, int x) {
  if (bits == 8) return row[x];
  if (bits == 4) return static_cast<uint8_t>((x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4);
  return static_cast<uint8_t>((row[x >> 3] >> (7 - (x & 7))) & 1);
}

// Packs a palette picture into `bits` (1 or 4) per pixel; indices beyond the depth wrap.
Bitmap PackIndexed(const Bitmap& source, int bits) {
  Bitmap out;
  if (!out.Create(source.Width(), source.Height(), picture::FormatOfBits(bits))) return out;
  std::vector<Rgb> palette = source.Palette();
  palette.resize(static_cast<size_t>(1) << bits, Rgb{});
  out.SetPalette(std::move(palette));
  const int src_bits = source.Bits();
  const uint8_t mask = static_cast<uint8_t>((1 << bits) - 1);
  for (int y = 0; y < source.Height(); ++y) {
    const uint8_t* in = source.Row(y);
    uint8_t* row = out.Row(y);
    for (int x = 0; x < source.Width(); ++x) {
      const uint8_t v = IndexAt(in, src_bits, x) & mask;
      if (bits == 4) {
        row[x >> 1] |= static_cast<uint8_t>((x & 1) ? v : v << 4);
      } else {
        row[x >> 3] |= static_cast<uint8_t>(v << (7 - (x & 7)));
      }
    }
  }
  return out;
}

// The picture at 24 bits (palette pictures through their palette).
Bitmap To24(const Bitmap& source) {
  if (source.Format() == PixelFormat::k24) {
    Bitmap copy = source;
    copy.SetPalette({});
    return copy;
  }
  Bitmap out;
  if (!out.Create(source.Width(), source.Height(), PixelFormat::k24)) return out;
  for (int y = 0; y < source.Height(); ++y) picture::ExpandRowTo24(source, y, out.Row(y));
  return out;
}

// A 32 x 32 icon picture: the picture at the top left over black, in the picture's own depth.
Bitmap IconCanvas(const Bitmap& source) {
  Bitmap canvas;
  const int w = std::min(source.Width(), kIconSize);
  const int h = std::min(source.Height(), kIconSize);
  if (source.Indexed()) {
    canvas.Create(kIconSize, kIconSize, PixelFormat::k8);
    canvas.SetPalette(source.Palette());
    const int black = NearestEntry(source.Palette(), static_cast<int>(source.Palette().size()),
                                   Rgb{0, 0, 0});
    const int bits = source.Bits();
    for (int y = 0; y < kIconSize; ++y) {
      uint8_t* row = canvas.Row(y);
      std::fill(row, row + kIconSize, static_cast<uint8_t>(std::max(black, 0)));
      if (y >= h) continue;
      const uint8_t* in = source.Row(y);
      for (int x = 0; x < w; ++x) row[x] = IndexAt(in, bits, x);
    }
    if (bits < 8) return PackIndexed(canvas, bits);
    return canvas;
  }
  const Bitmap deep = To24(source);
  canvas.Create(kIconSize, kIconSize, PixelFormat::k24);
  for (int y = 0; y < h; ++y) std::copy(deep.Row(y), deep.Row(y) + w * 3, canvas.Row(y));
  return canvas;
}

mode_t NewFileMode(const std::string& target) {
  struct stat st{};
  if (::stat(target.c_str(), &st) == 0) return st.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

uint64_t FileSize(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

bool ApplyWrite(const codecs::WriteResult& result, std::string* error) {
  if (!result.ok && error != nullptr) *error = result.error;
  return result.ok;
}

// An ICC profile describes the colours of its own colour space; only an RGB one fits the
// written RGB pixels (a CMYK file's profile does not, nor any profile a grey file).
bool RgbProfile(const std::vector<uint8_t>& icc) {
  return icc.size() >= 20 && icc[16] == 'R' && icc[17] == 'G' && icc[18] == 'B' && icc[19] == ' ';
}

// A JPEG written from a JPEG keeps the source's Exif block and colour profile, as current
// converters do. Pixels that no longer stand as stored (turned upright or turned since) make the
// block say orientation 1; a block whose orientation cannot be rewritten is left out rather than
// have the copy turned twice.
codecs::JpegMetadata CarriedJpegMetadata(const std::string& source_file, bool turned,
                                         bool grayscale) {
  if (source_file.empty() || picture::KindFromName(source_file) != picture::kKindJpeg) return {};
  codecs::JpegMetadata metadata = codecs::ReadJpegMetadata(source_file);
  if (turned && !metadata.exif.empty() && !camera::SetExifOrientation(metadata.exif, 1) &&
      camera::ParseExifSegment(metadata.exif.data(), metadata.exif.size()).orientation != 1) {
    metadata.exif.clear();
  }
  if (grayscale || !RgbProfile(metadata.icc)) metadata.icc.clear();
  return metadata;
}

}  // namespace

ExportReduction ReductionFor(const ExportChoices& choices) {
  ExportReduction reduction;
  const int item = choices.item >= 0 ? choices.item
                   : (choices.tab >= 0 && choices.tab < kTabCount)
                       ? ExportTabs()[choices.tab].default_item
                       : -1;
  reduction.colours = TabColourCount(choices.tab, item);
  if (item >= 0 && choices.tab >= 0 && choices.tab < kTabCount &&
      item < static_cast<int>(ExportTabs()[choices.tab].items.size())) {
    reduction.request.standard_colours =
        ItemStandardColours(ExportTabs()[choices.tab].items[item]);
  }
  reduction.request.colours = std::min(reduction.colours, 256);
  reduction.request.windows_236 = choices.force_236 && Force236Applies(choices.tab, item);
  reduction.request.dither = !choices.closest;
  return reduction;
}

std::string ExportErrorText(const std::string& name) {
  return "Error EXPORTING file:" + name + "\r\rDisk is probably FULL or WRITE PROTECTED!\r\r" +
         "Try Saving again, but to another drive!";
}

std::string UpperExtension(const std::string& path) {
  const std::string name = NameOf(path);
  const size_t dot = name.find_last_of('.');
  if (dot == std::string::npos) return {};
  std::string ext = name.substr(dot);
  for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return ext;
}

std::optional<std::string> ResolveExportName(const std::string& chosen, int tab,
                                             std::string* refusal) {
  const std::string ext = UpperExtension(chosen);
  if (ext.empty() || ext == ".") {
    if (tab < 0 || tab >= kTabCount) return std::nullopt;
    std::string name = chosen;
    if (ext == ".") name.pop_back();
    return name + ExportTabs()[tab].extension;
  }
  if (WriterFor(ext) != Writer::kNone) return chosen;
  if (refusal != nullptr) {
    *refusal = "Veldrimon can NOT write files with the extension " + ext +
               "\r\rUse one of these extensions: " + WritableExtensionsText();
  }
  return std::nullopt;
}

int NearestEntry(const std::vector<Rgb>& palette, int count, Rgb colour) {
  const int n = std::min<int>(count, static_cast<int>(palette.size()));
  int best = -1;
  int best_distance = 0;
  for (int i = 0; i < n; ++i) {
    const int dr = palette[i].r - colour.r;
    const int dg = palette[i].g - colour.g;
    const int db = palette[i].b - colour.b;
    const int d = dr * dr + dg * dg + db * db;
    if (best < 0 || d < best_distance) {
      best = i;
      best_distance = d;
      if (d == 0) break;
    }
  }
  return best;
}

bool WriteReplacing(const std::string& target,
                    const std::function<bool(const std::string& temp, std::string* error)>& write,
                    std::string* error) {
  platform::TempFile temp = platform::CreateExclusiveFile(FolderOf(target), "~VRX", ".TMP");
  if (!temp.IsOpen()) {
    if (error != nullptr) *error = "Cannot create a file in the folder";
    return false;
  }
  temp.Close();
  const std::string temp_path = temp.path();
  bool ok = write(temp_path, error);
  if (ok && ::chmod(temp_path.c_str(), NewFileMode(target)) != 0) ok = false;
  if (ok && std::rename(temp_path.c_str(), target.c_str()) != 0) {
    if (error != nullptr) *error = "Cannot replace the file";
    ok = false;
  }
  if (!ok) {
    temp.Remove();
    ::unlink(temp_path.c_str());
    return false;
  }
  temp.Release();
  return true;
}

std::vector<Rgb> PickerPalette(const PictureHolder& source, const ExportChoices& choices) {
  const Bitmap bitmap = SourceBitmap(source);
  ExportReduction reduction = ReductionFor(choices);
  if (reduction.colours >= kTrueColourCount) reduction.request.colours = 256;
  Bitmap reduced;
  Palette6 palette{};
  reduction.request.progress = nullptr;
  const ReduceResult result = ReduceColours(bitmap, reduced, palette, reduction.request);
  if (result.done) return reduced.Palette();
  return bitmap.Palette();
}

ExportOutcome ExportPicture(const std::string& target, const PictureHolder& source,
                            const ExportChoices& choices, bool animated_gif,
                            const ExportNotify& notify) {
  ExportOutcome outcome;
  const auto fail = [&](std::string detail) {
    outcome.ok = false;
    outcome.detail = std::move(detail);
    outcome.message = ExportErrorText(target);
    return outcome;
  };
  const Writer writer = WriterFor(UpperExtension(target));
  if (writer == Writer::kNone) return fail("No writer takes this extension");

  ExportReduction reduction = ReductionFor(choices);
  int colours = reduction.colours;
  if (writer == Writer::kJpg || writer == Writer::kPng) colours = kTrueColourCount;
  // Formats without a true-colour form take 256 colours when the item asks for more.
  if (colours >= kTrueColourCount && (writer == Writer::kGif || writer == Writer::kPic)) {
    colours = 256;
  }
  reduction.request.colours = std::min(colours, 256);
  reduction.request.progress = notify.progress;

  Bitmap picture = SourceBitmap(source);
  if (picture.Empty()) return fail("There is no picture to save");
  if (colours < kTrueColourCount) {
    Bitmap reduced;
    Palette6 palette{};
    const ReduceResult result =
        notify.reduce ? notify.reduce(picture, reduced, palette, reduction.request)
                      : ReduceColours(picture, reduced, palette, reduction.request);
    if (!result.error.empty()) return fail(result.error);
    if (result.stopped) return fail("The color reduction was stopped");
    if (result.done) {
      picture = std::move(reduced);
      outcome.reduced = true;
    }
  }

  Bitmap written;
  codecs::JpegMetadata jpeg_metadata;
  const Bitmap* out = &picture;
  std::function<bool(const std::string&, std::string*)> write;
  switch (writer) {
    case Writer::kTga: {
      const int mode = colours >= kTrueColourCount ? TgaModeFor(1) : TgaModeFor(0);
      write = [&, mode](const std::string& path, std::string* error) {
        return ApplyWrite(codecs::SaveTga(path, *out, mode), error);
      };
      break;
    }
    case Writer::kPic: {
      const int mode = PicModeFor(colours);
      write = [&, mode](const std::string& path, std::string* error) {
        return ApplyWrite(codecs::SavePic(path, *out, mode), error);
      };
      break;
    }
    case Writer::kPcx: {
      const int mode = PcxModeFor(colours);
      write = [&, mode](const std::string& path, std::string* error) {
        return ApplyWrite(codecs::SavePcx(path, *out, mode), error);
      };
      break;
    }
    case Writer::kGif: {
      if (animated_gif && notify.warn) notify.warn(kAnimatedGifWarning);
      if (!picture.Indexed()) return fail("GIF needs a picture of at most 256 colours");
      codecs::GifSaveOptions options;
      options.colour_count = std::min(colours, 256);
      options.interlaced = choices.interlaced;
      if (choices.transparent) {
        outcome.transparent_index =
            NearestEntry(picture.Palette(), options.colour_count, *choices.transparent);
      }
      options.transparent_index = outcome.transparent_index;
      if (choices.use_comments) {
        for (size_t i = 0; i < choices.comments.size(); ++i) {
          if (i > 0) options.comment += '\r';
          options.comment += choices.comments[i];
        }
      }
      write = [&, options](const std::string& path, std::string* error) {
        return ApplyWrite(codecs::SaveGif(path, *out, options), error);
      };
      break;
    }
    case Writer::kBmp: {
      const bool standard = reduction.request.standard_colours;
      if (colours == 2 && picture.Indexed() && picture.Bits() != 1) {
        written = PackIndexed(picture, 1);
        out = &written;
      } else if ((colours == 8 || colours == 16) && standard && picture.Bits() == 8) {
        written = PackIndexed(picture, 4);
        written.Palette().resize(std::min<size_t>(picture.Palette().size(), 16));
        out = &written;
      } else if (colours >= kTrueColourCount && picture.Format() != PixelFormat::k24) {
        written = To24(picture);
        out = &written;
      } else if (picture.Format() == PixelFormat::k24) {
        picture.SetPalette({});
      }
      write = [&](const std::string& path, std::string* error) {
        return ApplyWrite(codecs::SaveBmp(path, *out), error);
      };
      break;
    }
    case Writer::kIco: {
      written = IconCanvas(picture);
      if (written.Bits() == 8 && colours <= 16 && colours > 2) written = PackIndexed(written, 4);
      if (written.Bits() == 8 && colours == 2) written = PackIndexed(written, 1);
      if (colours >= kTrueColourCount && written.Indexed()) written = To24(written);
      out = &written;
      write = [&](const std::string& path, std::string* error) {
        return ApplyWrite(codecs::SaveIco(path, *out), error);
      };
      break;
    }
    case Writer::kJpg: {
      codecs::JpegSaveOptions options;
      options.quality = std::clamp(choices.jpeg_quality, 1, 100);
      options.grayscale = choices.jpeg_grayscale;
      jpeg_metadata =
          CarriedJpegMetadata(choices.source_file, source.turned, options.grayscale);
      write = [&, options](const std::string& path, std::string* error) {
        return ApplyWrite(codecs::SaveJpeg(path, *out, options, &jpeg_metadata), error);
      };
      break;
    }
    case Writer::kPng:
      write = [&](const std::string& path, std::string* error) {
        return ApplyWrite(codecs::SavePngFile(path, *out), error);
      };
      break;
    case Writer::kNone:
      break;
  }
  if (out->Empty()) return fail("Not enough memory for the picture to save");
  outcome.written_bits = out->Bits();
  std::string error;
  if (!WriteReplacing(target, write, &error)) return fail(error);
  outcome.ok = true;
  outcome.bytes = FileSize(target);
  return outcome;
}

bool SavePictureAs(const std::string& target, const PictureHolder& source, std::string* error) {
  const Writer writer = WriterFor(UpperExtension(target));
  std::string reason;
  bool ok = false;
  if (writer == Writer::kJpg) {
    PictureHolder deep;
    picture::ConvertPicture(source, deep, 24);
    codecs::JpegSaveOptions options;
    options.quality = 92;
    ok = WriteReplacing(
        target,
        [&](const std::string& path, std::string* e) {
          return ApplyWrite(codecs::SaveJpeg(path, deep.bitmap, options), e);
        },
        &reason);
  } else if (writer == Writer::kBmp) {
    Bitmap bitmap = SourceBitmap(source);
    if (bitmap.Format() == PixelFormat::k24) bitmap.SetPalette({});
    ok = WriteReplacing(
        target,
        [&](const std::string& path, std::string* e) {
          return ApplyWrite(codecs::SaveBmp(path, bitmap), e);
        },
        &reason);
  } else if (writer == Writer::kGif) {
    Bitmap bitmap = SourceBitmap(source);
    Bitmap reduced;
    Palette6 palette{};
    ReduceRequest request;
    request.colours = 256;
    request.dither = true;
    const ReduceResult result = ReduceColours(bitmap, reduced, palette, request);
    if (result.done) bitmap = std::move(reduced);
    if (!result.error.empty()) {
      reason = result.error;
    } else if (!bitmap.Indexed()) {
      reason = "GIF needs a picture of at most 256 colours";
    } else {
      codecs::GifSaveOptions options;
      options.colour_count = 256;
      ok = WriteReplacing(
          target,
          [&](const std::string& path, std::string* e) {
            return ApplyWrite(codecs::SaveGif(path, bitmap, options), e);
          },
          &reason);
    }
  } else {
    reason = "No writer takes the extension " + UpperExtension(target);
  }
  if (!ok && error != nullptr) *error = reason;
  return ok;
}

}  // namespace vr::colour
