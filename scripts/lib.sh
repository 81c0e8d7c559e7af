# Sourced by the scripts: the source folder, the build's parallel jobs, running as root,
# installing what is missing, the native build's configuration and the project's version.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(($(nproc) < 2 ? $(nproc) : 2))

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# retry_for <seconds> <command...>: runs the command until it succeeds, waiting 5 s, then
# twice as long each time (at most 2 minutes), for up to <seconds> in all. False when it never
# succeeded. For the package mirror, which fails for minutes while it syncs.
retry_for() {
    local budget=$1 delay=5 waited=0
    shift
    until "$@"; do
        if [ "$waited" -ge "$budget" ]; then
            echo "Gave up after ${waited} s: $*" >&2
            return 1
        fi
        echo "Failed: $*; trying again in ${delay} s" >&2
        sleep "$delay"
        waited=$((waited + delay))
        delay=$((delay * 2 > 120 ? 120 : delay * 2))
    done
}

apt_update() {
    as_root apt-get -o DPkg::Lock::Timeout=300 -o Acquire::Retries=3 update -qq
}

apt_install() { # apt_install <apt-get options and packages...>
    as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 \
        -o Acquire::Retries=3 install -y -qq "$@"
}

# install_missing [--recommends] <package...>: installs the packages that are not installed
# (Debian 12), without their recommended packages unless asked. An index that will not update
# (a mirror in the middle of a sync) stops nothing the package lists already on the machine
# can install; otherwise the update is retried for up to 10 minutes.
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
    if ! apt_update; then
        if apt_install "${options[@]}" "${missing[@]}"; then
            echo "The package index did not update; installed ${missing[*]} from the lists" \
                "already here." >&2
            return 0
        fi
        retry_for 600 apt_update || return 1
    fi
    retry_for 300 apt_install "${options[@]}" "${missing[@]}"
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
