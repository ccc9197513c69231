#!/usr/bin/env bash
# The main job on the built-in demo: builds the shipped 32-bit program, makes a fresh Wine prefix,
# registers the simulated PC's devices into it, and runs the program's machine facts and device
# inventory there.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
source scripts/lib/builds.sh
source scripts/lib/wine.sh

echo "[demo] building the 32-bit (shipped) and 64-bit programs"
mkdir -p build
build_tree win32 >build/demo-build.log 2>&1 || { tail -n 30 build/demo-build.log; exit 1; }
build_tree win64 >>build/demo-build.log 2>&1 || { tail -n 30 build/demo-build.log; exit 1; }

trap 'wine_stop; display_stop' EXIT
display_start
wine_prefix_fresh "$root/build/wine/demo-prefix"
echo "[demo] machine facts (32-bit program)"
wine_run build/win32/vantorel-cli.exe facts
echo "[demo] registering the simulated PC (tools/simulated_pc/simulated-pc.json)"
wine_run build/win64/simulated-pc.exe register tools/simulated_pc/simulated-pc.json
# This Wine rebuilds the display adapters' device keys whenever a 32-bit process starts, which
# would replace the simulated graphics cards by Wine's own; the 64-bit program reads the same
# SetupAPI without that side effect.
echo "[demo] device inventory (64-bit program)"
wine_run build/win64/vantorel-cli.exe inventory --summary
