# The update server as its clients meet it: three mirrors with the demo catalog answer the
# request that vantorel-cli builds for the simulated PC, posted by the curl command-line tool as
# a multipart form; a package download resumes with a range; bad requests get 4xx and harm nothing.
# A check reads a whole answer before it searches it: "curl | grep -q" fails under pipefail when
# grep finds its line before curl has written the rest (curl then dies of SIGPIPE).
# Results go to server_check_results as "pass ..." or "fail ...". The programs come from build/host,
# or from the build folder VANTOREL_HOST_BUILD names.
server_check_results=()

server_check() {
  local label=$1; shift
  if "$@"; then server_check_results+=("pass server: $label"); else server_check_results+=("fail server: $label"); fi
}

post_request() {  # URL FILE OUT -> prints the status
  curl -s -o "$3" -w '%{http_code}' --max-time 20 -F "kelvdoc=@$2" "$1"
}

answers_with_offers() {
  local url=$1 request=$2 out=$3
  [ "$(post_request "$url" "$request" "$out")" = 200 ] && grep -q '<item>' "$out" &&
    [ "$(grep -c '<hardware>' "$out")" -eq "$(grep -c '<hardware>' "$4")" ]
}

resumes_with_a_range() {
  local url=$1 file=$2 out=$3
  [ "$(curl -s -o "$out" -w '%{http_code}' --max-time 20 -r 100- "$url")" = 206 ] && cmp -s "$out" <(tail -c +101 "$file")
}

# The answer is written in the ANSI code page that goes with the request's OEM code page, and says
# so in its content type and declaration: the localised demo packages' descriptions in 1252 for
# OEM 850 and in 1251 for OEM 866 (ü is 0xFC in 1252; "Контроллер" is CA EE ED F2 F0 EE EB EB E5 F0 in 1251).
# The answer's encoding for a client of the OEM code page: the program's request asks for UTF-8;
# with "older" the request is made as an older program made it, without charset="utf-8".
answers_in_the_clients_code_page() {
  local url=$1 work=$2 oem=$3 charset=$4 bytes=$5 older=${6:-}
  local cli="${VANTOREL_HOST_BUILD:-$root/build/host}/vantorel-cli" profile="$root/tests/tools/simulated_pc/simulated-pc.json"
  "$cli" request --profile "$profile" --os WIN764 --lang "$oem" >"$work/request-$oem.xml" || return 1
  if [ -n "$older" ]; then
    sed -i 's/ charset="utf-8"//' "$work/request-$oem.xml"
    ! grep -q 'charset=' "$work/request-$oem.xml" || return 1
  fi
  python3 -c 'import sys, zlib; sys.stdout.buffer.write(zlib.compress(sys.stdin.buffer.read()))' \
    <"$work/request-$oem.xml" >"$work/request-$oem.z" || return 1
  curl -s -D "$work/answer-$oem.headers" -o "$work/answer-$oem.xml" --max-time 20 -F "kelvdoc=@$work/request-$oem.z" "$url" &&
    grep -qi "^Content-Type: text/xml; charset=$charset" "$work/answer-$oem.headers" &&
    head -n 1 "$work/answer-$oem.xml" | grep -q "encoding=\"$charset\"" &&
    LC_ALL=C grep -q "$(printf "$bytes")" "$work/answer-$oem.xml"
}

refuses_then_still_answers() {
  local url=$1 request=$2 work=$3
  [ "$(curl -s -o /dev/null -w '%{http_code}' --max-time 20 -F 'kelvdoc=not zlib' "$url")" = 400 ] &&
    [ "$(curl -s -o /dev/null -w '%{http_code}' --max-time 20 -d 'x=1' "$url")" = 400 ] &&
    [ "$(head -c 9000000 /dev/zero | curl -s -o /dev/null -w '%{http_code}' --max-time 20 -F 'kelvdoc=@-' "$url")" = 413 ] &&
    answers_with_offers "$url" "$request" "$work/again.xml" "$work/request.xml"
}

