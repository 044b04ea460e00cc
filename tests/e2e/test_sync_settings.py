"""Sync set up from the settings sheet, as a user does it: under openbox, with real keys, the
folder chosen in GTK's own folder chooser; then a session kept on this machine, and sync switched
off. Judged by what lands in the shared folder and what the sheet says, at once."""

import glob
import json
import os
import unittest

from harness import DesktopTestCase, focused_window, run_tool, type_keys, wait_until

CHOOSER_TITLE = "Choose the folder to share with your other machines"


def visible_window(name):
    windows = run_tool("xdotool", "search", "--onlyvisible", "--name", f"^{name}$").stdout.split()
    return windows[0] if windows else None


class SyncSettingsRoadTest(DesktopTestCase):

    def setUp(self):
        super().setUp()
        self.shared = os.path.join(self.app.home, "Sync", "brimble")
        os.makedirs(self.shared)

    def journaled_texts(self):
        texts = []
        for path in glob.glob(os.path.join(self.shared, "devices", "*", "journal-*.jsonl")):
            with open(path) as source:
                for line in source:
                    if line.strip():
                        event = json.loads(line)
                        if event.get("k") == "added":
                            texts.append(event["text"])
        return texts

    def focus_on_page(self, element_id):
        """Puts the keyboard on a control of the sheet, as Tab would, for a real key to press it."""
        self.app.page().evaluate(f"document.getElementById('{element_id}').focus(); true")

    def note(self, element_id):
        return self.app.page().evaluate(f"document.getElementById('{element_id}').textContent")

    def test_choose_the_folder_keep_a_session_local_and_switch_sync_off(self):
        main = self.app.window()
        self.app.copy_text("copied before sync")
        self.wait_for_text("copied before sync")
        page = self.app.page()
        # The settings button works once the page's scripts have drawn the history: a click
        # before that did nothing, and the keys below went to the search field.
        wait_until(lambda: page.evaluate("document.querySelectorAll('.card').length") == 1, 15, 0.1, "the card")
        self.app.press(main)
        page.evaluate("document.getElementById('settingsButton').click(); true")
        wait_until(lambda: not page.evaluate("document.getElementById('settings').hidden"), 10, 0.1, "the sheet open")
        wait_until(lambda: self.note("noteSyncFolder").startswith("Off"), 10, 0.1, "the sheet to say sync is off")

        # Choose… opens GTK's folder chooser, which has the keyboard; the path is typed in its
        # location field and chosen.
        self.focus_on_page("syncChoose")
        type_keys("Return")
        chooser = wait_until(lambda: visible_window(CHOOSER_TITLE), 10, 0.1, "the folder chooser")
        wait_until(lambda: focused_window() == chooser, 5, 0.05, "the chooser to have the keyboard")
        type_keys("ctrl+l")
        type_keys("Return", text=self.shared + "/")
        # The location field entered the folder; Choose takes the folder shown.
        if visible_window(CHOOSER_TITLE):
            type_keys("alt+c")
        wait_until(lambda: visible_window(CHOOSER_TITLE) is None, 10, 0.1, "the chooser to close")

        wait_until(lambda: self.app.settings().get("syncFolder") == self.shared, 10, 0.1, "the setting")
        wait_until(lambda: "copied before sync" in self.journaled_texts(), 10, 0.1, "the history journaled")
        wait_until(lambda: self.note("noteSyncFolder") == f"Shared through {self.shared}", 10, 0.1,
                   "the sheet to name the folder")
        self.assertFalse(page.evaluate("document.getElementById('syncOffRow').hidden"))
        # The first session is every machine's: its switch is on and cannot be turned off.
        self.assertEqual(page.evaluate("document.getElementById('setSyncSession').getAttribute('aria-checked')"),
                         "true")
        self.assertTrue(page.evaluate("document.getElementById('setSyncSession').disabled"))

        # A second session, kept on this machine with its switch: what is copied there stays here.
        page.evaluate("window.webkit.messageHandlers.pr2Clip.postMessage({cmd: 'sessionCreate', name: 'Private'});"
                      " true")
        wait_until(lambda: "Private" in self.note("titleSyncSession"), 10, 0.1, "the new session in view")
        self.focus_on_page("setSyncSession")
        type_keys("space")
        wait_until(lambda: len(self.app.settings().get("syncLocalSessions", [])) == 1, 10, 0.1,
                   "the session kept local")
        wait_until(lambda: self.note("noteSyncSession").startswith("Kept on this machine"), 10, 0.1,
                   "the sheet to say so")
        self.app.copy_text("private copy")
        # Journaling follows each recorded copy at once, in the same turn of the main loop.
        self.wait_for_text("private copy")
        self.assertNotIn("private copy", self.journaled_texts())

        # Turn off: the setting is emptied, the sheet says sync is off, the folder keeps its files.
        self.focus_on_page("syncOff")
        type_keys("Return")
        wait_until(lambda: self.app.settings().get("syncFolder") == "", 10, 0.1, "sync off")
        wait_until(lambda: self.note("noteSyncFolder").startswith("Off"), 10, 0.1, "the sheet to say sync is off")
        self.assertTrue(page.evaluate("document.getElementById('syncOffRow').hidden"))
        self.assertIn("copied before sync", self.journaled_texts())


if __name__ == "__main__":
    unittest.main()
