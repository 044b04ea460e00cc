"""Helpers for the crash, hostile-input and soak tests: a Brimble that can be killed hard, a
steady stream of copies from one process, and the memory of the program with its WebKit
processes, read from /proc."""

import json
import os
import re
import signal
import subprocess
import time

from harness import APPLICATION_ID, Brimble, bus_name_taken, end_process, wait_until

BUILD_DIR = os.environ.get("BRIMBLE_BUILD_DIR", "")
CLIP_BURST = os.environ.get("BRIMBLE_CLIP_BURST", os.path.join(BUILD_DIR, "tests", "e2e", "clip_burst"))

DATA_FILES = ("clipboard.json", "sessions.json", "blocks.json")
PICTURE_NAME = re.compile(r"^[0-9A-Fa-f-]{36}\.(png|jpg)$")


class StressBrimble(Brimble):
    """A Brimble that can also be killed without warning, like a crash or a power cut."""

    def kill_hard(self):
        for helper in self.helpers:
            end_process(helper)
        self.helpers = []
        if self._page:
            self._page.close()
            self._page = None
        if self.process:
            self.process.send_signal(signal.SIGKILL)
            self.process.wait(timeout=10)
            self.process = None
            self.log.close()
            wait_until(lambda: not bus_name_taken(APPLICATION_ID), 10, 0.05, "the bus name to be free")

    def start_without_waiting(self):
        """Starts the program and returns at once, for a kill in the middle of the launch."""
        self.log = open(self.log_path, "a")
        self.process = subprocess.Popen([self.executable()], env=self.env, stdout=self.log,
                                        stderr=subprocess.STDOUT)

    @staticmethod
    def executable():
        return os.environ.get("BRIMBLE_EXECUTABLE", "brimble")

    # Files

    def json_files(self):
        """Every JSON file of the program: the data files that exist and the settings."""
        files = [os.path.join(self.data_folder, name) for name in DATA_FILES]
        files.append(os.path.join(self.config, "Brimble", "settings.json"))
        return [path for path in files if os.path.exists(path)]

    def undecodable_files(self):
        bad = []
        for path in self.json_files():
            try:
                with open(path, encoding="utf-8") as source:
                    json.load(source)
            except (OSError, ValueError) as error:
                bad.append(f"{path}: {error}")
        return bad

    def stray_files(self):
        """Names in the data, picture and settings folders that are none of the program's own
        files: temporaries of an interrupted write above all."""
        stray = []
        for folder, allowed in ((self.data_folder, DATA_FILES + ("clipboard-images",)),
                                (os.path.join(self.config, "Brimble"), ("settings.json", "window-state.json"))):
            for name in sorted(os.listdir(folder)) if os.path.isdir(folder) else []:
                if name not in allowed and ".unreadable-" not in name:
                    stray.append(os.path.join(folder, name))
        for name in self.picture_files():
            if not PICTURE_NAME.match(name):
                stray.append(os.path.join(self.images_folder, name))
        return stray

    def picture_files(self):
        return sorted(os.listdir(self.images_folder)) if os.path.isdir(self.images_folder) else []

    def unreferenced_pictures(self):
        named = {entry.get("imgFile") for entry in self.history()}
        return [name for name in self.picture_files() if name not in named]

    def pictures_bytes(self):
        return sum(os.path.getsize(os.path.join(self.images_folder, name)) for name in self.picture_files())


def burst(prefix, rate, count=None, seconds=None, pad=0, linger=1.0):
    """Starts clip_burst; the caller waits for it or ends it."""
    args = [CLIP_BURST, "--rate", str(rate), "--prefix", prefix, "--linger", str(linger)]
    if count:
        args += ["--count", str(count)]
    if seconds:
        args += ["--seconds", str(seconds)]
    if pad:
        args += ["--pad", str(pad)]
    return subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)


def finish_burst(process, timeout):
    out, err = process.communicate(timeout=timeout)
    if process.returncode != 0:
        raise AssertionError(f"clip_burst failed: {err}")
    return int(out.split()[1])


def family(root):
    """The program and every process below it (the WebKit web and network processes)."""
    parents = {}
    for name in os.listdir("/proc"):
        if name.isdigit():
            try:
                with open(f"/proc/{name}/stat") as stat:
                    parents[int(name)] = int(stat.read().rsplit(")", 1)[1].split()[1])
            except (OSError, IndexError, ValueError):
                pass
    members, frontier = [root], [root]
    while frontier:
        frontier = [pid for pid, ppid in parents.items() if ppid in frontier]
        members += frontier
    return members


def resident_kib(pids):
    """Resident memory of each process in KiB, by name (names repeated are summed)."""
    by_name = {}
    for pid in pids:
        try:
            with open(f"/proc/{pid}/comm") as comm:
                name = comm.read().strip()
            with open(f"/proc/{pid}/status") as status:
                for line in status:
                    if line.startswith("VmRSS:"):
                        by_name[name] = by_name.get(name, 0) + int(line.split()[1])
        except OSError:
            pass
    return by_name


def sample_memory(app):
    """Resident memory of the program and its WebKit processes: (total KiB, {name: KiB})."""
    rows = resident_kib(family(app.process.pid))
    return sum(rows.values()), rows


def page_answers(app, timeout=10.0):
    """Seconds the page takes to answer a trivial script, or None when it does not in time."""
    started = time.monotonic()
    try:
        if app.page().evaluate("1 + 1", timeout=timeout) != 2:
            return None
    except Exception:  # noqa: BLE001 - any failure to answer is a hung page
        return None
    return time.monotonic() - started
