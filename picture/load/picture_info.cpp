// ReadPictureInfo: the header-only probe behind the files list's facts (size, colours, flags).
// Each branch reads only the few header bytes it needs through the buffered reader; bytes past
// the end of the file read as 0, so a short file gives zeros rather than a failure.
#include <algorithm>
#include <cstdlib>
#include <exception>

#include "picture/codecs/codec_api.h"
#include "picture/codecs/ico/ico_codec.h"
#include "picture/kinds.h"
#include "picture/load/load_hooks.h"
#include "picture/load/loader.h"

#include "picture/camera/camera_facts.h"

namespace vr::picture {
namespace {

void Rewind(TFastFileIO& io) {
  io.Seek(0);
  io.Empty();
}

int ClampToInt(int64_t v) {
  if (v < 0) v = -v;
  return static_cast<int>(std::min<int64_t>(v, INT32_MAX));
}

// GIF: "GIF87a"/"GIF89a" (possibly after a 128-byte MacBinary header), logical screen width and
// height (16 each), flags (global table 0x80, bits = (flags & 7) + 1), background, aspect, the
// global table, then blocks: '!' extensions (label, sub-blocks), ',' images, ';' the end.
void GifInfo(TFastFileIO& io, const std::string& path, const std::string& decode_path,
             PictureInfo& info) {
  char sig[6];
  io.ReadBlock(sig, 6);
  if (sig[0] != 'G' || sig[1] != 'I' || sig[2] != 'F') {
    io.Skip(122);
    io.ReadBlock(sig, 6);
    if (sig[0] != 'G' || sig[1] != 'I' || sig[2] != 'F') return;
  }
  const int screen_w = io.Read16();
  const int screen_h = io.Read16();
  const uint8_t flags = io.ReadByte();
  const int bits = (flags & 7) + 1;
  io.Skip(2);
  if (flags & 0x80) io.Skip(size_t{3} << bits);
  int zeros = 0;
  for (;;) {
    const uint8_t b = io.ReadByte();
    if (b == 0) {
      if (++zeros > 100) break;
      continue;
    }
    zeros = 0;
    if (b == '!') {
      io.ReadByte();  // label
      for (uint8_t n = io.ReadByte(); n != 0; n = io.ReadByte()) io.Skip(n);
      continue;
    }
    if (b == ',') {
      const int left = io.Read16();
      const int top = io.Read16();
      const int w = io.Read16();
      const int h = io.Read16();
      const uint8_t image_flags = io.ReadByte();
      info.interlaced = (image_flags & 0x40) != 0;
      info.width = std::max(screen_w, left + w);
      info.height = top + h > screen_h ? top + h : screen_h;
      info.colours = 1 << bits;
      if (sig[3] == '8' && sig[4] == '9' && sig[5] == 'a' && !decode_path.empty()) {
        info.animated = codecs::IsAnimatedGif(decode_path);
      }
      return;
    }
    if (b == ';') {
      info.width = 80;
      info.height = 25;
      info.colours = 1 << bits;
      return;
    }
    break;  // anything else is damage
  }
  info.error = "Error In GIF Descriptor:" + path;
  info.width = info.height = info.colours = 0;
  info.interlaced = info.animated = false;
}

// BMP: "BM", file size and reserved (8), data offset (32), header size (32), width and height
// (16-bit in core headers, 32-bit otherwise), planes (16), bits (16), compression (32).
void BmpInfo(TFastFileIO& io, PictureInfo& info) {
  if (io.ReadByte() != 'B' || io.ReadByte() != 'M') return;
  io.Skip(8);
  io.Read32();  // data offset
  const uint32_t header_size = io.Read32();
  if (header_size < 12) return;
  int64_t w, h;
  if (header_size == 12) {
    w = static_cast<int16_t>(io.Read16());
    h = static_cast<int16_t>(io.Read16());
  } else {
    w = static_cast<int32_t>(io.Read32());
    h = static_cast<int32_t>(io.Read32());
  }
  io.Skip(2);
  const int bits = io.Read16() & 0xFF;
  if (header_size >= 40) {
    const uint8_t compression = static_cast<uint8_t>(io.Read32());
    info.compressed = compression == 1 || compression == 2;  // RLE8, RLE4
  }
  info.width = ClampToInt(w);
  info.height = ClampToInt(h);
  if (bits >= 1 && bits <= 8) info.colours = 1 << bits;
  if (bits == 15 || bits == 16 || bits == 24 || bits == 32) info.colours = 16000;
}

// PCX: manufacturer 10, version, encoding 1, bits per pixel, window xmin ymin xmax ymax,
// resolutions, 48-byte palette, reserved, planes, bytes per line, palette info, 58 filler bytes.
// A DCX file is a table of page offsets (after its magic) in front of PCX pages.
void PcxInfo(TFastFileIO& io, PictureInfo& info) {
  uint8_t first = io.ReadByte();
  if (first == 0xB1) {  // DCX magic 0x3ADE68B1: the first page
    io.Skip(3);
    const uint32_t page = io.Read32();
    if (page < 8 || page >= io.FileSize()) return;
    io.Seek(page);
    io.Empty();
    first = io.ReadByte();
  }
  if (first != 10) return;
  const uint8_t version = io.ReadByte();
  const uint8_t encoding = io.ReadByte();
  const uint8_t bpp = io.ReadByte();
  if (version > 10 || encoding != 1 || (bpp != 1 && bpp != 4 && bpp != 8)) return;
  const int xmin = static_cast<int16_t>(io.Read16());
  const int ymin = static_cast<int16_t>(io.Read16());
  const int xmax = static_cast<int16_t>(io.Read16());
  const int ymax = static_cast<int16_t>(io.Read16());
  io.Skip(4 + 48 + 1);
  const uint8_t planes = io.ReadByte();
  const int w = xmax - xmin + 1;
  const int h = ymax - ymin + 1;
  if (w <= 0 || h <= 0 || planes == 0) return;
  info.width = w;
  info.height = h;
  const int bits = bpp * planes;  // 1 x 4 planes is 4 bits, 8 x 3 planes true colour
  info.colours = bits <= 8 ? (1 << bits) : 16000;
}

// PIC: magic 0x1234, width, height, two words, plane info p: bits = (p & 15) * ((p >> 4) + 1).
void PicInfo(TFastFileIO& io, PictureInfo& info) {
  if (io.Read16() != 0x1234) return;
  info.width = io.Read16();
  info.height = io.Read16();
  io.Skip(4);
  const uint8_t p = io.ReadByte();
  const int bits = (p & 0x0F) * ((p >> 4) + 1);
  if (bits >= 1 && bits <= 8) info.colours = 1 << bits;
  if (bits > 8) info.colours = 16000;
}

// JPEG: FF D8 FF, then segments: a big-endian length L covering itself and its data; the walk
// reads L bytes each time, which take in the next marker's two bytes, and stops at the frame
// header (SOF0..SOF15 without DHT, JPG, DAC), whose data are precision, height, width and the
// component count.
void JpegInfo(TFastFileIO& io, PictureInfo& info) {
  uint8_t head[4];
  io.ReadBlock(head, 4);
  if (head[0] != 0xFF || head[1] != 0xD8 || head[2] != 0xFF) return;
  uint8_t marker = head[3];
  for (;;) {
    const int length = (io.ReadByte() << 8) | io.ReadByte();
    if (length < 2) return;
    const int data = length - 2;
    uint8_t frame[6] = {};
    const int keep = std::min(data, 6);
    io.ReadBlock(frame, static_cast<size_t>(keep));
    io.Skip(static_cast<size_t>(data - keep));
    const bool sof =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (sof && data >= 6) {
      info.height = (frame[1] << 8) | frame[2];
      info.width = (frame[3] << 8) | frame[4];
      info.colours = frame[5] <= 1 ? 256 : 16000;
      return;
    }
    const uint8_t fill = io.ReadByte();
    marker = io.ReadByte();
    if (fill != 0xFF || (io.PastEnd() && io.Unread() == 0)) return;
  }
}

// EMF: the header record holds the frame rectangle (left, top, right, bottom in 0.01 mm at
// offsets 24 to 36) and the signature " EMF" at offset 40.
void EmfInfo(TFastFileIO& io, int ppi, PictureInfo& info) {
  uint8_t head[100];
  io.ReadBlock(head, sizeof head);
  const auto at = [&](int i) {
    return static_cast<int32_t>(head[i] | head[i + 1] << 8 | head[i + 2] << 16 |
                                static_cast<uint32_t>(head[i + 3]) << 24);
  };
  if (static_cast<uint32_t>(at(40)) != 0x464D4520) return;
  const int64_t extent_x = int64_t{at(32)} - at(24);
  const int64_t extent_y = int64_t{at(36)} - at(28);
  info.width = ClampToInt(extent_x * ppi / 2540);
  info.height = ClampToInt(extent_y * ppi / 2540);
  info.colours = 16;
  info.kind = kKindEmf;
}

// WMF (placeable): key 0x9AC6CDD7, handle (16), bounding box left, top, right, bottom (16 each,
// signed) at 6 to 12, units per inch (16) at 14.
void WmfInfo(TFastFileIO& io, int ppi, PictureInfo& info) {
  uint8_t head[22];
  io.ReadBlock(head, sizeof head);
  const uint32_t key = static_cast<uint32_t>(head[0] | head[1] << 8 | head[2] << 16) |
                       static_cast<uint32_t>(head[3]) << 24;
  if (key != 0x9AC6CDD7) return;
  const auto s16 = [&](int i) { return static_cast<int16_t>(head[i] | head[i + 1] << 8); };
  int64_t units = static_cast<uint16_t>(head[14] | head[15] << 8);
  if (units == 0) units = 96;
  const int64_t extent_x = int64_t{s16(10)} - s16(6);
  const int64_t extent_y = int64_t{s16(12)} - s16(8);
  info.width = ClampToInt(extent_x * 2540 / units * ppi / 2540);
  info.height = ClampToInt(extent_y * 2540 / units * ppi / 2540);
  info.colours = 16;
  info.kind = kKindWmf;
}

void IcoInfo(TFastFileIO& io, PictureInfo& info) {
  const codecs::IcoFacts facts = codecs::ReadIcoFacts(io);
  if (!facts.ok) return;
  info.width = facts.width;
  info.height = facts.height;
  info.colours = facts.bits < 16 ? (1 << std::max(1, facts.bits)) : 16000;
  info.compressed = facts.png || facts.compression == 1 || facts.compression == 2;
}

}  // namespace

PictureInfo ReadPictureInfoFrom(TFastFileIO& io, const std::string& name,
                                const std::string& decode_path, int screen_ppi) {
  PictureInfo info;
  info.opened = true;
  try {
    info.kind = ProbeKind(io, name);
    Rewind(io);
    switch (info.kind) {
      case kKindGif:
        GifInfo(io, name, decode_path, info);
        break;
      case kKindBmp:
        BmpInfo(io, info);
        break;
      case kKindPcx:
      case kKindDcx:
        PcxInfo(io, info);
        break;
      case kKindPic:
        PicInfo(io, info);
        break;
      case kKindTga: {
        const codecs::TgaHeaderFacts facts = codecs::ReadTgaHeaderFacts(io);
        if (facts.ok) {
          info.width = facts.width;
          info.height = facts.height;
          info.compressed = facts.compressed;
          if (facts.bits >= 1 && facts.bits <= 8) info.colours = 1 << facts.bits;
          if (facts.bits > 8) info.colours = 16000;
        }
        break;
      }
      case kKindPng: {
        if (decode_path.empty()) break;
        const codecs::PngProbe probe = codecs::ProbePng(decode_path);
        if (probe.readable && probe.width > 0 && probe.height > 0) {
          info.width = probe.width;
          info.height = probe.height;
          if (probe.bits >= 1 && probe.bits <= 8) info.colours = 1 << probe.bits;
          if (probe.bits > 8) info.colours = 16000;
        }
        break;
      }
      case kKindJpeg:
        JpegInfo(io, info);
        // Photos the program turns upright are listed with their upright sides.
        if (!decode_path.empty() && camera::TurnPhotosUpright() &&
            camera::OrientationSwapsSides(camera::ReadCameraOrientation(decode_path))) {
          std::swap(info.width, info.height);
        }
        break;
      case kKindWebp:
      case kKindTiff:
      case kKindHeif: {
        if (decode_path.empty()) break;
        const codecs::PictureFacts facts =
            info.kind == kKindWebp   ? codecs::ReadWebpFacts(decode_path)
            : info.kind == kKindTiff ? codecs::ReadTiffFacts(decode_path)
                                     : codecs::ReadHeifFacts(decode_path);
        if (facts.ok) {
          info.width = facts.width;
          info.height = facts.height;
          info.compressed = facts.compressed;
          info.animated = facts.animated;
          if (facts.bits >= 1 && facts.bits <= 8) info.colours = 1 << facts.bits;
          if (facts.bits > 8) info.colours = 16000;
        }
        break;
      }
      case kKindEmf:
        EmfInfo(io, screen_ppi, info);
        break;
      case kKindWmf:
        WmfInfo(io, screen_ppi, info);
        break;
      case kKindIcon:
        IcoInfo(io, info);
        break;
      case kKindAvi:
      case kKindFli:
      case kKindMpeg:
      case kKindMov:
        info.animated = true;
        break;
      default:
        break;  // WAV, MIDI: the kind only
    }
  } catch (const std::exception&) {
    const uint16_t kind = info.kind;
    info = PictureInfo();
    info.kind = kind;
    info.opened = true;
  }
  if (info.width <= 0 || info.height <= 0) {
    info.width = info.height = 0;
    info.colours = 0;
  }
  return info;
}

PictureInfo ReadPictureInfo(const std::string& path, int screen_ppi) {
  const ViewingCopy copy(path);
  TFastFileIO io;
  if (!copy.Ok() || !io.Open(copy.Path())) {
    PictureInfo info;
    info.kind = KindFromName(path);
    return info;
  }
  return ReadPictureInfoFrom(io, path, copy.Path(), screen_ppi);
}

}  // namespace vr::picture
