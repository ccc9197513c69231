#!/bin/bash
# Builds the set-up program Vantorel-Setup-<version>.exe of one Windows build tree (the shipped
# one is win32) and prints its path.
#
#   bash scripts/package_windows.sh [win32|win64|TREE]
#
# The tree is configured first when it is not yet (scripts/lib/builds.sh). With
# VANTOREL_SIGN_CERT and VANTOREL_SIGN_KEY (and optionally VANTOREL_SIGN_KEY_PASSWORD and
# VANTOREL_SIGN_TIMESTAMP_URL) set, the programs, the uninstaller and the set-up are signed.
# A tree it configures trusts the public key file VANTOREL_PUBLIC_KEY_FILE names; a tree that
# trusts the development key is packaged only with VANTOREL_DEVELOPMENT_RELEASE=1.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
name=${1:-win32}
case $name in
  win32 | win64) tree="$root/build/$name" ;;
  *) tree=$(cd "$name" && pwd) ;;
esac
if [ ! -f "$tree/build.ninja" ]; then
  case $name in
    win32 | win64)
      cmake -S "$root" -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$name.cmake" \
        -DVANTOREL_PUBLIC_KEY_FILE="${VANTOREL_PUBLIC_KEY_FILE:-}" >/dev/null ;;
    *) echo "package_windows.sh: $tree is not a configured build tree" >&2; exit 2 ;;
  esac
fi
version=$(sed -n 's/^#define VANTOREL_VERSION "\(.*\)"$/\1/p' "$root/common/version.h")
# Made again each time, so that the signing follows the environment of this run.
rm -f "$tree/Vantorel-Setup-$version.exe"
cmake --build "$tree" --target installer -j "${VANTOREL_JOBS:-2}" >&2
echo "$tree/Vantorel-Setup-$version.exe"
