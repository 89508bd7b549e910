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
command -v hyperfine >/dev/null 2>&1 || need+=(hyperfine)
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

# One command run many times by hyperfine, as "wall W ms  cpu C ms": the median wall time and
# the mean user + system time. The CPU figure is the one to compare with the benchmark's CPU
# column on a shared machine; /usr/bin/time's 10 ms steps are too coarse for a 50 ms job.
RUNS="${RUNS:-15}"
best_ms() {
  hyperfine -N --warmup 2 --runs "$RUNS" --export-json "$TIMES" "$*" >/dev/null 2>&1 || true
  /usr/bin/python3 -c "import json; r = json.load(open('$TIMES'))['results'][0]; print('wall %.1f ms  cpu %.1f ms' % (r['median'] * 1000, (r['user'] + r['system']) * 1000))"
}

echo "== load: $(cut -d' ' -f1-3 /proc/loadavg) (2 cores shared)"
echo "== ours, in process"
"$BUILD/bench/load/vr_load_bench" --jpeg="$CORPUS/big.jpg" --bmp="$CORPUS/big.bmp" \
  --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

echo "== peers, whole process ($RUNS runs each; process start-up included, measured below)"
echo "start-up (djpeg -version)        $(best_ms /usr/bin/djpeg -version)"
echo "djpeg full                        $(best_ms /usr/bin/djpeg -outfile /dev/null "$CORPUS/big.jpg")"
echo "djpeg -scale 1/8                  $(best_ms /usr/bin/djpeg -scale 1/8 -outfile /dev/null "$CORPUS/big.jpg")"
echo "start-up (convert -version)       $(best_ms /usr/bin/convert -version)"
echo "convert big.bmp rgb:/dev/null     $(best_ms /usr/bin/convert "$CORPUS/big.bmp" rgb:/dev/null)"
