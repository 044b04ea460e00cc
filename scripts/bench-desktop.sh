#!/usr/bin/env bash
# Measures the real desktop program under Xvfb with a private D-Bus session:
#   - capture latency from `xclip` start to the entry in clipboard.json and to the page painting
#     it, with an empty history and with a full one (500 entries of 50,000 characters);
#   - idle wake-ups per second and CPU use over a quiet window (all Brimble processes);
#   - resident memory of the program and its WebKit processes;
#   - time from start to the page's first paint and to the first entry painted.
# Usage: scripts/bench-desktop.sh [build-dir] [idle-seconds]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/gtk}
idle=${2:-20}
export BRIMBLE_EXECUTABLE=$build/brimble
export BRIMBLE_BENCH_IDLE=$idle
export PYTHONPATH=$here/tests/e2e
if [ -z "${BRIMBLE_BENCH_INNER:-}" ]; then
    export BRIMBLE_BENCH_INNER=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- "$0" "$@" 2> >(grep -E "Error|Traceback|File |^ " >&2)
fi
exec python3 - <<'PY'
import os, statistics, subprocess, time, uuid
from harness import Brimble, wait_until

CLK = os.sysconf("SC_CLK_TCK")
PAGE_SIZE = os.sysconf("SC_PAGE_SIZE")


def family(root):
    """The program and every process below it (the WebKit web and network processes)."""
    parents = {}
    for name in os.listdir("/proc"):
        if name.isdigit():
            try:
                with open(f"/proc/{name}/stat") as stat:
                    fields = stat.read().rsplit(")", 1)[1].split()
                parents[int(name)] = int(fields[1])
            except OSError:
                pass
    members, frontier = [root], [root]
    while frontier:
        frontier = [pid for pid, ppid in parents.items() if ppid in frontier]
        members += frontier
    return members


def cpu_and_switches(pids):
    """Total CPU ticks, and the context switches of every thread by thread id."""
    ticks, switches = 0, {}
    for pid in pids:
        try:
            with open(f"/proc/{pid}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
            ticks += int(fields[11]) + int(fields[12])
            for task in os.listdir(f"/proc/{pid}/task"):
                with open(f"/proc/{pid}/task/{task}/status") as status:
                    switches[int(task)] = sum(int(line.split()[1]) for line in status
                                              if line.startswith(("voluntary_ctxt", "nonvoluntary_ctxt")))
        except OSError:
            pass
    return ticks, switches


def wakeups(before, after):
    # Threads that ended in between are left out; threads that started count from zero.
    return sum(count - before.get(tid, 0) for tid, count in after.items())


def memory(pids):
    rows = []
    for pid in pids:
        try:
            with open(f"/proc/{pid}/comm") as comm:
                name = comm.read().strip()
            values = {}
            with open(f"/proc/{pid}/smaps_rollup") as rollup:
                for line in rollup:
                    key, _, rest = line.partition(":")
                    if key in ("Rss", "Pss"):
                        values[key] = int(rest.split()[0])
            rows.append((pid, name, values.get("Rss", 0), values.get("Pss", 0)))
        except OSError:
            pass
    return rows


def full_history(count=500, length=50000):
    base = 1760000000.0
    return [{"id": str(uuid.uuid4()).upper(), "ts": base - i, "text": (f"entry {i} " + "x" * length)[:length],
             "pinned": False, "kind": "text"} for i in range(count)]


def observe_card(page, token):
    # Resolves with the wall-clock time of the first frame painted after the entry appears.
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


def capture_latency(app, rounds):
    page = app.page()
    to_file, to_page = [], []
    for i in range(rounds):
        token = f"bench {uuid.uuid4()}"
        observe_card(page, token)
        start = time.time()
        app.copy_text(token)
        wait_until(lambda: token in app.texts()[:1], 30, 0.001, "the capture")
        to_file.append((time.time() - start) * 1000)
        seen = wait_until(lambda: page.evaluate("window.__seen"), 30, 0.01, "the page")
        to_page.append(seen - start * 1000)
        time.sleep(0.3)
    return to_file, to_page


def summary(values):
    return f"median {statistics.median(values):7.1f} ms  min {min(values):7.1f}  max {max(values):7.1f}  (n={len(values)})"


def run(label, history, rounds):
    app = Brimble(history=history)
    started = time.time()
    app.start()
    try:
        page = app.page()
        # The frame after the first card exists; evaluated as early as the inspector allows, so an
        # already painted card gives an upper bound.
        first_card = page.evaluate("""new Promise(done => {
            const check = () => document.querySelector('.card')
                ? requestAnimationFrame(() => done(Date.now())) : setTimeout(check, 5);
            check(); })""", timeout=60) if history else None
        first_paint = page.evaluate(
            "(() => { const p = performance.getEntriesByType('paint').find(e => e.name === 'first-contentful-paint');"
            " return p ? performance.timeOrigin + p.startTime : null; })()")
        loaded = page.evaluate(
            "(() => { const n = performance.getEntriesByType('navigation')[0];"
            " return n ? performance.timeOrigin + n.loadEventEnd : null; })()")
        print(f"\n== {label} ==")
        if loaded:
            print(f"start to page loaded (load event):  {loaded - started * 1000:7.0f} ms")
        if first_paint:
            print(f"start to first contentful paint: {first_paint - started * 1000:7.0f} ms")
        if history:
            print(f"start to first entry painted:   <={first_card - started * 1000:7.0f} ms")
        to_file, to_page = capture_latency(app, rounds)
        print(f"capture, xclip start to clipboard.json: {summary(to_file)}")
        print(f"capture, xclip start to page painted:   {summary(to_page)}")
        return app
    except BaseException:
        app.stop()
        raise


def idle_and_memory(label, history, seconds):
    # Without the inspector, which keeps threads of its own busy.
    app = Brimble(history=history, inspector=False)
    app.start()
    try:
        # Loading and drawing a full history keeps the web process busy for several seconds.
        time.sleep(15)
        pids = family(app.process.pid)
        ticks0, switches0 = cpu_and_switches(pids)
        time.sleep(seconds)
        ticks1, switches1 = cpu_and_switches(pids)
        print(f"\n== idle for {seconds} s, {label}, window shown ==")
        print(f"wake-ups (context switches, all threads of all processes): {wakeups(switches0, switches1) / seconds:.2f} per second")
        print(f"CPU: {100 * (ticks1 - ticks0) / CLK / seconds:.2f} % of one core")
        rows = memory(family(app.process.pid))
        for pid, name, rss, pss in rows:
            print(f"  {name:22s} RSS {rss / 1024:7.1f} MiB  PSS {pss / 1024:7.1f} MiB")
        print(f"  {'total':22s} RSS {sum(r[2] for r in rows) / 1024:7.1f} MiB"
              f"  PSS {sum(r[3] for r in rows) / 1024:7.1f} MiB")
    finally:
        app.stop()


run("empty history", None, 10).stop()
run("full history (500 x 50,000 characters)", full_history(), 5).stop()
idle = int(os.environ["BRIMBLE_BENCH_IDLE"])
idle_and_memory("empty history", None, idle)
idle_and_memory("full history", full_history(), idle)
PY
