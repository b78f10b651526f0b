#!/bin/sh
# Remakes the demo's pictures after a deliberate change to its scenery, camera or media:
# the off-screen reference of the first frame (tests/reference/start_frame.png) and the
# README's screenshot (docs/screenshot.png), taken by the end-to-end test in a real window.
set -eu
cd "$(dirname "$0")/.."
tools/setup.sh build test
cmake --preset release >/dev/null
cmake --build --preset release --target kerbhopper app_start_frame_test
KERB_UPDATE_REFERENCE=1 build/release/tests/app_start_frame_test >/dev/null
mkdir -p docs
E2E_SCREENSHOT="$PWD/docs/screenshot.png" tools/with-xvfb.sh tests/e2e/e2e.sh build/release/app/kerbhopper media \
  tests/reference/start_frame.png
echo "update-pictures: wrote tests/reference/start_frame.png and docs/screenshot.png"
