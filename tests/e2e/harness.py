"""Starts the real Brimble under the test's X server with private folders and drives X11 clients.

Every process started here is ended by its own PID. HOME and the XDG folders point into a
temporary folder, so nothing touches the real home.
"""

import json
import os
import shutil
import signal
import socket
import struct
import subprocess
import tempfile
import time
import unittest
import zlib

from inspector import PageInspector

BRIMBLE = os.environ.get("BRIMBLE_EXECUTABLE", "brimble")
OFFER_TARGETS = os.environ.get("BRIMBLE_OFFER_TARGETS", "offer_targets")
SLOW_OWNER = os.environ.get("BRIMBLE_SLOW_OWNER", "slow_owner")
PAGE_URL = "vellumo://clipboard/index.html"
APPLICATION_ID = "app.brimble.Brimble"
ARTIFACTS = os.environ.get("BRIMBLE_E2E_ARTIFACTS", tempfile.gettempdir())


def wait_until(predicate, timeout=10.0, interval=0.05, message="condition"):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {message}")
        time.sleep(interval)


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def write_png(path, width, height):
    """A solid-colour RGB PNG, written with zlib so the test needs no image tool."""
    row = b"\x00" + bytes([40, 120, 200]) * width
    raw = row * height

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                  + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def png_size(path):
    with open(path, "rb") as image:
        head = image.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        raise AssertionError(f"{path} is not a PNG")
    return struct.unpack(">II", head[16:24])


def screenshot(name):
    """Keeps the whole screen as ARTIFACTS/name.png, for a person to look at."""
    subprocess.run(["import", "-window", "root", os.path.join(ARTIFACTS, f"{name}.png")],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=30, check=False)


def run_tool(*args, timeout=10):
    return subprocess.run(args, capture_output=True, text=True, timeout=timeout, check=False)


