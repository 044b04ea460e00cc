"""Several cards chosen with the real pointer go on the clipboard as one text and are not recorded again."""

import json
import os
import tempfile
import time
import unittest

from harness import BrimbleTestCase, read_clipboard, run_tool, wait_until, write_png


class CopyTogetherTest(BrimbleTestCase):

    def point_of(self, selector):
        """Where the page draws the element on screen, for the real pointer."""
        page = self.app.page()
        wait_until(lambda: page.evaluate(f"!!document.querySelector({json.dumps(selector)})"), 15, 0.2, selector)
        box = page.evaluate(
            f"(() => {{ const r = document.querySelector({json.dumps(selector)}).getBoundingClientRect();"
            " return [r.left + r.width / 2, r.top + r.height / 2, window.innerHeight]; })()")
        frame = self.app.window_geometry(self.app.window())
        # The page fills the window below the menu bar.
        menu_bar = frame["HEIGHT"] - box[2]
        return frame["X"] + int(box[0]), frame["Y"] + int(menu_bar + box[1])

    def click(self, selector, *modifiers):
        x, y = self.point_of(selector)
        run_tool("xdotool", "mousemove", str(x), str(y))
        time.sleep(0.1)
        for key in modifiers:
            run_tool("xdotool", "keydown", key)
        run_tool("xdotool", "click", "1")
        for key in modifiers:
            run_tool("xdotool", "keyup", key)

    def test_three_cards_and_a_picture_copied_together_in_the_order_shown(self):
        folder = tempfile.mkdtemp(prefix="brimble-png-")
        self.addCleanup(lambda: [os.remove(os.path.join(folder, f)) for f in os.listdir(folder)] and None)
        picture = os.path.join(folder, "small.png")
        write_png(picture, 32, 24)
        self.app.copy_file(picture, "image/png")
        wait_until(lambda: any(e["kind"] == "image" for e in self.app.history()), 15, message="the picture entry")
        for text in ("first line", "second line\nwith its own break", "third line"):
            self.app.copy_text(text)
            self.wait_for_text(text)
        history = self.app.history()
        ids = {entry["text"]: entry["id"] for entry in history}
        image_id = next(e["id"] for e in history if e["kind"] == "image")
        page = self.app.page()
        wait_until(lambda: page.evaluate("document.querySelectorAll('.card').length") == 4, 15, 0.2, "four cards")

        # Chosen out of order; the cards show newest first.
        for entry_id in (ids["first line"], ids["third line"], image_id, ids["second line\nwith its own break"]):
            self.click(f'.card[data-id="{entry_id}"]', "ctrl")
        wait_until(lambda: page.evaluate("document.getElementById('selectionCount').textContent") == "4 selected",
                   10, 0.1, "four cards selected")
        self.assertEqual(page.evaluate("document.getElementById('selCopyNote').textContent"), "1 picture left out")
        saved = os.stat(self.app.history_file).st_mtime_ns

        # The bar grew by the note: let its layout settle before aiming at the button.
        time.sleep(0.3)
        self.click("#selCopy")
        wait_until(lambda: page.evaluate("document.getElementById('toast').textContent")
                   == "Copied 3 clips together, 1 picture left out", 10, 0.1, "the click on Copy together")
        expected = "third line\nsecond line\nwith its own break\nfirst line"
        self.assertEqual(wait_until(lambda: read_clipboard() == expected and expected, 10, 0.2,
                                    "the joined text on the clipboard"), expected)
        time.sleep(1.0)
        # Brimble's own write is not a copy of the user's: nothing recorded, nothing moved, no re-save.
        self.assertEqual(os.stat(self.app.history_file).st_mtime_ns, saved)
        self.assertEqual([e["id"] for e in self.app.history()], [e["id"] for e in history])
        self.assertFalse(page.evaluate("document.body.classList.contains('selecting')"))
        # A copy made by the user afterwards is recorded as usual.
        self.app.copy_text("made afterwards")
        self.wait_for_text("made afterwards")
        self.assertEqual(len(self.app.history()), 5)


if __name__ == "__main__":
    unittest.main()
