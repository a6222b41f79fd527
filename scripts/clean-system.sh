# Clean Debian systems for scripts/test-clean and scripts/package-clean: each one is unpacked
# from a minimal base that debootstrap made once and that nothing ever runs in, gets its own
# /proc, /dev, /dev/pts and /sys, and begins with the package lists and downloads that earlier
# systems left. The bases, the downloads and the systems are kept in the machine's cache, for
# every clone; what a run makes, in the clone's build-clean/. Runs may go on at the same time,
# on the same release too.
# shellcheck shell=bash

source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# The architecture of the clean systems: this machine's, unless the calling script sets another
# before clean_systems_for, whose programs then run under qemu's emulation.
system_architecture=$(dpkg --print-architecture)

# clean_systems_for RELEASE [ARGUMENTS...]: checks how the calling script was used and prepares
# the base system of RELEASE. Runs the calling script again, with ARGUMENTS, its own, in a mount
# namespace of its own, so that whatever it mounts disappears with it however it ends.
clean_systems_for() {
    release=${1:-}
    shift
    local script known
    script=scripts/$(basename "$0")
    known="bookworm (Debian 12), trixie (Debian 13) and sid (unstable, best effort)"
    if [ "$(id -u)" -ne 0 ]; then
        echo "$script must run as root: it makes a Debian system and mounts /proc, /dev and" \
            "/sys into it." >&2
        exit 2
    fi
    case $release in
    bookworm | trixie | sid) ;;
    "")
        echo "Name the Debian release to run on: $script RELEASE, where the known releases" \
            "are $known." >&2
        exit 2
        ;;
    *)
        echo "Unknown release '$release': the known ones are $known." >&2
        exit 2
        ;;
    esac
    if ! command -v debootstrap >/dev/null && ! (ensure_packages debootstrap); then
        echo "debootstrap is missing and could not be installed: install the Debian package" \
            "debootstrap and run $script again." >&2
        exit 1
    fi
    [ "$system_architecture" = "$(dpkg --print-architecture)" ] ||
        emulate "$system_architecture" "$script"
    if [ -z "${BOOKKEEPING_OWN_MOUNTS:-}" ]; then
        BOOKKEEPING_OWN_MOUNTS=1 exec unshare --mount --propagation private "$0" "$@"
    fi

    # debootstrap cannot make a system in a folder whose path holds a space, as a clone's may.
    cache=$machine_cache/clean/$release
    [ "$system_architecture" = "$(dpkg --print-architecture)" ] ||
        cache+=-$system_architecture
    if [[ $cache == *[[:space:]]* ]]; then
        echo "Clean systems are made in $cache, and debootstrap cannot make one in a folder" \
            "whose path holds a space: set BOOKKEEPING_CACHE to a folder without one." >&2
        exit 1
    fi
    outputs=$root/build-clean/$release
    mkdir -p "$cache/archives/partial" "$cache/lists/partial" "$outputs"
    systems=()
    trap remove_systems EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM

    # The release's lock is held while a run makes the base, clears away what a killed run
    # left, makes a system, or gives its downloads back to the others.
    exec 9>"$cache/lock"
    flock 9
    # Systems that a killed run left behind: theirs is the only lock a run leaves free.
    local left
    for left in "$cache"/system.*.lock; do
        [ -e "$left" ] || continue
        left=${left%.lock}
        if flock -n "$left.lock" true; then
            remove_system "$left" && rm -f "$left.lock"
        fi
    done
    remove_system "$cache/base.new"
    [ -f "$cache/base.tar" ] || make_base
    flock -u 9
}

