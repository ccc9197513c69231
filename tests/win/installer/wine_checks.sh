# The set-up program and its uninstaller under Wine, sourced by scripts/test.sh (which defines
# root and results and has started the display), after wine.sh. Each case runs in a fresh prefix
# of its own; the set-up (a 32-bit program) is built by the test from the build's files
# (packaging/windows/installer/build_installer.sh), so both builds' programs can be installed.
# Results go to installer_check_results; logs and screenshots to build/test-results/installer.
#
# installer_wine_checks BUILD [CASE...]   the cases below for build/BUILD (all unless named)
#   install:   "Vantorel-Setup.exe /S /RUN" puts every file in place, writes the Add/Remove
#              Programs entry and shortcuts, and starts the installed program, whose window shows;
#              the set-up and every program it installed import only DLLs a clean Windows has
#   uninstall: after the program's Run value and weekly task were made (vantorel-cli, as the
#              settings dialog makes them), "uninstall.exe /S" removes both, the files, the
#              shortcuts, the entry and the settings; only the backups and downloads remain, in
#              the user's profile
#   upgrade:   an installed older version (the same files, version 1.0.0) whose program is
#              running is upgraded by "/S /RUN": the program is closed through its window, the
#              new one runs, and the settings, backups and downloads are as they were

#   signed:    the set-up of the install case is signed with a throw-away certificate made here
#              (openssl); osslsigncode verify accepts, against the throw-away authority, the
#              set-up and every program it installed, the uninstaller among them

installer_check_results=()

source "$root/scripts/lib/pe_imports.sh"

installer_uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantorel'
installer_run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'

# Wine's own tools through the 64-bit loader: "wine" alone starts their 32-bit builds, which run
# under an emulator on some hosts.
installer_wine64() { WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64 "$@"; }
installer_reg() { installer_wine64 reg "$@"; }
installer_windows_path() { installer_wine64 winepath -w "$1" 2>/dev/null | tr -d '\r'; }

# The window tests' prefix settings (tests/win/ui_wine.reg), imported by the 64-bit tool.
installer_window_settings() {
  installer_reg import "$(installer_windows_path "$root/tests/win/ui_wine.reg")" >/dev/null 2>&1 && wineserver -w
}

installer_pass() { installer_check_results+=("pass installer: $*"); }
installer_fail() { installer_check_results+=("fail installer: $*"); }

# installer_signing_material FOLDER   a throw-away authority (FOLDER/ca.pem) and a code-signing
# certificate it issued (FOLDER/signer.pem, key FOLDER/signer.key)
installer_signing_material() {
  local folder=$1
  rm -rf "$folder"; mkdir -p "$folder"
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Vantorel test authority" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign \
    -keyout "$folder/ca.key" -out "$folder/ca.pem" 2>/dev/null &&
    openssl req -newkey rsa:2048 -nodes -subj "/CN=Vantorel test signer" \
      -keyout "$folder/signer.key" -out "$folder/signer.csr" 2>/dev/null &&
    printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' \
      >"$folder/signer.ext" &&
    openssl x509 -req -in "$folder/signer.csr" -CA "$folder/ca.pem" -CAkey "$folder/ca.key" -CAcreateserial \
      -days 2 -extfile "$folder/signer.ext" -out "$folder/signer.pem" 2>/dev/null
}

# installer_signed FOLDER FILE...   osslsigncode verify accepts every FILE against FOLDER/ca.pem
installer_signed() {
  local folder=$1 file status=0
  shift
  for file in "$@"; do
    if osslsigncode verify -CAfile "$folder/ca.pem" -in "$file" >"$file.verify.log" 2>&1; then
      echo "signed: $file"
    else
      echo "not signed or not verified: $file (see $file.verify.log)"; status=1
    fi
    mv -f "$file.verify.log" "$folder/" 2>/dev/null
  done
  return $status
}

# installer_build BUILD VERSION FILE   the set-up of build/BUILD's files numbered VERSION
installer_build() {
  VANTOREL_DEVELOPMENT_RELEASE=1 bash "$root/packaging/windows/installer/build_installer.sh" "$root/build/$1" --version "$2" --output "$3" >/dev/null
}

# The installed program's folder (Unix path) and registry view for build BUILD.
installer_folder() {
  if [ "$1" = win64 ]; then echo "$WINEPREFIX/drive_c/Program Files/Vantorel"; else echo "$WINEPREFIX/drive_c/Program Files (x86)/Vantorel"; fi
}
installer_view() { if [ "$1" = win64 ]; then echo /reg:64; else echo /reg:32; fi; }

