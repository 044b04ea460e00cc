"""Brimble on a headless sway, started by with-sway.sh, driven by wl-clipboard and swaymsg.

The program runs natively on Wayland there (GDK's Wayland backend and data-control). Every
process started here is ended by its own PID; HOME and the XDG folders are temporary.
"""

import json
import os
import select
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

from harness import Brimble, command_output, end_process, run_tool, wait_until  # noqa: E402,F401

WL_OFFER = os.environ.get("BRIMBLE_WL_OFFER", "wl_offer")
WL_WINDOW = os.environ.get("BRIMBLE_WL_WINDOW", "wl_window")


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
