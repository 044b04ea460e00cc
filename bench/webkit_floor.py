"""What a window holding one WebKitGTK page weighs on this machine with nothing of Brimble's: a
GTK window, a web view drawing in software with the document-viewer cache model, and a page of
one paragraph. Prints the Pss of the program and of WebKit's web and network processes once
settled, and how long a new web view in a new web process takes to lay its page out. The figures
are the floors under Brimble's shown window (the Python interpreter alone adds about 8 MiB to the
program's share) and under showing a released page.

Run through bench/webkit_floor.sh, which gives it its own X server and D-Bus session; needs
python3-gi and gir1.2-webkit2-4.1."""

import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

from harness import end_process  # noqa: E402
from process_figures import pss_of  # noqa: E402
from stress import family  # noqa: E402

PAGE = """
import gi
gi.require_version('WebKit2', '4.1')
gi.require_version('Gtk', '3.0')
from gi.repository import Gtk, WebKit2
window = Gtk.Window()
window.set_default_size(980, 640)
context = WebKit2.WebContext.new()
context.set_cache_model(WebKit2.CacheModel.DOCUMENT_VIEWER)
view = WebKit2.WebView.new_with_context(context)
view.get_settings().set_hardware_acceleration_policy(WebKit2.HardwareAccelerationPolicy.NEVER)
window.add(view)
window.show_all()
view.load_html('<html><body><p>One paragraph.</p></body></html>', 'about:blank')
Gtk.main()
"""


# The same window building a new web view in a new web context, so a new web process, every two
# seconds, on a page whose script reports once its paragraph is laid out: the least any page built
# anew can take on this machine before it shows anything, beside which a release's cost is judged.
LATENCY_PAGE = """
import sys, time
import gi
gi.require_version('WebKit2', '4.1')
gi.require_version('Gtk', '3.0')
from gi.repository import GLib, Gtk, WebKit2
HTML = ('<!DOCTYPE html><html><body><p>One paragraph.</p><script>document.body.offsetHeight;'
        'webkit.messageHandlers.floor.postMessage(0);</script></body></html>')
runs, times, state = int(sys.argv[1]), [], {}
window = Gtk.Window()
window.set_default_size(980, 640)
window.show_all()
def build():
    if state.get('view'):
        window.remove(state['view'])
        state['view'] = None
        GLib.timeout_add(1500, build)
        return False
    state['started'] = time.monotonic()
    context = WebKit2.WebContext.new()
    context.set_cache_model(WebKit2.CacheModel.DOCUMENT_VIEWER)
    content = WebKit2.UserContentManager()
    content.connect('script-message-received::floor', ran)
    content.register_script_message_handler('floor')
    view = WebKit2.WebView(web_context=context, user_content_manager=content)
    view.get_settings().set_hardware_acceleration_policy(WebKit2.HardwareAccelerationPolicy.NEVER)
    window.add(view)
    view.show()
    view.load_html(HTML, 'about:blank')
    state['view'] = view
    return False
def ran(manager, result):
    times.append((time.monotonic() - state['started']) * 1000)
    if len(times) > runs:
        print(' '.join(f'{t:.1f}' for t in times[1:]), flush=True)
        Gtk.main_quit()
    else:
        GLib.timeout_add(500, build)
GLib.timeout_add(500, build)
Gtk.main()
"""


def show_latency(runs, env=None):
    """Milliseconds from building a new web view to its page's script running after layout, for
    `runs` views after a first one (whose libraries still came from the disk)."""
    result = subprocess.run(["/usr/bin/python3", "-c", LATENCY_PAGE, str(runs)], capture_output=True, text=True,
                            timeout=30 + 3 * runs, env=env)
    return [float(value) for value in result.stdout.split()]


def weigh(settle, env=None):
    """The Pss in MiB of each process of the bare page once settled, by name, and of all of them."""
    program = subprocess.Popen(["/usr/bin/python3", "-c", PAGE], env=env)
    try:
        time.sleep(settle)
        shares = []
        for pid in family(program.pid):
            with open(f"/proc/{pid}/comm") as comm:
                shares.append((comm.read().strip(), own_pss(pid)))
        return shares, pss_of(program.pid)
    finally:
        end_process(program)


def main():
    settle = float(sys.argv[1]) if len(sys.argv) > 1 else 10
    shares, total = weigh(settle)
    for name, size in shares:
        print(f"{name}: {size:.0f} MiB")
    print(f"in all: {total:.0f} MiB")
    shows = sorted(show_latency(10))
    print(f"a new web view to its page laid out: median {shows[len(shows) // 2]:.0f} ms, "
          f"highest {shows[-1]:.0f} ms of {len(shows)}")


def own_pss(pid):
    with open(f"/proc/{pid}/smaps_rollup") as rollup:
        return next(int(line.split()[1]) for line in rollup if line.startswith("Pss:")) / 1024


if __name__ == "__main__":
    main()
