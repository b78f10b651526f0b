#!/bin/sh
# Builds the driving demo and runs it from media/, the folder that holds its textures, music and
# car model: the demo opens them relative to its working directory.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/setup.sh build
cmake --preset release >/dev/null
cmake --build --preset release --target kerbhopper
cd media
exec "$root/build/release/app/kerbhopper" "$@"
