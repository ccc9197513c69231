# Counting GoogleTest runs for scripts/test.sh, which defines passed, failed and failures.
#
# count_report NAME REPORT EXIT LOG   adds the counts of one run: from its XML report, or, where the
#                                     program died before writing one, from its log; a crash is
#                                     named as one, with the test that was running and the signal

# "signal 11 (SEGV)" for an exit status above 128, else "exit N".
exit_description() {
  local rc=$1
  if [ "$rc" -gt 128 ] && [ "$rc" -lt 160 ]; then
    printf 'signal %d (%s)' $((rc - 128)) "$(kill -l $((rc - 128)) 2>/dev/null || echo '?')"
  else
    printf 'exit %d' "$rc"
  fi
}

# The test that a log shows started but never finished, if any.
unfinished_test() {
  awk '
    /^\[ RUN      \] / { running = $4 }
    /^\[       OK \] / || /^\[  FAILED  \] / || /^\[  SKIPPED \] / { if ($4 == running) running = "" }
    END { print running }' "$1" 2>/dev/null | tr -d '\r'
}

# Counts from the log of a run that wrote no report: what finished before the crash.
count_from_log() {
  local name=$1 log=$2 rc=$3 good bad test
  good=$(grep -c '^\[       OK \] ' "$log" 2>/dev/null)
  bad=$(grep -cE '^\[  FAILED  \] [^ ]+\.[^ ]+ \(' "$log" 2>/dev/null)
  test=$(unfinished_test "$log")
  passed=$((passed + good)); failed=$((failed + bad + 1))
  [ "$bad" -gt 0 ] && failures+=("$name: $bad failed")
  failures+=("$name: CRASH in ${test:-no test (before the first or after the last)}, $(exit_description "$rc"), no report; the tests after it did not run (log: $log)")
  printf '%-14s %d passed, %d failed, then a crash in %s (%s)\n' "$name" "$good" "$bad" "${test:-no test}" "$(exit_description "$rc")"
}

count_report() {
  local name=$1 report=$2 rc=$3 log=${4:-}
  if [ ! -s "$report" ]; then
    count_from_log "$name" "$log" "$rc"
    return
  fi
  local header tests failures_n errors disabled skipped
  header=$(grep -o -m1 '<testsuites [^>]*>' "$report")
  tests=$(sed -n 's/.* tests="\([0-9]*\)".*/\1/p' <<<"$header")
  failures_n=$(sed -n 's/.* failures="\([0-9]*\)".*/\1/p' <<<"$header")
  errors=$(sed -n 's/.* errors="\([0-9]*\)".*/\1/p' <<<"$header")
  disabled=$(sed -n 's/.* disabled="\([0-9]*\)".*/\1/p' <<<"$header")
  skipped=$(grep -c 'result="skipped"' "$report")
  local bad=$((failures_n + errors)) good=$((tests - disabled - skipped - failures_n - errors))
  passed=$((passed + good)); failed=$((failed + bad))
  [ "$bad" -gt 0 ] && failures+=("$name: $bad failed")
  if [ "$rc" -ne 0 ] && [ "$bad" -eq 0 ]; then
    failed=$((failed + 1))
    failures+=("$name: CRASH after its report was written, $(exit_description "$rc")${log:+ (log: $log)}")
  fi
  printf '%-14s %d passed, %d failed, %d skipped\n' "$name" "$good" "$bad" "$skipped"
}
