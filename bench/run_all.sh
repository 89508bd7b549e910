#!/usr/bin/env bash
# Runs every area's side-by-side benchmark script in turn, then the areas' further scripts.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
status=0
for script in "$here"/*/run.sh "$here"/ftp/hold.sh; do
  echo "=== ${script#$here/}"
  bash "$script" || status=1
done
exit $status
