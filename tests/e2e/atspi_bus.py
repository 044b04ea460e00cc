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


# The tree is live: a node listed a moment ago may be gone when it is read (a tooltip, a window
# that closes, a part of the page drawn again), and reading it then raises GLib.GError ('No such
# interface "org.a11y.atspi.Accessible"'). Every read below takes a vanished node for an absent
# one, and every wait that walks the tree asks again rather than failing.


def walk(node, depth=0):
    """Every accessible under `node` that is still there when read, depth first, as (depth, node)."""
    if node is None:
        return
    try:
        node.childCount
    except GLib.Error:
        return
    yield depth, node
    for _, child in walk_children(node):
        yield from walk(child, depth + 1)


def walk_children(node):
    """The children of `node` that are still there when read, as (index, child); none for None."""
    if node is None:
        return
    try:
        count = node.childCount
    except GLib.Error:
        return
    for index in range(count):
        try:
            child = node.getChildAtIndex(index)
        except GLib.Error:
            continue
        if child is not None:
            yield index, child


def role_of(node):
    try:
        return node.getRole()
    except GLib.Error:
        return None


def role_name_of(node):
    try:
        return node.getRoleName()
    except GLib.Error:
        return None


def name_of(node):
    try:
        return node.name
    except GLib.Error:
        return None


def attributes(node):
    try:
        return dict(pair.split(":", 1) for pair in node.getAttributes())
    except Exception:
        return {}


def has_state(node, state):
    try:
        return node.getState().contains(state)
    except GLib.Error:
        return False


def text_of(node):
    try:
        text = node.queryText()
        return text.getText(0, text.characterCount)
    except (NotImplementedError, GLib.Error):
        return ""


def wait_in_tree(predicate, timeout, interval, message):
    """`wait_until` for a predicate that reads the live tree: a node that vanished while it was
    read means the tree is changing, so the predicate is asked again."""
    def settled():
        try:
            return predicate()
        except GLib.Error:
            return None
    return wait_until(settled, timeout, interval, message)


def application_of(pid):
    """The accessible application of the process `pid`, or None while it is not on the bus."""
    for _, app in walk_children(pyatspi.Registry.getDesktop(0)):
        try:
            if app.get_process_id() == pid:
                return app
        except Exception:
            continue
    return None


def document_of(app):
    """The web page's document under `app`, or None."""
    for _, node in walk(app):
        if role_of(node) == pyatspi.ROLE_DOCUMENT_WEB:
            return node
    return None
