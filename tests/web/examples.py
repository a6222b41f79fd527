#!/usr/bin/python3
"""Opens the web folder, served on 127.0.0.1, in a Chromium window with the browser's own bars,
adds the entries of ENTRIES as a person types them and keeps a picture of the screen, which holds
the window alone. Runs in an X server of its own: xvfb-run -s '-screen 0 900x640x24' examples.py

Usage: examples.py FOLDER ENTRIES PICTURE
ENTRIES has one entry a line: the description, a tab, the amount.
"""
import subprocess
import sys
import tempfile

import engines
from journey import Journey, Server

folder, entries, picture = sys.argv[1:4]
server = Server(folder)
browser = engines.Chromium(width=900, height=640, window=True)
try:
    page = Journey(browser, server.address, tempfile.mkdtemp())
    page.start()
    with open(entries, encoding="utf-8") as lines:
        for line in lines:
            description, amount = line.rstrip("\n").split("\t")
            page.replace_text(page.description, description)
            browser.key("Tab")
            page.replace_text(page.amount, amount, focused=True)
            page.click(page.add())
            page.settle()
    # Into the list, below its rows, away from the fields, whose text cursor blinks.
    page.click(page.row(6))
    page.settle()
    subprocess.run(["import", "-window", "root", picture], check=True)
finally:
    browser.close()
    server.stop()
