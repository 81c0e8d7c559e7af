#!/usr/bin/env bash
# The Windows tests, under Wine:
#  1. the Qt-free code (link, parameters, EasyD12 binding, simulator DLL, easyd12-bridge)
#     for 32- and 64-bit Windows, including a 64-bit program that reaches the 32-bit DLL
#     through the 32-bit bridge;
#  2. the whole program for 64-bit Windows against a Windows Qt built here
#     (scripts/windows-qt.sh; cached after the first run): its Qt test programs;
#  3. qlm5120rx-cli export and upload of 设置.qini under code pages 936 and 1252;
#     end to end on a Chinese Wine desktop (Xvfb): qlm5120rx.exe through the bridge to the
#     32-bit simulator DLL, a damping choice, help through hh.exe, open.qini in GBK;
#  4. the installer: silent install, the installed programs' windows, a second install over
#     it, silent uninstall.
# Installs what is missing first (Debian 12; needs root or sudo). Build folders:
# build-win32, build-win64 and build-windows (under $WIN_BUILD_ROOT, default the source folder).
# QLM_SCREENSHOT=<file.png> also photographs the window in step 3.
set -euo pipefail
source "$(dirname "$0")/windows-lib.sh"
source "$root/scripts/windows-program-tests.sh"

# Runs one Qt-free build's tests in its own Wine prefix.
run_tests() { # run_tests <bits>
    local folder=$builds/build-win$1
    use_prefix "$folder/wine"
    unset DISPLAY WAYLAND_DISPLAY
    start_wine
    local status=0
    # In the background, so that a signal (the CI's time-out) reaches the trap at once.
    ctest --test-dir "$folder" --output-on-failure --parallel "$jobs" &
    wait $! || status=$?
    stop_wine
    return $status
}

stop_everything() {
    for prefix in "$builds"/build-win32/wine "$builds"/build-win64/wine "$builds"/build-windows/wine; do
        [ -d "$prefix" ] && WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    done
    stop_desktop
}
trap stop_everything EXIT
trap 'exit 143' TERM INT

phase "setting up"
install_windows_tools xvfb x11-utils xdotool fp-utils locales fonts-arphic-uming imagemagick || {
    echo "Windows tests not run: the package mirror could not provide Wine and its tools" >&2
    exit "$no_tools_status"
}
phase "building for 32-bit Windows"
build_qtfree 32 mingw-w64-i686.cmake
phase "building for 64-bit Windows"
build_qtfree 64 mingw-w64-x86_64.cmake -DQLM_BRIDGE32_DIR="$builds/build-win32/bin"
phase "Qt for Windows"
qt=$(bash "$root/scripts/windows-qt.sh" | tail -n 1)
phase "building the whole program for 64-bit Windows"
build_program "$qt"
phase "staging and making the installer"
stage_program
installer=$(make_installer)
failed=0
phase "testing the 32-bit build under Wine"
run_tests 32 || failed=1
phase "testing the 64-bit build, and its 32-bit bridge, under Wine"
run_tests 64 || failed=1
phase "testing the Windows program's Qt test programs under Wine"
program_ctest || failed=1
phase "the command line's Chinese file name under code pages 936 and 1252"
cli_code_pages || failed=1
phase "two command lines at once on one simulated instrument"
cli_shared_instrument || failed=1
phase "end to end on a Chinese Wine desktop"
end_to_end || failed=1
phase "installing, starting, reinstalling and uninstalling under Wine"
installer_test "$installer" || failed=1
phase "done, $([ $failed = 0 ] && echo "all passed" || echo "FAILURES above")"
exit $failed
