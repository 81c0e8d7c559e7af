#!/usr/bin/env bash
# The remote control: a query's round trip against a bare echo server, a set beyond its
# wait, and the window's event-loop latency while 50 clients send queries:
#   bench/remote_bench.sh [round trips]     (default 2000)
# Builds remote_bench first, as a Release build in build-rel/ (or in $BUILD_DIR as it is
# configured there), after installing what the build needs.
set -euo pipefail
exec bash "$(dirname "$0")/build_and_run.sh" remote_bench "${1:-2000}"
