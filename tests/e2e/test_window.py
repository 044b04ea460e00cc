"""The main window: closing hides it, a second start shows the running one, and its frame comes
back at the next launch."""

import os
import subprocess
import unittest

from harness import BrimbleTestCase, read_clipboard, run_tool, wait_until


class WindowTest(BrimbleTestCase):

    def test_window_is_980_by_640_and_centred_on_first_launch(self):
        frame = self.app.window_geometry(self.app.window())
        self.assertEqual((frame["WIDTH"], frame["HEIGHT"]), (980, 640))
        self.assertEqual((frame["X"], frame["Y"]), ((1280 - 980) // 2, (1024 - 640) // 2))

    def test_close_hides_and_a_second_start_shows_the_first_instance(self):
        window = self.app.window()
        self.app.press(window, "ctrl+w")
        wait_until(lambda: self.app.main_window() is None, message="the window to hide")
        self.assertIsNone(self.app.process.poll(), "closing the window must not end the program")

        second = subprocess.run([self.app.process.args[0]], env=self.app.env, timeout=30,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.assertEqual(second.returncode, 0)
        self.assertEqual(wait_until(self.app.main_window, 10, 0.1, "the first instance's window"), window)
        self.assertIsNone(self.app.process.poll())

    def test_frame_is_restored_at_the_next_launch(self):
        window = self.app.window()
        run_tool("xdotool", "windowmove", "--sync", window, "40", "60")
        run_tool("xdotool", "windowsize", "--sync", window, "700", "500")
        wait_until(lambda: self.app.window_geometry(window)["WIDTH"] == 700, message="the resize")
        # The program hears of the resize a moment after the X server has done it, and writes the
        # frame once it settles; quitting before then would rightly keep the frame it knew.
        state = os.path.join(self.app.config, "Brimble", "window-state.json")
        wait_until(lambda: os.path.exists(state) and '"width":700' in open(state).read().replace(" ", ""),
                   message="the new frame saved")
        self.app.quit()

        self.app.start()
        frame = self.app.window_geometry(self.app.window())
        self.assertEqual((frame["X"], frame["Y"], frame["WIDTH"], frame["HEIGHT"]), (40, 60, 700, 500))

    def test_edit_shortcuts_act_on_the_page_field_and_the_copy_is_recorded(self):
        page = self.app.page()
        wait_until(lambda: page.evaluate("!!document.querySelector('input')"), 15, 0.2, "a text field")
        page.evaluate("document.querySelector('input').focus(); true")
        window = self.app.window()
        self.app.press(window, "w", "o", "r", "d", "s")
        wait_until(lambda: page.evaluate("document.querySelector('input').value") == "words",
                   message="the typed text in the field")
        # Select All and Copy of the Edit menu, by their keys.
        self.app.press(window, "ctrl+a", "ctrl+c")
        self.assertEqual(wait_until(lambda: read_clipboard() == "words" and "words", 10, 0.2,
                                    "the field's text on the clipboard"), "words")
        # A copy made inside Brimble's own page is an ordinary copy.
        self.wait_for_text("words")
        # Keys pressed while the page redraws for the new entry were seen to be lost under load.
        wait_until(lambda: page.evaluate(
            "[...document.querySelectorAll('.card-text')].some((n) => n.textContent === 'words')"),
            message="the copy drawn as a card")
        self.app.press(window, "ctrl+a", "BackSpace", "ctrl+v")
        wait_until(lambda: page.evaluate("document.querySelector('input').value") == "words",
                   message="the pasted text in the field")


if __name__ == "__main__":
    unittest.main()
