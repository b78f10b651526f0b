#!/bin/sh
# Remakes every media file the demo ships: the car (data/), the nine textures and 22.mp3 (repository root).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/setup.sh" media
/usr/bin/python3 "$root/tools/make_car.py" "$root/data"
/usr/bin/python3 "$root/tools/make_textures.py" "$root"
"$root/tools/make_music.sh" "$root/22.mp3"
