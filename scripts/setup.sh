#!/usr/bin/env bash
# Prepares this machine for building and testing Vantorel. Safe to run again: every step
# checks first and skips what is already there. "setup.sh demo" prepares what the demo needs.
#  1. Debian packages: MinGW-w64 (posix threads), Wine (WoW64), Xvfb, host libraries, tools.
#     Where the kernel cannot run 32-bit programs, qemu's i386 emulator built from Debian's
#     source package with a mend of its thread-local storage, cached in .cache/deps/qemu-i386.
#  2. Source entries for apt, derived from the machine's own apt configuration.
#  3. libcurl (TLS through Windows' own Schannel), libsodium, minizip, TinyXML and GoogleTest
#     cross-built for both MinGW targets from Debian's source packages into .cache/deps/<target>,
#     while the emulator builds.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cache="$root/.cache/deps"
jobs=$(nproc)
# Each line says when it was written, in minutes and seconds from the set-up's start.
log() { printf '[setup %d:%02d] %s\n' $((SECONDS / 60)) $((SECONDS % 60)) "$*" >&2; }

host_packages=(
  build-essential cmake ninja-build pkg-config dpkg-dev git
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev
  wine wine64 wine32:i386 xvfb xauth
  zlib1g-dev libcurl4-openssl-dev libminizip-dev libtinyxml-dev libsodium-dev
  libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
  libsqlite3-dev libboost-dev libmicrohttpd-dev libpugixml-dev libdeflate-dev libpq-dev
  curl openssl ca-certificates unzip python3 systemd procps
  librsvg2-bin fonts-dejavu-core fonts-ipafont-gothic fonts-wqy-microhei fonts-liberation2 nsis osslsigncode
)
# What only the tests use (the fuzzers' compiler, the independent file server, the load tool):
# "setup.sh demo" leaves them out, and the test command installs them when it first runs.
test_packages=(clang libclang-rt-14-dev nginx-light wrk postgresql haproxy)
case ${1:-} in
  demo) ;;
  '') host_packages+=("${test_packages[@]}") ;;
  *) log "usage: setup.sh [demo]"; exit 2 ;;
esac

missing_packages() {
  local p
  for p in "${host_packages[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || printf '%s\n' "$p"
  done
}

# deb-src entries mirroring the enabled deb entries of this machine's release.
write_source_entries() {
  local codename out=/etc/apt/sources.list.d/vantorel-deb-src.sources
  codename=$(. /etc/os-release && printf '%s' "${VERSION_CODENAME:-}")
  local tmp
  tmp=$(mktemp)
  {
    # deb822 files: copy each stanza of type deb for this release, as deb-src.
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -e "$f" ] && [ "$f" != "$out" ] || continue
      awk -v codename="$codename" '
        function flush() {
          if (stanza != "" && is_deb && has_suite) {
            sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src", stanza); sub(/^\n/, "", stanza)
            printf "%s\n\n", stanza
          }
          stanza = ""; is_deb = 0; has_suite = 0
        }
        /^[[:space:]]*$/ { flush(); next }
        /^#/ { next }
        {
          stanza = stanza (stanza == "" ? "" : "\n") $0
          if ($1 == "Types:" && $0 ~ /[[:space:]]deb([[:space:]]|$)/) is_deb = 1
          if ($1 == "Suites:" && index($0, codename) > 0) has_suite = 1
        }
        END { flush() }' "$f"
    done
    # one-line files: each "deb" line of this release becomes a deb822 deb-src stanza.
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
      [ -e "$f" ] || continue
      awk -v codename="$codename" '
        $1 == "deb" {
          i = 2; opts = ""
          if ($2 ~ /^\[/) { while ($i !~ /\]$/) { opts = opts " " $i; i++ } opts = opts " " $i; i++ }
          if (index($(i+1), codename) == 0) next
          comps = ""; for (j = i + 2; j <= NF; j++) comps = comps " " $j
          printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents:%s\n", $i, $(i+1), comps
          if (match(opts, /signed-by=[^] ]+/)) printf "Signed-By: %s\n", substr(opts, RSTART + 10, RLENGTH - 10)
          printf "\n"
        }' "$f"
    done
  } > "$tmp"
  if [ ! -s "$tmp" ]; then
    rm -f "$tmp"
    log "no deb entries for '$codename' found in the apt configuration"
    return 1
  fi
  if ! cmp -s "$tmp" "$out" 2>/dev/null; then
    install -m 0644 "$tmp" "$out"
    log "wrote $out"
    return 2
  fi
  rm -f "$tmp"
  return 0
}

