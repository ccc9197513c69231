# The whole job under Wine, sourced by scripts/test.sh (which defines root, results, count_report
# and server_check_results, and has started the mirrors). Each Windows build's loop_tests.exe runs
# in a fresh prefix of its own, because it installs drivers onto the simulated PC; the backup
# archive it leaves is then checked by Info-ZIP's unzip.
#
# loop_wine_tests BUILD [VERSION]   runs build/BUILD/loop_tests.exe and counts its report; with
#                                   VERSION ("win10") in a prefix that Wine sets to that Windows

loop_wine_tests() {
  local build=$1 version=${2:-} dir="$root/build/$1" name="$1-loop${2:+-$2}" rc=0 archive
  [ -f "$dir/loop_tests.exe" ] || return 0
  WINE_VERSION=$version wine_tests_fresh "$root/build/wine/loop-$build${version:+-$version}" "$dir" loop_tests.exe \
    "$results/$name.xml" >"$results/$name.log" 2>&1 || rc=$?
  count_report "$name" "$results/$name.xml" "$rc" "$results/$name.log"
  [ "$rc" -eq 0 ] || return 0
  for archive in "$dir"/loop-work/backups/*.zip; do
    if [ -f "$archive" ] && unzip -tq "$archive" >>"$results/$name.log" 2>&1; then
      server_check_results+=("pass loop: $build backup archive passes unzip -t")
    else
      server_check_results+=("fail loop: $build backup archive $archive fails unzip -t")
    fi
  done
}
