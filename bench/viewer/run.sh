#!/usr/bin/env bash
# The viewer: process start to the first paint of the corpus's big.jpg in the fit view (offscreen),
# the fit view's repaint with and without a size change, and the bare JPEG decode, with djpeg's
# whole-process decode of the same file beside them.
# Usage: bench/viewer/run.sh [build-dir]   (default build-bench-viewer next to the sources)
set -euo pipefail

SRC="${VR_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
BUILD="${1:-$SRC/build-bench-viewer}"
CORPUS="${VR_CORPUS:-/tmp/vcorpus}"

need=()
command -v /usr/bin/djpeg >/dev/null 2>&1 || need+=(libjpeg-turbo-progs)
dpkg -s libbenchmark-dev >/dev/null 2>&1 || need+=(libbenchmark-dev)
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${need[@]}"
fi

if [ ! -f "$CORPUS/big.jpg" ]; then
  /usr/bin/python3 /work/shared/bench/make_corpus.py --out "$CORPUS" --only big
fi

if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$SRC" -B "$BUILD" -G Ninja -DVR_BENCH=ON -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$BUILD" -j2 --target veldrimon vr_viewer_bench

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/instance"
printf '[General]\nMultiLoad=0\nSetup=YES\nVersion=Veldrimon 2.1.3\nDate_UpdateMessageShown=99999\n' \
  > "$work/home/VELDR.INI"

echo "== start to first paint of big.jpg (fit view, offscreen), 9 runs after one to warm the caches"
QT_QPA_PLATFORM=offscreen VELDRIMON_HOME="$work/home" VELDRIMON_INSTANCE_DIR="$work/instance" \
  VELDRIMON_NO_REGISTRATION=1 VELDRIMON_BENCH_FIRST_PAINT=1 \
  "$BUILD/app/veldrimon" "$CORPUS/big.jpg" >/dev/null 2>&1
for _ in 1 2 3 4 5 6 7 8 9; do
  QT_QPA_PLATFORM=offscreen VELDRIMON_HOME="$work/home" VELDRIMON_INSTANCE_DIR="$work/instance" \
    VELDRIMON_NO_REGISTRATION=1 VELDRIMON_BENCH_FIRST_PAINT=1 \
    "$BUILD/app/veldrimon" "$CORPUS/big.jpg" 2>/dev/null
done | tee "$work/first_paint.txt"

echo "== djpeg whole process, full decode of big.jpg, 5 runs (ms)"
for _ in 1 2 3 4 5; do
  t0=$(date +%s%N); /usr/bin/djpeg -outfile /dev/null "$CORPUS/big.jpg"; t1=$(date +%s%N)
  echo "djpeg_ms $(( (t1 - t0) / 1000000 ))"
done

echo "== repaint and decode (in process)"
QT_QPA_PLATFORM=offscreen VR_BENCH_PICTURE="$CORPUS/big.jpg" "$BUILD/bench/viewer/vr_viewer_bench" \
  --benchmark_min_time=0.5 2>/dev/null | tee "$work/in_process.txt"

# The figures the targets are stated in: the median first paint against the bare decode, and
# the same-size repaint against a bare widget whose paint only copies the display bitmap.
median=$(awk '/first_paint_ms/ {print $2}' "$work/first_paint.txt" | sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}')
decode=$(awk '$1 == "BM_JpegDecode" {print $2}' "$work/in_process.txt")
repaint=$(awk '$1 == "BM_RepaintSameSize" {print $2}' "$work/in_process.txt")
bare=$(awk '$1 == "BM_RepaintBareCopy" {print $2}' "$work/in_process.txt")
echo "== summary"
awk -v m="$median" -v d="$decode" -v r="$repaint" -v b="$bare" 'BEGIN {
  printf "first paint median %.1f ms, bare decode %.1f ms: %.2fx (target at most 2x)\n", m, d, m / d
  printf "same-size repaint %.3f ms, bare copying repaint %.3f ms: %.2fx\n", r, b, r / b
}'
