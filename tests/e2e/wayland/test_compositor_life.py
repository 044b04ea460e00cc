"""Brimble's life on a Wayland compositor: a quiet start and quit, and a compositor that goes away
and comes back, after which Brimble keeps what it recorded and records again."""

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


class CompositorLossTest(unittest.TestCase):

    def setUp(self):
        self.sway = OwnSway()
        self.addCleanup(self.sway.remove)
        self.socket = self.sway.start()
        self.app = WaylandBrimble()
        self.addCleanup(self.app.stop)
        self.app.env["WAYLAND_DISPLAY"] = self.socket
        self.copies = []
        self.addCleanup(lambda: [end_process(copy) for copy in self.copies])

    def copy(self, text):
        env = dict(os.environ, WAYLAND_DISPLAY=self.socket)
        helper = subprocess.Popen(["wl-copy", "--foreground"], stdin=subprocess.PIPE, env=env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        helper.stdin.write(text.encode())
        helper.stdin.close()
        self.copies.append(helper)

    def wait_for_text(self, text, timeout=15):
        wait_until(lambda: text in self.app.texts(), timeout, 0.1, f"{text!r} in clipboard.json")

    def log(self):
        self.app.log.flush()
        with open(self.app.log_path, errors="replace") as log:
            return log.read()

    def test_copies_are_recorded_again_once_a_restarted_compositor_is_back(self):
        self.app.start("--background", window=False)
        pid = self.app.process.pid
        self.copy("copied before the compositor went away")
        self.wait_for_text("copied before the compositor went away")
        for copy in self.copies:
            end_process(copy)

        self.sway.stop()
        # GDK ends a program whose compositor is gone at once; Brimble quits in order first and
        # waits for the compositor, in the same process, so that a service manager keeps it.
        wait_until(lambda: "--await-compositor" in open(f"/proc/{pid}/cmdline").read().replace("\0", " ")
                   if self.app.process.poll() is None else True, 15, 0.1, "Brimble waiting for the compositor")
        self.assertIsNone(self.app.process.poll(), "Brimble ended with the compositor:\n" + self.log()[-2000:])
        self.assertEqual(self.app.texts(), ["copied before the compositor went away"])

        written = self.app.history_written()
        self.assertEqual(self.sway.start(), self.socket)
        wait_until(lambda: self.app.history_written() != written, 30, 0.1, "the start after the compositor came back")
        self.copy("copied once the compositor was back")
        self.wait_for_text("copied once the compositor was back")
        self.assertEqual(self.app.texts(),
                         ["copied once the compositor was back", "copied before the compositor went away"])
        self.assertEqual(self.app.process.pid, pid)
        self.assertNotIn("CRITICAL", self.log())


if __name__ == "__main__":
    unittest.main()
