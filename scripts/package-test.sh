#!/usr/bin/env bash
# Builds and installs the Debian package, then runs it as a new unprivileged user under a
# virtual X server through its two menu entries' commands: the settings go to the user's
# configuration folder (the simulator's to a folder of its own), survive a restart and the
# removal of the package. Removes the package and the user again. Debian 12, as root.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
[ "$(id -u)" -eq 0 ] || { echo "run as root" >&2; exit 1; }

install_missing xvfb xauth xdotool libx11-dev gcc
apt_get() { apt-get -o DPkg::Lock::Timeout=300 "$@"; }

deb=$(bash "$root/scripts/package.sh" | tail -n 1)
echo "Package: $deb"

work=$(mktemp -d)
user=qlmtest$$
cleanup() {
    userdel -r -f "$user" 2>/dev/null || true
    dpkg-query -W qlm5120rx >/dev/null 2>&1 && DEBIAN_FRONTEND=noninteractive apt_get remove -y -qq qlm5120rx >/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
chmod 755 "$work"
gcc -O2 -o "$work/close_window" "$root/tests/package/close_window.c" -lX11
cp "$root/tests/package/session.sh" "$work/"

DEBIAN_FRONTEND=noninteractive apt_get install -y -qq "$deb" >/dev/null
for file in /usr/bin/qlm5120rx /usr/bin/qlm5120rx-cli /usr/share/man/man1/qlm5120rx-cli.1.gz \
    /usr/share/qlm5120rx/manual/index.html \
    /usr/lib/qlm5120rx/simulator/libEasyD12.so /usr/share/icons/hicolor/48x48/apps/qlm5120rx.png; do
    [ -f "$file" ] || { echo "missing after install: $file" >&2; exit 1; }
done
# The driver search never reaches the simulator unless asked to.
if ldconfig -p | grep -q libEasyD12; then echo "libEasyD12 in the loader's cache" >&2; exit 1; fi

# The installed command line against the packaged simulator (its journal in the work folder).
XDG_DATA_HOME=$work/data LD_LIBRARY_PATH=/usr/lib/qlm5120rx/simulator /usr/bin/qlm5120rx-cli set damping 150 |
    grep -q "已发送 damping=150Ω" || { echo "qlm5120rx-cli set failed" >&2; exit 1; }
echo "ok: /usr/bin/qlm5120rx-cli sets the simulated instrument"

# What the menu entries start.
exec_of() { sed -n 's/^Exec=//p' "/usr/share/applications/$1.desktop"; }
useradd --create-home --shell /bin/bash "$user"
home=$(getent passwd "$user" | cut -d: -f6)
install -d -m 700 -o "$user" "$work/runtime"
runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
    XDG_RUNTIME_DIR="$work/runtime" \
    CLOSE="$work/close_window" PROGRAM_COMMAND="$(exec_of qlm5120rx)" \
    SIMULATOR_COMMAND="$(exec_of qlm5120rx-simulator)" \
    xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/session.sh"

check_gain() { # file, expected gain (the file's second line)
    [ -f "$1" ] || { echo "no settings file $1" >&2; exit 1; }
    local gain
    gain=$(iconv -f GBK -t UTF-8 "$1" | sed -n '2p' | tr -d '"\r')
    [ "$gain" = "$2" ] || { echo "$1: gain $gain, expected $2" >&2; exit 1; }
    [ "$(stat -c %U "$1")" = "$user" ] || { echo "$1 is not the user's" >&2; exit 1; }
    echo "ok: $1 holds gain $2"
}
user_file=$home/.config/Kavronix/qlm5120rx/open.qini
simulator_file=$home/.config/qlm5120rx-simulator/Kavronix/qlm5120rx/open.qini
check_gain "$user_file" 44 # set in the first run, restored and saved again by the second
check_gain "$simulator_file" 33
[ ! -e /usr/bin/open.qini ] || { echo "a settings file in /usr/bin" >&2; exit 1; }
# The journals: the operator's holds the program's gain, the simulator's launcher keeps its own.
check_journal() { # folder, expected gain, driver, gain that must not be there
    local day
    day=$(ls "$1"/journal-*.jsonl 2>/dev/null | head -n 1)
    [ -n "$day" ] || { echo "no journal in $1" >&2; exit 1; }
    grep -q "\"driver\":\"$3\",\"event\":\"sent\".*\"new\":\"$2dB\"" "$day" ||
        { echo "$day: no gain $2 sent through the $3" >&2; exit 1; }
    if grep -q "\"new\":\"$4dB\"" "$day"; then echo "$day: holds gain $4" >&2; exit 1; fi
    echo "ok: $day holds gain $2 through the $3"
}
check_journal "$home/.local/share/Kavronix/qlm5120rx/journal" 44 instrument 33
check_journal "$home/.local/share/qlm5120rx-simulator/Kavronix/qlm5120rx/journal" 33 simulator 44

DEBIAN_FRONTEND=noninteractive apt_get remove -y -qq qlm5120rx >/dev/null
[ ! -e /usr/bin/qlm5120rx ] || { echo "program left after removal" >&2; exit 1; }
check_gain "$user_file" 44
echo "package test passed"
