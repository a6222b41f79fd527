#!/usr/bin/env bash
# Fails if any file in the FOLDERs or FILEs holds the path of the clone the download was built
# in or of the machine's cache: the same commit must give the same bytes wherever it is built.
# Usage: machine-paths.sh CLONE CACHE FOLDER_OR_FILE...
set -euo pipefail

clone=$1 cache=$2
shift 2
holding=$(grep -rlaF -e "$clone" -e "$cache" -- "$@" || true)
if [ -n "$holding" ]; then
    echo "FAIL: these files hold the path of the clone ($clone) or of the machine's cache" \
        "($cache):" >&2
    echo "$holding" >&2
    exit 1
fi
echo "PASS: no file holds the path of the clone or of the machine's cache"
