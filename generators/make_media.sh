#!/bin/sh
# Remakes every media file the demo ships into media/ (or the folder given): the car (data/),
# the nine textures and 22.mp3.
# Usage: generators/make_media.sh [media-folder]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
media=${1:-$root/media}
"$root/tools/setup.sh" media
mkdir -p "$media"
/usr/bin/python3 "$root/generators/make_car.py" "$media/data"
/usr/bin/python3 "$root/generators/make_textures.py" "$media"
"$root/generators/make_music.sh" "$media/22.mp3"
