# The driver package installers' tests under Wine, sourced by scripts/test.sh (which defines root,
# results and count_report). Each Windows build's dpinst_tests.exe runs in a fresh prefix of its
# own: the tests install drivers onto the simulated PC's devices, which the other Windows tests
# expect unchanged.
#
# dpinst_wine_tests BUILD    runs build/BUILD/dpinst_tests.exe and counts its report

dpinst_wine_tests() {
  local build=$1 dir="$root/build/$1" name="$1-dpinst" rc=0
  [ -f "$dir/dpinst_tests.exe" ] || return 0
  wine_tests_fresh "$root/build/wine/dpinst-$build" "$dir" dpinst_tests.exe "$results/$name.xml" \
    >"$results/$name.log" 2>&1 || rc=$?
  count_report "$name" "$results/$name.xml" "$rc" "$results/$name.log"
}
