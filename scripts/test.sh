#!/usr/bin/env bash
# Runs every test: sets the machine up, builds host, host under ASan+UBSan, win32 and win64, runs
# the host unit tests natively and the Windows unit tests of both MinGW builds under Wine in a
# fresh WoW64 prefix. Ends with one line "N passed, N failed".
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
phase_tag=test
source scripts/lib/phase_times.sh
bash scripts/setup.sh || { echo "setup failed"; echo "0 passed, 1 failed"; exit 1; }
phase_took set-up
source scripts/lib/builds.sh
source scripts/lib/wine.sh
source scripts/lib/nginx.sh
source scripts/lib/download_checks.sh
source scripts/lib/server_checks.sh
source scripts/lib/fuzz.sh
source scripts/lib/cli_checks.sh
source scripts/lib/test_reports.sh

results="$root/build/test-results"
rm -rf "$results"
mkdir -p "$results"
passed=0
failed=0
failures=()

run_native() {
  local name=$1 dir=$2 report="$results/$1.xml" rc=0
  (cd "$dir" && timeout 900 ./vantorel_tests --gtest_output="xml:$report" >"$results/$name.log" 2>&1) || rc=$?
  count_report "$name" "$report" "$rc" "$results/$name.log"
}

# Runs a Windows test binary under Wine, in two parts: the tests that start programs of their
# own, and all others. A part that dies is reported as a crash, with the test it was running.
run_wine() {
  local name=$1 dir=$2 part filter rc
  for part in programs unit; do
    if [ "$part" = programs ]; then filter='second_start_test.*:first_instance.*:startup_failure.*'
    else filter='-second_start_test.*:first_instance.*:startup_failure.*'; fi
    rc=0
    rm -f "$dir/test-report.xml"
    (cd "$dir" && timeout 1800 bash -c "source '$root/scripts/lib/wine.sh'; wine_run ./vantorel_tests.exe --gtest_filter='$filter' --gtest_output=xml:test-report.xml" \
      >"$results/$name-$part.log" 2>&1) || rc=$?
    mv -f "$dir/test-report.xml" "$results/$name-$part.xml" 2>/dev/null
    count_report "$name-$part" "$results/$name-$part.xml" "$rc" "$results/$name-$part.log"
  done
}

# 32-bit Wine is sound only where each thread keeps its own TLS (an emulator may share it).
thread_tls_check() {
  local probe="$root/build/win32/thread-tls-probe.exe" rc=0
  [ -f "$probe" ] || return 0
  wine_run "$probe" >"$results/win32-thread-tls.log" 2>&1 || rc=$?
  if [ "$rc" -eq 0 ]; then
    server_check_results+=("pass wine: 32-bit threads keep their own TLS while threads start")
  else
    server_check_results+=("fail wine: 32-bit threads share TLS ($(exit_description "$rc"); see $results/win32-thread-tls.log and docs/wine.md)")
  fi
}

build_failed() {
  failed=$((failed + 1)); failures+=("$1 build")
  echo "$1: build failed (see $results/build-$1.log)"
}

# The Wine prefix template (made once, mostly one thread) is made while the compilers run.
display_start
trap 'display_stop' EXIT
wine_template >"$results/wine-template.log" 2>&1 &
template_pid=$!
for build in host host-asan host-fuzz win32 win64; do
  build_tree "$build" >"$results/build-$build.log" 2>&1 || { build_failed "$build"; tail -n 30 "$results/build-$build.log"; }
  phase_took "$build build"
done

[ -x build/host/vantorel_tests ] && run_native host build/host
[ -x build/host-asan/vantorel_tests ] && \
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_native host-asan build/host-asan
phase_took "Linux unit tests"

# The update server through the curl tool, three mirrors at once.
[ -x build/host/vantorel-server ] && server_checks "$root/build/server-checks"
phase_took "server checks"

