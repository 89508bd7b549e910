/* Peer figure: giflib's DGifSlurp plus a palette lookup into RGB, timed in-process.
   usage: giflib_decode file.gif [repeats] */
#include <gif_lib.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static double Now(clockid_t clock) {
  struct timespec ts;
  clock_gettime(clock, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: %s file.gif [repeats]\n", argv[0]);
    return 2;
  }
  const int repeats = argc > 2 ? atoi(argv[2]) : 5;
  double best = 1e30, best_cpu = 1e30, total_pixels = 0;
  unsigned long checksum = 0;
  for (int r = 0; r < repeats; ++r) {
    const double start = Now(CLOCK_MONOTONIC);
    const double start_cpu = Now(CLOCK_PROCESS_CPUTIME_ID);
    int error = 0;
    GifFileType* gif = DGifOpenFileName(argv[1], &error);
    if (gif == NULL || DGifSlurp(gif) != GIF_OK) {
      fprintf(stderr, "giflib cannot read %s\n", argv[1]);
      return 1;
    }
    double pixels = 0;
    unsigned char* rgb = NULL;
    size_t rgb_size = 0;
    for (int i = 0; i < gif->ImageCount; ++i) {
      const SavedImage* image = &gif->SavedImages[i];
      const ColorMapObject* map =
          image->ImageDesc.ColorMap ? image->ImageDesc.ColorMap : gif->SColorMap;
      const size_t n = (size_t)image->ImageDesc.Width * image->ImageDesc.Height;
      if (n * 3 > rgb_size) {
        free(rgb);
        rgb_size = n * 3;
        rgb = malloc(rgb_size);
      }
      for (size_t p = 0; p < n; ++p) {
        const GifColorType c = map->Colors[image->RasterBits[p] % map->ColorCount];
        rgb[p * 3] = c.Red;
        rgb[p * 3 + 1] = c.Green;
        rgb[p * 3 + 2] = c.Blue;
      }
      checksum += rgb[n / 2 * 3];
      pixels += (double)n;
    }
    free(rgb);
    DGifCloseFile(gif, &error);
    const double t = Now(CLOCK_MONOTONIC) - start;
    const double t_cpu = Now(CLOCK_PROCESS_CPUTIME_ID) - start_cpu;
    if (t < best) best = t;
    if (t_cpu < best_cpu) best_cpu = t_cpu;
    total_pixels = pixels;
  }
  printf("giflib DGifSlurp+palette %s: best %.1f ms wall, %.1f ms CPU; %.1f MP/s wall, "
         "%.1f MP/s CPU (checksum %lu)\n",
         argv[1], best * 1e3, best_cpu * 1e3, total_pixels / 1e6 / best,
         total_pixels / 1e6 / best_cpu, checksum);
  return 0;
}
