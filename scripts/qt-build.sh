# Qt for another platform than this system's, for scripts/package-windows and
# scripts/package-web: built from Debian's qt6-base source with the settings in
# packaging/PLATFORM/ and kept in a cache outside the clone, so that every clone on the machine,
# and CI on it, builds it once.
# shellcheck shell=bash

# qt_for PLATFORM NAME TOOLCHAIN_PACKAGE SETTINGS...: sets qt_prefix to the installed Qt for
# PLATFORM (NAME in messages) whose key is that of this system's Qt host tools, the version of
# the Debian package TOOLCHAIN_PACKAGE and the files SETTINGS of packaging/PLATFORM; builds it
# first, with the caller's build_qt SOURCE BUILD_FOLDER, when the cache has no finished one. A
# build that did not finish is started over.
qt_for() {
    local platform=$1 name=$2 toolchain=$3 version compiler key cache
    shift 3
    qt_settings=$root/packaging/$platform
    cache=$machine_cache/qt-$platform
    # The source is of the host tools' own version: moc, rcc and uic must match the libraries.
    version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
    compiler=$(dpkg-query -W -f='${Version}' "$toolchain")
    key=$(printf '%s\n' "qt6-base $version" "$toolchain $compiler" |
        cat - "${@/#/$qt_settings/}" | sha256sum | cut -c1-16)
    qt_prefix=$cache/qt-${version%%+*}-$key

    mkdir -p "$cache"
    exec 8>"$cache/lock"
    if ! flock -n 8; then
        echo "Waiting for another build of Qt for $name to finish"
        flock 8
    fi
    if [ -f "$qt_prefix/finished" ]; then
        echo "Qt for $name from the cache: $qt_prefix"
    else
        build_qt_from_source "$name" "$version"
        # Builds for other keys are of no more use.
        local other
        for other in "$cache"/qt-*; do
            [ "$other" = "$qt_prefix" ] || rm -rf "$other"
        done
    fi
    exec 8>&-
}

# build_qt_from_source NAME VERSION: fetches qt6-base VERSION and builds it into qt_prefix.
build_qt_from_source() {
    local name=$1 version=$2 work=$qt_prefix.build started=$SECONDS
    rm -rf "$qt_prefix" "$work"
    mkdir -p "$qt_prefix" "$work/lists/partial" "$work/cache/archives/partial"
    qt_log=$work/build.log
    echo "Building Qt $version for $name in $qt_prefix; its log is $qt_log"

    # The source, through a sources list, package lists and caches of our own; the list names
    # the archives this system's apt already uses. The system's own apt stays as it is.
    local apt=(-o Dir::Etc::SourceList="$work/sources.list" -o Dir::Etc::SourceParts=/dev/null
        -o Dir::State::Lists="$work/lists" -o Dir::Cache="$work/cache"
        -o APT::Sandbox::User=root)
    apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' 'Created-By: Packages' |
        sort -u | sed 's/^/deb-src /' >"$work/sources.list"
    (cd "$work" && apt-get "${apt[@]}" update -qq &&
        apt-get "${apt[@]}" source -qq "qt6-base=$version") >"$qt_log" 2>&1 ||
        qt_build_failed "fetching the source of qt6-base $version"
    local source
    source=$(echo "$work"/qt6-base-*/)

    # Dated by its own source, as Debian dates a package it builds: what the build writes, such
    # as Qt Core's compressed MIME database, carries that date, not the time it ran at.
    SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$source/debian/changelog" -STimestamp) \
        build_qt "$source" "$work/build"

    # What the program's package must ship beside Qt: the license texts, and the name of the
    # source they apply to.
    local licenses=$qt_prefix/licenses/qt6-base
    mkdir -p "$licenses"
    cp -r "$source/LICENSES" "$source/debian/copyright" "$licenses/"
    echo "qt6-base $version" >"$licenses/source-package"

    touch "$qt_prefix/finished"
    rm -rf "$work"
    echo "Built Qt for $name in $(duration $((SECONDS - started)))"
}

# qt_cmake_build SOURCE BUILD_FOLDER [CMAKE ARGUMENTS...]: configures Qt with the initial cache
# packaging/PLATFORM/qt.cmake, builds it and installs it into qt_prefix.
qt_cmake_build() {
    local source=$1 build=$2
    shift 2
    qt_step "configuring Qt" cmake -S "$source" -B "$build" -G Ninja -C "$qt_settings/qt.cmake" \
        -DCMAKE_INSTALL_PREFIX="$qt_prefix" "$@"
    # Behind whatever else the machine does, such as tests that wait for windows.
    qt_step "building Qt" nice -n 10 cmake --build "$build" --parallel "$(nproc)"
    qt_step "installing Qt" cmake --install "$build"
}

# qt_step WHAT COMMAND...: runs a step of the build, its output in the log.
qt_step() {
    local what=$1
    shift
    "$@" >>"$qt_log" 2>&1 || qt_build_failed "$what"
}

qt_build_failed() {
    tail -n 30 "$qt_log" >&2
    echo "Qt failed while $1; the whole log is $qt_log." >&2
    exit 1
}
