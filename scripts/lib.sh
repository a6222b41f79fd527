# Shared by the scripts: installing what is missing and building.
# shellcheck shell=bash

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)

# What the builds write carries the time of the last commit, not the time they ran at, so that
# building a commit again gives the same bytes.
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && command -v git >/dev/null &&
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null); then
    export SOURCE_DATE_EPOCH
fi

build_packages=(cmake g++ make qt6-base-dev librsvg2-bin)
# What the end-to-end test of the real program needs: a virtual X server, a window manager and
# tools to find, click, measure and photograph windows.
e2e_packages=(xvfb openbox wmctrl xdotool x11-utils imagemagick fontconfig)
# What the runs on Wayland need: a compositor, which also takes the screenshots, and Qt's Wayland
# platform.
wayland_packages=(weston qt6-wayland)
# What reads the program as a screen reader does: the AT-SPI bus and its registry, its Python
# bindings, and a D-Bus session bus to start them on.
screenreader_packages=(at-spi2-core python3-pyatspi dbus-daemon)
# The pinyin input methods Chinese is typed through: fcitx5 with its Qt 6 module, and IBus, which
# Qt knows itself.
input_method_packages=(fcitx5 fcitx5-chinese-addons fcitx5-frontend-qt6 ibus ibus-libpinyin)
# What the scripts install on this machine itself rather than in a clean system: what makes the
# clean systems, and runs those of other architectures, what compares a release's downloads with
# their rebuilds, and what makes CI's key for the apt repository. CI installs them all before it
# starts scripts side by side.
host_packages=(debootstrap qemu-user-static binfmt-support diffoscope-minimal gnupg)
# What runs the Windows program: 64-bit Wine, the fonts it draws Windows' own with, and unzip
# for the zip a Windows user gets.
wine_packages=(wine wine64 fonts-wine unzip)

# The Debian packages are made for this machine's architecture and, cross-built, for these.
cross_architectures=(arm64)

# What is kept between runs, for every clone on the machine: Qt built for other platforms, and
# the clean systems' base systems and downloaded packages.
machine_cache=${BOOKKEEPING_CACHE:-$HOME/.cache/bookkeeping}

# The version that project() in CMakeLists.txt names.
project_version() {
    sed -n 's/^project(bookkeeping VERSION \([0-9.]*\) .*/\1/p' "$root/CMakeLists.txt"
}

# Installs those of the given Debian packages that are not installed yet, with
# scripts/apt-install, which waits for other installs on the system.
ensure_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    if ! command -v apt-get >/dev/null; then
        echo "Please install these packages and run this again: ${missing[*]}" >&2
        exit 1
    fi
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing ${missing[*]}"
    # apt checks the archive's signatures against the real clock, also when the build runs under
    # faketime (scripts/rebuild-clean): Debian 13's checker hangs under it.
    "${sudo[@]}" env -u LD_PRELOAD BOOKKEEPING_APT_WAIT="${BOOKKEEPING_APT_WAIT:-}" \
        "$root/scripts/apt-install" "${missing[@]}"
}

# ensure_architecture ARCHITECTURE: lets apt install packages of the Debian ARCHITECTURE beside
# this system's own.
ensure_architecture() {
    [ "$1" != "$(dpkg --print-architecture)" ] || return 0
    dpkg --print-foreign-architectures | grep -qx "$1" && return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Adding the architecture $1 to dpkg's"
    "${sudo[@]}" dpkg --add-architecture "$1"
}

# Without a Chinese font the window's captions are drawn as empty boxes.
ensure_chinese_font() {
    if [ -z "$(fc-list :lang=zh 2>/dev/null)" ]; then
        ensure_packages fonts-wqy-microhei
    fi
}

# configure DIR [CMAKE ARGUMENTS...]
configure() {
    local dir=$1
    shift
    cmake -S "$root" -B "$root/$dir" "$@" >/dev/null
}

# build DIR [CMAKE ARGUMENTS...]: configures, then builds what changed.
build() {
    configure "$@"
    cmake --build "$root/$1" --parallel "$(nproc)"
}

# build_target DIR TARGET [CMAKE ARGUMENTS...]: the same for one target and what it needs.
build_target() {
    local dir=$1 target=$2
    shift 2
    configure "$dir" "$@"
    cmake --build "$root/$dir" --parallel "$(nproc)" --target "$target"
}

# report NAME VALUE [NAME VALUE...]: lines of a run's summary.
report() {
    printf '  %-15s %s\n' "$@"
}

# duration SECONDS: as minutes and seconds.
duration() {
    printf '%dm%02ds' $(($1 / 60)) $(($1 % 60))
}

# processor_time FILE: the user and system time of the children in FILE, which bash's times
# wrote, in CPU-minutes.
processor_time() {
    awk 'NR == 2 {
        for (i = 1; i <= 2; i++) { split($i, t, /[ms]/); sum += t[1] * 60 + t[2] }
        printf "%.1f CPU-minutes", sum / 60 }' "$1" 2>/dev/null
}

# together NAME COMMAND [NAME COMMAND...]: runs the COMMANDs, each a line for bash, at the same
# time, each one's output in build-clean/logs/NAME.log. Shows each one's output when it ends, then
# how each ended, how long it took and the processor time it used; fails if any of them failed.
together() {
    local logs=$root/build-clean/logs names=() started=$SECONDS pid status=0 summary=() name
    declare -A name_of
    mkdir -p "$logs"
    while [ $# -gt 0 ]; do
        # bash's times: the user and system time of the processes the command waited for.
        bash -c '(eval "$1"); status=$?; times >"$2"; exit $status' together "$2" \
            "$logs/$1.times" >"$logs/$1.log" 2>&1 &
        name_of[$!]=$1
        names+=("$1")
        shift 2
    done
    echo "Running at the same time: ${names[*]} (their output in $logs/)"
    while [ ${#name_of[@]} -gt 0 ]; do
        local result=passed
        wait -n -p pid || { result=failed; status=1; }
        name=${name_of[$pid]}
        result+=" after $(duration $((SECONDS - started))), $(processor_time "$logs/$name.times")"
        echo "== $name, $result"
        cat "$logs/$name.log"
        summary+=("$name" "$result")
        unset "name_of[$pid]"
    done
    report "${summary[@]}"
    return "$status"
}
