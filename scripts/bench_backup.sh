#!/usr/bin/env bash
# Benchmark (not a test): backing up a large driver package folder (many files, tens of MiB) with
# the program's archive writer (vantorel-cli backup, host build, over a store folder) against
# Info-ZIP's "zip -6" on the same folder, and restoring it (vantorel-cli restore --dry-run) against
# unzip. Prints the times and the ratios of the rates.
#   bash scripts/bench_backup.sh [MIB]   (default 64)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
size_mib=${1:-64}
source scripts/lib/builds.sh
build_tree host >/dev/null
work="$root/build/bench/backup"
store="$work/store" infs="$work/infs" package="$work/store/chipset.inf_amd64_bench"
profile=tests/tools/simulated_pc/simulated-pc.json
if [ ! -d "$package" ]; then
  mkdir -p "$package" "$infs"
  printf '[Version]\r\nClass=System\r\nDriverVer=04/01/2019,10.1.1.44\r\n' >"$infs/oem5.inf"
  cp "$infs/oem5.inf" "$package/chipset.inf"
  python3 - "$package" "$size_mib" <<'PY'
import os, random, sys
folder, mib = sys.argv[1], int(sys.argv[2])
random.seed(7)
left, n = mib << 20, 0
while left > 0:
    size = min(left, random.choice([2000] * 8 + [30000] * 4 + [400000, 3 << 20]))
    sub = os.path.join(folder, random.choice(["", "x64", "x64/lang"]))
    os.makedirs(sub, exist_ok=True)
    with open(os.path.join(sub, "file%04d.bin" % n), "wb") as f:
        f.write(os.urandom(size // 2) + bytes(size - size // 2))
    left -= size
    n += 1
PY
fi

milliseconds() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}

best() {  # best of three runs of a command, after a clean-up command
  local clean=$1; shift
  local best= t
  for _ in 1 2 3; do
    eval "$clean"
    t=$(milliseconds "$@")
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  echo "$best"
}

out="$work/out"
zip_ms=$(best "rm -f '$work/info.zip'" bash -c "cd '$package' && zip -q -6 -r '$work/info.zip' .")
ours_ms=$(best "rm -rf '$out'" build/host/vantorel-cli backup --all --folder "$out" --profile "$profile" \
  --store "$store" --inf-folder "$infs")
archive=$(ls "$out"/*.zip)
unzip_ms=$(best "rm -rf '$work/unzipped'" unzip -q "$archive" -d "$work/unzipped")
restore_ms=$(best "rm -rf '${archive%.zip}'" build/host/vantorel-cli restore "$(basename "$archive")" --folder "$out" --dry-run)
unzip -tq "$archive" >/dev/null || { echo "the archive fails unzip -t"; exit 1; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "package: $size_mib MiB in $(find "$package" -type f | wc -l) files"
echo "backup:  zip -6 $zip_ms ms, vantorel $ours_ms ms ($(ratio "$zip_ms" "$ours_ms") x zip's rate)"
echo "restore: unzip $unzip_ms ms, vantorel $restore_ms ms ($(ratio "$unzip_ms" "$restore_ms") x unzip's rate)"
