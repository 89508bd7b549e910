#!/usr/bin/env bash
# Export of many small JPEGs to 256-colour dithered GIFs, ours beside ImageMagick in one run:
#   ours:  veldrimon-tool export FILES --tab gif --item "256 Colors" --into OUT
#   peer:  mogrify -limit thread 1 -path OUT -format gif -dither FloydSteinberg -colors 256 FILES
# both single-threaded (OMP_NUM_THREADS=1), over the corpus's many/ JPEGs. Reports files per
# second (wall and CPU), the mean PSNR of the first 50 outputs against their sources and the
# total output sizes.
# Usage: COUNT=N bench/export/run.sh [build-dir]   (COUNT defaults to all 1000 files)
set -euo pipefail

SRC="${VR_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
BUILD="${1:-$SRC/build-bench-export}"
CORPUS="${VR_CORPUS:-/tmp/vcorpus}"
COUNT="${COUNT:-1000}"
WORK="$(mktemp -d /tmp/vr-export-bench.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT

need=()
for pair in mogrify:imagemagick compare:imagemagick; do
  command -v "/usr/bin/${pair%%:*}" >/dev/null 2>&1 || need+=("${pair#*:}")
done
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${need[@]}"
fi

if [ ! -d "$CORPUS/many" ]; then
  /usr/bin/python3 /work/shared/bench/make_corpus.py --out "$CORPUS" --only many
fi
if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$SRC" -B "$BUILD" -G Ninja -DVR_GUI=OFF -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$BUILD" -j2 --target veldrimon-tool
TOOL="$BUILD/tools/veldrimon-tool"

mapfile -t FILES < <(find "$CORPUS/many" -maxdepth 1 -name '*.jpg' | sort | head -n "$COUNT")
n=${#FILES[@]}
[ "$n" -gt 0 ] || { echo "no JPEGs in $CORPUS/many"; exit 1; }
mkdir -p "$WORK/ours" "$WORK/peer"

# Seconds of wall and CPU (user + system) time of one command, as "wall cpu".
timed() {
  /usr/bin/time -o "$WORK/time.txt" -f "%e %U %S" "$@" >/dev/null 2>"$WORK/err.txt" || {
    echo "failed: $*" >&2; tail -5 "$WORK/err.txt" >&2; }
  tail -1 "$WORK/time.txt" | awk '{printf "%.2f %.2f", $1, $2 + $3}'
}
rate() { awk -v n="$n" -v s="$1" 'BEGIN { printf "%.1f", (s > 0 ? n / s : 0) }'; }

export OMP_NUM_THREADS=1
echo "== load: $(cut -d' ' -f1-3 /proc/loadavg) (2 cores shared; compare CPU seconds when loaded)"
echo "== $n JPEGs from $CORPUS/many to 256-colour Floyd-Steinberg GIFs, one thread each"
read -r ow oc <<<"$(timed "$TOOL" export "${FILES[@]}" --tab gif --item "256 Colors" \
  --into "$WORK/ours" --yes-to-all)"
read -r pw pc <<<"$(timed /usr/bin/mogrify -limit thread 1 -path "$WORK/peer" -format gif \
  -dither FloydSteinberg -colors 256 "${FILES[@]}")"
echo "ours      wall ${ow}s cpu ${oc}s: $(rate "$ow") files/s wall, $(rate "$oc") files/s cpu"
echo "mogrify   wall ${pw}s cpu ${pc}s: $(rate "$pw") files/s wall, $(rate "$pc") files/s cpu"
awk -v a="$oc" -v b="$pc" 'BEGIN { if (a > 0) printf "speed-up (cpu): %.2fx (target >= 2x)\n", b / a }'

psnr_mean() {  # folder with NAME.gif (ours: NAME.GIF)
  local dir="$1" ext="$2" total=0 count=0 v
  for src in "${FILES[@]:0:50}"; do
    base="$(basename "${src%.*}")"
    v=$(compare -metric PSNR "$src" "$dir/$base$ext" null: 2>&1 | awk '{print $1}')
    total=$(awk -v t="$total" -v v="$v" 'BEGIN { print t + v }')
    count=$((count + 1))
  done
  awk -v t="$total" -v c="$count" 'BEGIN { printf "%.2f", t / c }'
}
echo "mean PSNR of the first $(( n < 50 ? n : 50 )) files: ours $(psnr_mean "$WORK/ours" .GIF) dB," \
  "mogrify $(psnr_mean "$WORK/peer" .gif) dB (ours not below the peer's)"
echo "sizes: ours $(du -cb "$WORK"/ours/* | tail -1 | cut -f1) bytes," \
  "mogrify $(du -cb "$WORK"/peer/* | tail -1 | cut -f1) bytes," \
  "sources $(du -cb "${FILES[@]}" | tail -1 | cut -f1) bytes"

# The same conversion run inside the files list window (the convert page's button over tagged
# files, offscreen), beside the tool over the same files. The window bench needs a build with the
# windows and the benchmarks (VR_GUI=ON, VR_BENCH=ON): WINDOW_BUILD names one (default BUILD).
WINDOW_BUILD="${WINDOW_BUILD:-$BUILD}"
WINDOW_COUNT="${WINDOW_COUNT:-100}"
WINDOW_BENCH="$WINDOW_BUILD/bench/export/vr_export_window_bench"
if [ -f "$WINDOW_BUILD/build.ninja" ] && grep -q vr_export_window_bench "$WINDOW_BUILD/build.ninja"; then
  cmake --build "$WINDOW_BUILD" -j2 --target vr_export_window_bench veldrimon-tool >/dev/null
fi
if [ -x "$WINDOW_BENCH" ]; then
  m=$(( n < WINDOW_COUNT ? n : WINDOW_COUNT ))
  mkdir -p "$WORK/tool100" "$WORK/window100"
  read -r tw tc <<<"$(timed "$WINDOW_BUILD/tools/veldrimon-tool" export "${FILES[@]:0:$m}" \
    --tab gif --item "256 Colors" --into "$WORK/tool100" --yes-to-all)"
  line=$(QT_QPA_PLATFORM=offscreen "$WINDOW_BENCH" "$WORK/window100" "${FILES[@]:0:$m}" 2>/dev/null | grep '^window')
  ww=$(awk '{print $5}' <<<"$line")
  wc_=$(awk '{print $7}' <<<"$line")
  written=$(find "$WORK/window100" -name '*.GIF' | wc -l)
  echo "$m files in the files list window: wall ${ww}s cpu ${wc_}s ($written GIFs written);" \
    "tool wall ${tw}s cpu ${tc}s"
  awk -v w="$wc_" -v t="$tc" 'BEGIN { if (t > 0) printf "window / tool (cpu): %.2fx (target <= 1.5x)\n", w / t }'
else
  echo "window run: $WINDOW_BENCH not built (configure with -DVR_GUI=ON -DVR_BENCH=ON)"
fi
