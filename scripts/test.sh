#!/usr/bin/env bash
# Runs every test: sets the machine up, builds host and win32, then runs lanes side by side, each
# Windows one in WoW64 prefixes and on a display of its own: the win32 unit and window tests (while
# win64 builds), then win32's driver package installer, whole job and program window, the same
# for win64 after its unit tests, the updater and set-up program of the shipped (32-bit) build,
# the console tools of every build, and the Linux side (unit tests, the update server, the
# ASan+UBSan and fuzzer builds, the unit tests under the sanitizers, the fuzzers two at a time). Says how long
# each phase took, and ends with one line "N passed, N failed".
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
source scripts/lib/lanes.sh

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

# Runs a Windows test binary under Wine, in two parts (or the parts named): the tests that start
# programs of their own, and all others ("programs", "unit"). A part that dies is reported as a
# crash, with the test it was running.
run_wine() {
  local name=$1 dir=$2 part filter rc
  shift 2
  local parts=("$@")
  [ ${#parts[@]} -gt 0 ] || parts=(programs unit)
  for part in "${parts[@]}"; do
    if [ "$part" = programs ]; then filter='second_start_test.*:first_instance.*:startup_failure.*'
    elif [ "${part#scale}" != "$part" ]; then filter=$scaled_screens_filter
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

# The Linux side (a lane, beside the Windows builds' tests under Wine): the unit tests, the update
# server's checks, then the sanitizer build of the unit tests and the fuzzer build, their compilers
# yielding to Wine (at the same priority they took as long, and every Wine lane a third longer),
# the unit tests under the sanitizers, and the fuzzers two at a time.
linux_tests() {
  [ -x build/host/vantorel_tests ] && run_native host build/host
  # The update server through the curl tool, three mirrors at once.
  [ -x build/host/vantorel-server ] && server_checks "$root/build/server-checks"
  # Three replicas behind HAProxy, one PostgreSQL for the reports, nginx for the packages.
  [ -x build/host/vantorel-server ] && scale_checks "$root/build/scale"
  phase_took "  Linux: unit tests, server checks, several servers"
  build_niceness=10 build_step host-asan vantorel_tests
  build_niceness=10 build_step host-fuzz
  phase_took "  Linux: sanitizer, fuzzer builds"
  [ -x build/host-asan/vantorel_tests ] && \
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_native host-asan build/host-asan
  phase_took "  Linux: sanitizer unit tests"

  # Each fuzz target runs briefly from its seeds (the INF reader also from the shared INF corpus
  # when this checkout has one beside it), two at a time.
  inf_seeds=(tests/fuzz/corpus/inf)
  [ -d ../shared/corpus/inf ] && inf_seeds+=(../shared/corpus/inf)
  zip_seeds="$root/build/fuzz-seeds/zip"
  python3 tests/fuzz/zip_seeds.py "$zip_seeds"
  package_seeds="$root/build/fuzz-seeds/catalog_package"
  python3 tests/fuzz/package_seeds.py "$package_seeds"
  fuzz_start scan_request_reader 30 tests/fuzz/corpus/scan_request
  fuzz_start scan_response 30 tests/fuzz/corpus/scan_response
  fuzz_start inf_file 30 "${inf_seeds[@]}"
  fuzz_start zip_reader 30 "$zip_seeds"
  fuzz_start backup_index 30 tests/fuzz/corpus/backup_index
  fuzz_start catalog_package 30 "$package_seeds"
  fuzz_start http_headers 30 tests/fuzz/corpus/http_headers
  fuzz_start dpinst_inf 30 tests/fuzz/corpus/dpinst_inf
  fuzz_start download_links 30 tests/fuzz/corpus/download_links
  fuzz_start package_trust 30 tests/fuzz/corpus/package_trust
  fuzz_start release_answer 30 tests/fuzz/corpus/release_answer
  fuzz_wait
  phase_took "  Linux: fuzzing"
}

# One Windows build's unit tests under Wine (those that start programs of their own too, unless
# told "unit" only), with the window tests' settings, in a prefix of its own.
windows_unit_lane() {
  local build=$1
  shift
  wine_prefix_fresh "$root/build/wine/prefix-$build${1:+-$1}"
  ui_wine_settings
  [ -f "build/$build/vantorel_tests.exe" ] && run_wine "$build" "build/$build" "$@"
  wine_stop
  phase_took "  $build: unit tests${1:+ ($*)}"
}

# The windows at 150 and 200 % (the prefix's scale, on a screen large enough): the screenshot
# tests in English, Arabic and Simplified Chinese, every shot's layout checked, into folders of
# their own ("en@150") with their contact sheets.
scaled_screens_filter='languages/*screens_test.*/english:languages/*screens_test.*/arabic:languages/*screens_test.*/chinese_simplified'
windows_scale_lane() {
  local build=$1 percent
  for percent in 150 200; do
    wine_prefix_fresh "$root/build/wine/prefix-$build-$percent"
    ui_wine_settings
    ui_wine_scale "$percent"
    [ -f "build/$build/vantorel_tests.exe" ] && run_wine "$build" "build/$build" "scale$percent"
    wine_stop
  done
  phase_took "  $build: windows at 150 and 200 %"
}

# One Windows build's tests that change the system, each in a fresh prefix: the driver package
# installer, the whole job (also as Windows 10), and the program's own window and the whole job
# through vantorel-cli with the program folder read-only, as for a standard user.
windows_system_lane() {
  local build=$1
  dpinst_wine_tests "$build"
  phase_took "  $build: driver package installer"
  loop_wine_tests "$build"
  loop_wine_tests "$build" win10
  phase_took "  $build: whole job"
  program_wine_run "$build"
  phase_took "  $build: program window (standard user)"
  program_cli_job "$build"
  phase_took "  $build: whole job through vantorel-cli (standard user)"
}

# The 32-bit build's tests, beside the long wait of its unit tests: a probe that 32-bit threads keep
# their own TLS, the tests that start programs, then those that change the system.
win32_other_lane() {
  thread_tls_check
  windows_unit_lane win32 programs
  windows_system_lane win32
}

windows_lane() {
  windows_unit_lane "$1"
  windows_system_lane "$1"
}

# The updater and the set-up program of the shipped (32-bit) build.
shipped_checks() {
  updater_wine_checks win32
  phase_took "  shipped: updater"
  installer_wine_checks win32
  phase_took "  shipped: set-up program"
}

# The console tools of every build (a lane, in a prefix of its own).
console_checks() {
  wine_prefix_fresh "$root/build/wine/prefix"
  # A saved answer matched offline gives the same result on Linux and on Windows.
  if [ -n "${VANTOREL_MIRRORS:-}" ]; then
    answer_work="$root/build/answer-checks"
    mkdir -p "$answer_work"
    profile="$root/tests/tools/simulated_pc/simulated-pc.json"
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
  phase_took "  console: saved answers"
  # Downloads through the real programs against the independent file server.
  if [ "$nginx_ready" = 1 ]; then
    [ -x build/host/vantorel-cli ] && download_checks build/host/vantorel-cli host "$www" "$root/build/nginx/host"
    for build in win64 win32; do
      [ -f "build/$build/vantorel-cli.exe" ] && \
        download_checks "wine_run build/$build/vantorel-cli.exe" "$build" "$www" "$root/build/nginx/$build"
    done
  else
    download_check_results+=("fail nginx could not be started")
  fi
  # https through every build's vantorel-cli, the Windows builds in the prefix above once it trusts
  # the authority.
  tls_all_checks "$root/build/tls" "$root/build/mirrors/packages"
  phase_took "  console: downloads and https"
  # Help, version and misuse of the console tools, on Linux and under Wine.
  [ -x build/host/vantorel-cli ] && cli_convention_checks build/host/vantorel-cli host "$root/build/cli-checks/host"
  [ -x build/host/vantorel-cli ] && cli_bare_name_install_check host "$root/build/cli-checks/host" "$root/build/host/vantorel-cli"
  for build in win64 win32; do
    [ -f "build/$build/vantorel-cli.exe" ] &&
      cli_convention_checks "wine_run build/$build/vantorel-cli.exe" "$build" "$root/build/cli-checks/$build"
  done
  [ -f build/win64/vantorel-cli.exe ] &&
    cli_bare_name_install_check win64 "$root/build/cli-checks/win64" wine_run "$root/build/win64/vantorel-cli.exe"
  # What the program sees of a Windows 10 PC.
  for build in win64 win32; do windows10_facts_check "$build"; manifest_check "$build"; cli_imports_check "$build"; done
  for installer in DPInst64 DPInst32; do
    [ -f "build/win64/$installer.exe" ] &&
      installer_convention_checks "wine_run build/win64/$installer.exe" "$installer" "$root/build/cli-checks/$installer"
  done
  phase_took "  console: help, version, Windows 10"
  wine_stop
}

# build_step NAME [TARGET...]   builds one tree (or those targets of it), its output in the
# results; a failure is counted
build_step() {
  build_tree "$@" >"$results/build-$1.log" 2>&1 && return 0
  failed=$((failed + 1)); failures+=("$1 build")
  echo "$1: build failed (see $results/build-$1.log)"
  tail -n 30 "$results/build-$1.log"
}

# The Wine prefix template (made once, mostly one thread) is made while the compilers run.
display_start
trap 'display_stop' EXIT
wine_template >"$results/wine-template.log" 2>&1 &
template_pid=$!
# The sanitizer and fuzzer builds come later, beside the Windows tests; win64 builds beside the
# longest of them, the unit tests of win32.
for build in host win32; do
  build_step "$build"
  phase_took "$build build"
done

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
source scripts/lib/scale_checks.sh
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
trap 'lanes_stop; wine_stop; display_stop; nginx_stop; tls_proxy_stop; mirrors_stop; [ -n "$fault_pid" ] && kill "$fault_pid" 2>/dev/null' EXIT
source tests/win/ui_wine_settings.sh
source tests/win/dpinst/wine_checks.sh
source tests/win/loop/wine_checks.sh
source tests/win/program/wine_checks.sh
source tests/win/updater/wine_checks.sh
source tests/win/installer/wine_checks.sh
source tests/win/windows10/wine_checks.sh
lane_start win32-unit on_own_display windows_unit_lane win32 unit
build_niceness=10 build_step win64
phase_took "win64 build (beside a lane)"
lane_start win32-other on_own_display win32_other_lane
lane_start shipped on_own_display shipped_checks
display_size=2560x1600 lane_start win32-scale on_own_display windows_scale_lane win32
lane_start linux linux_tests
lane_start win64 on_own_display windows_lane win64
lane_start console console_checks
for lane in win32-unit win32-other shipped win32-scale linux win64 console; do lane_join "$lane"; done
phase_took "the lanes, side by side"
nginx_stop
tls_proxy_stop
# Every prefix shares Wine's own files with the template: no test may have written through them.
template=$(wine_template_dir)
if cmp -s "$template/.shared" <(wine_shared_files "$template"); then
  server_check_results+=("pass wine: no test wrote to the files prefixes share with the template")
else
  server_check_results+=("fail wine: a test wrote in place to a file prefixes share with the template (see $template/.shared)")
fi
# Every include goes down the README's list of source folders.
if python3 scripts/include_direction.py >"$results/include-direction.log" 2>&1; then
  server_check_results+=("pass layering: every include goes down the README's list of folders")
else
  server_check_results+=("fail layering: includes against the README's list of folders (see $results/include-direction.log)")
fi
for check in "${download_check_results[@]}" "${server_check_results[@]}" "${fuzz_results[@]}" "${cli_check_results[@]}" \
  "${tls_check_results[@]}" "${installer_check_results[@]}"; do
  case $check in
    pass*) passed=$((passed + 1)) ;;
    *) failed=$((failed + 1)); failures+=("${check#fail }") ;;
  esac
done
printf '%-12s %d checks\n' downloads "${#download_check_results[@]}"
printf '%-12s %d checks\n' server "${#server_check_results[@]}"
printf '%-12s %d checks\n' cli "${#cli_check_results[@]}"
printf '%-12s %d checks\n' tls "${#tls_check_results[@]}"
printf '%-12s %d checks\n' installer "${#installer_check_results[@]}"
wine_stop
phase_summary
# (du counts a file linked from two places once, in the first folder it reads: the prefixes'
# shared files are counted in .cache/, with the template.)
disk_used=$(du -sh .cache build 2>/dev/null | cut -f1 | paste -sd' ')
echo "[test] disk used: ${disk_used% *} in .cache/, ${disk_used#* } more in build/; $(df -h --output=avail . | tail -n 1 | tr -d ' ') left"

for failure in "${failures[@]}"; do echo "FAILED: $failure"; done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
