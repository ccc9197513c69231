# The whole program as a person runs it, sourced by scripts/test.sh (which defines root, results
# and server_check_results, and has started the demo mirrors and the display): in a fresh prefix
# with the simulated PC registered and the mirrors configured (the first one down),
# "Vantorel.exe --autoscan" scans; window-probe.exe photographs the scan page and the results
# and ends the program through its menu. The screenshots go to build/test-results/program/BUILD.
#
# program_wine_run BUILD    one run of build/BUILD/Vantorel.exe, counted as a check

program_wine_run() {
  local build=$1 dir="$root/build/$1" work="$root/build/program-run/$1" rc=0
  local screens="$root/build/test-results/program/$1" log="$results/$1-program.log"
  [ -f "$dir/Vantorel.exe" ] && [ -f "$dir/window-probe.exe" ] && [ -f "$root/build/win64/simulated-pc.exe" ] || return 0
  [ "${#mirror_urls[@]}" -ge 3 ] || return 0
  rm -rf "$work" "$screens"
  mkdir -p "$work" "$screens"
  cp "$dir/Vantorel.exe" "$dir/language.ini" "$work/"
  (
    wine_prefix_fresh "$root/build/wine/program-$build"
    source "$root/tests/win/ui_wine_settings.sh" && ui_wine_settings
    wine_run "$root/build/win64/simulated-pc.exe" register "$root/tools/simulated_pc/simulated-pc.json"
    local key='HKCU\Software\Quellmar'
    wine reg add "$key" /v Mirror1 /t REG_SZ /d http://127.0.0.1:1/ /f
    wine reg add "$key" /v Mirror2 /t REG_SZ /d "${mirror_urls[1]}" /f
    wine reg add "$key" /v Mirror3 /t REG_SZ /d "${mirror_urls[2]}" /f
    wineserver -w
    cd "$work" && wine_run ./Vantorel.exe --autoscan &
    local program=$!
    timeout 300 bash -c "source '$wine_root/scripts/lib/wine.sh'; wine_run '$dir/window-probe.exe' '$(winepath -w "$screens")' 240"
    local status=$?
    wait "$program"
    wine_stop
    exit $status
  ) >"$log" 2>&1 || rc=$?
  if [ "$rc" -eq 0 ] && [ -s "$screens/program-results.png" ]; then
    server_check_results+=("pass program: $build Vantorel.exe --autoscan reaches the results and ends through its menu")
  else
    server_check_results+=("fail program: $build Vantorel.exe --autoscan run (see $log)")
  fi
}
