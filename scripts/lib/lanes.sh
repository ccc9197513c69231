# Parts of the test run that share nothing but the loopback servers run side by side, each in a
# background shell of its own (a lane); sourced by scripts/test.sh, which defines results, the
# counts passed and failed, and the arrays named in lane_arrays, after phase_times.sh (a lane's
# phases are timed from its start and join the table of phases).
#
# lane_start NAME COMMAND...   runs COMMAND in the background with counts and results of its own;
#                              what it prints goes to $results/lane-NAME.log
# lane_join NAME               waits for the lane, prints what it printed and adds its counts and
#                              results to this shell's; a lane that ended without them is a failure
# lanes_stop                   ends the lanes still running (when the run itself is ended)

lane_arrays=(failures server_check_results cli_check_results installer_check_results download_check_results
  tls_check_results fuzz_results phase_names phase_seconds)
declare -A lane_pids=()

lane_start() {
  local name=$1
  shift
  (
    passed=0 failed=0 phase_start=$SECONDS
    for array in "${lane_arrays[@]}"; do eval "$array=()"; done
    "$@"
    declare -p passed failed "${lane_arrays[@]}" >"$results/lane-$name.state"
  ) >"$results/lane-$name.log" 2>&1 &
  lane_pids[$name]=$!
}

lane_join() {
  local name=$1 state array
  state="$results/lane-$name.state"
  wait "${lane_pids[$name]}"
  cat "$results/lane-$name.log"
  if [ ! -s "$state" ]; then
    failed=$((failed + 1))
    failures+=("lane $name ended before it gave its results (see $results/lane-$name.log)")
    return
  fi
  # The lane's variables come back as locals named lane_<name>.
  source <(sed 's/^declare -\([-a-zA-Z]*\) \([a-z_]*\)=/declare -\1 lane_\2=/' "$state")
  passed=$((passed + lane_passed))
  failed=$((failed + lane_failed))
  for array in "${lane_arrays[@]}"; do eval "$array+=(\"\${lane_$array[@]}\")"; done
}

lanes_stop() {
  local pid
  for pid in "${lane_pids[@]}"; do kill "$pid" 2>/dev/null; done
  return 0
}
