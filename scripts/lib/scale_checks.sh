# The update server on several machines, on loopback: one PostgreSQL for install reports (a
# scratch cluster of its own, run as its own user), three vantorel-server replicas with the same
# catalog file each, HAProxy in front (health checks on each replica's admin listener), nginx
# serving the packages folder that the answers link to (--packages-url). Sourced by
# scripts/test.sh, which defines root and server_check_results; tests/server/scale/scale_check.py
# drives it and says what held.
#
# scale_checks WORK     the whole check, its results added to server_check_results
# scale_start WORK [REPLICAS]   starts the pieces (for the benchmark too): sets scale_url, pg_url,
#                       scale_admin_urls, scale_pids; scale_stop ends them

source "$root/scripts/lib/ports.sh"

scale_pg_bin() { ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1; }

# A scratch cluster owned by the "postgres" user where the checks run as root, in a folder of its
# own under /tmp (the checkout's folders may be closed to other users).
scale_pg_start() {
  local work=$1 bin port as=() dir
  bin=$(scale_pg_bin)
  [ -x "$bin/initdb" ] || { echo "no PostgreSQL"; return 1; }
  port=$(free_loopback_port)
  dir=$(mktemp -d /tmp/vantorel-pg.XXXXXX)
  chmod 755 "$dir"
  if [ "$(id -u)" = 0 ]; then
    id postgres >/dev/null 2>&1 || { echo "no postgres user"; return 1; }
    chown postgres "$dir"
    as=(runuser -u postgres --)
  fi
  "${as[@]}" "$bin/initdb" -D "$dir/data" -A trust -U vantorel >"$work/pg-init.log" 2>&1 || { cat "$work/pg-init.log"; return 1; }
  "${as[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off" start >"$work/pg-start.log" 2>&1 ||
    { cat "$work/pg-start.log" "$dir/server.log"; return 1; }
  "$bin/createdb" -h 127.0.0.1 -p "$port" -U vantorel reports || return 1
  scale_pg_as=("${as[@]}")
  scale_pg_dir=$dir
  pg_url="postgresql://vantorel@127.0.0.1:$port/reports"
}

scale_pg_stop() {
  [ -n "${scale_pg_dir:-}" ] || return 0
  "${scale_pg_as[@]}" "$(scale_pg_bin)/pg_ctl" -D "$scale_pg_dir/data" -m fast -w stop >/dev/null 2>&1
  cp "$scale_pg_dir/server.log" "${scale_work:-/tmp}/pg-server.log" 2>/dev/null
  rm -rf "$scale_pg_dir"
  scale_pg_dir=
}

