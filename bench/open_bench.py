"""Times the open as a person sees it: from just before the command to the window's settled look,
watched from another X client that reads the root window's pixels every few milliseconds.

Each frame is kept as one hash per pixel row. The open is settled at the first frame after the
first change that differs from the watch's last frame in at most SETTLED_ROWS rows, so a blinking
caret (a few rows) does not count as drawing. Brimble (Control+Alt+V and `brimble --show`, the
user active: the page kept) and CopyQ (`copyq show`, from Debian's package, skipped with a note
where it is not installed) hold the same 50 texts and run on the same display under openbox, one
after the other, with their windows hidden between rounds.

Then, unless --short-only: Control+Alt+V after a rest (the page released before every round)
beside a bare WebKitGTK page built anew (bench/webkit_floor.py); the Pss of every process at rest
(Brimble's page released, CopyQ's window closed) with 50 short texts and with 500 texts of 50,000
characters; and the open with the user active at 500 × 50,000, Brimble beside CopyQ.

Run through bench/open_bench.sh, which gives it its own X server and D-Bus session."""

import argparse
import ctypes
import os
import shutil
import subprocess
import sys
import time
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

import copyq_peer  # noqa: E402
import webkit_floor  # noqa: E402
from harness import BRIMBLE, Brimble, WindowManager, run_tool, wait_until  # noqa: E402
from process_figures import pss_of  # noqa: E402

SETTLED_ROWS = 40
WATCH_SECONDS = 1.5
TEXTS = [f"short entry {i}" for i in range(50)]
LARGE_TEXTS = [(f"large entry {i} " + "lorem ipsum dolor sit amet " * 1900)[:50000] for i in range(500)]
KEY = ["xdotool", "key", "--clearmodifiers", "ctrl+alt+v"]
# Seconds for a program to settle before it is weighed.
SETTLE_SECONDS = 10


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int),
                ("red_mask", ctypes.c_ulong), ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong),
                ("obdata", ctypes.c_void_p), ("create_image", ctypes.c_void_p),
                ("destroy_image", ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p))]


class Screen:
    """The root window's pixels, read by a client of its own."""

    def __init__(self):
        x11 = ctypes.CDLL("libX11.so.6")
        x11.XOpenDisplay.restype = ctypes.c_void_p
        x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x11.XDefaultRootWindow.restype = ctypes.c_ulong
        x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x11.XDisplayWidth.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x11.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x11.XGetImage.restype = ctypes.POINTER(XImage)
        x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                  ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.x11 = x11
        self.display = x11.XOpenDisplay(None)
        self.root = x11.XDefaultRootWindow(self.display)
        self.width = x11.XDisplayWidth(self.display, 0)
        self.height = x11.XDisplayHeight(self.display, 0)

    def rows(self):
        image = self.x11.XGetImage(self.display, self.root, 0, 0, self.width, self.height, 0xFFFFFFFF, 2)
        line = image.contents.bytes_per_line
        data = ctypes.string_at(image.contents.data, line * self.height)
        image.contents.destroy_image(ctypes.cast(image, ctypes.c_void_p))
        return [zlib.crc32(data[y * line:(y + 1) * line]) for y in range(self.height)]

    def close(self):
        self.x11.XCloseDisplay(self.display)


def time_to_settled(screen, command, env=None):
    """Milliseconds from just before `command` starts to the settled look, or None when nothing
    changed on the screen."""
    before = screen.rows()
    started = time.perf_counter()
    process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    frames = []
    while time.perf_counter() - started < WATCH_SECONDS:
        frames.append((time.perf_counter(), screen.rows()))
    process.wait(timeout=30)
    last = frames[-1][1]
    changed = False
    for moment, rows in frames:
        if not changed:
            changed = sum(a != b for a, b in zip(rows, before)) > SETTLED_ROWS
            if not changed:
                continue
        if sum(a != b for a, b in zip(rows, last)) <= SETTLED_ROWS:
            return (moment - started) * 1000
    return None


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, max(0, round(share * len(ordered)) - 1))]


def rounds_of(screen, rounds, show, hide, env=None):
    times = []
    for _ in range(rounds):
        hide()
        time.sleep(1.0)
        elapsed = time_to_settled(screen, show, env)
        if elapsed is not None:
            times.append(elapsed)
    hide()
    return times


def full_program():
    """The program the `brimble` command execs, beside it in the build folder."""
    return os.path.join(os.path.dirname(os.path.realpath(BRIMBLE)), "libexec", "brimble", "brimble")


def history_of(texts):
    return [{"id": f"E{i:03d}", "ts": 1760000000.0 - i, "text": text, "pinned": False, "kind": "text"}
            for i, text in enumerate(texts)]


def brimble_hide(app, released=False):
    def hide():
        app.start_again("--hide")
        wait_until(lambda: app.main_window() is None, 10, 0.05, "the window hidden")
        if released:
            wait_until(lambda: not app.web_processes(), 30, 0.05, "the page released")
    return hide


