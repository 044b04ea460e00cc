"""Taking back a delete and a clear, as a person does: real keys under openbox, the notice's
offer, Control+Z, and the history file afterwards. Judged by what the user gets: the cards back
where they stood, with their pins, and the file on disk agreeing."""

import time
import unittest

from harness import DesktopTestCase, screenshot, wait_until


class UndoRoadTest(DesktopTestCase):

    def setUp(self):
        super().setUp()
        self.app.copy_recorded(["alpha one", "beta two", "gamma three", "delta four"])
        self.window = self.app.window()
        self.page = self.app.page()
        wait_until(lambda: self.page.evaluate("document.querySelectorAll('.card').length") == 4, 10, 0.05,
                   "four cards")

    def shape(self):
        """The history file as a user would read it: each text, pinned or not, in order."""
        return [(entry["text"], entry.get("pinned", False)) for entry in self.app.history()]

    def keys(self, *keys):
        self.app.press(self.window, *keys)

    def offer(self):
        return self.page.evaluate(
            "(() => { const t = document.getElementById('toast'); "
            "return t.hidden ? '' : t.querySelector('.toast-action') ? t.textContent : ''; })()")

    def test_delete_and_clear_come_back_with_control_z(self):
        start = [("delta four", False), ("gamma three", False), ("beta two", False), ("alpha one", False)]
        self.assertEqual(self.shape(), start)
        # The search field has the keyboard; Down goes to the first card, P pins it, Right and
        # Right again reach "beta two", which Delete deletes.
        self.keys("Down", "p")
        wait_until(lambda: self.shape()[0] == ("delta four", True), 5, 0.05, "the pin saved")
        self.keys("Right", "Right", "Delete")
        wait_until(lambda: "beta two" not in self.app.texts(), 5, 0.05, "the delete saved")
        wait_until(lambda: "Undo" in self.offer(), 5, 0.05, "the notice offering Undo")
        screenshot("undo-deleted")

        self.keys("ctrl+z")
        pinned = [("delta four", True)] + start[1:]
        wait_until(lambda: self.shape() == pinned, 5, 0.05, "the card back in its place on disk")
        wait_until(lambda: self.page.evaluate(
            "document.activeElement?.closest('.card')?.textContent.includes('beta two') ?? false"), 5, 0.05,
            "the keyboard on the card that came back")
        self.assertEqual(self.offer(), "", "an undone delete is offered no more")

        # Clear, from its button, with the confirm answered by Return as it defaults to Clear.
        self.page.evaluate("document.getElementById('settingsButton').click(); true")
        self.page.evaluate("setTimeout(() => document.getElementById('clearHistory').click(), 0); true")
        dialog = wait_until(lambda: self.app.dialog_window(self.window), 10, 0.05, "the Clear confirm")
        self.app.press(dialog, "Return")
        wait_until(lambda: self.shape() == [("delta four", True)], 5, 0.05, "the clear saved; the pin kept")
        wait_until(lambda: "Undo" in self.offer(), 5, 0.05, "the notice offering Undo after the clear")
        screenshot("undo-cleared")
        # The keyboard is back in the page wherever the confirm left it; Control+Z takes the clear back.
        self.page.evaluate("document.getElementById('settingsButton').focus(); true")
        self.keys("Escape", "ctrl+z")
        wait_until(lambda: self.shape() == pinned, 5, 0.05, "the cleared cards back in their order")

        # Edit ▸ Undo in the menu bar does the same (it ran the engine's text undo, which brought
        # nothing back): F10 opens the first menu, Right twice the Edit menu, Down reaches Undo.
        self.page.evaluate("document.querySelector('.card:not(.pinned)')?.focus(); true")
        self.keys("Delete")
        wait_until(lambda: len(self.app.texts()) == 3, 5, 0.05, "the delete before the menu's Undo saved")
        self.keys("F10", "Right", "Right", "Down", "Return")
        wait_until(lambda: self.shape() == pinned, 5, 0.05, "the card back from Edit ▸ Undo")

        # Past the offer's ten seconds, a delete stays deleted.
        self.page.evaluate("document.querySelector('.card:not(.pinned)')?.focus(); true")
        gone = self.page.evaluate("document.activeElement.textContent")
        self.keys("Delete")
        wait_until(lambda: len(self.app.texts()) == 3, 5, 0.05, "the second delete saved")
        time.sleep(10.5)
        wait_until(lambda: self.offer() == "", 3, 0.05, "the offer withdrawn after its time")
        self.keys("ctrl+z")
        time.sleep(1)
        self.assertEqual(len(self.app.texts()), 3, f"{gone!r} came back after its time")


if __name__ == "__main__":
    unittest.main()
