#!/usr/bin/env bash
# Benchmark (not a test): the peak memory of vantorel-cli (host build) matching hostile scan
# answers of 5 MiB - 1 bytes, the largest the transfer accepts, against the simulated PC.
#   bash scripts/bench_answer_memory.sh
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/lib/builds.sh
build_tree host >/dev/null
work="$root/build/bench/answers"
mkdir -p "$work"
profile=tools/simulated_pc/simulated-pc.json
build/host/vantorel-cli inventory --profile "$profile" >"$work/inventory.json"
python3 tests/bench/hostile_answers.py "$work/inventory.json" "$work"

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
