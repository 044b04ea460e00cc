"""Brimble on a headless sway, started by with-sway.sh, driven by wl-clipboard and swaymsg.

The program runs natively on Wayland there (GDK's Wayland backend and data-control). Every
process started here is ended by its own PID; HOME and the XDG folders are temporary.
"""

import glob
import json
import os
import pwd
import select
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

from harness import Brimble, command_output, end_process, run_tool, wait_until  # noqa: E402,F401

WL_OFFER = os.environ.get("BRIMBLE_WL_OFFER", "wl_offer")
WL_WINDOW = os.environ.get("BRIMBLE_WL_WINDOW", "wl_window")


class OwnSway:
    """A headless sway of the test's own, which the test stops and starts again on one socket, as
    with-sway.sh starts the suite's (as its unprivileged user when the test runs as root)."""

    def __init__(self):
        self.runtime = tempfile.mkdtemp(prefix="brimble-own-sway.")
        os.chmod(self.runtime, 0o700)
        self.runner = []
        if os.getuid() == 0:
            user = os.environ.get("BRIMBLE_SWAY_USER", "brimble-sway")
            entry = pwd.getpwnam(user)
            os.chown(self.runtime, entry.pw_uid, entry.pw_gid)
            self.runner = ["setpriv", f"--reuid={user}", f"--regid={user}", "--clear-groups", "--"]
        self.config = os.path.join(self.runtime, "config")
        with open(self.config, "w") as out:
            out.write("output HEADLESS-1 resolution 1280x800 position 0 0\ndefault_border none\nxwayland disable\n")
        self.process = None
        self.socket = None

    def start(self):
        """Starts sway; returns the absolute path of its socket."""
        env = {"PATH": "/usr/bin:/bin", "HOME": self.runtime, "XDG_RUNTIME_DIR": self.runtime,
               "WLR_BACKENDS": "headless", "WLR_LIBINPUT_NO_DEVICES": "1", "WLR_RENDERER": "pixman"}
        self.log = open(os.path.join(self.runtime, "sway.log"), "a")
        self.process = subprocess.Popen(self.runner + ["sway", "-c", self.config], env=env, stdout=self.log,
                                        stderr=subprocess.STDOUT)
        self.socket = wait_until(lambda: next(iter(glob.glob(os.path.join(self.runtime, "wayland-*[0-9]"))), None),
                                 10, 0.05, "sway's socket")
        # sway opens its command socket once its configuration, and with it the seat, is in place.
        # (setpriv becomes sway, so the socket is named after this PID).
        wait_until(lambda: glob.glob(os.path.join(self.runtime, f"sway-ipc.*.{self.process.pid}.sock")), 10, 0.05,
                   "sway's command socket")
        return self.socket

    def stop(self):
        if self.process:
            end_process(self.process)
            self.process = None
            self.log.close()

    def remove(self):
        self.stop()
        shutil.rmtree(self.runtime, ignore_errors=True)


def sway_tree():
    result = run_tool("swaymsg", "-r", "-t", "get_tree")
    try:
        return json.loads(result.stdout)
    except ValueError:
        return {}


def windows(node=None):
    """Every window of the tree, tiled or floating."""
    node = sway_tree() if node is None else node
    found = []
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        if child.get("type") in ("con", "floating_con") and child.get("app_id") is not None:
            found.append(child)
        found.extend(windows(child))
    return found


def focused_app_id():
    for window in windows():
        if window.get("focused"):
            return window.get("app_id")
    return None


def read_clipboard(timeout=5.0):
    """The clipboard's text as wl-paste reads it, or None; given up on after `timeout`."""
    return command_output(["wl-paste", "--no-newline"], timeout)


class WaylandBrimble(Brimble):
    """Brimble on the test's sway, its window found through sway's tree."""

    def main_window(self):
        for window in windows():
            rect = window.get("rect", {})
            if (window.get("app_id") == "brimble" and window.get("visible")
                    and rect.get("width", 0) >= 520 and rect.get("height", 0) >= 380):
                return window["id"]
        return None

    def add_desktop_entry(self, entry_id):
        folder = os.path.join(self.data, "applications")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, entry_id + ".desktop"), "w") as out:
            out.write(f"[Desktop Entry]\nType=Application\nName={entry_id}\nExec=true\n")

    def wl_copy(self, text, mime_type=None, path=None):
        """Copies with wl-copy kept in the foreground, so that it can be ended by its PID."""
        args = ["wl-copy", "--foreground"] + (["--type", mime_type] if mime_type else [])
        source = open(path, "rb") if path else subprocess.PIPE
        helper = subprocess.Popen(args, stdin=source, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if path:
            source.close()
        else:
            helper.stdin.write(text.encode())
            helper.stdin.close()
        self.helpers.append(helper)
        return helper

    def wl_offer(self, *pairs, hang=False, filler=0, options=()):
        """Offers several MIME types at once, and `filler` meaningless ones after them; returns
        once the compositor holds the offer. `options` are wl_offer's own (--log, --file...)."""
        args = ([WL_OFFER] + (["--hang"] if hang else []) + (["--filler", str(filler)] if filler else [])
                + list(options) + list(pairs))
        helper = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.helpers.append(helper)
        if helper.stdout.readline().strip() != "ready":
            raise AssertionError("wl_offer did not take the clipboard")
        return helper

    def open_window(self, app_id):
        """A window of the given app_id, mapped and given the keyboard by sway."""
        helper = subprocess.Popen([WL_WINDOW, app_id], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                  text=True, env=self.env)
        self.helpers.append(helper)
        if helper.stdout.readline().strip() != "ready":
            raise AssertionError(f"the window {app_id} did not appear")
        # sway gives a new window the keyboard a moment after it is mapped.
        wait_until(lambda: focused_app_id() == app_id, 5, 0.05, f"{app_id} in front")
        return helper

    def post(self, body):
        self.page().evaluate(f"window.webkit.messageHandlers.pr2Clip.postMessage({json.dumps(body)}); true")


def read_line(helper, timeout):
    """The helper's next line of output, or None when none comes within `timeout`."""
    ready, _, _ = select.select([helper.stdout], [], [], timeout)
    return helper.stdout.readline().rstrip("\n") if ready else None


def focus(app_id):
    run_tool("swaymsg", f'[app_id="{app_id}"] focus')
    wait_until(lambda: focused_app_id() == app_id, 5, 0.05, f"{app_id} in front")
    # The compositor tells the window list's clients a moment after the focus changes.
    time.sleep(0.2)
