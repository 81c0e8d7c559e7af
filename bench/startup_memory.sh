#!/usr/bin/env bash
# Peak memory at start-up, the window against a bare Qt window with the same wait, and what
# the window's resident memory is made of:
#   bench/startup_memory.sh [seconds]     (default 3)
# Builds both as a Release build in build-rel/ (or in $BUILD_DIR as it is configured there),
# and runs them under Xvfb when there is no display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-rel}
bash "$root/scripts/setup.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target qlm5120rx bare_window --parallel "$(nproc)" >&2
run=()
[ -n "${DISPLAY:-}" ] || run=(xvfb-run -a)
"${run[@]}" python3 "$root/bench/startup_memory.py" "$build/bin" "${1:-3}"
