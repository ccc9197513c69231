# A loopback port nothing listens on, for the local servers of the tests and the demo. Taken below
# the system's range of ephemeral ports: a port a connection holds there refuses connections (it
# looks free) and refuses a listener too.
free_loopback_port() {
  local port lowest=32768 highest
  read -r lowest highest 2>/dev/null </proc/sys/net/ipv4/ip_local_port_range || true
  [ "${lowest:-0}" -gt 11000 ] || lowest=32768
  while :; do
    port=$((10000 + RANDOM % (lowest - 10000)))
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
  done
}
