#!/usr/bin/env bash
# The main job on the built-in demo: builds the shipped 32-bit program and runs it under Wine in
# a fresh prefix, printing what it learns about the machine.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
source scripts/lib/builds.sh
source scripts/lib/wine.sh

echo "[demo] building the 32-bit program"
build_tree win32 >build/demo-build.log 2>&1 || { tail -n 30 build/demo-build.log; exit 1; }

trap 'wine_stop; display_stop' EXIT
display_start
wine_prefix_fresh "$root/build/wine/demo-prefix"
echo "[demo] vantorel-cli facts (32-bit, under Wine)"
wine_run build/win32/vantorel-cli.exe facts
