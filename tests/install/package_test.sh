#!/bin/sh
# Builds the Debian package of a build (cpack -G DEB) and checks it: it holds the demo and its
# media, kerbmodel, the libraries with their headers, CMake package and pkg-config files, and a
# valid desktop entry; it depends on the Debian packages of the shared libraries the programs
# load; its programs run from the unpacked tree.
# Exits 77 when a tool it needs is missing, or fails under CI (CI=true).
# Usage: package_test.sh CPACK BUILD_DIR VERSION
set -eu
cpack=$1 build=$2 version=$3

for tool in dpkg-deb dpkg-shlibdeps file desktop-file-validate; do
  command -v "$tool" >/dev/null 2>&1 && continue
  case "${CI:-}" in true | 1) echo "package: FAILED: $tool is missing (required under CI)" >&2; exit 1 ;; esac
  echo "package: $tool is missing; skipped" >&2
  exit 77
done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/kerbhopper-package.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
fail() {
  echo "package: FAILED: $*" >&2
  exit 1
}

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$tmp" >"$tmp/log" 2>&1 || { cat "$tmp/log" >&2; fail "cpack"; }
deb=$(find "$tmp" -maxdepth 1 -name "kerbhopper_${version}_*.deb")
[ -n "$deb" ] || fail "no kerbhopper_${version}_*.deb in $(ls "$tmp")"

dpkg-deb -c "$deb" | awk '{ print $NF }' >"$tmp/contents"
for path in usr/bin/kerbhopper usr/bin/kerbmodel usr/include/glm/glm.h usr/include/image/bmp.h \
  'usr/lib/(.*/)?libkerbhopper-glm\.(a|so)' 'usr/lib/(.*/)?libkerbhopper-image\.(a|so)' \
  usr/lib/.*cmake/Kerbhopper/KerbhopperConfig.cmake usr/lib/.*cmake/Kerbhopper/KerbhopperConfigVersion.cmake \
  usr/lib/.*cmake/Kerbhopper/KerbhopperTargets.cmake usr/lib/.*pkgconfig/kerbhopper-glm.pc \
  usr/lib/.*pkgconfig/kerbhopper-image.pc usr/share/kerbhopper/data/porsche.obj usr/share/kerbhopper/data/porsche.mtl \
  usr/share/kerbhopper/22.mp3 usr/share/kerbhopper/road.bmp usr/share/kerbhopper/build5.bmp \
  usr/share/applications/kerbhopper.desktop; do
  grep -Eq "^\./$path" "$tmp/contents" || fail "the package lacks $path"
done
# Nothing from glm/ and image/ but the public headers.
[ "$(grep -c '^\./usr/include/.*\.h$' "$tmp/contents")" -eq 2 ] || fail "headers: $(grep include "$tmp/contents")"

# The package names in Depends, alternatives included, without their versions.
depends=$(dpkg-deb -f "$deb" Depends)
echo "$depends" | tr ',|' '\n\n' | sed 's/^ *//; s/ .*//' >"$tmp/depends"
for package in libc6 libstdc++6 libopengl0 libglu1-mesa libglut3.12 libsdl2-mixer-2.0-0 libgl-dev; do
  grep -qxF "$package" "$tmp/depends" || fail "Depends lacks $package: $depends"
done

dpkg-deb -x "$deb" "$tmp/root"
desktop-file-validate "$tmp/root/usr/share/applications/kerbhopper.desktop" || fail "the desktop entry is not valid"
[ "$("$tmp/root/usr/bin/kerbmodel" --version)" = "kerbmodel $version" ] || fail "kerbmodel --version from the package"
"$tmp/root/usr/bin/kerbmodel" info "$tmp/root/usr/share/kerbhopper/data/porsche.obj" >/dev/null ||
  fail "kerbmodel info on the packaged car"
echo "package: $(basename "$deb"), $(wc -l <"$tmp/contents") entries; Depends: $depends"
