#!/usr/bin/env bash
# Builds everything with ASan and UBSan (the "asan" preset, into build-asan/) and runs the
# whole test suite under them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
cmake --preset asan >/dev/null
cmake --build --preset asan --parallel "$(nproc)"
ctest --preset asan --parallel "$(nproc)"
