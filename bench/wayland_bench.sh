#!/usr/bin/env bash
# Measures the program natively on a headless sway and, in the same run, on Xvfb: capture
# latency from starting the copying program to the entry saved, and the idle wake-ups of
# Brimble's own thread. See bench/wayland_bench.py.
#
# Usage: bench/wayland_bench.sh [build-dir] [--copies N] [--idle SECONDS] [--markdown docs/benchmarks.md]
# The build folder holds the `brimble` program (default build/release).
set -euo pipefail
source "$(dirname "$0")/program-build.sh"
if [[ -z ${BRIMBLE_BENCH_INNER:-} ]]; then
    export BRIMBLE_BENCH_INNER=1
    exec "$here/tests/e2e/with-xvfb.sh" "$here/tests/e2e/with-sway.sh" dbus-run-session -- "$0" "$build" "$@" \
        2> >(grep -E --line-buffered "Error|Traceback|File |^ |\.\.\.$" >&2)
fi
exec python3 "$here/bench/wayland_bench.py" "$@"
