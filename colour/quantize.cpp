// Palette choice through libjpeg: the picture goes through an in-memory JPEG and comes back with
// the two-pass colour quantizer asked for N colours. Only the pre-pass (the histogram and the
// colour map) is run; the mapping itself is ours.

#include <cstddef>
#include <cstdlib>
#include <vector>

#include "colour/reduce.h"
#include "picture/codecs/jpeg/libjpeg_setup.h"

namespace vr::colour {
namespace {

// libjpeg refuses sides above this; larger pictures are sampled down for the palette choice.
constexpr int kJpegMaxSide = 65500;

// Compresses rows of `bgr` into a memory buffer. No C++ objects live across the setjmp.
bool Compress(const Bitmap& bgr, int quality, int step_x, int step_y, unsigned char** out,
              unsigned long* out_size, unsigned char* sample_row) {
  jpeg_compress_struct cinfo;
  codecs::JpegErrorTrap trap;
  codecs::InstallJpegErrorTrap(reinterpret_cast<j_common_ptr>(&cinfo), trap);
  if (setjmp(trap.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, out, out_size);
  const int width = (bgr.Width() + step_x - 1) / step_x;
  const int height = (bgr.Height() + step_y - 1) / step_y;
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
#ifdef JCS_EXTENSIONS
  cinfo.in_color_space = JCS_EXT_BGR;
  const bool swap = false;
#else
  cinfo.in_color_space = JCS_RGB;
  const bool swap = true;
#endif
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  cinfo.dct_method = JDCT_IFAST;  // the palette is refined afterwards; speed matters more here
  jpeg_start_compress(&cinfo, TRUE);
  for (int y = 0; y < height; ++y) {
    const uint8_t* src = bgr.Row(y * step_y);
    JSAMPROW row;
    if (step_x == 1 && !swap) {
      row = const_cast<JSAMPROW>(src);
    } else {
      for (int x = 0; x < width; ++x) {
        const uint8_t* p = src + static_cast<size_t>(x) * step_x * 3;
        sample_row[3 * x] = swap ? p[2] : p[0];
        sample_row[3 * x + 1] = p[1];
        sample_row[3 * x + 2] = swap ? p[0] : p[2];
      }
      row = sample_row;
    }
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

// Runs the quantizer's pre-pass and copies out its colour map (red, green, blue triples).
int ColourMap(const unsigned char* data, unsigned long size, int colours, uint8_t* map) {
  jpeg_decompress_struct cinfo;
  codecs::JpegErrorTrap trap;
  codecs::InstallJpegErrorTrap(reinterpret_cast<j_common_ptr>(&cinfo), trap);
  if (setjmp(trap.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return 0;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, size);
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  cinfo.quantize_colors = TRUE;
  cinfo.two_pass_quantize = TRUE;
  cinfo.dither_mode = JDITHER_NONE;
  cinfo.desired_number_of_colors = colours;
  cinfo.dct_method = JDCT_IFAST;
  cinfo.do_fancy_upsampling = FALSE;
  jpeg_start_decompress(&cinfo);  // the pre-pass reads the whole picture into the histogram
  int count = 0;
  if (cinfo.colormap != nullptr && cinfo.out_color_components == 3) {
    count = cinfo.actual_number_of_colors;
    for (int i = 0; i < count; ++i) {
      map[3 * i] = cinfo.colormap[0][i];
      map[3 * i + 1] = cinfo.colormap[1][i];
      map[3 * i + 2] = cinfo.colormap[2][i];
    }
  }
  jpeg_abort_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return count;
}

}  // namespace

bool QuantizerPalette(const Bitmap& bgr24, int colours, int quality, std::vector<Rgb>* palette) {
  palette->clear();
  if (bgr24.Empty() || bgr24.Format() != picture::PixelFormat::k24 || colours < 8 ||
      colours > 256) {
    return false;
  }
  const int step_x = bgr24.Width() / kJpegMaxSide + 1;
  const int step_y = bgr24.Height() / kJpegMaxSide + 1;
  std::vector<unsigned char> sample_row(static_cast<size_t>(bgr24.Width() / step_x + 1) * 3);
  unsigned char* data = nullptr;
  unsigned long size = 0;
  const bool made = Compress(bgr24, quality, step_x, step_y, &data, &size, sample_row.data());
  int count = 0;
  uint8_t map[256 * 3];
  if (made) count = ColourMap(data, size, colours, map);
  std::free(data);
  for (int i = 0; i < count; ++i)
    palette->push_back(Rgb{map[3 * i], map[3 * i + 1], map[3 * i + 2]});
  return count > 0;
}

}  // namespace vr::colour
