"""The real program on a desktop in each shipped language, with that language's locale generated as
its users have it: three copies must be drawn as cards on the screen, judged by the window's
pixels, and nothing of the page may be cut off, with the board and the selection bar kept as
screenshots. A Japanese or Chinese locale once left the window on its first frame: GTK's input
method for those locales turned the page's window into a native X window that WebKit's frames no
longer reached."""

import os
import subprocess
import unittest

from harness import ARTIFACTS, Brimble, WindowManager, run_tool, wait_until

# Language, the locale its users run, the page's <html lang>, and three texts in its script.
LANGUAGES = [
    ("de", "de_DE", "de", ["Grüße aus Köln", "Straßenbahn fährt", "Änderung übernommen"]),
    ("fr", "fr_FR", "fr", ["Déjà vu à Noël", "Crème brûlée", "Ça marche très bien"]),
    ("es", "es_ES", "es", ["Mañana por la mañana", "¿Dónde está?", "Canción española"]),
    ("pt_BR", "pt_BR", "pt-BR", ["Ação de graças", "Não há problema", "Coração brasileiro"]),
    ("ru", "ru_RU", "ru", ["Привет, мир", "Съешь же ещё этих булок", "Широкая электрификация"]),
    ("zh_CN", "zh_CN", "zh-CN", ["你好，世界", "剪贴板历史记录", "复制的文字"]),
    ("ja", "ja_JP", "ja", ["こんにちは世界", "クリップボードの履歴", "東京都の天気"]),
    ("ar", "ar_EG", "ar", ["مرحبا بالعالم", "سجل الحافظة", "نص منسوخ"]),
]

# Text cut off by an ellipsis or pushed out of the window, as the page's tests look for it.
OVERFLOWING = """(() => {
  const selectors = ['.topbar button', '.toolbar .button', '.toolbar-count', '.selection-bar button',
    '.selection-count', '.block-head', '.block-count', '.empty-state *', '.card-kind', '.card-time'];
  const out = [];
  for (const node of document.querySelectorAll(selectors.join(', '))) {
    if (!node.checkVisibility()) continue;
    if (node.scrollWidth > node.clientWidth + 1) out.push(`${node.className || node.tagName}: ${node.textContent.trim()}`);
    const box = node.getBoundingClientRect();
    if (box.left < -1 || box.right > window.innerWidth + 1) out.push(`${node.className || node.tagName} leaves the window`);
  }
  return out;
})()"""


def generated_locales():
    listed = run_tool("locale", "-a").stdout.split()
    return {name.lower().replace("-", "") for name in listed}


def generate_locale(locale):
    """Generates `locale`.UTF-8 when the system lacks it, as a user's system has it."""
    if f"{locale.lower()}.utf8" in generated_locales():
        return
    result = run_tool("localedef", "-i", locale, "-f", "UTF-8", f"{locale}.UTF-8", timeout=120)
    if f"{locale.lower()}.utf8" not in generated_locales():
        raise AssertionError(f"could not generate {locale}.UTF-8 (localedef needs root and the "
                             f"'locales' package): {result.stderr.strip()}")


def grab(path):
    run_tool("import", "-window", "root", path, timeout=30)


def differing_pixels(first, second, area):
    """How many pixels of `area` (a geometry) differ between two screenshots."""
    result = subprocess.run(["compare", "-metric", "AE", "-extract", area, first, second, "null:"],
                            capture_output=True, text=True, timeout=30, check=False)
    try:
        return int(float(result.stderr.split()[0]))
    except (IndexError, ValueError):
        return 0


class LanguageScreensTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        for _, locale, _, _ in LANGUAGES:
            generate_locale(locale)
        cls.wm = WindowManager()
        cls.addClassCleanup(cls.wm.stop)

    def test_every_language_draws_its_cards_and_fits(self):
        for language, locale, page_lang, texts in LANGUAGES:
            with self.subTest(language=language):
                # One program at a time: a second start would only hand over to the first.
                app = Brimble()
                try:
                    self.check_language(app, language, locale, page_lang, texts)
                finally:
                    app.stop()

    def check_language(self, app, language, locale, page_lang, texts):
        # The desktop's locale alone, as a login session sets it: no LANGUAGE, no LC_ override.
        for name in ("LANGUAGE", "LC_ALL", "LC_MESSAGES", "GTK_IM_MODULE", "XMODIFIERS"):
            app.env.pop(name, None)
        app.env["LANG"] = f"{locale}.UTF-8"
        app.start()
        page = app.page()
        wait_until(lambda: page.evaluate("document.documentElement.lang") == page_lang
                   and page.evaluate("!!document.querySelector('.empty-state')"), 20, 0.2, f"the {language} page")
        window = app.window()
        frame = app.window_geometry(window)
        # The board: below the header and the search, inside the window's frame.
        board = f"{frame['WIDTH'] - 40}x{frame['HEIGHT'] - 200}+{frame['X'] + 20}+{frame['Y'] + 150}"
        before = os.path.join(ARTIFACTS, f"language-{language}-empty.png")
        settling = os.path.join(ARTIFACTS, f"language-{language}-settling.png")

        def settled():
            grab(settling)
            same = os.path.exists(before) and differing_pixels(before, settling, board) == 0
            os.replace(settling, before)
            return same

        wait_until(settled, 15, 0.3, "the empty page settled on screen")

        for text in texts:
            app.copy_text(text)
            wait_until(lambda: text in app.texts(), 10, 0.05, f"{text!r} recorded")
        wait_until(lambda: page.evaluate("document.querySelectorAll('.card').length") == 3, 10, 0.1,
                   "three cards in the page")

        shot = os.path.join(ARTIFACTS, f"language-{language}-board.png")

        def cards_on_screen():
            grab(shot)
            return differing_pixels(before, shot, board) > 20000

        # Before the mend, a Japanese desktop changed 0 pixels here; the cards change about 120,000.
        wait_until(cards_on_screen, 15, 0.5, f"the cards drawn on the {language} screen")
        self.assertEqual(page.evaluate(OVERFLOWING), [], f"{language}: text cut off on the board")

        # Two cards selected with the keys bring the selection bar.
        app.press(window)
        page.evaluate("document.querySelector('.card').focus(); true")
        app.press(window, "space", "Right", "space")
        wait_until(lambda: page.evaluate("!document.getElementById('selectionBar').hidden"), 5, 0.1,
                   "the selection bar")
        page.evaluate("new Promise(r => requestAnimationFrame(() => requestAnimationFrame(() => r(true))))")
        grab(os.path.join(ARTIFACTS, f"language-{language}-selection.png"))
        self.assertEqual(page.evaluate(OVERFLOWING), [], f"{language}: text cut off in the selection bar")


if __name__ == "__main__":
    unittest.main()
