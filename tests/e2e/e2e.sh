#!/bin/sh
# End-to-end test of the demo in a real X window: title, keys, screenshots, a wide window,
# exit on Escape and on SIGTERM, a missing texture, a malformed and a missing car model.
# Needs DISPLAY (run it through tools/with-xvfb.sh).
# Usage: tests/e2e/e2e.sh DEMO_BINARY MEDIA_FOLDER [REFERENCE_PNG]
# Set E2E_SCREENSHOT=file.png to keep the first screenshot. Exits 77 when the media are missing,
# or fails under CI (CI=true), where nothing may be missing.
set -eu
demo=$(realpath "$1")
media=$(realpath "$2")
reference=${3:-}
title='Kerbhopper    Assignment3'
magick=/usr/bin/convert
export SDL_AUDIODRIVER=dummy  # no sound card needed
# In a sanitizer build, memory errors still end the demo, but the leak check at exit is off:
# it runs after the GL driver has been unloaded, so the driver's own allocations can no longer
# be told from ours. The unit tests check our allocations for leaks.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

case "${CI:-}" in true | 1) ci=1 ;; *) ci="" ;; esac

# lacking WHAT: without WHAT part of the test cannot run: a failure under CI, a note elsewhere.
lacking() {
  if [ -n "$ci" ]; then
    echo "e2e: FAILED: $1 is missing (required under CI)" >&2
    exit 1
  fi
  echo "e2e: $1 is missing" >&2
}

for file in data/porsche.obj road.bmp wall.bmp sky.bmp grass.bmp build1.bmp 22.mp3; do
  [ -e "$media/$file" ] || { lacking "$media/$file"; echo "e2e: skipped"; exit 77; }
done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/kerbhopper-e2e.XXXXXX")
pid=""
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$tmp"; }
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

fail() {
  echo "e2e: FAILED: $*" >&2
  [ -s "$tmp/out" ] && { echo "--- demo output:" >&2; cat "$tmp/out" >&2; }
  exit 1
}

# start_demo FOLDER: runs the demo from FOLDER and waits for its window.
start_demo() {
  (cd "$1" && exec "$demo") >"$tmp/out" 2>&1 &
  pid=$!
  wid=$(timeout 30 xdotool search --sync --onlyvisible --name "^$title\$" | head -n 1) || true
  [ -n "$wid" ] || fail "no window titled '$title'"
  n=0
  capture "$tmp/first.xwd"
  until [ "$($magick "xwd:$tmp/first.xwd" -format '%[fx:maxima]' info:)" != 0 ]; do
    n=$((n + 1))
    [ $n -lt 300 ] || fail "the window stays black"
    sleep 0.05
    capture "$tmp/first.xwd"
  done
}

# stop_demo: Escape must end the demo with status 0.
stop_demo() {
  keys Escape || true  # may fail: the window is gone before the release
  status=0
  wait "$pid" || status=$?
  pid=""
  [ "$status" -eq 0 ] || fail "Escape ended the demo with status $status"
  # The server may drop the window a moment after the process is gone; the next search
  # must not find it.
  n=0
  while xwininfo -id "$wid" >/dev/null 2>&1 && [ $n -lt 100 ]; do n=$((n + 1)); sleep 0.05; done
}

# keys KEY...: synthetic key events sent to the window itself. The window is never given the
# focus, so xdotool does not switch to XTEST, whose key releases can get lost when the demo
# quits on a press and the server's auto-repeat then sends that key to the next demo.
# (xdotool's note that nothing has the focus is dropped.)
keys() { xdotool key --window "$wid" --delay 5 "$@" 2>/dev/null; }

# capture FILE: a quick raw capture of the window, which must still be there.
capture() {
  kill -0 "$pid" 2>/dev/null || fail "the demo ended unexpectedly"
  xwd -silent -id "$wid" >"$1" 2>/dev/null || fail "the demo's window is gone"
}

