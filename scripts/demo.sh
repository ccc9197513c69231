#!/usr/bin/env bash
# The main job on the built-in demo: three local update-server mirrors with the demo catalog
# (real driver packages built here), the simulated PC registered into a fresh Wine prefix, and
# a scan by the program's core: enumeration through SetupAPI, the request to the mirrors
# (mirror 1 is down, so mirror 2 answers), the choice of offers, and a readable summary.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
source scripts/lib/builds.sh
source scripts/lib/wine.sh
source scripts/lib/mirrors.sh

echo "[demo] building the update server, the 32-bit (shipped) and the 64-bit programs"
mkdir -p build
for build in host win32 win64; do
  build_tree "$build" >>build/demo-build.log 2>&1 || { tail -n 30 build/demo-build.log; exit 1; }
done

trap 'mirrors_stop; wine_stop; display_stop' EXIT
echo "[demo] starting three update-server mirrors with the demo catalog"
mirrors_start "$root/build/demo-mirrors"
echo "[demo] mirrors: ${mirror_urls[*]}"
build/host/vantorel-catalog list --catalog build/demo-mirrors/catalog.sqlite | grep -v $'^\t' | cut -f1 | sed 's/^/[demo]   package /'

display_start
wine_prefix_fresh "$root/build/wine/demo-prefix"
echo "[demo] machine facts (32-bit program)"
wine_run build/win32/vantorel-cli.exe facts
echo "[demo] registering the simulated PC (tools/simulated_pc/simulated-pc.json)"
wine_run build/win64/simulated-pc.exe register tools/simulated_pc/simulated-pc.json
# This Wine rebuilds the display adapters' device keys whenever a 32-bit process starts, which
# would replace the simulated graphics cards by Wine's own; the 64-bit program reads the same
# SetupAPI without that side effect.
echo "[demo] scan: mirror 1 is down, mirrors 2 and 3 answer (64-bit program)"
wine_run build/win64/vantorel-cli.exe scan --summary \
  --mirror http://127.0.0.1:1/ --mirror "${mirror_urls[1]}" --mirror "${mirror_urls[2]}"
echo "[demo] The simulated PC keeps no INF files in the driver store, so Windows cannot rank its"
echo "[demo] installed drivers (rank 0); the best choice then offers only what beats a perfect rank."
echo "[demo] The same scan over the profile's own ranks (Linux build of the same core):"
build/host/vantorel-cli scan --summary --profile tools/simulated_pc/simulated-pc.json \
  --mirror http://127.0.0.1:1/ --mirror "${mirror_urls[1]}" --mirror "${mirror_urls[2]}"
