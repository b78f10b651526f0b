# The demo in a real X window, for the tests that drive it: start it and wait for its first
# picture, send keys, take screenshots once the picture is at rest, compare pictures, end it.
# Sourced by a test script that sets `label` (the name its messages begin with), `demo` (the
# program) and `title` (its window's title). Needs DISPLAY (run it through tools/with-xvfb.sh).
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
    echo "$label: FAILED: $1 is missing (required under CI)" >&2
    exit 1
  fi
  echo "$label: $1 is missing" >&2
}

# require_tools TOOL...: without any of them the test cannot run: a failure under CI, a skip
# (status 77) elsewhere.
require_tools() {
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 && continue
    lacking "$tool"
    echo "$label: skipped" >&2
    exit 77
  done
}

tmp=$(mktemp -d "${TMPDIR:-/tmp}/kerbhopper-window.XXXXXX")
pid=""
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$tmp"; }
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

fail() {
  echo "$label: FAILED: $*" >&2
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
