"""Brimble natively on Wayland (headless sway, data-control) beside Brimble on X11 (Xvfb), in
the same run and with the same build:

  - capture latency over N copies, from starting `wl-copy` (or `xclip`) to the entry being in
    clipboard.json: p50, p90, max;
  - idle wake-ups of the program's own (main) thread over a quiet period, window shown: the
    context switches of that one thread, so WebKit's processes and GLib's helper threads are
    left out.

Run through bench/wayland_bench.sh, which starts Xvfb, sway and a D-Bus session."""

import argparse
import datetime
import os
import re
import select
import subprocess
import sys
import time
import uuid

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e", "wayland"))

from desktop_bench import build_type, cpu_name, newest_entry_holds, percentile  # noqa: E402
from harness import Brimble  # noqa: E402
from sway_harness import WaylandBrimble  # noqa: E402


def x11_brimble(**options):
    # The program, xclip and the window lookups all find the X server through the environment.
    os.environ["DISPLAY"] = os.environ["BRIMBLE_X11_DISPLAY"]
    os.environ.pop("WAYLAND_DISPLAY", None)
    return Brimble(**options)


def latencies(app, copy, copies, watcher=None):
    """Milliseconds from starting the copy to the entry saved; with a `watcher` (a client that
    prints each new clipboard text), also from the watcher holding the text to the entry saved:
    Brimble's own share, apart from the copying program's start-up."""
    saved, own = [], []
    for _ in range(copies):
        token = f"bench {uuid.uuid4()}"
        started = time.perf_counter()
        copy(token)
        seen = None
        deadline = started + 30
        while not newest_entry_holds(app.history_file, token):
            if time.perf_counter() > deadline:
                raise AssertionError("a copy was not saved within 30 s")
            if watcher and seen is None and select.select([watcher.stdout], [], [], 0)[0]:
                if token in watcher.stdout.readline():
                    seen = time.perf_counter()
            time.sleep(0.001)
        done = time.perf_counter()
        saved.append((done - started) * 1000)
        if watcher:
            while seen is None and select.select([watcher.stdout], [], [], 5)[0]:
                if token in watcher.stdout.readline():
                    seen = time.perf_counter()
            if seen is not None:
                own.append((done - seen) * 1000)
        time.sleep(0.25)
    return saved, own


def main_thread_switches(pid):
    with open(f"/proc/{pid}/task/{pid}/status") as status:
        return sum(int(line.split()[1]) for line in status
                   if line.startswith(("voluntary_ctxt", "nonvoluntary_ctxt")))


def idle_wakeups(app, seconds):
    before = main_thread_switches(app.process.pid)
    time.sleep(seconds)
    return (main_thread_switches(app.process.pid) - before) / seconds


def measure(make, copy_of, args, watch=None):
    app = make(settings={"historyLimit": 500}, inspector=False)
    app.start()
    watcher = None
    try:
        time.sleep(args.settle)
        if watch:
            watcher = subprocess.Popen(watch, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        copy = copy_of(app)
        copy("warm-up")
        time.sleep(1)
        values = latencies(app, copy, args.copies, watcher)
        if watcher:
            watcher.terminate()
            watcher.wait(timeout=5)
            watcher = None
        time.sleep(args.settle)
        wakeups = idle_wakeups(app, args.idle)
    finally:
        if watcher:
            watcher.kill()
            watcher.wait()
        app.stop()
    return values, wakeups


def run(args):
    print("Wayland ...", file=sys.stderr)
    # wl-paste prints each new clipboard text on a line of its own.
    wayland = measure(WaylandBrimble, lambda app: lambda text: app.wl_copy(text), args,
                      watch=["wl-paste", "--watch", "sh", "-c", "cat; echo"])
    print("X11 ...", file=sys.stderr)
    x11 = measure(x11_brimble, lambda app: lambda text: app.copy_text(text), args)
    return wayland, x11


def table(results, args):
    ((wl_latency, wl_own), wl_idle), ((x_latency, _), x_idle) = results

    def latency(values):
        return f"{percentile(values, 0.5):.1f} / {percentile(values, 0.9):.1f} / {max(values):.1f} ms"

    return "\n".join([
        f"Measured {datetime.date.today().isoformat()} with `bench/wayland_bench.sh`: "
        f"{build_type(os.environ['BRIMBLE_EXECUTABLE'])} build, sway 1.7 headless (pixman) and Xvfb in "
        f"the same run, {cpu_name()}, {os.cpu_count()} cores.",
        "",
        "| Measure | Wayland (sway, data-control) | X11 (Xvfb) |",
        "|---|---|---|",
        f"| Capture latency p50 / p90 / max ({args.copies} copies, copying program start to entry saved) "
        f"| {latency(wl_latency)} (`wl-copy`) | {latency(x_latency)} (`xclip`) |",
        f"| The Wayland copies from `wl-paste --watch` holding the text to the entry saved: Brimble's own "
        f"share, p50 / p90 / max | {latency(wl_own)} | – |",
        f"| Idle wake-ups of the program's own thread, window shown ({args.idle:.0f} s) "
        f"| {wl_idle:.2f} per second | {x_idle:.2f} per second |",
    ])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--copies", type=int, default=50)
    parser.add_argument("--idle", type=float, default=60)
    parser.add_argument("--settle", type=float, default=3)
    parser.add_argument("--markdown", help="replaces the Wayland tables in this file")
    args = parser.parse_args()
    text = table(run(args), args)
    print(text)
    if args.markdown:
        with open(args.markdown) as source:
            document = source.read()
        begin, end = "<!-- wayland_bench: begin -->", "<!-- wayland_bench: end -->"
        document = re.sub(re.escape(begin) + ".*?" + re.escape(end), lambda _: f"{begin}\n{text}\n{end}",
                          document, flags=re.S)
        with open(args.markdown, "w") as out:
            out.write(document)


if __name__ == "__main__":
    main()
