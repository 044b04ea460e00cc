"""What Linux users expect beyond the window: starting at login, Control+Alt+V from anywhere, the
clipboard kept when the program that copied quits, and a chosen entry pasted where the user was."""

import json
import os
import queue
import subprocess
import threading
import time
import unittest

from harness import BRIMBLE, BrimbleTestCase, read_clipboard, run_tool, wait_until

PASTE_TARGET = os.environ.get("BRIMBLE_PASTE_TARGET", "paste_target")


def post(page, body):
    """Sends a command as the page does, without touching the page's own code."""
    page.evaluate(f"window.webkit.messageHandlers.pr2Clip.postMessage({json.dumps(body)}); true")


def search_has_focus(page):
    return page.evaluate("!!document.activeElement && document.activeElement.id === 'search'")


class PasteTarget:
    """The paste_target helper: its window id, and the lines it prints read on a thread."""

    def __init__(self, app):
        self.process = subprocess.Popen([PASTE_TARGET], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                        text=True, env=app.env)
        app.helpers.append(self.process)
        self.lines = queue.Queue()
        first = self.process.stdout.readline().strip()
        if not first.startswith("window "):
            raise AssertionError(f"paste_target did not show its window: {first!r}")
        self.window = str(int(first.split()[1], 16))
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.rstrip("\n"))

    def wait_for_text(self, text, timeout=10.0):
        deadline = time.monotonic() + timeout
        seen = []
        while time.monotonic() < deadline:
            try:
                line = self.lines.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                break
            seen.append(line)
            if line == f"text {text}":
                return
        raise AssertionError(f"{text!r} was not pasted; the field went through {seen!r}")


class StartAtLoginTest(BrimbleTestCase):

    def entry(self):
        return os.path.join(self.app.config, "autostart", "brimble.desktop")

    def test_autostart_entry_appears_and_disappears(self):
        self.assertFalse(os.path.exists(self.entry()), "off on the first run")
        page = self.app.page()
        post(page, {"cmd": "autostart", "value": True})
        wait_until(lambda: os.path.exists(self.entry()), message="the autostart entry")
        with open(self.entry()) as source:
            text = source.read()
        self.assertIn("[Desktop Entry]", text)
        # The entry starts this very program, wherever it was built, without its window.
        self.assertIn(f"Exec={os.path.realpath(BRIMBLE)} --background\n", text)
        # A command without a boolean changes nothing.
        post(page, {"cmd": "autostart", "value": "no"})
        post(page, {"cmd": "autostart"})
        time.sleep(0.5)
        self.assertTrue(os.path.exists(self.entry()))

        post(page, {"cmd": "autostart", "value": False})
        wait_until(lambda: not os.path.exists(self.entry()), message="the entry removed")
        # The setting lives in the entry alone, not in the settings file.
        self.assertNotIn("autostart", self.app.settings())


class OpenLinkTest(unittest.TestCase):

    def test_a_link_opens_in_the_browser_with_the_users_environment_and_the_page_keeps_its_own(self):
        # The web engine's setting used to be written into the environment at every page build,
        # while GLib's and WebKit's threads ran; it is set once at the start now, and kept from
        # the programs Brimble starts.
        from harness import Brimble
        app = Brimble()
        self.addCleanup(app.stop)
        seen = os.path.join(app.root, "browser-env")
        browser = os.path.join(app.root, "fake-browser")
        with open(browser, "w") as out:
            out.write(f'#!/bin/sh\nenv > "{seen}.part"\necho "URL=$1" >> "{seen}.part"\nmv "{seen}.part" "{seen}"\n')
        os.chmod(browser, 0o755)
        os.makedirs(os.path.join(app.data, "applications"))
        with open(os.path.join(app.data, "applications", "fake-browser.desktop"), "w") as out:
            out.write(f"[Desktop Entry]\nType=Application\nName=Fake browser\nExec={browser} %u\n"
                      "MimeType=x-scheme-handler/https;\n")
        with open(os.path.join(app.config, "mimeapps.list"), "w") as out:
            out.write("[Default Applications]\nx-scheme-handler/https=fake-browser.desktop\n")
        variables = ("WEBKIT_DISABLE_MEMORY_PRESSURE_MONITOR", "WEBKIT_DISABLE_DMABUF_RENDERER")
        for name in variables:
            app.env.pop(name, None)
        app.start()
        post(app.page(), {"cmd": "open", "url": "https://example.invalid/notes"})
        wait_until(lambda: os.path.exists(seen), 15, 0.1, "the browser started")
        with open(seen) as source:
            lines = source.read().splitlines()
        self.assertIn("URL=https://example.invalid/notes", lines)
        for name in variables:
            self.assertFalse([line for line in lines if line.startswith(name + "=")])
        for pid in app.web_processes():
            with open(f"/proc/{pid}/environ", "rb") as source:
                environment = source.read().split(b"\0")
            for name in variables:
                self.assertIn(f"{name}=1".encode(), environment)


