#!/usr/bin/env bash
# Side-by-side: our ShrinkSmooth (4000 x 3000 -> 800 x 600, 24 bits) against the box reducers of
# ImageMagick, libvips and Pillow on the same decoded picture, plus CountColours of 12 MP.
# Peers run as whole processes on pre-decoded inputs (.mpc, .v); their start-up, measured in the
# same run, is subtracted. Pillow is timed inside Python, after the decode. Ours shrinks pictures of
# two megapixels and more with two threads (ImageMagick and libvips use every core; Pillow one);
# pinned to one core (taskset -c 0) it keeps to one thread, and that figure is set against
# Pillow's CPU time at the end.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
SRC="${VR_SOURCE_DIR:-$ROOT}"
BUILD="${VR_BENCH_BUILD:-$ROOT/build-bench-convert}"
CORPUS="${VR_CORPUS:-/tmp/vcorpus}"
WORK="$(mktemp -d /tmp/vbench-convert.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
RUNS="${RUNS:-7}"

source "$ROOT/scripts/common.sh"
vr_install_packages imagemagick libvips-tools python3-pil libbenchmark-dev hyperfine

if [ ! -f "$CORPUS/big.bmp" ]; then
  /usr/bin/python3 /work/shared/bench/make_corpus.py --out "$CORPUS"
fi
# Decoded inputs the peers read without decoding: ImageMagick's pixel cache, libvips' native file.
[ -f "$CORPUS/big.mpc" ] || /usr/bin/convert "$CORPUS/big.bmp" "$CORPUS/big.mpc"
[ -f "$CORPUS/big.v" ] || vips copy "$CORPUS/big.bmp" "$CORPUS/big.v"
/usr/bin/convert -size 1x1 xc:black "$WORK/tiny.mpc"
vips black "$WORK/tiny.v" 5 5 --bands 3

cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVR_BENCH=ON -DVR_GUI=OFF >/dev/null
cmake --build "$BUILD" -j2 --target vr_bench_convert >/dev/null

echo "== ours (Google Benchmark, median of $RUNS; Time = wall, CPU = cpu)"
VR_CORPUS="$CORPUS" "$BUILD/bench/convert/vr_bench_convert" --benchmark_repetitions="$RUNS" \
  --benchmark_report_aggregates_only=true 2>/dev/null | grep -E "median|^Benchmark|---" || true
echo "== ours on one core (taskset -c 0: one thread)"
one_core="$(VR_CORPUS="$CORPUS" taskset -c 0 "$BUILD/bench/convert/vr_bench_convert" \
  --benchmark_filter='ShrinkSmooth24/800/600' --benchmark_repetitions="$RUNS" \
  --benchmark_report_aggregates_only=true 2>/dev/null | grep median || true)"
echo "$one_core"
# Google Benchmark's CPU column of the median line, in milliseconds.
ours_one_cpu="$(echo "$one_core" | awk '{print $4}')"

# Prints "wall cpu" in milliseconds for a command: hyperfine's median wall time and its mean
# user + system time (the CPU figure stays meaningful on a busy machine).
times_ms() {
  hyperfine -N --warmup 2 --runs "$RUNS" --export-json "$WORK/h.json" "$1" >/dev/null 2>&1
  /usr/bin/python3 -c "import json; r = json.load(open('$WORK/h.json'))['results'][0]; print('%.1f %.1f' % (r['median'] * 1000, (r['user'] + r['system']) * 1000))"
}
peer() {  # name, full command, start-up command
  read -r full_wall full_cpu <<<"$(times_ms "$2")"
  read -r start_wall start_cpu <<<"$(times_ms "$3")"
  printf '%-42s wall %7.1f ms   cpu %7.1f ms\n' "$1" "$(echo "$full_wall - $start_wall" | bc)" \
    "$(echo "$full_cpu - $start_cpu" | bc)"
}

echo "== peers (whole process minus start-up measured in this run)"
peer "ImageMagick convert -filter box -resize" \
  "/usr/bin/convert $CORPUS/big.mpc -filter box -resize 800x600 $WORK/out.mpc" \
  "/usr/bin/convert $WORK/tiny.mpc $WORK/tiny_out.mpc"
export VIPS_CONCURRENCY=1
peer "libvips shrink 5 5 (1 thread)" "vips shrink $CORPUS/big.v $WORK/out.v 5 5" \
  "vips shrink $WORK/tiny.v $WORK/tiny_out.v 5 5"
/usr/bin/python3 - "$CORPUS/big.bmp" "$RUNS" "$ours_one_cpu" <<'PY'
import statistics, sys, time
from PIL import Image
im = Image.open(sys.argv[1]); im.load()
wall, cpu = [], []
for _ in range(int(sys.argv[2]) + 1):
    t, c = time.perf_counter(), time.process_time()
    im.reduce(5)
    wall.append((time.perf_counter() - t) * 1000); cpu.append((time.process_time() - c) * 1000)
pil_cpu = statistics.median(cpu[1:])
print("%-42s wall %7.1f ms   cpu %7.1f ms" % ("Pillow reduce(5) (in process)", statistics.median(wall[1:]),
                                             pil_cpu))
if sys.argv[3]:
    print("one core, CPU: Pillow/ours %.2fx (target 1.5x)" % (pil_cpu / float(sys.argv[3])))
PY
