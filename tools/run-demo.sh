#!/bin/sh
# Builds the driving demo and runs it from the project folder, which holds its media.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh build
cmake --preset release >/dev/null
cmake --build --preset release --target kerbhopper
exec build/release/app/kerbhopper "$@"
