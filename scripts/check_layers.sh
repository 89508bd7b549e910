#!/usr/bin/env bash
# Layering check, run by CTest on every build:
#   - no logic library (a vr_* library whose name has no _ui or _qt part) has Qt in its link
#     interface; the configure step writes what it found to <links file>, one
#     "library Qt-target" pair a line (see cmake/LayerCheck.cmake);
#   - no source file of the logic folders outside their ui/ and qt/ sub-folders includes a Qt
#     header.
# Usage: check_layers.sh <source dir> <links file>
#        check_layers.sh --self-test    (shows that both rules catch a violation)
set -uo pipefail

# Folders whose code must build without Qt (their ui/ and qt/ sub-folders excepted).
LOGIC_FOLDERS=(picture colour notes lists web)

# Files allowed a Qt include for now, each with its reason. The check fails when one of them no
# longer needs its place, so the list only shrinks.
KNOWN_EXCEPTIONS=()

QT_INCLUDE='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](Q[A-Za-z]|Qt[A-Za-z]+/)'

# Whether the first argument equals one of the others.
in_list() {
  local needle=$1 item
  shift
  for item in "$@"; do
    [ "$item" = "$needle" ] && return 0
  done
  return 1
}

check() {
  local root=$1 links=$2 failed=0
  if [ ! -f "$links" ]; then
    echo "layering: $links is missing (configure the build first)"
    return 1
  fi
  while read -r library target; do
    [ -z "$library" ] && continue
    echo "layering: logic library $library links $target"
    failed=1
  done < "$links"

  local found=()
  local folder
  for folder in "${LOGIC_FOLDERS[@]}"; do
    [ -d "$root/$folder" ] || continue
    while IFS= read -r file; do
      found+=("${file#"$root"/}")
    done < <(find "$root/$folder" \( -name ui -o -name qt \) -prune -o \
               -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' -o -name '*.cc' \) \
               -print | sort | xargs -r grep -lE "$QT_INCLUDE")
  done
  local file known
  for file in "${found[@]}"; do
    if ! in_list "$file" "${KNOWN_EXCEPTIONS[@]}"; then
      echo "layering: $file includes a Qt header outside ui/ and qt/:"
      grep -nE "$QT_INCLUDE" "$root/$file" | sed 's/^/    /'
      failed=1
    fi
  done
  for known in "${KNOWN_EXCEPTIONS[@]}"; do
    if ! in_list "$known" "${found[@]}"; then
      echo "layering: $known no longer includes Qt; take it off the exceptions in $0"
      failed=1
    fi
  done
  [ "$failed" -eq 0 ] && echo "layering: no Qt in the logic libraries and folders"
  return "$failed"
}

self_test() {
  local dir
  # The self-test plants one exception of its own to see that a stale one is caught.
  local -a KNOWN_EXCEPTIONS=(picture/codecs/metafile/dib.h)
  dir=$(mktemp -d) || return 1
  trap 'rm -rf "$dir"' RETURN
  mkdir -p "$dir/picture/ui" "$dir/picture/codecs/metafile/qt" "$dir/colour"
  printf '#include <QImage>\n' > "$dir/picture/codecs/metafile/dib.h"
  printf '#include <QWidget>\n' > "$dir/picture/ui/window.h"
  printf '#include <QPainter>\n' > "$dir/picture/codecs/metafile/qt/player.cpp"
  printf '#include <vector>\n' > "$dir/colour/reduce.cpp"
  : > "$dir/links.txt"
  local out status=0
  out=$(check "$dir" "$dir/links.txt") || { echo "self-test: a clean tree failed: $out"; status=1; }

  printf '#include <vector>\n  #  include "QtGui/QColor"\n' > "$dir/colour/reduce.cpp"
  if out=$(check "$dir" "$dir/links.txt"); then
    echo "self-test: a Qt include in colour/ went unnoticed"; status=1
  elif [[ "$out" != *"colour/reduce.cpp"* || "$out" == *"window.h"* || "$out" == *"player.cpp"* ]]; then
    echo "self-test: wrong files named: $out"; status=1
  fi
  printf '#include <vector>\n' > "$dir/colour/reduce.cpp"

  printf 'vr_colour Qt6::Gui\n' > "$dir/links.txt"
  if out=$(check "$dir" "$dir/links.txt"); then
    echo "self-test: a logic library linking Qt went unnoticed"; status=1
  elif [[ "$out" != *"vr_colour links Qt6::Gui"* ]]; then
    echo "self-test: wrong library named: $out"; status=1
  fi
  : > "$dir/links.txt"

  printf '#include <vector>\n' > "$dir/picture/codecs/metafile/dib.h"
  if out=$(check "$dir" "$dir/links.txt"); then
    echo "self-test: a stale exception went unnoticed"; status=1
  fi
  [ "$status" -eq 0 ] && echo "self-test: every rule catches its violation"
  return "$status"
}

if [ "${1:-}" = "--self-test" ]; then
  self_test
  exit $?
fi
if [ $# -ne 2 ]; then
  echo "usage: $0 <source dir> <links file> | --self-test" >&2
  exit 2
fi
check "$1" "$2"
