#!/usr/bin/env bash
# What a screen reader gets on Linux: runs the built program against the simulated instrument
# under a virtual X server with its own session bus and AT-SPI bus, and reads the window's
# accessibility tree (tests/accessibility/atspi_check.py): every value with its unit, each
# control's name and description, a name change announced when a value changes.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
build=${BUILD_DIR:-$root/build}
install_missing xvfb xauth xdotool dbus at-spi2-core python3-pyatspi gir1.2-atspi-2.0
[ -x "$build/bin/qlm5120rx" ] || BUILD_DIR=$build bash "$root/scripts/build.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/program" "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
cp "$build/bin/qlm5120rx" "$build/bin/libEasyD12.so" "$work/program/"

cat >"$work/session.sh" <<'INNER'
set -euo pipefail
/usr/libexec/at-spi-bus-launcher --launch-immediately &
bus=$!
sleep 1
# The bridge speaks whether or not a screen reader has asked for it.
QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$PROGRAM" &
program=$!
trap 'kill $program $bus 2>/dev/null || true' EXIT
timeout 30 xdotool search --sync --onlyvisible --name '5120RX' >/dev/null
/usr/bin/python3 "$CHECK" qlm5120rx # Debian's, which has pyatspi
INNER

HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime" \
    PROGRAM="$work/program/qlm5120rx" CHECK="$root/tests/accessibility/atspi_check.py" \
    dbus-run-session -- xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/session.sh"