# emulate ARCHITECTURE SCRIPT: makes this machine run the programs of ARCHITECTURE, as the clean
# systems of it need, through qemu's user emulation registered with the kernel's binfmt_misc.
emulate() {
    local qemu=$1
    case $1 in
    arm64) qemu=aarch64 ;;
    armhf | armel) qemu=arm ;;
    ppc64el) qemu=ppc64le ;;
    esac
    if ! ensure_packages qemu-user-static binfmt-support; then
        echo "$2 runs $1 systems under qemu-user-static, which could not be installed." >&2
        exit 1
    fi
    # In a container the kernel's binfmt_misc may not be mounted yet, and then the package
    # registered nothing.
    [ -e /proc/sys/fs/binfmt_misc/status ] ||
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    update-binfmts --enable "qemu-$qemu" 2>/dev/null || true
    if ! grep -qx enabled "/proc/sys/fs/binfmt_misc/qemu-$qemu" 2>/dev/null; then
        echo "$2 runs $1 systems under qemu's emulation, which this machine's kernel does not" \
            "run: binfmt_misc has no enabled qemu-$qemu." >&2
        exit 1
    fi
}

make_base() {
    local base=$cache/base.new
    systems+=("$base")
    echo "Making a minimal $release $system_architecture system with debootstrap (kept in" \
        "$cache/base.tar)"
    if ! debootstrap --variant=minbase --arch="$system_architecture" "$release" "$base" \
        >"$cache/debootstrap.log" 2>&1; then
        tail -n 20 "$cache/debootstrap.log" >&2
        echo "debootstrap could not make a $release system; its log is $cache/debootstrap.log." >&2
        exit 1
    fi
    tar -C "$base" -cf "$cache/base.tar.new" .
    mv "$cache/base.tar.new" "$cache/base.tar"
    remove_system "$base"
}

# new_system VARIABLE: unpacks a fresh system from the base, mounts what it needs and stores its
# path in VARIABLE. The system is locked for as long as the calling script runs.
new_system() {
    local dir mount lock
    flock 9
    dir=$(mktemp -d "$cache/system.XXXXXX")
    exec {lock}>"$dir.lock"
    flock "$lock"
    flock -u 9
    chmod 755 "$dir"
    systems+=("$dir")
    tar -C "$dir" -xf "$cache/base.tar"
    # A system that is thrown away needs none of its files on the disk before dpkg goes on:
    # dpkg's sync of each file it unpacks made every install wait for the disk.
    echo force-unsafe-io >"$dir/etc/dpkg/dpkg.cfg.d/unsafe-io"
    cp /etc/resolv.conf "$dir/etc/resolv.conf"
    for mount in proc dev dev/pts sys; do
        mount --bind "/$mount" "$dir/$mount"
    done
    # Copies, the downloaded packages as links to the same files, but not apt's locks and
    # unfinished downloads: apt allows one user of them at a time.
    cp -a "$cache/lists/." "$dir/var/lib/apt/lists/"
    find "$cache/archives" -maxdepth 1 -name '*.deb' \
        -exec cp -l --no-clobber -t "$dir/var/cache/apt/archives/" {} +
    printf -v "$1" '%s' "$dir"
}

# drop_system SYSTEM: keeps what SYSTEM downloaded, and its package lists, for the systems after
# it, and removes it.
drop_system() {
    local dir=$1
    if [[ $dir == "$cache"/system.* ]] && [ -d "$dir/var/lib/apt/lists" ]; then
        flock 9
        find "$dir/var/cache/apt/archives" -maxdepth 1 -name '*.deb' \
            -exec cp -l --no-clobber -t "$cache/archives/" {} +
        rm -rf "$cache/lists.new"
        cp -a "$dir/var/lib/apt/lists" "$cache/lists.new"
        rm -rf "$cache/lists"
        mv "$cache/lists.new" "$cache/lists"
        flock -u 9
    fi
    remove_system "$dir" && rm -f "$dir.lock"
}

# in_system SYSTEM COMMAND...: runs COMMAND as root in SYSTEM, in the environment of a login.
in_system() {
    local dir=$1
    shift
    chroot "$dir" /usr/bin/env -i HOME=/root \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
}

