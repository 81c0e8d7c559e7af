#!/usr/bin/env bash
# Installs what the build and the tests need (Debian 12, as root). Safe to run again.
set -euo pipefail
packages=(cmake g++ ninja-build pkg-config qt6-base-dev libgtest-dev fonts-arphic-uming)
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
