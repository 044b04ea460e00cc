"""Brimble's life on a Wayland compositor: a quiet start and quit."""

import os
import subprocess
import time
import unittest

from sway_harness import OwnSway, WaylandBrimble, end_process, wait_until


class QuietStartTest(unittest.TestCase):

    def test_a_start_in_the_background_and_a_quit_log_no_critical(self):
        # With no tray host on the bus, the tray library put an X11-only status icon in the item's
        # place, which logged a critical on Wayland at the start and again at the quit.
        app = WaylandBrimble()
        self.addCleanup(app.stop)
        app.start("--background", window=False)
        # The library gives a tray host a moment to appear before it falls back (about 0.4 s here).
        time.sleep(2)
        self.assertEqual(app.start_again("--quit"), 0)
        app.process.wait(timeout=30)
        with open(app.log_path, errors="replace") as log:
            self.assertNotIn("CRITICAL", log.read())


if __name__ == "__main__":
    unittest.main()
