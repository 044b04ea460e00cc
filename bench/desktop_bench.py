"""Measures the real desktop program and prints the results as Markdown tables:

  - start-up: from starting the program to the page's first contentful paint, and with a full
    history to the first entry painted (median of three starts);
  - capture latency over 50 copies, from starting `xclip` to the entry being in clipboard.json
    (p50, p90, max), with an empty history and with a full one (500 entries of 50,000 characters);
  - idle CPU and wake-ups per second of all Brimble processes (the program and its WebKit
    processes) over a quiet period, with the window shown and hidden;
  - resident memory of every Brimble process after start, after 500 large entries, and with the
    window hidden.

With --reads it measures the clipboard reads alone instead: copy to entry saved with a small
history, and five copies made 0.5 s apart after a program took the clipboard and froze.

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

from harness import Brimble, end_process, wait_until  # noqa: E402
from stress import family  # noqa: E402

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
FULL_COUNT = 500
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


def watch_for_card(page, token):
    # Notes the wall-clock time of the first frame painted after a card shows the token.
    page.evaluate(f"""
      window.__seen = null;
      new MutationObserver((_, observer) => {{
        const card = document.querySelector('.card');
        if (card && card.textContent.includes({token!r})) {{
          observer.disconnect();
          requestAnimationFrame(() => {{ window.__seen = Date.now(); }});
        }}
      }}).observe(document.body, {{childList: true, subtree: true, characterData: true}});
      true""")


def capture_latencies(app, copies):
    """Milliseconds from starting xclip to the entry saved, and to the entry painted."""
    page = app.page()
    saved, painted = [], []
    for _ in range(copies):
        token = f"bench {uuid.uuid4()}"
        watch_for_card(page, token)
        started_wall = time.time()
        started = time.perf_counter()
        app.copy_text(token)
        deadline = started + 30
        while not newest_entry_holds(app.history_file, token):
            if time.perf_counter() > deadline:
                raise AssertionError("a copy was not saved within 30 s")
            time.sleep(0.001)
        saved.append((time.perf_counter() - started) * 1000)
        seen = wait_until(lambda: page.evaluate("window.__seen"), 30, 0.005, "the entry painted")
        painted.append(seen - started_wall * 1000)
        time.sleep(0.25)
    return saved, painted


# Clipboard reads

SMALL_COUNT = 10


def small_history():
    base = 1760000000.0
    return [{"id": str(uuid.uuid4()).upper(), "ts": base - i, "text": f"small history entry {i}",
             "pinned": False, "kind": "text"} for i in range(SMALL_COUNT)]


def saved_after(app, token, started, timeout=30):
    """Milliseconds from `started` (perf_counter) until the newest entry holds `token`."""
    deadline = started + timeout
    while not newest_entry_holds(app.history_file, token):
        if time.perf_counter() > deadline:
            raise AssertionError("a copy was not saved within 30 s")
        time.sleep(0.001)
    return (time.perf_counter() - started) * 1000


def copy_to_saved(app, copies):
    saved = []
    for _ in range(copies):
        token = f"bench {uuid.uuid4()}"
        started = time.perf_counter()
        app.copy_text(token)
        saved.append(saved_after(app, token, started))
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
    app = Brimble(history=small_history())
    app.start()
    try:
        app.page()
        time.sleep(args.settle)
        return {"small": copy_to_saved(app, args.copies), "frozen": after_frozen_owner(app, args.rounds)}
    finally:
        app.stop()


def reads_table(results, args):
    def latency(values):
        return (f"{percentile(values, 0.5):.0f} / {percentile(values, 0.9):.0f} / {max(values):.0f} ms")

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
    ])


# Idle and memory

def cpu_ticks_and_switches(pids):
    ticks, switches = 0, {}
    for pid in pids:
        try:
            with open(f"/proc/{pid}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
            ticks += int(fields[11]) + int(fields[12])
            for task in os.listdir(f"/proc/{pid}/task"):
                with open(f"/proc/{pid}/task/{task}/status") as status:
                    switches[(pid, int(task))] = sum(int(line.split()[1]) for line in status
                                                     if line.startswith(("voluntary_ctxt", "nonvoluntary_ctxt")))
        except OSError:
            pass
    return ticks, switches


def idle(app, seconds):
    """CPU in % of one core and wake-ups per second (context switches of every thread)."""
    pids = family(app.process.pid)
    ticks0, switches0 = cpu_ticks_and_switches(pids)
    time.sleep(seconds)
    ticks1, switches1 = cpu_ticks_and_switches(pids)
    # Threads that ended in between are left out; threads that started count from zero.
    wakeups = sum(count - switches0.get(key, 0) for key, count in switches1.items())
    return 100 * (ticks1 - ticks0) / CLOCK_TICKS / seconds, wakeups / seconds


def memory(app):
    """Resident memory in MiB by process name (the program, the WebKit web and network processes)."""
    rows = {}
    for pid in family(app.process.pid):
        try:
            with open(f"/proc/{pid}/comm") as comm:
                name = comm.read().strip()
            with open(f"/proc/{pid}/smaps_rollup") as rollup:
                rss = next(int(line.split()[1]) for line in rollup if line.startswith("Rss:"))
            rows[name] = rows.get(name, 0) + rss / 1024
        except (OSError, StopIteration):
            pass
    rows["total"] = sum(rows.values())
    return rows


def hide_window(app):
    window = app.window()
    app.press(window, "ctrl+w")
    wait_until(lambda: app.main_window() is None, 10, 0.1, "the window to hide")


# The whole run

def measure(args):
    results = {}
    print("start-up ...", file=sys.stderr)
    results["start_empty"] = startup(None, args.starts)
    history = full_history()
    results["start_full"] = startup(history, args.starts)

    print("capture latency and memory ...", file=sys.stderr)
    app = Brimble(settings={"historyLimit": 500})
    app.start()
    try:
        app.page()
        time.sleep(args.settle)
        results["memory_start"] = memory(app)
        results["latency_empty"] = capture_latencies(app, args.copies)
    finally:
        app.stop()
    app = Brimble(settings={"historyLimit": 500}, history=history)
    app.start()
    try:
        app.page()
        time.sleep(args.settle)
        results["latency_full"] = capture_latencies(app, args.copies)
        time.sleep(args.settle)
        results["memory_full"] = memory(app)
        hide_window(app)
        time.sleep(args.settle)
        results["memory_hidden"] = memory(app)
    finally:
        app.stop()

    print(f"idle, {args.idle} s a case ...", file=sys.stderr)
    for key, history_case, hidden in (("idle_empty", None, False), ("idle_full", history, False),
                                      ("idle_hidden", history, True)):
        # Without the inspector, whose server would keep threads of its own awake.
        app = Brimble(settings={"historyLimit": 500}, history=history_case, inspector=False)
        app.start()
        try:
            if hidden:
                hide_window(app)
            time.sleep(args.settle)
            results[key] = idle(app, args.idle)
        finally:
            app.stop()
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


def table(results, args):
    def latency(values):
        return (f"{percentile(values, 0.5):.0f} / {percentile(values, 0.9):.0f} / {max(values):.0f} ms")

    start_empty, _ = results["start_empty"]
    start_full, entry_full = results["start_full"]
    lines = [
        f"Measured {datetime.date.today().isoformat()} with `bench/desktop_bench.sh`: {build_type(args.executable)} "
        f"build, Xvfb 1280×1024, {cpu_name()}, {os.cpu_count()} cores. Brimble is the program and its "
        "WebKit web and network processes together.",
        "",
        "| Measure | Empty history | Full history (500 × 50,000 characters) |",
        "|---|---|---|",
        f"| Start to first contentful paint (median of {args.starts}) | {start_empty:.0f} ms | {start_full:.0f} ms |",
        f"| Start to first entry painted (upper bound) | – | {entry_full:.0f} ms |",
        f"| Capture latency p50 / p90 / max ({args.copies} copies, `xclip` start to entry saved) "
        f"| {latency(results['latency_empty'][0])} | {latency(results['latency_full'][0])} |",
        f"| The same, `xclip` start to entry painted in the page "
        f"| {latency(results['latency_empty'][1])} | {latency(results['latency_full'][1])} |",
        f"| Idle CPU, window shown ({args.idle} s) | {results['idle_empty'][0]:.2f} % of a core "
        f"| {results['idle_full'][0]:.2f} % of a core |",
        f"| Idle wake-ups per second, window shown | {results['idle_empty'][1]:.1f} | {results['idle_full'][1]:.1f} |",
        f"| Idle CPU and wake-ups, window hidden | – | {results['idle_hidden'][0]:.2f} % of a core, "
        f"{results['idle_hidden'][1]:.1f} per second |",
        "",
        "| Resident memory (MiB) | After start | After 500 large entries | Window hidden |",
        "|---|---|---|---|",
    ]
    names = [name for name in ("brimble", "WebKitWebProces", "WebKitNetworkPr")
             if any(name in results[key] for key in ("memory_start", "memory_full", "memory_hidden"))]
    labels = {"brimble": "brimble (the program)", "WebKitWebProces": "WebKitWebProcess",
              "WebKitNetworkPr": "WebKitNetworkProcess"}
    for name in names + ["total"]:
        cells = [f"{results[key].get(name, 0):.0f}" for key in ("memory_start", "memory_full", "memory_hidden")]
        label = labels.get(name, name)
        if name == "total":
            label, cells = "**total**", [f"**{cell}**" for cell in cells]
        lines.append(f"| {label} | " + " | ".join(cells) + " |")
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--idle", type=int, default=60, help="seconds of each idle measurement")
    parser.add_argument("--copies", type=int, default=50, help="copies for each latency measurement")
    parser.add_argument("--starts", type=int, default=3, help="starts for each start-up measurement")
    parser.add_argument("--settle", type=float, default=10, help="seconds to let the program settle")
    parser.add_argument("--markdown", help="also write the tables to this file")
    parser.add_argument("--reads", action="store_true", help="measure only the clipboard reads")
    parser.add_argument("--rounds", type=int, default=10, help="frozen owners for the --reads measure")
    args = parser.parse_args()
    args.executable = os.environ["BRIMBLE_EXECUTABLE"]
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
