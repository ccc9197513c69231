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

# manifest_check BUILD    the shipped programs of build/BUILD carry their manifest: Windows 10
#                         declared, the version 6 common controls, no elevation to start
manifest_check() {
  local build=$1 program file missing
  for program in Vantorel vantorel-cli; do
    file="$root/build/$build/$program.exe"
    [ -f "$file" ] || continue
    missing=
    for text in 'supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"' 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' \
      'requestedExecutionLevel level="asInvoker"'; do
      grep -aqF "$text" "$file" || missing="$missing [$text]"
    done
    if [ -z "$missing" ]; then
      cli_check_results+=("pass manifest: $build $program.exe declares Windows 10, common controls 6, asInvoker")
    else
      cli_check_results+=("fail manifest: $build $program.exe lacks$missing")
    fi
  done
}
