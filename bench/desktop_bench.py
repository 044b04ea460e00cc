"""Measures the real desktop program and prints the results as a Markdown table, beside the aims:

  - memory (Pss summed over the program and its WebKit processes) with the window hidden past the
    page's release delay, started with --background, shown with 50 short entries, and sampled
    every second while 500 texts of 50,000 characters are copied 0.3 s apart;
  - start with --background to ready (the launch's end, when it writes the history file);
  - idle CPU (milliseconds) and wake-ups per second of all processes with the window hidden after
    a page existed, and with the window shown and nothing happening;
  - the bare WebKitGTK page of bench/webkit_floor.py, weighed in the same run;
  - an action (pinning the newest entry) from the click to the frame that shows it, at
    500 × 50,000;
  - from Control+Alt+V to the history drawn once the page was released, 50 short entries and 500
    entries of 50,000 characters, beside a bare WebKitGTK page built anew (bench/webkit_floor.py);
  - capture latency with the window hidden at 500 × 50,000, from starting `xclip` to the entry
    being in clipboard.json, beside a bare durable write of the same bytes (write, fsync, rename,
    folder fsync) made by this script after each copy;
  - start to the page's first contentful paint;
  - with --copyq, CopyQ's memory settled and under the same burst, and its idle CPU and wake-ups.

With --actions-only it measures only the action at 500 × 50,000, alone and while 20 large copies
arrive, 4 a second.

With --reads it measures the clipboard reads alone instead: copy to entry saved with a small
history, five copies made 0.5 s apart after a program took the clipboard and froze, and an office
program's copy of 4 MB under 30 types beside its text alone (bench/office_reads.py).

Run through bench/desktop_bench.sh, which gives it its own X server and D-Bus session."""

import argparse
import datetime
import os
import platform
import statistics
import sys
import time
import uuid

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

from harness import Brimble, end_process, run_tool, wait_until  # noqa: E402
from stress import burst, finish_burst  # noqa: E402
from process_figures import idle_of, pss_of, pss_samples  # noqa: E402
import copyq_peer  # noqa: E402
from steady_measures import action_drawn, durable_write, floor_of  # noqa: E402
from office_reads import office_reads  # noqa: E402

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
FULL_COUNT = 500
# Seconds after the key before the inspector connects to a new page (see show_to_card).
INSPECTOR_WAIT_SECONDS = 2.0
FULL_LENGTH = 50000


def full_history():
    base = 1760000000.0
    return [{"id": str(uuid.uuid4()).upper(), "ts": base - i,
             "text": (f"entry {i} " + "lorem ipsum dolor sit amet " * (FULL_LENGTH // 27 + 1))[:FULL_LENGTH],
             "pinned": False, "kind": "text"} for i in range(FULL_COUNT)]


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, max(0, round(share * len(ordered)) - 1))]


# Start-up

def paint_times(app, started, with_entries):
    page = app.page()
    first_entry = None
    if with_entries:
        # The frame after the first card exists; asked as early as the inspector allows, so an
        # entry painted before the question gives an upper bound.
        first_entry = page.evaluate("""new Promise(done => {
            const check = () => document.querySelector('.card')
                ? requestAnimationFrame(() => done(Date.now())) : setTimeout(check, 5);
            check(); })""", timeout=60) - started * 1000
    paint = wait_until(lambda: page.evaluate(
        "(() => { const p = performance.getEntriesByType('paint')"
        ".find(e => e.name === 'first-contentful-paint');"
        " return p ? performance.timeOrigin + p.startTime : null; })()"), 30, 0.1, "the first paint")
    return paint - started * 1000, first_entry


def startup(history, runs):
    paints, entries = [], []
    for _ in range(runs):
        app = Brimble(settings={"historyLimit": 500}, history=history)
        started = time.time()
        app.start()
        try:
            paint, entry = paint_times(app, started, bool(history))
            paints.append(paint)
            if entry is not None:
                entries.append(entry)
        finally:
            app.stop()
    return statistics.median(paints), statistics.median(entries) if entries else None


