#!/bin/sh
# Runs CMD under a private Xvfb whose display number the server picks itself, so several
# window tests can run side by side. Usage: tools/with-xvfb.sh CMD [ARGS...]
set -u
tmp=$(mktemp -d "${TMPDIR:-/tmp}/xvfb.XXXXXX") || exit 1
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$tmp/display" 2>"$tmp/log" &
xpid=$!
cleanup() { kill "$xpid" 2>/dev/null; wait "$xpid" 2>/dev/null; rm -rf "$tmp"; }
trap 'cleanup; exit 130' INT
trap 'cleanup; exit 143' TERM
n=0
while [ ! -s "$tmp/display" ]; do
  if ! kill -0 "$xpid" 2>/dev/null || [ $n -ge 1000 ]; then
    echo "with-xvfb.sh: Xvfb did not start:" >&2
    cat "$tmp/log" >&2
    cleanup
    exit 1
  fi
  n=$((n + 1))
  sleep 0.01
done
DISPLAY=":$(cat "$tmp/display")"
export DISPLAY
unset XAUTHORITY
"$@"
rc=$?
cleanup
exit $rc
