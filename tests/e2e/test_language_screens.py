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


# What of the selection bar does not fit: its clear button outside the window, or a label taller
# than two lines.
BAR_FITS = """(() => {
  const out = [];
  const close = document.getElementById('selClear').getBoundingClientRect();
  if (close.width < 10 || close.left < 0 || close.right > window.innerWidth) out.push('the clear button is out of sight');
  for (const button of document.querySelectorAll('.selection-bar .bar-button')) {
    if (button.checkVisibility() && button.getBoundingClientRect().height > 50) out.push(`${button.textContent.trim()} takes three lines or more`);
  }
  return out;
})()"""


# Labels of the selection bar drawn on more than one line.
CJK_LABELS_WRAPPED = """[...document.querySelectorAll('.selection-bar .bar-button span:not(.icon-slot)')]
  .filter((label) => label.checkVisibility() && label.getBoundingClientRect().width > 1 && label.getClientRects().length > 1
    || label.getBoundingClientRect().height > 1.6 * parseFloat(getComputedStyle(label).lineHeight || '20'))
  .map((label) => label.textContent)"""


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
        if language in ("ja", "zh_CN"):
            # Words kept whole: a label without spaces stays on one line (before: まとめてコピ/ー).
            self.assertEqual(page.evaluate(CJK_LABELS_WRAPPED), [], f"{language}: a label broken inside a word")

        # The first session's stored name is "Default"; the user reads it in their language.
        self.assertNotEqual(page.evaluate("document.getElementById('sessionButton').textContent.trim()"), "Default",
                            f"{language}: the first session's name is shown untranslated")

        # A narrower window: German once lost the bar's clear button and wrapped "Als neue Sitzung
        # sichern" onto four lines. Each label keeps to two lines, or the bar shows icons alone.
        run_tool("xdotool", "windowsize", "--sync", window, "760", str(frame["HEIGHT"]))
        wait_until(lambda: page.evaluate("window.innerWidth") <= 770, 5, 0.1, "the narrower window")
        page.evaluate("new Promise(r => requestAnimationFrame(() => requestAnimationFrame(() => r(true))))")
        grab(os.path.join(ARTIFACTS, f"language-{language}-selection-narrow.png"))
        self.assertEqual(page.evaluate(BAR_FITS), [], f"{language}: the narrow selection bar does not fit")
        if language in ("ja", "zh_CN"):
            self.assertEqual(page.evaluate(CJK_LABELS_WRAPPED), [], f"{language}: a label broken inside a word")
        self.assertEqual(page.evaluate(OVERFLOWING), [], f"{language}: text cut off in the narrow window")

        # The settings sheet, kept for a look at the history limit's note beside its field.
        page.evaluate("document.getElementById('settingsButton').click(); true")
        wait_until(lambda: page.evaluate("!document.getElementById('settings').hidden"), 5, 0.1, "the settings")
        page.evaluate("new Promise(r => setTimeout(() => r(true), 300))")
        grab(os.path.join(ARTIFACTS, f"language-{language}-settings.png"))


if __name__ == "__main__":
    unittest.main()