# Capture latency

def newest_entry_holds(path, token):
    # The newest entry leads the file; its first bytes are enough, even in a 25 MB history.
    try:
        with open(path, "rb") as source:
            return token.encode() in source.read(4096)
    except OSError:
        return False


# Clipboard reads

SMALL_COUNT = 10


def saved_after(app, token, started, timeout=30):
    """Milliseconds from `started` (perf_counter) until the newest entry holds `token`."""
    deadline = started + timeout
    while not newest_entry_holds(app.history_file, token):
        if time.perf_counter() > deadline:
            raise AssertionError("a copy was not saved within 30 s")
        time.sleep(0.001)
    return (time.perf_counter() - started) * 1000


def copy_to_saved(app, copies, bare=None):
    """Milliseconds from starting xclip to the entry being in clipboard.json, for each copy. With a
    list as `bare`, each copy is followed by a bare durable write of the history file's bytes next
    to it, whose milliseconds go into that list: the same disk in the same minutes."""
    saved = []
    for _ in range(copies):
        token = f"bench {uuid.uuid4()}"
        started = time.perf_counter()
        app.copy_text(token)
        saved.append(saved_after(app, token, started))
        time.sleep(0.25)
        if bare is not None:
            bare.append(durable_write(app.history_file))
            time.sleep(0.25)
    return saved


def after_frozen_owner(app, rounds):
    """Milliseconds to saved for each of five copies 0.5 s apart, made after a program took the
    clipboard and stopped answering, over `rounds` rounds."""
    saved = []
    for _ in range(rounds):
        frozen = app.copy_from_frozen_owner(f"frozen {uuid.uuid4()}")
        time.sleep(0.3)
        for _ in range(5):
            token = f"bench {uuid.uuid4()}"
            started = time.perf_counter()
            app.copy_text(token)
            saved.append(saved_after(app, token, started))
            time.sleep(max(0.0, started + 0.5 - time.perf_counter()))
        end_process(frozen)
        time.sleep(0.5)
    return saved


def measure_reads(args):
    app = Brimble(history=short_history(SMALL_COUNT))
    app.start()
    try:
        app.page()
        time.sleep(args.settle)
        return {"small": copy_to_saved(app, args.copies), "frozen": after_frozen_owner(app, args.rounds),
                "office": office_reads(app, args.rounds, saved_after)}
    finally:
        app.stop()


def reads_table(results, args):
    def latency(values):
        return (f"{percentile(values, 0.5):.0f} / {percentile(values, 0.9):.0f} / {max(values):.0f} ms")

    ratio = percentile(results["office"]["office"], 0.5) / percentile(results["office"]["plain"], 0.5)

    return "\n".join([
        f"Measured {datetime.date.today().isoformat()} with `bench/desktop_bench.sh --reads`: "
        f"{build_type(args.executable)} build, Xvfb 1280×1024, {cpu_name()}, {os.cpu_count()} cores, "
        f"history of {SMALL_COUNT} entries, window shown.",
        "",
        "| Measure (`xclip` start to entry saved) | p50 / p90 / max |",
        "|---|---|",
        f"| {args.copies} copies | {latency(results['small'])} |",
        f"| {len(results['frozen'])} copies, five 0.5 s apart after each of {args.rounds} frozen owners "
        f"| {latency(results['frozen'])} |",
        f"| {args.rounds} office copies' texts alone (40 KB, from the owner holding the clipboard) "
        f"| {latency(results['office']['plain'])} |",
        f"| {args.rounds} office copies of 4 MB under 30 types, interleaved with those "
        f"| {latency(results['office']['office'])} |",
        f"| the same copies' HTML and RTF saved beside their entries "
        f"| {latency(results['office']['attached'])} |",
        "",
        f"The office copy took {ratio:.2f}× its text alone at p50 (aim ≤ 2×); the owner was asked for "
        f"{', '.join(sorted(results['office']['asked']))} and nothing else.",
    ])


