#!/usr/bin/python3
"""Types Chinese into the real program through a real pinyin input method, as a person does, and
reads the result through the AT-SPI bus, as a screen reader does.

Usage: ime.py fcitx5|ibus LOG_FOLDER BOOKKEEPING_BINARY

Starts the input method and waits for it, starts the program with the input method's module and
switches to pinyin; then in the description field types w u f a n, which must stay a
composition, not text, until space commits 午饭; adds it and reads the list's line; types
d i t i e after it, takes three letters of the composition back with Backspace, types them again
and commits 地铁, which must join the committed text as 午饭地铁; adds that, searches for 地铁
typed the same way and reads the one line found. Keys come from xdotool, into the X server or
the Wayland compositor the program runs on. Fails, saying why, when the input method does not
start or does not compose what is typed.
"""
import os
import subprocess
import sys
import time

import pyatspi

from atspi import application, fail, find, state, text_of, wait_for
from inputmethod import InputMethod, InputMethodError, keys

method, logs, binary = sys.argv[1:4]


def reads(field, text, what):
    wait_for(lambda: "%s: the field %s reads %r, not %r" % (what, field.name, text_of(field),
                                                           text), lambda: text_of(field) == text,
             seconds=10)


def composing(field, before, word):
    """Types WORD's letters; they must make a composition, leaving the field's text alone."""
    keys(*word)
    time.sleep(0.5)
    if text_of(field) != before:
        fail("typing %s put %r in the field %s, which read %r: the keys went in as they are, "
             "not through a composition" % (" ".join(word), text_of(field), field.name, before))


def rows(frame):
    return [row.name for row in find(frame, pyatspi.ROLE_LIST, "记录列表")]


def press(frame, button, count, line):
    """Presses BUTTON; the list must then have COUNT lines, the last of them beginning with
    LINE."""
    find(frame, pyatspi.ROLE_PUSH_BUTTON, button).queryAction().doAction(0)
    wait_for(lambda: "after %s the list reads %r" % (button, rows(frame)),
             lambda: len(rows(frame)) == count and rows(frame)[-1].startswith(line))


def focus(field):
    field.queryComponent().grabFocus()
    wait_for("the field %s did not take the focus" % field.name,
             lambda: state(field, pyatspi.STATE_FOCUSED), seconds=10)


os.makedirs(logs, exist_ok=True)
inputmethod = InputMethod(method, logs)
program = None
try:
    environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", **inputmethod.start())
    with open(os.path.join(logs, "program.log"), "w") as output:
        program = subprocess.Popen([binary], env=environment, stdout=output,
                                   stderr=subprocess.STDOUT)
    app = wait_for("the program did not appear on the AT-SPI bus", lambda: application(binary),
                   seconds=60)
    frame = wait_for("no window titled 记账软件", lambda: find(app, pyatspi.ROLE_FRAME, "记账软件"))
    description = find(frame, pyatspi.ROLE_TEXT, "描述")
    search = find(frame, pyatspi.ROLE_TEXT, "搜索记录")
    wait_for("the description field does not have the keyboard focus",
             lambda: state(description, pyatspi.STATE_FOCUSED), seconds=30)
    inputmethod.pinyin_on()

    composing(description, "", "wufan")
    keys("space")
    reads(description, "午饭", "w u f a n and space")
    keys("Tab", "1", "2", "period", "5")
    focus(description)
    press(frame, "添加记录", 1, "午饭:12.5 at ")

    # A composition after committed text: Backspace takes letters of the composition back, not
    # the text before it.
    keys("End")
    composing(description, "午饭", "ditie")
    keys(*["BackSpace"] * 3)
    composing(description, "午饭", "tie")
    keys("space")
    reads(description, "午饭地铁", "d i t i e, three Backspaces, t i e and space after 午饭")
    press(frame, "添加记录", 2, "午饭地铁:12.5 at ")

    focus(search)
    composing(search, "", "ditie")
    keys("space")
    reads(search, "地铁", "d i t i e and space in the search field")
    press(frame, "搜索", 1, "午饭地铁: 12.5 at ")
    print("PASS %s: w u f a n composed 午饭 in the field; added, its line %r; d i t i e after it, "
          "with three letters taken back and typed again, joined it as 午饭地铁; 地铁 composed in "
          "the search field found %r" % (method, "午饭:12.5 at …", rows(frame)[0]))
except InputMethodError as error:
    fail(str(error))
finally:
    if program is not None and program.poll() is None:
        program.terminate()
        program.wait()
    inputmethod.stop()
