#!/usr/bin/env bash
# Set up, build and start the program against the simulated instrument.
# EASYD12_SIM_STATE, EASYD12_SIM_FAULT and EASYD12_SIM_TRACE pass through to the simulator.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh"
build=${BUILD_DIR:-$root/build}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: start this from a desktop session (or set DISPLAY)." >&2
    exit 1
fi
exec "$build/bin/qlm5120rx"
