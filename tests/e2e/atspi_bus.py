"""What the screen reader tests share: pyatspi, and the AT-SPI bus that a test starts itself, inside
the test's private D-Bus session, before Brimble, so the program's toolkit and its web process find it
as they would on a desktop."""

import os
import shutil
import subprocess
import sys

# pyatspi is Debian's package for Debian's interpreter; another Python on the PATH hands over.
try:
    import pyatspi  # noqa: F401 (the tests take it from here)
except ImportError:
    if os.path.exists("/usr/bin/python3") and os.path.realpath(sys.executable) != os.path.realpath("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3", *sys.argv])
    raise

from gi.repository import Gio, GLib

from harness import end_process, wait_until

BUS_LAUNCHER = shutil.which("at-spi-bus-launcher") or "/usr/libexec/at-spi-bus-launcher"


class AtSpiBus:
    """Mixed into a unittest.TestCase: the class's tests share one AT-SPI bus, ended after them."""

    @classmethod
    def setUpClass(cls):
        cls.launcher = subprocess.Popen([BUS_LAUNCHER, "--launch-immediately"])
        cls.addClassCleanup(end_process, cls.launcher)
        wait_until(lambda: cls.bus_address() is not None, 10, 0.1, "the AT-SPI bus")

    @staticmethod
    def bus_address():
        try:
            reply = Gio.bus_get_sync(Gio.BusType.SESSION).call_sync(
                "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", None, None,
                Gio.DBusCallFlags.NO_AUTO_START, 1000, None)
            return reply.unpack()[0] or None
        except GLib.Error:
            return None
