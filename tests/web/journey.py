#!/usr/bin/python3
"""Uses the program built for WebAssembly as a person does, with the web folder served on
127.0.0.1: it meets both warnings, adds two entries, searches, clears the search and deletes a
row; then adds an entry of Traditional and rare characters, which the server sends the rest of
the font for only then. It checks the warnings by the titles Qt draws in HTML, the list by its
pixels, which must change with each command and return exactly to earlier states, the rare
characters drawn as missing glyphs until the rest of the font has come and as themselves once
it has, in the list and in the field, the size of every target, that the page's
Content-Security-Policy refused nothing the page does and refuses a script put into it, and that
nothing is fetched from elsewhere; it keeps a screenshot of each step.

The same journey runs in Chromium, Firefox and WebKitGTK with the mouse and the keyboard, and in
Chromium as a phone, with taps and a phone's keyboard, at 390x844 and 360x640 CSS pixels, where
every target must be at least 24 pixels square, a pinch and a double tap must reach Qt rather
than zoom the page, and the window must fit above the on-screen keyboard. Chromium also shows
that the title bars are drawn in the folder's own font and what the page says when it cannot
start; and every engine, that the page opens again once its server has gone.

Usage: journey.py FOLDER OUTPUT_FOLDER [CHECK...]
CHECKs: chromium firefox webkit phone small-phone cannot-start offline (default: all of them).
"""
import functools
import http.server
import json
import os
import re
import subprocess
import sys
import threading
import time

import engines


class Failure(Exception):
    pass


# What the page writes to its console, the errors it meets and what its policy refuses, from
# the start of the page, for the test to read. An engine runs it before the page's own scripts;
# one that cannot gets the page served with it, as a file, right after the page's policy.
RECORDER = """
window.recordedConsole = [];
window.recordedViolations = [];
for (const level of ["log", "info", "warn", "error", "debug"]) {
  const write = console[level].bind(console);
  console[level] = (...args) => { recordedConsole.push(args.join(" ")); write(...args); };
}
addEventListener("error", (e) => recordedConsole.push("error: " + e.message));
addEventListener("unhandledrejection", (e) => recordedConsole.push("rejected: " + e.reason));
addEventListener("securitypolicyviolation", (e) => recordedViolations.push(
  `${e.effectiveDirective} refused ${e.blockedURI || "an inline script or style"}`
  + ` (${e.sourceFile || "the page"}:${e.lineNumber})`), true);
"""
RECORDER_PATH = "/journey-recorder.js"


class Handler(http.server.SimpleHTTPRequestHandler):
    """Serves the folder, quietly. With RECORD, the page with the recorder; with HELD, paths and
    events, each of those files only once its event is set; REFUSED files are not found."""

    record = False
    held = {}
    refused = ()

    def log_message(self, *args):
        pass

    def do_GET(self):
        path = self.path.split("?")[0]
        if path in self.held:
            self.held[path].wait(120)
        if path in self.refused:
            return self.send_error(404)
        if self.record and path == RECORDER_PATH:
            # Kept by the browser's cache, for a page opened without the server.
            return self.send_body(RECORDER.encode(), "text/javascript", "max-age=3600")
        if self.record and path in ("/", "/index.html"):
            with open(os.path.join(self.directory, "index.html"), "rb") as page:
                body = re.sub(rb'(<meta http-equiv="Content-Security-Policy"[^>]*>)',
                              rb'\1<script src="%s"></script>' % RECORDER_PATH.encode(),
                              page.read(), count=1)
            return self.send_body(body, "text/html; charset=utf-8")
        return super().do_GET()

    def send_body(self, body, content_type, cache=None):
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        if cache:
            self.send_header("Cache-Control", cache)
        self.end_headers()
        self.wfile.write(body)


class QuietServer(http.server.ThreadingHTTPServer):
    def handle_error(self, request, client_address):
        # A browser may drop a download it no longer needs, such as a page it leaves.
        if not isinstance(sys.exc_info()[1], ConnectionError):
            super().handle_error(request, client_address)


