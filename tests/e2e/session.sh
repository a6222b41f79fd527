# Sourced, after xserver.sh, by the checks that need a desktop session of their own: a home, its
# XDG folders and a session bus, all removed with the script. Sets HOME, the XDG folders and
# DBUS_SESSION_BUS_ADDRESS; the bus's log goes to $out/dbus.log.
# shellcheck shell=bash

home=$(mktemp -d)
trap 'cleanup; rm -rf "$home"' EXIT
export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data
export XDG_CACHE_HOME=$home/cache XDG_RUNTIME_DIR=$home/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

dbus-daemon --session --nofork --print-address=3 3>"$home/bus" 2>"$out/dbus.log" &
pids+=($!)
wait_for 10 test -s "$home/bus" || fail "the session bus did not start"
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$home/bus")
export DBUS_SESSION_BUS_ADDRESS
