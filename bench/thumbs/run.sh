#!/usr/bin/env bash
# Thumbnails: veldrimon-tool thumbs over many/ (with its threads and on one thread) against Pillow
# (draft + thumbnail in one process), vipsthumbnail (one process) and the decode-only bound:
# libjpeg-turbo's 1/8 scaled decode of the same files in one process (vr_bench_jpeg_bound; djpeg
# per file is shown too, though process starts dominate it); then thumbnails per second for GIF,
# PCX, PNG and JPEG sets made here. Wall and CPU seconds: compare CPU when the machine is loaded.
#   bench/thumbs/run.sh [corpus-folder]
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
CORPUS="${1:-/tmp/vcorpus}"
BUILD="${VR_BENCH_BUILD:-$ROOT/build-bench-thumbs}"

need=()
for pkg in libbenchmark-dev libjpeg-turbo-progs libvips-tools python3-pil; do
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

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DVR_BENCH=ON -DVR_GUI=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD" -j2 --target veldrimon-tool vr_bench_thumbs vr_bench_jpeg_bound

TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT
now() { date +%s.%N; }
# CPU seconds (user + system) of one command.
cpu_of() {
  /usr/bin/time -o "$TMP/cpu.txt" -f "%U %S" "$@" > /dev/null
  awk '{printf "%.2f", $1 + $2}' "$TMP/cpu.txt"
}
secs() { /usr/bin/python3 -c "print(f'{$2 - $1:.3f}')"; }

# Warm the page cache so every contender reads from memory.
cat "$MANY"/*.jpg > /dev/null
N=$(ls "$MANY"/*.jpg | wc -l)
echo "== 128x128 thumbnails of $N files in $MANY (load $(cut -d' ' -f1-3 /proc/loadavg)) =="

t0=$(now); "$BUILD/tools/veldrimon-tool" thumbs "$MANY" --size 128x128 --cache "$TMP/ours.TMP" > "$TMP/ours.txt"; t1=$(now)
ours=$(secs "$t0" "$t1")
echo "veldrimon-tool thumbs (2 threads ahead of the job; cache $(stat -c %s "$TMP/ours.TMP") bytes, BMP records until 10,485,760 then JPEG): ${ours} s"
t0=$(now); ours1_cpu=$(cpu_of "$BUILD/tools/veldrimon-tool" thumbs "$MANY" --size 128x128 --cache "$TMP/ours1.TMP" --threads 0); t1=$(now)
echo "veldrimon-tool thumbs --threads 0 (all on one thread): $(secs "$t0" "$t1") s, CPU ${ours1_cpu} s"

cat > "$TMP/pil.py" <<'PY'
import glob, sys
from PIL import Image
for f in sorted(glob.glob(sys.argv[1] + "/*.jpg")):
    im = Image.open(f)
    im.draft("RGB", (128, 128))
    im.thumbnail((128, 128))
    im.tobytes()
PY
t0=$(now); pil_cpu=$(cpu_of /usr/bin/python3 "$TMP/pil.py" "$MANY"); t1=$(now)
pil=$(secs "$t0" "$t1")
echo "Pillow draft+thumbnail (one process): ${pil} s, CPU ${pil_cpu} s"

mkdir -p "$TMP/vips"
t0=$(now); VIPS_CONCURRENCY=1 vipsthumbnail -s 128x128 -o "$TMP/vips/%s.v" "$MANY"/*.jpg; t1=$(now)
vips1=$(secs "$t0" "$t1")
t0=$(now); vipsthumbnail -s 128x128 -o "$TMP/vips/%s.v" "$MANY"/*.jpg; t1=$(now)
vips=$(secs "$t0" "$t1")
echo "vipsthumbnail -s 128x128 (one process): ${vips} s (VIPS_CONCURRENCY=1: ${vips1} s)"

t0=$(now); for f in "$MANY"/*.jpg; do djpeg -scale 1/8 -outfile /dev/null "$f"; done; t1=$(now)
djpeg=$(secs "$t0" "$t1")
echo "djpeg -scale 1/8 once per file (process starts dominate): ${djpeg} s"
read -r _ _ _ bound_wall _ _ bound_cpu _ < <("$BUILD/bench/thumbs/vr_bench_jpeg_bound" "$MANY" | tr -d ',')
echo "libjpeg-turbo 1/8 decode in one process (decode-only bound): ${bound_wall} s, CPU ${bound_cpu} s"
/usr/bin/python3 -c "
o,p,v,d=$ours,$pil,$vips,$djpeg
o1,p1,b1=$ours1_cpu,$pil_cpu,$bound_cpu
print(f'ratios: ours/Pillow {o/p:.2f}  ours/vipsthumbnail {o/v:.2f}  ours/djpeg-per-file {o/d:.2f}')
print(f'one thread, CPU: Pillow/ours {p1/o1:.2f}x (target 1.5x)  ours/in-process bound {o1/b1:.2f} (target 1.3 or less)')"

# Small sets of the other kinds (and JPEG) for thumbnails per second.
SETS="$TMP/sets"
/usr/bin/python3 - "$SETS" <<'PY'
import os, random, sys
from PIL import Image, ImageDraw
random.seed(7)
out = sys.argv[1]
for kind in ("gif", "pcx", "png", "jpg"):
    os.makedirs(os.path.join(out, kind), exist_ok=True)
for i in range(60):
    im = Image.new("RGB", (800, 600), (random.randrange(256), 90, 40))
    d = ImageDraw.Draw(im)
    for _ in range(40):
        x, y = random.randrange(800), random.randrange(600)
        d.ellipse((x, y, x + random.randrange(200), y + random.randrange(200)),
                  fill=(random.randrange(256), random.randrange(256), random.randrange(256)))
    # Some grain, as in photographs, keeps every file above its kind's cache threshold.
    im = Image.blend(im, Image.effect_noise((800, 600), 60).convert("RGB"), 0.25)
    im.convert("P", palette=Image.ADAPTIVE).save(os.path.join(out, "gif", f"p{i:03}.gif"))
    im.save(os.path.join(out, "pcx", f"p{i:03}.pcx"))
    im.save(os.path.join(out, "png", f"p{i:03}.png"))
    im.save(os.path.join(out, "jpg", f"p{i:03}.jpg"), quality=85)
PY
echo "== thumbnails per second by kind (60 files of 800 x 600 each) =="
VR_THUMBS_DIR="$SETS" "$BUILD/bench/thumbs/vr_bench_thumbs" --benchmark_counters_tabular=true
for kind in gif pcx png; do
  t0=$(now)
  "$BUILD/tools/veldrimon-tool" thumbs "$SETS/$kind" --size 128x128 --cache "$TMP/$kind.TMP" > "$TMP/$kind.txt"
  t1=$(now)
  # Files at or below their kind's size threshold get no record (the window draws them from the
  # file), so the whole-process figure only counts as thumbnails when every file was made.
  made=$(grep -cE '	(BMP|JPG)$' "$TMP/$kind.txt" || true)
  /usr/bin/python3 -c "print('veldrimon-tool $kind: %.1f files/s (whole process; $made of 60 above the threshold, made and cached)' % (60/($t1-$t0)))"
  t0=$(now)
  /usr/bin/python3 -c "
import glob,sys
from PIL import Image
for f in sorted(glob.glob('$SETS/$kind/*')):
    im=Image.open(f); im.draft('RGB',(128,128)); im.thumbnail((128,128)); im.tobytes()"
  t1=$(now)
  /usr/bin/python3 -c "print('Pillow $kind: %.1f thumbs/s (whole process)' % (60/($t1-$t0)))"
done
