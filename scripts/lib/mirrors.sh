# Three update-server mirrors on loopback ports, serving one catalog (the demo catalog unless
# a catalog and package folder are given).
#
# mirrors_start WORK [CATALOG PACKAGES]   sets mirror_urls (three base URLs) and mirror_pids
# mirrors_stop
#
# The programs come from build/host, or from the build folder VANTOREL_HOST_BUILD names.
mirrors_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
mirror_urls=()
mirror_pids=()

mirrors_start() {
  local work=$1 catalog=${2:-} packages=${3:-} n port
  local build=${VANTOREL_HOST_BUILD:-$mirrors_root/build/host}
  local server="$build/vantorel-server"
  mkdir -p "$work"
  if [ -z "$catalog" ]; then
    catalog="$work/catalog.sqlite" packages="$work/packages"
    # Signed with the development key the builds trust (made when a tree is configured).
    "$build/vantorel-catalog" demo --catalog "$catalog" --packages "$packages" \
      --signing-key "$mirrors_root/build/keys/development.secret" >"$work/catalog.log" 2>&1 ||
      { cat "$work/catalog.log"; return 1; }
  fi
  mirror_urls=() mirror_pids=()
  for n in 1 2 3; do
    rm -f "$work/mirror$n.port"
    "$server" --catalog "$catalog" --packages "$packages" --listen 127.0.0.1:0 --port-file "$work/mirror$n.port" \
      2>"$work/mirror$n.log" &
    mirror_pids+=($!)
  done
  for n in 1 2 3; do
    for _ in $(seq 100); do [ -s "$work/mirror$n.port" ] && break; sleep 0.1; done
    [ -s "$work/mirror$n.port" ] || { echo "mirror $n did not start:"; cat "$work/mirror$n.log"; mirrors_stop; return 1; }
    port=$(cat "$work/mirror$n.port")
    mirror_urls+=("http://127.0.0.1:$port/")
  done
}

mirrors_stop() {
  local pid
  for pid in "${mirror_pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${mirror_pids[@]}"; do wait "$pid" 2>/dev/null; done
  mirror_pids=()
}
