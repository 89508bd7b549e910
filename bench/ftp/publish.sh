#!/usr/bin/env bash
# Publishing a web folder of 1,000 small files (2-20 KB: pictures, pages, thumbnails in the web
# folder layout) to one pyftpdlib on loopback: veldrimon-tool ftp publish --mode 1 against
# lftp's mirror -R (one transfer at a time), then the needed-files rerun (--mode 5, everything
# already there) against mirror -R --only-missing. Each side publishes into its own empty folder
# of the same server, in the same run. Targets: at most 1.2 x lftp's time for the first
# publish, 1.5 x for the rerun.
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
SRC="${VR_BENCH_SOURCE:-$ROOT}"
BUILD="${VR_BENCH_BUILD:-$ROOT/build-ftp-bench}"
WORK="${VR_FTP_PUBLISH_DIR:-/tmp/vr-ftp-publish-bench}"
FILES="${VR_FTP_PUBLISH_FILES:-1000}"

source "$ROOT/scripts/common.sh"
vr_install_packages lftp bc python3-pyftpdlib

if [ -z "${VR_FTP_BENCH_NO_BUILD:-}" ]; then
  cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$BUILD" -j2 --target veldrimon-tool >/dev/null
fi
TOOL="${VR_FTP_BENCH_TOOL:-$BUILD/tools/veldrimon-tool}"

rm -rf "$WORK"
mkdir -p "$WORK/root" "$WORK/web/webpages" "$WORK/web/webthumbs"
# Half pictures, a few pages, the rest thumbnails; sizes 2-20 KB from a fixed seed.
/usr/bin/python3 - "$WORK/web" "$FILES" <<'PY'
import os, random, sys
web, total = sys.argv[1], int(sys.argv[2])
rng = random.Random(7)
pages = max(1, total // 50)
pictures = (total - pages) // 2
thumbs = total - pages - pictures
def write(path):
    with open(path, "wb") as f:
        f.write(os.urandom(rng.randint(2048, 20480)))
for i in range(pictures):
    write(os.path.join(web, "pic%04d.jpg" % i))
for i in range(pages):
    write(os.path.join(web, "webpages", "index%d.html" % (i + 1)))
for i in range(thumbs):
    write(os.path.join(web, "webthumbs", "WP_THUMB_%d.JPG" % i))
PY

rm -f "$WORK/port"
/usr/bin/python3 - "$WORK/root" > "$WORK/port" 2>/dev/null <<'PY' &
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
auth = DummyAuthorizer()
auth.add_user("user", "pw", sys.argv[1], perm="elradfmwMT")
FTPHandler.authorizer = auth
server = FTPServer(("127.0.0.1", 0), FTPHandler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever()
PY
SERVER=$!
trap 'kill $SERVER 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -s "$WORK/port" ] && break; sleep 0.1; done
PORT="$(cat "$WORK/port")"

seconds() { date +%s.%N; }
ours() {  # mode
  "$TOOL" ftp publish "ftp://user:pw@127.0.0.1:$PORT/ours" --pictures "$WORK/web" \
    --pages "$WORK/web/webpages" --thumbs "$WORK/web/webthumbs" --mode "$1" --yes \
    > "$WORK/ours.$1.out" 2>/dev/null
}
theirs() {  # extra mirror options
  lftp -u user,pw -p "$PORT" -e "set ftp:ssl-allow no; set ftp:passive-mode on; \
    set net:max-retries 1; mirror -R --no-perms --parallel=1 $* '$WORK/web' /lftp; bye" \
    127.0.0.1 >/dev/null 2>&1
}
timed() { local t0 t1; t0=$(seconds); "$@"; t1=$(seconds); echo "$t1 - $t0" | bc -l; }

t_ours1=$(timed ours 1)
t_lftp1=$(timed theirs)
t_ours5=$(timed ours 5)
t_lftp5=$(timed theirs --only-missing)

# Both copies complete and byte-identical.
diff -r "$WORK/web" "$WORK/root/ours" >/dev/null
diff -r "$WORK/web" "$WORK/root/lftp" >/dev/null
done1=$(grep -c $'\t\[Upload DONE\]$' "$WORK/ours.1.out" || true)
skipped5=$(grep -c $'\t\[Skipped, Already On Web Site\]$' "$WORK/ours.5.out" || true)

row() {
  printf '%-40s %8.3f s %8.1f files/s\n' "$1" "$2" "$(echo "$FILES / $2" | bc -l)"
}
echo "$FILES files, one pyftpdlib on 127.0.0.1, one run each"
row "publish  veldrimon-tool --mode 1" "$t_ours1"
row "publish  lftp mirror -R --parallel=1" "$t_lftp1"
row "rerun    veldrimon-tool --mode 5" "$t_ours5"
row "rerun    lftp mirror -R --only-missing" "$t_lftp5"
echo "ours uploaded $done1, rerun skipped $skipped5 (of $FILES)"
printf 'publish: ours %.2fx lftp time (target <= 1.2)\n' "$(echo "$t_ours1 / $t_lftp1" | bc -l)"
printf 'rerun:   ours %.2fx lftp time (target <= 1.5)\n' "$(echo "$t_ours5 / $t_lftp5" | bc -l)"