class Brimble:
    """One running Brimble with its own HOME, data, config and runtime folders."""

    def __init__(self, settings=None, history=None, inspector=True):
        self.root = tempfile.mkdtemp(prefix="brimble-e2e-")
        self.home = os.path.join(self.root, "home")
        self.data = os.path.join(self.root, "data")
        self.config = os.path.join(self.root, "config")
        self.runtime = os.path.join(self.root, "runtime")
        for folder in (self.home, self.data, self.config, self.runtime):
            os.makedirs(folder, mode=0o700)
        settings = dict(settings or {})
        self.inspector_port = None
        if inspector:
            # The page is driven through the web inspector, which the "devtools" setting enables.
            settings["devtools"] = True
            self.inspector_port = free_port()
        os.makedirs(os.path.join(self.config, "Brimble"))
        with open(os.path.join(self.config, "Brimble", "settings.json"), "w") as out:
            json.dump(settings, out)
        if history is not None:
            os.makedirs(self.data_folder, exist_ok=True)
            with open(self.history_file, "w") as out:
                json.dump(history, out)
        self.env = dict(os.environ, HOME=self.home, XDG_DATA_HOME=self.data, XDG_CONFIG_HOME=self.config,
                        XDG_RUNTIME_DIR=self.runtime, XDG_CACHE_HOME=os.path.join(self.home, ".cache"))
        # The tests read the English texts: the developer's own desktop language must not leak in.
        for name in ("LANGUAGE", "LC_ALL"):
            self.env.pop(name, None)
        self.env["LC_MESSAGES"] = "C.UTF-8"
        if self.inspector_port:
            self.env["WEBKIT_INSPECTOR_HTTP_SERVER"] = f"127.0.0.1:{self.inspector_port}"
        self.process = None
        self.helpers = []
        self._page = None
        self.log_path = os.path.join(self.root, "brimble.log")

    # Folders and files

    @property
    def data_folder(self):
        return os.path.join(self.data, "Brimble")

    @property
    def history_file(self):
        return os.path.join(self.data_folder, "clipboard.json")

    @property
    def images_folder(self):
        return os.path.join(self.data_folder, "clipboard-images")

    def history(self):
        try:
            with open(self.history_file) as source:
                return json.load(source)
        except (OSError, ValueError):
            return []

    def texts(self):
        return [entry["text"] for entry in self.history()]

    def settings(self):
        try:
            with open(os.path.join(self.config, "Brimble", "settings.json")) as source:
                return json.load(source)
        except (OSError, ValueError):
            return {}

    # Life cycle

    def start(self, *options, window=True):
        """Starts the program with `options`; waits for its window, or with `window=False` for
        the end of its launch, which writes the history file (a start in the background shows no
        window)."""
        # A history written before the start is written again by the launch.
        written_before = self.history_written()
        self.log = open(self.log_path, "w")
        self.process = subprocess.Popen([BRIMBLE, *options], env=self.env, stdout=self.log,
                                        stderr=subprocess.STDOUT)
        if not window:
            wait_until(lambda: self.history_written() not in (None, written_before), 30, 0.1,
                       "the end of the launch")
            return self
        try:
            wait_until(lambda: self.main_window() is not None, 30, 0.1, "the main window")
        except AssertionError:
            self.log.flush()
            with open(self.log_path) as log:
                raise AssertionError("no main window; exit code %s; log:\n%s"
                                     % (self.process.poll(), log.read()[-3000:]))
        return self

    def history_written(self):
        """When the history file was last written, or None without one."""
        try:
            return os.stat(self.history_file).st_mtime_ns
        except OSError:
            return None

    def stop(self):
        self.quit()
        shutil.rmtree(self.root, ignore_errors=True)

    def quit(self):
        """Ends the program and its helpers but keeps its folders, for a second launch."""
        if self._page:
            self._page.close()
            self._page = None
        for helper in self.helpers:
            end_process(helper)
        self.helpers = []
        if self.process:
            end_process(self.process, signal.SIGTERM, 15)
            self.process = None
            self.log.close()
            # The bus lets go of the single-instance name a moment after the process ends; a
            # program started before that would only hand over to the one that is gone.
            wait_until(lambda: not bus_name_taken(APPLICATION_ID), 10, 0.05, "the bus name to be free")

    def background_start_and_quit(self, settle=1.5):
        """Starts in the background, waits `settle` seconds (the tray item falls back to an icon
        of its own 0.1 s after a start where no tray host answers), quits with --quit, and
        returns what the program logged."""
        self.start("--background", window=False)
        time.sleep(settle)
        assert self.start_again("--quit") == 0, "--quit refused"
        assert self.process.wait(timeout=20) == 0, "the program did not end well after --quit"
        self.process = None
        self.log.close()
        with open(self.log_path) as log:
            return log.read()

    def start_again(self, *options, timeout=30):
        """Starts the program a second time, as a user or a desktop shortcut would; it hands its
        options to the running instance and exits. Returns its exit status."""
        second = subprocess.run([BRIMBLE, *options], env=self.env, capture_output=True, text=True,
                                timeout=timeout, check=False)
        return second.returncode

    def web_processes(self):
        """The PIDs of WebKit's processes that belong to this Brimble (its children)."""
        found = []
        for name in os.listdir("/proc"):
            if not name.isdigit():
                continue
            try:
                with open(f"/proc/{name}/stat") as stat:
                    fields = stat.read().rsplit(")", 1)[1].split()
                with open(f"/proc/{name}/comm") as comm:
                    command = comm.read().strip()
            except (OSError, IndexError):
                continue
            if int(fields[1]) == self.process.pid and command.startswith("WebKit"):
                found.append(int(name))
        return found

    def forget_page(self):
        """Drops the inspector connection to a page that was released; the next `page()` finds
        the new one."""
        if self._page:
            self._page.close()
            self._page = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    # The window

    def main_window(self):
        """The X id of the visible main window, or None."""
        result = run_tool("xdotool", "search", "--onlyvisible", "--name", "^Brimble$")
        for window in result.stdout.split():
            geometry = self.window_geometry(window)
            if geometry.get("WIDTH", 0) >= 520 and geometry.get("HEIGHT", 0) >= 380:
                return window
        return None

    def window(self, timeout=10.0):
        """The main window, waited for: a lookup can miss while X clients come and go."""
        return wait_until(self.main_window, timeout, 0.1, "the main window")

    def window_geometry(self, window):
        values = {}
        for line in run_tool("xdotool", "getwindowgeometry", "--shell", window).stdout.splitlines():
            key, _, value = line.partition("=")
            values[key] = int(value) if value.lstrip("-").isdigit() else value
        return values

    def press(self, window, *keys):
        run_tool("xdotool", "windowfocus", "--sync", window)
        run_tool("xdotool", "key", "--clearmodifiers", *keys)

    def dialog_window(self, main):
        """A visible Brimble window that is not the main one (a dialog), or None."""
        result = run_tool("xdotool", "search", "--onlyvisible", "--class", "brimble")
        for window in result.stdout.split():
            if window != main and "Brimble" != run_tool("xdotool", "getwindowname", window).stdout.strip():
                geometry = self.window_geometry(window)
                if geometry.get("WIDTH", 0) > 50:
                    return window
        return None

    # The page

    def page(self):
        if self._page is None:
            self._page = PageInspector(self.inspector_port, timeout=30)
            self._page.wait_for_document(PAGE_URL)
        return self._page

    def page_text(self):
        return self.page().evaluate("document.body ? document.body.innerText : ''")

    # Clipboard clients

    def copy_text(self, text, target=None):
        """Copies `text` with xclip, which keeps owning the clipboard until someone else takes it."""
        args = ["xclip", "-quiet", "-selection", "clipboard", "-i"]
        if target:
            args[1:1] = ["-t", target]
        helper = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL)
        helper.stdin.write(text.encode())
        helper.stdin.close()
        self.helpers.append(helper)
        return helper

    def copy_recorded(self, texts):
        """Copies each text in turn, each recorded before the next is copied."""
        for text in texts:
            self.copy_text(text)
            wait_until(lambda: text in self.texts(), 10, 0.05, f"{text!r} recorded")

    def copy_file(self, path, target):
        helper = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard", "-t", target, "-i", path],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.helpers.append(helper)
        return helper

    def offer_targets(self, text, *extra_targets, window_first=False, app_id=None, wm_class=None):
        """Copies `text` offered as UTF8_STRING together with `extra_targets`. With
        `window_first` (or an `app_id` or `wm_class` for that window), the helper first shows a
        window and makes it the active one; its X id is then returned with the process."""
        front = (["--app-id", app_id] if app_id else ["--wm-class", wm_class] if wm_class
                 else ["--window"] if window_first else [])
        window_first = window_first or bool(app_id) or bool(wm_class)
        args = [OFFER_TARGETS] + front + [text, *extra_targets]
        helper = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                                  env=self.env)
        self.helpers.append(helper)
        window = None
        line = helper.stdout.readline().strip()
        if line.startswith("window "):
            window = line.split()[1]
            line = helper.stdout.readline().strip()
        if line != "ready":
            raise AssertionError("offer_targets did not take the clipboard")
        return (helper, window) if window_first else helper

    def copy_from_frozen_owner(self, text, answer_after=None):
        """Takes the clipboard for `text` from a program that reads no request until
        `answer_after` seconds have passed, or never when it is None."""
        delay = ["--never"] if answer_after is None else ["--delay", str(answer_after)]
        return self.slow_owner(*delay, text)

    def copy_with_late_targets(self, text, list_after, *extra_targets):
        """Takes the clipboard for `text`, answering it at once but listing its targets (with
        `extra_targets`, such as a password marker) only after `list_after` seconds."""
        return self.slow_owner("--targets-after", str(list_after), text, *extra_targets)

    def copy_compound_text(self):
        """Takes the clipboard as an old-style owner that answers in COMPOUND_TEXT only; see
        slow_owner.c for its text."""
        return self.slow_owner("--compound")

    def slow_owner(self, *args):
        helper = subprocess.Popen([SLOW_OWNER, *args], stdout=subprocess.PIPE,
                                  stderr=subprocess.DEVNULL, text=True, env=self.env)
        self.helpers.append(helper)
        line = helper.stdout.readline().strip()
        helper.stdout.close()
        if line != "ready":
            raise AssertionError("slow_owner did not take the clipboard")
        return helper


