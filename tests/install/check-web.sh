#!/usr/bin/env bash
# Checks the folder a web server serves: exactly the page with its loader and styles, Qt's loader,
# the program in its two parts, the second small enough for a browser to compile at once, the font
# in its three parts, the compressed copies of the large files, the icons,
# the app manifest and the service worker, the documents and the license texts, each readable by
# a web server that runs as another user; a page titled 记账软件 that fetches nothing from
# another site, whose Content-Security-Policy comes before any script and allows no script in
# the page itself; compressed copies that are the files they stand for; a manifest that names
# the icons there; a service worker that keeps every file of the folder but the compressed
# copies; and a program that is WebAssembly.
# Usage: check-web.sh FOLDER
set -euo pipefail

folder=$1
fail() { echo "FAIL: $*" >&2; exit 1; }

compressed="bookkeeping.deferred.wasm
bookkeeping.js
bookkeeping.wasm
fonts/wqy-microhei-everyday.ttf
fonts/wqy-microhei-rest.ttf
fonts/wqy-microhei.ttf
qtloader.js"
expected="README.txt
bookkeeping.deferred.wasm
bookkeeping.deferred.wasm.br
bookkeeping.deferred.wasm.gz
bookkeeping.js
bookkeeping.js.br
bookkeeping.js.gz
bookkeeping.wasm
bookkeeping.wasm.br
bookkeeping.wasm.gz
changelog
fonts/wqy-microhei-everyday.ttf
fonts/wqy-microhei-everyday.ttf.br
fonts/wqy-microhei-everyday.ttf.gz
fonts/wqy-microhei-rest.ttf
fonts/wqy-microhei-rest.ttf.br
fonts/wqy-microhei-rest.ttf.gz
fonts/wqy-microhei.ttf
fonts/wqy-microhei.ttf.br
fonts/wqy-microhei.ttf.gz
icons/icon-180.png
icons/icon-192.png
icons/icon-32.png
icons/icon-512.png
icons/icon-maskable-512.png
index.html
licenses/README.txt
loader.js
manifest.webmanifest
page.css
qtloader.js
qtloader.js.br
qtloader.js.gz
sw.js
title-bars.css"
found=$(cd "$folder" && find . -path './licenses/*/*' -prune -o -type f -printf '%P\n' | sort)
[ "$found" = "$expected" ] ||
    fail "other files than expected:"$'\n'"$(diff <(echo "$expected") - <<<"$found")"
for license in qt6-base/LICENSES/GPL-3.0-only.txt qt6-base/LICENSES/LGPL-3.0-only.txt \
    qt6-base/copyright qt6-base/source-package qt6-base/qt-fonts.patch \
    qt6-base/qt-accessibility.patch qt6-base/qt-input-element.patch \
    qt6-base/qt-style-images.patch \
    fonts-wqy-microhei/copyright emscripten/copyright; do
    [ -s "$folder/licenses/$license" ] || fail "licenses/$license is missing"
done

unreadable=$(cd "$folder" &&
    find . \( -type d ! -perm -o+rx -o ! -type d ! -perm -o+r \) -printf '%P\n')
[ -z "$unreadable" ] || fail "not readable by a web server that runs as another user: $unreadable"

page=$folder/index.html
grep -q '<title>记账软件</title>' "$page" || fail "the page is not titled 记账软件"
# The policy stands before the first script; every script is a file; no element handles an event
# with a script of its own.
policy=$(grep -n 'http-equiv="Content-Security-Policy"' "$page" | cut -d: -f1)
first_script=$(grep -n '<script' "$page" | head -n 1 | cut -d: -f1)
[ -n "$policy" ] && [ "$policy" -lt "${first_script:-999999}" ] ||
    fail "the page's Content-Security-Policy does not come before its first script"
! grep -E '<script( [^>]*)?>[^<]|<script>' "$page" || fail "the page holds a script of its own"
! grep -Ei '<[^>]* on[a-z]+=' "$page" || fail "an element of the page handles an event itself"
for file in $compressed; do
    cmp -s <(brotli --decompress --stdout "$folder/$file.br") "$folder/$file" ||
        fail "$file.br is not $file compressed"
    cmp -s <(gzip --decompress --stdout "$folder/$file.gz") "$folder/$file" ||
        fail "$file.gz is not $file compressed"
done
# What the page fetches is checked in the browser; here, that it names no other site.
! grep -Ei '(src|href)=["'"'"']?(https?:)?//|https?://' "$page" ||
    fail "the page names another site"
for icon in $(python3 -c 'import json, sys
for icon in json.load(open(sys.argv[1]))["icons"]: print(icon["src"], icon["sizes"])' \
    "$folder/manifest.webmanifest" | tr ' ' :); do
    file=${icon%%:*}
    size=${icon#*:}
    [ "$(od -An -tu4 --endian=big -j16 -N8 "$folder/$file" | tr -s ' ')" = " ${size/x/ }" ] ||
        fail "the manifest's icon $file is not $size"
done
# Every file of the folder but the service worker itself and the compressed copies.
kept=$(sed -n 's/^  "\(.*\)",$/\1/p' "$folder/sw.js" | grep -vx '\./' | sort)
[ "$kept" = "$(cd "$folder" && find . -type f ! -name sw.js ! -name '*.br' ! -name '*.gz' \
    -printf '%P\n' | sort)" ] ||
    fail "the service worker does not keep exactly the folder's files but the compressed copies"
for part in bookkeeping.wasm bookkeeping.deferred.wasm; do
    [ "$(head -c 4 "$folder/$part" | od -An -tx1 | tr -d ' ')" = 0061736d ] ||
        fail "$part is not WebAssembly"
done
# A function of the second part called before it has come has the page compile it at once, on
# the main thread, which Chromium allows for a module of up to 8 MB.
[ "$(stat -c %s "$folder/bookkeeping.deferred.wasm")" -le 8388608 ] ||
    fail "the program's second part is over 8 MB, which Chromium does not compile at once"
echo "PASS: the web folder holds the page with its policy, the loaders, the program's two parts," \
    "the font's three, the compressed copies, the icons, the manifest, the service worker and" \
    "the licenses"
