#!/usr/bin/python3
"""Uses the program built for WebAssembly as a person does, with the web folder served on
127.0.0.1: it meets both warnings, adds two entries, searches, clears the search and deletes a
row. It checks the warnings by the titles Qt draws in HTML, the list by its pixels, which must
change with each command and return exactly to earlier states, and that nothing is fetched from
elsewhere; it keeps a screenshot of each step.

The same journey runs in Chromium, Firefox and WebKitGTK with the mouse and the keyboard, and in
Chromium as a phone, with taps and a phone's keyboard. Chromium also shows that the title bars
are drawn in the folder's own font, what the page says when it cannot start, and that the page
opens again once its server has gone.

Usage: journey.py FOLDER OUTPUT_FOLDER [CHECK...]
CHECKs: chromium firefox webkit phone cannot-start offline (default: all of them).
"""
import functools
import http.server
import json
import os
import sys
import threading
import time

import engines


class Failure(Exception):
    pass


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


# Set at the top of the page for engines whose protocol does not report the console: what the
# page writes there and the errors it meets, kept for the test to read.
CONSOLE_RECORDER = b"""<script>
window.recordedConsole = [];
for (const level of ["log", "info", "warn", "error", "debug"]) {
  const write = console[level].bind(console);
  console[level] = (...args) => { recordedConsole.push(args.join(" ")); write(...args); };
}
addEventListener("error", (e) => recordedConsole.push("error: " + e.message));
addEventListener("unhandledrejection", (e) => recordedConsole.push("rejected: " + e.reason));
</script>"""


class RecordingHandler(QuietHandler):
    def do_GET(self):
        if self.path not in ("/", "/index.html"):
            return super().do_GET()
        with open(os.path.join(self.directory, "index.html"), "rb") as page:
            body = page.read().replace(b"<head>", b"<head>" + CONSOLE_RECORDER, 1)
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


class Server:
    """FOLDER served on 127.0.0.1 until stopped."""

    def __init__(self, folder, record_console=False):
        handler = functools.partial(RecordingHandler if record_console else QuietHandler,
                                    directory=folder)
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.address = "http://127.0.0.1:%d/" % self.server.server_address[1]

    def stop(self):
        if self.server.fileno() >= 0:
            self.server.shutdown()
            self.server.server_close()


def wait_for(browser, what, expression, seconds=60):
    """Waits for EXPRESSION to be true; while the page loads, it may fail to evaluate."""
    deadline = time.monotonic() + seconds
    error = ""
    while time.monotonic() < deadline:
        try:
            value = browser.evaluate(expression)
            if value:
                return value
        except engines.EngineError as failed:
            error = "\n%s" % failed
        time.sleep(0.1)
    raise Failure("%s%s; the console said:\n%s" % (what, error, "\n".join(console_of(browser))))


def console_of(browser):
    if browser.console or isinstance(browser, engines.Chromium):
        return browser.console
    return browser.evaluate("window.recordedConsole || []")


def fetched(browser):
    """Every address the page fetched."""
    if isinstance(browser, engines.WebKit):
        return browser.evaluate("['navigation', 'resource'].flatMap((type) => "
                                "performance.getEntriesByType(type).map((entry) => entry.name))")
    return browser.requests


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


# The title elements of the windows Qt draws in HTML, in the shadow DOM of the page's screen:
# every window's but the main one's, which has no title bar.
TITLES = """(() => {
    const found = [];
    const walk = (root) => root.querySelectorAll('*').forEach((element) => {
        if (element.classList.contains('window-name'))
            found.push(element);
        if (element.shadowRoot)
            walk(element.shadowRoot);
    });
    walk(document);
    return found;
})()"""
# Their titles, and where their windows are, in CSS pixels.
WINDOWS = """%s.map((name) => {
    const box = name.closest('.qt-window').getBoundingClientRect();
    return {title: name.innerText, left: box.left, top: box.top, right: box.right,
            bottom: box.bottom};
})""" % TITLES

