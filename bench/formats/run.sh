#!/usr/bin/env bash
# The corpus's 12-megapixel picture as WebP (lossy q90), TIFF (LZW), HEIC (q90) and PNG, decoded
# on one thread by ours in process beside each library's own command-line decoder (dwebp,
# heif-convert) or Pillow (TIFF, PNG), whose start-up is measured and subtracted; then thumbnails
# per second of folders of WebP and HEIC pictures beside JPEG.
# Usage: bench/formats/run.sh [build-dir]   (default build-bench-formats next to the sources)
#   THUMB_FILES (default 1000) sets the files of each thumbnail folder.
set -euo pipefail

SRC="${VR_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
BUILD="${1:-$SRC/build-bench-formats}"
CORPUS="${VR_CORPUS:-/tmp/vcorpus}"
THUMB_FILES="${THUMB_FILES:-1000}"
TMP="$(mktemp -d /tmp/vr-formats-bench.XXXXXX)"
trap 'rm -rf "$TMP"' EXIT

need=()
for pkg in webp libtiff-tools libheif-examples imagemagick hyperfine libbenchmark-dev python3-pil; do
  dpkg -s "$pkg" 2>/dev/null | grep -q '^Status: install ok installed' || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${need[@]}"
fi
if [ ! -f "$CORPUS/big.jpg" ]; then
  /usr/bin/python3 /work/shared/bench/make_corpus.py --out "$CORPUS" --only big
fi
if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$SRC" -B "$BUILD" -G Ninja -DVR_BENCH=ON -DVR_GUI=OFF -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$BUILD" -j2 --target vr_formats_bench

# The test pictures, from the corpus's 12-megapixel JPEG.
convert "$CORPUS/big.jpg" "$TMP/big.png"
cwebp -quiet -q 90 "$TMP/big.png" -o "$TMP/big.webp"
convert "$CORPUS/big.jpg" -compress lzw "$TMP/big.tif"
heif-enc -q 90 "$TMP/big.png" -o "$TMP/big.heic" >/dev/null
mkdir -p "$TMP/thumbs/jpg" "$TMP/thumbs/webp" "$TMP/thumbs/heic"
convert "$CORPUS/big.jpg" -resize 1600x1200 "$TMP/one.png"
# A few distinct pictures (shifted crops; the HEVC encoder is slow), copied round to the count.
DISTINCT=4
for i in $(seq 1 "$DISTINCT"); do
  convert "$TMP/one.png" -crop "1500x1100+$((i * 23))+$((i * 17))" +repage "$TMP/cut$i.png"
  convert "$TMP/cut$i.png" -quality 90 "$TMP/cut$i.jpg"
  cwebp -quiet -q 90 "$TMP/cut$i.png" -o "$TMP/cut$i.webp"
  heif-enc -q 90 "$TMP/cut$i.png" -o "$TMP/cut$i.heic" >/dev/null
done
for i in $(seq -w 1 "$THUMB_FILES"); do
  k=$(( (10#$i % DISTINCT) + 1 ))
  for kind in jpg webp heic; do cp "$TMP/cut$k.$kind" "$TMP/thumbs/$kind/p$i.$kind"; done
done

# One command run many times by hyperfine: median wall time and mean CPU time (user+sys) in ms,
# start-up included. On a shared machine the CPU time is the steadier of the two.
RUNS="${RUNS:-7}"
ms() {
  hyperfine -N --warmup 1 --runs "$RUNS" --export-json "$TMP/t.json" "$*" >/dev/null 2>&1 || true
  /usr/bin/python3 -c "import json; r = json.load(open('$TMP/t.json'))['results'][0]; print('%.1f,%.1f' % (r['median'] * 1000, (r['user'] + r['system']) * 1000))"
}
cat > "$TMP/pil.py" <<'PY'
import sys
from PIL import Image
if len(sys.argv) > 1:
    Image.open(sys.argv[1]).load()
PY

echo "== load: $(cut -d' ' -f1-3 /proc/loadavg) (2 cores shared)"
echo "== ours, in process, one thread"
"$BUILD/bench/formats/vr_formats_bench" --webp="$TMP/big.webp" --tiff="$TMP/big.tif" \
  --heic="$TMP/big.heic" --png="$TMP/big.png" --thumbs="$TMP/thumbs" \
  --benchmark_counters_tabular=true | tee "$TMP/ours.txt"

echo "== peers, whole process, start-up subtracted (median of $RUNS runs)"
dw_start=$(ms dwebp -version)
dw=$(ms dwebp -quiet "$TMP/big.webp" -ppm -o /dev/null)
hc_start=$(ms heif-convert --help)
hc=$(ms heif-convert "$TMP/big.heic" "$TMP/out.y4m")
py_start=$(ms /usr/bin/python3 "$TMP/pil.py")
pt=$(ms /usr/bin/python3 "$TMP/pil.py" "$TMP/big.tif")
pp=$(ms /usr/bin/python3 "$TMP/pil.py" "$TMP/big.png")
# Ours as "wall,cpu" in ms from the Time and CPU columns.
ours() { awk -v k="Decode/$1" '$1 ~ k {print $2 "," $4; exit}' "$TMP/ours.txt"; }
/usr/bin/python3 - "$(ours webp)" "$(ours tiff)" "$(ours heic)" "$(ours png)" \
  "$dw" "$dw_start" "$hc" "$hc_start" "$pt" "$pp" "$py_start" <<'PY'
import sys
ow, ot, oh, op, dw, dws, hc, hcs, pt, pp, pys = (tuple(map(float, a.split(","))) for a in sys.argv[1:])
less = lambda a, b: (a[0] - b[0], a[1] - b[1])
rows = [("WebP q90", ow, "dwebp -ppm", less(dw, dws)), ("TIFF LZW", ot, "Pillow load", less(pt, pys)),
        ("HEIC q90", oh, "heif-convert y4m", less(hc, hcs)), ("PNG", op, "Pillow load", less(pp, pys))]
for name, ours, peer, theirs in rows:
    print(f"{name:9} wall: ours {ours[0]:7.1f} ms  {peer:17} {theirs[0]:7.1f} ms  ratio {ours[0] / theirs[0]:5.2f}"
          f"   cpu: ours {ours[1]:7.1f} ms  peer {theirs[1]:7.1f} ms  ratio {ours[1] / theirs[1]:5.2f}"
          "   (target 1.10 or less)")
PY

echo "== thumbnails per second, one thread ($THUMB_FILES files each; per CPU second and per wall second)"
awk -v n="$THUMB_FILES" '$1 ~ /^Thumbnails\// {
  split($1, p, "/"); printf "%-5s %8.1f /s cpu   %8.1f /s wall\n", p[2], n * 1000 / $4, n * 1000 / $2
}' "$TMP/ours.txt"
echo "== load after: $(cut -d' ' -f1-3 /proc/loadavg)"
