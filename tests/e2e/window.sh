#!/usr/bin/env bash
# Starts the real program in a virtual X server with a window manager, checks its window, uses
# its add and delete buttons through xdotool, closes it and checks that it exits with status 0.
# Usage: window.sh BOOKKEEPING_BINARY OUTPUT_FOLDER
# RUN_UNDER, when set, is a command the program is started under, such as valgrind.
set -euo pipefail

binary=$1
out=$2
mkdir -p "$out"
rm -f "$out"/*.png

source "$(dirname "${BASH_SOURCE[0]}")/xserver.sh"

window_named() { xdotool search --onlyvisible --name "^$1\$" | head -n 1; }
has_window() { [ -n "$(window_named "$1")" ]; }
no_window() { ! has_window "$1"; }

# dismiss TITLE: closes the message box titled TITLE with its OK button, from the keyboard.
dismiss() {
    xdotool windowactivate --sync "$(window_named "$1")" key Return
    wait_for 10 no_window "$1" || fail "the box $1 did not close"
    xdotool windowactivate --sync "$window"
}

# click X Y: a left click at a point of the main window, given time to move the focus.
click() {
    xdotool mousemove --window "$window" "$1" "$2" click 1
    sleep "$(awk "BEGIN { print 0.2 * ${BOOKKEEPING_SLOWDOWN:-1} }")"
}

# A digest of the list's pixels, to tell whether the list shows something new.
list_pixels() {
    import -window "$window" -crop "$((width - 30))x$((height - 170))+15+98" +repage rgb:- | md5sum
}
list_is() { [ "$(list_pixels)" = "$1" ]; }
list_is_not() { ! list_is "$1"; }

# shellcheck disable=SC2086 # RUN_UNDER is a command with its arguments
${RUN_UNDER:-} "$binary" &
app=$!
# A first start builds the font cache, slowly on a busy machine.
wait_for 60 has_window "记账软件" || fail "no window titled 记账软件 appeared"
window=$(window_named "记账软件")

[ "$(xdotool getwindowname "$window")" = "记账软件" ] || fail "wrong window title"
# What the window says it belongs to, which a desktop matches with a desktop entry.
xprop -id "$window" WM_CLASS >"$out/wm-class"
geometry=$(xwininfo -id "$window")
width=$(awk '/Width:/ { print $2 }' <<<"$geometry")
height=$(awk '/Height:/ { print $2 }' <<<"$geometry")
[ "$width" = 800 ] && [ "$height" = 600 ] || fail "window is ${width}x$height, not 800x600"

xdotool windowactivate --sync "$window"

# The add and delete buttons share the bottom row, add on the left.
add_x=$((width / 4))
clear_x=$((width * 3 / 4))
buttons_y=$((height - 20))

# Adding with an empty description warns: this proves the click reaches the add button.
click "$add_x" "$buttons_y"
wait_for 10 has_window "输入错误" || fail "adding an empty description did not warn"
dismiss "输入错误"
# The window has surely been painted by now.
empty_list=$(list_pixels)

click $((width / 2)) 20
xdotool type --delay 30 "e2e lunch"
click $((width * 3 / 4)) 48
xdotool key ctrl+a
xdotool type --delay 30 "12.50"
click "$add_x" "$buttons_y"
wait_for 10 list_is_not "$empty_list" || fail "the list did not change after adding"
has_window "输入错误" && fail "adding a description warned"
import -window root "$out/added.png"

# Delete the entry through its row and the delete button; a second delete warns.
added_list=$(list_pixels)
click $((width / 2)) 104
wait_for 10 list_is_not "$added_list" || fail "picking the row did not highlight it"
click "$clear_x" "$buttons_y"
wait_for 10 list_is "$empty_list" || fail "the list was not empty after deleting"
click "$clear_x" "$buttons_y"
wait_for 10 has_window "删除错误" || fail "deleting with no current row did not warn"
dismiss "删除错误"

wmctrl -i -c "$window"
wait_for 20 bash -c "! kill -0 $app" || fail "the program did not end after its window closed"
status=0
wait "$app" || status=$?
[ "$status" -eq 0 ] || fail "the program exited with status $status"
echo "PASS: window checked, entry added and deleted, exit status 0; screenshot in $out/added.png"