def bus_name_taken(name):
    reply = run_tool("dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                     "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner", f"string:{name}")
    return "boolean true" in reply.stdout


def read_clipboard(timeout=5.0):
    """The clipboard's text, read by a separate xclip that is given up on after `timeout`.

    Brimble may own the clipboard and answers on its main loop; the read never blocks the test."""
    return command_output(["xclip", "-o", "-selection", "clipboard"], timeout)


def command_output(command, timeout):
    """What `command` printed, or None when it failed or had not finished after `timeout`."""
    reader = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    try:
        out, _ = reader.communicate(timeout=timeout)
        return out.decode() if reader.returncode == 0 else None
    except subprocess.TimeoutExpired:
        end_process(reader)
        return None


def end_process(process, first_signal=signal.SIGTERM, grace=5):
    if process.poll() is not None:
        return
    try:
        process.send_signal(first_signal)
        process.wait(timeout=grace)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait(timeout=5)


class BrimbleTestCase(unittest.TestCase):
    """Starts one Brimble per test and stops it afterwards, whatever happened: with its window
    shown, or in the background as at login; driven through the page's inspector or, where the
    inspector would change what is measured, without it."""

    settings = None
    history = None
    background = False
    inspector = True

    def setUp(self):
        self.app = Brimble(settings=self.settings, history=self.history, inspector=self.inspector)
        self.addCleanup(self.app.stop)
        if self.background:
            self.app.start("--background", window=False)
        else:
            self.app.start()

    def wait_for_text(self, text, timeout=10.0):
        return wait_until(lambda: text in self.app.texts(), timeout, message=f"{text!r} in clipboard.json")

    def scratch_folder(self, prefix):
        """A temporary folder of the test's own, removed afterwards."""
        folder = tempfile.mkdtemp(prefix=prefix)
        self.addCleanup(shutil.rmtree, folder, True)
        return folder


class DesktopTestCase(BrimbleTestCase):
    """Brimble on a desktop with a window manager, for the roads a person takes with real keys:
    the window manager is there before Brimble starts, and outlives it."""

    def setUp(self):
        self.wm = WindowManager()
        self.addCleanup(self.wm.stop)
        super().setUp()


class WindowManager:
    """Openbox on the test's X server, as a user's desktop has one: it maps windows, gives them
    the keyboard and applies focus-stealing rules. Ended by its own PID."""

    def __init__(self):
        self.process = subprocess.Popen(["openbox", "--sm-disable"], stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        wait_until(self.running, 15, 0.05, "the window manager")

    @staticmethod
    def running():
        result = run_tool("xprop", "-root", "_NET_SUPPORTING_WM_CHECK")
        return "window id" in result.stdout

    def stop(self):
        end_process(self.process)


def focused_window():
    """The X id of the window that has the keyboard, as xdotool types into it."""
    return run_tool("xdotool", "getwindowfocus").stdout.strip()


def type_keys(*keys, text=None):
    """Types into whatever has the keyboard, as a person at the keyboard does: `text` letter by
    letter, then `keys` (xdotool names such as Down or ctrl+a)."""
    for command in ([["xdotool", "type", "--delay", "15", text]] if text else []) + \
            ([["xdotool", "key", "--delay", "15", *keys]] if keys else []):
        result = run_tool(*command)
        if result.returncode != 0 or result.stderr.strip():
            raise AssertionError(f"{' '.join(command)} failed ({result.returncode}): {result.stderr.strip()}")
