# Shared by the Windows scripts (sourced): packages, the builds, the staged program and
# the installer. Build folders go under $WIN_BUILD_ROOT (default the source folder):
#   build-win32    the Qt-free code for 32-bit Windows: easyd12-bridge.exe, the simulator DLL
#   build-win64    the same for 64-bit Windows (its tests only)
#   build-windows  the whole program for 64-bit Windows, its stage/ and the installer
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
builds=${WIN_BUILD_ROOT:-$root}
started=$SECONDS

phase() { echo "== $1 ($((SECONDS - started)) s)"; }

# Exit status of a Windows script whose tools the package mirror could not provide (after its
# retries): nothing of the project was tested, and nothing failed.
no_tools_status=75

install_windows_tools() { # install_windows_tools [extra packages...]
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        echo "Adding the i386 architecture (for wine32)"
        as_root dpkg --add-architecture i386
    fi
    install_missing --recommends cmake ninja-build googletest mingw-w64 \
        g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 wine32:i386 nsis "$@"
}

build_qtfree() { # build_qtfree <bits> <toolchain> [cmake arguments...]
    local folder=$builds/build-win$1 toolchain=$2
    shift 2
    cmake -S "$root/tests/windows" -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" "$@" >/dev/null
    cmake --build "$folder" --parallel "$jobs"
}

# The whole program (top-level CMakeLists) through the cross-built Qt's toolchain file.
build_program() { # build_program <Qt prefix>
    local qt=$1 folder=$builds/build-windows
    cmake -S "$root" -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/windows-program.cmake" \
        -DQLM_BRIDGE32_DIR="$builds/build-win32/bin" >/dev/null
    cmake --build "$folder" --parallel "$jobs"
}

find_in_build() { # find_in_build <file name>
    local folder=$builds/build-windows
    find "$folder" \( -path "$folder/stage" -o -path "$folder/e2e" -o -path "$folder/wine" \) \
        -prune -o -type f -name "$1" -print | head -n 1
}

# build-windows/stage: program/ (what the installer installs), simulator/ (the 32-bit
# simulated instrument for the bridge) and the NSIS file lists.
stage_program() {
    local folder=$builds/build-windows
    local stage=$folder/stage
    rm -rf "$stage"
    cmake --install "$folder" --prefix "$stage/program" >/dev/null
    # The help document and the Qt translation, when the build has them (not the tests'
    # stand-in help file, not the Wine prefix).
    local chm qm commands
    chm=$(find_in_build 5120.CHM)
    qm=$(find_in_build qtbase_zh_CN.qm)
    commands=$(find_in_build scpi-commands.md)
    # The manual and the SCPI command table are written by the native build (its tables come
    # from a program run there), and Qt's translation file is the same on every system.
    if [ -z "$chm" ] || [ -z "$commands" ]; then
        local native=${BUILD_DIR:-$root/build}
        bash "$root/scripts/setup.sh"
        configure_native "$native"
        cmake --build "$native" --target manual >/dev/null
        [ -z "$chm" ] && [ -f "$native/bin/5120.CHM" ] && chm=$native/bin/5120.CHM
        commands=$native/manual/tables/scpi-commands.md
    fi
    if [ -z "$qm" ] && [ -f /usr/share/qt6/translations/qtbase_zh_CN.qm ]; then
        qm=/usr/share/qt6/translations/qtbase_zh_CN.qm
    fi
    if [ -n "$chm" ]; then cp "$chm" "$stage/program/"; fi
    # The SCPI command table, where qlm5120rx-cli --help points: doc\ in the program's folder.
    mkdir -p "$stage/program/doc"
    cp "$commands" "$stage/program/doc/"
    if [ -n "$qm" ]; then
        mkdir -p "$stage/program/translations"
        cp "$qm" "$stage/program/translations/"
    fi
    find "$stage/program" -type f \( -name '*.dll' -o -name '*.exe' \) \
        ! -name easyd12-bridge.exe -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
    mkdir -p "$stage/simulator"
    cp "$builds/build-win32/bin/EasyD12.dll" "$stage/simulator/"
    i686-w64-mingw32-strip --strip-unneeded "$stage/program/easyd12-bridge.exe" \
        "$stage/simulator/EasyD12.dll"
    # ${ProgramFolder} lines first, then ${ProgramFile}; reversed for removal.
    (
        cd "$stage/program"
        find . -mindepth 1 -type d | sed 's|^\./||' | sort | sed 's|/|\\|g' |
            sed 's|.*|${ProgramFolder} "&"|' >"$stage/folders.lst"
        find . -type f | sed 's|^\./||' | sort | sed 's|/|\\|g' >"$stage/files.lst"
    )
    {
        cat "$stage/folders.lst"
        sed 's|.*|${ProgramFile} "&"|' "$stage/files.lst"
    } >"$stage/files.nsh"
    {
        cat "$stage/folders.lst"
        sed -e 's|^qlm5120rx\.exe$|${ProgramFile} "qlm5120rx.exe" "qlm5120rx-sim.exe"|' \
            -e '/^\${ProgramFile}/!s|.*|${ProgramFile} "&" "&"|' "$stage/files.lst"
    } >"$stage/simulator.nsh"
    {
        sed 's|.*|${ProgramFile} "&"|' "$stage/files.lst"
        tac "$stage/folders.lst"
    } >"$stage/files-reversed.nsh"
}

installer_path() {
    echo "$builds/build-windows/QLM-5120RX-$(project_version "$builds/build-windows")-setup.exe"
}

make_installer() {
    local stage=$builds/build-windows/stage out
    out=$(installer_path)
    makensis -V2 -DVERSION="$(project_version "$builds/build-windows")" -DSTAGE="$stage" -DOUTFILE="$out" \
        -DICON="$root/src/ui/resources/icon.ico" "$root/packaging/windows/qlm5120rx.nsi"
    echo "$out"
}

# Wine in a prefix of its own (created on first use), without menu entries in the home
# folder and without Wine's .NET and HTML engines (Debian has neither).
use_prefix() { # use_prefix <folder>
    mkdir -p "$1" # wineserver -p needs the folder
    export WINEPREFIX=$1 WINEDEBUG=-all
    export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
}

# Starts the Wine server and the helpers wineboot starts, away from any output pipe that a
# caller waits on (ctest waits for every process holding its pipes).
start_wine() {
    wineserver -p >/dev/null 2>&1 </dev/null
    wine wineboot.exe --init >/dev/null 2>&1 </dev/null
}

stop_wine() {
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
}

# LANG=zh_CN.UTF-8, so Wine uses code page 936; the locale is built into the given folder
# when the machine lacks it.
use_chinese_locale() { # use_chinese_locale <locale folder>
    if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
        if [ ! -d "$1/zh_CN.UTF-8" ]; then
            mkdir -p "$1"
            localedef -i zh_CN -f UTF-8 "$1/zh_CN.UTF-8" 2>/dev/null ||
                [ -d "$1/zh_CN.UTF-8" ]
        fi
        export LOCPATH=$1
    fi
    export LANG=zh_CN.UTF-8 LC_ALL=
}

# A Chinese desktop: the Chinese locale on an Xvfb display of its own.
xvfb_pid=
start_desktop() { # start_desktop <locale folder>
    use_chinese_locale "$1"
    local display=77
    while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
        display=$((display + 1))
    done
    Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
    xvfb_pid=$!
    export DISPLAY=":$display"
    local tries=0
    until xdpyinfo >/dev/null 2>&1 || [ $tries -ge 50 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
}

stop_desktop() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=
    fi
}
