#!/usr/bin/env bash
# JPEG decode (full size and 1/8) and 24-bit BMP read of the corpus's 4000 x 3000 picture: ours in
# process beside djpeg (libjpeg-turbo's own tool) and ImageMagick, in one run.
# Usage: bench/load/run.sh [build-dir]   (default build-bench-load next to the sources)
set -euo pipefail

SRC="${VR_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
BUILD="${1:-$SRC/build-bench-load}"
CORPUS="${VR_CORPUS:-/tmp/vcorpus}"
TIMES="$(mktemp /tmp/vr-load-bench.XXXXXX)"
trap 'rm -f "$TIMES"' EXIT

# Peer tools, installed only when missing.
need=()
command -v /usr/bin/djpeg >/dev/null 2>&1 || need+=(libjpeg-turbo-progs)
command -v /usr/bin/convert >/dev/null 2>&1 || need+=(imagemagick)
command -v /usr/bin/time >/dev/null 2>&1 || need+=(time)
dpkg -s libbenchmark-dev >/dev/null 2>&1 || need+=(libbenchmark-dev)
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${need[@]}"
fi

if [ ! -f "$CORPUS/big.jpg" ] || [ ! -f "$CORPUS/big.bmp" ]; then
  /usr/bin/python3 /work/shared/bench/make_corpus.py --out "$CORPUS" --only big
fi

if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$SRC" -B "$BUILD" -G Ninja -DVR_BENCH=ON -DVR_GUI=OFF -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$BUILD" -j2 --target vr_load_bench

# Best of N runs of one command, as "wall_ms cpu_ms" (cpu = user + system). On a shared machine
# the CPU time is the figure to compare with the benchmark's CPU column.
best_ms() {
  local runs="$1"; shift
  local best_wall="" best_cpu=""
  for _ in $(seq "$runs"); do
    local out wall cpu
    /usr/bin/time -o "$TIMES" -f "%e %U %S" "$@" >/dev/null 2>&1 || true
    out=$(tail -1 "$TIMES")
    wall=$(awk '{printf "%d", $1 * 1000}' <<<"$out")
    cpu=$(awk '{printf "%d", ($2 + $3) * 1000}' <<<"$out")
    if [ -z "$best_wall" ] || [ "$wall" -lt "$best_wall" ]; then best_wall=$wall; fi
    if [ -z "$best_cpu" ] || [ "$cpu" -lt "$best_cpu" ]; then best_cpu=$cpu; fi
  done
  echo "wall ${best_wall} ms  cpu ${best_cpu} ms"
}

echo "== load: $(cut -d' ' -f1-3 /proc/loadavg) (2 cores shared)"
echo "== ours, in process"
"$BUILD/bench/load/vr_load_bench" --jpeg="$CORPUS/big.jpg" --bmp="$CORPUS/big.bmp" \
  --benchmark_repetitions=3 --benchmark_report_aggregates_only=true

echo "== peers, whole process (best of 5; process start-up included, measured below)"
echo "start-up (djpeg -version)        $(best_ms 5 /usr/bin/djpeg -version)"
echo "djpeg full                        $(best_ms 5 /usr/bin/djpeg -outfile /dev/null "$CORPUS/big.jpg")"
echo "djpeg -scale 1/8                  $(best_ms 5 /usr/bin/djpeg -scale 1/8 -outfile /dev/null "$CORPUS/big.jpg")"
echo "start-up (convert -version)       $(best_ms 5 /usr/bin/convert -version)"
echo "convert big.bmp rgb:/dev/null     $(best_ms 5 /usr/bin/convert "$CORPUS/big.bmp" rgb:/dev/null)"
