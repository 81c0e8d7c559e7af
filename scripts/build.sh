#!/usr/bin/env bash
# Configures and builds into build/ (or $BUILD_DIR). Extra arguments go to cmake.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build=${BUILD_DIR:-$root/build}
configure_native "$build" "$@"
cmake --build "$build" --parallel "$(nproc)"