class ShortcutTest(BrimbleTestCase):

    def test_control_alt_v_shows_the_window_with_search_focused_and_hides_it_again(self):
        page = self.app.page()
        window = self.app.window()
        run_tool("xdotool", "windowfocus", "--sync", window)
        # Focused: the key puts the window away.
        run_tool("xdotool", "key", "--clearmodifiers", "ctrl+alt+v")
        wait_until(lambda: self.app.main_window() is None, message="the window hidden by the key")

        run_tool("xdotool", "key", "--clearmodifiers", "ctrl+alt+v")
        self.assertEqual(self.app.window(), window)
        wait_until(lambda: search_has_focus(page), 10, 0.1, "the search field focused")

        # Shown by the key, the window has the keyboard, so the same key hides it again.
        run_tool("xdotool", "key", "--clearmodifiers", "ctrl+alt+v")
        wait_until(lambda: self.app.main_window() is None, message="the window hidden again")
        self.assertIsNone(self.app.process.poll())

    def test_escape_in_an_empty_search_hides_the_window(self):
        page = self.app.page()
        window = self.app.window()
        wait_until(lambda: page.evaluate("!!document.getElementById('search')"), 15, 0.2, "the search field")
        self.app.press(window, "ctrl+f")
        wait_until(lambda: search_has_focus(page), 10, 0.1, "the search field focused")
        # The first Escape empties the search, the second hides the window.
        run_tool("xdotool", "type", "abc")
        wait_until(lambda: page.evaluate("document.getElementById('search').value") == "abc",
                   message="the typed search")
        run_tool("xdotool", "key", "Escape")
        wait_until(lambda: page.evaluate("document.getElementById('search').value") == "",
                   message="the search emptied")
        self.assertIsNotNone(self.app.main_window())
        run_tool("xdotool", "key", "Escape")
        wait_until(lambda: self.app.main_window() is None, message="the window hidden by Escape")
        self.assertIsNone(self.app.process.poll())

        # Brought back by the key, the window is ready for the next search.
        run_tool("xdotool", "key", "--clearmodifiers", "ctrl+alt+v")
        self.assertEqual(self.app.window(), window)
        wait_until(lambda: search_has_focus(page), 10, 0.1, "the search field focused again")
        self.assertEqual(page.evaluate("document.getElementById('search').value"), "")


class KeepAliveTest(BrimbleTestCase):

    def test_text_stays_on_the_clipboard_after_its_owner_quits_and_is_recorded_once(self):
        helper = self.app.copy_text("outlives its owner")
        self.wait_for_text("outlives its owner")
        recorded = self.app.history()
        saved = os.stat(self.app.history_file).st_mtime_ns

        helper.terminate()
        helper.wait(timeout=5)
        self.app.helpers.remove(helper)
        # Read by another program, asynchronously: Brimble answers on its own main loop.
        self.assertEqual(wait_until(lambda: read_clipboard(2.0) == "outlives its owner" and "kept", 10, 0.2,
                                    "the text still on the clipboard"), "kept")
        time.sleep(1.0)
        # Taken over without being recorded again: same entry, same time, file not even rewritten.
        self.assertEqual(self.app.history(), recorded)
        self.assertEqual(os.stat(self.app.history_file).st_mtime_ns, saved)

    def test_nothing_is_taken_over_while_paused(self):
        helper = self.app.copy_text("left to go")
        self.wait_for_text("left to go")
        window = self.app.window()
        self.app.press(window, "ctrl+shift+p")
        wait_until(lambda: self.app.settings().get("clipboardPaused") is True, message="paused")
        helper.terminate()
        helper.wait(timeout=5)
        self.app.helpers.remove(helper)
        time.sleep(1.0)
        self.assertIsNone(read_clipboard(2.0))


class PasteAfterChoosingTest(BrimbleTestCase):
    settings = {"pasteAfterChoosing": True}

    def test_chosen_entry_is_typed_into_the_window_that_was_in_front(self):
        self.app.copy_text("pasted by Brimble")
        self.wait_for_text("pasted by Brimble")
        page = self.app.page()
        wait_until(lambda: "pasted by Brimble" in self.app.page_text(), 15, 0.2, "the entry in the page")

        target = PasteTarget(self.app)
        run_tool("xdotool", "windowfocus", "--sync", target.window)
        run_tool("xdotool", "key", "--clearmodifiers", "ctrl+alt+v")
        self.app.window()
        wait_until(lambda: search_has_focus(page), 10, 0.1, "the search field focused")
        # Enter in the search field chooses the first entry.
        run_tool("xdotool", "key", "Return")
        wait_until(lambda: self.app.main_window() is None, message="the window hidden after choosing")
        target.wait_for_text("pasted by Brimble")

    def test_switch_off_copies_without_hiding_or_pasting(self):
        self.app.copy_text("copied only")
        self.wait_for_text("copied only")
        page = self.app.page()
        post(page, {"cmd": "pasteAfterChoosing", "value": False})
        wait_until(lambda: self.app.settings().get("pasteAfterChoosing") is False, message="the switch off")
        entry = self.app.history()[0]
        post(page, {"cmd": "copy", "id": entry["id"]})
        time.sleep(1.0)
        self.assertIsNotNone(self.app.main_window())


if __name__ == "__main__":
    unittest.main()
