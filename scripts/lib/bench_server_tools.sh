# What the server benchmarks share; sourced from the repository's root.
#
# bench_host_build          sets build: VANTOREL_HOST_BUILD, or build/host made here
# bench_post_script FILE    writes wrk's script that posts the file VANTOREL_BODY names as a scan

bench_host_build() {
  if [ -n "${VANTOREL_HOST_BUILD:-}" ]; then
    build=$VANTOREL_HOST_BUILD
  else
    bash scripts/setup.sh >/dev/null
    source scripts/lib/builds.sh
    build_tree host >/dev/null
    build=build/host
  fi
}

bench_post_script() {
  cat >"$1" <<'LUA'
wrk.method = "POST"
local file = io.open(os.getenv("VANTOREL_BODY"), "rb")
wrk.body = file:read("*a")
file:close()
wrk.headers["Content-Type"] = "multipart/form-data; boundary=vantorel-load-boundary"
LUA
}
