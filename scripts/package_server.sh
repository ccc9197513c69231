#!/usr/bin/env bash
# Builds the Debian package "vantorel-server": vantorel-server and vantorel-catalog, the systemd
# unit, /etc/vantorel/server.conf and the folders under /var/lib/vantorel.
#   bash scripts/package_server.sh [OUT_DIR]      (default build/package; prints the .deb's path)
# The programs are built in build/package-build, or taken from the build folder VANTOREL_HOST_BUILD names.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/build/package}
build=${VANTOREL_HOST_BUILD:-$root/build/package-build}
if [ -z "${VANTOREL_HOST_BUILD:-}" ]; then
  [ -f "$build/build.ninja" ] || cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTOREL_TESTS=OFF >&2
  cmake --build "$build" -j "$(nproc)" --target vantorel-server vantorel-catalog >&2
fi

version=$(sed -n 's/^#define VANTOREL_VERSION "\(.*\)"$/\1/p' "$root/common/version.h")
architecture=$(dpkg --print-architecture)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
package="$stage/vantorel-server"
install -d "$package/DEBIAN" "$package/usr/bin" "$package/lib/systemd/system" "$package/etc/vantorel" \
  "$package/var/lib/vantorel/packages" "$package/usr/share/doc/vantorel-server"
install -m 755 -s "$build/vantorel-server" "$build/vantorel-catalog" "$package/usr/bin/"
install -m 644 "$root/packaging/server/vantorel-server.service" "$package/lib/systemd/system/"
install -m 644 "$root/packaging/server/server.conf" "$package/etc/vantorel/"
install -m 644 "$root/packaging/server/README" "$package/usr/share/doc/vantorel-server/"
install -m 755 "$root/packaging/server/postinst" "$root/packaging/server/prerm" "$root/packaging/server/postrm" "$package/DEBIAN/"
echo /etc/vantorel/server.conf >"$package/DEBIAN/conffiles"

# The shared libraries' packages, as dpkg-shlibdeps finds them; procps for the unit's kill.
mkdir -p "$stage/debian"
printf 'Source: vantorel\n\nPackage: vantorel-server\nArchitecture: any\n' >"$stage/debian/control"
depends=$(cd "$stage" && dpkg-shlibdeps -O "$package/usr/bin/vantorel-server" "$package/usr/bin/vantorel-catalog" 2>/dev/null |
  sed -n 's/^shlibs:Depends=//p')
cat >"$package/DEBIAN/control" <<CONTROL
Package: vantorel-server
Version: $version
Architecture: $architecture
Maintainer: Vantorel developers <vantorel@localhost>
Section: net
Priority: optional
Depends: $depends, procps
Installed-Size: $(du -sk "$package" | cut -f1)
Description: Vantorel driver update server
 Answers the Vantorel program's scan requests from a driver catalog and serves the
 catalog's package files with byte ranges, over HTTP or HTTPS. vantorel-catalog
 builds and signs the catalog from driver package archives. Runs as a sandboxed
 systemd service with a dynamic user.
CONTROL

mkdir -p "$out"
deb="$out/vantorel-server_${version}_${architecture}.deb"
dpkg-deb --root-owner-group --build "$package" "$deb" >&2
echo "$deb"
