// The decode-only bound of the thumbnail job: every JPEG of a folder decoded by libjpeg-turbo at
// 1/8 scale in this one process, on one thread, the pixels thrown away. Prints the file count
// and the wall and CPU seconds taken (the files are read into memory first; reading is not
// counted).
//
//   vr_bench_jpeg_bound FOLDER
#include <cstddef>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Trap {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

void OnError(j_common_ptr info) { std::longjmp(reinterpret_cast<Trap*>(info->err)->jump, 1); }

// Decodes one file at 1/8 scale into `row` (grown as needed). False when the file is not a JPEG.
bool Decode(const std::vector<unsigned char>& data, std::vector<unsigned char>& row) {
  jpeg_decompress_struct info;
  Trap trap;
  info.err = jpeg_std_error(&trap.manager);
  trap.manager.error_exit = OnError;
  if (setjmp(trap.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&info, TRUE);
  info.scale_num = 1;
  info.scale_denom = 8;
  info.out_color_space = JCS_RGB;
  // The quickest settings the library has: at 1/8 the transform is the DC term alone anyway.
  info.dct_method = JDCT_IFAST;
  info.do_fancy_upsampling = FALSE;
  jpeg_start_decompress(&info);
  const size_t stride = size_t{info.output_width} * info.output_components;
  if (row.size() < stride) row.resize(stride);
  JSAMPROW rows[1] = {row.data()};
  while (info.output_scanline < info.output_height) jpeg_read_scanlines(&info, rows, 1);
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: vr_bench_jpeg_bound FOLDER\n");
    return 2;
  }
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
    const std::string ext = entry.path().extension().string();
    if (entry.is_regular_file() && (ext == ".jpg" || ext == ".JPG" || ext == ".jpeg"))
      names.push_back(entry.path().string());
  }
  std::sort(names.begin(), names.end());
  std::vector<std::vector<unsigned char>> files;
  for (const std::string& name : names) {
    std::ifstream in(name, std::ios::binary);
    files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::vector<unsigned char> row;
  int decoded = 0;
  const auto start = std::chrono::steady_clock::now();
  const std::clock_t cpu_start = std::clock();
  for (const auto& data : files) decoded += Decode(data, row) ? 1 : 0;
  const double cpu = double(std::clock() - cpu_start) / CLOCKS_PER_SEC;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%d files, wall %.3f s, cpu %.3f s\n", decoded, seconds, cpu);
  return decoded == static_cast<int>(files.size()) ? 0 : 1;
}
