"""The real program's accessible tree, read through AT-SPI as a screen reader reads it: the page's
heading, landmarks, named controls and cards as a list with places and keys, the states that a
selection and the switches report, the keyboard's round through the page and the settings dialog,
and the keys that the exported tray menu carries.

The test starts the AT-SPI bus itself, inside the test's private D-Bus session, before Brimble, so
the program's toolkit and its web process find it as they would on a desktop."""

import unittest

from atspi_bus import (AtSpiBus, application_of, attributes, document_of, has_state, name_of, pyatspi, role_name_of,
                       role_of, text_of, wait_in_tree, walk, walk_children)
from gi.repository import Gio, GLib

from harness import Brimble, wait_until
MENU_PATH = "/org/ayatana/NotificationItem/brimble/Menu"

SEEDED = [
    {"id": "0B8C5B1E-3F7A-4C1D-9E2B-6A4D8F0C1E2%d" % i, "ts": 1760000000.5 + i, "text": text, "pinned": i == 0,
     "kind": "text"}
    for i, text in enumerate(["Seeded note one", "https://example.com/x", "third words"])
]


class AccessibleTreeTest(AtSpiBus, unittest.TestCase):
    def setUp(self):
        self.app = Brimble(history=SEEDED)
        self.addCleanup(self.app.stop)
        self.app.start()
        self.document = wait_in_tree(self.find_document, 30, 0.5, "the page's document in the AT-SPI tree")
        wait_in_tree(lambda: len(self.cards()) == 3, 15, 0.3, "three cards in the tree")

    def application(self):
        return application_of(self.app.process.pid)

    def find_document(self):
        return document_of(self.application())

    def nodes(self, role=None):
        return [node for _, node in walk(self.document) if role is None or role_of(node) == role]

    def cards(self):
        return [node for node in self.nodes(pyatspi.ROLE_LIST_ITEM) if "posinset" in attributes(node)]

    def focused(self):
        """The focused control: the document reports the focused state too, while anything in it
        has the focus, so the innermost focused node is the one."""
        found = None
        for node in self.nodes():
            if role_of(node) != pyatspi.ROLE_DOCUMENT_WEB and has_state(node, pyatspi.STATE_FOCUSED):
                found = node
        return found

    def focus_page(self, element):
        """Gives the window the keyboard, then `element` (a script expression) the page's focus."""
        self.press()
        self.app.page().evaluate(f"{element}.focus(); true")

    def press(self, *keys):
        self.app.press(self.app.window(), *keys)

    def focused_after(self, *keys):
        before = self.focused()
        self.press(*keys)
        # The tree reports the new focus a moment after the key.
        return wait_in_tree(lambda: (lambda now: now if now is not None and now != before else None)(self.focused()),
                            5, 0.1, f"the focus to move on {keys}")

    def test_heading_landmarks_and_texts_are_in_the_tree(self):
        headings = [(name_of(node), attributes(node).get("level")) for node in self.nodes(pyatspi.ROLE_HEADING)]
        self.assertIn(("Brimble", "1"), headings)
        self.assertEqual([name for name, level in headings if level == "1"], ["Brimble"], "one level-one heading")
        landmarks = {attributes(node).get("tag") for node in self.nodes(pyatspi.ROLE_LANDMARK)}
        self.assertTrue({"header", "main"} <= landmarks, landmarks)
        # Text that sat directly in plain containers was missing from WebKitGTK's tree.
        texts = [text_of(node) for node in self.nodes(pyatspi.ROLE_PARAGRAPH)]
        self.assertIn("3 clips", texts)

    def test_cards_are_a_named_list_with_places_keys_and_states(self):
        boxes = self.nodes(pyatspi.ROLE_LIST_BOX)
        self.assertEqual([name_of(box) for box in boxes], ["Clips"])
        cards = self.cards()
        names = [name_of(card) for card in cards]
        self.assertRegex(names[0], r"^Text, Seeded note one, .+, 15 chars, pinned$")
        self.assertRegex(names[1], r"^https://example\.com/x, .+, Link$")
        self.assertEqual([(attributes(c)["posinset"], attributes(c)["setsize"]) for c in cards],
                         [("1", "3"), ("2", "3"), ("3", "3")])
        self.assertEqual(attributes(cards[1]).get("keyshortcuts"), "Enter P Delete Space O")
        self.assertIn("Enter copies", cards[0].description)
        self.assertFalse(any(has_state(card, pyatspi.STATE_SELECTED) for card in cards))
        # Space on the focused card selects it, and the tree says so.
        self.focus_page("document.querySelector('.card')")
        self.press("space")
        wait_in_tree(lambda: has_state(self.cards()[0], pyatspi.STATE_SELECTED), 5, 0.1, "the selected state")

        # A card alone in a block is "1 of 1" in the block's list, not "3 of 3" of the board.
        self.app.page().evaluate("window.webkit.messageHandlers.pr2Clip.postMessage("
                                 f"{{cmd: 'blockCreate', name: 'Work', ids: ['{SEEDED[2]['id']}']}}); true")
        wait_in_tree(lambda: "Work" in [name_of(box) for box in self.nodes(pyatspi.ROLE_LIST_BOX)], 10, 0.2,
                     f"the block's list among {[name_of(box) for box in self.nodes(pyatspi.ROLE_LIST_BOX)]}")
        places = wait_in_tree(lambda: (lambda p: p if ("1", "1") in p else None)(
            [(attributes(c).get("posinset"), attributes(c).get("setsize")) for c in self.cards()]), 5, 0.2, "places")
        self.assertEqual(places, [("1", "2"), ("2", "2"), ("1", "1")])
        # Each block button says its block, once: a title equal to the name was read again as the
        # description ("Settings, button, Settings").
        buttons = {name_of(node): node.description for node in self.nodes(pyatspi.ROLE_PUSH_BUTTON)
                   + self.nodes(pyatspi.ROLE_TOGGLE_BUTTON)}
        for name in ("Collapse “Work”", "Pin “Work”", "Options for “Work”", "Settings", "New Block"):
            self.assertEqual(buttons.get(name), "", f"{name}: {buttons}")

    def test_tab_goes_round_the_page_without_a_dead_stop(self):
        self.focus_page("document.getElementById('sessionButton')")
        wait_in_tree(lambda: name_of(self.focused() or self.document) == "Default", 5, 0.1, "the sessions button")
        seen = [name_of(self.focused())]
        for _ in range(6):
            seen.append(name_of(self.focused_after("Tab")))
        self.assertEqual(seen[:6], ["Default", "Recording", "Settings", "Search clips", "New Block", name_of(self.cards()[0])])
        self.assertEqual(seen[6], "Default", "Tab past the card list comes back to the first control")
        self.assertEqual(name_of(self.focused_after("shift+Tab")), name_of(self.cards()[0]))
        self.assertEqual(name_of(self.focused_after("Right")), name_of(self.cards()[1]))

    def test_settings_is_a_modal_dialog_with_described_switches(self):
        self.focus_page("document.getElementById('settingsButton')")
        self.press("Return")
        dialog = wait_in_tree(lambda: next((n for n in self.nodes(pyatspi.ROLE_DIALOG) if name_of(n) == "Settings"),
                                           None), 5, 0.2, "the settings dialog")
        self.assertTrue(has_state(dialog, pyatspi.STATE_MODAL))
        switches = {name_of(node): node for _, node in walk(dialog) if role_name_of(node) in ("toggle button", "switch")}
        self.assertEqual(switches["Pause recording"].description, "New copies are not kept while paused.")
        # On X11 pasting works: the hidden note that says it cannot was read out as well.
        self.assertEqual(switches["Paste after choosing"].description,
                         "Choosing a clip hides this window and pastes the clip where you were typing.")
        limit = next(node for _, node in walk(dialog) if role_of(node) == pyatspi.ROLE_SPIN_BUTTON)
        self.assertEqual(name_of(limit), "History limit")
        value = limit.queryValue()
        self.assertEqual((value.minimumValue, value.maximumValue), (10.0, 500.0))
        # Tab stays in the dialog.
        for _ in range(25):
            node = self.focused_after("Tab")
            self.assertTrue(any(n == node for _, n in walk(dialog)), f"Tab left the dialog for {name_of(node)!r}")

    def test_the_page_dialogs_are_named_modal_dialogs_with_a_named_field(self):
        page = self.app.page()
        pending = page.evaluate_in_background("prompt('Name of the new block:', 'New Block')")
        main = self.app.window()
        window = wait_until(lambda: self.app.dialog_window(main), 10, 0.1, "the prompt")

        # Only the program's windows are looked at: the web process waits for the answer and
        # cannot describe the page meanwhile.
        def prompt():
            for _, node in walk_children(self.application()):
                if role_of(node) in (pyatspi.ROLE_DIALOG, pyatspi.ROLE_ALERT) and name_of(node) == "Name of the new block":
                    return node
            return None

        # A dialog of no particular type had no name: a screen reader announced an unnamed alert.
        dialog = wait_in_tree(prompt, 10, 0.2, "the named prompt in the tree")
        self.assertTrue(has_state(dialog, pyatspi.STATE_MODAL))
        fields = wait_in_tree(lambda: [name_of(node) for _, node in walk(dialog) if role_of(node) == pyatspi.ROLE_TEXT],
                              5, 0.2, "the prompt's field")
        self.assertEqual(fields, ["Name of the new block"])
        self.app.press(window, "Escape")
        self.assertIsNone(page.wait_for(pending))

    def test_the_tray_menu_exports_its_keys(self):
        bus = Gio.bus_get_sync(Gio.BusType.SESSION)
        names = bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "ListNames",
                              None, None, Gio.DBusCallFlags.NONE, 2000, None).unpack()[0]

        def owner_of_brimble():
            for name in names:
                if not name.startswith(":"):
                    continue
                try:
                    pid = bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                        "GetConnectionUnixProcessID", GLib.Variant("(s)", (name,)), None,
                                        Gio.DBusCallFlags.NONE, 2000, None).unpack()[0]
                except GLib.Error:
                    continue
                if pid == self.app.process.pid:
                    try:
                        return bus.call_sync(name, MENU_PATH, "com.canonical.dbusmenu", "GetLayout",
                                             GLib.Variant("(iias)", (0, -1, [])), None, Gio.DBusCallFlags.NONE,
                                             2000, None).unpack()
                    except GLib.Error:
                        continue
            return None

        layout = wait_until(owner_of_brimble, 10, 0.3, "the exported tray menu")
        shortcuts = {}

        def collect(item):
            _, properties, children = item
            if "label" in properties:
                shortcuts[properties["label"]] = properties.get("shortcut")
            for child in children:
                collect(child)

        collect(layout[1])
        self.assertEqual(shortcuts.get("Quit Brimble"), [["Control", "q"]])
        self.assertIn("Show Brimble", shortcuts)


if __name__ == "__main__":
    unittest.main()
