#!/usr/bin/env bash
# Measures the real desktop program under its own Xvfb and D-Bus session, with temporary HOME
# and XDG folders, and prints the results as a Markdown table beside their aims (memory as Pss of
# every Brimble process, hidden, in the background, shown and under a burst of large copies; idle
# CPU and wake-ups; showing a released page; capture latency). See bench/desktop_bench.py.
#
# Usage: bench/desktop_bench.sh [build-dir] [--idle SECONDS] [--copies N] [--starts N]
#                               [--burst N] [--interval SECONDS] [--release SECONDS]
#                               [--settle SECONDS] [--copyq] [--markdown docs/benchmarks.md]
#        bench/desktop_bench.sh [build-dir] --reads [--copies N] [--rounds N] [--markdown ...]
# The build folder holds the `brimble` program (default build/release); a release build gives
# the figures worth comparing. A full run takes about eight minutes.
set -euo pipefail
source "$(dirname "$0")/program-build.sh"
export BRIMBLE_SLOW_OWNER=$build/tests/e2e/slow_owner
export BRIMBLE_OFFER_FORMATS=$build/tests/e2e/offer_formats
if [[ -z ${BRIMBLE_BENCH_INNER:-} ]]; then
    export BRIMBLE_BENCH_INNER=1
    # The desktop services that the session bus starts talk a lot; only errors are shown.
    exec "$here/tests/e2e/with-xvfb.sh" dbus-run-session -- "$0" "$build" "$@" \
        2> >(grep -E --line-buffered "Error|Traceback|File |^ |\.\.\.$" >&2)
fi
exec python3 "$here/bench/desktop_bench.py" "$@"
