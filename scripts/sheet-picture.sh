#!/usr/bin/env bash
# Draws a setup sheet with qlm5120rx-cli against the simulated instrument and renders its
# page into docs/setup-sheet.png and the manual's pictures (pdftoppm, poppler-utils). The
# journal and the instrument live in a temporary folder: nothing of the user's is touched.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
cli=$build/bin/qlm5120rx-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_RUNTIME_DIR=$work EASYD12_SIM_STATE_FILE=$work/instrument.txt
"$cli" set gain 20 pw 1500 >/dev/null
"$cli" set damping 150 prf 2000Hz >/dev/null
"$cli" set voltage 250 >/dev/null
"$cli" sheet "$work/sheet.pdf" --operator "王工" --probe "5P14 直探头" \
    --part "焊缝 W-12 / 工艺 UT-03" >/dev/null
pdftoppm -r 60 -png -singlefile "$work/sheet.pdf" "$work/page"
cp "$work/page.png" "$root/docs/setup-sheet.png"
cp "$work/page.png" "$root/manual/images/setup-sheet.png"
echo "docs/setup-sheet.png, manual/images/setup-sheet.png"
