"""Formatted text, copied files and a browser's copied image on a Wayland compositor: only the
kept formats are asked of their owner, and wl-paste reads them back from Brimble after a click on
the entry and after the owner quits."""

import os
import shutil
import subprocess
import tempfile
import time
import unittest

from sway_harness import WaylandBrimble, end_process, wait_until
from harness import command_output, write_png

# What a reader of text, HTML, rich text and file lists may ask for; any other request of an
# office program makes it render, export or link.
ALLOWED_REQUESTS = {"text/plain;charset=utf-8", "text/html", "text/rtf", "text/uri-list",
                    "x-special/gnome-copied-files", "application/x-kde-cutselection"}

# Private types of office and drawing programs, offered beside the text.
OFFICE_TYPES = [
    'application/x-openoffice-embed-source-xml;windows_formatname="Star Embed Source (XML)"',
    'application/x-openoffice-link;windows_formatname="Link"',
    "application/x-libreoffice-tsvc", "application/vnd.oasis.opendocument.text",
    "image/png", "image/bmp", "image/svg+xml", "application/x-qt-image", "text/csv",
    "application/x-inkscape-svg", "image/x-emf", "application/pdf",
]


def paste(mime_type, timeout=5.0):
    return command_output(["wl-paste", "--no-newline", "--type", mime_type], timeout)


def offered_types():
    return set((command_output(["wl-paste", "--list-types"], 5.0) or "").split())


