#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what lands there: exactly the program, its
# desktop entry, manual page and documents. The Debian package is made from the same rules.
# Usage: check.sh BUILD_FOLDER
set -euo pipefail

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
expected="bin/bookkeeping
share/applications/bookkeeping.desktop
share/doc/bookkeeping/README.md.gz
share/doc/bookkeeping/changelog.gz
share/man/man1/bookkeeping.1.gz"
installed=$(cd "$prefix" && find . -type f -printf '%P\n' | sort)
[ "$installed" = "$expected" ] ||
    fail "other files installed than expected:"$'\n'"$(diff <(echo "$expected") - <<<"$installed")"

[ -x "$prefix/bin/bookkeeping" ] || fail "bin/bookkeeping is not executable"
desktop=$prefix/share/applications/bookkeeping.desktop
grep -qx 'Name=记账软件' "$desktop" || fail "the desktop entry is not named 记账软件"
grep -qx 'Exec=bookkeeping' "$desktop" || fail "the desktop entry does not start bookkeeping"
grep -q '^Icon=' "$desktop" && fail "the desktop entry names an icon"
zcat "$prefix/share/man/man1/bookkeeping.1.gz" | grep -q '^\.TH BOOKKEEPING 1 ' ||
    fail "the manual page is not bookkeeping(1)"
source=$(cd "$(dirname "$0")/../.." && pwd)
zcmp "$prefix/share/doc/bookkeeping/README.md.gz" "$source/README.md" ||
    fail "the installed README is not README.md"
zcmp "$prefix/share/doc/bookkeeping/changelog.gz" "$source/packaging/changelog" ||
    fail "the installed changelog is not packaging/changelog"
echo "PASS: installed the program, its desktop entry, manual page, README and changelog"
