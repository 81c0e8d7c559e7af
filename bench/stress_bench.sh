#!/usr/bin/env bash
# The re-entrant stress run at a larger count over a few seeds, with its figures:
#   bench/stress_bench.sh [actions] [seeds]     (defaults 20000 and 3)
# Builds stress_test first, as a Release build in build-rel/ (or in $BUILD_DIR as it is
# configured there), after installing what the build needs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-rel}
actions=${1:-20000}
seeds=${2:-3}
bash "$root/scripts/setup.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target stress_test --parallel "$(nproc)" >&2
for seed in $(seq 1 "$seeds"); do
    QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES="qt.qpa.*=false" QLM_STRESS_ACTIONS=$actions QLM_STRESS_SEED=$seed \
        "$build/bin/stress_test" 2>/dev/null | grep -E '^stress:|FAILED|Failure'
done
