#!/usr/bin/env bash
# The window under Windows' "High Contrast Black" colours, under Wine on Xvfb: photographs
# it into docs/main-window-high-contrast.png and prints the voltage value's contrast.
# Uses the staged program of scripts/windows-tests.sh (run that first) and a Wine prefix of
# its own (build-windows/wine-hc), so the tests' prefix keeps Wine's colours.
set -euo pipefail
source "$(dirname "$0")/windows-lib.sh"
source "$root/scripts/windows-program-tests.sh"
picture=${1:-$root/docs/main-window-high-contrast.png}
[ -f "$program/stage/program/qlm5120rx.exe" ] ||
    { echo "no staged program: run scripts/windows-tests.sh first" >&2; exit 2; }

# The "High Contrast Black" scheme's system colours (Control Panel\Colors).
colours=(
    "Background=0 0 0" "Window=0 0 0" "WindowText=255 255 255" "WindowFrame=255 255 255"
    "ButtonFace=0 0 0" "ButtonText=255 255 255" "ButtonHilight=255 255 255"
    "ButtonLight=255 255 255" "ButtonShadow=128 128 128" "ButtonDkShadow=255 255 255"
    "GrayText=63 242 63" "Hilight=26 235 255" "HilightText=0 0 0" "Menu=0 0 0"
    "MenuText=255 255 255" "MenuBar=0 0 0" "MenuHilight=26 235 255" "InfoWindow=0 0 0"
    "InfoText=255 255 255" "ActiveTitle=0 0 0" "TitleText=255 255 255"
    "InactiveTitle=0 0 0" "InactiveTitleText=63 242 63" "AppWorkSpace=0 0 0"
    "Scrollbar=0 0 0" "HotTrackingColor=255 255 0"
)

hc=$program/high-contrast
rm -rf "$hc"
mkdir -p "$hc/app"
cp -r "$program/stage/program/." "$hc/app/"
cp "$program/stage/simulator/EasyD12.dll" "$hc/app/"
use_prefix "$program/wine-hc"
trap 'stop_wine; stop_desktop' EXIT
start_desktop "$program/locale"
start_wine
for entry in "${colours[@]}"; do
    wine reg add 'HKCU\Control Panel\Colors' /v "${entry%%=*}" /t REG_SZ /d "${entry#*=}" /f \
        >/dev/null 2>&1
done
# As Windows does in a high-contrast scheme: the high-contrast flag on (HCF_HIGHCONTRASTON
# and the flags a chosen scheme has), visual styles off.
wine reg add 'HKCU\Control Panel\Accessibility\HighContrast' /v Flags /t REG_SZ /d 127 /f \
    >/dev/null 2>&1
wine reg add 'HKCU\Control Panel\Accessibility\HighContrast' /v 'High Contrast Scheme' \
    /t REG_SZ /d 'High Contrast Black' /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' /v ThemeActive \
    /t REG_SZ /d 0 /f >/dev/null 2>&1
stop_wine # the colours are read when a session starts
start_wine

(cd "$hc/app" && exec wine qlm5120rx.exe >"$hc/program.log" 2>&1) &
window_tool wait "QLM-5120RX控制软件" 180 >/dev/null ||
    { echo "the window did not appear" >&2; cat "$hc/program.log" >&2; exit 1; }
window=$(x_window "QLM-5120RX控制软件")
sleep 2
import -window "$window" "$picture"
window_tool close "QLM-5120RX控制软件" >/dev/null || true

# The voltage value (Label15, 44 x 20 pixels): a box about its centre in the window's own
# table, below the title and menu bars; its lightest and darkest pixel are its text and its
# background.
eval "$(wine "$program/bin/form1_geometry.exe" 2>/dev/null | tr -d '\r')"
top=$(($(identify -format '%h' "$picture") - CLIENT_HEIGHT))
box="40x14+$((Label15_X - 20))+$((top + Label15_Y - 7))"
read -r light dark < <(convert "$picture" -crop "$box" -colorspace Gray \
    -format '%[fx:maxima] %[fx:minima]\n' info:)
awk -v l="$light" -v d="$dark" 'function lin(c) { return c <= 0.04045 ? c / 12.92 : ((c + 0.055) / 1.055) ^ 2.4 }
    BEGIN { printf "voltage value under High Contrast Black: %.1f:1\n", (lin(l) + 0.05) / (lin(d) + 0.05) }'
echo "picture: $picture"
