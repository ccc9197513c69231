# Requests through a proxy, as in an office that allows no other way out: a forward proxy of our own
# on the loopback (tests/proxy/forward_proxy.py, two ports, each request logged with the port it
# came in on), and vantorel-cli under Wine with the user's proxy settings stored in the prefix as
# Windows stores them, or given with --proxy:
#   plain http: the scan's POST goes through the proxy of the settings; --proxy wins over them
#   https: downloads tunnel through the proxy (CONNECT) and the certificate is still checked: one
#     from an unknown authority is refused (win64), the trusted one works (win32)
#   an auto-configuration script: the proxy it names is the one used (win64)
# Sourced by tls_checks.sh; the results join tls_check_results.
#
# proxy_checks WORK PLAIN HTTPS STRANGER PACKAGES PACKAGE   PLAIN is the http mirror behind the TLS
#   listeners HTTPS and STRANGER (as Wine asks them: localhost), PACKAGE a file of its folder
#   PACKAGES; $WINEPREFIX must trust the authority.

proxy_pid=
proxy_log=
proxy_ports=()

proxy_start() {
  local work=$1 port i
  proxy_log="$work/proxy.log"
  proxy_ports=("$(free_loopback_port)" "$(free_loopback_port)")
  : >"$proxy_log"
  python3 "$root/tests/proxy/forward_proxy.py" "$proxy_log" "${proxy_ports[@]}" 2>"$work/proxy.err" &
  proxy_pid=$!
  for port in "${proxy_ports[@]}"; do
    for i in $(seq 50); do
      (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && continue 2
      sleep 0.1
    done
    return 1
  done
}

proxy_stop() {
  [ -n "$proxy_pid" ] && kill "$proxy_pid" 2>/dev/null && wait "$proxy_pid" 2>/dev/null
  proxy_pid=
}

# wine_proxy_settings SERVERS BYPASS [SCRIPT]   the user's proxy settings, as Internet Options
# stores them (the only form Wine's WinHTTP reads): the DefaultConnectionSettings blob, version
# 0x46, a change counter, the flags (direct 1, manual proxy 2, script 4, auto-detect 8; a script
# comes with auto-detection, as an office sets it up), then the server list, the bypass list and the
# script's address, each as a length and its bytes, and 32 bytes of zero; no arguments remove it.
wine_proxy_settings() {
  local key='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections' blob text flags=1
  if [ $# = 0 ]; then
    wine_tool reg delete "$key" /v DefaultConnectionSettings /f >/dev/null 2>&1
    return 0
  fi
  [ -n "$1" ] && flags=$((flags | 2))
  [ -n "${3:-}" ] && flags=$((flags | 4 | 8))
  blob="4600000001000000$(printf '%02x' "$flags")000000"
  for text in "$1" "$2" "${3:-}"; do
    blob+=$(printf '%08x' "${#text}" | sed 's/\(..\)\(..\)\(..\)\(..\)/\4\3\2\1/')
    blob+=$(printf %s "$text" | od -An -tx1 | tr -d ' \n')
  done
  blob+=$(printf '%064d' 0)
  wine_tool reg add "$key" /v DefaultConnectionSettings /t REG_BINARY /d "$blob" /f >/dev/null 2>&1
}

# proxy_went PORT METHOD TARGET   the proxy logged a request on the port with this method and target
proxy_went() {
  grep -q "^$1 $2 $3" "$proxy_log"
}

# proxy_fetch BUILD NAME URL [OPTION...]   vantorel-cli fetch of URL into WORK/NAME, its JSON in
# WORK/NAME.json; the exit status is fetch's
proxy_fetch() {
  local build=$1 name=$2 url=$3
  shift 3
  rm -rf "$work/$name"
  wine_run "$root/build/$build/vantorel-cli.exe" fetch "$url" --size "$size" --folder "$work/$name" "$@" >"$work/$name.json" 2>&1
}

# proxy_fetched NAME   the session in WORK/NAME holds the package (named by the MD5 digest of the
# link's file name)
proxy_fetched() {
  cmp -s "$packages/$package" "$(ls -d "$work/$1"/*.zip 2>/dev/null | head -n 1)"
}

proxy_checks() {
  local work=$1 plain=$2 https=$3 stranger=$4 packages=$5 package=$6 size ok rc started
  local settings option tunnel=${https#https://} refused=${stranger#https://}
  started=$(date +%s)
  size=$(stat -c %s "$packages/$package")
  tunnel=${tunnel%/}; refused=${refused%/}
  rm -rf "$work"; mkdir -p "$work"
  proxy_start "$work" || { tls_check_results+=("fail proxy: the forward proxy did not start (see $work/proxy.err)"); return; }
  settings=${proxy_ports[0]}; option=${proxy_ports[1]}
  # Loopback servers bypass a proxy unless the list says "<-loopback>", as on Windows.
  wine_proxy_settings "127.0.0.1:$settings" "<-loopback>"
  if [ -f "$root/build/win64/vantorel-cli.exe" ]; then
    rc=0; wine_run "$root/build/win64/vantorel-cli.exe" scan --summary --profile "$root/tests/tools/simulated_pc/simulated-pc.json" \
      --mirror "$plain" >"$work/scan.txt" 2>&1 || rc=$?
    ok=0; [ "$rc" = 0 ] && grep -q '^Devices found: ' "$work/scan.txt" && proxy_went "$settings" POST "$plain" && ok=1
    tls_expect "proxy: win64 scan over http through the user's proxy settings" "$ok" "$work/scan.txt"
    ok=0; proxy_fetch win64 option "${plain}packages/$package" --proxy "http://127.0.0.1:$option" && proxy_fetched option &&
      proxy_went "$option" GET "${plain}packages/$package" && ! proxy_went "$settings" GET "${plain}packages/$package" && ok=1
    tls_expect "proxy: win64 download through --proxy, not the settings' proxy" "$ok" "$work/option.json"
    rc=0; proxy_fetch win64 stranger "${stranger}packages/$package" || rc=$?
    ok=0; [ "$rc" = 1 ] && tls_refused "$work/stranger.json" "$stranger" && grep -q 'not trusted' "$work/stranger.json" &&
      proxy_went "$settings" CONNECT "$refused" && ok=1
    tls_expect "proxy: win64 https through the settings' proxy refuses an unknown authority" "$ok" "$work/stranger.json"
  fi
  if [ -f "$root/build/win32/vantorel-cli.exe" ]; then
    ok=0; proxy_fetch win32 win32-https "${https}packages/$package" && proxy_fetched win32-https &&
      proxy_went "$settings" CONNECT "$tunnel" && ok=1
    tls_expect "proxy: win32 https download tunnelled through the settings' proxy, certificate checked" "$ok" "$work/win32-https.json"
  fi
  # A script (served by the proxy, naming its port) with auto-detection, which finds none here.
  if [ -f "$root/build/win64/vantorel-cli.exe" ]; then
    wine_proxy_settings "" "" "http://127.0.0.1:$option/proxy.pac"
    ok=0; proxy_fetch win64 script "${https}packages/$package" && proxy_fetched script &&
      proxy_went "$option" GET /proxy.pac && proxy_went "$option" CONNECT "$tunnel" && ok=1
    tls_expect "proxy: win64 https download through the proxy an auto-configuration script names" "$ok" "$work/script.json"
  fi
  wine_proxy_settings
  proxy_stop
  echo "proxy: $(($(date +%s) - started)) s" >>"$work/../times.txt"
}
