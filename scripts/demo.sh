#!/usr/bin/env bash
# The main job on the built-in demo, step by step: three local update-server mirrors with the demo
# catalog (real driver packages built here), mirror 2 over https with a certificate from an
# authority made for this run, which the prefix trusts through its root store as an administrator
# would have it trust one, the simulated PC registered into a fresh Wine prefix,
# then the program's core through vantorel-cli: a scan (mirror 1 is down, so mirror 2 answers),
# the download of two packages, their installation by our driver package installer, a rescan that
# finds both devices up to date, a backup of one package from the driver store and its restore.
# Then the program's own window, installed into a fresh simulated PC by its set-up program
# (Vantorel-Setup-<version>.exe /S): on a real display for the user to click through, or else
# driven under Xvfb through scan, download, install and rescan, photographed.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# Each phase says how long it took (the set-up and builds only the first time).
phase_tag=demo
source scripts/lib/phase_times.sh
bash scripts/setup.sh demo
phase_took set-up
source scripts/lib/builds.sh
source scripts/lib/wine.sh
source scripts/lib/mirrors.sh
source scripts/lib/program_window.sh
# A display of the user's own (not the virtual one started below) gets the real window.
user_display=${DISPLAY:-}

say() { printf '[demo] %s\n' "$*"; }
step() { printf '\n[demo] == %s ==\n' "$*"; }
words() { python3 scripts/lib/demo_words.py "$@"; }
# The sentences about a step, in the demo's margin.
tell() { words "$@" | sed 's/^/[demo] /'; }

say "building the update server, the 32-bit (shipped) and the 64-bit programs"
mkdir -p build
trap 'mirrors_stop; wine_stop; display_stop' EXIT
display_start
# The Wine prefix template is made meanwhile (once; mostly one thread, so beside the compilers).
wine_template >build/demo-wine-template.log 2>&1 &
template_pid=$!
# Only what the walk-through runs: the tests build the rest of each tree.
demo_build() {
  local build=$1
  shift
  say "  $build: $*"
  build_tree "$build" "$@" >>build/demo-build.log 2>&1 || { tail -n 30 build/demo-build.log; exit 1; }
  phase_took "$build build"
}
demo_build host vantorel-server vantorel-catalog vantorel-cli
demo_build win32 Vantorel vantorel-cli DPInst32 window-probe
demo_build win64 vantorel-cli DPInst64 simulated-pc trust-root
say "building the set-up program of the 32-bit build (makensis): scripts/package_windows.sh"
setup=$(VANTOREL_DEVELOPMENT_RELEASE=1 bash scripts/package_windows.sh win32 2>>build/demo-build.log) || { tail -n 30 build/demo-build.log; exit 1; }
say "  $setup"
phase_took "set-up program"

say "starting three update-server mirrors with the demo catalog, mirror 2 over https"
mirrors_https=2 mirrors_start "$root/build/demo-mirrors"
say "mirrors: ${mirror_urls[*]}"
say "mirror 2's certificate comes from an authority made for this run: $mirror_ca"
# The Linux build trusts it through OpenSSL's store file.
export SSL_CERT_FILE=$mirror_ca
build/host/vantorel-catalog list --catalog build/demo-mirrors/catalog.sqlite | grep -v $'^\t' | cut -f1 | sed 's/^/[demo]   package /'

