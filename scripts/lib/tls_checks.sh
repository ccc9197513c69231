# https through the real programs: vantorel-cli (the host build, or a Windows build under Wine in a
# prefix that trusts the test authority through its root store) against TLS listeners in front of
# an update-server mirror (tls_proxy.sh), each presenting another certificate:
#   a certificate from the trusted authority   the package download works, and the scan (not
#                                               in the 32-bit build: see below)
#   one from an authority nobody trusts         refused, the host and the reason said
#   an expired one from the trusted authority   refused, the host and the reason said
# Sourced by scripts/test.sh, which defines root.
#
# tls_listeners_start WORK MIRROR   the authority in WORK/authority and the three listeners in
#                                   front of MIRROR; sets tls_urls
# tls_all_checks WORK PACKAGES      the checks of the host build (the authority trusted through
#                                   OpenSSL's store file) and of win64 and win32 in $WINEPREFIX:
#                                   first that win64 refuses the authority before the prefix trusts
#                                   it, then, trusted, the checks of both and those through a
#                                   proxy (proxy_checks.sh); times in WORK/times.txt
# tls_checks RUNNER NAME WORK TRUSTED STRANGER EXPIRED PACKAGES PACKAGE   the checks of one build:
#   RUNNER runs vantorel-cli; PACKAGE is a file of the mirror's folder PACKAGES
# Under Wine the listeners are asked as "localhost": libcurl's name check there knows DNS names
# only (see service/tls_options.h).

source "$(dirname "${BASH_SOURCE[0]}")/tls_authority.sh"
source "$(dirname "${BASH_SOURCE[0]}")/tls_proxy.sh"
source "$(dirname "${BASH_SOURCE[0]}")/proxy_checks.sh"
tls_check_results=()
tls_urls=()
tls_upstream=

tls_expect() {
  local label=$1 ok=$2 file=$3
  if [ "$ok" = 1 ]; then tls_check_results+=("pass $label"); else tls_check_results+=("fail $label (see $file)"); fi
}

# tls_refused FILE URL   the fetch's JSON says TLS refused the host of URL, and why
tls_refused() {
  local file=$1 host=${2#https://}
  host=${host%%/*}
  grep -q '"state_name": "failed"' "$file" &&
    grep -q "\"error_text\": \"$host: the secure connection was refused (.*): ..*\"" "$file"
}

tls_listeners_start() {
  local work=$1 mirror=$2
  tls_urls=()
  tls_upstream=$mirror
  if tls_authority_make "$work/authority" && tls_proxy_start "$work/proxy" "$mirror" server stranger expired; then
    tls_urls=("${tls_proxy_urls[@]}")
  else
    tls_check_results+=("fail tls: the https listeners could not be started")
  fi
}

tls_checks() {
  local runner=$1 name=$2 work=$3 trusted=$4 stranger=$5 expired=$6 packages=$7 package=$8
  local size ok rc started
  size=$(stat -c %s "$packages/$package")
  rm -rf "$work"; mkdir -p "$work"
  started=$(date +%s)
  rc=0; $runner fetch "${trusted}packages/$package" --size "$size" --folder "$work/trusted" >"$work/trusted.json" 2>&1 || rc=$?
  # The session names the package by the MD5 digest of the link's file name.
  ok=0; [ "$rc" = 0 ] && cmp -s "$packages/$package" "$(ls -d "$work/trusted"/*.zip | head -n 1)" && ok=1
  tls_expect "$name: https download, certificate of the trusted authority" "$ok" "$work/trusted.json"
  # The scan posts through the same transfer set-up; the 32-bit build, whose every start costs
  # about 16 s under qemu, leaves it to the others.
  if [ "$name" != win32 ]; then
    rc=0; $runner scan --summary --profile "$root/tests/tools/simulated_pc/simulated-pc.json" --mirror "$trusted" \
      >"$work/scan.txt" 2>&1 || rc=$?
    ok=0; [ "$rc" = 0 ] && grep -q '^Devices found: ' "$work/scan.txt" && ok=1
    tls_expect "$name: https scan, certificate of the trusted authority" "$ok" "$work/scan.txt"
  fi
  rc=0; $runner fetch "${stranger}packages/$package" --size "$size" --folder "$work/stranger" >"$work/stranger.json" 2>&1 || rc=$?
  ok=0; [ "$rc" = 1 ] && tls_refused "$work/stranger.json" "$stranger" &&
    grep -q 'not trusted' "$work/stranger.json" && ok=1
  tls_expect "$name: https refused, certificate of an unknown authority" "$ok" "$work/stranger.json"
  rc=0; $runner fetch "${expired}packages/$package" --size "$size" --folder "$work/expired" >"$work/expired.json" 2>&1 || rc=$?
  ok=0; [ "$rc" = 1 ] && tls_refused "$work/expired.json" "$expired" && grep -q 'expired' "$work/expired.json" && ok=1
  tls_expect "$name: https refused, expired certificate" "$ok" "$work/expired.json"
  echo "$name: $(($(date +%s) - started)) s" >>"$work/../times.txt"
}

tls_all_checks() {
  local work=$1 packages=$2 package size ok build started
  [ "${#tls_urls[@]}" = 3 ] || return 0
  started=$(date +%s)
  rm -f "$work/times.txt"
  package=$(ls "$packages" | head -n 1)
  size=$(stat -c %s "$packages/$package")
  [ -x "$root/build/host/vantorel-cli" ] &&
    tls_checks "env SSL_CERT_FILE=$tls_dir/ca.pem $root/build/host/vantorel-cli" host "$work/host" "${tls_urls[@]}" "$packages" "$package"
  local wine_urls=("${tls_urls[@]/127.0.0.1/localhost}")
  if [ -f "$root/build/win64/vantorel-cli.exe" ]; then
    mkdir -p "$work/win64-untrusted"
    wine_run "$root/build/win64/vantorel-cli.exe" fetch "${wine_urls[0]}packages/$package" --size "$size" \
      --folder "$work/win64-untrusted" >"$work/win64-untrusted.json" 2>&1
    ok=0; tls_refused "$work/win64-untrusted.json" "${wine_urls[0]}" && grep -q 'not trusted' "$work/win64-untrusted.json" && ok=1
    tls_expect "win64: https refused before the prefix trusts the authority" "$ok" "$work/win64-untrusted.json"
  fi
  if wine_trust_root "$tls_dir/ca.der" >"$work/trust-root.log" 2>&1; then
    for build in win64 win32; do
      [ -f "$root/build/$build/vantorel-cli.exe" ] &&
        tls_checks "wine_run $root/build/$build/vantorel-cli.exe" "$build" "$work/$build" "${wine_urls[@]}" "$packages" "$package"
    done
    proxy_checks "$work/forward-proxy" "$tls_upstream" "${wine_urls[0]}" "${wine_urls[1]}" "$packages" "$package"
  else
    tls_check_results+=("fail tls: trust-root.exe could not add the authority (see $work/trust-root.log)")
  fi
  echo "all: $(($(date +%s) - started)) s" >>"$work/times.txt"
}