# A mirror in the middle of a sync serves index files that disagree with its Release file; apt
# then fails the whole update although the other indexes arrived. Tried three times; when one
# index still fails, the set-up goes on with what arrived, and an install that needs the missing
# index fails with apt's own message.
apt_update() {
  local attempt
  for attempt in 1 2 3; do
    log "apt-get update"
    apt-get update -qq && return 0
    [ "$attempt" -lt 3 ] && sleep 15
  done
  log "apt-get update failed three times; going on with the indexes that arrived"
}

# With one architecture's security index missing (a mirror mid-sync), the two architectures of a
# multi-arch library can no longer agree on a version; the release's own versions, preferred over
# the security pocket's, agree for both.
apt_install() {
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@" >/dev/null && return 0
  log "retrying with the release's own versions preferred"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    -o APT::Default-Release="$(. /etc/os-release && printf '%s' "$VERSION_CODENAME")" "$@" >/dev/null
}

install_packages() {
  local need_update=0
  dpkg --print-foreign-architectures | grep -qx i386 || { dpkg --add-architecture i386; need_update=1; }
  local rc=0
  write_source_entries || rc=$?
  [ "$rc" -eq 1 ] && exit 1
  [ "$rc" -eq 2 ] && need_update=1
  local missing
  missing=$(missing_packages)
  if [ -n "$missing" ] || [ "$need_update" -eq 1 ] || [ ! -d /var/lib/apt/lists ] || \
     [ -z "$(ls /var/lib/apt/lists/*Sources* 2>/dev/null | head -n 1)" ]; then
    apt_update
  fi
  if [ -n "$missing" ]; then
    log "installing: $(echo $missing)"
    apt_install $missing
  fi
}

# 32-bit Wine needs 32-bit Linux processes. Where the kernel cannot run them (some virtual
# machines leave out the 32-bit compatibility mode), they run under qemu's user-mode emulator,
# built here from Debian's source package with one mend (scripts/patches/qemu-i386-thread-tls.patch):
# Debian's qemu keeps one table of TLS descriptors for the whole process, so a 32-bit thread that
# loads %gs again, as Wine does on every full-context return, takes the newest thread's C library
# thread block, and the process corrupts its heap or faults (docs/wine.md).
binfmt=/proc/sys/fs/binfmt_misc
qemu_entry=vantorel-qemu-i386

