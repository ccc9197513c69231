# The updater (update\update.exe) under Wine against three real update-server mirrors on the
# loopback, sourced by scripts/test.sh (which defines root and server_check_results and has
# sourced wine.sh and mirrors.sh). Each run gets a fresh prefix and a catalog of its own with a
# release recorded by vantorel-catalog, signed with the development key the builds trust:
#   - a newer signed release: --check offers it; --yes downloads and verifies it, and its elevated
#     step copies it into the protected staging folder, checks it again, deletes the download and
#     starts the copy with "/S /RUN";
#   - the running version: up to date;
#   - the newer release with one byte of its installer changed on the mirrors: refused, the
#     download deleted, nothing started;
#   - a newer release signed by a key the program does not know: refused, nothing downloaded.
#
# updater_wine_checks BUILD   (win64 or win32)
#
# What the release offers as its installer: updater_installer (default: the build's
# command-line-recorder.exe, which writes the command line it was started with to
# "command-line.txt" beside itself). With the real installer, set updater_installer to
# Vantorel-Setup-<version>.exe of a build with a higher version and updater_installer_ran to a
# function that checks that the new version was installed and runs (called with BUILD, the
# installer's Windows path and the release's version; status 0 when it did).

updater_checks_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
declare -F mirrors_start >/dev/null || source "$updater_checks_root/scripts/lib/mirrors.sh"
declare -F wine_run >/dev/null || source "$updater_checks_root/scripts/lib/wine.sh"

