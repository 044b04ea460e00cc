"""The road a user takes dozens of times a day, under a real window manager and with keys typed
into whatever has the keyboard: Control+Alt+V (or a second start), type a few letters, Down,
Enter, and the entry typed for is on the clipboard. Judged by what the user gets: the clipboard,
the history file, and screenshots kept with the test's artifacts."""

import unittest

from harness import (Brimble, WindowManager, focused_window, read_clipboard, run_tool, screenshot, type_keys,
                     wait_until)
from stress import burst, finish_burst

ENTRIES = ["alpha one", "quartz crystal", "beta two", "zircon sand", "gamma three", "basalt rock"]


class UserRoadTest(unittest.TestCase):

    def setUp(self):
        self.wm = WindowManager()
        self.addCleanup(self.wm.stop)
        # A short release delay, so that every round below meets a page built anew.
        self.app = Brimble(settings={"pageReleaseSeconds": 1}, inspector=False)
        self.addCleanup(self.app.stop)

    def fill_history(self):
        self.app.copy_recorded(ENTRIES)

    def decoy(self, round_number):
        """Puts a text of its own on the clipboard, so an entry copied back is told from what was
        there before."""
        text = f"decoy {round_number}"
        self.app.copy_text(text)
        wait_until(lambda: text in self.app.texts(), 10, 0.05, "the decoy recorded")

    def wait_released(self):
        wait_until(lambda: self.app.main_window() is None, 10, 0.05, "the window hidden")
        wait_until(lambda: not self.app.web_processes(), 15, 0.1, "the page released")

    def choose(self, word, expected, shown_by):
        """Shows the window with `shown_by`, types at once, then Down and Enter."""
        shown_by()
        type_keys("Down", "Return", text=word)
        try:
            wait_until(lambda: read_clipboard(1.0) == expected, 15, 0.1, f"{expected!r} copied back")
        except AssertionError:
            screenshot(f"road-missed-{word}")
            raise

    def test_shortcut_after_a_background_start_and_after_each_release(self):
        self.app.start("--background", window=False)
        self.fill_history()
        # First after the background start, then three times in a row after the page was released.
        for number, (word, expected) in enumerate([("quartz", "quartz crystal"), ("zircon", "zircon sand"),
                                                   ("basalt", "basalt rock"), ("quartz", "quartz crystal")]):
            self.decoy(number)
            self.choose(word, expected, lambda: run_tool("xdotool", "key", "--clearmodifiers", "ctrl+alt+v"))
            screenshot(f"road-shortcut-{number}")
            # The key hides the window it showed: the window had the keyboard.
            run_tool("xdotool", "key", "--clearmodifiers", "ctrl+alt+v")
            self.wait_released()
        # Copying back chose an existing entry each time; nothing was added by the road itself.
        self.assertEqual(sorted(set(self.app.texts()) - {f"decoy {n}" for n in range(4)}), sorted(ENTRIES))

    def test_second_start_show_and_toggle_then_typing(self):
        self.app.start("--background", window=False)
        self.fill_history()
        self.decoy(0)
        self.choose("zircon", "zircon sand", lambda: self.assertEqual(self.app.start_again("--show"), 0))
        self.assertEqual(self.app.start_again("--toggle"), 0)
        self.wait_released()
        self.decoy(1)
        self.choose("basalt", "basalt rock", lambda: self.assertEqual(self.app.start_again("--toggle"), 0))

    def test_a_word_past_the_beginnings_of_long_texts_is_found_when_typed_at_once(self):
        # A page built anew is drawn from the beginnings of long texts; the keys typed at once
        # must still search the whole texts, which follow right after.
        filler = "lorem ipsum dolor sit amet " * 800
        history = [{"id": f"L{i}", "ts": 1760000000.0 - i, "pinned": False, "kind": "text",
                    "text": f"long {i} {filler}{'obsidian' if i == 7 else 'granite'} end"} for i in range(40)]
        self.app = Brimble(settings={"pageReleaseSeconds": 1}, history=history, inspector=False)
        self.addCleanup(self.app.stop)
        self.app.start("--background", window=False)
        self.decoy(0)
        self.choose("obsidian", history[7]["text"],
                    lambda: run_tool("xdotool", "key", "--clearmodifiers", "ctrl+alt+v"))

    def test_keys_typed_while_copies_arrive_are_all_kept(self):
        self.app.start()
        self.fill_history()
        window = self.app.window()
        wait_until(lambda: focused_window() != "" and self.app.main_window() is not None, 10, 0.05, "the window")
        run_tool("xdotool", "windowactivate", "--sync", window)
        copies = burst("arriving", rate=20, count=20, pad=40000)
        try:
            # Edited while the page redraws for every new entry: the edit keys must act in the
            # order typed, and no letter may be lost.
            type_keys(text="zzz")
            type_keys("ctrl+a", "BackSpace")
            type_keys(text="zircon")
        finally:
            finish_burst(copies, 30)
        # Chosen once the burst is over, so that no later copy takes the clipboard back.
        type_keys("Down", "Return")
        try:
            wait_until(lambda: read_clipboard(1.0) == "zircon sand", 15, 0.1, "the entry typed for")
        except AssertionError:
            screenshot("road-missed-during-copies")
            raise
        # Copies that follow each other faster than they can be read are skipped, never the last.
        self.assertTrue(any(text.startswith("arriving 19") for text in self.app.texts()))


class ViewAfterReleaseTest(unittest.TestCase):
    """A page released while its window was hidden comes back as the user left it."""

    def setUp(self):
        self.wm = WindowManager()
        self.addCleanup(self.wm.stop)
        self.app = Brimble(settings={"pageReleaseSeconds": 1})
        self.addCleanup(self.app.stop)

    def test_search_selection_and_settings_survive_a_release(self):
        self.app.start()
        self.app.copy_recorded(ENTRIES)
        window = self.app.window()
        run_tool("xdotool", "windowactivate", "--sync", window)
        # Searched, then two of the matches selected with the keyboard.
        type_keys("Down", "space", "Right", "space", text="o")
        page = self.app.page()
        wait_until(lambda: page.evaluate("document.querySelectorAll('.card.selected').length") == 2, 10, 0.1,
                   "two cards selected")
        page.evaluate("document.getElementById('settingsButton').click(); true")
        run_tool("xdotool", "key", "--clearmodifiers", "ctrl+alt+v")
        wait_until(lambda: self.app.main_window() is None, 10, 0.05, "the window hidden")
        self.app.forget_page()
        wait_until(lambda: not self.app.web_processes(), 15, 0.1, "the page released")

        self.assertEqual(self.app.start_again("--show"), 0)
        page = self.app.page()
        wait_until(lambda: page.evaluate("performance.getEntriesByName('first-snapshot-drawn').length") == 1, 15,
                   0.1, "the new page drawn")
        screenshot("road-view-after-release")
        self.assertEqual(page.evaluate("document.getElementById('search').value"), "o")
        self.assertEqual(page.evaluate("document.querySelectorAll('.card.selected').length"), 2)
        self.assertFalse(page.evaluate("document.getElementById('settings').hidden"))
        # The keyboard is in the open settings sheet, as it was left.
        self.assertTrue(page.evaluate("document.getElementById('settings').contains(document.activeElement)"))
        # Escape closes the sheet; the search typed then replaces the old one.
        type_keys("Escape")
        wait_until(lambda: page.evaluate("document.getElementById('settings').hidden"), 10, 0.1, "the sheet closed")


if __name__ == "__main__":
    unittest.main()
