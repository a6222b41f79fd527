"""A pinyin input method from Debian's packages, fcitx5 or IBus, for the checks that type Chinese
as a person does: started on the session bus the check runs on, in the home it runs in, and
switched to pinyin; and the keys a person presses, from xdotool, into the display that has the
keyboard focus.
"""
import os
import subprocess
import time


class InputMethodError(Exception):
    pass


def output_of(*command):
    return subprocess.run(command, capture_output=True, text=True).stdout.strip()


def keys(*names):
    subprocess.run(["xdotool", "key", "--delay", "120", *names], check=True)
    time.sleep(0.3)


def wait_until(what, ready, seconds):
    """Waits until READY() is true; raises an error saying WHAT() if it never is."""
    deadline = time.monotonic() + seconds
    while not ready():
        if time.monotonic() > deadline:
            raise InputMethodError(what())
        time.sleep(0.1)


def owned(name):
    from gi.repository import Gio, GLib
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    return bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                         "NameHasOwner", GLib.Variant("(s)", (name,)), None,
                         Gio.DBusCallFlags.NONE, -1).unpack()[0]


class InputMethod:
    """fcitx5 or IBus (METHOD), its output in LOGS/METHOD.log."""

    def __init__(self, method, logs):
        self.method = method
        self.log = os.path.join(logs, method + ".log")
        self.daemon = None

    def start(self):
        """Starts it and waits until it serves; returns what a program's environment needs to
        use it: Qt's module and GTK's, and X's protocol for the others."""
        if self.method == "fcitx5":
            profile = os.path.join(os.environ["XDG_CONFIG_HOME"], "fcitx5")
            os.makedirs(profile, exist_ok=True)
            with open(os.path.join(profile, "profile"), "w") as settings:
                settings.write("[Groups/0]\nName=Default\nDefault Layout=us\nDefaultIM=pinyin\n\n"
                               "[Groups/0/Items/0]\nName=keyboard-us\nLayout=\n\n"
                               "[Groups/0/Items/1]\nName=pinyin\nLayout=\n\n"
                               "[GroupOrder]\n0=Default\n")
            # Programs reach it through its D-Bus frontend, which Qt's and GTK's fcitx modules
            # talk to, on X11 and on Wayland alike. Weston gives its own input method protocol
            # only to the input method its settings name, and fcitx5 ends when it is refused.
            self._run(["fcitx5", "--disable=cloudpinyin,notificationitem,kimpanel,virtualkeyboard"],
                      {k: v for k, v in os.environ.items() if k != "WAYLAND_DISPLAY"})
            # Asked for before it owns its name, the bus would start a second fcitx5 of its own.
            self._serving(lambda: owned("org.fcitx.Fcitx5"))
            return {"QT_IM_MODULE": "fcitx", "GTK_IM_MODULE": "fcitx", "XMODIFIERS": "@im=fcitx"}
        self._run(["ibus-daemon", "--xim", "--panel=disable"])

        def chosen():
            # ibus engine ENGINE ends with status 1 even when it has chosen it.
            subprocess.run(["ibus", "engine", "libpinyin"], capture_output=True)
            return output_of("ibus", "engine") == "libpinyin"
        self._serving(chosen)
        return {"QT_IM_MODULE": "ibus", "GTK_IM_MODULE": "ibus", "XMODIFIERS": "@im=ibus"}

    def _run(self, command, environment=None):
        with open(self.log, "w") as output:
            self.daemon = subprocess.Popen(command, stdout=output, stderr=subprocess.STDOUT,
                                           env=environment)

    def _log(self):
        with open(self.log, errors="replace") as log:
            return log.read()[-3000:]

    def _serving(self, serves):
        def started():
            if self.daemon.poll() is not None:
                raise InputMethodError("%s ended with status %d as it started; its log:\n%s" %
                                       (self.method, self.daemon.returncode, self._log()))
            return serves()
        wait_until(lambda: "%s did not start within 30 s; its log:\n%s" % (self.method,
                                                                             self._log()),
                   started, 30)

    def pinyin_on(self):
        """Switches to pinyin as a person does, once the program has the focus; IBus's chosen
        engine is pinyin already."""
        if self.method != "fcitx5":
            return
        # fcitx5-remote names the input method of the input context that has the focus.
        wait_until(lambda: "no input context of fcitx5 has the focus: the program does not use "
                   "fcitx5", lambda: output_of("fcitx5-remote", "-n"), 10)
        keys("ctrl+space")
        wait_until(lambda: "Ctrl+Space did not switch fcitx5 to pinyin: fcitx5-remote says %r" %
                   output_of("fcitx5-remote", "-n"),
                   lambda: output_of("fcitx5-remote", "-n") == "pinyin", 10)

    def stop(self):
        if self.daemon is not None and self.daemon.poll() is None:
            self.daemon.terminate()
            self.daemon.wait()
