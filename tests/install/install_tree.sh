#!/bin/sh
# Installs a build into a fresh prefix, as a user does with `cmake --install`.
# Usage: tests/install/install_tree.sh CMAKE BUILD_DIR PREFIX
set -eu
cmake=$1 build=$2 prefix=$3
rm -rf "$prefix"
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
