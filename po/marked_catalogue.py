#!/usr/bin/env python3
"""Writes a test language's .po from brimble.pot in which every text is marked: "⟦Cancel⟧".

    marked_catalogue.py INPUT.pot OUTPUT.po

A test that runs the program in this language sees at once which shown text was not looked up
in the catalogue: it is the one without the marks. Formats keep their directives inside the
marks, so "%d entries" stays a valid translation.
"""

import re
import sys

HEADER = ('msgid ""\nmsgstr ""\n"Project-Id-Version: Brimble\\n"\n"PO-Revision-Date: 2026-01-01 00:00+0000\\n"\n'
          '"Last-Translator: the build\\n"\n"Language-Team: none\\n"\n"Language: qaa\\n"\n"MIME-Version: 1.0\\n"\n'
          '"Content-Type: text/plain; charset=UTF-8\\n"\n"Content-Transfer-Encoding: 8bit\\n"\n'
          '"Plural-Forms: nplurals=2; plural=(n != 1);\\n"\n\n')


def entries(text):
    for block in text.split("\n\n"):
        lines = [line for line in block.splitlines() if not line.startswith("#")]
        if lines:
            yield lines


def strings_of(lines, keyword):
    """The concatenated C string that follows `keyword` (with its continuation lines)."""
    collected, inside = [], False
    for line in lines:
        if line.startswith(keyword + " "):
            inside = True
            collected.append(line[len(keyword) + 1:])
        elif inside and line.startswith('"'):
            collected.append(line)
        else:
            inside = False
    return "".join(part[1:-1] for part in collected)


def main(source, target):
    with open(source, encoding="utf-8") as pot:
        text = pot.read()
    out = [HEADER]
    for lines in entries(text):
        msgid = strings_of(lines, "msgid")
        if not msgid:
            continue
        context = strings_of(lines, "msgctxt")
        if context:
            out.append(f'msgctxt "{context}"\n')
        out.append(f'msgid "{msgid}"\n')
        plural = strings_of(lines, "msgid_plural")
        # Trailing newlines stay outside the marks: msgfmt --check wants them kept in place.
        def mark(s):
            body, tail = (s[:-2], "\\n") if s.endswith("\\n") else (s, "")
            return f"\u27e6{body}\u27e7{tail}"
        if plural:
            out.append(f'msgid_plural "{plural}"\nmsgstr[0] "{mark(msgid)}"\nmsgstr[1] "{mark(plural)}"\n\n')
        else:
            out.append(f'msgstr "{mark(msgid)}"\n\n')
    with open(target, "w", encoding="utf-8") as po:
        po.write("".join(out))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(*sys.argv[1:])
