"""An entry clicked in the page goes back on the clipboard and is not recorded again."""

import os
import subprocess
import tempfile
import time
import unittest

from harness import BrimbleTestCase, end_process, png_size, read_clipboard, run_tool, wait_until, write_png


class CopyBackTest(BrimbleTestCase):

    def click_card(self, entry_id):
        """Clicks the entry's card with the real pointer, where the page draws it on screen."""
        page = self.app.page()
        wait_until(lambda: page.evaluate(f"!!document.querySelector('[data-id=\"{entry_id}\"]')"), 15, 0.2,
                   "the card in the page")
        box = page.evaluate(
            f"(() => {{ const r = document.querySelector('[data-id=\"{entry_id}\"]').getBoundingClientRect();"
            " return [r.left + r.width / 2, r.top + r.height / 2, window.innerHeight]; })()")
        window = self.app.window()
        frame = self.app.window_geometry(window)
        # The page fills the window below the menu bar.
        menu_bar = frame["HEIGHT"] - box[2]
        x = frame["X"] + int(box[0])
        y = frame["Y"] + int(menu_bar + box[1])
        # No --sync: it waits for a movement, and the pointer may already be there.
        run_tool("xdotool", "mousemove", str(x), str(y))
        time.sleep(0.1)
        run_tool("xdotool", "click", "1")

    def test_entry_copied_back_is_on_the_clipboard_and_not_recorded_again(self):
        self.app.copy_text("older entry")
        self.wait_for_text("older entry")
        self.app.copy_text("newer entry")
        self.wait_for_text("newer entry")
        older = next(e for e in self.app.history() if e["text"] == "older entry")

        self.click_card(older["id"])
        wait_until(lambda: self.app.history()[0]["id"] == older["id"], message="the entry moved to the front")
        saved = os.stat(self.app.history_file).st_mtime_ns
        # Read by another program, asynchronously: Brimble owns the clipboard now.
        self.assertEqual(wait_until(lambda: read_clipboard() == "older entry" and "older entry", 10, 0.2,
                                    "the entry on the clipboard"), "older entry")
        time.sleep(1.0)
        # Brimble's own write was not taken for a new copy: not even a re-save of the same entry.
        self.assertEqual(os.stat(self.app.history_file).st_mtime_ns, saved)
        history = self.app.history()
        self.assertEqual([e["text"] for e in history], ["older entry", "newer entry"])
        self.assertGreater(history[0]["ts"], older["ts"])

        # A copy made by the user afterwards is recorded as usual.
        self.app.copy_text("made after the copy-back")
        self.wait_for_text("made after the copy-back")
        self.assertEqual(len(self.app.history()), 3)

    def test_picture_copied_back_is_offered_as_png_and_not_recorded_again(self):
        folder = tempfile.mkdtemp(prefix="brimble-png-")
        self.addCleanup(lambda: [os.remove(os.path.join(folder, f)) for f in os.listdir(folder)] and None)
        picture = os.path.join(folder, "small.png")
        write_png(picture, 64, 48)
        self.app.copy_file(picture, "image/png")
        image = wait_until(lambda: next((e for e in self.app.history() if e["kind"] == "image"), None),
                           15, message="the image entry")
        self.app.copy_text("text on top")
        self.wait_for_text("text on top")

        self.click_card(image["id"])
        wait_until(lambda: self.app.history()[0]["id"] == image["id"], message="the picture moved to the front")
        saved = os.stat(self.app.history_file).st_mtime_ns
        copied = os.path.join(folder, "copied.png")
        reader = subprocess.Popen(["xclip", "-o", "-selection", "clipboard", "-t", "image/png"],
                                  stdout=open(copied, "wb"), stderr=subprocess.DEVNULL)
        try:
            reader.wait(timeout=10)
        finally:
            end_process(reader)
        self.assertEqual(png_size(copied), (64, 48))
        time.sleep(1.0)
        self.assertEqual(os.stat(self.app.history_file).st_mtime_ns, saved)
        self.assertEqual(len(self.app.history()), 2)

    def test_copy_in_the_page_after_two_copy_backs_is_recorded(self):
        # Guards the echo bookkeeping: a write made while Brimble already owns the clipboard
        # must not leave an expected echo behind that would swallow the next real copy.
        self.app.copy_text("alpha")
        self.wait_for_text("alpha")
        self.app.copy_text("beta")
        self.wait_for_text("beta")
        ids = {e["text"]: e["id"] for e in self.app.history()}
        self.click_card(ids["alpha"])
        wait_until(lambda: self.app.history()[0]["id"] == ids["alpha"], message="alpha at the front")
        self.click_card(ids["beta"])
        wait_until(lambda: self.app.history()[0]["id"] == ids["beta"], message="beta at the front")
        self.assertEqual(wait_until(lambda: read_clipboard() == "beta" and "beta", 10, 0.2, "beta copied"), "beta")

        page = self.app.page()
        page.evaluate("(() => { const f = document.querySelector('input'); f.focus(); f.value = 'gamma';"
                      " f.select(); return true; })()")
        self.app.press(self.app.window(), "ctrl+c")
        self.wait_for_text("gamma")


if __name__ == "__main__":
    unittest.main()