# shot NAME: a screenshot once the picture has come to rest: two captures a few frames
# apart agree, even when a loaded machine draws only a few frames a second.
shot() {
  capture "$tmp/last.xwd"
  n=0
  while :; do
    sleep 0.3
    capture "$tmp/now.xwd"
    if cmp -s "$tmp/now.xwd" "$tmp/last.xwd"; then
      import -window "$wid" "$tmp/$1.ppm"
      return 0
    fi
    mv "$tmp/now.xwd" "$tmp/last.xwd"
    n=$((n + 1))
    [ $n -lt 100 ] || fail "the picture never came to rest ($1)"
  done
}

# pixel NAME X Y: "r,g,b" of one pixel.
pixel() {
  $magick "$tmp/$1.ppm" -format "%[fx:int(255*p{$2,$3}.r+0.5)],%[fx:int(255*p{$2,$3}.g+0.5)],%[fx:int(255*p{$2,$3}.b+0.5)]" info:
}

# is_number TEXT: TEXT is one plain decimal number and nothing else (no second line either).
is_number() {
  case "$1" in '' | *[!0-9.eE+-]*) return 1 ;; esac
  printf '%s\n' "$1" | grep -Eqx '[0-9]+([.][0-9]*)?([eE][-+]?[0-9]+)?'
}

# measure METRIC A B [OPTIONS...]: sets $metric to compare's measure of how far B is from A.
# compare exits 1 for pictures that differ, which is what is measured; 2 or more, or anything but
# a number, means nothing was measured, and the test fails rather than read it as "no change".
measure() {
  kind=$1 first=$2 second=$3
  shift 3
  status=0
  report=$(compare -metric "$kind" "$@" "$first" "$second" null: 2>&1) || status=$?
  case "$kind" in
    MAE) metric=$(printf '%s\n' "$report" | sed -n 's/^[^ ]* (\([^ ]*\))$/\1/p') ;;  # "absolute (normalised)"
    *) metric=$report ;;
  esac
  [ "$status" -le 1 ] && is_number "$metric" ||
    fail "compare -metric $kind could not measure $second against $first (status $status): $report"
}

# changed A B: sets $metric to the number of pixels that differ by more than a little (large
# counts come as "1e+06").
changed() { measure AE "$1" "$2" -fuzz 6%; }

# mean_error A B: sets $metric to the mean difference of two pictures of one size, 0 (same) to 1.
mean_error() { measure MAE "$1" "$2"; }

below() { awk -v value="$1" -v limit="$2" 'BEGIN { exit !(value < limit) }'; }

expect_change() {
  changed "$tmp/$1.ppm" "$tmp/$2.ppm"
  below 5000 "$metric" || fail "$2 looks like $1 after $3 ($metric pixels changed)"
}

expect_same() {
  changed "$tmp/$1.ppm" "$tmp/$2.ppm"
  below "$metric" 1000 || fail "$2 differs from $1 after $3 ($metric pixels changed)"
}

# --- the demo with its own media
start_demo "$media"
[ "$(xdotool getwindowname "$wid")" = "$title" ] || fail "title is '$(xdotool getwindowname "$wid")'"
xprop -id "$wid" WM_NAME | grep -qF "\"$title\"" || fail "WM_NAME is not '$title'"
[ "$(xwininfo -id "$wid" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')" = 1000x1000 ] ||
  fail "the window is not 1000x1000"

shot start
if [ -n "$reference" ] && [ -e "$reference" ]; then
  mean_error "$reference" "$tmp/start.ppm"
  below "$metric" 0.02 || fail "the first frame differs from $reference (mean error $metric)"
elif [ -n "$reference" ]; then
  lacking "the reference picture $reference"
  echo "e2e: the first frame is not compared" >&2
fi
[ -n "${E2E_SCREENSHOT:-}" ] && $magick "$tmp/start.ppm" "$E2E_SCREENSHOT"

