#!/usr/bin/python3
"""Reads the real program's window as a screen reader does, through the AT-SPI bus.

Usage: screenreader.py BOOKKEEPING_BINARY [--keys]

Starts the program, prints its accessible tree (role, name and value of each node) and fails
on a focusable control without a name, a field not named after its caption, a list row not
named after its line, or a warning box that is not announced with the keyboard focus on its OK
button. With --keys it uses the program through X key events alone (xdotool), as a keyboard
user does, and also follows where the focus goes; without, through the actions that AT-SPI
offers, for a display with no keyboard to type on.
"""
import os
import subprocess
import sys

import pyatspi

from atspi import application, fail, find, nodes, pump, state, text_of, wait_for

# Roles by value: their names differ between AT-SPI versions ("push button" became "button").
ALERT, BUTTON, DIALOG, LABEL, LIST = (pyatspi.ROLE_ALERT, pyatspi.ROLE_PUSH_BUTTON,
                                      pyatspi.ROLE_DIALOG, pyatspi.ROLE_LABEL, pyatspi.ROLE_LIST)

binary = sys.argv[1]
keys = "--keys" in sys.argv[2:]
events = []


def on_event(event):
    try:
        events.append((event.type, event.detail1, event.source.getRole(), event.source.name))
    except Exception:  # the source may be gone already, as a closed box is
        pass


def value_of(node):
    try:
        return " = %s" % node.queryValue().currentValue
    except NotImplementedError:
        pass
    try:
        return " = %r" % text_of(node)
    except NotImplementedError:
        return ""


def show_tree(node, depth=0):
    focused = " (focused)" if state(node, pyatspi.STATE_FOCUSED) else ""
    print("%s[%s] %r%s%s" % ("  " * depth, node.getRoleName(), node.name, value_of(node), focused))
    for child in node:
        show_tree(child, depth + 1)


def press(*names):
    subprocess.run(["xdotool", "key", "--delay", "50", *names], check=True)
    pump()


def type_text(text):
    subprocess.run(["xdotool", "type", "--delay", "30", text], check=True)
    pump()


def expect_focus(role, name):
    wait_for("the focus did not reach the %s %r" % (getattr(role, "value_nick", role), name),
             lambda: state(find(app, role, name), pyatspi.STATE_FOCUSED), seconds=5)


def rows():
    return [row.name for row in find(app, LIST, "记录列表")]


def expect_rows(what, check):
    wait_for("%s: the list reads %r" % (what, rows()), lambda: check(rows()))


def push(name):
    """Presses a button: with its key when it has the focus, else through its action."""
    if keys:
        expect_focus(BUTTON, name)
        press("space")
    else:
        find(app, BUTTON, name).queryAction().doAction(0)


def warning(button, title, text):
    events.clear()
    push(button)
    box = wait_for("no box titled %r came up" % title,
                   lambda: find(app, ALERT, title) or find(app, DIALOG, title))
    announced = lambda: any(kind in ("object:state-changed:showing", "window:activate") and
                            role in (ALERT, DIALOG) and name == title
                            for kind, _, role, name in events)
    wait_for("the box %r was not announced: events %r" % (title, events), announced)
    if not find(box, LABEL, text):
        fail("the box %r does not read %r" % (title, text))
    ok = find(box, BUTTON, "OK")
    if not ok:
        fail("the box %r has no OK button" % title)
    # Only a window that has been activated has the keyboard focus.
    if keys:
        wait_for("the box %r does not have the focus on OK" % title,
                 lambda: state(ok, pyatspi.STATE_FOCUSED))
    print("announced: [%s] %r, %r%s" % (box.getRoleName(), title, text,
                                         ", focus on its OK button" if keys else ""))
    role = box.getRole()
    if keys:
        press("Return")
    else:
        ok.queryAction().doAction(0)
    wait_for("the box %r did not close" % title, lambda: not find(app, role, title))


def fill(field, text):
    """Types into the named field, replacing what it holds."""
    if keys:
        expect_focus(field.getRole(), field.name)
        press("ctrl+a", "BackSpace")
        type_text(text)
    elif field.getRole() == pyatspi.ROLE_SPIN_BUTTON:
        field.queryValue().currentValue = float(text)
    else:
        field.queryEditableText().setTextContents(text)


