# What the shipped programs need of Windows: every DLL a program imports must be one that a clean
# Windows 7 SP1 has (packaging/windows/windows7_system_dlls.txt). Wine brings DLLs of its own
# (zlib1.dll among them), so a program that imports one starts under Wine and not on Windows.
#
# pe_foreign_imports FILE...   prints "FILE: DLL" for each import that is not on the list; fails
#                              when there is one, or when a file cannot be read as a program

pe_imports_list="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/packaging/windows/windows7_system_dlls.txt"

pe_foreign_imports() {
  local file dll status=0 listing
  for file in "$@"; do
    if ! listing=$(x86_64-w64-mingw32-objdump -p "$file" 2>/dev/null) || ! grep -q 'The Import Tables' <<<"$listing"; then
      echo "$file: cannot be read as a Windows program"; status=1; continue
    fi
    while read -r dll; do
      grep -qixF "$dll" <(grep -v '^#' "$pe_imports_list") || { echo "$(basename "$file"): $dll"; status=1; }
    done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$listing" | tr -d '\r' | sort -fu)
  done
  return $status
}
