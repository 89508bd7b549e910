#!/usr/bin/env bash
# The slide show, full screen and fitted, over 20 copies of the corpus's 4000 x 3000 big.jpg
# (offscreen), through the viewer's bench hook, with djpeg's decode of the same files beside it:
#   delay 1: each picture's lateness after its due moment and the gaps between appearances;
#   ten shows stopped by an Escape posted at different moments: Escape to full screen left;
#   delay 0: pictures per second against djpeg decodes per second.
# Each part runs with the decode-ahead on and again with it off (VELDRIMON_NO_DECODE_AHEAD=1).
# Usage: bench/slideshow/run.sh [build-dir]   (default build-bench-slideshow next to the sources)
set -euo pipefail

SRC="${VR_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
BUILD="${1:-$SRC/build-bench-slideshow}"
CORPUS="${VR_CORPUS:-/tmp/vcorpus}"

if ! command -v /usr/bin/djpeg >/dev/null 2>&1; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends libjpeg-turbo-progs
fi
if [ ! -f "$CORPUS/big.jpg" ]; then
  /usr/bin/python3 /work/shared/bench/make_corpus.py --out "$CORPUS" --only big
fi
if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$BUILD" -j2 --target veldrimon

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/instance" "$work/pics"
for i in $(seq -w 1 20); do cp "$CORPUS/big.jpg" "$work/pics/big$i.jpg"; done

settings() {  # delay
  printf '[General]\nMultiLoad=0\nSetup=YES\nVersion=Veldrimon 2.1.3\nDate_UpdateMessageShown=99999\n' \
    > "$work/home/VELDR.INI"
  printf '[SlideShow]\nDelay=%s\nFullScreen=1\nFullScreenType=1\nContinuous=0\nLoopTimes=1\n' "$1" \
    >> "$work/home/VELDR.INI"
  printf 'StartAtTop=1\nRandom=0\nWAV WAIT=0\n' >> "$work/home/VELDR.INI"
}

show() {  # log-file [extra environment...]
  local log="$1"; shift
  env QT_QPA_PLATFORM=offscreen VELDRIMON_HOME="$work/home" VELDRIMON_INSTANCE_DIR="$work/instance" \
    VELDRIMON_NO_REGISTRATION=1 VELDRIMON_BENCH_SLIDESHOW="$log" "$@" \
    "$BUILD/app/veldrimon" "$work/pics" >/dev/null 2>&1
}

# Log lines: position, path, t0, due, shown, decode wait (ms from the show's start).
timing_summary() {  # log
  awk -F'\t' 'NF == 6 {
      n++; late = $5 - $4; if (late > maxlate) maxlate = late; if (late < minlate || n == 1) minlate = late
      if (n > 1) { gap = $5 - prev; if (gap > maxgap) maxgap = gap }
      prev = $5; wait += $6
    } END {
      printf "pictures %d, shown after due: min %d ms, max %d ms (target 0..20); largest gap %d ms (target <= 1030); mean load %.1f ms\n", n, minlate, maxlate, maxgap, wait / n
    }' "$1"
}

rate() {  # log -> pictures per second from the first appearance to the last
  awk -F'\t' 'NF == 6 { n++; if (n == 1) first = $5; last = $5 } END { printf "%.3f", (n - 1) * 1000 / (last - first) }' "$1"
}

djpeg_rate=$( { t0=$(date +%s%N)
  for f in "$work"/pics/*.jpg; do /usr/bin/djpeg -outfile /dev/null "$f"; done
  t1=$(date +%s%N); } ; awk -v n=20 -v ns=$((t1 - t0)) 'BEGIN { printf "%.3f", n * 1e9 / ns }')
echo "== djpeg -outfile /dev/null, 20 files: $djpeg_rate decodes per second"

for mode in on off; do
  extra=()
  [ "$mode" = off ] && extra=(VELDRIMON_NO_DECODE_AHEAD=1)
  echo "== decode ahead $mode"
  settings 1
  show "$work/delay1.log" "${extra[@]}"
  printf 'delay 1: '; timing_summary "$work/delay1.log"
  worst=0
  for ms in 500 900 1300 1700 2100 2500 2900 3300 3700 4100; do
    show "$work/stop.log" "${extra[@]}" VELDRIMON_BENCH_SLIDESHOW_ESCAPE_MS=$ms
    left=$(awk -F'\t' '$1 == "escape_to_left_ms" { print $2 }' "$work/stop.log")
    printf 'escape at %d ms: full screen left after %s ms\n' "$ms" "$left"
    worst=$(awk -v a="$worst" -v b="$left" 'BEGIN { print (b > a ? b : a) }')
  done
  echo "escape to full screen left, worst of ten: $worst ms (target <= 75)"
  settings 0
  show "$work/delay0.log" "${extra[@]}"
  r=$(rate "$work/delay0.log")
  awk -v r="$r" -v d="$djpeg_rate" 'BEGIN { printf "delay 0: %.3f pictures per second, %.2fx djpeg (target >= 0.9)\n", r, r / d }'
done
