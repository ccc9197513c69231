#!/usr/bin/env bash
# Benchmark (not a test): the update server under load. A generated catalog of 100,000
# packages; wrk posts realistic scan requests (300 devices, 10 IDs each) over the loopback.
# Prints the CPU time per answer, requests per second, latency percentiles and peak memory.
#   bash scripts/bench_server.sh [PACKAGES] [SECONDS] [CONNECTIONS]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
packages=${1:-100000}
seconds=${2:-20}
connections=${3:-32}
bash scripts/setup.sh >/dev/null
source scripts/lib/builds.sh
build_tree host >/dev/null

work="$root/build/bench/server"
mkdir -p "$work/packages"
echo "[bench] CPU time per request, in process"
build/host/scan_answer_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>/dev/null | grep -E 'median'

if [ ! -s "$work/catalog-$packages.sqlite" ]; then
  build/host/vantorel-catalog synthetic --catalog "$work/catalog-$packages.sqlite" --count "$packages" >/dev/null
fi
build/host/vantorel-catalog synthetic-request --devices 300 --ids 10 --count "$packages" --out "$work/body.bin"
cat >"$work/post.lua" <<'LUA'
wrk.method = "POST"
local file = io.open(os.getenv("VANTOREL_BODY"), "rb")
wrk.body = file:read("*a")
file:close()
wrk.headers["Content-Type"] = "multipart/form-data; boundary=vantorel-load-boundary"
LUA

rm -f "$work/port"
build/host/vantorel-server --catalog "$work/catalog-$packages.sqlite" --packages "$work/packages" \
  --listen 127.0.0.1:0 --port-file "$work/port" --threads "$(nproc)" 2>"$work/server.log" &
server=$!
trap 'kill $server 2>/dev/null' EXIT
for _ in $(seq 600); do [ -s "$work/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$work/port")/"
echo "[bench] $(grep -m1 listening "$work/server.log")"
echo "[bench] memory after loading: $(grep VmRSS /proc/$server/status | tr -s ' ')"
status=$(curl -s -o "$work/answer.xml" -w '%{http_code}' -H 'Content-Type: multipart/form-data; boundary=vantorel-load-boundary' \
  --data-binary @"$work/body.bin" "$url")
echo "[bench] one answer: status $status, $(stat -c %s "$work/answer.xml") bytes, $(grep -c '<item>' "$work/answer.xml") items"
# Keep the per-request log out of the measurement's way.
VANTOREL_BODY="$work/body.bin" wrk -t 2 -c "$connections" -d "${seconds}s" --latency -s "$work/post.lua" "$url" |
  grep -E 'Requests/sec|Transfer/sec|50%|90%|99%|Non-2xx|Socket errors|requests in'
echo "[bench] peak memory: $(grep VmHWM /proc/$server/status | tr -s ' ')"
