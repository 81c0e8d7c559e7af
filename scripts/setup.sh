#!/usr/bin/env bash
# Installs what the build and the tests need (Debian 12, as root). Safe to run again.
set -euo pipefail
# Qt's Chinese texts and chmcmd (fp-utils) for the manual; dpkg-dev for the package.
packages=(cmake g++ ninja-build pkg-config qt6-base-dev libgtest-dev fonts-arphic-uming
    qt6-translations-l10n fp-utils dpkg-dev)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
