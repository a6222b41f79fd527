"""The browser engines the web folder is used in, each driven through its own protocol behind one
small interface: open a page, evaluate an expression in it, take a screenshot, click or tap, press
keys and type, and say what the page fetched and wrote to its console.

- Chromium (Blink), through the DevTools protocol; also as a phone, with touch taps;
- Firefox (Gecko), through WebDriver BiDi, which it speaks itself;
- WebKitGTK (WebKit, Safari's engine), through WebKitWebDriver, classic W3C WebDriver, in a
  virtual X server, since its browser has no headless mode.
"""
import base64
import io
import json
import os
import re
import shutil
import socket
import subprocess
import tempfile
import threading
import time
import urllib.request

import websocket
from PIL import Image


class EngineError(Exception):
    pass


class BrowserLost(EngineError):
    """The browser itself went away: WebKitGTK's has, once in a while, on a busy machine."""


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def started(process, pattern, what):
    """Reads PROCESS's output until PATTERN shows; keeps draining it afterwards."""
    for line in process.stdout:
        found = re.search(pattern, line)
        if found:
            threading.Thread(target=lambda: [None for _ in process.stdout], daemon=True).start()
            return found
    raise EngineError("%s did not start" % what)


def image(data):
    """A screenshot, a PNG in base64 as every protocol gives it."""
    return Image.open(io.BytesIO(base64.b64decode(data))).convert("RGB")


def as_json(expression):
    """EXPRESSION, awaited, as JSON text: every protocol returns that the same way."""
    return "(async () => JSON.stringify(await (%s)))()" % expression


# The keys the tests press: the DevTools protocol's key, code and Windows key code and text; and
# the W3C WebDriver key value.
KEYS = {"Tab": ("Tab", 9, "", "\ue004"), "Enter": ("Enter", 13, "\r", "\ue007"),
        " ": ("Space", 32, " ", " "), "Backspace": ("Backspace", 8, "", "\ue003"),
        "ArrowDown": ("ArrowDown", 40, "", "\ue015"), "Escape": ("Escape", 27, "", "\ue00c"),
        "a": ("KeyA", 65, "a", "a")}
MODIFIERS = {"Control": (2, "\ue009"), "Shift": (8, "\ue008")}


class WebSocketBrowser:
    """A browser process with a profile of its own, and commands to it over a websocket,
    answered by their ids; other messages are events, which _event records."""

    def send(self, method, **params):
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("id") == self.next_id:
                error = self._error(message)
                if error:
                    raise EngineError("%s: %s" % (method, error))
                return message.get("result", {})
            self._event(message)

    def next_event(self, method):
        """Waits for the next event METHOD; records the others."""
        while True:
            message = json.loads(self.socket.recv())
            if message.get("method") == method:
                return message["params"]
            self._event(message)

    def close(self):
        self.socket.close()
        self.process.terminate()
        self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)


