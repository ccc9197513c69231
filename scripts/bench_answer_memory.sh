#!/usr/bin/env bash
# Benchmark (not a test): the peak memory of vantorel-cli (host build) matching hostile scan
# answers of 5 MiB - 1 bytes, the largest the transfer accepts, against the simulated PC, and of a
# real-shaped answer (300 devices with 10 items each) against a machine of 300 devices; then the
# CPU time of reading and matching such an answer in process, beside TinyXML's parse of it alone.
#   bash scripts/bench_answer_memory.sh
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/lib/builds.sh
build_tree host >/dev/null
work="$root/build/bench/answers"
mkdir -p "$work"
profile=tests/tools/simulated_pc/simulated-pc.json
build/host/vantorel-cli inventory --profile "$profile" >"$work/inventory.json"
python3 tests/bench/hostile_answers.py "$work/inventory.json" "$profile" "$work"

# Peak resident memory (MiB) and exit code of one run, from the kernel's account of the child.
peak() {
  python3 - "$@" <<'PY'
import resource, subprocess, sys
code = subprocess.call(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
print("%.1f MiB (exit %d)" % (resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024, code))
PY
}

echo "baseline (a small real answer):"
printf '%s\n' "<kelvdoc><hardwares><hardware><id>none</id></hardware></hardwares></kelvdoc>" >"$work/small.xml"
echo "  small: $(peak build/host/vantorel-cli answer --profile "$profile" --answer "$work/small.xml" --os-version 61)"
echo "hostile answers (5 MiB - 1 bytes, but items-at-limit: the most items an answer may carry):"
for name in empty-items full-items items-at-limit elements attributes; do
  echo "  $name: $(peak build/host/vantorel-cli answer --profile "$profile" --answer "$work/$name.xml" --os-version 61)"
done
# Unsigned items are refused unless allowed: allowed, every item is kept, as signed ones are.
echo "the same, their items kept (--allow-unsigned):"
for name in empty-items full-items items-at-limit elements attributes; do
  echo "  $name: $(peak build/host/vantorel-cli answer --profile "$profile" --answer "$work/$name.xml" --os-version 61 --allow-unsigned)"
done
echo "a real-shaped answer ($(stat -c %s "$work/real.xml") bytes, 3,000 items kept), against 300 devices:"
echo "  real: $(peak build/host/vantorel-cli answer --profile "$work/real-profile.json" --answer "$work/real.xml" --os-version 61 --allow-unsigned)"
echo "  the same machine, the small answer: $(peak build/host/vantorel-cli answer --profile "$work/real-profile.json" --answer "$work/small.xml" --os-version 61)"
start=$(date +%s%N)
build/host/vantorel-cli answer --profile "$work/real-profile.json" --answer "$work/real.xml" --os-version 61 --allow-unsigned >/dev/null 2>&1
echo "  real, whole run: $(( ($(date +%s%N) - start) / 1000000 )) ms"
if [ -x build/host/scan_answer_bench ]; then
  echo "in process, the server's answer for 300 devices with 10 items each (CPU time, median of 5):"
  build/host/scan_answer_bench --benchmark_filter=client --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_enable_random_interleaving=true 2>/dev/null | grep -E '_median' | sed 's/^/  /'
fi
