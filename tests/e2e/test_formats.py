"""Formatted text, copied files and a browser's copied image are kept as they were copied and
come back so: only the kept formats are asked of their owner, and a real client reads them back
from Brimble after the owner quits and after a click on the entry."""

import hashlib
import json
import os
import select
import struct
import subprocess
import tempfile
import time
import unittest

from harness import SLOW_OWNER, BrimbleTestCase, command_output, end_process, run_tool, wait_until, write_png

OFFER_FORMATS = os.environ.get("BRIMBLE_OFFER_FORMATS", "offer_formats")

# What a reader of text, HTML, rich text and file lists may ask for; any other request of an
# office program makes it render, export or link.
ALLOWED_REQUESTS = {"TARGETS", "UTF8_STRING", "text/html", "text/rtf", "text/uri-list",
                    "x-special/gnome-copied-files", "application/x-kde-cutselection", "image/png"}

# Private formats of office and drawing programs, offered beside the text.
OFFICE_TYPES = [
    'application/x-openoffice-embed-source-xml;windows_formatname="Star Embed Source (XML)"',
    'application/x-openoffice-objectdescriptor-xml;windows_formatname="Star Object Descriptor (XML)"',
    'application/x-openoffice-link;windows_formatname="Link"',
    'application/x-openoffice-dif;windows_formatname="DIF"',
    'application/x-openoffice-sylk;windows_formatname="Sylk"',
    "application/x-libreoffice-tsvc", "application/vnd.oasis.opendocument.text",
    "image/png", "image/bmp", "image/svg+xml", "application/x-qt-image", "text/csv",
    "application/x-inkscape-svg", "image/x-emf", "image/x-wmf", "application/pdf",
]


def xclip_out(target, timeout=5.0):
    return command_output(["xclip", "-o", "-selection", "clipboard", "-t", target], timeout)


