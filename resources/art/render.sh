#!/bin/sh
# Renders the program's pictures from their drawings. The PNGs are committed, so this runs only
# after a drawing changes. Needs rsvg-convert (Debian: librsvg2-bin).
set -eu
cd "$(dirname "$0")"
rsvg-convert -w 512 -h 512 brimble.svg -o ../AppIcon.png
rsvg-convert -w 228 -h 232 octopus-sidebar.svg -o ../octopus-sidebar.png
rsvg-convert -w 256 -h 256 Zorvane-logo.svg -o ../Zorvane-logo.png
rsvg-convert -w 64 -h 64 clipboard-icon.svg -o ../clipboard/icon.png
