"""The page grows with the desktop's text scaling. Its sizes are CSS pixels, which a larger font
alone would never change; WebKitGTK zooms the page by the screen's font resolution, and nothing in
the program may undo that (a fixed zoom, a zoom of its own on top, which doubled the scaling). The
scaling is asked for with GDK_DPI_SCALE, since Xvfb's resolution overrides GTK's settings file."""

import unittest

from harness import Brimble, wait_until


class TextScaleTest(unittest.TestCase):
    def page_zoom(self, scale):
        app = Brimble()
        self.addCleanup(app.stop)
        if scale is not None:
            app.env["GDK_DPI_SCALE"] = str(scale)
        app.start()
        page = app.page()
        wait_until(lambda: page.evaluate("document.readyState") == "complete", 15, 0.2, "the page")
        width = app.window_geometry(app.window())["WIDTH"]
        # The page's CSS width against the window's width in screen pixels is the zoom.
        ratio = width / page.evaluate("window.innerWidth")
        app.stop()
        return ratio

    def test_the_page_zooms_with_the_desktops_font_resolution(self):
        plain = self.page_zoom(None)
        large = self.page_zoom(1.5)
        self.assertAlmostEqual(plain, 1.0, delta=0.05)
        self.assertAlmostEqual(large, 1.5, delta=0.08)


if __name__ == "__main__":
    unittest.main()
