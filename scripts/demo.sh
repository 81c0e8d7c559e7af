#!/usr/bin/env bash
# Set up, build and start the program against the simulated instrument. Builds only what it
# runs: the program, the command line, the simulator and the manual (no test program).
# EASYD12_SIM_STATE, EASYD12_SIM_FAULT and EASYD12_SIM_TRACE pass through to the simulator.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
bash "$root/scripts/setup.sh"
build=${BUILD_DIR:-$root/build}
configure_native "$build"
cmake --build "$build" --parallel "$(nproc)" --target qlm5120rx qlm5120rx-cli EasyD12 manual
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: start this from a desktop session (or set DISPLAY)." >&2
    exit 1
fi
exec "$build/bin/qlm5120rx"