# The command line the recorder wrote beside itself in the protected staging folder the updater's
# elevated step started it from; nothing when there is none.
updater_recorded_line() {
  local record
  for record in "$WINEPREFIX"/drive_c/ProgramData/Vantorel/staging/*/command-line.txt; do
    [ -f "$record" ] && tr -d '\r' <"$record" && return 0
  done
  return 1
}

# The default check: the installer was started from its protected copy with a command line that
# ends in "/S /RUN" (silent, then start the new program), and the download is gone.
updater_recorder_ran() {
  local download
  download=$(winepath -u "$2" 2>/dev/null) || return 1
  [ ! -e "$download" ] && updater_recorded_line | grep -q -- ' /S /RUN$'
}

updater_wine_checks() {
  local build=$1 root=$updater_checks_root
  local dir="$root/build/$build" work="$root/build/updater-checks/$build"
  local updater="$dir/update/update.exe" host="${VANTOREL_HOST_BUILD:-$root/build/host}"
  local installer=${updater_installer:-$dir/command-line-recorder.exe} ran=${updater_installer_ran:-updater_recorder_ran}
  [ -f "$updater" ] || return 0
  local version newer
  version=$(sed -n 's/^#define VANTOREL_VERSION "\(.*\)"$/\1/p' "$root/common/version.h")
  newer="$version.1"
  rm -rf "$work"
  mkdir -p "$work"
  "$host/vantorel-catalog" keygen --secret "$work/stranger.secret" --public "$work/stranger.public" >/dev/null || return 1
  (
    wine_prefix_fresh "$root/build/wine/updater-$build"
    display_start
    local mirrors=() out rc started

    # A catalog of its own for one case, with a release of the installer; the mirrors serve it.
    serve_release() {
      local name=$1 release_version=$2 key=$3 case_dir="$work/$1"
      mkdir -p "$case_dir"
      "$host/vantorel-catalog" demo --catalog "$case_dir/catalog.sqlite" --packages "$case_dir/packages" \
        --signing-key "$root/build/keys/development.secret" >"$case_dir/catalog.log" 2>&1 &&
        cp "$installer" "$case_dir/Vantorel-Setup-$release_version.exe" &&
        "$host/vantorel-catalog" release --catalog "$case_dir/catalog.sqlite" --packages "$case_dir/packages" \
          --installer "$case_dir/Vantorel-Setup-$release_version.exe" --version "$release_version" \
          --signing-key "$key" >>"$case_dir/catalog.log" 2>&1 || return 1
      if [ "$name" = changed ]; then
        # One byte of the served installer, after it was signed: the size stays.
        local served="$case_dir/packages/Vantorel-Setup-$release_version.exe" byte
        byte=$(od -An -tu1 -j100 -N1 "$served" | tr -d ' ')
        printf "\\$(printf %03o $(((byte + 1) % 256)))" | dd of="$served" bs=1 seek=100 conv=notrunc 2>/dev/null
      fi
      mirrors_start "$case_dir/mirrors" "$case_dir/catalog.sqlite" "$case_dir/packages" >"$case_dir/mirrors.log" 2>&1 ||
        return 1
      mirrors=()
      local url
      for url in "${mirror_urls[@]}"; do mirrors+=(--mirror "$url"); done
    }
    # The updater's line and exit status; the download folder starts empty.
    updater_run() {
      rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Local/Vantorel
      rc=0
      wine_run "$updater" "$@" "${mirrors[@]}" >"$work/out.txt" 2>>"$work/updater.log" || rc=$?
      out=$(tr -d '\r' <"$work/out.txt")
      wineserver -w
    }
    downloads() { find "$WINEPREFIX"/drive_c/users/*/AppData/Local/Vantorel -type f 2>/dev/null | wc -l; }
    pass() { echo "pass updater: $build $1"; }
    fail() { echo "fail updater: $build $1"; }

    if serve_release newer "$newer" "$root/build/keys/development.secret"; then
      updater_run --check
      [ "$rc" = 10 ] && [[ $out == "update-available $newer http://"*"/packages/Vantorel-Setup-$newer.exe" ]] &&
        pass "--check offers a newer signed release" || fail "--check on a newer release: status $rc, '$out'"
      updater_run --yes
      started=${out#installing "$newer" }
      [ "$rc" = 10 ] && [ "$started" != "$out" ] && "$ran" "$build" "$started" "$newer" &&
        pass "a newer signed release is downloaded, verified and started silently" ||
        fail "a newer signed release: status $rc, '$out'"
    else
      fail "the mirrors with a newer release did not start (see $work/newer)"
    fi
    mirrors_stop

    if serve_release same "$version" "$root/build/keys/development.secret"; then
      updater_run --check
      [ "$rc" = 0 ] && [ "$out" = "up-to-date $version" ] && pass "the running version is up to date" ||
        fail "the running version: status $rc, '$out'"
    else
      fail "the mirrors with the running version did not start (see $work/same)"
    fi
    mirrors_stop

    if serve_release changed "$newer" "$root/build/keys/development.secret"; then
      updater_run --yes
      [ "$rc" = 2 ] && [[ $out == refused* ]] && [ "$(downloads)" = 0 ] &&
        pass "an installer with a changed byte is refused, deleted and not run" ||
        fail "an installer with a changed byte: status $rc, '$out', $(downloads) file(s) left"
    else
      fail "the mirrors with a changed installer did not start (see $work/changed)"
    fi
    mirrors_stop

    if serve_release stranger "$newer" "$work/stranger.secret"; then
      updater_run --yes
      [ "$rc" = 2 ] && [[ $out == refused* ]] && [ "$(downloads)" = 0 ] &&
        pass "a release signed by an unknown key is refused before any download" ||
        fail "a release signed by an unknown key: status $rc, '$out', $(downloads) file(s) left"
    else
      fail "the mirrors with a stranger's release did not start (see $work/stranger)"
    fi
    mirrors_stop

    # The elevated step given a set-up that is not the one checked (swapped after the check):
    # refused, the file deleted, nothing started. (The first case's folder is cleared first: Wine
    # reuses process ids at once, so it may still look in use.)
    local swapped="$WINEPREFIX/drive_c/users/Public/Vantorel-Setup-swapped.exe"
    rm -rf "$WINEPREFIX/drive_c/ProgramData/Vantorel/staging"/*
    cp "$installer" "$swapped"
    rc=0
    wine_run "$updater" --stage-installer "$(winepath -w "$swapped")" --sha256 "$(printf '%064d' 0)" \
      >/dev/null 2>>"$work/updater.log" || rc=$?
    wineserver -w
    [ "$rc" = 2 ] && [ ! -e "$swapped" ] && ! updater_recorded_line >/dev/null &&
      pass "a set-up swapped after the check is refused by the elevated step, deleted and not run" ||
      fail "a set-up swapped after the check: status $rc, $( [ -e "$swapped" ] && echo kept || echo deleted)"
    wine_stop
    display_stop
  ) >"$work/results.txt" 2>"$work/checks.log"
  local line
  while IFS= read -r line; do
    case $line in pass* | fail*) server_check_results+=("$line") ;; esac
  done <"$work/results.txt"
  grep -q . "$work/results.txt" || server_check_results+=("fail updater: $build checks did not run (see $work/checks.log)")
}

# For the demo, in its prefix while its mirrors run (mirror_urls, mirror_pids and mirror_ca from
# mirrors.sh): records a newer release of the stand-in installer (or updater_installer) in the
# mirrors' catalog, has the mirrors reload it, and lets the updater check, download, verify and
# start it. Prints what it does.
# updater_demo BUILD CATALOG PACKAGES
updater_demo() {
  local build=$1 catalog=$2 packages=$3 root=$updater_checks_root
  local dir="$root/build/$build" host="${VANTOREL_HOST_BUILD:-$root/build/host}" version newer url pid started
  local installer=${updater_installer:-$dir/command-line-recorder.exe} stage="$root/build/updater-demo"
  version=$(sed -n 's/^#define VANTOREL_VERSION "\(.*\)"$/\1/p' "$root/common/version.h")
  newer="$version.1"
  mkdir -p "$stage"
  cp "$installer" "$stage/Vantorel-Setup-$newer.exe"
  "$host/vantorel-catalog" release --catalog "$catalog" --packages "$packages" --installer "$stage/Vantorel-Setup-$newer.exe" \
    --version "$newer" --signing-key "$root/build/keys/development.secret" || return 1
  for pid in "${mirror_pids[@]}"; do kill -HUP "$pid"; done
  for url in "${mirror_urls[@]}"; do
    for _ in $(seq 100); do
      curl -s -o /dev/null -w '%{http_code}' ${mirror_ca:+--cacert "$mirror_ca"} "${url}release" | grep -q 200 && break
      sleep 0.1
    done
  done
  local mirrors=()
  for url in "${mirror_urls[@]}"; do mirrors+=(--mirror "$url"); done
  echo "update.exe --check:"
  wine_run "$dir/update/update.exe" --check "${mirrors[@]}" 2>/dev/null | tr -d '\r'
  echo "update.exe --yes:"
  started=$(wine_run "$dir/update/update.exe" --yes "${mirrors[@]}" 2>/dev/null | tr -d '\r')
  echo "$started"
  wineserver -w
  local line
  line=$(updater_recorded_line) && echo "the installer was started from its protected copy as: $line"
  return 0
}
