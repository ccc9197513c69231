# An independent file server for the download tests and the benchmark: Debian's nginx on a
# loopback port, serving one folder, with its own configuration, logs and pid file.
#
# nginx_start ROOT_FOLDER STATE_FOLDER   starts it; sets nginx_port and nginx_url; every file is
#                                         also served at 1 MB/s under /slow/
# nginx_stop                              ends it

nginx_pid=
nginx_port=
nginx_url=

source "$(dirname "${BASH_SOURCE[0]}")/ports.sh"

nginx_start() {
  local www=$1 state=$2
  mkdir -p "$state/logs" "$state/temp"
  nginx_port=$(free_loopback_port)
  cat >"$state/nginx.conf" <<CONF
worker_processes 1;
pid $state/nginx.pid;
error_log $state/logs/error.log warn;
$( [ "$(id -u)" = 0 ] && echo "user root;" )
events { worker_connections 64; }
http {
  access_log $state/logs/access.log;
  client_body_temp_path $state/temp;
  sendfile on;
  server {
    listen 127.0.0.1:$nginx_port;
    root $www;
    location / { }
    # The same files at 1 MB/s, so that a pause lands in the middle of a download.
    location /slow/ { alias $www/; limit_rate 1m; }
  }
}
CONF
  nginx -c "$state/nginx.conf" -p "$state" -g 'daemon off;' &
  nginx_pid=$!
  nginx_url="http://127.0.0.1:$nginx_port"
  local i
  for i in $(seq 50); do
    curl -s -o /dev/null "$nginx_url/" && return 0
    sleep 0.1
  done
  echo "nginx did not start (see $state/logs/error.log)" >&2
  return 1
}

nginx_stop() {
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null
  nginx_pid=
}
