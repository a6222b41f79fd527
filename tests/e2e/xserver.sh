# Sourced by the tests of the real program: a virtual X server with a window manager, both ended
# with the script. Sets DISPLAY; defines fail, which keeps a picture of the screen in $out when
# out is set, and wait_for.
# shellcheck shell=bash

# xdotool compares window titles as text in the locale's encoding: the Chinese ones need UTF-8.
export LC_ALL=C.UTF-8

pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -z "${out:-}" ] || import -display "$DISPLAY" -window root "$out/failure.png" 2>/dev/null ||
        true
    exit 1
}

# wait_for SECONDS COMMAND...: runs COMMAND until it succeeds, for at most SECONDS, times
# BOOKKEEPING_SLOWDOWN when set: a program that runs under emulation is that much slower.
wait_for() {
    local deadline=$((SECONDS + $1 * ${BOOKKEEPING_SLOWDOWN:-1}))
    shift
    until "$@" >/dev/null 2>&1; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}

display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
pids+=($!)
wait_for 10 test -s "$display_file" || fail "Xvfb did not start"
export DISPLAY=":$(cat "$display_file")"
rm -f "$display_file"

openbox --sm-disable 2>/dev/null &
pids+=($!)
wait_for 10 wmctrl -m || fail "the window manager did not start"
