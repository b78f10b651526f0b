#!/bin/sh
# Runs the whole test suite: installs missing Debian packages, then builds and tests the
# optimised configuration and the AddressSanitizer + UndefinedBehaviorSanitizer one.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh build test
jobs=$(nproc)
for preset in release asan; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
