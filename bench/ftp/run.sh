#!/usr/bin/env bash
# FTP over loopback: upload and download of a 200 MB file to pyftpdlib with our client
# (veldrimon-tool ftp put/get and the in-process Google Benchmark) and with curl, same run.
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
SRC="${VR_BENCH_SOURCE:-$ROOT}"
BUILD="${VR_BENCH_BUILD:-$ROOT/build-ftp-bench}"
WORK="${VR_FTP_BENCH_DIR:-/tmp/vr-ftp-bench}"
SIZE_MB="${VR_FTP_BENCH_MB:-200}"
RUNS="${VR_FTP_BENCH_RUNS:-3}"

need=()
for pkg in curl bc python3-pyftpdlib libbenchmark-dev; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${need[@]}"
fi

cmake -S "$SRC" -B "$BUILD" -G Ninja -DVR_BENCH=ON >/dev/null
cmake --build "$BUILD" -j2 --target veldrimon-tool vr_bench_ftp >/dev/null
TOOL="$BUILD/tools/veldrimon-tool"

mkdir -p "$WORK/root"
FILE="$WORK/big.bin"
if [ ! -f "$FILE" ] || [ "$(stat -c %s "$FILE")" -ne $((SIZE_MB * 1048576)) ]; then
  head -c $((SIZE_MB * 1048576)) /dev/urandom > "$FILE"
fi

# The server listens on a free port and prints it.
/usr/bin/python3 - "$WORK/root" > "$WORK/port" 2>/dev/null <<'PY' &
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
auth = DummyAuthorizer()
auth.add_anonymous(sys.argv[1], perm="elradfmwMT")
FTPHandler.authorizer = auth
server = FTPServer(("127.0.0.1", 0), FTPHandler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever()
PY
SERVER=$!
trap 'kill $SERVER 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -s "$WORK/port" ] && break; sleep 0.1; done
PORT="$(cat "$WORK/port")"
URL="ftp://127.0.0.1:$PORT"

# Best of RUNS wall-clock seconds of a command.
best() {
  local best_s=""
  for _ in $(seq "$RUNS"); do
    local t0 t1 s
    t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N)
    s=$(echo "$t1 - $t0" | bc -l)
    if [ -z "$best_s" ] || [ "$(echo "$s < $best_s" | bc -l)" = 1 ]; then best_s=$s; fi
  done
  echo "$best_s"
}
rate() { echo "scale=1; $SIZE_MB / $1" | bc -l; }

up_ours=$(best "$TOOL" ftp put "$FILE" "$URL/ours.bin")
up_curl=$(best curl -s -T "$FILE" "$URL/curl.bin")
down_ours=$(best "$TOOL" ftp get "$URL/ours.bin" "$WORK/ours.down")
down_curl=$(best curl -s -o "$WORK/curl.down" "$URL/curl.bin")
cmp "$FILE" "$WORK/ours.down"
cmp "$FILE" "$WORK/curl.down"

printf '%-34s %8s s %8s MB/s\n' "upload   veldrimon-tool ftp put" "$up_ours" "$(rate "$up_ours")"
printf '%-34s %8s s %8s MB/s\n' "upload   curl -T" "$up_curl" "$(rate "$up_curl")"
printf '%-34s %8s s %8s MB/s\n' "download veldrimon-tool ftp get" "$down_ours" "$(rate "$down_ours")"
printf '%-34s %8s s %8s MB/s\n' "download curl -o" "$down_curl" "$(rate "$down_curl")"
echo "ratio ours/curl (time): upload $(echo "scale=2; $up_curl / $up_ours" | bc -l)x," \
     "download $(echo "scale=2; $down_curl / $down_ours" | bc -l)x of curl's speed"

VR_FTP_BENCH_PORT="$PORT" VR_FTP_BENCH_FILE="$FILE" "$BUILD/bench/ftp/vr_bench_ftp"
rm -f "$WORK/ours.down" "$WORK/curl.down" "$FILE.down" "$WORK/root/"*.bin
