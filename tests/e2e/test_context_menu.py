"""The menu a right click, Shift+F10 or the Menu key opens in the real window: the page's own card
menu on a card, and nothing elsewhere. WebKit's own menu (Back, Forward, Stop, Reload) used to
open on the page, as a popup window of the program's."""

import time
import unittest

from harness import Brimble, BrimbleTestCase, run_tool, wait_until

SEEDED = [
    {"id": "6D2E1F3B-8C4A-4F7E-9B0D-2A3B4C5D6E7%d" % i, "ts": 1760000000.5 + i, "text": text, "pinned": False,
     "kind": "text"}
    for i, text in enumerate(["https://example.com/a", "second card", "third card"])
]

PAGE_MENU = """(() => {
  const menu = document.querySelector('#menuLayer .menu');
  return menu ? [menu.dataset.menu, document.activeElement.textContent.trim(),
                 [...menu.querySelectorAll('[role=menuitem]')].map((item) => item.textContent.trim())] : null;
})()"""


class ContextMenuTest(BrimbleTestCase):
    history = SEEDED

    def popups(self):
        """The program's visible windows other than the main one: WebKit's menu is one."""
        main = self.app.window()
        found = run_tool("xdotool", "search", "--onlyvisible", "--pid", str(self.app.process.pid)).stdout.split()
        return [window for window in found if window != main
                and self.app.window_geometry(window).get("WIDTH", 0) > 20]

    def close_menu(self):
        self.app.press(self.app.window(), "Escape")
        wait_until(lambda: self.app.page().evaluate("!document.querySelector('#menuLayer .menu')"), 5, 0.1,
                   "the menu to close")

    def click_at(self, script, button):
        """Clicks `button` at the middle of the element `script` names, in screen pixels."""
        window = self.app.window()
        frame = self.app.window_geometry(window)
        x, y, inner_height = self.app.page().evaluate(
            f"(() => {{ const box = {script}.getBoundingClientRect(); "
            "return [box.left + box.width / 2, box.top + box.height / 2, window.innerHeight]; })()")
        # The page fills the window below the menu bar.
        top = frame["HEIGHT"] - inner_height
        run_tool("xdotool", "mousemove", "--window", window, str(int(x)), str(int(top + y)), "click", str(button))

    def test_a_card_opens_its_own_menu_and_nothing_else_opens_one(self):
        page = self.app.page()
        wait_until(lambda: page.evaluate("document.querySelectorAll('.card').length") == 3, 15, 0.1, "the cards")
        first = f"document.querySelector('.card[data-id=\"{SEEDED[2]['id']}\"]')"
        link = f"document.querySelector('.card[data-id=\"{SEEDED[0]['id']}\"]')"

        # A right click, Shift+F10 and the Menu key on a card: its menu, with the keyboard on Copy.
        self.click_at(first, 3)
        opened = wait_until(lambda: page.evaluate(PAGE_MENU), 5, 0.1, "the card menu from a right click")
        self.assertEqual(opened, [f"card:{SEEDED[2]['id']}", "Copy", ["Copy", "Pin", "Delete"]])
        self.close_menu()
        for keys in (["shift+F10"], ["Menu"]):
            self.app.press(self.app.window())
            page.evaluate(f"{link}.focus(); true")
            self.app.press(self.app.window(), *keys)
            opened = wait_until(lambda: page.evaluate(PAGE_MENU), 5, 0.1, f"the card menu from {keys}")
            self.assertEqual(opened, [f"card:{SEEDED[0]['id']}", "Copy", ["Copy", "Open link", "Pin", "Delete"]])
            self.close_menu()

        # Choosing from it acts on the card.
        self.click_at(first, 3)
        wait_until(lambda: page.evaluate(PAGE_MENU), 5, 0.1, "the card menu")
        self.app.press(self.app.window(), "Down", "Return")
        wait_until(lambda: any(e.get("pinned") for e in self.app.history() if e["id"] == SEEDED[2]["id"]), 5, 0.1,
                   "the card pinned from its menu")

        # The page's menu is for cards only: a button has none.
        self.app.press(self.app.window())
        page.evaluate("document.getElementById('settingsButton').focus(); true")
        self.app.press(self.app.window(), "shift+F10")
        page.evaluate("new Promise(r => setTimeout(r, 500))")
        self.assertIsNone(page.evaluate(PAGE_MENU))

class NoEngineMenuTest(ContextMenuTest):
    """Without the inspector (a user's setting), the engine's menu opens nowhere outside the
    text fields: not on the header, not on the empty board, not from the keys."""

    def setUp(self):
        self.app = Brimble(history=SEEDED, inspector=False)
        self.addCleanup(self.app.stop)
        self.app.start()

    def test_a_card_opens_its_own_menu_and_nothing_else_opens_one(self):
        window = self.app.window()
        frame = self.app.window_geometry(window)
        time.sleep(2)
        before = self.popups()
        for x, y in ((60, 60), (frame["WIDTH"] // 2, frame["HEIGHT"] - 60)):
            run_tool("xdotool", "mousemove", "--window", window, str(x), str(y), "click", "3")
            time.sleep(0.7)
            self.assertEqual(self.popups(), before, f"a menu opened at {x},{y}")
        # The search field has the keyboard; Tab leaves it for a button.
        self.app.press(window, "Tab", "shift+F10")
        time.sleep(0.7)
        self.assertEqual(self.popups(), before, "a menu opened from Shift+F10")

if __name__ == "__main__":
    unittest.main()
