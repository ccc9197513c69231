# Shell functions for running the Windows builds under Wine; sourced by the test and demo scripts.
#
# wine_prefix_fresh DIR   makes DIR a new WoW64 prefix from a pristine template that is built
#                         once per Wine version (wineboot in a WoW64 prefix takes minutes); Wine's
#                         own files are shared with the template as hard links
# wine_run EXE ARGS...    runs a 32- or 64-bit program in $WINEPREFIX with the matching loader
# wine_tool TOOL ARGS...  runs one of Wine's own tools (reg, winepath) with the 64-bit loader
# wine_stop               ends the prefix's wine server and its processes
# display_start           starts Xvfb when there is no display; display_stop ends it
# on_own_display CMD...   runs CMD on an Xvfb display of its own
# wine_trust_root CERT    the prefix trusts the certificate authority in CERT (its root store)

wine_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers: nothing here needs them.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
# Where 32-bit programs run under qemu's user-mode emulator (see setup.sh), a guest address
# space of 2.25 GiB makes each 32-bit Wine process start several times faster (qemu keeps track
# of every page Wine reserves); the programs are not large-address-aware, so they use at most 2 GiB.
# qemu alone reads this variable.
export QEMU_RESERVED_VA=${QEMU_RESERVED_VA:-0x90000000}
# Wine's date and code page follow the Unix locale; keep them fixed for reproducible runs.
export LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=${TZ:-UTC}

wine_loader_for() {
  local exe=$1 offset machine
  offset=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
  machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$exe" | tr -d ' ')
  case $machine in
    8664) echo /usr/lib/wine/wine64 ;;
    014c) echo /usr/lib/wine/wine ;;
    *) echo "wine_loader_for: $exe is not a Windows x86 or x64 program" >&2; return 1 ;;
  esac
}

wine_run() {
  local exe=$1 loader
  shift
  loader=$(wine_loader_for "$exe") || return 1
  WINELOADER=$loader "$loader" "$exe" "$@"
}

# Wine's own tools (reg, winepath) through the 64-bit loader: "wine" alone starts their 32-bit
# builds, which take minutes where 32-bit programs run under an emulator.
wine_tool() { WINELOADER=/usr/lib/wine/wine64 /usr/lib/wine/wine64 "$@"; }

wine_stop() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
}

# Wine's own program and data files in a prefix (over 1.2 GiB of its 1.3), which nothing here
# writes: fresh prefixes share them with the template as hard links, so a prefix costs a few MB of
# disk instead of 1.3 GiB. System32\drivers is left out, as driver packages install there.
wine_shared_files() {
  (cd "$1" && find drive_c -path drive_c/windows/system32/drivers -prune -o -type f \( -iname '*.dll' \
    -o -iname '*.exe' -o -iname '*.drv' -o -iname '*.ocx' -o -iname '*.cpl' -o -iname '*.acm' -o -iname '*.ax' \
    -o -iname '*.tlb' -o -iname '*.sys' -o -iname '*.ds' -o -iname '*.com' -o -iname '*.nls' -o -iname '*.vxd' \) \
    -printf '%s %T@ %p\n' | LC_ALL=C sort -k3)
}

# The prefix every fresh prefix is made from, made once per Wine version (over a minute, most of
# it one thread: the demo makes it while it builds); prints its folder. A template whose shared
# files changed (a program wrote through a link) is made again, before it spoils another prefix.
wine_template_dir() {
  printf '%s/.cache/wine/template-%s\n' "$wine_root" "$(dpkg-query -W -f='${Version}' wine64 2>/dev/null | tr ':~+' '___')"
}

wine_template() {
  local template
  template=$(wine_template_dir)
  if [ -f "$template/.complete" ] && [ -f "$template/.shared" ] && ! cmp -s "$template/.shared" <(wine_shared_files "$template"); then
    echo "[wine] a shared file of the prefix template was changed in place: making the template again" >&2
    rm -f "$template/.complete"
  fi
  if [ ! -f "$template/.complete" ]; then
    echo "[wine] creating the prefix template (once per Wine version)" >&2
    rm -rf "$template"
    mkdir -p "$(dirname "$template")"
    WINEPREFIX=$template WINEARCH=win64 wineboot -i >/dev/null 2>&1
    WINEPREFIX=$template wineserver -w
    rm -f "$template/.shared"
    touch "$template/.complete"
  fi
  [ -f "$template/.shared" ] || wine_shared_files "$template" >"$template/.shared"
  printf '%s\n' "$template"
}

