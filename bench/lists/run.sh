#!/usr/bin/env bash
# Files list loading beside find(1) in one run: the corpus tree (100,000 empty .jpg files in 1,000
# folders) loaded with sub-folders, against `find tree -type f -printf '%s %T@ %p\n'`; plus the
# split of our load (listing alone, sorting 100,000 entries, adding 100,000 paths, lookups), and
# whole-process times of `veldrimon-tool list --subfolders` and find through hyperfine.
# Usage: bench/lists/run.sh [build-dir]   (default build-bench-lists next to the sources)
set -euo pipefail

SRC="${VR_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
BUILD="${1:-$SRC/build-bench-lists}"
CORPUS="${VR_CORPUS:-/tmp/vcorpus}"
export VR_BENCH_TREE="$CORPUS/tree"

# Peer tools and the benchmark framework, installed only when missing.
need=()
for pkg in findutils hyperfine libbenchmark-dev python3-pil; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${need[@]}"
fi

# The corpus tree (never inside the sources); made only when missing.
if [ ! -d "$VR_BENCH_TREE" ] || [ "$(find "$VR_BENCH_TREE" -type f | head -100000 | wc -l)" -lt 100000 ]; then
  /usr/bin/python3 /work/shared/bench/make_corpus.py --out "$CORPUS" --only tree
fi

if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$SRC" -B "$BUILD" -G Ninja -DVR_BENCH=ON -DVR_GUI=OFF -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$BUILD" -j2 --target bench_lists veldrimon-tool

json="$(mktemp /tmp/vr_lists_bench.XXXXXX.json)"
"$BUILD/bench/lists/bench_lists" --benchmark_out="$json" --benchmark_out_format=json
/usr/bin/python3 - "$json" <<'PY'
import json, sys
runs = {b["name"].split("/")[0]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
def ms(name): return runs[name]["real_time"]
find, load, listing = ms("BM_FindTree"), ms("BM_LoadTree"), ms("BM_ListingOnly")
print()
print("tree load with sub-folders: %.1f ms   find -printf: %.1f ms   ratio %.2f (limit 1.50)"
      % (load, find, load / find))
print("split of the load: listing %.1f ms, list building and sort %.1f ms" % (listing, load - listing))
print("sort 100,000 by name: %.1f ms   LoadPaths 100,000: %.1f ms   100,000 lookups: %.1f ms"
      % (ms("BM_SortByName"), ms("BM_LoadPaths"), ms("BM_Lookup")))
PY
rm -f "$json"

echo
echo "Whole processes (start-up included):"
hyperfine -N --warmup 1 --runs 5 \
  "$BUILD/tools/veldrimon-tool list --subfolders $VR_BENCH_TREE" \
  "find $VR_BENCH_TREE -type f -printf '%s %T@ %p\n'" 2>&1 | grep -E 'Time|±|faster|^ ' || true