# Idle and memory

def idle(app, seconds):
    return idle_of(app.process.pid, seconds)


def pss(app):
    return pss_of(app.process.pid)


def hide_window(app):
    window = app.window()
    app.press(window, "ctrl+w")
    wait_until(lambda: app.main_window() is None, 10, 0.1, "the window to hide")


def wait_for_release(app):
    wait_until(lambda: not app.web_processes(), 60, 0.1, "the page to be released")


def short_history(count=50):
    base = 1760000000.0
    return [{"id": str(uuid.uuid4()).upper(), "ts": base - i, "text": f"short entry {i}", "pinned": False,
             "kind": "text"} for i in range(count)]


def show_to_card(app):
    """Milliseconds from Control+Alt+V, with the page released, to the new page having drawn its
    first snapshot (the page marks that moment; it is painted in the frame after). The inspector
    that reads the mark connects only once the page has had time to draw: attached while the page
    loads, it slows the new web process by tens of milliseconds."""
    app.forget_page()
    started = time.time()
    run_tool("xdotool", "key", "--clearmodifiers", "ctrl+alt+v")
    app.window()
    time.sleep(max(0.0, started + INSPECTOR_WAIT_SECONDS - time.time()))
    drawn = wait_until(lambda: app.page().evaluate(
        "(() => { const m = performance.getEntriesByName('first-snapshot-drawn')[0];"
        " return m ? performance.timeOrigin + m.startTime : null; })()"), 60, 0.05, "the first snapshot drawn")
    return drawn - started * 1000


def background_start(runs):
    """Pss once launched in the background, and milliseconds from the start to the end of the
    launch (tray and capture ready, marked by the launch writing the history file)."""
    sizes, ready = [], []
    for _ in range(runs):
        app = Brimble(inspector=False)
        started = time.time()
        app.start("--background", window=False)
        # The harness looks only every 0.1 s; the file's own time says when the launch wrote it.
        ready.append((os.stat(app.history_file).st_mtime - started) * 1000)
        try:
            time.sleep(3)
            sizes.append(pss(app))
        finally:
            app.stop()
    return statistics.median(sizes), statistics.median(ready)


def large_burst(app, copies, interval, sample_seconds):
    """Pss of all processes sampled while `copies` texts of 50,000 characters are copied
    `interval` seconds apart with the window shown; the samples and the figure once settled."""
    copier = burst("large", rate=1 / interval, count=copies, pad=FULL_LENGTH)
    samples = pss_samples(app.process.pid, sample_seconds, running=copier)
    finish_burst(copier, 30)
    wait_until(lambda: newest_entry_holds(app.history_file, f"large {copies - 1}"), 60, 0.1, "the last copy")
    first_card = "document.querySelector('.card .card-text')?.textContent ?? ''"
    wait_until(lambda: app.page().evaluate(first_card).startswith(f"large {copies - 1}"), 60, 0.2,
               "the page to show the last copy")
    samples += pss_samples(app.process.pid, sample_seconds, count=10)
    return samples, pss(app)


# The search field's caret blinks for the desktop's timeout after the last key (10 s by default),
# as GTK's fields do, before it rests.
CARET_REST_SECONDS = 15


def idle_shown(seconds, settle):
    """CPU and wake-ups of all processes with the window shown on 50 short entries and nothing
    happening, once the caret rests; without the inspector, which has its own timers."""
    app = Brimble(settings={"historyLimit": 500}, history=short_history(), inspector=False)
    app.start()
    try:
        app.window()
        time.sleep(max(settle, CARET_REST_SECONDS))
        return idle(app, seconds)
    finally:
        app.stop()


