#!/usr/bin/env bash
# Starts the real program as a Wayland client and checks, from the requests it sends
# (WAYLAND_DEBUG=client), that it maps one toplevel window titled 记账软件, that it writes
# nothing besides, no warning, and that it ends when asked to with SIGTERM, as a session asks its
# programs at logout. Keeps a screenshot of the compositor's output. Runs under run.sh:
# Usage: run.sh window.sh BOOKKEEPING_BINARY OUTPUT_FOLDER
set -euo pipefail

binary=$1
out=$2
mkdir -p "$out"
trace=$out/wayland-trace.log
rm -f "$out"/wayland*

fail() {
    echo "FAIL: $*" >&2
    echo "The program's output is in $trace." >&2
    exit 1
}

# The requests the program sent, without the trace's time stamps and queue names, with objects
# written as interface#id (older libwayland writes interface@id).
requests() {
    sed -n 's/^\[[0-9. ]*\] \({[^}]*} \)\? *-> //p' "$trace" |
        sed 's/\([a-z_0-9]\)@\([0-9]\)/\1#\2/g'
}

# Whether a toplevel is mapped: its surface has had a buffer attached and committed since it
# acknowledged its first configure event.
mapped() {
    requests | awk '
        /^xdg_wm_base#[0-9]+\.get_xdg_surface\(/ {
            match($0, /wl_surface#[0-9]+/)
            surface = substr($0, RSTART, RLENGTH)
        }
        /^xdg_surface#[0-9]+\.ack_configure\(/ { configured = 1 }
        configured && surface != "" && index($0, surface ".attach(wl_buffer#") == 1 { attached = 1 }
        attached && $0 == surface ".commit()" { found = 1 }
        END { exit !found }'
}

WAYLAND_DEBUG=client "$binary" 2>"$trace" &
app=$!
for _ in $(seq 200); do
    mapped && break
    kill -0 "$app" 2>/dev/null || fail "the program ended before it mapped a window"
    sleep 0.1
done
mapped || fail "the program mapped no window"
requests | grep -q '^wl_display#1\.get_registry(' || fail "the program did not ask for the registry"

toplevels=$(requests | grep -c '\.get_toplevel(' || true)
[ "$toplevels" -eq 1 ] || fail "the program made $toplevels toplevel windows, not one"
requests | grep -qx 'xdg_toplevel#[0-9]*\.set_title("记账软件")' ||
    fail "the toplevel is not titled 记账软件"

# Let the first frame reach the compositor's output before taking its picture.
sleep 1
(cd "$out" && weston-screenshooter >/dev/null 2>&1) || fail "weston-screenshooter failed"
mv "$out"/wayland-screenshot-*.png "$out/wayland.png"

kill -TERM "$app"
status=0
wait "$app" || status=$?
[ "$status" -eq 143 ] || fail "the program ended with status $status on SIGTERM, not by the signal"

others=$(grep -v '^\[[0-9. ]*\] ' "$trace" || true)
[ -z "$others" ] || fail "the program wrote more than its protocol trace:"$'\n'"$others"
echo "PASS: one toplevel titled 记账软件 mapped, nothing written, ended on SIGTERM;" \
    "screenshot in $out/wayland.png"
