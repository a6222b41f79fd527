#!/usr/bin/env bash
# Checks the folder a web server serves: exactly the page, Qt's loader, the program, the font,
# the icons, the app manifest and the service worker, the documents and the license texts; a page
# titled 记账软件 that fetches nothing from another site; a manifest that names the icons there;
# a service worker that keeps every file of the folder; and a program that is WebAssembly.
# Usage: check-web.sh FOLDER
set -euo pipefail

folder=$1
fail() { echo "FAIL: $*" >&2; exit 1; }

expected="README.txt
bookkeeping.js
bookkeeping.wasm
changelog
fonts/wqy-microhei.ttf
icons/icon-180.png
icons/icon-192.png
icons/icon-32.png
icons/icon-512.png
icons/icon-maskable-512.png
index.html
licenses/README.txt
manifest.webmanifest
qtloader.js
sw.js"
found=$(cd "$folder" && find . -path './licenses/*/*' -prune -o -type f -printf '%P\n' | sort)
[ "$found" = "$expected" ] ||
    fail "other files than expected:"$'\n'"$(diff <(echo "$expected") - <<<"$found")"
for license in qt6-base/LICENSES/GPL-3.0-only.txt qt6-base/LICENSES/LGPL-3.0-only.txt \
    qt6-base/copyright qt6-base/source-package qt6-base/qt-fontdir.patch \
    qt6-base/qt-accessibility.patch \
    fonts-wqy-microhei/copyright emscripten/copyright; do
    [ -s "$folder/licenses/$license" ] || fail "licenses/$license is missing"
done

grep -q '<title>记账软件</title>' "$folder/index.html" || fail "the page is not titled 记账软件"
# What the page fetches is checked in the browser; here, that it names no other site.
! grep -Ei '(src|href)=["'"'"']?(https?:)?//|https?://' "$folder/index.html" ||
    fail "the page names another site"
for icon in $(python3 -c 'import json, sys
for icon in json.load(open(sys.argv[1]))["icons"]: print(icon["src"], icon["sizes"])' \
    "$folder/manifest.webmanifest" | tr ' ' :); do
    file=${icon%%:*}
    size=${icon#*:}
    [ "$(od -An -tu4 --endian=big -j16 -N8 "$folder/$file" | tr -s ' ')" = " ${size/x/ }" ] ||
        fail "the manifest's icon $file is not $size"
done
# Every file of the folder but the service worker itself.
kept=$(sed -n 's/^  "\(.*\)",$/\1/p' "$folder/sw.js" | grep -vx '\./' | sort)
[ "$kept" = "$(cd "$folder" && find . -type f ! -name sw.js -printf '%P\n' | sort)" ] ||
    fail "the service worker does not keep exactly the folder's files"
[ "$(head -c 4 "$folder/bookkeeping.wasm" | od -An -tx1 | tr -d ' ')" = 0061736d ] ||
    fail "bookkeeping.wasm is not WebAssembly"
echo "PASS: the web folder holds the page, the loader, the program, the font, the icons, the" \
    "manifest, the service worker and the licenses"
