# The whole program as a standard user runs it, sourced by scripts/test.sh (which defines root,
# results and server_check_results, and has started the demo mirrors and the display). The
# program lies in the prefix's Program Files folder, which is made unchangeable (chattr) for the
# run, as Program Files is for a user without administrator rights: everything it writes must go
# to the user's own "%LOCALAPPDATA%\Vantorel". The simulated PC is registered and the mirrors
# configured (the first one down).
#
# program_wine_run BUILD   "Vantorel.exe --autoscan" scans; window-probe.exe photographs the scan
#     page and the results, downloads two packages, installs the first, rescans, backs up every
#     package through the backup page's keys, and ends the program through its menu. Screenshots
#     go to build/test-results/program/BUILD.
# program_cli_job BUILD   the same job through vantorel-cli beside the program: scan, download,
#     install, rescan, back up and restore, with the folders of the settings.

source "$root/scripts/lib/program_window.sh"

# program_as_standard_user BUILD NAME COMMAND...   COMMAND in a fresh prefix with the program (and
# vantorel-cli) in Program Files made unchangeable for the while; the log in $results/BUILD-NAME.log
program_as_standard_user() {
  local build=$1 name=$2 work="$root/build/program-run/$1-$2" rc=0
  shift 2
  (
    trap '[ -e "$work" ] && program_folder_read_only "$work" off; wine_stop' EXIT
    program_window_prepare "$build" "$work" "$root/build/wine/program-$build-$name" --program-files || exit 1
    cp "$root/build/$build/vantorel-cli.exe" "$work/" || exit 1
    program_folder_read_only "$work" on || { echo "chattr cannot make the program folder unchangeable here"; exit 1; }
    if touch "$work/written" 2>/dev/null; then echo "the program folder is still writable"; exit 1; fi
    "$@" "$work"
  ) >"$results/$build-$name.log" 2>&1 || rc=$?
  return $rc
}

program_window_job() {
  local build=$1 screens=$2 work=$3
  program_window_probe "$build" "$work" "$screens" --drive
}

program_wine_run() {
  local build=$1 dir="$root/build/$1" screens="$root/build/test-results/program/$1"
  [ -f "$dir/Vantorel.exe" ] && [ -f "$dir/window-probe.exe" ] && [ -f "$root/build/win64/simulated-pc.exe" ] || return 0
  [ "${#mirror_urls[@]}" -ge 3 ] || return 0
  rm -rf "$screens"
  if program_as_standard_user "$build" window program_window_job "$build" "$screens" && [ -s "$screens/program-5-backup.png" ]; then
    server_check_results+=("pass program: $build window as a standard user: scan, download, install, rescan, backup")
  else
    server_check_results+=("fail program: $build window as a standard user (see $results/$build-window.log)")
  fi
}

# The steps, in the program's folder WORK; fails at the first one that does.
program_cli_steps() {
  local build=$1 work=$2 out="$root/build/program-run/$1-cli-json"
  local mirrors=(--mirror http://127.0.0.1:1/ --mirror "${mirror_urls[1]}" --mirror "${mirror_urls[2]}")
  local cli=("$(readlink -f "$work")/vantorel-cli.exe") words=(python3 "$root/scripts/lib/demo_words.py") data
  rm -rf "$out"; mkdir -p "$out"
  step() { echo "vantorel-cli $*" >&2; wine_run "${cli[@]}" "$@"; }
  step settings >"$out/settings.json" || return 1
  data=$(program_data_folder "$work")
  python3 - "$out/settings.json" <<'PY' || return 1
import json, sys
settings = json.load(open(sys.argv[1], encoding="utf-8"))
for name, tail in (("download_path", "\\AppData\\Local\\Vantorel\\Downloads"), ("backup_path", "\\AppData\\Local\\Vantorel\\Backups")):
    if not settings[name].endswith(tail):
        sys.exit(f"{name} is {settings[name]}, not in the user's profile")
PY
  step scan "${mirrors[@]}" >"$out/scan.json" || return 1
  "${words[@]}" offers "$out/scan.json" >"$out/offers.tsv" || return 1
  local link size inf device choice sha256 n=0 package
  while IFS=$'\t' read -r link size inf device choice sha256; do
    n=$((n + 1))
    step fetch "$link" --size "$size" --sha256 "$sha256" --folder "$(wine_tool winepath -w "$data/Downloads")" \
      >"$out/fetch$n.json" </dev/null || return 1
    package=$("${words[@]}" file "$out/fetch$n.json") || return 1
    step install "$package" --inf "$inf" --sha256 "$sha256" --wait >"$out/install$n.json" </dev/null || return 1
  done <"$out/offers.tsv"
  [ "$n" -ge 2 ] || { echo "fewer than two offers to install"; return 1; }
  step scan "${mirrors[@]}" >"$out/rescan.json" || return 1
  step backup --device "$("${words[@]}" instance "$out/rescan.json")" >"$out/backup.json" || return 1
  local archive
  archive=$(cd "$data/Backups" && ls -- *.zip | head -n 1)
  [ -n "$archive" ] && [ -f "$data/backup.xml" ] || { echo "no archive in $data/Backups or no $data/backup.xml"; return 1; }
  step restore "$archive" --wait >"$out/restore.json" || return 1
}

program_cli_job() {
  local build=$1
  [ -f "$root/build/$build/vantorel-cli.exe" ] && [ -f "$root/build/win64/simulated-pc.exe" ] || return 0
  [ "${#mirror_urls[@]}" -ge 3 ] || return 0
  if program_as_standard_user "$build" cli program_cli_steps "$build"; then
    server_check_results+=("pass program: $build vantorel-cli as a standard user: scan, download, install, rescan, backup, restore")
  else
    server_check_results+=("fail program: $build vantorel-cli as a standard user (see $results/$build-cli.log)")
  fi
}
