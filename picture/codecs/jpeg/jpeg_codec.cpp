#include "picture/codecs/jpeg/jpeg_codec.h"

#include "picture/codecs/jpeg/libjpeg_setup.h"

#include <jerror.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <csetjmp>
#include <cstring>
#include <vector>

#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/convert.h"
#include "picture/decode_progress.h"
#include "platform/files.h"

namespace vr::codecs {

using picture::PixelFormat;
using picture::Rgb;

namespace {

// Progressive files may hold any number of scans; beyond this many they are hostile, and each
// scan would cost a pass over the whole picture.
constexpr int kMostScans = 1000;
// Entropy-coded data of flat pictures can be very small; more than this many bytes of pixels
// per byte of file is not a picture but a trap.
constexpr uint64_t kMostPixelBytesPerFileByte = 1024;

struct ProgressMonitor {
  jpeg_progress_mgr pub;
  JpegErrorTrap* errors;
};

void OnProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMostScans) {
    auto* monitor = reinterpret_cast<ProgressMonitor*>(cinfo->progress);
    FailJpeg(*monitor->errors, "Too many scans in JPEG file");
  }
}

struct Source {
  std::FILE* file = nullptr;
  const uint8_t* data = nullptr;
  size_t size = 0;
};

void AttachSource(j_decompress_ptr cinfo, const Source& source) {
  if (source.file != nullptr) {
    jpeg_stdio_src(cinfo, source.file);
  } else {
    // An empty block still needs a valid pointer; libjpeg reports the missing data itself.
    static const uint8_t kNothing[2] = {0, 0};
    jpeg_mem_src(cinfo, source.size != 0 ? source.data : kNothing,
                 static_cast<unsigned long>(source.size));
  }
}

int NormalisedDenom(int denom) {
  if (denom <= 1) return 1;
  if (denom <= 2) return 2;
  if (denom <= 4) return 4;
  return 8;
}

// The largest reduction (8, 4, 2 or 1) whose output still covers a box of the given size.
int DenomCovering(JDIMENSION width, JDIMENSION height, int box_width, int box_height) {
  int denom = 8;
  while (denom > 1 && (static_cast<int64_t>((width + denom - 1) / denom) < box_width ||
                       static_cast<int64_t>((height + denom - 1) / denom) < box_height)) {
    denom /= 2;
  }
  return denom;
}

// Four-component pixels as blue-green-red. Files with an Adobe marker (Photoshop and every
// program that follows it, libjpeg's YCCK included) store the inks inverted, 255 meaning no ink;
// without the marker the values are plain ink amounts.
void CmykRowToBgr(const uint8_t* cmyk, uint8_t* bgr, JDIMENSION width, bool inverted) {
  const unsigned flip = inverted ? 0 : 255;
  for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    const unsigned k = cmyk[3] ^ flip;
    bgr[0] = static_cast<uint8_t>(((cmyk[2] ^ flip) * k + 127) / 255);
    bgr[1] = static_cast<uint8_t>(((cmyk[1] ^ flip) * k + 127) / 255);
    bgr[2] = static_cast<uint8_t>(((cmyk[0] ^ flip) * k + 127) / 255);
  }
}

// Every row of the output is written by the decode (its padding and any rows a broken stream
// leaves are cleared afterwards), so the Bitmap is not zero-filled first, and one of the same
// size and format (the holder of the previous picture of a slide show or thumbnail run) keeps
// its memory.
bool Prepare(Bitmap& bitmap, int width, int height, PixelFormat format) {
  return bitmap.Reshape(width, height, format);
}

