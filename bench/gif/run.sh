#!/usr/bin/env bash
# GIF decode and encode: our figures and the peers' from the same run.
#   bench/gif/run.sh [corpus-folder]
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
CORPUS="${1:-/tmp/vcorpus}"
BUILD="${VR_BENCH_BUILD:-$ROOT/build-bench-gif}"
SOURCE="${VR_BENCH_SOURCE:-$ROOT}"

need=()
for pkg in libgif-dev giflib-tools imagemagick libbenchmark-dev python3-pil hyperfine; do
  dpkg -s "$pkg" 2>/dev/null | grep -q '^Status: install ok installed' || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${need[@]}"
fi

if [ ! -f "$CORPUS/big.gif" ] || [ ! -f "$CORPUS/anim.gif" ]; then
  /usr/bin/python3 /work/shared/bench/make_corpus.py --out "$CORPUS" --only big,anim
fi

cmake -S "$SOURCE" -B "$BUILD" -G Ninja -DVR_BENCH=ON -DVR_GUI=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j2 --target vr_bench_gif giflib_decode

echo "== ours (Google Benchmark) =="
VR_CORPUS="$CORPUS" "$BUILD/bench/gif/vr_bench_gif" --benchmark_counters_tabular=true

echo "== giflib =="
"$BUILD/bench/gif/giflib_decode" "$CORPUS/big.gif" 5
"$BUILD/bench/gif/giflib_decode" "$CORPUS/anim.gif" 5

IM=/usr/bin/convert
echo "== ImageMagick (whole process; start-up measured as 'null') =="
TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT
"$IM" "$CORPUS/big.gif" "$TMP/big.miff"
"$IM" -size 1x1 xc:black "$TMP/one.miff"
if command -v hyperfine >/dev/null; then
  hyperfine -N --warmup 1 --runs 5 --style basic \
    "$IM $TMP/one.miff null:" \
    "$IM $CORPUS/big.gif null:" \
    "$IM $TMP/big.miff null:" \
    "$IM $TMP/big.miff $TMP/out.gif"
else
  for cmd in "$IM $TMP/one.miff null:" "$IM $CORPUS/big.gif null:" "$IM $TMP/big.miff null:" "$IM $TMP/big.miff $TMP/out.gif"; do
    echo "$cmd"; /usr/bin/time -f '%e s' $cmd
  done
fi
echo "GIF decode by ImageMagick = (big.gif null:) - (one.miff null:); encode = (big.miff out.gif) - (big.miff null:)"
echo "big.gif is 4000 x 3000 = 12.0 MP"
