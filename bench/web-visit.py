#!/usr/bin/python3
"""How soon a visitor on a phone's network sees the window of the web folder, on a first visit
and on a second one, which the service worker serves.

The folder is served on 127.0.0.1 with gzip on the fly, as a static host serves it, to headless
Chromium under Chrome's "Fast 4G" profile (1,012,500 B/s down, 168,750 B/s up, 165 ms latency)
with the CPU slowed four times, as Lighthouse does for phones; and a first visit again under its
"Slow 4G" profile (180,000 B/s down, 84,375 B/s up, 562.5 ms). The service worker and the caches
are cleared before each first visit. For each visit it prints the time from navigation to the
first frame with the window drawn, when the program's second part was in place and the
everyday characters and the rest of the font had come, and the bytes the server sent, in all
and before the window was drawn. It reports; it does not fail on a slow machine.

Usage: web-visit.py FOLDER
"""
import email.utils
import gzip
import os
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
import engines  # noqa: E402
import journey  # noqa: E402

FAST_4G = {"latency": 165, "downloadThroughput": 1012500, "uploadThroughput": 168750}
SLOW_4G = {"latency": 562.5, "downloadThroughput": 180000, "uploadThroughput": 84375}
# What comes once the window is drawn, by the page's marks.
AFTER_WINDOW = (("second part", "second part"), ("everyday", "everyday characters"),
                ("rest", "rest of the font"))
CPU_SLOWDOWN = 4
GZIP_LEVEL = 6


class Sent:
    """The bytes the server has sent, with the time each response ended."""

    def __init__(self):
        self.lock = threading.Lock()
        self.responses = []

    def add(self, path, size):
        with self.lock:
            self.responses.append((time.time(), path, size))

    def since(self, start, until=None):
        with self.lock:
            return sum(size for when, _, size in self.responses
                       if when >= start and (until is None or when <= until))


def gzipping_handler(sent):
    compressed = {}

    class Gzipping(journey.Handler):
        """Each file compressed as it is sent, when the browser takes gzip. A host compresses
        faster than a phone's network takes the bytes: each file is compressed once, before
        the visits, rather than while the browser waits."""

        def do_GET(self):
            path = self.translate_path(self.path.split("?")[0])
            if os.path.isdir(path):
                path = os.path.join(path, "index.html")
            if not os.path.isfile(path):
                return super().do_GET()
            modified = int(os.path.getmtime(path))
            since = self.headers.get("If-Modified-Since")
            if since and email.utils.parsedate_to_datetime(since).timestamp() >= modified:
                # As a static host answers the service worker, which asks whether files changed.
                self.send_response(304)
                self.end_headers()
                sent.add(self.path, 0)
                return
            with open(path, "rb") as file:
                body = file.read()
            encoding = None
            if "gzip" in self.headers.get("Accept-Encoding", ""):
                if path not in compressed:
                    compressed[path] = gzip.compress(body, GZIP_LEVEL, mtime=0)
                body = compressed[path]
                encoding = "gzip"
            self.send_response(200)
            self.send_header("Content-Type", self.guess_type(path))
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Last-Modified", self.date_time_string(modified))
            self.send_header("Vary", "Accept-Encoding")
            if encoding:
                self.send_header("Content-Encoding", encoding)
            self.end_headers()
            self.wfile.write(body)
            sent.add(self.path, len(body))

    def compress_all(folder):
        for directory, _, names in os.walk(folder):
            for name in names:
                path = os.path.join(directory, name)
                with open(path, "rb") as file:
                    compressed[path] = gzip.compress(file.read(), GZIP_LEVEL, mtime=0)

    Gzipping.compress_all = staticmethod(compress_all)
    return Gzipping


