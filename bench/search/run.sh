#!/usr/bin/env bash
# The look-alike search side by side with Pillow (the same 8 x 8 box prints, draft mode) and
# findimagedupes, on one core; then the comparison's cost curve (Google Benchmark) and the
# duplicate-name search against sort -f | uniq -di.
#   bench/search/run.sh [set-folder]        COUNT=2000 bench/search/run.sh  for a shorter run
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
COUNT="${COUNT:-10000}"
SET="${1:-/tmp/vsearchset-$COUNT}"
BUILD="${VR_BENCH_BUILD:-$ROOT/build-bench-search}"
export OMP_NUM_THREADS=1

need=()
for pkg in libbenchmark-dev python3-pil findimagedupes; do
  dpkg -s "$pkg" 2>/dev/null | grep -q '^Status: install ok installed' || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${need[@]}"
fi

if [ ! -f "$SET/.done" ]; then
  rm -rf "$SET"
  COUNT="$COUNT" /usr/bin/python3 "$HERE/make_set.py" "$SET"
  touch "$SET/.done"
fi

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DVR_BENCH=ON -DVR_GUI=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j2 --target veldrimon-tool vr_bench_search

TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT
# Runs a command (stdout to $1, stderr to $2) and sets WALL and CPU (user + system seconds): on
# a shared machine the CPU figure is the fair one, so the ratios are given on both.
timed() {
  local out="$1" err="$2"; shift 2
  /usr/bin/time -f "%e %U %S" -o "$TMP/time" "$@" > "$out" 2> "$err" || true
  read -r WALL u s < "$TMP/time"
  CPU=$(/usr/bin/python3 -c "print(f'{$u + $s:.3f}')")
}
TOOL="$BUILD/tools/veldrimon-tool"
find "$SET" -name '*.jpg' -exec cat {} + > /dev/null
N=$(find "$SET" -name '*.jpg' | wc -l)
echo "== look-alike search over $N JPEGs in $SET (one thread) =="

timed "$TMP/first.txt" "$TMP/first.err" "$TOOL" search "$SET" --subfolders --db "$TMP/LSNOTES" --threads 0
first=$WALL; first_cpu=$CPU
echo "veldrimon-tool search, first (prints made): wall ${first} s, cpu ${first_cpu} s"; sed 's/^/    /' "$TMP/first.err"
timed "$TMP/second.txt" "$TMP/second.err" "$TOOL" search "$SET" --subfolders --db "$TMP/LSNOTES" --threads 0
second=$WALL; second_cpu=$CPU
echo "veldrimon-tool search, second (prints cached): wall ${second} s, cpu ${second_cpu} s"; sed 's/^/    /' "$TMP/second.err"

cat > "$TMP/pil.py" <<'PY'
import os, sys
from PIL import Image
prints = []
for root, _, names in os.walk(sys.argv[1]):
    for name in sorted(names):
        if name.endswith(".jpg"):
            im = Image.open(os.path.join(root, name))
            im.draft("RGB", (8, 8))
            prints.append(im.convert("RGB").resize((8, 8), Image.BOX).tobytes())
print(len(prints), "prints")
PY
timed /dev/null /dev/null /usr/bin/python3 "$TMP/pil.py" "$SET"
pil=$WALL; pil_cpu=$CPU
echo "Pillow draft + 8x8 box prints (no comparison): wall ${pil} s, cpu ${pil_cpu} s"

timed "$TMP/fid1.txt" /dev/null findimagedupes -R -f "$TMP/fid.db" "$SET"
fid1=$WALL; fid1_cpu=$CPU
timed "$TMP/fid2.txt" /dev/null findimagedupes -R -f "$TMP/fid.db" "$SET"
fid2=$WALL; fid2_cpu=$CPU
echo "findimagedupes -R -f FILE: first wall ${fid1} s cpu ${fid1_cpu} s, warm wall ${fid2} s cpu ${fid2_cpu} s ($(wc -l < "$TMP/fid1.txt") groups)"
/usr/bin/python3 -c "
for name, f, s, p, a, b in (('wall', $first, $second, $pil, $fid1, $fid2),
                            ('cpu', $first_cpu, $second_cpu, $pil_cpu, $fid1_cpu, $fid2_cpu)):
    print(f'ratios ({name}): first/Pillow {f/p:.2f} (goal <= 1.2)  first/findimagedupes {f/a:.3f} (goal <= 0.2)  second/findimagedupes-warm {s/b:.3f} (goal <= 1)')"

# Families at Close: four members each (the grey copy needs --bw), five with --bw.
count_families() {
  /usr/bin/python3 - "$1" <<'PY'
import re, sys
groups, cur = [], None
for line in open(sys.argv[1], newline="").read().split("\r\n"):
    if line.startswith("**** Group ["):
        cur = []; groups.append(cur)
    elif line.startswith("File:") and cur is not None:
        cur.append(line[5:])
fams = [g for g in groups if g and all("/fam" in p for p in g)
        and len({re.search(r"fam(\d+)_", p).group(1) for p in g}) == 1]
sizes = sorted({len(g) for g in fams})
print(f"{len(groups)} groups, {len(fams)} single-family groups of sizes {sizes}, "
      f"{len(groups) - len(fams)} other groups")
PY
}
echo -n "report at Close: "; count_families "$TMP/first.txt"
"$TOOL" search "$SET" --subfolders --db "$TMP/LSNOTES" --threads 0 --bw > "$TMP/bw.txt" 2>/dev/null
echo -n "report at Close with --bw: "; count_families "$TMP/bw.txt"

echo "== comparison alone (Google Benchmark) =="
"$BUILD/bench/search/vr_bench_search" --benchmark_counters_tabular=true

CORPUS="${CORPUS:-/tmp/vcorpus}"
if [ ! -d "$CORPUS/tree" ]; then
  /usr/bin/python3 /work/shared/bench/make_corpus.py --out "$CORPUS" --only tree
fi
TREE="$CORPUS/tree"
echo "== By Dup Whole Filename over $TREE ($(find "$TREE" -type f | wc -l) files) =="
timed "$TMP/dups.txt" /dev/null "$TOOL" search "$TREE" --subfolders --db "$TMP/LSNOTES" --by 0
ours=$WALL; ours_cpu=$CPU
timed "$TMP/uniq.txt" /dev/null sh -c "find '$TREE' -type f -printf '%f\n' | sort -f | uniq -di"
uq=$WALL; uq_cpu=$CPU
echo "veldrimon-tool --by 0 (load included): wall ${ours} s cpu ${ours_cpu} s   find | sort -f | uniq -di: wall ${uq} s cpu ${uq_cpu} s"
echo "ratio: wall $(/usr/bin/python3 -c "print(f'{$ours/$uq:.2f}')")  cpu $(/usr/bin/python3 -c "print(f'{$ours_cpu/max($uq_cpu, 0.001):.2f}')") (goal <= 2)"
