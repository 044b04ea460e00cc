"""The program stays on X11 where no Wayland compositor with data-control answers."""

import os
import tempfile
import unittest

from harness import Brimble, wait_until


class BackendChoiceTest(unittest.TestCase):

    def test_session_whose_wayland_socket_is_gone_runs_on_x11(self):
        # A stale WAYLAND_DISPLAY (the compositor crashed, or a session variable left over)
        # must not keep the program from starting or from recording on the X server.
        missing = os.path.join(tempfile.mkdtemp(prefix="brimble-no-wayland-"), "wayland-9")
        app = Brimble()
        app.env["WAYLAND_DISPLAY"] = missing
        self.addCleanup(app.stop)
        app.start()
        app.copy_text("recorded through X11")
        wait_until(lambda: "recorded through X11" in app.texts(), 10, message="the copy in clipboard.json")
        os.rmdir(os.path.dirname(missing))


if __name__ == "__main__":
    unittest.main()
