"""Control+digit on the real keyboard copies the cards shown, also the results of a search."""

import time
import unittest

from harness import BrimbleTestCase, read_clipboard, run_tool, wait_until


class QuickPicksTest(BrimbleTestCase):

    def test_control_digits_pick_the_cards_shown_and_the_search_results(self):
        for text in ("Café au lait", "green tea", "cafe crème", "black coffee"):
            self.app.copy_text(text)
            self.wait_for_text(text)
        page = self.app.page()
        wait_until(lambda: page.evaluate("document.querySelectorAll('.card').length") == 4, 15, 0.2, "four cards")
        window = self.app.window()
        run_tool("xdotool", "windowfocus", "--sync", window)

        # Held Control shows the digits; newest first.
        run_tool("xdotool", "keydown", "ctrl")
        try:
            digits = wait_until(lambda: page.evaluate(
                "[...document.querySelectorAll('.card[data-pick]')].map((c) => c.dataset.pick + ' ' + c.innerText.split('\\n')[0])"
                ".sort()"), 10, 0.1, "the digits while Control is held")
        finally:
            run_tool("xdotool", "keyup", "ctrl")
        self.assertEqual(digits, ["1 black coffee", "2 cafe crème", "3 green tea", "4 Café au lait"])
        wait_until(lambda: page.evaluate("document.querySelectorAll('.card[data-pick]').length") == 0, 10, 0.1,
                   "the digits gone with Control")

        self.app.press(window, "ctrl+3")
        self.assertEqual(wait_until(lambda: read_clipboard() == "green tea" and "green tea", 10, 0.2,
                                    "the third card on the clipboard"), "green tea")

        # In a search the digits count the results: "cafe" finds both spellings.
        self.app.press(window, "ctrl+f")
        run_tool("xdotool", "type", "cafe")
        wait_until(lambda: page.evaluate("document.getElementById('countLabel').textContent") == "2 of 4", 10, 0.1,
                   "the search results")
        self.app.press(window, "ctrl+2")
        self.assertEqual(wait_until(lambda: read_clipboard() == "Café au lait" and "Café au lait", 10, 0.2,
                                    "the second result on the clipboard"), "Café au lait")
        self.assertEqual(page.evaluate("document.getElementById('search').value"), "cafe")
        time.sleep(0.5)
        # The picks are Brimble's own writes: nothing new is recorded.
        self.assertEqual(len(self.app.history()), 4)


if __name__ == "__main__":
    unittest.main()
