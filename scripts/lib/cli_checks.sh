# The conventions of a command-line tool, checked on the real programs: --help prints the usage on
# standard output and exits 0, --version names the program, a command line the tool cannot use
# prints the usage on standard error and exits 2.
#
# cli_convention_checks RUNNER NAME WORK   RUNNER runs vantorel-cli (host, or a build under Wine)
# installer_convention_checks RUNNER NAME WORK   RUNNER runs a DPInst program under Wine

cli_check_results=()

cli_expect() {
  local label=$1 expected_rc=$2 rc=$3 file=$4 pattern=$5
  if [ "$rc" -eq "$expected_rc" ] && grep -q -- "$pattern" "$file"; then
    cli_check_results+=("pass $label")
  else
    cli_check_results+=("fail $label (exit $rc, see $file)")
  fi
}

cli_convention_checks() {
  local runner=$1 name=$2 work=$3 rc
  mkdir -p "$work"
  rc=0; $runner --help >"$work/help.out" 2>"$work/help.err" || rc=$?
  cli_expect "$name: --help on standard output" 0 "$rc" "$work/help.out" "usage: vantorel-cli"
  rc=0; $runner scan --help >"$work/scan-help.out" 2>&1 || rc=$?
  cli_expect "$name: scan --help" 0 "$rc" "$work/scan-help.out" "usage: vantorel-cli scan"
  # The help and the usage after a wrong command line are one text, naming every option (the
  # Windows builds end the lines of standard error alone with CR LF).
  rc=0; $runner scan --no-such-option >"$work/scan-misuse.out" 2>"$work/scan-misuse.err" || rc=$?
  if [ "$rc" -eq 2 ] && cmp -s <(tail -n +2 "$work/scan-misuse.err" | tr -d '\r') <(tr -d '\r' <"$work/scan-help.out") &&
    grep -q -- '--build N' "$work/scan-help.out" && grep -q -- '--machine x86|amd64|arm64' "$work/scan-help.out" &&
    grep -q -- '--lang N' "$work/scan-help.out"; then
    cli_check_results+=("pass $name: scan --help is the usage a wrong scan command line gets, every option in it")
  else
    cli_check_results+=("fail $name: scan --help and the usage after a wrong scan command line (exit $rc, see $work/scan-help.out, $work/scan-misuse.err)")
  fi
  rc=0; $runner --version >"$work/version.out" 2>&1 || rc=$?
  cli_expect "$name: --version" 0 "$rc" "$work/version.out" "^vantorel-cli [0-9]"
  rc=0; $runner >"$work/none.out" 2>"$work/none.err" || rc=$?
  cli_expect "$name: no command is misuse" 2 "$rc" "$work/none.err" "usage: vantorel-cli"
  [ -s "$work/none.out" ] && cli_check_results+=("fail $name: misuse wrote to standard output")
  rc=0; $runner fetch http://127.0.0.1:1/x --size many >"$work/bad.out" 2>"$work/bad.err" || rc=$?
  cli_expect "$name: a bad option value is misuse" 2 "$rc" "$work/bad.err" "usage: vantorel-cli fetch"
  # A failed scan says which mirror refused and why.
  rc=0; $runner scan --profile "$root/tests/tools/simulated_pc/simulated-pc.json" --mirror http://127.0.0.1:1/ \
    >"$work/scan.out" 2>"$work/scan.err" || rc=$?
  cli_expect "$name: a failed scan names the refusing mirror" 1 "$rc" "$work/scan.err" \
    "no update-server mirror answered: http://127.0.0.1:1/: "
}

installer_convention_checks() {
  local runner=$1 name=$2 work=$3 rc
  mkdir -p "$work"
  rc=0; $runner --help >"$work/help.out" 2>&1 || rc=$?
  cli_expect "$name: --help" 0 "$rc" "$work/help.out" "/PATH"
  rc=0; $runner --version >"$work/version.out" 2>&1 || rc=$?
  cli_expect "$name: --version" 0 "$rc" "$work/version.out" "(Vantorel) [0-9]"
}

# cli_imports_check BUILD   every program that build/BUILD makes (the tools and tests too, which run
# under Wine, where a DLL that Windows lacks would go unnoticed) imports only DLLs a clean Windows has
cli_imports_check() {
  local folder="$builds_root/build/$1" found programs=()
  mapfile -t programs < <(find "$folder" -maxdepth 2 -name '*.exe' 2>/dev/null | sort)
  [ ${#programs[@]} -gt 0 ] || return 0
  source "$builds_root/scripts/lib/pe_imports.sh"
  if found=$(pe_foreign_imports "${programs[@]}"); then
    cli_check_results+=("pass imports: the ${#programs[@]} programs of $1 need only DLLs a clean Windows has")
  else
    cli_check_results+=("fail imports: $1 programs need DLLs Windows does not have: $(echo $found)")
  fi
}

# cli_bare_name_install_check NAME WORK RUNNER...   "install NAME.zip --dry-run" in the package's
# own folder, the package named by its bare file name, unpacks it beside itself
cli_bare_name_install_check() {
  local name=$1 work=$2 rc=0
  shift 2
  rm -rf "$work/bare"; mkdir -p "$work/bare"
  python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1], "w").writestr("readme.txt", "no driver here\n")' \
    "$work/bare/package.zip"
  (cd "$work/bare" && "$@" install package.zip --dry-run) >"$work/bare-install.out" 2>&1 || rc=$?
  if [ "$rc" -eq 0 ] && [ -f "$work/bare/package/readme.txt" ]; then
    cli_check_results+=("pass $name: install PACKAGE.zip by its bare name unpacks beside it")
  else
    cli_check_results+=("fail $name: install PACKAGE.zip by its bare name (exit $rc, see $work/bare-install.out)")
  fi
}
