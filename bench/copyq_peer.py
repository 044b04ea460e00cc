"""CopyQ, a clipboard manager with a native Qt window, measured on the same X server and with the
same copies as Brimble, so that the figures can stand side by side. CopyQ runs with its own empty
HOME and XDG folders and its window closed, as it starts by default."""

import contextlib
import os
import shutil
import subprocess
import tempfile
import time

from harness import end_process
from process_figures import idle_of, pss_of, pss_samples
from stress import burst, family, finish_burst


def version(executable):
    try:
        out = subprocess.run([executable, "--version"], capture_output=True, text=True, timeout=10).stdout
    except (OSError, subprocess.SubprocessError):
        return "CopyQ"
    first = out.strip().splitlines()[0] if out.strip() else "CopyQ"
    return first.replace("CopyQ Clipboard Manager v", "CopyQ ").replace("CopyQ Clipboard Manager ", "CopyQ ")


def measure(settle, idle_seconds, copies, interval, pad):
    """CopyQ's Pss once settled, idle CPU and wake-ups, and the Pss samples of a burst of large
    copies with its end; None where CopyQ is not installed."""
    executable = shutil.which("copyq")
    if not executable:
        return None
    with running(executable) as (env, server):
        time.sleep(settle)
        results = {"name": version(executable), "ready": pss_of(server.pid)}
        results["idle"] = idle_of(server.pid, idle_seconds)
        copier = burst("copyq", rate=1 / interval, count=copies, pad=pad)
        samples = pss_samples(server.pid, running=copier)
        finish_burst(copier, 30)
        samples += pss_samples(server.pid, count=10)
        results["burst"] = (samples, pss_of(server.pid))
        return results


@contextlib.contextmanager
def running(executable):
    """A CopyQ server with its own empty HOME and XDG folders, as (env, server); ended on leaving,
    with the clipboard monitor it runs as its child, each by its own PID."""
    root = tempfile.mkdtemp(prefix="copyq-peer-")
    folders = {name: os.path.join(root, name) for name in ("home", "config", "data", "cache", "runtime")}
    for folder in folders.values():
        os.makedirs(folder, mode=0o700)
    env = dict(os.environ, HOME=folders["home"], XDG_CONFIG_HOME=folders["config"],
               XDG_DATA_HOME=folders["data"], XDG_CACHE_HOME=folders["cache"],
               XDG_RUNTIME_DIR=folders["runtime"])
    server = subprocess.Popen([executable], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        yield env, server
    finally:
        helpers = [pid for pid in family(server.pid) if pid != server.pid]
        end_process(server)
        for pid in helpers:
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as command:
                    if b"copyq" in command.read():
                        os.kill(pid, 15)
            except (OSError, ProcessLookupError):
                pass
        shutil.rmtree(root, ignore_errors=True)
