"""How Brimble reads the clipboard from other programs: owners that answer late or never do not
hold up the copies made after them, a late answer that no newer copy replaced is recorded, large
texts sent in increments and older text types are read, and the page is answered while a read is
under way."""

import json
import os
import subprocess
import time
import unittest

from harness import BrimbleTestCase, wait_until


# The sanitizers make the program several times slower.
SLOWER = 3 if "ASAN_OPTIONS" in os.environ else 1


def recorded_after(app, text, started, timeout=10.0):
    """Seconds from `started` until `text` is in clipboard.json."""
    wait_until(lambda: text in app.texts(), timeout, 0.01, f"{text!r} in clipboard.json")
    return time.monotonic() - started


class FrozenOwnerTest(BrimbleTestCase):

    def test_copies_after_an_owner_that_never_answers_are_each_recorded_at_once(self):
        # A hung program or clipboard bridge: before, every later copy waited for GTK's 30 s
        # selection timeout, and copies made in between were lost.
        self.app.page()  # loaded first, so that its start-up is not timed
        self.app.copy_from_frozen_owner("held by a frozen owner")
        time.sleep(0.3)
        delays = []
        for number in range(5):
            started = time.monotonic()
            text = f"copy {number} after the frozen owner"
            self.app.copy_text(text)
            delays.append(recorded_after(self.app, text, started))
            time.sleep(max(0.0, started + 0.5 - time.monotonic()))
        print("recorded after " + ", ".join(f"{delay * 1000:.0f} ms" for delay in delays))
        self.assertEqual(self.app.texts(), [f"copy {number} after the frozen owner" for number in reversed(range(5))])
        # Waiting out the frozen owner's read would take at least its 5 s data deadline (GTK's
        # own took 30 s). On a busy machine one copy may still wait for the CPU, so the bound
        # is on the median; the true figures are in the desktop benchmark.
        self.assertLess(sorted(delays)[2], 0.5 * SLOWER)
        self.assertLess(max(delays), 3.0 if SLOWER == 1 else 5.0)

    def test_an_owner_that_answers_after_three_seconds_is_recorded(self):
        # Busy rather than gone: it misses the deadline for its targets but answers the text.
        started = time.monotonic()
        self.app.copy_from_frozen_owner("answered after three seconds", answer_after=3)
        delay = recorded_after(self.app, "answered after three seconds", started, timeout=15)
        self.assertGreaterEqual(delay, 3.0)
        self.assertEqual(self.app.texts(), ["answered after three seconds"])

    def test_an_owner_silent_past_every_deadline_leaves_nothing_and_blocks_nothing(self):
        # The read gives up after about six seconds; the stale change must not be recorded later,
        # nor leave the next copy waiting.
        self.app.page()
        self.app.copy_from_frozen_owner("never read")
        time.sleep(7)
        self.assertEqual(self.app.texts(), [])
        started = time.monotonic()
        self.app.copy_text("after giving up")
        self.assertLess(recorded_after(self.app, "after giving up", started), 1.0 * SLOWER)
        self.assertEqual(self.app.texts(), ["after giving up"])


class LargeDataTest(BrimbleTestCase):

    def test_a_picture_of_megabytes_sent_in_increments_is_recorded(self):
        # Random pixels do not compress: about 3 MB of PNG, which xclip sends in increments.
        picture = os.path.join(self.app.root, "noise.png")
        subprocess.run(["convert", "-size", "1000x1000", "xc:", "+noise", "Random", picture], check=True)
        self.assertGreater(os.path.getsize(picture), 2 * 1024 * 1024)
        self.app.copy_file(picture, "image/png")
        entry = wait_until(lambda: next((e for e in self.app.history() if e["kind"] == "image"), None), 20, 0.1,
                           "the picture in clipboard.json")
        self.assertEqual(entry["text"], "PNG · 1000×1000")

    def test_a_text_of_almost_two_megabytes_sent_in_increments_is_recorded(self):
        # xclip sends anything above about a megabyte in increments (INCR). 40,000 characters of
        # a letter with 24 accents each stay within the limit of 50,000 characters.
        text = ("a" + "\u0301" * 24) * 40000
        self.assertGreater(len(text.encode()), 1900000)
        self.app.copy_text(text)
        wait_until(lambda: self.app.texts()[:1] == [text], 20, 0.1, "the large text in clipboard.json")


class TextTypesTest(BrimbleTestCase):

    def test_a_latin1_string_with_windows_line_breaks_is_recorded_as_utf8_with_unix_ones(self):
        # Older programs offer only STRING, which is Latin-1: read as UTF-8 it would be broken
        # and refused. Line breaks are made "\n", as GTK did for every text before.
        helper = subprocess.Popen(["xclip", "-quiet", "-selection", "clipboard", "-t", "STRING", "-i"],
                                  stdin=subprocess.PIPE, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.app.helpers.append(helper)
        helper.stdin.write(b"caf\xe9 cr\xe8me\r\nsecond line\rthird")
        helper.stdin.close()
        wait_until(lambda: self.app.texts()[:1] == ["café crème\nsecond line\nthird"], 10, 0.05,
                   "the Latin-1 text in clipboard.json")


class PageDuringReadTest(BrimbleTestCase):

    def sessions(self):
        try:
            with open(os.path.join(self.app.data_folder, "sessions.json")) as source:
                return json.load(source)
        except (OSError, ValueError):
            return []

    def test_a_page_command_is_answered_while_a_read_waits_and_the_files_agree(self):
        page = self.app.page()
        self.app.copy_from_frozen_owner("copied before the new session", answer_after=3)
        started = time.monotonic()
        page.evaluate("window.webkit.messageHandlers.pr2Clip.postMessage({cmd: 'sessionCreate', name: 'Work'}); true")
        work = wait_until(lambda: next((s for s in self.sessions() if s.get("name") == "Work"), None), 5, 0.01,
                          "the new session in sessions.json")
        answered = time.monotonic() - started
        # The command ran on its own, before the owner answered, not inside a capture tick
        # (which would have recorded the text in the first session).
        self.assertLess(answered, 1.5 * SLOWER)
        self.assertEqual(self.app.texts(), [])
        self.assertEqual(page.evaluate("1 + 1"), 2)

        wait_until(lambda: "copied before the new session" in self.app.texts(), 15, 0.05, "the late text")
        entry = self.app.history()[0]
        # The tick ran after the command, so the copy belongs to the session active by then.
        self.assertEqual(entry["sessionId"], work["id"])
        self.assertEqual(self.app.settings().get("activeSessionId"), work["id"])
        known = {session["id"] for session in self.sessions()}
        self.assertTrue(all(e["sessionId"] in known for e in self.app.history()))


if __name__ == "__main__":
    unittest.main()