class Server:
    """FOLDER served on 127.0.0.1 until stopped, by HANDLER; with RECORD, the page with the
    recorder; the files of the folder HOLD names only once release() is called for each, and
    those REFUSE names not at all."""

    def __init__(self, folder, record=False, hold=(), refuse=(), handler=Handler):
        self.held = {"/" + path: threading.Event() for path in hold}
        handler = functools.partial(type("Serving", (handler,), {
            "record": record, "held": self.held,
            "refused": {"/" + path for path in refuse}}), directory=folder)
        self.server = QuietServer(("127.0.0.1", 0), handler)
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        self.address = "http://127.0.0.1:%d/" % self.server.server_address[1]

    def release(self, path):
        self.held["/" + path].set()

    def stop(self):
        for event in self.held.values():
            event.set()
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


def violations_of(browser):
    """What the page's Content-Security-Policy refused; None without the recorder."""
    return browser.evaluate("window.recordedViolations")


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
# Words composed from their pinyin, as an input method or a phone's keyboard composes them.
COMPOSED = (("wu fan", "午饭"), ("di tie", "地铁"))
# The program's second part, which the journeys are refused, so that one fails when a function
# the window calls in everyday use is not in the first part.
SECOND_PART = "bookkeeping.deferred.wasm"
# Characters in everyday use that the window itself does not show, which the font's second part
# has; Traditional and rare characters, which only its third part, the rest, has; and as many
# that no font has, which Qt draws as missing glyphs.
EVERYDAY_FONT = "fonts/wqy-microhei-everyday.ttf"
EVERYDAY = "早餐"
REST_OF_FONT = "fonts/wqy-microhei-rest.ttf"
RARE = "買飯錢龘䶵"
MISSING = "ა" * len(RARE)
# What a browser that does not resize the page for the keyboard, such as Safari, tells the page
# when its keyboard opens: that the visible part of the page is shorter.
VISIBLE_AREA = """(() => {
    Object.defineProperty(visualViewport, 'height', {value: %d, configurable: true});
    visualViewport.dispatchEvent(new Event('resize'));
})()"""
# A script put into the page as an attacker's text would be, were it ever made markup.
INJECTED = """(async () => {
    const script = document.createElement('script');
    try {
        script.textContent = 'window.injectedScriptRan = true;';
    } catch (refused) {
        // Trusted Types refuse the text itself.
    }
    document.body.appendChild(script);
    await new Promise((done) => setTimeout(done, 300));
    return window.injectedScriptRan === true;
})()"""


def box_at(image, x, y):
    """The box, borders included, of the control whose inside holds the device pixel (X, Y):
    where the pixels differ much from those inside. Its width is taken near its top, above any
    caption."""
    def run(x, y, dx, dy):
        start = image.getpixel((x, y))
        while 0 <= x + dx < image.size[0] and 0 <= y + dy < image.size[1]:
            x, y = x + dx, y + dy
            if sum(abs(a - b) for a, b in zip(image.getpixel((x, y)), start)) > 90:
                break
        return x, y
    top = run(x, y, 0, -1)[1]
    bottom = run(x, y, 0, 1)[1]
    inside = top + 3
    return run(x, inside, -1, 0)[0], top, run(x, inside, 1, 0)[0], bottom


def ink(image, box):
    """How many pixels of the box are dark, as text is."""
    return sum(1 for pixel in image.crop(box).getdata() if sum(pixel) < 384)


