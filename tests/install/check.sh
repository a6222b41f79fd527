#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what lands there.
# Usage: check.sh BUILD_FOLDER
set -euo pipefail

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
[ -x "$prefix/bin/bookkeeping" ] || fail "bin/bookkeeping is missing or not executable"
desktop=$prefix/share/applications/bookkeeping.desktop
[ -f "$desktop" ] || fail "share/applications/bookkeeping.desktop is missing"
grep -qx 'Name=记账软件' "$desktop" || fail "the desktop entry is not named 记账软件"
grep -qx 'Exec=bookkeeping' "$desktop" || fail "the desktop entry does not start bookkeeping"
grep -q '^Icon=' "$desktop" && fail "the desktop entry names an icon"
echo "PASS: installed bin/bookkeeping and share/applications/bookkeeping.desktop"
