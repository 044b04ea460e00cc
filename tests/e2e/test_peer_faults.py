"""Other programs that own the clipboard in ways that used to cost a copy or leak a secret: a text
that reads like a picture's label, an owner that quits while its copy is being read, a password
manager that lists its formats late, and an old-style owner that answers in COMPOUND_TEXT."""

import os
import time
import unittest

from harness import BrimbleTestCase, command_output, read_clipboard, wait_until, write_png

PASSWORD_HINT = "x-kde-passwordManagerHint"


def clipboard_targets():
    out = command_output(["xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"], 2.0)
    return out.split() if out else []


class TextEqualToAPictureLabelTest(BrimbleTestCase):

    def test_the_text_is_recorded_as_text_and_is_what_the_keep_alive_puts_back(self):
        # The label was matched as if it were the text: the copy moved the picture to the front,
        # and when its owner quit the picture went back on the clipboard in the text's place.
        picture = os.path.join(self.app.root, "label.png")
        write_png(picture, 40, 30)
        self.app.copy_file(picture, "image/png")
        label = "PNG \u00b7 40\u00d730"
        wait_until(lambda: [e["kind"] for e in self.app.history()] == ["image"], 10, message="the picture")
        self.assertEqual(self.app.texts(), [label])

        owner = self.app.copy_text(label)
        wait_until(lambda: len(self.app.history()) == 2, 10, message="the text beside the picture")
        self.assertEqual([(e["kind"], e["text"]) for e in self.app.history()],
                         [("text", label), ("image", label)])

        owner.terminate()
        owner.wait(timeout=5)
        self.app.helpers.remove(owner)
        self.assertEqual(wait_until(lambda: read_clipboard(2.0), 10, 0.2, "the text put back"), label)
        self.assertNotIn("image/png", clipboard_targets())


class OwnerQuittingDuringItsReadTest(BrimbleTestCase):

    def test_nothing_older_is_put_back(self):
        # The unread copy did not count as a change, so the emptied clipboard looked like the
        # first change after "older", and "older" went back where the user had copied otherwise.
        self.app.copy_text("older")
        self.wait_for_text("older")
        owner = self.app.copy_from_frozen_owner("copied, never read")
        wait_until(lambda: all(h.poll() is not None for h in self.app.helpers if h is not owner),
                   10, message="the older entry's owner to end")
        time.sleep(0.3)  # the read of the frozen owner is under way
        saved = os.stat(self.app.history_file).st_mtime_ns
        owner.terminate()
        owner.wait(timeout=5)
        self.app.helpers.remove(owner)

        # Longer than the take-over's wait, so a wrong take-over would have happened.
        time.sleep(1.5)
        self.assertIsNone(read_clipboard(2.0), "the clipboard should stay without an owner")
        self.assertEqual(self.app.texts(), ["older"])
        self.assertEqual(os.stat(self.app.history_file).st_mtime_ns, saved)


class SlowOwnerWithAPasswordMarkerTest(BrimbleTestCase):

    def test_a_marker_listed_after_the_text_came_keeps_the_text_out(self):
        # After 1 s without targets the text was read and recorded at once, marker unseen.
        self.app.copy_with_late_targets("hunter2-listed-late", 2.5, PASSWORD_HINT)
        time.sleep(5.0)
        self.assertNotIn("hunter2-listed-late", self.app.texts())

        # The same slow listing without a marker is recorded once the list has come.
        started = time.monotonic()
        self.app.copy_with_late_targets("listed late, no marker", 2.5)
        self.wait_for_text("listed late, no marker", timeout=15)
        self.assertGreaterEqual(time.monotonic() - started, 2.0)
        self.assertNotIn("hunter2-listed-late", self.app.texts())

    def test_an_owner_that_never_lists_its_targets_is_not_recorded(self):
        # Its list may hold a marker; without "recordSecrets" the copy is left out.
        self.app.copy_with_late_targets("never listed", 600)
        time.sleep(8.0)
        self.assertNotIn("never listed", self.app.texts())
        self.app.copy_text("next copy")
        self.wait_for_text("next copy")


class SlowOwnerRecordedWithSecretsTest(BrimbleTestCase):
    settings = {"recordSecrets": True}

    def test_an_owner_that_never_lists_its_targets_is_recorded_when_secrets_are(self):
        self.app.copy_with_late_targets("never listed, kept", 600)
        self.wait_for_text("never listed, kept", timeout=15)


class OwnerOfTooManyTypesTest(BrimbleTestCase):

    def test_a_copy_listing_more_types_than_are_read_is_left_out_and_holds_nothing_up(self):
        # Past the bound a password marker may be among the types dropped.
        self.app.offer_targets("offered with filler", *[f"application/x-filler-{n}" for n in range(3000)])
        time.sleep(1.0)  # read and judged, not abandoned for the next copy
        self.app.copy_text("copied after the filler")
        self.wait_for_text("copied after the filler")
        self.assertNotIn("offered with filler", self.app.texts())


class OldStyleTextOwnerTest(BrimbleTestCase):

    def test_compound_text_is_read_after_a_refused_utf8_string(self):
        # A COMPOUND_TEXT answer was not understood, and when UTF8_STRING failed nothing else was
        # tried. The owner's STRING says something else, so the text tells which was read.
        self.app.copy_compound_text()
        self.wait_for_text("Gr\u00fc\u00dfe, \u03ba\u03b1\u03bb\u03b7\u03bc\u03ad\u03c1\u03b1", timeout=15)
        self.assertEqual(len(self.app.texts()), 1)


if __name__ == "__main__":
    unittest.main()
