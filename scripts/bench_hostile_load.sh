#!/usr/bin/env bash
# Benchmark (not a test): other clients' scans while one address attacks the update server with
# 32 slow uploads of 8 MiB (all sent but the last bytes, then one byte every 10 s). The attacker
# names itself 192.0.2.1 through X-Forwarded-For, the loopback being a trusted proxy, so that it
# and wrk's clients are two addresses; no packet leaves the loopback. Prints the requests/s of
# realistic scans (300 devices) without and with the attack, their share, and the 503s seen. As
# behind a load balancer, the per-address connection limit is off (every peer is the loopback).
#   bash scripts/bench_hostile_load.sh [SECONDS] [CONNECTIONS] [PATH]
# PATH "/report" makes the slow uploads install reports instead: 16,000 bytes announced (their
# limit is 16 KiB), all but the last 64 sent at once.
# The programs come from build/host (built here), or from the build folder VANTOREL_HOST_BUILD names.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-10}
connections=${2:-16}
target=${3:-/}
source scripts/lib/bench_server_tools.sh
bench_host_build

work="$root/build/bench/hostile"
mkdir -p "$work/packages"
[ -s "$work/catalog.sqlite" ] || "$build/vantorel-catalog" synthetic --catalog "$work/catalog.sqlite" --count 100000 >/dev/null
"$build/vantorel-catalog" synthetic-request --devices 300 --ids 10 --count 100000 --out "$work/body.bin"
bench_post_script "$work/post.lua"

rm -f "$work/port"
"$build/vantorel-server" --catalog "$work/catalog.sqlite" --packages "$work/packages" --check-files no \
  --listen 127.0.0.1:0 --port-file "$work/port" --threads 2 --trusted-proxy 127.0.0.1 --connections-per-address 0 \
  2>/dev/null &
server=$!
attacker=
trap 'kill $server $attacker 2>/dev/null' EXIT
for _ in $(seq 600); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(cat "$work/port")

scans() {  # prints requests/s, then the count of non-2xx answers
  VANTOREL_BODY="$work/body.bin" wrk -t 2 -c "$connections" -d "${seconds}s" -s "$work/post.lua" "http://127.0.0.1:$port/" >"$work/wrk.txt"
  sed -n 's/^Requests\/sec: *\([0-9.]*\).*/\1/p' "$work/wrk.txt"
  sed -n 's/^ *Non-2xx or 3xx responses: *\([0-9]*\).*/\1/p' "$work/wrk.txt" | grep . || echo 0
}

read -r -d '' unloaded unloaded_bad < <(scans; printf '\0') || true
# The attacker: 32 connections, each 8 MiB announced and all but 64 bytes sent at once.
python3 - "$port" "$target" >"$work/attacker.log" 2>&1 <<'PY' &
import socket, sys, time
port, target = int(sys.argv[1]), sys.argv[2]
size = 16000 if target == "/report" else 8 * 1024 * 1024
kind = "application/json" if target == "/report" else "multipart/form-data; boundary=b"
head = ("POST %s HTTP/1.1\r\nHost: x\r\nContent-Type: %s\r\n"
        "X-Forwarded-For: 192.0.2.1\r\nContent-Length: %d\r\n\r\n" % (target, kind, size)).encode()
uploads = []
for _ in range(32):
    s = socket.create_connection(("127.0.0.1", port))
    s.sendall(head + b"x" * (size - 64))
    uploads.append(s)
print("32 uploads hold", flush=True)
while True:
    for s in uploads:
        try:
            s.send(b"x")
        except OSError:
            pass
    time.sleep(10)
PY
attacker=$!
for _ in $(seq 300); do grep -q "uploads hold" "$work/attacker.log" 2>/dev/null && break; sleep 0.1; done
# Until the server has read what the uploads sent (its CPU time stays still for a second).
ticks() { awk '{print $14 + $15}' "/proc/$server/stat"; }
for _ in $(seq 60); do before=$(ticks); sleep 1; [ "$(ticks)" -le $((before + 2)) ] && break; done
read -r -d '' loaded loaded_bad < <(scans; printf '\0') || true
echo "[bench] scans without the attack: $unloaded requests/s ($unloaded_bad not 2xx)"
echo "[bench] scans during 32 slow uploads to $target from one address: $loaded requests/s ($loaded_bad not 2xx)"
awk -v a="$unloaded" -v b="$loaded" 'BEGIN { if (a > 0) printf "[bench] share kept: %.0f %%\n", 100 * b / a }'
