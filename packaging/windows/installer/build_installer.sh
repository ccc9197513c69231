#!/bin/bash
# Builds Vantorel-Setup-<version>.exe from the files of one Windows build tree with makensis.
#
#   build_installer.sh TREE [--version V] [--output FILE]
#
# TREE holds Vantorel.exe, language.ini, DPInst32.exe, DPInst64.exe and update\update.exe. The version is the program's (common/version.h) unless --version names another.
# The set-up goes to TREE/Vantorel-Setup-<version>.exe unless --output names another file. With
# VANTOREL_SIGN_CERT and VANTOREL_SIGN_KEY set (sign_file.sh), every program in it, the
# uninstaller and the set-up itself are signed.
#
# A tree configured without VANTOREL_PUBLIC_KEY_FILE trusts the development key, whose secret lies
# in build/keys: a set-up of it trusts catalogs anyone with that file can sign. It is refused
# unless VANTOREL_DEVELOPMENT_RELEASE=1 asks for such a set-up on purpose (tests, the demo).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source_root=$(cd "$here/../../.." && pwd)

tree=$(cd "${1:?usage: build_installer.sh TREE [--version V] [--output FILE]}" && pwd)
shift
version= output=
while [ $# -gt 0 ]; do
  case $1 in
    --version) version=$2; shift ;;
    --output) output=$2; shift ;;
    *) echo "build_installer.sh: unknown option '$1'" >&2; exit 2 ;;
  esac
  shift
done
[ -n "$version" ] || version=$(sed -n 's/^#define VANTOREL_VERSION "\(.*\)"$/\1/p' "$source_root/common/version.h")
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "build_installer.sh: version '$version' is not three numbers" >&2; exit 2; }
[ -n "$output" ] || output="$tree/Vantorel-Setup-$version.exe"

if grep -q '^VANTOREL_PUBLIC_KEY_FILE:FILEPATH=$' "$tree/CMakeCache.txt" 2>/dev/null &&
  [ "${VANTOREL_DEVELOPMENT_RELEASE:-}" != 1 ]; then
  echo "build_installer.sh: $tree trusts the development signing key, not the catalog owner's." >&2
  echo "  Configure it with -DVANTOREL_PUBLIC_KEY_FILE=FILE (the owner's public key), or set" >&2
  echo "  VANTOREL_DEVELOPMENT_RELEASE=1 to make a development set-up on purpose." >&2
  exit 1
fi

files=(Vantorel.exe language.ini DPInst32.exe DPInst64.exe update/update.exe)
# The files as shipped, beside the set-up made of them (so that set-ups of one tree can be made
# side by side).
stage="${output%.exe}.files"
rm -rf "$stage"
mkdir -p "$stage"
# 64 or 32: the machine type in a Windows program's header.
program_bits() {
  local offset
  offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  case $(od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' ') in
    8664) echo 64 ;;
    *) echo 32 ;;
  esac
}

# The builds keep their debugging information; what is shipped does not.
for file in "${files[@]}"; do
  [ -f "$tree/$file" ] || { echo "build_installer.sh: $tree/$file is missing" >&2; exit 1; }
  staged="$stage/$(basename "$file")"
  cp "$tree/$file" "$staged"
  if [ "${file##*.}" = exe ]; then
    if [ "$(program_bits "$staged")" = 64 ]; then strip=x86_64-w64-mingw32-strip; else strip=i686-w64-mingw32-strip; fi
    "$strip" --strip-debug "$staged"
  fi
done

# The program's machine type decides the Program Files folder and the registry view.
bits=$(program_bits "$stage/Vantorel.exe")

defines=(-DVERSION="$version" -DSTAGE="$stage" -DTEXTS="$stage/installer_texts.nsh" -DOUTPUT_FILE="$output"
         -DBITS="$bits")
if [ -n "${VANTOREL_SIGN_CERT:-}" ] && [ -n "${VANTOREL_SIGN_KEY:-}" ]; then
  for file in "${files[@]}"; do
    [ "${file##*.}" = exe ] && bash "$here/sign_file.sh" "$stage/$(basename "$file")"
  done
  defines+=(-DSIGN="bash \"$here/sign_file.sh\"")
fi
python3 "$here/installer_texts.py" "$source_root/i18n/language.ini" "$stage/installer_texts.nsh"
mkdir -p "$(dirname "$output")"
rm -f "$output"
makensis -V2 -INPUTCHARSET UTF8 "${defines[@]}" "$here/vantorel.nsi"
echo "$output"
