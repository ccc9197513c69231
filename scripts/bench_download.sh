#!/usr/bin/env bash
# Benchmark (not a test): download throughput of vantorel-cli download (the program's own
# download_with_retries) beside the curl command-line tool, all fetching one large file from nginx
# on the loopback: the host build, and the 64-bit Windows build under Wine.
#   bash scripts/bench_download.sh [SIZE_MIB] [RUNS]   (default 256 MiB, 3 runs of each)
# Each figure is the median of the runs, with the slowest and fastest beside it. "download" is the
# time vantorel-cli reports for the download itself; "with start" adds the process start (under
# Wine about a second). VANTOREL_HOST_BUILD and VANTOREL_WIN64_BUILD name builds to measure in
# place of build/host and build/win64 (with both set, nothing is set up or built here).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
size_mib=${1:-256}
runs=${2:-3}
source scripts/lib/builds.sh
source scripts/lib/wine.sh
source scripts/lib/nginx.sh
if [ -z "${VANTOREL_HOST_BUILD:-}" ] || [ -z "${VANTOREL_WIN64_BUILD:-}" ]; then
  bash scripts/setup.sh >/dev/null
  [ -n "${VANTOREL_HOST_BUILD:-}" ] || build_tree host vantorel-cli >/dev/null
  [ -n "${VANTOREL_WIN64_BUILD:-}" ] || build_tree win64 vantorel-cli >/dev/null
fi
host_cli=${VANTOREL_HOST_BUILD:-build/host}/vantorel-cli
win64_cli=${VANTOREL_WIN64_BUILD:-build/win64}/vantorel-cli.exe

www="$root/build/bench/www"
work="$root/build/bench/work"
mkdir -p "$www" "$work"
if [ "$(stat -c %s "$www/large.bin" 2>/dev/null || echo 0)" != $((size_mib * 1048576)) ]; then
  head -c $((size_mib * 1048576)) /dev/urandom >"$www/large.bin"
fi
bytes=$(stat -c %s "$www/large.bin")
digest=$(sha256sum "$www/large.bin" | cut -c1-64)
head -c 1000 /dev/urandom >"$www/small.bin"
trap 'nginx_stop; wine_stop' EXIT
nginx_start "$www" "$root/build/bench/state"

# "median slowest-fastest" of MiB/s figures, one a line.
summary() {
  sort -n | awk '{ v[NR] = $1 } END { if (NR) printf "%7.0f  (%.0f-%.0f)", v[int((NR + 1) / 2)], v[1], v[NR]; else printf "%7s  %9s", "-", "" }'
}
rate() { awk -v b="$bytes" -v s="$1" 'BEGIN { printf "%.1f\n", b / 1048576 / s }'; }

# measure_cli NAME RUNNER... : runs "RUNNER download" $runs times into $work/NAME.bin, checks each
# file against the served one and prints the two summaries (download, with start).
measure_cli() {
  local name=$1 i start end seconds
  shift
  local -a download_rates=() whole_rates=()
  for i in $(seq "$runs"); do
    rm -f "$work/$name.bin"
    start=$(date +%s%N)
    "$@" download "$nginx_url/large.bin" --size "$bytes" --sha256 "$digest" --to "$work/$name.bin" >"$work/$name.json" 2>&1 ||
      { echo "$name: the download failed (see $work/$name.json)" >&2; exit 1; }
    end=$(date +%s%N)
    cmp -s "$www/large.bin" "$work/$name.bin" || { echo "$name: the download differs from the served file" >&2; exit 1; }
    # An older vantorel-cli does not report its download time.
    seconds=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1])).get("seconds", ""))' "$work/$name.json")
    [ -z "$seconds" ] || download_rates+=("$(rate "$seconds")")
    whole_rates+=("$(rate "$(awk -v ns=$((end - start)) 'BEGIN { print ns / 1e9 }')")")
  done
  printf '%s\n' "${download_rates[@]}" | sed '/^$/d' | summary
  printf '    '
  printf '%s\n' "${whole_rates[@]}" | summary
}

curl_rates=()
for i in $(seq "$runs"); do
  rm -f "$work/curl.bin"
  start=$(date +%s%N)
  curl -s -o "$work/curl.bin" "$nginx_url/large.bin"
  end=$(date +%s%N)
  curl_rates+=("$(rate "$(awk -v ns=$((end - start)) 'BEGIN { print ns / 1e9 }')")")
done
# The hashing alone, from the page cache: what checking the digest costs per GiB.
hash_seconds=$("$host_cli" sha256 "$www/large.bin" | python3 -c 'import json,sys; print(json.load(sys.stdin)["files"][0]["seconds"])')
host_line=$(measure_cli host "$host_cli")

wine_prefix_fresh "$root/build/bench/prefix"
# The first program in a prefix starts its Wine server and settles the prefix: not measured.
wine_run "$win64_cli" download "$nginx_url/small.bin" --size 1000 --to "$work/small.bin" >/dev/null 2>&1 || true
win64_line=$(measure_cli win64 wine_run "$win64_cli")

echo "file: $size_mib MiB from nginx on 127.0.0.1; MiB/s, median (slowest-fastest) of $runs runs"
echo "                                         download          with start"
printf 'curl command line (host)                                   %s\n' "$(printf '%s\n' "${curl_rates[@]}" | summary)"
printf 'vantorel-cli, host, SHA-256 while writing  %s\n' "$host_line"
printf 'vantorel-cli, win64 under Wine, SHA-256    %s\n' "$win64_line"
echo "SHA-256 alone (host): $(awk -v s="$hash_seconds" -v m="$size_mib" 'BEGIN { printf "%.0f ms per GiB", s * 1000 * 1024 / m }')"
