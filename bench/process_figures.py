"""What a process tree costs, read from /proc: Pss summed over the tree, and CPU time and wake-ups
(context switches of every thread) over a period."""

import os
import time

from stress import family


def cpu_ns_and_switches(pids):
    """CPU time in nanoseconds (from schedstat, finer than clock ticks) and the context switches of
    every thread, both keyed by thread."""
    cpu, switches = {}, {}
    for pid in pids:
        try:
            for task in os.listdir(f"/proc/{pid}/task"):
                with open(f"/proc/{pid}/task/{task}/schedstat") as stat:
                    cpu[(pid, int(task))] = int(stat.read().split()[0])
                with open(f"/proc/{pid}/task/{task}/status") as status:
                    switches[(pid, int(task))] = sum(int(line.split()[1]) for line in status
                                                     if line.startswith(("voluntary_ctxt", "nonvoluntary_ctxt")))
        except (OSError, ValueError, IndexError):
            pass
    return cpu, switches


def idle_of(root, seconds):
    """Milliseconds of CPU of the process `root` and every process below it over the period, and
    their wake-ups per second."""
    cpu0, switches0 = cpu_ns_and_switches(family(root))
    time.sleep(seconds)
    cpu1, switches1 = cpu_ns_and_switches(family(root))
    # Threads that ended in between are left out; threads that started count from zero.
    wakeups = sum(count - switches0.get(key, 0) for key, count in switches1.items())
    cpu = sum(spent - cpu0.get(key, 0) for key, spent in cpu1.items())
    return cpu / 1e6, wakeups / seconds


def pss_samples(root, every=1.0, running=None, count=0):
    """Pss of the tree under `root` every `every` seconds: while the process `running` runs, or
    `count` times."""
    samples = []
    while (running.poll() is None) if running else len(samples) < count:
        samples.append(pss_of(root))
        time.sleep(every)
    return samples


def pss_of(root):
    """Pss in MiB summed over the process `root` and every process below it."""
    total = 0
    for pid in family(root):
        try:
            with open(f"/proc/{pid}/smaps_rollup") as rollup:
                total += next(int(line.split()[1]) for line in rollup if line.startswith("Pss:"))
        except (OSError, StopIteration):
            pass
    return total / 1024
