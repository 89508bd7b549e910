#!/usr/bin/env bash
# PCX, TGA and PIC decode: our figures and the peers' (Pillow, ImageMagick) from the same run.
#   bench/raster/run.sh [corpus-folder]
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
CORPUS="${1:-/tmp/vcorpus}"
BUILD="${VR_BENCH_BUILD:-$ROOT/build-bench-raster}"
SOURCE="${VR_BENCH_SOURCE:-$ROOT}"

need=()
for pkg in imagemagick libbenchmark-dev python3-pil hyperfine; do
  dpkg -s "$pkg" 2>/dev/null | grep -q '^Status: install ok installed' || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${need[@]}"
fi

FILES=(big.pcx big8.pcx big_raw.tga big_rle.tga)
for f in "${FILES[@]}"; do
  if [ ! -f "$CORPUS/$f" ]; then
    /usr/bin/python3 /work/shared/bench/make_corpus.py --out "$CORPUS" --only big
    break
  fi
done

cmake -S "$SOURCE" -B "$BUILD" -G Ninja -DVR_BENCH=ON -DVR_GUI=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j2 --target vr_bench_raster

echo "== ours (Google Benchmark, in process) =="
VR_CORPUS="$CORPUS" "$BUILD/bench/raster/vr_bench_raster" --benchmark_counters_tabular=true

echo "== Pillow (in process, best of 5) =="
/usr/bin/python3 "$HERE/pillow_decode.py" "${FILES[@]/#/$CORPUS/}"
PIC="${TMPDIR:-/tmp}/vr_bench_big8.pic"  # written by vr_bench_raster from big8.pcx
echo "(Pillow reads no PC Paint PIC files.)"

IM=/usr/bin/convert
echo "== ImageMagick (whole process; start-up measured as the 1x1 case) =="
TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT
"$IM" -size 1x1 xc:black "$TMP/one.ppm"
cmds=("$IM $TMP/one.ppm ppm:/dev/null")
for f in "${FILES[@]}"; do cmds+=("$IM $CORPUS/$f ppm:/dev/null"); done
# ImageMagick is asked about the PIC file too; its builds so far have no PC Paint decoder.
if [ -f "$PIC" ] && "$IM" "$PIC" ppm:/dev/null >/dev/null 2>&1; then
  cmds+=("$IM $PIC ppm:/dev/null")
else
  echo "(ImageMagick cannot read $PIC: $("$IM" "$PIC" ppm:/dev/null 2>&1 | head -1))"
fi
if command -v hyperfine >/dev/null; then
  hyperfine -N --warmup 1 --runs 5 --style basic "${cmds[@]}"
else
  for cmd in "${cmds[@]}"; do echo "$cmd"; /usr/bin/time -f '%e s' $cmd; done
fi
echo "ImageMagick decode = (file) - (one.ppm); each big file is 4000 x 3000 = 12.0 MP"