def shows_after_release(app, runs):
    """Milliseconds from the key to the first snapshot drawn, `runs` times, each after a release."""
    shows = []
    for _ in range(runs):
        hide_window(app)
        wait_for_release(app)
        shows.append(show_to_card(app))
    return shows


def measure_shows(args, runs):
    """The shows alone, with 50 short entries."""
    app = Brimble(settings={"historyLimit": 500, "pageReleaseSeconds": args.release}, history=short_history())
    app.start()
    try:
        app.page()
        time.sleep(args.settle)
        return shows_after_release(app, runs)
    finally:
        app.stop()


def measure_actions(args):
    """An action at 500 × 50,000 with the window shown: alone, then while 20 large copies arrive
    (each one saves the whole 25 MB history, durably, on the main loop)."""
    app = Brimble(settings={"historyLimit": 500, "pageReleaseSeconds": 1800}, history=full_history())
    app.start()
    try:
        app.page()
        time.sleep(args.settle)
        alone = action_drawn(app, args.actions)
        copies = burst("arriving large", rate=4, count=20, pad=50000)
        try:
            during = action_drawn(app, args.actions)
        finally:
            finish_burst(copies, 120)
        recorded = sum(text.startswith("arriving large") for text in app.texts())
        print(f"{recorded} of the 20 large copies recorded during the clicks")
        return alone, during
    finally:
        app.stop()


# The whole run

def measure_burst(args, results):
    print(f"{args.burst} large copies {args.interval} s apart, window shown ...", file=sys.stderr)
    app = Brimble(settings={"historyLimit": 500, "pageReleaseSeconds": args.release})
    app.start()
    try:
        app.page()
        time.sleep(args.settle)
        results["burst"] = large_burst(app, args.burst, args.interval, 1.0)
    finally:
        app.stop()
    return results["burst"]


class Results(dict):
    """The figures measured so far, each also printed as it comes, so that a run cut short by a
    failure still tells what it measured."""

    def __setitem__(self, key, value):
        super().__setitem__(key, value)
        shown = [round(v, 1) for v in value] if isinstance(value, list) and len(value) <= 60 else value
        print(f"  {key}: {shown}", file=sys.stderr, flush=True)


def measure(args):
    # Times and CPU depend on what else the machine runs; the table says how busy it was.
    results = Results()
    results["load"] = os.getloadavg()[0]
    settings = {"historyLimit": 500, "pageReleaseSeconds": args.release}
    history = full_history()

    print("start-up ...", file=sys.stderr)
    results["start_empty"] = startup(None, args.starts)
    results["background"] = background_start(args.starts)

    print("the bare WebKitGTK page ...", file=sys.stderr)
    results["floor"], results["floor_shows"] = floor_of(args.settle, args.shows)

    print("50 short entries: shown, released, shown again ...", file=sys.stderr)
    app = Brimble(settings=settings, history=short_history())
    app.start()
    try:
        app.page()
        time.sleep(args.settle)
        results["shown_short"] = pss(app)
        results["show_short"] = shows_after_release(app, args.shows)
        hide_window(app)
        wait_for_release(app)
        time.sleep(args.settle)
        results["hidden_short"] = pss(app)
    finally:
        app.stop()

    print("500 x 50,000 characters: hidden capture, release, idle, show ...", file=sys.stderr)
    app = Brimble(settings=settings, history=history)
    app.start()
    try:
        app.page()
        hide_window(app)
        wait_for_release(app)
        time.sleep(args.settle)
        results["hidden_full"] = pss(app)
        results["bare_write"] = []
        results["capture_hidden"] = copy_to_saved(app, args.copies, results["bare_write"])
        wait_for_release(app)
        time.sleep(args.settle)
        results["idle_hidden"] = idle(app, args.idle)
        results["show_full"] = [show_to_card(app)] + shows_after_release(app, 2)
        time.sleep(2)
        results["action"] = action_drawn(app, args.actions)
    finally:
        app.stop()

    print("idle with the window shown ...", file=sys.stderr)
    results["idle_shown"] = idle_shown(args.idle, args.settle)

    measure_burst(args, results)

    if args.copyq:
        print("CopyQ: settled, idle, the same burst ...", file=sys.stderr)
        results["copyq"] = copyq_peer.measure(args.settle, args.idle, args.burst, args.interval, FULL_LENGTH)
    return results