# wine_prefix_fresh DIR: hard links to every file of the template, then real copies of all but the
# shared ones (the registry, ini files, the drivers folder), each replacing its link.
wine_prefix_fresh() {
  local prefix=$1 template
  template=$(wine_template)
  # A prefix whose program folder a test made unchangeable (chattr) and could not release.
  rm -rf "$prefix" 2>/dev/null || { chattr -R -i "$prefix" 2>/dev/null; rm -rf "$prefix"; }
  [ ! -e "$prefix" ] || { echo "wine_prefix_fresh: $prefix cannot be removed" >&2; return 1; }
  mkdir -p "$(dirname "$prefix")"
  # Hard links need one file system; elsewhere (a build folder mounted apart) the prefix is a copy.
  if ! cp -al "$template" "$prefix" 2>/dev/null; then
    rm -rf "$prefix"
    cp -a "$template" "$prefix" || return 1
  fi
  (cd "$template" && find . -type f ! -name .complete ! -name .shared -print0 | LC_ALL=C sort -z |
    comm -z -23 - <(cut -d' ' -f3- .shared | sed 's|^|./|' | tr '\n' '\0') |
    xargs -0 -r cp -p --parents --remove-destination -t "$prefix") || return 1
  rm -f "$prefix/.complete" "$prefix/.shared"
  # Which Windows the prefix reports (win7 unless WINE_VERSION names another), as Wine's
  # configuration tool writes it.
  if [ -n "${WINE_VERSION:-}" ]; then
    printf '\n[Software\\\\Wine] 1700000000\n"Version"="%s"\n' "$WINE_VERSION" >>"$prefix/user.reg"
  fi
  export WINEPREFIX=$prefix
}

# wine_tests_fresh PREFIX DIR EXE REPORT   runs the GoogleTest program DIR/EXE in a fresh copy of
# the prefix at PREFIX (for tests that change the system, such as installing drivers), its report
# written to REPORT; returns the program's exit status.
wine_tests_fresh() {
  local prefix=$1 dir=$2 exe=$3 report=$4 name rc=0
  name=$(basename "$report")
  rm -f "$dir/$name" "$report"
  (
    wine_prefix_fresh "$prefix"
    cd "$dir" && timeout 600 bash -c "source '$wine_root/scripts/lib/wine.sh'; wine_run './$exe' --gtest_output='xml:$name'"
    status=$?
    wine_stop
    exit $status
  ) || rc=$?
  mv -f "$dir/$name" "$report" 2>/dev/null
  return $rc
}

# Only the shell that started Xvfb ends it: a subshell that calls display_start under a display
# it inherited, then display_stop, leaves that display running.
display_pid=
display_owner=
display_start() {
  [ -n "${DISPLAY:-}" ] && return 0
  # Xvfb picks a free display number itself and writes it once it accepts connections, so shells
  # that start displays at the same moment never race for one.
  local number_file i
  number_file=$(mktemp)
  # Large enough for the 800 x 600 main window at 200 % (the screenshots at each scale).
  Xvfb -displayfd 3 -screen 0 "${display_size:-1280x1024}x24" -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  display_pid=$!
  display_owner=$BASHPID
  for i in $(seq 100); do [ -s "$number_file" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n 1 "$number_file")"
  rm -f "$number_file"
}

# on_own_display COMMAND...   runs COMMAND on a display of its own (beside others' at the same time)
on_own_display() {
  local status=0
  unset DISPLAY
  display_start
  "$@" || status=$?
  display_stop
  return $status
}

display_stop() {
  [ -n "$display_pid" ] && [ "$display_owner" = "$BASHPID" ] && kill "$display_pid" 2>/dev/null || true
  [ "$display_owner" = "$BASHPID" ] && display_pid=
  return 0
}

# wine_trust_root CERT   makes the prefix trust the certificate authority in CERT (DER or PEM)
# through the machine's root store, as an administrator adds a root on Windows: trust-root.exe of
# the 64-bit build, else of the 32-bit one.
wine_trust_root() {
  local cert=$1 tool
  for tool in "$wine_root/build/win64/trust-root.exe" "$wine_root/build/win32/trust-root.exe"; do
    [ -f "$tool" ] || continue
    wine_run "$tool" "Z:${cert//\//\\}"
    return
  done
  echo "wine_trust_root: no trust-root.exe is built" >&2
  return 1
}