# Each fuzz target runs briefly from its seeds (the INF reader also from the shared INF corpus
# when this checkout has one beside it).
inf_seeds=(tests/fuzz/corpus/inf)
[ -d ../shared/corpus/inf ] && inf_seeds+=(../shared/corpus/inf)
fuzz_run scan_request_reader 30 tests/fuzz/corpus/scan_request
fuzz_run scan_response 30 tests/fuzz/corpus/scan_response
fuzz_run inf_file 30 "${inf_seeds[@]}"
zip_seeds="$root/build/fuzz-seeds/zip"
python3 tests/fuzz/zip_seeds.py "$zip_seeds"
fuzz_run zip_reader 30 "$zip_seeds"
fuzz_run backup_index 30 tests/fuzz/corpus/backup_index
package_seeds="$root/build/fuzz-seeds/catalog_package"
python3 tests/fuzz/package_seeds.py "$package_seeds"
fuzz_run catalog_package 30 "$package_seeds"
fuzz_run http_headers 30 tests/fuzz/corpus/http_headers
fuzz_run dpinst_inf 30 tests/fuzz/corpus/dpinst_inf
fuzz_run download_links 30 tests/fuzz/corpus/download_links
fuzz_run package_trust 30 tests/fuzz/corpus/package_trust
fuzz_run release_answer 30 tests/fuzz/corpus/release_answer
phase_took fuzzing

# The Windows transfer tests reach a fault-injecting HTTP server on the loopback.
fault_pid=
if [ -x build/host/fault-server ]; then
  build/host/fault-server 0 >"$results/fault-server.port" 2>"$results/fault-server.log" &
  fault_pid=$!
  for _ in $(seq 50); do [ -s "$results/fault-server.port" ] && break; sleep 0.1; done
  export VANTOREL_FAULT_SERVER="127.0.0.1:$(head -n 1 "$results/fault-server.port")"
fi

# The Windows scan test asks three update-server mirrors with the demo catalog.
source scripts/lib/mirrors.sh
if [ -x build/host/vantorel-server ] && mirrors_start "$root/build/mirrors"; then
  export VANTOREL_MIRRORS="${mirror_urls[*]}"
fi

# https: an authority made at run time, and TLS listeners in front of mirror 2 (see tls_checks.sh).
source scripts/lib/tls_checks.sh
[ -n "${VANTOREL_MIRRORS:-}" ] && tls_listeners_start "$root/build/tls" "${mirror_urls[1]}"

# An independent file server (nginx) for downloads: the Windows session test and the checks of
# every build's vantorel-cli below.
www="$root/build/nginx/www"
mkdir -p "$www"
[ -s "$www/package.bin" ] || head -c 1000 /dev/urandom >"$www/package.bin"
[ -s "$www/large.bin" ] || head -c 3000000 /dev/urandom >"$www/large.bin"
cp "$www/package.bin" "$www/spaced name.bin"
nginx_ready=0
if nginx_start "$www" "$root/build/nginx/state"; then
  nginx_ready=1
  export VANTOREL_NGINX="$nginx_url" VANTOREL_NGINX_FILE="Z:${www//\//\\}\\large.bin"
fi

phase_took "loopback servers"
wait "$template_pid" || { echo "the Wine prefix template could not be made:"; cat "$results/wine-template.log"; }
trap 'wine_stop; display_stop; nginx_stop; tls_proxy_stop; mirrors_stop; [ -n "$fault_pid" ] && kill "$fault_pid" 2>/dev/null' EXIT
wine_prefix_fresh "$root/build/wine/prefix"
# The window tests' fonts and window handling in that prefix.
source tests/win/ui_wine_settings.sh && ui_wine_settings
thread_tls_check
phase_took "Wine prefix"
for build in win64 win32; do
  [ -f "build/$build/vantorel_tests.exe" ] && run_wine "$build" "build/$build"
  phase_took "$build Wine unit tests"
done
# The driver package installers, each build in a fresh prefix of its own.
source tests/win/dpinst/wine_checks.sh
for build in win64 win32; do dpinst_wine_tests "$build"; done
phase_took "driver package installers"
# The whole job (scan, download, install, rescan, back up, restore), each build in a fresh prefix.
source tests/win/loop/wine_checks.sh
for build in win64 win32; do loop_wine_tests "$build"; loop_wine_tests "$build" win10; done
phase_took "whole job"
# The program itself: "--autoscan" on the simulated PC, watched and ended by the window probe.
source tests/win/program/wine_checks.sh
for build in win32 win64; do program_wine_run "$build"; done
phase_took "program window"
# The updater of the shipped (32-bit) build against three mirrors: a newer signed release, the same
# version, a changed byte, an unknown key.
source tests/win/updater/wine_checks.sh
updater_wine_checks win32
phase_took updater
# The shipped set-up program and its uninstaller (install, signatures, uninstall, upgrade), each
# case in a fresh prefix.
source tests/win/installer/wine_checks.sh
installer_wine_checks win32
phase_took "set-up program"

