#!/usr/bin/env bash
# Benchmark (not a test): the update server under load. A generated catalog of IDS device IDs
# (four per package); wrk posts realistic scan requests (300 devices, 10 IDs each) over the
# loopback from the same machine, so its own CPU use counts against the server's.
# Prints the catalog's load time, resident memory, requests per second, latency percentiles and
# the server's CPU time per request.
#   bash scripts/bench_server.sh [IDS] [SECONDS] [CONNECTIONS]
# The programs come from build/host (built here), or from the build folder VANTOREL_HOST_BUILD names.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
ids=${1:-400000}
seconds=${2:-20}
connections=${3:-32}
packages=$(( (ids + 3) / 4 ))
source scripts/lib/bench_server_tools.sh
bench_host_build

work="$root/build/bench/server"
mkdir -p "$work/packages"
if [ -x "$build/scan_answer_bench" ]; then
  echo "[bench] CPU time per request in process (100,000 packages)"
  "$build/scan_answer_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>/dev/null | grep -E 'median'
fi

if [ ! -s "$work/catalog-$packages.sqlite" ]; then
  "$build/vantorel-catalog" synthetic --catalog "$work/catalog-$packages.sqlite.part" --count "$packages" >/dev/null
  mv "$work/catalog-$packages.sqlite.part" "$work/catalog-$packages.sqlite"
fi
"$build/vantorel-catalog" synthetic-request --devices 300 --ids 10 --count "$packages" --out "$work/body.bin"
bench_post_script "$work/post.lua"

# Generated packages have no archives: the file check is off.
rm -f "$work/port"
"$build/vantorel-server" --catalog "$work/catalog-$packages.sqlite" --packages "$work/packages" --check-files no \
  --listen 127.0.0.1:0 --port-file "$work/port" --threads "$(nproc)" 2>"$work/server.log" &
server=$!
trap 'kill $server 2>/dev/null' EXIT
for _ in $(seq 1200); do [ -s "$work/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$work/port")/"
cpu_ticks() { awk '{print $14 + $15}' "/proc/$server/stat"; }
hz=$(getconf CLK_TCK)
echo "[bench] $(grep -m1 'device IDs' "$work/server.log" | sed 's/^vantorel-server: //'), $(awk -v t="$(cpu_ticks)" -v hz="$hz" 'BEGIN { printf "%.1f", t / hz }') s of CPU"
echo "[bench] memory after loading: $(grep VmRSS /proc/$server/status | tr -s ' ')"
status=$(curl -s -o "$work/answer.xml" -w '%{http_code}' -H 'Content-Type: multipart/form-data; boundary=vantorel-load-boundary' \
  --data-binary @"$work/body.bin" "$url")
echo "[bench] one answer: status $status, $(stat -c %s "$work/answer.xml") bytes, $(grep -c '<item>' "$work/answer.xml") items"

before=$(cpu_ticks)
VANTOREL_BODY="$work/body.bin" wrk -t 2 -c "$connections" -d "${seconds}s" --latency -s "$work/post.lua" "$url" >"$work/wrk.txt"
after=$(cpu_ticks)
grep -E 'Requests/sec|Transfer/sec|50%|90%|99%|Non-2xx|Socket errors|requests in' "$work/wrk.txt"
requests=$(sed -n 's/^ *\([0-9]*\) requests in.*/\1/p' "$work/wrk.txt")
awk -v t=$((after - before)) -v hz="$hz" -v n="$requests" \
  'BEGIN { if (n > 0) printf "[bench] server CPU per request: %.3f ms\n", t * 1000 / hz / n }'
echo "[bench] peak memory: $(grep VmHWM /proc/$server/status | tr -s ' ')"
echo "[bench] load average while measuring (2 cores here; other work on the machine slows every figure): $(cut -d' ' -f1-3 /proc/loadavg)"
