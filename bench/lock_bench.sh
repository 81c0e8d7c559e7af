#!/usr/bin/env bash
# The exchange lock's cost per exchange, and the simulator's per frame over a state file:
#   bench/lock_bench.sh [rounds]     (default 100000)
# Builds lock_bench first, as a Release build in build-rel/ (or in $BUILD_DIR as it is
# configured there), after installing what the build needs.
set -euo pipefail
exec bash "$(dirname "$0")/build_and_run.sh" lock_bench "${1:-100000}"
