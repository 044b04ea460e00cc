"""Brimble natively on a headless KWin (started by with-kwin.sh) with XWayland beside it: X11 and
Wayland programs share one clipboard there, through KWin."""

import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

from harness import Brimble, command_output, end_process, run_tool, wait_until  # noqa: E402

X11_DISPLAY = os.environ.get("BRIMBLE_KWIN_X11_DISPLAY", "")
# The X11 clients below, and the program's watch of X11's clipboard owner, find XWayland here;
# the program itself still runs on Wayland, as on a Plasma desktop.
os.environ["DISPLAY"] = X11_DISPLAY


def wayland_text(timeout=1.0):
    return command_output(["wl-paste", "--no-newline"], timeout)


def x11_text(timeout=1.0):
    return command_output(["xclip", "-o", "-selection", "clipboard"], timeout)


def active_x11_window():
    found = run_tool("xprop", "-root", "_NET_ACTIVE_WINDOW").stdout
    value = found.rsplit("#", 1)[-1].strip() if "#" in found else "0x0"
    return int(value, 16) if value.startswith("0x") else 0


class KWinTestCase(unittest.TestCase):

    def setUp(self):
        self.app = Brimble()
        self.addCleanup(self.app.stop)

    def x11_window_in_front(self):
        """An X11 window that KWin gives the keyboard: KWin lets X11 programs' copies reach the
        Wayland side only while one is in front."""
        window = subprocess.Popen(["xmessage", "in front"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.app.helpers.append(window)
        wait_until(lambda: active_x11_window() != 0, 10, 0.05, "the X11 window in front")


class StartAndQuitTest(KWinTestCase):

    def test_background_start_and_quit_log_no_critical(self):
        # GTK's XEmbed tray icon, the tray item's fallback where no host answers, has no widget
        # off X11: setting its image logged a critical 0.1 s after the start and at the quit.
        self.assertNotIn("CRITICAL", self.app.background_start_and_quit())


class X11OwnerTest(KWinTestCase):

    def test_copy_of_an_x11_program_that_quits_is_offered_again_on_both_sides(self):
        # KWin keeps the X11 owner's copy as the Wayland selection after the owner quits, and
        # says nothing: readers got no text after 2 s and nothing offered it again.
        self.x11_window_in_front()
        self.app.start("--background", window=False)
        owner = self.app.copy_text("copied in an X11 program")
        wait_until(lambda: "copied in an X11 program" in self.app.texts(), 10, 0.05, "the X11 copy recorded")
        end_process(owner)
        gone = time.monotonic()
        # The carried copy lists X11's "TARGETS"; a read of it hangs, a listing does not.
        wait_until(lambda: "TARGETS" not in (command_output(["wl-paste", "--list-types"], 1.0) or "TARGETS"),
                   5, 0.01, "a new offer")
        offered_after = time.monotonic() - gone
        print(f"offered again {offered_after * 1000:.0f} ms after the owner quit", file=sys.stderr)
        self.assertEqual(wayland_text(), "copied in an X11 program")
        self.assertEqual(x11_text(), "copied in an X11 program")
        self.assertEqual(self.app.texts(), ["copied in an X11 program"])

    def test_wayland_owner_stays_when_an_x11_owner_that_never_reached_it_quits(self):
        # No X11 window in front: KWin keeps the X11 copy to X11, and the Wayland owner that
        # follows is live. Taking its place would drop what only it can give.
        self.app.start("--background", window=False)
        x11_owner = self.app.copy_text("kept to X11")
        wayland_owner = subprocess.Popen(["wl-copy", "--foreground", "copied on Wayland"],
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.app.helpers.append(wayland_owner)
        wait_until(lambda: "copied on Wayland" in self.app.texts(), 10, 0.05, "the Wayland copy recorded")
        end_process(x11_owner)
        time.sleep(1.0)
        self.assertIsNone(wayland_owner.poll(), "the Wayland owner lost the clipboard")
        self.assertEqual(wayland_text(), "copied on Wayland")


if __name__ == "__main__":
    unittest.main()