class Journey:
    """The program's page, used as a person uses it; every step leaves a screenshot. On a phone,
    every control is tapped and text comes from the phone's keyboard, which has no Tab."""

    def __init__(self, browser, address, out, server=None):
        self.browser = browser
        self.address = address
        self.out = out
        self.server = server
        # What a user taps, in CSS pixels: width and height.
        self.sizes = {}
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
        # Screenshots are in device pixels, positions in CSS pixels; Qt scales the window by the
        # factor the page chose for the device, on a phone more than one.
        self.scale = width / viewport[0]
        self.qt_scale = browser.evaluate("Number(scaleFactor())")
        self.width, self.height = viewport
        self.list_box = (left + 2, top + 2, right - 2, bottom - 2)
        self.list_top = top / self.scale
        self.list_left = left / self.scale
        # The window fills the page, with no title bar: the fields' rows are where the layout puts
        # them above the list, the buttons' at the bottom.
        self.buttons_y = self.height - 23 * self.qt_scale
        self.settle()
        return self.list_pixels("start")

    # Where the controls are, from the list's top and the window's edges, in Qt's pixels times
    # its scale.
    def at(self, x, y_from_list):
        return (x, self.list_top + y_from_list * self.qt_scale)

    def description(self, end=False):
        return self.at(self.width - 20 * self.qt_scale if end else self.width * 3 // 5, -89)

    def amount(self, end=False):
        # Short of the arrows at its right end.
        return self.at(self.width * 3 // 4 if end else self.width * 3 // 5, -55)

    def search_field(self, end=False):
        return self.at(self.width - 100 * self.qt_scale if end else self.width // 2, -21)

    def search_button(self):
        return self.at(self.width - 45 * self.qt_scale, -21)

    def row(self, index):
        return self.at(self.width // 2, 9 + 19 * index)

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
            presses = 20
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
            self.measure("OK of %s" % title,
                         (box["right"] - 30 * self.qt_scale, box["bottom"] - 22 * self.qt_scale))
            self.click((box["right"] - 45 * self.qt_scale, box["bottom"] - 22 * self.qt_scale))
        else:
            browser.key("Enter")
        wait_for(browser, "the warning %s did not close" % title, "!" + shown, seconds=10)
        self.settle()

    def title_font(self, title):
        """The fonts a title is drawn with must include the folder's own, not only the
        system's."""
        fonts = self.browser.fonts_of(
            "%s.find((name) => name.innerText === %s)" % (TITLES, json.dumps(title)))
        if not any(font["postScriptName"] == "WenQuanYiMicroHei" and font["isCustomFont"]
                   for font in fonts):
            raise Failure("the title %s is not drawn in the page's font: %s" % (title, fonts))

    def run(self):
        try:
            self.steps()
        except Failure:
            # A function of the second part that fails for want of it fails the step that
            # called it: say so.
            self.second_part_unused()
            raise

    def steps(self):
        browser = self.browser
        empty = self.start()
        phone = browser.phone
        self.everyday_characters()
        self.settle()
        empty = self.list_pixels("start-after-the-everyday-characters")

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

        self.rare_characters()
        if hasattr(browser, "compose"):
            # Under the entry of the journey and the two of rare characters.
            self.composition(first_row=3)
        self.targets()
        if phone:
            self.zoom()
            # A keyboard leaves too little of a small phone's screen for the window.
            if self.height >= 800:
                self.keyboard()
        self.policy()
        self.second_part_unused()

        elsewhere = [url for url in fetched(browser)
                     if not url.startswith((self.address, "data:", "blob:"))]
        if elsewhere:
            raise Failure("the page fetched from elsewhere: %s" % elsewhere)
        print("PASS %s: met both warnings, added two entries, searched, cleared the search and "
              "deleted a row; drew the rare characters once the rest of the font had come; the "
              "policy refused nothing of the page's and a script put into it; fetched only from "
              "%s; screenshots in %s" %
              (browser.version + (" as a phone" if phone else ""), self.address, self.out))

    def text_rows(self, image):
        """The boxes, in device pixels, of the lines of text in the list, from their start."""
        left, top, right, bottom = self.list_box
        right = left + (right - left) // 3
        pixels = image.load()
        inked = [any(sum(pixels[x, y]) < 384 for x in range(left, right))
                 for y in range(top, bottom)]
        rows, start = [], None
        for y, ink in enumerate(inked + [False]):
            if ink and start is None:
                start = y
            elif not ink and start is not None:
                rows.append((left, top + start, right, top + y))
                start = None
        return rows

    def rare_characters(self, first_row=1, held=True):
        """Characters that only the rest of the font has are drawn as missing glyphs until it
        comes, in the list and in the field, and as themselves once it has come: an entry of
        them and one of missing characters, added under the FIRST_ROW entries there are. HELD:
        the rest of the font has not come yet, until the server is told to send it."""
        field = self.description_box()
        self.replace_text(self.description, MISSING)
        self.click(self.add())
        self.settle()
        field_missing = ink(self.browser.screenshot(), field)
        self.replace_text(self.description, RARE)
        self.click(self.add())
        self.settle()
        image = self.snap("rare-characters-before-the-rest-of-the-font")
        missing, rare = self.text_rows(image)[first_row:first_row + 2]
        # Up to the amount, which both have, short of the time, which may differ. Missing glyphs
        # are empty boxes: the characters themselves are drawn with far more ink. (At a scale
        # that puts rows between device pixels, the same text is not the same pixels.)
        right = missing[0] + round(100 * self.qt_scale * self.scale)
        missing = (missing[0], missing[1], right, missing[3])
        rare = (rare[0], rare[1], right, rare[3])
        # The two lines are drawn alike: one row apart.
        self.sizes["row"] = ((self.list_box[2] - self.list_box[0]) / self.scale,
                             (rare[1] - missing[1]) / self.scale)
        if held:
            if abs(ink(image, rare) - ink(image, missing)) > ink(image, missing) // 10:
                raise Failure("without the rest of the font, %s was not drawn as missing glyphs: "
                              "the first parts of the font have some of them" % RARE)
            self.server.release(REST_OF_FONT)
        wait_for(self.browser, "the rest of the font never came",
                 "performance.getEntriesByName('rest of the font').length > 0", seconds=60)
        self.settle()
        after = self.snap("rare-characters-drawn")
        if ink(after, rare) < 2 * ink(image, missing):
            raise Failure("once the rest of the font had come, the list still drew %s as missing "
                          "glyphs" % RARE)
        if ink(after, field) < field_missing + ink(image, missing):
            raise Failure("once the rest of the font had come, the field still drew %s as missing "
                          "glyphs" % RARE)

    def everyday_characters(self):
        """Characters in everyday use that the window itself does not show are drawn as missing
        glyphs until their part of the font comes, and as themselves once it has, without
        anything else: nothing typed is lost."""
        field = self.description_box()

        def drawn(text, name=None):
            """The ink of TEXT in the field, with no text cursor blinking there."""
            self.replace_text(self.description, text)
            self.leave_description()
            return ink(self.snap(name) if name else self.browser.screenshot(), field)
        caption = drawn("")
        missing = drawn(MISSING[:len(EVERYDAY)]) - caption
        before = drawn(EVERYDAY, "everyday-characters-before-their-font") - caption
        if abs(before - missing) > missing // 10:
            raise Failure("before the everyday characters came, %s was not drawn as missing "
                          "glyphs: the window's part of the font has some of them" % EVERYDAY)
        self.server.release(EVERYDAY_FONT)
        wait_for(self.browser, "the everyday characters never came",
                 "performance.getEntriesByName('everyday characters').length > 0", seconds=60)
        self.settle()
        if ink(self.snap("everyday-characters-drawn"), field) - caption < 2 * missing:
            raise Failure("once the everyday characters had come, the field still drew %s as "
                          "missing glyphs" % EVERYDAY)
        self.replace_text(self.description, "")

    def second_part_unused(self):
        """The journey called no function of the program's second part, which is only in the
        first part's table as a placeholder until the part is put in place."""
        needed = self.browser.evaluate(
            "performance.getEntriesByName('second part needed before it came')"
            ".map((mark) => mark.detail)")
        if needed:
            raise Failure("the journey called %s of the program's second part: record the list "
                          "of the first part's functions again (tests/web/first-part.py)" %
                          ", ".join(second_part_function(slot) for slot in needed))

    def description_box(self):
        """The description field's row, in device pixels, short of the page's right edge, where
        a phone's scroll bar may show for a moment."""
        y = self.description()[1] * self.scale
        return (0, round(y - 7 * self.qt_scale * self.scale), round((self.width - 10) * self.scale),
                round(y + 7 * self.qt_scale * self.scale))

    def leave_description(self):
        """Takes the focus to the amount, so that no text cursor blinks in the description."""
        if self.browser.phone:
            self.click(self.amount())
        else:
            self.browser.key("Tab")
        self.settle()

    def typed_directly(self):
        """Types the composed words' text directly into the description field, keeps how the
        field draws it, adds it and empties the field: what the same words composed must match.
        Returns the field's box, the text and its picture."""
        field = self.description_box()
        text = "".join(word for _, word in COMPOSED)
        self.replace_text(self.description, text)
        self.leave_description()
        typed = self.snap("typed-directly").crop(field)
        self.click(self.add())
        self.settle()
        self.replace_text(self.description, "")
        return field, text, typed

    def composition(self, first_row):
        """Words composed from their pinyin are typed exactly as the same text typed directly:
        the field shows the pinyin while it is composed, a cancelled composition leaves nothing,
        two words composed in a row make one text, drawn in the field and listed as the text
        typed directly is."""
        browser = self.browser
        field, text, typed = self.typed_directly()
        empty = ink(browser.screenshot(), field)
        for pinyin, word in COMPOSED:
            for end in range(1, len(pinyin) + 1):
                browser.compose(pinyin[:end])
            self.settle()
            if ink(self.snap("composing-%s" % pinyin.replace(" ", "")), field) <= empty:
                raise Failure("while %s was composed, the field did not show it" % pinyin)
            if word == COMPOSED[-1][1]:
                # Given up, and then composed again: the first leaves nothing behind.
                browser.compose("")
                for end in range(1, len(pinyin) + 1):
                    browser.compose(pinyin[:end])
            browser.type(word)
            self.settle()
            empty = ink(browser.screenshot(), field)
        self.leave_description()
        if self.snap("composed").crop(field) != typed:
            raise Failure("%s composed from %s is not drawn as %s typed directly" % (
                text, " and ".join(pinyin for pinyin, _ in COMPOSED), text))
        self.listed_alike(first_row)

    def listed_alike(self, first_row):
        """Adds the description field's text and checks that the two entries from FIRST_ROW on,
        the text typed directly and the same text composed, are listed alike."""
        self.click(self.add())
        self.settle()
        image = self.snap("composed-added")
        # Up to the amount, which both have, short of the time, which may differ. At a scale
        # that puts rows between device pixels, the same text is not the same pixels in two
        # rows: only as much ink.
        rows = [(left, top, left + round(100 * self.qt_scale * self.scale), bottom)
                for left, top, _, bottom in self.text_rows(image)[first_row:first_row + 2]]
        if len(rows) != 2 or abs(ink(image, rows[0]) - ink(image, rows[1])) > \
                ink(image, rows[0]) // 50:
            raise Failure("the entry of composed words is not listed as the entry of the same "
                          "text typed directly")

    def input_method(self, method, keys):
        """Chinese typed through a real input method, METHOD, from the keyboard (KEYS, which X
        gives the browser's window): the pinyin shows while a word is composed, Space commits
        it, Backspace takes letters of a composition back and Escape gives one up, and the words
        are drawn and listed as the same text typed directly."""
        self.start()
        field, words, typed = self.typed_directly()
        subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--class",
                        self.browser.window_class, "windowactivate", "--sync"], check=True)
        if hasattr(self.browser, "focus_page"):
            self.browser.focus_page(*self.description())
        method.pinyin_on()
        empty = ink(self.browser.screenshot(), field)
        keys(*"wufan")
        self.settle()
        # More than a text cursor, which may blink, would add.
        if ink(self.snap("composing-wufan"), field) <= empty + 2 * (field[3] - field[1]):
            raise Failure("while w u f a n was composed, the field did not show it")
        keys("space")
        keys(*"ditie")
        keys(*["BackSpace"] * 3)
        keys(*"tie")
        keys("space")
        keys(*"xi")
        keys("Escape")
        self.leave_description()
        if self.snap("composed").crop(field) != typed:
            raise Failure("w u f a n, d i t i e with three letters taken back and typed again, "
                          "and x i given up, through %s, are not drawn as %s typed directly" %
                          (method.method, words))
        self.listed_alike(0)
        self.second_part_unused()
        print("PASS %s through %s: w u f a n and d i t i e, with three letters taken back, "
              "composed %s, drawn and listed as typed directly; a composition given up left "
              "nothing" % (self.browser.version, method.method, words))

    def measure(self, name, position, image=None):
        """The size of the control at POSITION, inside it but off its caption."""
        image = image or self.browser.screenshot()
        left, top, right, bottom = box_at(image, *(round(v * self.scale) for v in position))
        if min(left, top) <= 0 or right >= image.size[0] - 1 or bottom >= image.size[1] - 1:
            raise Failure("the %s is cut off at the screen's edge" % name)
        self.sizes[name] = ((right - left + 1) / self.scale, (bottom - top + 1) / self.scale)
        return self.sizes[name]

    def targets(self):
        """Every field, button and row is at least 24 by 24 CSS pixels on a phone, as WCAG 2.2
        asks of targets; on a desktop Qt does not scale the window."""
        image = self.browser.screenshot()
        edge = 20 * self.qt_scale
        for name, position in (("description", self.description(end=True)),
                               ("amount", self.amount(end=True)),
                               ("search field", self.search_field(end=True)),
                               ("search button", (self.width - edge, self.search_button()[1])),
                               ("add button", (edge, self.buttons_y)),
                               ("delete button", (self.width - edge, self.buttons_y))):
            self.measure(name, position, image)
        print("%s: targets at %dx%d CSS px, Qt's scale %g: %s" % (
            self.browser.name, self.width, self.height, self.qt_scale,
            ", ".join("%s %.0fx%.0f" % (name, *size) for name, size in self.sizes.items())))
        if self.browser.phone:
            small = [name for name, size in self.sizes.items() if min(size) < 24]
            if small:
                raise Failure("smaller than 24 by 24 CSS pixels on a phone: %s" % small)
        elif self.qt_scale != 1:
            raise Failure("with a fine pointer Qt's scale is %g, not 1" % self.qt_scale)

    def zoom(self):
        """The page may be zoomed, but a pinch and a double tap over the window go to Qt as
        touches, which Qt's elements keep from zooming the page: a double tap makes a row
        current."""
        browser = self.browser
        before = self.list_pixels("before-double-tap")
        browser.pinch(self.width // 2, self.row(0)[1] + 150, 2)
        browser.double_tap(*self.row(2))
        self.settle()
        scale = browser.evaluate("visualViewport.scale")
        if scale != 1:
            raise Failure("a pinch or a double tap over the window zoomed the page (%s)" % scale)
        if self.list_pixels("double-tapped") == before:
            raise Failure("a double tap on a row did not reach Qt")

    def keyboard(self):
        """With the on-screen keyboard open, the window fits above it, and its add and delete
        buttons are drawn there and work: for the browsers that resize the page for the keyboard,
        and for those that shrink only what is visible of it, as Safari does."""
        browser = self.browser
        height = self.height
        for name, how, shrink, restore in (
                ("page-resized", "the page resized",
                 lambda: browser.resize(self.width, 500), lambda: browser.resize(self.width, height)),
                ("visible-area-shrunk", "only the visible area shrunk",
                 lambda: browser.evaluate(VISIBLE_AREA % 500),
                 lambda: browser.evaluate(VISIBLE_AREA % height))):
            shrink()
            self.settle()
            self.buttons_y = 500 - 23 * self.qt_scale
            image = self.snap("keyboard-%s" % name)
            for button, x in (("add", 20 * self.qt_scale),
                              ("delete", self.width - 20 * self.qt_scale)):
                box = box_at(image, round(x * self.scale), round(self.buttons_y * self.scale))
                if box[3] >= 500 * self.scale or (box[3] - box[1]) / self.scale < 24:
                    raise Failure("with %s for the keyboard, the %s button is not drawn above it: "
                                  "%s" % (how, button, box))
            # The list's rows above the keyboard and the buttons, where the new row comes.
            rows = (self.list_box[0], self.list_box[1], self.list_box[2],
                    min(self.list_box[3], round((500 - 40 * self.qt_scale) * self.scale)))
            self.click(self.add())
            self.settle()
            if self.snap("keyboard-%s-added" % name).crop(rows) == image.crop(rows):
                raise Failure("with %s for the keyboard, tapping the add button added nothing" % how)
            self.click(self.delete())
            self.warning("删除错误", "keyboard-%s-delete-warns" % name)
            restore()
            self.settle()
            self.buttons_y = height - 23 * self.qt_scale

    def policy(self):
        """The page's Content-Security-Policy refused nothing the page does, and refuses a script
        put into it."""
        refused = violations_of(self.browser)
        if refused:
            raise Failure("the page's policy refused what the page does: %s" % refused)
        if self.browser.evaluate(INJECTED):
            raise Failure("a script put into the page ran")
        # (A page that WebKitGTK opens from the service worker's cache has no recorder: the
        # server that served it with one has gone.)
        if refused is not None and not violations_of(self.browser):
            raise Failure("the policy did not report the script put into the page")

    def press_search(self):
        if self.browser.phone:
            self.click(self.search_button())
        else:
            self.browser.key("Tab")
            self.browser.key(" ")
        self.settle()


def serve(folder, engine, **options):
    """FOLDER served for ENGINE: with the recorder in the page if the engine cannot run it."""
    return Server(folder, record=engine.record_from_start is None, **options)


# What runs after each browser's ACTION in in_browser, with the browser: tests/web/first-part.py
# reads what the program called.
AFTER = []
RECORDING = False


def second_part_function(slot):
    """The function of the program's second part at SLOT of the table, by the name that the
    split named it by (BOOKKEEPING_PLACEHOLDERS, its placeholder map), when there is one."""
    names = os.environ.get("BOOKKEEPING_PLACEHOLDERS")
    if names:
        with open(names) as placeholders:
            for line in placeholders:
                number, _, name = line.rstrip("\n").partition(":")
                if number == str(slot):
                    return "%s (table slot %s)" % (name, slot)
    return "the function at table slot %s" % slot


def in_browser(engine, out, action, **options):
    """Runs ACTION(browser) with a browser of its own, which records the console and what the
    page's policy refuses from the start of every page; a failure leaves a screenshot."""
    browser = engine(**options)
    try:
        if browser.record_from_start:
            browser.record_from_start(RECORDER)
        action(browser)
        for after in AFTER:
            after(browser)
    except (Failure, engines.EngineError):
        try:
            browser.screenshot().save(os.path.join(out, "failure.png"))
        except engines.EngineError:
            pass
        raise
    finally:
        browser.close()


def journey(folder, out, engine, **options):
    # A browser that goes away is not the program's doing: the journey runs again, once, in a new
    # one, after showing what the browser wrote.
    for attempt in (1, 2):
        # Each part of the font after the window's only when the journey has seen what is drawn
        # without it; the program's second part never.
        server = serve(folder, engine, hold=(EVERYDAY_FONT, REST_OF_FONT), refuse=(SECOND_PART,))
        try:
            in_browser(engine, out,
                       lambda browser: Journey(browser, server.address, out, server).run(),
                       **options)
            return
        except engines.BrowserLost as lost:
            if attempt == 2:
                raise
            print("%s went away during the journey, which runs again in a new one: %s" %
                  (engine.name, lost))
        finally:
            server.stop()


def second_part(folder, out):
    """A function that the journeys never call, called before the program's second part has
    come: the program waits for it, fetches and compiles it there and then, and goes on, with
    nothing done meanwhile lost and nothing said of it. The function is a field's context menu,
    which the journeys never open."""
    out = os.path.join(out, "second-part")
    server = serve(folder, engines.Chromium, hold=(SECOND_PART,))

    def check(browser):
        journey = Journey(browser, server.address, out, server)
        journey.start()
        field = journey.description_box()
        journey.replace_text(journey.description, "午饭地铁")
        journey.leave_description()
        typed = journey.snap("typed-directly").crop(field)
        journey.replace_text(journey.description, "午饭")
        threading.Timer(3, server.release, (SECOND_PART,)).start()
        # The menu opens once the second part has come, Escape closes it, and the text typed
        # after it joins the field's. Qt gives the page's keyboard focus back to no element
        # when a menu closes, so the field is clicked again, as its user would.
        browser.click(*journey.description(), button="right")
        browser.key("Escape")
        browser.click(*journey.description(end=True))
        browser.type("地铁")
        journey.leave_description()
        deadline = time.monotonic() + 60
        while journey.snap("typed-while-the-second-part-came").crop(field) != typed:
            if time.monotonic() > deadline:
                raise Failure("what was typed while the program waited for its second part is "
                              "not drawn as the same text typed directly")
            time.sleep(1)
        waited = browser.evaluate("performance.getEntriesByName('waited for the second part')"
                                  ".map((measure) => measure.duration)")
        if not waited:
            raise Failure("the context menu did not need the program's second part")
        errors = [line for line in console_of(browser) if "rror" in line]
        if errors:
            raise Failure("the page reported errors: %s" % errors)
        print("PASS: the context menu, which the journeys never open, waited %.1f s for the "
              "program's second part, which the page fetched then; the text typed before and "
              "after it is drawn as typed directly" % (waited[0] / 1000))
    try:
        in_browser(engines.Chromium, out, check)
    finally:
        server.stop()


def input_method(folder, out):
    """Chinese typed through fcitx5 with pinyin from the keyboard, in Chromium, WebKitGTK and
    Firefox in windows of the desktop session the check runs in (desktop.sh)."""
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
    import inputmethod
    out = os.path.join(out, "input-method")
    os.makedirs(out, exist_ok=True)
    method = inputmethod.InputMethod("fcitx5", out)
    try:
        os.environ.update(method.start())
        for engine, options in ((engines.Chromium, {"window": True}),
                                (engines.WebKit, {"display": os.environ["DISPLAY"]}),
                                (engines.Firefox, {"window": True})):
            folder_out = os.path.join(out, engine.name.lower())
            server = serve(folder, engine, refuse=(SECOND_PART,))
            try:
                in_browser(engine, folder_out, lambda browser: Journey(
                    browser, server.address, folder_out, server).input_method(
                        method, inputmethod.keys), **options)
            finally:
                server.stop()
    except inputmethod.InputMethodError as error:
        raise Failure(str(error))
    finally:
        method.stop()


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


# The policy the page must have, opened from the server or from the service worker's cache.
POLICY = """document.querySelector('meta[http-equiv="Content-Security-Policy"]')?.content"""


def offline(folder, out, engine):
    """The page opened again after its server has stopped, which its service worker must draw as
    before, with its policy and with the characters only the rest of the font has; and, in
    Chromium, the verdict on installing the page as an app, which must find nothing missing."""
    server = serve(folder, engine)
    out = os.path.join(out, "offline", engine.name.lower())

    def check(browser):
        journey = Journey(browser, server.address, out)
        if isinstance(browser, engines.Chromium):
            # Not from the browser's own cache either: only the service worker keeps the page.
            browser.send("Network.setCacheDisabled", cacheDisabled=True)
        journey.start()
        wait_for(browser, "the service worker did not take the page over",
                 "navigator.serviceWorker.controller !== null", seconds=60)
        if isinstance(browser, engines.Chromium):
            errors = browser.send("Page.getInstallabilityErrors")["installabilityErrors"]
            print("Chromium's installability errors: %s" % errors)
            if errors:
                raise Failure("Chromium would not install the page as an app: %s" % errors)
        policy = browser.evaluate(POLICY)
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
        offline.save(os.path.join(out, "drawn-without-server.png"))
        if not policy or browser.evaluate(POLICY) != policy:
            raise Failure("the page from the service worker's cache has not the page's policy")
        journey.rare_characters(first_row=0, held=False)
        journey.policy()
        print("PASS %s: opened again with its server stopped, drawn as before, with its policy and "
              "the rest of the font" % browser.version)
    try:
        in_browser(engine, out, check)
    finally:
        server.stop()


CHECKS = {
    "chromium": lambda folder, out: journey(folder, os.path.join(out, "chromium"),
                                            engines.Chromium),
    "firefox": lambda folder, out: journey(folder, os.path.join(out, "firefox"),
                                           engines.Firefox),
    "webkit": lambda folder, out: journey(folder, os.path.join(out, "webkit"), engines.WebKit),
    "phone": lambda folder, out: journey(folder, os.path.join(out, "phone"), engines.Chromium,
                                         phone=(390, 844)),
    "small-phone": lambda folder, out: journey(folder, os.path.join(out, "small-phone"),
                                               engines.Chromium, phone=(360, 640)),
    "second-part": second_part,
    "cannot-start": cannot_start,
    "input-method": input_method,
    "offline": lambda folder, out: [offline(folder, out, engine) for engine in
                                    (engines.Chromium, engines.Firefox, engines.WebKit)],
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
