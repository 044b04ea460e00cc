"""Times the open as a person sees it: from just before the command to the window's settled look,
watched from another X client that reads the root window's pixels every few milliseconds.

Each frame is kept as one hash per pixel row. The open is settled at the first frame after the
first change that differs from the watch's last frame in at most SETTLED_ROWS rows, so a blinking
caret (a few rows) does not count as drawing. Brimble (Control+Alt+V and `brimble --show`, the
user active: the page kept) and CopyQ (`copyq show`, from Debian's package, skipped with a note
where it is not installed) hold the same 50 texts and run on the same display under openbox, one
after the other, with their windows hidden between rounds.

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
from harness import BRIMBLE, Brimble, WindowManager, run_tool, wait_until  # noqa: E402

SETTLED_ROWS = 40
WATCH_SECONDS = 1.5
TEXTS = [f"short entry {i}" for i in range(50)]


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


def brimble_rounds(screen, rounds):
    history = [{"id": f"E{i:02d}", "ts": 1760000000.0 - i, "text": text, "pinned": False, "kind": "text"}
               for i, text in enumerate(TEXTS)]
    app = Brimble(settings={"historyLimit": 500}, history=history, inspector=False)
    app.start("--background", window=False)
    try:
        # The user is active: shown once, so the page is kept.
        app.start_again("--show")
        app.window()
        time.sleep(3)

        def hide():
            app.start_again("--hide")
            wait_until(lambda: app.main_window() is None, 10, 0.05, "the window hidden")

        key = rounds_of(screen, rounds, ["xdotool", "key", "--clearmodifiers", "ctrl+alt+v"], hide)
        show = rounds_of(screen, rounds, [BRIMBLE, "--show"], hide, app.env)
        # The road before the launcher: the full program itself as the second start, which loads
        # GTK and WebKit only to send its request.
        full = rounds_of(screen, rounds, [full_program(), "--show"], hide, app.env)
        return key, show, full
    finally:
        app.stop()


def copyq_rounds(screen, rounds):
    executable = shutil.which("copyq")
    if not executable:
        return None
    with copyq_peer.running(executable) as (env, _):
        time.sleep(3)
        subprocess.run([executable, "add", *reversed(TEXTS)], env=env, timeout=30, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def hide():
            subprocess.run([executable, "hide"], env=env, timeout=30, check=False,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        subprocess.run([executable, "show"], env=env, timeout=30, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(2)
        return rounds_of(screen, rounds, [executable, "show"], hide, env)


def row(name, times):
    if not times:
        return f"| {name} | no settled look seen | |"
    return f"| {name} | {percentile(times, 0.5):.0f} ms | {percentile(times, 0.9):.0f} ms |"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--rounds", type=int, default=10)
    args = parser.parse_args()
    wm = WindowManager()
    screen = Screen()
    try:
        copyq = copyq_rounds(screen, args.rounds)
        key, show, full = brimble_rounds(screen, args.rounds)
    finally:
        screen.close()
        wm.stop()
    print(f"\nOpen → settled look, 50 short texts, {args.rounds} rounds, load {os.getloadavg()[0]:.1f}\n")
    print("| road | p50 | p90 |\n|---|---|---|")
    print(row("CopyQ: `copyq show`", copyq) if copyq is not None
          else "| CopyQ: `copyq show` | skipped: CopyQ is not installed | |")
    print(row("Brimble: Control+Alt+V, user active", key))
    print(row("Brimble: `brimble --show`, user active", show))
    print(row("Brimble: the full program's `--show` (no launcher), user active", full))


if __name__ == "__main__":
    main()
