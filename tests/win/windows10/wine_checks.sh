# The program's view of a Windows 10 PC, sourced by scripts/test.sh (which defines root, results
# and cli_check_results): in a fresh prefix that Wine sets to report Windows 10 (build 18362 in
# Wine 8), "vantorel-cli facts" must tell the true version, its build and the code "WIN1064"
# (without its manifest the program would be told 6.2, and send "WIN864").
#
# windows10_facts_check BUILD    one check of build/BUILD/vantorel-cli.exe

windows10_facts_check() {
  local build=$1 cli="$root/build/$1/vantorel-cli.exe" log="$results/$1-windows10-facts.json" rc=0
  [ -f "$cli" ] || return 0
  (
    WINE_VERSION=win10 wine_prefix_fresh "$root/build/wine/windows10-$build"
    wine_run "$cli" facts 2>/dev/null | tr -d '\r'
    status=${PIPESTATUS[0]}
    wine_stop
    exit "$status"
  ) >"$log" || rc=$?
  if [ "$rc" -eq 0 ] && grep -q '"os_code": "WIN1064"' "$log" && grep -q '"build": 18362' "$log" &&
    grep -q '"major": 10' "$log"; then
    cli_check_results+=("pass windows10: $build vantorel-cli facts reports 10.0 build 18362 and WIN1064")
  else
    cli_check_results+=("fail windows10: $build vantorel-cli facts under a Windows 10 prefix (see $log)")
  fi
}
