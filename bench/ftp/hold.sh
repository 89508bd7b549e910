#!/usr/bin/env bash
# The transfer window's speed limit over time: the real window and its worker thread, offscreen,
# against pyftpdlib on loopback, at track bar positions 5 (10K) and 7 (50K), download and upload.
# Each case reports the rate of every second-long window over SECONDS seconds, measured on the
# growing file (the local one for a download, the server's for an upload), whether each is
# within 10 % of the limit, and the longest gap between ticks of a zero-interval timer on the UI
# thread (under 250 ms). The server writes what it receives unbuffered, so its file grows as the
# data arrives.
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
ROOT="$(cd "$HERE/../.." && pwd)"
SRC="${VR_BENCH_SOURCE:-$ROOT}"
BUILD="${VR_BENCH_BUILD:-$ROOT/build-ftp-bench}"
WORK="${VR_FTP_HOLD_DIR:-/tmp/vr-ftp-hold}"
SECONDS_MEASURED="${VR_FTP_HOLD_SECONDS:-10}"

source "$ROOT/scripts/common.sh"
vr_install_packages python3-pyftpdlib

if [ -z "${VR_FTP_BENCH_NO_BUILD:-}" ]; then
  cmake -S "$SRC" -B "$BUILD" -G Ninja -DVR_BENCH=ON >/dev/null
  cmake --build "$BUILD" -j2 --target vr_bench_ftp_hold >/dev/null
fi

rm -rf "$WORK"
mkdir -p "$WORK/root" "$WORK/local"
/usr/bin/python3 - "$WORK/root" > "$WORK/port" 2>/dev/null <<'PY' &
import sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

class Unbuffered(AbstractedFS):
    # Uploads reach the disk as each piece arrives, not in 8 KB steps of a Python buffer.
    def open(self, filename, mode):
        if "w" in mode or "a" in mode or "+" in mode:
            return open(filename, mode, buffering=0)
        return open(filename, mode)

auth = DummyAuthorizer()
auth.add_anonymous(sys.argv[1], perm="elradfmwMT")
FTPHandler.authorizer = auth
FTPHandler.abstracted_fs = Unbuffered
server = FTPServer(("127.0.0.1", 0), FTPHandler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever()
PY
SERVER=$!
trap 'kill $SERVER 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -s "$WORK/port" ] && break; sleep 0.1; done

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
status=0
QT_QPA_PLATFORM=offscreen "$BUILD/bench/ftp/vr_bench_ftp_hold" "$(cat "$WORK/port")" \
  "$WORK/root" "$WORK/local" "$SECONDS_MEASURED" || status=$?
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
rm -rf "$WORK"
exit $status
