"""Installed with `cmake --install`, the program finds its page and the desktop finds its entry,
metadata and icon in their XDG places."""

import os
import shutil
import subprocess
import tempfile
import unittest

import harness
from harness import Brimble, PAGE_URL, wait_until

BUILD_DIR = os.environ.get("BRIMBLE_BUILD_DIR", "")


@unittest.skipUnless(BUILD_DIR and shutil.which("cmake"), "needs the build folder and cmake")
class InstallTest(unittest.TestCase):

    def setUp(self):
        self.prefix = tempfile.mkdtemp(prefix="brimble-install-")
        self.addCleanup(shutil.rmtree, self.prefix, True)
        subprocess.run(["cmake", "--install", BUILD_DIR, "--prefix", self.prefix], check=True,
                       capture_output=True, timeout=120)

    def test_files_are_in_their_xdg_places(self):
        for relative in ("bin/brimble", "libexec/brimble/brimble", "share/applications/brimble.desktop",
                         "share/metainfo/app.brimble.Brimble.metainfo.xml",
                         "share/icons/hicolor/512x512/apps/brimble.png",
                         "share/icons/hicolor/scalable/apps/brimble.svg",
                         "share/man/man1/brimble.1.gz",
                         "share/brimble/resources/clipboard/index.html",
                         "share/brimble/resources/clipboard/icon.png"):
            self.assertTrue(os.path.isfile(os.path.join(self.prefix, relative)), relative)

    def test_installed_program_serves_its_page(self):
        original = harness.BRIMBLE
        harness.BRIMBLE = os.path.join(self.prefix, "bin", "brimble")
        self.addCleanup(setattr, harness, "BRIMBLE", original)
        app = Brimble(history=[{"id": "5C0F7E22-9A41-4B6B-8E1D-2F3A4B5C6D7E", "ts": 1760000000.0,
                                "text": "Served from the installed resources", "pinned": False,
                                "kind": "text"}])
        self.addCleanup(app.stop)
        app.start()
        self.assertEqual(app.page().evaluate("location.href"), PAGE_URL)
        wait_until(lambda: "Served from the installed resources" in app.page_text(), 15, 0.2, "the page")


if __name__ == "__main__":
    unittest.main()
