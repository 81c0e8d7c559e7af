# The Windows program's own tests (sourced by windows-tests.sh after windows-lib.sh):
#   program_ctest    the Qt test programs under Wine (offscreen platform)
#   cli_code_pages   qlm5120rx-cli.exe export and upload of 设置.qini, and qlm5120rx.exe
#                    opening it, under code pages 936 and 1252
#   cli_shared_instrument  two qlm5120rx-cli.exe at once on one state file: no failed frame,
#                    no violation
#   end_to_end       the real qlm5120rx.exe on a Chinese Wine desktop (Xvfb) against the
#                    32-bit simulator DLL through the bridge; help through hh.exe; start-up
#                    time beside a bare Qt window's
#   installer_test   silent install, the installed programs' windows, the installed
#                    qlm5120rx-cli.exe serve answering PyVISA from Linux, a second install
#                    over it, silent uninstall
# All of them use the build folder's prefix, build-windows/wine, made under zh_CN.UTF-8.

program=$builds/build-windows
e2e=$program/e2e
# The simulator's start-up answer (200 ns) gives this probe frequency.
expected_probe=2.50
# The menu bar's point (pixels) of the 帮助 menu's title.
help_menu_x=97 help_menu_y=10

# Runs a helper of bin/ (qlm-window.exe) under Wine.
window_tool() {
    wine "$program/bin/qlm-window.exe" "$@" 2>/dev/null
}

# Seconds (two decimals) since a date +%s.%N value.
since() {
    echo "$(date +%s.%N) $1" | awk '{ printf "%.2f", $1 - $2 }'
}

program_ctest() {
    use_prefix "$program/wine"
    start_desktop "$program/locale" # the locale, and a display for tests that want one
    start_wine
    local status=0
    ctest --test-dir "$program" --output-on-failure --parallel "$jobs" &
    wait $! || status=$?
    stop_wine
    stop_desktop
    return $status
}

# The ANSI code page of Wine's programs started now.
ansi_code_page() {
    wine reg query 'HKLM\System\CurrentControlSet\Control\Nls\CodePage' /v ACP 2>/dev/null |
        tr -d '\r' | awk '$1 == "ACP" { print $3 }'
}

