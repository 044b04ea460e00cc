"""A resting user's Brimble costs little: the page is released after a rest (no copy, no show, the
window hidden) and built again when shown, or ahead of need when a copy arrives; a start in the
background builds none until then; later starts act on the running
instance through their options; a burst of large copies ends with the page on the newest."""

import json
import os
import subprocess
import time
import unittest

from harness import BRIMBLE, Brimble, wait_until
from stress import burst, family, finish_burst

# The page is released after this long a rest (half an hour by default).
RELEASE_SECONDS = 2


class LightTestCase(unittest.TestCase):

    def make_app(self, **settings):
        app = Brimble(settings=dict(settings, pageReleaseSeconds=RELEASE_SECONDS))
        self.addCleanup(app.stop)
        return app

    def wait_for_no_web_process(self, app):
        wait_until(lambda: not app.web_processes(), 20, 0.2, "the page's WebKit processes to end")

    def page_has(self, app, text):
        try:
            return text in app.page_text()
        except (TimeoutError, RuntimeError, OSError):
            return False


def wake_ups(root):
    """Voluntary context switches so far of every thread of `root` and the processes below it."""
    counts = {}
    for pid in family(root):
        try:
            threads = os.listdir(f"/proc/{pid}/task")
        except OSError:
            continue
        for tid in threads:
            try:
                with open(f"/proc/{pid}/task/{tid}/status") as status:
                    line = next(l for l in status if l.startswith("voluntary_ctxt_switches:"))
                counts[tid] = int(line.split()[1])
            except (OSError, StopIteration):
                pass
    return counts


class ShownWindowRestsTest(unittest.TestCase):

    def test_an_untouched_window_lets_every_process_sleep_once_the_caret_rests(self):
        # WebKit draws the search field's blinking caret as a fade that woke the program and the
        # web process about a hundred times a second for as long as the window was open. After
        # the desktop's timeout without a key (10 s by default) the caret rests, as GTK's do.
        history = [{"id": f"E{i}", "ts": 1760000000.0 - i, "text": f"entry {i}", "pinned": False, "kind": "text"}
                   for i in range(20)]
        app = Brimble(history=history, inspector=False)
        self.addCleanup(app.stop)
        app.start()
        app.window()
        time.sleep(14)
        before = wake_ups(app.process.pid)
        time.sleep(4)
        after = wake_ups(app.process.pid)
        per_second = sum(count - before.get(tid, 0) for tid, count in after.items()) / 4
        self.assertLess(per_second, 10, "the page still wakes the processes with nothing happening")


class ReleasedPageTest(LightTestCase):

    def collapsed(self, app, block_id):
        return app.page().evaluate(
            f"document.querySelector('[data-container=\"{block_id}\"]')?.classList.contains('collapsed') ?? null")

    def test_closed_window_releases_its_page_and_showing_it_again_builds_it_with_what_was_missed(self):
        app = self.make_app().start()
        window = app.window()
        app.copy_text("filed in a block")
        wait_until(lambda: "filed in a block" in app.texts(), message="the first copy")
        entry_id = app.history()[0]["id"]
        app.page().evaluate("window.webkit.messageHandlers.pr2Clip.postMessage("
                            f"{{cmd: 'blockCreate', name: 'Work', ids: ['{entry_id}']}})")
        block_id = wait_until(lambda: self.first_block_id(app), message="the block")
        wait_until(lambda: self.collapsed(app, block_id) is False, message="the block drawn")
        app.page().evaluate(f"document.querySelector('[data-container=\"{block_id}\"] .block-chevron').click()")
        self.assertTrue(self.collapsed(app, block_id))
        self.assertTrue(app.web_processes(), "a shown window has its page")

        app.press(window, "ctrl+w")
        wait_until(lambda: app.main_window() is None, message="the window to close")
        app.forget_page()
        self.wait_for_no_web_process(app)

        # The user is active again: a page is built ahead of the next show, and let go after
        # another rest.
        app.copy_text("copied while closed")
        wait_until(lambda: "copied while closed" in app.texts(), message="the copy made while closed")
        wait_until(app.web_processes, 20, 0.1, "a page built ahead of need")
        self.assertIsNone(app.main_window())
        self.wait_for_no_web_process(app)

        self.assertEqual(app.start_again("--show"), 0)
        app.window()
        wait_until(lambda: self.page_has(app, "copied while closed"), 30, 0.2, "the new page's cards")
        self.assertTrue(self.collapsed(app, block_id), "the block must stay collapsed")

    @staticmethod
    def first_block_id(app):
        try:
            with open(f"{app.data_folder}/blocks.json") as source:
                blocks = json.load(source)
        except (OSError, ValueError):
            return None
        return blocks[0]["id"] if blocks else None


