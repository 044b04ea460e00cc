"""Brimble killed without warning, many times over, in the middle of copies and of its own
launch: every file stays readable, no temporary file survives the next start, and every entry
that was in the history file before a kill is there after it.

BRIMBLE_CRASH_ROUNDS sets the number of kills (20 by default); BRIMBLE_CRASH_SEED repeats a run."""

import json
import os
import random
import time
import unittest

from harness import wait_until, write_png
from stress import StressBrimble, burst


class CrashSafetyTest(unittest.TestCase):

    def setUp(self):
        self.rounds = int(os.environ.get("BRIMBLE_CRASH_ROUNDS", "20"))
        seed = int(os.environ.get("BRIMBLE_CRASH_SEED", str(int(time.time()))))
        print(f"crash rounds {self.rounds}, seed {seed}")
        self.random = random.Random(seed)
        # The limit is above everything the rounds copy, so no saved entry may go for its sake.
        self.app = StressBrimble(settings={"historyLimit": 500}, inspector=False)
        self.addCleanup(self.app.stop)
        self.bursts = []
        self.addCleanup(self.end_bursts)

    def end_bursts(self):
        for process in self.bursts:
            if process.poll() is None:
                process.kill()
            process.communicate()
        self.bursts = []

    def picture(self, round_number):
        # A different picture each round, so each one is a new file to write.
        path = os.path.join(self.app.root, f"picture-{round_number}.png")
        write_png(path, 300 + round_number, 200)
        return path

    def check_after_restart(self, saved):
        app = self.app
        self.assertEqual(app.undecodable_files(), [])
        # The window shows before the launch's own save ends, so a temporary may still be in
        # use for a moment; one left by the kill never goes away.
        try:
            wait_until(lambda: app.stray_files() == [], 15, 0.05, "no temporaries")
        except AssertionError:
            pass
        self.assertEqual(app.stray_files(), [], "temporaries or other leftovers after the restart")
        self.assertEqual(app.unreferenced_pictures(), [])
        history = app.history()
        present = {entry["id"]: entry for entry in history}
        lost = [entry["text"][:40] for entry in saved.values() if entry["id"] not in present]
        self.assertEqual(lost, [], "entries saved before a kill are gone")
        for entry in saved.values():
            self.assertEqual(present[entry["id"]]["text"], entry["text"])
        with open(os.path.join(app.data_folder, "sessions.json")) as source:
            sessions = {session["id"] for session in json.load(source)}
        self.assertTrue(all(entry["sessionId"] in sessions for entry in history),
                        "an entry names a session that is not on disk")

    def test_sigkill_at_random_moments_loses_nothing_that_was_saved(self):
        app = self.app
        saved = {}
        kills_in_launch = 0
        interrupted_writes = 0
        for round_number in range(self.rounds):
            app.log_path = os.path.join(app.root, f"brimble-{round_number}.log")
            # Every fourth kill lands in the launch itself, which loads, prunes and saves.
            if round_number % 4 == 3:
                app.start_without_waiting()
                time.sleep(self.random.uniform(0.02, 0.6))
                kills_in_launch += 1
            else:
                app.start()
                self.check_after_restart(saved)
                app.copy_file(self.picture(round_number), "image/png")
                time.sleep(self.random.uniform(0.0, 0.3))
                # Long entries make each save take longer, and so more kills land inside one.
                rate = self.random.choice((10, 20, 40))
                pad = self.random.choice((0, 20000, 49000, 49000))
                self.bursts.append(burst(f"round {round_number} copy", rate, count=20, pad=pad))
                time.sleep(self.random.uniform(0.05, 20 / rate))

            # The file as it was an instant before the kill.
            for entry in app.history():
                saved[entry["id"]] = entry
            app.kill_hard()
            self.end_bursts()
            self.assertEqual(app.undecodable_files(), [], f"a file is unreadable after kill {round_number}")
            # A kill inside a write leaves its temporary until the next start clears it.
            left = app.stray_files()
            if left:
                interrupted_writes += 1
                print("left by the kill:", ", ".join(os.path.basename(path) for path in left))

        app.log_path = os.path.join(app.root, "brimble-last.log")
        app.start()
        self.check_after_restart(saved)
        print(f"{self.rounds} kills ({kills_in_launch} during launch, {interrupted_writes} inside a write), "
              f"{len(saved)} saved entries kept")
        self.assertGreater(len(saved), self.rounds, "the rounds should have saved entries to keep")


if __name__ == "__main__":
    unittest.main()