ENTRIES = (("午饭", "12.5"), ("Coffee beans", "3"))


class Journey:
    """The program's page, used as a person uses it; every step leaves a screenshot. On a phone,
    every control is tapped and text comes from the phone's keyboard, which has no Tab."""

    def __init__(self, browser, address, out):
        self.browser = browser
        self.address = address
        self.out = out
        self.step = 0
        os.makedirs(out, exist_ok=True)

    def snap(self, name):
        self.step += 1
        image = self.browser.screenshot()
        image.save(os.path.join(self.out, "%02d-%s.png" % (self.step, name)))
        return image

    def settle(self):
        time.sleep(0.4)

    def list_pixels(self, name):
        return self.snap(name).crop(self.list_box).tobytes()

    def start(self):
        """Opens the page and waits for the window; finds the list, the one large white area."""
        browser = self.browser
        started = time.monotonic()
        browser.open(self.address)
        wait_for(browser, "the program never started",
                 "getComputedStyle(document.getElementById('loading')).display === 'none'",
                 seconds=120)
        viewport = browser.evaluate("[innerWidth, innerHeight]")
        deadline = time.monotonic() + 30
        while True:
            image = browser.screenshot()
            width, height = image.size
            pixels = image.load()
            top, bottom = white_run(pixels, [(width // 2, y) for y in range(height)])
            middle = (top + bottom) // 2
            left, right = white_run(pixels, [(x, middle) for x in range(width)])
            if bottom - top > height // 4 and right - left > width // 2:
                break
            if time.monotonic() > deadline:
                raise Failure("the window was never drawn; the console said:\n" +
                              "\n".join(console_of(browser)))
            time.sleep(0.1)
        print("%s: window drawn %.1f s after the page was opened" %
              (browser.name, time.monotonic() - started))
        if browser.evaluate("document.title") != "记账软件":
            raise Failure("the page is not titled 记账软件")
        if browser.evaluate("document.scrollingElement.scrollHeight > innerHeight || "
                            "document.scrollingElement.scrollWidth > innerWidth"):
            raise Failure("the page is larger than the screen")
        # Screenshots are in device pixels, positions in CSS pixels.
        self.scale = width / viewport[0]
        self.width, self.height = viewport
        self.list_box = (left + 2, top + 2, right - 2, bottom - 2)
        self.list_top = top / self.scale
        # The window fills the page, with no title bar: the fields' rows and the buttons' are
        # where the layout puts them above and below the list.
        self.buttons_y = bottom / self.scale + 23
        self.settle()
        return self.list_pixels("start")

    # Where the controls are.
    def description(self, end=False):
        return (self.width - 20 if end else self.width * 3 // 5, self.list_top - 97)

    def amount(self, end=False):
        # Short of the arrows at its right end.
        return (self.width * 3 // 4 if end else self.width * 3 // 5, self.list_top - 63)

    def search_field(self, end=False):
        return (self.width - 110 if end else self.width // 2, self.list_top - 30)

    def search_button(self):
        return (self.width - 45, self.list_top - 30)

    def row(self, index):
        return (self.width // 2, self.list_top + 9 + 18 * index)

    def add(self):
        return (self.width // 4, self.buttons_y)

    def delete(self):
        return (self.width * 3 // 4, self.buttons_y)

    def click(self, position):
        self.browser.click(*position)

    def replace_text(self, field, text, focused=False):
        """Puts TEXT in place of the text of the FIELD (a position with end=True its end): with
        the keyboard, by selecting it all, after a click on the field unless it is FOCUSED; on a
        phone, by tapping at its end. Either deletes what is there and types the text."""
        if self.browser.phone:
            self.click(field(end=True))
            presses = 12
        else:
            if not focused:
                self.click(field())
            self.browser.key("a", "Control")
            presses = 1
        for _ in range(presses):
            self.browser.key("Backspace")
        if text:
            self.browser.type(text)

    def warning(self, title, name):
        browser = self.browser
        shown = "%s.some((w) => w.title === %s)" % (WINDOWS, json.dumps(title))
        wait_for(browser, "no warning titled %s came up" % title, shown, seconds=10)
        self.settle()
        self.snap(name)
        box = next(w for w in browser.evaluate(WINDOWS) if w["title"] == title)
        if box["left"] < 0 or box["top"] < 0 or box["right"] > self.width or \
                box["bottom"] > self.height:
            raise Failure("the warning %s does not fit on the screen: %s" % (title, box))
        if hasattr(browser, "fonts_of"):
            self.title_font(title)
        if browser.phone:
            # Its one button, OK, at the bottom right.
            self.click((box["right"] - 45, box["bottom"] - 22))
        else:
            browser.key("Enter")
        wait_for(browser, "the warning %s did not close" % title, "!" + shown, seconds=10)
        self.settle()

    def title_font(self, title):
        """The fonts a title is drawn with must include the folder's own, not only the
        system's."""
        fonts = self.browser.fonts_of(
            "%s.find((name) => name.innerText === %s)" % (TITLES, json.dumps(title)))
        if not any(font["familyName"] == "WenQuanYi Micro Hei" and font["isCustomFont"]
                   for font in fonts):
            raise Failure("the title %s is not drawn in the page's font: %s" % (title, fonts))

    def run(self):
        browser = self.browser
        empty = self.start()
        phone = browser.phone

        self.click(self.add())
        self.warning("输入错误", "empty-description-warns")

        states = [empty]
        for description, amount in ENTRIES:
            self.replace_text(self.description, description)
            if not phone:
                browser.key("Tab")
            self.replace_text(self.amount, amount, focused=not phone)
            self.click(self.add())
            self.settle()
            states.append(self.list_pixels("added"))
            if states[-1] == states[-2]:
                raise Failure("the list did not change after adding %s" % description)

        # From the add button on to the search field: past the delete button, round to the
        # description and the amount. (WebKitGTK's WebDriver gives Shift+Tab as an unknown key.)
        if phone:
            self.click(self.search_field())
        else:
            for _ in range(4):
                browser.key("Tab")
        browser.type("COFFEE")
        self.press_search()
        if self.list_pixels("searched") in states:
            raise Failure("searching for COFFEE did not narrow the list")

        self.replace_text(self.search_field, "")
        self.press_search()
        if self.list_pixels("search-cleared") != states[2]:
            raise Failure("an empty search did not show both entries again")

        # The second row becomes current: on a phone by a tap; else from the search button into
        # the list, whose first row becomes current, and down.
        if phone:
            self.click(self.row(1))
        else:
            browser.key("Tab")
            browser.key("ArrowDown")
        self.settle()
        self.snap("second-row-current")
        self.click(self.delete())
        self.settle()
        if self.list_pixels("deleted") != states[1]:
            raise Failure("deleting the second row did not leave the first entry alone")

        self.click(self.delete())
        self.warning("删除错误", "no-current-row-warns")
        if self.list_pixels("end") != states[1]:
            raise Failure("the warning changed the list")

        elsewhere = [url for url in fetched(browser)
                     if not url.startswith((self.address, "data:", "blob:"))]
        if elsewhere:
            raise Failure("the page fetched from elsewhere: %s" % elsewhere)
        print("PASS %s: met both warnings, added two entries, searched, cleared the search and "
              "deleted a row; fetched only from %s; screenshots in %s" %
              (browser.version + (" as a phone" if phone else ""), self.address, self.out))

    def press_search(self):
        if self.browser.phone:
            self.click(self.search_button())
        else:
            self.browser.key("Tab")
            self.browser.key(" ")
        self.settle()


def in_browser(engine, out, action, **options):
    """Runs ACTION(browser) with a browser of its own; a failure leaves a screenshot."""
    browser = engine(**options)
    try:
        action(browser)
    except (Failure, engines.EngineError):
        try:
            browser.screenshot().save(os.path.join(out, "failure.png"))
        except engines.EngineError:
            pass
        raise
    finally:
        browser.close()


def journey(folder, out, engine, **options):
    server = Server(folder, record_console=engine is engines.WebKit)
    try:
        in_browser(engine, out, lambda browser: Journey(browser, server.address, out).run(),
                   **options)
    finally:
        server.stop()


def cannot_start(folder, out):
    """What the page says in a browser without WebAssembly, and when the download fails."""
    server = Server(folder)
    for name, method, params, says in (
            ("no-webassembly", "Page.addScriptToEvaluateOnNewDocument",
             {"source": "delete window.WebAssembly;"}, "不能运行 WebAssembly"),
            ("download-fails", "Network.setBlockedURLs", {"urls": ["*bookkeeping.wasm"]},
             "下载失败")):
        def check(browser):
            browser.send(method, **params)
            browser.open(server.address)
            wait_for(browser, "the page did not say %s" % says,
                     "document.getElementById('loading').getAttribute('role') === 'alert' && "
                     "document.getElementById('message').textContent.includes(%s)" %
                     json.dumps(says), seconds=30)
            browser.screenshot().save(os.path.join(out, "%s.png" % name))
        in_browser(engines.Chromium, out, check)
    server.stop()
    print("PASS: the page says when the browser has no WebAssembly and when the download fails")


def offline(folder, out):
    """Chromium's verdict on installing the page as an app, which must find nothing missing; and
    the page opened again after its server has stopped, which its service worker must draw as
    before."""
    server = Server(folder)

    def check(browser):
        # Not from the browser's own cache either: only the service worker keeps the page.
        browser.send("Network.setCacheDisabled", cacheDisabled=True)
        journey = Journey(browser, server.address, os.path.join(out, "offline"))
        journey.start()
        wait_for(browser, "the service worker did not take the page over",
                 "navigator.serviceWorker.controller !== null", seconds=60)
        errors = browser.send("Page.getInstallabilityErrors")["installabilityErrors"]
        print("Chromium's installability errors: %s" % errors)
        if errors:
            raise Failure("Chromium would not install the page as an app: %s" % errors)
        online = browser.screenshot()
        server.stop()
        browser.open(server.address)
        journey.start()
        offline = browser.screenshot()
        # The blinking text cursor may differ, nothing else.
        changed = sum(a != b for a, b in zip(online.getdata(), offline.getdata()))
        if changed > 50:
            raise Failure("without its server the page was drawn otherwise: %d pixels differ" %
                          changed)
        offline.save(os.path.join(out, "offline", "drawn-without-server.png"))
        print("PASS: installable; opened again with its server stopped, drawn as before")
    try:
        in_browser(engines.Chromium, out, check)
    finally:
        server.stop()


CHECKS = {
    "chromium": lambda folder, out: journey(folder, os.path.join(out, "chromium"),
                                            engines.Chromium),
    "firefox": lambda folder, out: journey(folder, os.path.join(out, "firefox"),
                                           engines.Firefox),
    "webkit": lambda folder, out: journey(folder, os.path.join(out, "webkit"), engines.WebKit),
    "phone": lambda folder, out: journey(folder, os.path.join(out, "phone"), engines.Chromium,
                                         phone=True),
    "cannot-start": cannot_start,
    "offline": offline,
}


if __name__ == "__main__":
    if len(sys.argv) < 3 or any(check not in CHECKS for check in sys.argv[3:]):
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    folder, out = sys.argv[1:3]
    os.makedirs(out, exist_ok=True)
    try:
        for check in sys.argv[3:] or CHECKS:
            CHECKS[check](folder, out)
    except (Failure, engines.EngineError) as failure:
        print("FAIL: %s" % failure, file=sys.stderr)
        sys.exit(1)
