#!/usr/bin/env bash
# Checks that a Windows program carries the program's icon in its resources, in the sizes Windows
# shows: 16, 24, 32, 48, 64 and 256 pixels square.
# Usage: icon-sizes.sh PROGRAM.exe RESOURCE_NAME
set -euo pipefail

program=$1
name=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

# Named resources are listed with their name quoted.
wrestool --list "$program" | grep -qE -- "--type=14 --name='?$name'? " ||
    fail "$(basename "$program") has no icon named $name:"$'\n'"$(wrestool --list "$program")"
icon=$(mktemp)
trap 'rm -f "$icon"' EXIT
wrestool --extract --type=14 --name="$name" "$program" >"$icon"
sizes=$(icotool --list "$icon" | sed -n 's/.*--width=\([0-9]*\) --height=\1 .*/\1/p' |
    sort -n | paste -sd ' ')
[ "$sizes" = "16 24 32 48 64 256" ] ||
    fail "the icon $name of $(basename "$program") has the sizes '$sizes'"
echo "$(basename "$program"): icon $name in the sizes $sizes"
