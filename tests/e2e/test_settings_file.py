"""The settings file belongs to the user as much as to Brimble: an edit made while the program
runs takes effect at once and is never undone by the program's next write."""

import json
import os
import time
import unittest

from harness import BrimbleTestCase, wait_until


class SettingsEditedOutsideTest(BrimbleTestCase):

    def edit_settings(self, **changes):
        """Rewrites settings.json as another program would: a new file renamed over the old."""
        path = os.path.join(self.app.config, "Brimble", "settings.json")
        settings = self.app.settings()
        settings.update(changes)
        with open(path + ".edit", "w") as out:
            json.dump(settings, out)
        os.replace(path + ".edit", path)

    def pause_label(self, page):
        return page.evaluate("document.getElementById('pauseLabel').textContent")

    def test_pause_toggled_on_the_page_keeps_the_outside_edit(self):
        page = self.app.page()
        wait_until(lambda: self.pause_label(page) == "Recording", 15, 0.2, "the page's pause button")
        self.edit_settings(clipboardPaused=True, historyLimit=20, someoneElse={"kept": [1, 2]})
        # The page follows the file, so its button now resumes instead of pausing again.
        wait_until(lambda: self.pause_label(page) == "Paused", 10, 0.1, "the page to show the pause")
        self.app.copy_text("copied while the file says paused")
        time.sleep(1.0)
        self.assertNotIn("copied while the file says paused", self.app.texts())

        page.evaluate("document.getElementById('pauseButton').click(); true")
        wait_until(lambda: self.app.settings().get("clipboardPaused") is False, 10, message="resumed by the page")
        settings = self.app.settings()
        self.assertEqual(settings["historyLimit"], 20)
        self.assertEqual(settings["someoneElse"], {"kept": [1, 2]})
        self.assertIs(settings["devtools"], True)
        self.app.copy_text("copied after resuming")
        self.wait_for_text("copied after resuming")


if __name__ == "__main__":
    unittest.main()