scale_start() {
  local work=$1 replicas=${2:-3} build="${VANTOREL_HOST_BUILD:-$root/build/host}" n port admin servers=""
  scale_pids=() scale_admin_urls=() scale_ports=()
  scale_work=$work
  mkdir -p "$work"
  scale_pg_start "$work" || return 1
  "$build/vantorel-catalog" demo --catalog "$work/catalog.sqlite" --packages "$work/packages" \
    --signing-key "$root/build/keys/development.secret" >"$work/catalog.log" 2>&1 || { cat "$work/catalog.log"; return 1; }
  # nginx holds the packages folder; the answers link there.
  scale_nginx_port=$(free_loopback_port)
  mkdir -p "$work/nginx/logs" "$work/nginx/temp"
  cat >"$work/nginx/nginx.conf" <<CONF
worker_processes 1;
pid $work/nginx/nginx.pid;
error_log $work/nginx/logs/error.log warn;
$( [ "$(id -u)" = 0 ] && echo "user root;" )
events { worker_connections 256; }
http {
  access_log off;
  client_body_temp_path $work/nginx/temp;
  sendfile on;
  server { listen 127.0.0.1:$scale_nginx_port; root $work/packages; location / { } }
}
CONF
  nginx -c "$work/nginx/nginx.conf" -p "$work/nginx" -g 'daemon off;' &
  scale_pids+=($!)
  scale_port=$(free_loopback_port)
  scale_url="http://127.0.0.1:$scale_port/"
  for n in $(seq "$replicas"); do
    mkdir -p "$work/r$n"
    cp "$work/catalog.sqlite" "$work/r$n/catalog.sqlite"
    port=$(free_loopback_port)
    admin=$(free_loopback_port)
    "$build/vantorel-server" --catalog "$work/r$n/catalog.sqlite" --packages "$work/packages" \
      --listen "127.0.0.1:$port" --admin-listen "127.0.0.1:$admin" --public-url "$scale_url" \
      --packages-url "http://127.0.0.1:$scale_nginx_port/" --reports-db "$pg_url" --demotion-refresh-seconds 2 \
      --demote-after 5 --trusted-proxy 127.0.0.1 --connections-per-address 0 --threads 2 \
      --port-file "$work/r$n/port" >"$work/r$n/server.log" 2>&1 &
    scale_pids+=($!)
    scale_replica_pids[$n]=$!
    scale_admin_urls+=("http://127.0.0.1:$admin/")
    servers+="  server r$n 127.0.0.1:$port check port $admin inter 500 fall 2 rise 2"$'\n'
  done
  cat >"$work/haproxy.cfg" <<CONF
global
  maxconn 4096
defaults
  mode http
  timeout connect 5s
  timeout client 60s
  timeout server 60s
  retries 3
  option redispatch
  option forwardfor
frontend scans
  bind 127.0.0.1:$scale_port
  default_backend replicas
backend replicas
  balance roundrobin
  option httpchk GET /health
  http-check expect status 200
$servers
CONF
  haproxy -f "$work/haproxy.cfg" -db >"$work/haproxy.log" 2>&1 &
  scale_pids+=($!)
  for n in $(seq 100); do curl -s -o /dev/null --max-time 2 "$scale_url" && break; sleep 0.1; done
  # Every replica answers its health check before the checks begin.
  for admin in "${scale_admin_urls[@]}"; do
    for n in $(seq 100); do curl -sf -o /dev/null --max-time 2 "${admin}health" && break; sleep 0.1; done
  done
  sleep 1.5  # HAProxy's first checks
}

scale_stop() {
  local pid
  for pid in "${scale_pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${scale_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  scale_pids=()
  scale_pg_stop
}

scale_checks() {
  local work=$1 build="${VANTOREL_HOST_BUILD:-$root/build/host}" line
  if ! command -v haproxy >/dev/null || [ -z "$(scale_pg_bin)" ]; then
    server_check_results+=("fail scale: HAProxy or PostgreSQL is not installed (scripts/setup.sh installs them)")
    return
  fi
  rm -rf "$work"
  if ! scale_start "$work" 3 >"$work.log" 2>&1; then
    server_check_results+=("fail scale: the replicas, HAProxy, nginx and PostgreSQL did not start (see $work.log)")
    scale_stop
    return
  fi
  "$build/vantorel-cli" request --profile "$root/tests/tools/simulated_pc/simulated-pc.json" --os WIN764 --compressed \
    >"$work/request.z"
  # The PostgreSQL store's own tests, against this cluster.
  if VANTOREL_POSTGRES_URL="$pg_url" "$build/vantorel_tests" --gtest_filter='report_stores/*' >"$work/store-tests.log" 2>&1; then
    server_check_results+=("pass scale: the report store's tests against PostgreSQL")
  else
    server_check_results+=("fail scale: the report store's tests against PostgreSQL (see $work/store-tests.log)")
  fi
  while IFS= read -r line; do
    server_check_results+=("$line")
  done < <(python3 "$root/tests/server/scale/scale_check.py" --url "$scale_url" --admin "${scale_admin_urls[@]}" \
             --stop-pid "${scale_replica_pids[2]}" --work "$work" --catalog-tool "$build/vantorel-catalog" \
             --reports-db "$pg_url" --signing-key "$root/build/keys/development.secret" \
             --pids "${scale_replica_pids[1]}" "${scale_replica_pids[3]}" 2>"$work/check.log")
  scale_stop
}