wait "$template_pid" || { cat build/demo-wine-template.log; exit 1; }
wine_prefix_fresh "$root/build/wine/demo-prefix"
say "the prefix trusts that authority through the machine's root store (trust-root.exe)"
wine_trust_root "$mirror_ca_der" | sed 's/^/[demo]   /'
# The program as installed: the tool and the driver package installers in one folder (the backups
# go to a folder of their own, given with --folder, which keeps its own backup index).
work="$root/build/demo-work"
rm -rf "$work"
mkdir -p "$work/program" "$work/json"
cp build/win64/vantorel-cli.exe build/win64/DPInst64.exe build/win32/DPInst32.exe "$work/program/"
cli() { wine_run "$work/program/vantorel-cli.exe" "$@"; }
windows_path() { wine_tool winepath -w "$1" 2>/dev/null | tr -d '\r'; }
downloads=$(windows_path "$work/downloads")
backups=$(windows_path "$work/backups")
mirrors=(--mirror http://127.0.0.1:1/ --mirror "${mirror_urls[1]}" --mirror "${mirror_urls[2]}")

say "machine facts (32-bit program, the shipped build)"
wine_run build/win32/vantorel-cli.exe facts | tee "$work/json/facts.json"
tell windows "$work/json/facts.json"
say "registering the simulated PC (tests/tools/simulated_pc/simulated-pc.json)"
wine_run build/win64/simulated-pc.exe register tests/tools/simulated_pc/simulated-pc.json
# This Wine rebuilds the display adapters' device keys whenever a 32-bit process starts, which
# would replace the simulated graphics cards by Wine's own; the 64-bit program reads the same
# SetupAPI without that side effect.

step "1. Scan: mirror 1 is down, mirror 2 answers over https"
cli scan --summary "${mirrors[@]}"
cli scan "${mirrors[@]}" >"$work/json/scan.json"
say "The simulated PC keeps no INF files of its installed drivers in the driver store, so their rank"
say "cannot be read: it counts as unknown (driver_rank_known false in the JSON), and the best choice"
say "then goes by date and version, as the latest one does (the game controller has no driver at all)."

step "2. Download: the game controller's best package and the chipset's latest"
words offers "$work/json/scan.json" >"$work/offers.tsv"
n=0
while IFS=$'\t' read -r link size inf device choice sha256; do
  n=$((n + 1))
  say "$device ($choice choice): $link, $size bytes, signed SHA-256 $sha256"
  cli fetch "$link" --size "$size" --sha256 "$sha256" --folder "$downloads" >"$work/json/fetch$n.json" </dev/null
  package=$(words file "$work/json/fetch$n.json")
  say "  downloaded to $package and checked against the signed digest"
  printf '%s\t%s\t%s\t%s\n' "$package" "$inf" "$device" "$sha256" >>"$work/packages.tsv"
done <"$work/offers.tsv"

step "3. Install both with our driver package installer (DPInst64.exe, silent, waited for)"
n=0
while IFS=$'\t' read -r package inf device sha256; do
  n=$((n + 1))
  say "$device: checking $package again, unpacking it and starting the installer on $inf"
  cli install "$package" --inf "$inf" --sha256 "$sha256" --wait >"$work/json/install$n.json" </dev/null || true
  tell installed "$work/json/install$n.json"
done <"$work/packages.tsv"

step "4. Rescan through the same mirrors"
cli scan "${mirrors[@]}" >"$work/json/rescan.json"
tell drivers "$work/json/rescan.json"
cli scan --summary "${mirrors[@]}" >"$work/rescan.txt"
sed -n '1,4p' "$work/rescan.txt"

step "5. Back up the game controller's package from the driver store"
controller=$(words instance "$work/json/rescan.json")
cli backup --device "$controller" --folder "$backups" >"$work/json/backup.json"
tell backed-up "$work/json/backup.json"
archive=$(ls "$work/backups"/*.zip | head -n 1)
unzip -l "$archive" >"$work/archive.txt"
sed 's/^/[demo]   /' "$work/archive.txt"

step "6. Restore it (forced: the installer puts the backed-up driver in again)"
cli restore "$(basename "$archive")" --folder "$backups" --wait >"$work/json/restore.json" || true
tell installed "$work/json/restore.json"
cli scan "${mirrors[@]}" >"$work/json/after-restore.json"
tell drivers "$work/json/after-restore.json"

step "The same first scan over the profile's own driver ranks (Linux build of the same core)"
build/host/vantorel-cli scan --summary --profile tests/tools/simulated_pc/simulated-pc.json "${mirrors[@]}" >"$work/linux.txt"
sed -n '1,4p' "$work/linux.txt"
say "the JSON of every step is in $work/json"

phase_took walk-through
step "The program's own window (Vantorel.exe, the shipped 32-bit build) on a fresh simulated PC"
window_work="$root/build/demo-window"
program_window_prepare win32 "$window_work/program" "$root/build/wine/demo-window-prefix" "$setup" >>build/demo-build.log 2>&1
say "$(basename "$setup") /S installed the program into C:\\Program Files (x86)\\Vantorel, as a user's set-up does"
if [ -n "$user_display" ]; then
  say "the window opens on your display and scans at once; close it (menu, Exit) to end the demo"
  (cd "$(readlink -f "$window_work/program")" && wine_run ./Vantorel.exe --autoscan) || true
else
  say "no display: the window runs under Xvfb and a probe works it as a user would"
  program_window_probe win32 "$window_work/program" "$window_work/screens" --drive | sed 's/^/[demo]   /'
  say "screenshots of each page:"
  ls "$window_work"/screens/*.png | sed 's/^/[demo]   /'
fi
phase_took "window part"
phase_summary
