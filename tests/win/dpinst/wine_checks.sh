# The driver package installers' tests under Wine, sourced by scripts/test.sh (which defines root,
# results and count_report). Each Windows build's dpinst_tests.exe runs in a fresh prefix of its
# own: the tests install drivers onto the simulated PC's devices, which the other Windows tests
# expect unchanged. A run that crashed before writing its report (32-bit Wine under qemu now and
# then does) runs once more, again in a fresh prefix.
#
# dpinst_wine_tests BUILD    runs build/BUILD/dpinst_tests.exe and counts its report

dpinst_wine_tests() {
  local build=$1 dir="$root/build/$1" name="$1-dpinst" rc attempt
  [ -f "$dir/dpinst_tests.exe" ] || return 0
  for attempt in 1 2; do
    rc=0
    rm -f "$dir/dpinst-report.xml"
    (
      wine_prefix_fresh "$root/build/wine/dpinst-$build"
      cd "$dir" && timeout 600 bash -c "source '$root/scripts/lib/wine.sh'; \
        wine_run ./dpinst_tests.exe --gtest_output=xml:dpinst-report.xml"
      status=$?
      wine_stop
      exit $status
    ) >"$results/$name.log" 2>&1 || rc=$?
    mv -f "$dir/dpinst-report.xml" "$results/$name.xml" 2>/dev/null
    [ -s "$results/$name.xml" ] && break
    echo "$name: no report (exit $rc), attempt $attempt"
  done
  count_report "$name" "$results/$name.xml" "$rc"
}
