#!/usr/bin/env bash
# Checks the folder a Windows user gets, from the zip or the installer: exactly the program, the
# Qt and MinGW-w64 runtime DLLs and plugins it loads, its documents and the license texts; every
# DLL that any of them imports is in the folder or is one of Windows' own; the program is a GUI
# program (no console window) that names itself 记账软件 with the changelog's version in its
# version resource, and carries the program's icon in the sizes Windows shows.
# Usage: check-windows.sh FOLDER, or check-windows.sh BUILD_FOLDER to check what it installs.
set -euo pipefail

folder=$1
project=$(cd "$(dirname "$0")/../.." && pwd)

fail() { echo "FAIL: $*" >&2; exit 1; }

if [ -f "$folder/CMakeCache.txt" ]; then
    prefix=$(mktemp -d)
    trap 'rm -rf "$prefix"' EXIT
    cmake --install "$folder" --prefix "$prefix" >/dev/null
    folder=$prefix
    # Not stripped yet: Qt's entry point, WinMain, is what calls the program's main, which Qt's
    # headers rename qMain.
    symbols=$(x86_64-w64-mingw32-nm "$folder/bookkeeping.exe")
    grep -q ' T WinMain$' <<<"$symbols" && grep -q ' T _Z5qMainiPPc$' <<<"$symbols" ||
        fail "bookkeeping.exe does not start through Qt's entry point"
fi

expected="Qt6Core.dll
Qt6Gui.dll
Qt6Widgets.dll
README.txt
bookkeeping.exe
changelog.txt
libgcc_s_seh-1.dll
libstdc++-6.dll
libwinpthread-1.dll
platforms/qwindows.dll
styles/qmodernwindowsstyle.dll"
found=$(cd "$folder" && find . -path ./licenses -prune -o -type f -printf '%P\n' | sort)
[ "$found" = "$expected" ] ||
    fail "other files than expected:"$'\n'"$(diff <(echo "$expected") - <<<"$found")"
for license in README.txt qt6-base/LICENSES/LGPL-3.0-only.txt qt6-base/LICENSES/GPL-3.0-only.txt \
    qt6-base/copyright qt6-base/source-package; do
    [ -s "$folder/licenses/$license" ] || fail "licenses/$license is missing"
done
for package in gcc-mingw-w64-x86-64-posix-runtime mingw-w64-x86-64-dev; do
    [ -s "$folder/licenses/$package/copyright" ] || fail "the notice of $package is missing"
done

# The DLLs each binary imports, by name; Windows matches them without regard to case.
imports() {
    x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\tDLL Name: //p' | tr '[:upper:]' '[:lower:]'
}
shipped=$(cd "$folder" && ls -- *.dll | tr '[:upper:]' '[:lower:]')
windows=$(grep -v '^#' "$project/packaging/windows/system-dlls")
missing=()
while read -r binary; do
    for dll in $(imports "$folder/$binary"); do
        grep -qxF "$dll" <<<"$shipped"$'\n'"$windows" || missing+=("$binary needs $dll")
    done
done <<<"$(grep -E '\.(exe|dll)$' <<<"$expected")"
[ ${#missing[@]} -eq 0 ] || fail "DLLs that are neither in the folder nor Windows' own:
$(printf '  %s\n' "${missing[@]}")"

headers=$(x86_64-w64-mingw32-objdump -p "$folder/bookkeeping.exe")
grep -q '^Subsystem.*(Windows GUI)' <<<"$headers" || fail "bookkeeping.exe is not a GUI program"
version=$(sed -n '1s/^bookkeeping (\([^)]*\)).*/\1/p' "$project/packaging/changelog")
resources=$(x86_64-w64-mingw32-windres --input-format=coff -i "$folder/bookkeeping.exe" -O rc)
for value in '"ProductName", L"\x8bb0\x8d26\x8f6f\x4ef6"' "\"ProductVersion\", \"$version\"" \
    '"FileDescription", L"\x8bb0\x8d26\x8f6f\x4ef6"' "\"FileVersion\", \"$version\""; do
    grep -qF "VALUE $value" <<<"$resources" || fail "the version resource lacks $value"
done
"$project/tests/install/icon-sizes.sh" "$folder/bookkeeping.exe" IDI_ICON1
echo "PASS: the folder holds what the program loads, and Windows has the rest"