def build_type(executable):
    cache = os.path.join(os.path.dirname(executable), "CMakeCache.txt")
    try:
        with open(cache) as source:
            for line in source:
                if line.startswith("CMAKE_BUILD_TYPE:"):
                    return line.split("=", 1)[1].strip() or "unspecified"
    except OSError:
        pass
    return "unknown"


def cpu_name():
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown CPU"


def measure_kept(args):
    """Pss with the window hidden while the user is active (the page kept), 50 short entries and
    500 × 50,000, beside the bare WebKitGTK page weighed in the same run."""
    floor, _ = floor_of(args.settle, 1)
    kept = {}
    for name, history in (("50 short", short_history()), ("500 × 50,000", full_history())):
        app = Brimble(settings={"historyLimit": 500, "pageReleaseSeconds": 1800}, history=history)
        app.start()
        try:
            app.page()
            hide_window(app)
            time.sleep(args.settle)
            if not app.web_processes():
                raise AssertionError("the page was released while the user was active")
            kept[name] = pss(app)
        finally:
            app.stop()
    return floor, kept


def table(results, args):
    def aim(value, limit):
        return "met" if value <= limit else "**missed**"

    background_pss, ready = results["background"]
    samples, burst_end = results["burst"]
    capture, bare = results["capture_hidden"], results["bare_write"]
    p50, p90 = percentile(capture, 0.5), percentile(capture, 0.9)
    bare_p50, bare_p90 = percentile(bare, 0.5), percentile(bare, 0.9)
    idle_ms, wakeups = results["idle_hidden"]
    shown_ms, shown_wakeups = results["idle_shown"]
    action = results["action"]
    floor = results["floor"]
    hidden = max(results["hidden_short"], results["hidden_full"])
    short_shows, full_shows, floor_shows = results["show_short"], results["show_full"], results["floor_shows"]
    short_p50, short_p90 = percentile(short_shows, 0.5), percentile(short_shows, 0.9)
    floor_p50, floor_p90 = percentile(floor_shows, 0.5), percentile(floor_shows, 0.9)
    lines = [
        f"Measured {datetime.date.today().isoformat()} with `bench/desktop_bench.sh`: {build_type(args.executable)} "
        f"build, Xvfb 1280×1024, {cpu_name()}, {os.cpu_count()} cores, load average {results['load']:.1f} "
        "when it started (times and CPU depend on it; memory hardly does). Memory is Pss summed over "
        "the program and its WebKit web and network processes (`/proc/PID/smaps_rollup`). The page is "
        f"released {args.release} s after the window is hidden (a minute by default).",
        "",
        "| Measure | Brimble | Aim | |",
        "|---|---|---|---|",
        f"| Hidden for longer than the release delay, 50 short entries / 500 × 50,000 characters "
        f"| {results['hidden_short']:.0f} / {results['hidden_full']:.0f} MiB | ≤ 80 MiB | {aim(hidden, 80)} |",
        f"| Started with `--background` (no window yet): memory, start to ready (tray and capture, "
        f"median of {args.starts}) | {background_pss:.0f} MiB, {ready:.0f} ms | ≤ 70 MiB, ≤ 150 ms "
        f"| {aim(background_pss, 70)}, {aim(ready, 150)} |",
        f"| Shown, 50 short entries, beside one bare WebKitGTK page (`bench/webkit_floor.sh`) in the same run "
        f"| {results['shown_short']:.0f} MiB (bare page {floor:.0f}) | ≤ bare page + 30 MiB "
        f"| {aim(results['shown_short'], floor + 30)} |",
        f"| Shown, while {args.burst} texts of 50,000 characters are copied {args.interval} s apart: "
        f"highest sample / at the end | {max(samples):.0f} / {burst_end:.0f} MiB | ≤ 350 / ≤ 300 MiB "
        f"| {aim(max(samples), 350)}, {aim(burst_end, 300)} |",
        f"| An action drawn at 500 × 50,000 (pin clicked to the frame showing it, {len(action)} clicks): "
        f"median / highest | {statistics.median(action):.0f} / {max(action):.0f} ms | ≤ 150 ms "
        f"| {aim(max(action), 150)} |",
        f"| Idle {args.idle} s, window hidden after a page existed: CPU of all processes / wake-ups per second "
        f"| {idle_ms:.1f} ms / {wakeups:.2f} | ≤ 2 ms / ≤ 0.1 | {aim(idle_ms, 2)}, {aim(wakeups, 0.1)} |",
        f"| Idle {args.idle} s, window shown (50 entries): CPU of all processes / wake-ups per second "
        f"| {shown_ms:.1f} ms / {shown_wakeups:.2f} | ≤ 30 ms / ≤ 0.5 | {aim(shown_ms, 30)}, "
        f"{aim(shown_wakeups, 0.5)} |",
        f"| Control+Alt+V → history drawn by the page built anew after a release, 50 entries p50 / p90 "
        f"({len(short_shows)} shows), beside a bare WebKitGTK page built anew in the same run (p50 / p90) "
        f"| {short_p50:.0f} / {short_p90:.0f} ms (bare page {floor_p50:.0f} / {floor_p90:.0f} ms) "
        f"| p50 ≤ 150, p90 ≤ 250 ms | {aim(short_p50, 150)}, {aim(short_p90, 250)} |",
        f"| The same at 500 × 50,000 characters, highest of {len(full_shows)} | {max(full_shows):.0f} ms | ≤ 500 ms "
        f"| {aim(max(full_shows), 500)} |",
        f"| Capture p50 / p90 at 500 × 50,000, window hidden ({args.copies} copies, `xclip` start to entry "
        f"saved), beside a bare durable write of the same bytes p50 / p90 | {p50:.0f} / {p90:.0f} ms "
        f"(bare {bare_p50:.0f} / {bare_p90:.0f} ms, ratio of p90 {p90 / bare_p90:.2f}) | p90 ≤ 1.2 × bare "
        f"| {aim(p90, 1.2 * bare_p90)} |",
        f"| Start to first contentful paint, empty history (median of {args.starts}) "
        f"| {results['start_empty'][0]:.0f} ms | – | |",
    ]
    peer = results.get("copyq")
    if peer:
        peer_samples, peer_end = peer["burst"]
        peer_idle_ms, peer_wakeups = peer["idle"]
        lines += [
            "",
            f"{peer['name']} on the same X server, with its own empty folders and its window closed, as it "
            "starts by default:",
            "",
            f"| Measure | {peer['name']} |",
            "|---|---|",
            f"| Settled after its start | {peer['ready']:.0f} MiB |",
            f"| While the same {args.burst} texts are copied: highest sample / at the end "
            f"| {max(peer_samples):.0f} / {peer_end:.0f} MiB |",
            f"| Idle {args.idle} s: CPU / wake-ups per second | {peer_idle_ms:.1f} ms / {peer_wakeups:.2f} |",
        ]
    elif args.copyq:
        lines += ["", "CopyQ was asked for but is not installed (`apt-get install copyq`)."]
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--idle", type=int, default=60, help="seconds of the idle measurement")
    parser.add_argument("--release", type=int, default=5, help="seconds hidden before the page is released")
    parser.add_argument("--burst", type=int, default=500, help="large copies with the window shown")
    parser.add_argument("--interval", type=float, default=0.3, help="seconds between the large copies")
    parser.add_argument("--copies", type=int, default=50, help="copies for each latency measurement")
    parser.add_argument("--starts", type=int, default=3, help="starts for each start-up measurement")
    parser.add_argument("--shows", type=int, default=10, help="shows after a release with 50 short entries")
    parser.add_argument("--actions", type=int, default=10, help="pin clicks timed at 500 × 50,000")
    parser.add_argument("--settle", type=float, default=10, help="seconds to let the program settle")
    parser.add_argument("--copyq", action="store_true", help="also measure CopyQ, where installed, beside Brimble")
    parser.add_argument("--markdown", help="also write the tables to this file")
    parser.add_argument("--reads", action="store_true", help="measure only the clipboard reads")
    parser.add_argument("--burst-only", action="store_true", help="measure only the burst, to repeat it")
    parser.add_argument("--shows-only", type=int, metavar="N",
                        help="measure only N shows after a release with 50 short entries, to repeat them")
    parser.add_argument("--rounds", type=int, default=10, help="frozen owners for the --reads measure")
    parser.add_argument("--kept-only", action="store_true",
                        help="measure only the memory while hidden with the page kept, beside the bare page")
    parser.add_argument("--actions-only", action="store_true",
                        help="measure only the action at 500 × 50,000, alone and while 20 large copies arrive")
    args = parser.parse_args()
    args.executable = os.environ["BRIMBLE_EXECUTABLE"]
    if args.actions_only:
        for name, times in zip(("alone", "while 20 large copies arrive"), measure_actions(args)):
            print(f"action drawn at 500 × 50,000, {name}: p50 {percentile(times, 0.5):.0f} ms, "
                  f"p90 {percentile(times, 0.9):.0f} ms, all {[round(v) for v in times]} "
                  f"(load {os.getloadavg()[0]:.1f})")
        return
    if args.kept_only:
        floor, kept = measure_kept(args)
        for name, (limit, size) in zip(kept, ((30, kept["50 short"]), (120, kept["500 × 50,000"]))):
            print(f"hidden with the page kept, {name}: {size:.0f} MiB (bare page {floor:.0f} MiB, "
                  f"aim ≤ bare + {limit}: {'met' if size <= floor + limit else 'missed'})")
        return
    if args.shows_only:
        shows = measure_shows(args, args.shows_only)
        print(f"shows: p50 {percentile(shows, 0.5):.0f} ms, p90 {percentile(shows, 0.9):.0f} ms, "
              f"all {[round(v) for v in shows]}")
        return
    if args.burst_only:
        samples, end = measure_burst(args, Results())
        print(f"burst: highest {max(samples):.0f} MiB, at the end {end:.0f} MiB")
        return
    if args.reads:
        text = reads_table(measure_reads(args), args)
        print(text)
        if args.markdown:
            write_section(args.markdown, text, READS_BEGIN, READS_END)
        return
    text = table(measure(args), args)
    print(text)
    if args.markdown:
        write_section(args.markdown, text)


BEGIN, END = "<!-- desktop_bench: begin -->", "<!-- desktop_bench: end -->"
READS_BEGIN, READS_END = "<!-- desktop_bench reads: begin -->", "<!-- desktop_bench reads: end -->"


def write_section(path, text, begin=BEGIN, end=END):
    """Replaces the tables between the markers in `path`, keeping the rest of the file."""
    try:
        with open(path) as source:
            page = source.read()
    except OSError:
        page = "# Benchmarks\n\n" + begin + "\n" + end + "\n"
    if begin not in page or end not in page:
        page = page.rstrip("\n") + "\n\n" + begin + "\n" + end + "\n"
    before, rest = page.split(begin, 1)
    after = rest.split(end, 1)[1]
    with open(path, "w") as out:
        out.write(before + begin + "\n" + text + "\n" + end + after)


if __name__ == "__main__":
    main()
