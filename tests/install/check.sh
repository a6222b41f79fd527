#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what lands there: exactly the program, its
# desktop entry and icon, its AppStream metadata, manual page and documents. The Debian package is
# made from the same rules.
# Usage: check.sh BUILD_FOLDER
set -euo pipefail

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
sizes="16 22 24 32 48 64 128 256"
expected=$( (
    printf '%s\n' bin/bookkeeping share/applications/bookkeeping.desktop \
        share/doc/bookkeeping/README.md.gz share/doc/bookkeeping/changelog.gz \
        share/icons/hicolor/scalable/apps/bookkeeping.svg share/man/man1/bookkeeping.1.gz \
        share/metainfo/com.example.bookkeeping.metainfo.xml
    for size in $sizes; do echo "share/icons/hicolor/${size}x$size/apps/bookkeeping.png"; done
) | sort)
installed=$(cd "$prefix" && find . -type f -printf '%P\n' | sort)
[ "$installed" = "$expected" ] ||
    fail "other files installed than expected:"$'\n'"$(diff <(echo "$expected") - <<<"$installed")"

[ -x "$prefix/bin/bookkeeping" ] || fail "bin/bookkeeping is not executable"
desktop=$prefix/share/applications/bookkeeping.desktop
grep -qx 'Name=记账软件' "$desktop" || fail "the desktop entry is not named 记账软件"
grep -qx 'Exec=bookkeeping' "$desktop" || fail "the desktop entry does not start bookkeeping"
grep -qx 'Icon=bookkeeping' "$desktop" || fail "the desktop entry does not name the icon"
for size in $sizes; do
    # A PNG's width and height, big-endian, follow its signature and the header's length and type.
    png=$prefix/share/icons/hicolor/${size}x$size/apps/bookkeeping.png
    [ "$(head -c 8 "$png" | od -An -c | tr -d ' ')" = '211PNG\r\n032\n' ] &&
        [ "$(od -An -tu4 --endian=big -j16 -N8 "$png" | tr -s ' ')" = " $size $size" ] ||
        fail "the ${size}x$size icon is not a PNG of that size"
done
metainfo=$prefix/share/metainfo/com.example.bookkeeping.metainfo.xml
version=$(sed -n '1s/^bookkeeping (\([^)]*\)).*/\1/p' "$(dirname "$0")/../../packaging/changelog")
for element in '<id>com.example.bookkeeping</id>' \
    '<launchable type="desktop-id">bookkeeping.desktop</launchable>' \
    "<release version=\"$version\" "; do
    grep -qF "$element" "$metainfo" || fail "the AppStream metadata lacks $element"
done
zcat "$prefix/share/man/man1/bookkeeping.1.gz" | grep -q '^\.TH BOOKKEEPING 1 ' ||
    fail "the manual page is not bookkeeping(1)"
source=$(cd "$(dirname "$0")/../.." && pwd)
zcmp "$prefix/share/doc/bookkeeping/README.md.gz" "$source/README.md" ||
    fail "the installed README is not README.md"
zcmp "$prefix/share/doc/bookkeeping/changelog.gz" "$source/packaging/changelog" ||
    fail "the installed changelog is not packaging/changelog"
echo "PASS: installed the program, its desktop entry, icon, AppStream metadata, manual page, README"\
    "and changelog"
