"""What the checks that read the real program through the AT-SPI bus share: finding its nodes,
reading them, and waiting, with the bus's events delivered meanwhile, for what they should show.
"""
import os
import sys
import time

import pyatspi
from gi.repository import GLib


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def pump(seconds=0.3):
    """Delivers the bus's events for SECONDS."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        while context.pending():
            context.iteration(False)
        time.sleep(0.02)


def wait_for(what, found, seconds=15):
    """Returns what FOUND returns once it is true; fails saying WHAT if it never is."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        pump(0.1)
        result = found()
        if result:
            return result
    fail(what() if callable(what) else what)


def nodes(node):
    yield node
    try:
        children = list(node)
    except (GLib.GError, ValueError):  # gone while being read, as a closed box is
        return
    for child in children:
        if child is not None:
            yield from nodes(child)


def find(node, role, name=None):
    for candidate in nodes(node):
        try:
            if candidate.getRole() == role and (name is None or candidate.name == name):
                return candidate
        except (GLib.GError, ValueError):
            pass  # gone while being read, as a closed box is
    return None


def state(node, which):
    return node is not None and node.getState().contains(which)


def text_of(node):
    return node.queryText().getText(0, -1)


def application(binary):
    """The program BINARY on the bus, once it shows something there."""
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == os.path.basename(binary) and app.childCount:
            return app
    return None
