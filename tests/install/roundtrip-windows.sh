#!/usr/bin/env bash
# What a Windows user does with the zip and the installer, under Wine: unpacks the zip and runs
# the program from its folder, with nothing else to find DLLs in; then, in a fresh Wine prefix,
# installs silently, runs the installed program and uninstalls silently, which must leave no
# file, no shortcut and no registry key behind. The installer, the uninstaller, the shortcut and
# the entry in Apps & features show the program's icon.
# Usage: roundtrip-windows.sh ZIP INSTALLER OUTPUT_FOLDER
# Runs the project's end-to-end test, tests/e2e/window.sh, with Wine through
# packaging/windows/wine-run; the screenshots go to OUTPUT_FOLDER/zip and OUTPUT_FOLDER/installed.
set -euo pipefail

zip=$1
installer=$2
out=$3
here=$(cd "$(dirname "$0")" && pwd)
window=$here/../e2e/window.sh
wine=$here/../../packaging/windows/wine-run

fail() { echo "FAIL: $*" >&2; exit 1; }

work=$(mktemp -d)
trap 'WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT

# new_prefix NAME: a Wine prefix of its own, made before anything is timed in it.
new_prefix() {
    export WINEPREFIX=$work/$1
    "$wine" wineboot --init
}

echo "== The program from the unpacked zip"
unzip -q "$zip" -d "$work/zip"
new_prefix zip-prefix
RUN_UNDER=$wine "$window" "$work/zip/$(basename "$zip" .zip)/bookkeeping.exe" "$out/zip"

echo "== The installer's round trip"
new_prefix prefix
# What Wine's own prefix holds, to compare with what the uninstaller leaves.
files() { (cd "$WINEPREFIX/drive_c" && find . | sort); }
files >"$work/before"

"$here/icon-sizes.sh" "$installer" 103
"$wine" "$installer" /S
folder="$WINEPREFIX/drive_c/Program Files/Bookkeeping"
[ -f "$folder/bookkeeping.exe" ] || fail "the installer put no bookkeeping.exe in $folder"
"$here/icon-sizes.sh" "$folder/Uninstall.exe" 103
shortcut=$(find "$WINEPREFIX/drive_c" -name '记账软件.lnk')
[ -n "$shortcut" ] || fail "the installer made no Start-menu shortcut named 记账软件"
# The shortcut starts the program, and so shows its icon; a shortcut keeps its target's name in
# UTF-16 or in bytes.
tr -d '\0' <"$shortcut" | grep -qai 'bookkeeping\.exe' ||
    fail "the Start-menu shortcut does not start bookkeeping.exe"
# Apps & features lists the uninstall key's entry. Wine keeps the registry in text files, with
# other characters than ASCII written as \x escapes.
version=$(basename "$zip" | sed -n 's/^bookkeeping-\(.*\)-windows-x64\.zip$/\1/p')
entry=$(grep -A 20 -F '[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Bookkeeping]' \
    "$WINEPREFIX/system.reg" | sed '/^$/q')
grep -qxF '"DisplayName"="\x8bb0\x8d26\x8f6f\x4ef6"' <<<"$entry" &&
    grep -qxF "\"DisplayVersion\"=\"$version\"" <<<"$entry" &&
    grep '^"DisplayIcon"=' <<<"$entry" |
    grep -qF '"C:\\Program Files\\Bookkeeping\\bookkeeping.exe"' ||
    fail "Apps & features has no entry 记账软件 $version with the program's icon:"$'\n'"$entry"

RUN_UNDER=$wine "$window" "$folder/bookkeeping.exe" "$out/installed"

# The uninstaller runs a copy of itself and returns at once; wine-run waits for that too. The copy
# is in a folder of its own in the user's Temp folder, which it leaves for Windows to delete when
# it next restarts: Wine's Windows is restarted as Windows would be.
"$wine" "$folder/Uninstall.exe" /S
"$wine" wineboot --restart
grep -ai -B3 'bookkeeping' "$WINEPREFIX"/*.reg && fail "the registry still names the program"
files >"$work/after"
# NSIS asks for that folder to be deleted before the copy in it, so the folder stays, empty, as
# it does on Windows; anything in it would still show.
left=$(comm -13 "$work/before" "$work/after" |
    grep -v '^\./users/[^/]*/AppData/Local/Temp/~nsu[^/]*\.tmp$' || true)
[ -z "$left" ] || fail "left after uninstalling:"$'\n'"$left"
echo "PASS: the zip's program ran; installed, ran and uninstalled without a trace"
