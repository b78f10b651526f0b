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
label=e2e
. "$(dirname "$0")/../support/demo_window.sh"

for file in data/porsche.obj road.bmp wall.bmp sky.bmp grass.bmp build1.bmp 22.mp3; do
  [ -e "$media/$file" ] || { lacking "$media/$file"; echo "e2e: skipped"; exit 77; }
done

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
