#!/usr/bin/env python3
"""Lists the texts of the page's markup as JavaScript that xgettext reads.

    markup_texts.py INDEX.html OUTPUT.js

The page translates the texts written in index.html when it starts (translateMarkup in
resources/clipboard/js/i18n.js): the text of every element marked `data-i18n`, and the attributes
that `data-i18n-attrs` names. xgettext has no reader for HTML, so this writes each of those texts
as a `t()` call, with the line of the markup it comes from, for the build to extract with the
page's JavaScript.
"""

import json
import sys
from html.parser import HTMLParser


class MarkupTexts(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.texts = []        # (line, text)
        self.open = []         # [tag, line, collected text, wanted] for each element still open
        self.void = {"input", "br", "img", "meta", "link", "hr"}

    def handle_starttag(self, tag, attrs):
        attributes = dict(attrs)
        line = self.getpos()[0]
        for name in (attributes.get("data-i18n-attrs") or "").split():
            if attributes.get(name):
                self.texts.append((line, attributes[name]))
        if tag in self.void:
            return
        self.open.append([tag, line, [], "data-i18n" in attributes])

    def handle_startendtag(self, tag, attrs):
        self.handle_starttag(tag, attrs)

    def handle_endtag(self, tag):
        while self.open:
            name, line, text, wanted = self.open.pop()
            if wanted and "".join(text):
                self.texts.append((line, "".join(text)))
            if self.open:
                self.open[-1][2].extend(text)
            if name == tag:
                break

    def handle_data(self, data):
        if self.open:
            self.open[-1][2].append(data)


def main(source, target):
    parser = MarkupTexts()
    with open(source, encoding="utf-8") as markup:
        parser.feed(markup.read())
    lines = ["// Made by po/markup_texts.py from the page's index.html, for xgettext only.\n"]
    for line, text in sorted(parser.texts):
        lines.append(f"// index.html:{line}\nt({json.dumps(text, ensure_ascii=False)});\n")
    with open(target, "w", encoding="utf-8") as out:
        out.write("".join(lines))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(*sys.argv[1:])
