#!/usr/bin/env bash
# Benchmark (not a test): unpacking a large driver package (many files, tens of MiB) with the
# program's zip reader (vantorel-cli install --dry-run, host build) against Info-ZIP's unzip on the
# same archive. Prints both times and the ratio of their rates.
#   bash scripts/bench_unzip.sh [MIB]   (default 64)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
size_mib=${1:-64}
source scripts/lib/builds.sh
build_tree host >/dev/null
work="$root/build/bench/unzip"
mkdir -p "$work"
archive="$work/package-$size_mib.zip"
if [ ! -s "$archive" ]; then
  python3 - "$archive" "$size_mib" <<'PY'
import os, random, sys, zipfile
path, mib = sys.argv[1], int(sys.argv[2])
random.seed(7)
with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
    left, n = mib << 20, 0
    while left > 0:
        # Driver packages mix small text files with large binaries that compress a little.
        size = min(left, random.choice([2000] * 8 + [30000] * 4 + [400000, 3 << 20]))
        block = os.urandom(size // 2) + bytes(size - size // 2)
        archive.writestr("pkg/drv/x64/file%04d.%s" % (n, random.choice(["sys", "dll", "inf", "cat"])), block)
        left -= size
        n += 1
PY
fi

# Seconds of one command, best of three.
best_of_three() {
  local best= start end t
  for _ in 1 2 3; do
    rm -rf "$work/out"
    mkdir -p "$work/out"
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    t=$(( (end - start) / 1000000 ))
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  echo "$best"
}

unzip_ms=$(best_of_three unzip -q -o "$archive" -d "$work/out/unzip")
ours_ms=$(best_of_three build/host/vantorel-cli install "$archive" --dry-run --folder "$work/out")
files=$(unzip -Z1 "$archive" | wc -l)
echo "archive: $(( $(stat -c %s "$archive") >> 20 )) MiB compressed, $size_mib MiB unpacked, $files files"
echo "unzip:          $unzip_ms ms"
echo "zip reader:     $ours_ms ms  ($(awk -v a="$unzip_ms" -v b="$ours_ms" 'BEGIN { printf "%.2f", a / b }') x unzip's rate)"
