#!/usr/bin/python3
"""Starts the real program on the Wayland compositor it runs on, adds the entries of ENTRIES
through AT-SPI's actions, as a headless compositor has no keyboard to type on, and keeps a
picture of the compositor's output. Runs on an AT-SPI bus of its own, under tests/wayland/run.sh:

    run.sh dbus-run-session -- examples.py BOOKKEEPING_BINARY ENTRIES PICTURE

ENTRIES has one entry a line: the description, a tab, the amount.
"""
import glob
import os
import subprocess
import sys
import time

import pyatspi

from atspi import application, find, wait_for

binary, entries, picture = sys.argv[1:4]


def the_frame():
    app = application(binary)
    return app and find(app, pyatspi.ROLE_FRAME, "记账软件")


program = subprocess.Popen([binary], env=dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"))
try:
    frame = wait_for("no window titled 记账软件 on the AT-SPI bus", the_frame, seconds=30)
    description = find(frame, pyatspi.ROLE_TEXT, "描述")
    amount = find(frame, pyatspi.ROLE_SPIN_BUTTON, "金额")
    add = find(frame, pyatspi.ROLE_PUSH_BUTTON, "添加记录")
    rows = find(frame, pyatspi.ROLE_LIST, "记录列表")
    with open(entries, encoding="utf-8") as lines:
        for count, line in enumerate(lines, 1):
            text, number = line.rstrip("\n").split("\t")
            description.queryEditableText().setTextContents(text)
            amount.queryValue().currentValue = float(number)
            add.queryAction().doAction(0)
            wait_for("the entry %r was not added" % text, lambda: rows.childCount == count,
                     seconds=30)
    time.sleep(1)
    folder = os.path.dirname(os.path.abspath(picture))
    subprocess.run(["weston-screenshooter"], cwd=folder, check=True, capture_output=True)
    os.replace(glob.glob(os.path.join(folder, "wayland-screenshot-*.png"))[0], picture)
finally:
    program.terminate()
    program.wait()