// The whole decode runs in this one frame so that a longjmp from libjpeg lands where no C++
// object of its own is alive; `bitmap` belongs to the caller.
ReadResult Decode(const Source& source, uint64_t source_size, Bitmap& bitmap,
                  const JpegDecodeSettings& settings) {
  ReadResult result;
  jpeg_decompress_struct cinfo;
  JpegErrorTrap errors;
  ProgressMonitor monitor;
  std::memset(&cinfo, 0, sizeof cinfo);
  InstallJpegErrorTrap(reinterpret_cast<j_common_ptr>(&cinfo), errors);
  monitor.pub.progress_monitor = OnProgress;
  monitor.errors = &errors;
  volatile bool created = false;
  if (setjmp(errors.jump)) {
    if (created) jpeg_destroy_decompress(&cinfo);
    bitmap.MakeFailure();
    result.depth = 0;
    result.error = errors.message[0] != '\0' ? errors.message : "JPEG decode error";
    return result;
  }
  jpeg_create_decompress(&cinfo);
  created = true;
  cinfo.mem->max_memory_to_use =
      static_cast<long>(std::min<size_t>(picture::MemoryBudget(), static_cast<size_t>(LONG_MAX)));
  cinfo.progress = &monitor.pub;
  AttachSource(&cinfo, source);
  jpeg_read_header(&cinfo, TRUE);

  cinfo.scale_num = 1;
  cinfo.scale_denom = static_cast<unsigned int>(
      settings.cover_width > 0 || settings.cover_height > 0
          ? DenomCovering(cinfo.image_width, cinfo.image_height, settings.cover_width,
                          settings.cover_height)
          : NormalisedDenom(settings.scale_denom));
  cinfo.dct_method = settings.best_quality ? JDCT_ISLOW : JDCT_IFAST;
  cinfo.do_fancy_upsampling = settings.best_quality ? TRUE : FALSE;
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  const bool grey = settings.grayscale || cinfo.num_components == 1;
  const bool quantized = !grey && !cmyk && settings.output_bits == 8;
  if (grey) {
    cinfo.out_color_space = JCS_GRAYSCALE;
  } else if (cmyk) {
    cinfo.out_color_space = JCS_CMYK;
  } else if (quantized) {
    cinfo.out_color_space = JCS_RGB;
    cinfo.quantize_colors = TRUE;
    cinfo.two_pass_quantize = TRUE;
    cinfo.dither_mode = JDITHER_FS;
    cinfo.desired_number_of_colors = 256;
  } else {
    cinfo.out_color_space = JCS_EXT_BGR;
  }
  jpeg_calc_output_dimensions(&cinfo);
  const PixelFormat format = (grey || quantized) ? PixelFormat::k8 : PixelFormat::k24;
  const uint64_t claimed =
      uint64_t{picture::RowStride(static_cast<int>(cinfo.output_width), format)} *
      cinfo.output_height;
  if (cinfo.output_width > INT32_MAX || cinfo.output_height > INT32_MAX ||
      !ClaimPlausible(claimed, source_size, kMostPixelBytesPerFileByte) ||
      !Prepare(bitmap, static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height),
               format)) {
    FailJpeg(errors, "JPEG picture too large");
  }
  jpeg_start_decompress(&cinfo);

  if (grey) {
    std::vector<Rgb>& palette = bitmap.Palette();
    palette.resize(256);
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<uint8_t>(i);
      palette[i] = Rgb{v, v, v};
    }
  } else if (quantized) {
    std::vector<Rgb>& palette = bitmap.Palette();
    palette.assign(256, Rgb{});
    for (int i = 0; i < cinfo.actual_number_of_colors && i < 256; ++i) {
      palette[i] = Rgb{cinfo.colormap[0][i], cinfo.colormap[1][i], cinfo.colormap[2][i]};
    }
  }
  if (cmyk) {
    JSAMPARRAY scratch = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                    JPOOL_IMAGE, cinfo.output_width * 4, 1);
    while (cinfo.output_scanline < cinfo.output_height) {
      const JDIMENSION y = cinfo.output_scanline;
      if (jpeg_read_scanlines(&cinfo, scratch, 1) != 1) break;
      CmykRowToBgr(scratch[0], bitmap.Row(static_cast<int>(y)), cinfo.output_width,
                   cinfo.saw_Adobe_marker != 0);
      picture::ReportDecodeRow(cinfo.output_scanline, cinfo.output_height);
    }
  } else {
    // Several rows a call, straight into the Bitmap: libjpeg hands out a whole row group at once
    // instead of going back through its buffers for every row.
    constexpr JDIMENSION kRowsPerCall = 16;
    JSAMPROW rows[kRowsPerCall];
    while (cinfo.output_scanline < cinfo.output_height) {
      const JDIMENSION y = cinfo.output_scanline;
      const JDIMENSION n = std::min(kRowsPerCall, cinfo.output_height - y);
      for (JDIMENSION i = 0; i < n; ++i) rows[i] = bitmap.Row(static_cast<int>(y + i));
      if (jpeg_read_scanlines(&cinfo, rows, n) == 0) break;
      picture::ReportDecodeRow(cinfo.output_scanline, cinfo.output_height);
    }
  }
  // Rows a suspended or broken stream never delivered, and every row's padding, read as 0.
  const size_t row_bytes =
      static_cast<size_t>(cinfo.output_width) * (format == PixelFormat::k24 ? 3 : 1);
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* row = bitmap.Row(y);
    if (static_cast<JDIMENSION>(y) >= cinfo.output_scanline) {
      std::memset(row, 0, bitmap.Stride());
    } else if (bitmap.Stride() > row_bytes) {
      std::memset(row + row_bytes, 0, bitmap.Stride() - row_bytes);
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  result.depth = cinfo.num_components == 1 ? 8 : 24;
  return result;
}


