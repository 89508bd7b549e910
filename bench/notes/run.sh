#!/usr/bin/env bash
# Notes database beside SQLite (C API) in one run, same keys and payloads: inserts, random lookups
# and updates, ordered walk, open time against one plain read of the three files, text export and
# import, the field searches against SQLite queries, and the re-link of 10,000 moved files over
# the corpus tree (100,000 files) against find(1). Scratch files go to $VR_BENCH_DIR (default
# /tmp/vr_notes_bench), never into the sources; the corpus to $VR_CORPUS (default /tmp/vcorpus).
# Usage: bench/notes/run.sh [build-dir]   (default build-bench-notes next to the sources)
# The benchmarks run in order and build on each other (inserts first), so run them all.
set -euo pipefail

SRC="${VR_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"
BUILD="${1:-$SRC/build-bench-notes}"
export VR_BENCH_DIR="${VR_BENCH_DIR:-/tmp/vr_notes_bench}"
CORPUS="${VR_CORPUS:-/tmp/vcorpus}"
TREE="$CORPUS/tree"

# Peer library and benchmark framework, installed only when missing.
need=()
for pkg in libsqlite3-dev libbenchmark-dev findutils; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${need[@]}"
fi

if [ ! -f "$BUILD/build.ninja" ]; then
  cmake -S "$SRC" -B "$BUILD" -G Ninja -DVR_BENCH=ON -DVR_GUI=OFF -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$BUILD" -j2 --target bench_notes bench_notes_search bench_notes_relink

# The corpus tree (never inside the sources); made only when missing.
if [ ! -d "$TREE" ] || [ "$(find "$TREE" -type f | head -100000 | wc -l)" -lt 100000 ]; then
  /usr/bin/python3 /work/shared/bench/make_corpus.py --out "$CORPUS" --only tree
fi

json="$VR_BENCH_DIR/result.json"
mkdir -p "$VR_BENCH_DIR"
"$BUILD/bench/notes/bench_notes" --benchmark_counters_tabular=true \
  --benchmark_out="$json" --benchmark_out_format=json
echo "SQLite $(pkg-config --modversion sqlite3 2>/dev/null || echo '?')"
/usr/bin/python3 - "$json" <<'PY'
import json, sys
runs = {b["name"].split("/")[0]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
def rate(name): return runs[name].get("items_per_second", 0.0)
print("%-14s %14s %14s %8s" % ("job", "notes rec/s", "sqlite rec/s", "ratio"))
for job in ("InsertAll", "RandomLookup", "RandomUpdate", "OrderedWalk"):
    n, s = rate("BM_%s_Notes" % job), rate("BM_%s_Sqlite" % job)
    print("%-14s %14.0f %14.0f %8.2f" % (job, n, s, n / s if s else 0))
o, p = runs["BM_Open_Notes"]["cpu_time"], runs["BM_Open_PlainReadOfFiles"]["cpu_time"]
print("open: %.1f ms cpu, plain read of the files %.1f ms cpu, ratio %.2f" % (o, p, o / p))
print("export %.0f rec/s, import %.0f rec/s" % (rate("BM_Export_Notes"), rate("BM_Import_Notes")))
PY
# Searching by fields: each Notes search against the SQLite query asking the same (target: at
# most SQLite's time).
search_json="$VR_BENCH_DIR/search.json"
"$BUILD/bench/notes/bench_notes_search" --benchmark_counters_tabular=true \
  --benchmark_out="$search_json" --benchmark_out_format=json
/usr/bin/python3 - "$search_json" <<'PY'
import json, sys
runs = {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    side = "notes" if b["name"].startswith("BM_Search_Notes") else "sqlite"
    runs.setdefault(b["label"], {})[side] = b
# CPU times: the machine is shared, so wall times carry other people's load.
print("%-10s %12s %12s %8s %8s" % ("search", "notes cpu ms", "sqlite cpu ms", "ratio", "found"))
for label, pair in runs.items():
    n, s = pair["notes"]["cpu_time"], pair["sqlite"]["cpu_time"]
    print("%-10s %12.1f %12.1f %8.2f %8d" % (label, n, s, n / s if s else 0, pair["notes"]["found"]))
PY
# Re-link of moved files against find over the same tree, warm (target: within twice find's time).
echo
"$BUILD/bench/notes/bench_notes_relink" "$TREE" 5
rm -rf "$VR_BENCH_DIR"
