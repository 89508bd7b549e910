#!/usr/bin/env bash
# Thumbnail web pages of a folder of photos, ours beside ImageMagick in one run:
#   ours:   veldrimon-tool webpages WEBFOLDER   (100 x 100 thumbnails, 15 a page, standard pages)
#   peer:   mogrify -define jpeg:size=200x200 -thumbnail 100x100 -quality 92 -path OUT FILES,
#           one process, plus a shell loop writing the same number of pages
#   peer 2: the per-file script: one `convert` per picture
#   bound:  `djpeg -scale 1/8` per file (decoding alone)
# over the corpus's many/ JPEGs (1600 x 1200), one thread each. Also the peak memory of our run
# against a run over 10 pictures (the run holds one picture at a time).
# Usage: COUNT=N bench/webpages/run.sh [build-dir]   (COUNT defaults to all 1000 files)
set -euo pipefail

SRC="${VR_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
BUILD="${1:-$SRC/build-bench-webpages}"
CORPUS="${VR_CORPUS:-/tmp/vcorpus}"
COUNT="${COUNT:-1000}"
WORK="$(mktemp -d /tmp/vr-webpages-bench.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT

need=()
command -v /usr/bin/mogrify >/dev/null 2>&1 || need+=(imagemagick)
command -v djpeg >/dev/null 2>&1 || need+=(libjpeg-turbo-progs)
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
mkdir -p "$WORK/site" "$WORK/small" "$WORK/peer" "$WORK/peer2" "$WORK/pages"
ln "${FILES[@]}" "$WORK/site/" 2>/dev/null || cp "${FILES[@]}" "$WORK/site/"
ln "${FILES[@]:0:10}" "$WORK/small/" 2>/dev/null || cp "${FILES[@]:0:10}" "$WORK/small/"

# Seconds of wall and CPU time and the peak resident kilobytes of one command: "wall cpu kb".
timed() {
  /usr/bin/time -o "$WORK/time.txt" -f "%e %U %S %M" "$@" >/dev/null 2>"$WORK/err.txt" || {
    echo "failed: $*" >&2; tail -5 "$WORK/err.txt" >&2; }
  tail -1 "$WORK/time.txt" | awk '{printf "%.2f %.2f %d", $1, $2 + $3, $4}'
}
rate() { awk -v n="$n" -v s="$1" 'BEGIN { printf "%.1f", (s > 0 ? n / s : 0) }'; }

peer_pages() {  # the page loop beside mogrify: one page of 15 links per 15 thumbnails
  local i=0 page=1 out=""
  for f in "$WORK"/peer/*.jpg; do
    out+="<a href=\"../$(basename "$f")\"><img src=\"$f\" width=100 height=75></a>"$'\n'
    i=$((i + 1))
    if [ $((i % 15)) -eq 0 ]; then printf '%s' "$out" > "$WORK/pages/index$page.html"; out=""; page=$((page + 1)); fi
  done
  [ -n "$out" ] && printf '%s' "$out" > "$WORK/pages/index$page.html"
  return 0
}
export -f peer_pages
export WORK

export OMP_NUM_THREADS=1 MAGICK_THREAD_LIMIT=1
echo "== load: $(cut -d' ' -f1-3 /proc/loadavg) (2 cores shared; compare CPU seconds when loaded)"
echo "== $n photos of $CORPUS/many, 100 x 100 thumbnails, 15 a page, one thread each"
read -r ow oc om <<<"$(timed "$TOOL" webpages "$WORK/site")"
read -r sw sc sm <<<"$(timed "$TOOL" webpages "$WORK/small")"
read -r pw pc pm <<<"$(timed bash -c "mogrify -limit thread 1 -define jpeg:size=200x200 -thumbnail 100x100 -quality 92 -path '$WORK/peer' \"\$@\" && peer_pages" _ "${FILES[@]}")"
read -r qw qc qm <<<"$(timed bash -c 'for f in "$@"; do convert -define jpeg:size=200x200 "$f" -thumbnail 100x100 -quality 92 "$WORK/peer2/$(basename "$f")"; done' _ "${FILES[@]}")"
read -r bw bc bm <<<"$(timed bash -c 'for f in "$@"; do djpeg -scale 1/8 -outfile /dev/null "$f"; done' _ "${FILES[@]}")"
echo "ours            wall ${ow}s cpu ${oc}s: $(rate "$oc") pictures/s cpu, peak ${om} KB"
echo "mogrify + pages wall ${pw}s cpu ${pc}s: $(rate "$pc") pictures/s cpu"
echo "convert a file  wall ${qw}s cpu ${qc}s: $(rate "$qc") pictures/s cpu"
echo "djpeg 1/8 bound wall ${bw}s cpu ${bc}s: $(rate "$bc") pictures/s cpu"
awk -v a="$oc" -v b="$pc" -v c="$bc" 'BEGIN { if (a > 0) printf "ours vs mogrify: %.2fx faster (target > 1); ours / bound: %.2f (target <= 1.3)\n", b / a, a / c }'
echo "peak memory: ${om} KB for $n pictures, ${sm} KB for 10 (target: within 20 MB)"
echo "pages written: $(ls "$WORK/site/webpages" | grep -c '^index')"