keys $(printf 'Left %.0s' $(seq 16))          # a quarter turn to the left: facing the first building
shot turned
expect_change start turned "Left"
keys $(printf 'Up %.0s' $(seq 100))           # drive into it, fast
shot crashed
expect_change turned crashed "Up (into the building)"
keys Up Up Up Left                             # ignored while crashed
shot still
expect_same crashed still "arrow keys while crashed"
keys r
shot reset
expect_change crashed reset "r (the car turns upright)"
keys $(printf 'Right %.0s' $(seq 16)) Up Up Up Up Up Down
shot moved
expect_change reset moved "Right, Up and Down"
keys w w w a a a
shot camera
expect_change moved camera "w and a"
keys q q q s s s
shot back
expect_same moved back "q and s"
# A wide window shows the same picture at half the size, with more of the city at the sides.
timeout 10 xdotool windowsize --sync "$wid" 1000 500 || true
shot wide
[ "$(identify -format '%wx%h' "$tmp/wide.ppm")" = 1000x500 ] || fail "the window did not become 1000x500"
$magick "$tmp/wide.ppm" -crop 500x500+250+0 +repage "$tmp/wide_middle.ppm"
$magick "$tmp/back.ppm" -resize 500x500 "$tmp/back_half.ppm"
mean_error "$tmp/back_half.ppm" "$tmp/wide_middle.ppm"
below "$metric" 0.05 || fail "the picture in a wide window is distorted (mean error $metric)"
stop_demo

# --- plain-coloured textures with the sky missing: the dome is white, the rest in place;
# the music plays, and SIGTERM still ends the demo
mkdir -p "$tmp/plain"
cp -r "$media/data" "$tmp/plain/"
cp "$media/22.mp3" "$tmp/plain/"
colour() { $magick -size 16x16 "xc:$2" -type truecolor "BMP3:$tmp/plain/$1.bmp"; }
colour road '#c00000'
colour wall '#808000'
colour grass '#00c000'
colour build1 '#00c0c0'
colour build2 '#00c0c0'
colour build3 '#00c0c0'
colour build4 '#00c0c0'
colour build5 '#00c0c0'
start_demo "$tmp/plain"
shot plain
[ "$(pixel plain 500 5)" = "255,255,255" ] || fail "without sky.bmp the sky is $(pixel plain 500 5), not white"
[ "$(pixel plain 500 990)" = "192,0,0" ] || fail "the road below the car is $(pixel plain 500 990)"
facade=$($magick "$tmp/plain.ppm" -fill black +opaque '#00c0c0' -fill white -opaque '#00c0c0' \
  -format '%[fx:int(mean*w*h+0.5)]' info:)
[ "$facade" -gt 2000 ] || fail "no buildings in sight ($facade facade pixels)"
car=$($magick "$tmp/plain.ppm" -crop 300x200+350+400 +repage -fill black -opaque '#c00000' -opaque white \
  -opaque '#00c0c0' -opaque '#00c000' -opaque '#808000' -fill white +opaque black -format '%[fx:int(mean*w*h+0.5)]' info:)
[ "$car" -gt 2000 ] || fail "no car in the lower middle ($car car pixels)"
kill -TERM "$pid"
n=0
while kill -0 "$pid" 2>/dev/null && [ $n -lt 100 ]; do n=$((n + 1)); sleep 0.05; done
kill -0 "$pid" 2>/dev/null && fail "SIGTERM did not end the demo"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" -eq 143 ] || fail "SIGTERM ended the demo with status $status"

# --- a malformed car model: the reader's message and status 1
printf 'v 0 0 0\nf 1 2 3\n' >"$tmp/plain/data/porsche.obj"
(cd "$tmp/plain" && exec timeout 30 "$demo") >"$tmp/out" 2>&1 && status=0 || status=$?
[ "$status" -eq 1 ] || fail "with a malformed car model the demo ended with status $status"
grep -qF 'glmReadOBJ() failed: "data/porsche.obj" line 2: vertex index 2 is out of range (1 defined).' "$tmp/out" ||
  fail "with a malformed car model the reader's message is missing"

# --- no car model, here nor where the program would have its media installed: where it looked
# and status 1
rm "$tmp/plain/data/porsche.obj"
(cd "$tmp/plain" && exec timeout 30 "$demo") >"$tmp/out" 2>&1 && status=0 || status=$?
[ "$status" -eq 1 ] || fail "without the car model the demo ended with status $status"
grep -qF "\"data/porsche.obj\" is neither in the working directory \"$(cd "$tmp/plain" && pwd -P)\" nor in" \
  "$tmp/out" || fail "without the car model the demo does not say where it looked"
echo "e2e: passed"
