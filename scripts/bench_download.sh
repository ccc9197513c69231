#!/usr/bin/env bash
# Benchmark (not a test): download throughput of vantorel-cli's download_with_retries against
# the curl command-line tool, both fetching one large file from nginx on the loopback.
#   bash scripts/bench_download.sh [SIZE_MIB]   (default 512)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
size_mib=${1:-512}
bash scripts/setup.sh >/dev/null
source scripts/lib/builds.sh
source scripts/lib/wine.sh
source scripts/lib/nginx.sh
build_tree host >/dev/null
build_tree win64 >/dev/null

www="$root/build/bench/www"
work="$root/build/bench/work"
mkdir -p "$www" "$work"
if [ "$(stat -c %s "$www/large.bin" 2>/dev/null || echo 0)" != $((size_mib * 1048576)) ]; then
  head -c $((size_mib * 1048576)) /dev/urandom >"$www/large.bin"
fi
bytes=$(stat -c %s "$www/large.bin")
trap 'nginx_stop; wine_stop; display_stop' EXIT
nginx_start "$www" "$root/build/bench/state"

# Prints the MiB/s of one timed command.
measure() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  awk -v b="$bytes" -v ns=$((end - start)) 'BEGIN { printf "%.1f", b / 1048576 / (ns / 1e9) }'
}

digest=$(sha256sum "$www/large.bin" | cut -c1-64)
# The hashing alone, from the page cache: what checking the digest costs per GiB.
hash_seconds=$(build/host/vantorel-cli sha256 "$www/large.bin" | python3 -c 'import json,sys; print(json.load(sys.stdin)["files"][0]["seconds"])')

rm -f "$work"/*
curl_rate=$(measure curl -s -o "$work/curl.bin" "$nginx_url/large.bin")
plain_rate=$(measure build/host/vantorel-cli download "$nginx_url/large.bin" --size "$bytes" --to "$work/plain.bin")
# As the program downloads a signed package: hashed while the bytes are written.
host_rate=$(measure build/host/vantorel-cli download "$nginx_url/large.bin" --size "$bytes" --sha256 "$digest" --to "$work/host.bin")
cmp -s "$www/large.bin" "$work/host.bin" || { echo "host download differs from the served file"; exit 1; }
wine_prefix_fresh "$root/build/bench/prefix"
win64_rate=$(measure wine_run build/win64/vantorel-cli.exe download "$nginx_url/large.bin" --size "$bytes" --sha256 "$digest" --to "$work/win64.bin")
cmp -s "$www/large.bin" "$work/win64.bin" || { echo "win64 download differs from the served file"; exit 1; }

echo "file: $size_mib MiB from nginx on 127.0.0.1"
echo "curl command line:        $curl_rate MiB/s"
echo "vantorel-cli (host), no digest: $plain_rate MiB/s  ($(awk -v a="$plain_rate" -v b="$curl_rate" 'BEGIN { printf "%.2f", a / b }') x curl)"
echo "vantorel-cli (host):      $host_rate MiB/s  ($(awk -v a="$host_rate" -v b="$curl_rate" 'BEGIN { printf "%.2f", a / b }') x curl, SHA-256 while writing)"
echo "SHA-256 alone:            $(awk -v s="$hash_seconds" -v m="$size_mib" 'BEGIN { printf "%.0f ms per GiB", s * 1000 * 1024 / m }')"
echo "vantorel-cli (win64/Wine): $win64_rate MiB/s  ($(awk -v a="$win64_rate" -v b="$curl_rate" 'BEGIN { printf "%.2f", a / b }') x curl, SHA-256 while writing, Wine start-up included)"