def drawn(image):
    """Whether the window is drawn: its list, the one large white area, is there, inside the
    window's edges (a blank page is white all over)."""
    width, height = image.size
    pixels = image.load()
    top, bottom = journey.white_run(pixels, [(width // 2, y) for y in range(height)])
    middle = (top + bottom) // 2
    left, right = journey.white_run(pixels, [(x, middle) for x in range(width)])
    return (bottom - top > height // 4 and right - left > width // 2 and
            0 < top and bottom < height - 1 and 0 < left and right < width - 1)


class Visitor(engines.Chromium):
    """Chromium that keeps when each response it received ended and how many bytes it took."""

    def __init__(self):
        self.finished = []
        self.wall_clock = 0
        super().__init__()

    def _event(self, message):
        super()._event(message)
        params = message.get("params", {})
        if message.get("method") == "Network.requestWillBeSent":
            self.wall_clock = params["wallTime"] - params["timestamp"]
        elif message.get("method") == "Network.loadingFinished":
            self.finished.append((params["timestamp"] + self.wall_clock,
                                  params["encodedDataLength"]))

    def received(self, start, until):
        return sum(size for when, size in self.finished if start <= when <= until)


def visit(browser, address, sent, seconds=240):
    """Opens ADDRESS; returns when the window was first drawn and what comes after it came, in
    seconds after navigation, the bytes the server sent in the visit, and those the browser had
    received when the window was drawn."""
    browser.open("about:blank")
    time.sleep(1)
    browser.send("Page.startScreencast", format="png", everyNthFrame=1)
    started = time.time()
    browser.open(address)
    window = None
    deadline = time.monotonic() + seconds
    while window is None and time.monotonic() < deadline:
        frame = browser.next_event("Page.screencastFrame")
        browser.send("Page.screencastFrameAck", sessionId=frame["sessionId"])
        if frame["metadata"]["timestamp"] > started and drawn(engines.image(frame["data"])):
            window = frame["metadata"]["timestamp"]
    browser.send("Page.stopScreencast")
    if window is None:
        raise journey.Failure("the window was not drawn within %d s" % seconds)
    origin = browser.evaluate("performance.timeOrigin") / 1000
    figures = {"window": window - origin}
    for name, mark in AFTER_WINDOW:
        figures[name] = journey.wait_for(
            browser, "%s never came" % mark,
            "performance.getEntriesByName(%r)[0]" % mark, seconds)["startTime"] / 1000
    # Once all has come, the service worker keeps the folder: that ends the visit.
    journey.wait_for(browser, "the service worker never became active",
                     "navigator.serviceWorker.ready.then(() => true)", seconds)
    figures.update(sent=sent.since(started), received=browser.received(started, window))
    return figures


def first_visit(browser, server, sent, network):
    """A visit with nothing kept from before, on NETWORK."""
    browser.send("Network.emulateNetworkConditions", offline=False, **network)
    browser.send("Storage.clearDataForOrigin", origin=server.address.rstrip("/"),
                 storageTypes="all")
    browser.send("Network.clearBrowserCache")
    return visit(browser, server.address, sent)


def main(folder):
    folder = os.path.abspath(folder)
    sent = Sent()
    handler = gzipping_handler(sent)
    handler.compress_all(folder)
    server = journey.Server(folder, handler=handler)
    browser = Visitor()
    try:
        print("Chromium %s, %s, served with gzip -%d on the fly from %s" %
              (browser.version, "Fast 4G and Slow 4G", GZIP_LEVEL, server.address))
        browser.send("Network.enable")
        browser.send("Emulation.setCPUThrottlingRate", rate=CPU_SLOWDOWN)
        visits = [("first visit", first_visit(browser, server, sent, FAST_4G)),
                  ("second visit", visit(browser, server.address, sent)),
                  ("Slow 4G, first", first_visit(browser, server, sent, SLOW_4G))]
    finally:
        browser.close()
        server.stop()
    for name, figures in visits:
        print("%-14s window drawn %5.2f s after navigation; second part %5.2f s, everyday "
              "characters %5.2f s, rest of the font %5.2f s; %9d B sent, %9d B received before "
              "the window was drawn" % (name, figures["window"], figures["second part"],
                                        figures["everyday"], figures["rest"], figures["sent"],
                                        figures["received"]))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    try:
        main(sys.argv[1])
    except (journey.Failure, engines.EngineError) as failure:
        sys.exit("FAIL: %s" % failure)