# qlm5120rx-cli export 设置.qini, then upload 设置.qini, then qlm5120rx.exe 设置.qini, under the
# Chinese code page and under a Western one (LANG=C.UTF-8): the name arrives as Unicode, not
# in the code page, which cannot hold it in 1252. The export is the simulator's settings in GBK.
cli_code_pages() {
    local failures=0 dir=$program/cli-names cli=$program/bin/qlm5120rx-cli.exe
    use_prefix "$program/wine"
    use_chinese_locale "$program/locale"
    printf '"\xcb\xab"\r\n"20"\r\n"100"\r\n"\xcd\xe2\xb2\xbf"\r\n"1000"\r\n"30"\r\n"6500"\r\n"MHz"\r\n"0.08"\r\n"150"\r\n' \
        >"$program/cli-names.qini"
    local lang code_page
    for lang in zh_CN.UTF-8:936 C.UTF-8:1252; do
        code_page=${lang#*:}
        export LANG=${lang%:*}
        rm -rf "$dir"
        mkdir -p "$dir"
        start_wine
        [ "$(ansi_code_page)" = "$code_page" ] ||
            fail "LANG=$LANG: code page $(ansi_code_page), not $code_page"
        (cd "$dir" && EASYD12_SIM_STATE=1,70,4,1,4,1,100,25,1,3 wine "$cli" export 设置.qini \
            >export.log 2>&1) || { fail "export 设置.qini under $code_page"; cat "$dir/export.log"; }
        local files=("$dir"/*.qini)
        if [ ${#files[@]} -ne 1 ] || ! cmp -s "$program/cli-names.qini" "$dir/设置.qini"; then
            fail "under $code_page the export is not 设置.qini in GBK"
            ls "$dir"
        fi
        if ! (cd "$dir" && wine "$cli" upload 设置.qini >upload.log 2>&1) ||
            ! grep -q '上传 13/13' "$dir/upload.log"; then
            fail "upload 设置.qini under $code_page"
            cat "$dir/upload.log"
        fi
        window_opens_file "$dir" || fail "qlm5120rx.exe 设置.qini under $code_page"
        stop_wine
    done
    use_chinese_locale "$program/locale"
    [ $failures -eq 0 ]
}

# qlm5120rx.exe 设置.qini, as a double-click starts it, on the offscreen platform: the
# journal holds the file's import (a file the interlock takes as it is, so no message box
# waits) and its upload's end. Then the program is stopped.
window_opens_file() { # window_opens_file <folder>
    local journal pid waited=0 dir=$1/window
    mkdir -p "$dir"
    printf '"\xb5\xa5"\r\n"20"\r\n"100"\r\n"\xc4\xda\xb2\xbf"\r\n"1000"\r\n"10"\r\n"200"\r\n"MHz"\r\n"2.50"\r\n"400"\r\n' \
        >"$dir/设置.qini"
    journal=$(winepath -u 'C:\users' 2>/dev/null)
    find "$journal" -path '*/Kavronix/qlm5120rx/journal' -type d -exec rm -rf {} + 2>/dev/null
    (cd "$dir" && QT_QPA_PLATFORM=offscreen exec wine "$program/bin/qlm5120rx.exe" 设置.qini \
        >window.log 2>&1) &
    pid=$!
    until grep -qs upload_finished "$journal"/*/AppData/Local/Kavronix/qlm5120rx/journal/*.jsonl ||
        [ $waited -ge 600 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    local lines
    lines=$(cat "$journal"/*/AppData/Local/Kavronix/qlm5120rx/journal/*.jsonl 2>/dev/null)
    grep -q '"imported"' <<<"$lines" && grep -q '设置.qini' <<<"$lines" &&
        grep -q upload_finished <<<"$lines" && return 0
    cat "$dir/window.log"
    echo "$lines"
    return 1
}

# Two qlm5120rx-cli.exe at once on one simulated instrument (a state file): every frame taken,
# no violation counted, each run's value in place at the end.
cli_shared_instrument() {
    local failures=0 dir=$program/cli-shared cli=$program/bin/qlm5120rx-cli.exe
    rm -rf "$dir"
    mkdir -p "$dir"
    use_prefix "$program/wine"
    start_wine
    local state i pids=()
    state=$(winepath -w "$dir/instrument.txt" 2>/dev/null)
    for i in 1 2; do
        (
            trace=$(winepath -w "$dir/trace$i.txt" 2>/dev/null)
            setting=$([ "$i" = 1 ] && echo "damping 150" || echo "gain 20")
            for n in 1 2 3; do
                # shellcheck disable=SC2086 # the setting is two words
                EASYD12_SIM_STATE_FILE=$state EASYD12_SIM_TRACE=$trace wine "$cli" set $setting \
                    >>"$dir/run$i.log" 2>&1 || exit 1
            done
        ) &
        pids+=($!)
    done
    for i in "${pids[@]}"; do
        wait "$i" || fail "a run on the shared instrument exited non-zero"
    done
    stop_wine
    if grep -v ' 0$' "$dir"/trace*.txt; then fail "a frame the instrument did not take"; fi
    grep -q violations "$dir/instrument.txt" && fail "violations counted: $(cat "$dir/instrument.txt")"
    [ "$(head -n 1 "$dir/instrument.txt")" = "0,70,4,0,4,0,200,0,1,3" ] ||
        fail "the instrument holds $(head -n 1 "$dir/instrument.txt")"
    [ $failures -eq 0 ] || cat "$dir"/run*.log
    [ $failures -eq 0 ]
}

fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

# The X window of a Wine top-level window, by title.
x_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }

# Clicks at client coordinates (pixels) of an X window.
click() { # click <window> <x> <y>
    xdotool mousemove --window "$1" "$2" "$3" click 1
    sleep 0.5
}

# Starts the bare Qt window (the same start-up wait as the program's), times it, closes it.
bare_window() {
    local t0 bare
    t0=$(date +%s.%N)
    wine "$program/bin/bare-window.exe" >/dev/null 2>&1 &
    bare=$!
    if window_tool wait "bare window" 180 >/dev/null; then
        echo "bare Qt window after $(since "$t0") s"
    else
        fail "the bare window did not appear"
    fi
    window_tool close "bare window" >/dev/null
    wait $bare 2>/dev/null || true
}

end_to_end() {
    local failures=0
    rm -rf "$e2e"
    mkdir -p "$e2e/app"
    # The installed program's files, with the 32-bit simulator as the driver (reached
    # through the bridge, as a real 32-bit EasyD12.dll is) and a help file.
    cp -r "$program/stage/program/." "$e2e/app/"
    cp "$program/stage/simulator/EasyD12.dll" "$e2e/app/"
    if [ ! -f "$e2e/app/5120.CHM" ]; then
        cp -r "$root/tests/windows/help" "$e2e/help"
        (cd "$e2e/help" && chmcmd help.hhp >/dev/null)
        cp "$e2e/help/5120.CHM" "$e2e/app/"
    fi
    use_prefix "$program/wine"
    start_desktop "$program/locale"
    start_wine
    local trace
    trace=$(winepath -w "$e2e/trace.txt" 2>/dev/null)
    bare_window # before the program too, so neither is the session's first Qt program

    # Start-up: the read-back (a request and its answer) before the window shows.
    local t0 pid
    t0=$(date +%s.%N)
    (cd "$e2e/app" && EASYD12_SIM_TRACE=$trace exec wine qlm5120rx.exe >"$e2e/program.log" 2>&1) &
    pid=$!
    if window_tool wait "QLM-5120RX控制软件" 180 >/dev/null; then
        program_start=$(since "$t0")
        echo "program window after $program_start s"
    else
        fail "the program's window did not appear"
        window_tool list
    fi
    grep -q '^W 01020304050102030405010203040503 0$' "$e2e/trace.txt" ||
        fail "no read request in the trace"
    [ "$(grep -c '^R ' "$e2e/trace.txt")" -ge 1 ] || fail "no answer read in the trace"
    grep -q 'bridge' "$e2e/program.log" || fail "the program did not say it uses the bridge"

    local window
    window=$(x_window "QLM-5120RX控制软件")
    [ -n "$window" ] || fail "no X window for the program"
    if [ -n "${QLM_SCREENSHOT:-}" ] && [ -n "$window" ]; then
        sleep 1
        import -window "$window" "$QLM_SCREENSHOT"
    fi

    # A damping choice: the list gets the focus (a popup the click may open is closed), and
    # Down chooses its first entry, "400", as an operator's arrow key does.
    local before
    before=$(wc -l <"$e2e/trace.txt")
    # Where the list is: the window's own table (form1_geometry), below the menu bar.
    eval "$(wine "$program/bin/form1_geometry.exe" 2>/dev/null | tr -d '\r')"
    eval "$(xdotool getwindowgeometry --shell "$window")"
    click "$window" "$Combo4_X" $((HEIGHT - CLIENT_HEIGHT + Combo4_Y))
    xdotool key Escape
    sleep 0.5
    xdotool key Down
    local tries=0
    until [ "$(grep -c . "$e2e/trace.txt")" -ge $((before + 2)) ] || [ $tries -ge 300 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    tail -n +$((before + 1)) "$e2e/trace.txt" >"$e2e/damping.txt"
    printf '%s\n' 'W 01020304050102030405010203040504 0' 'W 01020304050102030405010804000000 0' |
        cmp -s - "$e2e/damping.txt" ||
        { fail "damping 400 did not send its two frames"; cat "$e2e/damping.txt"; }

    # Help: 帮助 → 帮助文档 starts "hh.exe 5120.CHM" in the program's folder.
    click "$window" "$help_menu_x" "$help_menu_y"
    xdotool key Down Return
    if window_tool wait "class:HH Parent" 60 >/dev/null; then
        window_tool close "class:HH Parent" >/dev/null
    else
        fail "Wine's help viewer did not show 5120.CHM"
        window_tool list
    fi

    # Closing writes open.qini in GBK: the simulator's values, damping 400.
    window_tool close "QLM-5120RX控制软件" >/dev/null || fail "could not close the window"
    local waited=0
    while kill -0 "$pid" 2>/dev/null && [ $waited -lt 600 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    kill -0 "$pid" 2>/dev/null && fail "the program did not end after closing"
    printf '"\xb5\xa5"\r\n"0"\r\n"100"\r\n"\xc4\xda\xb2\xbf"\r\n"1000"\r\n"10"\r\n"200"\r\n"MHz"\r\n"%s"\r\n"400"\r\n' \
        "$expected_probe" >"$e2e/expected.qini"
    cmp "$e2e/expected.qini" "$e2e/app/open.qini" ||
        { fail "open.qini is not the expected GBK file"; od -c "$e2e/app/open.qini" | head; }

    # A bare Qt window under the same wait, in the same Wine session.
    bare_window

    stop_wine
    stop_desktop
    [ $failures -eq 0 ]
}

# Every file and folder of the prefix's drive C:, without Wine's own and the temporary ones
# (the uninstaller runs from a copy in the temporary folder, removed at the next restart).
drive_listing() {
    (cd "$WINEPREFIX/drive_c" && find . -mindepth 1 -printf '%P\n' | grep -v -e '^windows/' \
        -e '^users/[^/]*/Temp/' -e '^users/[^/]*/AppData/Local/Temp/' | sort)
}

# Starts an installed program and waits for its window; closes a "错误" message (no
# instrument) first when asked. Leaves the program running, its PID in installed_pid.
start_installed() { # start_installed <folder> <program.exe> <expect error box: yes|no>
    (cd "$1" && exec wine "$2" >/dev/null 2>&1) &
    installed_pid=$!
    if [ "$3" = yes ]; then
        window_tool wait "错误" 180 >/dev/null || fail "no message for the absent instrument"
        window_tool close "错误" >/dev/null
    fi
    window_tool wait "QLM-5120RX控制软件" 180 >/dev/null || fail "$2 showed no window"
}

close_installed() { # close_installed <pid>
    window_tool close "QLM-5120RX控制软件" >/dev/null || fail "could not close the window"
    local waited=0
    while kill -0 "$1" 2>/dev/null && [ $waited -lt 600 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
}

# The installed qlm5120rx-cli.exe serve under Wine, asked *IDN? by PyVISA from Linux.
remote_under_wine() { # remote_under_wine <installed folder>
    local port=$((20000 + RANDOM % 20000)) idn="" tries
    wine "$1/qlm5120rx-cli.exe" serve --port "$port" >"$e2e/serve.out" 2>"$e2e/serve.err" &
    local serve_pid=$!
    for tries in $(seq 1 60); do
        idn=$(/usr/bin/python3 - "$port" 2>/dev/null <<'PY' || true
import sys, pyvisa
rig = pyvisa.ResourceManager("@py").open_resource(
    "TCPIP::127.0.0.1::%s::SOCKET" % sys.argv[1], read_termination="\n",
    write_termination="\n", timeout=5000)
print(rig.query("*IDN?"))
PY
        )
        [ -n "$idn" ] && break
        sleep 1
    done
    echo "remote control under Wine: ${idn:-no answer} (after $tries tries)"
    grep -q 'QLM-5120RX' <<<"$idn" || fail "the installed server did not answer *IDN?: $(cat "$e2e/serve.err")"
    kill "$serve_pid" 2>/dev/null || true
    wait "$serve_pid" 2>/dev/null || true
    wineserver -w
}

installer_test() { # installer_test <setup.exe>
    local setup=$1 failures=0
    use_prefix "$program/wine"
    start_desktop "$program/locale"
    stop_wine # no persistent server: wineserver -w waits for the installer's processes
    local installed="$WINEPREFIX/drive_c/Program Files/Kavronix/QLM-5120RX"
    local menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/QLM-5120RX"
    wine wineboot.exe --init >/dev/null 2>&1
    wineserver -w
    drive_listing >"$e2e/before-install.txt"

    local t0
    t0=$(date +%s.%N)
    wine "$setup" /S /SIMULATOR >/dev/null 2>&1
    wineserver -w
    echo "silent install with the simulator: $(since "$t0") s"
    for file in qlm5120rx.exe qlm5120rx-cli.exe 5120.CHM translations/qtbase_zh_CN.qm \
        doc/scpi-commands.md easyd12-bridge.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Qt6Network.dll \
        platforms/qwindows.dll styles/qwindowsvistastyle.dll libstdc++-6.dll uninstall.exe \
        simulator/qlm5120rx-sim.exe simulator/EasyD12.dll simulator/easyd12-bridge.exe \
        simulator/platforms/qwindows.dll; do
        [ -f "$installed/$file" ] || fail "not installed: $file"
    done
    local extra
    extra=$(cd "$installed" && find . -type f \( -name '*test*' -o -name 'Qt6Test.dll' \
        -o -name 'qoffscreen.dll' -o -name '*decoy*' -o -name '*faulty*' -o -name '*write_only*' \
        -o -path './EasyD12.dll' \))
    [ -z "$extra" ] || fail "installed what the program does not need: $extra"
    [ -f "$menu/QLM-5120RX.lnk" ] || fail "no Start-menu shortcut"
    [ -f "$menu/QLM-5120RX（模拟仪器）.lnk" ] || fail "no Start-menu shortcut for the simulator"
    # The registry file writes each backslash of a key twice.
    local key='[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\QLM-5120RX]'
    local entry
    entry=$(awk -v key="$key" 'index($0, key) == 1 { on = 1; next } on && /^$/ { exit } on' \
        "$WINEPREFIX/system.reg")
    for value in DisplayName DisplayVersion DisplayIcon UninstallString QuietUninstallString \
        Publisher EstimatedSize; do
        grep -q "^\"$value\"=" <<<"$entry" || fail "uninstall entry lacks $value"
    done
    # .qini is a file type whose open verb runs the installed program with the file.
    local progid command
    progid=$(wine reg query 'HKLM\Software\Classes\.qini' /ve 2>/dev/null | tr -d '\r' |
        awk '/REG_SZ/ { print $NF }')
    [ "$progid" = QLM5120RX.Settings ] || fail ".qini maps to '$progid'"
    command=$(wine reg query "HKLM\\Software\\Classes\\$progid\\shell\\open\\command" /ve \
        2>/dev/null | tr -d '\r')
    grep -qF 'Program Files\Kavronix\QLM-5120RX\qlm5120rx.exe" "%1"' <<<"$command" ||
        fail "the open verb runs: $command"
    echo "ok: .qini -> $progid, opened by the installed qlm5120rx.exe"
    installed_kb=$(du -sk "$installed" | cut -f1)
    echo "installed size with the simulator: $installed_kb KB"

    # The simulated instrument's program (through the bridge), then the real one, which
    # finds no driver and says so before its window shows.
    use_prefix "$program/wine"
    start_installed "$installed/simulator" qlm5120rx-sim.exe no
    close_installed "$installed_pid"
    start_installed "$installed" qlm5120rx.exe yes
    close_installed "$installed_pid"
    wineserver -w
    [ -f "$installed/open.qini" ] || fail "the installed program wrote no open.qini"
    [ -f "$installed/simulator/open.qini" ] || fail "the simulator wrote no open.qini of its own"

    remote_under_wine "$installed"

    # Again over it, without the simulator: that goes, the program stays.
    wine "$setup" /S >/dev/null 2>&1
    wineserver -w
    [ -f "$installed/qlm5120rx.exe" ] || fail "the second install lost the program"
    [ -e "$installed/simulator/qlm5120rx-sim.exe" ] && fail "the second install kept the simulator"
    [ -e "$menu/QLM-5120RX（模拟仪器）.lnk" ] && fail "the second install kept the simulator's shortcut"
    start_installed "$installed" qlm5120rx.exe yes
    close_installed "$installed_pid"

    t0=$(date +%s.%N)
    wine "$installed/uninstall.exe" /S >/dev/null 2>&1
    wineserver -w
    echo "silent uninstall: $(since "$t0") s"
    drive_listing >"$e2e/after-uninstall.txt"
    local left
    left=$(comm -13 "$e2e/before-install.txt" "$e2e/after-uninstall.txt" |
        grep -v -x -e 'Program Files/Kavronix' -e 'Program Files/Kavronix/QLM-5120RX' \
            -e 'Program Files/Kavronix/QLM-5120RX/open.qini' \
            -e 'Program Files/Kavronix/QLM-5120RX/simulator' \
            -e 'Program Files/Kavronix/QLM-5120RX/simulator/open.qini' |
        # The journals are the user's record: an uninstall leaves them, as it leaves open.qini.
        grep -E -v -x 'users/[^/]+/AppData/Local/Kavronix(/qlm5120rx(-sim|-simulator)?(/journal(/journal-[0-9-]+\.jsonl)?)?)?' ||
        true)
    [ -z "$left" ] || fail "the uninstall left: $left"
    grep -q 'QLM-5120RX' "$WINEPREFIX/system.reg" && fail "the uninstall left registry keys"
    grep -q -e 'QLM5120RX.Settings' -e '^\[Software\\\\Classes\\\\.qini\]' "$WINEPREFIX/system.reg" &&
        fail "the uninstall left the .qini file type"
    stop_desktop
    [ $failures -eq 0 ]
}
