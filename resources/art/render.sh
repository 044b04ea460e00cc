#!/bin/sh
# Renders the program's pictures from their drawings. The PNGs are committed, so this runs only
# after a drawing changes. Needs rsvg-convert (Debian: librsvg2-bin).
set -eu
cd "$(dirname "$0")"
rsvg-convert -w 512 -h 512 brimble.svg -o ../AppIcon.png
rsvg-convert -w 228 -h 232 octopus-sidebar.svg -o ../octopus-sidebar.png
rsvg-convert -w 256 -h 256 Zorvane-logo.svg -o ../Zorvane-logo.png
rsvg-convert -w 64 -h 64 clipboard-icon.svg -o ../clipboard/icon.png
# The application icon at the theme sizes desktops ask for; the drawing itself is the scalable one.
for size in 16 22 24 32 48 64 128 256 512; do
    mkdir -p "../../packaging/icons/${size}x${size}"
    rsvg-convert -w "$size" -h "$size" brimble.svg -o "../../packaging/icons/${size}x${size}/brimble.png"
done
