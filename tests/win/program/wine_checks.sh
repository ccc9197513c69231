# The whole program as a person runs it, sourced by scripts/test.sh (which defines root, results
# and server_check_results, and has started the demo mirrors and the display): in a fresh prefix
# with the simulated PC registered and the mirrors configured (the first one down),
# "Vantorel.exe --autoscan" scans; window-probe.exe photographs the scan page and the results
# and ends the program through its menu. The screenshots go to build/test-results/program/BUILD.
#
# program_wine_run BUILD    one run of build/BUILD/Vantorel.exe, counted as a check

source "$root/scripts/lib/program_window.sh"

program_wine_run() {
  local build=$1 dir="$root/build/$1" rc=0
  local screens="$root/build/test-results/program/$1" log="$results/$1-program.log"
  [ -f "$dir/Vantorel.exe" ] && [ -f "$dir/window-probe.exe" ] && [ -f "$root/build/win64/simulated-pc.exe" ] || return 0
  [ "${#mirror_urls[@]}" -ge 3 ] || return 0
  rm -rf "$screens"
  (
    program_window_prepare "$build" "$root/build/program-run/$build" "$root/build/wine/program-$build"
    program_window_probe "$build" "$root/build/program-run/$build" "$screens"
    status=$?
    wine_stop
    exit $status
  ) >"$log" 2>&1 || rc=$?
  if [ "$rc" -eq 0 ] && [ -s "$screens/program-results.png" ]; then
    server_check_results+=("pass program: $build Vantorel.exe --autoscan reaches the results and ends through its menu")
  else
    server_check_results+=("fail program: $build Vantorel.exe --autoscan run (see $log)")
  fi
}