# A program answers as a tool does: --help (usage on standard output, exit 0), --version, and a
# wrong command line (what is wrong and the usage on standard error, nothing on standard output, exit 2).
answers_like_a_tool() {
  local program=$1 out=$2 name
  name=$(basename "$program")
  "$program" --help >"$out.help" 2>"$out.err" && grep -q '^usage: ' "$out.help" && [ ! -s "$out.err" ] &&
    "$program" --version | grep -Eqx "$name [0-9]+\.[0-9]+\.[0-9]+" || return 1
  local arguments
  for arguments in "" "--no-such-option 1"; do
    # shellcheck disable=SC2086
    "$program" $arguments >"$out.stdout" 2>"$out.stderr"
    [ $? -eq 2 ] && [ ! -s "$out.stdout" ] && [ "$(grep -c "^$name: " "$out.stderr")" -eq 1 ] && grep -q '^usage: ' "$out.stderr" ||
      return 1
  done
}

# A number option's value that is no number is a wrong command line that names the option, and
# writes no catalog.
refuses_a_count_that_is_no_number() {
  local build=$1 work=$2
  mkdir -p "$work"
  rm -f "$work/synthetic.sqlite"
  "$build/vantorel-catalog" synthetic --catalog "$work/synthetic.sqlite" --count abc >"$work/count.out" 2>"$work/count.err"
  [ $? -eq 2 ] && grep -q '^vantorel-catalog: --count takes a whole number .*, not "abc"$' "$work/count.err" &&
    [ ! -e "$work/synthetic.sqlite" ]
}

wait_for_port() {  # FILE -> prints the port once the file holds it
  local _
  for _ in $(seq 200); do [ -s "$1" ] && { cat "$1"; return 0; }; sleep 0.05; done
  return 1
}

