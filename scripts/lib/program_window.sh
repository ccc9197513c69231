# The desktop program itself on the simulated PC, for the tests and the demo; sourced after
# wine.sh with the demo mirrors started (mirror_urls) and a display.
#
# program_window_prepare BUILD WORK PREFIX [SETUP | --program-files]   a fresh prefix at PREFIX
#     with the window settings, the simulated PC registered and the mirrors configured (the first
#     one down), and the program as installed in WORK: Vantorel.exe, language.ini and both driver
#     installers; with SETUP (a Vantorel-Setup-<version>.exe) installed by it, silently, and with
#     --program-files copied into the prefix's Program Files folder, WORK a link to the installed
#     program's folder either way
# program_window_probe BUILD WORK SCREENS [--drive]   runs "Vantorel.exe --autoscan" in WORK
#     while window-probe.exe watches it (and with --drive works it through download, install,
#     rescan, backup and restore), screenshots into SCREENS; the probe's exit status
# program_data_folder WORK   where the program in WORK keeps its downloads and backups (Unix
#     path): the user's "%LOCALAPPDATA%\Vantorel" for a program in Program Files, else WORK
# program_folder_read_only WORK on|off   the program's folder (WORK's target) and everything in
#     it made unchangeable even for root (chattr), as Program Files is for a standard user

program_window_prepare() {
  local build=$1 work=$2 prefix=$3 setup=${4:-} dir="$wine_root/build/$1" key='HKCU\Software\Quellmar'
  rm -rf "$work"
  mkdir -p "$(dirname "$work")"
  wine_prefix_fresh "$prefix"
  local installed=$work
  if [ -n "$setup" ] && [ "$setup" != --program-files ]; then
    wine_run "$setup" /S || return 1
    wineserver -w
    installed="$prefix/drive_c/Program Files (x86)/Vantorel"
    [ -f "$installed/Vantorel.exe" ] || installed="$prefix/drive_c/Program Files/Vantorel"
  else
    if [ "$setup" = --program-files ]; then
      installed="$prefix/drive_c/Program Files (x86)/Vantorel"
      [ "$build" = win64 ] && installed="$prefix/drive_c/Program Files/Vantorel"
    fi
    mkdir -p "$installed"
    cp "$dir/Vantorel.exe" "$dir/language.ini" "$installed/" || return 1
    cp "$wine_root/build/win32/DPInst32.exe" "$wine_root/build/win64/DPInst64.exe" "$installed/" 2>/dev/null || true
  fi
  [ "$installed" = "$work" ] || ln -s "$installed" "$work"
  source "$wine_root/tests/win/ui_wine_settings.sh" && ui_wine_settings
  # The 64-bit tool: a 32-bit process start makes this Wine rebuild the display adapters' keys.
  wine_run "$wine_root/build/win64/simulated-pc.exe" register "$wine_root/tests/tools/simulated_pc/simulated-pc.json"
  # An https mirror's authority (mirrors.sh) is trusted here as an administrator trusts one.
  [ -n "${mirror_ca_der:-}" ] && wine_trust_root "$mirror_ca_der" >/dev/null
  wine_tool reg add "$key" /v Mirror1 /t REG_SZ /d http://127.0.0.1:1/ /f >/dev/null
  wine_tool reg add "$key" /v Mirror2 /t REG_SZ /d "${mirror_urls[1]}" /f >/dev/null
  wine_tool reg add "$key" /v Mirror3 /t REG_SZ /d "${mirror_urls[2]}" /f >/dev/null
  wineserver -w
}

program_data_folder() {
  local program
  program=$(readlink -f "$1")
  case $program in
    "$WINEPREFIX/drive_c/Program Files"*) echo "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Vantorel" ;;
    *) echo "$program" ;;
  esac
}

program_folder_read_only() {
  local flag=+i
  [ "$2" = off ] && flag=-i
  chattr -R "$flag" "$(readlink -f "$1")"
}

program_window_probe() {
  local build=$1 work=$2 screens=$3 drive=${4:-} program status probe=("$wine_root/build/$1/window-probe.exe")
  mkdir -p "$screens"
  # From the folder WORK links to, so the program sees its installed path (C:\Program Files...).
  (cd "$(readlink -f "$work")" && wine_run ./Vantorel.exe --autoscan) &
  program=$!
  local arguments=("$(wine_tool winepath -w "$screens" 2>/dev/null)" 240)
  if [ "$drive" = --drive ]; then
    local data downloads=download backups=backup
    data=$(program_data_folder "$work")
    [ "$data" = "$(readlink -f "$work")" ] || { downloads=Downloads; backups=Backups; }
    arguments+=(--drive "$(wine_tool winepath -w "$data/$downloads" 2>/dev/null)"
      --backups "$(wine_tool winepath -w "$data/$backups" 2>/dev/null)")
  fi
  status=0
  timeout 300 bash -c 'source "$1/scripts/lib/wine.sh"; shift; wine_run "$@"' _ "$wine_root" "${probe[@]}" "${arguments[@]}" || status=$?
  # A program the probe could not end through its menu is ended with its prefix's processes, so
  # that the run goes on.
  [ "$status" -eq 0 ] || wineserver -k >/dev/null 2>&1
  wait "$program" || true
  return $status
}
