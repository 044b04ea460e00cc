"""Measures of the desktop benchmark that set the program beside a baseline or time what the user
sees: a bare durable write of the history's bytes, an action from click to frame, and the bare
WebKitGTK page of bench/webkit_floor.py. Used by bench/desktop_bench.py."""

import os
import tempfile
import time

import webkit_floor


def durable_write(path):
    """Milliseconds to write the bytes of `path` to a new file beside it as a careful program
    does: write, fsync, rename over the last such copy, fsync the folder."""
    with open(path, "rb") as source:
        data = source.read()
    folder = os.path.dirname(path)
    temporary, target = os.path.join(folder, "bench-bare.tmp"), os.path.join(folder, "bench-bare.json")
    started = time.perf_counter()
    with open(temporary, "wb") as out:
        out.write(data)
        out.flush()
        os.fsync(out.fileno())
    os.rename(temporary, target)
    handle = os.open(folder, os.O_RDONLY | os.O_DIRECTORY)
    try:
        os.fsync(handle)
    finally:
        os.close(handle)
    return (time.perf_counter() - started) * 1000


ACTION_SCRIPT = """new Promise((done, fail) => {
    const card = document.querySelector('.card');
    if (!card) { fail('no card'); return; }
    const id = card.dataset.id;
    const was = card.classList.contains('pinned');
    const started = performance.now();
    card.querySelector('.card-action.pin').click();
    const check = () => {
        const now = document.querySelector(`.card[data-id="${id}"]`);
        if (now && now.classList.contains('pinned') !== was)
            requestAnimationFrame(() => done(performance.now() - started));
        else if (performance.now() - started > 10000) fail('not drawn in 10 s');
        else setTimeout(check, 1);
    };
    check();
})"""


def action_drawn(app, runs):
    """Milliseconds from a click on the newest card's pin button to the frame after the card
    shows its new state (the program has changed the entry and pushed the state back), `runs`
    times, pinning and unpinning in turn, 0.5 s apart."""
    times = []
    for _ in range(runs):
        times.append(app.page().evaluate(ACTION_SCRIPT, timeout=30))
        time.sleep(0.5)
    return times


def floor_of(settle, shows):
    """The bare WebKitGTK page of bench/webkit_floor.py, with its own temporary HOME: its Pss once
    settled, and `shows` times from a new web view to its page laid out."""
    with tempfile.TemporaryDirectory(prefix="brimble-floor-") as scratch:
        home, runtime = os.path.join(scratch, "home"), os.path.join(scratch, "runtime")
        os.mkdir(home, 0o700)
        os.mkdir(runtime, 0o700)
        env = dict(os.environ, HOME=home, XDG_RUNTIME_DIR=runtime, XDG_CACHE_HOME=os.path.join(home, ".cache"))
        return webkit_floor.weigh(settle, env)[1], webkit_floor.show_latency(shows, env)
