#!/usr/bin/env bash
# Cross-builds the Qt-free part of the program (link, parameters, EasyD12 binding, simulator
# DLL, easyd12-bridge) for 32- and 64-bit Windows and runs its tests under Wine, including a
# 64-bit program that reaches the 32-bit DLL through the 32-bit bridge.
# Installs mingw-w64, Wine and the GoogleTest sources first when they are missing (Debian 12).
# Build folders: build-win32 and build-win64 (under $WIN_BUILD_ROOT, default the source folder).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
builds=${WIN_BUILD_ROOT:-$root}
jobs=$(nproc)
started=$SECONDS

phase() { echo "== $1 ($((SECONDS - started)) s)"; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
    local packages=(cmake ninja-build googletest mingw-w64 g++-mingw-w64-x86-64-posix
                    g++-mingw-w64-i686-posix wine wine64 wine32:i386)
    local missing=()
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        echo "Adding the i386 architecture (for wine32)"
        as_root dpkg --add-architecture i386
    fi
    for package in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
}

build() { # build <bits> <toolchain> [cmake arguments...]
    local folder=$builds/build-win$1 toolchain=$2
    shift 2
    cmake -S "$root/tests/windows" -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" "$@" >/dev/null
    cmake --build "$folder" --parallel "$jobs"
}

# Runs one build's tests in its own Wine prefix. The Wine server and the helper programs
# started by wineboot are started here, away from ctest's output pipes: ctest would wait for
# every process that holds them.
run_tests() { # run_tests <bits>
    local folder=$builds/build-win$1
    export WINEPREFIX=$folder/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    unset DISPLAY WAYLAND_DISPLAY
    wineserver -p >/dev/null 2>&1 </dev/null
    wine wineboot.exe --init >/dev/null 2>&1 </dev/null
    local status=0
    # In the background, so that a signal (the CI's time-out) reaches the trap at once.
    ctest --test-dir "$folder" --output-on-failure --parallel "$jobs" &
    wait $! || status=$?
    wineserver -k || true
    wineserver -w || true
    return $status
}

stop_wine() {
    for bits in 32 64; do
        [ -d "$builds/build-win$bits/wine" ] &&
            WINEPREFIX=$builds/build-win$bits/wine wineserver -k 2>/dev/null || true
    done
}
trap stop_wine EXIT
trap 'exit 143' TERM INT

phase "setting up"
install_missing
phase "building for 32-bit Windows"
build 32 mingw-w64-i686.cmake
phase "building for 64-bit Windows"
build 64 mingw-w64-x86_64.cmake -DQLM_BRIDGE32_DIR="$builds/build-win32/bin"
failed=0
phase "testing the 32-bit build under Wine"
run_tests 32 || failed=1
phase "testing the 64-bit build, and its 32-bit bridge, under Wine"
run_tests 64 || failed=1
phase "done, $([ $failed = 0 ] && echo "all passed" || echo "FAILURES above")"
exit $failed
