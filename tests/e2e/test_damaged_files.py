"""Damaged files, hand edits and a linked picture folder: the program never crashes on a file,
keeps every entry it can read (on disk and in the page), keeps what it cannot read in a copy set
aside, and deletes no file that is not its own."""

import json
import os
import time
import unittest

from harness import Brimble, wait_until, write_png

PICTURE = "AAAAAAAA-0000-4000-8000-000000000001.png"
STRAY = "BBBBBBBB-0000-4000-8000-000000000002.png"


def write_raw(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as out:
        out.write(text)


def entry(entry_id, text, session, **extra):
    return json.dumps(dict(id=entry_id, ts=1760000000 + len(entry_id), text=text, sessionId=session, **extra))


class DamagedFilesTest(unittest.TestCase):

    def make_app(self, settings=None):
        app = Brimble(settings=dict({"activeSessionId": "S1"}, **(settings or {})))
        self.addCleanup(app.stop)
        return app

    def set_aside(self, app, name):
        return [found for found in os.listdir(app.data_folder) if found.startswith(name + ".unreadable-")]

    def assert_running(self, app):
        self.assertIsNone(app.process.poll(), "the program ended")

    def test_each_history_file_with_bad_records_keeps_the_rest(self):
        app = self.make_app({"historyLimit": "200"})
        elsewhere = os.path.join(app.root, "my-pictures")
        os.makedirs(elsewhere)
        write_png(os.path.join(elsewhere, PICTURE), 40, 30)
        write_png(os.path.join(elsewhere, STRAY), 40, 30)  # a picture only the bad entry names
        write_png(os.path.join(elsewhere, "holiday.png"), 40, 30)
        os.makedirs(app.data_folder)
        os.symlink(elsewhere, app.images_folder)
        history = ",".join([
            entry("T1", "kept text", "S1"),
            entry("P1", "PNG \u00b7 40\u00d730", "S1", kind="image", imgFile=PICTURE),
            '{"id":"x"}',
            '{"id":"y","ts":1e999,"text":"beyond range","imgFile":"%s"}' % STRAY,
            '{"id":"z","ts":"yesterday","text":"wrong type"}',
            entry("L1", "from a lost session", "S2"),
            entry("H1", "from a session with a huge time", "S3"),
        ])
        write_raw(app.history_file, "[" + history + "]")
        damaged = os.stat(app.history_file).st_ino
        write_raw(os.path.join(app.data_folder, "sessions.json"),
                  '[{"id":"S1","name":"Work","createdAt":1},{"id":"S2","createdAt":2},'
                  '{"id":"S3","name":"Home","createdAt":9e308}]')
        write_raw(os.path.join(app.data_folder, "blocks.json"),
                  '[{"id":"K1","name":"Kept block","color":"mint","pinned":false,"sessionId":"S1","order":0},'
                  '{"id":"K2","name":"bad","color":"rose","pinned":"no","sessionId":"S1","order":1}]')
        app.start()

        # The window comes before the launch's first save, which copies the damaged file aside and
        # then puts the new one in its place: read in between, the history is still the damaged one.
        wait_until(lambda: self.set_aside(app, "clipboard.json") and os.stat(app.history_file).st_ino != damaged, 10,
                   message="the damaged history set aside and saved again")
        ids = [item["id"] for item in app.history()]
        self.assertEqual(sorted(ids), ["H1", "L1", "P1", "T1"])
        self.assertEqual({item["id"]: item["sessionId"] for item in app.history()}["L1"], "S2",
                         "an entry of a session that was lost keeps it, for the file to bring it back")
        copies = self.set_aside(app, "clipboard.json")
        self.assertEqual(len(copies), 1)
        with open(os.path.join(app.data_folder, copies[0])) as source:
            self.assertIn('"id":"x"', source.read())

        # Every push carries all sessions: one with a time beyond range used to blank the page.
        app.page()
        wait_until(lambda: "from a lost session" in app.page_text(), 15, 0.2,
                   "the lost session's entry in the session in use")
        self.assertIn("kept text", app.page_text())
        self.assertIn("Kept block", app.page_text())
        self.assertEqual(sorted(os.listdir(elsewhere)), sorted([PICTURE, STRAY, "holiday.png"]),
                         "the linked folder keeps the user's file and the picture the bad entry names")

        app.copy_text("a new copy after the damage")
        wait_until(lambda: "a new copy after the damage" in app.texts(), 10)
        self.assertTrue(os.path.exists(os.path.join(elsewhere, STRAY)))
        self.assertTrue(os.path.exists(os.path.join(elsewhere, "holiday.png")))
        self.assert_running(app)

    def test_a_sessions_file_missing_at_one_start_brings_every_entry_back_when_it_returns(self):
        # A copied data folder without "sessions.json" moved every entry into a new "Default"
        # session for good: the sessions came back empty with their file.
        app = self.make_app({"activeSessionId": "S2"})
        sessions = '[{"id":"S1","name":"Work","createdAt":1},{"id":"S2","name":"Home","createdAt":2}]'
        write_raw(app.history_file, "[" + ",".join([entry("W1", "work only", "S1"),
                                                    entry("H1", "home only", "S2")]) + "]")
        write_raw(os.path.join(app.data_folder, "blocks.json"),
                  '[{"id":"K1","name":"Home block","color":"mint","pinned":false,"sessionId":"S2","order":0}]')
        app.start()
        app.page()
        wait_until(lambda: "work only" in app.page_text() and "home only" in app.page_text(), 15, 0.2,
                   "every entry shown while its session is unknown")
        self.assertIn("Home block", app.page_text())
        app.quit()
        self.assertEqual({item["id"]: item["sessionId"] for item in app.history()}, {"W1": "S1", "H1": "S2"})

        write_raw(os.path.join(app.data_folder, "sessions.json"), sessions)
        app.start()
        wait_until(lambda: "home only" in app.page_text(), 15, 0.2, "the session in use with its entry")
        self.assertNotIn("work only", app.page_text())
        self.assertIn("Home block", app.page_text())
        self.assertEqual(app.settings()["activeSessionId"], "S2")

    def test_deep_nesting_in_history_and_settings_never_crashes(self):
        app = self.make_app()
        os.makedirs(app.images_folder)
        write_png(os.path.join(app.images_folder, PICTURE), 40, 30)
        write_raw(app.history_file, "[" * 1_000_000)
        app.start()

        def history_text():
            with open(app.history_file) as source:
                return source.read()

        # The window shows before the launch's own save replaces the damaged file.
        wait_until(lambda: history_text() == "[]", 15, 0.1, "the empty history saved")
        self.assertEqual(len(self.set_aside(app, "clipboard.json")), 1)
        self.assertTrue(os.path.exists(os.path.join(app.images_folder, PICTURE)),
                        "no picture goes while the history was set aside")

        # The settings file is watched: a million brackets written while running.
        settings_path = os.path.join(app.config, "Brimble", "settings.json")
        write_raw(settings_path + ".edit", "[" * 1_000_000)
        os.replace(settings_path + ".edit", settings_path)
        time.sleep(1.5)
        self.assert_running(app)
        app.copy_text("copied after the deep settings")
        wait_until(lambda: "copied after the deep settings" in app.texts(), 10)
        self.assert_running(app)

    def test_hand_edits_of_settings_while_running(self):
        app = self.make_app({"historyLimit": 200})
        history = [json.loads(entry(f"E{n:03}", f"entry {n}", "S1")) for n in range(60)]
        os.makedirs(app.data_folder)
        with open(app.history_file, "w") as out:
            json.dump(history, out)
        app.start()
        page = app.page()
        settings_path = os.path.join(app.config, "Brimble", "settings.json")

        def edit(settings):
            write_raw(settings_path + ".edit", json.dumps(settings))
            os.replace(settings_path + ".edit", settings_path)

        def pause_label():
            return page.evaluate("document.getElementById('pauseLabel').textContent")

        wait_until(lambda: pause_label() == "Recording", 15, 0.2, "the page's pause button")
        edit({"devtools": True, "activeSessionId": "S1", "historyLimit": "200", "clipboardPaused": 1})
        wait_until(lambda: pause_label() == "Paused", 10, 0.1, "a pause written as 1")
        self.assertEqual(len(app.history()), 60, "a limit written as text trims nothing")

        edit({"devtools": True, "activeSessionId": "S1", "historyLimit": None, "clipboardPaused": "false"})
        wait_until(lambda: pause_label() == "Recording", 10, 0.1, "a resume written as text")
        self.assertEqual(len(app.history()), 60, "a limit edited to null stays in force")
        os.remove(settings_path)
        time.sleep(1.0)
        self.assertEqual(len(app.history()), 60, "deleting the settings file trims nothing")
        app.copy_text("copied after the settings file was deleted")
        wait_until(lambda: "copied after the settings file was deleted" in app.texts(), 10)
        self.assertEqual(len(app.history()), 61, "deleting the settings file kept the limit in force")

        page.evaluate("document.getElementById('pauseButton').click(); true")
        wait_until(lambda: os.path.exists(settings_path), 10, message="the settings written again")
        self.assertEqual(str(app.settings().get("historyLimit")), "200")
        self.assert_running(app)


if __name__ == "__main__":
    unittest.main()
