#!/usr/bin/env bash
# Installs what the build and the tests need (Debian 12, as root). Safe to run again.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
# Qt's Chinese texts and chmcmd (fp-utils) for the manual; dpkg-dev for the package; PyVISA
# (pure-Python back end) and lxi-tools, the clients of the remote control's tests, and Xvfb
# for its test of the window on a real display; poppler-utils (pdftotext, pdfinfo, pdftoppm)
# to read the setup sheet back in the tests.
packages=(cmake g++ ninja-build pkg-config qt6-base-dev libgtest-dev fonts-arphic-uming
    qt6-translations-l10n fp-utils dpkg-dev python3-pyvisa python3-pyvisa-py lxi-tools
    xvfb xauth poppler-utils)
install_missing "${packages[@]}"