# apt_install SYSTEM APT_ARGUMENTS...: installs packages in SYSTEM with apt-get install, without
# questions, waiting for dpkg's lock as scripts/apt-install does; only its errors are shown.
apt_install() {
    local lock_wait=${BOOKKEEPING_APT_WAIT:-900}
    in_system "$1" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -o DPkg::Lock::Timeout="$lock_wait" -y -qq "${@:2}" >/dev/null
}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# mounts_under DIR: the mount points at or below DIR.
mounts_under() {
    awk -v dir="$1" '$5 == dir || index($5, dir "/") == 1 { print $5 }' /proc/self/mountinfo
}

# remove_system DIR: ends what still runs in DIR, unmounts what is mounted in it and deletes it,
# unless something there is still mounted.
remove_system() {
    local dir=$1 proc mount
    [ -d "$dir" ] || return 0
    for proc in /proc/[0-9]*; do
        if [ "$(readlink "$proc/root" 2>/dev/null)" = "$dir" ]; then
            kill -KILL "${proc#/proc/}" 2>/dev/null || true
        fi
    done
    # Innermost first; a mount that is still busy is detached all the same.
    for mount in $(mounts_under "$dir" | sort -r); do
        umount "$mount" 2>/dev/null || umount --lazy "$mount"
    done
    if [ -n "$(mounts_under "$dir")" ]; then
        echo "Left $dir in place: something in it is still mounted." >&2
        return 1
    fi
    rm -rf --one-file-system "$dir"
}

remove_systems() {
    local status=$? dir
    set +e
    for dir in "${systems[@]}"; do
        drop_system "$dir" || status=1
    done
    exit "$status"
}

# system_versions SYSTEM: the release of SYSTEM and the versions of the tools installed in it
# that the checks use.
system_versions() {
    local dir=$1 version
    version=$(in_system "$dir" sh -c '. /etc/os-release && echo "$PRETTY_NAME"')
    report system "$version"
    version=$(in_system "$dir" dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null) &&
        report Qt "$version"
    version=$(in_system "$dir" g++ --version 2>/dev/null | head -n 1) &&
        report g++ "$version"
    version=$(in_system "$dir" clang++ --version 2>/dev/null | head -n 1) &&
        report clang++ "$version"
    version=$(in_system "$dir" clang-tidy --version 2>/dev/null | sed -n 's/.*LLVM version //p') &&
        report clang-tidy "$version"
    return 0
}

# Where a system gets its clone of the project, and how scripts run there: the umask, which the
# clone's files are made with too, and a command that runs them (none). scripts/rebuild-clean
# changes all three.
clone=/root/bookkeeping
clone_umask=022
clone_runner=

# clone_into SYSTEM: a fresh clone of the committed tree in SYSTEM.
clone_into() {
    if [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
        echo "Note: changes that are not committed are not part of this run."
    fi
    mkdir -p "$1$(dirname "$clone")"
    (umask "$clone_umask" && git clone --quiet --no-hardlinks "$root" "$1$clone")
}

# run_in_clone SYSTEM SCRIPT [VARIABLE=VALUE...]: runs scripts/SCRIPT of the clone in SYSTEM,
# with these variables added to its environment, and the time of the last commit, which the
# system's clone has no git to read.
run_in_clone() {
    in_system "$1" env SOURCE_DATE_EPOCH="$SOURCE_DATE_EPOCH" "${@:3}" \
        bash -c "umask $clone_umask && cd $clone && $clone_runner scripts/$2"
}

# run_with_qt_cache SYSTEM SCRIPT [VARIABLE=VALUE...]: runs scripts/SCRIPT of the clone in SYSTEM
# with this machine's cache of the Qt builds for other platforms mounted in, at the same path
# inside as outside: Qt's CMake files name the paths they were made at.
run_with_qt_cache() {
    local platform
    for platform in windows web; do
        mkdir -p "$machine_cache/qt-$platform" "$1$machine_cache/qt-$platform"
        mount --bind "$machine_cache/qt-$platform" "$1$machine_cache/qt-$platform"
    done
    run_in_clone "$1" "$2" BOOKKEEPING_CACHE="$machine_cache" "${@:3}"
}
