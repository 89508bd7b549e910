#!/usr/bin/env bash
# Installs what is missing, builds and starts the viewer.
#   ./run.sh                  on the bundled sample pictures
#   ./run.sh FILE|FOLDER ...  on the given pictures and folders
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"
cd "$VR_ROOT"

vr_install_packages "${VR_PACKAGES[@]}"
vr_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVR_TEST_HOOKS=OFF -- veldrimon veldrimon-tool

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found (neither DISPLAY nor WAYLAND_DISPLAY is set)."
  echo "Run the viewer under a virtual X server instead:"
  echo "  apt-get install -y xvfb xauth && xvfb-run -a -s '-screen 0 1280x1024x24' ./run.sh $*"
  exit 1
fi

if [ $# -eq 0 ]; then
  samples="$VR_ROOT/build/samples"
  ./build/tools/veldrimon-tool samples "$samples" >/dev/null
  set -- "$samples"
fi
exec ./build/app/veldrimon "$@"
