#!/usr/bin/env bash
# Reads the real program as a screen reader does, on an AT-SPI bus of its own
# (screenreader.py): in a virtual X server, using it with the keyboard alone; or, when run on a
# Wayland compositor (tests/wayland/run.sh), through AT-SPI's actions, as a headless compositor
# has no keyboard to type on.
# Usage: screenreader.sh BOOKKEEPING_BINARY
set -euo pipefail

here=$(dirname "${BASH_SOURCE[0]}")
reader=(dbus-run-session -- /usr/bin/python3 "$here/screenreader.py" "$1")
if [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "${reader[@]}"
fi
source "$here/xserver.sh"
"${reader[@]}" --keys