// The data of one marker segment (its length field counts itself) and the most an ICC profile
// may take in the 255 APP2 segments a file can chain.
constexpr size_t kMostMarkerBytes = 65533;
constexpr size_t kMostIccBytes = 255 * (kMostMarkerBytes - 14);

// Compresses the whole picture into the destination already attached to `cinfo`; libjpeg's
// errors jump to the caller's trap (nothing here needs unwinding).
void Compress(jpeg_compress_struct& cinfo, const Bitmap& bitmap, const JpegSaveOptions& options,
              const JpegMetadata* metadata) {
  cinfo.image_width = static_cast<JDIMENSION>(bitmap.Width());
  cinfo.image_height = static_cast<JDIMENSION>(bitmap.Height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo,
                   options.quality < 1 ? 1 : (options.quality > 100 ? 100 : options.quality), TRUE);
  if (options.grayscale) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
  const bool exif = metadata != nullptr && !metadata->exif.empty() &&
                    metadata->exif.size() <= kMostMarkerBytes;
  if (exif) cinfo.write_JFIF_header = FALSE;
  jpeg_start_compress(&cinfo, TRUE);
  if (exif) {
    jpeg_write_marker(&cinfo, JPEG_APP0 + 1, metadata->exif.data(),
                      static_cast<unsigned int>(metadata->exif.size()));
  }
  if (metadata != nullptr && !metadata->icc.empty() && metadata->icc.size() <= kMostIccBytes) {
    jpeg_write_icc_profile(&cinfo, metadata->icc.data(),
                           static_cast<unsigned int>(metadata->icc.size()));
  }
  JSAMPARRAY line = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                               cinfo.image_width * 3, 1);
  const bool direct = bitmap.Format() == PixelFormat::k24;
  while (cinfo.next_scanline < cinfo.image_height) {
    const int y = static_cast<int>(cinfo.next_scanline);
    JSAMPROW row = line[0];
    if (direct) {
      row = const_cast<JSAMPROW>(bitmap.Row(y));
    } else {
      picture::ExpandRowTo24(bitmap, y, line[0]);
    }
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
}

}  // namespace

int JpegScaleForWidth(int width, int target) {
  if (target <= 0) return 1;
  const int64_t w = width;
  const int64_t s = target;
  if (w > 8 * s) return 8;  // libjpeg goes no lower than 1/8 (asked for 1/16 or 1/32 too)
  if (w > 4 * s) return 4;
  if (w > 2 * s) return 2;
  return 1;
}

namespace {

JpegHeaderFacts ReadHeader(const Source& source) {
  JpegHeaderFacts facts;
  jpeg_decompress_struct cinfo;
  JpegErrorTrap errors;
  std::memset(&cinfo, 0, sizeof cinfo);
  InstallJpegErrorTrap(reinterpret_cast<j_common_ptr>(&cinfo), errors);
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&cinfo);
    facts.ok = false;
    facts.error = errors.message;
    return facts;
  }
  jpeg_create_decompress(&cinfo);
  AttachSource(&cinfo, source);
  jpeg_read_header(&cinfo, TRUE);
  const JDIMENSION width = cinfo.image_width;
  const JDIMENSION height = cinfo.image_height;
  const int components = cinfo.num_components;
  const bool progressive = cinfo.progressive_mode != 0;
  jpeg_destroy_decompress(&cinfo);
  facts.width = static_cast<int>(std::min<JDIMENSION>(width, INT32_MAX));
  facts.height = static_cast<int>(std::min<JDIMENSION>(height, INT32_MAX));
  facts.components = components;
  facts.progressive = progressive;
  facts.ok = true;
  return facts;
}

}  // namespace

