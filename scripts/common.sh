# Shared by run.sh and test.sh: install what is missing, then configure and build.
# shellcheck shell=bash

VR_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Debian packages the program and its tests need.
VR_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-multimedia-dev libgl-dev libxkbcommon-dev
  libjpeg62-turbo-dev libpng-dev zlib1g-dev libexiv2-dev
  libgtest-dev libgmock-dev
  python3 python3-pyftpdlib python3-openssl microsocks dbus python3-dbus python3-gi
  giflib-tools imagemagick pngcheck libjpeg-turbo-progs
  xdg-utils tidy
  chromium
  libwebp-dev libtiff-dev libheif-dev webp libtiff-tools libheif-examples
  desktop-file-utils appstream
  poppler-utils img2pdf cups-daemon cups-client
  xvfb xdotool libxcb1-dev
)

vr_install_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg -s "$pkg" >/dev/null 2>&1 || ! dpkg -s "$pkg" 2>/dev/null | grep -q '^Status: install ok installed'; then
      missing+=("$pkg")
    fi
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
  fi
}

# vr_build <build-dir> <cmake options...> -- <targets...>
vr_build() {
  local dir="$1"; shift
  local opts=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do opts+=("$1"); shift; done
  [ "${1:-}" = "--" ] && shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$VR_ROOT" -B "$dir" -G Ninja "${opts[@]}"
  else
    cmake "$dir" "${opts[@]}" >/dev/null
  fi
  if [ $# -gt 0 ]; then
    cmake --build "$dir" --target "$@"
  else
    cmake --build "$dir"
  fi
}