class FormatsTest(BrimbleTestCase):

    def setUp(self):
        super().setUp()
        self.folder = tempfile.mkdtemp(prefix="brimble-formats-")
        self.addCleanup(lambda: subprocess.run(["rm", "-rf", self.folder], check=False))

    def file_with(self, name, data):
        path = os.path.join(self.folder, name)
        with open(path, "wb") as out:
            out.write(data if isinstance(data, bytes) else data.encode())
        return path

    def offer(self, *args):
        """Takes the clipboard with offer_formats; returns the helper and the file it writes
        each request to."""
        log = os.path.join(self.folder, "asked-%d.log" % len(self.app.helpers))
        helper = subprocess.Popen([OFFER_FORMATS, log, *args], stdout=subprocess.PIPE,
                                  stderr=subprocess.DEVNULL, text=True, env=self.app.env)
        self.app.helpers.append(helper)
        line = helper.stdout.readline().strip()
        helper.stdout.close()
        self.assertEqual(line, "ready")
        return helper, log

    def asked(self, log):
        with open(log) as lines:
            return [line.rstrip("\n") for line in lines]

    def quit_owner(self, helper):
        end_process(helper)
        self.app.helpers.remove(helper)

    def targets_offered(self):
        listed = xclip_out("TARGETS") or ""
        return set(listed.split())

    def entry(self, text, formats=0):
        """The entry of `text` once it holds `formats` kept formats: an entry is recorded from its
        text at once, and its formats are attached when their read ends."""
        return wait_until(lambda: next((e for e in self.app.history()
                                        if e["text"] == text and len(e.get("formats", [])) >= formats), None), 10,
                          message=f"the entry {text!r} with {formats} formats")

    def icon(self, entry_id, index):
        """The first bytes of a copied file's icon as the page gets it, or "refused"."""
        return self.app.page().evaluate(
            "fetch('vellumo://clipboard/file-icon/%s/%d').then(r => r.ok ? r.arrayBuffer() : null)"
            ".then(b => b ? Array.from(new Uint8Array(b.slice(0, 24))) : 'refused', () => 'refused')"
            % (entry_id, index))

    def format_file(self, entry, kind):
        name = next(f["file"] for f in entry.get("formats", []) if f["type"] == kind)
        return os.path.join(self.app.data_folder, "clipboard-formats", name)

    def test_formatted_copy_asks_only_kept_types_and_comes_back_formatted(self):
        html = "<meta charset='utf-8'><p>Hello <b>bold</b> w\u00f6rld</p>"
        rtf = r"{\rtf1\ansi Hello {\b bold} world}"
        # Forty types: the text's five, HTML, RTF, and office-style private ones with filler.
        extra = OFFICE_TYPES + ["application/x-office-private-%d" % i for i in range(40 - 7 - len(OFFICE_TYPES))]
        owner, log = self.offer("--text", "Hello bold w\u00f6rld", "--file", "text/html", self.file_with("a.html", html),
                                "--file", "text/rtf", self.file_with("a.rtf", rtf), *extra)
        entry = self.entry("Hello bold w\u00f6rld", 2)
        self.assertEqual(entry["kind"], "text")
        self.assertEqual(sorted(f["type"] for f in entry["formats"]), ["text/html", "text/rtf"])
        # Named by the hash of what they hold: equal bytes share one file.
        path = self.format_file(entry, "text/html")
        self.assertEqual(os.path.basename(path), hashlib.sha256(html.encode()).hexdigest())
        self.assertEqual(oct(os.stat(path).st_mode & 0o777), "0o600")
        # Guards asking for pictures beside text and for office formats that render or link.
        self.assertLessEqual(set(self.asked(log)), ALLOWED_REQUESTS - {"image/png"})

        # The owner quits: Brimble keeps the clipboard alive with every format.
        self.quit_owner(owner)
        wait_until(lambda: "text/html" in self.targets_offered(), 10, 0.2, "HTML offered after the owner quit")
        self.assertLessEqual({"UTF8_STRING", "text/html", "text/rtf"}, self.targets_offered())
        self.assertEqual(xclip_out("text/html"), html)
        self.assertEqual(xclip_out("text/rtf"), rtf)
        self.assertEqual(xclip_out("UTF8_STRING"), "Hello bold w\u00f6rld")

        # The same formatted text copied again as plain text: the entry moves up and takes the
        # newer (no) formats; its HTML file goes with the last entry naming it.
        self.app.copy_text("Hello bold w\u00f6rld")
        wait_until(lambda: not self.app.history()[0].get("formats"), 10, message="the formats replaced")
        self.assertEqual(len(self.app.history()), 1)
        wait_until(lambda: not os.path.exists(path), 5, message="the unnamed format file pruned")

    def test_copied_files_are_kept_and_offered_as_files(self):
        first = self.file_with("first file.txt", "one")
        second = self.file_with("second.txt", "two")
        uris = "file://%s\r\nfile://%s\r\n" % (first.replace(" ", "%20"), second)
        gnome = "copy\nfile://%s\nfile://%s" % (first.replace(" ", "%20"), second)
        owner, log = self.offer("--text", first + "\n" + second,
                                "--file", "x-special/gnome-copied-files", self.file_with("g", gnome),
                                "--file", "text/uri-list", self.file_with("u", uris))
        entry = self.entry(first + "\n" + second, 2)
        self.assertEqual(sorted(f["type"] for f in entry["formats"]), ["text/uri-list", "x-special/gnome-copied-files"])
        self.quit_owner(owner)
        wait_until(lambda: "x-special/gnome-copied-files" in self.targets_offered(), 10, 0.2, "files offered")
        self.assertEqual(xclip_out("x-special/gnome-copied-files"), gnome)
        self.assertEqual(xclip_out("text/uri-list"), uris)

        # The card's icons come by entry and place in its list: the theme's icon for a text file,
        # nothing past the list's end or for an entry that is not a copy of files.
        self.assertEqual(self.icon(entry["id"], 1)[:4], [0x89, 0x50, 0x4E, 0x47])
        self.assertEqual(self.icon(entry["id"], 2), "refused")
        # A file deleted since the copy is marked once a snapshot has it looked at again, away
        # from the main loop (an answer is kept a second).
        os.unlink(first)
        time.sleep(1.1)
        self.app.copy_text("just text")
        wait_until(lambda: "first file.txt (missing)" in self.app.page().evaluate("document.body.innerText"), 10,
                   0.2, "the deleted file marked")
        self.assertEqual(self.icon(self.entry("just text")["id"], 0), "refused")

        # A list of files with no text at all: the entry's text is their paths. A picture among
        # them is shown by a thumbnail no larger than the icon size.
        picture = os.path.join(self.folder, "photo.png")
        write_png(picture, 300, 150)
        owner, _ = self.offer("--file", "text/uri-list", self.file_with("u2", "file://%s\nfile://%s\n" % (second, picture)))
        png = self.icon(self.entry(second + "\n" + picture)["id"], 1)
        width, height = struct.unpack(">II", bytes(png[16:24]))
        self.assertEqual((width, height), (64, 32))
        # A picture of 45 million pixels in a small file is not unpacked (it held the main loop
        # while gigabytes were filled): the card gets its type's square icon instead.
        write_png(picture, 15000, 3000)
        png = self.icon(self.entry(second + "\n" + picture)["id"], 1)
        self.assertEqual(struct.unpack(">II", bytes(png[16:24])), (64, 64))

    def test_browser_copied_image_is_one_picture_entry_keeping_its_html(self):
        png = os.path.join(self.folder, "p.png")
        write_png(png, 24, 16)
        html = '<img src="https://example.org/p.png" alt="p">'
        owner, log = self.offer("--file", "image/png", png, "--file", "text/html", self.file_with("i.html", html))
        wait_until(lambda: self.app.history() and self.app.history()[0]["kind"] == "image"
                   and self.app.history()[0].get("formats"), 10, message="a picture entry with its HTML")
        time.sleep(0.5)
        history = self.app.history()
        self.assertEqual(len(history), 1, "one entry, not a picture and an HTML text")
        self.assertEqual([f["type"] for f in history[0]["formats"]], ["text/html"])
        self.quit_owner(owner)
        wait_until(lambda: {"image/png", "text/html"} <= self.targets_offered(), 10, 0.2, "picture and HTML offered")
        self.assertEqual(xclip_out("text/html"), html)

    def test_large_html_under_the_cap_comes_back_whole(self):
        # 6 MB crosses X11's request size both ways: read in increments, and offered back in them.
        large = "<p>" + "".join("cell %07d " % i for i in range(6 * 1024 * 1024 // 13)) + "</p>"
        owner, _ = self.offer("--text", "large formatted text", "--file", "text/html", self.file_with("l.html", large))
        entry = self.entry("large formatted text", 1)
        self.assertEqual([f["type"] for f in entry["formats"]], ["text/html"])
        self.quit_owner(owner)
        wait_until(lambda: "text/html" in self.targets_offered(), 10, 0.2, "HTML offered after the owner quit")
        self.assertEqual(xclip_out("text/html", 15.0), large)

    def test_huge_html_is_left_out_and_the_text_kept(self):
        huge = "<p>" + "x" * (12 * 1024 * 1024) + "</p>"
        started = time.monotonic()
        self.offer("--text", "huge formatted text", "--file", "text/html", self.file_with("huge.html", huge))
        self.entry("huge formatted text")
        self.assertLess(time.monotonic() - started, 8)
        # The HTML is given up as soon as its size shows; the entry never gets it.
        time.sleep(1.5)
        self.assertEqual(self.entry("huge formatted text").get("formats", []), [])


class NeverEndingHtmlTest(BrimbleTestCase):
    """An owner whose HTML never ends: sent in increments as fast as they are taken, dripped, or
    stalled after its start. The copy's text is recorded without the HTML within the format's
    limits (2 s of silence, 3 s in all), and once given up the owner is no longer fed."""

    def sent(self, owner, wait):
        """The number of increments the owner reported sending, read for `wait` seconds."""
        last = 0
        deadline = time.monotonic() + wait
        while True:
            left = deadline - time.monotonic()
            ready, _, _ = select.select([owner.stdout], [], [], max(left, 0))
            if not ready:
                return last
            line = owner.stdout.readline()
            if not line:
                return last
            if line.startswith("sent "):
                last = int(line.split()[1])

    def test_html_that_never_ends_is_dropped_and_the_text_kept(self):
        for pause_ms in (0, 300, -1):
            with self.subTest(pause_ms=pause_ms):
                text = f"text beside endless HTML {pause_ms}"
                started = time.monotonic()
                owner = subprocess.Popen([SLOW_OWNER, "--html-forever", str(pause_ms), text], stdout=subprocess.PIPE,
                                         stderr=subprocess.DEVNULL, text=True, env=self.app.env)
                self.app.helpers.append(owner)
                self.assertEqual(owner.stdout.readline().strip(), "ready")
                entry = wait_until(lambda: next((e for e in self.app.history() if e["text"] == text), None),
                                   10, 0.02, f"the entry {text!r}")
                # Recorded from its text without waiting for the HTML (3 s at most), with room
                # for a loaded machine.
                self.assertLess(time.monotonic() - started, 2.5)
                self.assertEqual(entry.get("formats", []), [])
                if pause_ms >= 0:
                    self.assertGreater(self.sent(owner, 1.0), 0, "the HTML was asked for")
                # A read given up no longer takes the owner's increments: an owner that sends for
                # ever would otherwise keep both programs busy for as long as it runs. The HTML
                # gets 3 s, then what it still sends is taken and thrown away for 2 s.
                self.sent(owner, max(0.0, started + 5.5 - time.monotonic()))
                self.assertEqual(self.app.history()[0].get("formats", []), [])
                self.assertEqual(self.sent(owner, 1.5), 0, "increments taken after the read was given up")
                self.assertEqual(self.app.page().evaluate("1 + 1"), 2)
                end_process(owner)
                owner.stdout.close()
                self.app.helpers.remove(owner)

    def test_owner_quitting_while_its_html_is_read_leaves_the_text_alone_on_offer(self):
        text = "text beside HTML whose owner quits"
        owner = subprocess.Popen([SLOW_OWNER, "--html-forever", "-1", text], stdout=subprocess.PIPE,
                                 stderr=subprocess.DEVNULL, text=True, env=self.app.env)
        self.app.helpers.append(owner)
        self.assertEqual(owner.stdout.readline().strip(), "ready")
        wait_until(lambda: self.app.history() and self.app.history()[0]["text"] == text, 10, 0.02, "the entry")
        end_process(owner)
        owner.stdout.close()
        self.app.helpers.remove(owner)
        # Nothing half-read is offered back: the text alone, kept alive.
        wait_until(lambda: xclip_out("UTF8_STRING") == text, 10, 0.2, "the text kept alive")
        self.assertNotIn("text/html", (xclip_out("TARGETS") or "").split())
        self.assertEqual(self.app.history()[0].get("formats", []), [])


class DamagedFormatFilesTest(BrimbleTestCase):
    """Format files deleted, replaced by links, or named outside their folder: nothing outside the
    data folder is read or deleted, and the entry still copies back as text."""

    def setUp(self):
        self.outside = tempfile.mkdtemp(prefix="brimble-outside-")
        self.addCleanup(lambda: subprocess.run(["rm", "-rf", self.outside], check=False))
        self.secret = os.path.join(self.outside, "secret.html")
        with open(self.secret, "w") as out:
            out.write("<p>not Brimble's</p>")
        linked = hashlib.sha256(b"<p>linked</p>").hexdigest()
        missing = hashlib.sha256(b"<p>missing</p>").hexdigest()
        stray = hashlib.sha256(b"stray").hexdigest()
        self.history = [
            {"id": "00000000-0000-4000-8000-000000000001", "ts": 1000, "text": "linked entry", "kind": "text",
             "formats": [{"type": "text/html", "file": linked}]},
            {"id": "00000000-0000-4000-8000-000000000002", "ts": 999, "text": "escaping entry", "kind": "text",
             "formats": [{"type": "text/html", "file": "../../../" + os.path.relpath(self.secret, "/")},
                         {"type": "text/rtf", "file": missing}]},
        ]
        super_setup = super().setUp
        # The data folder is laid out before the start.
        from harness import Brimble
        self.app = Brimble(settings=self.settings, history=self.history)
        self.addCleanup(self.app.stop)
        folder = os.path.join(self.app.data_folder, "clipboard-formats")
        os.makedirs(folder)
        os.symlink(self.secret, os.path.join(folder, linked))
        # A stray link of our own name form: pruned as a name, its target untouched.
        os.symlink(self.secret, os.path.join(folder, stray))
        self.folder = folder
        self.app.start()
        del super_setup

    def test_nothing_outside_is_read_or_deleted(self):
        with open(self.secret) as source:
            self.assertEqual(source.read(), "<p>not Brimble's</p>")
        # Another copy makes the program prune and save; the file is read only after that save.
        self.app.copy_text("a copy")
        self.wait_for_text("a copy")
        escaping = next(e for e in self.app.history() if e["text"] == "escaping entry")
        self.assertEqual([f["type"] for f in escaping.get("formats", [])], ["text/rtf"])
        wait_until(lambda: not os.path.lexists(os.path.join(self.folder, hashlib.sha256(b"stray").hexdigest())),
                   5, message="the stray link removed")
        self.assertTrue(os.path.exists(self.secret), "the link's target is never deleted")


if __name__ == "__main__":
    unittest.main()