class WaylandFormatsTest(unittest.TestCase):

    def setUp(self):
        self.app = WaylandBrimble()
        self.addCleanup(self.app.stop)
        self.app.start()
        self.folder = tempfile.mkdtemp(prefix="brimble-wl-formats-")
        self.addCleanup(shutil.rmtree, self.folder, True)

    def file_with(self, name, data):
        path = os.path.join(self.folder, name)
        with open(path, "wb") as out:
            out.write(data if isinstance(data, bytes) else data.encode())
        return path

    def offer(self, *pairs, files=(), options=()):
        """Takes the clipboard with every pair and file; returns the owner and the file it writes
        each request to."""
        log = os.path.join(self.folder, "asked-%d.log" % len(self.app.helpers))
        args = ["--log", log] + list(options)
        for mime_type, path in files:
            args += ["--file", mime_type, path]
        return self.app.wl_offer(*pairs, options=args), log

    def asked(self, log):
        if not os.path.exists(log):
            return []
        with open(log) as lines:
            return [line.rstrip("\n") for line in lines]

    def quit_owner(self, owner):
        end_process(owner)
        owner.stdout.close()
        self.app.helpers.remove(owner)

    def entry(self, text, formats=0, timeout=10):
        """The entry of `text` once it holds `formats` kept formats, attached after its text."""
        return wait_until(lambda: next((e for e in self.app.history()
                                        if e["text"] == text and len(e.get("formats", [])) >= formats), None),
                          timeout, message=f"the entry {text!r} with {formats} formats")

    def copy_back(self, entry, command="copy"):
        self.app.post({"cmd": command, "id": entry["id"]})
        wait_until(lambda: self.app.history()[0]["id"] == entry["id"], message="the entry moved to the front")

    def test_formatted_copy_asks_only_kept_types_and_comes_back_formatted(self):
        text = "Hello bold w\u00f6rld"
        html = "<meta charset='utf-8'><p>Hello <b>bold</b> w\u00f6rld</p>"
        rtf = r"{\rtf1\ansi Hello {\b bold} world}"
        # Thirty types: the text's three, HTML, RTF and office-style private ones with filler.
        private = OFFICE_TYPES + ["application/x-office-private-%d" % i for i in range(25 - len(OFFICE_TYPES))]
        owner, log = self.offer(f"text/plain;charset=utf-8={text}", f"text/plain={text}", f"UTF8_STRING={text}",
                                *[f"{kind}=private bytes" for kind in private],
                                files=[("text/html", self.file_with("a.html", html)),
                                       ("text/rtf", self.file_with("a.rtf", rtf))])
        entry = self.entry(text, 2)
        self.assertEqual(entry["kind"], "text")
        self.assertEqual(sorted(f["type"] for f in entry["formats"]), ["text/html", "text/rtf"])
        # Guards asking for a picture beside text and for office types that render or link.
        self.assertLessEqual(set(self.asked(log)), ALLOWED_REQUESTS)

        # Another copy, then the entry picked again: every kept type is offered with the text.
        self.app.wl_copy("a later copy")
        self.entry("a later copy")
        self.copy_back(entry)
        wait_until(lambda: "text/html" in offered_types(), 10, 0.2, "HTML offered after the copy back")
        self.assertLessEqual({"text/plain", "text/plain;charset=utf-8", "text/html", "text/rtf"}, offered_types())
        self.assertEqual(paste("text/html"), html)
        self.assertEqual(paste("text/rtf"), rtf)
        self.assertEqual(paste("text/plain"), text)

        # Copy as plain text: the text alone.
        self.copy_back(entry, "copyPlain")
        wait_until(lambda: "text/html" not in offered_types(), 10, 0.2, "the text alone offered")
        self.assertEqual(paste("text/plain"), text)
        self.assertEqual(len(self.app.history()), 2)

    def test_formats_are_offered_again_after_their_owner_quits(self):
        html = "<p>kept <i>alive</i></p>"
        owner, _ = self.offer("text/plain;charset=utf-8=kept alive", files=[("text/html", self.file_with("k.html", html))])
        self.entry("kept alive", 1)
        self.quit_owner(owner)
        # The selection becomes empty when its owner quits; Brimble puts the entry back whole.
        wait_until(lambda: "text/html" in offered_types(), 10, 0.2, "HTML offered after the owner quit")
        self.assertEqual(paste("text/html"), html)
        self.assertEqual(paste("text/plain"), "kept alive")
        time.sleep(0.5)
        self.assertEqual(len(self.app.history()), 1)

    def test_large_html_under_the_cap_comes_back_whole(self):
        large = "<p>" + "".join("cell %07d " % i for i in range(6 * 1024 * 1024 // 13)) + "</p>"
        owner, _ = self.offer("text/plain;charset=utf-8=large formatted text",
                              files=[("text/html", self.file_with("l.html", large))])
        entry = self.entry("large formatted text", 1)
        self.assertEqual([f["type"] for f in entry["formats"]], ["text/html"])
        self.quit_owner(owner)
        wait_until(lambda: "text/html" in offered_types(), 10, 0.2, "HTML offered after the owner quit")
        self.assertEqual(paste("text/html", 15.0), large)

    def test_copied_files_are_kept_and_offered_as_files(self):
        first = self.file_with("first file.txt", "one")
        second = self.file_with("second.txt", "two")
        uris = "file://%s\r\nfile://%s\r\n" % (first.replace(" ", "%20"), second)
        gnome = "copy\nfile://%s\nfile://%s" % (first.replace(" ", "%20"), second)
        text = first + "\n" + second
        owner, log = self.offer(f"text/plain;charset=utf-8={text}",
                                files=[("x-special/gnome-copied-files", self.file_with("g", gnome)),
                                       ("text/uri-list", self.file_with("u", uris))])
        entry = self.entry(text, 2)
        self.assertEqual(sorted(f["type"] for f in entry["formats"]), ["text/uri-list", "x-special/gnome-copied-files"])
        self.quit_owner(owner)
        wait_until(lambda: "x-special/gnome-copied-files" in offered_types(), 10, 0.2, "files offered")
        self.assertEqual(paste("x-special/gnome-copied-files"), gnome)
        self.assertEqual(paste("text/uri-list"), uris)

        # A list of files with no text at all: the entry's text is the path.
        self.offer(files=[("text/uri-list", self.file_with("u2", "file://%s\n" % second))])
        entry = self.entry(second)
        self.assertEqual([f["type"] for f in entry["formats"]], ["text/uri-list"])

    def test_browser_copied_image_is_one_picture_entry_keeping_its_html(self):
        png = os.path.join(self.folder, "p.png")
        write_png(png, 24, 16)
        html = '<img src="https://example.org/p.png" alt="p">'
        owner, log = self.offer(files=[("image/png", png), ("text/html", self.file_with("i.html", html))])
        wait_until(lambda: self.app.history() and self.app.history()[0]["kind"] == "image"
                   and self.app.history()[0].get("formats"), 10, message="a picture entry with its HTML")
        time.sleep(0.5)
        history = self.app.history()
        self.assertEqual(len(history), 1, "one entry, not a picture and an HTML text")
        self.assertEqual([f["type"] for f in history[0]["formats"]], ["text/html"])
        self.assertEqual(sorted(self.asked(log)), ["image/png", "text/html"])
        self.quit_owner(owner)
        wait_until(lambda: {"image/png", "text/html"} <= offered_types(), 10, 0.2, "picture and HTML offered")
        self.assertEqual(paste("text/html"), html)


class NeverEndingFormatTest(unittest.TestCase):
    """An owner whose HTML never ends, by never closing its pipe or by sending bytes for ever: the
    copy's text is recorded without its HTML, within the format's time limit of 2 s."""

    def setUp(self):
        self.app = WaylandBrimble()
        self.addCleanup(self.app.stop)
        self.app.start()
        self.folder = tempfile.mkdtemp(prefix="brimble-wl-endless-")
        self.addCleanup(shutil.rmtree, self.folder, True)

    def test_html_that_never_ends_is_dropped_and_the_text_kept(self):
        for mode in ("--stall", "--endless"):
            with self.subTest(mode=mode):
                text = f"text beside HTML that {mode[2:]}s"
                started = time.monotonic()
                log = os.path.join(self.folder, f"asked{mode}.log")
                owner = self.app.wl_offer(f"text/plain;charset=utf-8={text}", options=["--log", log, mode, "text/html"])
                entry = wait_until(lambda: next((e for e in self.app.history() if e["text"] == text), None),
                                   10, 0.02, f"the entry {text!r}")
                # Recorded from its text without waiting for the HTML (2 s at most), with room for a
                # loaded machine.
                self.assertLess(time.monotonic() - started, 1.5)
                self.assertEqual(entry.get("formats", []), [])
                wait_until(lambda: os.path.exists(log) and "text/html" in open(log).read().split("\n"), 5,
                           message="the HTML asked for")
                self.assertEqual(self.app.page().evaluate("1 + 1"), 2)
                end_process(owner)
                if mode == "--stall":
                    # The owner quits while its HTML is read: the entry goes back with its text,
                    # and nothing half-read is offered beside it.
                    wait_until(lambda: paste("text/plain") == text, 10, 0.2, "the text kept alive")
                    self.assertNotIn("text/html", offered_types())
                    self.assertEqual(self.app.history()[0].get("formats", []), [])
                owner.stdout.close()
                self.app.helpers.remove(owner)


if __name__ == "__main__":
    unittest.main()