class BackgroundStartTest(LightTestCase):

    def test_background_start_and_quit_log_no_critical(self):
        # The tray item's fallback icon logged GTK criticals on some desktops.
        log = self.make_app().background_start_and_quit()
        self.assertNotIn("CRITICAL", log)

    def test_background_start_shows_nothing_until_asked_and_later_starts_act_on_it(self):
        app = self.make_app().start("--background", window=False)
        time.sleep(1)
        self.assertEqual(app.web_processes(), [], "no page is built before the user does anything")
        app.copy_text("copied at login")
        wait_until(lambda: "copied at login" in app.texts(), message="the copy made before any window")
        self.assertIsNone(app.main_window())
        # The copy says the user is at work: the page is built ahead, hidden.
        wait_until(app.web_processes, 20, 0.1, "a page built ahead of need")
        self.assertIsNone(app.main_window())

        # A second start without options shows the window, with its page.
        self.assertEqual(app.start_again(), 0)
        app.window()
        self.assertTrue(app.web_processes())
        wait_until(lambda: self.page_has(app, "copied at login"), 30, 0.2, "the card")

        self.assertEqual(app.start_again("--toggle"), 0)
        wait_until(lambda: app.main_window() is None, message="--toggle to hide the window")
        self.assertEqual(app.start_again("--toggle"), 0)
        app.window()
        self.assertEqual(app.start_again("--hide"), 0)
        wait_until(lambda: app.main_window() is None, message="--hide to hide the window")
        self.assertEqual(app.start_again("--show"), 0)
        app.window()

        self.assertEqual(app.start_again("--quit"), 0)
        self.assertEqual(app.process.wait(timeout=20), 0)
        app.process = None
        app.log.close()

    def test_help_and_version_answer_without_starting_anything(self):
        app = self.make_app()
        shown = subprocess.run([BRIMBLE, "--help"], env=app.env, capture_output=True, text=True, timeout=30)
        self.assertEqual(shown.returncode, 0)
        for option in ("--background", "--toggle", "--show", "--hide", "--quit", "--version"):
            self.assertIn(option, shown.stdout)
        version = subprocess.run([BRIMBLE, "--version"], env=app.env, capture_output=True, text=True, timeout=30)
        self.assertEqual(version.returncode, 0)
        self.assertRegex(version.stdout, r"^Brimble \d+\.\d+\.\d+\n$")


class LargeBurstTest(LightTestCase):

    def test_burst_of_large_copies_with_the_window_shown_ends_with_the_newest_drawn(self):
        app = self.make_app().start()
        app.page()
        copies = burst("large", rate=10, count=40, pad=50_000)
        self.assertEqual(finish_burst(copies, 60), 40)
        wait_until(lambda: app.texts() and app.texts()[0].startswith("large 39"), 30, 0.2, "the last copy saved")
        newest = app.texts()[0][:40]
        first_card = "document.querySelector('.card .card-text')?.textContent ?? ''"
        wait_until(lambda: app.page().evaluate(first_card).startswith(newest), 30, 0.2, "the newest card drawn")


if __name__ == "__main__":
    unittest.main()
