# Runs the libFuzzer targets of build/host-fuzz briefly. Each run starts from the committed
# seeds (and any extra seed folders) and keeps what it finds in build/fuzz/<target>; a crash
# leaves its input in build/test-results/fuzz. Results go to fuzz_results as "pass ..." or "fail ...".
fuzz_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
fuzz_results=()

fuzz_run() {
  local target=$1 seconds=$2; shift 2
  local binary="$fuzz_root/build/host-fuzz/${target}_fuzz" work="$fuzz_root/build/fuzz/$target"
  local artifacts="$fuzz_root/build/test-results/fuzz/"
  if [ ! -x "$binary" ]; then fuzz_results+=("fail fuzz $target: not built"); return; fi
  mkdir -p "$work" "$artifacts"
  if "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
       -artifact_prefix="$artifacts$target-" "$work" "$@" >"$artifacts$target.log" 2>&1; then
    fuzz_results+=("pass fuzz $target")
    printf '%-12s %s: %s\n' fuzz "$target" "$(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$artifacts$target.log" | grep -o '[0-9]*$') runs, no findings"
  else
    fuzz_results+=("fail fuzz $target (see $artifacts$target.log)")
    tail -n 30 "$artifacts$target.log"
  fi
}
