#!/usr/bin/env bash
# Checks the folder a web server serves: exactly the page, Qt's loader, the program, the font,
# the documents and the license texts; a page titled 记账软件 that fetches nothing from another
# site; and a program that is WebAssembly.
# Usage: check-web.sh FOLDER
set -euo pipefail

folder=$1
fail() { echo "FAIL: $*" >&2; exit 1; }

expected="README.txt
bookkeeping.js
bookkeeping.wasm
changelog
fonts/wqy-microhei.ttc
index.html
licenses/README.txt
qtloader.js"
found=$(cd "$folder" && find . -path './licenses/*/*' -prune -o -type f -printf '%P\n' | sort)
[ "$found" = "$expected" ] ||
    fail "other files than expected:"$'\n'"$(diff <(echo "$expected") - <<<"$found")"
for license in qt6-base/LICENSES/GPL-3.0-only.txt qt6-base/LICENSES/LGPL-3.0-only.txt \
    qt6-base/copyright qt6-base/source-package qt6-base/qt-fontdir.patch \
    fonts-wqy-microhei/copyright emscripten/copyright; do
    [ -s "$folder/licenses/$license" ] || fail "licenses/$license is missing"
done

grep -q '<title>记账软件</title>' "$folder/index.html" || fail "the page is not titled 记账软件"
# What the page fetches is checked in the browser; here, that it names no other site.
! grep -Ei '(src|href)=["'"'"']?(https?:)?//|https?://' "$folder/index.html" ||
    fail "the page names another site"
[ "$(head -c 4 "$folder/bookkeeping.wasm" | od -An -tx1 | tr -d ' ')" = 0061736d ] ||
    fail "bookkeeping.wasm is not WebAssembly"
echo "PASS: the web folder holds the page, the loader, the program, the font and the licenses"
