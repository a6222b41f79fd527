#!/usr/bin/env bash
# Starts the real program in a virtual X server, adds the entries of ENTRIES with the mouse and
# the keyboard as window.sh does, and keeps a picture of the window.
# Usage: examples.sh BOOKKEEPING_BINARY ENTRIES PICTURE
# ENTRIES has one entry a line: the description, a tab, the amount. RUN_UNDER, when set, is a
# command the program is started under, such as Wine.
set -euo pipefail

binary=$1
entries=$2
picture=$3

source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"

window_named() { xdotool search --onlyvisible --name "^$1\$" | head -n 1; }
has_window() { [ -n "$(window_named "$1")" ]; }
click() {
    xdotool mousemove --window "$window" "$1" "$2" click 1
    sleep 0.2
}
type_text() {
    xdotool type --delay 100 "$1"
    sleep 0.5
}
# The descriptions are pasted: xdotool types a character the keyboard map lacks through a key it
# remaps for it, and Wine reads what such a key means only once.
paste_text() {
    printf %s "$1" | xclip -selection clipboard
    xdotool key ctrl+v
    sleep 0.5
}

# shellcheck disable=SC2086 # RUN_UNDER is a command with its arguments
${RUN_UNDER:-} "$binary" &
pids+=($!)
wait_for 60 has_window "记账软件" || fail "no window titled 记账软件 appeared"
window=$(window_named "记账软件")
geometry=$(xwininfo -id "$window")
width=$(awk '/Width:/ { print $2 }' <<<"$geometry")
height=$(awk '/Height:/ { print $2 }' <<<"$geometry")
xdotool windowactivate --sync "$window"

while IFS=$'\t' read -r description amount; do
    click $((width / 2)) 20
    xdotool key ctrl+a BackSpace
    paste_text "$description"
    click $((width * 3 / 4)) 48
    xdotool key ctrl+a
    type_text "$amount"
    click $((width / 4)) $((height - 20))
done <"$entries"
# Off the buttons, and a moment for the last paint.
xdotool mousemove --window "$window" 0 0
sleep 1
import -window "$window" "$picture"