for kind in ("object:state-changed", "window:activate", "focus:"):
    pyatspi.Registry.registerEventListener(on_event, kind)
environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
program = subprocess.Popen([binary], env=environment)
try:
    app = wait_for("the program did not appear on the AT-SPI bus",
                   lambda: application(binary), seconds=30)
    frame = wait_for("no window titled 记账软件", lambda: find(app, pyatspi.ROLE_FRAME, "记账软件"))
    print("The window as a screen reader reads it:")
    show_tree(app)

    focusable = [node for node in nodes(frame) if state(node, pyatspi.STATE_FOCUSABLE)]
    if len(focusable) != 7:
        fail("%d focusable controls, not 7" % len(focusable))
    for node in focusable:
        if not node.name:
            fail("a focusable [%s] has no name" % node.getRoleName())
    # Each caption stands just before its field; the field is named after it.
    fields = {}
    siblings = list(frame[0])
    for caption, field in zip(siblings, siblings[1:]):
        if caption.getRole() == LABEL:
            if field.name + ":" != caption.name:
                fail("the field after %r is named %r" % (caption.name, field.name))
            fields[field.name] = field
    if sorted(fields) != sorted(["描述", "金额", "搜索记录"]):
        fail("fields named after captions: %r" % sorted(fields))
    description, amount, search = fields["描述"], fields["金额"], fields["搜索记录"]

    if keys:
        expect_focus(pyatspi.ROLE_TEXT, "描述")
        press(*["Tab"] * 5)
    warning("添加记录", "输入错误", "标签不能为空！")

    for text, number, count in (("e2e lunch", "12.50", 1), ("e2e Dinner", "20", 2)):
        if keys:
            press(*["shift+Tab"] * 5)
        fill(description, text)
        if keys:
            press("Tab")
        fill(amount, number)
        if amount.queryValue().currentValue != float(number):
            fail("the amount field reads %s, not %s" % (amount.queryValue().currentValue, number))
        if keys:
            press(*["Tab"] * 4)
        push("添加记录")
        expect_rows("after adding %r" % text, lambda lines: len(lines) == count)
    expect_rows("the rows are not the entries' lines",
                lambda lines: lines[0].startswith("e2e lunch:12.5 at ") and
                lines[1].startswith("e2e Dinner:20 at "))

    if keys:
        press(*["shift+Tab"] * 3)
    fill(search, "DINNER")
    if keys:
        press("Tab")
    push("搜索")
    expect_rows("the search for DINNER", lambda lines: len(lines) == 1 and
                lines[0].startswith("e2e Dinner: 20 at "))
    if keys:
        press("shift+Tab")
        fill(search, "")
        press("Tab")
    else:
        fill(search, "")
    push("搜索")
    expect_rows("the cleared search", lambda lines: len(lines) == 2)

    if keys:
        # Into the list, whose first row becomes current, and down to the second.
        events.clear()
        press("Tab", "Down")
        second = find(app, LIST, "记录列表")[1]
        wait_for("the second row did not take the focus: events %r" % events,
                 lambda: any(kind == "object:state-changed:focused" and detail and
                             name == second.name for kind, detail, _, name in events))
        print("current row reported: [list item] %r" % second.name)
        press("Tab", "Tab")
        push("清除记录")
        expect_rows("after deleting the second row", lambda lines: len(lines) == 1 and
                    lines[0].startswith("e2e lunch:"))
    # The list has no current row now.
    warning("清除记录", "删除错误", "请选择要删除的项！")

    print("The window after it all:")
    show_tree(frame)
    if keys:
        # Closed from the keyboard, through the window manager.
        press("alt+F4")
        try:
            status = program.wait(timeout=20)
        except subprocess.TimeoutExpired:
            fail("alt+F4 did not close the window")
        if status != 0:
            fail("the program exited with status %d" % status)
    print("PASS: every control named, fields after their captions, rows read as their lines, "
          "both warnings announced" + (", all by keyboard" if keys else ""))
finally:
    if program.poll() is None:
        program.terminate()
        program.wait()
