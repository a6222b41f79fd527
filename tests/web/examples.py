#!/usr/bin/python3
"""Opens the web folder, served on 127.0.0.1, in a Chromium window with the browser's own bars,
adds the entries of ENTRIES as a person types them and keeps a picture of the screen, which holds
the window alone. Runs in an X server of its own: xvfb-run -s '-screen 0 900x640x24' examples.py
With --phone, in Chromium as a 390x844 phone, with taps, and the picture at twice the CSS
pixels, the phone's keyboard open over the lower part of the page, where it is shaded.

Usage: examples.py [--phone] FOLDER ENTRIES PICTURE
ENTRIES has one entry a line: the description, a tab, the amount.
"""
import subprocess
import sys
import tempfile

import engines
from journey import VISIBLE_AREA, Journey, Server
from PIL import Image, ImageDraw

phone = sys.argv[1] == "--phone"
folder, entries, picture = sys.argv[1 + phone:4 + phone]
server = Server(folder)
browser = (engines.Chromium(phone=(390, 844)) if phone
           else engines.Chromium(width=900, height=640, window=True))
try:
    page = Journey(browser, server.address, tempfile.mkdtemp())
    page.start()
    with open(entries, encoding="utf-8") as lines:
        for line in lines:
            description, amount = line.rstrip("\n").split("\t")
            page.replace_text(page.description, description)
            if not phone:
                browser.key("Tab")
            page.replace_text(page.amount, amount, focused=not phone)
            page.click(page.add())
            page.settle()
    if phone:
        # The keyboard takes the lower 344 CSS pixels, as on a phone of this size.
        browser.evaluate(VISIBLE_AREA % 500)
        page.settle()
        page.click(page.description(end=True))
        page.settle()
        image = browser.screenshot()
        keyboard = Image.new("RGB", (image.size[0], image.size[1] - 500 * 3), (96, 99, 104))
        ImageDraw.Draw(keyboard).text((40, 40), "(keyboard)", fill=(230, 230, 230),
                                      font_size=60)
        image.paste(keyboard, (0, 500 * 3))
        image.resize((780, 1688), Image.LANCZOS).save(picture, optimize=True)
    else:
        # Into the list, below its rows, away from the fields, whose text cursor blinks.
        page.click(page.row(6))
        page.settle()
        subprocess.run(["import", "-window", "root", picture], check=True)
finally:
    browser.close()
    server.stop()
