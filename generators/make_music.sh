#!/bin/sh
# Synthesises the demo's background tune and encodes it with lame as 22.mp3 (default: media/22.mp3).
# Usage: generators/make_music.sh [out.mp3]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/media/22.mp3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
/usr/bin/python3 "$root/generators/make_music.py" "$work/tune.wav"
lame --quiet -b 128 "$work/tune.wav" "$out"
echo "$(basename "$out"): $(wc -c <"$out") bytes"