namespace {

// Reads the saved markers of `file` into `metadata`; false when libjpeg gave up on the headers.
// The whole libjpeg part runs in this one frame, as the decode does.
bool ReadMarkers(std::FILE* file, JpegMetadata& metadata) {
  jpeg_decompress_struct cinfo;
  JpegErrorTrap errors;
  std::memset(&cinfo, 0, sizeof cinfo);
  InstallJpegErrorTrap(reinterpret_cast<j_common_ptr>(&cinfo), errors);
  if (setjmp(errors.jump)) {
    // libjpeg fails only inside the header read, before a profile is handed out.
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_stdio_src(&cinfo, file);
  jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
  jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
  jpeg_read_header(&cinfo, TRUE);
  JOCTET* icc = nullptr;
  unsigned int icc_size = 0;
  if (jpeg_read_icc_profile(&cinfo, &icc, &icc_size) && icc != nullptr) {
    metadata.icc.assign(icc, icc + icc_size);
  }
  std::free(icc);
  for (jpeg_saved_marker_ptr m = cinfo.marker_list; m != nullptr; m = m->next) {
    if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 && m->data_length == m->original_length &&
        std::memcmp(m->data, "Exif\0\0", 6) == 0) {
      metadata.exif.assign(m->data, m->data + m->data_length);
      break;
    }
  }
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

JpegMetadata ReadJpegMetadata(const std::string& path) {
  JpegMetadata metadata;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return metadata;
  if (!ReadMarkers(file, metadata)) metadata = JpegMetadata();
  std::fclose(file);
  return metadata;
}

JpegHeaderFacts ReadJpegHeader(const std::string& path) {
  Source source;
  source.file = std::fopen(path.c_str(), "rb");
  if (source.file == nullptr) {
    JpegHeaderFacts facts;
    facts.error = "Cannot open file";
    return facts;
  }
  JpegHeaderFacts facts = ReadHeader(source);
  std::fclose(source.file);
  return facts;
}

JpegHeaderFacts ReadJpegHeaderMemory(const uint8_t* data, size_t size) {
  Source source;
  source.data = data;
  source.size = data != nullptr ? size : 0;
  return ReadHeader(source);
}

ReadResult LoadJpeg(const std::string& path, Bitmap& bitmap, const JpegDecodeSettings& settings) {
  Source source;
  source.file = std::fopen(path.c_str(), "rb");
  if (source.file == nullptr) {
    ReadResult result;
    result.error = "Cannot open file";
    bitmap.MakeFailure();
    return result;
  }
  std::fseek(source.file, 0, SEEK_END);
  const long end = std::ftell(source.file);
  std::fseek(source.file, 0, SEEK_SET);
  ReadResult result = Decode(source, end > 0 ? static_cast<uint64_t>(end) : 0, bitmap, settings);
  std::fclose(source.file);
  return result;
}

ReadResult LoadJpegMemory(const uint8_t* data, size_t size, Bitmap& bitmap,
                          const JpegDecodeSettings& settings) {
  Source source;
  source.data = data;
  source.size = data != nullptr ? size : 0;
  return Decode(source, source.size, bitmap, settings);
}

WriteResult SaveJpeg(const std::string& path, const Bitmap& bitmap,
                     const JpegSaveOptions& options, const JpegMetadata* metadata) {
  WriteResult result;
  if (bitmap.Empty()) {
    result.error = "Nothing to save";
    return result;
  }
  // Written beside the target and renamed over it: a failed save leaves the old file whole.
  platform::AtomicFileWriter out;
  std::FILE* file = out.Open(path) ? out.OpenStream() : nullptr;
  if (file == nullptr) {
    result.error = "Cannot create file";
    return result;
  }
  jpeg_compress_struct cinfo;
  JpegErrorTrap errors;
  std::memset(&cinfo, 0, sizeof cinfo);
  InstallJpegErrorTrap(reinterpret_cast<j_common_ptr>(&cinfo), errors);
  if (setjmp(errors.jump)) {
    const bool write_failed = errors.pub.msg_code == JERR_FILE_WRITE;
    jpeg_destroy_compress(&cinfo);
    std::fclose(file);
    out.Discard();
    result.ok = false;
    result.error = write_failed ? "Stream write error" : errors.message;
    return result;
  }
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  Compress(cinfo, bitmap, options, metadata);
  jpeg_destroy_compress(&cinfo);
  const bool flushed = std::fflush(file) == 0 && !std::ferror(file);
  const bool closed = std::fclose(file) == 0;
  if (!flushed || !closed || !out.Commit()) {
    out.Discard();
    result.error = "Stream write error";
    return result;
  }
  result.ok = true;
  return result;
}

}  // namespace vr::codecs

namespace vr::codecs {

std::vector<uint8_t> EncodeJpegMemory(const Bitmap& bitmap, const JpegSaveOptions& options) {
  if (bitmap.Empty()) return {};
  jpeg_compress_struct cinfo;
  JpegErrorTrap errors;
  std::memset(&cinfo, 0, sizeof cinfo);
  InstallJpegErrorTrap(reinterpret_cast<j_common_ptr>(&cinfo), errors);
  unsigned char* buffer = nullptr;
  unsigned long buffer_size = 0;
  if (setjmp(errors.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return {};
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &buffer, &buffer_size);
  Compress(cinfo, bitmap, options, nullptr);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> bytes(buffer, buffer + buffer_size);
  std::free(buffer);
  return bytes;
}

}  // namespace vr::codecs