# installer_value KEY NAME [VIEW]   the data of one registry value (empty when there is none).
# Asked up to three times: under load, Wine's reg tool has been seen to print nothing for a value
# that a query a moment later showed.
installer_value() {
  local attempt value
  for attempt in 1 2 3; do
    value=$(installer_reg query "$1" /v "$2" ${3:+"$3"} 2>/dev/null | tr -d '\r' |
      awk -v n="$2" '$1 == n { $1 = ""; $2 = ""; sub(/^  /, ""); print }')
    [ -n "$value" ] && break
    sleep 1
  done
  printf '%s\n' "$value"
}

# installer_run FILE ARGS...   runs a set-up or uninstaller and waits for it and all it started
# that ends by itself (the uninstaller runs from a copy in the temporary folder)
installer_run() {
  local status=0
  timeout 600 bash -c 'source "$1/scripts/lib/wine.sh"; shift; wine_run "$@"' _ "$root" "$@" || status=$?
  return $status
}

# installer_window_shows SCREENS [--keep]   the installed program's window is up: window-probe
# photographs it and ends the program through its menu (with --keep leaves it running)
installer_window_shows() {
  local screens=$1 probe="$root/build/win64/window-probe.exe"
  shift
  [ -f "$probe" ] || probe="$root/build/win32/window-probe.exe"
  timeout 300 bash -c 'source "$1/scripts/lib/wine.sh"; shift; wine_run "$@"' _ "$root" "$probe" \
    "$(installer_windows_path "$screens")" 180 --shown "$@" && [ -s "$screens/program-window.png" ]
}

# installer_cli ARGS...   vantorel-cli of the 64-bit build (else the 32-bit one)
installer_cli_exe() {
  if [ -f "$root/build/win64/vantorel-cli.exe" ]; then echo "$root/build/win64/vantorel-cli.exe"; else echo "$root/build/win32/vantorel-cli.exe"; fi
}

# The program's data folder in the prefix's user profile (an installed program keeps none beside
# itself).
installer_data_folder() { echo "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Vantorel"; }

# installer_settings_made BUILD   the program's settings made as its first run makes them (folders
# "Downloads" and "Backups" in the user's profile), by vantorel-cli placed beside the installed
# program for the moment; then the Run value and the weekly task, as the settings dialog makes
# them, and a download and a backup to keep
installer_settings_made() {
  local folder cli data
  folder=$(installer_folder "$1")
  data=$(installer_data_folder)
  cli="$folder/vantorel-cli.exe"
  cp "$(installer_cli_exe)" "$cli"
  wine_run "$cli" settings >/dev/null &&
    installer_reg add 'HKCU\Software\Quellmar' /v autorun /t REG_DWORD /d 1 /f >/dev/null &&
    installer_reg add 'HKCU\Software\Quellmar' /v close_to_tray /t REG_DWORD /d 2 /f >/dev/null &&
    wine_run "$cli" schedule on >/dev/null || { rm -f "$cli"; return 1; }
  rm -f "$cli"
  [ -d "$data/Downloads" ] && [ -d "$data/Backups" ] || { echo "no Downloads or Backups in $data"; return 1; }
  printf 'archive\n' >"$data/Downloads/chipset-10.1.zip"
  printf 'archive\n' >"$data/Backups/backup-2026-12-09.zip"
}

installer_task_exists() {
  wine_run "$(installer_cli_exe)" schedule show 2>/dev/null | tr -d '\r' | grep -q '"exists": true'
}

