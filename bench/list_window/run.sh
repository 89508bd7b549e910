#!/usr/bin/env bash
# The files list window's idle steps and entry re-paths over 100,000 entries (no disk, no peer:
# the figures show that one idle call stays far below what a user could notice, and what an
# in-place re-path saves over removing and re-adding the entry).
#   bench/list_window/run.sh
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
BUILD="${VR_BENCH_BUILD:-$ROOT/build-bench}"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DVR_BENCH=ON -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$BUILD" -j2 --target vr_bench_list_window
"$BUILD/bench/list_window/vr_bench_list_window" --benchmark_min_time=0.2
