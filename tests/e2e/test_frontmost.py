"""Copies made while an excluded application is in front are not recorded. The application is
known from its window's _GTK_APPLICATION_ID or from its WM_CLASS and the desktop entries."""

import os
import time
import unittest

from harness import Brimble, BrimbleTestCase, run_tool, wait_until

DESKTOP_ENTRY = """[Desktop Entry]
Type=Application
Name=E2E Notes
Exec=true
StartupWMClass=Offer_targets
"""


class FrontmostAppTest(BrimbleTestCase):
    # Matching ignores letter case, as the excluded list is kept as the user added it.
    settings = {"excludedApps": ["E2E-Notes", "org.example.Writer"]}

    def setUp(self):
        super().setUp()
        applications = os.path.join(self.app.data, "applications")
        os.makedirs(applications, exist_ok=True)
        with open(os.path.join(applications, "e2e-notes.desktop"), "w") as entry:
            entry.write(DESKTOP_ENTRY)
        self.addCleanup(lambda: run_tool("xprop", "-root", "-remove", "_NET_ACTIVE_WINDOW"))

    def copy_in_front_then_after(self, secret, app_id=None):
        self.app.offer_targets(secret, window_first=True, app_id=app_id)
        time.sleep(1.0)
        # Nothing in front any more: the next copy is an ordinary one.
        run_tool("xprop", "-root", "-remove", "_NET_ACTIVE_WINDOW")
        self.app.copy_text("copied with nothing in front")
        self.wait_for_text("copied with nothing in front")

    def test_copy_from_an_excluded_window_class_is_not_recorded(self):
        self.copy_in_front_then_after("from the excluded notes app")
        self.assertNotIn("from the excluded notes app", self.app.texts())

    def test_copy_from_an_excluded_gtk_application_is_not_recorded(self):
        # Without the desktop entry only the window's application id can name the program.
        os.remove(os.path.join(self.app.data, "applications", "e2e-notes.desktop"))
        self.copy_in_front_then_after("from the writer", app_id="org.example.Writer")
        self.assertNotIn("from the writer", self.app.texts())

    def test_copy_from_a_program_not_excluded_is_recorded(self):
        self.copy_in_front_then_after("from another program", app_id="org.example.Reader")
        self.assertIn("from another program", self.app.texts())


XTERM_ENTRY = """[Desktop Entry]
Type=Application
Name=XTerm
Exec=xterm
Icon=mini.xterm
"""


class XTermExcludedTest(BrimbleTestCase):
    """xterm's entry is "debian-xterm" and names no StartupWMClass; its windows are of class
    "XTerm". Only the entry's program name ties the two together."""

    settings = {"excludedApps": ["debian-xterm", "org.example.NotInstalled"]}

    def setUp(self):
        self.app = Brimble(settings=self.settings)
        self.addCleanup(self.app.stop)
        applications = os.path.join(self.app.data, "applications")
        os.makedirs(applications)
        with open(os.path.join(applications, "debian-xterm.desktop"), "w") as entry:
            entry.write(XTERM_ENTRY)
        # GIO lists an entry only when its program is installed; a stand-in xterm is enough.
        programs = os.path.join(self.app.root, "bin")
        os.makedirs(programs)
        with open(os.path.join(programs, "xterm"), "w") as program:
            program.write("#!/bin/sh\nexit 0\n")
        os.chmod(os.path.join(programs, "xterm"), 0o755)
        self.app.env["PATH"] = programs + os.pathsep + self.app.env["PATH"]
        self.addCleanup(lambda: run_tool("xprop", "-root", "-remove", "_NET_ACTIVE_WINDOW"))
        self.app.start()

    def test_copy_from_an_xterm_window_is_not_recorded(self):
        self.app.offer_targets("typed in xterm", wm_class="XTerm")
        time.sleep(1.0)
        run_tool("xprop", "-root", "-remove", "_NET_ACTIVE_WINDOW")
        self.app.copy_text("copied with nothing in front")
        self.wait_for_text("copied with nothing in front")
        self.assertNotIn("typed in xterm", self.app.texts())

    def test_settings_mark_the_excluded_app_that_is_not_installed(self):
        page = self.app.page()
        unmatched = "[...document.querySelectorAll('.exclude-row.unmatched .exclude-id')].map((e) => e.textContent)"
        self.assertEqual(wait_until(lambda: page.evaluate(unmatched), 15, 0.2, "the marked row"),
                         ["org.example.NotInstalled"])


if __name__ == "__main__":
    unittest.main()
