"""The About and Help windows in the real program: About opens from the application menu and from
the page, Help from the page; both sit centred over the main window and close with Escape. The
windows' own behaviour (shouts, ink, Return, the close button) is checked by about_check.sh."""

import os
import subprocess
import unittest

from harness import ARTIFACTS, BrimbleTestCase, DesktopTestCase, focused_window, run_tool, type_keys, wait_until


def visible_window(name):
    result = run_tool("xdotool", "search", "--onlyvisible", "--name", f"^{name}$")
    windows = result.stdout.split()
    return windows[0] if windows else None


class AboutHelpTest(BrimbleTestCase):

    def open_from_page(self, command, name):
        page = self.app.page()
        page.evaluate("window.webkit.messageHandlers.pr2Clip.postMessage({cmd: '%s'}); true" % command)
        return wait_until(lambda: visible_window(name), 10, 0.1, f"the {name} window")

    def assert_centred_over_main(self, panel, width, height):
        main = self.app.window_geometry(self.app.window())
        frame = self.app.window_geometry(panel)
        # Window frames may carry a few pixels of border; the centres must still agree.
        self.assertLess(abs((frame["X"] + frame["WIDTH"] / 2) - (main["X"] + main["WIDTH"] / 2)), 12)
        self.assertLess(abs((frame["Y"] + frame["HEIGHT"] / 2) - (main["Y"] + main["HEIGHT"] / 2)), 40)
        self.assertLess(abs(frame["WIDTH"] - width), 16)
        self.assertLess(abs(frame["HEIGHT"] - height), 16)

    def screenshot(self, window, name):
        subprocess.run(["import", "-window", window, os.path.join(ARTIFACTS, name)], check=False,
                       timeout=20)

    def test_about_opens_from_the_application_menu(self):
        main = self.app.window()
        # F10 opens the first menu, "Brimble", whose first item is About.
        self.app.press(main, "F10")
        self.app.press(main, "Down", "Return")
        about = wait_until(lambda: visible_window("About Brimble"), 10, 0.1, "the About window")
        self.assert_centred_over_main(about, 420, 620)
        self.screenshot(about, "about-from-menu.png")

    def test_about_opens_from_the_page_and_escape_closes_it(self):
        about = self.open_from_page("about", "About Brimble")
        self.assert_centred_over_main(about, 420, 620)
        self.app.press(about, "Escape")
        wait_until(lambda: visible_window("About Brimble") is None, 10, 0.1, "About to close")
        # Closed for good: the next request makes a new window.
        again = self.open_from_page("about", "About Brimble")
        self.assertNotEqual(again, about)

    def test_help_opens_from_the_page_and_comes_back_as_the_same_window(self):
        help_window = self.open_from_page("help", "How to use Brimble")
        self.assert_centred_over_main(help_window, 460, 560)
        self.screenshot(help_window, "help-from-page.png")
        self.app.press(help_window, "Escape")
        wait_until(lambda: visible_window("How to use Brimble") is None, 10, 0.1, "Help to hide")
        self.assertEqual(self.open_from_page("help", "How to use Brimble"), help_window)


class AboutUnderWindowManagerTest(DesktopTestCase):
    """Under openbox, which refuses the keyboard to a window shown without the time of the user's
    request, About opened from the page came up without the keyboard: Escape then hid the main
    window and left About open."""

    def test_about_from_the_page_takes_the_keyboard_and_escape_closes_only_it(self):
        main = self.app.window()
        self.app.press(main)  # the user is in the main window, as after clicking its About button
        self.app.page().evaluate("window.webkit.messageHandlers.pr2Clip.postMessage({cmd: 'about'}); true")
        about = wait_until(lambda: visible_window("About Brimble"), 10, 0.1, "the About window")
        wait_until(lambda: focused_window() == about, 5, 0.05, "About to have the keyboard")
        type_keys("Escape")  # into whatever has the keyboard, as a person's key goes
        wait_until(lambda: visible_window("About Brimble") is None, 10, 0.1, "About to close")
        self.assertEqual(self.app.main_window(), main, "Escape meant for About hid the main window")


if __name__ == "__main__":
    unittest.main()
