#!/bin/sh
# Builds a program of another project against an installed tree twice, through
# find_package(Kerbhopper) and through pkg-config, and runs both on a model and a BMP file:
# each must report what the files hold. Only the public headers may be installed.
# Usage: consumer_test.sh CMAKE CXX PREFIX CONSUMER_SOURCE VERSION MODEL BMP [FLAGS...]
# FLAGS go to the compiler and linker of both builds (a sanitizer build's runtimes).
set -eu
cmake=$1 cxx=$2 prefix=$3 source=$4 version=$5 model=$6 bmp=$7
shift 7
flags="$*"
tmp=$(mktemp -d "${TMPDIR:-/tmp}/kerbhopper-consumer.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

fail() {
  echo "consumer: FAILED: $*" >&2
  [ -s "$tmp/log" ] && cat "$tmp/log" >&2
  exit 1
}

headers=$(cd "$prefix/include" && find . -type f | sort | tr '\n' ' ')
[ "$headers" = "./glm/glm.h ./image/bmp.h " ] || fail "the installed headers are: $headers"

# What the files hold, found without the libraries: the vertex lines, the triangles of the face
# lines (n - 2 for a face of n corners), the library's materials plus "default", and the width
# and height in the BMP's info header.
vertices=$(grep -c '^v ' "$model")
triangles=$(awk '$1 == "f" { t += NF - 3 } END { print t }' "$model")
library=$(dirname "$model")/$(awk '$1 == "mtllib" { print $2; exit }' "$model")
materials=$(($(grep -c '^newmtl ' "$library") + 1))
size=$(od -An -t d4 -j 18 -N 8 "$bmp" | awk '{ print $1 "x" ($2 < 0 ? -$2 : $2) }')
expected="$vertices vertices, $triangles triangles, $materials materials; $size pixels"

pkgconfig=$(dirname "$(find "$prefix" -name kerbhopper-glm.pc)")
libdir=$(dirname "$pkgconfig")

# find_package(Kerbhopper VERSION EXACT REQUIRED COMPONENTS glm image)
"$cmake" -S "$source" -B "$tmp/cmake" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_PREFIX_PATH="$prefix" \
  -DKERB_VERSION="$version" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >"$tmp/log" 2>&1 ||
  fail "configuring with find_package(Kerbhopper $version)"
"$cmake" --build "$tmp/cmake" >"$tmp/log" 2>&1 || fail "building with find_package"
found=$("$tmp/cmake/consumer" "$model" "$bmp") || fail "the find_package build ended with status $?"
[ "$found" = "$expected" ] || fail "the find_package build read '$found', not '$expected'"

# pkg-config --cflags --libs kerbhopper-glm kerbhopper-image
export PKG_CONFIG_PATH="$pkgconfig"
[ "$(pkg-config --modversion kerbhopper-glm kerbhopper-image | sort -u)" = "$version" ] ||
  fail "pkg-config gives versions $(pkg-config --modversion kerbhopper-glm kerbhopper-image | tr '\n' ' ')"
# shellcheck disable=SC2046,SC2086 # word splitting wanted
"$cxx" $flags -o "$tmp/pkgconfig-consumer" "$source/consumer.cpp" \
  $(pkg-config --cflags --libs kerbhopper-glm kerbhopper-image) >"$tmp/log" 2>&1 || fail "building with pkg-config"
# pkg-config gives no run path: a shared library is found as a user's would be, here by name.
found=$(LD_LIBRARY_PATH="$libdir" "$tmp/pkgconfig-consumer" "$model" "$bmp") || fail "the pkg-config build ended with status $?"
[ "$found" = "$expected" ] || fail "the pkg-config build read '$found', not '$expected'"
echo "consumer: both builds read $found"
