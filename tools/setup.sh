#!/bin/sh
# Installs the Debian packages a task needs (build, test, media, fuzz), only those still missing.
# Usage: tools/setup.sh [build] [test] [media] [fuzz]   (default: build)
set -eu

build_pkgs="cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev libfast-float-dev
  libtinyobjloader-dev libmeshoptimizer-dev libstb-dev freeglut3-dev libglu1-mesa-dev libegl-dev libgl-dev
  libgl1-mesa-dri libegl-mesa0 libsdl2-mixer-dev libx11-dev libcli11-dev nlohmann-json3-dev"
test_pkgs="xvfb xauth xdotool x11-utils x11-apps imagemagick python3 python3-pil sox lame dpkg-dev file
  desktop-file-utils"
media_pkgs="python3 python3-pil python3-numpy sox lame imagemagick"
fuzz_pkgs="clang libclang-rt-14-dev"

[ $# -eq 0 ] && set -- build
wanted=""
for group in "$@"; do
  case "$group" in
    build) wanted="$wanted $build_pkgs" ;;
    test)  wanted="$wanted $test_pkgs" ;;
    media) wanted="$wanted $media_pkgs" ;;
    fuzz)  wanted="$wanted $fuzz_pkgs" ;;
    *) echo "setup.sh: unknown package group '$group'" >&2; exit 2 ;;
  esac
done

missing=""
for pkg in $wanted; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
  [ "$status" = installed ] || missing="$missing $pkg"
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  as_root=""
elif command -v sudo >/dev/null 2>&1; then
  as_root="sudo"
else
  echo "setup.sh: these Debian packages are missing and neither root nor sudo is available:$missing" >&2
  exit 1
fi
echo "setup.sh: installing$missing"
$as_root apt-get update -qq
DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y -qq --no-install-recommends $missing >/dev/null
