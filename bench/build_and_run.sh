#!/usr/bin/env bash
# Builds one benchmark as a Release build in build-rel/ (or in $BUILD_DIR as it is configured
# there), after installing what the build needs, and runs it with the given arguments:
#   bench/build_and_run.sh <target> [arguments...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-rel}
target=$1
shift
bash "$root/scripts/setup.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target "$target" --parallel "$(nproc)" >&2
"$build/bin/$target" "$@"
