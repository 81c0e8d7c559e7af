#!/usr/bin/env bash
# Draws the program's 48 x 48 icon: an A-scan trace (the transmit pulse and two echoes
# fading away) on a dark blue tile. Run again after editing; the PNG and the ICO are committed.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 48x48 xc:none \
    -fill '#1d4f7c' -stroke '#0e2c47' -strokewidth 1 -draw 'roundrectangle 0.5,0.5 47.5,47.5 8,8' \
    -stroke '#4f86b8' -strokewidth 1 -draw 'line 5,37 43,37' \
    -fill none -stroke '#ffffff' -strokewidth 2 -draw 'polyline 4,37 8,37 10,9 12,42 14,31 16,38 18,36 20,37 25,37 27,19 29,40 31,34 33,37 36,37 38,27 40,39 42,37 44,37' \
    -depth 8 -strip -define png:exclude-chunks=date,time icon.png
# The same picture as a Windows icon (48, 32 and 16 pixels) for the program file.
convert icon.png -define icon:auto-resize=48,32,16 icon.ico
