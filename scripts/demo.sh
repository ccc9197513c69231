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

echo "[demo] building the 32-bit program"
mkdir -p build
build_tree win32 >build/demo-build.log 2>&1 || { tail -n 30 build/demo-build.log; exit 1; }

trap 'wine_stop; display_stop' EXIT
display_start
wine_prefix_fresh "$root/build/wine/demo-prefix"
echo "[demo] registering the simulated PC (tools/simulated_pc/simulated-pc.json)"
wine_run build/win32/simulated-pc.exe register tools/simulated_pc/simulated-pc.json
echo "[demo] machine facts"
wine_run build/win32/vantorel-cli.exe facts
echo "[demo] device inventory"
wine_run build/win32/vantorel-cli.exe inventory --summary
