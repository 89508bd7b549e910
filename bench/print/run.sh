#!/usr/bin/env bash
# Catalogue pages of the 1,000 many/ JPEGs, 5 rows, Square, one thread each, side by side with
# ImageMagick's montage:
#   (a) 1024 x 768 JPEG page files against montage's 7 x 5 tiles of 139 x 139 with file labels;
#   (b) one Letter PDF at 300 dpi against montage's 2400 x 3150 pages joined by img2pdf (Debian's
#       ImageMagick policy refuses to write PDF itself), times and sizes;
#   and the first 1024 x 768 page alone (what the catalogue window's first preview costs).
# Wall and CPU seconds: compare CPU when the machine is loaded.
#   bench/print/run.sh [corpus-folder]
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
CORPUS="${1:-/tmp/vcorpus}"
BUILD="${VR_BENCH_BUILD:-$ROOT/build}"

need=()
for pkg in imagemagick img2pdf poppler-utils; do
  dpkg -s "$pkg" 2>/dev/null | grep -q '^Status: install ok installed' || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${need[@]}"
fi

if [ ! -f "$CORPUS/many/IMG_0999.jpg" ]; then
  /usr/bin/python3 /work/shared/bench/make_corpus.py --out "$CORPUS" --only many
fi
MANY="$CORPUS/many"

# The printing commands need the Qt build of the tool.
if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$BUILD" -j2 --target veldrimon-tool
TOOL="$BUILD/tools/veldrimon-tool"
export QT_QPA_PLATFORM=offscreen

TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT
# Wall and CPU seconds of one command: "wall cpu".
timed() {
  /usr/bin/time -o "$TMP/t.txt" -f "%e %U %S" "$@" > /dev/null 2> "$TMP/err.txt" || {
    cat "$TMP/err.txt" >&2; return 1; }
  awk '{printf "%.2f %.2f\n", $1, $2 + $3}' "$TMP/t.txt"
}
ratio() { /usr/bin/python3 -c "print(f'{$1 / $2:.2f}')"; }

cat "$MANY"/*.jpg > /dev/null
N=$(ls "$MANY"/*.jpg | wc -l)
echo "== catalogue of $N files in $MANY, 5 rows, Square (load $(cut -d' ' -f1-3 /proc/loadavg)) =="

mkdir -p "$TMP/a_ours" "$TMP/a_montage" "$TMP/b_montage"
# VR_PRINT_BENCH_SKIP_A=1 runs (b) and (c) only.
if [ "${VR_PRINT_BENCH_SKIP_A:-0}" != 1 ]; then
read -r ours_w ours_c < <(timed "$TOOL" catalog "$MANY"/*.jpg --rows 5 --shape square \
  --dest 1024x768 --pages all --out "$TMP/a_ours/CAT.JPG")
read -r mont_w mont_c < <(timed montage -limit thread 1 -font DejaVu-Sans -define jpeg:size=278x278 -label %f \
  -tile 7x5 -geometry 139x139+0+0 "$MANY"/*.jpg "$TMP/a_montage/page.jpg")
echo "(a) 1024x768 JPEG pages"
echo "    veldrimon-tool catalog: ${ours_w} s wall, ${ours_c} s CPU, $(ls "$TMP/a_ours" | wc -l) pages"
echo "    montage (1 thread):     ${mont_w} s wall, ${mont_c} s CPU, $(ls "$TMP/a_montage" | wc -l) pages"
echo "    speed vs montage (CPU): $(ratio "$mont_c" "$ours_c") x (target >= 2)"

fi

read -r pdf_w pdf_c < <(timed "$TOOL" catalog "$MANY"/*.jpg --rows 5 --shape square \
  --dest paper --paper letter --dpi 300 --margin 0.25 --out "$TMP/ours.pdf")
# montage holds every input picture in memory before it tiles, so each page is its own run of
# 20 files (ImageMagick's cache limits refuse all 1,000 at once).
cat > "$TMP/b_montage.sh" <<SH
files=("$MANY"/*.jpg)
for ((i = 0; i < \${#files[@]}; i += 20)); do
  montage -limit thread 1 -font DejaVu-Sans -define jpeg:size=540x540 -label %f -tile 4x5 \\
    -geometry 540x540+0+40 -pointsize 33 "\${files[@]:i:20}" \\
    "$TMP/b_montage/page_\$(printf %03d \$((i / 20))).jpg"
done
SH
read -r mb_w mb_c < <(timed bash "$TMP/b_montage.sh")
read -r i2p_w i2p_c < <(timed sh -c "img2pdf --pagesize Letter -o '$TMP/montage.pdf' $TMP/b_montage/page*.jpg")
ours_size=$(stat -c %s "$TMP/ours.pdf")
their_size=$(stat -c %s "$TMP/montage.pdf")
peer_w=$(/usr/bin/python3 -c "print(f'{$mb_w + $i2p_w:.2f}')")
peer_c=$(/usr/bin/python3 -c "print(f'{$mb_c + $i2p_c:.2f}')")
echo "(b) one Letter PDF at 300 dpi"
echo "    veldrimon-tool catalog: ${pdf_w} s wall, ${pdf_c} s CPU, $(pdfinfo "$TMP/ours.pdf" | awk '/^Pages/ {print $2}') pages, ${ours_size} bytes"
echo "    montage + img2pdf:      ${peer_w} s wall, ${peer_c} s CPU, $(pdfinfo "$TMP/montage.pdf" | awk '/^Pages/ {print $2}') pages, ${their_size} bytes"
echo "    speed vs pipeline (CPU): $(ratio "$peer_c" "$pdf_c") x (target > 1); size: $(ratio "$ours_size" "$their_size") x (target <= 1.5)"

read -r first_w first_c < <(timed "$TOOL" catalog "$MANY"/*.jpg --rows 5 --shape square \
  --dest 1024x768 --page 1 --out "$TMP/FIRST.JPG")
echo "(c) first 1024x768 page alone (the window's first preview): ${first_w} s wall, ${first_c} s CPU (target <= 1)"
