#!/usr/bin/env bash
# Benchmark (not a test): install reports taken per second into SQLite and into PostgreSQL, and
# scans answered per second through HAProxy with one replica and with three, all on this machine
# (the replicas share its cores, so three show what spreading costs, not what more machines give).
#   bash scripts/bench_scale.sh [SECONDS]   (default 10 s per figure)
# wrk drives the load: reports with 32 connections, scans of the simulated PC with 16.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-10}
source scripts/lib/builds.sh
if [ -z "${VANTOREL_HOST_BUILD:-}" ]; then
  bash scripts/setup.sh >/dev/null
  build_tree host vantorel-server vantorel-catalog vantorel-cli >/dev/null
fi
source scripts/lib/scale_checks.sh
build=${VANTOREL_HOST_BUILD:-build/host}
work="$root/build/bench/scale"
rm -rf "$work"
mkdir -p "$work"

# Each request a new report id (wrk's Lua), so that every one is stored.
cat >"$work/report.lua" <<'LUA'
wrk.method = "POST"
wrk.headers["Content-Type"] = "application/json"
local counter = 0
request = function()
  counter = counter + 1
  local id = string.format("%08x%08x%016x", math.random(0, 0x7fffffff), os.time(), counter)
  local body = '{"report_id":"' .. id .. '","package_sha256":"' .. string.rep("ab", 32) ..
    '","inf_path":"drv\\\\x.inf","hardware_id":"PCI\\\\VEN_1234&DEV_0001","outcome":"installed",' ..
    '"os":"WIN1064","build":19045,"machine":"amd64"}'
  return wrk.format(nil, "/report", nil, body)
end
LUA
"$build/vantorel-cli" request --profile tests/tools/simulated_pc/simulated-pc.json --os WIN764 --compressed >"$work/request.z"
python3 - "$work/request.z" "$work/scan.lua" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
boundary = "vantorelbench"
body = (b"--" + boundary.encode() + b"\r\nContent-Disposition: form-data; name=\"kelvdoc\"\r\n\r\n" + data +
        b"\r\n--" + boundary.encode() + b"--\r\n")
escaped = "".join("\\%d" % byte for byte in body)
open(sys.argv[2], "w").write('wrk.method = "POST"\nwrk.headers["Content-Type"] = "multipart/form-data; boundary=%s"\n'
                              'wrk.body = "%s"\n' % (boundary, escaped))
PY

rate() { awk '/Requests\/sec/ {print $2}'; }
non_2xx() { awk '/Non-2xx/ {print $4}'; }

# Reports into SQLite: one server, its file beside the catalog.
"$build/vantorel-catalog" demo --catalog "$work/catalog.sqlite" --packages "$work/packages" \
  --signing-key build/keys/development.secret >/dev/null 2>&1
port=$(free_loopback_port)
"$build/vantorel-server" --catalog "$work/catalog.sqlite" --packages "$work/packages" --listen "127.0.0.1:$port" \
  --reports-db "$work/reports.sqlite" --connections-per-address 0 --answers-per-client 4096 >"$work/sqlite.log" 2>&1 &
server=$!
for _ in $(seq 100); do curl -s -o /dev/null "http://127.0.0.1:$port/" && break; sleep 0.1; done
sqlite_rate=$(wrk -t2 -c32 -d"${seconds}s" -s "$work/report.lua" "http://127.0.0.1:$port" | rate)
kill "$server"; wait "$server" 2>/dev/null || true

figures=()
for replicas in 1 3; do
  scale_start "$work/r$replicas" "$replicas" >"$work/start$replicas.log" 2>&1 || { cat "$work/start$replicas.log"; exit 1; }
  if [ "$replicas" = 1 ]; then
    pg_rate=$(wrk -t2 -c32 -d"${seconds}s" -s "$work/report.lua" "$scale_url" | rate)
  fi
  scans=$(wrk -t2 -c16 -d"${seconds}s" -s "$work/scan.lua" "$scale_url" | tee "$work/scans$replicas.txt" | rate)
  errors=$(non_2xx <"$work/scans$replicas.txt")
  figures+=("scans through HAProxy, $replicas replica(s): $scans per second (non-2xx: ${errors:-0})")
  scale_stop
done
echo "install reports taken, SQLite: $sqlite_rate per second"
echo "install reports taken, PostgreSQL (through HAProxy, one replica): $pg_rate per second"
printf '%s\n' "${figures[@]}"
echo "(all on this machine's $(nproc) cores: the replicas, HAProxy, PostgreSQL and wrk share them)"
