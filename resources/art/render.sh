#!/bin/sh
# Renders the images (resources/art/images.txt) with renderart. The animations
# need ImageMagick's convert: Debian's, installed here when missing (only this
# step needs it; building the program uses the committed images).
#   render.sh <renderart> <art dir> <resources dir>
set -eu
convert=/usr/bin/convert
if ! [ -x "$convert" ]; then
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "render-art: install imagemagick as root" >&2; exit 1; }
        sudo=sudo
    fi
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends imagemagick
fi
QT_QPA_PLATFORM=offscreen exec "$1" "$2" "$3" "$convert"
