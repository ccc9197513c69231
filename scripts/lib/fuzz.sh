# Runs the libFuzzer targets of build/host-fuzz briefly, two at a time (one per core). Each run
# starts from the committed seeds (and any extra seed folders) and keeps what it finds in
# build/fuzz/<target>; a crash leaves its input in build/test-results/fuzz. Results go to
# fuzz_results as "pass ..." or "fail ..." once fuzz_wait has collected them.
#   fuzz_start TARGET SECONDS SEEDS...   starts one run (waiting while two are running)
#   fuzz_wait                            waits for every run started and collects the results
fuzz_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
fuzz_results=()
fuzz_started=()
fuzz_pids=()
fuzz_at_once=${fuzz_at_once:-2}

fuzz_start() {
  local target=$1 seconds=$2; shift 2
  local binary="$fuzz_root/build/host-fuzz/${target}_fuzz" work="$fuzz_root/build/fuzz/$target"
  local artifacts="$fuzz_root/build/test-results/fuzz/"
  mkdir -p "$work" "$artifacts"
  rm -f "$artifacts$target.result"
  fuzz_started+=("$target")
  if [ ! -x "$binary" ]; then echo "fail fuzz $target: not built" >"$artifacts$target.result"; return; fi
  # Only this file's runs are counted and waited for: the shell may have other children.
  local running=() pid
  while :; do
    running=()
    for pid in "${fuzz_pids[@]}"; do kill -0 "$pid" 2>/dev/null && running+=("$pid"); done
    [ "${#running[@]}" -lt "$fuzz_at_once" ] && break
    wait -n "${running[@]}"
  done
  (
    if "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
         -artifact_prefix="$artifacts$target-" "$work" "$@" >"$artifacts$target.log" 2>&1; then
      echo "pass fuzz $target" >"$artifacts$target.result"
    else
      echo "fail fuzz $target (see $artifacts$target.log)" >"$artifacts$target.result"
    fi
  ) &
  fuzz_pids+=($!)
}

fuzz_wait() {
  local target artifacts="$fuzz_root/build/test-results/fuzz/" result
  [ "${#fuzz_pids[@]}" -eq 0 ] || wait "${fuzz_pids[@]}"
  for target in "${fuzz_started[@]}"; do
    result=$(cat "$artifacts$target.result" 2>/dev/null) || result="fail fuzz $target: the run gave no result"
    fuzz_results+=("$result")
    case $result in
      pass*) printf '%-12s %s: %s\n' fuzz "$target" "$(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$artifacts$target.log" | grep -o '[0-9]*$') runs, no findings" ;;
      *) echo "$result"; tail -n 30 "$artifacts$target.log" 2>/dev/null ;;
    esac
  done
  fuzz_started=()
  fuzz_pids=()
}