# installer_files_in_place BUILD VERSION   every file, shortcut and Add/Remove Programs value
installer_files_in_place() {
  local build=$1 version=$2 folder view file missing=() value
  folder=$(installer_folder "$build"); view=$(installer_view "$build")
  local files=(Vantorel.exe language.ini DPInst32.exe DPInst64.exe uninstall.exe)
  [ -f "$root/build/$build/update.exe" ] && files+=(update/update.exe)
  for file in "${files[@]}"; do [ -f "$folder/$file" ] || missing+=("$file"); done
  [ -f "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Vantorel.lnk" ] || missing+=("Start menu shortcut")
  [ -f "$WINEPREFIX/drive_c/users/Public/Desktop/Vantorel.lnk" ] || missing+=("desktop shortcut")
  [ "$(installer_value "$installer_uninstall_key" DisplayName "$view")" = Vantorel ] || missing+=(DisplayName)
  [ "$(installer_value "$installer_uninstall_key" DisplayVersion "$view")" = "$version" ] || missing+=("DisplayVersion $version")
  [ "$(installer_value "$installer_uninstall_key" Publisher "$view")" = Quellmar ] || missing+=(Publisher)
  for value in DisplayIcon UninstallString QuietUninstallString; do
    [[ $(installer_value "$installer_uninstall_key" "$value" "$view") == *'\Vantorel'* ]] || missing+=("$value")
  done
  [[ $(installer_value "$installer_uninstall_key" QuietUninstallString "$view") == *'uninstall.exe" /S' ]] || missing+=("quiet /S")
  value=$(installer_value "$installer_uninstall_key" EstimatedSize "$view")
  [ -n "$value" ] && [ $((value)) -gt 1000 ] || missing+=("EstimatedSize ($value)")
  [ "$(installer_value "$installer_uninstall_key" NoModify "$view")" = 0x1 ] || missing+=(NoModify)
  [ "$(installer_value "$installer_uninstall_key" NoRepair "$view")" = 0x1 ] || missing+=(NoRepair)
  [ ${#missing[@]} -eq 0 ] || { echo "missing or wrong: ${missing[*]}"; return 1; }
}

installer_case_install() {
  local build=$1 setup=$2 version=$3 screens="$root/build/test-results/installer/$1"
  wine_prefix_fresh "$root/build/wine/installer-$build-install"
  installer_window_settings
  rm -rf "$screens"; mkdir -p "$screens"
  installer_run "$setup" /S /RUN || { echo "the set-up failed"; return 1; }
  installer_files_in_place "$build" "$version" || return 1
  local folder
  folder=$(installer_folder "$build")
  pe_foreign_imports "$setup" "$folder"/*.exe "$folder"/update/*.exe ||
    { echo "a shipped program imports a DLL that Windows does not have (above)"; return 1; }
  installer_window_shows "$screens" || { echo "the installed program's window did not show"; return 1; }
  wineserver -w
}

# In the install case's prefix, which it leaves.
installer_case_signed() {
  local build=$1 setup=$2 folder files=()
  export WINEPREFIX="$root/build/wine/installer-$build-install"
  folder=$(installer_folder "$build")
  files=("$folder/Vantorel.exe" "$folder/DPInst32.exe" "$folder/DPInst64.exe" "$folder/uninstall.exe")
  [ -f "$folder/update/update.exe" ] && files+=("$folder/update/update.exe")
  installer_signed "$(dirname "$setup")/sign" "$setup" "${files[@]}"
}

installer_case_uninstall() {
  local build=$1 setup=$2 folder left
  wine_prefix_fresh "$root/build/wine/installer-$build-uninstall"
  installer_run "$setup" /S || { echo "the set-up failed"; return 1; }
  folder=$(installer_folder "$build")
  installer_settings_made "$build" || { echo "vantorel-cli could not make the settings, Run value and task"; return 1; }
  [ -n "$(installer_value "$installer_run_key" Vantorel)" ] && installer_task_exists ||
    { echo "no Run value or no task before the uninstall"; return 1; }
  wineserver -w
  installer_run "$folder/uninstall.exe" /S || { echo "the uninstaller failed"; return 1; }
  wineserver -w
  local wrong=()
  [ -z "$(installer_value "$installer_run_key" Vantorel)" ] || wrong+=("Run value")
  installer_task_exists && wrong+=("weekly task")
  installer_reg query "$installer_uninstall_key" "$(installer_view "$build")" >/dev/null 2>&1 && wrong+=("Add/Remove Programs entry")
  installer_reg query 'HKCU\Software\Quellmar' >/dev/null 2>&1 && wrong+=("settings key")
  installer_reg query 'HKCU\Software\Quellmar_Init' >/dev/null 2>&1 && wrong+=("first-run key")
  installer_reg query 'HKLM\Software\Quellmar_Init' "$(installer_view "$build")" >/dev/null 2>&1 && wrong+=("set-up's language key")
  [ -e "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Vantorel.lnk" ] && wrong+=("Start menu shortcut")
  [ -e "$WINEPREFIX/drive_c/users/Public/Desktop/Vantorel.lnk" ] && wrong+=("desktop shortcut")
  [ -e "$folder" ] && wrong+=("the program folder: $(cd "$folder" && find . -mindepth 1 | sort | tr '\n' ' ')")
  left=$(cd "$(installer_data_folder)" 2>/dev/null && find . -mindepth 1 | sort | tr '\n' ' ')
  echo "left in the user's data folder: $left"
  [ "$left" = "./Backups ./Backups/backup-2026-12-09.zip ./Downloads ./Downloads/chipset-10.1.zip " ] || wrong+=("files: $left")
  [ ${#wrong[@]} -eq 0 ] || { echo "left behind: ${wrong[*]}"; return 1; }
}

installer_case_upgrade() {
  local build=$1 setup=$2 version=$3 old=$4 folder screens="$root/build/test-results/installer/$1-upgrade"
  wine_prefix_fresh "$root/build/wine/installer-$build-upgrade"
  installer_window_settings
  rm -rf "$screens"; mkdir -p "$screens"
  installer_run "$old" /S || { echo "the older set-up failed"; return 1; }
  [ "$(installer_value "$installer_uninstall_key" DisplayVersion "$(installer_view "$build")")" = 1.0.0 ] ||
    { echo "the older version is not recorded"; return 1; }
  installer_settings_made "$build" || { echo "vantorel-cli could not make the settings"; return 1; }
  installer_reg export 'HKCU\Software\Quellmar' "$(installer_windows_path "$screens/settings-before.reg")" /y >/dev/null
  # The older program runs (its window up) when the upgrade starts.
  folder=$(installer_folder "$build")
  wine_run "$folder/Vantorel.exe" >/dev/null 2>&1 &
  local running=$!
  installer_window_shows "$screens" --keep || { echo "the older program's window did not show"; return 1; }
  installer_run "$setup" /S /RUN || { echo "the upgrade failed (the running program not closed?)"; return 1; }
  case $(ps -o stat= -p "$running" 2>/dev/null) in
    '' | Z*) wait "$running" ;;
    *) echo "the older program still runs after the upgrade"; return 1 ;;
  esac
  installer_files_in_place "$build" "$version" || return 1
  # The newer set-up's programs are signed, the older one's are not: the program was replaced.
  installer_signed "$(dirname "$setup")/sign" "$folder/Vantorel.exe" || { echo "the program was not replaced"; return 1; }
  rm -f "$screens/program-window.png"
  installer_window_shows "$screens" || { echo "the new program's window did not show"; return 1; }
  wineserver -w
  installer_reg export 'HKCU\Software\Quellmar' "$(installer_windows_path "$screens/settings-after.reg")" /y >/dev/null
  cmp -s "$screens/settings-before.reg" "$screens/settings-after.reg" || { echo "the settings changed"; return 1; }
  [ -f "$(installer_data_folder)/Backups/backup-2026-12-09.zip" ] && [ -f "$(installer_data_folder)/Downloads/chipset-10.1.zip" ] ||
    { echo "the backup or the download is gone"; return 1; }
}

installer_wine_checks() {
  local build=$1 dir="$root/build/$1" work="$root/build/installer-checks/$1" version setup old name start
  local cases=("${@:2}")
  [ ${#cases[@]} -gt 0 ] || cases=(install signed uninstall upgrade)
  [ -f "$dir/Vantorel.exe" ] && [ -f "$dir/DPInst32.exe" ] && [ -f "$dir/DPInst64.exe" ] || return 0
  command -v makensis >/dev/null || { installer_fail "$build: makensis is not installed"; return 0; }
  version=$(sed -n 's/^#define VANTOREL_VERSION "\(.*\)"$/\1/p' "$root/common/version.h")
  setup="$work/Vantorel-Setup-$version.exe"
  old="$work/Vantorel-Setup-1.0.0.exe"
  mkdir -p "$work" "$results"
  if ! installer_signing_material "$work/sign" ||
    ! VANTOREL_SIGN_CERT="$work/sign/signer.pem" VANTOREL_SIGN_KEY="$work/sign/signer.key" \
      installer_build "$build" "$version" "$setup" ||
    ! installer_build "$build" 1.0.0 "$old"; then
    installer_fail "$build: makensis could not build the set-up"
    return 0
  fi
  for name in "${cases[@]}"; do
    start=$SECONDS
    if (installer_case_$name "$build" "$setup" "$version" "$old"; status=$?; wine_stop; exit $status) \
      >"$results/$build-installer-$name.log" 2>&1; then
      installer_pass "$build $name ($((SECONDS - start)) s)"
    else
      installer_fail "$build $name: $(tail -n 1 "$results/$build-installer-$name.log") (see $results/$build-installer-$name.log)"
    fi
  done
}
