#!/usr/bin/env bash
# Types Chinese into the real program through a real pinyin input method, fcitx5 or IBus, as
# ime.py does: in a virtual X server with a window manager, or on Wayland, in a weston that runs
# in that X server and so has a keyboard, which a headless compositor has not. The input method,
# the AT-SPI bus and the program share a session bus and a home of their own.
# Usage: ime.sh fcitx5|ibus x11|wayland BOOKKEEPING_BINARY OUTPUT_FOLDER
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
method=$1 display=$2 binary=$3 out=$4
mkdir -p "$out"
rm -f "$out"/*.log "$out"/*.png

source "$here/xserver.sh"
source "$here/session.sh"

if [ "$display" = wayland ]; then
    socket=wayland-ime
    weston --backend=x11-backend.so --width=1024 --height=768 --socket="$socket" \
        --idle-time=0 --no-config >"$out/weston.log" 2>&1 &
    pids+=($!)
    wait_for 20 test -S "$XDG_RUNTIME_DIR/$socket" ||
        fail "weston did not start: $(tail -n 20 "$out/weston.log")"
    # Its keyboard is the X server's: its window has the X focus.
    wait_for 10 xdotool search --class weston || fail "weston's window did not appear"
    xdotool windowactivate --sync "$(xdotool search --class weston | head -n 1)"
    export QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=$socket
fi

/usr/bin/python3 "$here/ime.py" "$method" "$out" "$binary" ||
    fail "$method on $display; the logs are in $out"