# A saved answer matched offline gives the same result on Linux and on Windows.
if [ -n "${VANTOREL_MIRRORS:-}" ]; then
  answer_work="$root/build/answer-checks"
  mkdir -p "$answer_work"
  profile="$root/tools/simulated_pc/simulated-pc.json"
  build/host/vantorel-cli request --profile "$profile" --os WIN764 --compressed >"$answer_work/request.z"
  curl -s --max-time 20 -F "kelvdoc=@$answer_work/request.z" "${mirror_urls[1]}" >"$answer_work/answer.xml"
  build/host/vantorel-cli answer --profile "$profile" --answer "$answer_work/answer.xml" --os-version 61 >"$answer_work/host.json"
  for build in win64 win32; do
    [ -f "build/$build/vantorel-cli.exe" ] || continue
    wine_run "build/$build/vantorel-cli.exe" answer --profile "$profile" --answer "$answer_work/answer.xml" --os-version 61 \
      2>/dev/null | tr -d '\r' >"$answer_work/$build.json"
    if [ -s "$answer_work/host.json" ] && cmp -s "$answer_work/host.json" "$answer_work/$build.json"; then
      server_check_results+=("pass answer: $build matches Linux")
    else
      server_check_results+=("fail answer: $build differs from Linux (see $answer_work)")
    fi
  done
fi

phase_took "saved answers"
# Downloads through the real programs against the independent file server.
if [ "$nginx_ready" = 1 ]; then
  [ -x build/host/vantorel-cli ] && download_checks build/host/vantorel-cli host "$www" "$root/build/nginx/host"
  for build in win64 win32; do
    [ -f "build/$build/vantorel-cli.exe" ] && \
      download_checks "wine_run build/$build/vantorel-cli.exe" "$build" "$www" "$root/build/nginx/$build"
  done
  nginx_stop
else
  download_check_results+=("fail nginx could not be started")
fi
# https through every build's vantorel-cli, the Windows builds in the prefix above once it trusts
# the authority.
tls_all_checks "$root/build/tls" "$root/build/mirrors/packages"
tls_proxy_stop
phase_took "downloads and https"
# Help, version and misuse of the console tools, on Linux and under Wine.
[ -x build/host/vantorel-cli ] && cli_convention_checks build/host/vantorel-cli host "$root/build/cli-checks/host"
for build in win64 win32; do
  [ -f "build/$build/vantorel-cli.exe" ] &&
    cli_convention_checks "wine_run build/$build/vantorel-cli.exe" "$build" "$root/build/cli-checks/$build"
done
# What the program sees of a Windows 10 PC.
source tests/win/windows10/wine_checks.sh
for build in win64 win32; do windows10_facts_check "$build"; manifest_check "$build"; done
for installer in DPInst64 DPInst32; do
  [ -f "build/win64/$installer.exe" ] &&
    installer_convention_checks "wine_run build/win64/$installer.exe" "$installer" "$root/build/cli-checks/$installer"
done
for check in "${download_check_results[@]}" "${server_check_results[@]}" "${fuzz_results[@]}" "${cli_check_results[@]}" \
  "${tls_check_results[@]}" "${installer_check_results[@]}"; do
  case $check in
    pass*) passed=$((passed + 1)) ;;
    *) failed=$((failed + 1)); failures+=("${check#fail }") ;;
  esac
done
phase_took "console tools and Windows 10"
printf '%-12s %d checks\n' downloads "${#download_check_results[@]}"
printf '%-12s %d checks\n' server "${#server_check_results[@]}"
printf '%-12s %d checks\n' cli "${#cli_check_results[@]}"
printf '%-12s %d checks\n' tls "${#tls_check_results[@]}"
printf '%-12s %d checks\n' installer "${#installer_check_results[@]}"
wine_stop
phase_summary

for failure in "${failures[@]}"; do echo "FAILED: $failure"; done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
