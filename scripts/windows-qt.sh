#!/usr/bin/env bash
# Builds Qt for 64-bit Windows (x86_64-w64-mingw32) from Debian's own qt6-base source package,
# at exactly the version of the host's Qt, and caches the install:
#   ${XDG_CACHE_HOME:-$HOME/.cache}/qlm5120rx/qt-<version>-x86_64-w64-mingw32-<key>
# where <key> is a hash of the configure options below, so a changed feature list builds anew.
# A cached install is reused. Lean: Core, Gui (with PDF), Widgets, Network (no TLS), Test, the
# qwindows and offscreen platform plugins, the windowsvista style; shared, release. Prints the
# folder on its last line.
# Needs root (or sudo) only to install missing packages (Debian 12).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
started=$SECONDS
phase_start=$SECONDS

phase() { # phase <what>: ends the previous phase with its time, starts the next
    echo "== $1 (previous phase $((SECONDS - phase_start)) s, total $((SECONDS - started)) s)" >&2
    phase_start=$SECONDS
}

# Also left out, as -D options so that they take effect in an existing build folder too: the
# direct2d platform plugin (direct2d itself stays: qwindows' DirectWrite font database needs
# it), image format plugins, HarfBuzz (the Windows font engines lay out Chinese and Latin
# text themselves), and widgets, documents and style sheets the program does not use.
lean=()
for feature in direct2d1_1 jpeg gif ico harfbuzz graphicsview mdiarea dockwidget \
    calendarwidget datetimeedit dial lcdnumber fontdialog colordialog wizard splashscreen \
    keysequenceedit toolbox columnview undoview undocommand undostack undogroup \
    textodfwriter textmarkdownreader textmarkdownwriter style-stylesheet movie; do
    lean+=("-DFEATURE_${feature//-/_}=OFF")
done
options=(-release -shared -qt-host-path /usr -xplatform win32-g++ -nomake tests -nomake examples
         -no-icu -no-opengl -no-dbus -no-openssl -no-feature-sql -no-feature-printsupport
         -no-feature-xml -no-feature-concurrent -no-feature-tabletevent -no-feature-vulkan
         -- -G Ninja "${lean[@]}" -DFEATURE_schannel=OFF)
key=$(printf '%s\n' "${options[@]}" | cat - "$root/cmake/qt-mingw-w64-x86_64.cmake" |
      sha256sum | cut -c1-12)

install_missing cmake ninja-build dpkg-dev qt6-base-dev qt6-base-dev-tools mingw-w64 \
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix perl python3
version=$(dpkg-query -W -f='${Version}' qt6-base-dev) # e.g. 6.4.2+dfsg-10
upstream=${version%%+*}
upstream=${upstream%%-*}
cache=${XDG_CACHE_HOME:-$HOME/.cache}/qlm5120rx
prefix=$cache/qt-$upstream-x86_64-w64-mingw32-$key
if [ -f "$prefix/lib/cmake/Qt6/qt.toolchain.cmake" ] && [ -f "$prefix/.complete" ]; then
    echo "Qt $upstream for Windows: cached in $prefix" >&2
    echo "$prefix"
    exit 0
fi

work=$prefix.work
mkdir -p "$work"

# apt-get source needs deb-src entries. They are copies of the machine's own "deb" entries,
# kept in a private sources list and package lists, so /etc/apt is left as it is.
fetch_source() {
    local apt=$work/apt
    mkdir -p "$apt/sources.list.d" "$apt/lists/partial"
    : >"$apt/sources.list"
    local file
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] || continue
        # deb822 stanzas: the ones whose Types hold "deb", with Types set to deb-src.
        awk 'BEGIN { RS = ""; ORS = "\n\n" }
             { deb = 0; out = ""
               n = split($0, lines, "\n")
               for (i = 1; i <= n; i++) {
                   if (lines[i] ~ /^Types:/) {
                       if (lines[i] ~ /[ \t]deb([ \t]|$)/) deb = 1
                       lines[i] = "Types: deb-src"
                   }
                   if (lines[i] !~ /^#/) out = out lines[i] "\n"
               }
               if (deb) print out }' "$file" >"$apt/sources.list.d/$(basename "$file")"
    done
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$file" ] || continue
        sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$file" >>"$apt/sources.list"
    done
    local options=(-o "Dir::Etc::SourceList=$apt/sources.list"
                   -o "Dir::Etc::SourceParts=$apt/sources.list.d"
                   -o "Dir::State::Lists=$apt/lists" -o "Debug::NoLocking=1")
    retry_for 600 apt-get "${options[@]}" update -qq
    (cd "$work" && retry_for 600 apt-get "${options[@]}" source -qq "qt6-base=$version")
}

source_dir=$(find "$work" -maxdepth 1 -type d -name "qt6-base-$upstream*" | head -n 1)
if [ -z "$source_dir" ]; then
    phase "fetching qt6-base $version"
    fetch_source
    source_dir=$(find "$work" -maxdepth 1 -type d -name "qt6-base-$upstream*" | head -n 1)
fi
[ -n "$source_dir" ] || { echo "no qt6-base source in $work" >&2; exit 1; }

phase "configuring Qt $upstream for x86_64-w64-mingw32"
build=$work/build
mkdir -p "$build"
(cd "$build" && "$source_dir/configure" -prefix "$prefix" "${options[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/qt-mingw-w64-x86_64.cmake" \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake) >"$work/configure.log" 2>&1 ||
    { tail -n 40 "$work/configure.log" >&2; exit 1; }

phase "building Qt ($jobs jobs)"
nice -n 10 cmake --build "$build" --parallel "$jobs" >"$work/build.log" 2>&1 ||
    { tail -n 40 "$work/build.log" >&2; exit 1; }

phase "installing into $prefix"
rm -rf "$prefix"
cmake --install "$build" >"$work/install.log" 2>&1 || { tail -n 40 "$work/install.log" >&2; exit 1; }
touch "$prefix/.complete"
rm -rf "$work"
phase "Qt $upstream for Windows ready"
echo "$prefix"
