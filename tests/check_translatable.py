#!/usr/bin/env python3
"""Fails when a text the user sees can escape the catalogue.

    check_translatable.py SOURCE_DIR

1. Every source file that marks texts (_(), N_(), C_(), ngettext(), or t()/nt() in the page) is
   listed in po/POTFILES, so xgettext extracts its texts.
2. No call that shows a text is handed a bare English literal: the GTK calls that put a text on
   screen, menu items, and the dialogs' message, informative and button texts. A literal there
   would be shown in English whatever the language.
The fake platform's tests in the marked test language catch what reaches the core's interfaces;
this check covers the GTK layer, which those tests do not run.
"""

import fnmatch
import os
import re
import sys

CODE_FOLDERS = ("app", "about", "bridge", "history", "import", "sessions", "common", "platform")
MARKS = re.compile(r"(?<![\w.])(?:_|N_|C_|NC_|ngettext)\(\s*\"")
PAGE_MARKS = re.compile(r"(?<![\w.])n?t\(\s*['\"`]")

# Calls whose text arguments reach the screen, with the positions of those arguments (0-based).
SHOWN_TEXT_CALLS = {
    "gtk_button_new_with_label": (0,), "gtk_label_new": (0,), "gtk_window_set_title": (1,),
    "gtk_entry_set_placeholder_text": (1,), "gtk_widget_set_tooltip_text": (1,),
    "gtk_dialog_new_with_buttons": (0, 3, 5, 7), "gtk_dialog_add_button": (1,),
    "gtk_menu_item_new_with_label": (0,), "gtk_check_menu_item_new_with_label": (0,),
    "gtk_menu_item_set_label": (1,), "app_indicator_set_title": (1,), "atk_object_set_name": (1,),
    "makePanelLabel": (0,), "makePanelWindow": (0,), "gtk_message_dialog_new": (4,),
}
# Texts that are names, the same in every language.
ALLOWED_LITERALS = {'""', '"%s"', '"Brimble"'}
CORE_PATTERNS = [
    (re.compile(r"\{\s*\"[^\"]+\"\s*,\s*MenuAction::"), "a menu item's title"),
    (re.compile(r"\.(?:message|informative|confirmLabel)\s*=\s*\""), "a dialog's text"),
    (re.compile(r"runAlert\(\s*\{\s*\"[^\"]"), "an alert's message"),
    # A list of capitalised words in braces is a dialog's buttons: {"OK", "Cancel"}.
    (re.compile(r"\{\s*\"[A-Z][A-Za-z ]+\"\s*(?:,\s*\"[A-Z][A-Za-z ]+\"\s*)*\}"), "a dialog's buttons"),
]


def listed_files(source_dir):
    patterns = []
    with open(os.path.join(source_dir, "po", "POTFILES"), encoding="utf-8") as listing:
        for line in listing:
            line = line.strip()
            if line and not line.startswith("#"):
                patterns.append(line)
    return lambda path: any(fnmatch.fnmatch(path, pattern) for pattern in patterns)


def arguments(text, start):
    """The top-level arguments of the call whose '(' is at `start`, as source text."""
    depth, current, found, i = 0, [], [], start
    in_string = False
    while i < len(text):
        c = text[i]
        if in_string:
            current.append(c)
            if c == "\\":
                current.append(text[i + 1])
                i += 1
            elif c == '"':
                in_string = False
        elif c == '"':
            in_string = True
            current.append(c)
        elif c in "([{":
            depth += 1
            if depth > 1:
                current.append(c)
        elif c in ")]}":
            depth -= 1
            if depth == 0:
                found.append("".join(current).strip())
                return found
            current.append(c)
        elif c == "," and depth == 1:
            found.append("".join(current).strip())
            current = []
        else:
            current.append(c)
        i += 1
    return found


def main(source_dir):
    is_listed = listed_files(source_dir)
    faults = []
    for folder in CODE_FOLDERS + ("resources/clipboard/js",):
        for root, _, files in os.walk(os.path.join(source_dir, folder)):
            for name in sorted(files):
                path = os.path.join(root, name)
                relative = os.path.relpath(path, source_dir)
                if not name.endswith((".cpp", ".h", ".js")):
                    continue
                with open(path, encoding="utf-8") as source:
                    text = source.read()
                marks = PAGE_MARKS if name.endswith(".js") else MARKS
                if marks.search(text) and not is_listed(relative) and not relative.endswith("js/i18n.js"):
                    faults.append(f"{relative}: marks texts but is not listed in po/POTFILES")
                if name.endswith(".js"):
                    continue
                for call, positions in SHOWN_TEXT_CALLS.items():
                    for match in re.finditer(r"\b" + call + r"\s*\(", text):
                        args = arguments(text, match.end() - 1)
                        for position in positions:
                            if position < len(args) and args[position].startswith('"') \
                                    and args[position] not in ALLOWED_LITERALS:
                                line = text.count("\n", 0, match.start()) + 1
                                faults.append(f"{relative}:{line}: {call} is given the bare text {args[position]}")
                for pattern, what in CORE_PATTERNS:
                    for match in pattern.finditer(text):
                        line = text.count("\n", 0, match.start()) + 1
                        faults.append(f"{relative}:{line}: {what} is a bare literal: {match.group(0)}")
    for fault in faults:
        print(fault)
    print(f"{len(faults)} texts escape the catalogue" if faults else "every shown text goes through the catalogue")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")))
