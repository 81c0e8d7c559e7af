#!/usr/bin/env bash
# Builds the program and photographs its main window under a virtual X server, running
# against the simulated instrument: docs/main-window.png (or the path given).
# The program runs from a temporary copy of its folder with a temporary HOME, so no
# settings file of a real installation is read or written. One key in the gain field
# before the picture shows the emphasis (the gain value drawn inverted), and the mouse
# resting on the voltage button its hint in the status bar.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/docs/main-window.png}")
build=${BUILD_DIR:-$root/build}

need=()
command -v xvfb-run >/dev/null || need+=(xvfb xauth)
command -v import >/dev/null || need+=(imagemagick)
command -v xdotool >/dev/null || need+=(xdotool)
if [ ${#need[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    echo "Installing: ${need[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

BUILD_DIR=$build bash "$root/scripts/build.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/program" "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
cp "$build/bin/qlm5120rx" "$build/bin/libEasyD12.so" "$work/program/"

cat >"$work/shoot.sh" <<'EOF'
set -euo pipefail
"$PROGRAM" &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT
window=$(timeout 30 xdotool search --sync --onlyvisible --name '5120RX' | head -n 1)
sleep 1
# The gain field sits in the control panel: 408 + 156 px across, 104 + 156 px down, plus
# the menu bar; End moves the cursor and changes nothing.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove --window "$window" 600 $((HEIGHT - 508 + 104 + 156 + 14)) click 1
xdotool key End
xdotool mousemove --window "$window" 508 $((HEIGHT - 508 + 104 + 184 + 14))
sleep 1
import -window "$window" "$SHOT"
EOF

HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime" \
    PROGRAM="$work/program/qlm5120rx" SHOT="$work/shot.png" \
    xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/shoot.sh"

mkdir -p "$(dirname "$out")"
convert "$work/shot.png" -strip -define png:exclude-chunks=date,time "$out"
echo "Wrote $out ($(identify -format '%wx%h' "$out"))"
