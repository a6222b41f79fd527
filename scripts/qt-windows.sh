# Qt for Windows, for scripts/package-windows: cross-built from Debian's qt6-base source with
# Debian's MinGW-w64 and kept in a cache outside the clone, so that every clone on the machine,
# and CI on it, builds it once.
# shellcheck shell=bash

qt_cache=${BOOKKEEPING_CACHE:-$HOME/.cache/bookkeeping}/qt-windows
qt_settings=$root/packaging/windows

# qt_for_windows: sets qt_prefix to the installed Qt for Windows whose key is that of this
# system's Qt host tools, this cross compiler and the build settings in packaging/windows; builds
# it first when the cache has no finished one. A build that did not finish is started over.
qt_for_windows() {
    local version compiler key
    # The source is of the host tools' own version: moc, rcc and uic must match the libraries.
    version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
    compiler=$(dpkg-query -W -f='${Version}' g++-mingw-w64-x86-64-posix)
    key=$(printf '%s\n' "qt6-base $version" "g++-mingw-w64-x86-64-posix $compiler" |
        cat - "$qt_settings/qt.cmake" "$qt_settings/toolchain.cmake" | sha256sum | cut -c1-16)
    qt_prefix=$qt_cache/qt-${version%%+*}-$key

    mkdir -p "$qt_cache"
    exec 8>"$qt_cache/lock"
    if ! flock -n 8; then
        echo "Waiting for another build of Qt for Windows to finish"
        flock 8
    fi
    if [ -f "$qt_prefix/finished" ]; then
        echo "Qt for Windows from the cache: $qt_prefix"
    else
        build_qt_for_windows "$version"
    fi
    exec 8>&-
}

# build_qt_for_windows VERSION: builds qt6-base VERSION into qt_prefix.
build_qt_for_windows() {
    local version=$1 work=$qt_prefix.build started=$SECONDS
    rm -rf "$qt_prefix" "$work"
    mkdir -p "$qt_prefix" "$work/lists/partial" "$work/cache/archives/partial"
    echo "Building Qt $version for Windows in $qt_prefix (about 25 minutes on two cores);" \
        "its log is $work/build.log"

    # The source, through a sources list, package lists and caches of our own; the list names
    # the archives this system's apt already uses. The system's own apt stays as it is.
    local apt=(-o Dir::Etc::SourceList="$work/sources.list" -o Dir::Etc::SourceParts=/dev/null
        -o Dir::State::Lists="$work/lists" -o Dir::Cache="$work/cache"
        -o APT::Sandbox::User=root)
    apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' 'Created-By: Packages' |
        sort -u | sed 's/^/deb-src /' >"$work/sources.list"
    (cd "$work" && apt-get "${apt[@]}" update -qq &&
        apt-get "${apt[@]}" source -qq "qt6-base=$version") >"$work/build.log" 2>&1 ||
        qt_build_failed "fetching the source of qt6-base $version"
    local source
    source=$(echo "$work"/qt6-base-*/)

    # Qt's own toolchain file, which configures projects against it, loads this one from the
    # path it had here.
    cp "$qt_settings/toolchain.cmake" "$qt_prefix/toolchain.cmake"
    cmake -S "$source" -B "$work/build" -G Ninja -C "$qt_settings/qt.cmake" \
        -DCMAKE_TOOLCHAIN_FILE="$qt_prefix/toolchain.cmake" -DCMAKE_INSTALL_PREFIX="$qt_prefix" \
        >>"$work/build.log" 2>&1 || qt_build_failed "configuring Qt"
    cmake --build "$work/build" --parallel "$(nproc)" >>"$work/build.log" 2>&1 ||
        qt_build_failed "building Qt"
    cmake --install "$work/build" >>"$work/build.log" 2>&1 || qt_build_failed "installing Qt"

    # What the program's package must ship beside Qt's DLLs: the license texts, and the name of
    # the source they apply to.
    local licenses=$qt_prefix/licenses/qt6-base
    mkdir -p "$licenses"
    cp -r "$source/LICENSES" "$source/debian/copyright" "$licenses/"
    echo "qt6-base $version" >"$licenses/source-package"

    touch "$qt_prefix/finished"
    rm -rf "$work"
    # Builds for other keys are of no more use.
    local other
    for other in "$qt_cache"/qt-*; do
        [ "$other" = "$qt_prefix" ] || rm -rf "$other"
    done
    echo "Built Qt for Windows in $(duration $((SECONDS - started)))"
}

qt_build_failed() {
    tail -n 30 "$qt_prefix.build/build.log" >&2
    echo "Qt for Windows failed while $1; the whole log is $qt_prefix.build/build.log." >&2
    exit 1
}
