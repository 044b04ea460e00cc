"""What a screen reader hears over time from the real program: an AT-SPI event listener, as Orca
has one, while keys drive a task. WebKitGTK 2.50 reports no change of a live region's text and no
change of a name, so the reader heard nothing after Enter, P or Delete and kept the pause and
session buttons' old names; the page now hands its words to the program, which announces them, and
renews a control whose name changed.

The test starts the AT-SPI bus itself, inside the test's private D-Bus session, before Brimble."""

import time
import unittest

from atspi_bus import AtSpiBus, application_of, document_of, pyatspi, role_of, wait_in_tree, walk
from gi.repository import GLib

from harness import Brimble, WindowManager, run_tool, wait_until

SEEDED = [
    {"id": "5C1D0E2A-7B3F-4E6D-8A9C-1F2E3D4C5B6%d" % i, "ts": 1760000000.5 + i, "text": text, "pinned": False,
     "kind": "text"}
    for i, text in enumerate(["alpha words", "beta words", "gamma words"])
]

EVENTS = ["object:announcement", "object:state-changed:focused", "object:state-changed:pressed",
          "object:children-changed", "window:activate"]


class Heard:
    """One event as the reader gets it: its type, the source's role and name, and its text."""

    def __init__(self, event):
        self.type = event.type
        self.detail1 = event.detail1
        try:
            self.role = event.source.getRoleName()
            self.name = event.source.name
        except Exception:
            self.role = self.name = None
        self.data = event.any_data if isinstance(event.any_data, str) else None

    def __repr__(self):
        return f"{self.type}({self.detail1}) {self.role} {self.name!r} {self.data!r}"


