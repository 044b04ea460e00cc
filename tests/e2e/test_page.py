"""The page loads through the private scheme, asks for the state, renders it, and gets its
alert, confirm and prompt answered by native dialogs."""

import os
import unittest

from harness import ARTIFACTS, BrimbleTestCase, run_tool, wait_until

SEEDED = [{
    "id": "0B8C5B1E-3F7A-4C1D-9E2B-6A4D8F0C1E2A", "ts": 1760000000.5, "text": "Seeded before the start",
    "pinned": False, "kind": "text",
}]


class PageTest(BrimbleTestCase):
    history = SEEDED

    def answer_dialog(self, *keys):
        main = self.app.window()
        dialog = wait_until(lambda: self.app.dialog_window(main), 10, 0.1, "a dialog")
        self.app.press(dialog, *keys)
        wait_until(lambda: self.app.dialog_window(main) is None, 10, 0.1, "the dialog to close")

    def run_dialog(self, script, *keys):
        page = self.app.page()
        pending = page.evaluate_in_background(script)
        self.answer_dialog(*keys)
        return page.wait_for(pending)

    def test_page_loads_from_the_scheme_and_renders_the_state_it_asked_for(self):
        page = self.app.page()
        wait_until(lambda: page.evaluate("document.readyState") == "complete", 15, 0.2, "the page")
        self.assertEqual(page.evaluate("location.href"), "vellumo://clipboard/index.html")
        self.assertEqual(page.evaluate("typeof window.__pr2clip.render"), "function")
        # Nothing is pushed unasked: the seeded entry shows only because the page posted "list".
        wait_until(lambda: "Seeded before the start" in self.app.page_text(), 15, 0.2, "the seeded entry")
        # The screen lags behind the DOM: wait until the page's area of the window is no longer blank.
        screenshot = os.path.join(ARTIFACTS, "window.png")
        frame = self.app.window_geometry(self.app.window())
        area = f"{frame['WIDTH'] - 40}x{frame['HEIGHT'] - 80}+{frame['X'] + 20}+{frame['Y'] + 60}"

        samples = []

        def painted_and_settled():
            run_tool("import", "-window", "root", screenshot, timeout=30)
            stats = run_tool("convert", screenshot, "-crop", area, "-format",
                             "%[fx:standard_deviation] %[fx:mean]", "info:").stdout
            samples.append(stats)
            return len(samples) >= 2 and samples[-1] == samples[-2] and float(stats.split()[0]) > 0.02

        wait_until(painted_and_settled, 30, 1.0, "the page painted on screen")
        self.assertTrue(os.path.getsize(screenshot) > 0)

    def test_links_never_navigate_the_web_view(self):
        page = self.app.page()
        page.evaluate("location.href = 'https://example.invalid/'; true")
        page.evaluate("new Promise(r => setTimeout(r, 500))")
        self.assertEqual(page.evaluate("location.href"), "vellumo://clipboard/index.html")

    def test_alert_returns_after_ok(self):
        self.assertIsNone(self.run_dialog("alert('')", "Return"))

    def test_confirm_answers_true_for_ok_and_false_for_cancel(self):
        self.assertIs(self.run_dialog("confirm('Delete it?')", "Return"), True)
        self.assertIs(self.run_dialog("confirm('Delete it?')", "Escape"), False)

    def test_prompt_answers_the_field_or_null(self):
        self.assertEqual(self.run_dialog("prompt('Name?', 'Work')", "Return"), "Work")
        self.assertEqual(self.run_dialog("prompt('Name?')", "ctrl+a", "BackSpace", "x", "y", "Return"), "xy")
        # An emptied field is the empty text, not null.
        self.assertEqual(self.run_dialog("prompt('Name?', 'Work')", "ctrl+a", "BackSpace", "Return"), "")
        # Cancel gives null even after typing.
        self.assertIsNone(self.run_dialog("prompt('Name?', 'Work')", "z", "Escape"))


if __name__ == "__main__":
    unittest.main()
