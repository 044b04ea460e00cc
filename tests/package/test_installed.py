"""The program installed from the Debian package records a copy, serves its page from the
package's own folder and names itself in the login autostart entry."""

import gzip
import os
import re
import shlex
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))

import harness  # noqa: E402
from harness import PAGE_URL, Brimble, wait_until  # noqa: E402

INSTALLED = "/usr/bin/brimble"
# The program the command execs when none runs.
PROGRAM = "/usr/libexec/brimble/brimble"
MANUAL = "/usr/share/man/man1/brimble.1.gz"


def exec_line(entry_path):
    with open(entry_path) as entry:
        for line in entry:
            if line.startswith("Exec="):
                return line[len("Exec="):].strip()
    return None


@unittest.skipUnless(os.access(INSTALLED, os.X_OK), "needs the package installed")
class InstalledProgramTest(unittest.TestCase):

    def setUp(self):
        original = harness.BRIMBLE
        harness.BRIMBLE = INSTALLED
        self.addCleanup(setattr, harness, "BRIMBLE", original)
        self.app = Brimble()
        self.addCleanup(self.app.stop)
        self.app.start()

    def test_records_a_copy_and_serves_the_installed_page(self):
        # A build-tree program started by mistake would pass everything else.
        self.assertEqual(os.readlink(f"/proc/{self.app.process.pid}/exe"), PROGRAM)
        self.app.copy_text("Copied into the installed Brimble")
        wait_until(lambda: "Copied into the installed Brimble" in self.app.texts(), 15, 0.1, "the history")
        page = self.app.page()
        self.assertEqual(page.evaluate("location.href"), PAGE_URL)
        wait_until(lambda: "Copied into the installed Brimble" in self.app.page_text(), 15, 0.2, "the page")
        # The page's own picture comes from /usr/share/brimble through the scheme.
        icon = "new Promise(r => { const i = new Image(); i.onload = () => r(i.naturalWidth);" \
               " i.onerror = () => r(0); i.src = 'vellumo://clipboard/icon.png'; })"
        self.assertEqual(page.evaluate(icon), 64)

    def test_autostart_entry_names_the_installed_program(self):
        entry = os.path.join(self.app.config, "autostart", "brimble.desktop")
        self.app.page().evaluate(
            "window.webkit.messageHandlers.pr2Clip.postMessage({cmd: 'autostart', value: true}); true")
        wait_until(lambda: os.path.exists(entry), 10, 0.1, "the autostart entry")
        self.assertEqual(shlex.split(exec_line(entry))[0], INSTALLED)
        # The session reads this entry with the same rules as the menu's.
        check = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True, check=False)
        self.assertEqual((check.returncode, check.stdout), (0, ""))


@unittest.skipUnless(os.access(INSTALLED, os.X_OK), "needs the package installed")
class OptionsTest(unittest.TestCase):

    def test_manual_page_describes_every_option_that_help_lists(self):
        # Without a display a program that does not answer --help itself ends at once.
        env = {key: value for key, value in os.environ.items() if key not in ("DISPLAY", "WAYLAND_DISPLAY")}
        result = subprocess.run([INSTALLED, "--help"], env=env, capture_output=True, text=True, timeout=60,
                                check=False)
        listed = set(re.findall(r"^\s+(?:-\w, )?--([a-z][a-z-]*)", result.stdout, re.M))
        # GLib's own help variants are not the program's options.
        listed = {option for option in listed if not option.startswith("help-")}
        if not listed - {"help"}:
            self.skipTest("this build of the program lists no options")
        with gzip.open(MANUAL, "rt") as manual:
            # roff writes each hyphen of an option's name as "\-" too (--sync-folder: \-\-sync\-folder).
            named = re.findall(r"^\.BI? \\-\\-([a-z]+(?:\\-[a-z]+)*)", manual.read(), re.M)
            documented = {name.replace("\\-", "-") for name in named}
        self.assertEqual(listed - documented, set())


if __name__ == "__main__":
    unittest.main()