class ScreenReaderEventsTest(AtSpiBus, unittest.TestCase):
    def setUp(self):
        self.heard = []
        for kind in EVENTS:
            pyatspi.Registry.registerEventListener(self.hear, kind)
        self.addCleanup(lambda: [pyatspi.Registry.deregisterEventListener(self.hear, kind) for kind in EVENTS])
        self.app = Brimble(history=SEEDED)
        self.addCleanup(self.app.stop)
        self.app.start()
        self.document = wait_in_tree(self.find_document, 30, 0.5, "the page's document in the AT-SPI tree")
        # A reader reads the page once it is shown, which makes its objects known to it.
        wait_in_tree(lambda: len([n for _, n in walk(self.document) if role_of(n) == pyatspi.ROLE_LIST_ITEM]) >= 3,
                   15, 0.3, "the cards in the tree")

    def hear(self, event):
        self.heard.append(Heard(event))

    def pump(self):
        context = GLib.MainContext.default()
        while context.pending():
            context.iteration(False)

    def wait_to_hear(self, what, predicate, timeout=5.0):
        """The first event since the last step that `predicate` accepts, pumping the bus meanwhile."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            self.pump()
            for heard in self.heard:
                if predicate(heard):
                    return heard
            time.sleep(0.05)
        self.fail(f"a reader heard no {what}; it heard: {self.heard}")

    def announced(self, text):
        return self.wait_to_hear(f"announcement {text!r}",
                                 lambda h: h.type == "object:announcement" and h.data == text)

    def focused(self, role, name):
        return self.wait_to_hear(f"focus on the {role} {name!r}",
                                 lambda h: h.type.startswith("object:state-changed:focused") and h.detail1 == 1
                                 and h.role == role and h.name == name)

    def find_document(self):
        return document_of(application_of(self.app.process.pid))

    def step(self, *keys, focus=None):
        """Forgets what was heard, gives `focus` (a script expression) the keyboard, then presses `keys`."""
        self.pump()
        self.app.press(self.app.window())
        if focus:
            self.app.page().evaluate(f"{focus}.focus(); true")
        self.heard.clear()
        if keys:
            self.app.press(self.app.window(), *keys)

    def test_a_reader_hears_each_action_and_the_new_names(self):
        # Enter copies the card, P pins it, Delete deletes it: each is said.
        self.step("Return", focus="document.querySelector('.card')")
        self.announced("Copied to clipboard")
        self.step("p", focus="document.querySelector('.card')")
        self.announced("Pinned")
        # The card, pinned where it stands, is heard again under its new name.
        self.wait_to_hear("focus on the card named pinned",
                          lambda h: h.type.startswith("object:state-changed:focused") and h.detail1 == 1
                          and h.name.endswith(", pinned"))
        # Delete says how to take it back, and Control+Z says it did.
        self.step("Delete", focus="document.querySelector('.card')")
        self.announced("Deleted. Undo with Control+Z")
        wait_until(lambda: len(self.app.texts()) == 2, 5, 0.1, "the deletion saved")
        self.step("ctrl+z")
        self.announced("Restored")
        wait_until(lambda: len(self.app.texts()) == 3, 5, 0.1, "the undo saved")
        self.step("Delete", focus="document.querySelector('.card')")
        self.announced("Deleted. Undo with Control+Z")
        wait_until(lambda: len(self.app.texts()) == 2, 5, 0.1, "the deletion saved")

        # The search says how many clips it found, once the typing has paused.
        self.step(focus="document.getElementById('search')")
        self.app.press(self.app.window(), "g", "a", "m")
        self.announced("1 of 2")
        self.step("Escape", focus="document.getElementById('search')")

        # Pausing: the button that has the keyboard is heard under its new name, pressed.
        self.step("space", focus="document.getElementById('pauseButton')")
        self.focused("toggle button", "Paused")
        self.assertEqual(self.app.page().evaluate("document.getElementById('pauseButton').ariaPressed"), "true")
        self.step("space", focus="document.getElementById('pauseButton')")
        self.focused("toggle button", "Recording")

        # Switching sessions from the menu leaves the keyboard on the session button, named
        # after the session now shown.
        self.app.page().evaluate(
            "window.webkit.messageHandlers.pr2Clip.postMessage({cmd: 'sessionCreate', name: 'Work'}); true")
        self.focused_name_settles("sessionButton", "Work")
        self.step("Return", focus="document.getElementById('sessionButton')")
        # The menu opens on the session shown, Work; Default is the one above it.
        self.focused("radio menu item", "Work")
        self.step("Up", "Return")
        self.focused("combo box", "Default")
        # The menu's place is taken by the session button, not by nothing.
        self.step("Tab")
        self.focused("toggle button", "Recording")

    def last_focus(self, settle=1.0):
        """The last object a reader was told has the focus, once events have stopped for `settle` s."""
        quiet_since = time.monotonic()
        seen = len(self.heard)
        while time.monotonic() - quiet_since < settle:
            self.pump()
            if len(self.heard) != seen:
                seen = len(self.heard)
                quiet_since = time.monotonic()
            time.sleep(0.05)
        focus = [h for h in self.heard if h.type.startswith("object:state-changed:focused") and h.detail1 == 1]
        return (focus[-1].role, focus[-1].name) if focus else None

    def test_a_reader_is_back_on_a_named_control_after_a_dialog_and_the_shortcut(self):
        wm = WindowManager()
        self.addCleanup(wm.stop)
        main = self.app.window()
        # The prompt of New Block: a dialog named by its question, titled, its field named.
        self.step("Return", focus="document.getElementById('newBlockButton')")
        dialog = wait_until(lambda: self.app.dialog_window(main), 10, 0.1, "the prompt")
        self.focused("text", "Name of the new block")
        # Heard once: GTK reported the field's focus twice.
        self.assertEqual(self.last_focus(), ("text", "Name of the new block"))
        said = [h for h in self.heard if h.type.startswith("object:state-changed:focused") and h.detail1 == 1
                and h.name == "Name of the new block"]
        self.assertEqual(len(said), 1, self.heard)
        self.assertEqual(run_tool("xdotool", "getwindowname", dialog).stdout.strip(), "Name of the new block")
        # A question with a field is a dialog; as an alert a reader read it as a message.
        self.wait_to_hear("the prompt's window as a dialog", lambda h: h.type == "window:activate"
                          and h.role == "dialog" and h.name == "Name of the new block")
        # Closed, the window's return was heard as an unnamed filler, and nothing after it.
        self.heard.clear()
        self.app.press(dialog, "Escape")
        wait_until(lambda: self.app.dialog_window(main) is None, 10, 0.1, "the prompt closed")
        self.assertEqual(self.last_focus(), ("push button", "New Block"))

        # The application picker of Settings ▸ Add…, the sync folder's chooser and the About
        # window: closed, each gives the reader back the button that opened it.
        self.step("Return", focus="document.getElementById('settingsButton')")
        for button, name in (("excludeAdd", "Add…"), ("syncChoose", "Choose…"), ("aboutButton", "About Brimble")):
            self.step("Return", focus=f"document.getElementById('{button}')")
            window = wait_until(lambda: self.app.dialog_window(main), 10, 0.1, f"the window of {name}")
            self.last_focus()
            self.heard.clear()
            self.app.press(window, "Escape")
            wait_until(lambda: self.app.dialog_window(main) is None, 10, 0.1, f"the window of {name} closed")
            self.assertEqual(self.last_focus(), ("push button", name))
        self.step("Escape", focus="document.getElementById('settingsClose')")

        # Control+Alt+V away and back: the search field, already focused in the page, is said.
        self.step(focus="document.getElementById('search')")
        run_tool("xdotool", "key", "--clearmodifiers", "ctrl+alt+v")
        wait_until(lambda: self.app.main_window() is None, 10, 0.1, "the window hidden by the key")
        self.heard.clear()
        run_tool("xdotool", "key", "--clearmodifiers", "ctrl+alt+v")
        self.app.window()
        role, name = self.last_focus()
        self.assertEqual(name, "Search clips", (role, self.heard))

    def focused_name_settles(self, element_id, name):
        """Waits until the page shows `name` on the element (a snapshot arrived)."""
        wait_until(lambda: self.app.page().evaluate(
            f"document.getElementById('{element_id}').textContent.trim()") == name, 5, 0.1, f"{element_id} {name}")


if __name__ == "__main__":
    unittest.main()
