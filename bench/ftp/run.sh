#!/usr/bin/env bash
# FTP over loopback: upload and download of a 200 MB file to pyftpdlib with our client
# (veldrimon-tool ftp put/get and the in-process Google Benchmark) and with curl, same run.
# The two clients take turns (ours, curl, ours, curl, ...) so that load from other work on the
# machine falls on both alike; each figure is the median of RUNS runs.
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
SRC="${VR_BENCH_SOURCE:-$ROOT}"
BUILD="${VR_BENCH_BUILD:-$ROOT/build-ftp-bench}"
WORK="${VR_FTP_BENCH_DIR:-/tmp/vr-ftp-bench}"
SIZE_MB="${VR_FTP_BENCH_MB:-200}"
RUNS="${VR_FTP_BENCH_RUNS:-5}"

need=()
for pkg in curl bc python3-pyftpdlib libbenchmark-dev; do
  dpkg -s "$pkg" >/dev/null 2>&1 || need+=("$pkg")
done
if [ ${#need[@]} -gt 0 ]; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${need[@]}"
fi

if [ -z "${VR_FTP_BENCH_NO_BUILD:-}" ]; then
  cmake -S "$SRC" -B "$BUILD" -G Ninja -DVR_BENCH=ON >/dev/null
  cmake --build "$BUILD" -j2 --target veldrimon-tool vr_bench_ftp >/dev/null
fi
TOOL="${VR_FTP_BENCH_TOOL:-$BUILD/tools/veldrimon-tool}"

mkdir -p "$WORK/root"
FILE="$WORK/big.bin"
if [ ! -f "$FILE" ] || [ "$(stat -c %s "$FILE")" -ne $((SIZE_MB * 1048576)) ]; then
  head -c $((SIZE_MB * 1048576)) /dev/urandom > "$FILE"
fi

# The server listens on a free port and prints it.
rm -f "$WORK/port"
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

# Wall-clock seconds of one run of a command.
seconds() {
  local t0 t1
  t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N)
  echo "$t1 - $t0" | bc -l
}
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
rate() { echo "scale=1; $SIZE_MB / $1" | bc -l; }

up_ours=(); up_curl=(); down_ours=(); down_curl=()
for _ in $(seq "$RUNS"); do
  up_ours+=("$(seconds "$TOOL" ftp put "$FILE" "$URL/ours.bin")")
  up_curl+=("$(seconds curl -s -T "$FILE" "$URL/curl.bin")")
done
for _ in $(seq "$RUNS"); do
  down_ours+=("$(seconds "$TOOL" ftp get "$URL/ours.bin" "$WORK/ours.down")")
  down_curl+=("$(seconds curl -s -o "$WORK/curl.down" "$URL/curl.bin")")
done
cmp "$FILE" "$WORK/root/ours.bin"
cmp "$FILE" "$WORK/ours.down"
cmp "$FILE" "$WORK/curl.down"

uo=$(median "${up_ours[@]}"); uc=$(median "${up_curl[@]}")
do_=$(median "${down_ours[@]}"); dc=$(median "${down_curl[@]}")
echo "median of $RUNS runs each, $SIZE_MB MB, taking turns"
printf '%-34s %8.3f s %8s MB/s\n' "upload   veldrimon-tool ftp put" "$uo" "$(rate "$uo")"
printf '%-34s %8.3f s %8s MB/s\n' "upload   curl -T" "$uc" "$(rate "$uc")"
printf '%-34s %8.3f s %8s MB/s\n' "download veldrimon-tool ftp get" "$do_" "$(rate "$do_")"
printf '%-34s %8.3f s %8s MB/s\n' "download curl -o" "$dc" "$(rate "$dc")"
echo "ratio ours/curl (speed): upload $(echo "scale=2; $uc / $uo" | bc -l)x," \
     "download $(echo "scale=2; $dc / $do_" | bc -l)x of curl's speed (target: 0.9x or more)"
echo "all runs (s): up ours ${up_ours[*]} | up curl ${up_curl[*]}"
echo "              down ours ${down_ours[*]} | down curl ${down_curl[*]}"

if [ -z "${VR_FTP_BENCH_NO_INPROCESS:-}" ]; then
  VR_FTP_BENCH_PORT="$PORT" VR_FTP_BENCH_FILE="$FILE" "$BUILD/bench/ftp/vr_bench_ftp"
fi
rm -f "$WORK/ours.down" "$WORK/curl.down" "$FILE.down" "$WORK/root/"*.bin
