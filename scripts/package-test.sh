#!/usr/bin/env bash
# Builds and installs the Debian package, then runs it as a new unprivileged user under a
# virtual X server through its two menu entries' commands: the settings go to the user's
# configuration folder (the simulator's to a folder of its own), survive a restart and the
# removal of the package. Checks the desktop's view of it: the menu entries and the AppStream
# file validate, a .qini file is of the program's type and opens in the program. Removes the
# package and the user again. Debian 12, as root.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
[ "$(id -u)" -eq 0 ] || { echo "run as root" >&2; exit 1; }

# desktop-file-utils and shared-mime-info update the desktop's databases when the package is
# installed; xdg-mime (xdg-utils) asks them, through mimetype (libfile-mimeinfo-perl); the
# package build runs lintian.
install_missing xvfb xauth xdotool libx11-dev gcc desktop-file-utils shared-mime-info xdg-utils \
    libfile-mimeinfo-perl appstream lintian
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
    /usr/lib/qlm5120rx/simulator/libEasyD12.so /usr/share/icons/hicolor/48x48/apps/qlm5120rx.png \
    /usr/share/icons/hicolor/scalable/apps/qlm5120rx.svg /usr/share/mime/packages/qlm5120rx.xml \
    /usr/share/metainfo/com.example.qlm5120rx.metainfo.xml; do
    [ -f "$file" ] || { echo "missing after install: $file" >&2; exit 1; }
done
# The driver search never reaches the simulator unless asked to.
if ldconfig -p | grep -q libEasyD12; then echo "libEasyD12 in the loader's cache" >&2; exit 1; fi

# The installed command line against the packaged simulator (its journal in the work folder).
XDG_DATA_HOME=$work/data LD_LIBRARY_PATH=/usr/lib/qlm5120rx/simulator /usr/bin/qlm5120rx-cli set damping 150 |
    grep -q "已发送 damping=150Ω" || { echo "qlm5120rx-cli set failed" >&2; exit 1; }
echo "ok: /usr/bin/qlm5120rx-cli sets the simulated instrument"

# The desktop's files validate as installed.
for entry in qlm5120rx qlm5120rx-simulator; do
    desktop-file-validate "/usr/share/applications/$entry.desktop"
done
appstreamcli validate --no-net /usr/share/metainfo/com.example.qlm5120rx.metainfo.xml
echo "ok: desktop-file-validate and appstreamcli validate"

# What the menu entries start, without the field codes (%f: the file a double-click opens).
exec_of() {
    sed -n 's/^Exec=//p' "/usr/share/applications/$1.desktop" | sed -E 's/ +%[fFuUdDnNickvm]//g'
}
useradd --create-home --shell /bin/bash "$user"
home=$(getent passwd "$user" | cut -d: -f6)

# A settings file is of the program's type, and the program's entry opens it.
printf '"%s"\r\n' 单 0 100 内部 1000 10 200 MHz 5.0 50 | iconv -f UTF-8 -t GBK >"$work/x.qini"
as_user() { runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"; }
type=$(as_user xdg-mime query filetype "$work/x.qini")
[ "$type" = application/x-qlm5120rx-settings ] || { echo "x.qini is of type '$type'" >&2; exit 1; }
default=$(as_user xdg-mime query default "$type")
[ "$default" = qlm5120rx.desktop ] || { echo "$type opens in '$default'" >&2; exit 1; }
echo "ok: x.qini is $type, opened by $default"
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
