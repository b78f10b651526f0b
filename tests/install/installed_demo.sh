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
export SDL_AUDIODRIVER=dummy
# As in the end-to-end test: the leak check at exit would run after the GL driver is unloaded.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

for tool in xdotool import compare; do
  command -v "$tool" >/dev/null 2>&1 && continue
  case "${CI:-}" in true | 1) echo "installed demo: FAILED: $tool is missing (required under CI)" >&2; exit 1 ;; esac
  echo "installed demo: $tool is missing; skipped" >&2
  exit 77
done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/kerbhopper-installed.XXXXXX")
pid=""
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$tmp"; }
trap cleanup EXIT
trap 'exit 143' TERM

fail() {
  echo "installed demo: FAILED: $*" >&2
  [ -s "$tmp/out" ] && { echo "--- demo output:" >&2; cat "$tmp/out" >&2; }
  exit 1
}

# --- from /, with the media where they were installed
(cd / && exec "$prefix/$bindir/kerbhopper") >"$tmp/out" 2>&1 &
pid=$!
n=0
wid=""
while [ -z "$wid" ]; do
  kill -0 "$pid" 2>/dev/null || fail "the demo ended before its window opened"
  n=$((n + 1))
  [ $n -le 300 ] || fail "no window titled '$title'"
  sleep 0.2
  wid=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1) || true
done
# The first frames may still be black or half drawn on a loaded machine: look a few times.
n=0
while :; do
  kill -0 "$pid" 2>/dev/null || fail "the demo ended while starting"
  import -window "$wid" "$tmp/shot.ppm" 2>/dev/null || fail "the demo's window is gone"
  metric=$(compare -metric MAE "$reference" "$tmp/shot.ppm" null: 2>&1 | sed -n 's/^[^ ]* (\([0-9.e+-]*\))$/\1/p') || true
  [ -n "$metric" ] && awk -v m="$metric" 'BEGIN { exit !(m < 0.02) }' && break
  n=$((n + 1))
  [ $n -lt 60 ] || fail "the window never showed the reference picture (mean error ${metric:-unmeasured})"
  sleep 0.5
done
xdotool key --window "$wid" Escape 2>/dev/null || true  # may fail: the window is gone before the release
status=0
wait "$pid" || status=$?
pid=""
[ "$status" -eq 0 ] || fail "Escape ended the demo with status $status"

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
