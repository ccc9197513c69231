# The program's view of a Windows 10 PC, sourced by scripts/test.sh (which defines root, results
# and cli_check_results): in a fresh prefix that Wine sets to report Windows 10 (build 18362 in
# Wine 8), "vantorel-cli facts" must tell the true version, its build and the code "WIN1064"
# (without its manifest the program would be told 6.2, and send "WIN864"); and "vantorel-cli
# schedule on" must register the weekly scan as the user's Task Scheduler 2.0 task, kept under
# C:\windows\system32\tasks, with its settings (Wine keeps no more of it: docs/wine.md).
#
# windows10_facts_check BUILD    the checks of build/BUILD/vantorel-cli.exe

windows10_facts_check() {
  local build=$1 cli="$root/build/$1/vantorel-cli.exe" log="$results/$1-windows10-facts.json"
  local schedule_log="$results/$1-windows10-schedule.json" prefix="$root/build/wine/windows10-$1" rc=0 task
  [ -f "$cli" ] || return 0
  (
    WINE_VERSION=win10 wine_prefix_fresh "$prefix"
    wine_run "$cli" facts 2>/dev/null | tr -d '\r'
    status=${PIPESTATUS[0]}
    wine_run "$cli" schedule on 2>&1 | tr -d '\r' >"$schedule_log"
    wine_stop
    exit "$status"
  ) >"$log" || rc=$?
  if [ "$rc" -eq 0 ] && grep -q '"os_code": "WIN1064"' "$log" && grep -q '"build": 18362' "$log" &&
    grep -q '"major": 10' "$log"; then
    cli_check_results+=("pass windows10: $build vantorel-cli facts reports 10.0 build 18362 and WIN1064")
  else
    cli_check_results+=("fail windows10: $build vantorel-cli facts under a Windows 10 prefix (see $log)")
  fi
  task="$prefix/drive_c/windows/system32/tasks/Vantorel weekly scan (S-1-5-21-0-0-0-1000)"
  if grep -q '"scheduler": "2.0"' "$schedule_log" && grep -q '"execution_time_limit": "PT0S"' "$schedule_log" &&
    grep -q '"start_when_available": true' "$schedule_log" && grep -q '"stop_going_on_batteries": false' "$schedule_log" &&
    grep -q '<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>' "$task" 2>/dev/null; then
    cli_check_results+=("pass windows10: $build vantorel-cli schedule on registers the user's Task Scheduler 2.0 task")
  else
    cli_check_results+=("fail windows10: $build vantorel-cli schedule on under a Windows 10 prefix (see $schedule_log)")
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