# Every binfmt entry that claims 32-bit x86 programs.
i386_binfmt_entries() {
  grep -l '^magic 7f454c460101010000000000000000000200030' "$binfmt"/* 2>/dev/null || true
}

i386_runs() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }

enable_i386_programs() {
  [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || true
  # Another emulator's entry (Debian's qemu-user-static registers one) and ours are switched
  # off first: the kernel runs 32-bit programs itself where it can.
  local entry
  for entry in $(i386_binfmt_entries); do echo 0 >"$entry"; done
  # VANTOREL_QEMU_I386=1 runs them under the emulator all the same (to try what such machines do).
  if [ "${VANTOREL_QEMU_I386:-0}" != 1 ] && i386_runs; then
    log "32-bit programs run natively"
    return 0
  fi
  [ -e "$binfmt/register" ] || { log "32-bit programs cannot run here: no binfmt_misc"; return 1; }
  local emulator
  emulator=$(build_qemu_i386) || return 1
  [ -e "$binfmt/$qemu_entry" ] && echo -1 >"$binfmt/$qemu_entry"
  printf '%s' ":$qemu_entry:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:$emulator:F" \
    >"$binfmt/register"
  i386_runs || { log "32-bit programs cannot run on this machine"; return 1; }
  log "32-bit programs run under $emulator"
}

# Builds qemu's i386 user-mode emulator from Debian's source package with the TLS mend, once per
# source version and patch; prints the emulator's path.
build_qemu_i386() {
  local patch="$root/scripts/patches/qemu-i386-thread-tls.patch" out="$cache/qemu-i386"
  local tools=(meson libglib2.0-dev) missing=() p
  for p in "${tools[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    apt_install "${missing[@]}"
  fi
  local dir version key
  dir=$(source_tree qemu) || return 1
  version=$(basename "$dir")
  key="$version $(sha256sum <"$patch" | cut -c1-16)"
  if [ -x "$out/qemu-i386" ] && [ "$(cat "$out/.stamp" 2>/dev/null)" = "$key" ]; then
    printf '%s\n' "$out/qemu-i386"
    return 0
  fi
  log "building qemu-i386 from $version with the per-thread TLS mend"
  # A tree patched with an earlier version of the mend is unpacked anew.
  if [ -f "$dir/.patched" ] && [ "$(cat "$dir/.patched")" != "$key" ]; then
    rm -rf "$dir"; dir=$(source_tree qemu) || return 1
  fi
  if [ ! -f "$dir/.patched" ]; then
    patch -d "$dir" -p1 --quiet <"$patch" || { log "the qemu mend does not apply to $version"; return 1; }
    printf '%s' "$key" >"$dir/.patched"
  fi
  local b="$cache/build/qemu-i386"
  rm -rf "$b"; mkdir -p "$b" "$out"
  (cd "$b" && "$dir/configure" --target-list=i386-linux-user --without-default-features \
     --disable-system --disable-tools --disable-docs --disable-debug-info --disable-werror >/dev/null &&
   ninja -j "$jobs" qemu-i386 >/dev/null) || { log "qemu-i386 build failed (see $b)"; return 1; }
  install -m 0755 "$b/qemu-i386" "$out/qemu-i386"
  printf '%s' "$key" >"$out/.stamp"
  rm -rf "$b"
  printf '%s\n' "$out/qemu-i386"
}

# Fetches and unpacks a Debian source package (patches applied) once; prints its folder.
source_tree() {
  local pkg=$1 src="$cache/src"
  mkdir -p "$src"
  local version
  version=$(apt-cache showsrc "$pkg" | awk '/^Version:/ { print $2; exit }')
  [ -n "$version" ] || { log "no source package '$pkg'"; return 1; }
  local upstream=${version#*:}; upstream=${upstream%-*}
  local dir="$src/$pkg-${version//:/_}"
  if [ ! -f "$dir/.unpacked" ]; then
    rm -rf "$dir" "$src/tmp-$pkg"; mkdir -p "$src/tmp-$pkg"
    (cd "$src/tmp-$pkg" && apt-get source -qq "$pkg=$version" >/dev/null 2>&1)
    local unpacked
    unpacked=$(find "$src/tmp-$pkg" -mindepth 1 -maxdepth 1 -type d | head -n 1)
    [ -n "$unpacked" ] || { log "apt-get source $pkg failed"; return 1; }
    mv "$unpacked" "$dir"; rm -rf "$src/tmp-$pkg"
    touch "$dir/.unpacked"
  fi
  printf '%s\n' "$dir"
}

triplet_of() { case $1 in win32) echo i686-w64-mingw32 ;; win64) echo x86_64-w64-mingw32 ;; esac; }

stamp_ok() { [ -f "$cache/$1/.$2.stamp" ] && [ "$(cat "$cache/$1/.$2.stamp")" = "$3" ]; }
stamp_set() { printf '%s' "$3" > "$cache/$1/.$2.stamp"; }

# libcurl speaks TLS through Schannel, Windows' own TLS: it checks certificates against the system's
# root store and needs no OpenSSL. It is built with curl's own makefile for GCC toolchains, which
# takes its Windows configuration from config-win32.h: CMake's configure checks took minutes, one
# compile and link at a time, for a library that compiles in under a minute. Only HTTP, HTTPS and
# FTP are built in. The stamp names the TLS backend and the build, so that an older cache is built
# again.
build_curl() {
  local target=$1 triplet prefix dir version key
  triplet=$(triplet_of "$target"); prefix="$cache/$target"
  dir=$(source_tree curl); version=$(basename "$dir")
  key="$version schannel makefile"
  stamp_ok "$target" curl "$key" && return 0
  log "building $version for $target (Schannel)"
  local b="$cache/build/$target/curl" disabled=(DICT FILE GOPHER IMAP LDAP LDAPS MQTT POP3 RTSP SMB SMTP TELNET TFTP)
  rm -rf "$b"; mkdir -p "$b"
  # The makefile adds to CFLAGS and CPPFLAGS from the environment; objects and library go to a
  # folder per target, so both targets build from one source tree at once.
  CFLAGS="-O2" CPPFLAGS="-DCURL_STATICLIB ${disabled[*]/#/-DCURL_DISABLE_}" \
    make -C "$dir/lib" -f Makefile.mk -j "$jobs" CROSSPREFIX="$triplet-" CC="$triplet-gcc-posix" \
      CFG=-schannel-sspi-zlib-ipv6 OBJ_DIR="$b" libcurl_a_LIBRARY="$b/libcurl.a" "$b/libcurl.a" >"$b.log" 2>&1 ||
    { log "libcurl build failed (see $b.log)"; return 1; }
  # What a CMake build installed before (its package files) would name a library no longer there.
  rm -rf "$prefix/include/curl" "$prefix/lib/cmake/CURL" "$prefix/lib/pkgconfig/libcurl.pc" "$prefix/bin/curl-config"
  mkdir -p "$prefix/include/curl" "$prefix/lib"
  cp "$dir"/include/curl/*.h "$prefix/include/curl/"
  cp "$b/libcurl.a" "$prefix/lib/"
  rm -rf "$b" "$b.log"
  stamp_set "$target" curl "$key"
}

# libsodium (the signatures of driver packages): its source files compiled straight into a static
# library, as its own Visual Studio project does, without its configure script (which took longer
# than all the other libraries of a target together). Only the portable code is built, which is
# all the programs need: they verify a few Ed25519 signatures, and hash packages with their own
# SHA-256.
build_libsodium() {
  local target=$1 dir version
  dir=$(source_tree libsodium); version=$(basename "$dir")
  stamp_ok "$target" libsodium "$version portable" && return 0
  log "building $version for $target"
  local source="$dir/src/libsodium" include="$cache/$target/include"
  local release major minor
  release=$(sed -n 's/^AC_INIT(\[libsodium\],\[\([0-9.]*\)\].*/\1/p' "$dir/configure.ac")
  major=$(sed -n 's/^SODIUM_LIBRARY_VERSION_MAJOR=//p' "$dir/configure.ac")
  minor=$(sed -n 's/^SODIUM_LIBRARY_VERSION_MINOR=//p' "$dir/configure.ac")
  [ -n "$release" ] && [ -n "$major" ] && [ -n "$minor" ] || { log "no version in $dir/configure.ac"; return 1; }
  mkdir -p "$include/sodium"
  cp "$source/include/sodium.h" "$include/"
  cp "$source"/include/sodium/*.h "$include/sodium/"
  sed -e "s/@VERSION@/$release/" -e "s/@SODIUM_LIBRARY_VERSION_MAJOR@/$major/" \
      -e "s/@SODIUM_LIBRARY_VERSION_MINOR@/$minor/" -e "s/@SODIUM_LIBRARY_MINIMAL_DEF@//" \
      "$source/include/sodium/version.h.in" >"$include/sodium/version.h"
  # What its configure script finds on MinGW; 128-bit integers only on the 64-bit target.
  local flags="-w -DCONFIGURED=1 -DSODIUM_STATIC -DTLS=_Thread_local -DNATIVE_LITTLE_ENDIAN=1"
  [ "$target" = win64 ] && flags+=" -DHAVE_TI_MODE=1"
  flags+=" -I$include/sodium -I$source/include/sodium"
  # shellcheck disable=SC2046
  compile_static_library "$target" sodium gcc "$flags" $(find "$source" -name '*.c' | sort) ||
    { log "libsodium build failed"; return 1; }
  stamp_set "$target" libsodium "$version portable"
}

# Compiles a list of source files of an unpacked package into one static library.
#   compile_static_library TARGET LIBRARY COMPILER FLAGS SOURCES...
compile_static_library() {
  local target=$1 library=$2 compiler=$3 flags=$4
  shift 4
  local triplet b objs=() f
  triplet=$(triplet_of "$target"); b="$cache/build/$target/$library"
  rm -rf "$b" "$cache/$target/lib/lib$library.a"; mkdir -p "$b" "$cache/$target/lib"
  for f in "$@"; do
    # shellcheck disable=SC2086
    "$triplet-$compiler-posix" -O2 $flags -c "$f" -o "$b/$(basename "$f").o" || return 1
    objs+=("$b/$(basename "$f").o")
  done
  "$triplet-ar" rcs "$cache/$target/lib/lib$library.a" "${objs[@]}"
}

build_minizip() {
  local target=$1 dir version
  dir=$(source_tree minizip); version=$(basename "$dir")
  stamp_ok "$target" minizip "$version" && return 0
  log "building $version for $target"
  # minizip 1.1 keeps its CRC table pointer as unsigned long; both are 32-bit on Windows.
  compile_static_library "$target" minizip gcc "-Wno-incompatible-pointer-types -I$dir" \
    "$dir"/{ioapi,iowin32,unzip,zip,mztools}.c
  mkdir -p "$cache/$target/include/minizip"
  cp "$dir"/{ioapi,iowin32,unzip,zip,mztools,crypt}.h "$cache/$target/include/minizip/"
  stamp_set "$target" minizip "$version"
}

build_tinyxml() {
  local target=$1 dir version
  dir=$(source_tree tinyxml); version=$(basename "$dir")
  stamp_ok "$target" tinyxml "$version" && return 0
  log "building $version for $target"
  compile_static_library "$target" tinyxml g++ "-DTIXML_USE_STL -I$dir" \
    "$dir"/{tinyxml,tinyxmlparser,tinyxmlerror,tinystr}.cpp
  mkdir -p "$cache/$target/include"
  cp "$dir"/tinyxml.h "$dir"/tinystr.h "$cache/$target/include/"
  stamp_set "$target" tinyxml "$version"
}

build_googletest() {
  local target=$1 prefix dir version
  prefix="$cache/$target"
  dir=$(source_tree googletest); version=$(basename "$dir")
  stamp_ok "$target" googletest "$version" && return 0
  log "building $version for $target"
  local b="$cache/build/$target/googletest"; rm -rf "$b"
  cmake -S "$dir" -B "$b" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$target.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON >/dev/null
  cmake --build "$b" -j "$jobs" >/dev/null
  cmake --install "$b" >/dev/null
  stamp_set "$target" googletest "$version"
}

# Header-only libraries come straight from Debian's packages.
copy_header_libraries() {
  local target=$1
  [ -f "$cache/$target/include/nlohmann/json.hpp" ] && return 0
  mkdir -p "$cache/$target/include"
  cp -r /usr/include/nlohmann "$cache/$target/include/"
}

# The libraries of one MinGW target, in order.
build_target_libraries() {
  local target=$1
  mkdir -p "$cache/$target"
  copy_header_libraries "$target"
  build_curl "$target"
  build_minizip "$target"
  build_tinyxml "$target"
  build_libsodium "$target"
  build_googletest "$target"
}

install_packages
# The emulator for 32-bit programs (where one is needed) builds beside the libraries.
enable_i386_programs &
pids=($!)
# The source packages are fetched first, once; then both targets build side by side (most of
# their time goes into configure checks, which run one at a time).
for pkg in curl minizip tinyxml libsodium googletest; do source_tree "$pkg" >/dev/null; done
for target in win32 win64; do
  (build_target_libraries "$target") &
  pids+=($!)
done
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
[ "$status" -eq 0 ] || { log "the set-up failed"; exit 1; }
log "ready"
