#!/usr/bin/env bash
# Album loading beside the files list and stat(1) in one run: an album of 100,000 entries (the
# corpus tree's files) loaded as the album manager loads it, against FilesList::LoadPaths of the
# same paths and `xargs -d '\n' stat -c '%s %Y %n' < paths`; then whole processes through
# hyperfine (`veldrimon-tool album list` against xargs stat); last, when a build with the windows
# and -DVR_BENCH=ON holds bench_album_shown, the time the real window adds to show the album.
# Usage: bench/albums/run.sh [build-dir] [gui-build-dir]
#   (defaults build-bench-albums and build next to the sources)
set -euo pipefail

SRC="${VR_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
BUILD="${1:-$SRC/build-bench-albums}"
GUI_BUILD="${2:-$SRC/build}"
CORPUS="${VR_CORPUS:-/tmp/vcorpus}"
export VR_BENCH_TREE="$CORPUS/tree"

need=()
for pkg in findutils coreutils hyperfine libbenchmark-dev python3-pil; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${need[@]}"
fi

if [ ! -d "$VR_BENCH_TREE" ] || [ "$(find "$VR_BENCH_TREE" -type f | head -100000 | wc -l)" -lt 100000 ]; then
  /usr/bin/python3 /work/shared/bench/make_corpus.py --out "$CORPUS" --only tree
fi

if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$SRC" -B "$BUILD" -G Ninja -DVR_BENCH=ON -DVR_GUI=OFF -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$BUILD" -j2 --target bench_albums veldrimon-tool

json="$(mktemp /tmp/vr_albums_bench.XXXXXX.json)"
"$BUILD/bench/albums/bench_albums" --benchmark_out="$json" --benchmark_out_format=json
/usr/bin/python3 - "$json" <<'PY'
import json, sys
runs = {b["name"].split("/")[0]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
def ms(name): return runs[name]["real_time"]
album, paths, stat = ms("BM_LoadAlbum"), ms("BM_LoadPaths"), ms("BM_XargsStat")
print()
print("album load 100,000: %.1f ms   LoadPaths: %.1f ms (ratio %.2f, limit 1.20)   "
      "xargs stat: %.1f ms (ratio %.2f, limit 1.00)" % (album, paths, album / paths, stat,
                                                       album / stat))
PY
rm -f "$json"

base="${TMPDIR:-/tmp}/vr_bench_albums"
echo
echo "Whole processes (start-up included):"
hyperfine -N --warmup 1 --runs 5 \
  "$BUILD/tools/veldrimon-tool album list $base Big" \
  "sh -c \"xargs -d '\\n' stat -c '%s %Y %n' < $base/paths.txt\"" 2>&1 | grep -E 'Time|±|faster|^ ' || true

shown="$GUI_BUILD/bench/albums/bench_album_shown"
echo
if [ -x "$shown" ]; then
  echo "The loaded album shown by the real window (offscreen):"
  QT_QPA_PLATFORM=offscreen "$shown" 7
else
  echo "No $shown: configure $GUI_BUILD with -DVR_BENCH=ON and build bench_album_shown."
fi
