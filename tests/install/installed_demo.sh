#!/bin/sh
# The installed demo started from / finds the media installed with it: its window shows the
# first frame of the reference picture. A copy of the program in a tree without the media says
# where it looked and ends with status 1.
# Needs DISPLAY (run it through tools/with-xvfb.sh). Exits 77 when a tool it needs is missing,
# or fails under CI (CI=true), where nothing may be missing.
# Usage: installed_demo.sh PREFIX BINDIR DATADIR REFERENCE_PNG   (the folders relative to PREFIX)
set -eu
prefix=$(realpath "$1")
bindir=$2
datadir=$3
reference=$4
title='Kerbhopper    Assignment3'
demo="$prefix/$bindir/kerbhopper"
label="installed demo"
. "$(dirname "$0")/../support/demo_window.sh"
require_tools xdotool xwd xwininfo import compare "$magick"

# --- from /, with the media where they were installed
start_demo /
shot start
mean_error "$reference" "$tmp/start.ppm"
below "$metric" 0.02 || fail "the window does not show the reference picture (mean error $metric)"
stop_demo

# --- the program alone in another tree: no media there, none in /
mkdir -p "$tmp/tree/$bindir"
cp "$prefix/$bindir/kerbhopper" "$tmp/tree/$bindir/"
for dir in "$prefix"/lib*; do ln -s "$dir" "$tmp/tree/"; done  # shared libraries, where built so
status=0
(cd / && exec timeout 30 "$tmp/tree/$bindir/kerbhopper") >"$tmp/out" 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "without its media the demo ended with status $status"
media=$(realpath -m "$tmp/tree/$datadir/kerbhopper")
grep -qF "\"data/porsche.obj\" is neither in the working directory \"/\" nor in the media folder \"$media\"." \
  "$tmp/out" || fail "without its media the demo does not say where it looked"
echo "installed demo: passed"
