#!/usr/bin/python3
"""Records which functions of the web program the journeys call, and writes them as the list of
the functions that the program's first part holds: those that the start, the drawing and the
everyday use of the window call, in each engine, on a phone, through an input method's
composition and in the screen reader's mode.

FOLDER is a web folder whose program was linked to record the functions it calls
(BOOKKEEPING_WEB_RECORDING), and LINKED the program as linked, with the names of its functions,
bookkeeping.wasm.orig. Each journey runs RUNS times, since a start does not call the same
functions every time; after each, the page writes what its program called, and wasm-split
merges the records and names the functions. Run it in a desktop session with fcitx5
(desktop.sh), for the journeys through a real input method.

Usage: first-part.py FOLDER LINKED LIST [RUNS]
"""
import base64
import os
import subprocess
import sys
import tempfile

import engines
import journey
import screenreader

# What the program has called, from wasm-split's instrumentation, written into memory that the
# program does not use, as base64.
CALLED = """(() => {
    const exports = secondPart.imports;
    const memory = Object.values(exports).find((value) => value instanceof WebAssembly.Memory);
    const length = exports.__write_profile(0, 0);
    const at = memory.grow(Math.ceil(length / 65536)) * 65536;
    exports.__write_profile(at, length);
    const bytes = new Uint8Array(memory.buffer, at, length);
    let text = "";
    for (let i = 0; i < bytes.length; i += 8192)
        text += String.fromCharCode(...bytes.subarray(i, i + 8192));
    return btoa(text);
})()"""


def main(folder, linked, listed, runs=3):
    records = tempfile.mkdtemp()
    out = tempfile.mkdtemp()

    def record(browser):
        path = os.path.join(records, "%03d" % len(os.listdir(records)))
        with open(path, "wb") as called:
            called.write(base64.b64decode(browser.evaluate(CALLED)))

    journey.AFTER.append(record)
    checks = ["chromium", "phone", "small-phone", "firefox", "webkit"]
    if os.environ.get("DISPLAY"):
        checks.append("input-method")
    for _ in range(int(runs)):
        for check in checks:
            journey.CHECKS[check](folder, out)
        screenreader.check(folder, os.path.join(out, "screen-reader"))
    merged = os.path.join(records, "merged")
    subprocess.run(["wasm-split", "--merge-profiles", "-o", merged] +
                   sorted(os.path.join(records, name) for name in os.listdir(records)),
                   check=True)
    printed = subprocess.run(["wasm-split", "--print-profile=" + merged, linked],
                             capture_output=True, text=True, check=True).stdout
    called = sorted(line[2:] for line in printed.splitlines() if line.startswith("+ "))
    with open(listed, "w") as names:
        names.write("".join(name + "\n" for name in called))
    print("%d functions called in %d journeys, written to %s" %
          (len(called), len(os.listdir(records)) - 1, listed))


if __name__ == "__main__":
    if len(sys.argv) not in (4, 5):
        sys.exit(__doc__)
    journey.RECORDING = True
    try:
        main(*sys.argv[1:])
    except (journey.Failure, engines.EngineError) as failure:
        sys.exit("FAIL: %s" % failure)
