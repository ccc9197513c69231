# https in front of a plain HTTP server: Debian's nginx as a TLS reverse proxy on loopback ports,
# one port per server certificate, with its own configuration, logs and pid file.
#
# tls_proxy_start STATE UPSTREAM NAME...   one listener per NAME, presenting $tls_dir/NAME.pem
#                                          (see tls_authority.sh); sets tls_proxy_urls, in order
# tls_proxy_stop

tls_proxy_pid=
tls_proxy_urls=()

source "$(dirname "${BASH_SOURCE[0]}")/ports.sh"

tls_proxy_start() {
  local state=$1 upstream=${2%/} name port servers=
  shift 2
  mkdir -p "$state/logs" "$state/temp"
  tls_proxy_urls=()
  for name in "$@"; do
    port=$(free_loopback_port)
    tls_proxy_urls+=("https://127.0.0.1:$port/")
    servers+="
  server {
    listen 127.0.0.1:$port ssl;
    ssl_certificate $tls_dir/$name.pem;
    ssl_certificate_key $tls_dir/$name.key;
    location / {
      proxy_pass $upstream;
      proxy_http_version 1.1;
      proxy_request_buffering off;
      proxy_buffering off;
      client_max_body_size 16m;
    }
  }"
  done
  cat >"$state/nginx.conf" <<CONF
worker_processes 1;
pid $state/nginx.pid;
error_log $state/logs/error.log warn;
$( [ "$(id -u)" = 0 ] && echo "user root;" )
events { worker_connections 64; }
http {
  access_log $state/logs/access.log;
  client_body_temp_path $state/temp;
  proxy_temp_path $state/temp;
$servers
}
CONF
  nginx -c "$state/nginx.conf" -p "$state" -g 'daemon off;' 2>>"$state/logs/error.log" &
  tls_proxy_pid=$!
  local url port i
  for url in "${tls_proxy_urls[@]}"; do
    port=${url##*:}; port=${port%/}
    for i in $(seq 50); do
      (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && continue 2
      sleep 0.1
    done
    echo "the TLS proxy did not start (see $state/logs/error.log)" >&2
    tls_proxy_stop
    return 1
  done
}

tls_proxy_stop() {
  [ -n "$tls_proxy_pid" ] && kill "$tls_proxy_pid" 2>/dev/null && wait "$tls_proxy_pid" 2>/dev/null
  tls_proxy_pid=
  tls_proxy_urls=()
}
