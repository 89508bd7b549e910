#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
#   ./test.sh              the normal build's tests, with the fuzz corpora replayed
#   ./test.sh --sanitize   also the same tests built with AddressSanitizer and UBSan
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"
cd "$VR_ROOT"

sanitize=0
for arg in "$@"; do
  case "$arg" in
    --sanitize) sanitize=1 ;;
    *) echo "usage: ./test.sh [--sanitize]" >&2; exit 2 ;;
  esac
done

vr_install_packages "${VR_PACKAGES[@]}"
jobs=$(nproc)

vr_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVR_WERROR=ON -DVR_TEST_HOOKS=ON
(cd build && ctest --output-on-failure -j"$jobs")

if [ "$sanitize" -eq 1 ]; then
  vr_build build-asan -DCMAKE_BUILD_TYPE=Debug -DVR_WERROR=ON -DVR_SANITIZE=ON -DVR_TEST_HOOKS=ON
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1:fast_unwind_on_malloc=0 UBSAN_OPTIONS=print_stacktrace=1 \
    LSAN_OPTIONS="suppressions=$VR_ROOT/tests/lsan.supp" \
    ctest --output-on-failure -j"$jobs")
fi
