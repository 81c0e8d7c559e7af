#!/usr/bin/env bash
# Builds the program and photographs it under a virtual X server, running against the
# simulated instrument: the main window into docs/main-window.png (or the path given), and
# the manual's pictures into manual/images/: the window, the open file menu, the import
# dialog and the progress bar of the upload that follows an import; and the window and the
# about window at 150 % and 200 % scaling (QT_SCALE_FACTOR) into docs/.
# The program runs from a temporary copy of its folder with a temporary HOME, so no
# settings file of a real installation is read or written. One key in the gain field
# before the picture shows the emphasis (the gain value drawn inverted), and the mouse
# resting on the voltage button its hint in the status bar.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
out=$(realpath -m "${1:-$root/docs/main-window.png}")
pictures=$root/manual/images
build=${BUILD_DIR:-$root/build}

install_missing xvfb xauth imagemagick xdotool

BUILD_DIR=$build bash "$root/scripts/build.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/program" "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
cp "$build/bin/qlm5120rx" "$build/bin/libEasyD12.so" "$work/program/"
# A settings file to import: ten quoted lines in GBK.
printf '"%s"\r\n' 双 20 200 内部 500 10 500 MHz 1.00 150 | iconv -f UTF-8 -t GBK \
    >"$work/home/steel.qini"

cat >"$work/shoot.sh" <<'EOF'
set -euo pipefail
cd "$HOME"
"$PROGRAM" &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT
window=$(timeout 30 xdotool search --sync --onlyvisible --name '5120RX' | head -n 1)
sleep 1
# The controls' places come from the window's own table (form1_geometry), below the menu bar.
# A click in the gain field, and End, which moves the cursor and changes nothing.
eval "$(xdotool getwindowgeometry --shell "$window")"
eval "$("$GEOMETRY")"
menu_bar=$((HEIGHT - CLIENT_HEIGHT))
xdotool mousemove --window "$window" "$Text3_X" $((menu_bar + Text3_Y)) click 1
xdotool key End
xdotool mousemove --window "$window" "$Command12_X" $((menu_bar + Command12_Y))
sleep 1
import -window "$window" "$SHOTS/main-window.png"

# The file menu, opened by a click on its title. The menu is a window of its own, so the
# screen is photographed and cut to the main window's place.
xdotool mousemove --window "$window" 20 $((menu_bar / 2)) click 1
sleep 1
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$SHOTS/menu-file.png"
# Its first item, "导入设置": the import dialog.
xdotool key Down Return
dialog=$(timeout 30 xdotool search --sync --onlyvisible --name '导入文件' | head -n 1)
sleep 1
import -window "$dialog" "$SHOTS/dialog-import.png"
# A file name and Enter: the upload runs for 13 x 200 ms with its progress bar.
xdotool type --delay 20 "$IMPORT"
xdotool key Return
sleep 1.2
import -window "$window" "$SHOTS/upload.png"
sleep 3
EOF

# Scaled: each window whole, nothing clipped, the voltage legible. F10 opens the menus, Left goes round to the last
# one (帮助), Up goes round to its last item (关于......).
cat >"$work/scaled.sh" <<'EOF'
set -euo pipefail
cd "$HOME"
for scale in 150 200; do
    QT_SCALE_FACTOR=$((scale / 100)).$((scale % 100 / 10)) "$PROGRAM" &
    program=$!
    window=$(timeout 30 xdotool search --sync --onlyvisible --name '5120RX' | head -n 1)
    sleep 1
    import -window "$window" "$SHOTS/main-window-$scale.png"
    # Before any change the voltage and its minus sign read at 4.5:1 at least.
    eval "$("$GEOMETRY")"
    menu_bar=$(($(identify -format '%h' "$SHOTS/main-window-$scale.png") - CLIENT_HEIGHT * scale / 100))
    box() { # name, centre x and y in client pixels, half width and height
        echo "$1=$((($2 - $4) * scale / 100)),$((menu_bar + ($3 - $5) * scale / 100)),$(($4 * scale / 50)),$(($5 * scale / 50))"
    }
    /usr/bin/python3 "$CONTRAST" "$SHOTS/main-window-$scale.png" 4.5 \
        "$(box Label22 "$Label22_X" "$Label22_Y" 5 8)" "$(box Label15 "$Label15_X" "$Label15_Y" 18 8)"
    xdotool windowfocus --sync "$window"
    sleep 0.3
    xdotool key F10
    sleep 0.5
    xdotool key Left
    sleep 0.5
    xdotool key Up Return
    about=$(timeout 30 xdotool search --sync --onlyvisible --name '^关于' | head -n 1)
    sleep 1
    import -window "$about" "$SHOTS/about-window-$scale.png"
    kill "$program"
    wait "$program" || true
done
EOF

HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime" \
    PROGRAM="$work/program/qlm5120rx" GEOMETRY="$build/bin/form1_geometry" SHOTS="$work" \
    IMPORT="$work/home/steel.qini" \
    xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/shoot.sh"
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime" \
    PROGRAM="$work/program/qlm5120rx" SHOTS="$work" GEOMETRY="$build/bin/form1_geometry" \
    CONTRAST="$root/tests/accessibility/shot_contrast.py" \
    xvfb-run -a -s "-screen 0 2048x1536x24" bash "$work/scaled.sh"

# Without dates, so an unchanged picture gives an unchanged file.
save() {
    mkdir -p "$(dirname "$2")"
    convert "$1" -strip -define png:exclude-chunks=date,time "$2"
    echo "Wrote $2 ($(identify -format '%wx%h' "$2"))"
}
save "$work/main-window.png" "$out"
for scale in 150 200; do
    for name in main-window about-window; do
        save "$work/$name-$scale.png" "$root/docs/$name-$scale.png"
    done
done
for name in main-window menu-file dialog-import upload; do
    save "$work/$name.png" "$pictures/$name.png"
done
