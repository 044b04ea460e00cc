#!/usr/bin/env python3
"""Writes the page's catalogue for one language as JSON, from the compiled .mo of the same .po.

    catalogue_json.py LANGUAGE INPUT.mo OUTPUT.json

The page picks a plural form with Intl.PluralRules, which names CLDR categories; gettext numbers
its forms. PLURAL_CATEGORIES lists, per language, the category of each gettext form in order, and
the build fails when a catalogue's nplurals disagrees, so a new language cannot ship with plurals
the page would pick wrongly.
"""

import gettext
import json
import re
import sys

PLURAL_CATEGORIES = {
    "ar": ["zero", "one", "two", "few", "many", "other"],
    "de": ["one", "other"],
    "en": ["one", "other"],
    "es": ["one", "other"],
    "fr": ["one", "other"],
    "he": ["one", "two", "other"],
    "ja": ["other"],
    "pt": ["one", "other"],
    "ru": ["one", "few", "many"],
    "zh": ["other"],
}
RIGHT_TO_LEFT = {"ar", "fa", "he", "ur"}


def main(language, source, target):
    base = re.split(r"[_@]", language)[0]
    with open(source, "rb") as mo:
        translations = gettext.GNUTranslations(mo)
    header = translations.info()
    plural_forms = header.get("plural-forms", "")
    match = re.search(r"nplurals\s*=\s*(\d+)", plural_forms)
    nplurals = int(match.group(1)) if match else 2
    categories = PLURAL_CATEGORIES.get(base)
    if categories is None or len(categories) != nplurals:
        sys.exit(f"{source}: no plural categories known for {language} with nplurals={nplurals}; "
                 "add them to PLURAL_CATEGORIES in po/catalogue_json.py")
    messages = {}
    plurals = {}
    for key, text in translations._catalog.items():
        if isinstance(key, tuple):
            msgid, index = key
            plurals.setdefault(msgid, [None] * nplurals)[index] = text
        elif key:
            messages[key] = text
    for msgid, forms in plurals.items():
        if all(form for form in forms):
            messages[msgid] = forms
    catalogue = {
        "language": language.replace("_", "-"),
        "dir": "rtl" if base in RIGHT_TO_LEFT else "ltr",
        "plural": categories,
        "messages": dict(sorted(messages.items())),
    }
    with open(target, "w", encoding="utf-8") as out:
        json.dump(catalogue, out, ensure_ascii=False, separators=(",", ":"))


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