def brimble_rounds(screen, rounds, texts=TEXTS, key_only=False):
    """Control+Alt+V, `brimble --show` and the full program's `--show`, the user active."""
    app = Brimble(settings={"historyLimit": 500}, history=history_of(texts), inspector=False)
    app.start("--background", window=False)
    try:
        # The user is active: shown once, so the page is kept.
        app.start_again("--show")
        app.window()
        time.sleep(3)
        hide = brimble_hide(app)
        key = rounds_of(screen, rounds, KEY, hide)
        if key_only:
            return key, None, None
        show = rounds_of(screen, rounds, [BRIMBLE, "--show"], hide, app.env)
        # The road before the launcher: the full program itself as the second start, which loads
        # GTK and WebKit only to send its request.
        full = rounds_of(screen, rounds, [full_program(), "--show"], hide, app.env)
        return key, show, full
    finally:
        app.stop()


def brimble_rest_rounds(screen, rounds, texts):
    """Control+Alt+V with the page released before each round, and the Pss of every process once
    the page is released and the program has settled: Brimble after a rest."""
    app = Brimble(settings={"historyLimit": 500, "pageReleaseSeconds": 1}, history=history_of(texts),
                  inspector=False)
    app.start("--background", window=False)
    try:
        rest = rounds_of(screen, rounds, KEY, brimble_hide(app, released=True))
        time.sleep(SETTLE_SECONDS)
        return rest, pss_of(app.process.pid)
    finally:
        app.stop()


def copyq_rounds(screen, rounds, texts=TEXTS):
    """`copyq show` timed `rounds` times with `texts` held, and CopyQ's Pss once settled with its
    window closed; None where CopyQ is not installed."""
    executable = shutil.which("copyq")
    if not executable:
        return None

    def copyq(*args):
        subprocess.run([executable, *args], env=env, timeout=60, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    with copyq_peer.running(executable) as (env, server):
        time.sleep(3)
        # Added in parts: 500 texts of 50,000 characters overflow one command line.
        ordered = list(reversed(texts))
        for start in range(0, len(ordered), 20):
            copyq("add", *ordered[start:start + 20])
        time.sleep(SETTLE_SECONDS)
        rest = pss_of(server.pid)
        copyq("show")
        time.sleep(2)
        times = rounds_of(screen, rounds, [executable, "show"], lambda: copyq("hide"), env)
        return times, rest


def row(name, times):
    if not times:
        return f"| {name} | no settled look seen | |"
    return f"| {name} | {percentile(times, 0.5):.0f} ms | {percentile(times, 0.9):.0f} ms |"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rounds", type=int, default=10)
    parser.add_argument("--short-only", action="store_true", help="only the opens with 50 short texts, page kept")
    args = parser.parse_args()
    wm = WindowManager()
    screen = Screen()
    loads = [os.getloadavg()[0]]
    try:
        copyq = copyq_rounds(screen, args.rounds)
        key, show, full = brimble_rounds(screen, args.rounds)
        if not args.short_only:
            loads.append(os.getloadavg()[0])
            floor = webkit_floor.show_latency(args.rounds)
            rest, rest_pss = brimble_rest_rounds(screen, args.rounds, TEXTS)
            large_key = brimble_rounds(screen, args.rounds, LARGE_TEXTS, key_only=True)[0]
            large_rest, large_pss = brimble_rest_rounds(screen, 3, LARGE_TEXTS)
            copyq_large = copyq_rounds(screen, args.rounds, LARGE_TEXTS)
            loads.append(os.getloadavg()[0])
    finally:
        screen.close()
        wm.stop()
    none = "| CopyQ: `copyq show` | skipped: CopyQ is not installed | |"
    print(f"\nOpen → settled look, {args.rounds} rounds, load {' / '.join(f'{v:.1f}' for v in loads)}\n")
    print("| road | p50 | p90 |\n|---|---|---|")
    print(row("CopyQ: `copyq show`", copyq[0]) if copyq else none)
    print(row("Brimble: Control+Alt+V, user active", key))
    print(row("Brimble: `brimble --show`, user active", show))
    print(row("Brimble: the full program's `--show` (no launcher), user active", full))
    if args.short_only:
        return
    print(row("Brimble: Control+Alt+V after a rest (page released)", rest))
    print(row("bare WebKitGTK page built anew, to its paragraph laid out (no map, no key)", floor))
    print(row("CopyQ: `copyq show`, 500 × 50,000", copyq_large[0]) if copyq_large else none)
    print(row("Brimble: Control+Alt+V, user active, 500 × 50,000", large_key))
    print(row("Brimble: Control+Alt+V after a rest, 500 × 50,000 (3 rounds)", large_rest))
    print("\nPss of every process at rest, settled\n\n| history | Brimble | CopyQ |\n|---|---|---|")
    for name, mine, peer in (("50 short", rest_pss, copyq), ("500 × 50,000", large_pss, copyq_large)):
        theirs = f"{peer[1]:.0f} MiB" if peer else "not installed"
        print(f"| {name} | {mine:.0f} MiB | {theirs} |")


if __name__ == "__main__":
    main()
