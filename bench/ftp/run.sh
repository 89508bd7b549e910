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

# One run of a command: wall-clock seconds, then CPU seconds (user + system) of the process.
measure() {
  /usr/bin/time -f "%e %U %S" -o "$WORK/time" "$@" >/dev/null 2>&1
  awk '{printf "%s %.2f\n", $1, $2 + $3}' "$WORK/time"
}
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
rate() { echo "scale=1; $SIZE_MB / $1" | bc -l; }

# Per direction: RUNS pairs (ours, then curl right after it). Besides the median times, the
# median of the pairs' speed ratios, which follows the load of the moment less.
declare -A wall cpu ratio
run_pairs() {
  local dir="$1"; shift
  local ours_w=() curl_w=() ours_c=() curl_c=() ratios=() a b
  for _ in $(seq "$RUNS"); do
    if [ "$dir" = up ]; then
      read -r aw ac < <(measure "$TOOL" ftp put "$FILE" "$URL/ours.bin")
      read -r bw bc_ < <(measure curl -s -T "$FILE" "$URL/curl.bin")
    else
      read -r aw ac < <(measure "$TOOL" ftp get "$URL/ours.bin" "$WORK/ours.down")
      read -r bw bc_ < <(measure curl -s -o "$WORK/curl.down" "$URL/curl.bin")
    fi
    ours_w+=("$aw"); ours_c+=("$ac"); curl_w+=("$bw"); curl_c+=("$bc_")
    ratios+=("$(echo "scale=3; $bw / $aw" | bc -l)")
  done
  wall[$dir,ours]=$(median "${ours_w[@]}"); wall[$dir,curl]=$(median "${curl_w[@]}")
  cpu[$dir,ours]=$(median "${ours_c[@]}"); cpu[$dir,curl]=$(median "${curl_c[@]}")
  ratio[$dir]=$(median "${ratios[@]}")
  echo "$dir runs (s): ours ${ours_w[*]} | curl ${curl_w[*]}"
}
run_pairs up
run_pairs down
cmp "$FILE" "$WORK/root/ours.bin"
cmp "$FILE" "$WORK/ours.down"
cmp "$FILE" "$WORK/curl.down"

echo "median of $RUNS runs each, $SIZE_MB MB, taking turns; CPU = user + system of the client"
line() {
  printf '%-34s %8.3f s %8s MB/s   CPU %5s s\n' "$1" "${wall[$2,$3]}" "$(rate "${wall[$2,$3]}")" \
         "${cpu[$2,$3]}"
}
line "upload   veldrimon-tool ftp put" up ours
line "upload   curl -T" up curl
line "download veldrimon-tool ftp get" down ours
line "download curl -o" down curl
for dir in up down; do
  echo "$dir: ours at $(echo "scale=2; ${wall[$dir,curl]} / ${wall[$dir,ours]}" | bc -l)x of" \
       "curl's speed (medians), ${ratio[$dir]}x (median of the pairs); target 0.9x or more"
done

if [ -z "${VR_FTP_BENCH_NO_INPROCESS:-}" ]; then
  VR_FTP_BENCH_PORT="$PORT" VR_FTP_BENCH_FILE="$FILE" "$BUILD/bench/ftp/vr_bench_ftp"
fi
rm -f "$WORK/ours.down" "$WORK/curl.down" "$FILE.down" "$WORK/root/"*.bin
