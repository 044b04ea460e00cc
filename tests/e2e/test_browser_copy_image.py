"""A picture copied in a real browser (Chromium's "Copy image", which offers the picture and an
HTML <img> but no text) becomes one picture entry that keeps its HTML, and both come back to a
real client after the browser quit. Clicked as a person does, under openbox."""

import os
import subprocess
import unittest

from harness import DesktopTestCase, command_output, end_process, png_size, run_tool, wait_until, write_png

CHROMIUM = "/usr/bin/chromium"
# The picture's colour, as write_png draws it; nothing else on the screen has it.
PICTURE_RGB = bytes([40, 120, 200])


def screen_pixels():
    """The screen as (width, height, RGB bytes)."""
    ppm = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], capture_output=True,
                         timeout=30, check=True).stdout
    magic, width, height, _, pixels = ppm.split(maxsplit=4)
    assert magic == b"P6"
    return int(width), int(height), pixels


def picture_centre():
    """Where the picture is drawn on the screen, or None before it is."""
    width, _, pixels = screen_pixels()
    first = pixels.find(PICTURE_RGB * 40)
    last = pixels.rfind(PICTURE_RGB * 40)
    if first < 0 or first % 3:
        return None
    top, left = divmod(first // 3, width)
    bottom = (last // 3) // width
    return left + 20, (top + bottom) // 2


def pixel(x, y):
    width, _, pixels = screen_pixels()
    start = (y * width + x) * 3
    return pixels[start:start + 3]


def clipboard_bytes(target):
    return subprocess.run(["xclip", "-o", "-selection", "clipboard", "-t", target], capture_output=True,
                          timeout=10, check=False).stdout


@unittest.skipUnless(os.access(CHROMIUM, os.X_OK), "Chromium is not installed")
class BrowserCopyImageTest(DesktopTestCase):
    background = True
    inspector = False

    def setUp(self):
        super().setUp()
        self.folder = self.scratch_folder("brimble-browser-")

    def open_browser(self, page):
        # As root Chromium runs only without its sandbox; --test-type keeps the warning bar away.
        browser = subprocess.Popen(
            [CHROMIUM, "--no-sandbox", "--test-type", "--disable-gpu", "--no-first-run",
             "--no-default-browser-check", "--password-store=basic", f"--user-data-dir={self.folder}/profile",
             "--window-position=0,0", "--window-size=800,600", f"--app=file://{page}"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=self.app.env)
        self.addCleanup(end_process, browser)
        return browser

    def test_copy_image_is_one_picture_entry_that_keeps_its_html(self):
        picture = os.path.join(self.folder, "harbour.png")
        write_png(picture, 240, 160)
        page = os.path.join(self.folder, "page.html")
        with open(page, "w") as out:
            out.write('<body style="margin:40px"><img src="harbour.png" alt="harbour"></body>')
        browser = self.open_browser(page)

        x, y = wait_until(picture_centre, 30, 0.2, "the picture drawn in the browser")
        run_tool("xdotool", "mousemove", str(x), str(y), "click", "3")
        # The menu opens down and right of the pointer, over the picture.
        wait_until(lambda: pixel(x + 10, y + 10) != PICTURE_RGB, 10, 0.1, "the browser's menu")
        # Open image in new tab, Save image as…, Copy image.
        run_tool("xdotool", "key", "--delay", "30", "Down", "Down", "Down", "Return")

        # The entry comes with its picture; its HTML is attached once read.
        history = wait_until(lambda: [e for e in self.app.history() if e["kind"] == "image" and e.get("formats")]
                             and self.app.history(), 15, 0.1, "a picture entry with its HTML")
        self.assertEqual(len(history), 1, "one picture entry, no HTML text beside it")
        self.assertEqual([f["type"] for f in history[0].get("formats", [])], ["text/html"])
        html = command_output(["xclip", "-o", "-selection", "clipboard", "-t", "text/html"], 5)
        self.assertIn("harbour.png", html)

        # The browser quits: the picture and its HTML stay on the clipboard, from Brimble.
        end_process(browser)
        wait_until(lambda: {"image/png", "text/html"} <= set((command_output(
            ["xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"], 2) or "").split()), 15, 0.2,
            "the picture and its HTML offered by Brimble")
        self.assertEqual(command_output(["xclip", "-o", "-selection", "clipboard", "-t", "text/html"], 5), html)
        copied = os.path.join(self.folder, "copied.png")
        with open(copied, "wb") as out:
            out.write(clipboard_bytes("image/png"))
        self.assertEqual(png_size(copied), (240, 160))


if __name__ == "__main__":
    unittest.main()