# The Debian package installs (into a scratch root: dpkg --root), its systemd unit passes
# systemd-analyze verify (no systemd runs here to start it), and the installed server runs as
# the packaged configuration says, paths moved under the scratch root, until SIGTERM ends it with 0.
package_installs_and_runs() {
  local work=$1 build=${VANTOREL_HOST_BUILD:-$root/build/host} deb target port pid status
  target="$work/root"
  rm -rf "$target"
  mkdir -p "$target/var/lib/dpkg/info" "$target/var/lib/dpkg/updates"
  : >"$target/var/lib/dpkg/status"
  deb=$(VANTOREL_HOST_BUILD=$build bash "$root/scripts/package_server.sh" "$work/out" 2>"$work/package.log") &&
    dpkg --root="$target" --force-depends --force-script-chrootless --log=/dev/null -i "$deb" >"$work/dpkg.log" 2>&1 &&
    [ -x "$target/usr/bin/vantorel-server" ] && [ -x "$target/usr/bin/vantorel-catalog" ] &&
    [ -f "$target/etc/vantorel/server.conf" ] && [ -d "$target/var/lib/vantorel/packages" ] || return 1
  sed "s|/usr/bin/vantorel-server|$target/usr/bin/vantorel-server|" "$target/lib/systemd/system/vantorel-server.service" \
    >"$work/vantorel-server.service"
  systemd-analyze verify "$work/vantorel-server.service" >"$work/verify.log" 2>&1 || return 1
  "$target/usr/bin/vantorel-catalog" demo --catalog "$target/var/lib/vantorel/catalog.sqlite" \
    --packages "$target/var/lib/vantorel/packages" >/dev/null || return 1
  sed -e "s|= /var/lib/|= $target/var/lib/|" -e 's|^listen = .*|listen = 127.0.0.1:0|' \
    -e 's|^admin-listen = .*|admin-listen = 127.0.0.1:0|' "$target/etc/vantorel/server.conf" >"$work/server.conf"
  rm -f "$work/port"
  "$target/usr/bin/vantorel-server" --config "$work/server.conf" --port-file "$work/port" 2>"$work/server.log" &
  pid=$!
  # Health on the admin listener (its port in the log), not on the public one.
  local admin
  port=$(wait_for_port "$work/port") &&
    admin=$(sed -n 's|.*admin listener (health, metrics) on \(http://[^ ]*\)|\1|p' "$work/server.log") &&
    grep -q '"status":"ok","packages":[1-9]' <<<"$(curl -s --max-time 10 "${admin}health")" &&
    [ "$(curl -s -o /dev/null -w '%{http_code}' --max-time 10 "http://127.0.0.1:$port/health")" = 404 ]
  status=$?
  kill -TERM "$pid" 2>/dev/null
  wait "$pid" || status=1
  return $status
}

# With --watch-seconds the server loads a catalog file that was replaced, without a signal.
reloads_when_the_file_changes() {
  local work=$1 request=$2 build=${VANTOREL_HOST_BUILD:-$root/build/host} port pid status=1 _
  mkdir -p "$work"
  rm -f "$work/port"
  "$build/vantorel-catalog" demo --catalog "$work/catalog.sqlite" --packages "$work/packages" >/dev/null || return 1
  "$build/vantorel-server" --catalog "$work/catalog.sqlite" --packages "$work/packages" --watch-seconds 1 \
    --port-file "$work/port" 2>"$work/server.log" &
  pid=$!
  port=$(wait_for_port "$work/port") || { kill "$pid"; return 1; }
  "$build/vantorel-catalog" remove --catalog "$work/catalog.sqlite" nvidia-display-441.66-win7-x64.zip >/dev/null
  for _ in $(seq 100); do
    curl -s --max-time 20 -F "kelvdoc=@$request" "http://127.0.0.1:$port/" >"$work/answer.xml"
    grep -q '<item>' "$work/answer.xml" && ! grep -q 'nvidia-display-441.66-win7-x64.zip' "$work/answer.xml" && { status=0; break; }
    sleep 0.1
  done
  kill -TERM "$pid"
  wait "$pid" || status=1
  return $status
}

# A reload while the packages folder is empty for a moment (a replica being copied) is refused:
# the catalog before stays in service, and /health says that the load failed and why.
a_reload_cannot_empty_the_catalog() {
  local work=$1 request=$2 build=${VANTOREL_HOST_BUILD:-$root/build/host} port pid status=1 _
  mkdir -p "$work"
  rm -rf "$work/port" "$work/packages.away"
  "$build/vantorel-catalog" demo --catalog "$work/catalog.sqlite" --packages "$work/packages" >/dev/null || return 1
  "$build/vantorel-server" --catalog "$work/catalog.sqlite" --packages "$work/packages" --port-file "$work/port" \
    2>"$work/server.log" &
  pid=$!
  port=$(wait_for_port "$work/port") || { kill "$pid"; return 1; }
  mv "$work/packages" "$work/packages.away" && mkdir "$work/packages"
  kill -HUP "$pid"
  for _ in $(seq 100); do
    curl -s --max-time 5 "http://127.0.0.1:$port/metrics" | grep -q 'vantorel_catalog_loads_total{outcome="failed"} 1' && break
    sleep 0.05
  done
  curl -s --max-time 5 "http://127.0.0.1:$port/health" >"$work/health.json"
  curl -s --max-time 20 -F "kelvdoc=@$request" "http://127.0.0.1:$port/" >"$work/answer.xml"
  grep -q '"last_load":"failed"' "$work/health.json" && grep -q 'have no archive' "$work/health.json" &&
    grep -q '<item>' "$work/answer.xml" && grep -q 'not loaded' "$work/server.log" && status=0
  kill -TERM "$pid"
  wait "$pid" || status=1
  rm -rf "$work/packages" && mv "$work/packages.away" "$work/packages"
  return $status
}

# A catalog replaced while two clients keep posting scan requests: vantorel-catalog writes the new
# file, SIGHUP loads it; no request fails, and the answers then offer the new package.
reload_under_load() {
  local work=$1 request=$2 build=${VANTOREL_HOST_BUILD:-$root/build/host} port pid url loader loaders=() status=0 _
  mkdir -p "$work"
  rm -f "$work/stop" "$work"/statuses-* "$work/port"
  "$build/vantorel-catalog" demo --catalog "$work/catalog.sqlite" --packages "$work/packages" >/dev/null || return 1
  "$build/vantorel-server" --catalog "$work/catalog.sqlite" --packages "$work/packages" --port-file "$work/port" \
    2>"$work/server.log" &
  pid=$!
  port=$(wait_for_port "$work/port") || { kill "$pid"; return 1; }
  url="http://127.0.0.1:$port/"
  for loader in 1 2; do
    (for _ in $(seq 2000); do
       [ -e "$work/stop" ] && break
       curl -s -o /dev/null -w '%{http_code}\n' --max-time 20 -F "kelvdoc=@$request" "$url"
     done >"$work/statuses-$loader") &
    loaders+=($!)
  done
  sleep 0.5
  cp "$work/packages/nvidia-display-441.66-win7-x64.zip" "$work/nvidia-display-reissued.zip"
  "$build/vantorel-catalog" import --catalog "$work/catalog.sqlite" --packages "$work/packages" \
    "$work/nvidia-display-reissued.zip" >/dev/null || { echo "reload check: the import failed" >&2; status=1; }
  kill -HUP "$pid"
  for _ in $(seq 200); do
    grep -q 'vantorel_catalog_loads_total{outcome="loaded"} 2' <<<"$(curl -s --max-time 5 "${url}metrics")" && break
    sleep 0.05
  done
  sleep 0.5
  touch "$work/stop"
  wait "${loaders[@]}"
  grep -q 'packages/nvidia-display-reissued.zip' <<<"$(curl -s --max-time 20 -F "kelvdoc=@$request" "$url")" ||
    { echo "reload check: the new package is not offered after the reload" >&2; status=1; }
  [ "$(cat "$work"/statuses-* | wc -l)" -ge 10 ] && ! grep -qv '^200$' "$work"/statuses-* ||
    { echo "reload check: statuses $(sort "$work"/statuses-* | uniq -c | tr -s ' \n' ' ')" >&2; status=1; }
  kill -TERM "$pid"
  wait "$pid" || { echo "reload check: the server ended with status $?" >&2; status=1; }
  return $status
}

server_checks() {
  local work=$1 n
  source "$root/scripts/lib/mirrors.sh"
  mkdir -p "$work"
  if ! mirrors_start "$work"; then server_check_results+=("fail server: mirrors start"); return; fi
  local cli="${VANTOREL_HOST_BUILD:-$root/build/host}/vantorel-cli" profile="$root/tests/tools/simulated_pc/simulated-pc.json"
  "$cli" request --profile "$profile" --os WIN764 --compressed >"$work/request.z"
  "$cli" request --profile "$profile" --os WIN764 >"$work/request.xml"
  for n in 0 1 2; do
    server_check "mirror $((n + 1)) answers the simulated PC" answers_with_offers "${mirror_urls[$n]}" "$work/request.z" \
      "$work/answer$n.xml" "$work/request.xml"
  done
  server_check "a package download resumes" resumes_with_a_range \
    "${mirror_urls[1]}packages/nvidia-display-441.66-win7-x64.zip" "$work/packages/nvidia-display-441.66-win7-x64.zip" "$work/tail.bin"
  server_check "a Western European client gets Cyrillic in UTF-8" answers_in_the_clients_code_page "${mirror_urls[0]}" "$work" \
    850 utf-8 '\xd0\x9a\xd0\xbe\xd0\xbd\xd1\x82\xd1\x80\xd0\xbe\xd0\xbb\xd0\xbb\xd0\xb5\xd1\x80 '
  server_check "an older Western European client gets windows-1252" answers_in_the_clients_code_page "${mirror_urls[0]}" \
    "$work" 850 windows-1252 'Unifying f\xfcr USB' older
  server_check "an older Russian client gets windows-1251" answers_in_the_clients_code_page "${mirror_urls[0]}" "$work" \
    866 windows-1251 '\xca\xee\xed\xf2\xf0\xee\xeb\xeb\xe5\xf0 ' older
  server_check "bad requests get 4xx, the mirror keeps answering" refuses_then_still_answers "${mirror_urls[2]}" "$work/request.z" "$work"
  mirrors_stop
  local build=${VANTOREL_HOST_BUILD:-$root/build/host} program
  for program in vantorel-server vantorel-catalog; do
    server_check "$program answers --help, --version and misuse as a tool" answers_like_a_tool "$build/$program" "$work/$program"
  done
  server_check "vantorel-catalog refuses --count abc, naming the option" refuses_a_count_that_is_no_number "$build" \
    "$work/catalog-count"
  server_check "a catalog replaced under load: no request fails, answers switch" reload_under_load "$work/reload" "$work/request.z"
  server_check "a replaced catalog file is loaded without a signal" reloads_when_the_file_changes "$work/watch" "$work/request.z"
  server_check "a reload that would empty the catalog keeps the one in service" a_reload_cannot_empty_the_catalog \
    "$work/empty-reload" "$work/request.z"
  server_check "the Debian package installs, its unit verifies, the server runs as configured" package_installs_and_runs \
    "$work/package"
}
