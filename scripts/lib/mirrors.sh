# Three update-server mirrors on loopback ports, serving one catalog (the demo catalog unless
# a catalog and package folder are given).
#
# mirrors_start WORK [CATALOG PACKAGES]   sets mirror_urls (three base URLs) and mirror_pids
# mirrors_stop
#
# With mirrors_https=N (1 to 3) mirror N answers over https, with a certificate for 127.0.0.1 and
# localhost from an authority made at run time in WORK/tls (tls_authority.sh; mirror_ca names its
# PEM file, mirror_ca_der its DER file, for the clients to trust): the server itself serves TLS
# where its usage offers --tls-cert, else nginx does, as a TLS proxy in front of it. Its URL names
# "localhost": under Wine libcurl matches DNS names only (see service/tls_options.h).
#
# The programs come from build/host, or from the build folder VANTOREL_HOST_BUILD names.
mirrors_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$mirrors_root/scripts/lib/tls_authority.sh"
source "$mirrors_root/scripts/lib/tls_proxy.sh"
mirror_urls=()
mirror_pids=()
mirrors_https=${mirrors_https:-0}
mirror_ca=
mirror_ca_der=
mirror_proxy_pid=

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
  mirror_urls=() mirror_pids=() mirror_ca= mirror_ca_der=
  local native_tls=0 tls_options=()
  if [ "$mirrors_https" != 0 ]; then
    tls_authority_make "$work/tls" || return 1
    mirror_ca="$tls_dir/ca.pem" mirror_ca_der="$tls_dir/ca.der"
    "$server" --help 2>&1 | grep -q -- '--tls-cert' && native_tls=1
  fi
  local listen
  for n in 1 2 3; do
    rm -f "$work/mirror$n.port"
    tls_options=() listen=127.0.0.1:0
    if [ "$n" = "$mirrors_https" ] && [ "$native_tls" = 1 ]; then
      # Its package links name localhost too, so a port is chosen beforehand.
      port=$(free_loopback_port) listen=127.0.0.1:$port
      tls_options=(--tls-cert "$tls_dir/server.pem" --tls-key "$tls_dir/server.key" --public-url "https://localhost:$port/")
    fi
    "$server" --catalog "$catalog" --packages "$packages" --listen "$listen" --port-file "$work/mirror$n.port" \
      "${tls_options[@]}" 2>"$work/mirror$n.log" &
    mirror_pids+=($!)
  done
  for n in 1 2 3; do
    for _ in $(seq 100); do [ -s "$work/mirror$n.port" ] && break; sleep 0.1; done
    [ -s "$work/mirror$n.port" ] || { echo "mirror $n did not start:"; cat "$work/mirror$n.log"; mirrors_stop; return 1; }
    port=$(cat "$work/mirror$n.port")
    if [ "$n" != "$mirrors_https" ]; then
      mirror_urls+=("http://127.0.0.1:$port/")
    elif [ "$native_tls" = 1 ]; then
      mirror_urls+=("https://localhost:$port/")
    else
      tls_proxy_start "$work/tls-proxy" "http://127.0.0.1:$port" server || { mirrors_stop; return 1; }
      # The proxy is the mirrors' own: a proxy started later for something else keeps running.
      mirror_proxy_pid=$tls_proxy_pid tls_proxy_pid=
      mirror_urls+=("${tls_proxy_urls[0]/127.0.0.1/localhost}")
    fi
  done
  # The https mirror answers, with a certificate its authority vouches for.
  if [ "$mirrors_https" != 0 ] &&
    ! curl -s -o /dev/null --max-time 10 --cacert "$mirror_ca" "${mirror_urls[$((mirrors_https - 1))]}"; then
    echo "mirror $mirrors_https does not answer over https (see $work/mirror$mirrors_https.log)"
    mirrors_stop
    return 1
  fi
}

mirrors_stop() {
  [ -n "$mirror_proxy_pid" ] && kill "$mirror_proxy_pid" 2>/dev/null && wait "$mirror_proxy_pid" 2>/dev/null
  mirror_proxy_pid=
  local pid
  for pid in "${mirror_pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${mirror_pids[@]}"; do wait "$pid" 2>/dev/null; done
  mirror_pids=()
}