class Chromium(WebSocketBrowser):
    """Headless Chromium with one page; as a phone, a touch screen at three device pixels to the
    CSS pixel, tapped rather than clicked."""

    name = "Chromium"
    window_class = "chromium"

    def __init__(self, width=1024, height=768, phone=None, window=False):
        """PHONE: the phone's screen, width and height; WINDOW: a window with the browser's own
        bars, in the display DISPLAY names, at the top left of the screen, rather than no window
        at all."""
        self.phone = bool(phone)
        if phone:
            width, height = phone
        self.profile = tempfile.mkdtemp()
        if window:
            # No offer to translate the page, which would come and take the keyboard.
            os.makedirs(os.path.join(self.profile, "Default"))
            with open(os.path.join(self.profile, "Default", "Preferences"), "w") as preferences:
                json.dump({"translate": {"enabled": False}}, preferences)
        # No connections of its own: the machine may have no network but the loopback.
        self.process = subprocess.Popen(
            [os.environ.get("CHROMIUM", "chromium"), "--no-sandbox",
             "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--remote-debugging-port=0", "--user-data-dir=" + self.profile,
             "--window-size=%d,%d" % (width, height)] +
            # No bar that comes and moves the page: the warning about --no-sandbox.
            (["--window-position=0,0", "--no-default-browser-check", "--test-type"] if window
             else ["--headless=new"]) + ["about:blank"],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        found = started(self.process, r"DevTools listening on ws://([^/]+)/", "Chromium")
        with urllib.request.urlopen("http://%s/json/list" % found.group(1)) as response:
            page = next(t for t in json.load(response) if t["type"] == "page")
        self.socket = websocket.create_connection(page["webSocketDebuggerUrl"], timeout=60)
        self.next_id = 0
        self.console = []
        self.requests = []
        for domain in ("Runtime", "Page", "Network"):
            self.send(domain + ".enable")
        if not window:
            self.send("Emulation.setDeviceMetricsOverride", width=width, height=height,
                      deviceScaleFactor=3 if phone else 1, mobile=self.phone)
        if phone:
            self.send("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)
        self.version = self.send("Browser.getVersion")["product"]

    def record_from_start(self, script):
        """Runs SCRIPT at the start of every page, before the page's own scripts."""
        self.send("Page.addScriptToEvaluateOnNewDocument", source=script)

    def resize(self, width, height):
        """The viewport's size, as a phone's keyboard makes it for pages that ask for it."""
        self.send("Emulation.setDeviceMetricsOverride", width=width, height=height,
                  deviceScaleFactor=3 if self.phone else 1, mobile=self.phone)

    def pinch(self, x, y, scale):
        """Two fingers that spread (SCALE above 1) or close, as the browser's own gesture."""
        self.send("Input.synthesizePinchGesture", x=x, y=y, scaleFactor=scale,
                  gestureSourceType="touch")

    def double_tap(self, x, y):
        self.send("Input.synthesizeTapGesture", x=x, y=y, tapCount=2, gestureSourceType="touch")

    def _error(self, message):
        return message.get("error")

    def _event(self, message):
        method = message.get("method")
        if method == "Network.requestWillBeSent":
            self.requests.append(message["params"]["request"]["url"])
        elif method == "Runtime.consoleAPICalled":
            self.console.append(" ".join(str(arg.get("value", arg.get("description", "")))
                                         for arg in message["params"]["args"]))
        elif method == "Runtime.exceptionThrown":
            details = message["params"]["exceptionDetails"]
            self.console.append("exception: " + details.get("exception", {}).get(
                "description", details.get("text", "")))

    def open(self, url):
        self.send("Page.navigate", url=url)

    def evaluate(self, expression):
        result = self.send("Runtime.evaluate", expression=as_json(expression),
                           awaitPromise=True, returnByValue=True)
        if "exceptionDetails" in result:
            raise EngineError("evaluating failed: %s" % result["exceptionDetails"].get(
                "exception", {}).get("description", result["exceptionDetails"]["text"]))
        value = result["result"].get("value")
        return None if value is None else json.loads(value)

    def screenshot(self):
        return image(self.send("Page.captureScreenshot", format="png")["data"])

    def click(self, x, y, button="left"):
        if self.phone:
            for kind, points in (("touchStart", [{"x": x, "y": y}]), ("touchEnd", [])):
                self.send("Input.dispatchTouchEvent", type=kind, touchPoints=points)
            return
        for kind in ("mousePressed", "mouseReleased"):
            self.send("Input.dispatchMouseEvent", type=kind, x=x, y=y, button=button,
                      clickCount=1)

    def key(self, name, *modifiers):
        code, number, text, _ = KEYS[name]
        flags = sum(MODIFIERS[m][0] for m in modifiers)
        common = dict(key=name, code=code, windowsVirtualKeyCode=number, modifiers=flags)
        self.send("Input.dispatchKeyEvent", type="keyDown", text="" if flags & 2 else text,
                  **common)
        self.send("Input.dispatchKeyEvent", type="keyUp", **common)

    def type(self, text):
        """Text as an input method or a phone's keyboard gives it."""
        self.send("Input.insertText", text=text)

    def compose(self, text):
        """What an input method shows while a word is being composed, such as the pinyin of
        it, which type() then commits; an empty TEXT cancels the composition."""
        self.send("Input.imeSetComposition", text=text, selectionStart=len(text),
                  selectionEnd=len(text))

    def fonts_of(self, expression):
        """The fonts the text of the element EXPRESSION gives is drawn with, by family name and
        whether the page brought it."""
        self.send("DOM.enable")
        self.send("CSS.enable")
        self.send("DOM.getDocument", depth=-1, pierce=True)
        element = self.send("Runtime.evaluate", expression=expression)["result"]
        node = self.send("DOM.requestNode", objectId=element["objectId"])["nodeId"]
        return self.send("CSS.getPlatformFontsForNode", nodeId=node)["fonts"]


def w3c_click(x, y):
    return {"type": "pointer", "id": "mouse", "parameters": {"pointerType": "mouse"},
            "actions": [{"type": "pointerMove", "x": int(x), "y": int(y), "origin": "viewport"},
                        {"type": "pointerDown", "button": 0}, {"type": "pause", "duration": 50},
                        {"type": "pointerUp", "button": 0}]}


def w3c_keys(values, held=()):
    """Each of VALUES pressed and released, with the keys HELD down around them."""
    actions = [{"type": "keyDown", "value": MODIFIERS[m][1]} for m in held]
    for value in values:
        actions += [{"type": "keyDown", "value": value}, {"type": "keyUp", "value": value}]
    actions += [{"type": "keyUp", "value": MODIFIERS[m][1]} for m in held]
    return {"type": "key", "id": "keyboard", "actions": actions}


class W3CInput:
    """Clicks and keys as W3C WebDriver's actions, which WebDriver BiDi takes too, given to
    _act."""

    phone = False

    def click(self, x, y):
        self._act(w3c_click(x, y))

    def key(self, name, *modifiers):
        self._act(w3c_keys([KEYS[name][3]], modifiers))

    def type(self, text):
        self._act(w3c_keys(list(text)))


class Firefox(WebSocketBrowser, W3CInput):
    """Headless Firefox with one page, through WebDriver BiDi; or with WINDOW, in a window in the
    display DISPLAY names."""

    name = "Firefox"
    window_class = "firefox-esr"

    def __init__(self, width=1024, height=768, window=False):
        self.profile = tempfile.mkdtemp()
        if window:
            # The remote agent's own setting lets a window have the focus without the window
            # system's say, and then Firefox gives no key to the input method.
            with open(os.path.join(self.profile, "user.js"), "w") as preferences:
                preferences.write('user_pref("focusmanager.testmode", false);\n')
        self.process = subprocess.Popen(
            [os.environ.get("FIREFOX", "firefox-esr")] + ([] if window else ["--headless"]) +
            ["--no-remote", "--remote-debugging-port", str(free_port()), "--profile",
             self.profile, "about:blank"],
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        found = started(self.process, r"WebDriver BiDi listening on (ws://\S+)", "Firefox")
        self.socket = websocket.create_connection(found.group(1) + "/session", timeout=60,
                                                  suppress_origin=True)
        self.next_id = 0
        self.console = []
        self.requests = []
        self.version = "Firefox " + self.send("session.new", capabilities={})[
            "capabilities"]["browserVersion"]
        self.context = self.send("browsingContext.getTree")["contexts"][0]["context"]
        self.send("session.subscribe", events=["log.entryAdded", "network.beforeRequestSent"])
        self.send("browsingContext.setViewport", context=self.context,
                  viewport={"width": width, "height": height})

    def record_from_start(self, script):
        """Runs SCRIPT at the start of every page, before the page's own scripts."""
        self.send("script.addPreloadScript", functionDeclaration="() => {\n%s\n}" % script)

    def focus_page(self, x, y):
        """Gives the keyboard to the page, rather than to the browser's own bars, where a window
        that has just been activated gives it: by a click of the window system's at the page's
        point (X, Y), in CSS pixels."""
        left, top = self.evaluate("[mozInnerScreenX, mozInnerScreenY]")
        subprocess.run(["xdotool", "mousemove", str(round(left + x)), str(round(top + y)),
                        "click", "1"], check=True)

    def _error(self, message):
        if message.get("type") == "error":
            return "%s %s" % (message.get("error"), message.get("message"))
        return None

    def _event(self, message):
        params = message.get("params", {})
        if message.get("method") == "network.beforeRequestSent":
            self.requests.append(params["request"]["url"])
        elif message.get("method") == "log.entryAdded":
            self.console.append(params.get("text") or "")

    def open(self, url):
        self.send("browsingContext.navigate", context=self.context, url=url, wait="none")

    def evaluate(self, expression):
        result = self.send("script.evaluate", expression=as_json(expression),
                           target={"context": self.context}, awaitPromise=True)
        if result.get("type") != "success":
            raise EngineError("evaluating failed: %s" % result.get("exceptionDetails", {}).get(
                "text"))
        value = result["result"].get("value")
        return None if value is None else json.loads(value)

    def screenshot(self):
        return image(self.send("browsingContext.captureScreenshot", context=self.context)["data"])

    def _act(self, source):
        self.send("input.performActions", context=self.context, actions=[source])
        self.send("input.releaseActions", context=self.context)


class WebKit(W3CInput):
    """WebKitGTK's MiniBrowser with one page, through WebKitWebDriver, in a virtual X server of
    its own, or in the display DISPLAY names."""

    name = "WebKitGTK"
    window_class = "MiniBrowser"
    # WebDriver has no way to run a script before the page's own: the page is served with it.
    record_from_start = None
    MINIBROWSER = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"

    def __init__(self, width=1024, height=768, display=None):
        self.processes = []
        self.logs = []
        if not display:
            number = tempfile.TemporaryFile(mode="w+")
            self._start(["Xvfb", "-displayfd", str(number.fileno()), "-screen", "0",
                         "1600x1200x24", "-nolisten", "tcp"], pass_fds=(number.fileno(),))
            deadline = time.monotonic() + 10
            while not os.fstat(number.fileno()).st_size:
                if time.monotonic() > deadline:
                    raise EngineError("Xvfb did not start")
                time.sleep(0.05)
            number.seek(0)
            display = ":" + number.read().strip()
        environment = dict(os.environ, DISPLAY=display)
        port = free_port()
        self._start(["WebKitWebDriver", "--port=%d" % port], env=environment)
        self.base = "http://127.0.0.1:%d" % port
        deadline = time.monotonic() + 10
        while True:
            try:
                self._call("GET", "/status")
                break
            except OSError:
                if time.monotonic() > deadline:
                    raise EngineError("WebKitWebDriver did not start")
                time.sleep(0.1)
        session = self._call("POST", "/session", {"capabilities": {"alwaysMatch": {
            "webkitgtk:browserOptions": {"binary": self.MINIBROWSER, "args": ["--automation"]}}}})
        self.session = "/session/" + session["sessionId"]
        capabilities = session["capabilities"]
        self.version = "%s %s" % (capabilities["browserName"], capabilities["browserVersion"])
        self.console = []
        self.requests = []
        # The window's size includes MiniBrowser's own bars: grow it by them.
        self._call("POST", self.session + "/window/rect", {"width": width, "height": height})
        inner = self.evaluate("[innerWidth, innerHeight]")
        self._call("POST", self.session + "/window/rect",
                   {"width": 2 * width - inner[0], "height": 2 * height - inner[1]})

    def _start(self, command, **options):
        log = tempfile.TemporaryFile(mode="w+")
        self.processes.append(subprocess.Popen(command, stdout=log, stderr=subprocess.STDOUT,
                                               **options))
        self.logs.append((os.path.basename(command[0]), log))

    def _said(self):
        """The last lines each process wrote, such as why the browser went away."""
        said = []
        for name, log in self.logs:
            log.seek(0)
            said.append("%s wrote:\n%s" % (name, "".join(log.readlines()[-20:]) or "nothing"))
        return "\n".join(said)

    def _call(self, method, path, body=None):
        request = urllib.request.Request(
            self.base + path, method=method,
            data=None if body is None else json.dumps(body).encode(),
            headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(request, timeout=120) as response:
                return json.load(response)["value"]
        except urllib.error.HTTPError as error:
            said = error.read().decode()
            lost = '"invalid session id"' in said
            raise (BrowserLost if lost else EngineError)(
                "%s %s: %s\n%s" % (method, path, said, self._said()))

    def close(self):
        try:
            self._call("DELETE", self.session)
        except (EngineError, OSError, AttributeError):
            pass
        for process in reversed(self.processes):
            process.terminate()
            process.wait()

    def open(self, url):
        # Navigating waits for the page to load, which is all the test needs of it.
        self._call("POST", self.session + "/url", {"url": url})

    def evaluate(self, expression):
        value = self._call("POST", self.session + "/execute/async", {
            "script": "const done = arguments[0]; %s.then(done, (e) => done({failed: String(e)}));"
                      % as_json(expression), "args": []})
        if isinstance(value, dict):
            raise EngineError("evaluating failed: %s" % value["failed"])
        return None if value is None else json.loads(value)

    def screenshot(self):
        return image(self._call("GET", self.session + "/screenshot"))

    def _act(self, source):
        self._call("POST", self.session + "/actions", {"actions": [source]})
        self._call("DELETE", self.session + "/actions")

