#!/usr/bin/env bash
# Runs a command in a desktop session of its own, as the checks in windows need: a virtual X
# server with a window manager, a home and a session bus, all ended with it.
# Usage: desktop.sh COMMAND [ARGUMENTS...]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=$(mktemp -d)
source "$here/../e2e/xserver.sh"
source "$here/../e2e/session.sh"
trap 'cleanup; rm -rf "$home" "$out"' EXIT
"$@"
