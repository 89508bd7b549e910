#!/usr/bin/env bash
# Colour reduction and rotation, ours beside the peer tools, in one run:
#   - the corpus's 12 MP big picture to 256 and 16 colours with Floyd-Steinberg and to 256 by
#     remapping: time and PSNR for ours, ImageMagick and pngquant;
#   - 90-degree rotation of the same picture (24 bits) against single-threaded libvips;
#   - rotation of a 30000 x 20000 8-bit picture with its peak resident memory.
# Usage: bench/colour/run.sh [build-dir]   (default build-bench-colour next to the sources)
set -euo pipefail

SRC="${VR_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
BUILD="${1:-$SRC/build-bench-colour}"
CORPUS="${VR_CORPUS:-/tmp/vcorpus}"
WORK="$(mktemp -d /tmp/vr-colour-bench.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT

# Peer tools, installed only when missing.
need=()
for pair in convert:imagemagick pngquant:pngquant vips:libvips-tools compare:imagemagick; do
  command -v "/usr/bin/${pair%%:*}" >/dev/null 2>&1 || need+=("${pair#*:}")
done
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${need[@]}"
fi

if [ ! -f "$CORPUS/big.png" ] || [ ! -f "$CORPUS/big.bmp" ]; then
  /usr/bin/python3 /work/shared/bench/make_corpus.py --out "$CORPUS" --only big
fi

if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$SRC" -B "$BUILD" -G Ninja -DVR_BENCH=ON -DVR_GUI=OFF -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$BUILD" -j2 --target vr_colour_bench vr_rotate_big veldrimon-tool

BENCH="$BUILD/bench/colour/vr_colour_bench"
TOOL="$BUILD/tools/veldrimon-tool"
CONVERT=/usr/bin/convert

# Seconds of wall and CPU (user + system) time of one command, as "wall cpu".
timed() {
  /usr/bin/time -o "$WORK/time.txt" -f "%e %U %S" "$@" >/dev/null 2>&1 || true
  tail -1 "$WORK/time.txt" | awk '{printf "%.2f %.2f", $1, $2 + $3}'
}
psnr() { compare -metric PSNR "$CORPUS/big.png" "$1" null: 2>&1 | awk '{print $1}'; }

echo "== load: $(cut -d' ' -f1-3 /proc/loadavg) (2 cores shared; compare CPU seconds when loaded)"
echo "== ours, in process (Google Benchmark; decode of the source not counted)"
"$BENCH" --picture="$CORPUS/big.bmp"

echo "== ours through veldrimon-tool convert (the same PNG read and BMP write as the peers)"
base=$(timed "$TOOL" convert "$CORPUS/big.png" "$WORK/ours_base.bmp")
echo "ours      read+write baseline: wall/cpu s $base"
for job in "256 --dither" "16 --dither" "256 --remap"; do
  set -- $job
  t=$(timed "$TOOL" convert "$CORPUS/big.png" "$WORK/ours.bmp" --colours "$1" "$2")
  echo "ours      $1 $2: wall/cpu s $t  PSNR $(psnr "$WORK/ours.bmp")"
done

echo "== peers (whole process; the baseline is the same read and write without reduction)"
base=$(timed "$CONVERT" "$CORPUS/big.png" "bmp3:$WORK/base.bmp")
echo "convert   read+write baseline: wall/cpu s $base"
for n in 256 16; do
  t=$(timed "$CONVERT" "$CORPUS/big.png" -dither FloydSteinberg -colors "$n" "bmp3:$WORK/im.bmp")
  echo "convert   $n FloydSteinberg: wall/cpu s $t  PSNR $(psnr "$WORK/im.bmp")"
done
t=$(timed "$CONVERT" "$CORPUS/big.png" -dither None -colors 256 "bmp3:$WORK/im.bmp")
echo "convert   256 no dither: wall/cpu s $t  PSNR $(psnr "$WORK/im.bmp")"
for n in 256 16; do
  t=$(timed pngquant --force --output "$WORK/pq.png" "$n" "$CORPUS/big.png")
  echo "pngquant  $n (dithered): wall/cpu s $t  PSNR $(psnr "$WORK/pq.png")"
done
t=$(timed pngquant --force --nofs --output "$WORK/pq.png" 256 "$CORPUS/big.png")
echo "pngquant  256 --nofs: wall/cpu s $t  PSNR $(psnr "$WORK/pq.png")"

echo "== rotation 12 MP 24-bit: libvips single-threaded from its own format (ours: BM_Rotate24 above)"
vips copy "$CORPUS/big.png" "$WORK/big.v"
echo "vips copy baseline: wall/cpu s $(timed env VIPS_CONCURRENCY=1 vips copy "$WORK/big.v" "$WORK/copy.v")"
echo "vips rot d90:       wall/cpu s $(timed env VIPS_CONCURRENCY=1 vips rot "$WORK/big.v" "$WORK/rot.v" d90)"
rm -f "$WORK"/*.v

echo "== rotation 30000 x 20000 8-bit, peak memory"
TMPDIR="$WORK" "$BUILD/bench/colour/vr_rotate_big"
