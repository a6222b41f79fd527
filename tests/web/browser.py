#!/usr/bin/python3
"""Uses the program built for WebAssembly as a person does, in headless Chromium driven through
the DevTools protocol, with the web folder served on 127.0.0.1: with the mouse and the keyboard
it adds two entries, searches, clears the search, deletes a row and meets both warnings. It
checks the warnings by the titles Qt draws in HTML, the list by its pixels, which must change
with each command and return exactly to earlier states, and that nothing is fetched from
elsewhere; it keeps a screenshot of each step.

Usage: browser.py journey FOLDER OUTPUT_FOLDER
BROWSER names the browser (default: chromium).
"""
import base64
import functools
import http.server
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

import websocket
from PIL import Image


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


# The modifiers of the DevTools protocol's key events.
CTRL = 2
SHIFT = 8


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(folder):
    """Serves FOLDER on 127.0.0.1 for as long as the process lives; returns its address."""
    handler = functools.partial(QuietHandler, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return "http://127.0.0.1:%d/" % server.server_address[1]


class Browser:
    """Headless Chromium with one page, and the DevTools protocol to it."""

    def __init__(self, width=1024, height=768):
        self.profile = tempfile.mkdtemp()
        # No connections of its own: the machine may have no network but the loopback.
        self.process = subprocess.Popen(
            [os.environ.get("BROWSER", "chromium"), "--headless=new", "--no-sandbox",
             "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--remote-debugging-port=0", "--user-data-dir=" + self.profile,
             "--window-size=%d,%d" % (width, height), "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        for line in self.process.stderr:
            found = re.search(r"DevTools listening on ws://([^/]+)/", line)
            if found:
                break
        else:
            fail("the browser did not start")
        threading.Thread(target=lambda: [None for _ in self.process.stderr], daemon=True).start()
        with urllib.request.urlopen("http://%s/json/list" % found.group(1)) as response:
            page = next(t for t in json.load(response) if t["type"] == "page")
        self.socket = websocket.create_connection(page["webSocketDebuggerUrl"], timeout=60)
        self.next_id = 0
        self.console = []
        self.requests = []
        self.send("Runtime.enable")
        self.send("Page.enable")
        self.send("Network.enable")
        self.send("Emulation.setDeviceMetricsOverride", width=width, height=height,
                  deviceScaleFactor=1, mobile=False)

    def close(self):
        self.socket.close()
        self.process.terminate()
        self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)

    def _event(self, message):
        if message.get("method") == "Network.requestWillBeSent":
            self.requests.append(message["params"]["request"]["url"])
        elif message.get("method") == "Runtime.consoleAPICalled":
            text = " ".join(str(arg.get("value", arg.get("description", "")))
                            for arg in message["params"]["args"])
            self.console.append(text)
        elif message.get("method") == "Runtime.exceptionThrown":
            details = message["params"]["exceptionDetails"]
            self.console.append("exception: " + details.get("exception", {}).get(
                "description", details.get("text", "")))

    def send(self, method, **params):
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("id") == self.next_id:
                if "error" in message:
                    fail("%s: %s" % (method, message["error"]))
                return message.get("result", {})
            self._event(message)

    def evaluate(self, expression):
        result = self.send("Runtime.evaluate", expression=expression, returnByValue=True,
                           awaitPromise=True)
        return result.get("result", {}).get("value")

    def wait_for(self, what, expression, seconds=60):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            value = self.evaluate(expression)
            if value:
                return value
            time.sleep(0.1)
        fail("%s; the console said:\n%s" % (what, "\n".join(self.console)))

    def open(self, url):
        self.send("Page.navigate", url=url)

    def screenshot(self):
        data = self.send("Page.captureScreenshot", format="png")["data"]
        return Image.open(io.BytesIO(base64.b64decode(data))).convert("RGB")

    def mouse(self, x, y):
        for kind in ("mousePressed", "mouseReleased"):
            self.send("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left",
                      clickCount=1)

    # Key, DOM code, Windows key code and text of the keys the test presses.
    KEYS = {"Tab": ("Tab", 9, ""), "Enter": ("Enter", 13, "\r"), " ": ("Space", 32, " "),
            "Backspace": ("Backspace", 8, ""), "ArrowDown": ("ArrowDown", 40, ""),
            "a": ("KeyA", 65, "a")}

    def key(self, name, modifiers=0):
        code, number, text = self.KEYS[name]
        common = dict(key=name, code=code, windowsVirtualKeyCode=number, modifiers=modifiers)
        self.send("Input.dispatchKeyEvent", type="keyDown", text="" if modifiers else text,
                  **common)
        self.send("Input.dispatchKeyEvent", type="keyUp", **common)

    def type(self, text):
        """Text as an input method gives it, which is how Chinese arrives."""
        self.send("Input.insertText", text=text)


def white_run(pixels, points):
    """The longest run of white among POINTS, as (first, last) indexes."""
    best, start = (0, -1), None
    for i, point in enumerate(points + [None]):
        if point is not None and pixels[point] == (255, 255, 255):
            start = i if start is None else start
        elif start is not None:
            if i - 1 - start > best[1] - best[0]:
                best = (start, i - 1)
            start = None
    return best


# The titles of the program's windows but the main one, which Qt draws in HTML title bars in
# the shadow DOM of the page's screen.
TITLES = """(() => {
    const titles = [];
    const walk = (root) => root.querySelectorAll('*').forEach((element) => {
        if (element.classList.contains('window-name'))
            titles.push(element.innerText);
        if (element.shadowRoot)
            walk(element.shadowRoot);
    });
    walk(document);
    return titles;
})()"""


class Page:
    """The program's page, used as a person uses it; every step leaves a screenshot."""

    def __init__(self, browser, out):
        self.browser = browser
        self.out = out
        self.step = 0

    def snap(self, name):
        self.step += 1
        image = self.browser.screenshot()
        image.save(os.path.join(self.out, "%02d-%s.png" % (self.step, name)))
        return image

    def list_pixels(self, image):
        return image.crop(self.list_box).tobytes()

    def settle(self):
        time.sleep(0.4)

    def warning(self, title, name):
        shown = "%s.includes(%s)" % (TITLES, json.dumps(title))
        self.browser.wait_for("no warning titled %s came up" % title, shown, seconds=10)
        self.settle()
        self.snap(name)
        self.browser.key("Enter")
        self.browser.wait_for("the warning %s did not close on Enter" % title, "!" + shown,
                              seconds=10)
        self.settle()


def in_browser(out, action):
    """Runs ACTION with a browser of its own; a failure leaves a screenshot."""
    browser = Browser()
    try:
        action(browser)
    except SystemExit:
        browser.screenshot().save(os.path.join(out, "failure.png"))
        raise
    finally:
        browser.close()


def use_the_program(browser, address, out):
    started = time.monotonic()
    browser.open(address)
    page = Page(browser, out)
    browser.wait_for("the program never started",
                     "getComputedStyle(document.getElementById('loading')).display"
                     " === 'none'", seconds=120)
    # The window is drawn when the list, the one large white area, is there: its interior,
    # found down and across its middle.
    deadline = time.monotonic() + 30
    while True:
        first = browser.screenshot()
        width, height = first.size
        pixels = first.load()
        top, bottom = white_run(pixels, [(width // 2, y) for y in range(height)])
        middle = (top + bottom) // 2
        left, right = white_run(pixels, [(x, middle) for x in range(width)])
        if bottom - top > height // 4 and right - left > width // 2:
            break
        if time.monotonic() > deadline:
            fail("the window was never drawn; the console said:\n" +
                 "\n".join(browser.console))
        time.sleep(0.1)
    print("window drawn %.1f s after the page was opened" % (time.monotonic() - started))
    if browser.evaluate("document.title") != "记账软件":
        fail("the page is not titled 记账软件")
    page.settle()
    first = page.snap("start")
    page.list_box = (left + 2, top + 2, right - 2, bottom - 2)
    empty = page.list_pixels(first)
    # The window fills the page, with no title bar: the description field is its first row.
    description_at = (width * 3 // 5, 21)
    buttons_y = bottom + 23
    add_at = (left + (right - left) // 4, buttons_y)
    clear_at = (left + (right - left) * 3 // 4, buttons_y)

    browser.mouse(*add_at)
    page.warning("输入错误", "empty-description-warns")

    # Chinese comes as an input method gives it.
    states = [empty]
    for description, amount in (("午饭", "12.5"), ("Coffee beans", "3")):
        browser.mouse(*description_at)
        browser.key("a", CTRL)
        browser.type(description)
        browser.key("Tab")
        browser.key("a", CTRL)
        browser.type(amount)
        browser.mouse(*add_at)
        page.settle()
        states.append(page.list_pixels(page.snap("added")))
        if states[-1] == states[-2]:
            fail("the list did not change after adding %s" % description)

    # From the add button back to the search field, past the list and the search button.
    for _ in range(3):
        browser.key("Tab", SHIFT)
    browser.type("COFFEE")
    browser.key("Tab")
    browser.key(" ")
    page.settle()
    found = page.list_pixels(page.snap("searched"))
    if found in states:
        fail("searching for COFFEE did not narrow the list")

    browser.key("Tab", SHIFT)
    browser.key("a", CTRL)
    browser.key("Backspace")
    browser.key("Tab")
    browser.key(" ")
    page.settle()
    if page.list_pixels(page.snap("search-cleared")) != states[2]:
        fail("an empty search did not show both entries again")

    # Into the list, whose first row becomes current, down to the second; delete it.
    browser.key("Tab")
    browser.key("ArrowDown")
    page.settle()
    page.snap("second-row-current")
    browser.mouse(*clear_at)
    page.settle()
    if page.list_pixels(page.snap("deleted")) != states[1]:
        fail("deleting the second row did not leave the first entry alone")

    browser.mouse(*clear_at)
    page.warning("删除错误", "no-current-row-warns")
    if page.list_pixels(page.snap("end")) != states[1]:
        fail("the warning changed the list")

    elsewhere = [url for url in browser.requests
                 if not url.startswith((address, "data:", "blob:"))]
    if elsewhere:
        fail("the page fetched from elsewhere: %s" % elsewhere)
    print("PASS: added two entries, searched, cleared the search, deleted a row and met "
          "both warnings; fetched only from %s; screenshots in %s" % (address, out))


def cannot_start(address, out):
    """What the page says in a browser without WebAssembly, and when the download fails."""
    for name, method, params, says in (
            ("no-webassembly", "Page.addScriptToEvaluateOnNewDocument",
             {"source": "delete window.WebAssembly;"}, "不能运行 WebAssembly"),
            ("download-fails", "Network.setBlockedURLs", {"urls": ["*bookkeeping.wasm"]},
             "下载失败")):
        def check(browser):
            browser.send(method, **params)
            browser.open(address)
            browser.wait_for("the page did not say %s" % says,
                             "document.getElementById('loading').getAttribute('role')"
                             " === 'alert' && document.getElementById('message')"
                             ".textContent.includes(%s)" % json.dumps(says), seconds=30)
            browser.screenshot().save(os.path.join(out, "%s.png" % name))
        in_browser(out, check)
    print("PASS: the page says when the browser has no WebAssembly and when the download fails")


def journey(folder, out):
    os.makedirs(out, exist_ok=True)
    address = serve(folder)
    in_browser(out, lambda browser: use_the_program(browser, address, out))
    cannot_start(address, out)


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "journey":
        journey(sys.argv[2], sys.argv[3])
        sys.exit(0)
    print(__doc__, file=sys.stderr)
    sys.exit(2)
