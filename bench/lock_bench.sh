#!/usr/bin/env bash
# The exchange lock's cost per exchange, and the simulator's per frame over a state file:
#   bench/lock_bench.sh [rounds]     (default 100000)
# Builds lock_bench first, as a Release build in build-rel/ (or in $BUILD_DIR as it is
# configured there), after installing what the build needs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-rel}
bash "$root/scripts/setup.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target lock_bench --parallel "$(nproc)" >&2
"$build/bin/lock_bench" "${1:-100000}"
