# Sourced by the scripts: the source folder, the build's parallel jobs, running as root,
# installing what is missing, the native build's configuration and the project's version.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(($(nproc) < 2 ? $(nproc) : 2))

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# install_missing [--recommends] <package...>: installs the packages that are not installed
# (Debian 12), without their recommended packages unless asked.
install_missing() {
    local options=(--no-install-recommends)
    if [ "${1:-}" = --recommends ]; then
        options=()
        shift
    fi
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}" >&2
    as_root apt-get -o DPkg::Lock::Timeout=300 update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 install -y -qq \
        "${options[@]}" "${missing[@]}"
}

# configure_native <folder> [cmake arguments...]: the native build, as scripts/build.sh makes it.
configure_native() {
    local folder=$1
    shift
    cmake -S "$root" -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" \
        "$@" >/dev/null
}

# project_version <build folder>: the version its CMake project gives ("1.1").
project_version() {
    sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt"
}
