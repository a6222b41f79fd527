#!/usr/bin/env bash
# Runs a command as a client of a headless Wayland compositor of its own (weston), on Qt's
# Wayland platform, and stops the compositor when the command ends, however it ends.
# Usage: run.sh COMMAND [ARGUMENTS...]
# Exits with the command's status. The compositor's log is shown when the command fails.
set -euo pipefail

# A private runtime folder (mktemp makes it 0700, as Wayland wants) and socket, so that runs side
# by side and a desktop session's compositor never meet.
runtime=$(mktemp -d)
compositor=
cleanup() {
    [ -z "$compositor" ] || kill "$compositor" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$runtime"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

export XDG_RUNTIME_DIR=$runtime
socket=wayland-bookkeeping
# The compositor dies with this script, even when the script is killed outright. It draws with
# the CPU renderer and takes screenshots (--debug), for weston-screenshooter.
setpriv --pdeathsig KILL weston --backend=headless-backend.so --width=1024 --height=768 \
    --use-pixman --debug --socket="$socket" --idle-time=0 --no-config >"$runtime/weston.log" 2>&1 &
compositor=$!
for _ in $(seq 100); do
    [ -S "$runtime/$socket" ] && break
    kill -0 "$compositor" 2>/dev/null || break
    sleep 0.1
done
if [ ! -S "$runtime/$socket" ]; then
    cat "$runtime/weston.log" >&2 2>/dev/null || true
    echo "FAIL: weston did not start" >&2
    exit 1
fi

status=0
QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY=$socket "$@" || status=$?
[ "$status" -eq 0 ] || { echo "weston's log:" >&2; cat "$runtime/weston.log" >&2; }
exit "$status"
