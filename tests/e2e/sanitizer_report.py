"""Reads the AddressSanitizer, LeakSanitizer and UndefinedBehaviorSanitizer logs of end-to-end runs
and fails on any memory error, any undefined behaviour, and any leak that Brimble's own code made.

A leak is Brimble's when, after the allocator and its thin wrappers (g_malloc, g_strdup,
g_object_new, operator new, the standard library), the next frame is in Brimble's sources. A leak
that a desktop library makes inside its own code (fontconfig caches, the X display that
keybinder keeps, WebKit's atom strings) lives until exit by design and is only counted.

Usage: sanitizer_report.py SOURCE_DIR LOG_FILE..."""

import re
import sys

ALLOCATION_WRAPPERS = re.compile(
    r"^(__interceptor_\w+|malloc|calloc|realloc|operator new|g_malloc\w*|g_try_malloc\w*|g_realloc\w*|g_memdup2?|"
    r"g_strn?dup\w*|g_strconcat|g_slice_\w+|g_object_new\w*|g_type_create_instance|std::|__gnu_cxx::)")


def records(text):
    return [part for part in re.split(r"\n(?=(?:Direct|Indirect) leak of)", text)
            if part.startswith(("Direct leak", "Indirect leak"))]


def frames(record):
    # "#3 0x... in function file:line" or "#3 0x... (library+0x...)"
    return re.findall(r"#\d+ 0x[0-9a-f]+(?:\s+in (.+?))?(?:\s+(/\S+|\(\S+\)))?$", record, re.MULTILINE)


def allocated_by_brimble(record, source_dir):
    for function, place in frames(record):
        function = function or ""
        place = place or ""
        if ALLOCATION_WRAPPERS.match(function) or "/libsanitizer/" in place or "/c++/" in place:
            continue
        return place.startswith(source_dir) and "/build/" not in place
    return False


def main():
    source_dir = sys.argv[1].rstrip("/") + "/"
    errors, own, counted = [], [], 0
    for path in sys.argv[2:]:
        with open(path, errors="replace") as log:
            text = log.read()
        if "ERROR: AddressSanitizer" in text or "runtime error:" in text:
            errors.append((path, text[:6000]))
        for record in records(text):
            counted += 1
            if record.startswith("Direct") and allocated_by_brimble(record, source_dir):
                own.append((path, record[:4000]))
    for path, text in errors:
        print(f"== memory error or undefined behaviour in {path}\n{text}")
    for path, record in own:
        print(f"== leak made by Brimble, in {path}\n{record}")
    print(f"sanitizer logs: {len(sys.argv) - 2}; errors: {len(errors)}; leak records: {counted}, "
          f"of them made by Brimble: {len(own)}")
    return 1 if errors or own else 0


if __name__ == "__main__":
    sys.exit(main())
