"""The real program on a German desktop (LANGUAGE=de): its window, tray menu and page speak German.
The tray menu is read where the desktop's panel reads it, over D-Bus (dbusmenu). The dialogs' German
is checked on the fake platform with the built catalogue (tests/unit/app/TranslationTest.cpp):
GTK's message dialogs do not appear on the accessibility bus under Xvfb, and X11 shows no text."""

import re
import subprocess
import unittest

from harness import APPLICATION_ID, Brimble, wait_until

TRAY_MENU_PATH = "/org/ayatana/NotificationItem/brimble/Menu"


def gdbus(*args, address=None):
    bus = ["--address", address] if address else ["--session"]
    result = subprocess.run(["gdbus", "call", *bus, *args], capture_output=True, text=True, timeout=10, check=False)
    return result.stdout if result.returncode == 0 else ""


def tray_labels():
    """The labels of the tray menu's items, as the desktop's panel is given them."""
    layout = gdbus("--dest", APPLICATION_ID, "--object-path", TRAY_MENU_PATH,
                   "--method", "com.canonical.dbusmenu.GetLayout", "--", "0", "-1", "['label']")
    return re.findall(r"'label': <'((?:[^'\\]|\\.)*)'>", layout)


def page_language(page):
    """The page's <html lang>, or None while the page is still loading."""
    try:
        return page.evaluate("document.documentElement.lang")
    except (TimeoutError, RuntimeError, OSError):
        return None


class GermanDesktopTest(unittest.TestCase):
    def setUp(self):
        # The page is released two seconds after the window is hidden, so a test can see it rebuilt.
        self.app = Brimble(settings={"pageReleaseSeconds": 2})
        self.addCleanup(self.app.stop)
        # C.UTF-8 is the one UTF-8 locale every system has; gettext honours LANGUAGE under it.
        self.app.env.update(LANGUAGE="de", LANG="C.UTF-8")
        for name in ("LC_ALL", "LC_MESSAGES"):
            self.app.env.pop(name, None)

    def test_window_tray_and_page_are_in_german(self):
        self.app.start()
        # The title is the program's name in every language.
        main = self.app.window()
        self.assertIsNotNone(main)

        labels = wait_until(tray_labels, 10, 0.2, "the tray menu on D-Bus")
        for label in ("Brimble zeigen", "Im Dock zeigen", "Bei der Anmeldung starten", "Brimble beenden"):
            self.assertIn(label, labels)
        self.assertNotIn("Quit Brimble", labels)

        page = self.app.page()
        # The page's modules wait for the catalogue, then set the language.
        wait_until(lambda: page_language(page) == "de", 15, 0.1, "the page in German")
        self.assertEqual(page.evaluate("document.documentElement.dir"), "ltr")
        # The page's module gives the catalogue's German, plural forms included.
        german = page.evaluate("import('./js/i18n.js').then(m => [m.t('Just now'), "
                               "m.nt('%d image', '%d images', 3).replace('%d', '3'), m.formatCount(12345)])")
        self.assertEqual(german, ["Gerade eben", "3 Bilder", "12.345"])

    # A page built anew reads the catalogue the program chose at its start, even when the start
    # that shows it again comes from a desktop in another language.
    def test_a_rebuilt_page_keeps_the_language_chosen_at_start(self):
        self.app.start()
        page = self.app.page()
        wait_until(lambda: page_language(page) == "de", 15, 0.1, "the page in German")
        self.app.press(self.app.window(), "ctrl+w")
        wait_until(lambda: self.app.main_window() is None, message="the window to close")
        self.app.forget_page()
        wait_until(lambda: not self.app.web_processes(), 20, 0.2, "the page to be released")

        self.app.env["LANGUAGE"] = "fr"
        self.assertEqual(self.app.start_again("--show"), 0)
        self.app.window()
        page = self.app.page()
        wait_until(lambda: page_language(page) == "de", 15, 0.1, "the new page in German")


if __name__ == "__main__":
    unittest.main()
