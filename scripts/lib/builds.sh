# Configures (once) and builds one of the project's build trees under build/<name>:
# host, host-asan, host-fuzz (clang, the fuzz targets only), win32 or win64.
#   build_tree NAME [TARGET...]   builds the named targets only (all of them without any)
# With build_niceness set (10, say), the compilers yield to whatever else the machine runs.
builds_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

build_tree() {
  local name=$1 dir="$builds_root/build/$1"
  shift
  local -a targets=("$@")
  local -a options=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
  case $name in
    host) ;;
    host-asan) options+=(-DVANTOREL_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug) ;;
    host-fuzz) options+=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVANTOREL_FUZZ=ON -DVANTOREL_TESTS=OFF) ;;
    win32 | win64) options+=(-DCMAKE_TOOLCHAIN_FILE="$builds_root/cmake/toolchain-$name.cmake") ;;
    *) echo "unknown build '$name'" >&2; return 2 ;;
  esac
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$builds_root" -B "$dir" "${options[@]}" || return 1
  fi
  [ "$name" = host-fuzz ] && [ ${#targets[@]} -eq 0 ] && targets=(fuzzers)
  # Development and test trees trust the development key; their set-ups are made on purpose.
  VANTOREL_DEVELOPMENT_RELEASE=1 nice -n "${build_niceness:-0}" cmake --build "$dir" -j "$(nproc)" ${targets[@]:+--target "${targets[@]}"}
}
