"""An office program's copy read from the real X server: 4 MB under 30 types (a 40 KB text, 2 MB
each of HTML and RTF, and private office formats), beside the same program offering the same
length of text alone, in one run. Timed from the owner holding the clipboard to the entry saved;
every target the owner was asked for is written down by offer_formats."""

import os
import random
import string
import subprocess
import tempfile
import time
import uuid

from harness import end_process

OFFER_FORMATS = os.environ.get("BRIMBLE_OFFER_FORMATS", "offer_formats")
TEXT_BYTES = 40 * 1024
FORMATTED_BYTES = 2 * 1024 * 1024
PRIVATE_TYPES = [
    'application/x-openoffice-embed-source-xml;windows_formatname="Star Embed Source (XML)"',
    'application/x-openoffice-objectdescriptor-xml;windows_formatname="Star Object Descriptor (XML)"',
    'application/x-openoffice-link;windows_formatname="Link"',
    'application/x-openoffice-dif;windows_formatname="DIF"',
    "application/x-libreoffice-tsvc", "application/vnd.oasis.opendocument.text",
    "image/png", "image/bmp", "image/svg+xml", "image/x-emf", "image/x-wmf", "application/pdf",
    "text/csv", "application/x-qt-image",
] + ["application/x-office-private-%d" % i for i in range(8)]
# GTK's six text targets, HTML, RTF and the private ones: 30 types.
assert len(PRIVATE_TYPES) == 22


def office_copy(folder, token):
    """The owner's arguments for a text starting with `token`, with its HTML and RTF."""
    filler = "".join(random.choices(string.ascii_lowercase + " ", k=TEXT_BYTES - len(token) - 1))
    text = token + " " + filler
    html = os.path.join(folder, "copy.html")
    rtf = os.path.join(folder, "copy.rtf")
    cells = "".join("<td style='color:#%06d'>cell %d</td>" % (i, i) for i in range(FORMATTED_BYTES // 40))
    with open(html, "w") as out:
        out.write(("<meta charset='utf-8'><table><tr><td>%s</td>%s</tr></table>" % (text, cells))[:FORMATTED_BYTES])
    with open(rtf, "w") as out:
        out.write(("{\\rtf1\\ansi %s%s}" % (text, "\\cell\\cf1 cell" * (FORMATTED_BYTES // 13)))[:FORMATTED_BYTES])
    return text, ["--file", "text/html", html, "--file", "text/rtf", rtf] + PRIVATE_TYPES


def formats_after(app, token, started, timeout=30):
    """Milliseconds from `started` (perf_counter) until the entry holding `token` names its formats
    in the history file: an entry is saved from its text first, and its formats join it later."""
    deadline = started + timeout
    while True:
        try:
            with open(app.history_file, "rb") as source:
                data = source.read()
        except OSError:
            data = b""
        at = data.find(token.encode())
        end = data.find(b'{"id"', at) if at >= 0 else -1
        if at >= 0 and b'"formats"' in data[at:end if end >= 0 else len(data)]:
            return (time.perf_counter() - started) * 1000
        if time.perf_counter() > deadline:
            raise AssertionError("the formats were not attached within 30 s")
        time.sleep(0.001)


def read_once(app, folder, whole, saved_after):
    """Milliseconds from the owner holding the clipboard to the entry saved, to its formats saved
    beside it (None for the text alone), and what the owner was asked."""
    token = f"office {uuid.uuid4()}"
    text, formats = office_copy(folder, token)
    log = os.path.join(folder, "asked.log")
    if os.path.exists(log):
        os.unlink(log)
    owner = subprocess.Popen([OFFER_FORMATS, log, "--text", text] + (formats if whole else []),
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, env=app.env)
    try:
        if owner.stdout.readline().strip() != "ready":
            raise AssertionError("offer_formats did not take the clipboard")
        started = time.perf_counter()
        elapsed = saved_after(app, token, started)
        attached = formats_after(app, token, started) if whole else None
        # The reads that follow the save (none should) are given time to show in the log.
        time.sleep(0.3)
        with open(log) as lines:
            asked = {line.strip() for line in lines}
    finally:
        end_process(owner)
        owner.stdout.close()
    return elapsed, attached, asked


def office_reads(app, rounds, saved_after):
    """The two roads interleaved, `rounds` of each:
    {"plain": [ms], "office": [ms], "attached": [ms], "asked": set}."""
    results = {"plain": [], "office": [], "attached": [], "asked": set()}
    with tempfile.TemporaryDirectory(prefix="brimble-office-") as folder:
        for _ in range(rounds):
            for whole in (False, True):
                elapsed, attached, asked = read_once(app, folder, whole, saved_after)
                results["office" if whole else "plain"].append(elapsed)
                if whole:
                    results["attached"].append(attached)
                    results["asked"] |= asked
                time.sleep(0.3)
    return results
