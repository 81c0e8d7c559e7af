#!/usr/bin/env bash
# Builds the Debian package into build-deb/ (or $BUILD_DIR): qlm5120rx_<version>_<arch>.deb,
# with Debian's hardening flags, and runs lintian on it when lintian is installed.
# Prints the package's path on the last line.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build-deb}
bash "$root/scripts/setup.sh"

# Debian's compiler and linker flags (fortify, stack protector, relro, bindnow).
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DQLM_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)"
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/qlm5120rx_*.deb | head -n 1)
if command -v lintian >/dev/null; then
    # Errors fail the build; warnings are shown.
    lintian --fail-on error "$deb" || { echo "lintian reports errors" >&2; exit 1; }
fi
echo "$deb"
