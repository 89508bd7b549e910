#!/usr/bin/env bash
# Colour reduction and rotation, ours beside the peer tools, in one run:
#   - three photographs (the corpus's 12 MP photo and two 2000 x 1072 ones that make_photos.py
#     writes: a noise-free landscape with a sky gradient and fine texture, and a low-key
#     portrait-like scene) reduced to 256 and 16 colours, with Floyd-Steinberg and without:
#     whole-process time and PSNR for ours (veldrimon-tool), ImageMagick and pngquant, in one table
#     (ours and ImageMagick: the median of three runs);
#   - the in-process reduction of the 12 MP photo (Google Benchmark);
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

# The same as the median of three runs (wall and CPU each): on this shared virtual machine the
# system time of a run that touches fresh memory now and then jumps by a few tenths of a second.
timed3() {
  local runs
  runs=$(for _ in 1 2 3; do timed "$@"; echo; done)
  printf '%s %s' "$(awk '{print $1}' <<<"$runs" | sort -n | sed -n 2p)" \
    "$(awk '{print $2}' <<<"$runs" | sort -n | sed -n 2p)"
}

PHOTOS="${VR_PHOTOS:-/tmp/vr-photos}"
if [ ! -f "$PHOTOS/landscape.png" ] || [ ! -f "$PHOTOS/portrait.png" ]; then
  /usr/bin/python3 "$SRC/bench/colour/make_photos.py" "$PHOTOS"
fi

echo "== load: $(cut -d' ' -f1-3 /proc/loadavg) (2 cores shared; compare CPU seconds when loaded)"
echo "== whole process: PNG in, reduced picture out (ours and ImageMagick write BMP, pngquant PNG)"
printf '%-10s %6s %-6s %-9s %7s %7s %8s\n' photo colours dither tool "wall s" "cpu s" "PSNR dB"
for photo in "$CORPUS/big.png" "$PHOTOS/landscape.png" "$PHOTOS/portrait.png"; do
  name=$(basename "$photo" .png)
  psnr() { compare -metric PSNR "$photo" "$1" null: 2>&1 | awk '{print $1}'; }
  row() { printf '%-10s %6s %-6s %-9s %7s %7s %8s\n' "$name" "$1" "$2" "$3" $4 "$(psnr "$5")"; }
  for n in 256 16; do
    for dither in fs none; do
      if [ "$dither" = fs ]; then ours=--dither; im=FloydSteinberg; pq=(); else ours=--remap; im=None; pq=(--nofs); fi
      row "$n" "$dither" ours "$(timed3 "$TOOL" convert "$photo" "$WORK/ours.bmp" --colours "$n" "$ours")" "$WORK/ours.bmp"
      row "$n" "$dither" magick "$(timed3 "$CONVERT" "$photo" -dither "$im" -colors "$n" "bmp3:$WORK/im.bmp")" "$WORK/im.bmp"
      row "$n" "$dither" pngquant "$(timed pngquant --force "${pq[@]}" --output "$WORK/pq.png" "$n" "$photo")" "$WORK/pq.png"
    done
  done
  printf '%-10s %6s %-6s %-9s %7s %7s\n' "$name" - - "ours r+w" $(timed "$TOOL" convert "$photo" "$WORK/base.bmp")
  printf '%-10s %6s %-6s %-9s %7s %7s\n' "$name" - - "magick rw" $(timed "$CONVERT" "$photo" "bmp3:$WORK/base.bmp")
done
echo "(r+w, rw: the same read and write without reduction)"

echo "== load: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "== ours, in process (Google Benchmark; decode of the source not counted)"
"$BENCH" --picture="$CORPUS/big.bmp"

echo "== rotation 12 MP 24-bit: libvips single-threaded from its own format (ours: BM_Rotate24 above)"
vips copy "$CORPUS/big.png" "$WORK/big.v"
echo "vips copy baseline: wall/cpu s $(timed env VIPS_CONCURRENCY=1 vips copy "$WORK/big.v" "$WORK/copy.v")"
echo "vips rot d90:       wall/cpu s $(timed env VIPS_CONCURRENCY=1 vips rot "$WORK/big.v" "$WORK/rot.v" d90)"
rm -f "$WORK"/*.v

echo "== rotation 30000 x 20000 8-bit, peak memory"
TMPDIR="$WORK" "$BUILD/bench/colour/vr_rotate_big"
