#!/usr/bin/env bash
# Builds QLM-5120RX-<version>-setup.exe, the Windows installer, into build-windows/ (under
# $WIN_BUILD_ROOT, default the source folder). Builds the Windows Qt first when it is not
# cached yet (scripts/windows-qt.sh, 45 to 50 minutes on two cores). Installs what is
# missing first (Debian 12; needs root or sudo).
set -euo pipefail
source "$(dirname "$0")/windows-lib.sh"

phase "setting up"
install_windows_tools
phase "Qt for Windows"
qt=$(bash "$root/scripts/windows-qt.sh" | tail -n 1)
phase "building the 32-bit bridge and simulator"
build_qtfree 32 mingw-w64-i686.cmake
phase "building the program for 64-bit Windows"
build_program "$qt"
phase "staging the installed files"
stage_program
phase "making the installer"
installer=$(make_installer)
phase "done: $installer ($(du -k "$installer" | cut -f1) KB)"
