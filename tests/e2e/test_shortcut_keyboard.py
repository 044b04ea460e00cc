"""The keyboard around Control+Alt+V under a real window manager, with keys typed by xdotool: what
is typed right after the key is drawn in the search field at once, the rest of the desktop gets
its keys back as soon as the window has the keyboard, and keys meant for the search never answer
a dialog."""

import ctypes
import time
import unittest

from harness import DesktopTestCase, focused_window, run_tool, wait_until
from test_extras import PasteTarget

ENTRIES = ["alpha one", "quartz crystal", "beta two", "zircon sand"]

GRAB_SUCCESS = 0


class OtherClient:
    """A second X client that tries to take the keyboard, as any application or the window
    manager's own key bindings do."""

    def __init__(self):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x11.XGrabKeyboard.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                           ctypes.c_int, ctypes.c_ulong]
        self.x11.XUngrabKeyboard.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.display = self.x11.XOpenDisplay(None)
        if not self.display:
            raise AssertionError("no X display")

    def can_grab_keyboard(self):
        root = self.x11.XDefaultRootWindow(self.display)
        status = self.x11.XGrabKeyboard(self.display, root, 0, 1, 1, 0)
        if status == GRAB_SUCCESS:
            self.x11.XUngrabKeyboard(self.display, 0)
        self.x11.XSync(self.display, 0)
        return status == GRAB_SUCCESS

    def close(self):
        self.x11.XCloseDisplay(self.display)


class ShortcutKeyboardTest(DesktopTestCase):

    def setUp(self):
        super().setUp()
        self.app.copy_recorded(ENTRIES)
        self.window = self.app.window()
        self.page = self.app.page()
        wait_until(lambda: self.page.evaluate("!!document.getElementById('search')"), 15, 0.1, "the page")
        # Put away with the key, the page alive behind it; another application has the keyboard.
        run_tool("xdotool", "windowactivate", "--sync", self.window)
        run_tool("xdotool", "key", "--clearmodifiers", "ctrl+alt+v")
        wait_until(lambda: self.app.main_window() is None, 10, 0.05, "the window hidden")
        self.other = PasteTarget(self.app)
        run_tool("xdotool", "windowactivate", "--sync", self.other.window)
        wait_until(lambda: focused_window() == self.other.window, 10, 0.05, "the other window focused")

    def search_value(self):
        return self.page.evaluate("document.getElementById('search').value")

    def test_a_word_typed_after_the_key_is_drawn_in_the_search_at_once(self):
        # The fault guarded: the grab that keeps the first letters for the window ran to its
        # two-second limit, so a word typed at 0.3 s showed only at 2 s.
        started = time.monotonic()
        run_tool("xdotool", "key", "--clearmodifiers", "ctrl+alt+v")
        time.sleep(max(0.0, started + 0.3 - time.monotonic()))
        run_tool("xdotool", "type", "--delay", "15", "quartz")
        typed = time.monotonic()
        # The fault showed the word 1.6 s after it was typed; how soon it shows is the bench's to
        # judge, and a second leaves room for a test run that shares the machine.
        wait_until(lambda: self.search_value() == "quartz", 1.0, 0.01,
                   f"'quartz' in the search within 1 s of typing (it holds {self.search_value()!r})")
        print(f"the word in the search {1000 * (time.monotonic() - typed):.0f} ms after it was typed")

    def test_other_windows_get_the_keyboard_back_once_the_window_has_it(self):
        client = OtherClient()
        self.addCleanup(client.close)
        run_tool("xdotool", "key", "--clearmodifiers", "ctrl+alt+v")
        wait_until(lambda: focused_window() == self.window, 5, 0.005, "the window focused")
        focused = time.monotonic()
        # Alt+Tab, another application's menu: anything that takes the keyboard must get it.
        # The fault held it up to 2 s.
        freed = wait_until(lambda: client.can_grab_keyboard() and time.monotonic(), 1.0, 0.005,
                           "the keyboard free for other clients within 1 s of the window having it")
        print(f"keyboard free {1000 * (freed - focused):.0f} ms after the window had it")

    def test_keys_typed_after_the_key_never_answer_an_open_dialog(self):
        # The fault guarded: the Clear confirm's default button is Clear, and the Return of a
        # search typed right after the key, kept or not, confirmed it.
        before = sorted(self.app.texts())
        self.assertEqual(self.app.start_again("--show"), 0)
        self.app.window()
        # The confirm blocks the page's script, so it is opened from a timer.
        self.page.evaluate("setTimeout(() => document.getElementById('clearHistory').click(), 0); true")
        wait_until(lambda: self.app.dialog_window(self.window), 10, 0.05, "the Clear confirm")
        run_tool("xdotool", "windowactivate", "--sync", self.other.window)
        run_tool("xdotool", "key", "--clearmodifiers", "ctrl+alt+v", "x", "Return")
        # Past the longest the keys could have been kept for.
        time.sleep(2.5)
        self.assertEqual(sorted(self.app.texts()), before, "the history was cleared by keys meant for the search")
        # The key asked for the search: the question is put away unanswered and the search has the letter.
        self.assertIsNone(self.app.dialog_window(self.window))
        self.assertEqual(self.search_value(), "x")


if __name__ == "__main__":
    unittest.main()
